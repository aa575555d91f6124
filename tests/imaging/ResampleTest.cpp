// Shrinking by area averaging: what each result pixel is the mean of.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/Resample.h"

namespace {

// A w x h picture whose pixels are given by `at(x, y)`, one channel repeated four times.
template <typename At>
std::vector<uint8_t> Made(uint32_t w, uint32_t h, At at) {
    std::vector<uint8_t> p(size_t(w) * h * 4);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) p[(size_t(y) * w + x) * 4 + c] = uint8_t(at(x, y));
    return p;
}

std::vector<uint8_t> Shrunk(const std::vector<uint8_t>& from, uint32_t fw, uint32_t fh, uint32_t w, uint32_t h) {
    std::vector<uint8_t> out(size_t(w) * h * 4, 0xEE);
    EXPECT_TRUE(ShrinkByArea(PixelRows{from.data(), fw, fh, ptrdiff_t(fw) * 4}, out.data(), ptrdiff_t(w) * 4, w, h));
    return out;
}

}  // namespace

TEST(ShrinkByArea, EachPixelIsTheMeanOfTheAreaItCovers) {
    // The same size: a copy.
    const auto noise = Made(7, 5, [](uint32_t x, uint32_t y) { return (x * 37 + y * 91) % 256; });
    EXPECT_EQ(Shrunk(noise, 7, 5, 7, 5), noise);
    // Halved: each pixel the mean of a 2 x 2 block (0, 40, 80, 120 averages to 60).
    const auto steps = Made(4, 2, [](uint32_t x, uint32_t y) { return x % 2 * 40 + y * 80; });
    EXPECT_EQ(Shrunk(steps, 4, 2, 2, 1), Made(2, 1, [](uint32_t, uint32_t) { return 60; }));
    // Three into two: the middle pixel is shared half and half (0, 90, 180 -> 30, 150).
    const auto ramp = Made(3, 1, [](uint32_t x, uint32_t) { return x * 90; });
    EXPECT_EQ(Shrunk(ramp, 3, 1, 2, 1), Made(2, 1, [](uint32_t x, uint32_t) { return x ? 150 : 30; }));
    // Any shrink of a flat picture stays flat, to the level, whatever the rounding of the weights.
    const auto flat = Made(1500, 1000, [](uint32_t, uint32_t) { return 201; });
    EXPECT_EQ(Shrunk(flat, 1500, 1000, 1272, 848), Made(1272, 848, [](uint32_t, uint32_t) { return 201; }));
    // Premultiplied pixels stay premultiplied: no colour above its alpha.
    std::vector<uint8_t> edge = Made(5, 3, [](uint32_t x, uint32_t) { return x < 2 ? 255 : 0; });
    for (size_t i = 0; i < edge.size(); i += 4) edge[i] = uint8_t(edge[i] / 3);   // blue a third of alpha
    const auto shrunk = Shrunk(edge, 5, 3, 3, 2);
    for (size_t i = 0; i < shrunk.size(); i += 4) EXPECT_LE(shrunk[i], shrunk[i + 3]);
}

TEST(ShrinkByArea, RefusesToGrowOrToWorkOnNothing) {
    const auto p = Made(4, 4, [](uint32_t, uint32_t) { return 9; });
    std::vector<uint8_t> out(8 * 8 * 4, 0xEE);
    const PixelRows rows{p.data(), 4, 4, 16};
    for (const auto& [w, h] : {std::pair{5u, 4u}, {4u, 5u}, {0u, 2u}, {2u, 0u}})
        EXPECT_FALSE(ShrinkByArea(rows, out.data(), 32, w, h)) << w << "x" << h;
    EXPECT_FALSE(ShrinkByArea(PixelRows{nullptr, 4, 4, 16}, out.data(), 32, 2, 2));
    EXPECT_EQ(out, std::vector<uint8_t>(8 * 8 * 4, 0xEE)) << "nothing written";
}
