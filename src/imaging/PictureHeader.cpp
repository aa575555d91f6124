#include "imaging/PictureHeader.h"

#include <algorithm>
#include <cstring>

#include "imaging/HeifBoxes.h"
#include "imaging/MetafileCheck.h"

namespace {

constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t Be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }
uint32_t Le16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t Le24(const uint8_t* p) { return Le16(p) | (uint32_t(p[2]) << 16); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (Le16(p + 2) << 16); }

ClaimedSize Known(uint32_t w, uint32_t h) { return {true, w, h}; }

// The frame header is looked for as the decoder looks for it: stray bytes
// between segments and fill bytes are skipped, and the walk ends at the scan
// data. Each step moves forward, so the walk is linear in the bytes.
ClaimedSize JpegSize(const uint8_t* data, size_t size) {
    size_t pos = 2;
    while (pos < size) {
        while (pos < size && data[pos] != 0xFF) ++pos;
        while (pos < size && data[pos] == 0xFF) ++pos;
        if (pos >= size) return {};
        const uint8_t marker = data[pos++];
        if (marker == 0x00) continue;   // a stuffed zero, no marker
        if (marker == 0xD9 || marker == 0xDA) return {};
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;
        if (size - pos < 2) return {};
        const size_t length = Be16(data + pos);
        if (length < 2 || length > size - pos) return {};
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7) return {};
            return Known(Be16(data + pos + 5), Be16(data + pos + 3));
        }
        pos += length;
    }
    return {};
}

// Width and length from the first directory of a TIFF file.
ClaimedSize TiffSize(const uint8_t* data, size_t size) {
    const bool little = data[0] == 'I';
    const auto u16 = [&](size_t at) { return little ? Le16(data + at) : Be16(data + at); };
    const auto u32 = [&](size_t at) { return little ? Le32(data + at) : Be32(data + at); };
    const uint32_t ifd = u32(4);
    if (ifd < 8 || ifd > size || size - ifd < 2) return {};
    const size_t count = std::min<size_t>(u16(ifd), (size - ifd - 2) / 12);
    ClaimedSize out{false, 0, 0};
    bool width = false, height = false;
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        const uint32_t tag = u16(entry), type = u16(entry + 2);
        if ((tag != 256 && tag != 257) || (type != 3 && type != 4)) continue;
        const uint32_t value = type == 3 ? u16(entry + 8) : u32(entry + 8);
        if (tag == 256) out.width = value, width = true;
        else out.height = value, height = true;
    }
    out.known = width && height;
    return out;
}

// Whether the first directory of a TIFF file holds the ICC profile tag.
bool TiffNamesProfile(const uint8_t* data, size_t size) {
    const bool little = data[0] == 'I';
    const auto u16 = [&](size_t at) { return little ? Le16(data + at) : Be16(data + at); };
    const uint32_t ifd = little ? Le32(data + 4) : Be32(data + 4);
    if (ifd < 8 || ifd > size || size - ifd < 2) return false;
    const size_t count = std::min<size_t>(u16(ifd), (size - ifd - 2) / 12);
    for (size_t i = 0; i < count; ++i)
        if (u16(ifd + 2 + i * 12) == 34675) return true;
    return false;
}

// Whether a PNG has an iCCP chunk before its first image data.
bool PngNamesProfile(const uint8_t* data, size_t size) {
    for (size_t pos = 8; size - pos >= 8;) {
        const uint32_t length = Be32(data + pos);
        const uint8_t* type = data + pos + 4;
        if (std::memcmp(type, "iCCP", 4) == 0) return true;
        if (std::memcmp(type, "IDAT", 4) == 0 || length > size - pos - 8 || size - pos - 8 - length < 4) return false;
        pos += 12 + size_t(length);
    }
    return false;
}

bool IsWebp(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0;
}

// The size the first chunk of a WebP gives: a lossy frame's header (after its
// 3-byte frame tag and start code), a lossless stream's header, or an
// extended file's canvas. Sides of 0 stand for a header no encoder writes.
ClaimedSize WebpSize(const uint8_t* data, size_t size) {
    if (size < 20) return {};
    const uint8_t* chunk = data + 12;
    const uint8_t* body = data + 20;
    if (std::memcmp(chunk, "VP8 ", 4) == 0) {
        if (size < 30) return {};
        if (body[3] != 0x9D || body[4] != 0x01 || body[5] != 0x2A || (body[0] & 1)) return Known(0, 0);
        return Known(Le16(body + 6) & 0x3FFF, Le16(body + 8) & 0x3FFF);
    }
    if (std::memcmp(chunk, "VP8L", 4) == 0) {
        if (size < 25) return {};
        const uint32_t bits = Le32(body + 1);
        if (body[0] != 0x2F || (bits >> 29) != 0) return Known(0, 0);
        return Known((bits & 0x3FFF) + 1, ((bits >> 14) & 0x3FFF) + 1);
    }
    if (std::memcmp(chunk, "VP8X", 4) == 0) {
        if (size < 30) return {};
        return Known(Le24(body + 4) + 1, Le24(body + 7) + 1);
    }
    return Known(0, 0);   // the first chunk must be one of these
}

constexpr uint8_t kJxlContainer[12] = {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', '\r', '\n', 0x87, '\n'};

bool IsJxlCodestream(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 0xFF && data[1] == 0x0A; }
bool IsJxlContainer(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, kJxlContainer, 12) == 0;
}

// A JPEG XL codestream's bits, least significant first; reading past the end
// gives zeros and marks the reader short.
struct JxlBits {
    const uint8_t* data;
    size_t size;
    size_t at = 0;   // in bits
    bool shortOf = false;
    uint32_t Read(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++at) {
            if (at / 8 >= size) {
                shortOf = true;
                return 0;
            }
            value |= uint32_t((data[at / 8] >> (at % 8)) & 1) << i;
        }
        return value;
    }
    // A side of the picture: two bits choose how many bits it takes.
    uint32_t Side() {
        static constexpr int kBits[4] = {9, 13, 18, 30};
        return Read(kBits[Read(2)]) + 1;
    }
};

// The size in the codestream's first header, as the picture shows once
// turned by the orientation that follows it (the decoder applies it).
ClaimedSize JxlCodestreamSize(const uint8_t* data, size_t size) {
    if (!IsJxlCodestream(data, size)) return Known(0, 0);
    // Width over height of the seven ratios a header may name instead of a width.
    static constexpr uint32_t kRatios[8][2] = {{0, 1}, {1, 1}, {12, 10}, {4, 3}, {3, 2}, {16, 9}, {5, 4}, {2, 1}};
    JxlBits bits{data + 2, size - 2};
    const bool small = bits.Read(1);
    const uint32_t height = small ? (bits.Read(5) + 1) * 8 : bits.Side();
    const uint32_t ratio = bits.Read(3);
    const uint32_t width = ratio ? uint32_t(uint64_t(height) * kRatios[ratio][0] / kRatios[ratio][1])
                           : small ? (bits.Read(5) + 1) * 8 : bits.Side();
    int orientation = 1;
    if (!bits.Read(1) && bits.Read(1)) orientation = int(bits.Read(3)) + 1;   // not all default; extra fields
    if (bits.shortOf) return {};
    return orientation > 4 ? Known(height, width) : Known(width, height);
}

// The size a JPEG XL container's codestream claims: the codestream is the body
// of its one "jxlc" box, or the bodies (after a 4-byte index) of its "jxlp" boxes in order.
ClaimedSize JxlContainerSize(const uint8_t* data, size_t size) {
    uint8_t stream[16];
    size_t got = 0, pos = 0;
    while (got < sizeof stream && pos < size && size - pos >= 8) {
        uint64_t length = Be32(data + pos);
        size_t header = 8;
        if (length == 1) {
            if (size - pos < 16) break;
            length = (uint64_t(Be32(data + pos + 8)) << 32) | Be32(data + pos + 12);
            header = 16;
        } else if (length == 0) {
            length = size - pos;   // the last box runs to the end of the file
        }
        if (length < header) return Known(0, 0);
        const bool whole = std::memcmp(data + pos + 4, "jxlc", 4) == 0;
        const bool part = std::memcmp(data + pos + 4, "jxlp", 4) == 0;
        if (whole || part) {
            const size_t skip = header + (part ? 4 : 0);
            const size_t end = size_t(std::min<uint64_t>(length, size - pos));
            for (size_t i = pos + skip; i < pos + end && got < sizeof stream; ++i) stream[got++] = data[i];
            if (whole) break;
        }
        if (length >= size - pos) break;
        pos += size_t(length);
    }
    if (got < 2) return {};
    return JxlCodestreamSize(stream, got);
}

}  // namespace

ClaimedSize PeekPictureSize(const uint8_t* data, size_t size) {
    if (!data) return {};
    if (size >= 24 && std::memcmp(data, kPng, 8) == 0 && std::memcmp(data + 12, "IHDR", 4) == 0)
        return Known(Be32(data + 16), Be32(data + 20));
    if (size >= 10 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return Known(Le16(data + 6), Le16(data + 8));
    if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
        const uint32_t headerSize = Le32(data + 14);
        if (headerSize == 12) return Known(Le16(data + 18), Le16(data + 20));
        int32_t w = int32_t(Le32(data + 18)), h = int32_t(Le32(data + 22));
        // A negative height marks a top-down bitmap.
        if (h < 0) h = h == INT32_MIN ? INT32_MAX : -h;
        if (w < 0) w = w == INT32_MIN ? INT32_MAX : -w;
        return Known(uint32_t(w), uint32_t(h));
    }
    if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) return JpegSize(data, size);
    if (size >= 8 && (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0))
        return TiffSize(data, size);
    if (IsWebp(data, size)) return WebpSize(data, size);
    if (IsJxlCodestream(data, size)) return JxlCodestreamSize(data, size);
    if (IsJxlContainer(data, size)) return JxlContainerSize(data, size);
    if (IsHeifFile(data, size)) {
        const HeifFacts heif = ReadHeifBoxes(data, size, size);
        return heif.sizeKnown ? Known(heif.width, heif.height) : ClaimedSize{};
    }
    return {};
}

PictureFormat FormatOf(const uint8_t* data, size_t size) {
    if (!data || size < 4) return PictureFormat::Unknown;
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0) return PictureFormat::Png;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return PictureFormat::Gif;
    if (data[0] == 'B' && data[1] == 'M') return PictureFormat::Bmp;
    if (data[0] == 0xFF && data[1] == 0xD8) return PictureFormat::Jpeg;
    if (std::memcmp(data, "II*\0", 4) == 0 || std::memcmp(data, "MM\0*", 4) == 0) return PictureFormat::Tiff;
    if (data[0] == 0 && data[1] == 0 && (data[2] == 1 || data[2] == 2) && data[3] == 0) return PictureFormat::Icon;
    if (MetafileKindOf(data, size) != MetafileKind::None) return PictureFormat::Metafile;
    if (IsWebp(data, size)) return PictureFormat::Webp;
    if (IsJxlCodestream(data, size) || IsJxlContainer(data, size)) return PictureFormat::Jxl;
    if (IsHeifFile(data, size)) return PictureFormat::Heif;
    return PictureFormat::Unknown;
}

HeaderVerdict JudgeHeader(const uint8_t* head, size_t size, uint64_t fileSize, uint64_t pixelLimit,
                          ClaimedSize* claimedOut, PictureFormat* formatOut) {
    const PictureFormat format = FormatOf(head, size);
    if (formatOut) *formatOut = format;
    if (fileSize == 0 || format == PictureFormat::Unknown) return HeaderVerdict::Damaged;
    const ClaimedSize claimed = PeekPictureSize(head, size);
    if (claimedOut) *claimedOut = claimed;
    if (format == PictureFormat::Webp) {
        // The RIFF size counts the bytes after it, which the decoder insists on
        // having; a side of 0 or a canvas of 2^32 pixels or more is no WebP.
        const uint64_t riffSize = Le32(head + 4);
        const bool noSide = claimed.known && (claimed.width == 0 || claimed.height == 0);
        if (riffSize < 12 || riffSize + 8 > fileSize || noSide || uint64_t(claimed.width) * claimed.height > UINT32_MAX)
            return HeaderVerdict::Damaged;
    }
    // A JPEG XL side is never 0: 0 stands for a container whose codestream is none.
    if (format == PictureFormat::Jxl && claimed.known && (claimed.width == 0 || claimed.height == 0))
        return HeaderVerdict::Damaged;
    if (format == PictureFormat::Heif) {
        // Its boxes must fit in the file; a side of 0 is no picture.
        const HeifFacts heif = ReadHeifBoxes(head, size, fileSize);
        if (!heif.fits || (claimed.known && (claimed.width == 0 || claimed.height == 0))) return HeaderVerdict::Damaged;
    }
    // The decoder needs a JPEG's frame header before its scan data, a WebP's
    // first chunk and a JPEG XL codestream's size: a whole file without one is no picture.
    const bool sizeFirst =
        format == PictureFormat::Jpeg || format == PictureFormat::Webp || format == PictureFormat::Jxl;
    if (!claimed.known) return sizeFirst && size >= fileSize ? HeaderVerdict::Damaged : HeaderVerdict::Decodable;
    const uint64_t pixels = uint64_t(claimed.width) * claimed.height;
    // The most pixels one byte of the file can stand for, with room to spare:
    // deflate packs at most about 1032:1 and a PNG pixel takes one bit at
    // least; GIF codes stand for at most 4096 pixels in 12 bits; an empty
    // JPEG block of 64 pixels needs at least two bits. Other formats (RLE
    // bitmaps with skips, fax-coded TIFF, a WebP whose every code has a single
    // symbol, a JPEG XL of one colour) have no useful bound.
    uint64_t perByte = 0;
    if (format == PictureFormat::Png) perByte = 9000;
    else if (format == PictureFormat::Gif) perByte = 4096;
    else if (format == PictureFormat::Jpeg) perByte = 1024;
    if (perByte && pixels / perByte > fileSize) return HeaderVerdict::Damaged;
    return pixels > pixelLimit ? HeaderVerdict::TooLarge : HeaderVerdict::Decodable;
}

bool NamesColourProfile(const uint8_t* data, size_t size, PictureFormat format) {
    if (!data || size < 16) return false;
    if (format == PictureFormat::Png) return PngNamesProfile(data, size);
    if (format == PictureFormat::Tiff) return TiffNamesProfile(data, size);
    return false;
}
