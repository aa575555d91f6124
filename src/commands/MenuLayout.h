// Where the submenus sit in the two popup menus: the main menu of the viewer
// (menu 1000) and the Catalog menu (menu 104). The language tables, the check
// marks, the pins and the tests all take the positions from here.
#pragma once

#include <cstdint>

#include "commands/CommandIds.h"

// Submenus of the viewer's main menu, by position.
enum MainMenuPosition : int32_t {
    kMenuSlideshow = 2,
    kMenuSort = 3,
    kMenuNavigate = 4,
    kMenuView = 6,
    kMenuExhibit = 7,
    kMenuFind = 8,
    kMenuFavorites = 9,
    kMenuCatalog = 10,
    kMenuZoom = 17,
    kMenuRotate = 18,
    kMenuCollage = 19,
    kMenuTransitions = 20,
    kMenuWindow = 22,
    kMenuScreen = 23,
    kMenuShell = 24,
    kMenuSettings = 26,
    kMenuInfo = 27,
};

// The same, in the order the language file lists their names.
inline constexpr int32_t kMainSubmenus[] = {
    kMenuSlideshow, kMenuSort,        kMenuNavigate, kMenuView,   kMenuExhibit, kMenuFind,
    kMenuFavorites, kMenuCatalog,     kMenuZoom,     kMenuRotate, kMenuCollage, kMenuTransitions,
    kMenuWindow,    kMenuScreen,      kMenuShell,    kMenuSettings, kMenuInfo,
};

// A submenu's own Pin item: 2000 + its position in the menu above it.
constexpr int PinOfSubmenu(int32_t position) { return kCmdPinMain + position; }

// Third-level submenus: the main-menu submenu that holds them, their position
// inside it and their Pin item; in the language file's order.
struct NestedMenu {
    int32_t parent;
    int32_t position;
    int pin;
};
inline constexpr NestedMenu kNestedMenus[] = {
    {kMenuSlideshow, 11, kCmdPinTransparency}, {kMenuSlideshow, 12, kCmdPinLoop},
    {kMenuNavigate, 16, kCmdPinScroll},        {kMenuExhibit, 13, kCmdPinFormats},
    {kMenuFavorites, 10, kCmdPinArchive},      {kMenuWindow, 16, kCmdPinPresets},
    {kMenuWindow, 17, kCmdPinLayout},          {kMenuShell, 20, kCmdPinBlackbox},
};

// Submenus of the Catalog menu: Sort, Find and File Ops.
enum CatalogMenuPosition : int32_t { kCatalogMenuSort = 18, kCatalogMenuFind = 19, kCatalogMenuFileOps = 20 };
inline constexpr int32_t kCatalogSubmenus[] = {kCatalogMenuSort, kCatalogMenuFind, kCatalogMenuFileOps};
