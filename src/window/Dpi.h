// The DPI of the monitor a window is on, and the status font at a DPI.
#pragma once

#include <windows.h>

#include <cstdint>

// The window's DPI (the system's when the system cannot tell per window).
uint32_t WindowDpi(HWND window);
// The system's status-bar font at `dpi`.
LOGFONTW StatusFontFor(uint32_t dpi);
// A system metric at `dpi`.
int MetricFor(int index, uint32_t dpi);
// The window rectangle around the client rectangle `rect`, with the frame at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, uint32_t dpi);
