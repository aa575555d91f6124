// The frames of an animated picture (GIF, WebP), one after another: each is
// the whole canvas as it stands after the frame is laid on it (disposal and
// blending done), with how long it is to be shown. Only the canvas and what
// disposal needs are held, so a long animation costs a few frames of memory
// whatever its length. No windows, no GDI+: any thread may use a source, one
// thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "imaging/PixelDecoders.h"

class ColourTarget;

class AnimationFrames {
public:
    virtual ~AnimationFrames() = default;

    // The canvas size: every frame is this size.
    virtual uint32_t Width() const = 0;
    virtual uint32_t Height() const = 0;
    // How many times the whole animation plays: 0 for ever.
    virtual uint32_t Loops() const = 0;
    // The next frame composed onto the canvas: premultiplied BGRA rows of
    // Width() x Height() into `frame` (outcome Decoded), and the time it is
    // shown in milliseconds into `delayMs`. False at the end of a pass, or
    // when the rest of the file is damaged (then the frames had so far are
    // all there is); Rewind() starts the next pass.
    virtual bool Next(DecodedPixels& frame, uint32_t& delayMs) = 0;
    // Back to before the first frame, with a cleared canvas.
    virtual void Rewind() = 0;
    // The colour profile the file carries for all its frames; empty without one.
    virtual std::span<const uint8_t> Profile() const { return {}; }
};

// The animation these bytes hold, which the source reads from (they must
// outlive it); null when they hold a still picture (one frame), something
// other than a GIF or WebP, or a canvas of more than `pixelLimit` pixels.
std::unique_ptr<AnimationFrames> OpenAnimation(const uint8_t* bytes, size_t size, uint64_t pixelLimit);

// The same frames converted from the profile they carry to `target`, as the
// first frame was by the decode; `frames` itself when there is nothing to
// convert (no target, no profile).
std::unique_ptr<AnimationFrames> InColours(std::unique_ptr<AnimationFrames> frames,
                                          std::shared_ptr<const ColourTarget> target);

// The delay a file gives a frame as it is shown: delays under 20 ms count as
// 100 ms, as browsers show them.
constexpr uint32_t ShownDelay(uint32_t fileDelayMs) { return fileDelayMs < 20 ? 100 : fileDelayMs; }
