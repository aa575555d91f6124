// The frames of animated GIFs and WebPs: the files of tests/data/anim made by
// ImageMagick and libwebp's tools (colours, delays, loop counts, disposal with
// transparency, interlacing, local colour tables, alpha), GIFs made here for
// what those tools never write (frames off the canvas, missing colour tables,
// bad code sizes, a full code table, data ending early or damaged), stills
// and huge canvases refused, and memory that stays flat over 1,000 frames.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/AnimationFrames.h"
#include "imaging/GdiplusApi.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

constexpr uint64_t kRoomy = 1u << 26;
// Premultiplied B, G, R, A read as one little-endian number: 0xAARRGGBB.
constexpr uint32_t kRed = 0xFFFF0000, kLime = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kClear = 0;
constexpr uint32_t Grey(uint32_t v) { return 0xFF000000 | v << 16 | v << 8 | v; }

Bytes Anim(const wchar_t* name) { return ByteVector(DataPath(std::wstring(L"anim\\") + name)); }

uint32_t At(const DecodedPixels& p, uint32_t x, uint32_t y) {
    const uint8_t* q = &p.pixels[y * p.Stride() + x * 4];
    return uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16 | uint32_t(q[3]) << 24;
}

// Within 2 on every channel: libwebp premultiplies with its own rounding.
bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 2) return false;
    return true;
}

struct Probe {
    uint32_t x, y, colour;
};
struct Frame {
    uint32_t delayMs;
    std::vector<Probe> probes;
};

// An animation opened on bytes ending at a no-access page.
struct Opened {
    explicit Opened(const Bytes& bytes, uint64_t limit = kRoomy)
        : guarded(bytes), frames(OpenAnimation(guarded.data, guarded.size, limit)) {}
    GuardedBytes guarded;
    std::unique_ptr<AnimationFrames> frames;
};

// ---- GIFs made here ----

// Colour i of the tables: red, lime, blue, white, then grey i.
uint32_t TableColour(uint32_t i) {
    static const uint32_t named[] = {kRed, kLime, kBlue, kWhite};
    return i < 4 ? named[i] : Grey(i);
}

struct GifImage {
    uint32_t left = 0, top = 0, width = 1, height = 1;
    std::vector<uint8_t> indices;   // width x height, or one index for every pixel
    int disposal = 0, transparent = -1, delayCs = 10, codeSize = 2;
    bool localTable = false;
    bool clears = true;             // clear codes keep the codes 1 bit wider than the indices
    size_t coded = SIZE_MAX;        // indices coded before the end code
    Bytes garbage;                  // coded data in place of the indices
};

// The indices as LZW codes, each index a code of its own.
Bytes Lzw(const std::vector<uint8_t>& indices, int codeSize, bool clears) {
    Bytes out;
    uint32_t bits = 0;
    int count = 0;
    const auto put = [&](int code, int width) {
        bits |= uint32_t(code) << count;
        for (count += width; count >= 8; count -= 8) out.push_back(uint8_t(bits)), bits >>= 8;
    };
    const int clear = 1 << codeSize;
    int width = codeSize + 1, next = clear + 2;
    bool first = true;
    put(clear, width);
    for (const uint8_t index : indices) {
        put(index, width);
        if (!first && next < 4096 && ++next == (1 << width) && width < 12) ++width;
        first = false;
        if (clears && width > codeSize + 1) put(clear, width), width = codeSize + 1, next = clear + 2, first = true;
    }
    put(clear + 1, width);
    if (count) out.push_back(uint8_t(bits));
    return out;
}

