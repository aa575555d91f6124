// The popup menu as the user meets it: F1 opens it, Escape walks pinned menus
// back out, a choice runs and the pinned submenu comes back, nothing opens
// while a dialog is up.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr UINT kPopupMenuMessage = WM_USER + 3;

bool WaitGone(HWND window, DWORD timeoutMs = 5000) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window) && GetTickCount() - start < timeoutMs) Sleep(20);
    return !(IsWindow(window) && IsWindowVisible(window));
}

RECT RectOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

void PostReopen(const Viewer& viewer, int x, int y, int position) {
    const WPARAM packed = MAKEWPARAM(static_cast<WORD>(x), static_cast<WORD>(y + 100));
    PostMessageW(viewer.Main(), kPopupMenuMessage, packed, position);
}

// Starts a viewer on one small picture with the slideshow off.
void StartViewer(Viewer& viewer, const std::wstring& arguments = L"-noslide") {
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 60, RGB(40, 90, 160));
    ASSERT_TRUE(viewer.Launch(arguments));
    viewer.WaitForStableSize();
}

std::wstring SavedValue(Viewer& viewer, const wchar_t* section, const wchar_t* key) {
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
    return IniValue(ReadUtf16File(viewer.SettingsPath()), section, key);
}

}  // namespace

TEST(Menu, F1OpensTheMenuAtTheWindowCornerAndEscapeClosesIt) {
    Viewer viewer;
    StartViewer(viewer);
    // The cursor lies outside the window: the menu opens at the client corner.
    ASSERT_TRUE(PlaceCursor(2, 2));
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "F1 opened no menu";
    const RECT client = viewer.ClientOnScreen();
    const RECT at = RectOf(menu);
    EXPECT_GT(at.left, client.left - 1);
    EXPECT_LT(at.left, client.left + 20);
    EXPECT_GT(at.top, client.top - 1);
    EXPECT_LT(at.top, client.top + 20);
    // The main menu is a long one: far taller than any of its submenus.
    EXPECT_GT(at.bottom - at.top, 300);

    MenuKey(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));
    EXPECT_EQ(viewer.WaitForPopupMenu(700), nullptr);
    EXPECT_TRUE(viewer.Running());
    // The viewer still answers after the menu closed.
    EXPECT_EQ(SavedValue(viewer, L"[Menu]", L"at cursor"), L"TRUE");
}

TEST(Menu, OpensAtTheCursorInsideTheWindow) {
    Viewer viewer;
    StartViewer(viewer);
    const RECT window = viewer.WindowRect();
    const int x = (window.left + window.right) / 2;
    const int y = (window.top + window.bottom) / 2;
    ASSERT_TRUE(PlaceCursor(x, y));
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr);
    const RECT at = RectOf(menu);
    EXPECT_NEAR(at.left, x, 3);
    EXPECT_NEAR(at.top, y, 3);
    MenuKey(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));
}

TEST(Menu, NoMenuOptionStillLetsF1OpenIt) {
    Viewer viewer;
    StartViewer(viewer, L"-noslide -nomenu");
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr);
    MenuKey(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));
    EXPECT_TRUE(viewer.Running());
}

TEST(Menu, ChoosingExitClosesTheViewer) {
    Viewer viewer;
    StartViewer(viewer);
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr);
    MenuKey(menu, VK_UP);   // from no selection: the last item, Exit
    MenuKey(menu, VK_RETURN);
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

TEST(Menu, PinnedSortReopensAfterAChoiceAndEscapeWalksBackOut) {
    Viewer viewer;
    StartViewer(viewer);
    viewer.PostCommand(2000);   // pin the main menu
    viewer.PostCommand(2003);   // pin Sort

    PostReopen(viewer, 200, 150, 3);
    HWND sort = viewer.WaitForPopupMenu();
    ASSERT_NE(sort, nullptr) << "the pinned Sort submenu did not open";
    const RECT sortRect = RectOf(sort);
    EXPECT_NEAR(sortRect.left, 200, 3);
    EXPECT_NEAR(sortRect.top, 150, 3);
    // Pin, Forward, Reverse, Random, Tree, Tree (Strict), Name.
    for (int i = 0; i < 7; ++i) MenuKey(sort, VK_DOWN);
    MenuKey(sort, VK_RETURN);
    EXPECT_TRUE(WaitGone(sort));

    // The choice ran and the same submenu came back at the same place.
    HWND again = viewer.WaitForPopupMenu(5000, sort);
    ASSERT_NE(again, nullptr) << "the pinned Sort submenu did not re-open";
    const RECT againRect = RectOf(again);
    EXPECT_EQ(againRect.left, sortRect.left);
    EXPECT_EQ(againRect.top, sortRect.top);
    EXPECT_EQ(againRect.bottom - againRect.top, sortRect.bottom - sortRect.top);

    // Escape unpins Sort; the pinned main menu opens in its place.
    MenuKey(again, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(again));
    HWND main = viewer.WaitForPopupMenu(5000, again);
    ASSERT_NE(main, nullptr) << "the pinned main menu did not open";
    EXPECT_GT(RectOf(main).bottom - RectOf(main).top, sortRect.bottom - sortRect.top);

    // Escape once more unpins the main menu: nothing opens.
    MenuKey(main, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(main));
    EXPECT_EQ(viewer.WaitForPopupMenu(800, main), nullptr);
    EXPECT_EQ(SavedValue(viewer, L"[Slideshow]", L"sortby"), L"2");
}

TEST(Menu, NothingOpensWhileADialogIsUp) {
    Viewer viewer;
    StartViewer(viewer);
    viewer.PostCommand(1002);
    const MessageBoxInfo dialog = viewer.WaitForMessageBox(L"Slideshow Timer", 20000);
    ASSERT_NE(dialog.window, nullptr);
    PostReopen(viewer, 100, 100, 0);
    EXPECT_EQ(viewer.WaitForPopupMenu(800), nullptr);
    PostMessageW(dialog.window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitGone(dialog.window));

    // With the dialog gone the same request opens the menu.
    PostReopen(viewer, 100, 100, 0);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr);
    MenuKey(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));
}
