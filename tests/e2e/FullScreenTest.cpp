// Full screen: F11 turns the viewer into a frameless window over the whole
// monitor with the picture laid out on the background colour, F11 again
// brings back the window, its frame, status bar, rectangle and layout, and a
// start in full screen keeps the windowed placement in the settings file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const std::wstring kStill = L"-noslide -notransitions -noscreenname";
const COLORREF kTeal = RGB(20, 140, 150);
const COLORREF kNavy = RGB(30, 40, 90);
const int kPictureW = 300, kPictureH = 200;

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }
std::wstring Text(long n) { return std::to_wstring(n); }

std::string Describe(const RECT& r) {
    char text[80];
    snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", static_cast<long>(r.left), static_cast<long>(r.top),
             static_cast<long>(r.right), static_cast<long>(r.bottom));
    return text;
}

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT Screen() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

std::wstring Settings(const RECT& position, int layout) {
    return L"[Image]\r\nlayout=" + Text(layout) + L"\r\n[Window]\r\nbgcolor=" + Text(static_cast<long>(kNavy)) +
           L"\r\n[Position]\r\nleft=" + Text(position.left) + L"\r\ntop=" + Text(position.top) +
           L"\r\nright=" + Text(position.right) + L"\r\nbottom=" + Text(position.bottom) + L"\r\n";
}

// Waits until the window's rectangle is `wanted`; returns the last one read.
RECT WaitForWindowRect(const Viewer& viewer, const RECT& wanted, DWORD timeoutMs = 8000) {
    const DWORD start = GetTickCount();
    RECT now = viewer.WindowRect();
    while (!SameRect(now, wanted) && GetTickCount() - start < timeoutMs) {
        Sleep(30);
        now = viewer.WindowRect();
    }
    return now;
}

bool WaitForPixel(int x, int y, COLORREF colour) {
    const DWORD start = GetTickCount();
    do {
        if (NearColour(Screenshot().Pixel(x, y), colour)) return true;
        Sleep(30);
    } while (GetTickCount() - start < 5000);
    return false;
}

bool HasStatusBar(const Viewer& viewer) {
    return FindWindowExW(viewer.Main(), nullptr, L"msctls_statusbar32", nullptr) != nullptr;
}

LONG_PTR Style(const Viewer& viewer) { return GetWindowLongPtrW(viewer.Main(), GWL_STYLE); }

// The picture fills `picture` and the background lies just outside each side.
void ExpectPlaced(const RECT& picture, const char* what) {
    const Screenshot shot;
    const int midX = (picture.left + picture.right) / 2, midY = (picture.top + picture.bottom) / 2;
    const POINT inside[] = {{picture.left, picture.top},
                            {picture.right - 1, picture.top},
                            {picture.left, picture.bottom - 1},
                            {picture.right - 1, picture.bottom - 1},
                            {midX, midY}};
    for (const POINT& p : inside)
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), kTeal))
            << what << ": picture pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
    const POINT outside[] = {{picture.left - 1, midY}, {picture.right, midY}, {midX, picture.top - 1},
                             {midX, picture.bottom}};
    for (const POINT& p : outside)
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), kNavy))
            << what << ": background pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
}

RECT CentredPicture() {
    const RECT s = Screen();
    const int x = (Width(s) - kPictureW) / 2, y = (Height(s) - kPictureH) / 2;
    return RECT{x, y, x + kPictureW, y + kPictureH};
}

void Launch(Viewer& viewer, const std::wstring& arguments) {
    WriteSolidBmp(viewer.Picture(L"teal.bmp"), kPictureW, kPictureH, kTeal);
    ASSERT_TRUE(viewer.Launch(arguments));
    viewer.WaitForStableSize();
}

}  // namespace

TEST(FullScreen, F11CoversTheMonitorAndCentresThePicture) {
    Viewer viewer;
    viewer.WriteSettings(Settings(RECT{100, 100, 500, 400}, 0));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill));
    ASSERT_TRUE(HasStatusBar(viewer));

    viewer.PostKey(VK_F11);
    const RECT screen = Screen();
    const RECT window = WaitForWindowRect(viewer, screen);
    ASSERT_TRUE(SameRect(window, screen)) << Describe(window);
    viewer.WaitForStableSize();

    // No frame and no status bar: the client area is the whole monitor.
    EXPECT_EQ(Style(viewer) & (WS_CAPTION | WS_THICKFRAME), 0);
    EXPECT_FALSE(HasStatusBar(viewer));
    EXPECT_TRUE(SameRect(viewer.ClientOnScreen(), screen)) << Describe(viewer.ClientOnScreen());

    const RECT picture = CentredPicture();
    ASSERT_TRUE(WaitForPixel((picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2, kTeal));
    ExpectPlaced(picture, "full screen");
    const Screenshot shot;
    EXPECT_TRUE(NearColour(shot.Pixel(5, 5), kNavy)) << Hex(shot.Pixel(5, 5));
    EXPECT_TRUE(NearColour(shot.Pixel(screen.right - 5, screen.bottom - 5), kNavy));
}

