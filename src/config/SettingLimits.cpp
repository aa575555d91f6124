#include "config/SettingLimits.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <vector>

#include "imaging/TransitionPlan.h"

namespace {

using enum OutOfRange;

// The highest latency of a setting that several effects share: the lowest of their ceilings.
int32_t Ceiling(std::initializer_list<int> effects) {
    int32_t lowest = INT32_MAX;
    for (const int effect : effects) lowest = std::min(lowest, transition::LatencyCeiling(effect));
    return lowest;
}

std::vector<SettingLimit> MakeLimits() {
    using namespace transition;
    return {
        // Transitions play on the window's thread and take no input until they
        // end. Each plan is cut to kLongestEffectMs; a latency above the effect's
        // ceiling would only be cut off, so none is kept. Below zero has always
        // meant no pause.
        {&AppState::shutterLatency, 0, Ceiling({kShuttersRight, kShuttersLeft, kShuttersDown, kShuttersUp}), Nearest},
        {&AppState::wipeLatency, 0, Ceiling({kWipeRightLeft, kWipeLeftRight, kWipeDownUp, kWipeUpDown}), Nearest},
        {&AppState::slideLatency, 0, Ceiling({kHorizontalSlide, kVerticalSlide}), Nearest},
        {&AppState::quadrantSlideLatency, 0, Ceiling({kQuadrantSlide}), Nearest},
        {&AppState::quadrantWipeLatency, 0, Ceiling({kQuadrantWipe, kQuadrantPeel}), Nearest},
        {&AppState::dissolveLatency, 0, Ceiling({kDissolve}), Nearest},
        {&AppState::crossfadeLatency, 0, Ceiling({kCrossfade}), Nearest},
        // The wait before a changed folder is read again: past ten seconds the
        // refresh no longer reads as automatic.
        {&AppState::autorefreshLatency, 0, 10000, Nearest},

        // A slide period of up to a day (ms); below zero has always meant no wait.
        {&AppState::timer, 0, 24 * 60 * 60 * 1000, Nearest},

        // Choices from a menu. An unknown value becomes the default: most of the
        // code already treats one so (sortby, loop, layer, zoomquality), and for
        // the rest the default is the plainest choice.
        {&AppState::sort, 0, 2, Highest},             // forward, reverse, random (any other value)
        {&AppState::sortby, 0, 5, Default},           // tree ... accessed
        {&AppState::loop, 0, 2, Default},             // repeat, pause, exit
        {&AppState::layer, 0, 2, Default},            // windowed, full screen, wallpaper
        {&AppState::layout, 0, 5, Default},           // centred, four corners, roaming
        {&AppState::fullscreenlayout, 0, 5, Default},
        {&AppState::autofindtype, 0, 3, Default},     // off, created, modified, accessed
        {&AppState::zoomquality, 0, 7, Default},      // the GDI+ interpolation modes
        {&AppState::bbWallpaperStyle, 1, 3, Default}, // centre, tile, stretch
        // The show/hide hotkey: Alt, Control, Shift and Win bits, and a virtual key.
        {&AppState::hidemod, 0, 15, Default},
        {&AppState::hidekey, 1, 254, Default},
        // A COLORREF: no palette flags in the top byte.
        {&AppState::bgcolor, 0, 0xFFFFFF, Default},

        // The rotation lock: none, a quarter turn, a half turn or three quarters;
        // the picture code turns nothing for any other value.
        {&AppState::rotation, 0, 270, QuarterTurn},

        // Sizes and steps, kept as typed down to 0 (zoom 0 lets the fit rules
        // decide, a zoom step of 0 leaves the zoom keys idle). Past a hundredfold
        // zoom a screen holds a handful of source pixels; a zoom step beyond ten
        // times jumps past any picture; thumbnails and collage tiles are squares
        // of so many pixels, and larger than a screen makes no sense.
        {&AppState::opacity, 0, 255, Nearest},
        {&AppState::zoom, 0, 10000, Nearest},
        {&AppState::zoomstep, 0, 1000, Nearest},
        {&AppState::thumbsize, 0, 1024, Nearest},
        {&AppState::collagesize, 0, 4096, Nearest},
        // Pixels added for the Blackbox caption and window frame.
        {&AppState::bbCaptionAdjust, 0, 256, Nearest},
        {&AppState::bbWindowAdjust, 0, 256, Nearest},
        // A picture's place in the exhibit; a number past its end is ignored.
        {&AppState::bookmark, 0, INT32_MAX, Nearest},
    };
}

const std::vector<SettingLimit>& Limits() {
    static const std::vector<SettingLimit> limits = MakeLimits();
    return limits;
}

// Defaults come from a fresh state, where every field is declared with its own.
const AppState& Defaults() {
    static const AppState defaults;
    return defaults;
}

}  // namespace

std::span<const SettingLimit> SettingLimits() { return Limits(); }

namespace {

// `value` brought into `limit`'s range; `fallback` is the field's default.
int32_t ClampedSetting(const SettingLimit& limit, int32_t value, int32_t fallback) {
    switch (limit.outside) {
    case Nearest:
        return std::clamp(value, limit.lowest, limit.highest);
    case QuarterTurn:
        if (value % 90 != 0) return fallback;
        break;
    case Highest:
        return value < limit.lowest || value > limit.highest ? limit.highest : value;
    case Default:
        break;
    }
    return value < limit.lowest || value > limit.highest ? fallback : value;
}

}  // namespace

void AppState::ClampSettings() {
    for (const SettingLimit& limit : Limits()) {
        this->*limit.field = ClampedSetting(limit, this->*limit.field, Defaults().*limit.field);
    }
}
