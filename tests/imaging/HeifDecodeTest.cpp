// The HEIF decoder: HEICs and AVIFs of each kind decoded against known
// colours (solid, gradient, alpha premultiplied, turned by the container with
// and without an EXIF orientation beside it, an HEIC turned likewise, cropped,
// a grid, 10 and 12 bits rounded),
// the size the header claims, the colour profile, several threads at once,
// a small target served by the file's thumbnail, and damaged or huge files
// refused whole before anything is decoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imaging/HeifDecode.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

constexpr uint64_t kRoomy = 1u << 30;

Bytes TestHeif(const std::wstring& name) { return ByteVector(DataPath(L"heif\\" + name)); }

DecodedPixels Decode(const Bytes& b, uint64_t limit = kRoomy) {
    const GuardedBytes guarded(b);
    return DecodeHeif(guarded.data, guarded.size, PixelRequest{0, 0, false, limit});
}

struct Spot {
    uint32_t x, y;
    uint8_t bgra[4];
};
// The quadrants of the reference picture (see scripts/make-imaging-testdata.sh) as B, G, R, A.
constexpr uint8_t kRed[4] = {0, 0, 255, 255}, kLime[4] = {0, 255, 0, 255}, kBlue[4] = {255, 0, 0, 255},
                  kWhite[4] = {255, 255, 255, 255};
std::vector<Spot> Quadrants(uint32_t w, uint32_t h, const uint8_t* tl, const uint8_t* tr, const uint8_t* br,
                            const uint8_t* bl) {
    std::vector<Spot> spots;
    const uint32_t xs[4] = {w / 4, w * 3 / 4, w * 3 / 4, w / 4}, ys[4] = {h / 4, h / 4, h * 3 / 4, h * 3 / 4};
    const uint8_t* colours[4] = {tl, tr, br, bl};
    for (int i = 0; i < 4; ++i)
        spots.push_back({xs[i], ys[i], {colours[i][0], colours[i][1], colours[i][2], colours[i][3]}});
    return spots;
}

void PutBe16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }
void PutBe32(Bytes& b, size_t at, uint32_t v) { PutBe16(b, at, v >> 16), PutBe16(b, at + 2, v); }

// Where `what` first appears in the bytes.
size_t Find(const Bytes& b, const Bytes& what) {
    return size_t(std::search(b.begin(), b.end(), what.begin(), what.end()) - b.begin());
}
size_t FindTag(const Bytes& b, const char* tag) { return Find(b, Bytes(tag, tag + 4)); }
// The first spatial extent box made to say w x h.
Bytes Extent(Bytes b, uint32_t w, uint32_t h) {
    const size_t at = FindTag(b, "ispe");
    PutBe32(b, at + 8, w);
    PutBe32(b, at + 12, h);
    return b;
}

}  // namespace

