// Window placement of the viewer: monitor tracking, centring, roaming,
// corralling, the status bar, display modes and taking over from other copies.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/AppState.h"
#include "imaging/Layout.h"
#include "window/Dpi.h"
#include "window/ModeChange.h"
#include "window/Placement.h"
#include "platform/WindowStyle.h"

namespace {

struct MonitorSearch {
    POINT centre;
    RECT monitor;
    RECT work;
    bool found;
};

BOOL CALLBACK FindMonitorOfPoint(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* search = reinterpret_cast<MonitorSearch*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    if (!PtInRect(&info.rcMonitor, search->centre)) return TRUE;
    search->monitor = info.rcMonitor;
    search->work = info.rcWork;
    search->found = true;
    return FALSE;
}

// Only viewers are told to close: other programs may read the same message
// number as one of their own.
BOOL CALLBACK PostCloseToOthers(HWND window, LPARAM self) {
    if (window != reinterpret_cast<HWND>(self) && IsViewerWindow(window)) PostMessageW(window, WM_APP_CLOSE, 0, 0);
    return TRUE;
}

}  // namespace

bool AppState::BlackboxAdjusted() const { return blackboxPresent && bbSkin; }

RECT AppState::PlacementArea() const {
    RECT area = workArea;
    if (BlackboxAdjusted() && !crop) area.top -= bbCaptionAdjust;
    return area;
}

void AppState::ReadPositionFromWindow() {
    RECT r{};
    GetWindowRect(hwnd, &r);
    position = Rect32{r.left, r.top, r.right, r.bottom};
}

void AppState::LocateMonitor() {
    if (GetSystemMetrics(SM_CMONITORS) <= 1) {
        monitorRect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
        UpdateColourTarget();
        return;
    }
    MonitorSearch search{RectCentre(position), {}, {}, false};
    EnumDisplayMonitors(nullptr, nullptr, FindMonitorOfPoint, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        monitorRect = search.monitor;
        workArea = search.work;
    }
    UpdateColourTarget();
}

void AppState::CenterWindow() {
    const int w = position.right - position.left;
    const int h = position.bottom - position.top;
    const POINT p = CenteredOrigin(PlacementArea(), w, h);
    MoveWindow(hwnd, p.x, p.y, w, h, TRUE);
    ReadPositionFromWindow();
}

void AppState::RoamWindow() {
    const int w = position.right - position.left;
    const int h = position.bottom - position.top;
    const int rx = rand();
    const int ry = rand();
    const POINT p = RoamingOrigin(PlacementArea(), w, h, rx, ry);
    MoveWindow(hwnd, p.x, p.y, w, h, TRUE);
    ReadPositionFromWindow();
}

void AppState::CorralWindow() {
    LocateMonitor();
    const Rect32 r = CorralledRect(position, monitorRect);
    MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    ReadPositionFromWindow();
}

void AppState::CreateStatusBar() {
    statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(500)), g_app.instance, nullptr);
    if (!statusBar) {
        statusbar = false;
        return;
    }
    // The font of the window's own scale: the bar's height follows it.
    if (statusFont) SendMessageW(statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont.Get()), FALSE);
    SendMessageW(statusBar, WM_SIZE, 0, 0);
    RECT r{};
    GetWindowRect(statusBar, &r);
    statusHeight = r.bottom - r.top;
    static const int kRightEdges[7] = {70, 160, 200, 260, 360, 410, 440};
    int edges[7];
    for (int i = 0; i < 7; ++i) edges[i] = Scaled(kRightEdges[i]);
    SendMessageW(statusBar, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(edges));
    SendMessageW(statusBar, SB_SETTEXTW, 6 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"\tF1"));
    if (!slide) SendMessageW(statusBar, SB_SETTEXTW, 5, reinterpret_cast<LPARAM>(L"\t!"));
}

void MarkViewerWindow(HWND window) { SetPropW(window, kViewerMark, reinterpret_cast<HANDLE>(1)); }

bool IsViewerWindow(HWND window) { return GetPropW(window, kViewerMark) != nullptr; }

