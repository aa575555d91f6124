// Taking over from other running copies. (The display-mode requests and the
// hotkey dialog's keys are checked end to end.)
#include <gtest/gtest.h>

#include <windows.h>


#include "app/AppState.h"

TEST(TakeOver, OnlyOtherViewersAreAskedToClose) {
    HWND windows[3];
    for (HWND& w : windows) w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    const auto [self, otherViewer, stranger] = windows;
    MarkViewerWindow(self);
    MarkViewerWindow(otherViewer);
    AppState state;
    state.hwnd = self;
    state.hotkeyRegistered = true;   // nothing to wait for
    state.TakeOverInstances();
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, otherViewer, WM_APP_CLOSE, WM_APP_CLOSE, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&msg, self, WM_APP_CLOSE, WM_APP_CLOSE, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&msg, stranger, WM_APP_CLOSE, WM_APP_CLOSE, PM_REMOVE)) << "another program's window";
    for (HWND w : windows) DestroyWindow(w);
}
