// Check marks and greyed items of the popup menus as the program's own menu
// resources carry them, and the pin rules that re-open menus.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "../../resources/resource.h"
#include "app/AppState.h"
#include "commands/MenuLayout.h"
#include "commands/MenuState.h"
#include "commands/SettingCommands.h"
#include "support/ResourceMenu.h"

namespace {

BOOL WINAPI FakeSetLayered(HWND, COLORREF, BYTE, DWORD) { return TRUE; }

bool Greyed(HMENU menu, UINT id) { return ItemState(menu, id) != UINT(-1) && (ItemState(menu, id) & MF_GRAYED); }
bool CheckedAt(HMENU menu, int position) { return GetMenuState(menu, UINT(position), MF_BYPOSITION) & MF_CHECKED; }
std::vector<UINT> CheckedIn(HMENU menu, UINT first, UINT last) {
    std::vector<UINT> ids;
    for (UINT id = first; id <= last; ++id)
        if (Checked(menu, id)) ids.push_back(id);
    return ids;
}

// Each Mark() marks a freshly loaded viewer menu for the state `s` of a running viewer.
struct MenuMarks : testing::Test {
    MenuMarks() { s.setLayeredWindowAttributes = &FakeSetLayered; }
    HMENU Mark(bool isMain = true, OsVersion version = {6, 1}, const AppState* state = nullptr) {
        menu = std::make_unique<ResourceMenu>(IDM_POPUP);
        MarkViewerMenu(menu->Popup(), isMain, state ? *state : s, version);
        return menu->Popup();
    }
    AppState s;
    std::unique_ptr<ResourceMenu> menu;
};

}  // namespace

TEST_F(MenuMarks, EverySettingRowMarksItsItemAndAChoiceExactlyOne) {
    for (const ToggleRow& row : ToggleRows()) {
        if (!row.command || row.checked) continue;
        for (const bool on : {true, false}) {
            Flag(s, row) = on;
            EXPECT_EQ(Checked(Mark(), row.command), on) << row.command;
        }
    }
    for (const ChoiceRow& row : ChoiceRows()) {
        const UINT last = row.first + UINT(row.count) - 1;
        for (int i = 0; i < row.count; ++i) {
            s.*row.field = row.values[i];
            EXPECT_EQ(CheckedIn(Mark(), row.first, last), std::vector<UINT>{row.first + UINT(i)});
        }
        s.*row.field = -1;
        EXPECT_TRUE(CheckedIn(Mark(), row.first, last).empty()) << "a value outside the choice, at " << row.first;
    }
}

// The Formats submenu: Pin, a separator and an item per format row, the first
// seven with the ids they always had, each checked while its format is shown.
TEST_F(MenuMarks, FormatItemsFollowTheFormatTable) {
    const std::vector<std::pair<UINT, std::wstring>> expected = {
        {1121, L"BMP"}, {1122, L"EMF"}, {1123, L"GIF"}, {1124, L"ICO"}, {1125, L"JPG"}, {1126, L"PNG"},
        {1127, L"TIF"}, {1181, L"WEBP"}, {1182, L"AVIF"}, {1183, L"HEIC"}, {1184, L"JXL"}};
    s.formats.on[PictureFormatByKey(L"avif")] = false;
    s.formats.on[PictureFormatByKey(L"ico")] = true;
    const HMENU formats = GetSubMenu(GetSubMenu(Mark(), kMenuExhibit), kNestedMenus[3].position);
    ASSERT_EQ(GetMenuItemID(formats, 0), UINT(kCmdPinFormats));
    std::vector<std::pair<UINT, std::wstring>> items;
    std::wstring checked;
    for (int i = 2; i < GetMenuItemCount(formats); ++i) {
        wchar_t text[32] = {};
        GetMenuStringW(formats, UINT(i), text, 32, MF_BYPOSITION);
        items.push_back({GetMenuItemID(formats, i), text});
        if (CheckedAt(formats, i)) checked += L" " + std::wstring(text);
    }
    EXPECT_EQ(items, expected);
    EXPECT_EQ(checked, L" BMP GIF ICO JPG PNG WEBP HEIC JXL");
}

