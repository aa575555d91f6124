#include "support/Pictures.h"

#include <gtest/gtest.h>

#include "imaging/GdiplusApi.h"

namespace pictures {
namespace {

struct GdiplusEnvironment : testing::Environment {
    void SetUp() override {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(token); }
    ULONG_PTR token = 0;
};
[[maybe_unused]] testing::Environment* const g_gdiplus = testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

void DrawQuadrants(HDC dc) {
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    for (int i = 0; i < 4; ++i) {
        const RECT r{(i % 2) * 16, (i / 2) * 8, (i % 2) * 16 + 16, (i / 2) * 8 + 8};
        HBRUSH brush = CreateSolidBrush(colours[i]);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

}  // namespace

Bytes MakeEmf() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    DrawQuadrants(dc);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    return bytes;
}

Bytes MakeWmf(bool placeable) {
    HDC dc = CreateMetaFileW(nullptr);
    DrawQuadrants(dc);
    HMETAFILE wmf = CloseMetaFile(dc);
    Bytes bytes(GetMetaFileBitsEx(wmf, 0, nullptr));
    GetMetaFileBitsEx(wmf, UINT(bytes.size()), bytes.data());
    DeleteMetaFile(wmf);
    if (!placeable) return bytes;
    // a box of 32 x 16, 96 to the inch
    Bytes head{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 32, 0, 16, 0, 96, 0, 0, 0, 0, 0, 0, 0};
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2) sum ^= uint16_t(head[at] | head[at + 1] << 8);
    Put16(head, 20, sum);
    head.insert(head.end(), bytes.begin(), bytes.end());
    return head;
}

std::string PngClaiming(uint32_t w, uint32_t h) {
    std::string ihdr = "IHDR";
    for (const uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(char(v >> shift));
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char c : ihdr) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc = ~crc;
    return std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + ihdr +
           std::string{char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)} +
           std::string("\x00\x00\x00\x08IDAT\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x00\x00\x00", 20) +
           std::string("\x00\x00\x00\x00IEND\xae\x42\x60\x82", 12);
}

Bytes EmfWithTinyRecords(uint32_t count) {
    const Bytes emf = MakeEmf();
    const uint32_t headerSize = Get32(emf, 4);
    Bytes bytes(emf.begin(), emf.begin() + headerSize);
    bytes.resize(headerSize + size_t(count) * 8);
    // realise the palette: nothing to do
    for (size_t at = headerSize; at < bytes.size(); at += 8) Put32(bytes, at, 52), Put32(bytes, at + 4, 8);
    bytes.insert(bytes.end(), emf.end() - 20, emf.end());  // GDI's end record, 20 bytes
    Put32(bytes, 48, uint32_t(bytes.size()));
    Put32(bytes, 52, count + 2);
    return bytes;
}

}  // namespace pictures