TEST(FullScreen, F11AgainRestoresTheWindowItsRectangleAndLayout) {
    Viewer viewer;
    // A fixed window (no wrap) with the top-left layout.
    const RECT position{150, 120, 650, 520};
    viewer.WriteSettings(Settings(position, 1));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -nowrap -noautocenter"));
    const RECT before = viewer.WindowRect();
    ASSERT_TRUE(SameRect(before, position)) << Describe(before);
    const RECT client = viewer.ClientOnScreen();
    ASSERT_TRUE(WaitForPixel(client.left + 5, client.top + 5, kTeal));

    viewer.PostKey(VK_F11);
    const RECT screen = Screen();
    ASSERT_TRUE(SameRect(WaitForWindowRect(viewer, screen), screen));
    viewer.WaitForStableSize();
    // Full screen lays the picture out by its own (centred) layout.
    const RECT picture = CentredPicture();
    ASSERT_TRUE(WaitForPixel((picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2, kTeal));
    ExpectPlaced(picture, "full screen");

    viewer.PostKey(VK_F11);
    const RECT after = WaitForWindowRect(viewer, before);
    EXPECT_TRUE(SameRect(after, before)) << Describe(after) << " instead of " << Describe(before);
    viewer.WaitForStableSize();
    EXPECT_EQ(Style(viewer) & (WS_CAPTION | WS_THICKFRAME), static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME));
    EXPECT_TRUE(HasStatusBar(viewer));

    // The top-left layout is back: the picture sits in the client's corner.
    const RECT back = viewer.ClientOnScreen();
    ASSERT_TRUE(WaitForPixel(back.left + kPictureW / 2, back.top + kPictureH / 2, kTeal));
    const Screenshot shot;
    EXPECT_TRUE(NearColour(shot.Pixel(back.left, back.top), kTeal)) << Hex(shot.Pixel(back.left, back.top));
    EXPECT_TRUE(NearColour(shot.Pixel(back.left + kPictureW, back.top + 10), kNavy));
    EXPECT_TRUE(NearColour(shot.Pixel(back.left + 10, back.top + kPictureH), kNavy));
}

TEST(FullScreen, StartingFullScreenKeepsTheWindowedLayoutAndPlacementInTheFile) {
    Viewer viewer;
    const RECT position{200, 150, 700, 550};
    viewer.WriteSettings(Settings(position, 3));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -nowrap -fullscreen"));
    const RECT screen = Screen();
    ASSERT_TRUE(SameRect(WaitForWindowRect(viewer, screen), screen));
    const RECT picture = CentredPicture();
    ASSERT_TRUE(WaitForPixel((picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2, kTeal));
    ExpectPlaced(picture, "started full screen");

    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);
    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"layer"), L"1");
    EXPECT_EQ(IniValue(text, L"[Image]", L"layout"), L"3");
    EXPECT_EQ(IniValue(text, L"[Position]", L"left"), Text(position.left));
    EXPECT_EQ(IniValue(text, L"[Position]", L"top"), Text(position.top));
    EXPECT_EQ(IniValue(text, L"[Position]", L"right"), Text(position.right));
    EXPECT_EQ(IniValue(text, L"[Position]", L"bottom"), Text(position.bottom));
}

namespace {

// Bounding box of the pixels near `colour` inside `area` of one screenshot;
// empty when there are none.
RECT ColourBox(const Screenshot& shot, const RECT& area, COLORREF colour) {
    RECT box{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (NearColour(shot.Pixel(x, y), colour, 16)) {
                if (x < box.left) box.left = x;
                if (y < box.top) box.top = y;
                if (x + 1 > box.right) box.right = x + 1;
                if (y + 1 > box.bottom) box.bottom = y + 1;
            }
    if (box.left >= box.right) return RECT{};
    return box;
}

bool WaitForWhiteText(bool wanted) {
    const RECT strip{0, 0, 640, 40};
    const DWORD start = GetTickCount();
    do {
        const RECT box = ColourBox(Screenshot(), strip, RGB(255, 255, 255));
        if ((box.right > box.left) == wanted) return true;
        Sleep(50);
    } while (GetTickCount() - start < 5000);
    return false;
}

}  // namespace

TEST(FullScreen, NameOverlayFollowsItsCommandAtOnce) {
    Viewer viewer;
    viewer.WriteSettings(Settings(RECT{100, 100, 500, 400}, 0));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, L"-noslide -notransitions -screenname -fullscreen"));
    const RECT screen = Screen();
    ASSERT_TRUE(SameRect(WaitForWindowRect(viewer, screen), screen));
    const RECT picture = CentredPicture();
    ASSERT_TRUE(WaitForPixel((picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2, kTeal));

    // White text with its dark shadow in the top left corner, on the background.
    EXPECT_TRUE(WaitForWhiteText(true)) << "no file name drawn";
    viewer.PostCommand(1372);
    EXPECT_TRUE(WaitForWhiteText(false)) << "the file name stays after it was switched off";
    ExpectPlaced(picture, "after the name went");
    viewer.PostCommand(1372);
    EXPECT_TRUE(WaitForWhiteText(true)) << "the file name does not come back";
}

TEST(FullScreen, RoamingLayoutKeepsTheWholePictureOnScreen) {
    Viewer viewer;
    viewer.WriteSettings(Settings(RECT{100, 100, 500, 400}, 0));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -screenroam -fullscreen"));
    const RECT screen = Screen();
    ASSERT_TRUE(SameRect(WaitForWindowRect(viewer, screen), screen));

    for (int round = 0; round < 3; ++round) {
        // Each repaint places the picture anew; wherever it lands it is whole.
        const DWORD start = GetTickCount();
        RECT box{};
        do {
            Sleep(100);
            box = ColourBox(Screenshot(), screen, kTeal);
        } while ((Width(box) != kPictureW || Height(box) != kPictureH) && GetTickCount() - start < 5000);
        EXPECT_EQ(Width(box), kPictureW) << Describe(box);
        EXPECT_EQ(Height(box), kPictureH) << Describe(box);
        EXPECT_GE(box.left, 0);
        EXPECT_GE(box.top, 0);
        EXPECT_LE(box.right, screen.right);
        EXPECT_LE(box.bottom, screen.bottom);
        InvalidateRect(viewer.Main(), nullptr, TRUE);
    }
}
