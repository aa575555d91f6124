// The one routine that carries out a command from a menu, an accelerator,
// the Catalog or the command line, and the framings many commands share.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "app/AppState.h"
#include "commands/CommandGates.h"
#include "commands/CommandIds.h"
#include "commands/CursorShown.h"
#include "commands/Dialogs.h"
#include "config/Language.h"
#include "exhibit/FolderSteps.h"

namespace {

bool KeyHeld(int key) { return (GetKeyState(key) & 0x8000) != 0; }


// The folder part of a path (up to its last backslash), or the path itself.
void FolderOf(const wchar_t* path, wchar_t* out) {
    wcsncpy(out, path, kPathSize - 1);
    out[kPathSize - 1] = L'\0';
    if (wchar_t* slash = wcsrchr(out, L'\\')) *slash = L'\0';
}

void Quote(const wchar_t* text, wchar_t* out) {
    _snwprintf(out, kPathSize + 2, L"\"%ls\"", text);
    out[kPathSize + 1] = L'\0';
}

}  // namespace

bool AppState::CommandGated(int id) const { return IsCommandGated(id, noShell, noMenu); }

bool AppState::AvailableFile() {
    if (ExhibitSize() == 0) return false;
    if (exhibit->CurrentPath() == clipboardName) {
        g_app.ShowMessage(MessageText(7), MB_ICONINFORMATION);
        return false;
    }
    return true;
}

int32_t AppState::StepKeys() const {
    if (KeyHeld(VK_SHIFT)) return 5;
    if (KeyHeld(VK_CONTROL)) return 10;
    return 1;
}

void AppState::ZoomReset() {
    if ((squeeze || shrink || stretch) && !zoomHeld) {
        currentZoom = 0;
        zoom = 0;
        zoomHeld = false;
    }
    ApplyDisplay();
}

bool AppState::AskSetting(int titleIndex, int32_t& field) {
    uint32_t number = static_cast<uint32_t>(field);
    if (!AskNumber(titleIndex, number)) return false;
    field = static_cast<int32_t>(std::min<uint32_t>(number, INT32_MAX));
    ClampSettings();   // a typed value is kept in range like one read from the file
    return true;
}

bool AppState::AskNumber(int titleIndex, uint32_t& value) {
    StopSlideTimer(true);
    bool confirmed;
    {
        CursorShown cursor;
        NumericRequest request{titleIndex, value};
        confirmed = NumericDialog(hwnd, request) && !closing;
        if (confirmed) value = request.value;
    }
    ResumeSlideTimer();
    return confirmed;
}

void AppState::TogglePinnedSubmenu(int32_t n) { pinnedSubmenu = (pinnedSubmenu == n) ? -1 : n; }

void AppState::TogglePinnedLevel3(int32_t n, int32_t parent) {
    if (pinnedLevel3 == n) {
        pinnedLevel3 = pinnedLevel3Parent = -1;
    } else {
        pinnedLevel3 = n;
        pinnedLevel3Parent = parent;
    }
}

void AppState::ShellOpen(const wchar_t* file, const wchar_t* arguments) {
    ShellExecuteW(hwnd, L"open", file, arguments, nullptr, SW_SHOWNORMAL);
}

void AppState::ToggleWrap() {
    if (collage) {
        wrap = true;
        collage = false;
        InvalidateRect(hwnd, nullptr, TRUE);
    } else {
        wrap = !wrap;
    }
    if (layer == 2) return;  // the wallpaper keeps its own size
    if (layer == 1) {
        currentZoom = zoom;
        RelayoutFullScreen();
        return;
    }
    if (wrap) {
        if (!zoomHeld) currentZoom = zoom;
        FitWindowToPicture();
        InvalidateRect(hwnd, nullptr, TRUE);
    } else {
        ReadPositionFromWindow();
    }
}

// Full screen, after the name overlay was switched: draw it at once, or take
// it away by putting the picture (or the collage) back over it.
void AppState::ToggleNameOverlay() {
    if (fullscreenname) {
        if (HDC dc = GetDC(hwnd)) {
            DrawNameOverlay(dc);
            ReleaseDC(hwnd, dc);
        }
    } else if (collage) {
        if (HDC dc = GetDC(hwnd)) {
            if (canvas.Bitmap())
                BitBlt(dc, 0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top,
                       canvas.Dc(), 0, 0, SRCCOPY);
            ReleaseDC(hwnd, dc);
        }
    } else {
        if (!zoomHeld) currentZoom = zoom;
        ApplyDisplay();
    }
}

