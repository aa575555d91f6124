// Where a picture sits in its thumbnail box, and when a camera's own
// thumbnail may stand for the picture: the Catalog's thumbnail rules.
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

// Whether the thumbnail a camera embedded, tw x th, may stand for a picture
// stored at pw x ph in a box of `box`: it fills the box with its longer side,
// and it has the picture's shape, within the one pixel a camera rounds its
// shorter side by. A letterboxed one (black bars) or one left over from before
// an edit that changed the picture's shape does not.
bool EmbeddedThumbnailServes(uint32_t tw, uint32_t th, uint32_t pw, uint32_t ph, int32_t box);
