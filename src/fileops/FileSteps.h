// The steps by which the program changes a file of the user's, each of which
// a test can make fail. The safe-write module (FileTransfer) and the logs
// (LogFile) ask StepFails() before every step; with no hook set that is one
// test of a null pointer.
//
// No windows here.
#pragma once

#include <windows.h>

enum class FileStep {
    CreateTemp,     // a fresh temporary file beside the target (path: the target)
    Write,          // the new content written into the temporary file (path: the temporary file)
    Copy,           // one block of a copy written into the temporary file (path: temporary, other: source)
    Flush,          // the temporary file's bytes made durable (path: the temporary file)
    Verify,         // the temporary file's size checked against the source's (path: the temporary file)
    Place,          // the temporary file renamed to the target's name, write-through (path: temporary, other: target)
    Rename,         // a move within one volume (path: source, other: target)
    DeleteSource,   // a move across volumes deletes its source once the copy is in place (path: source)
    RemoveCopy,     // that copy taken back when the source could not be deleted (path: the copy)
    LogOpen,        // a log opened for appending (path: the log)
    LogWrite,       // the lines (and a new log's byte-order mark) appended (path: the log)
    Count
};

const wchar_t* StepName(FileStep step);

// Called before each step. Returning 0 lets the step run; anything else is
// taken as the step's failure with that system error code (the step is not
// run). A hook may change the files first, to leave what another program
// does meanwhile (a target deleted, a copy cut short).
using FileStepHook = DWORD (*)(FileStep step, const wchar_t* path, const wchar_t* other);

// For tests only: the program never sets a hook. Returns the previous one.
FileStepHook SetFileStepHook(FileStepHook hook);

namespace filesteps {
extern FileStepHook g_hook;
DWORD Ask(FileStep step, const wchar_t* path, const wchar_t* other);
}  // namespace filesteps

// True when a test's hook fails `step`; the error is then the thread's last error.
inline bool StepFails(FileStep step, const wchar_t* path, const wchar_t* other = nullptr) {
    return filesteps::g_hook && filesteps::Ask(step, path, other) != 0;
}
