// The menus and accelerators as the program loads them, held against the
// program's own tables of positions, settings and texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "../../resources/resource.h"
#include "commands/MenuLayout.h"
#include "commands/SettingCommands.h"
#include "config/Language.h"
#include "support/ResourceMenu.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

UINT FirstId(HMENU menu) { return GetMenuItemID(menu, 0); }
std::vector<WORD> received;
INT_PTR CALLBACK RecordCommands(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) received.push_back(LOWORD(wParam));
    return message == WM_INITDIALOG;
}
bool SeparatorAt(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
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
    EXPECT_EQ(std::multiset<UINT>(catalogIds.begin(), catalogIds.end()), Ids(g_menuTexts.catalogItems, kCatalogItemCount));
    CollectMenuTexts(main.Popup());
    CollectCatalogMenuTexts(catalog.Popup());
    for (const auto& [records, count] : {std::pair{g_menuTexts.items, kMenuItemCount}, {g_menuTexts.level2, kLevel2MenuCount},
                                         {g_menuTexts.level3, kLevel3MenuCount}, {g_menuTexts.catalogItems, kCatalogItemCount},
                                         {g_menuTexts.catalogLevel2, kCatalogLevel2Count}})
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(records[i].text[0] && wcslen(records[i].text) < size_t(kLangTextSize - 1)) << "id " << records[i].id;
    ResetLanguageTables();
}

// The layout table's submenus are where it says, each headed by its Pin and a
// separator; there are no others.
TEST(MenuResources, SubmenusSitAtTheLayoutPositionsUnderTheirPins) {
    const auto expectPinHead = [](HMENU sub, int pin) {
        ASSERT_NE(sub, nullptr) << "no submenu for pin " << pin;
        EXPECT_EQ(FirstId(sub), UINT(pin));
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

// Every switched or chosen setting has its item, which starts plain: only the
// descriptive lines and the Menu item start greyed, only Menu checked.
TEST(MenuResources, SettingRowsHaveTheirItemsAndItemsStartPlain) {
    ResourceMenu menu(IDM_POPUP);
    for (const ToggleRow& row : ToggleRows())
        EXPECT_TRUE(!row.command || ItemState(menu.Popup(), row.command) != UINT(-1)) << row.command;
    for (const ChoiceRow& row : ChoiceRows())
        for (int i = 0; i < row.count; ++i) EXPECT_NE(ItemState(menu.Popup(), row.first + i), UINT(-1)) << row.first + i;
    std::vector<UINT> ids;
    CommandItems(menu.Popup(), ids);
    for (const UINT id : ids) {
        const UINT state = ItemState(menu.Popup(), id);
        const bool note = id >= kCmdNoteStepShift && id <= kCmdNoteZoomFine;
        EXPECT_EQ((state & (MF_GRAYED | MF_DISABLED)) != 0, note || id == kCmdMenu) << id;
        EXPECT_EQ((state & MF_CHECKED) != 0, id == kCmdMenu) << id;
    }
}

// Each key is bound once, to an item of the viewer's menu.
TEST(MenuResources, AcceleratorsBindMenuCommandsOnce) {
    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCEL));
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> entries(size_t(CopyAcceleratorTableW(table, nullptr, 0)));
    CopyAcceleratorTableW(table, entries.data(), int(entries.size()));
    DestroyAcceleratorTable(table);
    ResourceMenu menu(IDM_POPUP);
    std::set<std::pair<int, int>> keys;
    for (const ACCEL& a : entries) {
        EXPECT_TRUE(keys.insert({a.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), a.key}).second) << "key " << a.key;
        EXPECT_NE(ItemState(menu.Popup(), a.cmd), UINT(-1)) << "command " << a.cmd << " is in no menu";
    }
    EXPECT_GT(entries.size(), 100u);
}

// The viewer's message loop: accelerators, then the dialog manager, then the
// window. Keys arrive as the system delivers them, with the modifiers held in
// the keyboard state, so typed characters exist only after translation; the
// keypad types the same characters, and Enter and Tab are commands, not
// dialog navigation.
TEST(ViewerKeys, TypedCharactersDialogKeysAndModifiedKeysAreCommands) {
    HWND window = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, RecordCommands, 0);
    HACCEL accelerators = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCEL));
    ASSERT_TRUE(window && accelerators);
    BYTE saved[256], keys[256];
    GetKeyboardState(saved);
    // The commands that reach the window for `vk` with `modifiers` (FSHIFT, FCONTROL, FALT); a
    // character is typed with whichever key types it on the current layout.
    const auto press = [&](WORD vk, BYTE modifiers, wchar_t typed) {
        if (typed) {
            const SHORT scan = VkKeyScanW(typed);
            vk = LOBYTE(scan);
            modifiers |= BYTE((HIBYTE(scan) & 1 ? FSHIFT : 0) | (HIBYTE(scan) & 2 ? FCONTROL : 0) | (HIBYTE(scan) & 4 ? FALT : 0));
        }
        memcpy(keys, saved, sizeof keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = (modifiers & FSHIFT) ? 0x80 : 0;
        keys[VK_CONTROL] = keys[VK_LCONTROL] = (modifiers & FCONTROL) ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = (modifiers & FALT) ? 0x80 : 0;
        SetKeyboardState(keys);
        received.clear();
        const LPARAM down = 1 | LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16 | ((modifiers & FALT) ? 1L << 29 : 0);
        PostMessageW(window, (modifiers & FALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!TranslateAcceleratorW(window, accelerators, &msg) && !IsDialogMessageW(window, &msg)) DispatchMessageW(&msg);
        return received;
    };
    const struct {
        WORD vk;
        BYTE modifiers;
        wchar_t typed;
        std::vector<WORD> commands;
    } cases[] = {
        {0, 0, L'!', {kCmdSlideshow}}, {0, FALT, L'+', {kCmdZoomIn}}, {0, 0, L'=', {kCmdZoom100}}, {0, 0, L'?', {kCmdHelp}},
        {VK_SUBTRACT, 0, 0, {kCmdZoomOut}}, {VK_RETURN, 0, 0, {kCmdSlideshow}}, {VK_TAB, FSHIFT, 0, {kCmdPrevFolder}},
        {'1', 0, 0, {kCmdRestorePreset1}}, {'1', FALT, 0, {kCmdSavePreset1}}, {'1', FCONTROL, 0, {kCmdLayoutTopLeft}},
        {'R', FCONTROL | FSHIFT, 0, {kCmdAspectFilter}}, {'X', 0, 0, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(press(c.vk, c.modifiers, c.typed), c.commands) << c.vk << " " << int(c.typed);
    SetKeyboardState(saved);
    DestroyAcceleratorTable(accelerators);
    DestroyWindow(window);
}
