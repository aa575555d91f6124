// The WebP decoder: the size chosen for a display size, lossy and lossless
// files with and without alpha at full and reduced size against their
// corners' colours, the colour profile and orientation of an extended file,
// an animation's first frame, and damaged or huge files refused whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "imaging/WebpDecode.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

// The test pictures are 204 x 124, the animation 32 x 16 (see scripts/make-imaging-testdata.sh).
constexpr uint32_t kW = 204, kH = 124;
constexpr uint64_t kRoomy = 1u << 30;

Bytes TestWebp(const std::wstring& name) { return ByteVector(DataPath(L"webp\\" + name + L".webp")); }

DecodedPixels Decode(const Bytes& b, uint32_t w = 0, uint32_t h = 0, uint64_t limit = kRoomy, bool turned = false) {
    const GuardedBytes guarded(b);
    return DecodeWebp(guarded.data, guarded.size, PixelRequest{w, h, turned, limit});
}

const uint8_t* Pixel(const DecodedPixels& p, uint32_t x, uint32_t y) { return &p.pixels[y * p.Stride() + x * 4]; }

void Append32(Bytes& b, uint32_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

void AppendChunk(Bytes& b, const char* fourcc, const Bytes& body) {
    b.insert(b.end(), fourcc, fourcc + 4);
    Append32(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}

// A RIFF file of `chunks` (whole chunks, headers included) with a correct size.
Bytes Riff(const Bytes& chunks) {
    Bytes b{'R', 'I', 'F', 'F'};
    Append32(b, uint32_t(chunks.size() + 4));
    b.insert(b.end(), {'W', 'E', 'B', 'P'});
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

// `file` cut to `keep` bytes, its RIFF size and the size of the chunk the cut
// falls in made to match, so only the coded data itself can tell.
Bytes CutInsideChunk(const Bytes& file, size_t chunkAt, size_t keep) {
    Bytes b(file.begin(), file.begin() + ptrdiff_t(keep));
    Put32(b, 4, uint32_t(keep - 8));
    Put32(b, chunkAt + 4, uint32_t(keep - chunkAt - 8));
    return b;
}

}  // namespace

TEST(WebpDecode, ScaledSizeIsTheLeastOfItsShapeCoveringTheTarget) {
    const struct { uint32_t w, h, targetW, targetH; WebpSize size; } cases[] = {
        {kW, kH, 0, 0, {kW, kH}},          {kW, kH, 102, 0, {kW, kH}},        {kW, kH, 102, 62, {102, 62}},
        {kW, kH, 102, 10, {102, 62}},      {kW, kH, 10, 62, {102, 62}},       {kW, kH, 300, 10, {kW, kH}},
        {kW, kH, 204, 10, {kW, kH}},       {6000, 4000, 1272, 848, {1272, 848}}, {6000, 4000, 1000, 1000, {1500, 1000}},
        {6000, 4000, 1, 1, {2, 1}},        {3, 1000, 1, 1, {1, 334}},         {16383, 16383, 16382, 1, {16382, 16382}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WebpScaledSize(c.w, c.h, c.targetW, c.targetH), c.size) << c.w << "x" << c.h << " for " << c.targetW
                                                                          << "x" << c.targetH;
    // A target given upright for a picture stored turned a quarter.
    const Bytes bytes = TestWebp(L"lossy");
    const DecodedPixels turned = Decode(bytes, 31, 51, kRoomy, true), upright = Decode(bytes, 31, 51);
    EXPECT_TRUE(turned.width == 51 && turned.height == 31) << turned.width << "x" << turned.height;
    EXPECT_TRUE(upright.width == 84 && upright.height == 51) << upright.width << "x" << upright.height;
}

TEST(WebpDecode, EveryKindAtFullAndReducedSizeKeepsItsCornerColours) {
    // Clockwise from top left: red, lime, blue, white, as premultiplied B, G, R, A. With
    // alpha the lime corner is half transparent and the blue one wholly so.
    const uint8_t opaque[4][4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}};
    const uint8_t alpha[4][4] = {{0, 0, 255, 255}, {0, 127, 0, 127}, {0, 0, 0, 0}, {255, 255, 255, 255}};
    const struct { const wchar_t* name; bool hasAlpha; int tolerance; } kinds[] = {
        {L"lossy", false, 10}, {L"lossless", false, 0}, {L"lossy-alpha", true, 10}, {L"lossless-alpha", true, 0}};
    const Bytes exact = TestWebp(L"lossless");
    for (const auto& kind : kinds) {
        const Bytes bytes = TestWebp(kind.name);
        for (const auto& [w, h] : {std::pair{0u, 0u}, {kW / 2, kH / 2}, {51u, 20u}, {7u, 5u}}) {
            SCOPED_TRACE(testing::Message() << std::string(kind.name, kind.name + wcslen(kind.name)) << " for " << w
                                            << "x" << h);
            const DecodedPixels p = Decode(bytes, w, h);
            ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
            const WebpSize want = WebpScaledSize(kW, kH, w, h);
            EXPECT_TRUE(p.width == want.width && p.height == want.height && p.fullWidth == kW && p.fullHeight == kH);
            EXPECT_EQ(p.bitsPerPixel, kind.hasAlpha ? 32 : 24);
            EXPECT_TRUE(p.iccProfile.empty());
            // A pixel inside each 24 x 24 corner, whatever the scale.
            const uint32_t in = p.width < 20 ? 0 : 2;
            const uint32_t right = p.width - 1 - in, bottom = p.height - 1 - in;
            const uint32_t xs[4] = {in, right, right, in}, ys[4] = {in, in, bottom, bottom};
            const int slack = w == 0 ? kind.tolerance : std::max(kind.tolerance, 16);
            for (int c = 0; c < 4; ++c)
                for (int k = 0; k < 4; ++k)
                    EXPECT_NEAR(Pixel(p, xs[c], ys[c])[k], (kind.hasAlpha ? alpha : opaque)[c][k], slack)
                        << c << "," << k;
        }
    }
    // Away from the corners: the lossy picture stays close to the exact one everywhere.
    const DecodedPixels lossy = Decode(TestWebp(L"lossy")), lossless = Decode(exact);
    ASSERT_TRUE(lossy.pixels && lossless.pixels);
    uint64_t sum = 0;
    for (size_t i = 0; i < size_t(kW) * kH * 4; ++i) sum += std::abs(lossy.pixels[i] - lossless.pixels[i]);
    EXPECT_LE(double(sum) / (kW * kH * 3), 3.0);
}

TEST(WebpDecode, ExtendedFileCarriesItsColourProfileAndOrientation) {
    const Bytes lossy = TestWebp(L"lossy");
    const Bytes image(lossy.begin() + 12, lossy.end());
    const std::string text = "a colour profile of odd length";
    const Bytes profile(text.begin(), text.end() - 1);
    Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0};
    for (const bool prefixed : {false, true}) {
        SCOPED_TRACE(prefixed ? "EXIF chunk with Exif\\0\\0" : "EXIF chunk of the TIFF structure alone");
        Bytes exif = tiff;
        if (prefixed) exif.insert(exif.begin(), {'E', 'x', 'i', 'f', 0, 0});
        Bytes header{0x28, 0, 0, 0, uint8_t(kW - 1), 0, 0, uint8_t(kH - 1), 0, 0};   // ICC and EXIF flags
        Bytes chunks;
        AppendChunk(chunks, "VP8X", header);
        AppendChunk(chunks, "ICCP", profile);
        chunks.insert(chunks.end(), image.begin(), image.end());
        AppendChunk(chunks, "EXIF", exif);
        const Bytes file = Riff(chunks);
        const DecodedPixels p = Decode(file);
        ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
        EXPECT_EQ(p.iccProfile, profile);
        const GuardedBytes guarded(file);
        EXPECT_EQ(PixelDecoderFor(PictureFormat::Webp)->orientation(guarded.data, guarded.size), 6);
    }
    EXPECT_EQ(ExifOrientationFromWebp(lossy.data(), lossy.size()), 0);
}

TEST(WebpDecode, AnimationGivesItsFirstFrame) {
    const DecodedPixels p = Decode(TestWebp(L"animation"), 8, 4);
    ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
    EXPECT_TRUE(p.width == 32 && p.height == 16 && p.fullWidth == 32 && p.fullHeight == 16);
    // Red, lime / blue, white in reading order: the reference picture, not the second frame turned.
    const uint8_t colours[4][4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 255}};
    for (int q = 0; q < 4; ++q)
        for (int k = 0; k < 4; ++k) EXPECT_EQ(Pixel(p, 8 + 16 * (q % 2), 4 + 8 * (q / 2))[k], colours[q][k]) << q;
}

