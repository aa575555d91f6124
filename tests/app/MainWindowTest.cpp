// What the main window does with messages whose owners are not built yet.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "app/AppState.h"
#include "app/MainWindow.h"

// Dropped files are not taken yet, but the drop handle is always released.
TEST(MainWindow, DroppedFilesReleaseTheDropHandle) {
    AppState state;
    g_state = &state;
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + 4 * sizeof(wchar_t));
    ASSERT_NE(drop, nullptr);
    auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    GlobalUnlock(drop);
    EXPECT_EQ(MainDialogProc(nullptr, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), 1);
    g_state = nullptr;
    EXPECT_EQ(GlobalFlags(drop), static_cast<UINT>(GMEM_INVALID_HANDLE));
}
