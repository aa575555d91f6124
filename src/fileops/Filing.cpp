#include "fileops/Filing.h"

#include "fileops/FileTransfer.h"
#include "fileops/LogFile.h"
#include "fileops/RecycleBin.h"
#include "fileops/UniqueName.h"
#include "platform/Handles.h"
#include "platform/Paths.h"

namespace {

FileIdentity IdentityOfHandle(HANDLE file) {
    FileIdentity identity;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return identity;
    identity.known = true;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    identity.size = (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    identity.written = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    return identity;
}

std::wstring NameOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Deletes the file at `path` only when it is the file `expected` describes,
// as it was: the check and the delete go through one handle, so no file put
// there in between is taken.
bool DeleteIfSame(const std::wstring& path, const FileIdentity& expected) {
    UniqueHandle file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    const FileIdentity now = IdentityOfHandle(file.Get());
    if (!now.SameFile(expected) || !now.SameState(expected)) return false;
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Whether `path` could be deleted now: a file another program holds open
// without sharing is not handed to the shell, which might offer to delete
// for ever what it cannot recycle.
bool Deletable(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file);
}

// Copies or moves `source` to a free name in `folder`. A name another
// program takes between the choice and the copy is not replaced: the next
// free name is tried once more.
FilingOutcome IntoFolder(const std::wstring& source, const std::wstring& folder, bool move) {
    FilingOutcome outcome;
    wchar_t target[kPathSize];
    if (!NameInFolder(folder.c_str(), source.c_str(), L"", target)) return outcome;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!MakeUniqueName(target)) {
            outcome.result = Filed::NoName;
            return outcome;
        }
        std::wstring kept;
        const Transfer done = move ? MoveFileSafely(source.c_str(), target, false, &kept)
                                   : CopyFileSafely(source.c_str(), target, false, &kept);
        outcome.transfer = done;
        if (done == Transfer::KeptAside) outcome.target = kept;
        if (done == Transfer::Done) {
            outcome.result = Filed::Done;
            outcome.target = target;
            return outcome;
        }
        if (!IsNameTaken(target)) break;   // refused for another reason
    }
    return outcome;
}

}  // namespace

FileIdentity IdentityOf(const wchar_t* path) {
    // Reading attributes only: a file another program holds open without
    // sharing can still be told.
    UniqueHandle file(CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    return file ? IdentityOfHandle(file.Get()) : FileIdentity{};
}

std::wstring NameOnDisk(const std::wstring& path) {
    wchar_t full[kPathSize];
    const DWORD length = GetFullPathNameW(path.c_str(), kPathSize, full, nullptr);
    return length > 0 && length < DWORD(kPathSize) ? std::wstring(full, length) : path;
}

std::wstring ArchiveLine(const std::wstring& source, const std::wstring& folder, const std::wstring& target) {
    return source + L" -> " + (NameOf(target) == NameOf(source) ? folder : target);
}

UndoRecord MadeRecord(UndoKind kind, const std::wstring& path, bool created) {
    UndoRecord record;
    record.kind = kind;
    record.now = path;
    record.created = created;
    record.identity = IdentityOf(path.c_str());
    return record;
}

FilingOutcome CopyIntoFolder(const std::wstring& source, const std::wstring& folder) {
    FilingOutcome outcome = IntoFolder(source, folder, false);
    if (outcome.result == Filed::Done) outcome.record = MadeRecord(UndoKind::Copy, outcome.target, true);
    return outcome;
}

FilingOutcome ArchiveInto(const std::wstring& source, const std::wstring& folder, const wchar_t* log) {
    FilingOutcome outcome = IntoFolder(source, folder, true);
    if (outcome.result != Filed::Done) return outcome;
    outcome.logFailed = log && !AppendLogLine(log, ArchiveLine(source, folder, outcome.target).c_str());
    outcome.record = MadeRecord(UndoKind::Archive, outcome.target, false);
    outcome.record.original = source;
    return outcome;
}

FilingOutcome CopyOrMoveTo(const std::wstring& source, const std::wstring& chosen, bool move) {
    FilingOutcome outcome;
    const std::wstring target = NameOnDisk(chosen);
    const bool created = !FileExists(target.c_str());
    std::wstring kept;
    const Transfer done = move ? MoveFileSafely(source.c_str(), target.c_str(), true, &kept)
                               : CopyFileSafely(source.c_str(), target.c_str(), true, &kept);
    outcome.transfer = done;
    outcome.target = done == Transfer::KeptAside ? kept : target;
    if (done != Transfer::Done) return outcome;
    outcome.result = Filed::Done;
    outcome.record = MadeRecord(move ? UndoKind::MoveRename : UndoKind::Copy, target, created);
    if (move) outcome.record.original = source;
    return outcome;
}

std::vector<std::wstring> RecycleOrDelete(const std::vector<std::wstring>& paths, HWND owner, bool quiet, bool* aborted) {
    if (aborted) *aborted = false;
    std::vector<std::wstring> toBin;
    for (const std::wstring& path : paths)
        if (HasRecycleBin(path.c_str()) && Deletable(path)) toBin.push_back(path);
    if (!toBin.empty()) SendToRecycleBin(toBin, owner, aborted, quiet);
    std::vector<std::wstring> left;
    for (const std::wstring& path : paths) {
        if (!HasRecycleBin(path.c_str()) && !(aborted && *aborted)) DeleteFileW(path.c_str());
        if (FileExists(path.c_str())) left.push_back(path);
    }
    return left;
}

UndoFacts FactsOf(const UndoRecord& record) {
    UndoFacts facts;
    facts.nowExists = FileExists(record.now.c_str());
    const FileIdentity now = IdentityOf(record.now.c_str());
    facts.sameFile = now.SameFile(record.identity);
    facts.nowUnchanged = now.known && now.SameState(record.identity);
    const bool moved = record.kind == UndoKind::Archive || record.kind == UndoKind::MoveRename;
    facts.originalTaken =
        moved && IsNameTaken(record.original.c_str()) && !SamePath(record.original.c_str(), record.now.c_str());
    return facts;
}

UndoOutcome TakeBack(const UndoRecord& record, const wchar_t* log) {
    UndoOutcome outcome;
    outcome.verdict = JudgeUndo(record, FactsOf(record));
    if (outcome.verdict != UndoVerdict::Go) return outcome;
    if (record.kind == UndoKind::Archive || record.kind == UndoKind::MoveRename) {
        if (MoveFileSafely(record.now.c_str(), record.original.c_str(), false) != Transfer::Done) return outcome;
        // The log keeps its one rule, one line a move: the way back is a move too.
        if (record.kind == UndoKind::Archive && log)
            outcome.logFailed =
                !AppendLogLine(log, ArchiveLine(record.now, FolderPart(record.original), record.original).c_str());
        outcome.done = true;
        return outcome;
    }
    outcome.toBin = HasRecycleBin(record.now.c_str());
    if (outcome.toBin) {
        if (!Deletable(record.now)) return outcome;
        SendToRecycleBin({record.now}, nullptr, nullptr, true);
        outcome.done = !FileExists(record.now.c_str());
    } else {
        outcome.done = DeleteIfSame(record.now, record.identity);
    }
    return outcome;
}
