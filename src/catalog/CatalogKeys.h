// The Catalog's keys: which command a key in the list runs. No windows here.
#pragma once

#include <cstdint>

// Not commands of the viewer: what only the Catalog does with a key.
enum CatalogKeyAction : int {
    kCatalogSelectAll = -1,
    kCatalogMenu = -2,       // F1: the Catalog menu
    kCatalogMaximize = -3,   // F11
    kCatalogContextMenu = -4,   // the Applications key: the shell's menu for the selection
};

// The command for virtual key `key` with the modifiers held; 0 for none.
int CatalogKeyCommand(uint16_t key, bool shift, bool control, bool alt);
