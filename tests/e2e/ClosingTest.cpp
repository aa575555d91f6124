// Asked to close while a modal loop runs (a dialog, a message box, a popup
// menu, the start-up folder picker), the viewer ends cleanly when the loop
// returns: exit code 0 and its settings written once.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

enum class Request { TakeOver, SessionEnd, ExitFromMenu, Close };
constexpr int kTrayMenu = -1;   // opened by a right click on the tray icon

struct ModalCase {
    const char* what;
    bool pictures;             // false: an empty folder, so the start offers the folder picker
    const wchar_t* settings;   // written before the start, or null
    const wchar_t* arguments;
    int opener;                // the command opening the modal loop once the window is up; 0: the start-up
    Request request;
};

const wchar_t kGone[] = L"[Portable]\r\nsavefolder=FALSE\r\nfolder=Z:\\nowhere\\at\\all\r\n";
const wchar_t kNoRefresh[] = L"[Folder]\r\nautorefresh=FALSE\r\n";
const ModalCase kCases[] = {
    {"the start-up folder picker, then another copy takes over", false, nullptr, L"-noslide", 0, Request::TakeOver},
    {"the missing-folder warning, then another copy takes over", false, kGone, L"-noslide", 0, Request::TakeOver},
    {"a numeric dialog, then another copy takes over", true, nullptr, L"-noslide", kCmdTimer, Request::TakeOver},
    {"the hotkey dialog, then the session ends", true, nullptr, L"-noslide", kCmdHotkey, Request::SessionEnd},
    {"the about box, then another copy takes over", true, nullptr, L"", kCmdAbout, Request::TakeOver},
    {"the tray menu, then Exit is chosen in it", true, nullptr, L"-noslide -trayicon", kTrayMenu,
     Request::ExitFromMenu},
    {"the tray menu, then another copy takes over", true, nullptr, L"-noslide -trayicon", kTrayMenu, Request::TakeOver},
    {"the Catalog's menu, then the viewer is closed", true, kNoRefresh, L"-noslide", kCmdCatalog, Request::Close},
    {"the Catalog's menu, then another copy takes over", true, kNoRefresh, L"-noslide", kCmdCatalog, Request::TakeOver},
    {"the Catalog's menu, then the session ends", true, kNoRefresh, L"-noslide", kCmdCatalog, Request::SessionEnd},
};

// Before the window is shown only a dialog of the start-up can be up: the
// folder picker is cancelled until the warning box comes.
HWND StartUpModal(Viewer& viewer, bool wantWarning) {
    HWND modal = nullptr;
    WaitUntil([&] {
        modal = viewer.WaitForDialog(wantWarning ? L"Oxbrill" : nullptr, 100).window;
        if (HWND picker = modal ? nullptr : viewer.WaitForDialog(nullptr, 0).window)
            PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
        return modal != nullptr;
    }, 20000);
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
        if (c.opener == kTrayMenu) {
            ASSERT_TRUE(viewer.WaitForWindow());
            PostMessageW(viewer.Main(), WM_APP_TRAYICON, 0, WM_RBUTTONUP);
            modal = viewer.WaitForPopupMenu();
        } else if (c.opener) {
            ASSERT_TRUE(viewer.WaitForWindow());
            viewer.PostCommand(c.opener);
            modal = viewer.WaitForDialog().window;
            if (c.opener == kCmdCatalog)   // its menu (F1), while the Catalog has Auto Refresh on
                PostKeyTo(FindWindowExW(modal, nullptr, L"SysListView32", nullptr), VK_F1), modal = viewer.WaitForPopupMenu();
        } else {
            modal = StartUpModal(viewer, c.settings != nullptr);
            ASSERT_TRUE(viewer.WaitForWindow(5000, false));   // the hidden main window
        }
        ASSERT_NE(modal, nullptr) << "the modal loop did not open";

        switch (c.request) {
        case Request::TakeOver:
            PostMessageW(viewer.Main(), WM_APP_CLOSE, 0, 0);
            break;
        case Request::SessionEnd: {
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(viewer.Main(), WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
            break;
        }
        case Request::Close: viewer.Close(); break;
        case Request::ExitFromMenu:
            PostKeyTo(modal, VK_UP);   // from no selection: the last item, Exit
            PostKeyTo(modal, VK_RETURN);
            break;
        }
        EXPECT_EQ(viewer.WaitForExit(20000), 0);
        EXPECT_EQ(SettingsSaves(watch), 1u);
        EXPECT_TRUE(FileExists(viewer.SettingsPath()));
        EXPECT_TRUE(c.settings != kNoRefresh || ReadUtf16File(viewer.SettingsPath()).find(L"autorefresh=FALSE") != std::wstring::npos);
    }
}
