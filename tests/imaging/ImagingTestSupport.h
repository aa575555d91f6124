// Shared helpers of the imaging tests: raw file bytes, a GDI+ session, memory that ends at an inaccessible page so that a
// read past the end faults at once, and small metafiles drawn by GDI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/GdiplusApi.h"
#include "support/TestFiles.h"

namespace imagingtest {

// The bytes of a file as unsigned values (the committed pictures, logs).
inline std::vector<uint8_t> ByteVector(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(token_); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

private:
    ULONG_PTR token_ = 0;
};

// A copy of some bytes placed flush against a no-access page.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t dataPages = (bytes.size() + page - 1) / page + 1;
        total_ = (dataPages + 1) * page;
        base_ = static_cast<uint8_t*>(VirtualAlloc(nullptr, total_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        VirtualProtect(base_ + dataPages * page, page, PAGE_NOACCESS, &old);
        data_ = base_ + dataPages * page - bytes.size();
        if (!bytes.empty()) memcpy(data_, bytes.data(), bytes.size());
        size_ = bytes.size();
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
    size_t total_ = 0;
};

// Little-endian fields of the metafiles the tests build and damage.
inline uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

// Fills the quadrants of 32 x 16 pixels red, green, blue and white (reading order).
inline void DrawQuadrants(HDC dc) {
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    for (int i = 0; i < 4; ++i) {
        const RECT r{(i % 2) * 16, (i / 2) * 8, (i % 2) * 16 + 16, (i / 2) * 8 + 8};
        HBRUSH brush = CreateSolidBrush(colours[i]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

// An enhanced metafile of DrawQuadrants, as GDI writes it.
inline std::vector<uint8_t> MakeEmf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    DrawQuadrants(dc);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    std::vector<uint8_t> bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

// The same as a Windows metafile, with the 22-byte placeable header in front
// when asked (96 units to the inch).
inline std::vector<uint8_t> MakeWmf(bool placeable) {
    HDC dc = CreateMetaFileW(nullptr);
    DrawQuadrants(dc);
    HMETAFILE wmf = CloseMetaFile(dc);
    std::vector<uint8_t> bytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, UINT(bytes.size()), bytes.data());
    DeleteMetaFile(wmf);
    if (!placeable) return bytes;
    std::vector<uint8_t> head(22, 0);
    Put32(head, 0, 0x9AC6CDD7);
    Put16(head, 10, 32);
    Put16(head, 12, 16);
    Put16(head, 14, 96);
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2) sum ^= uint16_t(head[at] | head[at + 1] << 8);
    Put16(head, 20, sum);
    head.insert(head.end(), bytes.begin(), bytes.end());
    return head;
}

// The header of MakeEmf, `count` records of 8 bytes that change nothing, and
// the end record.
inline std::vector<uint8_t> EmfWithTinyRecords(uint32_t count) {
    const std::vector<uint8_t> emf = MakeEmf();
    const uint32_t headerSize = Get32(emf, 4);
    std::vector<uint8_t> bytes(emf.begin(), emf.begin() + headerSize);
    bytes.resize(headerSize + size_t(count) * 8);
    for (size_t at = headerSize; at < bytes.size(); at += 8) {
        Put32(bytes, at, 52);  // realise the palette: nothing to do
        Put32(bytes, at + 4, 8);
    }
    bytes.insert(bytes.end(), emf.end() - 20, emf.end());  // GDI's end record, 20 bytes
    Put32(bytes, 48, uint32_t(bytes.size()));
    Put32(bytes, 52, count + 2);
    return bytes;
}

}  // namespace imagingtest
