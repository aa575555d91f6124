// The fifteen picture-change effects as plain data: each effect is a list of
// block copies, blends and pauses computed from the frame's size, the latency
// settings and the random draws. Nothing here touches a window; Transitions.cpp
// plays a plan onto a device context, the tests check the plans themselves.
#pragma once

#include <cstdint>
#include <vector>

namespace transition {

constexpr int kEffectCount = 15;

enum Effect : int {
    kShuttersRight = 0,
    kShuttersLeft = 1,
    kShuttersDown = 2,
    kShuttersUp = 3,
    kWipeRightLeft = 4,
    kWipeLeftRight = 5,
    kWipeDownUp = 6,
    kWipeUpDown = 7,
    kHorizontalSlide = 8,
    kVerticalSlide = 9,
    kQuadrantSlide = 10,
    kQuadrantWipe = 11,
    kQuadrantPeel = 12,
    kDissolve = 13,
    kCrossfade = 14,
};

// The pause settings in milliseconds, as the [Tweak Transitions] keys hold them.
struct Latencies {
    int32_t shutter = 500;
    int32_t wipe = 2;
    int32_t slide = 5;
    int32_t quadrantSlide = 10;
    int32_t quadrantWipe = 12;
    int32_t dissolve = 2;
    int32_t crossfade = 30;
};

// Where the random numbers come from. The program draws from rand(); tests
// feed fixed values to get a known plan.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual int Next() = 0;   // 0..32767 like rand()
};

// rand() of the runtime library.
class CrtRandom final : public RandomSource {
public:
    int Next() override;
};

enum class OpKind : uint8_t {
    Copy,           // source (sx, sy, w, h) to the destination at (dx, dy)
    Snapshot,       // keep what the destination frame shows now (old picture)
    BlendSnapshot,  // blend the whole source over the kept picture with `alpha`
    ShowSnapshot,   // copy the kept picture to the destination frame
    Pause,          // wait `ms` milliseconds
};

struct Op {
    OpKind kind = OpKind::Copy;
    uint8_t alpha = 0;
    int32_t sx = 0, sy = 0;   // source, relative to the source surface's origin
    int32_t dx = 0, dy = 0;   // destination, in destination coordinates
    int32_t w = 0, h = 0;
    uint32_t ms = 0;
};

struct Plan {
    int effect = -1;
    // The frame on the destination: the source's (0, 0, w, h) belongs at (x, y).
    int32_t x = 0, y = 0, w = 0, h = 0;
    std::vector<Op> ops;

    uint64_t TotalPauseMs() const;
    size_t PauseCount() const;
};

// An effect blocks the window's thread, so no effect pauses longer than this
// in all, whatever the latencies and the frame's size: a longer plan keeps its
// steps and has every pause shortened in proportion.
constexpr uint32_t kLongestEffectMs = 2000;
// The largest frame the latency ceilings are worked out for (either way up).
constexpr int32_t kLargestFrameLong = 3840, kLargestFrameShort = 2160;

// The ops that `effect` performs to bring the w x h source onto the destination
// at (x, y). Every copy is clipped to the frame and to the source. An unknown
// effect or an empty frame gives an empty plan and draws no random numbers.
// The pauses add up to `longestMs` at most.
Plan BuildPlan(int effect, int32_t x, int32_t y, int32_t w, int32_t h,
               const Latencies& latency, RandomSource& random, uint32_t longestMs = kLongestEffectMs);

// The highest latency worth keeping for `effect`: at it, the effect's plan on
// the largest frame with the smallest random draws already pauses for
// kLongestEffectMs; any more would only be cut off again. From the effect's
// own steps: a slide's some 50, a wipe's hundreds, a shutter's one latency
// spread over its strips.
int32_t LatencyCeiling(int effect);

// One of the enabled effects, equally likely: list[draw mod size]; -1 when the
// list is empty (then nothing is drawn).
int PickEffect(const std::vector<int32_t>& enabled, RandomSource& random);

}  // namespace transition
