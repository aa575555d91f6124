// Where the picture sits in the window for each layout.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/Layout.h"

namespace {

std::vector<int> g_draws;
size_t g_next = 0;
int Scripted() { return g_draws[g_next++]; }

}  // namespace

TEST(Layout, FixedCornersAndCentre) {
    struct Case {
        int layout, x, y;
    } cases[] = {{0, 150, 100}, {1, 0, 0}, {2, 300, 0}, {3, 0, 200}, {4, 300, 200}, {9, 0, 0}};
    for (const Case& c : cases) {
        const POINT p = LayoutPosition(c.layout, 500, 400, 200, 200, false, Scripted);
        EXPECT_EQ(p.x, c.x) << "layout " << c.layout;
        EXPECT_EQ(p.y, c.y) << "layout " << c.layout;
    }
}

TEST(Layout, OversizedPictureKeepsOrDropsItsNegativeOffset) {
    POINT p = LayoutPosition(0, 1000, 700, 3000, 2000, true, Scripted);
    EXPECT_EQ(p.x, -1000);
    EXPECT_EQ(p.y, -650);
    p = LayoutPosition(0, 1000, 700, 3000, 2000, false, Scripted);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // An odd difference halves toward zero.
    p = LayoutPosition(0, 100, 100, 103, 97, true, Scripted);
    EXPECT_EQ(p.x, -1);
    EXPECT_EQ(p.y, 1);
}

TEST(Layout, RoamingDrawsXThenYOnlyWhereThereIsRoom) {
    g_draws = {1234, 777};
    g_next = 0;
    POINT p = LayoutPosition(5, 500, 400, 200, 100, false, Scripted);
    EXPECT_EQ(p.x, 1234 % 300);
    EXPECT_EQ(p.y, 777 % 300);
    EXPECT_EQ(g_next, 2u);
    // No room across: only the vertical draw is taken.
    g_draws = {55};
    g_next = 0;
    p = LayoutPosition(5, 200, 400, 300, 100, false, Scripted);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 55);
    EXPECT_EQ(g_next, 1u);
}

TEST(Layout, AutoscrollGlidesToTheCentreInHundredthsOfTheExcess) {
    // A 3000 x 2000 picture at 100% in a 1000 x 700 client: excess 2000 x 1300, centre (1000, 650).
    const std::vector<POINT> path = AutoscrollPath(1000, 650, 2000, 1300, 100);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path[0].x, 21);
    EXPECT_EQ(path[0].y, 14);
    // The vertical axis arrives first and then holds while the horizontal one goes on.
    EXPECT_EQ(path.size(), static_cast<size_t>((1000 + 20) / 21));
    EXPECT_GE(path.back().x, 1000);
    EXPECT_EQ(path.back().y, 14 * ((650 + 13) / 14));
    for (size_t i = 1; i < path.size(); ++i) EXPECT_GE(path[i].y, path[i - 1].y);
    // Nothing to scroll, or a zero step: no frames.
    EXPECT_TRUE(AutoscrollPath(0, 0, 0, 0, 100).empty());
    EXPECT_TRUE(AutoscrollPath(500, 500, 900, 900, 0).empty());
}
