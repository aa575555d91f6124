// Asked to close while a modal loop runs (a dialog, a message box, a popup
// menu, the start-up folder picker), the viewer ends cleanly when the loop
// returns: exit code 0 and its settings written once.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr UINT kTakeOver = WM_USER + 5;
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr int kCmdTimer = 1002;
constexpr int kCmdHotkeyDialog = 1351;
constexpr int kCmdAbout = 1514;

enum class Modal { Dialog, Menu };
enum class Request { TakeOver, SessionEnd, ExitFromMenu };

struct ModalCase {
    const char* what;
    bool pictures;                 // false: an empty folder, so the start offers the folder picker
    const wchar_t* settings;       // written before the start, or null
    const wchar_t* arguments;
    void (*open)(const Viewer&);   // what opens the modal loop, once the window is up (null: start-up opens it)
    Modal modal;
    Request request;
};

void PostTrayRightClick(const Viewer& viewer) { PostMessageW(viewer.Main(), kTrayMessage, 0, WM_RBUTTONUP); }

const ModalCase kCases[] = {
    {"the start-up folder picker, then another copy takes over", false, nullptr, L"-noslide", nullptr, Modal::Dialog,
     Request::TakeOver},
    {"the missing-folder warning, then another copy takes over", false,
     L"[Portable]\r\nsavefolder=FALSE\r\nfolder=Z:\\nowhere\\at\\all\r\n", L"-noslide", nullptr, Modal::Dialog,
     Request::TakeOver},
    {"a numeric dialog, then another copy takes over", true, nullptr, L"-noslide",
     [](const Viewer& v) { v.PostCommand(kCmdTimer); }, Modal::Dialog, Request::TakeOver},
    {"the hotkey dialog, then the session ends", true, nullptr, L"-noslide",
     [](const Viewer& v) { v.PostCommand(kCmdHotkeyDialog); }, Modal::Dialog, Request::SessionEnd},
    {"the about box, then another copy takes over", true, nullptr, L"", [](const Viewer& v) { v.PostCommand(kCmdAbout); },
     Modal::Dialog, Request::TakeOver},
    {"the tray menu, then Exit is chosen in it", true, nullptr, L"-noslide -trayicon", PostTrayRightClick, Modal::Menu,
     Request::ExitFromMenu},
    {"the tray menu, then another copy takes over", true, nullptr, L"-noslide -trayicon", PostTrayRightClick,
     Modal::Menu, Request::TakeOver},
};

// Before the window is shown only a dialog of the start-up can be up: the
// folder picker is cancelled until the warning box comes.
HWND StartUpModal(Viewer& viewer, bool wantWarning) {
    HWND modal = nullptr;
    WaitUntil(
        [&] {
            modal = viewer.WaitForDialog(100);
            if (!modal || !wantWarning) return modal != nullptr;
            wchar_t caption[64] = {};
            GetWindowTextW(modal, caption, 64);
            if (std::wstring(caption) == L"Oxbrill") return true;
            PostMessageW(modal, WM_COMMAND, IDCANCEL, 0);
            modal = nullptr;
            return false;
        },
        20000);
    return modal;
}

}  // namespace

TEST(Closing, ACloseDuringAnyModalLoopEndsCleanlyAndSavesOnce) {
    for (const ModalCase& c : kCases) {
        SCOPED_TRACE(c.what);
        Viewer viewer;
        if (c.pictures) WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 60, RGB(60, 120, 30));
        if (c.settings) viewer.WriteSettings(c.settings);
        FolderWatch watch(viewer.ProgramFolder());
        ASSERT_TRUE(viewer.Start(c.arguments));

        HWND modal = nullptr;
        if (c.open) {
            ASSERT_TRUE(viewer.WaitForWindow());
            c.open(viewer);
            modal = c.modal == Modal::Menu ? viewer.WaitForPopupMenu() : viewer.WaitForDialog();
        } else {
            modal = StartUpModal(viewer, c.settings != nullptr);
            ASSERT_TRUE(viewer.WaitForWindow(5000, false));   // the hidden main window
        }
        ASSERT_NE(modal, nullptr) << "the modal loop did not open";

        switch (c.request) {
        case Request::TakeOver:
            PostMessageW(viewer.Main(), kTakeOver, 0, 0);
            break;
        case Request::SessionEnd: {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(viewer.Main(), WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            break;
        }
        case Request::ExitFromMenu:
            MenuKey(modal, VK_UP);   // from no selection: the last item, Exit
            MenuKey(modal, VK_RETURN);
            break;
        }
        EXPECT_EQ(viewer.WaitForExit(20000), 0);
        EXPECT_EQ(SettingsSaves(watch), 1u);
        EXPECT_TRUE(FileExists(viewer.SettingsPath()));
    }
}
