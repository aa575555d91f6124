// Plays an animation: one worker decodes the next frame while the current one
// is on screen, waits until it is due and says so through `due` (called on
// the worker, which never touches a window: the caller posts a message). The
// caller then takes the frame; only then is the one after it decoded. So at
// most three frames are held whatever the animation's length: the one on
// screen (the caller's), the one ready here, and the source's canvas.
// Pausing stops the worker altogether (nothing runs while the picture cannot
// be seen); playing again picks up where it stopped. A worker stuck in a
// damaged file is waited for only so long, then left to end on its own with
// everything it uses; the player then plays no more.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "imaging/AnimationFrames.h"

class AnimationPlayer {
public:
    // Plays `frames`, whose bytes `keep` holds alive; the first frame is the
    // one on screen already. Stopping waits for the worker `stopWaitMs` at most.
    AnimationPlayer(std::unique_ptr<AnimationFrames> frames, std::shared_ptr<const void> keep,
                    std::function<void()> due, uint32_t stopWaitMs = 1000);
    ~AnimationPlayer();
    AnimationPlayer(const AnimationPlayer&) = delete;
    AnimationPlayer& operator=(const AnimationPlayer&) = delete;

    // Starts the worker, or goes on after a pause; false when it cannot.
    bool Play();
    // Stops the worker; the place in the animation is kept.
    void Pause();
    bool Playing() const { return worker_ != nullptr; }
    // The frame that is due, into `frame`; false when none waits.
    bool Take(DecodedPixels& frame);
    // A frame's buffer no longer shown, for a later frame to be decoded into.
    void Recycle(DecodedPixels&& spent);
    // The last pass ended (the last frame stays), or the file gave out.
    bool Ended() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<struct PlayerWorker> worker_;
    uint32_t stopWaitMs_;
    bool stuck_ = false;
};
