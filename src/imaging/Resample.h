// Shrinking 32-bit pixels by area averaging: each pixel of the result is the
// mean of the source area it covers, partly covered pixels weighed by how much
// of them it covers. What the frame of a picture decoded near its display size
// is drawn with; plain memory in and out, no GDI+.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelRows {
    const uint8_t* pixels = nullptr;   // rows of width * 4 bytes at `stride`
    uint32_t width = 0;
    uint32_t height = 0;
    ptrdiff_t stride = 0;
};

// Shrinks `from` into the w x h rows at `to` (stride `toStride`); every
// channel, alpha included, is averaged alike, so premultiplied pixels stay
// premultiplied. False, and nothing written, unless 0 < w <= from.width and
// 0 < h <= from.height.
bool ShrinkByArea(const PixelRows& from, uint8_t* to, ptrdiff_t toStride, uint32_t w, uint32_t h);
