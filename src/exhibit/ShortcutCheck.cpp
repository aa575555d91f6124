#include "exhibit/ShortcutCheck.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr uint32_t kHasItemList = 0x01, kHasLinkInfo = 0x02, kUnicode = 0x80;
constexpr uint32_t kStrings[] = {0x04, 0x08, 0x10, 0x20, 0x40};   // name, relative path, folder, arguments, icon
constexpr uint32_t kLinkInfoHeaderMin = 0x1C;

uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

// Whether a string at `at` ends (with a zero of one or two bytes) before `end`.
bool Ends(const uint8_t* block, size_t at, size_t end, bool wide) {
    const size_t step = wide ? 2 : 1;
    for (size_t i = at; i + step <= end; i += step)
        if (block[i] == 0 && (!wide || block[i + 1] == 0)) return true;
    return false;
}

// A part inside the link-info block (the volume, the network part): its own
// size first, at least `least` bytes, inside the block; its string offsets
// (at the fields given, when they are not zero) inside the part, their strings ending there.
bool PartSound(const uint8_t* info, size_t infoSize, size_t at, size_t least,
               std::initializer_list<std::pair<size_t, bool>> strings) {
    if (infoSize - at < least) return false;
    const size_t partSize = U32(info + at);
    if (partSize < least || partSize > infoSize - at) return false;
    for (const auto& [field, wide] : strings) {
        if (field + 4 > partSize) continue;
        const size_t offset = U32(info + at + field);
        if (offset == 0) continue;
        if (offset >= partSize || !Ends(info + at, offset, partSize, wide)) return false;
    }
    return true;
}

// The volume, network part and path strings the shell reads inside the
// link-info block: each must end inside it (the shell trusts their sizes).
bool LinkInfoSound(const uint8_t* info, size_t infoSize, size_t headerSize) {
    constexpr uint32_t kVolumeAndLocalPath = 0x01, kNetworkPart = 0x02;
    const uint32_t linkFlags = U32(info + 8);
    const bool wideFields = headerSize >= 0x24;
    if (linkFlags & kVolumeAndLocalPath) {
        // Volume: size, drive type, serial, label offset (0x14: the wide label's offset follows).
        const size_t volume = U32(info + 12);
        const bool wideLabel = infoSize - volume >= 0x10 && U32(info + volume + 12) == 0x14;
        if (wideLabel ? !PartSound(info, infoSize, volume, 0x14, {{16, true}})
                      : !PartSound(info, infoSize, volume, 0x10, {{12, false}}))
            return false;
        if (!Ends(info, U32(info + 16), infoSize, false)) return false;
        if (wideFields && U32(info + 28) && !Ends(info, U32(info + 28), infoSize, true)) return false;
    }
    // Network part: size, flags, name offset, device offset, provider type.
    if ((linkFlags & kNetworkPart) && !PartSound(info, infoSize, U32(info + 20), 0x14, {{8, false}, {12, false}}))
        return false;
    if (U32(info + 24) && !Ends(info, U32(info + 24), infoSize, false)) return false;
    return !(wideFields && U32(info + 32) && !Ends(info, U32(info + 32), infoSize, true));
}

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
        if (!LinkInfoSound(data + pos, infoSize, headerSize)) return false;
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