// A GIF89a of a w x h screen with a global table of 2^tableBits colours (none
// for 0), looping `loops` times when that is not negative.
Bytes MakeGif(uint32_t w, uint32_t h, const std::vector<GifImage>& images, int loops = -1, int tableBits = 2) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    const auto put16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    const auto table = [&](int bits) {
        for (uint32_t i = 0; i < (1u << bits); ++i) {
            const uint32_t c = TableColour(i);
            b.insert(b.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
        }
    };
    put16(w), put16(h);
    b.insert(b.end(), {uint8_t(tableBits ? 0x80 | (tableBits - 1) : 0), 0, 0});
    if (tableBits) table(tableBits);
    if (loops >= 0) {
        b.insert(b.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1});
        put16(uint32_t(loops)), b.push_back(0);
    }
    for (const GifImage& image : images) {
        b.insert(b.end(), {0x21, 0xF9, 4, uint8_t(image.disposal << 2 | (image.transparent >= 0))});
        put16(uint32_t(image.delayCs));
        b.insert(b.end(), {uint8_t(std::max(image.transparent, 0)), 0, 0x2C});
        put16(image.left), put16(image.top), put16(image.width), put16(image.height);
        b.push_back(image.localTable ? 0x81 : 0);
        if (image.localTable) table(2);
        std::vector<uint8_t> indices = image.indices;
        if (indices.size() == 1) indices.assign(size_t(image.width) * image.height, indices[0]);
        indices.resize(std::min(indices.size(), image.coded));
        const int codeSize = std::clamp(image.codeSize, 2, 8);
        const Bytes data = image.garbage.empty() ? Lzw(indices, codeSize, image.clears) : image.garbage;
        b.push_back(uint8_t(image.codeSize));
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            b.push_back(uint8_t(n));
            b.insert(b.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at + n));
        }
        b.push_back(0);
    }
    b.push_back(0x3B);
    return b;
}

// A full frame of one index, as the first of an animation.
GifImage Full(uint32_t w, uint32_t h, uint8_t index) {
    GifImage image;
    image.width = w, image.height = h, image.indices = {index};
    return image;
}
GifImage Part(uint32_t left, uint32_t top, uint32_t w, uint32_t h, std::vector<uint8_t> indices) {
    GifImage image;
    image.left = left, image.top = top, image.width = w, image.height = h, image.indices = std::move(indices);
    return image;
}

// Reads a pass and checks its frames; then Rewind() must give the first frame again, exactly.
void CheckPass(const char* what, AnimationFrames& a, const std::vector<Frame>& expected) {
    DecodedPixels first, frame;
    uint32_t delay = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(a.Next(frame, delay)) << what << ", frame " << i;
        EXPECT_TRUE(frame.outcome == PixelOutcome::Decoded && frame.width == a.Width() && frame.height == a.Height());
        EXPECT_EQ(delay, expected[i].delayMs) << what << ", frame " << i;
        for (const Probe& p : expected[i].probes)
            EXPECT_PRED2(Near, At(frame, p.x, p.y), p.colour) << what << ", frame " << i << " at " << p.x << "," << p.y;
        if (i == 0) first = std::move(frame);
    }
    EXPECT_FALSE(a.Next(frame, delay)) << what << ": a frame too many";
    EXPECT_FALSE(a.Next(frame, delay)) << what << ": the end holds";
    a.Rewind();
    ASSERT_TRUE(a.Next(frame, delay)) << what;
    EXPECT_TRUE(std::equal(frame.pixels.get(), frame.pixels.get() + frame.Stride() * frame.height, first.pixels.get()))
        << what << ": not the first frame after Rewind";
}

}  // namespace

