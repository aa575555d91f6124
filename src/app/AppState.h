// The one application state object. Every setting is a field named after its
// INI key (blanks folded to lowerCamelCase); nearly every operation of the
// viewer is an operation of AppState, defined in the folder of the subsystem
// it belongs to (app/, config/, exhibit/, imaging/, window/, commands/,
// fileops/, catalog/).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppInfo.h"
#include "app/Messages.h"
#include "catalog/Selection.h"
#include "catalog/ThumbnailCache.h"
#include "config/SettingCodes.h"
#include "exhibit/Exhibit.h"
#include "exhibit/FindRules.h"
#include "exhibit/FolderScan.h"
#include "exhibit/FolderWatcher.h"
#include "exhibit/ImageEntry.h"
#include "exhibit/SortRules.h"
#include "fileops/UndoStack.h"
#include "imaging/AnimationPlayer.h"
#include "imaging/Canvas.h"
#include "imaging/ColourManage.h"
#include "imaging/PictureCache.h"
#include "imaging/PictureDecode.h"
#include "imaging/PictureHolder.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "window/Rect32.h"
#include "window/WallpaperWorker.h"

constexpr int kVersionSize = 12;

struct AppState {
    AppState();
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    // ---- 1. Platform handles ------------------------------------------------
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredFn setLayeredWindowAttributes = nullptr;
    HWND hwnd = nullptr;
    HWND statusBar = nullptr;      // the status-bar window (the setting is `statusbar`)

    // ---- 2. Placement rectangles -------------------------------------------
    Rect32 position;          // [Position]
    Rect32 presets[5];        // [Presets]
    RECT monitorRect{};       // monitor holding the window's centre
    RECT workArea{};          // its work area
    Rect32 catalogPosition;   // [Catalog Position]

    // ---- 3. Drawing resources ----------------------------------------------
    Font statusFont;
    int32_t bgcolor = 0;      // COLORREF
    Brush backgroundBrush;

    // ---- 4. Tray icon record -----------------------------------------------
    NOTIFYICONDATAW trayIcon{};

    // ---- 5. Misc -------------------------------------------------------------
    ULONG_PTR gdiplusToken = 0;
    int frameWidth = 0, frameHeight = 0;   // sizing frame
    int statusHeight = 0;
    uint32_t dpi = 96;               // of the monitor the window is on
    int Scaled(int pixels) const { return MulDiv(pixels, int(dpi), 96); }
    // The window moved to a monitor of `newDpi` (or starts there): the texts
    // and the frame take its scale; the picture keeps its pixels.
    void ApplyDpi(uint32_t newDpi);
    void OnDpiChanged(uint32_t newDpi, const RECT& suggested);
    const wchar_t* clipboardName = L"Clipboard_Image";
    wchar_t version[kVersionSize] = L"1.00";

    // ---- 6. Paths -----------------------------------------------------------
    wchar_t scratch[kPathSize] = {};
    wchar_t exhibitFolder[kPathSize] = {};
    wchar_t folder[kPathSize] = {};
    wchar_t settingsPath[kPathSize] = {};
    // A settings file that was there but could not be read (another program
    // held it): never written over in this run, since it was never read.
    wchar_t settingsUnread[kPathSize] = {};
    wchar_t languagePath[kPathSize] = {};
    wchar_t errorsLogPath[kPathSize] = {};
    wchar_t wallpaperPath[kPathSize] = {};
    wchar_t archive[kPathSize] = {};
    wchar_t archivedLogPath[kPathSize] = {};
    wchar_t helpPath[kPathSize] = {};
    wchar_t favorites[kPathSize] = {};
    wchar_t desktop[kPathSize] = {};
    wchar_t imageViewer[kPathSize] = {};
    wchar_t fileManager[kPathSize] = L"explorer.exe";
    wchar_t programFolder[kPathSize] = {};

