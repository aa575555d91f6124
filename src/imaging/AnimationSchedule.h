// When each frame of a playing animation is due, on a millisecond clock the
// caller reads. Due times are absolute: each frame is due its delay after the
// time the one before it was due, not after it happened to be shown, so the
// small lateness of every step never adds up. A player that fell behind by
// more than a whole delay (the machine was busy) starts counting afresh from
// the frame it shows, rather than rushing through the frames it missed.
// No windows, no clock of its own: the player's worker owns one.
#pragma once

#include <cstdint>

class AnimationSchedule {
public:
    // `loops`: how many times the whole animation plays, 0 for ever.
    explicit AnimationSchedule(uint32_t loops) : loops_(loops) {}

    // The first frame went on screen at `now` and stays `delayMs`.
    void Start(int64_t now, uint32_t delayMs);
    // When the next frame is due.
    int64_t Due() const { return due_; }
    // The frame that was due went on screen at `now` and stays `delayMs`.
    void Shown(int64_t now, uint32_t delayMs);
    // A pass over the frames ended: whether another one is to play.
    bool PassEnded();
    uint32_t Passes() const { return passes_; }
    // Playing stops at `now` and goes on at a later `now`: the frame on
    // screen keeps the part of its delay it had left.
    void Pause(int64_t now);
    void Resume(int64_t now);
    bool Paused() const { return paused_; }

private:
    uint32_t loops_;
    uint32_t passes_ = 0;
    int64_t due_ = 0;
    int64_t pausedAt_ = 0;
    bool paused_ = false;
};
