// One exhibit record: a picture's path and its three file times.
#pragma once

#include <windows.h>

#include <string>

struct ImageEntry {
    std::wstring path;   // as found; a shortcut's own path, never its target
    FILETIME created{};
    FILETIME modified{};
    FILETIME accessed{};
};
