// The values of the coded settings, by name. The settings file holds them as
// numbers, so each keeps the number the file uses.
#pragma once

#include <cstdint>

// `layer`: how the viewer shows itself.
enum Layer : int32_t { kLayerWindowed = 0, kLayerFullScreen = 1, kLayerWallpaper = 2 };

// `loop`: what the slideshow does after the last picture.
enum LoopEnd : int32_t { kLoopRepeat = 0, kLoopPause = 1, kLoopExit = 2 };

// `sort`: the direction of the order; any other value shuffles as random does.
enum SortDirection : int32_t { kSortForward = 0, kSortReverse = 1, kSortRandom = 2 };

// `layout` and `fullscreenlayout` (which takes the first and the last only):
// where a picture smaller than its window sits.
enum PictureLayout : int32_t {
    kLayoutCentered = 0,
    kLayoutTopLeft = 1,
    kLayoutTopRight = 2,
    kLayoutBottomLeft = 3,
    kLayoutBottomRight = 4,
    kLayoutRoaming = 5,
};

// `zoomquality`: the drawing's interpolation modes that the menu offers.
enum ZoomQuality : int32_t { kZoomQualityDefault = 0, kZoomQualityHigh = 2, kZoomQualityBest = 7 };

// `autofindtype`: which picture a watcher rebuild goes to.
enum AutoFind : int32_t { kAutoFindNone = 0, kAutoFindCreated = 1, kAutoFindModified = 2, kAutoFindAccessed = 3 };
