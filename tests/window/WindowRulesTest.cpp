// Taking over from other running copies. (The display-mode requests and the
// hotkey dialog's keys are checked end to end.)
#include <gtest/gtest.h>

#include <windows.h>


#include "app/AppState.h"

TEST(TakeOver, OnlyOtherViewersAreAskedToClose) {
    HWND windows[3];
    for (HWND& w : windows) w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                                nullptr);
    const auto [self, otherViewer, stranger] = windows;
    MarkViewerWindow(self);
    MarkViewerWindow(otherViewer);
    AppState state;
    state.hwnd = self;
    state.hotkeyRegistered = true;   // nothing to wait for
    state.TakeOverInstances();
    const auto asked = [](HWND window) { MSG msg; return PeekMessageW(&msg, window, WM_APP_CLOSE, WM_APP_CLOSE,
        PM_REMOVE) != 0; };
    EXPECT_TRUE(asked(otherViewer));
    EXPECT_FALSE(asked(self) || asked(stranger)) << "itself, or another program's window";
    for (HWND w : windows) DestroyWindow(w);
}