TEST(HeifDecode, EachKindDecodesToItsSizeAndColours) {
    const std::vector<Spot> upright = Quadrants(32, 16, kRed, kLime, kWhite, kBlue);
    // The alpha picture: lime half transparent, blue transparent, premultiplied.
    const uint8_t halfLime[4] = {0, 128, 0, 128}, clear[4] = {0, 0, 0, 0};
    const std::vector<Spot> alpha = Quadrants(32, 16, kRed, halfLime, kWhite, clear);
    const std::vector<Spot> solid = {{0, 0, {50, 100, 200, 255}}, {16, 8, {50, 100, 200, 255}},
                                     {31, 15, {50, 100, 200, 255}}};
    const std::vector<Spot> gradient = {{0, 8, {0, 0, 0, 255}}, {63, 8, {255, 255, 255, 255}},
                                        {32, 8, {129, 129, 129, 255}}};
    // 10 bits 339, 255, 7 and 12 bits 815, 1023, 31 round up; cut off they would not.
    // The plasma's corners, clockwise from top left.
    const std::vector<Spot> plasma = {{12, 12, {0, 0, 255, 255}}, {192, 12, {0, 255, 0, 255}},
                                      {192, 112, {255, 0, 0, 255}}, {12, 112, {255, 255, 255, 255}}};
    const std::vector<Spot> deep10 = {{3, 3, {2, 64, 85, 255}}}, deep12 = {{3, 3, {2, 64, 51, 255}}};
    const struct { const wchar_t* file; uint32_t w, h; int bits, tolerance; std::vector<Spot> spots; } cases[] = {
        {L"solid.heic", 32, 16, 24, 6, solid},
        {L"solid.avif", 32, 16, 24, 6, solid},
        {L"gradient.heic", 64, 16, 24, 6, gradient},
        {L"gradient.avif", 64, 16, 24, 6, gradient},
        {L"alpha.heic", 32, 16, 32, 6, alpha},
        {L"alpha.avif", 32, 16, 32, 6, alpha},
        {L"alpha10.avif", 32, 16, 40, 6, alpha},
        {L"grey.avif", 64, 16, 24, 6, gradient},
        {L"deep10.heic", 32, 16, 30, 0, deep10},
        {L"deep10.avif", 32, 16, 30, 0, deep10},
        {L"deep12.avif", 32, 16, 36, 0, deep12},
        // Stored turned; the container turns it back, once, EXIF orientation 6 or not.
        {L"irot.avif", 32, 16, 24, 6, upright},
        {L"irot-exif6.avif", 32, 16, 24, 6, upright},
        // EXIF orientation 6 without a turn in the container: shown as stored.
        {L"exif6.heic", 16, 32, 24, 6, Quadrants(16, 32, kLime, kWhite, kBlue, kRed)},
        {L"grid.avif", 128, 128, 24, 6, Quadrants(128, 128, kRed, kLime, kWhite, kBlue)},
        {L"crop.avif", 16, 16, 24, 6, Quadrants(16, 16, kLime, kLime, kWhite, kWhite)},
        {L"plasma.heic", 204, 124, 24, 12, plasma},
        {L"plasma.avif", 204, 124, 24, 12, plasma},
        {L"plasma-10bit.avif", 204, 124, 30, 12, plasma},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.file)));
        const Bytes bytes = TestHeif(c.file);
        ASSERT_FALSE(bytes.empty());
        const ClaimedSize claimed = PeekPictureSize(bytes.data(), bytes.size());
        EXPECT_TRUE(claimed.known && claimed.width == c.w && claimed.height == c.h);
        const PixelDecoderRow* row = PixelDecoderFor(FormatOf(bytes.data(), bytes.size()));
        ASSERT_TRUE(row && row->decode == DecodeHeif);
        EXPECT_EQ(row->orientation(bytes.data(), bytes.size()), 0);
        const DecodedPixels p = Decode(bytes);
        ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
        EXPECT_TRUE(p.width == c.w && p.height == c.h && p.fullWidth == c.w && p.fullHeight == c.h)
            << p.width << "x" << p.height;
        EXPECT_EQ(p.bitsPerPixel, c.bits);
        for (const Spot& s : c.spots)
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(p.pixels[s.y * p.Stride() + s.x * 4 + k], s.bgra[k], c.tolerance)
                    << "at " << s.x << "," << s.y << " channel " << k;
        const std::string profile = "not a colour profile, only its bytes";
        EXPECT_EQ(AsString(p.iccProfile), std::wstring(c.file) == L"solid.avif" ? profile : "");
    }
}

// heif-enc writes no turn: the plasma's pixel information box is made a
// quarter turn anticlockwise (its 16 bytes hold the turn's 1 and padding).
TEST(HeifDecode, AnHeicTurnedByItsContainerIsShownTurned) {
    Bytes b = TestHeif(L"plasma.heic");
    const size_t at = FindTag(b, "pixi");
    std::memcpy(&b[at], "irot", 4);
    b[at + 4] = 1;
    const ClaimedSize claimed = PeekPictureSize(b.data(), b.size());
    EXPECT_TRUE(claimed.known && claimed.width == 124 && claimed.height == 204);
    const DecodedPixels p = Decode(b);
    ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
    ASSERT_TRUE(p.width == 124 && p.height == 204);
    const Spot corners[] = {{12, 12, {0, 255, 0, 255}}, {111, 12, {255, 0, 0, 255}},
                            {111, 191, {255, 255, 255, 255}}, {12, 191, {0, 0, 255, 255}}};
    for (const Spot& s : corners)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(p.pixels[s.y * p.Stride() + s.x * 4 + k], s.bgra[k], 12) << s.x << "," << s.y;
}

