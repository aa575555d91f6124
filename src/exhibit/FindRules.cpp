#include "exhibit/FindRules.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

// Lower case beyond ASCII too (the runtime's towlower leaves an É as it is),
// the same on every system whatever its language.
std::wstring Lowered(std::wstring text) {
    if (!text.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.data(), int(text.size()), text.data(), int(text.size()));
    return text;
}

}  // namespace

bool Matches(const FindRecord& find, const wchar_t* path) {
    std::wstring subject = path;
    if (find.fileNameOnly) {
        const size_t slash = subject.rfind(L'\\');
        if (slash != std::wstring::npos) subject.erase(0, slash + 1);
        const size_t dot = subject.rfind(L'.');
        if (dot != std::wstring::npos) subject.erase(dot);
    }
    if (find.matchCase) return wcsstr(subject.c_str(), find.text) != nullptr;
    return Lowered(subject).find(Lowered(find.text)) != std::wstring::npos;
}

int32_t FindFrom(const std::vector<ImageEntry>& entries, size_t start, const FindRecord& find) {
    const size_t n = entries.size();
    for (size_t k = 0; k < n; ++k) {
        const size_t i = (start + k) % n;
        if (Matches(find, entries[i].path.c_str())) return int32_t(i);
    }
    return -1;
}

int32_t NewestIndex(const std::vector<ImageEntry>& entries, int32_t autofindtype) {
    if (autofindtype < 1 || autofindtype > 3 || entries.empty()) return -1;
    const auto time = [autofindtype](const ImageEntry& e) -> const FILETIME& {
        return autofindtype == 1 ? e.created : autofindtype == 2 ? e.modified : e.accessed;
    };
    size_t newest = 0;
    for (size_t i = 1; i < entries.size(); ++i)
        if (CompareFileTime(&time(entries[i]), &time(entries[newest])) > 0) newest = i;
    return int32_t(newest);
}
