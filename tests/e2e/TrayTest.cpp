// Hiding the viewer behind the show/hide hotkey and the tray icon, the Tray
// Icon command, and the dialog that chooses the hotkey.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const wchar_t kDialogCaption[] = L"Hide/Show HotKey";

bool WaitVisible(const Viewer& viewer, bool visible) {
    return WaitUntil([&] { return (IsWindowVisible(viewer.Main()) != FALSE) == visible; });
}

bool HasTaskbarButton(const Viewer& viewer) {
    return (GetWindowLongPtrW(viewer.Main(), GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0;
}

// The name the dialog shows for a key: the keyboard's own name of its scan code.
std::wstring KeyName(UINT vk) {
    wchar_t name[16] = {};
    GetKeyNameTextW(LONG(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16), name, 16);
    return name;
}

void StartViewer(Viewer& viewer) {
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 60, 40, RGB(20, 120, 200));
    ASSERT_TRUE(viewer.Launch(L"-noslide"));
}

void PressKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

HWND OpenHotkeyDialog(const Viewer& viewer) {
    viewer.PostCommand(kCmdHotkey);
    return viewer.WaitForDialog(kDialogCaption, 20000).window;
}

// Ticks only `modifierBox` and presses `vk` until the dialog names it (the
// dialog polls the key state, so a press may fall between two polls).
bool PickKey(HWND dialog, int modifierBox, UINT vk) {
    for (int box = IDC_HOTKEY_CONTROL; box <= IDC_HOTKEY_WIN; ++box)
        CheckDlgButton(dialog, box, box == modifierBox ? BST_CHECKED : BST_UNCHECKED);
    for (int attempt = 0; attempt < 10; ++attempt) {
        PressKey(WORD(vk), true);
        const bool named = WaitUntil([&] { return ControlText(dialog, IDC_PROMPT) == KeyName(vk); }, 400);
        PressKey(WORD(vk), false);
        if (named) return true;
    }
    return false;
}

}  // namespace

TEST(Tray, HotkeyIconClicksAndTheTrayIconCommand) {
    Viewer viewer;
    StartViewer(viewer);
    const HWND main = viewer.Main();
    PostMessageW(main, WM_HOTKEY, kHotkeyId, MAKELPARAM(MOD_ALT, VK_ESCAPE));
    EXPECT_TRUE(WaitVisible(viewer, false)) << "the hotkey did not hide the viewer";
    PostMessageW(main, WM_HOTKEY, 7, 0);   // somebody else's hotkey id
    Sleep(300);
    EXPECT_FALSE(IsWindowVisible(main));
    PostMessageW(main, WM_HOTKEY, kHotkeyId, MAKELPARAM(MOD_ALT, VK_ESCAPE));
    EXPECT_TRUE(WaitVisible(viewer, true)) << "the hotkey did not show the viewer again";

    // Only a left button press on the icon toggles; moving over it does nothing.
    PostMessageW(main, WM_APP_TRAYICON, 0, WM_MOUSEMOVE);
    PostMessageW(main, WM_APP_TRAYICON, 0, WM_LBUTTONUP);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageW(main, WM_APP_TRAYICON, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitVisible(viewer, false)) << "a click on the tray icon did not hide the viewer";
    PostMessageW(main, WM_APP_TRAYICON, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitVisible(viewer, true)) << "a click on the tray icon did not show the viewer";

    // A right click on the icon opens the popup menu where the cursor is.
    EXPECT_TRUE(PlaceCursor(200, 100));
    PostMessageW(main, WM_APP_TRAYICON, 0, WM_RBUTTONUP);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "a right click on the tray icon opened no menu";
    RECT at{};
    GetWindowRect(menu, &at);
    EXPECT_TRUE(abs(at.left - 200) <= 20 && abs(at.top - 100) <= 20) << Describe(at);
    PostKeyTo(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitGone(menu));

    // The Tray Icon command drops the taskbar button and keeps the window.
    ASSERT_TRUE(HasTaskbarButton(viewer));
    for (const bool button : {false, true, false}) {
        viewer.PostCommand(kCmdTrayIcon);
        EXPECT_TRUE(WaitUntil([&] { return HasTaskbarButton(viewer) == button; }));
        EXPECT_TRUE(WaitVisible(viewer, true));
    }
    EXPECT_EQ(IniValue(viewer.SavedSettings(), L"[Window]", L"trayicon"), L"TRUE");
}

