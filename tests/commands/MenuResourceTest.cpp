// The menus and accelerators as the program loads them, held against the
// program's own tables of positions, settings and texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../../resources/resource.h"
#include "commands/MenuLayout.h"
#include "config/Language.h"
#include "support/ResourceMenu.h"

namespace {

bool SeparatorAt(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info), info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(menu, UINT(position), TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

std::multiset<UINT> Ids(const LangRecord* records, int count) {
    std::multiset<UINT> ids;
    for (int i = 0; i < count; ++i) ids.insert(UINT(records[i].id));
    return ids;
}

}  // namespace

// Each item is a row of the language tables, and every row of those tables
// finds a text in the menus that fits its slot.
TEST(MenuResources, ItemsAreTheLanguageTablesRowsAndEachGivesItsText) {
    ResetLanguageTables();
    ResourceMenu main(IDM_POPUP), catalog(IDM_CATALOG);
    std::vector<UINT> mainIds, catalogIds;
    CommandItems(main.Popup(), mainIds);
    CommandItems(catalog.Popup(), catalogIds);
    EXPECT_EQ(std::multiset<UINT>(mainIds.begin(), mainIds.end()), Ids(g_menuTexts.items, kMenuItemCount));
    EXPECT_EQ(std::multiset<UINT>(catalogIds.begin(), catalogIds.end()),
              Ids(g_menuTexts.catalogItems, kCatalogItemCount));
    CollectMenuTexts(main.Popup());
    CollectCatalogMenuTexts(catalog.Popup());
    for (const auto& [records, count] :
         {std::pair{g_menuTexts.items, kMenuItemCount}, {g_menuTexts.level2, kLevel2MenuCount},
          {g_menuTexts.level3, kLevel3MenuCount}, {g_menuTexts.catalogItems, kCatalogItemCount},
          {g_menuTexts.catalogLevel2, kCatalogLevel2Count}})
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(records[i].text[0] && wcslen(records[i].text) < size_t(kLangTextSize - 1)) << records[i].id;
    ResetLanguageTables();
}

// The layout table's submenus are where it says, each headed by its Pin and a
// separator; there are no others.
TEST(MenuResources, SubmenusSitAtTheLayoutPositionsUnderTheirPins) {
    const auto expectPinHead = [](HMENU sub, int pin) {
        ASSERT_NE(sub, nullptr) << "no submenu for pin " << pin;
        EXPECT_EQ(GetMenuItemID(sub, 0), UINT(pin));
        EXPECT_TRUE(SeparatorAt(sub, 1)) << pin;
        EXPECT_FALSE(SeparatorAt(sub, GetMenuItemCount(sub) - 1)) << "trailing separator after pin " << pin;
    };
    for (const int id : {IDM_POPUP, IDM_CATALOG}) {
        ResourceMenu menu(id);
        const bool isMain = id == IDM_POPUP;
        expectPinHead(menu.Popup(), kCmdPinMain);
        std::set<int> positions;
        for (int i = 0; i < GetMenuItemCount(menu.Popup()); ++i)
            if (GetSubMenu(menu.Popup(), i)) positions.insert(i);
        EXPECT_EQ(positions, isMain ? std::set<int>(std::begin(kMainSubmenus), std::end(kMainSubmenus))
                                    : std::set<int>(std::begin(kCatalogSubmenus), std::end(kCatalogSubmenus)));
        for (const int position : positions) expectPinHead(GetSubMenu(menu.Popup(), position), PinOfSubmenu(position));
        if (!isMain) continue;
        for (const NestedMenu& nested : kNestedMenus)
            expectPinHead(GetSubMenu(GetSubMenu(menu.Popup(), nested.parent), nested.position), nested.pin);
    }
}

// Each key is bound once, to an item of the viewer's menu.
TEST(MenuResources, AcceleratorsBindMenuCommandsOnce) {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCEL));
    std::vector<ACCEL> entries(size_t(CopyAcceleratorTableW(table, nullptr, 0)));
    ASSERT_GT(CopyAcceleratorTableW(table, entries.data(), int(entries.size())), 0);
    DestroyAcceleratorTable(table);
    ResourceMenu menu(IDM_POPUP);
    std::set<std::pair<int, int>> keys;
    for (const ACCEL& a : entries) {
        EXPECT_TRUE(keys.insert({a.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), a.key}).second) << "key " << a.key;
        // Undo is a key only, so the menu keeps its layout.
        if (a.cmd != kCmdUndo) {
            EXPECT_NE(ItemState(menu.Popup(), a.cmd), UINT(-1)) << "command " << a.cmd << " is in no menu";
        }
    }
}
