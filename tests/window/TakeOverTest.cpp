// Taking over from other running copies reaches viewer windows only.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/AppState.h"

namespace {

HWND MakeTopLevel() {
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

bool Received(HWND window, UINT message) {
    MSG msg;
    return PeekMessageW(&msg, window, message, message, PM_REMOVE) != 0;
}

}  // namespace

TEST(TakeOver, OnlyOtherViewersAreAskedToClose) {
    const HWND self = MakeTopLevel(), otherViewer = MakeTopLevel(), stranger = MakeTopLevel();
    MarkViewerWindow(self);
    MarkViewerWindow(otherViewer);
    AppState state;
    state.hwnd = self;
    state.hotkeyRegistered = true;   // nothing to wait for
    state.TakeOverInstances();
    EXPECT_TRUE(Received(otherViewer, WM_APP_CLOSE));
    EXPECT_FALSE(Received(self, WM_APP_CLOSE));
    EXPECT_FALSE(Received(stranger, WM_APP_CLOSE)) << "a window of another program got the viewer's message";
    for (HWND window : {self, otherViewer, stranger}) DestroyWindow(window);
}
