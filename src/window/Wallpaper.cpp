// Making the desktop wallpaper from the shown picture: the wallpaper file
// handed to the system, or, with the Blackbox shell's smart wallpaper, a
// request to the shell to set its root image.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"
#include "fileops/FileTransfer.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "window/BlackboxRequest.h"

void AppState::MakeWallpaper() {
    const bool smart = blackboxPresent && bbWallpaper;
    if (!(smart && !bbWallpaperScale) && picture.IsLoaded()) {
        const RECT target = layer == kLayerWindowed && !wrap
                                ? RECT{position.left, position.top, position.right, position.bottom}
                                : monitorRect;
        const DisplaySize size =
            FitDisplaySize(int32_t(picture.NaturalWidth()), int32_t(picture.NaturalHeight()),
                           FitArea{target.right - target.left, target.bottom - target.top}, currentZoom, squeeze,
                           shrink, stretch);
        // Written whole or not at all: a failed write leaves the wallpaper as it was.
        const Transfer written = WriteFileSafely(wallpaperPath, true, [&](const wchar_t* temporary) {
            return picture.SaveScaled(temporary, 1, size.width, size.height) == Gdiplus::Ok;
        });
        if (written != Transfer::Done) {
            if (!wallpaperFailureShown) {
                wallpaperFailureShown = true;   // once, not on every picture
                ReportPath(wallpaperPath, kMessageWallpaperNotWritten);
            }
            return;
        }
        wallpaperFailureShown = false;
    }
    if (!smart) {
        SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, wallpaperPath, 0);
        return;
    }
    if (!blackboxWindow) return;

    // The shell is given the picture file itself unless it wants it scaled.
    if (bbWallpaperScale) {
        SendToBlackbox("@BBCore.rootCommand bsetroot -center bsetroot.bmp");
        Sleep(500);
        SendBlackboxRoot(bbWallpaperStyle, wallpaperPath);
    } else {
        SendBlackboxRoot(bbWallpaperStyle, exhibit->CurrentPath());
    }
}

void AppState::SendBlackboxRoot(int32_t style, const std::wstring& picture) {
    std::wstring image = picture;
    wchar_t target[ShellLink::kLinkPathSize];
    if (IsShortcut(image.c_str()) && ShellLink().Read(image.c_str(), target, false)) image = target;
    char narrow[kPathSize] = {};
    WideCharToMultiByte(CP_ACP, 0, image.c_str(), -1, narrow, kPathSize - 1, nullptr, nullptr);
    SendToBlackbox(BlackboxRootCommand(style, narrow).c_str());
}

void AppState::SendToBlackbox(const char* command) {
    std::vector<char> payload = BlackboxPayload(command);
    COPYDATASTRUCT data{};
    data.dwData = kBlackboxCopyDataId;
    data.cbData = DWORD(payload.size());
    data.lpData = payload.data();
    // A shell that does not answer holds the viewer up for two seconds at most.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(blackboxWindow, WM_COPYDATA, WPARAM(hwnd), LPARAM(&data), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                        2000, &answer);
}

void AppState::SkinWindow() {
    static const UINT windowMessage = RegisterWindowMessageW(L"BBLEANSKIN_WINDOWMSG");
    static const UINT skinMessage = RegisterWindowMessageW(L"BBLEANSKIN_MSG");
    PostMessageW(hwnd, windowMessage, 2, 0);
    PostMessageW(hwnd, skinMessage, 5, 0);
}
