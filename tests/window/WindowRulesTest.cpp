// The display-mode requests, and taking over from other running copies.
// (The hotkey dialog's keys and modifiers are checked end to end.)
#include <gtest/gtest.h>

#include <windows.h>


#include "app/AppState.h"
#include "window/ModeChange.h"

// A full-screen request toggles; any request from full screen restores the
// windowed frame, and windowed requests while windowed change nothing.
TEST(ModeChange, RequestsAndTheirWayBack) {
    const struct {
        int32_t from, requested, layer;
        bool enter, leave;
    } cases[] = {{0, 1, 1, true, false}, {1, 1, 0, false, true}, {1, 0, 0, false, true}, {1, 2, 0, false, true},
                 {0, 0, 0, false, false}, {0, 2, 0, false, false}, {0, 7, 0, false, false}, {0, -1, 0, false, false}};
    for (const auto& c : cases) {
        const ModeChange change = PlanModeChange(c.from, c.requested);
        EXPECT_TRUE(change.layer == c.layer && change.enterFullScreen == c.enter && change.leaveFullScreen == c.leave)
            << c.from << " -> " << c.requested;
    }
    // Only partial erases of the roaming full-screen layout are taken over.
    EXPECT_TRUE(RoamingEraseTakesOver(1, 5, 200, 0) && RoamingEraseTakesOver(1, 5, 0, 30));
    EXPECT_FALSE(RoamingEraseTakesOver(1, 5, 0, 0) || RoamingEraseTakesOver(1, 0, 200, 30) || RoamingEraseTakesOver(0, 5, 200, 30));
}

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
