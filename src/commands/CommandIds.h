// Command identifiers as a C++ type. The numbers live in resources/resource.h,
// which the menu and accelerator resources share.
#pragma once

#include <cstdint>

#include "../../resources/resource.h"

enum CommandId : uint16_t {
    // Catalog menu items that end its dialog
    kCmdCatalogView = 1,   // IDOK
    kCmdCatalogClose = 2,  // IDCANCEL

    // Descriptive menu lines (shown greyed, carry no command)
    kCmdNoteStepShift = ID_NOTE_STEP_SHIFT,
    kCmdNoteStepCtrl = ID_NOTE_STEP_CTRL,
    kCmdNoteScrollShift = ID_NOTE_SCROLL_SHIFT,
    kCmdNoteScrollCtrl = ID_NOTE_SCROLL_CTRL,
    kCmdNoteScrollAlt = ID_NOTE_SCROLL_ALT,
    kCmdNoteScrollMouse = ID_NOTE_SCROLL_MOUSE,
    kCmdNoteZoomFine = ID_NOTE_ZOOM_FINE,

    // Slideshow
    kCmdSlideshow = ID_SLIDESHOW,
    kCmdTimer = ID_TIMER,
    kCmdWindowed = ID_WINDOWED,
    kCmdFullscreen = ID_FULLSCREEN,
    kCmdWallpaper = ID_WALLPAPER,
    kCmdStayOnTop = ID_STAY_ON_TOP,
    kCmdBlend = ID_BLEND,
    kCmdOpacity = ID_OPACITY,
    kCmdLoopRepeat = ID_LOOP_REPEAT,
    kCmdLoopPause = ID_LOOP_PAUSE,
    kCmdLoopExit = ID_LOOP_EXIT,
    kCmdLoopReshuffle = ID_LOOP_RESHUFFLE,

    // Sort
    kCmdSortForward = ID_SORT_FORWARD,
    kCmdSortReverse = ID_SORT_REVERSE,
    kCmdSortRandom = ID_SORT_RANDOM,
    kCmdSortTree = ID_SORT_TREE,
    kCmdSortTreeStrict = ID_SORT_TREE_STRICT,
    kCmdSortName = ID_SORT_NAME,
    kCmdSortCreated = ID_SORT_CREATED,
    kCmdSortModified = ID_SORT_MODIFIED,
    kCmdSortAccessed = ID_SORT_ACCESSED,
    kCmdSortCaseSensitive = ID_SORT_CASE_SENSITIVE,

    // Navigate
    kCmdNext = ID_NEXT,
    kCmdPrevious = ID_PREVIOUS,
    kCmdFirst = ID_FIRST,
    kCmdLast = ID_LAST,
    kCmdCurrent = ID_CURRENT,
    kCmdNextFolder = ID_NEXT_FOLDER,
    kCmdPrevFolder = ID_PREV_FOLDER,
    kCmdMousewheelNav = ID_MOUSEWHEEL_NAV,
    kCmdScrollLeft = ID_SCROLL_LEFT,
    kCmdScrollRight = ID_SCROLL_RIGHT,
    kCmdScrollUp = ID_SCROLL_UP,
    kCmdScrollDown = ID_SCROLL_DOWN,
    kCmdAutoscroll = ID_AUTOSCROLL,
    kCmdAutoscrollQuietly = ID_AUTOSCROLL_QUIETLY,

    // View
    kCmdViewExhibit = ID_VIEW_EXHIBIT,
    kCmdViewDesktop = ID_VIEW_DESKTOP,
    kCmdViewFavorites = ID_VIEW_FAVORITES,
    kCmdViewArchive = ID_VIEW_ARCHIVE,
    kCmdViewImageFolder = ID_VIEW_IMAGE_FOLDER,
    kCmdViewLinkTarget = ID_VIEW_LINK_TARGET,