    // ---- 7. Persisted settings (defaults as a fresh install has them) ------
    // [Portable]
    bool savefolder = true;
    // [Tweak]
    int32_t autorefreshLatency = 200;
    // [Tweak Transitions]
    int32_t shutterLatency = 500;
    int32_t wipeLatency = 2;
    int32_t slideLatency = 5;
    int32_t quadrantSlideLatency = 10;
    int32_t quadrantWipeLatency = 12;
    int32_t dissolveLatency = 2;
    int32_t crossfadeLatency = 30;
    // [Slideshow]
    bool slide = true;
    int32_t timer = 5000;
    uint32_t slideRemaining = 0;   // run-time: time left in this period (ms)
    uint32_t slideTick = 1000;     // run-time: tick length (ms)
    int32_t sort = kSortForward;
    int32_t sortby = kSortTreeStrict;
    bool sortcase = false;
    int32_t layer = kLayerWindowed;
    bool ontop = false;
    bool blend = false;
    int32_t opacity = 127;
    int32_t loop = kLoopRepeat;
    bool loopshuffle = false;
    bool wheelnav = false;
    bool autoscroll = true;
    bool quietautoscroll = true;
    // [Folder]
    bool subfolders = true;
    bool hidden = true;
    bool autorefresh = true;
    int32_t autofindtype = kAutoFindNone;
    bool threadedBuild = true;     // run-time, always on
    // [Formats]: one key per row of exhibit/PictureFormats.h
    ShownFormats formats;
    // [Errors]
    bool removefail = true;
    bool logerrors = true;
    bool loglnkfail = false;
    // [Catalog]
    int32_t thumbsize = 100;
    bool hideViewer = true;
    bool launch = false;
    // [Image]
    bool wrap = true;
    bool crop = false;
    bool squeeze = true;
    bool shrink = true;
    bool stretch = false;
    int32_t zoom = 0;
    int32_t zoomstep = 10;
    int32_t zoomquality = kZoomQualityDefault;
    int32_t rotation = 0;
    bool rotateaspect = true;
    bool exiforient = true;
    bool animate = true;        // animated pictures play
    bool colormanage = true;    // embedded colour profiles are honoured
    int32_t layout = kLayoutCentered;
    bool collage = false;
    int32_t collagesize = 250;
    bool landscapeOnly = false;    // run-time, command line only
    bool portraitOnly = false;     // run-time, command line only
    // [Transitions]
    bool transitions = true;
    bool overlap = true;
    // [Window]
    bool title = true;
    bool fullname = true;
    bool statusbar = true;         // the setting (the window is `statusBar`)
    bool trayicon = false;
    bool decorate = false;
    bool autocenter = true;
    bool roamwindow = false;
    bool corral = false;
    bool draggable = true;
    bool singleinstance = false;
    bool fullscreenname = true;
    bool fullscreencursor = true;
    int32_t fullscreenlayout = kLayoutCentered;
    // [Shell]
    bool confirmdelete = true;
    bool archivelog = true;
    bool confirmarchive = true;
    // [Settings]
    bool markexit = false;
    int32_t bookmark = 0;
    // [Menu]
    bool atCursor = true;
    // [Hotkeys]
    int32_t hidemod = 1;           // Alt
    int32_t hidekey = 27;          // Escape

    // ---- 8. Blackbox state ----------------------------------------------------
    HWND blackboxWindow = nullptr;
    bool blackboxPresent = false;
    bool blackboxSkinned = false;  // run-time flag set when the shell was found
    bool bbSkin = false;
    int32_t bbCaptionAdjust = 4;
    int32_t bbWindowAdjust = 2;
    int32_t bbWallpaperStyle = 1;
    bool bbWallpaper = true;
    bool bbWallpaperScale = false;

