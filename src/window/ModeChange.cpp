#include "window/ModeChange.h"

ModeChange PlanModeChange(int32_t oldLayer, int32_t requested) {
    ModeChange change;
    // Wallpaper requests leave the viewer windowed, where it stays reachable;
    // anything unknown is treated the same way.
    int32_t target = (requested == 1) ? 1 : 0;
    // The full-screen command toggles: asked for again, it returns to windowed.
    if (target == 1 && oldLayer == 1) target = 0;
    change.layer = target;
    change.enterFullScreen = target == 1 && oldLayer != 1;
    change.leaveFullScreen = oldLayer == 1 && target != 1;
    return change;
}

bool RoamingEraseTakesOver(int32_t layer, int32_t fullscreenLayout, int32_t left, int32_t top) {
    if (layer != 1 || fullscreenLayout != 5) return false;
    // An erase of the whole window (from the origin) is left to the normal brush.
    return left != 0 || top != 0;
}