    // Exhibit
    kCmdExhibitFolder = ID_EXHIBIT_FOLDER,
    kCmdRefresh = ID_REFRESH,
    kCmdSubfolders = ID_SUBFOLDERS,
    kCmdHiddenFolders = ID_HIDDEN_FOLDERS,
    kCmdAutoRefresh = ID_AUTO_REFRESH,
    kCmdAutoFindCreated = ID_AUTO_FIND_CREATED,
    kCmdAutoFindModified = ID_AUTO_FIND_MODIFIED,
    kCmdAutoFindAccessed = ID_AUTO_FIND_ACCESSED,
    kCmdFormatFirst = ID_FORMAT_FIRST,   // the Formats items: see FormatCommand below
    kCmdFormatLater = ID_FORMAT_LATER,
    kCmdAnimate = ID_ANIMATE,
    kCmdColorManage = ID_COLOR_MANAGE,
    kCmdClearUnloadable = ID_CLEAR_UNLOADABLE,
    kCmdLogErrors = ID_LOG_ERRORS,
    kCmdLogLinkFailure = ID_LOG_LINK_FAILURE,

    // Find
    kCmdFindFilter = ID_FIND_FILTER,
    kCmdFindNext = ID_FIND_NEXT,
    kCmdLandscape = ID_LANDSCAPE,
    kCmdPortrait = ID_PORTRAIT,
    kCmdBookmark = ID_BOOKMARK,
    kCmdGoToMark = ID_GO_TO_MARK,
    kCmdMarkOnExit = ID_MARK_ON_EXIT,
    kCmdGoTo = ID_GO_TO,

    // Favorites and archive
    kCmdSendShortcut = ID_SEND_SHORTCUT,
    kCmdSendCopy = ID_SEND_COPY,
    kCmdFavoritesFolder = ID_FAVORITES_FOLDER,
    kCmdShortcutToDesktop = ID_SHORTCUT_TO_DESKTOP,
    kCmdCopyToDesktop = ID_COPY_TO_DESKTOP,
    kCmdMoveToArchive = ID_MOVE_TO_ARCHIVE,
    kCmdCopyToArchive = ID_COPY_TO_ARCHIVE,
    kCmdConfirmMove = ID_CONFIRM_MOVE,
    kCmdArchiveFolder = ID_ARCHIVE_FOLDER,
    kCmdArchiveLog = ID_ARCHIVE_LOG,

    // Catalog
    kCmdCatalog = ID_CATALOG,
    kCmdThumbnailSize = ID_THUMBNAIL_SIZE,
    kCmdHideViewer = ID_HIDE_VIEWER,
    kCmdShowOnLaunch = ID_SHOW_ON_LAUNCH,

    // Picture fit, zoom, rotation, collage, transitions
    kCmdWrap = ID_WRAP,
    kCmdCrop = ID_CROP,
    kCmdSqueeze = ID_SQUEEZE,
    kCmdShrink = ID_SHRINK,
    kCmdStretch = ID_STRETCH,
    kCmdZoomIn = ID_ZOOM_IN,
    kCmdZoomOut = ID_ZOOM_OUT,
    kCmdZoom100 = ID_ZOOM100,
    kCmdZoomStep = ID_ZOOM_STEP,
    kCmdZoomLock = ID_ZOOM_LOCK,
    kCmdZoomQualityDefault = ID_ZOOM_QUALITY_DEFAULT,
    kCmdZoomQualityHigh = ID_ZOOM_QUALITY_HIGH,
    kCmdZoomQualityBest = ID_ZOOM_QUALITY_BEST,
    kCmdZoomMousewheel = ID_ZOOM_MOUSEWHEEL,
    kCmdRotateRight = ID_ROTATE_RIGHT,
    kCmdRotateLeft = ID_ROTATE_LEFT,
    kCmdRotateLock = ID_ROTATE_LOCK,
    kCmdAspectFilter = ID_ASPECT_FILTER,
    kCmdFlipHorizontal = ID_FLIP_HORIZONTAL,
    kCmdExifOrientation = ID_EXIF_ORIENTATION,
    kCmdCollage = ID_COLLAGE,
    kCmdCollageSize = ID_COLLAGE_SIZE,
    kCmdTransitions = ID_TRANSITIONS,
    kCmdShuttersRight = ID_SHUTTERS_RIGHT,
    kCmdShuttersLeft = ID_SHUTTERS_LEFT,
    kCmdShuttersDown = ID_SHUTTERS_DOWN,
    kCmdShuttersUp = ID_SHUTTERS_UP,
    kCmdWipeRightLeft = ID_WIPE_RIGHT_LEFT,
    kCmdWipeLeftRight = ID_WIPE_LEFT_RIGHT,
    kCmdWipeDownUp = ID_WIPE_DOWN_UP,
    kCmdWipeUpDown = ID_WIPE_UP_DOWN,
    kCmdHorizontalSlide = ID_HORIZONTAL_SLIDE,
    kCmdVerticalSlide = ID_VERTICAL_SLIDE,
    kCmdQuadrantSlide = ID_QUADRANT_SLIDE,
    kCmdQuadrantWipe = ID_QUADRANT_WIPE,
    kCmdQuadrantPeel = ID_QUADRANT_PEEL,
    kCmdDissolve = ID_DISSOLVE,
    kCmdCrossfade = ID_CROSSFADE,
    kCmdTransitionsAll = ID_TRANSITIONS_ALL,
    kCmdTransitionsNone = ID_TRANSITIONS_NONE,
    kCmdOverlap = ID_OVERLAP,

