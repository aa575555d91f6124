#include "exhibit/ExhibitFiles.h"

#include <windows.h>

#include <cwchar>

bool IsShownFormat(const wchar_t* name, const ShownFormats& formats) {
    if (!name) return false;
    const wchar_t* dot = wcsrchr(name, L'.');
    if (!dot) return false;
    auto is = [dot](const wchar_t* extension) { return _wcsicmp(dot, extension) == 0; };
    if (formats.jpg && (is(L".jpg") || is(L".jpeg"))) return true;
    if (formats.gif && is(L".gif")) return true;
    if (formats.bmp && is(L".bmp")) return true;
    if (formats.png && is(L".png")) return true;
    if (formats.tif && (is(L".tif") || is(L".tiff"))) return true;
    if (formats.emf && is(L".emf")) return true;
    if (formats.ico && is(L".ico")) return true;
    return false;
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
