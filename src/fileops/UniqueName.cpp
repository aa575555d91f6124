#include "fileops/UniqueName.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {
constexpr size_t kBufferSize = 260;
}

bool IsNameTaken(const wchar_t* path) {
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool MakeUniqueName(wchar_t* path) {
    if (!path || !*path) return false;
    if (!IsNameTaken(path)) return true;

    // The extension belongs to the last component only: a dot in a folder
    // name must not be taken for one.
    const wchar_t* slash = wcsrchr(path, L'\\');
    const wchar_t* dot = wcsrchr(path, L'.');
    if (dot && slash && dot < slash) dot = nullptr;
    const size_t length = wcslen(path);
    const size_t baseLength = dot ? static_cast<size_t>(dot - path) : length;

    wchar_t base[kBufferSize];
    wchar_t extension[kBufferSize];
    wmemcpy(base, path, baseLength);
    base[baseLength] = L'\0';
    wcscpy(extension, path + baseLength);

    wchar_t candidate[kBufferSize];
    for (unsigned n = 1; n <= 99; ++n) {
        const int written = swprintf(candidate, kBufferSize, L"%ls-%02u%ls", base, n, extension);
        if (written < 0 || static_cast<size_t>(written) >= kBufferSize) return false;
        wcscpy(path, candidate);
        if (!IsNameTaken(path)) return true;
    }
    return false;
}

bool NameInFolder(const wchar_t* folder, const wchar_t* path, const wchar_t* suffix, wchar_t* out) {
    out[0] = L'\0';
    if (!folder || !path || !suffix) return false;
    const wchar_t* name = wcsrchr(path, L'\\');
    if (!name) return false;
    const size_t folderLength = wcslen(folder);
    if (folderLength > 0 && folder[folderLength - 1] == L'\\') ++name;   // "D:\" + "\x.jpg"
    if (folderLength + wcslen(name) + wcslen(suffix) >= kBufferSize) return false;   // no cut names
    swprintf(out, kBufferSize, L"%ls%ls%ls", folder, name, suffix);
    return true;
}
