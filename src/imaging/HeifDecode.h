// An HEIF file held in memory (an HEIC coded in HEVC, an AVIF in AV1)
// decoded with libheif: its primary picture, not its thumbnails nor its depth
// or other auxiliary pictures, whole when it is a grid of tiles, and turned,
// mirrored and cropped as its container says. The result is premultiplied
// 32-bit BGRA rows, top-down, with the picture's size as shown, its bit depth
// and its embedded colour profile; pictures of 10 or 12 bits are rounded to
// 8. A damaged or truncated file fails as a whole. No windows, no GDI+: any
// thread may call it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/PixelDecoders.h"

// The library decodes at the full size only: the target of the request is
// not used, and the picture is shrunk afterwards like any other. While it
// works the library holds the coded planes and an RGB picture beside ours,
// so the budget is checked before anything is decoded against 3 pixels a
// pixel of an 8-bit picture and 5 of a deeper one, the picture being the
// largest of its shown size, its grid and the coded size of its HEVC
// parameter sets or AV1 sequence headers; the library's own ceiling on a
// side is lowered to the budget. Bits per pixel are those of
// the luma samples times the channels: 24 or 32 (alpha), 30 or 40 for 10 bits.
DecodedPixels DecodeHeif(const uint8_t* bytes, size_t size, const PixelRequest& request);

// 0, always: the container's turn and mirror are applied while decoding and
// they are the ones that count. An EXIF orientation beside them only repeats
// them for other readers, and applied on top it would turn the picture twice.
int HeifOrientation(const uint8_t* bytes, size_t size);
