// The keyboard state a command reads when it runs.
#pragma once

#include <windows.h>

// The key is down at the time of the message being handled.
inline bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }
