#include "imaging/ExifOrientation.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
constexpr int kMaxSegments = 512;

struct ByteOrder {
    bool little = true;
    uint16_t U16(const uint8_t* p) const {
        return little ? uint16_t(p[0] | (p[1] << 8)) : uint16_t((p[0] << 8) | p[1]);
    }
    uint32_t U32(const uint8_t* p) const {
        return little ? uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24)
                      : (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
    }
};

}  // namespace

int ExifOrientationFromTiff(const uint8_t* tiff, size_t size) {
    if (!tiff || size < 8) return 0;
    ByteOrder order;
    if (tiff[0] == 'I' && tiff[1] == 'I') order.little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M') order.little = false;
    else return 0;
    if (order.U16(tiff + 2) != 42) return 0;

    const uint32_t ifd = order.U32(tiff + 4);
    if (ifd < 8 || ifd > size || size - ifd < 2) return 0;
    size_t count = order.U16(tiff + ifd);
    // A count running past the block is cut to the entries that are really there.
    const size_t room = (size - ifd - 2) / 12;
    if (count > room) count = room;

    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = tiff + ifd + 2 + i * 12;
        if (order.U16(entry) != kOrientationTag) continue;
        if (order.U16(entry + 2) != kTypeShort || order.U32(entry + 4) < 1) return 0;
        // One SHORT fits the 4-byte value field, left-aligned in either byte order.
        const uint16_t value = order.U16(entry + 8);
        return (value >= 1 && value <= 8) ? value : 0;
    }
    return 0;
}

namespace {

// Calls `visit(marker, body, bodySize)` for each segment before the scan
// data, until it answers true; false when no visit did.
template <class Visit>
bool WalkSegments(const uint8_t* data, size_t size, Visit visit) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
    size_t pos = 2;
    for (int segments = 0; segments < kMaxSegments; ++segments) {
        // Markers may be padded with any number of 0xFF fill bytes.
        if (pos >= size || data[pos] != 0xFF) return false;
        while (pos < size && data[pos] == 0xFF) ++pos;
        if (pos >= size) return false;
        const uint8_t marker = data[pos++];
        if (marker == 0xD9 || marker == 0xDA || marker == 0x00) return false;  // end, scan data or junk
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length field
        if (size - pos < 2) return false;
        const size_t length = (size_t(data[pos]) << 8) | data[pos + 1];
        if (length < 2 || length > size - pos) return false;  // damaged or cut off
        if (visit(marker, data + pos + 2, length - 2)) return true;
        pos += length;
    }
    return false;
}

}  // namespace

bool FindExifTiff(const uint8_t* data, size_t size, const uint8_t** tiff, size_t* tiffSize) {
    return WalkSegments(data, size, [&](uint8_t marker, const uint8_t* body, size_t bodySize) {
        if (marker != 0xE1 || bodySize < 14 || std::memcmp(body, "Exif\0\0", 6) != 0) return false;
        *tiff = body + 6;
        *tiffSize = bodySize - 6;
        return true;
    });
}

int ExifOrientationFromJpeg(const uint8_t* data, size_t size) {
    const uint8_t* tiff = nullptr;
    size_t tiffSize = 0;
    return FindExifTiff(data, size, &tiff, &tiffSize) ? ExifOrientationFromTiff(tiff, tiffSize) : 0;
}

bool JpegFrameSize(const uint8_t* data, size_t size, uint32_t* width, uint32_t* height) {
    return WalkSegments(data, size, [&](uint8_t marker, const uint8_t* body, size_t bodySize) {
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (!frame || bodySize < 5) return false;
        *height = (uint32_t(body[1]) << 8) | body[2];
        *width = (uint32_t(body[3]) << 8) | body[4];
        return *width > 0 && *height > 0;
    });
}

bool ExifThumbnailFromJpeg(const uint8_t* data, size_t size, EmbeddedThumbnail* thumbnail) {
    const uint8_t* tiff = nullptr;
    size_t n = 0;
    if (!FindExifTiff(data, size, &tiff, &n) || n < 8) return false;
    ByteOrder order;
    if (tiff[0] == 'I' && tiff[1] == 'I') order.little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M') order.little = false;
    else return false;
    // IFD0, then the offset of IFD1 after its entries.
    const uint32_t ifd0 = order.U32(tiff + 4);
    if (ifd0 < 8 || ifd0 > n || n - ifd0 < 2) return false;
    const uint64_t next = uint64_t(ifd0) + 2 + uint64_t(order.U16(tiff + ifd0)) * 12;
    if (next + 4 > n) return false;
    const uint32_t ifd1 = order.U32(tiff + next);
    if (ifd1 < 8 || ifd1 > n || n - ifd1 < 2) return false;
    const size_t count = std::min<size_t>(order.U16(tiff + ifd1), (n - ifd1 - 2) / 12);
    uint32_t offset = 0, length = 0;
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* entry = tiff + ifd1 + 2 + i * 12;
        const uint16_t tag = order.U16(entry);
        const uint32_t value = order.U16(entry + 2) == kTypeShort ? order.U16(entry + 8) : order.U32(entry + 8);
        if (tag == 0x0201) offset = value;
        if (tag == 0x0202) length = value;
    }
    if (offset == 0 || length < 4 || offset > n || length > n - offset) return false;
    const uint8_t* bytes = tiff + offset;
    if (bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
    uint32_t w = 0, h = 0;
    if (!JpegFrameSize(bytes, length, &w, &h)) return false;
    *thumbnail = EmbeddedThumbnail{bytes, length, w, h};
    return true;
}
