// A menu resource of the test executable, which carries the program's own
// resources, loaded as the program loads it, and the state of its items.
#pragma once

#include <windows.h>

#include <vector>

#include "commands/MenuState.h"

class ResourceMenu {
public:
    explicit ResourceMenu(int id) : menu_(LoadProgramMenu(GetModuleHandleW(nullptr), id)) {}
    ~ResourceMenu() { DestroyMenu(menu_); }
    ResourceMenu(const ResourceMenu&) = delete;
    ResourceMenu& operator=(const ResourceMenu&) = delete;
    // The popup the program shows: the first submenu of the resource.
    HMENU Popup() const { return GetSubMenu(menu_, 0); }

private:
    HMENU menu_;
};

// State bits of the item with command `id` anywhere below `menu`; -1 when there is none.
inline UINT ItemState(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND); }
inline bool Checked(HMENU menu, UINT id) {
    return ItemState(menu, id) != UINT(-1) && (ItemState(menu, id) & MF_CHECKED);
}

// The command items below `menu`, depth first, separators and submenus left out.
inline void CommandItems(HMENU menu, std::vector<UINT>& ids) {
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) CommandItems(sub, ids);
        else if (GetMenuItemID(menu, i) != 0) ids.push_back(GetMenuItemID(menu, i));   // separators have none
    }
}
