// One exhibit record: a picture's path, its three file times and the size
// the folder scan saw.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct ImageEntry {
    std::wstring path;   // as found; a shortcut's own path, never its target
    FILETIME created{};
    FILETIME modified{};
    FILETIME accessed{};
    uint64_t scannedSize = kSizeUnknown;   // bytes, as the scan found them (of a shortcut's target)
    static constexpr uint64_t kSizeUnknown = ~0ull;
};
