#include "app/SlideTimerRules.h"

#include <cwchar>

namespace slideshow {

uint32_t AfterTick(uint32_t remainingMs, uint32_t tickMs) {
    return remainingMs < tickMs ? 0 : remainingMs - tickMs;
}

uint32_t NextInterval(uint32_t remainingMs, uint32_t tickMs) {
    return remainingMs < tickMs ? remainingMs : tickMs;
}

uint32_t PeriodMs(int32_t timerMs) { return timerMs < 0 ? 0u : static_cast<uint32_t>(timerMs); }

void FormatRemaining(wchar_t* text, size_t capacity, uint32_t remainingMs) {
    if (!text || capacity == 0) return;
    if (std::swprintf(text, capacity, L"\t%.2f", remainingMs / 1000.0) < 0) text[capacity - 1] = L'\0';
}

EndDecision DecideEndOfPeriod(const EndInputs& in) {
    EndDecision out;
    const bool atLast = in.index + 1 == in.count;
    if (in.count <= 0) {
        out.action = EndAction::Pause;
        return out;
    }
    if (atLast && in.loopshuffle && in.sort == kSortRandom && in.count > 1 && in.loop != kLoopExit) out.reshuffle = true;
    if (atLast && in.loop == kLoopExit)
        out.action = EndAction::Exit;
    else if ((atLast && in.loop == kLoopPause) || (in.count == 1 && !in.collage))
        out.action = EndAction::Pause;
    else if (in.building && in.sort == kSortRandom)
        out.action = EndAction::RandomPick;
    else
        out.action = EndAction::Next;
    return out;
}

}  // namespace slideshow
