// Hiding the viewer behind the show/hide hotkey and the tray icon, the Tray
// Icon command, and the dialog that chooses the hotkey.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr UINT kTrayMessage = WM_USER + 1;
constexpr WPARAM kShowHideHotkey = 1351;
constexpr int kCmdTrayIcon = 1304;
constexpr int kCmdHotkeyDialog = 1351;
constexpr int kKeyText = 201;
constexpr int kControlBox = 411, kShiftBox = 412, kAltBox = 413, kWinBox = 414, kCancelButton = 203;
const wchar_t kDialogCaption[] = L"Hide/Show HotKey";

bool WaitVisible(const Viewer& viewer, bool visible) {
    return WaitUntil([&] { return (IsWindowVisible(viewer.Main()) != FALSE) == visible; });
}

bool HasTaskbarButtonStyle(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0; }

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// The name the dialog shows for a key: the keyboard's own name of its scan code.
std::wstring KeyName(UINT vk) {
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    wchar_t name[10] = {};
    GetKeyNameTextW(static_cast<LONG>(scan << 16), name, 10);
    return name;
}

void StartViewer(Viewer& viewer) {
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 60, 40, RGB(20, 120, 200));
    ASSERT_TRUE(viewer.Launch(L"-noslide"));
}

std::wstring SavedSettings(Viewer& viewer) {
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
    return ReadUtf16File(viewer.SettingsPath());
}

void PressKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

TEST(Tray, HotkeyAndLeftClickToggleTheViewerRightClickOpensTheMenu) {
    Viewer viewer;
    StartViewer(viewer);
    const HWND main = viewer.Main();

    PostMessageW(main, WM_HOTKEY, kShowHideHotkey, MAKELPARAM(MOD_ALT, VK_ESCAPE));
    EXPECT_TRUE(WaitVisible(viewer, false)) << "the hotkey did not hide the viewer";
    PostMessageW(main, WM_HOTKEY, 7, 0);   // somebody else's hotkey id
    Sleep(300);
    EXPECT_FALSE(IsWindowVisible(main));
    PostMessageW(main, WM_HOTKEY, kShowHideHotkey, MAKELPARAM(MOD_ALT, VK_ESCAPE));
    EXPECT_TRUE(WaitVisible(viewer, true)) << "the hotkey did not show the viewer again";

    // Only a left button press on the icon toggles; moving over it does nothing.
    PostMessageW(main, kTrayMessage, 0, WM_MOUSEMOVE);
    PostMessageW(main, kTrayMessage, 0, WM_LBUTTONUP);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(main));
    PostMessageW(main, kTrayMessage, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitVisible(viewer, false)) << "a click on the tray icon did not hide the viewer";
    PostMessageW(main, kTrayMessage, 0, WM_LBUTTONDOWN);
    EXPECT_TRUE(WaitVisible(viewer, true)) << "a click on the tray icon did not show the viewer";

    // A right click on the icon opens the popup menu where the cursor is.
    EXPECT_TRUE(PlaceCursor(200, 100));
    PostMessageW(main, kTrayMessage, 0, WM_RBUTTONUP);
    const HWND menu = viewer.WaitForPopupMenu();
    ASSERT_NE(menu, nullptr) << "a right click on the tray icon opened no menu";
    RECT at{};
    GetWindowRect(menu, &at);
    EXPECT_NEAR(at.left, 200, 20);
    EXPECT_NEAR(at.top, 100, 20);
    MenuKey(menu, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));

    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

TEST(Tray, TrayIconCommandDropsTheTaskbarButtonKeepsTheWindowAndIsSaved) {
    Viewer viewer;
    StartViewer(viewer);
    const HWND main = viewer.Main();
    ASSERT_TRUE(HasTaskbarButtonStyle(main));

    viewer.PostCommand(kCmdTrayIcon);
    EXPECT_TRUE(WaitUntil([&] { return !HasTaskbarButtonStyle(main); }));
    EXPECT_TRUE(WaitVisible(viewer, true));
    viewer.PostCommand(kCmdTrayIcon);
    EXPECT_TRUE(WaitUntil([&] { return HasTaskbarButtonStyle(main); }));
    EXPECT_TRUE(WaitVisible(viewer, true));
    viewer.PostCommand(kCmdTrayIcon);
    EXPECT_TRUE(WaitUntil([&] { return !HasTaskbarButtonStyle(main); }));
    EXPECT_TRUE(WaitVisible(viewer, true));

    EXPECT_EQ(IniValue(SavedSettings(viewer), L"[Window]", L"trayicon"), L"TRUE");
}

