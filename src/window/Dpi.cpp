// Per-monitor DPI: the status bar, its font and the name overlay follow the
// scale of the monitor the window is on; a picture pixel stays a screen pixel.
#include <windows.h>
#include <commctrl.h>

#include "app/AppState.h"
#include "window/Dpi.h"

namespace {

template <class Function>
Function User32(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32"), name)));
}

}  // namespace

uint32_t WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? uint32_t(dpi) : 96;
}

LOGFONTW StatusFontFor(uint32_t dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = User32<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics.lfStatusFont;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        metrics.lfStatusFont.lfHeight = MulDiv(metrics.lfStatusFont.lfHeight, int(dpi), int(WindowDpi(nullptr)));
        return metrics.lfStatusFont;
    }
    LOGFONTW font{};
    font.lfHeight = -MulDiv(9, int(dpi), 72);
    font.lfPitchAndFamily = 2;
    return font;
}

int MetricFor(int index, uint32_t dpi) {
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32<ForDpiFn>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, dpi) : GetSystemMetrics(index);
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, uint32_t dpi) {
    using ForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = User32<ForDpiFn>("AdjustWindowRectExForDpi");
    if (!forDpi || !forDpi(&rect, style, FALSE, exStyle, dpi)) AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

void AppState::ApplyDpi(uint32_t newDpi) {
    dpi = newDpi ? newDpi : 96;
    const LOGFONTW font = StatusFontFor(dpi);
    statusFont.Reset(CreateFontIndirectW(&font));
    frameWidth = MetricFor(SM_CXSIZEFRAME, dpi);
    frameHeight = MetricFor(SM_CYSIZEFRAME, dpi);
}

void AppState::OnDpiChanged(uint32_t newDpi, const RECT& suggested) {
    ApplyDpi(newDpi);
    // The status bar is made anew in the new scale.
    if (statusBar) {
        DestroyWindow(statusBar);
        statusBar = nullptr;
        CreateStatusBar();
    }
    if (layer != kLayerWindowed) return;
    if (wrap && !collage) {
        ApplyDisplay();   // the frame around the same picture, in the new scale
    } else {
        SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ReadPositionFromWindow();
    }
    UpdateStatus();
}
