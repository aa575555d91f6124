// The desktop wallpaper values under HKCU\Control Panel\Desktop: taking the
// wallpaper over with a style, clearing it, and restoring the one replaced.
#include <windows.h>

#include <cwchar>

#include "app/AppState.h"
#include "window/WallpaperWorker.h"

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";

// Owns an open registry key.
class RegistryKey {
public:
    RegistryKey() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RegistryKey() {
        if (key_) RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    explicit operator bool() const { return key_ != nullptr; }

    // Reads a string value of at most `size` - 1 characters; empty when absent.
    void Read(const wchar_t* name, wchar_t* out, DWORD size) const {
        out[0] = L'\0';
        DWORD bytes = size * sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ)) {
            out[0] = L'\0';
            return;
        }
        out[size - 1] = L'\0';
        const DWORD chars = bytes / sizeof(wchar_t);
        if (chars < size) out[chars] = L'\0';
    }

    // Writes a string value including its terminator.
    void Write(const wchar_t* name, const wchar_t* value) const {
        const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
        RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
    }

private:
    HKEY key_ = nullptr;
};

}  // namespace

void AppState::SetWallpaperStyle(int32_t style) {
    if (blackboxPresent && bbWallpaper) return;  // the shell owns the wallpaper
    RegistryKey key;
    if (!key) return;

    wchar_t current[kPathSize];
    key.Read(L"Wallpaper", current, kPathSize);
    if (wcscmp(current, wallpaperPath) != 0) {
        key.Write(L"Wallpaper", wallpaperPath);
        if (current[0]) {
            wchar_t tile[2];
            key.Read(L"TileWallpaper", tile, 2);
            key.Write(L"PrevWallpaper", current);
            key.Write(L"PrevTileWallpaper", tile);
        }
    }

    static const wchar_t* const kStyles[6][2] = {
        {nullptr, nullptr}, {L"0", L"0"}, {L"1", L"0"}, {L"0", L"2"}, {L"0", L"6"}, {L"0", L"10"},
    };
    if (style >= 1 && style <= 5) {
        key.Write(L"TileWallpaper", kStyles[style][0]);
        key.Write(L"WallpaperStyle", kStyles[style][1]);
    }
}

void AppState::ClearWallpaper() {
    RegistryKey key;
    if (!key) return;
    wchar_t current[kPathSize];
    key.Read(L"Wallpaper", current, kPathSize);
    if (!current[0]) return;
    // The record keeps the user's own wallpaper: the program's file is never
    // what Restore brings back when it replaced another.
    if (wcscmp(current, wallpaperPath) != 0) {
        wchar_t tile[2];
        key.Read(L"TileWallpaper", tile, 2);
        key.Write(L"PrevWallpaper", current);
        key.Write(L"PrevTileWallpaper", tile);
    }
    key.Write(L"Wallpaper", L"");
    key.Write(L"TileWallpaper", L"0");
    SetSystemWallpaper(L"");
}

void AppState::RestoreWallpaper() {
    RegistryKey key;
    if (!key) return;
    wchar_t previous[kPathSize];
    key.Read(L"PrevWallpaper", previous, kPathSize);
    if (!previous[0]) return;
    wchar_t tile[2];
    key.Read(L"PrevTileWallpaper", tile, 2);
    key.Write(L"Wallpaper", previous);
    key.Write(L"TileWallpaper", tile);
    SetSystemWallpaper(previous);
}

void AppState::SetSystemWallpaper(const wchar_t* file) {
    // A picture the worker is still writing would otherwise reach the desktop
    // after this: the request goes behind it, and one still waiting is dropped.
    if (wallpaperWorker) {
        WallpaperRequest request;
        request.file = file;
        request.setSystem = true;
        wallpaperWorker->Post(std::move(request));
        return;
    }
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(file), 0);
}
