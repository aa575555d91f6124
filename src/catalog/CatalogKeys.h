// The Catalog's keys: which command a key in the list runs. No windows here.
#pragma once

#include <cstdint>

// Not commands of the viewer: what only the Catalog does with a key.
enum CatalogKeyAction : int {
    kCatalogSelectAll = -1,
    kCatalogMenu = -2,       // F1: the Catalog menu
    kCatalogMaximize = -3,   // F11
    kCatalogContextMenu = -4,   // the Applications key: the shell's menu for the selection
    kCatalogWallpaper = -5,     // Ctrl+W: the focused picture as the Blackbox wallpaper, centred
};

// Commands the Catalog's own hooks post to it.
enum CatalogHookCommand : int {
    kCatalogTab = 1033,          // Tab: next folder, Shift+Tab: previous
    kCatalogShiftDown = 1034,    // Shift went down: the focused item anchors a range
    kCatalogShiftRange = 1035,   // a Shift selection changed: keep it one range
};

// The command for virtual key `key` with the modifiers held; 0 for none.
int CatalogKeyCommand(uint16_t key, bool shift, bool control, bool alt);
