#include "fileops/RecycleBin.h"

#include <shellapi.h>

bool HasRecycleBin(const wchar_t* path) {
    if (!path || !*path) return false;
    wchar_t root[MAX_PATH];
    if (!GetVolumePathNameW(path, root, MAX_PATH)) return false;
    if (GetDriveTypeW(root) != DRIVE_FIXED) return false;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(SHQueryRecycleBinW(root, &info));
}

bool SendToRecycleBin(const std::vector<std::wstring>& paths, HWND owner, bool* aborted, bool quiet) {
    if (aborted) *aborted = false;
    if (paths.empty()) return true;
    // The shell takes a list of names, each ended by a null, the list by another.
    std::wstring from;
    for (const std::wstring& path : paths) {
        from += path;
        from.push_back(L'\0');
    }
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    if (quiet) operation.fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_WANTNUKEWARNING;
    const int result = SHFileOperationW(&operation);
    if (aborted) *aborted = operation.fAnyOperationsAborted != FALSE;
    return result == 0;
}
