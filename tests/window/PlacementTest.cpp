// Window placement arithmetic: centring, roaming and corralling.
#include <gtest/gtest.h>

#include "window/Placement.h"

#include <climits>

namespace {

bool Same(const Rect32& a, const Rect32& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(Placement, CentresInTheWorkArea) {
    const RECT work{0, 0, 1920, 1040};
    const POINT p = CenteredOrigin(work, 400, 300);
    EXPECT_EQ(p.x, 760);
    EXPECT_EQ(p.y, 370);
    // A window larger than the area is centred with a negative offset (signed halves).
    const POINT big = CenteredOrigin(RECT{100, 50, 300, 250}, 401, 201);
    EXPECT_EQ(big.x, 100 + (200 - 401) / 2);
    EXPECT_EQ(big.y, 50 + (200 - 201) / 2);
}

TEST(Placement, RoamsOnlyWhereThereIsRoom) {
    const RECT work{10, 20, 1010, 620};   // 1000 x 600
    POINT p = RoamingOrigin(work, 400, 300, 12345, 678);
    EXPECT_EQ(p.x, 10 + 12345 % 600);
    EXPECT_EQ(p.y, 20 + 678 % 300);
    // Wider than the area: centred horizontally, still roaming vertically.
    p = RoamingOrigin(work, 1200, 300, 32767, 299);
    EXPECT_EQ(p.x, 10 + (1000 - 1200) / 2);
    EXPECT_EQ(p.y, 20 + 299);
    // Every draw keeps the window inside the area.
    for (int r = 0; r < 32768; r += 97) {
        const POINT q = RoamingOrigin(work, 400, 300, r, 32767 - r);
        EXPECT_GE(q.x, 10);
        EXPECT_LE(q.x + 400, 1010);
        EXPECT_GE(q.y, 20);
        EXPECT_LE(q.y + 300, 620);
    }
}

TEST(Placement, CorralGrowsTinyWindowsAndPullsThemOnScreen) {
    const RECT monitor{0, 0, 1920, 1080};
    // 40 x 60 becomes 100 x 100 with its corner kept.
    EXPECT_TRUE(Same(CorralledRect(Rect32{200, 300, 240, 360}, monitor), Rect32{200, 300, 300, 400}));
    // Up to 10 pixels past the right edge is tolerated; 11 is not.
    EXPECT_TRUE(Same(CorralledRect(Rect32{1530, 100, 1930, 400}, monitor), Rect32{1530, 100, 1930, 400}));
    EXPECT_TRUE(Same(CorralledRect(Rect32{1531, 100, 1931, 400}, monitor), Rect32{1520, 100, 1920, 400}));
    // Below the bottom edge: pulled up so the bottom sits on the monitor's bottom.
    EXPECT_TRUE(Same(CorralledRect(Rect32{100, 900, 500, 1200}, monitor), Rect32{100, 780, 500, 1080}));
    // Past the origin by more than 10 pixels: moved to 0 on that axis.
    EXPECT_TRUE(Same(CorralledRect(Rect32{-10, -11, 390, 289}, monitor), Rect32{-10, 0, 390, 300}));
    EXPECT_TRUE(Same(CorralledRect(Rect32{-11, 5, 389, 305}, monitor), Rect32{0, 5, 400, 305}));
    // Entirely off to the left: right < 0.
    EXPECT_TRUE(Same(CorralledRect(Rect32{-900, 5, -500, 305}, monitor), Rect32{0, 5, 400, 305}));
}

TEST(Placement, CentreOfARectangleTruncatesTowardZero) {
    const POINT c = RectCentre(Rect32{-101, -51, 0, 0});
    EXPECT_EQ(c.x, 101 / 2 - 101);
    EXPECT_EQ(c.y, 51 / 2 - 51);
}

// A work area away from the origin, so an edge mistaken for a size shows.
TEST(Placement, SavedRectanglesComeBackOntoTheWorkArea) {
    const RECT work{100, 50, 2020, 1090};   // 1920 x 1040
    const Rect32 halfCentred{580, 310, 1540, 830};
    const struct {
        const char* name;
        Rect32 saved, expected;
    } cases[] = {
        {"inside", {200, 100, 600, 400}, {200, 100, 600, 400}},
        {"partly visible", {-300, -200, 101, 51}, {-300, -200, 101, 51}},
        {"off to the left", {-5000, 300, -4600, 600}, {100, 300, 500, 600}},
        {"off to the right", {2020, 300, 2420, 600}, {1620, 300, 2020, 600}},
        {"off the top", {300, -900, 700, 50}, {300, 50, 700, 1000}},
        {"off the bottom", {300, 5000, 700, 5300}, {300, 790, 700, 1090}},
        {"larger, overlapping", {0, 0, 3000, 2000}, {100, 50, 2020, 1090}},
        {"larger, off screen", {9000, -9000, 12000, -8500}, {100, 50, 2020, 550}},
        {"from one extreme to the other", {INT32_MIN, 200, INT32_MAX, 600}, {100, 200, 2020, 600}},
        {"a small one at the far end", {INT32_MAX - 10, INT32_MAX - 20, INT32_MAX, INT32_MAX},
         {2010, 1070, 2020, 1090}},
        {"all at the highest", {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, halfCentred},
        {"all at the lowest", {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}, halfCentred},
        {"inverted", {600, 400, 200, 100}, halfCentred},
        {"inverted at the extremes", {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, halfCentred},
        {"no width", {300, 300, 300, 700}, halfCentred},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Same(BringOntoArea(c.saved, work), c.expected)) << c.name;
    }
}

TEST(Placement, OnlyARectangleMeetingNoMonitorIsMoved) {
    const Rect32 onScreen{10, 20, 310, 220};
    EXPECT_TRUE(Same(KeepOnMonitor(onScreen), onScreen));
    for (const Rect32& saved : {Rect32{INT32_MIN, 0, INT32_MAX, 500}, Rect32{-90000, -90000, -89000, -89500},
                                Rect32{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}}) {
        const Rect32 r = KeepOnMonitor(saved);
        const RECT rect{r.left, r.top, r.right, r.bottom};
        EXPECT_TRUE(r.left < r.right && r.top < r.bottom);
        EXPECT_NE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), nullptr);
    }
}