    // ---- 9. Run-time flags and values ----------------------------------------
    bool savesettings = true;
    bool noShell = false;
    bool noMenu = false;
    bool desktopGiven = false;
    bool inSizeMove = false;
    bool slideHeld = false;
    uint32_t lastShownIndex = 99999;
    int32_t scrollStep = 100;
    int32_t scrollX = 0, scrollY = 0;
    int32_t excessWidth = 0, excessHeight = 0;
    bool viewScrolled = false;
    int32_t windowedLayout = 0;    // layout kept while full screen
    bool menuPinned = false;
    int32_t pinnedSubmenu = -1;
    int32_t pinnedLevel3 = -1;
    int32_t pinnedLevel3Parent = -1;
    bool hotkeyRegistered = false;
    // Set by Shutdown: the settings are written and the window is gone. Code
    // that runs on after a modal loop checks it before it goes on; the state
    // itself is released only after the message loop has ended.
    bool closing = false;
    bool wallpaperFailureShown = false;   // the wallpaper file could not be written: said once
    std::vector<std::wstring> logFailuresShown;   // logs that could not be written: each said once

    // ---- 10. Containers ------------------------------------------------------
    // The exhibit with its saved copy, the current picture, the viewed folder
    // and the build state: shared with the build worker, which keeps it alive
    // for as long as it runs.
    std::shared_ptr<Exhibit> exhibit = std::make_shared<Exhibit>();
    std::vector<int32_t> transitionList;

    // ---- Start-up and shutdown (app/) -----------------------------------------
    void InitDefaults(HWND window);
    // Waits for `event` (at most `timeoutMs`) while the window keeps painting
    // and answering a close; false when the viewer is closing.
    bool WaitAnswering(HANDLE event, DWORD timeoutMs = INFINITE);
    void Initialize();
    void LocateFiles();
    void ApplySettings();
    void Shutdown();

    void ReleaseResources();

    // ---- Main window and slideshow timer (app/) -------------------------------
    void OnSize();
    void RestartSlideTimer();
    void StopSlideTimer(bool hold);
    void ResumeSlideTimer();
    void OnSlideTick(UINT_PTR timerId);

    // ---- Settings file, command line, language (config/) ----------------------
    void TransferSettings(int direction);
    void ClampSettings();   // every numeric setting into its safe range (SettingLimits.cpp)
    void ParseArguments(LPWSTR* argv, int argc);
    void OpenArgument(const wchar_t* text);
    void OpenPathArgument(const wchar_t* fullPath);
    void ParseOption(const wchar_t* text);
    void LoadMenuTexts();

    // ---- Exhibit (exhibit/) ----------------------------------------------------
    bool BuildExhibit(const wchar_t* root, bool append, const std::vector<std::wstring>* roots);
    // Several dropped names become the exhibit (or are added to it): the build
    // worker looks at each. `nothing`: none could be shown, the exhibit is as it was.
    bool BuildDropped(std::vector<std::wstring> names, bool append, bool& nothing);
    struct DroppedNames {
        std::vector<std::wstring> names;
        bool append = false;
        std::shared_ptr<std::atomic<bool>> nothing;
    };
    bool StartBuild(const wchar_t* root, bool append, std::vector<std::wstring> roots, DroppedNames dropped);
    bool BeginBuild();                    // waits for a running build; false when closing
    bool WaitForBuild();                  // the same without starting one
    bool Building() const { return exhibit->Building(); }
    ScanOptions CurrentScanOptions() const;
    SortOrder CurrentOrder() const;
    bool IsShownFormat(const wchar_t* name) const;
    int32_t FindExhibitIndex(const wchar_t* path);
    size_t ExhibitSize() const { return exhibit->Size(); }
    void SaveExhibit();
    void RestoreExhibit();
    void OpenFolderView(const wchar_t* path, bool asExhibit);
    // "<path> <message>" in a box, warning icon (12: "is unavailable").
    void ReportPath(const std::wstring& path, int message, UINT icon = MB_ICONWARNING);
    // A log (archived.log, errors.log) that could not be written: said once a run for each log.
    void ReportLogFailure(const wchar_t* logPath);
    void SortExhibit();
    // The change watcher over the viewed folder (auto-refresh).
    std::unique_ptr<FolderWatcher> watcher;
    void StartWatcher();
    void StopWatcher();
    void StopWatcherIfOn();          // around the program's own file changes
    void RestartWatcherIfOn();
    void AutoFind();                 // a fresh list from the watcher arrived
    void DropFiles(HDROP drop);      // files dropped on the main window
    void ShowPicture(bool forward);
    // The same, going on from a search that already stepped over `carried` entries.
    void ShowPictureFrom(bool forward, size_t carried);
    void SaveAs();                   // the shown picture as a new JPEG or BMP file
    void CopyImage();                // the whole picture to the clipboard
    void CopyView();                 // what the window shows of it
    void Paste();                    // a clipboard bitmap as the shown picture
    // A bitmap of w x h showing the picture from (sx, sy) of its display size on.
    HBITMAP RenderPiece(int sx, int sy, int w, int h);
    HBITMAP CopyOfCollage();
    bool FindWantedShape(bool forward);   // landscape/portrait only: a picture of the shape
    void ShowEmptyState();           // no picture: background, released picture, status
    void ViewLinkTarget();
    // Find and filter: true when a picture is to be shown.
    FindRecord find;
    bool FindDialog();
    bool FindNext(bool skipCurrent);
    bool FilterExhibit(bool keepMatches);
    void ShuffleExhibit();
    int32_t RandomIndex(int32_t n);