// A target the file's 64 x 38 thumbnail covers is served by it, the
// picture's own size still told; a larger target, or none, decodes the picture.
TEST(HeifDecode, ASmallTargetIsServedByTheFilesThumbnail) {
    const Bytes b = TestHeif(L"thumbnail.heic");
    const struct { uint32_t w, h; bool turned; uint32_t decodedWidth; } cases[] = {
        {40, 24, false, 64}, {64, 38, false, 64}, {38, 64, true, 64}, {65, 38, false, 204}, {64, 38, true, 204},
        {0, 0, false, 204}};
    for (const auto& c : cases) {
        const GuardedBytes guarded(b);
        const DecodedPixels p = DecodeHeif(guarded.data, guarded.size, PixelRequest{c.w, c.h, c.turned, kRoomy});
        ASSERT_EQ(p.outcome, PixelOutcome::Decoded) << c.w << " x " << c.h;
        EXPECT_TRUE(p.width == c.decodedWidth && p.fullWidth == 204 && p.fullHeight == 124)
            << c.w << " x " << c.h << ": " << p.width << " x " << p.height;
        // The red corner, top left, either way.
        EXPECT_GT(p.pixels[2], 200) << c.w << " x " << c.h;
    }
}

TEST(HeifDecode, ThreadsDecodingAtOnceGetThePicturesOfOne) {
    const wchar_t* const files[] = {L"alpha.heic", L"grid.avif", L"deep10.avif", L"plasma.heic"};
    std::vector<Bytes> bytes, alone;
    for (const wchar_t* f : files) {
        bytes.push_back(TestHeif(f));
        const DecodedPixels p = Decode(bytes.back());
        alone.emplace_back(p.pixels.get(), p.pixels.get() + p.Stride() * p.height);
    }
    std::vector<int> same(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2; ++round)
                for (size_t i = 0; i < bytes.size(); ++i) {
                    const Bytes& b = bytes[i];
                    const DecodedPixels p = DecodeHeif(b.data(), b.size(), PixelRequest{0, 0, false, kRoomy});
                    same[size_t(t)] += p.pixels && Bytes(p.pixels.get(), p.pixels.get() + p.Stride() * p.height) ==
                                                       alone[i];
                }
        });
    for (std::thread& t : threads) t.join();
    for (const int n : same) EXPECT_EQ(n, 2 * int(bytes.size()));
}

