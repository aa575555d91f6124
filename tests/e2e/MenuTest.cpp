// The popup menu and the keys as the user meets them: F1 opens the menu at
// the cursor or the window corner, "-nomenu" leaves only Esc and F1, a pinned
// submenu comes back after a choice and Escape walks pinned menus back out.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

RECT RectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

// Asks the viewer to open the (pinned) menu at (x, y) as after a choice.
void PostReopen(const Viewer& viewer, int x, int y, int position) {
    PostMessageW(viewer.Main(), WM_APP_POPUPMENU, MAKEWPARAM(WORD(x), WORD(y + 100)), position);
}

void StartViewer(Viewer& viewer, const std::wstring& arguments = L"-noslide") {
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 60, RGB(40, 90, 160));
    ASSERT_TRUE(viewer.Launch(arguments));
}

// Opens the menu with F1 and expects it within a few pixels of `corner`'s top left.
void ExpectMenuAt(const Viewer& viewer, const POINT& corner, int slack) {
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "F1 opened no menu";
    const RECT at = RectOf(menu);
    EXPECT_TRUE(at.left >= corner.x && at.left <= corner.x + slack && at.top >= corner.y && at.top <= corner.y + slack)
        << Describe(at);
    EXPECT_GT(Height(at), 300) << "the main menu is a long one";
    PostKeyTo(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));
    EXPECT_EQ(viewer.WaitForPopupMenu(700), nullptr);
}

}  // namespace

TEST(Menu, F1OpensTheMenuAtTheCursorOrTheWindowCornerAndWTurnsWrapOff) {
    Viewer viewer;
    StartViewer(viewer);
    // The cursor outside the window: the menu opens at the client corner.
    ASSERT_TRUE(PlaceCursor(2, 2));
    const RECT client = viewer.ClientOnScreen();
    ExpectMenuAt(viewer, {client.left, client.top}, 20);
    const RECT window = viewer.WindowRect();
    const POINT middle{(window.left + window.right) / 2, (window.top + window.bottom) / 2};
    ASSERT_TRUE(PlaceCursor(middle.x, middle.y));
    ExpectMenuAt(viewer, {middle.x - 3, middle.y - 3}, 6);

    viewer.PostKey('W');
    viewer.WaitForStableSize();
    EXPECT_TRUE(SameRect(viewer.WindowRect(), window)) << "turning wrap off keeps the window where it is";
    EXPECT_EQ(IniValue(viewer.SavedSettings(), L"[Image]", L"wrap"), L"FALSE");
}

TEST(Menu, WithNoMenuOnlyEscAndF1StillWork) {
    Viewer viewer;
    StartViewer(viewer, L"-noslide -nomenu");
    viewer.PostKey('W');   // ignored
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "F1 opened no menu";
    viewer.PostKey(VK_ESCAPE);   // the first Esc closes the menu
    ASSERT_TRUE(WaitGone(menu));
    EXPECT_TRUE(viewer.Running());
    viewer.PostKey(VK_ESCAPE);
    EXPECT_EQ(viewer.WaitForExit(8000), 0) << "Esc did not end the viewer";
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Image]", L"wrap"), L"TRUE");
}

TEST(Menu, APinnedSubmenuReopensAfterAChoiceAndEscapeWalksBackOut) {
    Viewer viewer;
    StartViewer(viewer);
    viewer.PostCommand(kCmdPinMain);
    viewer.PostCommand(kCmdPinSort);
    PostReopen(viewer, 200, 150, 3);
    const HWND sort = viewer.WaitForPopupMenu();
    ASSERT_NE(sort, nullptr) << "the pinned Sort submenu did not open";
    const RECT sortRect = RectOf(sort);
    EXPECT_TRUE(abs(sortRect.left - 200) <= 3 && abs(sortRect.top - 150) <= 3) << Describe(sortRect);
    // Pin, Forward, Reverse, Random, Tree, Tree (Strict), Name.
    for (int i = 0; i < 7; ++i) PostKeyTo(sort, VK_DOWN);
    PostKeyTo(sort, VK_RETURN);
    EXPECT_TRUE(WaitGone(sort));

    // The choice ran and the same submenu came back at the same place.
    const HWND again = viewer.WaitForPopupMenu(5000, sort);
    ASSERT_NE(again, nullptr) << "the pinned Sort submenu did not re-open";
    EXPECT_TRUE(SameRect(RectOf(again), sortRect)) << Describe(RectOf(again));
    // Escape unpins Sort; the pinned main menu opens in its place.
    PostKeyTo(again, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(again));
    const HWND main = viewer.WaitForPopupMenu(5000, again);
    ASSERT_NE(main, nullptr) << "the pinned main menu did not open";
    EXPECT_GT(Height(RectOf(main)), Height(sortRect));
    // Escape once more unpins the main menu: nothing opens.
    PostKeyTo(main, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(main));
    EXPECT_EQ(viewer.WaitForPopupMenu(800, main), nullptr);
    EXPECT_EQ(IniValue(viewer.SavedSettings(), L"[Slideshow]", L"sortby"), L"2");
}
