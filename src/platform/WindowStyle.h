// Turning window style bits on and off.
#pragma once

#include <windows.h>

// The caption and sizing frame (gone in crop and full screen) and the system
// menu with its boxes (the decorate setting).
constexpr LONG_PTR kFrameStyles = WS_CAPTION | WS_THICKFRAME;
constexpr LONG_PTR kBoxStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Sets or clears `bits` in the style word `which` (GWL_STYLE or GWL_EXSTYLE).
inline void SetStyleBits(HWND window, int which, LONG_PTR bits, bool on) {
    const LONG_PTR style = GetWindowLongPtrW(window, which);
    SetWindowLongPtrW(window, which, on ? (style | bits) : (style & ~bits));
}
