// Where a picture sits in its thumbnail box: the Catalog's sizing rule.
// No windows here.
#pragma once

#include <cstdint>

struct ThumbPlace {
    int32_t x = 0, y = 0;   // offset inside the box
    int32_t w = 0, h = 0;   // drawn size; 0 x 0 when there is nothing to draw
};

// A picture of width x height in a box of `box` x `box` pixels: one smaller
// than the box both ways keeps its size; else its longer side becomes the
// box's and the other follows (integer division, at least one pixel);
// centred either way.
ThumbPlace FitThumbnail(uint32_t width, uint32_t height, int32_t box);