TEST(AnimationFrames, FilesPlayTheirFramesInOrderWithDelaysLoopsAndDisposal) {
    // Red, then a blue 4 x 4 at (2, 2) with (2, 2) transparent, then lime at (0, 0).
    const std::vector<Probe> second{{0, 0, kRed}, {2, 2, kRed}, {3, 3, kBlue}, {5, 5, kBlue}, {6, 6, kRed}};
    const auto dispose = [&](uint32_t under) {
        return std::vector<Frame>{{100, {{0, 0, kRed}, {7, 7, kRed}}},
                                  {100, second},
                                  {100, {{0, 0, kLime}, {2, 2, under == kBlue ? kRed : under}, {3, 3, under},
                                         {5, 5, under}, {6, 6, kRed}, {7, 0, kRed}}}};
    };
    std::vector<Probe> ramp, upside;
    for (uint32_t y : {0u, 1u, 2u, 4u, 6u, 7u, 8u, 12u, 15u})
        ramp.push_back({3, y, Grey(17 * y)}), upside.push_back({0, y, Grey(255 - 17 * y)});
    const struct { const wchar_t* file; uint32_t w, h, loops; std::vector<Frame> frames; } cases[] = {
        // 0 and 1 hundredths show for 100 ms; the later frames have colour tables of their own.
        {L"delays.gif", 8, 8, 3, {{100, {{0, 0, kRed}, {7, 7, kRed}}}, {100, {{4, 4, kLime}}}, {500, {{7, 7, kBlue}}}}},
        {L"delays.webp", 8, 8, 3, {{100, {{0, 0, kRed}, {7, 7, kRed}}}, {16, {{4, 4, kLime}}}, {500, {{7, 7, kBlue}}}}},
        {L"dispose-none.gif", 8, 8, 0, dispose(kBlue)},
        {L"dispose-background.gif", 8, 8, 0, dispose(kClear)},
        {L"dispose-previous.gif", 8, 8, 0, dispose(kRed)},
        {L"dispose-none.webp", 8, 8, 0, dispose(kBlue)},
        {L"dispose-background.webp", 8, 8, 0, dispose(kClear)},
        {L"dispose-previous.webp", 8, 8, 0, dispose(kRed)},
        {L"interlaced.gif", 4, 16, 0, {{200, ramp}, {200, upside}}},
        {L"alpha.webp", 8, 8, 0, {{100, {{0, 0, kRed}}}, {100, {{0, 0, 0x7F007F00}, {3, 7, 0x7F007F00}, {4, 0, kClear}}}}},
        {L"..\\webp\\animation.webp", 32, 16, 0,
         {{500, {{4, 4, kRed}, {20, 4, kLime}, {4, 12, kBlue}, {20, 12, kWhite}}},
          {500, {{4, 4, kWhite}, {20, 4, kBlue}, {4, 12, kLime}, {20, 12, kRed}}}}},
    };
    for (const auto& c : cases) {
        const std::string what(c.file, c.file + wcslen(c.file));
        const Opened opened(Anim(c.file));
        ASSERT_TRUE(opened.frames) << what;
        AnimationFrames& a = *opened.frames;
        EXPECT_TRUE(a.Width() == c.w && a.Height() == c.h && a.Loops() == c.loops) << what << ": " << a.Loops();
        CheckPass(what.c_str(), a, c.frames);
    }
}

TEST(AnimationFrames, GifFramesOf12BitCodesMatchGdiplus) {
    const Opened opened(Anim(L"plasma.gif"));
    ASSERT_TRUE(opened.frames);
    Gdiplus::GpImage* image = nullptr;
    ASSERT_EQ(gp::GdipLoadImageFromFile(DataPath(L"anim\\plasma.gif").c_str(), &image), Gdiplus::Ok);
    const GUID time = {0x6aedbd6d, 0x3fb5, 0x418a, {0x83, 0xa6, 0x7f, 0x45, 0x22, 0x9d, 0xc8, 0x72}};
    DecodedPixels frame;
    uint32_t delay = 0;
    for (UINT index = 0; index < 2; ++index) {
        ASSERT_TRUE(opened.frames->Next(frame, delay));
        ASSERT_EQ(gp::GdipImageSelectActiveFrame(image, &time, index), Gdiplus::Ok);
        Gdiplus::Rect all{0, 0, 64, 64};
        Gdiplus::BitmapData data{};
        ASSERT_EQ(gp::GdipBitmapLockBits(static_cast<Gdiplus::GpBitmap*>(image), &all, Gdiplus::ImageLockModeRead,
                                         PixelFormat32bppPARGB, &data), Gdiplus::Ok);
        int differ = 0;
        for (uint32_t y = 0; y < 64; ++y)
            differ += std::memcmp(static_cast<const uint8_t*>(data.Scan0) + y * data.Stride, &frame.pixels[y * 256], 256) != 0;
        gp::GdipBitmapUnlockBits(static_cast<Gdiplus::GpBitmap*>(image), &data);
        EXPECT_EQ(differ, 0) << "rows unlike GDI+'s in frame " << index;
    }
    gp::GdipDisposeImage(image);
}