void AppState::ToggleCrop() {
    if (layer == 1) {
        crop = !crop;
        return;
    }
    if (layer == 2) return;
    if (!zoomHeld) currentZoom = zoom;
    crop = !crop;
    if (crop) {
        if (statusbar && statusBar) {
            DestroyWindow(statusBar);
            statusBar = nullptr;
        }
        ShowWindow(hwnd, SW_HIDE);
        SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME));
        ShowWindow(hwnd, SW_SHOW);
        ApplyWindowRegion();
    } else {
        LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_CAPTION | WS_THICKFRAME;
        if (decorate) style |= WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
        SetWindowLongPtrW(hwnd, GWL_STYLE, style);
        if (statusbar && !statusBar) CreateStatusBar();
        SetWindowRgn(hwnd, nullptr, TRUE);
        ShowWindow(hwnd, SW_SHOW);
        SetActiveWindow(GetParent(hwnd));
        BringWindowToTop(hwnd);
        if (!wrap) ApplyDisplay();
    }
    if (wrap && !collage) FitWindowToPicture();
}

void AppState::ToggleStatusBar() {
    statusbar = !statusbar;
    if (statusbar && !crop && layer != 1) {
        if (!statusBar) CreateStatusBar();
    } else if (statusBar) {
        DestroyWindow(statusBar);
        statusBar = nullptr;
    }
    if (layer == 0) ApplyDisplay();
}

void AppState::ToggleDecorate() {
    if (layer == 2) return;
    decorate = !decorate;
    ShowWindow(hwnd, SW_HIDE);
    LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR boxes = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    style = decorate ? (style | boxes) : (style & ~boxes);
    SetWindowLongPtrW(hwnd, GWL_STYLE, style);
    ShowWindow(hwnd, SW_SHOW);
}

