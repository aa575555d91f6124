#include "imaging/ExifOrientation.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kTypeShort = 3;
// An APP1 segment holds at most 65533 bytes of data; a few other segments
// (JFIF, ICC chunks are after it as a rule) may precede it.
constexpr size_t kHeadBytes = 256 * 1024;
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

int ExifOrientationFromJpeg(const uint8_t* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return 0;
    size_t pos = 2;
    for (int segments = 0; segments < kMaxSegments; ++segments) {
        // Markers may be padded with any number of 0xFF fill bytes.
        if (pos >= size || data[pos] != 0xFF) return 0;
        while (pos < size && data[pos] == 0xFF) ++pos;
        if (pos >= size) return 0;
        const uint8_t marker = data[pos++];
        if (marker == 0xD9 || marker == 0xDA || marker == 0x00) return 0;  // end, scan data or junk
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length field
        if (size - pos < 2) return 0;
        const size_t length = (size_t(data[pos]) << 8) | data[pos + 1];
        if (length < 2 || length > size - pos) return 0;  // damaged or cut off
        const uint8_t* body = data + pos + 2;
        const size_t bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            const int value = ExifOrientationFromTiff(body + 6, bodySize - 6);
            if (value) return value;
        }
        pos += length;
    }
    return 0;
}

int ExifOrientationFromFile(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<uint8_t> head(kHeadBytes);
    DWORD got = 0;
    const BOOL ok = ReadFile(file, head.data(), DWORD(head.size()), &got, nullptr);
    CloseHandle(file);
    if (!ok) return 0;
    return ExifOrientationFromJpeg(head.data(), got);
}
