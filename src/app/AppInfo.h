// The small process-wide record that outlives AppState, and the one message box.
#pragma once

#include <windows.h>

#include <atomic>

struct AppInfo {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    std::atomic<HWND> catalogWindow{nullptr};   // also read by the build worker
    const wchar_t* productName = L"Oxbrill";
    const wchar_t* version = L"1.00";

    // MessageBoxW owned by the main window, captioned with the product name.
    int ShowMessage(const wchar_t* text, UINT flags) const;
};

extern AppInfo g_app;
