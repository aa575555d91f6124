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
