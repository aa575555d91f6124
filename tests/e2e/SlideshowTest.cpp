// The slideshow as the user sees it: the timer walking the exhibit, the end of
// the exhibit (pause or exit), the navigation keys, the keys that stay alive
// with "-nomenu", and a crossfade between two pictures caught on screen.
#include <gtest/gtest.h>

#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

// The file name in a caption "C:\...\name.bmp - Oxbrill (...)"; empty when the
// caption names no picture.
std::wstring ShownName(const std::wstring& caption) {
    const size_t dash = caption.find(L" - ");
    if (dash == std::wstring::npos) return L"";
    const std::wstring path = caption.substr(0, dash);
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? L"" : path.substr(slash + 1);
}

// Waits until the caption names `name`.
bool WaitForShown(const Viewer& viewer, const std::wstring& name, DWORD timeoutMs = 10000) {
    return ShownName(viewer.WaitForCaption([&](const std::wstring& c) { return ShownName(c) == name; },
                                           timeoutMs)) == name;
}

struct Change {
    std::wstring name;
    DWORD at;
};

// Watches the caption and records every change of the shown picture until
// `count` pictures have been seen (the first one included) or time runs out.
std::vector<Change> RecordChanges(const Viewer& viewer, size_t count, DWORD timeoutMs) {
    std::vector<Change> seen;
    const DWORD start = GetTickCount();
    while (seen.size() < count && GetTickCount() - start < timeoutMs) {
        const std::wstring name = ShownName(viewer.Caption());
        if (!name.empty() && (seen.empty() || seen.back().name != name)) seen.push_back({name, GetTickCount()});
        Sleep(10);
    }
    return seen;
}

// Pictures created in reverse order, so only the sort can put them in order.
void WritePictures(const Viewer& viewer, const std::vector<std::wstring>& names) {
    for (size_t i = names.size(); i-- > 0;)
        WriteSolidBmp(viewer.Picture(names[i]), 120, 90, RGB(40 * static_cast<int>(i), 90, 200));
}

// Writes the pictures, starts the viewer and waits for the first one (a.bmp).
bool LaunchOn(Viewer& viewer, const std::vector<std::wstring>& names, const std::wstring& arguments) {
    WritePictures(viewer, names);
    return viewer.Launch(arguments) && WaitForShown(viewer, names.front());
}

}  // namespace

TEST(Slideshow, TimerWalksTheExhibitInSortOrderAboutOnceASecond) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, L"-t1000 -notransitions"));

    // a is already showing; four more changes bring the show round to a again.
    const std::vector<Change> seen = RecordChanges(viewer, 5, 45000);
    std::vector<std::wstring> order;
    for (const Change& change : seen) order.push_back(change.name);
    const std::vector<std::wstring> expected = {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp", L"a.bmp"};
    ASSERT_EQ(order, expected);
    // The first entry is when we started watching, not when a was shown.
    for (size_t i = 2; i < seen.size(); ++i) {
        const DWORD interval = seen[i].at - seen[i - 1].at;
        EXPECT_GE(interval, 700u) << "before " << i;
        EXPECT_LE(interval, 12000u) << "before " << i;
    }
}

TEST(Slideshow, NextAndLastKeysWalkTheExhibitWithTheShowOff) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, L"-t1000 -noslide -notransitions"));

    // With the show off a full period passes without a change.
    Sleep(1600);
    EXPECT_EQ(ShownName(viewer.Caption()), L"a.bmp");

    viewer.PostKey(VK_NEXT);
    EXPECT_TRUE(WaitForShown(viewer, L"b.bmp"));
    viewer.PostCommand(1051);
    EXPECT_TRUE(WaitForShown(viewer, L"c.bmp"));
    viewer.PostKey(VK_END);
    EXPECT_TRUE(WaitForShown(viewer, L"d.bmp"));
    viewer.PostCommand(1051);  // past the end wraps round to the first
    EXPECT_TRUE(WaitForShown(viewer, L"a.bmp"));
    viewer.PostCommand(1054);
    EXPECT_TRUE(WaitForShown(viewer, L"d.bmp"));

    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

TEST(Slideshow, SteppingByHandGivesTheNewPictureAFullPeriod) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp"}, L"-t3000 -notransitions"));

    // Two seconds into a's period, step on: b must not inherit a's last second.
    Sleep(2000);
    ASSERT_EQ(ShownName(viewer.Caption()), L"a.bmp");
    viewer.PostKey(VK_NEXT);
    ASSERT_TRUE(WaitForShown(viewer, L"b.bmp"));
    const std::vector<Change> seen = RecordChanges(viewer, 2, 35000);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].name, L"c.bmp");
    EXPECT_GE(seen[1].at - seen[0].at, 2400u);
}

TEST(Slideshow, LoopExitEndsTheProgramAfterTheLastPictureAndSavesSettings) {
    Viewer viewer;
    WritePictures(viewer, {L"a.bmp", L"b.bmp", L"c.bmp"});
    ASSERT_FALSE(FileExists(viewer.SettingsPath()));
    ASSERT_TRUE(viewer.Launch(L"-t1000 -loopexit -notransitions"));
    ASSERT_TRUE(WaitForShown(viewer, L"c.bmp", 25000));
    const DWORD lastShown = GetTickCount();

    // The last picture gets its full period, then the program ends by itself.
    EXPECT_EQ(viewer.WaitForExit(15000), 0);
    EXPECT_GE(GetTickCount() - lastShown, 700u);

    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    ASSERT_FALSE(text.empty()) << "settings not written on the way out";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"2");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"1000");
}

