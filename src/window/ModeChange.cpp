#include "window/ModeChange.h"

ModeChange PlanModeChange(int32_t oldLayer, int32_t requested) {
    ModeChange change;
    // Wallpaper requests leave the viewer windowed, where it stays reachable;
    // anything unknown is treated the same way.
    int32_t target = requested == kLayerFullScreen ? kLayerFullScreen : kLayerWindowed;
    // The full-screen command toggles: asked for again, it returns to windowed.
    if (target == kLayerFullScreen && oldLayer == kLayerFullScreen) target = kLayerWindowed;
    change.layer = target;
    change.enterFullScreen = target == kLayerFullScreen && oldLayer != kLayerFullScreen;
    change.leaveFullScreen = oldLayer == kLayerFullScreen && target != kLayerFullScreen;
    return change;
}

bool RoamingEraseTakesOver(int32_t layer, int32_t fullscreenLayout, int32_t left, int32_t top) {
    if (layer != kLayerFullScreen || fullscreenLayout != kLayoutRoaming) return false;
    // An erase of the whole window (from the origin) is left to the normal brush.
    return left != 0 || top != 0;
}
