// The pixel size a picture file claims in its header (PNG, GIF, BMP, JPEG),
// read before decoding so that absurd sizes are refused before the decoder
// allocates for them. Bounded: reads nothing outside the given bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct ClaimedSize {
    bool known = false;   // false: not one of the formats above, or the size lies beyond the bytes given
    uint32_t width = 0;
    uint32_t height = 0;
};

ClaimedSize PeekPictureSize(const uint8_t* data, size_t size);
