// The slideshow's count-down and end-of-exhibit rules, free of any window so
// they can be checked directly. SlideTimer.cpp applies them to the viewer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/SettingCodes.h"

namespace slideshow {

// Status-bar texts of the count-down part (the tab centres them).
inline constexpr const wchar_t* kStatusOff = L"\t!";     // slideshow switched off
inline constexpr const wchar_t* kStatusIdle = L"\t...";  // nothing to advance to

// Time left after one tick; never below zero.
uint32_t AfterTick(uint32_t remainingMs, uint32_t tickMs);

// Interval of the next tick while time is left: a whole tick, or the rest.
uint32_t NextInterval(uint32_t remainingMs, uint32_t tickMs);

// A period length from the settings; a negative one counts as no wait.
uint32_t PeriodMs(int32_t timerMs);

// "\t%.2f" of the seconds left into `text` (always terminated).
void FormatRemaining(wchar_t* text, size_t capacity, uint32_t remainingMs);

enum class EndAction {
    Exit,         // leave the program (command 1515)
    Pause,        // stay on this picture; the timer is not set again
    RandomPick,   // a random picture while the list is still being built
    Next,         // the following picture, wrapping to the first
};

struct EndDecision {
    bool reshuffle = false;   // shuffle the whole exhibit first
    EndAction action = EndAction::Next;
};

struct EndInputs {
    int64_t count = 0;        // pictures in the exhibit
    int64_t index = 0;        // the one showing
    int32_t loop = kLoopRepeat;
    bool loopshuffle = false;
    int32_t sort = kSortForward;
    bool collage = false;
    bool building = false;
};

// What happens when a period is over.
EndDecision DecideEndOfPeriod(const EndInputs& in);

}  // namespace slideshow
