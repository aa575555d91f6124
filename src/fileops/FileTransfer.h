// Copying, moving and writing the user's files so that nothing is ever left
// half done. A copy or a new file is written under a temporary name in the
// target folder and renamed at the end, so a full disk or a failed write never
// leaves a truncated file under the chosen name, nor destroys the file it was
// to replace. A move across volumes copies, checks the size, and deletes the
// source only when the copy is in place.
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
    Failed,           // the system refused (access, disk full, sharing...)
};

// Whether `path` can name a file in a 260-character buffer.
bool PathFits(const wchar_t* path);
// Whether `path`'s folder exists as a folder and the path fits.
bool TargetUsable(const wchar_t* path);
// Whether two paths name the same file (the same full path in any case).
bool SamePath(const wchar_t* a, const wchar_t* b);
// Whether the file exists (anything but a folder).
bool FileExists(const wchar_t* path);

// Copies `source` to `target`; an existing target is replaced only with `replace`.
Transfer CopyFileSafely(const wchar_t* source, const wchar_t* target, bool replace);
// Moves `source` to `target`, across volumes too; an existing target is
// replaced only with `replace`. On failure the source is untouched.
Transfer MoveFileSafely(const wchar_t* source, const wchar_t* target, bool replace);
// Lets `write` make the file under a temporary name beside `target`, then
// puts it in place (replacing an existing target only with `replace`). The
// temporary file is removed whatever happens.
Transfer WriteFileSafely(const wchar_t* target, bool replace, const std::function<bool(const wchar_t* temporary)>& write);
