// The colours pictures are shown in: the colour profile Windows has assigned
// to the monitor the window is on, read on the interface thread and handed to
// the decoders, and the colormanage setting.
#include <windows.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "platform/Handles.h"

namespace {

// A display profile is a few kilobytes, one with large tables a few hundred.
constexpr DWORD kMaxProfileBytes = 16u << 20;

// The file of the profile assigned to the monitor named `device`; empty without one.
std::wstring ProfilePathOf(const wchar_t* device) {
    HDC dc = CreateDCW(L"DISPLAY", device, nullptr, nullptr);
    if (!dc) return {};
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL found = GetICMProfileW(dc, &size, path);
    DeleteDC(dc);
    return found ? std::wstring(path) : std::wstring();
}

std::vector<uint8_t> ReadProfile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    if (path.empty()) return bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > kMaxProfileBytes)
        return bytes;
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr) || got != bytes.size()) bytes.clear();
    return bytes;
}

}  // namespace

bool AppState::UpdateColourTarget() {
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    const RECT window{position.left, position.top, position.right, position.bottom};
    HMONITOR monitor = MonitorFromRect(&window, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info)) {
        // The profile is asked for each time (it may have been changed for the
        // monitor), its file read only when it is another one.
        const std::wstring path = ProfilePathOf(info.szDevice);
        if (info.szDevice != monitorDevice || path != monitorProfilePath) {
            monitorDevice = info.szDevice;
            monitorProfilePath = path;
            // A missing or unreadable profile leaves sRGB.
            monitorProfile = ReadProfile(path);
        }
    }
    if (!colour.Set(colormanage, monitorProfile)) return false;
    if (pictures) pictures->Clear();
    return true;
}

void AppState::ColourManagementChanged() {
    if (!UpdateColourTarget()) return;
    if (picture.IsLoaded()) ShowPicture(true);
    // The thumbnails are keyed by what they were converted to: painted again, they are made anew.
    if (HWND catalog = g_app.catalogWindow.load())
        RedrawWindow(catalog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
