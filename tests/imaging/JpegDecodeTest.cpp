// The JPEG decoder: the scale chosen for a display size, every way a JPEG is
// coded decoded at every scale against its corners' colours and against
// GDI+'s pixels, the colour profile, and damaged or huge files refused whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/GdiplusApi.h"
#include "imaging/JpegDecode.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

// All test pictures are 204 x 124 (see scripts/make-imaging-testdata.sh).
constexpr uint32_t kW = 204, kH = 124;
constexpr uint64_t kRoomy = 1u << 30;
const wchar_t* const kCodings[] = {L"baseline", L"progressive", L"restart", L"arithmetic", L"gray", L"cmyk", L"ycck"};

Bytes TestJpeg(const std::wstring& name) { return ByteVector(DataPath(L"jpeg\\" + name + L".jpg")); }

DecodedPixels Decode(const Bytes& b, uint32_t w = 0, uint32_t h = 0, uint64_t limit = kRoomy, bool turned = false) {
    return DecodeJpeg(b.data(), b.size(), PixelRequest{w, h, turned, limit});
}

const uint8_t* Pixel(const DecodedPixels& p, uint32_t x, uint32_t y) { return &p.pixels[y * p.Stride() + x * 4]; }

// The index just past the first marker FF `code` at or after `from`.
size_t After(const Bytes& b, uint8_t code, size_t from = 0) {
    for (size_t i = from; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == code) return i + 2;
    return b.size();
}

}  // namespace