    // ---- Imaging (imaging/) ----------------------------------------------------
    PictureHolder picture;           // the shown picture
    std::atomic<uint64_t> pixelLimit{PicturePixelLimit()};   // the largest picture a decode accepts
    // Pictures decoded ahead on a worker, made with the first load.
    std::unique_ptr<PictureCache> pictures;
    DWORD decodeDeadlineMs = 20000;  // a decode running longer counts as failed
    bool decoding = false;           // a load waits for its decode: paints show the last frame
    int32_t currentZoom = 0;         // zoom in effect (percent); 0 = the fit rules decide
    bool zoomHeld = false;           // the user zoomed this picture by hand
    int32_t currentRotation = 0;     // degrees the shown picture was turned since loading
    wchar_t shownFile[kPathSize] = {};  // the file decoded for currentPath (a shortcut's target)
    FileStamp shownStamp;            // that file as it was read
    std::wstring shownEntry;         // the exhibit entry the loaded picture came from
    void AdoptShown(DecodedPicture&& decoded);

    void SetInterpolation(int32_t mode);   // the picture's interpolation mode (zoomquality)
    // The colours pictures with a profile are converted to, as the decode
    // workers read them: none with colormanage off, else the profile of the
    // monitor the window is on, or sRGB.
    ColourChoice colour;
    std::wstring monitorDevice;      // the monitor whose profile was read
    std::wstring monitorProfilePath; // that profile's file, empty without one
    std::vector<uint8_t> monitorProfile;
    // Reads the profile of the monitor the window is on when the monitor or
    // its profile changed, and hands the setting to the decoders; whether
    // what pictures are converted to changed. What was decoded ahead for
    // other colours is dropped.
    bool UpdateColourTarget();
    // colormanage changed: the shown picture is decoded again, what was
    // decoded ahead is dropped and the Catalog's thumbnails are made anew.
    void ColourManagementChanged();
    // What a load of the current entry came to.
    enum class Load {
        Shown,      // its picture is loaded
        Kept,       // its file is gone, but its picture is the one on screen and stays
        Vanished,   // its file is gone: dropped, unlogged, the picture on screen untouched
        TooLarge,   // sound but beyond the memory budget: stepped over, unlogged
        Failed,     // damaged: logged, dropped (removefail) or stepped over
        Nothing,    // no entry, or the viewer is closing
    };
    // Loads entry currentIndex into picture; on failure logs it and removes the
    // entry (removefail) or steps currentIndex. Takes exhibitLock itself.
    Load LoadCurrent(bool forward);
    void LogLoadError();
    // The failures of one search for a loadable picture, dropped from the
    // exhibit and written to the log in one go when the search ends.
    struct FailureRun {
        std::vector<CurrentEntry> dropped;
        std::vector<std::wstring> logLines;
        size_t attempts = 0;   // loads tried so far
        bool tooLarge = false;  // a picture beyond the memory budget was passed over
        bool vanished = false;  // a file was gone: the watcher is asked to look again
    };
    bool tooLargeOnly = false;   // nothing shows: the pictures tried were too large to hold
    FailureRun* failureRun = nullptr;
    // One search for a loadable picture tries `most` entries at most, and no
    // more than `few` once `ms` have passed; a longer one goes on at a posted
    // message, so the window answers in between. Each part of a search costs
    // a pass over the exhibit, so the parts are not made too small.
    struct SearchBounds {
        size_t most = 4096;
        size_t few = 32;
        DWORD ms = 100;
    } searchBounds;
    // A search that gave up its turn goes on at WM_APP_SHOW, unless another began.
    uint32_t showSerial = 0;
    void ContinueShow(WPARAM serial, LPARAM state);
    // The decoded picture of `file` as it is now, from the worker; false in
    // `usable` when the wait was given up (closing).
    DecodedPicture DecodeForShow(const wchar_t* file, bool& timedOut, bool& usable);
    // Decodes the neighbours of the shown picture ahead, the next one in the
    // direction of travel first; forgets every other picture decoded ahead.
    void PrefetchAround(bool forward);
    void ApplyOrientation();         // EXIF orientation, then the rotation lock
    OrientationRules OrientationNow() const;   // the settings ApplyOrientation follows
    // What showing a picture now asks of it: its turns, display size and filter.
    ShowPlan PlanForShow() const;
    void ComputeDisplaySize(const RECT& area, int32_t zoom, bool squeeze, bool shrink, bool stretch);
    // Replaces a picture decoded smaller than drawing it at w x h asks for
    // with a fuller decode of its file.
    void LoadDetail(int32_t w, int32_t h);
    // Turn or mirror the shown picture; the caller then applies the zoom reset.
    void RotateRight();
    void RotateLeft();
    void FlipHorizontal();
    void LockRotation();
    // Zoom state rules (the commands refuse them while collage is on).
    void ZoomIn(bool fine);
    void ZoomOut(bool fine);
    void ZoomActualSize();           // 100%: toggles between 100 and the zoom lock
    void LockZoom();
    void ResetFitZoom();             // a fit rule was toggled: currentZoom = zoom = 0
    void UpdateCaption();
    void UpdateStatus();
    void DrawNameOverlay(HDC dc);
    // An animated picture plays while the viewer shows it alone (no collage,
    // no wallpaper) and `animate` is on; only while the window can be seen.
    std::unique_ptr<AnimationPlayer> player;
    uint32_t playSerial = 0;          // the player the frames posted with this number come from
    IStream* playedSource = nullptr;  // the bytes it plays: still the shown picture's while they are held
    void StartAnimation();            // the shown picture plays, when it is animated
    void StopAnimation();
    void FollowVisibility();          // the window was shown, hidden, minimised or restored
    void OnAnimationFrame(WPARAM serial);   // WM_APP_FRAME: the next frame is due
    // Where the top-left corner of the picture is in the view, as the last paint put it.
    POINT PictureOrigin() const;
    // Draws the picture's part of the frame anew and puts only that part on screen.
    void RepaintPicture();
    // Frame composition and paint.
    Canvas canvas;                   // the whole picture at its display size, while autoscroll glides
    Canvas tile;                     // the collage tile
    Canvas collageCanvas;            // the collage: the view's size, tiles heaped on it
    void PaintCollage(HDC paintDc);
    void ClearCollage();             // a new, empty collage
    Canvas frame;                    // the window-sized frame a paint composes
    int32_t DrawPicture(const RECT& area, HDC dc, int32_t zoom, bool squeeze, bool shrink, bool stretch,
                        int32_t layout, bool keepNegative);
    int32_t PlacePicture(const RECT& area, int32_t zoom, bool squeeze, bool shrink, bool stretch,
                         int32_t layout, bool keepNegative);
    void DrawPictureAt(HDC dc, int32_t w, int32_t h);
    // Draws the window-sized frame: background, and the visible part of the
    // picture with its top-left corner at (left, top) of the view.
    bool DrawView(HDC windowDc, int left, int top);
    bool PictureOverflows() const;   // the shown picture is larger than the view
    void ComposeFrame(HDC windowDc);
    void OnPaint();
    HBRUSH BackgroundBrush() const;
    bool OnEraseBackground();
    void ComputeExcess();
    int32_t KeyScrollStep() const;
    void ScrollView(bool byUser);
    RECT ViewRect() const;           // client area less the status bar
    // Transitions: the effect for a change of picture (-1: none enabled), and the
    // animation of the w x h image in srcDc onto dstDc at (x, y).
    int32_t PickTransition();
    void RunTransition(HDC dstDc, int32_t w, int32_t h, HDC srcDc, int32_t effect, int32_t x, int32_t y);

