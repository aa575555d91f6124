// Dragging the window or an oversized picture with the left button, and the wheel.
#include <windows.h>

#include "app/AppState.h"
#include "platform/Keys.h"
#include "commands/CommandIds.h"

void AppState::OnLeftButtonDown() {
    panning = PictureOverflows();
    if (panning) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
    } else if (layer == kLayerFullScreen) {
        return;
    }
    if (!draggable && !panning) return;
    StopSlideTimer(false);
    GetCursorPos(&dragPoint);
    GetWindowRect(hwnd, &dragWindowRect);
    SetCapture(hwnd);
}

void AppState::OnMouseMove() {
    if (GetCapture() != hwnd) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    if (cursor.x == dragPoint.x && cursor.y == dragPoint.y) return;
    if (panning) {
        const int factor = KeyHeld(VK_SHIFT) ? 2 : KeyHeld(VK_CONTROL) ? 5 : 1;
        scrollX += (dragPoint.x - cursor.x) * factor;
        scrollY += (dragPoint.y - cursor.y) * factor;
        ScrollView(false);
        dragPoint = cursor;
    } else if (draggable) {
        MoveWindow(hwnd, dragWindowRect.left + cursor.x - dragPoint.x, dragWindowRect.top + cursor.y - dragPoint.y,
                   dragWindowRect.right - dragWindowRect.left, dragWindowRect.bottom - dragWindowRect.top, TRUE);
    }
}

void AppState::OnLeftButtonUp() {
    if (GetCapture() != hwnd) return;
    ReleaseCapture();
    // In full screen only the picture moves; the position rectangle keeps the
    // windowed placement for the way back.
    if (layer != kLayerFullScreen) ReadPositionFromWindow();
    LocateMonitor();
    panning = false;
    ResumeSlideTimer();
}

void AppState::OnMouseWheel(int delta) {
    if (panning) {
        scrollY -= delta / 10;
        ScrollView(false);
    } else if (wheelnav) {
        ExecuteCommand(delta < 1 ? kCmdNext : kCmdPrevious);
    } else if (delta > 0) {
        ExecuteCommand(kCmdZoomIn);
    } else if (delta < 0) {
        ExecuteCommand(kCmdZoomOut);
    }
}
