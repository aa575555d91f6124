// A JPEG XL held in memory, bare codestream or container, decoded with libjxl
// at its full size: the library cannot decode smaller, so the size a picture
// is shown at does not matter here. The result is premultiplied 32-bit BGRA
// rows, top-down, already turned upright by the orientation in the
// codestream's header, with the picture's full size, its bit depth and its
// colour profile. An animation gives its first frame. A damaged or truncated
// file fails as a whole, never as a partly drawn picture. No windows, no
// GDI+: any thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/PixelDecoders.h"

// Decodes the first frame whole. The library holds a plane of 4 bytes a pixel
// for each channel (an animation two: the frame and the canvas it is laid on),
// so each channel counts as many pixels against the budget as ours do, and
// the budget is checked as soon as the header is read. Pictures of more than
// 8 bits a sample are rounded to 8. Bits per pixel as stored: the colour
// channels' and the alpha channel's.
DecodedPixels DecodeJxl(const uint8_t* bytes, size_t size, const PixelRequest& request);

// Always 0: the library turns the picture by the codestream's orientation
// itself, and an EXIF block in the container does not count.
int OrientationFromJxl(const uint8_t* bytes, size_t size);