TEST(Tray, TheHotkeyDialogShowsTheStoredKeyEscapeKeepsItAndOkTakesAPressedOne) {
    Viewer viewer;
    StartViewer(viewer);
    HWND dialog = OpenHotkeyDialog(viewer);
    ASSERT_NE(dialog, nullptr) << "no hotkey dialog";
    // The default hotkey is Alt+Esc: its key is named, only the Alt box is ticked.
    const auto expectAltEsc = [&] {
        EXPECT_EQ(ControlText(dialog, IDC_PROMPT), KeyName(VK_ESCAPE));
        for (int box = IDC_HOTKEY_CONTROL; box <= IDC_HOTKEY_WIN; ++box)
            EXPECT_EQ(IsDlgButtonChecked(dialog, box), box == IDC_HOTKEY_ALT ? BST_CHECKED : BST_UNCHECKED) << box;
    };
    expectAltEsc();
    // Tick other boxes, then leave with Escape: nothing of it is kept.
    CheckDlgButton(dialog, IDC_HOTKEY_CONTROL, BST_CHECKED);
    PostKeyTo(GetDlgItem(dialog, IDOK), VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "Escape did not close the dialog";

    dialog = OpenHotkeyDialog(viewer);
    ASSERT_NE(dialog, nullptr);
    expectAltEsc();
    // Shift alone is not a key of its own: the candidate stays Esc.
    PressKey(VK_SHIFT, true);
    Sleep(250);
    PressKey(VK_SHIFT, false);
    EXPECT_EQ(ControlText(dialog, IDC_PROMPT), KeyName(VK_ESCAPE));
    ASSERT_TRUE(PickKey(dialog, IDC_HOTKEY_SHIFT, VK_F5)) << "the key poll did not pick up F5";
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "OK did not close the dialog";
    const std::wstring text = viewer.SavedSettings();
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"4");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"116");
}

TEST(Tray, AHotkeyTakenElsewhereKeepsTheDialogOpenWithANotice) {
    // This test process holds Ctrl+F6 for the time of the scenario.
    constexpr int kForeignId = 77;
    ASSERT_TRUE(RegisterHotKey(nullptr, kForeignId, MOD_CONTROL, VK_F6)) << "Ctrl+F6 is taken already";
    struct Release {
        ~Release() { UnregisterHotKey(nullptr, kForeignId); }
    } release;

    Viewer viewer;
    StartViewer(viewer);
    const HWND dialog = OpenHotkeyDialog(viewer);
    ASSERT_NE(dialog, nullptr) << "no hotkey dialog";
    ASSERT_TRUE(PickKey(dialog, IDC_HOTKEY_CONTROL, VK_F6)) << "the key poll did not pick up F6";
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    const MessageBoxInfo notice = viewer.WaitForDialog(L"Oxbrill", 10000);
    ASSERT_NE(notice.window, nullptr) << "no notice for a taken hotkey";
    EXPECT_NE(notice.text.find(L"Hotkey unavailable"), std::wstring::npos) << testing::PrintToString(notice.text);
    PostMessageW(notice.window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(notice.window); }));
    Sleep(200);
    ASSERT_TRUE(IsWindow(dialog)) << "the dialog closed on a taken hotkey";
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_HOTKEY_CONTROL), BST_CHECKED);
    // The poll runs again: another key is still taken up.
    EXPECT_TRUE(PickKey(dialog, IDC_HOTKEY_CONTROL, VK_F7)) << "the key poll stopped after the notice";

    PostMessageW(dialog, WM_COMMAND, IDC_HOTKEY_CANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    const std::wstring text = viewer.SavedSettings();
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"1");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"27");
}
