#include "imaging/FitRules.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace {

// The ratio and the scaled side are rounded to single precision before the
// truncation, exactly as the sizes have always been computed; changing this
// moves some pictures by a pixel.
float Ratio(int32_t w, int32_t h) { return static_cast<float>(static_cast<double>(w) / static_cast<double>(h)); }

int32_t Truncate(double value) {
    const float single = static_cast<float>(value);
    if (!(single < 2147483520.0f)) return std::numeric_limits<int32_t>::max();
    if (!(single > -2147483520.0f)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(single);
}

int32_t Times(int32_t side, float r) { return Truncate(static_cast<double>(side) * static_cast<double>(r)); }
int32_t Over(int32_t side, float r) { return Truncate(static_cast<double>(side) / static_cast<double>(r)); }

int32_t Clamp32(int64_t v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

}  // namespace

void SqueezeToFit(int32_t& w, int32_t& h, FitArea area) {
    if (w <= 0 || h <= 0) return;
    const float r = Ratio(w, h);
    if (h > area.height) {
        h = area.height;
        w = Times(h, r);
    }
    if (w > area.width) {
        w = area.width;
        h = Over(w, r);
    }
}

void ShrinkToCover(int32_t& w, int32_t& h, FitArea area) {
    if (w <= 0 || h <= 0) return;
    if (w <= area.width || h <= area.height) return;
    const float r = Ratio(w, h);
    h = area.height;
    w = Times(h, r);
    if (w >= area.width) return;
    w = area.width;
    h = Over(w, r);
}

void StretchToCover(int32_t& w, int32_t& h, FitArea area) {
    if (w <= 0 || h <= 0) return;
    if (w >= area.width && h >= area.height) return;
    const float r = Ratio(w, h);
    if (h < area.height) {
        h = area.height;
        w = Times(h, r);
    }
    if (w >= area.width) return;
    w = area.width;
    h = Over(w, r);
}

DisplaySize FitDisplaySize(int32_t w, int32_t h, FitArea area, int32_t zoom, bool squeeze, bool shrink,
                           bool stretch) {
    if (zoom > 0) {
        return {Clamp32(int64_t(w) * zoom / 100), Clamp32(int64_t(h) * zoom / 100)};
    }
    if (stretch) StretchToCover(w, h, area);
    if (squeeze) SqueezeToFit(w, h, area);
    else if (shrink) ShrinkToCover(w, h, area);
    return {w, h};
}

int32_t EffectiveZoom(int32_t zoom, int32_t displayWidth, uint32_t naturalWidth) {
    if (zoom != 0) return zoom;
    if (naturalWidth == 0) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(displayWidth) * 100u / naturalWidth);
}

bool FitsPictureBuffer(int64_t w, int64_t h) {
    if (w <= 0 || h <= 0) return false;
    const uint64_t pixelLimit = kMaxPictureBufferBytes / 4;
    return uint64_t(w) <= pixelLimit && uint64_t(h) <= pixelLimit && uint64_t(w) * uint64_t(h) <= pixelLimit;
}

int RotateFlipForOrientation(int orientation) {
    switch (orientation) {
        case 2: return kFlipX;
        case 3: return kRotate180;
        case 4: return kRotate180FlipX;
        case 5: return kRotate90FlipX;
        case 6: return kRotate90;
        case 7: return kRotate270FlipX;
        case 8: return kRotate270;
        default: return kRotateNone;
    }
}

bool LockedRotationApplies(bool aspectFilter, int64_t aw, int64_t ah, int64_t w, int64_t h) {
    if (!aspectFilter) return true;
    if ((aw > ah && w > h) || (aw < ah && w < h)) return false;
    return true;
}

int RotateFlipForLock(int32_t degrees) {
    switch (degrees) {
        case 90: return kRotate90;
        case 180: return kRotate180;
        case 270: return kRotate270;
        default: return kRotateNone;
    }
}

Turns PlanTurns(const OrientationRules& rules, int orientation, int64_t w, int64_t h) {
    Turns turns;
    if (rules.exiforient) {
        turns.exif = RotateFlipForOrientation(orientation);
        if (IsQuarterTurn(turns.exif)) std::swap(w, h);
    }
    if (rules.rotation == 0) return turns;
    if (!LockedRotationApplies(rules.rotateaspect, rules.areaWidth, rules.areaHeight, w, h)) return turns;
    turns.lock = RotateFlipForLock(rules.rotation);
    if (turns.lock != kRotateNone) turns.rotation = rules.rotation;
    return turns;
}

