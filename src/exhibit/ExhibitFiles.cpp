#include "exhibit/ExhibitFiles.h"

#include <windows.h>

#include <cwchar>

bool IsShownFormat(const wchar_t* name, const ShownFormats& formats) {
    const int format = PictureFormatOfName(name);
    return format >= 0 && formats.on[format];
}

ImageEntry MakeImageEntry(const wchar_t* path) {
    ImageEntry entry;
    if (!path) return entry;
    entry.path = path;
    // Only the times are read; sharing everything keeps a file that is open
    // elsewhere (the shown picture, an editor) from reading as zero times.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return entry;
    if (!GetFileTime(file, &entry.created, &entry.accessed, &entry.modified)) {
        entry.created = entry.accessed = entry.modified = FILETIME{};
    }
    CloseHandle(file);
    return entry;
}

bool FileVanished(const wchar_t* path) {
    if (!path || !*path) return false;
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
