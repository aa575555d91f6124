// The frames of animated GIFs and WebPs: the files of tests/data/anim (colours,
// delays, loop counts, disposal with transparency, interlacing, local colour
// tables, alpha, 12-bit codes), GIFs made here for what the tools
// never write (frames off the canvas, missing colour tables, bad code sizes, a
// full code table, data ending early), stills and huge canvases refused, and
// memory that stays flat over 1,000 frames.
#include <windows.h>

#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/AnimationFrames.h"
#include "imaging/ColourManage.h"
#include "support/Pictures.h"

using namespace pictures;

// GCC 12 warns of every member a designated initializer leaves to its default, which is what they are for here.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr uint64_t kRoomy = 1u << 26;
// Premultiplied B, G, R, A read as one little-endian number: 0xAARRGGBB.
constexpr uint32_t kRed = 0xFFFF0000, kLime = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kClear = 0;
constexpr uint32_t Grey(uint32_t v) { return 0xFF000000 | v << 16 | v << 8 | v; }
// The colours of the tables of the GIFs made here: red, lime, blue, white, then grey i.
uint32_t TableColour(uint32_t i) {
    static const uint32_t named[] = {kRed, kLime, kBlue, kWhite};
    return i < 4 ? named[i] : Grey(i);
}

Bytes Anim(const std::wstring& name) { return ByteVector(DataPath(L"anim\\" + name)); }

uint32_t At(const DecodedPixels& p, uint32_t x, uint32_t y) {
    uint32_t v;
    std::memcpy(&v, &p.pixels[y * p.Stride() + x * 4], 4);
    return v;
}

// Within 2 on every channel: libwebp premultiplies with its own rounding.
bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)) > 2) return false;
    return true;
}

struct Probe { uint32_t x, y, colour; };
struct Frame { uint32_t delayMs; std::vector<Probe> probes; };

// An animation opened on bytes ending at a no-access page.
struct Opened {
    explicit Opened(const Bytes& bytes, uint64_t limit = kRoomy)
        : guarded(bytes), frames(OpenAnimation(guarded.data, guarded.size, limit)) {}
    GuardedBytes guarded;
    std::unique_ptr<AnimationFrames> frames;
};

struct GifImage {
    uint32_t left = 0, top = 0, width = 4, height = 4;
    std::vector<uint8_t> indices = {0};   // width x height, or one for every pixel
    int delayCs = 10, disposal = 0, codeSize = 2;
    bool localTable = false, clears = true;   // clears: codes stay 1 bit wider than the indices
    size_t coded = SIZE_MAX;                  // indices coded before the end code
    Bytes data;                               // coded data in place of the indices'
};

// A GIF89a of a w x h screen with a global table of 2^tableBits colours (none for 0),
// looping `loops` times unless negative. Each index is a code of its own.
Bytes MakeGif(uint32_t w, uint32_t h, const std::vector<GifImage>& images, int loops = -1, int tableBits = 2) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    const auto put16 = [&](uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto table = [&](int bits) {
        for (uint32_t i = 0; bits && i < (1u << bits); ++i)
            b.insert(b.end(), {uint8_t(TableColour(i) >> 16), uint8_t(TableColour(i) >> 8), uint8_t(TableColour(i))});
    };
    put16(w), put16(h), b.insert(b.end(), {uint8_t(tableBits ? 0x80 | (tableBits - 1) : 0), 0, 0}), table(tableBits);
    if (loops >= 0) {
        b.insert(b.end(), {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1});
        put16(uint32_t(loops)), b.push_back(0);
    }
    for (const GifImage& image : images) {
        // Index 0xEE, which none of them uses, is transparent.
        b.insert(b.end(), {0x21, 0xF9, 4, uint8_t(image.disposal << 2 | 1)}), put16(uint32_t(image.delayCs));
        b.insert(b.end(), {0xEE, 0, 0x2C}), put16(image.left), put16(image.top);
        put16(image.width), put16(image.height);
        b.push_back(image.localTable ? 0x81 : 0), table(image.localTable ? 2 : 0), b.push_back(uint8_t(image.codeSize));
        std::vector<uint8_t> indices = image.indices;
        if (indices.size() == 1) indices.assign(size_t(image.width) * image.height, indices[0]);
        indices.resize(std::min(indices.size(), image.coded));
        Bytes data = image.data;
        uint32_t bits = 0;
        int count = 0;
        const auto put = [&](int code, int width) {
            for (bits |= uint32_t(code) << count, count += width; count >= 8; count -= 8)
                data.push_back(uint8_t(bits)), bits >>= 8;
        };
        if (data.empty()) {
            const int size = std::clamp(image.codeSize, 2, 8), clear = 1 << size;
            int width = size + 1, next = clear + 2;
            bool first = true;
            put(clear, width);
            for (const uint8_t index : indices) {
                put(index, width);
                if (!first && next < 4096 && ++next == (1 << width) && width < 12) ++width;
                first = false;
                if (!image.clears || width == size + 1) continue;
                put(clear, width), width = size + 1, next = clear + 2, first = true;
            }
            put(clear + 1, width);
            if (count) data.push_back(uint8_t(bits));
        }
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            b.push_back(uint8_t(n)), b.insert(b.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at + n));
        }
        b.push_back(0);
    }
    b.push_back(0x3B);
    return b;
}

