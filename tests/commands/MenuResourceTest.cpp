// The menus, accelerators, dialogs, icon and manifest as the program loads
// them, held against the program's own tables of positions, settings and texts.
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
INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
bool SeparatorAt(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    return GetMenuItemInfoW(menu, UINT(position), TRUE, &info) && (info.fType & MFT_SEPARATOR);
}

std::set<UINT> Ids(const LangRecord* records, int count) {
    std::set<UINT> ids;
    for (int i = 0; i < count; ++i) ids.insert(UINT(records[i].id));
    return ids;
}

}  // namespace

// Each item once, each one a row of the language tables, and every row of
// those tables finds its text in the menus.
TEST(MenuResources, ItemsAreTheLanguageTablesRowsAndEachGivesItsText) {
    ResetLanguageTables();
    ResourceMenu main(IDM_POPUP), catalog(IDM_CATALOG);
    ASSERT_NE(main.Popup(), nullptr);
    ASSERT_NE(catalog.Popup(), nullptr);
    std::vector<UINT> mainIds, catalogIds;
    CommandItems(main.Popup(), mainIds);
    CommandItems(catalog.Popup(), catalogIds);
    EXPECT_EQ(std::set<UINT>(mainIds.begin(), mainIds.end()).size(), mainIds.size()) << "an item is repeated";
    EXPECT_EQ(std::set<UINT>(mainIds.begin(), mainIds.end()), Ids(g_menuTexts.items, kMenuItemCount));
    EXPECT_EQ(std::set<UINT>(catalogIds.begin(), catalogIds.end()), Ids(g_menuTexts.catalogItems, kCatalogItemCount));
    EXPECT_EQ(catalogIds.size(), size_t(kCatalogItemCount));

    CollectMenuTexts(main.Popup());
    CollectCatalogMenuTexts(catalog.Popup());
    const auto allFilled = [](const LangRecord* records, int count) {
        for (int i = 0; i < count; ++i) {
            const size_t length = wcslen(records[i].text);
            EXPECT_TRUE(length > 0 && length < size_t(kLangTextSize - 1)) << "row " << i << " id " << records[i].id;
        }
    };
    allFilled(g_menuTexts.items, kMenuItemCount);
    allFilled(g_menuTexts.level2, kLevel2MenuCount);
    allFilled(g_menuTexts.level3, kLevel3MenuCount);
    allFilled(g_menuTexts.catalogItems, kCatalogItemCount);
    allFilled(g_menuTexts.catalogLevel2, kCatalogLevel2Count);
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
// the keyboard state, so typed characters exist only after translation.
class ViewerKeys : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, &ViewerKeys::Proc, 0);
        accelerators_ = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCEL));
        ASSERT_TRUE(window_ && accelerators_);
        GetKeyboardState(saved_);
    }
    void TearDown() override {
        SetKeyboardState(saved_);
        DestroyAcceleratorTable(accelerators_);
        DestroyWindow(window_);
    }
    // The commands that reach the window when `vk` is pressed with `modifiers` (FSHIFT, FCONTROL, FALT).
    std::vector<WORD> Press(WORD vk, BYTE modifiers = 0) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = (modifiers & FSHIFT) ? 0x80 : 0;
        keys[VK_CONTROL] = keys[VK_LCONTROL] = (modifiers & FCONTROL) ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = (modifiers & FALT) ? 0x80 : 0;
        SetKeyboardState(keys);
        const LPARAM down = 1 | LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16 | ((modifiers & FALT) ? 1L << 29 : 0);
        received_.clear();
        PostMessageW(window_, (modifiers & FALT) ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            if (!TranslateAcceleratorW(window_, accelerators_, &msg) && !IsDialogMessageW(window_, &msg))
                DispatchMessageW(&msg);
        return received_;
    }
    // Presses whichever key types `ch` on the current keyboard layout.
    std::vector<WORD> Type(wchar_t ch, BYTE extra = 0) {
        const SHORT scan = VkKeyScanW(ch);
        if (scan == -1) return {};
        const BYTE shifts = HIBYTE(scan);
        return Press(LOBYTE(scan), BYTE(extra | (shifts & 1 ? FSHIFT : 0) | (shifts & 2 ? FCONTROL : 0) |
                                        (shifts & 4 ? FALT : 0)));
    }
    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND) received_.push_back(LOWORD(wParam));
        return message == WM_INITDIALOG;
    }
    static inline std::vector<WORD> received_;
    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
    BYTE saved_[256] = {};
};

