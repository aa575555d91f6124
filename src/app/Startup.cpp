// Start-up and shutdown of the viewer, in the order the program depends on:
// defaults, program files and settings, command line, window settings, the
// first exhibit build, then the first picture.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include "imaging/GdiplusApi.h"

#include <cstdio>
#include <cwchar>

#include "app/AppState.h"
#include "platform/DataFolder.h"
#include "window/Dpi.h"
#include "config/Language.h"
#include "fileops/FileTransfer.h"
#include "../resources/resource.h"
#include "platform/Paths.h"
#include "platform/WindowStyle.h"
#include "commands/CommandIds.h"

namespace {

bool IsUnavailable(const wchar_t* path) {
    // The failure value INVALID_FILE_ATTRIBUTES has the offline bit set as well.
    return (GetFileAttributesW(path) & FILE_ATTRIBUTE_OFFLINE) != 0;
}

DWORD QueryVersion(bool major) {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return 0;
#pragma GCC diagnostic pop
    return major ? info.dwMajorVersion : info.dwMinorVersion;
}

}  // namespace

DWORD OsMajorVersion() { return QueryVersion(true); }
DWORD OsMinorVersion() { return QueryVersion(false); }

void LookUpDesktopFolder(wchar_t* buffer) {
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return;
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &items)) && items) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(items, path)) wcsncpy(buffer, path, kPathSize - 1);
        allocator->Free(items);
    }
    allocator->Release();
}

void AppState::InitDefaults(HWND window) {
    hwnd = window;
    InitCommonControls();

    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);

    HICON icon = LoadIconW(g_app.instance, MAKEINTRESOURCEW(IDI_OXBRILL));
    SetClassLongPtrW(hwnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));

    trayIcon.cbSize = sizeof(trayIcon);
    trayIcon.hWnd = hwnd;
    trayIcon.uID = 0;
    trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIcon.uCallbackMessage = WM_APP_TRAYICON;
    trayIcon.hIcon = icon;
    wcsncpy(trayIcon.szTip, g_app.productName, 127);

    DragAcceptFiles(hwnd, TRUE);
    MarkViewerWindow(hwnd);

    srand(GetTickCount());
    exhibit->Reseed(GetTickCount());

    setLayeredWindowAttributes = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"user32"), "SetLayeredWindowAttributes")));

    blackboxWindow = FindWindowW(L"BlackboxClass", L"Blackbox");
    if (blackboxWindow) {
        blackboxPresent = true;
        bbSkin = true;
        blackboxSkinned = true;
    }

    ApplyDpi(WindowDpi(hwnd));

    hidemod = MOD_ALT;
    hidekey = VK_ESCAPE;
}

void AppState::Initialize() {
    GetCurrentDirectoryW(kPathSize, exhibitFolder);
    favorites[0] = archive[0] = imageViewer[0] = L'\0';
    exhibit->SetCurrentPath(std::wstring());
    wcscpy(fileManager, L"explorer.exe");

    const int screenW = GetSystemMetrics(SM_CXSCREEN);
    const int screenH = GetSystemMetrics(SM_CYSCREEN);
    monitorRect = RECT{0, 0, screenW, screenH};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT window{};
    GetWindowRect(hwnd, &window);
    position = Rect32{window.left, window.top, window.right, window.bottom};

    static const SIZE kGrow[3] = {{56, 31}, {136, 76}, {216, 121}};
    for (int n = 0; n < 3; ++n) {
        RECT r = window;
        InflateRect(&r, kGrow[n].cx, kGrow[n].cy);
        presets[n] = Rect32{r.left, r.top, r.right, r.bottom};
    }
    presets[3] = Rect32{0, 0, screenW / 5 + 2 * frameWidth, screenH};
    presets[4] = Rect32{screenW - 2 * frameWidth - screenW / 5, 0, screenW, screenH};

    transitionList.clear();
    for (int32_t n = 0; n < 15; ++n) transitionList.push_back(n);

    LocateFiles();

    // Each modal step below (the folder picker, the warning box, a wait for
    // the first pictures) may see the viewer asked to close: then start-up
    // ends there.
    if (!BuildExhibit(exhibitFolder, false, nullptr) && !closing) PickExhibitRoot(true);
    if (closing) return;

    if (IsUnavailable(exhibitFolder)) {
        ReportPath(exhibitFolder, 12);
        if (closing) return;
        if (IsUnavailable(exhibitFolder)) {
            wcscpy(exhibitFolder, programFolder);
            BuildExhibit(exhibitFolder, false, nullptr);
            if (closing) return;
        }
    }

    if (autorefresh) StartWatcher();

    if (layer == kLayerFullScreen || layer == kLayerWallpaper) {
        const int mode = layer;
        layer = kLayerWindowed;
        SwitchMode(mode);
    }

    exhibit->Refind();
    ShowPicture(true);
    if (closing) return;

    if (launch && !noMenu && !noShell && CatalogAvailable()) {
        ExecuteCommand(kCmdCatalog);
        return;
    }
    if (layer != kLayerWallpaper) ShowWindow(hwnd, SW_SHOWNORMAL);
}