TEST(AnimationFrames, GifsMadeHereComposeAndEndAsBrowsersDo) {
    std::vector<uint8_t> pattern;   // (x + 2y) mod 4 over 4 x 4: red, lime / blue, white at its top left
    for (uint32_t i = 0; i < 16; ++i) pattern.push_back(uint8_t((i % 4 + 2 * (i / 4)) % 4));
    std::vector<uint8_t> greys;     // 80 x 80 indices, more codes than the table holds
    for (uint32_t i = 0; i < 6400; ++i) greys.push_back(uint8_t((i % 80) * 3 + (i / 80) * 5));
    const auto with = [](GifImage image, auto change) { return change(image), image; };
    const GifImage red4 = Full(4, 4, 0);
    const struct { const char* what; Bytes gif; uint32_t loops; std::vector<Frame> frames; } cases[] = {
        {"no looping extension: one pass; Rewind clears the canvas",
         MakeGif(4, 1, {Full(2, 1, 0), Part(2, 0, 2, 1, {2})}), 1,
         {{100, {{1, 0, kRed}, {2, 0, kClear}}}, {100, {{1, 0, kRed}, {3, 0, kBlue}}}}},
        {"for ever; a frame partly and one wholly off the canvas",
         MakeGif(4, 4, {red4, Part(2, 2, 4, 4, pattern), Part(4, 0, 2, 2, {2})}, 0), 0,
         {{100, {}},
          {100, {{1, 1, kRed}, {2, 2, kRed}, {3, 2, kLime}, {2, 3, kBlue}, {3, 3, kWhite}}},
          {100, {{3, 0, kRed}, {3, 3, kWhite}}}}},
        {"a full table goes on without a clear code",
         MakeGif(80, 80, {with(Full(80, 80, 0), [&](GifImage& i) { i.indices = greys, i.codeSize = 8, i.clears = false; }),
                          Full(1, 1, 1)}, -1, 8),
         1,
         {{100, {{1, 0, kWhite}, {40, 40, Grey(64)}, {0, 79, Grey(139)}, {79, 79, Grey(120)}}},
          {100, {{0, 0, kLime}, {79, 79, Grey(120)}}}}},
        {"data ending early leaves the rest as it was",
         MakeGif(4, 4, {red4, with(Part(0, 0, 4, 4, {2}), [](GifImage& i) { i.coded = 6; }), Full(1, 1, 1)}), 1,
         {{100, {}}, {100, {{1, 1, kBlue}, {2, 1, kRed}}}, {100, {{0, 0, kLime}, {1, 1, kBlue}, {3, 3, kRed}}}}},
        {"a local colour table; then one with none at all ends the pass",
         MakeGif(4, 4, {with(red4, [](GifImage& i) { i.localTable = true; }), red4}, -1, 0), 1,
         {{100, {{3, 3, kRed}}}}},
        {"a code size of 1 ends the pass", MakeGif(4, 4, {red4, with(red4, [](GifImage& i) { i.codeSize = 1; })}), 1,
         {{100, {}}}},
        {"a code size of 9 ends the pass", MakeGif(4, 4, {red4, with(red4, [](GifImage& i) { i.codeSize = 9; })}), 1,
         {{100, {}}}},
        {"a code not yet in the table ends the pass",
         MakeGif(4, 4, {red4, with(red4, [](GifImage& i) { i.garbage = {0x04, 0x0F}; })}), 1, {{100, {}}}},
        {"1.5 s, 10 ms and 190 ms", MakeGif(1, 1, {with(Full(1, 1, 0), [](GifImage& i) { i.delayCs = 150; }),
                                                  with(Full(1, 1, 1), [](GifImage& i) { i.delayCs = 1; }),
                                                  with(Full(1, 1, 2), [](GifImage& i) { i.delayCs = 19; })}), 1,
         {{1500, {}}, {100, {}}, {190, {}}}},
    };
    for (const auto& c : cases) {
        const Opened opened(c.gif);
        ASSERT_TRUE(opened.frames) << c.what;
        EXPECT_EQ(opened.frames->Loops(), c.loops) << c.what;
        CheckPass(c.what, *opened.frames, c.frames);
    }

    // A file cut in its last frame's data: the frames before it, then the end.
    Bytes cut = Anim(L"delays.gif");
    cut.resize(cut.size() - 4);
    const Opened opened(cut);
    ASSERT_TRUE(opened.frames);
    CheckPass("cut short", *opened.frames, {{100, {{0, 0, kRed}}}, {100, {{0, 0, kLime}}}});
}

