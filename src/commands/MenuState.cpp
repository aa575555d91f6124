// Check marks, greyed items and pin rules of the popup menus.
#include "commands/MenuState.h"

#include <algorithm>

#include "app/AppState.h"
#include "commands/CommandIds.h"
#include "commands/MenuLayout.h"
#include "commands/SettingCommands.h"
#include "exhibit/PictureFormats.h"
#include "imaging/TransitionPlan.h"

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

// The items of the switched and chosen settings; menus without an item are
// left as they are.
void MarkSettingItems(HMENU menu, const AppState& s) {
    for (const ToggleRow& row : ToggleRows())
        if (row.command) Check(menu, row.command, row.checked ? row.checked(s) : Flag(s, row));
    for (const ChoiceRow& row : ChoiceRows())
        for (int32_t i = 0; i < row.count; ++i) Check(menu, row.first + static_cast<UINT>(i), s.*row.field == row.values[i]);
}

void MarkSubmenuPin(HMENU menu, int32_t pinnedSubmenu) {
    if (pinnedSubmenu >= 0) Check(menu, static_cast<UINT>(PinOfSubmenu(pinnedSubmenu)), true);
}

}  // namespace

HMENU LoadProgramMenu(HINSTANCE module, int id) {
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(id));
    if (!menu || id != IDM_POPUP) return menu;
    for (const NestedMenu& nested : kNestedMenus) {
        if (nested.pin != kCmdPinFormats) continue;
        HMENU formats = GetSubMenu(GetSubMenu(GetSubMenu(menu, 0), nested.parent), nested.position);
        for (int i = 0; formats && i < kPictureFormatCount; ++i)
            AppendMenuW(formats, MF_STRING, FormatCommand(i), kPictureFormats[i].label);
    }
    return menu;
}

bool HasFitAndFillWallpaper(OsVersion version) {
    return version.major > 6 || (version.major == 6 && version.minor >= 1);
}

void MarkViewerMenu(HMENU menu, bool isMainMenu, const AppState& s, OsVersion version) {
    if (!menu) return;
    MarkSettingItems(menu, s);
    // Transparency needs the layered-window entry point.
    Grey(menu, kCmdBlend, s.setLayeredWindowAttributes == nullptr);
    Grey(menu, kCmdOpacity, s.setLayeredWindowAttributes == nullptr);

    // The main menu marks the submenus whose state differs from the plain one.
    CheckPosition(menu, kMenuSlideshow, isMainMenu && s.slide);
    CheckPosition(menu, kMenuZoom, isMainMenu && s.zoomHeld);
    CheckPosition(menu, kMenuRotate, isMainMenu && s.currentRotation != 0);

    // The display mode, in the Slideshow menu and again in the Screen menu.
    Check(menu, kCmdWindowed, s.layer == kLayerWindowed);
    Check(menu, kCmdFullscreen, s.layer == kLayerFullScreen);
    Check(menu, kCmdScreenFullscreen, s.layer == kLayerFullScreen);
    Check(menu, kCmdWallpaper, s.layer == kLayerWallpaper);
    Check(menu, kCmdScreenWallpaper, s.layer == kLayerWallpaper);

    // Locks, effects and states that are no plain setting.
    Check(menu, kCmdZoomLock, s.zoom != 0);
    Check(menu, kCmdRotateLock, s.rotation != 0);
    for (int32_t effect = 0; effect < transition::kEffectCount; ++effect) {
        const bool listed =
            std::find(s.transitionList.begin(), s.transitionList.end(), effect) != s.transitionList.end();
        Check(menu, kCmdTransitionFirst + static_cast<UINT>(effect), listed);
    }
    Check(menu, kCmdHotkey, s.hotkeyRegistered);
    Check(menu, kCmdBlackboxShell, s.blackboxPresent);

    const bool oldSystem = !HasFitAndFillWallpaper(version);
    Grey(menu, kCmdWallpaperFit, oldSystem);
    Grey(menu, kCmdWallpaperFill, oldSystem);
    // The shell sets the wallpaper itself: clearing and restoring ours means nothing.
    const bool shellWallpaper = s.blackboxPresent && s.bbWallpaper;
    Grey(menu, kCmdWallpaperClear, shellWallpaper);
    Grey(menu, kCmdWallpaperRestore, shellWallpaper);

    // Pins
    Check(menu, kCmdPinMain, s.menuPinned);
    MarkSubmenuPin(menu, s.pinnedSubmenu);
    for (const NestedMenu& nested : kNestedMenus) {
        if (nested.parent == s.pinnedLevel3Parent && nested.position == s.pinnedLevel3)
            Check(menu, static_cast<UINT>(nested.pin), true);
    }
}

void MarkCatalogMenu(HMENU menu, const AppState& s, bool pinned, int32_t pinnedSubmenu) {
    if (!menu) return;
    EnableMenuItem(menu, kCmdMoveRename, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, kCmdCopyFile, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(menu, kCmdPaste, MF_BYCOMMAND | MF_ENABLED);
    MarkSettingItems(menu, s);
    Check(menu, kCmdPinMain, pinned);
    MarkSubmenuPin(menu, pinnedSubmenu);
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