void AppState::ChooseBackgroundColour() {
    COLORREF colour = static_cast<COLORREF>(bgcolor);
    bool picked;
    {
        CursorShown cursor;
        picked = PickColour(hwnd, colour);
    }
    if (!picked || closing) return;
    bgcolor = static_cast<int32_t>(colour);
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = CreateSolidBrush(colour);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void AppState::ExecuteCommand(int id) {
    if (CommandGated(id)) return;

    const int32_t n = static_cast<int32_t>(ExhibitSize());

    switch (id) {
    // ---- Slideshow -------------------------------------------------------------
    case kCmdSlideshow:
        slide = !slide;
        RestartSlideTimer();
        break;
    case kCmdTimer:
        AskSetting(2, timer);
        RestartSlideTimer();
        break;
    case kCmdWindowed:
        SwitchMode(0);
        break;
    case kCmdFullscreen:
    case kCmdScreenFullscreen:
        SwitchMode(1);
        break;
    case kCmdStayOnTop:
        ontop = !ontop;
        SetStayOnTop();
        break;
    case kCmdBlend:
        blend = !blend;
        ApplyBlend();
        break;
    case kCmdOpacity:
        if (AskSetting(4, opacity) && setLayeredWindowAttributes)
            setLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(opacity), LWA_ALPHA);
        break;
    case kCmdLoopRepeat: loop = 0; break;
    case kCmdLoopPause: loop = 1; break;
    case kCmdLoopExit: loop = 2; break;
    case kCmdLoopReshuffle: loopshuffle = !loopshuffle; break;

    // ---- Sort --------------------------------------------------------------------
    case kCmdSortForward:
    case kCmdSortReverse:
    case kCmdSortRandom:
        sort = id - kCmdSortForward;
        SortExhibit();
        UpdateStatus();
        break;
    case kCmdSortTree:
    case kCmdSortTreeStrict:
    case kCmdSortName:
    case kCmdSortCreated:
    case kCmdSortModified:
    case kCmdSortAccessed:
    case kCmdSortCaseSensitive:
        if (id == kCmdSortCaseSensitive) sortcase = !sortcase;
        else sortby = id - kCmdSortTree;
        if (sort != 2) {
            SortExhibit();
            UpdateStatus();
        }
        break;

    // ---- Navigate ------------------------------------------------------------------
    case kCmdNext:
        if (n == 0) {
            ShowEmptyState();
            break;
        }
        exhibit->Step(StepKeys(), true);
        ShowPicture(true);
        break;
    case kCmdPrevious:
        if (n > 0) exhibit->Step(StepKeys(), false);
        ShowPicture(false);
        break;
    case kCmdFirst:
        exhibit->MoveTo(0);
        ShowPicture(true);
        break;
    case kCmdLast:
        exhibit->MoveTo(n > 0 ? n - 1 : 0);
        ShowPicture(false);
        break;
    case kCmdCurrent:
        if (Building()) ApplyDisplay();
        else ShowPicture(true);
        break;
    case kCmdNextFolder:
    case kCmdPrevFolder:
        if (n == 0) {
            ShowEmptyState();
            break;
        }
        if (!AvailableFile()) break;
        exhibit->StepFolder(id == kCmdNextFolder);
        ShowPicture(true);
        break;
    case kCmdMousewheelNav:
    case kCmdZoomMousewheel:
        wheelnav = !wheelnav;
        break;
    case kCmdScrollLeft:
    case kCmdScrollRight:
    case kCmdScrollUp:
    case kCmdScrollDown:
        if (collage) break;
        if (id == kCmdScrollLeft) scrollX -= KeyScrollStep();
        if (id == kCmdScrollRight) scrollX += KeyScrollStep();
        if (id == kCmdScrollUp) scrollY -= KeyScrollStep();
        if (id == kCmdScrollDown) scrollY += KeyScrollStep();
        ScrollView(true);
        break;
    case kCmdAutoscroll: autoscroll = !autoscroll; break;
    case kCmdAutoscrollQuietly: quietautoscroll = !quietautoscroll; break;

    // ---- View ------------------------------------------------------------------------
    case kCmdViewExhibit:
        if (!Building()) OpenFolderView(exhibitFolder, true);
        break;
    case kCmdViewDesktop:
        if (!Building()) OpenFolderView(desktop, false);
        break;
    case kCmdViewFavorites:
        if (!Building() && favorites[0]) OpenFolderView(favorites, false);
        break;
    case kCmdViewArchive:
        if (!Building() && archive[0]) OpenFolderView(archive, false);
        break;
    case kCmdViewImageFolder:
        if (n > 0 && !Building() && AvailableFile()) {
            wchar_t folderPart[kPathSize];
            FolderOf(exhibit->CurrentPath().c_str(), folderPart);
            OpenFolderView(folderPart, false);
        }
        break;
    case kCmdViewLinkTarget:
        if (n > 0 && !Building()) ViewLinkTarget();
        break;

    // ---- Exhibit -----------------------------------------------------------------------
    case kCmdExhibitFolder:
        if (Building()) break;
        StopSlideTimer(true);
        if (PickExhibitRoot(true) && !closing) {
            ShowPicture(true);
            if (autorefresh) StartWatcher();
        }
        ResumeSlideTimer();
        break;
    case kCmdRefresh:
        if (!Building()) OpenFolderView(exhibitFolder, false);
        break;
    case kCmdSubfolders:
    case kCmdHiddenFolders:
        if (Building()) break;
        if (id == kCmdSubfolders) subfolders = !subfolders;
        else hidden = !hidden;
        OpenFolderView(exhibit->ViewedFolder().c_str(), false);
        break;
    case kCmdAutoRefresh:
        autorefresh = !autorefresh;
        if (!autorefresh) {
            if (watcherStopEvent) SetEvent(watcherStopEvent);
        } else {
            StartWatcher();
        }
        break;
    case kCmdAutoFindCreated:
    case kCmdAutoFindModified:
    case kCmdAutoFindAccessed: {
        const int32_t type = id - kCmdAutoFindCreated + 1;
        autofindtype = autofindtype == type ? 0 : type;
        break;
    }
    case kCmdFormatBmp: bmp = !bmp; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatEmf: emf = !emf; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatGif: gif = !gif; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatIco: ico = !ico; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatJpg: jpg = !jpg; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatPng: png = !png; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdFormatTif: tif = !tif; OpenFolderView(exhibit->ViewedFolder().c_str(), false); break;
    case kCmdClearUnloadable: removefail = !removefail; break;
    case kCmdLogErrors: logerrors = !logerrors; break;
    case kCmdLogLinkFailure: loglnkfail = !loglnkfail; break;

    // ---- Find (bookmarks and shape filters) ----------------------------------------------
    case kCmdLandscape:
        landscapeOnly = !landscapeOnly;
        if (landscapeOnly) {
            portraitOnly = false;
            ShowPicture(true);
        }
        break;
    case kCmdPortrait:
        portraitOnly = !portraitOnly;
        if (portraitOnly) {
            landscapeOnly = false;
            ShowPicture(true);
        }
        break;
    case kCmdBookmark:
        if (!Building()) bookmark = exhibit->CurrentIndex();
        break;
    case kCmdGoToMark:
        if (bookmark >= 0 && bookmark < n) {
            exhibit->MoveTo(bookmark);
            ShowPicture(true);
        }
        break;
    case kCmdMarkOnExit: markexit = !markexit; break;
    case kCmdGoTo: {
        if (n == 0) break;
        uint32_t number = static_cast<uint32_t>(exhibit->CurrentIndex()) + 1;
        if (AskNumber(6, number) && number != 0) {
            exhibit->MoveTo(int64_t(number) - 1);
            ShowPicture(true);
        }
        break;
    }

    // ---- Favorites and archive settings ---------------------------------------------------
    case kCmdConfirmMove: confirmarchive = !confirmarchive; break;
    case kCmdArchiveLog: archivelog = !archivelog; break;

    // ---- Catalog settings -------------------------------------------------------------------
    case kCmdThumbnailSize:
        AskSetting(8, thumbsize);
        break;
    case kCmdHideViewer: hideViewer = !hideViewer; break;
    case kCmdShowOnLaunch: launch = !launch; break;

    // ---- Fit, zoom, rotation ------------------------------------------------------------------
    case kCmdWrap:
        ToggleWrap();
        break;
    case kCmdCrop:
        ToggleCrop();
        break;
    case kCmdSqueeze:
    case kCmdShrink:
    case kCmdStretch:
        if (collage) break;
        if (id == kCmdSqueeze) squeeze = !squeeze;
        if (id == kCmdShrink) shrink = !shrink;
        if (id == kCmdStretch) stretch = !stretch;
        ResetFitZoom();
        ApplyDisplay();
        break;
    case kCmdZoomIn:
    case kCmdZoomOut: {
        if (collage) break;
        const int32_t before = currentZoom;
        if (id == kCmdZoomIn) ZoomIn(KeyHeld(VK_MENU));
        else ZoomOut(KeyHeld(VK_MENU));
        if (currentZoom == before && id == kCmdZoomOut) break;
        if (slide) RestartSlideTimer();
        ApplyDisplay();
        break;
    }
    case kCmdZoom100:
        if (collage) break;
        ZoomActualSize();
        if (zoomHeld && slide) RestartSlideTimer();
        if (!(squeeze && autoscroll)) {
            viewScrolled = false;
            scrollX = scrollY = 0;
        }
        ApplyDisplay();
        break;
    case kCmdZoomStep:
        AskSetting(10, zoomstep);
        break;
    case kCmdZoomLock:
        if (collage) break;
        LockZoom();
        UpdateStatus();
        break;
    case kCmdZoomQualityDefault:
    case kCmdZoomQualityHigh:
    case kCmdZoomQualityBest:
        zoomquality = id == kCmdZoomQualityDefault ? 0 : id == kCmdZoomQualityHigh ? 2 : 7;
        SetInterpolation(zoomquality);
        break;
    case kCmdRotateRight:
        RotateRight();
        ZoomReset();
        break;
    case kCmdRotateLeft:
        RotateLeft();
        ZoomReset();
        break;
    case kCmdFlipHorizontal:
        FlipHorizontal();
        ZoomReset();
        break;
    case kCmdRotateLock:
        LockRotation();
        break;
    case kCmdAspectFilter: rotateaspect = !rotateaspect; break;
    case kCmdExifOrientation:
        exiforient = !exiforient;
        if (picture.IsLoaded() && picture.Orientation() != 1) ShowPicture(true);
        break;
    case kCmdCollageSize:
        AskSetting(12, collagesize);
        break;
    case kCmdTransitions: transitions = !transitions; break;
    case kCmdTransitionsAll:
        transitionList.clear();
        for (int32_t t = 0; t < 15; ++t) transitionList.push_back(t);
        break;
    case kCmdTransitionsNone:
        transitionList.clear();
        break;
    case kCmdOverlap: overlap = !overlap; break;

    // ---- Window --------------------------------------------------------------------------------
    case kCmdNameInCaption:
        title = !title;
        UpdateCaption();
        break;
    case kCmdFullPathname:
        fullname = !fullname;
        if (title) UpdateCaption();
        break;
    case kCmdStatusBar:
        ToggleStatusBar();
        break;
    case kCmdDecorate:
        ToggleDecorate();
        break;
    case kCmdBackgroundColour:
        StopSlideTimer(true);
        ChooseBackgroundColour();
        ApplyDisplay();
        ResumeSlideTimer();
        break;
    case kCmdAutoCenter:
        autocenter = !autocenter;
        if (autocenter) roamwindow = false;
        if (wrap && autocenter && layer != 1) CenterWindow();
        break;
    case kCmdRoam:
        roamwindow = !roamwindow;
        if (roamwindow) autocenter = false;
        if (wrap && roamwindow && layer != 1) RoamWindow();
        break;
    case kCmdCorral:
        corral = !corral;
        if (corral && layer != 1) ApplyDisplay();
        break;
    case kCmdDraggable: draggable = !draggable; break;
    case kCmdCenter:
        if (layer != 1) CenterWindow();
        break;
    case kCmdSavePreset1: case kCmdSavePreset2: case kCmdSavePreset3: case kCmdSavePreset4: case kCmdSavePreset5:
        SavePreset(id - kCmdSavePreset1 + 1);
        break;
    case kCmdRestorePreset1: case kCmdRestorePreset2: case kCmdRestorePreset3: case kCmdRestorePreset4:
    case kCmdRestorePreset5:
        RestorePreset(id - kCmdRestorePreset1 + 1);
        break;
    case kCmdLayoutCentered: case kCmdLayoutTopLeft: case kCmdLayoutTopRight: case kCmdLayoutBottomLeft:
    case kCmdLayoutBottomRight: case kCmdLayoutRoaming:
        SetLayout(id - kCmdLayoutCentered);
        break;
    case kCmdTrayIcon:
        if (layer != 2) {
            trayicon = !trayicon;
            ApplyTrayIcon();
        }
        break;
    case kCmdHotkey: ChooseHotkey(); break;
    case kCmdSingleInstance: singleinstance = !singleinstance; break;
    case kCmdTakeOverNow: TakeOverInstances(); break;

    // ---- Full screen ---------------------------------------------------------------------------------
    case kCmdScreenCaption:
        fullscreenname = !fullscreenname;
        if (layer == 1) ToggleNameOverlay();
        break;
    case kCmdScreenCursor:
        fullscreencursor = !fullscreencursor;
        if (layer == 1) ShowCursor(fullscreencursor ? TRUE : FALSE);
        break;
    case kCmdScreenCentered:
    case kCmdScreenRoaming:
        fullscreenlayout = (id == kCmdScreenCentered) ? 0 : 5;
        if (layer == 1) {
            layout = fullscreenlayout;
            ApplyDisplay();
        }
        break;

    // ---- Shell -----------------------------------------------------------------------------------------
    case kCmdShellView:
        if (AvailableFile()) {
            wchar_t quoted[kPathSize + 2];
            Quote(exhibit->CurrentPath().c_str(), quoted);
            if (imageViewer[0]) ShellOpen(imageViewer, quoted);
            else ShellOpen(quoted, nullptr);
        }
        break;
    case kCmdShellExplore: {
        wchar_t quoted[kPathSize + 2];
        if (n == 0) {
            Quote(exhibitFolder, quoted);
            ShellOpen(fileManager, quoted);
        } else if (AvailableFile()) {
            wchar_t folderPart[kPathSize];
            FolderOf(exhibit->CurrentPath().c_str(), folderPart);
            Quote(folderPart, quoted);
            ShellOpen(fileManager, quoted);
        }
        break;
    }
    case kCmdOpenWith:
        if (AvailableFile()) {
            StopSlideTimer(true);
            wchar_t arguments[kPathSize + 40];
            _snwprintf(arguments, kPathSize + 40, L"shell32.dll,OpenAs_RunDLL %ls", exhibit->CurrentPath().c_str());
            arguments[kPathSize + 39] = L'\0';
            ShellOpen(L"rundll32.exe", arguments);
            ResumeSlideTimer();
        }
        break;
    case kCmdShortcutToDesktop:
        if (AvailableFile()) {
            StopSlideTimer(false);
            SendShortcut(desktop, exhibit->CurrentPath().c_str());
            ResumeSlideTimer();
        }
        break;
    case kCmdConfirmRecycle: confirmdelete = !confirmdelete; break;
    case kCmdViewWith:
    case kCmdExploreWith: {
        StopSlideTimer(true);
        {
            CursorShown cursor;
            PathRequest request{id == kCmdViewWith ? 18 : 19, id == kCmdViewWith ? imageViewer : fileManager};
            PathDialog(hwnd, request);
        }
        ResumeSlideTimer();
        break;
    }
    case kCmdSmartWallpaper: bbWallpaper = !bbWallpaper; break;
    case kCmdScaleWallpaper: bbWallpaperScale = !bbWallpaperScale; break;
    case kCmdBlackboxSkin:
        bbSkin = !bbSkin;
        ApplyDisplay();
        break;
    case kCmdRaiseCaption:
        AskSetting(14, bbCaptionAdjust);
        ApplyDisplay();
        break;
    case kCmdLengthenWindow:
        AskSetting(16, bbWindowAdjust);
        ApplyDisplay();
        break;

    // ---- Settings and info --------------------------------------------------------------------------------
    case kCmdSaveNow:
        TransferSettings(1);
        break;
    case kCmdSaveOnExit: savesettings = !savesettings; break;
    case kCmdSaveFolder: savefolder = !savefolder; break;
    case kCmdMenu: OpenMenuFromCommand(); break;
    case kCmdMenuAtCursor: atCursor = !atCursor; break;
    case kCmdHelp:
        ShellOpen(helpPath, nullptr);
        break;
    case kCmdAbout:
        StopSlideTimer(true);
        {
            CursorShown cursor;
            AboutDialog(hwnd);
        }
        ResumeSlideTimer();
        break;
    case kCmdExit:
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        break;

    // ---- Pins ------------------------------------------------------------------------------------------------
    case kCmdPinMain:
        menuPinned = !menuPinned;
        break;
    case kCmdPinTransparency: TogglePinnedLevel3(11, 2); break;
    case kCmdPinLoop: TogglePinnedLevel3(12, 2); break;
    case kCmdPinScroll: TogglePinnedLevel3(16, 4); break;
    case kCmdPinFormats: TogglePinnedLevel3(13, 7); break;
    case kCmdPinArchive: TogglePinnedLevel3(10, 9); break;
    case kCmdPinPresets: TogglePinnedLevel3(16, 22); break;
    case kCmdPinLayout: TogglePinnedLevel3(17, 22); break;
    case kCmdPinBlackbox: TogglePinnedLevel3(20, 24); break;

    default:
        if (id >= 2002 && id <= 2027) TogglePinnedSubmenu(id - 2000);
        // Commands whose owners are not part of this build (wallpaper, find,
        // favorites and archive, the Catalog, clipboard, file operations) do
        // nothing.
        break;
    }

    // A modal loop inside the command may have seen the viewer close.
    if (closing) return;
    // The transition toggles follow the command's own branch.
    if (id >= kCmdShuttersRight && id <= kCmdCrossfade) {
        const int32_t t = id - kCmdShuttersRight;
        auto at = std::find(transitionList.begin(), transitionList.end(), t);
        if (at != transitionList.end()) transitionList.erase(at);
        else transitionList.push_back(t);
    }
}
