// The small input dialogs as the user meets them: texts from the language
// table, the number that comes back, and what the command does with it.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr int kValueField = 202;
constexpr int kPromptText = 201;

std::wstring FieldText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// Opens the dialog of `command`, checks its caption and prompt, types `value`
// and presses OK (or Escape when `confirm` is false). Returns what the field showed.
std::wstring AnswerNumber(Viewer& viewer, int command, const wchar_t* caption, const wchar_t* prompt,
                          const wchar_t* value, bool confirm = true) {
    viewer.PostCommand(command);
    const MessageBoxInfo box = viewer.WaitForMessageBox(caption, 30000);
    EXPECT_NE(box.window, nullptr) << "no dialog captioned " << testing::PrintToString(std::wstring(caption));
    if (!box.window) return L"";
    EXPECT_EQ(FieldText(box.window, kPromptText), prompt);
    const std::wstring shown = FieldText(box.window, kValueField);
    SetDlgItemTextW(box.window, kValueField, value);
    PostMessageW(box.window, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
    for (int i = 0; i < 250 && IsWindow(box.window); ++i) Sleep(20);
    EXPECT_FALSE(IsWindow(box.window));
    return shown;
}

std::wstring SavedValue(Viewer& viewer, const wchar_t* section, const wchar_t* key) {
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
    return IniValue(ReadUtf16File(viewer.SettingsPath()), section, key);
}

bool LaunchOnOnePicture(Viewer& viewer) {
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 40, 30, RGB(10, 20, 30));
    return viewer.Launch(L"-noslide");
}

}  // namespace

TEST(Dialogs, TimerTakesTheTypedNumberEscapeKeepsItEmptyIsZero) {
    {
        Viewer viewer;
        ASSERT_TRUE(LaunchOnOnePicture(viewer));
        EXPECT_EQ(AnswerNumber(viewer, 1002, L"Slideshow Timer", L"Milliseconds", L"2500"), L"5000");
        // Escape leaves the value as it was; the field shows the stored one next time.
        EXPECT_EQ(AnswerNumber(viewer, 1002, L"Slideshow Timer", L"Milliseconds", L"7", false), L"2500");
        EXPECT_EQ(SavedValue(viewer, L"[Slideshow]", L"timer"), L"2500");
    }
    {
        Viewer viewer;
        ASSERT_TRUE(LaunchOnOnePicture(viewer));
        AnswerNumber(viewer, 1002, L"Slideshow Timer", L"Milliseconds", L"");
        EXPECT_EQ(SavedValue(viewer, L"[Slideshow]", L"timer"), L"0");
    }
}

TEST(Dialogs, OpacityIsClampedAndZoomStepStoredAsTyped) {
    Viewer viewer;
    ASSERT_TRUE(LaunchOnOnePicture(viewer));
    EXPECT_EQ(AnswerNumber(viewer, 1022, L"Blend Opacity", L"(255: opaque)", L"300"), L"127");
    EXPECT_EQ(AnswerNumber(viewer, 1214, L"Zoom Step", L"(Default: 10)", L"0"), L"10");
    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);
    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"opacity"), L"255");
    EXPECT_EQ(IniValue(text, L"[Image]", L"zoomstep"), L"0");
}

TEST(Dialogs, GoToWrapsAndZeroStaysPut) {
    Viewer viewer;
    for (int i = 0; i < 10; ++i) {
        wchar_t name[16];
        swprintf(name, 16, L"p%02d.bmp", i);
        WriteSolidBmp(viewer.Picture(name), 40, 30, RGB(20 * i, 0, 0));
    }
    ASSERT_TRUE(viewer.Launch(L"-noslide -shortname"));
    auto shows = [&](const wchar_t* name) {
        return viewer.WaitForCaption([&](const std::wstring& c) { return c.rfind(name, 0) == 0; }).rfind(name, 0) == 0;
    };
    ASSERT_TRUE(shows(L"p00 - "));
    // The field offers the shown picture's number, counted from 1.
    EXPECT_EQ(AnswerNumber(viewer, 1148, L"Go To", L"(Image index)", L"25"), L"1");
    EXPECT_TRUE(shows(L"p04 - "));
    EXPECT_EQ(AnswerNumber(viewer, 1148, L"Go To", L"(Image index)", L"0"), L"5");
    Sleep(300);
    EXPECT_TRUE(shows(L"p04 - "));
    AnswerNumber(viewer, 1148, L"Go To", L"(Image index)", L"10");
    EXPECT_TRUE(shows(L"p09 - "));
}