    // ---- Window modes, tray, hotkey (window/) ---------------------------------
    void SwitchMode(int32_t mode);
    void EnterFullScreen();          // the two halves of SwitchMode around full screen
    void LeaveFullScreen();
    void RelayoutFullScreen();       // place the picture on the screen anew and repaint
    void ApplyDisplay();
    void FitWindowToPicture();
    RECT WrapArea() const;           // what a wrapped window's picture is fitted into
    void SetLayout(int32_t n);
    void SavePreset(int32_t n);
    void RestorePreset(int32_t n);
    // Mouse: dragging the window, or scrolling a picture larger than it.
    POINT dragPoint{};
    RECT dragWindowRect{};
    bool panning = false;
    void OnLeftButtonDown();
    void OnMouseMove();
    void OnLeftButtonUp();
    void OnMouseWheel(int delta);
    void ApplyWindowRegion();
    void LocateMonitor();
    void CenterWindow();
    void RoamWindow();
    void CorralWindow();
    bool BlackboxAdjusted() const;
    RECT PlacementArea() const;
    void ReadPositionFromWindow();
    void CreateStatusBar();
    void TakeOverInstances();
    // Tray icon and the show/hide hotkey.
    void ApplyTrayIcon();                  // after `trayicon` was toggled
    // After wrap, crop, the status bar, decorate or the full-screen name was
    // switched: the window follows the new value.
    void ApplyWrap();
    void ApplyCrop();
    void ApplyStatusBar();
    void ApplyDecorate();
    void ApplyNameOverlay();
    void OnTrayMessage(UINT mouseMessage); // WM_APP_TRAYICON's lParam
    void ToggleViewerVisible();            // the hotkey, a click on the icon
    void ChooseHotkey();                   // the hotkey dialog in the dialog framing
    void SetWallpaperStyle(int32_t style);
    void MakeWallpaper();            // the shown picture as the desktop wallpaper
    std::unique_ptr<WallpaperWorker> wallpaperWorker;   // writes it and hands it on
    void OnWallpaperWritten(bool written);   // WM_APP_WALLPAPER: a failure is said once
    // The request that sets `picture` (a shortcut's target) as the shell's root image in `style`.
    std::string BlackboxRootRequest(int32_t style, const std::wstring& picture) const;
    void SendToBlackbox(const char* command);   // one request to the Blackbox shell
    // Asks the shell to set `picture` (a shortcut's target) as its root image in `style`.
    void SendBlackboxRoot(int32_t style, const std::wstring& picture);
    void SkinWindow();               // the shell's two skinning messages to our own window
    void ClearWallpaper();
    void RestoreWallpaper();
    void SetSystemWallpaper(const wchar_t* file);   // "" takes the wallpaper away

