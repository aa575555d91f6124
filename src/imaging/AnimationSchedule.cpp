#include "imaging/AnimationSchedule.h"

void AnimationSchedule::Start(int64_t now, uint32_t delayMs) {
    due_ = now + delayMs;
    paused_ = false;
}

void AnimationSchedule::Shown(int64_t now, uint32_t delayMs) {
    // Shown later than its whole delay after it was due: counted from now.
    const int64_t from = now - due_ >= int64_t(delayMs) ? now : due_;
    due_ = from + delayMs;
}

bool AnimationSchedule::PassEnded() {
    ++passes_;
    return loops_ == 0 || passes_ < loops_;
}

void AnimationSchedule::Pause(int64_t now) {
    if (paused_) return;
    paused_ = true;
    pausedAt_ = now;
}

void AnimationSchedule::Resume(int64_t now) {
    if (!paused_) return;
    paused_ = false;
    if (now > pausedAt_) due_ += now - pausedAt_;
}
