// Whether the program runs under Wine, for the few places where Wine's shell
// does less than it says and a fallback of our own takes over.
#pragma once

#include <windows.h>

inline bool RunningOnWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr;
    return wine;
}