TEST(Slideshow, LoopPauseStopsOnTheLastPicture) {
    Viewer viewer;
    WritePictures(viewer, {L"a.bmp", L"b.bmp"});
    ASSERT_TRUE(viewer.Launch(L"-t1000 -loopause -notransitions"));
    ASSERT_TRUE(WaitForShown(viewer, L"b.bmp", 15000));

    // More than two periods on the last picture: no wrap to a, no exit.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 2600) {
        ASSERT_EQ(ShownName(viewer.Caption()), L"b.bmp");
        ASSERT_TRUE(viewer.Running());
        Sleep(50);
    }

    // The pause is the show's: the user can still step on.
    viewer.PostKey(VK_NEXT);
    EXPECT_TRUE(WaitForShown(viewer, L"a.bmp"));
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

namespace {

// Presses W, then F1 and Esc, and returns the wrap value the viewer saved on
// its way out (empty when it did not end).
std::wstring WrapAfterKeys(const std::wstring& arguments) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"small.bmp"), 160, 120, RGB(10, 120, 60));
    EXPECT_TRUE(viewer.Start(arguments));
    if (!viewer.WaitForWindow()) return L"";
    EXPECT_TRUE(WaitForShown(viewer, L"small.bmp"));
    const RECT before = viewer.WindowRect();

    viewer.PostKey('W');
    viewer.WaitForStableSize();
    const RECT after = viewer.WindowRect();
    EXPECT_TRUE(EqualRect(&before, &after)) << "turning wrap off keeps the window where it is";

    // F1 opens the menu; the first Esc closes it.
    viewer.PostKey(VK_F1);
    const HWND menu = viewer.WaitForPopupMenu();
    EXPECT_NE(menu, nullptr) << "F1 opened no menu";
    if (menu) {
        viewer.PostKey(VK_ESCAPE);
        const DWORD start = GetTickCount();
        while (viewer.WaitForPopupMenu(0) && GetTickCount() - start < 3000) Sleep(20);
    }
    EXPECT_TRUE(viewer.Running()) << "F1 ended the viewer";

    viewer.PostKey(VK_ESCAPE);
    EXPECT_EQ(viewer.WaitForExit(8000), 0) << "Esc did not end the viewer";
    return IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Image]", L"wrap");
}

}  // namespace

TEST(NoMenu, EscAndF1StillWorkButWrapKeyIsIgnored) {
    // Without the option the same keys turn wrap off, so the test can see the key arrive.
    EXPECT_EQ(WrapAfterKeys(L"-noslide"), L"FALSE");
    EXPECT_EQ(WrapAfterKeys(L"-noslide -nomenu"), L"TRUE");
}

TEST(Crossfade, MidwayShowsABlendAndEndsOnTheNewPictureExactly) {
    Viewer viewer;
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF blue = RGB(0, 0, 255);
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 240, 180, red);
    WriteSolidBmp(viewer.Picture(L"b.bmp"), 240, 180, blue);
    std::wstring ini = L"[Tweak Transitions]\r\ncrossfade latency=30\r\n\r\n"
                       L"[Transitions]\r\ntransitions=TRUE\r\noverlap=TRUE\r\n";
    for (int key = 1; key <= 14; ++key) ini += std::to_wstring(key) + L"=FALSE\r\n";
    ini += L"15=TRUE\r\n";
    viewer.WriteSettings(ini);
    // Pausing at the end keeps b on screen once it has faded in.
    ASSERT_TRUE(viewer.Launch(L"-t1000 -loopause"));
    ASSERT_TRUE(WaitForShown(viewer, L"a.bmp"));
    // The caption changes when the frame is composed, just before the fade starts.
    ASSERT_TRUE(WaitForShown(viewer, L"b.bmp", 40000));

    const RECT client = viewer.ClientOnScreen();
    const int x = (client.left + client.right) / 2;
    const int y = client.top + 60;
    bool blended = false;
    bool exact = false;
    COLORREF last = CLR_INVALID;
    const DWORD start = GetTickCount();
    while (!exact && GetTickCount() - start < 25000) {
        last = Screenshot().Pixel(x, y);
        const int r = GetRValue(last), g = GetGValue(last), b = GetBValue(last);
        if (r > 40 && b > 40 && g < 30) blended = true;
        exact = last == blue;
        if (!exact) Sleep(15);
    }
    EXPECT_TRUE(blended) << "no mix of red and blue caught during the fade";
    ASSERT_TRUE(exact) << "last pixel read " << std::hex << last;

    // The whole picture is the new one, and it stays so.
    Sleep(1500);
    const Screenshot shot;
    const RECT area = viewer.ClientOnScreen();
    for (const POINT p : {POINT{area.left + 5, area.top + 5}, POINT{area.right - 6, area.top + 5},
                          POINT{area.left + 5, area.top + 170}, POINT{area.right - 6, area.top + 170},
                          POINT{x, y}})
        EXPECT_EQ(shot.Pixel(p.x, p.y), blue) << p.x << "," << p.y;
    EXPECT_EQ(ShownName(viewer.Caption()), L"b.bmp");
}
