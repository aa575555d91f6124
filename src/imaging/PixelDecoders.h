// The decoders of our own, each chosen by the signature of the file it reads:
// what one is asked for, what it gives back, and the table that names the
// decoder of each format. A format without a row here is decoded by GDI+.
// Adding a decoder is one file with its decode function and one row of the
// table. No windows, no GDI+: any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/PictureHeader.h"

struct DecodedPixels;

struct PixelRequest {
    // The size the picture is shown at, 0 x 0 for its full size. A decoder
    // that can decode smaller for nothing decodes no smaller than this.
    uint32_t targetWidth = 0;
    uint32_t targetHeight = 0;
    // The target is given as the picture shows once turned upright, and the
    // caller will turn it a quarter (EXIF orientations 5 to 8): the target's
    // sides are swapped before they are compared with the stored picture.
    // Turning the pixels stays the caller's job.
    bool quarterTurned = false;
    // The most pixels the picture may have at its full size: more is
    // TooLarge, refused from the header before anything is allocated.
    uint64_t pixelLimit = 0;
    // Told, by a decoder that can, as its rows come out final, top down: rows
    // [0, rows) of `pixels` are done (the picture's colours may be converted
    // meanwhile). Not told of pixels still to be changed after the last row.
    void (*rowsDone)(void* context, const DecodedPixels& pixels, uint32_t rows) = nullptr;
    void* rowsContext = nullptr;
};

enum class PixelOutcome {
    Decoded,
    Damaged,    // not of the decoder's format, truncated, or corrupt
    TooLarge,   // the decoded pixels would exceed the caller's pixel budget
};

// Decoded pixels, in a buffer of ours (freed by delete[]) or in one a library
// allocated, given back to it through `release` when the pixels go: a decoder
// that converts the library's pixels where they lie saves the first touch of
// a second buffer, which costs as much as the conversion on a large picture.
// A buffer is always given whole with its release, never by reset(), which
// would keep the release of the pixels it held before.
struct PixelRelease {
    void (*release)(void* owner) = nullptr;
    void* owner = nullptr;
    void operator()(uint8_t* pixels) const {
        if (release) release(owner);
        else delete[] pixels;
    }
};
using PixelBuffer = std::unique_ptr<uint8_t[], PixelRelease>;

struct DecodedPixels {
    PixelOutcome outcome = PixelOutcome::Damaged;
    PixelBuffer pixels;                  // height rows of width * 4 bytes: B, G, R, A premultiplied
    uint32_t width = 0;                  // decoded
    uint32_t height = 0;
    uint32_t fullWidth = 0;              // the picture's own size (also known when TooLarge)
    uint32_t fullHeight = 0;
    int bitsPerPixel = 0;                // of the picture as stored
    int scaleDenominator = 1;            // decoded at 1 / this of the full size
    std::vector<uint8_t> iccProfile;     // the embedded colour profile, empty without one

    size_t Stride() const { return size_t(width) * 4; }
};

// Room for `width` x `height` decoded pixels in `out`, which takes that size;
// false when there is none (then TooLarge) or the size is empty or absurd.
bool AllocatePixels(DecodedPixels& out, uint32_t width, uint32_t height);

using PixelDecoder = DecodedPixels (*)(const uint8_t* bytes, size_t size, const PixelRequest& request);
// The EXIF orientation (1 to 8) the bytes carry, 0 without one; read before
// the decode, since the size a picture is wanted at depends on it.
using OrientationReader = int (*)(const uint8_t* bytes, size_t size);

struct PixelDecoderRow {
    PictureFormat format;
    PixelDecoder decode;
    OrientationReader orientation;
};

// Our own decoder of `format`; null for the formats GDI+ decodes.
const PixelDecoderRow* PixelDecoderFor(PictureFormat format);