// Items marked or greyed by more than a setting of their own, each case on a
// fresh running state.
TEST_F(MenuMarks, ItemsMarkedOrGreyedByTheState) {
    using Ids = std::vector<UINT>;
    const struct { void (*set)(AppState&); Ids checked, plain, greyed, enabled; } cases[] = {
        {[](AppState& s) { s.wheelnav = true; }, {kCmdMousewheelNav}, {kCmdZoomMousewheel}, {},
         {kCmdBlend, kCmdOpacity}},
        // Landscape wins when both shapes are asked for.
        {[](AppState& s) { s.landscapeOnly = s.portraitOnly = true; }, {kCmdLandscape}, {kCmdPortrait}, {}, {}},
        // The display mode, in the Slideshow menu and again in the Screen menu.
        {[](AppState& s) { s.layer = kLayerFullScreen; }, {kCmdFullscreen, kCmdScreenFullscreen},
         {kCmdWindowed, kCmdWallpaper, kCmdScreenWallpaper}, {}, {}},
        {[](AppState& s) { s.layer = kLayerWallpaper; }, {kCmdWallpaper, kCmdScreenWallpaper},
         {kCmdWindowed, kCmdFullscreen, kCmdScreenFullscreen}, {}, {}},
        // Transitions by list membership; All and None are commands, never marked.
        {[](AppState& s) { s.transitionList = {14, 0, 3}; }, {kCmdShuttersRight, kCmdShuttersUp, kCmdCrossfade},
         {kCmdShuttersLeft, kCmdTransitionsAll, kCmdTransitionsNone}, {}, {}},
        {[](AppState& s) { s.zoom = 150, s.rotation = 90; }, {kCmdZoomLock, kCmdRotateLock}, {}, {}, {}},
        // Pins of the main menu, the second level and the third (by parent and position).
        {[](AppState& s) { s.menuPinned = true, s.pinnedSubmenu = kMenuSort, s.pinnedLevel3 = 16,
                          s.pinnedLevel3Parent = kMenuWindow; },
         {kCmdPinMain, kCmdPinSort, kCmdPinPresets}, {kCmdPinLayout, kCmdPinScroll, kCmdPinWindow}, {}, {}},
        // Transparency needs the layered-window entry point; the setting still shows.
        {[](AppState& s) { s.setLayeredWindowAttributes = nullptr, s.blend = true; }, {kCmdBlend}, {},
         {kCmdBlend, kCmdOpacity}, {}},
        // The shell's own wallpaper leaves nothing to clear or restore.
        {[](AppState& s) { s.blackboxPresent = s.bbWallpaper = true; }, {kCmdBlackboxShell}, {},
         {kCmdWallpaperClear, kCmdWallpaperRestore}, {}},
        {[](AppState& s) { s.blackboxPresent = true, s.bbWallpaper = false; }, {}, {}, {},
         {kCmdWallpaperClear, kCmdWallpaperRestore}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        AppState state;
        state.setLayeredWindowAttributes = &FakeSetLayered;
        cases[i].set(state);
        const HMENU m = Mark(true, {6, 1}, &state);
        for (const UINT id : cases[i].checked) EXPECT_TRUE(Checked(m, id)) << "case " << i << ": " << id;
        for (const UINT id : cases[i].plain) EXPECT_FALSE(Checked(m, id)) << "case " << i << ": " << id;
        for (const UINT id : cases[i].greyed) EXPECT_TRUE(Greyed(m, id)) << "case " << i << ": " << id;
        for (const UINT id : cases[i].enabled) EXPECT_FALSE(Greyed(m, id)) << "case " << i << ": " << id;
    }
    // Fit and Fill wallpaper need version 6.1.
    for (const OsVersion v : {OsVersion{5, 2}, OsVersion{6, 0}, OsVersion{6, 1}, OsVersion{10, 0}}) {
        const bool old = v.major < 6 || (v.major == 6 && v.minor < 1);
        const HMENU m = Mark(true, v);
        EXPECT_TRUE(HasFitAndFillWallpaper(v) != old && Greyed(m, kCmdWallpaperFit) == old
                    && Greyed(m, kCmdWallpaperFill) == old);
        EXPECT_FALSE(Greyed(m, kCmdWallpaperStretch));
    }
    // Slideshow, Zoom and Rotate are marked by position, on the main menu only.
    s.slide = s.zoomHeld = true;
    s.currentRotation = 270;
    for (const bool isMain : {false, true}) {
        const HMENU m = Mark(isMain);
        for (const int position : {kMenuSlideshow, kMenuZoom, kMenuRotate}) EXPECT_EQ(CheckedAt(m, position), isMain);
        EXPECT_FALSE(CheckedAt(m, kMenuCollage));
    }
}

TEST(CatalogMarks, EnablesClipboardItemsAndMarksSettingsAndPins) {
    AppState s;
    s.sort = kSortRandom;
    s.autorefresh = true;
    for (const bool pinned : {true, false}) {
        ResourceMenu resource(IDM_CATALOG);
        const HMENU menu = resource.Popup();
        ASSERT_TRUE(Greyed(menu, kCmdPaste));
        MarkCatalogMenu(menu, s, pinned, pinned ? kCatalogMenuFind : -1);
        for (const UINT id : {kCmdMoveRename, kCmdCopyFile, kCmdPaste}) EXPECT_FALSE(Greyed(menu, id)) << id;
        EXPECT_EQ(CheckedIn(menu, kCmdSortForward, kCmdSortRandom), std::vector<UINT>{kCmdSortRandom});
        EXPECT_TRUE(Checked(menu, kCmdAutoRefresh) && !Checked(menu, UINT(PinOfSubmenu(kCatalogMenuSort))));
        EXPECT_TRUE(Checked(menu, kCmdPinMain) == pinned
                    && Checked(menu, UINT(PinOfSubmenu(kCatalogMenuFind))) == pinned);
    }
}

// A dismissal walks out one level at a time; a choice reopens the deepest
// pinned menu; the re-open point travels with y raised by a hundred.
TEST(MenuPinRules, DismissalChoiceAndPoint) {
    MenuPins pins{true, kMenuSlideshow, 11, kMenuSlideshow}, alone{false, -1, 11, kMenuSlideshow};
    EXPECT_EQ(ReopenAfterCommand(pins), 11);
    for (const int32_t reopened : {int32_t(kMenuSlideshow), 0, -1, -1}) EXPECT_EQ(UnpinAfterDismissal(pins), reopened);
    EXPECT_TRUE(pins.pinnedLevel3 == -1 && pins.pinnedLevel3Parent == -1 && pins.pinnedSubmenu == -1
                && !pins.menuPinned);
    EXPECT_EQ(UnpinAfterDismissal(alone), -1);
    EXPECT_EQ(ReopenAfterCommand({true, -1, -1, -1}), 0);
    EXPECT_EQ(ReopenAfterCommand({false, kMenuSort, -1, -1}), kMenuSort);
    EXPECT_EQ(PackMenuPoint(640, 480), MAKEWPARAM(640, 580));
    for (const POINT p : {POINT{0, 0}, POINT{-300, -90}, POINT{1279, -150}}) {
        const POINT back = UnpackMenuPoint(PackMenuPoint(p.x, p.y));
        EXPECT_TRUE(back.x == p.x && back.y == p.y) << p.x << "," << p.y;
    }
}
