// The colour profile of a picture as Windows Imaging Component reads it: for
// the formats GDI+ decodes (PNG's iCCP chunk, a TIFF's profile tag) when GDI+
// itself does not hand the profile over. Any thread: COM is started on it for
// the call when it has not been.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <vector>

// The ICC profile of the first frame of the picture in `stream` (read from
// its start through a clone, so the stream's own position stays); empty
// without one or when it cannot be read.
std::vector<uint8_t> WicColourProfile(IStream* stream);
