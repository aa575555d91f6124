// The slideshow timer: the period is counted down in ticks of at most a second
// so the status bar can show the time left and stopping and resuming are cheap.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/AppState.h"
#include "app/SlideTimerRules.h"
#include "commands/CommandIds.h"

namespace {

constexpr int kCountdownPart = 5;   // status-bar part left of the help hint

void TrimWorkingSet() {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void SetCountdownText(HWND statusBar, const wchar_t* text) {
    if (statusBar)
        SendMessageW(statusBar, SB_SETTEXTW, kCountdownPart, reinterpret_cast<LPARAM>(text));
}

void ShowRemaining(HWND statusBar, uint32_t remainingMs) {
    if (!statusBar) return;
    wchar_t text[32];
    slideshow::FormatRemaining(text, std::size(text), remainingMs);
    SetCountdownText(statusBar, text);
}

}  // namespace

void AppState::RestartSlideTimer() {
    if (closing) return;
    KillTimer(hwnd, kSlideTimerId);
    slideRemaining = slideshow::PeriodMs(timer);
    if (slide) SetTimer(hwnd, kSlideTimerId, slideTick, nullptr);
    if (slide)
        ShowRemaining(statusBar, slideRemaining);
    else
        SetCountdownText(statusBar, slideshow::kStatusOff);
    TrimWorkingSet();
}

void AppState::StopSlideTimer(bool hold) {
    KillTimer(hwnd, kSlideTimerId);
    TrimWorkingSet();
    if (hold) slideHeld = true;
}

void AppState::ResumeSlideTimer() {
    slideHeld = false;
    if (closing) return;
    if (!slide || !(IsWindowVisible(hwnd) || layer == kLayerWallpaper)) return;
    const bool empty = ExhibitSize() == 0;
    // The time left is kept: the period continues where it stopped.
    if (!empty) SetTimer(hwnd, kSlideTimerId, slideTick, nullptr);
}

void AppState::OnSlideTick(UINT_PTR timerId) {
    if (timerId != kSlideTimerId) return;
    KillTimer(hwnd, kSlideTimerId);
    if (g_app.catalogWindow.load()) return;   // no advancing while the Catalog is open

    const size_t count = ExhibitSize();
    if (count == 0) {
        slideRemaining = 0;
        SetCountdownText(statusBar, slideshow::kStatusIdle);
        return;
    }

    slideRemaining = slideshow::AfterTick(slideRemaining, slideTick);
    if (slideRemaining > 0) {
        SetTimer(hwnd, kSlideTimerId, slideshow::NextInterval(slideRemaining, slideTick), nullptr);
        ShowRemaining(statusBar, slideRemaining);
        return;
    }

    slideshow::EndInputs in;
    in.count = static_cast<int64_t>(count);
    in.index = exhibit->CurrentIndex();
    in.loop = loop;
    in.loopshuffle = loopshuffle;
    in.sort = sort;
    in.collage = collage;
    in.building = Building();
    const slideshow::EndDecision decision = slideshow::DecideEndOfPeriod(in);

    if (decision.reshuffle) ShuffleExhibit();
    switch (decision.action) {
    case slideshow::EndAction::Exit:
        ExecuteCommand(kCmdExit);
        return;
    case slideshow::EndAction::Pause:
        SetCountdownText(statusBar, slideshow::kStatusIdle);
        return;
    case slideshow::EndAction::RandomPick:
        exhibit->MoveTo(RandomIndex(static_cast<int32_t>(count)));
        break;
    case slideshow::EndAction::Next:
        // After a reshuffle the loop starts again at the first entry.
        if (decision.reshuffle) exhibit->MoveTo(0);
        else exhibit->Step(1, true);
        break;
    }
    ShowPicture(true);
}
