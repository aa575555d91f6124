// The slideshow as the user sees it: the timer walking the exhibit, the keys
// stepping through it, the end of the exhibit (exit, or pause after a
// crossfade caught on screen).
#include <gtest/gtest.h>

#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

// Pictures created in reverse order, so only the sort can put them in order;
// then the viewer is started and the first one awaited.
bool LaunchOn(Viewer& viewer, const std::vector<std::wstring>& names, const std::wstring& arguments) {
    for (size_t i = names.size(); i-- > 0;)
        WriteSolidBmp(viewer.Picture(names[i]), 120, 90, RGB(40 * int(i), 90, 200));
    return viewer.Launch(arguments) && viewer.WaitForShown(names.front());
}

// Waits for each picture of `names` to be shown in turn; gives the tick count of each.
std::vector<DWORD> ShownInTurn(const Viewer& viewer, const std::vector<std::wstring>& names) {
    std::vector<DWORD> at;
    for (const std::wstring& name : names) {
        EXPECT_TRUE(viewer.WaitForShown(name, 12000)) << "instead of " << testing::PrintToString(name) << ": "
                                                      << testing::PrintToString(viewer.Caption());
        at.push_back(GetTickCount());
    }
    return at;
}

}  // namespace

TEST(Slideshow, TheTimerWalksTheExhibitInSortOrderAboutOnceASecond) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, L"-t1000 -notransitions"));
    const std::vector<DWORD> at = ShownInTurn(viewer, {L"b.bmp", L"c.bmp", L"d.bmp", L"a.bmp"});
    for (size_t i = 1; i < at.size(); ++i) EXPECT_GE(at[i] - at[i - 1], 700u) << "before " << i;
}

TEST(Slideshow, KeysStepAndWrapAndAHandStepGivesTheNewPictureAFullPeriod) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, L"-t3000 -notransitions"));
    // Two seconds into a's period, step on: b must not inherit a's last second.
    Sleep(2000);
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp", 0));
    viewer.PostKey(VK_NEXT);
    const std::vector<DWORD> at = ShownInTurn(viewer, {L"b.bmp", L"c.bmp"});
    EXPECT_GE(at[1] - at[0], 2400u);

    viewer.PostCommand(kCmdSlideshow);   // the show off: the keys alone step
    viewer.PostKey(VK_END);
    ASSERT_TRUE(viewer.WaitForShown(L"d.bmp"));
    viewer.PostKey(VK_NEXT);   // past the end wraps round to the first
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    viewer.PostKey(VK_PRIOR);
    ASSERT_TRUE(viewer.WaitForShown(L"d.bmp"));
    Sleep(3500);
    EXPECT_TRUE(viewer.WaitForShown(L"d.bmp", 0)) << "the show went on while off";
}

TEST(Slideshow, LoopExitEndsTheProgramAfterTheLastPictureAndSavesSettings) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOn(viewer, {L"a.bmp", L"b.bmp", L"c.bmp"}, L"-t1000 -loopexit -notransitions"));
    ASSERT_TRUE(viewer.WaitForShown(L"c.bmp", 25000));
    const DWORD lastShown = GetTickCount();
    // The last picture gets its full period, then the program ends by itself.
    EXPECT_EQ(viewer.WaitForExit(15000), 0);
    EXPECT_GE(GetTickCount() - lastShown, 700u);
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Slideshow]", L"loop"), L"2");
}

TEST(Slideshow, ACrossfadeMidwayShowsABlendAndEndsOnTheNewPictureExactly) {
    Viewer viewer;
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 240, 180, red);
    WriteSolidBmp(viewer.Picture(L"b.bmp"), 240, 180, blue);
    std::wstring ini = L"[Tweak Transitions]\r\ncrossfade latency=30\r\n\r\n"
                       L"[Transitions]\r\ntransitions=TRUE\r\noverlap=TRUE\r\n";
    for (int key = 1; key <= 15; ++key) ini += std::to_wstring(key) + (key == 15 ? L"=TRUE\r\n" : L"=FALSE\r\n");
    viewer.WriteSettings(ini);
    // Pausing at the end keeps b on screen once it has faded in.
    ASSERT_TRUE(viewer.Launch(L"-t1000 -loopause"));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    // The caption changes when the frame is composed, just before the fade starts.
    ASSERT_TRUE(viewer.WaitForShown(L"b.bmp", 40000));

    const RECT view = viewer.ViewOnScreen();
    const int x = (view.left + view.right) / 2, y = view.top + 60;
    bool blended = false;
    COLORREF last = CLR_INVALID;
    EXPECT_TRUE(WaitUntil([&] {
        last = Screenshot().Pixel(x, y);
        blended = blended || (GetRValue(last) > 40 && GetBValue(last) > 40 && GetGValue(last) < 30);
        return last == blue;
    }, 25000)) << "last pixel read " << Hex(last);
    EXPECT_TRUE(blended) << "no mix of red and blue caught during the fade";

    // The whole picture is the new one, and it stays so: the show pauses on
    // the last picture, but the user can step on.
    Sleep(2500);
    ExpectPlaced(view, blue, view, blue);
    EXPECT_TRUE(viewer.WaitForShown(L"b.bmp", 0));
    viewer.PostKey(VK_NEXT);
    EXPECT_TRUE(viewer.WaitForShown(L"a.bmp"));
}
