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
#include "commands/MenuLayout.h"
#include "commands/ModalFrame.h"
#include "commands/SettingCommands.h"
#include "fileops/FilingFrame.h"
#include "commands/Dialogs.h"
#include "config/Language.h"
#include "exhibit/FolderSteps.h"
#include "imaging/TransitionPlan.h"
#include "platform/Keys.h"
#include "platform/Paths.h"

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
    ModalFrame frame(*this);
    NumericRequest request{titleIndex, value};
    const bool confirmed = NumericDialog(hwnd, request) && !closing;
    if (confirmed) value = request.value;
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

void AppState::ChooseBackgroundColour() {
    ModalFrame frame(*this);
    COLORREF colour = static_cast<COLORREF>(bgcolor);
    if (PickColour(hwnd, colour) && !closing) {
        bgcolor = static_cast<int32_t>(colour);
        backgroundBrush.Reset(CreateSolidBrush(colour));
        if (collage) ClearCollage();
        InvalidateRect(hwnd, nullptr, TRUE);
    }
    ApplyDisplay();
}

void AppState::ExecuteCommand(int id) {
    if (CommandGated(id)) return;
    if (const ToggleRow* toggle = FindToggle(id)) {
        RunToggle(*this, *toggle);
        return;
    }
    if (const ChoiceRow* choice = FindChoice(id)) {
        RunChoice(*this, *choice, id);
        return;
    }
    if (id >= kCmdTransitionFirst && id <= kCmdTransitionLast) {
        ToggleTransition(id - kCmdTransitionFirst);
        return;
    }

    const int32_t n = static_cast<int32_t>(ExhibitSize());
    switch (id) {
    // ---- Slideshow -------------------------------------------------------------
    case kCmdTimer:
        AskSetting(2, timer);
        RestartSlideTimer();
        break;
    case kCmdWindowed:
        SwitchMode(kLayerWindowed);
        break;
    case kCmdFullscreen:
    case kCmdScreenFullscreen:
        SwitchMode(kLayerFullScreen);
        break;
    case kCmdWallpaper:
    case kCmdScreenWallpaper:
        if (n > 0) SwitchMode(kLayerWallpaper);
        break;
    case kCmdWallpaperCenter: case kCmdWallpaperTile: case kCmdWallpaperStretch: case kCmdWallpaperFit:
    case kCmdWallpaperFill: {
        const int32_t style = id - kCmdWallpaperCenter + 1;
        SetWallpaperStyle(style);
        if (style <= 3) bbWallpaperStyle = style;
        MakeWallpaper();
        break;
    }
    case kCmdWallpaperClear: ClearWallpaper(); break;
    case kCmdWallpaperRestore: RestoreWallpaper(); break;
    case kCmdOpacity:
        if (AskSetting(4, opacity) && setLayeredWindowAttributes)
            setLayeredWindowAttributes(hwnd, 0, static_cast<BYTE>(opacity), LWA_ALPHA);
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
        if (collage) ClearCollage();
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
        if (PickExhibitRoot(true) && !closing) {
            if (collage) ClearCollage();
            ShowPicture(true);
            if (autorefresh) StartWatcher();
        }
        break;
    case kCmdRefresh:
        if (!Building()) OpenFolderView(exhibitFolder, false);
        break;

    // ---- Find ----------------------------------------------------------------------------------
    case kCmdFindFilter:
    case kCmdFindNext: {
        ModalFrame frame(*this);
        if ((id == kCmdFindFilter ? FindDialog() : FindNext(true)) && !closing) ShowPicture(true);
        break;
    }

    case kCmdBookmark:
        if (!Building()) bookmark = exhibit->CurrentIndex();
        break;
    case kCmdGoToMark:
        if (bookmark >= 0 && bookmark < n) {
            exhibit->MoveTo(bookmark);
            ShowPicture(true);
        }
        break;
    case kCmdGoTo: {
        if (n == 0) break;
        uint32_t number = static_cast<uint32_t>(exhibit->CurrentIndex()) + 1;
        if (AskNumber(6, number) && number != 0) {
            exhibit->MoveTo(int64_t(number) - 1);
            ShowPicture(true);
        }
        break;
    }

    // ---- Catalog settings -------------------------------------------------------------------
    case kCmdCatalog:
        OpenCatalog();
        break;
    case kCmdThumbnailSize:
        AskSetting(8, thumbsize);
        break;

    // ---- Zoom, rotation, collage, transitions -----------------------------------------------
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
    case kCmdCollageSize:
        AskSetting(12, collagesize);
        break;
    case kCmdTransitionsAll:
        transitionList.clear();
        for (int32_t t = 0; t < transition::kEffectCount; ++t) transitionList.push_back(t);
        break;
    case kCmdTransitionsNone:
        transitionList.clear();
        break;

    // ---- Window --------------------------------------------------------------------------------
    case kCmdBackgroundColour:
        ChooseBackgroundColour();
        break;
    case kCmdCenter:
        if (layer != kLayerFullScreen) CenterWindow();
        break;
    case kCmdSavePreset1: case kCmdSavePreset2: case kCmdSavePreset3: case kCmdSavePreset4: case kCmdSavePreset5:
        SavePreset(id - kCmdSavePreset1 + 1);
        break;
    case kCmdRestorePreset1: case kCmdRestorePreset2: case kCmdRestorePreset3: case kCmdRestorePreset4:
    case kCmdRestorePreset5:
        RestorePreset(id - kCmdRestorePreset1 + 1);
        break;
    case kCmdHotkey: ChooseHotkey(); break;
    case kCmdTakeOverNow: TakeOverInstances(); break;

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
            ModalFrame frame(*this);
            wchar_t arguments[kPathSize + 40];
            _snwprintf(arguments, kPathSize + 40, L"shell32.dll,OpenAs_RunDLL %ls", exhibit->CurrentPath().c_str());
            arguments[kPathSize + 39] = L'\0';
            ShellOpen(L"rundll32.exe", arguments);
        }
        break;
    case kCmdViewWith:
    case kCmdExploreWith: {
        ModalFrame frame(*this);
        PathRequest request{id == kCmdViewWith ? 18 : 19, id == kCmdViewWith ? imageViewer : fileManager};
        PathDialog(hwnd, request);
        break;
    }
    case kCmdRaiseCaption:
        AskSetting(14, bbCaptionAdjust);
        ApplyDisplay();
        break;
    case kCmdLengthenWindow:
        AskSetting(16, bbWindowAdjust);
        ApplyDisplay();
        break;

    // ---- Files --------------------------------------------------------------------------------------------
    case kCmdSendShortcut:
    case kCmdSendCopy:
    case kCmdShortcutToDesktop:
    case kCmdCopyToDesktop:
    case kCmdCopyToArchive:
    case kCmdMoveToArchive:
    case kCmdCopyFile:
    case kCmdMoveRename:
    case kCmdRecycle:
        if (AvailableFile()) FileCommand(id);
        break;
    case kCmdFavoritesFolder:
        PickFolder(0);
        break;
    case kCmdArchiveFolder:
        PickFolder(1);
        break;
    case kCmdSaveAs:
        if (!Building()) {
            FilingFrame frame(*this);
            SaveAs();
        }
        break;
    case kCmdUndo:
        if (!Building()) {
            FilingFrame frame(*this);
            UndoLast();
        }
        break;
    case kCmdCopyImage: CopyImage(); break;
    case kCmdCopyView: CopyView(); break;
    case kCmdPaste:
        slide = false;
        RestartSlideTimer();
        Paste();
        ApplyDisplay();
        break;

    // ---- Settings and info --------------------------------------------------------------------------------
    case kCmdSaveNow:
        TransferSettings(1);
        break;
    case kCmdSaveSettingsAs:
        if (SaveSettingsAsDialog()) TransferSettings(1);
        break;
    case kCmdMenu: OpenMenuFromCommand(); break;
    case kCmdHelp:
        ShellOpen(helpPath, nullptr);
        break;
    case kCmdAbout: {
        ModalFrame frame(*this);
        AboutDialog(hwnd);
        break;
    }
    case kCmdExit:
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        break;

    // ---- Pins ------------------------------------------------------------------------------------------------
    case kCmdPinMain:
        menuPinned = !menuPinned;
        break;
    default:
        for (const NestedMenu& nested : kNestedMenus) {
            if (nested.pin == id) TogglePinnedLevel3(nested.position, nested.parent);
        }
        if (id > kCmdPinMain && id <= PinOfSubmenu(kMenuInfo)) TogglePinnedSubmenu(id - kCmdPinMain);
        // Any other number does nothing.
        break;
    }
}

