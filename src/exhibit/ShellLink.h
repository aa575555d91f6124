// Shortcut (.lnk) files: the name test, reading a shortcut's target and creating
// shortcuts, on the shell's link object.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "platform/Handles.h"

// True when the name has a last "." and the text from there is ".lnk" in any case.
bool IsShortcut(const wchar_t* name);

// One shell-link object in the calling thread's single-threaded apartment.
// Make it on the stack of the operation (or once per folder scan) and use it on
// that thread only. When the object cannot be created every read answers false
// and every creation fails.
class ShellLink {
public:
    ShellLink();
    ~ShellLink();
    ShellLink(const ShellLink&) = delete;
    ShellLink& operator=(const ShellLink&) = delete;

    // Loads the shortcut at `path` and copies its target into `target`
    // (kLinkPathSize characters). With `resolve` the shell may look for a moved
    // target, without any window and without a network search, and may update
    // the shortcut file. On success `findData` holds the target's attributes,
    // times and name as the shortcut stores them. On failure neither `target`
    // nor `findData` is to be used.
    bool Read(const wchar_t* path, wchar_t* target, bool resolve);

    // Writes a shortcut at `linkPath` that points to `target`.
    bool CreateShortcut(const wchar_t* target, const wchar_t* linkPath);

    bool IsReady() const { return static_cast<bool>(file); }

    static constexpr int kLinkPathSize = 260;

    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    WIN32_FIND_DATAW findData{};

private:
    bool comStarted_ = false;
};

// Creates a shortcut to `path` in `folder`, named after the last component of
// `path` plus ".lnk" and numbered when that name is taken (beach.jpg.lnk, then
// beach.jpg-01.lnk ...). `linkPath` (260 characters) receives the name used.
// False when no free name fits or the shortcut could not be written.
bool CreateShortcutIn(const wchar_t* folder, const wchar_t* path, wchar_t* linkPath);
