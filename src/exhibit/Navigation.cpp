// Showing the picture at the current index and moving through the exhibit.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "app/AppState.h"
#include "fileops/LogFile.h"

void AppState::ShowEmptyState() {
    if (layer == kLayerFullScreen) {
        if (HDC dc = GetDC(hwnd)) {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillRect(dc, &r, backgroundBrush.Get());
            ReleaseDC(hwnd, dc);
        }
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    StopAnimation();
    picture.Release();
    canvas.Free();
    UpdateStatus();
    if (title) UpdateCaption();
}

namespace {

// A search for a picture of the wanted shape decodes this many at most.
constexpr size_t kShapeSearchMost = 256;

}  // namespace

bool AppState::FindWantedShape(bool forward) {
    const auto wanted = [this] {
        const uint32_t w = picture.NaturalWidth();
        const uint32_t h = picture.NaturalHeight();
        return !((landscapeOnly && w < h) || (portraitOnly && h < w));
    };
    const std::wstring start = exhibit->CurrentPath();
    const size_t limit = std::min(exhibit->Size(), kShapeSearchMost);
    size_t tried = 0;
    for (Load load = Load::Shown;;) {
        if (load == Load::Shown) {
            ++tried;
            ApplyOrientation();
            if (wanted()) return true;
            if (tried >= limit) break;
            exhibit->Step(1, forward);
        } else if (++tried >= limit) {
            break;   // a failed load counts as tried; it has moved on by itself
        }
        if (exhibit->Empty() || exhibit->CurrentPath() == start) break;
        load = LoadCurrent(forward);
        if (closing) return false;
    }
    // No picture of that shape: the one the search started from is shown
    // again, so the picture on screen and the current index always agree.
    const int32_t at = exhibit->Find(start);
    if (at < 0) {
        picture.Release();
        return false;
    }
    exhibit->MoveTo(at);
    if (LoadCurrent(forward) != Load::Shown) return false;
    ApplyOrientation();
    return true;
}

void AppState::ShowPicture(bool forward) { ShowPictureFrom(forward, 0); }

void AppState::ContinueShow(WPARAM serial, LPARAM state) {
    if (uint32_t(serial) != showSerial || closing || picture.IsLoaded()) return;   // a newer search came
    ShowPictureFrom((state & 1) != 0, size_t(state) >> 1);
}

void AppState::ShowPictureFrom(bool forward, size_t carried) {
    if (closing) return;
    const uint32_t serial = ++showSerial;
    const size_t count = ExhibitSize();
    if (count == 0) {
        ShowEmptyState();
        return;
    }
    // Every entry is tried at most once: with removefail the failures leave
    // the exhibit, without it the index steps past them. Files that are gone
    // leave it in any case.
    FailureRun run;
    FailureRun* const outer = std::exchange(failureRun, &run);
    tooLargeOnly = false;
    const DWORD began = GetTickCount();
    Load load = Load::Nothing;
    bool gaveUp = false;
    for (; carried + run.attempts < count && !closing; ++run.attempts) {
        if (run.attempts >= searchBounds.most ||
            (run.attempts >= searchBounds.few && GetTickCount() - began >= searchBounds.ms)) {
            gaveUp = true;
            break;
        }
        load = LoadCurrent(forward);
        if (load == Load::Shown || load == Load::Kept || exhibit->Empty()) break;
    }
    failureRun = outer;
    exhibit->RemoveEntries(run.dropped);
    if (!run.logLines.empty() && !AppendLogLines(errorsLogPath, run.logLines)) ReportLogFailure(errorsLogPath);
    if (run.vanished && watcher) watcher->RescanNow();   // the new list comes from a fresh look
    if (closing) return;   // closed while a decode was awaited
    if (load == Load::Kept || (gaveUp && picture.IsLoaded())) {
        // The picture on screen stays, and stays current; the rest of the
        // search waits for the next step or the watcher's new list.
        const int32_t at = shownEntry.empty() ? -1 : exhibit->IndexOfPath(shownEntry);
        if (at >= 0) exhibit->MoveTo(at);
        UpdateStatus();
        if (title) UpdateCaption();
        if (slide) RestartSlideTimer();
        return;
    }
    if (load != Load::Shown) {
        if (exhibit->Empty()) {   // every entry was dropped
            ShowEmptyState();
            return;
        }
        if (gaveUp) {
            // Nothing on screen: the search goes on from here after the
            // messages waiting meanwhile. What was stepped over stays counted.
            const size_t stepped = carried + run.attempts - run.dropped.size();
            if (hwnd) PostMessageW(hwnd, WM_APP_SHOW, serial, LPARAM(stepped << 1 | (forward ? 1 : 0)));
            InvalidateRect(hwnd, nullptr, TRUE);
            return;
        }
        if (slide && statusBar) SendMessageW(statusBar, SB_SETTEXTW, 5, reinterpret_cast<LPARAM>(L"\t..."));
        StopSlideTimer(false);
        tooLargeOnly = run.tooLarge;   // the caption says why nothing shows
        InvalidateRect(hwnd, nullptr, TRUE);
        return;
    }

    if ((landscapeOnly || portraitOnly) && !FindWantedShape(forward)) {
        InvalidateRect(hwnd, nullptr, TRUE);
        return;
    }

    scrollX = scrollY = 0;
    viewScrolled = false;
    currentZoom = zoom;
    zoomHeld = false;
    if (!landscapeOnly && !portraitOnly) ApplyOrientation();
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const CurrentEntry shown = exhibit->Current();
    exhibit->StampAccessed(shown.index, shown.path, now);
    ApplyDisplay();
    if (slide) RestartSlideTimer();
    PrefetchAround(forward);
    StartAnimation();
}
