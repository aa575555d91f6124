// The recycle bin: whether a drive has one, and sending files to it.
// Network and removable drives have none, and there the shell's "recycle"
// silently deletes for ever, so every caller asks first.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Whether deleting on the drive of `path` can go to a recycle bin.
bool HasRecycleBin(const wchar_t* path);

// Sends `paths` to the recycle bin through the shell (no dialogs of its own
// beyond the shell's, owned by `owner`; with `quiet` the shell asks nothing,
// except before deleting a file for ever that it cannot recycle). True when
// the shell carried the operation out; `aborted` tells whether the user
// stopped it. The caller checks afterwards which files are really gone.
bool SendToRecycleBin(const std::vector<std::wstring>& paths, HWND owner, bool* aborted = nullptr, bool quiet = false);
