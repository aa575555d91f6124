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
#include <memory>
#include <vector>

// The denominator (1, 2, 4 or 8) of the smallest DCT scale whose result of a
// fullWidth x fullHeight picture is still at least targetWidth x targetHeight;
// a target of 0 x 0 (or one with a zero side) asks for the full size.
int JpegScaleFor(uint32_t fullWidth, uint32_t fullHeight, uint32_t targetWidth, uint32_t targetHeight);

enum class JpegOutcome {
    Decoded,
    Damaged,    // not a JPEG, truncated, or corrupt
    TooLarge,   // the decoded pixels would exceed the caller's pixel budget
};

struct JpegRequest {
    // The size the picture is shown at, 0 x 0 for its full size.
    uint32_t targetWidth = 0;
    uint32_t targetHeight = 0;
    // The target is given as the picture shows once turned upright, and the
    // caller will turn it a quarter (EXIF orientations 5 to 8): the target's
    // sides are swapped before they are compared with the stored picture.
    // Turning the pixels stays the caller's job.
    bool quarterTurned = false;
    // The most pixels the picture may have at its full size (the size a zoom
    // to 100% decodes): more is TooLarge, refused from the header before
    // anything is allocated. The library's working memory (a progressive
    // file keeps all its coefficients) is held to 8 bytes a pixel of it and
    // a little more; beyond that the picture is TooLarge too.
    uint64_t pixelLimit = 0;
};

struct JpegPicture {
    JpegOutcome outcome = JpegOutcome::Damaged;
    std::unique_ptr<uint8_t[]> pixels;   // height rows of width * 4 bytes: B, G, R, 255
    uint32_t width = 0;                  // decoded
    uint32_t height = 0;
    uint32_t fullWidth = 0;              // the picture's own size (also known when TooLarge)
    uint32_t fullHeight = 0;
    int bitsPerPixel = 0;                // 8 per stored component: 8 grey, 24 colour, 32 CMYK
    int scaleDenominator = 1;            // decoded at 1 / this of the full size
    std::vector<uint8_t> iccProfile;     // the embedded colour profile, empty without one

    size_t Stride() const { return size_t(width) * 4; }
};

JpegPicture DecodeJpeg(const uint8_t* bytes, size_t size, const JpegRequest& request);
