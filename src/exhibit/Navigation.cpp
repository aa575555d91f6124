// Showing the picture at currentIndex and moving through the exhibit.
#include <windows.h>
#include <commctrl.h>

#include "app/AppState.h"
#include "exhibit/FolderSteps.h"

size_t AppState::ExhibitSize() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    return exhibit.size();
}

void AppState::ShowEmptyState() {
    if (layer == 1) {
        if (HDC dc = GetDC(hwnd)) {
            RECT r{};
            GetClientRect(hwnd, &r);
            FillRect(dc, &r, backgroundBrush);
            ReleaseDC(hwnd, dc);
        }
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    picture.Release();
    canvas.Free();
    UpdateStatus();
}

void AppState::RemoveCurrent() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    if (currentIndex < 0 || static_cast<size_t>(currentIndex) >= exhibit.size()) return;
    exhibit.erase(exhibit.begin() + currentIndex);
    if (static_cast<size_t>(currentIndex) == exhibit.size()) currentIndex = 0;
}

void AppState::ShowPicture(bool forward) {
    if (ExhibitSize() == 0) {
        ShowEmptyState();
        return;
    }
    LoadCurrent(forward);
    size_t attempts = 1;
    while (!picture.IsLoaded() && ExhibitSize() > attempts) {
        LoadCurrent(forward);
        ++attempts;
        if (attempts == ExhibitSize() && !picture.IsLoaded()) {
            if (slide && statusBar) SendMessageW(statusBar, SB_SETTEXTW, 5, reinterpret_cast<LPARAM>(L"\t..."));
            StopSlideTimer(false);
            InvalidateRect(hwnd, nullptr, TRUE);
            return;
        }
    }
    if (picture.IsLoaded() && ExhibitSize() == 0) picture.Release();  // every entry was dropped

    if (landscapeOnly || portraitOnly) {
        const int32_t start = currentIndex;
        while (picture.IsLoaded()) {
            ApplyOrientation();
            const uint32_t w = picture.NaturalWidth();
            const uint32_t h = picture.NaturalHeight();
            const bool fits = !((landscapeOnly && w < h) || (portraitOnly && h < w));
            if (fits) break;
            const int32_t n = static_cast<int32_t>(ExhibitSize());
            if (n == 0) break;
            currentIndex = StepIndex(currentIndex, 1, n, forward);
            if (currentIndex == start) break;
            LoadCurrent(forward);
        }
    }

    if (picture.IsLoaded()) {
        scrollX = scrollY = 0;
        viewScrolled = false;
        currentZoom = zoom;
        zoomHeld = false;
        if (!landscapeOnly && !portraitOnly) ApplyOrientation();
        {
            std::lock_guard<std::mutex> lock(exhibitLock);
            if (currentIndex >= 0 && static_cast<size_t>(currentIndex) < exhibit.size())
                GetSystemTimeAsFileTime(&exhibit[static_cast<size_t>(currentIndex)].accessed);
        }
        ApplyDisplay();
        if (slide) RestartSlideTimer();
    } else {
        InvalidateRect(hwnd, nullptr, TRUE);
    }
}

int32_t AppState::NextFolderIndex(int32_t i) {
    std::lock_guard<std::mutex> lock(exhibitLock);
    return ::NextFolderIndex(exhibit, i);
}

int32_t AppState::PreviousFolderIndex(int32_t i) {
    std::lock_guard<std::mutex> lock(exhibitLock);
    return ::PreviousFolderIndex(exhibit, i);
}