void AppState::LocateFiles() {
    GetModuleFileNameW(nullptr, scratch, kPathSize);
    scratch[kPathSize - 1] = L'\0';
    wcscpy(programFolder, scratch);
    CutAtLastBackslash(programFolder);

    // Settings, logs and the wallpaper file live beside a portable copy; an
    // installed copy keeps them in the user's profile.
    wchar_t dataFolder[kPathSize];
    const bool perUser = ChooseDataFolder(programFolder, dataFolder);
    JoinPath(settingsPath, dataFolder, L"oxbrill.ini");
    JoinPath(languagePath, programFolder, L"oxbrill.lang.ini");
    JoinPath(errorsLogPath, dataFolder, L"errors.log");
    JoinPath(wallpaperPath, dataFolder, L"oxpaper.jpg");
    JoinPath(archivedLogPath, dataFolder, L"archived.log");
    JoinPath(helpPath, programFolder, L"Oxbrill.txt");
    // The first run of a user starts from the settings shipped beside the program.
    if (perUser && GetFileAttributesW(settingsPath) == INVALID_FILE_ATTRIBUTES) {
        JoinPath(scratch, programFolder, L"oxbrill.ini");
        CopyFileSafely(scratch, settingsPath, false);
    }
    TransferSettings(0);

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv) {
        if (argc > 1) ParseArguments(argv, argc);
        GlobalFree(argv);
    }
    ClampSettings();

    ApplySettings();

    LoadMenuTexts();
    TransferLanguage(languagePath, 0);
}

void AppState::ApplySettings() {
    if (blend && setLayeredWindowAttributes && layer != kLayerWallpaper) {
        SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_LAYERED, true);
        setLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(opacity & 0xFF), LWA_ALPHA);
    }
    if (crop) SetStyleBits(hwnd, GWL_STYLE, kFrameStyles, false);
    SetInterpolation(zoomquality);
    if (trayicon) {
        Shell_NotifyIconW(NIM_ADD, &trayIcon);
    } else {
        SetStyleBits(hwnd, GWL_EXSTYLE, WS_EX_APPWINDOW, true);
    }
    if (decorate) SetStyleBits(hwnd, GWL_STYLE, kBoxStyles, true);
    backgroundBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(bgcolor)));
    LocateMonitor();
    if (!wrap) {
        if (corral) {
            CorralWindow();
        } else {
            MoveWindow(hwnd, position.left, position.top, position.right - position.left,
                       position.bottom - position.top, TRUE);
        }
    }
    if (statusbar && !statusBar && !crop && layer != kLayerFullScreen) CreateStatusBar();
    hotkeyRegistered = RegisterHotKey(hwnd, kHotkeyId, static_cast<UINT>(hidemod), static_cast<UINT>(hidekey)) != 0;
    if (singleinstance) TakeOverInstances();
    if (desktop[0]) {
        desktopGiven = true;
    } else {
        LookUpDesktopFolder(desktop);
    }
}

void AppState::Shutdown() {
    // Once only, whether the window was closed or the session ends.
    if (closing) return;
    closing = true;
    KillTimer(hwnd, kSlideTimerId);
    StopAnimation();
    StopWatcher();
    RemovePropW(hwnd, kViewerMark);
    EndCatalog();
    if (refreshBeforeCatalog) autorefresh = *refreshBeforeCatalog;   // the user's own, not the Catalog's
    if (trayicon || layer == kLayerWallpaper) Shell_NotifyIconW(NIM_DELETE, &trayIcon);
    if (savesettings) TransferSettings(1);
    InvalidateRect(nullptr, nullptr, TRUE);
    PostQuitMessage(0);
    // The picture, GDI+ and the containers go with the state itself, after
    // the message loop (ReleaseResources): code below a modal loop that saw
    // this close may still be on its way out.
}
