// Marking the popup menus from the application state, and the pin rules that
// decide which menu opens again after a choice or a dismissal. Nothing here
// needs a window: menus are marked as loaded, so the rules can be checked on
// menus loaded from any module that carries the resources.
#pragma once

#include <windows.h>

#include <cstdint>

struct AppState;

// The system version the Fit and Fill wallpaper styles depend on.
struct OsVersion {
    DWORD major = 0;
    DWORD minor = 0;
};

// Fit and Fill wallpaper styles arrived with version 6.1.
bool HasFitAndFillWallpaper(OsVersion version);

// Loads menu resource `id` (IDM_POPUP or IDM_CATALOG) from `module` as the
// program shows it: the viewer menu's Formats submenu gets one item per row of
// the format table (exhibit/PictureFormats.h). Its popup is the first submenu;
// the caller destroys the menu. Null when the resource is missing.
HMENU LoadProgramMenu(HINSTANCE module, int id);

// Check marks and greyed items of the viewer menu for state `s`. `menu` is the
// main menu or one of its submenus; position marks (Slideshow, Zoom, Rotate)
// apply only when `isMainMenu`.
void MarkViewerMenu(HMENU menu, bool isMainMenu, const AppState& s, OsVersion version);

// The Catalog menu: enables Cut, Copy and Paste and checks its settings and pins.
void MarkCatalogMenu(HMENU menu, const AppState& s, bool pinned, int32_t pinnedSubmenu);

// The pin state of the viewer menu.
struct MenuPins {
    bool menuPinned = false;
    int32_t pinnedSubmenu = -1;
    int32_t pinnedLevel3 = -1;
    int32_t pinnedLevel3Parent = -1;
};

// Submenu position to open again after a command was chosen: the pinned third
// level, else the pinned second level, else 0 for the pinned main menu; -1 when
// nothing is pinned.
int32_t ReopenAfterCommand(const MenuPins& pins);

// A dismissed menu unpins one level (third, then second, then the main menu)
// and returns the position to open again, or -1 when the menu stays closed.
int32_t UnpinAfterDismissal(MenuPins& pins);

// The screen point of a re-open request as message 1027 carries it: x in the
// low word, y + 100 in the high word.
WPARAM PackMenuPoint(int32_t x, int32_t y);
POINT UnpackMenuPoint(WPARAM packed);
