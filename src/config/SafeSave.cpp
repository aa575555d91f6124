#include "config/SafeSave.h"

#include <windows.h>

bool CreateTempBeside(const wchar_t* target, std::wstring& temp) {
    temp.clear();
    if (!target || !*target) return false;
    std::wstring dir(target);
    const size_t cut = dir.find_last_of(L"\\/");
    if (cut == std::wstring::npos) {
        dir = L".";
    } else if (cut == 0 || (cut == 2 && dir[1] == L':')) {
        dir.resize(cut + 1);  // keep the root's backslash
    } else {
        dir.resize(cut);
    }
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(dir.c_str(), L"oxb", 0, name)) return false;
    temp = name;
    return true;
}

bool CommitTempFile(const std::wstring& temp, const wchar_t* target) {
    // A folder in the target's place, or a file the user made read-only, is
    // not ours to replace (some ReplaceFileW versions would move a folder aside).
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
        DeleteFileW(temp.c_str());
        return false;
    }
    // ReplaceFileW keeps the old file's attributes, but fails when there is no
    // old file yet; moving over it covers that and the other refusals.
    if (ReplaceFileW(target, temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        return true;
    }
    if (MoveFileExW(temp.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeleteFileW(temp.c_str());
    return false;
}
