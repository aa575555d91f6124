// The small input dialogs as the user meets them: texts from the language
// table, the number that comes back, what the command does with it, and no
// popup menu over them.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

TEST(Dialogs, NumbersTypedIntoEachDialogAreTakenClampedOrIgnoredOnEscape) {
    Viewer viewer;
    for (int i = 0; i < 10; ++i)
        WriteSolidBmp(viewer.Picture(L"p0" + std::to_wstring(i) + L".bmp"), 40, 30, RGB(20 * i, 0, 0));
    ASSERT_TRUE(viewer.Launch(L"-noslide"));
    ASSERT_TRUE(viewer.WaitForShown(L"p00.bmp"));
    const struct {
        int command;
        const wchar_t *caption, *prompt;
        const wchar_t* offered;   // what the field shows on opening
        const wchar_t* typed;
        bool confirm;
        const wchar_t* shown;     // the picture shown afterwards
    } steps[] = {
        {kCmdTimer, L"Slideshow Timer", L"Milliseconds", L"5000", L"2500", true, nullptr},
        {kCmdTimer, L"Slideshow Timer", L"Milliseconds", L"2500", L"7", false, nullptr},
        {kCmdTimer, L"Slideshow Timer", L"Milliseconds", L"2500", L"", true, nullptr},   // empty is zero
        {kCmdOpacity, L"Blend Opacity", L"(255: opaque)", L"127", L"300", true, nullptr},
        {kCmdZoomStep, L"Zoom Step", L"(Default: 10)", L"10", L"0", true, nullptr},
        // Go To offers the shown picture's number counted from 1, wraps, and stays put on 0.
        {kCmdGoTo, L"Go To", L"(Image index)", L"1", L"25", true, L"p04.bmp"},
        {kCmdGoTo, L"Go To", L"(Image index)", L"5", L"0", true, L"p04.bmp"},
        {kCmdGoTo, L"Go To", L"(Image index)", L"5", L"10", true, L"p09.bmp"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(step.caption) + L" " + step.typed));
        viewer.PostCommand(step.command);
        const MessageBoxInfo box = viewer.WaitForDialog(step.caption, 30000);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(ControlText(box.window, IDC_PROMPT), step.prompt);
        EXPECT_EQ(ControlText(box.window, IDC_VALUE), step.offered);
        if (&step == steps) {   // no menu opens over a dialog
            PostMessageW(viewer.Main(), WM_APP_POPUPMENU, MAKEWPARAM(100, 200), 0);
            EXPECT_EQ(viewer.WaitForPopupMenu(800), nullptr);
        }
        SetDlgItemTextW(box.window, IDC_VALUE, step.typed);
        PostMessageW(box.window, WM_COMMAND, step.confirm ? IDOK : IDCANCEL, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.window); }, 5000));
        if (step.shown) {
            EXPECT_TRUE(viewer.WaitForShown(step.shown));
        }
    }
    const std::wstring text = viewer.SavedSettings();
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"0");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"opacity"), L"255");
    EXPECT_EQ(IniValue(text, L"[Image]", L"zoomstep"), L"0");
}
