// Making the desktop wallpaper from the shown picture: the wallpaper file
// handed to the system, or, with the Blackbox shell's smart wallpaper, a
// request to the shell to set its root image. A worker does the work.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "window/BlackboxRequest.h"
#include "window/WallpaperWorker.h"

void AppState::MakeWallpaper() {
    // What is asked is put together here; the encoding, the writing and the
    // requests to the system or the shell are the worker's.
    const bool smart = blackboxPresent && bbWallpaper;
    WallpaperRequest request;
    request.notify = hwnd;
    request.message = WM_APP_WALLPAPER;
    request.sender = hwnd;
    if (!(smart && !bbWallpaperScale) && picture.IsLoaded()) {
        const RECT target = layer == kLayerWindowed && !wrap
                                ? RECT{position.left, position.top, position.right, position.bottom}
                                : monitorRect;
        const DisplaySize size =
            FitDisplaySize(int32_t(picture.NaturalWidth()), int32_t(picture.NaturalHeight()),
                           FitArea{target.right - target.left, target.bottom - target.top}, currentZoom, squeeze,
                           shrink, stretch);
        LoadDetail(size.width, size.height);   // a wallpaper larger than the picture was decoded for
        request.width = int(picture.PixelWidth());
        request.height = int(picture.PixelHeight());
        request.outWidth = size.width;
        request.outHeight = size.height;
        request.file = wallpaperPath;
        // A copy of the pixels: the worker never shares the shown picture.
        if (!CopyPixels(picture.Image(), request.width, request.height, request.pixels)) {
            OnWallpaperWritten(false);
            return;
        }
    }
    if (!smart) {
        request.file = wallpaperPath;
        request.setSystem = true;
    } else if (blackboxWindow) {
        // The shell is given the picture file itself unless it wants it scaled.
        request.blackbox = blackboxWindow;
        if (bbWallpaperScale) {
            request.commands = {"@BBCore.rootCommand bsetroot -center bsetroot.bmp",
                                BlackboxRootRequest(bbWallpaperStyle, wallpaperPath)};
            request.pauseMs = 500;
        } else {
            request.commands = {BlackboxRootRequest(bbWallpaperStyle, exhibit->CurrentPath())};
        }
    } else if (request.pixels.empty()) {
        return;
    }
    if (!wallpaperWorker) wallpaperWorker = std::make_unique<WallpaperWorker>();
    wallpaperWorker->Post(std::move(request));
}

void AppState::OnWallpaperWritten(bool written) {
    if (written) {
        wallpaperFailureShown = false;
    } else if (!wallpaperFailureShown) {
        wallpaperFailureShown = true;   // once, not on every picture
        ReportPath(wallpaperPath, kMessageWallpaperNotWritten);
    }
}

std::string AppState::BlackboxRootRequest(int32_t style, const std::wstring& picture) const {
    std::wstring image = picture;
    wchar_t target[ShellLink::kLinkPathSize];
    if (IsShortcut(image.c_str()) && ShellLink().Read(image.c_str(), target, false)) image = target;
    char narrow[kPathSize] = {};
    WideCharToMultiByte(CP_ACP, 0, image.c_str(), -1, narrow, kPathSize - 1, nullptr, nullptr);
    return BlackboxRootCommand(style, narrow);
}

void AppState::SendBlackboxRoot(int32_t style, const std::wstring& picture) {
    SendToBlackbox(BlackboxRootRequest(style, picture).c_str());
}

void AppState::SendToBlackbox(const char* command) { SendBlackboxRequest(blackboxWindow, hwnd, command); }

void AppState::SkinWindow() {
    static const UINT windowMessage = RegisterWindowMessageW(L"BBLEANSKIN_WINDOWMSG");
    static const UINT skinMessage = RegisterWindowMessageW(L"BBLEANSKIN_MSG");
    PostMessageW(hwnd, windowMessage, 2, 0);
    PostMessageW(hwnd, skinMessage, 5, 0);
}