TEST(Tray, HotkeyDialogShowsTheStoredHotkeyAndEscapeChangesNothing) {
    Viewer viewer;
    StartViewer(viewer);

    viewer.PostCommand(kCmdHotkeyDialog);
    const MessageBoxInfo box = viewer.WaitForMessageBox(kDialogCaption, 10000);
    ASSERT_NE(box.window, nullptr) << "no hotkey dialog";
    const HWND dialog = box.window;
    EXPECT_EQ(ControlText(dialog, kControlBox), L"Control");
    EXPECT_EQ(ControlText(dialog, kShiftBox), L"Shift");
    EXPECT_EQ(ControlText(dialog, kAltBox), L"Alt");
    EXPECT_EQ(ControlText(dialog, kWinBox), L"Win");
    EXPECT_EQ(ControlText(dialog, IDOK), L"&Ok");
    EXPECT_EQ(ControlText(dialog, kCancelButton), L"&Cancel");
    // The default hotkey is Alt+Esc: its key is named, only the Alt box is ticked.
    EXPECT_EQ(ControlText(dialog, kKeyText), KeyName(VK_ESCAPE));
    EXPECT_EQ(IsDlgButtonChecked(dialog, kAltBox), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kControlBox), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kShiftBox), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, kWinBox), BST_UNCHECKED);

    // Tick other boxes, then leave with Escape: nothing of it is kept.
    CheckDlgButton(dialog, kControlBox, BST_CHECKED);
    CheckDlgButton(dialog, kAltBox, BST_UNCHECKED);
    PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(GetDlgItem(dialog, IDOK), WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "Escape did not close the dialog";
    EXPECT_TRUE(IsWindowVisible(viewer.Main()));

    // The Cancel button behaves the same.
    viewer.PostCommand(kCmdHotkeyDialog);
    const MessageBoxInfo again = viewer.WaitForMessageBox(kDialogCaption, 10000);
    ASSERT_NE(again.window, nullptr);
    EXPECT_EQ(IsDlgButtonChecked(again.window, kAltBox), BST_CHECKED);
    CheckDlgButton(again.window, kShiftBox, BST_CHECKED);
    PostMessageW(again.window, WM_COMMAND, kCancelButton, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(again.window); }));

    const std::wstring text = SavedSettings(viewer);
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"1");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"27");
}

namespace {

// Opens the hotkey dialog; null when it does not appear.
HWND OpenHotkeyDialog(Viewer& viewer) {
    viewer.PostCommand(kCmdHotkeyDialog);
    return viewer.WaitForMessageBox(kDialogCaption, 20000).window;
}

// Ticks only `modifierBox` and presses `vk` until the dialog names it (the
// dialog polls the key state, so a press may fall between two polls).
bool PickKey(HWND dialog, int modifierBox, UINT vk) {
    CheckDlgButton(dialog, kAltBox, BST_UNCHECKED);
    CheckDlgButton(dialog, modifierBox, BST_CHECKED);
    for (int attempt = 0; attempt < 10; ++attempt) {
        PressKey(vk, true);
        const bool named = WaitUntil([&] { return ControlText(dialog, kKeyText) == KeyName(vk); }, 400);
        PressKey(vk, false);
        if (named) return true;
        Sleep(100);
    }
    return false;
}

}  // namespace

TEST(Tray, HotkeyDialogTakesAPressedKeyWithTheTickedModifiers) {
    Viewer viewer;
    StartViewer(viewer);

    const HWND dialog = OpenHotkeyDialog(viewer);
    ASSERT_NE(dialog, nullptr) << "no hotkey dialog";

    // Shift alone is not a key of its own: the candidate stays Esc.
    PressKey(VK_SHIFT, true);
    Sleep(250);
    PressKey(VK_SHIFT, false);
    EXPECT_EQ(ControlText(dialog, kKeyText), KeyName(VK_ESCAPE));

    ASSERT_TRUE(PickKey(dialog, kShiftBox, VK_F5)) << "the key poll did not pick up F5";

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "OK did not close the dialog";

    const std::wstring text = SavedSettings(viewer);
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"4");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"116");
}

TEST(Tray, HotkeyTakenElsewhereKeepsTheDialogOpenWithANotice) {
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
    ASSERT_TRUE(PickKey(dialog, kControlBox, VK_F6)) << "the key poll did not pick up F6";

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    const MessageBoxInfo notice = viewer.WaitForMessageBox(L"Oxbrill", 10000);
    ASSERT_NE(notice.window, nullptr) << "no notice for a taken hotkey";
    EXPECT_NE(notice.text.find(L"Hotkey unavailable"), std::wstring::npos) << testing::PrintToString(notice.text);
    PostMessageW(notice.window, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(notice.window); }));
    Sleep(200);
    ASSERT_TRUE(IsWindow(dialog)) << "the dialog closed on a taken hotkey";
    EXPECT_EQ(IsDlgButtonChecked(dialog, kControlBox), BST_CHECKED);

    // The poll runs again: another key is still taken up.
    PressKey(VK_F7, true);
    const bool again = WaitUntil([&] { return ControlText(dialog, kKeyText) == KeyName(VK_F7); }, 3000);
    PressKey(VK_F7, false);
    EXPECT_TRUE(again) << "the key poll stopped after the notice";

    PostMessageW(dialog, WM_COMMAND, kCancelButton, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    const std::wstring text = SavedSettings(viewer);
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"1");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"27");
}