// Reads a pass and checks its frames; then Rewind() must give the first frame again, exactly.
void CheckPass(const std::string& what, AnimationFrames& a, const std::vector<Frame>& expected) {
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
    EXPECT_FALSE(a.Next(frame, delay) || a.Next(frame, delay)) << what << ": frames after the end";
    a.Rewind();
    ASSERT_TRUE(a.Next(frame, delay)) << what;
    EXPECT_EQ(std::memcmp(frame.pixels.get(), first.pixels.get(), first.Stride() * first.height), 0) << what;
}

}  // namespace

TEST(AnimationFrames, FilesPlayTheirFramesInOrderWithDelaysLoopsAndDisposal) {
    // Red, then a blue 4 x 4 at (2, 2) with (2, 2) transparent, then lime at (0, 0).
    const auto dispose = [&](uint32_t under) {
        return std::vector<Frame>{{100, {{0, 0, kRed}, {7, 7, kRed}}},
                                  {100, {{0, 0, kRed}, {2, 2, kRed}, {3, 3, kBlue}, {5, 5, kBlue}, {6, 6, kRed}}},
                                  {100, {{0, 0, kLime}, {2, 2, under == kBlue ? kRed : under}, {3, 3, under},
                                         {5, 5, under}, {6, 6, kRed}, {7, 0, kRed}}}};
    };
    std::vector<Probe> ramp, upside;   // rows of every interlacing pass
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
        {L"alpha.webp", 8, 8, 0,
         {{100, {{0, 0, kRed}}}, {100, {{0, 0, 0x7F007F00}, {3, 7, 0x7F007F00}, {4, 0, kClear}}}}},
        // Codes of up to 12 bits.
        {L"plasma.gif", 64, 64, 0,
         {{100, {{63, 0, 0xFF73AD74}, {32, 40, 0xFF663319}, {0, 63, 0xFF871353}, {63, 63, 0xFF183926}}},
          {100, {{63, 0, 0xFF183926}, {32, 40, 0xFF585958}, {0, 63, 0xFF6AC658}, {63, 63, 0xFF73AD74}}}}},
        {L"..\\webp\\animation.webp", 32, 16, 0,
         {{500, {{4, 4, kRed}, {20, 4, kLime}, {4, 12, kBlue}, {20, 12, kWhite}}},
          {500, {{4, 4, kWhite}, {20, 4, kBlue}, {4, 12, kLime}, {20, 12, kRed}}}}},
    };
    for (const auto& c : cases) {
        const std::string what(c.file, c.file + wcslen(c.file));
        const Opened opened(Anim(c.file));
        ASSERT_TRUE(opened.frames) << what;
        EXPECT_TRUE(opened.frames->Width() == c.w && opened.frames->Height() == c.h) << what;
        EXPECT_EQ(opened.frames->Loops(), c.loops) << what;
        CheckPass(what, *opened.frames, c.frames);
    }
}

