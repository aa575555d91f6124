// What the window does when a setting that shapes it has just been switched:
// wrap, crop, the status bar, the system menu boxes and the full-screen name.
#include <windows.h>

#include "app/AppState.h"
#include "platform/WindowStyle.h"

void AppState::ApplyWrap() {
    // Wrap chosen while a collage shows ends the collage and wraps again.
    if (collage) {
        wrap = true;
        collage = false;
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    if (layer == kLayerWallpaper) {   // the wallpaper is made again at its new size
        MakeWallpaper();
        return;
    }
    if (layer == kLayerFullScreen) {
        currentZoom = zoom;
        RelayoutFullScreen();
        return;
    }
    if (wrap) {
        if (!zoomHeld) currentZoom = zoom;
        FitWindowToPicture();
        InvalidateRect(hwnd, nullptr, TRUE);
    } else {
        ReadPositionFromWindow();
    }
}

void AppState::ApplyCrop() {
    if (layer == kLayerFullScreen) return;  // it takes effect back in windowed mode
    if (!zoomHeld) currentZoom = zoom;
    if (crop) {
        if (statusbar && statusBar) {
            DestroyWindow(statusBar);
            statusBar = nullptr;
        }
        ShowWindow(hwnd, SW_HIDE);
        SetStyleBits(hwnd, GWL_STYLE, kFrameStyles, false);
        ShowWindow(hwnd, SW_SHOW);
        ApplyWindowRegion();
    } else {
        SetStyleBits(hwnd, GWL_STYLE, kFrameStyles, true);
        if (decorate) SetStyleBits(hwnd, GWL_STYLE, kBoxStyles, true);
        if (statusbar && !statusBar) CreateStatusBar();
        SetWindowRgn(hwnd, nullptr, TRUE);
        ShowWindow(hwnd, SW_SHOW);
        SetActiveWindow(GetParent(hwnd));
        BringWindowToTop(hwnd);
        if (!wrap) ApplyDisplay();
    }
    if (wrap && !collage) FitWindowToPicture();
}

void AppState::ApplyStatusBar() {
    const bool hadBar = statusBar != nullptr;
    if (statusbar && !crop && layer != kLayerFullScreen) {
        if (!statusBar) CreateStatusBar();
    } else if (statusBar) {
        DestroyWindow(statusBar);
        statusBar = nullptr;
    }
    // The view grew or shrank by the bar: like any new size, a new heap.
    if (collage && hadBar != (statusBar != nullptr)) ClearCollage();
    if (layer == kLayerWindowed) ApplyDisplay();
}

void AppState::ApplyDecorate() {
    ShowWindow(hwnd, SW_HIDE);
    SetStyleBits(hwnd, GWL_STYLE, kBoxStyles, decorate);
    ShowWindow(hwnd, SW_SHOW);
}

// Full screen, after the name overlay was switched: draw it at once, or take
// it away by putting the picture (or the collage) back over it.
void AppState::ApplyNameOverlay() {
    if (fullscreenname) {
        if (HDC dc = GetDC(hwnd)) {
            DrawNameOverlay(dc);
            ReleaseDC(hwnd, dc);
        }
    } else if (collage) {
        if (HDC dc = GetDC(hwnd)) {
            if (collageCanvas.Bitmap())
                BitBlt(dc, 0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top,
                       collageCanvas.Dc(), 0, 0, SRCCOPY);
            ReleaseDC(hwnd, dc);
        }
    } else {
        if (!zoomHeld) currentZoom = zoom;
        ApplyDisplay();
    }
}
