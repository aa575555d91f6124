// The shell's own objects for files: their verbs and context menu.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

// A shell object (IContextMenu, IDataObject, IDropTarget...) for files that
// share a folder (or any files, through the desktop folder); false when the
// shell cannot make one (no such file).
bool GetShellObject(const std::vector<std::wstring>& paths, REFIID iid, void** out);
// Runs a shell verb ("cut", "copy", "paste") on the files.
bool InvokeVerb(const std::vector<std::wstring>& paths, const char* verb);
// The shell's context menu for the files at screen point (x, y).
void ShellContextMenu(const std::vector<std::wstring>& paths, int x, int y, HWND owner);
// Copies or moves files into `folder` through the shell (undo allowed, a
// taken name renamed, never overwritten); true when the shell reports success.
bool ShellCopyOrMove(const std::vector<std::wstring>& files, const std::wstring& folder, bool move, HWND owner);