TEST(AnimationFrames, GifsMadeHereComposeAndEndAsBrowsersDo) {
    // (x + 2y) mod 4 over 4 x 4; 80 x 80 indices, more codes than a table holds.
    std::vector<uint8_t> pattern, greys;
    for (uint32_t i = 0; i < 16; ++i) pattern.push_back(uint8_t((i % 4 + 2 * (i / 4)) % 4));
    for (uint32_t i = 0; i < 6400; ++i) greys.push_back(uint8_t((i % 80) * 3 + (i / 80) * 5));
    Bytes cut = Anim(L"delays.gif");
    cut.resize(cut.size() - 4);
    const struct { const char* what; Bytes gif; uint32_t loops; std::vector<Frame> frames; } cases[] = {
        {"no looping extension: one pass; Rewind clears the canvas",
         MakeGif(4, 1, {{.width = 2, .height = 1}, {.left = 2, .width = 2, .height = 1, .indices = {2}}}), 1,
         {{100, {{1, 0, kRed}, {2, 0, kClear}}}, {100, {{1, 0, kRed}, {3, 0, kBlue}}}}},
        {"for ever; a frame partly and one wholly off the canvas",
         MakeGif(4, 4, {{}, {.left = 2, .top = 2, .indices = pattern}, {.left = 4, .width = 2, .height = 2}}, 0), 0,
         {{100, {}}, {100, {{1, 1, kRed}, {2, 2, kRed}, {3, 2, kLime}, {2, 3, kBlue}, {3, 3, kWhite}}},
          {100, {{3, 0, kRed}, {3, 3, kWhite}}}}},
        {"a full table goes on without a clear code",
         MakeGif(80, 80, {{.width = 80, .height = 80, .indices = greys, .codeSize = 8, .clears = false},
                          {.width = 1, .height = 1, .indices = {1}}}, -1, 8), 1,
         {{100, {{1, 0, kWhite}, {40, 40, Grey(64)}, {0, 79, Grey(139)}, {79, 79, Grey(120)}}},
          {100, {{0, 0, kLime}, {79, 79, Grey(120)}}}}},
        {"data ending early leaves the rest as it was",
         MakeGif(4, 4, {{}, {.indices = {2}, .coded = 6}, {.width = 1, .height = 1, .indices = {1}}}), 1,
         {{100, {}}, {100, {{1, 1, kBlue}, {2, 1, kRed}}}, {100, {{0, 0, kLime}, {1, 1, kBlue}, {3, 3, kRed}}}}},
        {"a local colour table; then none at all ends the pass", MakeGif(4, 4, {{.localTable = true}, {}}, -1, 0), 1,
         {{100, {{3, 3, kRed}}}}},
        {"a code size of 1 ends the pass", MakeGif(4, 4, {{}, {.codeSize = 1}}), 1, {{100, {}}}},
        {"a code size of 9 ends the pass", MakeGif(4, 4, {{}, {.codeSize = 9}}), 1, {{100, {}}}},
        // Clear, 0, then 7 where 6 is the next free code.
        {"a code not yet in the table ends the pass", MakeGif(4, 4, {{}, {.data = {0xC4, 0x01}}}), 1, {{100, {}}}},
        {"1.5 s, 10 ms and 190 ms", MakeGif(1, 1, {{.delayCs = 150}, {.delayCs = 1}, {.delayCs = 19}}), 1,
         {{1500, {}}, {100, {}}, {190, {}}}},
        {"a file cut in its last frame's data", cut, 3, {{100, {{0, 0, kRed}}}, {100, {{0, 0, kLime}}}}},
    };
    for (const auto& c : cases) {
        const Opened opened(c.gif);
        ASSERT_TRUE(opened.frames) << c.what;
        EXPECT_EQ(opened.frames->Loops(), c.loops) << c.what;
        CheckPass(c.what, *opened.frames, c.frames);
    }
}

