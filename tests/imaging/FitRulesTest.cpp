// How large the picture is drawn and where it sits: the fit rules, the zoom,
// the layouts and the autoscroll path.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "imaging/FitRules.h"
#include "imaging/Layout.h"

namespace {

std::vector<int> g_draws;
size_t g_next = 0;
int Scripted() { return g_draws[g_next++]; }

}  // namespace

TEST(FitRules, SizesForEveryFlagCombination) {
    const struct { int32_t w, h, aw, ah; bool squeeze, shrink, stretch; int32_t zoom, width, height; } cases[] = {
        {1000, 800, 500, 390, true, false, false, 0, 487, 390},      // height first, then the width still fits
        {1000, 800, 500, 390, true, false, false, 48, 480, 384},     // at the zoom it reported the rules stand aside
        {1600, 400, 800, 600, true, false, false, 0, 800, 200},
        {200, 100, 800, 600, true, false, false, 0, 200, 100},       // squeeze never enlarges
        {100, 100, 400, 200, false, false, true, 0, 400, 400},       // stretch covers the area both ways
        {900, 900, 400, 400, false, false, true, 0, 900, 900},       // and never shrinks
        {3000, 2000, 1000, 1000, false, true, false, 0, 1500, 1000},
        {2000, 3000, 1000, 1000, false, true, false, 0, 1000, 1500},   // the width decides for a tall picture
        {2000, 1000, 800, 600, true, true, false, 0, 800, 400},      // squeeze wins over shrink
        {4000, 1000, 800, 600, true, false, true, 0, 800, 200},
        {100, 50, 800, 600, false, true, true, 0, 1200, 600},
        {626, 600, 1000, 300, true, false, false, 0, 313, 300},      // single precision, not double
        {496, 14, 1000, 7, true, false, false, 0, 247, 7},           // single precision, not exact integers
        {333, 77, 10, 10, true, true, true, 50, 166, 38},
        {60000, 40000, 10, 10, false, false, false, INT_MAX, INT_MAX, INT_MAX},   // held at the limit, never negative
    };
    for (const auto& c : cases) {
        const DisplaySize size = FitDisplaySize(c.w, c.h, FitArea{c.aw, c.ah}, c.zoom, c.squeeze, c.shrink, c.stretch);
        EXPECT_TRUE(size.width == c.width && size.height == c.height)
            << c.w << "x" << c.h << " in " << c.aw << "x" << c.ah << " gives " << size.width << "x" << size.height;
    }
    EXPECT_EQ(EffectiveZoom(0, 487, 1000), 48);
    EXPECT_EQ(EffectiveZoom(48, 480, 1000), 48);
    EXPECT_TRUE(FitsPictureBuffer(8192, 8192)) << "exactly 256 MiB at 32 bits";
    EXPECT_FALSE(FitsPictureBuffer(8193, 8192) || FitsPictureBuffer(INT_MAX, INT_MAX));
}

TEST(Layout, CornersCentreAndRoaming) {
    const struct { int layout, cw, ch, w, h; bool keepNegative; int x, y; } cases[] = {
        {0, 500, 400, 200, 200, false, 150, 100}, {1, 500, 400, 200, 200, false, 0, 0},
            {2, 500, 400, 200, 200, false, 300, 0},
        {3, 500, 400, 200, 200, false, 0, 200},   {4, 500, 400, 200, 200, false, 300, 200},
            {9, 500, 400, 200, 200, false, 0, 0},
        {0, 1000, 700, 3000, 2000, true, -1000, -650}, {0, 1000, 700, 3000, 2000, false, 0, 0},
        {0, 100, 100, 103, 97, true, -1, 1},      // an odd difference halves toward zero
    };
    for (const auto& c : cases) {
        const POINT p = LayoutPosition(c.layout, c.cw, c.ch, c.w, c.h, c.keepNegative, Scripted);
        EXPECT_TRUE(p.x == c.x && p.y == c.y) << "layout " << c.layout << " " << c.w << "x" << c.h;
    }
    // Roaming draws x, then y, only where there is room.
    g_draws = {1234, 777, 55};
    POINT p = LayoutPosition(5, 500, 400, 200, 100, false, Scripted);
    EXPECT_TRUE(p.x == 1234 % 300 && p.y == 777 % 300 && g_next == 2u);
    p = LayoutPosition(5, 200, 400, 300, 100, false, Scripted);
    EXPECT_TRUE(p.x == 0 && p.y == 55 && g_next == 3u);
}

TEST(Layout, AutoscrollGlidesToTheCentreInHundredthsOfTheExcess) {
    // Excess 2000 x 1300 at 100%: centre (1000, 650), steps of 21 and 14.
    const std::vector<POINT> path = AutoscrollPath(1000, 650, 2000, 1300, 100);
    ASSERT_EQ(path.size(), size_t((1000 + 20) / 21));
    EXPECT_TRUE(path[0].x == 21 && path[0].y == 14 && path.back().x >= 1000);
    EXPECT_EQ(path.back().y, 14 * ((650 + 13) / 14)) << "the vertical axis arrives first, then holds";
    for (size_t i = 1; i < path.size(); ++i) EXPECT_GE(path[i].y, path[i - 1].y);
    EXPECT_TRUE(AutoscrollPath(0, 0, 0, 0, 100).empty() && AutoscrollPath(500, 500, 900, 900, 0).empty());
}
