#include "fileops/FileTransfer.h"

#include <cwchar>
#include <string>
#include <vector>

#include "fileops/FileSteps.h"
#include "platform/Handles.h"
#include "platform/Paths.h"

namespace {

constexpr int kAttempts = 20;      // a file another program has open for a moment...
constexpr DWORD kPauseMs = 25;     // ...is tried again for half a second
constexpr DWORD kCopyBlock = 1 << 20;

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

// Errors that another program's passing hold on a file gives, worth a second try.
bool Passing(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Whether `path` could be deleted now: opened for deletion and closed again.
bool Deletable(const wchar_t* path) {
    UniqueHandle file(CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file) && !(GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY);
}

// Copies the bytes and times of `source` into the (empty) file `temporary`.
bool CopyBytes(const wchar_t* source, const wchar_t* temporary) {
    UniqueHandle from(CreateFileW(source, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return false;
    UniqueHandle to(CreateFileW(temporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!to) return false;
    std::vector<char> block(kCopyBlock);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from.Get(), block.data(), kCopyBlock, &got, nullptr)) return false;
        if (got == 0) break;
        DWORD written = 0;
        if (StepFails(FileStep::Copy, temporary, source)) return false;
        if (!WriteFile(to.Get(), block.data(), got, &written, nullptr) || written != got) return false;
    }
    // A copy keeps the picture's dates (sorting by them, and undo, rely on them).
    FILETIME created{}, accessed{}, written{};
    if (GetFileTime(from.Get(), &created, &accessed, &written)) SetFileTime(to.Get(), &created, &accessed, &written);
    return true;
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

// ---------------------------------------------------------------------------
// PendingFile: the temporary file, and the steps that put it in place.

PendingFile::PendingFile(const wchar_t* target, bool replace) : replace_(replace) {
    if (!TargetUsable(target)) {
        refused_ = Transfer::TargetUnusable;
        return;
    }
    target_ = target;
    // A folder in the target's place, or a file the user made read-only, is
    // not ours to replace; nor any file without `replace`.
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (!replace || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))))
        return;
    const std::wstring folder = FolderPart(target_);
    wchar_t name[MAX_PATH];
    if (folder.size() >= MAX_PATH - 14 || StepFails(FileStep::CreateTemp, target) ||
        !GetTempFileNameW(folder.c_str(), L"oxb", 0, name))
        return;
    temporary_ = name;
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
    if (temporary_.empty()) return;
    SetFileAttributesW(temporary_.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (int attempt = 0; attempt < kAttempts && !DeleteFileW(temporary_.c_str()); ++attempt) {
        if (!Passing(GetLastError())) break;
        Sleep(kPauseMs);
    }
    temporary_.clear();
}

Transfer PendingFile::Commit(bool written, unsigned long long expectedSize) {
    if (temporary_.empty()) return refused_;
    const wchar_t* temporary = temporary_.c_str();
    const wchar_t* target = target_.c_str();
    if (!written || StepFails(FileStep::Write, temporary)) {
        Discard();
        return Transfer::Failed;
    }

    // The bytes reach the disk before the name does; a copy counts only whole.
    {
        UniqueHandle file(CreateFileW(temporary, GENERIC_WRITE | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      0, nullptr));
        bool whole = file && !StepFails(FileStep::Flush, temporary) && FlushFileBuffers(file.Get());
        if (whole && expectedSize != ~0ull) {
            LARGE_INTEGER size{};
            whole = !StepFails(FileStep::Verify, temporary) && GetFileSizeEx(file.Get(), &size) &&
                    static_cast<unsigned long long>(size.QuadPart) == expectedSize;
        }
        if (!whole) {
            file.Reset();
            Discard();
            return Transfer::Failed;
        }
    }

    // One rename, write-through, puts it in place: the name holds the old
    // file or the new one at every moment. (ReplaceFileW is not used: it moves
    // the old file away and the new one in as two steps, and can fail between
    // them, and under Wine it leaves a file of its own behind when it fails.)
    // The attributes the user gave the old file (hidden, say) go to the new one.
    const DWORD oldAttributes = GetFileAttributesW(target);
    const bool existed = oldAttributes != INVALID_FILE_ATTRIBUTES;
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if (existed && (oldAttributes & kKept)) SetFileAttributesW(temporary, oldAttributes & kKept);
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace_ ? MOVEFILE_REPLACE_EXISTING : 0);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!StepFails(FileStep::Place, temporary, target) && MoveFileExW(temporary, target, flags)) {
            temporary_.clear();
            return Transfer::Done;
        }
        if (!Passing(GetLastError())) break;
        Sleep(kPauseMs);
    }
    // The old file gone from its name: the temporary file is the only
    // complete copy of the content, and stays where it is.
    if (existed && !FileExists(target)) {
        kept_ = std::move(temporary_);
        temporary_.clear();
        return Transfer::KeptAside;
    }
    Discard();
    return Transfer::Failed;
}

// ---------------------------------------------------------------------------

Transfer WriteFileSafely(const wchar_t* target, bool replace, const std::function<bool(const wchar_t*)>& write,
                         std::wstring* kept) {
    PendingFile pending(target, replace);
    const bool written = pending.Temporary() && write(pending.Temporary());
    const Transfer result = pending.Commit(written);
    if (kept) *kept = pending.Kept();
    return result;
}

Transfer CopyFileSafely(const wchar_t* source, const wchar_t* target, bool replace, std::wstring* kept) {
    if (!FileExists(source)) return Transfer::SourceGone;
    if (SamePath(source, target)) return Transfer::Done;   // the file is already there
    ULONGLONG sourceSize = 0;
    if (!SizeOf(source, sourceSize)) return Transfer::Failed;
    PendingFile pending(target, replace);
    const bool copied = pending.Temporary() && CopyBytes(source, pending.Temporary());
    const Transfer result = pending.Commit(copied, sourceSize);
    if (kept) *kept = pending.Kept();
    return result;
}

Transfer MoveFileSafely(const wchar_t* source, const wchar_t* target, bool replace, std::wstring* kept) {
    if (!FileExists(source)) return Transfer::SourceGone;
    if (!TargetUsable(target)) return Transfer::TargetUnusable;
    const bool itself = SamePath(source, target);   // a new case for the same name
    if (!itself && FileExists(target)) {
        if (!replace || (GetFileAttributesW(target) & FILE_ATTRIBUTE_READONLY)) return Transfer::Failed;
    }
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!StepFails(FileStep::Rename, source, target) && MoveFileExW(source, target, flags)) return Transfer::Done;
        error = GetLastError();
        if (!Passing(error)) break;
        Sleep(kPauseMs);
    }
    if (error != ERROR_NOT_SAME_DEVICE) return Transfer::Failed;

    // Another volume: copy, flush, check and put the copy in place, and only
    // then delete the source. A source that could not be deleted is refused
    // before anything is written.
    if (!Deletable(source)) return Transfer::Failed;
    const bool targetExisted = FileExists(target);
    const Transfer copied = CopyFileSafely(source, target, replace, kept);
    if (copied != Transfer::Done) return copied;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!StepFails(FileStep::DeleteSource, source) && DeleteFileW(source)) return Transfer::Done;
        if (!Passing(GetLastError())) break;
        Sleep(kPauseMs);
    }
    if (!FileExists(source)) return Transfer::Done;   // gone all the same
    // The source is whole where it was: a copy that replaced nothing is taken
    // back; one that replaced a file stays, and the result says both are there.
    if (!targetExisted && !StepFails(FileStep::RemoveCopy, target) && DeleteFileW(target)) return Transfer::Failed;
    return Transfer::SourceKept;
}