    // ---- Commands, menus, dialogs (commands/) ---------------------------------
    void ExecuteCommand(int id);
    bool CommandGated(int id) const;     // refused by "-noshell" or "-nomenu"
    bool AvailableFile();                // exhibit not empty and the picture is a file
    void FileCommand(int id);            // a command that files the shown picture away
    int32_t StepKeys() const;            // 5 with Shift, 10 with Ctrl, else 1
    void ZoomReset();                    // after a fit change: zoom 0 unless held; ApplyDisplay
    bool AskNumber(int titleIndex, uint32_t& value);   // numeric dialog in the dialog framing
    bool AskSetting(int titleIndex, int32_t& field);   // the same for a setting, stored in its range
    void TogglePinnedSubmenu(int32_t n);
    void TogglePinnedLevel3(int32_t n, int32_t parent);
    void ApplyBlend();
    void SetStayOnTop();
    void ToggleTransition(int32_t effect);   // into transitionList or out of it
    void ChooseBackgroundColour();
    void ShellOpen(const wchar_t* file, const wchar_t* arguments);
    // Popup menu: opens the viewer menu (or the pinned submenu at `submenuPosition`)
    // at screen point (x, y), runs the choice and re-opens pinned menus.
    void PopupMenu(int32_t x, int32_t y, int32_t submenuPosition);
    void OpenMenuFromCommand();          // at the cursor or the window's top left corner
    void SetMenuState(HMENU menu, bool isMainMenu);
    void SetCatalogMenuState(HMENU menu, bool pinned, int32_t pinnedCatalogSubmenu);

