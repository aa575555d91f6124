// Check marks, greyed items and pin rules of the popup menus.
#include "commands/MenuState.h"

#include <algorithm>

#include "app/AppState.h"
#include "commands/CommandIds.h"

namespace {

// Items are found by command id through every submenu of `menu`.
void Check(HMENU menu, UINT id, bool on) {
    if (on) CheckMenuItem(menu, id, MF_BYCOMMAND | MF_CHECKED);
}

void CheckPosition(HMENU menu, UINT position, bool on) {
    if (on) CheckMenuItem(menu, position, MF_BYPOSITION | MF_CHECKED);
}

void Grey(HMENU menu, UINT id, bool on) {
    if (on) EnableMenuItem(menu, id, MF_BYCOMMAND | MF_GRAYED);
}

// One of a run of items chosen by a setting's value (first + value), when the
// value lies inside the run.
void CheckOneOf(HMENU menu, UINT first, int32_t value, int32_t count) {
    if (value >= 0 && value < count) Check(menu, first + static_cast<UINT>(value), true);
}

// Position of a third-level submenu's parent in the main menu, and the base of
// its Pin items' ids.
struct Level3Parent {
    int32_t position;
    UINT pinBase;
};
constexpr Level3Parent kLevel3Parents[] = {{2, 3000}, {4, 3100}, {7, 3200}, {9, 3300}, {22, 3400}, {24, 3500}};

}  // namespace

bool HasFitAndFillWallpaper(OsVersion version) {
    return version.major > 6 || (version.major == 6 && version.minor >= 1);
}

