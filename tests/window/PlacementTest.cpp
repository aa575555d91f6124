// Window placement arithmetic: corralling and bringing saved rectangles back
// onto the screen.
#include <gtest/gtest.h>

#include <climits>

#include "window/Placement.h"

namespace {

::testing::AssertionResult Same(const Rect32& got, const Rect32& want) {
    if (got.left == want.left && got.top == want.top && got.right == want.right && got.bottom == want.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got.left << "," << got.top << "," << got.right << ","
        << got.bottom;
}

}  // namespace

TEST(Placement, CorralGrowsTinyWindowsAndPullsThemOnScreen) {
    const RECT monitor{0, 0, 1920, 1080};
    // 40 x 60 grows to 100 x 100, its corner kept; 10 pixels past an edge are tolerated, 11 are not.
    const std::pair<Rect32, Rect32> cases[] = {
        {{200, 300, 240, 360}, {200, 300, 300, 400}}, {{1530, 100, 1930, 400}, {1530, 100, 1930, 400}},
        {{1531, 100, 1931, 400}, {1520, 100, 1920, 400}}, {{100, 900, 500, 1200}, {100, 780, 500, 1080}},
        {{-10, -11, 390, 289}, {-10, 0, 390, 300}}, {{-11, 5, 389, 305}, {0, 5, 400, 305}},
            {{-900, 5, -500, 305}, {0, 5, 400, 305}}};
    for (const auto& [saved, expected] : cases) EXPECT_TRUE(Same(CorralledRect(saved, monitor), expected))
        << saved.left;
}

// A work area away from the origin, so an edge mistaken for a size shows.
TEST(Placement, SavedRectanglesComeBackOntoTheWorkArea) {
    const RECT work{100, 50, 2020, 1090};   // 1920 x 1040
    const Rect32 halfCentred{580, 310, 1540, 830};
    const struct { const char* name; Rect32 saved, expected; } cases[] = {
        {"inside", {200, 100, 600, 400}, {200, 100, 600, 400}},
            {"partly visible", {-300, -200, 101, 51}, {-300, -200, 101, 51}},
        {"off to the left", {-5000, 300, -4600, 600}, {100, 300, 500, 600}},
            {"off to the right", {2020, 300, 2420, 600}, {1620, 300, 2020, 600}},
        {"off the top", {300, -900, 700, 50}, {300, 50, 700, 1000}},
            {"off the bottom", {300, 5000, 700, 5300}, {300, 790, 700, 1090}},
        {"larger, overlapping", {0, 0, 3000, 2000}, {100, 50, 2020, 1090}},
        {"larger, off screen", {9000, -9000, 12000, -8500}, {100, 50, 2020, 550}},
        {"right and bottom at the highest", {300, 200, INT32_MAX, INT32_MAX}, {100, 50, 2020, 1090}},
            {"larger, from above and left", {-500, -400, 1000, 2000}, {100, 50, 1600, 1090}},
        {"from one extreme to the other", {INT32_MIN, 200, INT32_MAX, 600}, {100, 200, 2020, 600}},
        {"small, at the far end", {INT32_MAX - 10, INT32_MAX - 20, INT32_MAX, INT32_MAX}, {2010, 1070, 2020, 1090}},
        {"all at the highest", {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, halfCentred},
        {"all at the lowest", {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}, halfCentred},
            {"inverted", {600, 400, 200, 100}, halfCentred},
        {"inverted at the extremes", {INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, halfCentred},
            {"no width", {300, 300, 300, 700}, halfCentred},
    };
    for (const auto& c : cases) EXPECT_TRUE(Same(BringOntoArea(c.saved, work), c.expected)) << c.name;
    // Only a rectangle that meets no monitor, or is larger than its work area, is moved.
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    for (const Rect32& kept : {Rect32{10, 20, 310, 220}, Rect32{-100, -50, 200, 100}})
        EXPECT_TRUE(Same(KeepOnMonitor(kept), kept));
    for (const Rect32& saved : {Rect32{INT32_MIN, 0, INT32_MAX, 500}, Rect32{-90000, -90000, -89000, -89500},
                                Rect32{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
                                Rect32{100, 100, INT32_MAX, INT32_MAX},
                                Rect32{-300, -200, screenW + 100, 400}, Rect32{0, 0, screenW, screenH + 1}}) {
        const Rect32 r = KeepOnMonitor(saved);
        const RECT rect{r.left, r.top, r.right, r.bottom};
        MONITORINFO info{sizeof info, {}, {}, 0};
        ASSERT_TRUE(GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info));
        const RECT& work = info.rcWork;
        EXPECT_TRUE(r.left < r.right && r.top < r.bottom && r.left >= work.left && r.top >= work.top &&
                    r.right <= work.right && r.bottom <= work.bottom)
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}
