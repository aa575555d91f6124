// Which keys may become the show/hide hotkey and the names the dialog shows
// for them, the modifier boxes <-> bits mapping it stores, the display-mode
// requests, and taking over from other running copies.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>

#include "app/AppState.h"
#include "window/HotkeyDialog.h"
#include "window/HotkeyRules.h"
#include "window/ModeChange.h"

using namespace hotkey;

TEST(HotkeyRules, KeysTheirNamesAndModifierBits) {
    for (const unsigned vk : {13u, 16u, 17u, 18u, 91u, 92u, 160u, 161u, 164u, 165u}) EXPECT_TRUE(RefusedKey(vk, 0x2A)) << vk;
    EXPECT_TRUE(RefusedKey(VK_F5, 0)) << "no scan code: nothing to name";
    for (const unsigned vk : {unsigned(VK_ESCAPE), unsigned(VK_F5), unsigned('A'), unsigned('0'), unsigned(VK_SPACE),
                              unsigned(VK_DELETE), unsigned(VK_NUMLOCK), 93u, 166u})
        EXPECT_FALSE(RefusedKey(vk, 0x2A)) << vk;
    // Navigation keys and Num Lock ask for the extended name.
    const std::set<unsigned> extended = {33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 144};
    for (unsigned vk = 0; vk < 256; ++vk)
        EXPECT_EQ(KeyNameParam(vk, 0x47) & 0x1FFFFFF, 0x47 << 16 | (extended.count(vk) ? 1 << 24 : 0)) << vk;
    // Boxes and bits: Alt 1, Control 2, Shift 4, Win 8; bits without a box are dropped.
    const ModifierBoxes alt = BoxesFor(1);
    EXPECT_TRUE(alt.alt && !alt.control && !alt.shift && !alt.win);
    EXPECT_EQ(ModifiersOf(ModifierBoxes{true, false, false, true}), 10);
    EXPECT_EQ(ModifiersOf(ModifierBoxes{false, true, false, false}), 4);
    for (int32_t bits = 0; bits < 16; ++bits) EXPECT_EQ(ModifiersOf(BoxesFor(bits)), bits);
    EXPECT_EQ(ModifiersOf(BoxesFor(0x4000 | 2)), 2);
}

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
