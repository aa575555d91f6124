// The requests the viewer sends the Blackbox shell: copy-data messages with
// identifier 10882 and a 304-byte payload (a 32-bit 0, then the command text
// in a 300-byte field). No windows here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kBlackboxCopyDataId = 10882;
constexpr size_t kBlackboxTextBytes = 300;

// The payload for `command` (cut to 299 characters; the rest of the field is zero).
std::vector<char> BlackboxPayload(const char* command);
// "@BBCore.rootCommand bsetroot -<word> \"<path>\"", the word by the style
// (3 "full", 2 "tile", else "center").
std::string BlackboxRootCommand(int32_t style, const char* path);
