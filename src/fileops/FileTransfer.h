// The one way the program writes, copies and moves the user's files (pictures,
// settings, the wallpaper file; the logs, which are only appended to, are in
// LogFile). Every new content goes first to a temporary file beside the
// target, is flushed to the disk, checked, and only then renamed into place,
// write-through; so a crash, a full disk or a refused step leaves the old file
// or the new one complete, never neither, and the only complete copy of
// anything is never deleted. A move across volumes copies, flushes, checks
// the size, puts the copy in place, and only then deletes its source. Each
// result says what is true afterwards.
//
// Each step can be made to fail by a test (fileops/FileSteps.h).
//
// No windows here.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

enum class Transfer {
    Done,
    SourceGone,       // the file to copy or move is not there
    TargetUnusable,   // the path is too long, or its folder missing or not a folder
    Failed,           // the system refused (access, disk full, sharing...): the old target (or none) is
                      // as it was, the source too, and no temporary file is left
    SourceKept,       // a move across volumes put the copy in place (replacing the old target) but could not
                      // delete its source: the file is now in both places
    KeptAside,        // the old target went meanwhile (another program) and the new content could not
                      // take its name: it is complete under the temporary name given in `kept`
};

// Whether `path` can name a file in a 260-character buffer.
bool PathFits(const wchar_t* path);
// Whether `path`'s folder exists as a folder and the path fits.
bool TargetUsable(const wchar_t* path);
// Whether two paths name the same file (the same full path in any case).
bool SamePath(const wchar_t* a, const wchar_t* b);
// Whether the file exists (anything but a folder).
bool FileExists(const wchar_t* path);

// Copies `source` to `target`; an existing target is replaced only with
// `replace` (without it the name is claimed atomically: a file that took it
// meanwhile is never replaced). The copy keeps the source's times and counts
// only when its size is the source's.
Transfer CopyFileSafely(const wchar_t* source, const wchar_t* target, bool replace, std::wstring* kept = nullptr);
// Moves `source` to `target`, across volumes too; an existing target is
// replaced only with `replace`. On Failed the source is untouched.
Transfer MoveFileSafely(const wchar_t* source, const wchar_t* target, bool replace, std::wstring* kept = nullptr);
// Lets `write` make the file under a temporary name beside `target`, then
// flushes it and puts it in place (replacing an existing target only with
// `replace`). A false from `write` abandons it.
Transfer WriteFileSafely(const wchar_t* target, bool replace,
                         const std::function<bool(const wchar_t* temporary)>& write, std::wstring* kept = nullptr);

// The same in two calls, for a writer that cannot be a function: the
// temporary file is made at once, the caller writes and closes it, and
// Commit puts it in place. An uncommitted one is removed when it goes.
class PendingFile {
public:
    PendingFile(const wchar_t* target, bool replace);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // The temporary file to write to; null when none could be made (a target
    // that may not be replaced, a folder that takes no file).
    const wchar_t* Temporary() const { return temporary_.empty() ? nullptr : temporary_.c_str(); }
    // `written` false (the writer failed) abandons the file. Otherwise it is
    // flushed, its size checked against `expectedSize` (when not ~0), and put in
    // place. The writer's handles must be closed.
    Transfer Commit(bool written, unsigned long long expectedSize = ~0ull);
    // Where a KeptAside result left the new content.
    const std::wstring& Kept() const { return kept_; }

private:
    void Discard();
    std::wstring target_;
    std::wstring temporary_;
    std::wstring kept_;
    Transfer refused_ = Transfer::Failed;
    bool replace_ = false;
};
