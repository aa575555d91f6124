// What a picture file's first bytes tell before any decoder sees them: its
// format, the pixel size it claims (PNG, GIF, BMP, JPEG, TIFF, WebP, JPEG XL, HEIF) and whether the file
// can hold that many pixels at all, so that empty, unknown and impossible
// files are refused without decoding and absurd sizes are refused before the
// decoder allocates for them. Bounded: reads nothing outside the given bytes.
#pragma once

#include <cstddef>
#include <cstdint>

struct ClaimedSize {
    bool known = false;   // false: not one of the formats above, or the size lies beyond the bytes given
    uint32_t width = 0;
    uint32_t height = 0;
};

ClaimedSize PeekPictureSize(const uint8_t* data, size_t size);

enum class PictureFormat { Unknown, Png, Gif, Bmp, Jpeg, Tiff, Icon, Metafile, Webp, Jxl, Heif };

// The format the signature announces; Unknown for anything the decoder would not take.
PictureFormat FormatOf(const uint8_t* data, size_t size);

enum class HeaderVerdict {
    Decodable,   // worth decoding
    Damaged,     // empty, of no known format, claiming more than the file can hold, or a size no file may have
    TooLarge,    // a size the file may well hold, but more pixels than `pixelLimit`
};

// The verdict on a file of `fileSize` bytes whose first `size` bytes are `head`;
// the size it claims and its format go to `claimed` and `format` when given.
HeaderVerdict JudgeHeader(const uint8_t* head, size_t size, uint64_t fileSize, uint64_t pixelLimit,
                          ClaimedSize* claimed = nullptr, PictureFormat* format = nullptr);

// Whether a PNG (an iCCP chunk before its pixels) or a TIFF (the profile tag of
// its first directory) says it carries a colour profile; false for other
// formats and for bytes that do not say. Bounded, and cheap enough to ask of
// every picture before the profile itself is looked for.
bool NamesColourProfile(const uint8_t* data, size_t size, PictureFormat format);
