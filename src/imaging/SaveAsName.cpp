#include "imaging/SaveAsName.h"

#include <cwchar>

SaveAsName SaveAsNameFor(const std::wstring& chosen, unsigned filterIndex) {
    SaveAsName name;
    name.format = filterIndex == 2 ? 0 : 1;
    const wchar_t* const wanted = name.format == 0 ? L".bmp" : L".jpg";
    name.path = chosen;
    // Only the last part of the path counts: a dot in a folder name is no extension.
    const size_t slash = chosen.find_last_of(L"\\/");
    const size_t dot = chosen.rfind(L'.');
    const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    if (!hasExtension || _wcsicmp(chosen.c_str() + dot, wanted) != 0) {
        name.path += wanted;
        name.confirmedByDialog = false;
    }
    return name;
}
