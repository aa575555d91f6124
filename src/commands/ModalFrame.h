// The frame around every modal dialog, picker and box a command opens: the
// slideshow is held and the cursor shown for its length, and both come back
// on every way out. The viewer may be closing when it ends; resuming then
// does nothing.
#pragma once

#include "app/AppState.h"
#include "platform/CursorShown.h"

class ModalFrame {
public:
    explicit ModalFrame(AppState& state) : state_(state) { state_.StopSlideTimer(true); }
    ~ModalFrame() {
        cursor_.Hide();
        state_.ResumeSlideTimer();
    }
    ModalFrame(const ModalFrame&) = delete;
    ModalFrame& operator=(const ModalFrame&) = delete;

private:
    AppState& state_;
    CursorShown cursor_;
};
