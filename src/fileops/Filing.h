// The file work of filing a picture away, without windows: archive, copy into
// a folder, copy or move to a chosen path, recycle, and taking an operation
// back. Each takes paths and settings, does what is done on disk and says how
// it went; the viewer and the Catalog ask the user first, and tell the user
// and update the exhibit afterwards.
//
// No windows here (an owner window is only passed on to the shell).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "fileops/FileTransfer.h"
#include "fileops/UndoStack.h"

// The identity and state of the file at `path` now; `known` false when it cannot be read.
FileIdentity IdentityOf(const wchar_t* path);

// The path as the file system stores it: trailing dots and blanks of its
// names dropped, "." and ".." resolved. Unchanged when it cannot be made.
std::wstring NameOnDisk(const std::wstring& path);

// One line of archived.log for `source` moved to `target` in `folder`: the
// folder when the file kept its name, else the new path, so the log always
// tells where the file went.
std::wstring ArchiveLine(const std::wstring& source, const std::wstring& folder, const std::wstring& target);

enum class Filed {
    Done,
    NoName,   // no free name in the target folder, or the name does not fit
    Failed,   // the system refused: the source is as it was
};

struct FilingOutcome {
    Filed result = Filed::Failed;
    Transfer transfer = Transfer::Failed;   // what the last copy or move said
    bool logFailed = false;                 // the log line could not be written
    std::wstring target;   // where the file or its copy now is (Done; KeptAside: the temporary name)
    UndoRecord record;     // what takes the operation back (Done; index and entry left to the caller)
};

// A record for a file an operation made at `path` (`created`: no file had the name before).
UndoRecord MadeRecord(UndoKind kind, const std::wstring& path, bool created);

// A copy of `source` in `folder` under a free name; nothing is ever replaced.
FilingOutcome CopyIntoFolder(const std::wstring& source, const std::wstring& folder);
// `source` moved into `folder` under a free name, and logged in `log` (when
// not null) once it is there.
FilingOutcome ArchiveInto(const std::wstring& source, const std::wstring& folder, const wchar_t* log);
// `source` copied or moved to `chosen` (as the file system names it), a file
// there replaced: the user has agreed to that.
FilingOutcome CopyOrMoveTo(const std::wstring& source, const std::wstring& chosen, bool move);

// Recycles each path where its drive has a recycle bin, and deletes the
// others for ever (the caller has asked the user about those). `quiet` keeps
// the shell's own questions away. Answers the paths still there afterwards;
// `aborted` tells whether the user stopped the shell.
std::vector<std::wstring> RecycleOrDelete(const std::vector<std::wstring>& paths, HWND owner, bool quiet,
                                          bool* aborted = nullptr);

// What is known of a record's files now.
UndoFacts FactsOf(const UndoRecord& record);

struct UndoOutcome {
    UndoVerdict verdict = UndoVerdict::Go;
    bool done = false;    // the operation was taken back
    bool toBin = false;   // a made file went to the recycle bin (else it was deleted)
    bool logFailed = false;   // the log line of the way back could not be written
};

// Takes `record` back when JudgeUndo allows it: a moved file goes back to its
// name (logged in `log` for an archive move, when not null); a file made here
// goes to the recycle bin, or, on a drive without one, is deleted once it is
// proved to be that very file.
UndoOutcome TakeBack(const UndoRecord& record, const wchar_t* log);