TEST(AnimationFrames, StillsOtherFormatsDamageAndHugeCanvasesGiveNone) {
    Bytes truncatedWebp = Anim(L"delays.webp");
    truncatedWebp.resize(truncatedWebp.size() - 20);
    Bytes gifCutInSecond = MakeGif(4, 4, {Full(4, 4, 0), Full(4, 4, 1)});
    gifCutInSecond.resize(gifCutInSecond.size() - 3);
    const struct { const char* what; Bytes bytes; uint64_t limit; bool animated; } cases[] = {
        {"a still GIF", ByteVector(DataPath(L"formats\\bits8.gif")), kRoomy, false},
        {"a GIF of one frame", MakeGif(4, 4, {Full(4, 4, 0)}, 0), kRoomy, false},
        {"a GIF whose second frame is cut short", gifCutInSecond, kRoomy, false},
        {"a still WebP", ByteVector(DataPath(L"webp\\lossless-alpha.webp")), kRoomy, false},
        {"a JPEG", ByteVector(DataPath(L"exif\\plain.jpg")), kRoomy, false},
        {"nothing", {}, kRoomy, false},
        {"a GIF of 0 x 4", MakeGif(0, 4, {Full(1, 1, 0), Full(1, 1, 0)}), kRoomy, false},
        {"a GIF a pixel over the limit", Anim(L"delays.gif"), 63, false},
        {"a GIF at the limit", Anim(L"delays.gif"), 64, true},
        {"a WebP a pixel over the limit", Anim(L"delays.webp"), 63, false},
        {"a WebP at the limit", Anim(L"delays.webp"), 64, true},
        {"a WebP cut short", truncatedWebp, kRoomy, false},
        {"a GIF screen of 65535 x 65535", MakeGif(65535, 65535, {Full(1, 1, 0), Full(1, 1, 0)}), kRoomy, false},
    };
    for (const auto& c : cases) EXPECT_EQ(Opened(c.bytes, c.limit).frames != nullptr, c.animated) << c.what;
}

TEST(AnimationFrames, GarbageCodesEndCleanly) {
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        GifImage image = Full(16, 8, 1);
        image.codeSize = 2 + round % 7;
        image.garbage.resize(1 + rng() % 300);
        for (uint8_t& v : image.garbage) v = uint8_t(rng());
        const Opened opened(MakeGif(16, 8, {Full(16, 8, 0), image, Full(2, 2, 2)}, 0));
        ASSERT_TRUE(opened.frames);
        DecodedPixels frame;
        uint32_t delay = 0, count = 0;
        while (count < 5 && opened.frames->Next(frame, delay)) ++count;
        EXPECT_GE(count, 1u);
        EXPECT_LE(count, 3u);
    }
}

TEST(AnimationFrames, AThousandFramesCostNoMoreThanTen) {
    // 1x1 frames wandering over a 256 x 256 canvas: holding the frames played
    // would take 256 KB each.
    std::vector<GifImage> images;
    for (uint32_t i = 0; i < 1000; ++i) images.push_back(Part(i % 256, (i * 7) % 256, 1, 1, {uint8_t(i % 4)}));
    images[3].disposal = 3;
    images[5].disposal = 2;
    const Bytes gif = MakeGif(256, 256, images, 0);
    const Opened opened(gif);
    ASSERT_TRUE(opened.frames);
    // The process's private bytes (Wine counts them here only, not as PrivateUsage).
    const auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return uint64_t(counters.PagefileUsage);
    };
    DecodedPixels frames[2];   // the one shown while the next is made
    uint32_t delay = 0, count = 0;
    uint64_t afterTen = 0;
    for (int pass = 0; pass < 2; ++pass, opened.frames->Rewind()) {
        for (; opened.frames->Next(frames[count % 2], delay); ++count)
            if (count == 10) afterTen = privateBytes();
    }
    EXPECT_EQ(count, 2000u);
    EXPECT_EQ(At(frames[1], 999 % 256, (999 * 7) % 256), TableColour(999 % 4));
    EXPECT_GT(afterTen, 0u);
    EXPECT_LT(privateBytes(), afterTen + (4u << 20)) << "grew from " << afterTen;
}
