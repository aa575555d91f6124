#include "fileops/FileTransfer.h"

#include <cwchar>
#include <string>

#include "platform/Handles.h"
#include "platform/Paths.h"

namespace {

std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : std::wstring(path);
}

bool SizeOf(const wchar_t* path, ULONGLONG& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return false;
    size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

// A fresh, empty file in `folder` for writing to; empty when none can be made.
std::wstring TemporaryIn(const std::wstring& folder) {
    wchar_t name[MAX_PATH];
    if (folder.size() >= MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"oxb", 0, name)) return std::wstring();
    return name;
}

// Puts the finished temporary file in place. A target another program has
// open for a moment (a reader, an indexer, a virus scanner) is tried again
// for a little while.
Transfer Commit(const std::wstring& temporary, const wchar_t* target, bool replace) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (MoveFileExW(temporary.c_str(), target, replace ? MOVEFILE_REPLACE_EXISTING : 0)) return Transfer::Done;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) break;
        Sleep(25);
    }
    DeleteFileW(temporary.c_str());
    return Transfer::Failed;
}

// Whether `path` could be deleted now: opened for deletion and closed again.
bool Deletable(const wchar_t* path) {
    UniqueHandle file(CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file) && !(GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY);
}

}  // namespace

bool PathFits(const wchar_t* path) { return path && *path && wcslen(path) < size_t(kPathSize); }

bool TargetUsable(const wchar_t* path) {
    if (!PathFits(path)) return false;
    const DWORD attributes = GetFileAttributesW(FolderPart(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SamePath(const wchar_t* a, const wchar_t* b) {
    return CompareStringOrdinal(FullPath(a).c_str(), -1, FullPath(b).c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool FileExists(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Transfer WriteFileSafely(const wchar_t* target, bool replace, const std::function<bool(const wchar_t*)>& write) {
    if (!TargetUsable(target)) return Transfer::TargetUnusable;
    if (!replace && FileExists(target)) return Transfer::Failed;
    const std::wstring temporary = TemporaryIn(FolderPart(target));
    if (temporary.empty()) return Transfer::Failed;
    if (!write(temporary.c_str())) {
        DeleteFileW(temporary.c_str());
        return Transfer::Failed;
    }
    return Commit(temporary, target, replace);
}

Transfer CopyFileSafely(const wchar_t* source, const wchar_t* target, bool replace) {
    if (!FileExists(source)) return Transfer::SourceGone;
    if (SamePath(source, target)) return Transfer::Done;   // the file is already there
    ULONGLONG sourceSize = 0;
    if (!SizeOf(source, sourceSize)) return Transfer::Failed;
    return WriteFileSafely(target, replace, [&](const wchar_t* temporary) {
        ULONGLONG copied = ~0ull;
        return CopyFileW(source, temporary, FALSE) && SizeOf(temporary, copied) && copied == sourceSize;
    });
}

Transfer MoveFileSafely(const wchar_t* source, const wchar_t* target, bool replace) {
    if (!FileExists(source)) return Transfer::SourceGone;
    if (!TargetUsable(target)) return Transfer::TargetUnusable;
    if (!replace && FileExists(target) && !SamePath(source, target)) return Transfer::Failed;
    if (MoveFileExW(source, target, replace ? MOVEFILE_REPLACE_EXISTING : 0)) return Transfer::Done;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) return Transfer::Failed;

    // Another volume: copy, and delete the source only once the copy is whole
    // and in place. A source that could not be deleted is refused before
    // anything is written.
    if (!Deletable(source)) return Transfer::Failed;
    const bool targetExisted = FileExists(target);
    const Transfer copied = CopyFileSafely(source, target, replace);
    if (copied != Transfer::Done) return copied;
    if (DeleteFileW(source)) return Transfer::Done;
    if (!targetExisted) DeleteFileW(target);
    return Transfer::Failed;
}