TEST(WebpDecode, DamagedFilesFailWholeAndHugeOnesAreRefusedUnread) {
    using Edit = Bytes (*)(Bytes);
    const struct { const char* what; const wchar_t* file; Edit edit; uint64_t limit; PixelOutcome outcome; } cases[] = {
        {"lossy, cut in half", L"lossy", [](Bytes b) { return Bytes(b.begin(), b.begin() + ptrdiff_t(b.size() / 2)); },
         kRoomy, PixelOutcome::Damaged},
        {"lossless, short of its last byte", L"lossless", [](Bytes b) { return Bytes(b.begin(), b.end() - 1); },
         kRoomy, PixelOutcome::Damaged},
        {"lossy, cut in its coded data, sizes made to match", L"lossy",
         [](Bytes b) { return CutInsideChunk(b, 12, b.size() * 2 / 3); }, kRoomy, PixelOutcome::Damaged},
        {"lossless, cut in its coded data, sizes made to match", L"lossless",
         [](Bytes b) { return CutInsideChunk(b, 12, b.size() * 2 / 3); }, kRoomy, PixelOutcome::Damaged},
        {"alpha, cut in its image data, sizes made to match", L"lossy-alpha",
         [](Bytes b) { return CutInsideChunk(b, 74, b.size() - 100); }, kRoomy, PixelOutcome::Damaged},
        {"animation, cut in its second frame", L"animation",
         [](Bytes b) { return Bytes(b.begin(), b.end() - 20); }, kRoomy, PixelOutcome::Damaged},
        {"lossless, not a lossless stream", L"lossless", [](Bytes b) { return b[20] = 0x2E, b; }, kRoomy,
         PixelOutcome::Damaged},
        {"trailing bytes after the RIFF data", L"lossy", [](Bytes b) { return b.resize(b.size() + 7), b; }, kRoomy,
         PixelOutcome::Decoded},
        {"one pixel over the budget", L"lossy", nullptr, kW * kH - 1, PixelOutcome::TooLarge},
        {"lossless, just within the budget", L"lossless", nullptr, kW * kH, PixelOutcome::Decoded},
        {"animation, its three canvases one pixel over the budget", L"animation", nullptr, 3 * 32 * 16 - 1,
         PixelOutcome::TooLarge},
    };
    for (const auto& c : cases) {
        Bytes bytes = TestWebp(c.file);
        if (c.edit) bytes = c.edit(bytes);
        const DecodedPixels p = Decode(bytes, 0, 0, c.limit);
        EXPECT_EQ(p.outcome, c.outcome) << c.what;
        EXPECT_EQ(p.pixels != nullptr, c.outcome == PixelOutcome::Decoded) << c.what;
        if (c.outcome == PixelOutcome::TooLarge) {
            EXPECT_TRUE(p.fullWidth != 0 && p.fullHeight != 0) << c.what;
        }
    }
}
