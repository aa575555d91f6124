#include "window/ModeChange.h"

ModeChange PlanModeChange(int32_t oldLayer, int32_t requested) {
    ModeChange change;
    int32_t target = requested == kLayerFullScreen || requested == kLayerWallpaper ? requested : kLayerWindowed;
    // The full-screen command toggles: asked for again, it returns to windowed.
    if (target == kLayerFullScreen && oldLayer == kLayerFullScreen) target = kLayerWindowed;
    change.layer = target;
    change.enterFullScreen = target == kLayerFullScreen && oldLayer != kLayerFullScreen;
    change.leaveFullScreen = oldLayer == kLayerFullScreen && target != kLayerFullScreen;
    change.enterWallpaper = target == kLayerWallpaper && oldLayer != kLayerWallpaper;
    change.leaveWallpaper = oldLayer == kLayerWallpaper && target != kLayerWallpaper;
    return change;
}

bool RoamingEraseTakesOver(int32_t layer, int32_t fullscreenLayout, int32_t left, int32_t top) {
    if (layer != kLayerFullScreen || fullscreenLayout != kLayoutRoaming) return false;
    // An erase of the whole window (from the origin) is left to the normal brush.
    return left != 0 || top != 0;
}