TEST(AnimationFrames, StillsOtherFormatsDamageAndHugeCanvasesGiveNone) {
    Bytes webpCut = Anim(L"delays.webp"), gifCut = MakeGif(4, 4, {{}, {}});
    webpCut.resize(webpCut.size() - 20), gifCut.resize(gifCut.size() - 3);
    const struct { const char* what; Bytes bytes; uint64_t limit; bool animated; } cases[] = {
        {"a still GIF", ByteVector(DataPath(L"formats\\bits8.gif")), kRoomy, false},
        {"a GIF of two frames", MakeGif(4, 4, {{}, {}}, 0), kRoomy, true},
        {"a GIF of one frame", MakeGif(4, 4, {{}}, 0), kRoomy, false},
        {"a GIF whose second frame is cut short", gifCut, kRoomy, false},
        {"a still WebP", ByteVector(DataPath(L"webp\\lossless-alpha.webp")), kRoomy, false},
        {"a JPEG", ByteVector(DataPath(L"exif\\plain.jpg")), kRoomy, false},
        {"nothing", {}, kRoomy, false},
        {"a GIF of 0 x 4", MakeGif(0, 4, {{}, {}}), kRoomy, false},
        {"a GIF a pixel over the limit", Anim(L"delays.gif"), 63, false},
        {"a GIF at the limit", Anim(L"delays.gif"), 64, true},
        {"a WebP a pixel over the limit", Anim(L"delays.webp"), 63, false},
        {"a WebP at the limit", Anim(L"delays.webp"), 64, true},
        {"a WebP cut short", webpCut, kRoomy, false},
        {"a GIF screen of 65535 x 65535", MakeGif(65535, 65535, {{}, {}}), kRoomy, false},
    };
    for (const auto& c : cases) EXPECT_EQ(Opened(c.bytes, c.limit).frames != nullptr, c.animated) << c.what;
}

TEST(AnimationFrames, AThousandFramesCostNoMoreThanTen) {
    // 1 x 1 frames wandering over a 256 x 256 canvas: frames kept would take 256 KB each.
    std::vector<GifImage> images;
    for (uint32_t i = 0; i < 1000; ++i)
        images.push_back({.left = i % 256, .top = i * 7 % 256, .width = 1, .height = 1, .indices = {uint8_t(i % 4)},
                          .disposal = int(i % 4)});
    const Opened opened(MakeGif(256, 256, images, 0));
    ASSERT_TRUE(opened.frames);
    // The process's private bytes (Wine counts them here, not as PrivateUsage).
    const auto privateBytes = [] {
        PROCESS_MEMORY_COUNTERS counters{};
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
        return uint64_t(counters.PagefileUsage);
    };
    DecodedPixels frames[2];   // the one shown while the next is made
    uint32_t delay = 0, count = 0;
    uint64_t afterTen = 0;
    for (int pass = 0; pass < 2; ++pass, opened.frames->Rewind())
        for (; opened.frames->Next(frames[count % 2], delay); ++count)
            if (count == 10) afterTen = privateBytes();
    EXPECT_EQ(count, 2000u);
    EXPECT_EQ(At(frames[1], 999 % 256, 999 * 7 % 256), TableColour(999 % 4));
    EXPECT_GT(afterTen, 0u);
    EXPECT_LT(privateBytes(), afterTen + (4u << 20)) << "grew from " << afterTen;
}

// Frames carrying a profile are converted as the first frame's decode is: the
// swapped red and green profile shows red, lime, blue as lime, red, blue.
TEST(AnimationFrames, FramesOfAProfiledAnimationAreConvertedWhenAsked) {
    const struct { const char* what; bool managed; std::vector<Frame> frames; } cases[] = {
        {"managed", true, {{100, {{0, 0, kLime}}}, {16, {{4, 4, kRed}}}, {500, {{7, 7, kBlue}}}}},
        {"not managed", false, {{100, {{0, 0, kRed}}}, {16, {{4, 4, kLime}}}, {500, {{7, 7, kBlue}}}}},
    };
    for (const auto& c : cases) {
        Opened opened(Anim(L"..\\colour\\swapped-anim.webp"));
        ASSERT_TRUE(opened.frames) << c.what;
        EXPECT_FALSE(opened.frames->Profile().empty()) << c.what;
        auto frames = InColours(std::move(opened.frames),
                                c.managed ? ColourTarget::Make({}) : nullptr);
        CheckPass(c.what, *frames, c.frames);
    }
}
