// The dialog that chooses the show/hide hotkey, and the key names it shows.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kKeyNameSize = 10;   // key names, terminator included

// The hotkey as the viewer holds it; the dialog edits it in place.
struct HotkeyRecord {
    HWND target;          // the window the hotkey is registered for
    int32_t modifiers;    // hidemod
    int32_t key;          // hidekey
    int id;               // the hotkey identifier
    bool registered;      // hotkeyRegistered
};

// Whether `vk` may be the hotkey; when it may, `buffer` (kKeyNameSize
// characters) holds its name, otherwise it is emptied.
bool KeyNameFor(UINT vk, wchar_t* buffer);

// Runs the modal hotkey dialog owned by `owner`. Returns true when a new
// combination was registered and stored in `record`.
bool HotkeyDialog(HWND owner, HotkeyRecord& record);