    // Window
    kCmdNameInCaption = ID_NAME_IN_CAPTION,
    kCmdFullPathname = ID_FULL_PATHNAME,
    kCmdStatusBar = ID_STATUS_BAR,
    kCmdTrayIcon = ID_TRAY_ICON,
    kCmdDecorate = ID_DECORATE,
    kCmdBackgroundColour = ID_BACKGROUND_COLOUR,
    kCmdAutoCenter = ID_AUTO_CENTER,
    kCmdRoam = ID_ROAM,
    kCmdCorral = ID_CORRAL,
    kCmdDraggable = ID_DRAGGABLE,
    kCmdCenter = ID_CENTER,
    kCmdSavePreset1 = ID_SAVE_PRESET1,
    kCmdSavePreset2 = ID_SAVE_PRESET2,
    kCmdSavePreset3 = ID_SAVE_PRESET3,
    kCmdSavePreset4 = ID_SAVE_PRESET4,
    kCmdSavePreset5 = ID_SAVE_PRESET5,
    kCmdRestorePreset1 = ID_RESTORE_PRESET1,
    kCmdRestorePreset2 = ID_RESTORE_PRESET2,
    kCmdRestorePreset3 = ID_RESTORE_PRESET3,
    kCmdRestorePreset4 = ID_RESTORE_PRESET4,
    kCmdRestorePreset5 = ID_RESTORE_PRESET5,
    kCmdLayoutCentered = ID_LAYOUT_CENTERED,
    kCmdLayoutTopLeft = ID_LAYOUT_TOP_LEFT,
    kCmdLayoutTopRight = ID_LAYOUT_TOP_RIGHT,
    kCmdLayoutBottomLeft = ID_LAYOUT_BOTTOM_LEFT,
    kCmdLayoutBottomRight = ID_LAYOUT_BOTTOM_RIGHT,
    kCmdLayoutRoaming = ID_LAYOUT_ROAMING,
    kCmdHotkey = ID_HOTKEY,
    kCmdSingleInstance = ID_SINGLE_INSTANCE,
    kCmdTakeOverNow = ID_TAKE_OVER_NOW,

    // Screen
    kCmdScreenFullscreen = ID_SCREEN_FULLSCREEN,
    kCmdScreenCaption = ID_SCREEN_CAPTION,
    kCmdScreenCursor = ID_SCREEN_CURSOR,
    kCmdScreenCentered = ID_SCREEN_CENTERED,
    kCmdScreenRoaming = ID_SCREEN_ROAMING,
    kCmdScreenWallpaper = ID_SCREEN_WALLPAPER,
    kCmdWallpaperCenter = ID_WALLPAPER_CENTER,
    kCmdWallpaperTile = ID_WALLPAPER_TILE,
    kCmdWallpaperStretch = ID_WALLPAPER_STRETCH,
    kCmdWallpaperFit = ID_WALLPAPER_FIT,
    kCmdWallpaperFill = ID_WALLPAPER_FILL,
    kCmdWallpaperClear = ID_WALLPAPER_CLEAR,
    kCmdWallpaperRestore = ID_WALLPAPER_RESTORE,

    // Shell
    kCmdShellView = ID_SHELL_VIEW,
    kCmdShellExplore = ID_SHELL_EXPLORE,
    kCmdOpenWith = ID_OPEN_WITH,
    kCmdCopyFile = ID_COPY_FILE,
    kCmdMoveRename = ID_MOVE_RENAME,
    kCmdSaveAs = ID_SAVE_AS,
    kCmdCopyImage = ID_COPY_IMAGE,
    kCmdCopyView = ID_COPY_VIEW,
    kCmdPaste = ID_PASTE,
    kCmdRecycle = ID_RECYCLE,
    kCmdConfirmRecycle = ID_CONFIRM_RECYCLE,
    kCmdViewWith = ID_VIEW_WITH,
    kCmdExploreWith = ID_EXPLORE_WITH,
    kCmdBlackboxShell = ID_BLACKBOX_SHELL,
    kCmdSmartWallpaper = ID_SMART_WALLPAPER,
    kCmdScaleWallpaper = ID_SCALE_WALLPAPER,
    kCmdBlackboxSkin = ID_BLACKBOX_SKIN,
    kCmdRaiseCaption = ID_RAISE_CAPTION,
    kCmdLengthenWindow = ID_LENGTHEN_WINDOW,

