// Showing the picture at the current index and moving through the exhibit.
#include <windows.h>
#include <commctrl.h>

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
    picture.Release();
    canvas.Free();
    UpdateStatus();
    if (title) UpdateCaption();
}

bool AppState::FindWantedShape(bool forward) {
    const auto wanted = [this] {
        const uint32_t w = picture.NaturalWidth();
        const uint32_t h = picture.NaturalHeight();
        return !((landscapeOnly && w < h) || (portraitOnly && h < w));
    };
    const std::wstring start = exhibit->CurrentPath();
    const size_t limit = exhibit->Size();
    size_t tried = 0;
    for (;;) {
        if (picture.IsLoaded()) {
            ++tried;
            ApplyOrientation();
            if (wanted()) return true;
            if (tried >= limit) break;
            exhibit->Step(1, forward);
        } else if (++tried >= limit) {
            break;   // a failed load counts as tried; it has moved on by itself
        }
        if (exhibit->Empty() || exhibit->CurrentPath() == start) break;
        LoadCurrent(forward);
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
    LoadCurrent(forward);
    if (picture.IsLoaded()) ApplyOrientation();
    return picture.IsLoaded();
}

void AppState::ShowPicture(bool forward) {
    if (closing) return;
    const size_t count = ExhibitSize();
    if (count == 0) {
        ShowEmptyState();
        return;
    }
    // Every entry is tried at most once: with removefail the failures leave
    // the exhibit, without it the index steps past them.
    FailureRun run;
    FailureRun* const outer = std::exchange(failureRun, &run);
    tooLargeOnly = false;
    for (; run.attempts < count && !closing; ++run.attempts) {
        LoadCurrent(forward);
        if (picture.IsLoaded() || exhibit->Empty()) break;
    }
    failureRun = outer;
    exhibit->RemoveEntries(run.dropped);
    if (!run.logLines.empty() && !AppendLogLines(errorsLogPath, run.logLines)) ReportLogFailure(errorsLogPath);
    if (closing) return;   // closed while a decode was awaited
    if (!picture.IsLoaded()) {
        if (exhibit->Empty()) {   // every entry was dropped
            ShowEmptyState();
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
}
