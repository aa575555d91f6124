#include "exhibit/ShortcutCheck.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasItemList = 0x01, kHasLinkInfo = 0x02, kUnicode = 0x80;
constexpr uint32_t kStrings[] = {0x04, 0x08, 0x10, 0x20, 0x40};   // name, relative path, folder, arguments, icon
constexpr uint32_t kLinkInfoHeaderMin = 0x1C;

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

}  // namespace

bool ShortcutLooksSound(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderSize || size > kMaxShortcutBytes) return false;
    if (U32(data) != kHeaderSize || std::memcmp(data + 4, kLinkClsid, 16) != 0) return false;
    const uint32_t flags = U32(data + 20);
    size_t pos = kHeaderSize;
    if (flags & kHasItemList) {
        if (size - pos < 2) return false;
        const size_t listSize = U16(data + pos);
        pos += 2;
        if (listSize > size - pos) return false;
        // Items of at least two bytes each, ending with an empty one inside the list.
        size_t item = pos;
        for (;;) {
            if (pos + listSize - item < 2) return false;
            const size_t itemSize = U16(data + item);
            if (itemSize == 0) break;
            if (itemSize < 2 || itemSize > pos + listSize - item) return false;
            item += itemSize;
        }
        pos += listSize;
    }
    if (flags & kHasLinkInfo) {
        if (size - pos < 8) return false;
        const size_t infoSize = U32(data + pos), headerSize = U32(data + pos + 4);
        if (infoSize < kLinkInfoHeaderMin || infoSize > size - pos || headerSize < kLinkInfoHeaderMin ||
            headerSize > infoSize)
            return false;
        // Offsets of the volume, the local path, the network part and the path suffix.
        for (const size_t field : {12, 16, 20, 24})
            if (U32(data + pos + field) >= infoSize) return false;
        if (headerSize >= 0x24)   // the wide local path and suffix
            for (const size_t field : {28, 32})
                if (U32(data + pos + field) >= infoSize) return false;
        pos += infoSize;
    }
    for (const uint32_t string : kStrings) {
        if (!(flags & string)) continue;
        if (size - pos < 2) return false;
        const size_t bytes = size_t(U16(data + pos)) * ((flags & kUnicode) ? 2 : 1);
        pos += 2;
        if (bytes > size - pos) return false;
        pos += bytes;
    }
    // Extra data blocks, until the end block (a size below 4) or the file's end.
    while (size - pos >= 4) {
        const size_t blockSize = U32(data + pos);
        if (blockSize < 4) break;
        if (blockSize < 8 || blockSize > size - pos) return false;
        pos += blockSize;
    }
    return true;
}