void AppState::FileCommand(int id) {
    const bool changesExhibit = id == kCmdMoveToArchive || id == kCmdCopyFile || id == kCmdMoveRename || id == kCmdRecycle;
    if (changesExhibit && Building()) return;
    FilingFrame frame(*this);
    if (!ShownFileIntact()) return;   // said before any picker or dialog opens
    // Favorites and the archive are asked for when not set yet.
    wchar_t* const folderSetting = (id == kCmdSendShortcut || id == kCmdSendCopy) ? favorites
                                   : id == kCmdCopyToArchive                     ? archive
                                                                                 : nullptr;
    if (folderSetting && !folderSetting[0]) PickFolder(folderSetting == favorites ? 0 : 1);
    if (closing || (folderSetting && !folderSetting[0])) return;
    const std::wstring path = exhibit->CurrentPath();
    switch (id) {
    case kCmdSendShortcut: SendShortcut(favorites, path.c_str()); break;
    case kCmdShortcutToDesktop: SendShortcut(desktop, path.c_str()); break;
    case kCmdSendCopy: CopyToFolder(favorites); break;
    case kCmdCopyToDesktop: CopyToFolder(desktop); break;
    case kCmdCopyToArchive: CopyToFolder(archive); break;
    case kCmdMoveToArchive: MoveToArchive(); break;
    case kCmdCopyFile: CopyOrMoveDialog(false); break;
    case kCmdMoveRename: CopyOrMoveDialog(true); break;
    case kCmdRecycle: RecycleCurrent(); break;
    default: break;
    }
}

void AppState::ToggleTransition(int32_t effect) {
    auto at = std::find(transitionList.begin(), transitionList.end(), effect);
    if (at != transitionList.end()) transitionList.erase(at);
    else transitionList.push_back(effect);
}