TEST_F(ViewerKeys, TypedCharactersDialogKeysAndModifiedKeysAreCommands) {
    using V = std::vector<WORD>;
    EXPECT_EQ(Type(L'!'), V{kCmdSlideshow});
    EXPECT_EQ(Type(L'+', FALT), V{kCmdZoomIn});
    EXPECT_EQ(Type(L'='), V{kCmdZoom100});
    EXPECT_EQ(Type(L'?'), V{kCmdHelp});
    EXPECT_EQ(Press(VK_SUBTRACT), V{kCmdZoomOut}) << "the keypad types the same character";
    EXPECT_EQ(Press(VK_RETURN), V{kCmdSlideshow}) << "Enter must not press a default button";
    EXPECT_EQ(Press(VK_ESCAPE), V{kCmdExit});
    EXPECT_EQ(Press(VK_TAB, FSHIFT), V{kCmdPrevFolder}) << "Tab must not move the focus";
    EXPECT_EQ(Press('1'), V{kCmdRestorePreset1});
    EXPECT_EQ(Press('1', FALT), V{kCmdSavePreset1});
    EXPECT_EQ(Press('1', FCONTROL), V{kCmdLayoutTopLeft});
    EXPECT_EQ(Press('R', FCONTROL | FSHIFT), V{kCmdAspectFilter});
    EXPECT_EQ(Press('X'), V{}) << "an unbound key does nothing";
}

// The templates the code opens hold the controls it fills, of the kinds it reads.
TEST(DialogResources, TemplatesHoldTheControlsTheirCodeUses) {
    const struct {
        int id;
        std::vector<int> controls;
        int defaultButton;
    } dialogs[] = {
        {IDD_MAIN, {}, 0},
        {IDD_CATALOG, {}, 0},
        {IDD_NUMERIC, {IDC_VALUE, IDC_PROMPT}, IDOK},
        {IDD_PATH, {IDC_VALUE, IDC_BROWSE}, IDOK},
        {IDD_FIND, {IDC_VALUE, IDC_FIND_FILENAME_ONLY, IDC_FIND_MATCH_CASE, IDC_FIND_FIND, IDC_FIND_EXCLUDE},
         IDC_FIND_FILTER},
        {IDD_ABOUT, {IDC_ABOUT_ICON, IDC_ABOUT_TITLE, IDC_ABOUT_LINE2, IDC_ABOUT_FREEWARE, IDC_ABOUT_THANKS,
                     IDC_ABOUT_LANGUAGE}, IDOK},
        {IDD_HOTKEY, {IDC_PROMPT, IDC_HOTKEY_CONTROL, IDC_HOTKEY_SHIFT, IDC_HOTKEY_ALT, IDC_HOTKEY_WIN,
                      IDC_HOTKEY_CANCEL}, IDOK},
    };
    for (const auto& d : dialogs) {
        HWND dialog = CreateDialogParamW(Module(), MAKEINTRESOURCEW(d.id), nullptr, Quiet, 0);
        ASSERT_NE(dialog, nullptr) << d.id;
        EXPECT_FALSE(GetWindowLongPtrW(dialog, GWL_STYLE) & WS_VISIBLE) << d.id;
        for (const int control : d.controls) EXPECT_NE(GetDlgItem(dialog, control), nullptr) << d.id << ": " << control;
        const auto style = [dialog](int control) { return GetWindowLongPtrW(GetDlgItem(dialog, control), GWL_STYLE); };
        EXPECT_TRUE(!d.defaultButton || (style(d.defaultButton) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) << d.id;
        EXPECT_TRUE(d.id != IDD_NUMERIC || (style(IDC_VALUE) & ES_NUMBER)) << "digits only";
        for (int box = IDC_HOTKEY_CONTROL; d.id == IDD_HOTKEY && box <= IDC_HOTKEY_WIN; ++box)
            EXPECT_EQ(style(box) & BS_TYPEMASK, BS_AUTOCHECKBOX) << box;
        EXPECT_TRUE(d.id != IDD_ABOUT || SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0)) << "no icon";
        DestroyWindow(dialog);
    }
}

TEST(ProgramResources, IconInBothSizesAndManifestAskingForCommonControls6) {
    HRSRC group = FindResourceW(Module(), MAKEINTRESOURCEW(IDI_OXBRILL), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* directory = static_cast<const BYTE*>(LockResource(LoadResource(Module(), group)));
    std::set<int> sizes;
    for (int i = 0; i < (directory[4] | directory[5] << 8); ++i) sizes.insert(directory[6 + 14 * i]);
    EXPECT_TRUE(sizes.count(16) && sizes.count(32));
    HRSRC manifest = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(Module(), manifest))),
                          SizeofResource(Module(), manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_EQ(xml.find("dpiAware"), std::string::npos) << "the program lets Windows scale it";
}
