// Full screen: F11 turns the viewer into a frameless window over the whole
// monitor with the picture laid out on the background colour, F11 again
// brings back the window, its frame, status bar, rectangle and layout, and a
// start in full screen keeps the windowed placement in the settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const std::wstring kStill = L"-noslide -notransitions -noscreenname";
const COLORREF kTeal = RGB(20, 140, 150), kNavy = RGB(30, 40, 90);
const int kPictureW = 300, kPictureH = 200;

// Starts on one teal picture in a window at `position` with `layout`, and
// waits for the full-screen window when `arguments` asks for it.
void Launch(Viewer& viewer, const RECT& position, int layout, const std::wstring& arguments) {
    WriteSolidBmp(viewer.Picture(L"teal.bmp"), kPictureW, kPictureH, kTeal);
    viewer.WriteSettings(WindowSettings(position, kNavy, layout));
    ASSERT_TRUE(viewer.Launch(arguments));
    if (arguments.find(L"-fullscreen") != std::wstring::npos) {
        ASSERT_TRUE(viewer.WaitForWindowRect(Screen()));
    }
}

// The picture centred on the monitor, on the background colour.
void ExpectCentred() {
    const RECT s = Screen();
    const int x = (Width(s) - kPictureW) / 2, y = (Height(s) - kPictureH) / 2;
    const RECT picture{x, y, x + kPictureW, y + kPictureH};
    ASSERT_TRUE(WaitForPixel(x + kPictureW / 2, y + kPictureH / 2, kTeal));
    ExpectPlaced(picture, kTeal, s, kNavy);
}

bool HasFrameAndStatusBar(const Viewer& viewer) {
    const LONG_PTR frame = WS_CAPTION | WS_THICKFRAME;
    return (GetWindowLongPtrW(viewer.Main(), GWL_STYLE) & frame) == frame && viewer.StatusBarHeight() > 0;
}

}  // namespace

TEST(FullScreen, F11CoversTheMonitorAndF11AgainRestoresTheWindowAndItsLayout) {
    Viewer viewer;
    // A fixed window (no wrap) with the top-left layout.
    const RECT position{150, 120, 650, 520};
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, position, 1, kStill + L" -nowrap -noautocenter"));
    ASSERT_TRUE(SameRect(viewer.WindowRect(), position)) << Describe(viewer.WindowRect());
    ASSERT_TRUE(HasFrameAndStatusBar(viewer));

    viewer.PostKey(VK_F11);
    ASSERT_TRUE(viewer.WaitForWindowRect(Screen())) << Describe(viewer.WindowRect());
    viewer.WaitForStableSize();
    // No frame and no status bar: the client area is the whole monitor, and
    // full screen lays the picture out by its own (centred) layout.
    EXPECT_EQ(GetWindowLongPtrW(viewer.Main(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_EQ(viewer.StatusBarHeight(), 0);
    EXPECT_TRUE(SameRect(viewer.ClientOnScreen(), Screen())) << Describe(viewer.ClientOnScreen());
    ExpectCentred();

    viewer.PostKey(VK_F11);
    EXPECT_TRUE(viewer.WaitForWindowRect(position)) << Describe(viewer.WindowRect());
    viewer.WaitForStableSize();
    EXPECT_TRUE(HasFrameAndStatusBar(viewer));
    // The top-left layout is back: the picture sits in the client's corner.
    const RECT back = viewer.ViewOnScreen();
    ASSERT_TRUE(WaitForPixel(back.left + kPictureW / 2, back.top + kPictureH / 2, kTeal));
    ExpectPlaced({back.left, back.top, back.left + kPictureW, back.top + kPictureH}, kTeal, back, kNavy);
}

TEST(FullScreen, AStartInFullScreenShowsTheNameOnCommandAndKeepsTheWindowedPlacement) {
    Viewer viewer;
    const RECT position{200, 150, 700, 550};
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, position, 3, L"-noslide -notransitions -nowrap -screenname -fullscreen"));
    ExpectCentred();
    // White text with its dark shadow in the top left corner, following its command at once.
    const auto nameShown = [](bool wanted) {
        const auto drawn = [] { return Width(ColourBox(Screenshot(), {0, 0, 640, 40}, RGB(255, 255, 255))) > 0; };
        return WaitUntil([&] { return drawn() == wanted; }, 5000);
    };
    EXPECT_TRUE(nameShown(true)) << "no file name drawn";
    viewer.PostCommand(kCmdScreenCaption);
    EXPECT_TRUE(nameShown(false)) << "the file name stays after it was switched off";
    ExpectCentred();
    viewer.PostCommand(kCmdScreenCaption);
    EXPECT_TRUE(nameShown(true)) << "the file name does not come back";
    // Over a collage as well: switched off, the collage is put back over it.
    viewer.PostCommand(kCmdCollage);
    EXPECT_TRUE(nameShown(true)) << "no file name drawn over the collage";
    viewer.PostCommand(kCmdScreenCaption);
    EXPECT_TRUE(nameShown(false)) << "the file name stays over the collage";

    const std::wstring text = viewer.SavedSettings();
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"layer"), L"1");
    EXPECT_EQ(IniValue(text, L"[Image]", L"layout"), L"3");
    const long edges[] = {position.left, position.top, position.right, position.bottom};
    const wchar_t* const keys[] = {L"left", L"top", L"right", L"bottom"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(IniValue(text, L"[Position]", keys[i]), std::to_wstring(edges[i]));
}

TEST(FullScreen, TheRoamingLayoutKeepsTheWholePictureOnScreen) {
    Viewer viewer;
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, {100, 100, 500, 400}, 0, kStill + L" -screenroam -fullscreen"));
    for (int round = 0; round < 3; ++round) {
        // Each repaint places the picture anew; wherever it lands it is whole.
        RECT box{};
        WaitUntil([&] {
            box = ColourBox(Screenshot(), Screen(), kTeal);
            return Width(box) == kPictureW && Height(box) == kPictureH;
        }, 5000);
        // The box is read off the screen: a picture cut by its edge is smaller.
        EXPECT_EQ(Width(box), kPictureW) << Describe(box);
        EXPECT_EQ(Height(box), kPictureH) << Describe(box);
        InvalidateRect(viewer.Main(), nullptr, TRUE);
    }
}