void AppState::SwitchMode(int32_t mode) {
    const ModeChange change = PlanModeChange(layer, mode);
    if (change.leaveWallpaper && !trayicon) Shell_NotifyIconW(NIM_DELETE, &trayIcon);
    if (change.leaveFullScreen) {
        // The frame comes back first; wallpaper mode then hides it.
        layer = kLayerWindowed;
        LeaveFullScreen();
    }
    layer = change.layer;
    if (layer == kLayerWindowed)
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
    if (change.enterFullScreen) EnterFullScreen();
    if (change.enterWallpaper) {
        // The program stays reachable through its icon while its window is hidden.
        StopAnimation();
        collage = false;
        if (!trayicon) Shell_NotifyIconW(NIM_ADD, &trayIcon);
        ShowWindow(hwnd, SW_HIDE);
        SetWallpaperStyle(0);
        ApplyBlend();
        ShowPicture(true);
        return;
    }
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOW);
    if (change.leaveWallpaper && layer == kLayerWindowed) ApplyDisplay();
    if (change.leaveWallpaper) StartAnimation();
    ApplyBlend();
}

void AppState::EnterFullScreen() {
    SetWindowRgn(hwnd, nullptr, TRUE);
    if (collage) ClearCollage();
    if (!fullscreencursor) ShowCursor(FALSE);
    if (statusBar) {
        DestroyWindow(statusBar);
        statusBar = nullptr;
    }
    windowedLayout = layout;
    layout = fullscreenlayout;
    if (!zoomHeld) currentZoom = zoom;
    ShowWindow(hwnd, SW_HIDE);
    SetStyleBits(hwnd, GWL_STYLE, kFrameStyles, false);
    ShowWindow(hwnd, SW_SHOW);
    // The position rectangle keeps the windowed placement for the way back;
    // the window itself covers the monitor that holds it.
    LocateMonitor();
    SetWindowPos(hwnd, nullptr, monitorRect.left, monitorRect.top, monitorRect.right - monitorRect.left,
                 monitorRect.bottom - monitorRect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS | SWP_FRAMECHANGED);
    RelayoutFullScreen();
}

