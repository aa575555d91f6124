// The notification-area icon and the show/hide toggle behind it and the hotkey.
#include <windows.h>
#include <shellapi.h>

#include "app/AppState.h"
#include "platform/WindowStyle.h"

void AppState::ApplyTrayIcon() {
    // The task-bar button only follows the style change while the window is hidden.
    ShowWindow(hwnd, SW_HIDE);
    if (trayicon) {
        SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW, false);
        Shell_NotifyIconW(NIM_ADD, &trayIcon);
    } else {
        SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW, true);
        Shell_NotifyIconW(NIM_DELETE, &trayIcon);
    }
    ShowWindow(hwnd, SW_SHOW);
}

void AppState::OnTrayMessage(UINT mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        ToggleViewerVisible();
        break;
    case WM_RBUTTONUP: {
        POINT at{};
        GetCursorPos(&at);
        PopupMenu(at.x, at.y, 0);
        // A menu opened from the notification area closes properly only when
        // its owner gets a message after it.
        PostMessageW(hwnd, WM_NULL, 0, 0);
        break;
    }
    default:
        break;
    }
}

void AppState::ToggleViewerVisible() {
    const HWND catalog = g_app.catalogWindow;
    if (catalog) {
        if (IsWindowVisible(catalog)) {
            if (IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_HIDE);
            ShowWindow(catalog, SW_HIDE);
            InvalidateRect(nullptr, nullptr, TRUE);
        } else {
            if (!hideViewer && layer != kLayerWallpaper) ShowWindow(hwnd, SW_SHOWNORMAL);
            ShowWindow(catalog, SW_SHOW);
            SetForegroundWindow(catalog);
        }
        return;
    }
    if (layer == kLayerWallpaper) return;   // the wallpaper has no window to hide
    if (IsWindowVisible(hwnd)) {
        StopSlideTimer(false);
        ShowWindow(hwnd, SW_HIDE);
        InvalidateRect(nullptr, nullptr, TRUE);
    } else {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        SetForegroundWindow(hwnd);
        if (!slideHeld) ResumeSlideTimer();
    }
}
