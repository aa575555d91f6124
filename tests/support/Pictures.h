// Picture bytes for the tests: raw file bytes, memory that ends at an
// inaccessible page so that a read past the end faults at once, and small
// metafiles drawn by GDI. GDI+ runs for the whole test executable.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pictures {

using Bytes = std::vector<uint8_t>;

inline Bytes ByteVector(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    return Bytes(bytes.begin(), bytes.end());
}
inline std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A copy of some bytes placed flush against a no-access page.
struct GuardedBytes {
    explicit GuardedBytes(const Bytes& bytes) : size(bytes.size()) {
        const size_t page = 4096, pages = size / page + 1;   // then one page no one may read
        base = static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT,
                                                  PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base + pages * page, page, PAGE_NOACCESS, &old);
        data = base + pages * page - size;
        std::copy(bytes.begin(), bytes.end(), base + pages * page - size);
    }
    ~GuardedBytes() { VirtualFree(base, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    size_t size;
    uint8_t* base;
    const uint8_t* data;
};

// Little-endian fields of the metafiles the tests build and damage.
inline uint32_t Get32(const Bytes& b, size_t at) {
    return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
}
inline void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
inline void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v), Put16(b, at + 2, v >> 16); }

// An enhanced metafile of 32 x 16 pixels, its quadrants red, green, blue and
// white in reading order, as GDI writes it.
Bytes MakeEmf();
// The same as a Windows metafile, with the 22-byte placeable header in front
// when asked (96 units to the inch).
Bytes MakeWmf(bool placeable);
// A PNG with a correct header claiming w x h and a few bytes of data.
std::string PngClaiming(uint32_t w, uint32_t h);

// The header of MakeEmf, `count` records of 8 bytes that change nothing, and the end record.
Bytes EmfWithTinyRecords(uint32_t count);

}  // namespace pictures
