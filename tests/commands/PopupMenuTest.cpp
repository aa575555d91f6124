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
    HMENU Mark(bool isMain = true, OsVersion version = {6, 1}) {
        menu = std::make_unique<ResourceMenu>(IDM_POPUP);
        MarkViewerMenu(menu->Popup(), isMain, s, version);
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
            s.*row.field = on;
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

TEST_F(MenuMarks, ItemsMarkedByMoreThanTheirSetting) {
    // The mouse wheel marks one of its two items; landscape wins over portrait.
    for (const bool wheelnav : {true, false}) {
        s.wheelnav = wheelnav;
        const HMENU m = Mark();
        EXPECT_EQ(Checked(m, kCmdMousewheelNav), wheelnav);
        EXPECT_EQ(Checked(m, kCmdZoomMousewheel), !wheelnav);
    }
    s.landscapeOnly = s.portraitOnly = true;
    EXPECT_EQ(CheckedIn(Mark(), kCmdLandscape, kCmdPortrait), std::vector<UINT>{kCmdLandscape});
    s.landscapeOnly = false;
    EXPECT_EQ(CheckedIn(Mark(), kCmdLandscape, kCmdPortrait), std::vector<UINT>{kCmdPortrait});
    // Full screen marks its Slideshow and its Screen item; wallpaper likewise.
    s.layer = kLayerFullScreen;
    HMENU m = Mark();
    EXPECT_EQ(CheckedIn(m, kCmdWindowed, kCmdWallpaper), std::vector<UINT>{kCmdFullscreen});
    EXPECT_TRUE(Checked(m, kCmdScreenFullscreen) && !Checked(m, kCmdScreenWallpaper));
    s.layer = kLayerWallpaper;
    m = Mark();
    EXPECT_EQ(CheckedIn(m, kCmdWindowed, kCmdWallpaper), std::vector<UINT>{kCmdWallpaper});
    EXPECT_TRUE(Checked(m, kCmdScreenWallpaper) && !Checked(m, kCmdScreenFullscreen));
    // Transitions by list membership; All and None are commands, never marked.
    s.transitionList = {14, 0, 3};
    EXPECT_EQ(CheckedIn(Mark(), kCmdTransitionFirst, kCmdTransitionsNone),
              (std::vector<UINT>{kCmdShuttersRight, kCmdShuttersUp, kCmdCrossfade}));
    // Locks mark by their stored value.
    s.zoom = 150;
    s.rotation = 90;
    m = Mark();
    EXPECT_TRUE(Checked(m, kCmdZoomLock) && Checked(m, kCmdRotateLock));
}

TEST_F(MenuMarks, GreyedItems) {
    EXPECT_FALSE(Greyed(Mark(), kCmdBlend));
    s.setLayeredWindowAttributes = nullptr;
    s.blend = true;
    const HMENU m = Mark();
    EXPECT_TRUE(Greyed(m, kCmdBlend) && Greyed(m, kCmdOpacity));
    EXPECT_TRUE(Checked(m, kCmdBlend)) << "the setting still shows";
    // Fit and Fill wallpaper need version 6.1.
    for (const OsVersion v : {OsVersion{5, 2}, OsVersion{6, 0}, OsVersion{6, 1}, OsVersion{10, 0}}) {
        const bool old = v.major < 6 || (v.major == 6 && v.minor < 1);
        EXPECT_EQ(HasFitAndFillWallpaper(v), !old);
        const HMENU marked = Mark(true, v);
        EXPECT_EQ(Greyed(marked, kCmdWallpaperFit) && Greyed(marked, kCmdWallpaperFill), old) << v.major << v.minor;
        EXPECT_FALSE(Greyed(marked, kCmdWallpaperStretch));
    }
    // The shell's own wallpaper leaves nothing to clear or restore.
    for (const auto& [present, smart] : {std::pair{true, true}, {true, false}, {false, true}}) {
        s.blackboxPresent = present;
        s.bbWallpaper = smart;
        const HMENU marked = Mark();
        EXPECT_EQ(Greyed(marked, kCmdWallpaperClear), present && smart);
        EXPECT_EQ(Greyed(marked, kCmdWallpaperRestore), present && smart);
        EXPECT_EQ(Checked(marked, kCmdBlackboxShell), present);
    }
}

TEST_F(MenuMarks, PinsAndSubmenuMarks) {
    s.menuPinned = true;
    s.pinnedSubmenu = kMenuSort;
    s.pinnedLevel3 = 16;
    s.pinnedLevel3Parent = kMenuWindow;
    HMENU m = Mark();
    std::vector<UINT> pins;
    for (const int position : kMainSubmenus)
        if (Checked(m, UINT(PinOfSubmenu(position)))) pins.push_back(UINT(PinOfSubmenu(position)));
    EXPECT_EQ(pins, std::vector<UINT>{kCmdPinSort});
    EXPECT_TRUE(Checked(m, kCmdPinMain) && Checked(m, kCmdPinPresets));
    EXPECT_FALSE(Checked(m, kCmdPinLayout) || Checked(m, kCmdPinScroll)) << "same parent, or same position elsewhere";

    // Slideshow, Zoom and Rotate are marked by position, on the main menu only.
    s.slide = s.zoomHeld = true;
    s.currentRotation = 270;
    for (const bool isMain : {false, true}) {
        m = Mark(isMain);
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
        EXPECT_TRUE(Checked(menu, kCmdAutoRefresh));
        EXPECT_EQ(Checked(menu, kCmdPinMain), pinned);
        EXPECT_EQ(Checked(menu, UINT(PinOfSubmenu(kCatalogMenuFind))), pinned);
        EXPECT_FALSE(Checked(menu, UINT(PinOfSubmenu(kCatalogMenuSort))));
    }
}

TEST(MenuPinRules, DismissalWalksOutOneLevelAChoiceReopensTheDeepest) {
    MenuPins pins{true, kMenuSlideshow, 11, kMenuSlideshow};
    EXPECT_EQ(ReopenAfterCommand(pins), 11);
    const int32_t walk[] = {kMenuSlideshow, 0, -1, -1};   // third level, second, main menu, nothing left
    for (const int32_t reopened : walk) EXPECT_EQ(UnpinAfterDismissal(pins), reopened);
    EXPECT_TRUE(pins.pinnedLevel3 == -1 && pins.pinnedLevel3Parent == -1 && pins.pinnedSubmenu == -1);
    EXPECT_FALSE(pins.menuPinned);
    EXPECT_EQ(ReopenAfterCommand(pins), -1);
    EXPECT_EQ(ReopenAfterCommand({true, -1, -1, -1}), 0);
    EXPECT_EQ(ReopenAfterCommand({false, kMenuSort, -1, -1}), kMenuSort);
    // A pinned third level alone: dismissed, the main menu opens only when it is pinned too.
    MenuPins alone{false, -1, 11, kMenuSlideshow}, withMain{true, -1, 11, kMenuSlideshow};
    EXPECT_EQ(UnpinAfterDismissal(alone), -1);
    EXPECT_EQ(UnpinAfterDismissal(withMain), 0);

    // The re-open point travels with y raised by a hundred, signed both ways.
    EXPECT_EQ(PackMenuPoint(640, 480), MAKEWPARAM(640, 580));
    for (const POINT p : {POINT{0, 0}, POINT{-300, -90}, POINT{1279, -150}}) {
        const POINT back = UnpackMenuPoint(PackMenuPoint(p.x, p.y));
        EXPECT_TRUE(back.x == p.x && back.y == p.y) << p.x << "," << p.y;
    }
}