TEST(JpegDecode, ScaleIsTheSmallestStillCoveringTheTarget) {
    const struct { uint32_t w, h, targetW, targetH; int scale; } cases[] = {
        {6000, 4000, 1272, 848, 4}, {6000, 4000, 750, 500, 8},   {6000, 4000, 751, 500, 4}, {6000, 4000, 750, 501, 4},
        {6000, 4000, 3000, 2000, 2}, {6000, 4000, 3001, 2000, 1}, {6000, 4000, 9000, 6000, 1}, {6000, 4000, 0, 0, 1},
        {6000, 4000, 0, 500, 1},    {kW, kH, 26, 16, 8},         {kW, kH, 26, 17, 4},       {1, 1, 1, 1, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(JpegScaleFor(c.w, c.h, c.targetW, c.targetH), c.scale) << c.w << "x" << c.h << " for " << c.targetW
                                                                         << "x" << c.targetH;
    // A target given upright for a picture stored turned a quarter.
    const Bytes bytes = TestJpeg(L"baseline");
    EXPECT_EQ(Decode(bytes, 16, 26, kRoomy, true).scaleDenominator, 8);
    EXPECT_EQ(Decode(bytes, 16, 26).scaleDenominator, 4);
}

TEST(JpegDecode, EveryCodingAtEveryScaleKeepsItsSizeAndCornerColours) {
    // Clockwise from top left: red, lime, blue, white, as B, G, R; the grey file has their lumas.
    const uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    const uint8_t lumas[4] = {54, 182, 18, 255};
    for (const wchar_t* name : kCodings) {
        const Bytes bytes = TestJpeg(name);
        const bool grey = name == std::wstring(L"gray"), cmyk = name[1] == L'm' || name[0] == L'y';
        for (const int scale : {1, 2, 4, 8}) {
            SCOPED_TRACE(testing::Message() << std::string(name, name + wcslen(name)) << " at 1/" << scale);
            const uint32_t w = (kW + scale - 1) / scale, h = (kH + scale - 1) / scale;
            const DecodedPixels p = Decode(bytes, w, h);
            ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
            EXPECT_EQ(p.scaleDenominator, scale);
            EXPECT_TRUE(p.width == w && p.height == h && p.fullWidth == kW && p.fullHeight == kH);
            EXPECT_EQ(p.bitsPerPixel, grey ? 8 : cmyk ? 32 : 24);
            const uint32_t xs[4] = {0, w - 1, w - 1, 0}, ys[4] = {0, 0, h - 1, h - 1};
            for (int c = 0; c < 4; ++c) {
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(Pixel(p, xs[c], ys[c])[k], grey ? lumas[c] : colours[c][k], 8) << c;
                EXPECT_EQ(Pixel(p, xs[c], ys[c])[3], 255);
            }
        }
    }
}

TEST(JpegDecode, FullSizeMatchesGdiplus) {
    for (const wchar_t* name : kCodings) {
        const DecodedPixels ours = Decode(TestJpeg(name));
        ASSERT_EQ(ours.outcome, PixelOutcome::Decoded) << name;
        Gdiplus::GpBitmap* bitmap = nullptr;
        ASSERT_EQ(gp::GdipCreateBitmapFromFile(DataPath(std::wstring(L"jpeg\\") + name + L".jpg").c_str(), &bitmap),
                  Gdiplus::Ok) << name;
        Gdiplus::Rect all{0, 0, int(kW), int(kH)};
        Gdiplus::BitmapData data{};
        ASSERT_EQ(gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data),
                  Gdiplus::Ok) << name;
        uint64_t sum = 0;
        int most = 0;
        for (uint32_t y = 0; y < kH; ++y)
            for (uint32_t x = 0; x < kW * 4; ++x) {
                const int d = std::abs(static_cast<const uint8_t*>(data.Scan0)[y * data.Stride + x] - Pixel(ours, 0, y)[x]);
                if (x % 4 != 3) sum += d, most = std::max(most, d);
            }
        gp::GdipBitmapUnlockBits(bitmap, &data);
        gp::GdipDisposeImage(bitmap);
        const double mean = double(sum) / (kW * kH * 3);
        std::printf("%ls: mean absolute difference to GDI+ %.3f levels, largest %d\n", name, mean, most);
        EXPECT_LE(mean, 3.0) << name;
    }
}

TEST(JpegDecode, CarriesTheColourProfileSplitOverMarkers) {
    const Bytes plain = TestJpeg(L"baseline");
    const std::string profile = "a colour profile, stored in two pieces";
    Bytes bytes(plain.begin(), plain.begin() + 2);
    for (int piece = 0; piece < 2; ++piece) {
        const std::string half = profile.substr(piece * 20, 20), head = std::string("ICC_PROFILE", 12);
        const size_t length = 2 + head.size() + 2 + half.size();
        bytes.insert(bytes.end(), {0xFF, 0xE2, uint8_t(length >> 8), uint8_t(length), });
        bytes.insert(bytes.end(), head.begin(), head.end());
        bytes.insert(bytes.end(), {uint8_t(piece + 1), 2});
        bytes.insert(bytes.end(), half.begin(), half.end());
    }
    bytes.insert(bytes.end(), plain.begin() + 2, plain.end());
    const DecodedPixels p = Decode(bytes);
    EXPECT_EQ(std::string(p.iccProfile.begin(), p.iccProfile.end()), profile);
    EXPECT_TRUE(Decode(plain).iccProfile.empty());
}

TEST(JpegDecode, DamagedFilesFailWholeAndHugeOnesAreRefusedUnread) {
    using Edit = void (*)(Bytes&);
    const struct { const char* what; const wchar_t* file; Edit edit; uint64_t limit; PixelOutcome outcome; } cases[] = {
        {"cut inside its tables", L"e2e\\truncated.jpg", nullptr, kRoomy, PixelOutcome::Damaged},
        {"cut halfway through the scan", L"jpeg\\baseline.jpg", [](Bytes& b) { b.resize(b.size() / 2); }, kRoomy,
         PixelOutcome::Damaged},
        {"cut between progressive scans", L"jpeg\\progressive.jpg",
         [](Bytes& b) { b.resize(After(b, 0xDA, b.size() / 2) - 2); }, kRoomy, PixelOutcome::Damaged},
        {"cut in arithmetic-coded data", L"jpeg\\arithmetic.jpg", [](Bytes& b) { b.resize(b.size() * 2 / 3); }, kRoomy,
         PixelOutcome::Damaged},
        {"an end marker inside the scan", L"jpeg\\baseline.jpg",
         [](Bytes& b) { b[After(b, 0xDA) + 400] = 0xFF, b[After(b, 0xDA) + 401] = 0xD9; }, kRoomy, PixelOutcome::Damaged},
        {"restart markers out of order", L"jpeg\\restart.jpg", [](Bytes& b) { b[After(b, 0xD3) - 1] = 0xD6; }, kRoomy,
         PixelOutcome::Damaged},
        {"a frame larger than the file could code", L"jpeg\\baseline.jpg",
         [](Bytes& b) { std::fill_n(b.begin() + After(b, 0xC0) + 3, 4, 0xEA); }, kRoomy, PixelOutcome::Damaged},
        {"no end marker: every pixel is there", L"jpeg\\baseline.jpg", [](Bytes& b) { b.resize(b.size() - 2); }, kRoomy,
         PixelOutcome::Decoded},
        {"one pixel over the budget", L"jpeg\\baseline.jpg", nullptr, kW * kH - 1, PixelOutcome::TooLarge},
        {"progressive, just within the budget", L"jpeg\\progressive.jpg", nullptr, kW * kH, PixelOutcome::Decoded},
    };
    for (const auto& c : cases) {
        Bytes bytes = ByteVector(DataPath(c.file));
        if (c.edit) c.edit(bytes);
        const GuardedBytes guarded(bytes);
        const DecodedPixels p = DecodeJpeg(guarded.data, guarded.size, PixelRequest{0, 0, false, c.limit});
        EXPECT_EQ(p.outcome, c.outcome) << c.what;
        EXPECT_EQ(p.pixels != nullptr, c.outcome == PixelOutcome::Decoded) << c.what;
        if (c.outcome == PixelOutcome::TooLarge) {
            EXPECT_TRUE(p.fullWidth == kW && p.fullHeight == kH) << c.what;
        }
    }
}
