// A WebP held in memory decoded with libwebp, lossy or lossless, straight at
// the size it is shown at: the library scales while it decodes, so a large
// picture on a small screen never takes its full size in BGRA. The result is
// premultiplied 32-bit BGRA rows, top-down, with the picture's full size, its
// bit depth and its embedded colour profile. An animation gives its first
// frame, at the canvas's full size. A damaged or truncated file fails as a
// whole, never as a partly drawn picture. No windows, no GDI+: any thread may
// call it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/PixelDecoders.h"

struct WebpSize {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const WebpSize&) const = default;
};

// The least size of the fullWidth x fullHeight picture's shape that is still
// at least targetWidth x targetHeight (each side rounded up); the full size
// when the target is as large or larger on either side, or has a zero side.
WebpSize WebpScaledSize(uint32_t fullWidth, uint32_t fullHeight, uint32_t targetWidth, uint32_t targetHeight);

// Decodes at the least size that covers the request's target. Lossless
// pictures and animations are worked on at their full size whatever they
// are decoded at (4 and 8 bytes a pixel), so the budget is checked against
// the full size. 32 bits a pixel with alpha, 24 without.
DecodedPixels DecodeWebp(const uint8_t* bytes, size_t size, const PixelRequest& request);

// The EXIF orientation (1 to 8) of a WebP's EXIF chunk, 0 without one.
int ExifOrientationFromWebp(const uint8_t* bytes, size_t size);
