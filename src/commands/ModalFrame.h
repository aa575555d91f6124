// The frame around every modal dialog, picker and box a command opens: the
// slideshow is held and the cursor shown for its length, and both come back
// on every way out. The viewer may be closing when it ends; resuming then
// does nothing. Inside another frame (a picker opened by a file operation)
// the slideshow stays held until the outer frame ends.
#pragma once

#include "app/AppState.h"
#include "platform/CursorShown.h"

class ModalFrame {
public:
    explicit ModalFrame(AppState& state) : state_(state), nested_(state.slideHeld) { state_.StopSlideTimer(true); }
    ~ModalFrame() {
        cursor_.Hide();
        if (!nested_) state_.ResumeSlideTimer();
    }
    ModalFrame(const ModalFrame&) = delete;
    ModalFrame& operator=(const ModalFrame&) = delete;

private:
    AppState& state_;
    const bool nested_;
    CursorShown cursor_;
};
