// Display-size arithmetic of the shown picture: the zoom and the three fit
// rules, the orientation table and the rotation lock's aspect filter.
// Plain numbers in, plain numbers out: no window or GDI+ state here.
#pragma once

#include <cstdint>

struct FitArea {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const FitArea&) const = default;
};

// Enlarge until the picture covers the area; never shrinks.
void StretchToCover(int32_t& w, int32_t& h, FitArea area);
// Fit inside the area; never enlarges.
void SqueezeToFit(int32_t& w, int32_t& h, FitArea area);
// Reduce a picture larger than the area in both directions until it just covers it.
void ShrinkToCover(int32_t& w, int32_t& h, FitArea area);

struct DisplaySize {
    int32_t width = 0;
    int32_t height = 0;
};

// The display size of a picture of natural size w x h: scaled by zoom percent
// when zoom > 0, otherwise by the fit rules (stretch, then squeeze or shrink).
// A zoom so large that the size leaves the 32-bit range is held at its limit.
DisplaySize FitDisplaySize(int32_t w, int32_t h, FitArea area, int32_t zoom, bool squeeze, bool shrink,
                           bool stretch);

// The zoom a draw reports: zoom itself when set, else displayWidth * 100 / naturalWidth
// (unsigned, truncated).
int32_t EffectiveZoom(int32_t zoom, int32_t displayWidth, uint32_t naturalWidth);

// The largest picture buffer (a 32-bit bitmap of the display size) the
// autoscroll glide borrows; past it, the glide draws what shows at each step.
constexpr uint64_t kMaxPictureBufferBytes = 256ull * 1024 * 1024;
bool FitsPictureBuffer(int64_t w, int64_t h);

// GDI+ RotateFlipType values used by the viewer.
enum RotateFlipCode : int {
    kRotateNone = 0,
    kRotate90 = 1,
    kRotate180 = 2,
    kRotate270 = 3,
    kFlipX = 4,
    kRotate90FlipX = 5,
    kRotate180FlipX = 6,
    kRotate270FlipX = 7,
};

// Whether the turn swaps the picture's width and height.
constexpr bool IsQuarterTurn(int code) {
    return code == kRotate90 || code == kRotate270 || code == kRotate90FlipX || code == kRotate270FlipX;
}

// The turn that makes a picture with this EXIF orientation upright (kRotateNone
// for 1 and for anything outside 2..8).
int RotateFlipForOrientation(int orientation);

// Whether the rotation lock applies to a picture of w x h inside an area of
// aw x ah: always without the aspect filter; with it, only when the picture's
// shape differs from a non-square area's (or the area is square).
bool LockedRotationApplies(bool aspectFilter, int64_t aw, int64_t ah, int64_t w, int64_t h);

// The RotateFlip code of a rotation lock of 90, 180 or 270 degrees, else kRotateNone.
int RotateFlipForLock(int32_t degrees);

// How a freshly loaded picture is turned: upright by its EXIF orientation
// (when `exiforient`), then by the rotation lock of `rotation` degrees, which
// the aspect filter may hold back against an area of aw x ah.
struct OrientationRules {
    bool exiforient = false;
    int32_t rotation = 0;
    bool rotateaspect = false;
    int64_t areaWidth = 0;
    int64_t areaHeight = 0;
    bool operator==(const OrientationRules&) const = default;
};
struct Turns {
    int exif = kRotateNone;   // RotateFlip code for the EXIF tag
    int lock = kRotateNone;   // RotateFlip code for the lock
    int32_t rotation = 0;     // degrees the lock turned it (the picture's currentRotation)
};
// The turns for a picture of w x h pixels (as decoded) with EXIF `orientation`.
Turns PlanTurns(const OrientationRules& rules, int orientation, int64_t w, int64_t h);
