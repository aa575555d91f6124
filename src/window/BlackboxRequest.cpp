#include "window/BlackboxRequest.h"

#include <cstring>

std::vector<char> BlackboxPayload(const char* command) {
    std::vector<char> payload(4 + kBlackboxTextBytes, '\0');
    strncpy(payload.data() + 4, command, kBlackboxTextBytes - 1);
    return payload;
}

std::string BlackboxRootCommand(int32_t style, const char* path) {
    const char* word = style == 3 ? "full" : style == 2 ? "tile" : "center";
    return std::string("@BBCore.rootCommand bsetroot -") + word + " \"" + path + "\"";
}