    // Settings and info
    kCmdSaveNow = ID_SAVE_NOW,
    kCmdSaveSettingsAs = ID_SAVE_SETTINGS_AS,
    kCmdSaveOnExit = ID_SAVE_ON_EXIT,
    kCmdSaveFolder = ID_SAVE_FOLDER,
    kCmdMenu = ID_MENU,
    kCmdMenuAtCursor = ID_MENU_AT_CURSOR,
    kCmdHelp = ID_HELP,
    kCmdAbout = ID_ABOUT,
    kCmdExit = ID_EXIT,
    kCmdUndo = ID_UNDO,

    // Pin items of the main popup and its submenus (2000 + position in the main popup)
    kCmdPinMain = ID_PIN_MAIN,
    kCmdPinSlideshow = ID_PIN_SLIDESHOW,
    kCmdPinSort = ID_PIN_SORT,
    kCmdPinNavigate = ID_PIN_NAVIGATE,
    kCmdPinView = ID_PIN_VIEW,
    kCmdPinExhibit = ID_PIN_EXHIBIT,
    kCmdPinFind = ID_PIN_FIND,
    kCmdPinFavorites = ID_PIN_FAVORITES,
    kCmdPinCatalog = ID_PIN_CATALOG,
    kCmdPinZoom = ID_PIN_ZOOM,
    kCmdPinRotate = ID_PIN_ROTATE,
    kCmdCatalogPinSort = ID_CATALOG_PIN_SORT,
    kCmdPinCollage = ID_PIN_COLLAGE,
    kCmdCatalogPinFind = ID_CATALOG_PIN_FIND,
    kCmdPinTransitions = ID_PIN_TRANSITIONS,
    kCmdCatalogPinFileOps = ID_CATALOG_PIN_FILE_OPS,
    kCmdPinWindow = ID_PIN_WINDOW,
    kCmdPinScreen = ID_PIN_SCREEN,
    kCmdPinShell = ID_PIN_SHELL,
    kCmdPinSettings = ID_PIN_SETTINGS,
    kCmdPinInfo = ID_PIN_INFO,

    // Pin items of nested submenus (3000 + 100 * parent rank + position in the parent)
    kCmdPinTransparency = ID_PIN_TRANSPARENCY,
    kCmdPinLoop = ID_PIN_LOOP,
    kCmdPinScroll = ID_PIN_SCROLL,
    kCmdPinFormats = ID_PIN_FORMATS,
    kCmdPinArchive = ID_PIN_ARCHIVE,
    kCmdPinPresets = ID_PIN_PRESETS,
    kCmdPinLayout = ID_PIN_LAYOUT,
    kCmdPinBlackbox = ID_PIN_BLACKBOX,

    // Posted to the Catalog by its own keyboard and mouse hooks
    kCmdCatalogTab = 1033,        // Tab: next folder, previous with Shift
    kCmdCatalogShiftDown = 1034,  // Shift went down: remember the anchor item
    kCmdCatalogKeepRange = 1035,  // keep a Shift selection one contiguous range
};

// First and last of the fifteen transition toggles (effect number = id - kCmdShuttersRight).
constexpr uint16_t kCmdTransitionFirst = kCmdShuttersRight;
constexpr uint16_t kCmdTransitionLast = kCmdCrossfade;

// The Formats item of row `format` of the format table (exhibit/PictureFormats.h):
// the first seven rows keep the ids they always had, the later ones follow from
// kCmdFormatLater, as the ids after the seventh were taken.
constexpr int kFormatsFirstBlock = 7;
constexpr uint16_t FormatCommand(int format) {
    return static_cast<uint16_t>(format < kFormatsFirstBlock ? kCmdFormatFirst + format
                                                             : kCmdFormatLater + format - kFormatsFirstBlock);
}
