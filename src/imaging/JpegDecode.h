// A JPEG held in memory decoded with libjpeg-turbo straight at the size it is
// shown at: the inverse DCT scales by 1/2, 1/4 or 1/8 for nothing, so a camera
// picture shown on a screen is decoded at a fraction of its full cost. The
// result is 32-bit BGRA rows, top-down (what a GDI+ bitmap of
// PixelFormat32bppRGB or 32bppARGB takes as is), with the picture's full size,
// its bit depth and its embedded colour profile. A damaged file fails as a
// whole: a premature end of the data or corrupt entropy-coded data is never
// turned into a partly grey picture. No windows, no GDI+: any thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/PixelDecoders.h"

// The denominator (1, 2, 4 or 8) of the smallest DCT scale whose result of a
// fullWidth x fullHeight picture is still at least targetWidth x targetHeight;
// a target of 0 x 0 (or one with a zero side) asks for the full size.
int JpegScaleFor(uint32_t fullWidth, uint32_t fullHeight, uint32_t targetWidth, uint32_t targetHeight);

// Decodes at the least DCT scale that covers the request's target. The
// library's working memory (a progressive file keeps all its coefficients) is
// held to 8 bytes a pixel of the pixel limit and a little more; beyond that
// the picture is TooLarge too. The pixels are opaque; 8 bits per stored
// component: 8 grey, 24 colour, 32 CMYK.
DecodedPixels DecodeJpeg(const uint8_t* bytes, size_t size, const PixelRequest& request);