void MarkViewerMenu(HMENU menu, bool isMainMenu, const AppState& s, OsVersion version) {
    if (!menu) return;
    // Transparency needs the layered-window entry point.
    Grey(menu, kCmdBlend, s.setLayeredWindowAttributes == nullptr);
    Grey(menu, kCmdOpacity, s.setLayeredWindowAttributes == nullptr);

    // Slideshow
    Check(menu, kCmdSlideshow, s.slide);
    CheckPosition(menu, 2, isMainMenu && s.slide);
    switch (s.layer) {
    case 0: Check(menu, kCmdWindowed, true); break;
    case 1:
        Check(menu, kCmdFullscreen, true);
        Check(menu, ID_SCREEN_FULLSCREEN, true);
        break;
    case 2:
        Check(menu, kCmdWallpaper, true);
        Check(menu, ID_SCREEN_WALLPAPER, true);
        break;
    default: break;
    }
    Check(menu, kCmdStayOnTop, s.ontop);
    Check(menu, kCmdBlend, s.blend);
    CheckOneOf(menu, kCmdLoopRepeat, s.loop, 3);
    Check(menu, kCmdLoopReshuffle, s.loopshuffle);

    // Sort
    CheckOneOf(menu, kCmdSortForward, s.sort, 3);
    CheckOneOf(menu, kCmdSortTree, s.sortby, 6);
    Check(menu, kCmdSortCaseSensitive, s.sortcase);

    // Navigate: the wheel either steps through pictures or zooms.
    Check(menu, kCmdMousewheelNav, s.wheelnav);
    Check(menu, ID_ZOOM_MOUSEWHEEL, !s.wheelnav);
    Check(menu, kCmdAutoscroll, s.autoscroll);
    Check(menu, kCmdAutoscrollQuietly, s.quietautoscroll);

    // Exhibit
    Check(menu, kCmdSubfolders, s.subfolders);
    Check(menu, kCmdHiddenFolders, s.hidden);
    Check(menu, kCmdAutoRefresh, s.autorefresh);
    if (s.autofindtype >= 1) CheckOneOf(menu, kCmdAutoFindCreated, s.autofindtype - 1, 3);
    const bool formats[] = {s.bmp, s.emf, s.gif, s.ico, s.jpg, s.png, s.tif};
    for (UINT i = 0; i < 7; ++i) Check(menu, ID_FORMAT_BMP + i, formats[i]);
    Check(menu, ID_CLEAR_UNLOADABLE, s.removefail);
    Check(menu, ID_LOG_ERRORS, s.logerrors);
    Check(menu, ID_LOG_LINK_FAILURE, s.loglnkfail);

    // Find
    if (s.landscapeOnly) Check(menu, ID_LANDSCAPE, true);
    else Check(menu, ID_PORTRAIT, s.portraitOnly);

    // Favorites and archive, Catalog
    Check(menu, ID_ARCHIVE_LOG, s.archivelog);
    Check(menu, ID_CONFIRM_MOVE, s.confirmarchive);
    Check(menu, ID_HIDE_VIEWER, s.hideViewer);
    Check(menu, ID_SHOW_ON_LAUNCH, s.launch);

    // Fit rules, zoom and rotation
    Check(menu, ID_WRAP, s.wrap);
    Check(menu, ID_CROP, s.crop);
    Check(menu, ID_SQUEEZE, s.squeeze);
    Check(menu, ID_SHRINK, s.shrink);
    Check(menu, ID_STRETCH, s.stretch);
    CheckPosition(menu, 17, isMainMenu && s.zoomHeld);
    Check(menu, ID_ZOOM_LOCK, s.zoom != 0);
    switch (s.zoomquality) {
    case 0: Check(menu, ID_ZOOM_QUALITY_DEFAULT, true); break;
    case 2: Check(menu, ID_ZOOM_QUALITY_HIGH, true); break;
    case 7: Check(menu, ID_ZOOM_QUALITY_BEST, true); break;
    default: break;
    }
    CheckPosition(menu, 18, isMainMenu && s.currentRotation != 0);
    Check(menu, ID_ROTATE_LOCK, s.rotation != 0);
    Check(menu, ID_ASPECT_FILTER, s.rotateaspect);
    Check(menu, ID_EXIF_ORIENTATION, s.exiforient);

    // Collage and transitions
    Check(menu, ID_COLLAGE, s.collage);
    Check(menu, ID_TRANSITIONS, s.transitions);
    for (int32_t effect = 0; effect < 15; ++effect) {
        const bool listed =
            std::find(s.transitionList.begin(), s.transitionList.end(), effect) != s.transitionList.end();
        Check(menu, ID_SHUTTERS_RIGHT + static_cast<UINT>(effect), listed);
    }
    Check(menu, ID_OVERLAP, s.overlap);

    // Window
    Check(menu, ID_NAME_IN_CAPTION, s.title);
    Check(menu, ID_FULL_PATHNAME, s.fullname);
    Check(menu, ID_STATUS_BAR, s.statusbar);
    Check(menu, ID_TRAY_ICON, s.trayicon);
    Check(menu, ID_DECORATE, s.decorate);
    Check(menu, ID_AUTO_CENTER, s.autocenter);
    Check(menu, ID_ROAM, s.roamwindow);
    Check(menu, ID_CORRAL, s.corral);
    Check(menu, ID_DRAGGABLE, s.draggable);
    CheckOneOf(menu, ID_LAYOUT_CENTERED, s.layout, 6);
    Check(menu, ID_HOTKEY, s.hotkeyRegistered);
    Check(menu, ID_SINGLE_INSTANCE, s.singleinstance);

    // Screen
    Check(menu, ID_SCREEN_CAPTION, s.fullscreenname);
    Check(menu, ID_SCREEN_CURSOR, s.fullscreencursor);
    if (s.fullscreenlayout == 0) Check(menu, ID_SCREEN_CENTERED, true);
    else if (s.fullscreenlayout == 5) Check(menu, ID_SCREEN_ROAMING, true);
    const bool oldSystem = !HasFitAndFillWallpaper(version);
    Grey(menu, ID_WALLPAPER_FIT, oldSystem);
    Grey(menu, ID_WALLPAPER_FILL, oldSystem);

    // Shell and Blackbox
    Check(menu, ID_CONFIRM_RECYCLE, s.confirmdelete);
    Check(menu, ID_BLACKBOX_SHELL, s.blackboxPresent);
    Check(menu, ID_SMART_WALLPAPER, s.bbWallpaper);
    Check(menu, ID_SCALE_WALLPAPER, s.bbWallpaperScale);
    // The shell sets the wallpaper itself: clearing and restoring ours means nothing.
    const bool shellWallpaper = s.blackboxPresent && s.bbWallpaper;
    Grey(menu, ID_WALLPAPER_CLEAR, shellWallpaper);
    Grey(menu, ID_WALLPAPER_RESTORE, shellWallpaper);
    Check(menu, ID_BLACKBOX_SKIN, s.bbSkin);

    // Settings
    Check(menu, ID_SAVE_ON_EXIT, s.savesettings);
    Check(menu, ID_SAVE_FOLDER, s.savefolder);
    Check(menu, ID_MARK_ON_EXIT, s.markexit);
    Check(menu, ID_MENU_AT_CURSOR, s.atCursor);

    // Pins
    Check(menu, kCmdPinMain, s.menuPinned);
    if (s.pinnedSubmenu >= 0) Check(menu, 2000 + static_cast<UINT>(s.pinnedSubmenu), true);
    if (s.pinnedLevel3 >= 0) {
        for (const Level3Parent& parent : kLevel3Parents) {
            if (parent.position == s.pinnedLevel3Parent) {
                Check(menu, parent.pinBase + static_cast<UINT>(s.pinnedLevel3), true);
            }
        }
    }
}

