// Picture bytes for the tests: raw file bytes, memory that ends at an
// inaccessible page so that a read past the end faults at once, and small
// metafiles drawn by GDI. GDI+ runs for the whole test executable.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace pictures {

using Bytes = std::vector<uint8_t>;

inline Bytes ByteVector(const std::wstring& path) { const std::string bytes = ReadBytes(path); return Bytes(bytes.begin(), bytes.end()); }
inline std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A copy of some bytes placed flush against a no-access page.
class GuardedBytes {
public:
    explicit GuardedBytes(const Bytes& bytes) : size_(bytes.size()) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize, pages = (bytes.size() + page - 1) / page + 1;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + pages * page - bytes.size();
        if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
    }
    ~GuardedBytes() { VirtualFree(base_, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t* base_ = nullptr;
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// Little-endian fields of the metafiles the tests build and damage.
inline uint32_t Get32(const Bytes& b, size_t at) { return uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24); }
inline void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8); }
inline void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v), Put16(b, at + 2, v >> 16); }

// An enhanced metafile of 32 x 16 pixels, its quadrants red, green, blue and
// white in reading order, as GDI writes it.
Bytes MakeEmf();
// The same as a Windows metafile, with the 22-byte placeable header in front
// when asked (96 units to the inch).
Bytes MakeWmf(bool placeable);
// The header of MakeEmf, `count` records of 8 bytes that change nothing, and the end record.
Bytes EmfWithTinyRecords(uint32_t count);

}  // namespace pictures