    // ---- File operations (fileops/) --------------------------------------------
    UndoStack undo;                  // the last file operations of this run
    bool PickExhibitRoot(bool build);
    bool PickFolder(int which);      // 0 favorites, 1 archive
    bool SaveSettingsAsDialog();     // true when a new settings path was chosen
    void SendShortcut(const wchar_t* folder, const wchar_t* path);
    void CopyToFolder(const wchar_t* folder);
    void RecycleCurrent();
    void MoveToArchive();
    void CopyOrMoveDialog(bool move);
    void UndoLast();
    // "<verb> <path> ?" with OK and Cancel; true on OK (and not closing).
    bool ConfirmFileAction(int verb, const std::wstring& path);
    // Whether the shown file is still there and as it was shown; if not, says
    // so and shows the current entry again.
    bool ShownFileIntact();
    // Nothing of the viewer holds the shown file or a neighbour decoded ahead.
    void ReleaseShownFile();
    // Remembers a file made by an operation, to be deleted by undo.
    void RecordMade(UndoKind kind, const std::wstring& path, int32_t index, bool created, bool entryAdded);
    void StatusNote(int message);    // a message in the status bar's first field
    // The failure of a copy or move said as it is: `message` (the operation's
    // own) for a plain refusal, or that the file is now in two places.
    void ReportFilingFailure(const struct FilingOutcome& outcome, const std::wstring& source, int message);

    // ---- Catalog (catalog/) ----------------------------------------------------
    bool CatalogAvailable() const;
    std::unique_ptr<ThumbnailCache> thumbnails;   // kept between openings
    void OpenCatalog();
    // Auto Refresh as the user had it when the Catalog opened (the Catalog
    // turns it on for its lifetime); none while the Catalog is closed.
    std::optional<bool> refreshBeforeCatalog;
    // Ends an open Catalog, and a menu of it, as Exit does.
    void EndCatalog();
    // A file command of the Catalog on the selected files (in list order);
    // files gone from the disk are left out and named. True when it went
    // through for every file still there.
    bool CatalogFileCommand(int command, const SelectedFiles& selection, HWND owner);
};

// The mark every running viewer carries on its main window, so that taking
// over from other copies reaches viewers only.
constexpr wchar_t kViewerMark[] = L"Oxbrill.Viewer";
void MarkViewerWindow(HWND window);
bool IsViewerWindow(HWND window);

// The process-wide pointer every handler reaches the state through.
extern AppState* g_state;

// Operating-system queries used by the menu code.
DWORD OsMajorVersion();
DWORD OsMinorVersion();
// Fills `buffer` (260 characters) with the user's desktop folder; untouched on failure.
void LookUpDesktopFolder(wchar_t* buffer);