void MarkCatalogMenu(HMENU menu, const AppState& s, bool pinned, int32_t pinnedSubmenu) {
    if (!menu) return;
    EnableMenuItem(menu, ID_MOVE_RENAME, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, ID_COPY_FILE, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, ID_PASTE, MF_BYCOMMAND | MF_ENABLED);
    Check(menu, kCmdSubfolders, s.subfolders);
    CheckOneOf(menu, kCmdSortForward, s.sort, 3);
    CheckOneOf(menu, kCmdSortTree, s.sortby, 6);
    Check(menu, kCmdSortCaseSensitive, s.sortcase);
    Check(menu, kCmdAutoRefresh, s.autorefresh);
    Check(menu, kCmdPinMain, pinned);
    if (pinnedSubmenu >= 0) Check(menu, 2000 + static_cast<UINT>(pinnedSubmenu), true);
}

int32_t ReopenAfterCommand(const MenuPins& pins) {
    if (pins.pinnedLevel3 != -1) return pins.pinnedLevel3;
    if (pins.pinnedSubmenu != -1) return pins.pinnedSubmenu;
    return pins.menuPinned ? 0 : -1;
}

int32_t UnpinAfterDismissal(MenuPins& pins) {
    if (pins.pinnedLevel3 != -1) {
        pins.pinnedLevel3 = -1;
        pins.pinnedLevel3Parent = -1;
    } else if (pins.pinnedSubmenu == -1) {
        pins.menuPinned = false;
    } else {
        pins.pinnedSubmenu = -1;
    }
    if (pins.pinnedSubmenu != -1) return pins.pinnedSubmenu;
    return pins.menuPinned ? 0 : -1;
}

WPARAM PackMenuPoint(int32_t x, int32_t y) {
    const auto low = static_cast<WORD>(x & 0xFFFF);
    const auto high = static_cast<WORD>((y + 100) & 0xFFFF);
    return MAKEWPARAM(low, high);
}

POINT UnpackMenuPoint(WPARAM packed) {
    // Signed words keep points on monitors left of or above the primary one.
    POINT p;
    p.x = static_cast<SHORT>(LOWORD(packed));
    p.y = static_cast<SHORT>(HIWORD(packed)) - 100;
    return p;
}
