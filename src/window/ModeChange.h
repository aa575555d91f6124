// What a request for a display mode does to the current one, free of any
// window: the full-screen request toggles; an unknown mode is windowed.
#pragma once

#include <cstdint>

#include "config/SettingCodes.h"

struct ModeChange {
    int32_t layer = kLayerWindowed;  // the mode the viewer ends in
    bool enterFullScreen = false;  // the frame goes, the window covers the monitor
    bool leaveFullScreen = false;  // the frame, status bar and windowed layout come back
    bool enterWallpaper = false;   // the window hides, the pictures go to the desktop
    bool leaveWallpaper = false;   // the window shows again
};

ModeChange PlanModeChange(int32_t oldLayer, int32_t requested);

// Whether the roaming full-screen layout takes over a background erase whose
// update rectangle starts at (left, top): it then places the picture anew.
bool RoamingEraseTakesOver(int32_t layer, int32_t fullscreenLayout, int32_t left, int32_t top);
