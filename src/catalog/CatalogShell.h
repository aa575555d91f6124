// The shell's own objects for files: their verbs and context menu.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/Handles.h"

// A shell object (IContextMenu, IDataObject, IDropTarget...) for files that
// share a folder (or any files, through the desktop folder); false when the
// shell cannot make one (no such file).
bool GetShellObject(const std::vector<std::wstring>& paths, REFIID iid, void** out);
// Runs a shell verb ("cut", "copy", "paste") on the files.
bool InvokeVerb(const std::vector<std::wstring>& paths, const char* verb);
// The shell's context menu for the files at screen point (x, y).
void ShellContextMenu(const std::vector<std::wstring>& paths, int x, int y, HWND owner);

// While it lives, the messages that fill and draw the shell's own submenus
// (Send to, Open with: owner-drawn, filled as they open) reach the context
// menu that made them instead of `owner`, the window the menu is tracked
// for: menu pop-ups opening, menu items measured and drawn, and with the
// third version of the menu the menu keys. A first-version menu takes none.
class ShellMenuMessages {
public:
    ShellMenuMessages(HWND owner, IContextMenu* menu);
    ~ShellMenuMessages();
    ShellMenuMessages(const ShellMenuMessages&) = delete;
    ShellMenuMessages& operator=(const ShellMenuMessages&) = delete;

private:
    static LRESULT CALLBACK Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND owner_ = nullptr;
    WNDPROC previous_ = nullptr;   // the owner's own procedure, back when this goes
    ComPtr<IContextMenu2> menu2_;
    ComPtr<IContextMenu3> menu3_;
};
// Copies or moves files into `folder` through the shell (undo allowed, a
// taken name renamed, never overwritten); true when the shell reports success.
bool ShellCopyOrMove(const std::vector<std::wstring>& files, const std::wstring& folder, bool move, HWND owner);
