// The Catalog as the user meets it: opened on the exhibit at the shown
// picture, its thumbnails, its keys and menu commands, and the way back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const COLORREF kColours[] = {RGB(220, 30, 30), RGB(30, 190, 40), RGB(40, 40, 220), RGB(230, 200, 20),
                             RGB(200, 40, 200), RGB(20, 200, 200)};

struct CatalogOpen {
    HWND dialog = nullptr;
    HWND list = nullptr;
};

// Opens the Catalog from the viewer and finds its list.
CatalogOpen OpenCatalog(const Viewer& viewer) {
    viewer.PostCommand(kCmdCatalog);
    CatalogOpen open;
    WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM found) {
            wchar_t title[400] = {};
            GetWindowTextW(window, title, 400);
            if (IsWindowVisible(window) && wcsstr(title, L" - Oxbrill Catalog")) *reinterpret_cast<HWND*>(found) = window;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&open.dialog));
        return open.dialog != nullptr;
    });
    if (open.dialog) open.list = FindWindowExW(open.dialog, nullptr, WC_LISTVIEWW, nullptr);
    return open;
}

int Focused(HWND list) { return int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }

}  // namespace

TEST(Catalog, OpensAtTheShownPictureShowsThumbnailsAndReturnsAtTheChosenOne) {
    Viewer viewer;
    for (int i = 0; i < 6; ++i)
        WriteSolidBmp(viewer.Picture(L"p" + std::to_wstring(i) + L".bmp"), 300, 200, kColours[i]);
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    viewer.PostCommand(kCmdNext);
    viewer.PostCommand(kCmdNext);
    ASSERT_TRUE(viewer.WaitForShown(L"p2.bmp"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list) << "no Catalog";
    EXPECT_EQ(SendMessageW(catalog.list, LVM_GETITEMCOUNT, 0, 0), 6);
    EXPECT_EQ(Focused(catalog.list), 2);
    EXPECT_FALSE(IsWindowVisible(viewer.Main())) << "the viewer hides while the Catalog shows";

    // Every thumbnail is drawn: 100 x 66, each in its picture's colour.
    RECT area{};
    GetWindowRect(catalog.list, &area);
    for (int i = 0; i < 6; ++i) {
        RECT box{};
        EXPECT_TRUE(WaitUntil([&] {
            box = ColourBox(Screenshot(), area, kColours[i]);
            return Width(box) == 100 && Height(box) == 66;
        }, 10000)) << i << " " << Describe(box);
    }

    // End and Enter: the viewer comes back at the last picture.
    PostKeyTo(catalog.list, VK_END);
    EXPECT_TRUE(WaitUntil([&] { return Focused(catalog.list) == 5; }));
    PostKeyTo(catalog.list, VK_RETURN);
    EXPECT_TRUE(WaitGone(catalog.dialog));
    EXPECT_TRUE(viewer.WaitForShown(L"p5.bmp"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(viewer.Main()) != FALSE; }));
}
