// Window placement arithmetic: centring, roaming and corralling.
#include <gtest/gtest.h>

#include "window/Placement.h"

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