void AppState::LeaveFullScreen() {
    layout = windowedLayout;
    const Rect32 kept = position;
    if (!crop) SetStyleBits(hwnd, GWL_STYLE, kFrameStyles, true);
    if (statusbar && !crop && !statusBar) CreateStatusBar();
    if (!fullscreencursor) ShowCursor(TRUE);
    if (!wrap || collage) {
        position = kept;
        SetWindowPos(hwnd, nullptr, kept.left, kept.top, kept.right - kept.left, kept.bottom - kept.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else {
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
    }
    if (!zoomHeld) currentZoom = zoom;
    InvalidateRect(nullptr, nullptr, TRUE);  // the desktop the full-screen window covered
    SetActiveWindow(GetParent(hwnd));
    BringWindowToTop(hwnd);
    ApplyDisplay();
}

void AppState::RelayoutFullScreen() {
    if (ExhibitSize() == 0) {
        ShowEmptyState();
        return;
    }
    if (!wrap && !collage && picture.IsLoaded()) {
        currentZoom = PlacePicture(ViewRect(), currentZoom, squeeze, shrink, stretch, layout,
                                   autoscroll && quietautoscroll);
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}

void AppState::TakeOverInstances() {
    EnumWindows(PostCloseToOthers, reinterpret_cast<LPARAM>(hwnd));
    for (int attempt = 0; !hotkeyRegistered && attempt < 10; ++attempt) {
        Sleep(100);
        hotkeyRegistered =
            RegisterHotKey(hwnd, kHotkeyId, static_cast<UINT>(hidemod), static_cast<UINT>(hidekey)) != 0;
    }
}

void AppState::ApplyDisplay() {
    if (closing) return;
    if (layer == kLayerWallpaper) {
        MakeWallpaper();
    } else if (layer == kLayerWindowed) {
        if (!collage) {
            if (wrap) FitWindowToPicture();
            else if (crop) ApplyWindowRegion();
        }
        if (corral && !(wrap && autocenter)) CorralWindow();
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
        if (autocenter && wrap) CenterWindow();
        if (!wrap && roamwindow) RoamWindow();
    } else if (layer == kLayerFullScreen) {
        RelayoutFullScreen();
    }
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

RECT AppState::WrapArea() const {
    RECT area = workArea;
    if (!crop) {
        area.top += frameHeight + MetricFor(SM_CYCAPTION, dpi);
        area.left += frameWidth;
        area.right -= frameWidth;
        area.bottom -= frameHeight;
        if (statusBar) area.bottom -= statusHeight;
        if (BlackboxAdjusted()) {
            area.top -= bbCaptionAdjust;
            area.left -= frameWidth;
            area.right += frameWidth;
        }
    }
    return area;
}

void AppState::FitWindowToPicture() {
    if (!picture.IsLoaded()) return;
    const RECT area = WrapArea();
    ComputeDisplaySize(area, currentZoom, squeeze, shrink, stretch);
    int w = picture.width;
    int h = picture.height;
    if (!squeeze || zoomHeld) {
        if (w > area.right - area.left) w = area.right - area.left;
        if (h > area.bottom - area.top) h = area.bottom - area.top;
    }
    const POINT oldCorner{position.left, position.top};
    RECT r{position.left, position.top, position.left + w, position.top + h};
    if (statusBar) r.bottom += statusHeight;
    if (!crop) {
        AdjustWindowRectForDpi(r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), dpi);
        if (BlackboxAdjusted()) r.bottom += bbWindowAdjust;
    }
    position = Rect32{r.left, r.top, r.right, r.bottom};
    if (crop) ApplyWindowRegion();
    const int ww = position.right - position.left;
    const int wh = position.bottom - position.top;
    if (autocenter) {
        CenterWindow();
    } else if (!roamwindow) {
        MoveWindow(hwnd, oldCorner.x, oldCorner.y, ww, wh, TRUE);
        ReadPositionFromWindow();
    } else {
        RoamWindow();
    }
}

void AppState::ApplyWindowRegion() {
    if (layer == kLayerFullScreen || collage || !picture.IsLoaded()) return;
    const RECT area{position.left, position.top, position.right, position.bottom};
    ComputeDisplaySize(area, currentZoom, squeeze, shrink, stretch);
    const int ww = position.right - position.left;
    const int wh = position.bottom - position.top;
    const int w = picture.width;
    const int h = picture.height;
    // The region follows the layout; a roaming layout keeps the top-left corner.
    const POINT p = LayoutPosition(layout == kLayoutRoaming ? kLayoutTopLeft : layout, ww, wh, w, h, true, nullptr);
    const int x = p.x, y = p.y;
    SetWindowRgn(hwnd, CreateRectRgn(x, y, x + w, y + h), TRUE);
}

void AppState::SetLayout(int32_t n) {
    if (layer == kLayerFullScreen) {
        windowedLayout = n;
        return;
    }
    layout = n;
    ApplyDisplay();
}

void AppState::SavePreset(int32_t n) {
    if (layer == kLayerFullScreen || n < 1 || n > 5) return;
    ReadPositionFromWindow();
    presets[n - 1] = position;
    wrap = false;
}

void AppState::RestorePreset(int32_t n) {
    if (n < 1 || n > 5) return;
    wrap = false;
    if (!zoomHeld) currentZoom = zoom;
    position = presets[n - 1];
    if (layer != kLayerFullScreen) {
        MoveWindow(hwnd, position.left, position.top, position.right - position.left, position.bottom - position.top,
                   TRUE);
    } else {
        SetWindowPos(hwnd, nullptr, monitorRect.left, monitorRect.top, monitorRect.right - monitorRect.left,
                     monitorRect.bottom - monitorRect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS);
    }
    LocateMonitor();
    if (squeeze) ApplyDisplay();
    else ShowPicture(true);
}

void AppState::ApplyBlend() {
    const bool layered = blend && setLayeredWindowAttributes && layer != kLayerWallpaper;
    SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_LAYERED, layered);
    if (layered) setLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(opacity & 0xFF), LWA_ALPHA);
}

void AppState::SetStayOnTop() {
    SetWindowPos(hwnd, ontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
}