TEST(HeifDecode, DamagedFilesFailWholeAndHugeOnesAreRefusedUndecoded) {
    using Edit = Bytes (*)(Bytes);
    // The top-level box `tag` made to end at the end of the bytes.
    static const auto endBoxHere = [](Bytes b, const char* tag) {
        const size_t at = FindTag(b, tag) - 4;
        PutBe32(b, at, uint32_t(b.size() - at));
        return b;
    };
    const struct { const char* what; const wchar_t* file; Edit edit; uint64_t limit; PixelOutcome outcome; } cases[] = {
        {"HEIC cut in half", L"solid.heic",
         [](Bytes b) { return Bytes(b.begin(), b.begin() + ptrdiff_t(b.size() / 2)); }, kRoomy, PixelOutcome::Damaged},
        {"AVIF short of its last byte", L"solid.avif", [](Bytes b) { return Bytes(b.begin(), b.end() - 1); }, kRoomy,
         PixelOutcome::Damaged},
        {"HEIC cut in its coded data, its box made to match", L"plasma.heic",
         [](Bytes b) { return endBoxHere(Bytes(b.begin(), b.end() - 4000), "mdat"); }, kRoomy, PixelOutcome::Damaged},
        {"AVIF cut in its coded data, its box made to match", L"plasma.avif",
         [](Bytes b) { return endBoxHere(Bytes(b.begin(), b.end() - 1000), "mdat"); }, kRoomy, PixelOutcome::Damaged},
        {"grid cut in its last tile, its box made to match", L"grid.avif",
         [](Bytes b) { return endBoxHere(Bytes(b.begin(), b.end() - 20), "mdat"); }, kRoomy, PixelOutcome::Damaged},
        {"no meta box", L"solid.avif", [](Bytes b) { return std::memcpy(&b[FindTag(b, "meta")], "free", 4), b; },
         kRoomy, PixelOutcome::Damaged},
        {"a box larger than the file", L"solid.heic", [](Bytes b) { return PutBe32(b, 28, 0x10000), b; }, kRoomy,
         PixelOutcome::Damaged},
        {"no primary item", L"solid.avif", [](Bytes b) { return PutBe16(b, FindTag(b, "pitm") + 8, 77), b; }, kRoomy,
         PixelOutcome::Damaged},
        {"its last box running to the end of the file", L"solid.heic",
         [](Bytes b) { return PutBe32(b, FindTag(b, "mdat") - 4, 0), b; }, kRoomy, PixelOutcome::Decoded},
        {"trailing bytes after the last box", L"solid.avif", [](Bytes b) { return b.resize(b.size() + 5), b; }, kRoomy,
         PixelOutcome::Decoded},
        {"8 bits, one pixel over three times the budget", L"solid.avif", nullptr, 3 * 32 * 16 - 1,
         PixelOutcome::TooLarge},
        {"8 bits, three times the budget", L"solid.avif", nullptr, 3 * 32 * 16, PixelOutcome::Decoded},
        {"10 bits, one pixel over five times the budget", L"deep10.avif", nullptr, 5 * 32 * 16 - 1,
         PixelOutcome::TooLarge},
        {"10 bits, five times the budget", L"deep10.avif", nullptr, 5 * 32 * 16, PixelOutcome::Decoded},
        // heif-enc codes a small picture as a tile of 64 x 64, which is what the HEVC decoder allocates.
        {"HEIC within the budget, its coded tile one pixel over", L"solid.heic", nullptr, 3 * 64 * 64 - 1,
         PixelOutcome::TooLarge},
        {"HEIC and its coded tile within the budget", L"solid.heic", nullptr, 3 * 64 * 64, PixelOutcome::Decoded},
        {"spatial extent of 20000 x 20000", L"solid.avif",
         [](Bytes b) { return Extent(b, 20000, 20000); },
         kRoomy, PixelOutcome::TooLarge},
        {"grid of 60000 x 60000 in a spatial extent of 128 x 128", L"grid.avif",
         [](Bytes b) {
             const size_t at = Find(b, {0, 0, 1, 1, 0, 0x80, 0, 0x80});
             return PutBe16(b, at + 4, 60000), PutBe16(b, at + 6, 60000), b;
         },
         kRoomy, PixelOutcome::TooLarge},
        {"HEVC coded at 204 x 124 in spatial extents of 32 x 16", L"plasma.heic",
         [](Bytes b) { return Extent(b, 32, 16); },
         3 * 204 * 128 - 1, PixelOutcome::TooLarge},
        {"AV1 coded at 204 x 124 in a spatial extent of 32 x 16", L"plasma.avif",
         [](Bytes b) { return Extent(b, 32, 16); },
         3 * 204 * 124 - 1, PixelOutcome::TooLarge},
        {"AV1 coded at 204 x 124, within the budget", L"plasma.avif", nullptr, 3 * 204 * 124, PixelOutcome::Decoded},
        {"grid with itself among its tiles", L"grid.avif",
         [](Bytes b) { return PutBe16(b, FindTag(b, "dimg") + 8, 1), b; }, kRoomy, PixelOutcome::Damaged},
        {"spatial extent of 0 x 16", L"irot.avif", [](Bytes b) { return PutBe32(b, FindTag(b, "ispe") + 8, 0), b; },
         kRoomy, PixelOutcome::Damaged},
    };
    for (const auto& c : cases) {
        Bytes bytes = TestHeif(c.file);
        if (c.edit) bytes = c.edit(bytes);
        const DecodedPixels p = Decode(bytes, c.limit);
        EXPECT_EQ(p.outcome, c.outcome) << c.what;
        EXPECT_EQ(p.pixels != nullptr, c.outcome == PixelOutcome::Decoded) << c.what;
        if (c.outcome == PixelOutcome::TooLarge) {
            EXPECT_TRUE(p.fullWidth != 0 && p.fullHeight != 0) << c.what;
        }
    }
    // Any cut, anywhere, and bytes spoilt in the coded data: refused or decoded, never read past the end.
    for (const wchar_t* file : {L"alpha.heic", L"grid.avif", L"deep10.heic"}) {
        const Bytes whole = TestHeif(file);
        const size_t step = whole.size() / 50 + 1, data = FindTag(whole, "mdat") + 4;
        for (size_t keep = 0; keep < whole.size(); keep += step)
            EXPECT_NE(Decode(Bytes(whole.begin(), whole.begin() + ptrdiff_t(keep))).outcome, PixelOutcome::Decoded);
        for (size_t at = data; at < whole.size(); at += (whole.size() - data) / 16 + 1) {
            Bytes spoilt = whole;
            spoilt[at] ^= 0x5A;
            const DecodedPixels p = Decode(spoilt);
            EXPECT_TRUE(p.outcome != PixelOutcome::Decoded || p.pixels);
        }
    }
}
