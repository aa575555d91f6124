// Check marks and greyed items of the popup menus as the program's own menu
// resources carry them, and the pin rules that re-open menus.
#include <windows.h>

#include <gtest/gtest.h>

#include "../../resources/resource.h"
#include "app/AppState.h"
#include "commands/CommandIds.h"
#include "commands/MenuState.h"

namespace {

constexpr OsVersion kWindows7{6, 1};

BOOL WINAPI FakeSetLayered(HWND, COLORREF, BYTE, DWORD) { return TRUE; }

// Menu resource `id` of the test executable (it carries the program's resources).
class ResourceMenu {
public:
    explicit ResourceMenu(int id) : menu_(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id))) {}
    ~ResourceMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    ResourceMenu(const ResourceMenu&) = delete;
    ResourceMenu& operator=(const ResourceMenu&) = delete;
    HMENU Popup() const { return menu_ ? GetSubMenu(menu_, 0) : nullptr; }

private:
    HMENU menu_;
};

UINT StateOf(HMENU menu, UINT id) {
    const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    EXPECT_NE(state, static_cast<UINT>(-1)) << "no item " << id;
    return state == static_cast<UINT>(-1) ? 0 : state;
}
bool Checked(HMENU menu, UINT id) { return (StateOf(menu, id) & MF_CHECKED) != 0; }
bool Greyed(HMENU menu, UINT id) { return (StateOf(menu, id) & MF_GRAYED) != 0; }
bool CheckedAt(HMENU menu, UINT position) {
    return (GetMenuState(menu, position, MF_BYPOSITION) & MF_CHECKED) != 0;
}

// Ids in [first, last] that carry a check mark.
std::vector<UINT> CheckedIn(HMENU menu, UINT first, UINT last) {
    std::vector<UINT> ids;
    for (UINT id = first; id <= last; ++id) {
        if (Checked(menu, id)) ids.push_back(id);
    }
    return ids;
}

// Second-level Pin items that carry a check mark.
std::vector<UINT> CheckedSubmenuPins(HMENU menu) {
    std::vector<UINT> ids;
    for (UINT id : {2002, 2003, 2004, 2006, 2007, 2008, 2009, 2010, 2017, 2018, 2019, 2020, 2022, 2023, 2024,
                    2026, 2027}) {
        if (Checked(menu, id)) ids.push_back(id);
    }
    return ids;
}

// A state whose run-time flags are settled the way a running viewer has them.
struct MenuFixture : ::testing::Test {
    AppState s;
    ResourceMenu resource{IDM_POPUP};
    HMENU menu = nullptr;

    void SetUp() override {
        s.setLayeredWindowAttributes = &FakeSetLayered;
        menu = resource.Popup();
        ASSERT_NE(menu, nullptr);
    }
    void Mark(OsVersion version = kWindows7, bool isMain = true) { MarkViewerMenu(menu, isMain, s, version); }
};

using PopupMenuState = MenuFixture;

TEST_F(PopupMenuState, ChoicesAmongSeveralMarkExactlyTheCurrentOne) {
    s.sort = 1;
    s.sortby = 2;   // name
    s.loop = 2;
    s.layer = 1;
    s.layout = 5;
    s.zoomquality = 7;
    s.autofindtype = 3;
    s.fullscreenlayout = 5;
    Mark();
    EXPECT_EQ(CheckedIn(menu, ID_SORT_FORWARD, ID_SORT_RANDOM), std::vector<UINT>{ID_SORT_REVERSE});
    EXPECT_EQ(CheckedIn(menu, ID_SORT_TREE, ID_SORT_ACCESSED), std::vector<UINT>{ID_SORT_NAME});
    EXPECT_EQ(CheckedIn(menu, ID_LOOP_REPEAT, ID_LOOP_EXIT), std::vector<UINT>{ID_LOOP_EXIT});
    EXPECT_EQ(CheckedIn(menu, ID_LAYOUT_CENTERED, ID_LAYOUT_ROAMING), std::vector<UINT>{ID_LAYOUT_ROAMING});
    EXPECT_EQ(CheckedIn(menu, ID_ZOOM_QUALITY_DEFAULT, ID_ZOOM_QUALITY_BEST), std::vector<UINT>{ID_ZOOM_QUALITY_BEST});
    EXPECT_EQ(CheckedIn(menu, ID_AUTO_FIND_CREATED, ID_AUTO_FIND_ACCESSED), std::vector<UINT>{ID_AUTO_FIND_ACCESSED});
    EXPECT_EQ(CheckedIn(menu, ID_SCREEN_CENTERED, ID_SCREEN_ROAMING), std::vector<UINT>{ID_SCREEN_ROAMING});
    // Full screen marks its Slideshow item and its Screen item, not Windowed or Wallpaper.
    EXPECT_EQ(CheckedIn(menu, ID_WINDOWED, ID_WALLPAPER), std::vector<UINT>{ID_FULLSCREEN});
    EXPECT_TRUE(Checked(menu, ID_SCREEN_FULLSCREEN));
    EXPECT_FALSE(Checked(menu, ID_SCREEN_WALLPAPER));
}

TEST_F(PopupMenuState, ValuesOutsideAChoiceMarkNothingThere) {
    s.autofindtype = 0;
    s.zoomquality = 4;
    s.sortby = 9;
    s.fullscreenlayout = 2;
    Mark();
    EXPECT_TRUE(CheckedIn(menu, ID_AUTO_FIND_CREATED, ID_AUTO_FIND_ACCESSED).empty());
    EXPECT_TRUE(CheckedIn(menu, ID_ZOOM_QUALITY_DEFAULT, ID_ZOOM_QUALITY_BEST).empty());
    EXPECT_TRUE(CheckedIn(menu, ID_SORT_TREE, ID_SORT_ACCESSED).empty());
    EXPECT_TRUE(CheckedIn(menu, ID_SCREEN_CENTERED, ID_SCREEN_ROAMING).empty());
}

TEST_F(PopupMenuState, MousewheelMarksExactlyOneOfItsTwoItems) {
    for (bool wheelnav : {true, false}) {
        ResourceMenu fresh(IDM_POPUP);
        s.wheelnav = wheelnav;
        MarkViewerMenu(fresh.Popup(), true, s, kWindows7);
        EXPECT_EQ(Checked(fresh.Popup(), ID_MOUSEWHEEL_NAV), wheelnav);
        EXPECT_EQ(Checked(fresh.Popup(), ID_ZOOM_MOUSEWHEEL), !wheelnav);
    }
}

TEST_F(PopupMenuState, TransitionsAreMarkedByListMembership) {
    s.transitionList = {14, 0, 3};
    Mark();
    EXPECT_EQ(CheckedIn(menu, ID_SHUTTERS_RIGHT, ID_CROSSFADE),
              (std::vector<UINT>{ID_SHUTTERS_RIGHT, ID_SHUTTERS_UP, ID_CROSSFADE}));
    // The All and None actions are commands, never marked.
    EXPECT_FALSE(Checked(menu, ID_TRANSITIONS_ALL));
    EXPECT_FALSE(Checked(menu, ID_TRANSITIONS_NONE));
}

TEST_F(PopupMenuState, FormatsAndTheShapeFilterFollowTheirSettings) {
    s.bmp = false;
    s.emf = true;
    s.tif = true;
    s.landscapeOnly = true;
    s.portraitOnly = true;   // landscape wins
    Mark();
    EXPECT_EQ(CheckedIn(menu, ID_FORMAT_BMP, ID_FORMAT_TIF),
              (std::vector<UINT>{ID_FORMAT_EMF, ID_FORMAT_GIF, ID_FORMAT_JPG, ID_FORMAT_PNG, ID_FORMAT_TIF}));
    EXPECT_TRUE(Checked(menu, ID_LANDSCAPE));
    EXPECT_FALSE(Checked(menu, ID_PORTRAIT));
}

TEST_F(PopupMenuState, ResourceStatesOfDescriptiveLinesAndMenuItemSurvive) {
    Mark();
    for (UINT id = ID_NOTE_STEP_SHIFT; id <= ID_NOTE_ZOOM_FINE; ++id) {
        EXPECT_TRUE(StateOf(menu, id) & MF_DISABLED) << id;
    }
    EXPECT_TRUE(Checked(menu, ID_MENU));
    EXPECT_TRUE(StateOf(menu, ID_MENU) & MF_DISABLED);
}

TEST_F(PopupMenuState, PinsMarkTheMainMenuSecondAndThirdLevel) {
    s.menuPinned = true;
    s.pinnedSubmenu = 3;
    s.pinnedLevel3 = 16;
    s.pinnedLevel3Parent = 22;
    Mark();
    EXPECT_TRUE(Checked(menu, ID_PIN_MAIN));
    EXPECT_EQ(CheckedSubmenuPins(menu), std::vector<UINT>{2003});
    EXPECT_TRUE(Checked(menu, 3416));   // Presets
    EXPECT_FALSE(Checked(menu, 3417));  // Layout, same parent
    EXPECT_FALSE(Checked(menu, 3116));  // Scroll: position 16 of another parent

    ResourceMenu fresh(IDM_POPUP);
    s.menuPinned = false;
    s.pinnedSubmenu = -1;
    s.pinnedLevel3 = 12;
    s.pinnedLevel3Parent = 2;
    MarkViewerMenu(fresh.Popup(), true, s, kWindows7);
    EXPECT_FALSE(Checked(fresh.Popup(), ID_PIN_MAIN));
    EXPECT_TRUE(CheckedSubmenuPins(fresh.Popup()).empty());
    EXPECT_TRUE(Checked(fresh.Popup(), 3012));
    EXPECT_FALSE(Checked(fresh.Popup(), 3011));
}

TEST_F(PopupMenuState, TransparencyIsGreyWithoutTheLayeredEntryPoint) {
    Mark();
    EXPECT_FALSE(Greyed(menu, ID_BLEND));
    EXPECT_FALSE(Greyed(menu, ID_OPACITY));

    ResourceMenu fresh(IDM_POPUP);
    s.setLayeredWindowAttributes = nullptr;
    s.blend = true;
    MarkViewerMenu(fresh.Popup(), true, s, kWindows7);
    EXPECT_TRUE(Greyed(fresh.Popup(), ID_BLEND));
    EXPECT_TRUE(Greyed(fresh.Popup(), ID_OPACITY));
    EXPECT_TRUE(Checked(fresh.Popup(), ID_BLEND));   // the setting still shows
}

TEST(PopupMenuVersion, FitAndFillNeedVersionSixOne) {
    EXPECT_FALSE(HasFitAndFillWallpaper({5, 1}));
    EXPECT_FALSE(HasFitAndFillWallpaper({5, 2}));
    EXPECT_FALSE(HasFitAndFillWallpaper({6, 0}));
    EXPECT_TRUE(HasFitAndFillWallpaper({6, 1}));
    EXPECT_TRUE(HasFitAndFillWallpaper({6, 3}));
    EXPECT_TRUE(HasFitAndFillWallpaper({10, 0}));

    AppState s;
    for (OsVersion version : {OsVersion{6, 0}, OsVersion{10, 0}}) {
        ResourceMenu menu(IDM_POPUP);
        MarkViewerMenu(menu.Popup(), true, s, version);
        const bool old = version.major == 6;
        EXPECT_EQ(Greyed(menu.Popup(), ID_WALLPAPER_FIT), old);
        EXPECT_EQ(Greyed(menu.Popup(), ID_WALLPAPER_FILL), old);
        EXPECT_FALSE(Greyed(menu.Popup(), ID_WALLPAPER_STRETCH));
    }
}

TEST_F(PopupMenuState, BlackboxSmartWallpaperGreysClearAndRestore) {
    struct Case {
        bool present, smart, grey;
    };
    for (Case c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
        ResourceMenu fresh(IDM_POPUP);
        s.blackboxPresent = c.present;
        s.bbWallpaper = c.smart;
        MarkViewerMenu(fresh.Popup(), true, s, kWindows7);
        EXPECT_EQ(Greyed(fresh.Popup(), ID_WALLPAPER_CLEAR), c.grey) << c.present << c.smart;
        EXPECT_EQ(Greyed(fresh.Popup(), ID_WALLPAPER_RESTORE), c.grey) << c.present << c.smart;
        EXPECT_EQ(Checked(fresh.Popup(), ID_BLACKBOX_SHELL), c.present);
        EXPECT_EQ(Checked(fresh.Popup(), ID_SMART_WALLPAPER), c.smart);
    }
}

TEST_F(PopupMenuState, SubmenuNamesAreMarkedOnlyOnTheMainMenu) {
    s.slide = true;
    s.zoomHeld = true;
    s.currentRotation = 270;
    Mark(kWindows7, false);
    EXPECT_FALSE(CheckedAt(menu, 2));
    EXPECT_FALSE(CheckedAt(menu, 17));
    EXPECT_FALSE(CheckedAt(menu, 18));
    EXPECT_TRUE(Checked(menu, ID_SLIDESHOW));

    ResourceMenu fresh(IDM_POPUP);
    MarkViewerMenu(fresh.Popup(), true, s, kWindows7);
    EXPECT_TRUE(CheckedAt(fresh.Popup(), 2));
    EXPECT_TRUE(CheckedAt(fresh.Popup(), 17));
    EXPECT_TRUE(CheckedAt(fresh.Popup(), 18));
    EXPECT_FALSE(CheckedAt(fresh.Popup(), 19));   // Collage stays plain

    ResourceMenu still(IDM_POPUP);
    s.slide = false;
    s.zoomHeld = false;
    s.currentRotation = 0;
    MarkViewerMenu(still.Popup(), true, s, kWindows7);
    EXPECT_FALSE(CheckedAt(still.Popup(), 2));
    EXPECT_FALSE(CheckedAt(still.Popup(), 17));
    EXPECT_FALSE(CheckedAt(still.Popup(), 18));
}

TEST(CatalogMenuState, EnablesClipboardItemsAndMarksSettingsAndPins) {
    AppState s;
    s.subfolders = false;
    s.sort = 2;
    s.sortby = 5;
    s.sortcase = true;
    s.autorefresh = true;
    ResourceMenu resource(IDM_CATALOG);
    HMENU menu = resource.Popup();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(Greyed(menu, ID_PASTE));
    MarkCatalogMenu(menu, s, true, 19);
    for (UINT id : {ID_MOVE_RENAME, ID_COPY_FILE, ID_PASTE}) EXPECT_FALSE(Greyed(menu, id)) << id;
    EXPECT_FALSE(Checked(menu, ID_SUBFOLDERS));
    EXPECT_EQ(CheckedIn(menu, ID_SORT_FORWARD, ID_SORT_RANDOM), std::vector<UINT>{ID_SORT_RANDOM});
    EXPECT_EQ(CheckedIn(menu, ID_SORT_TREE, ID_SORT_ACCESSED), std::vector<UINT>{ID_SORT_ACCESSED});
    EXPECT_TRUE(Checked(menu, ID_SORT_CASE_SENSITIVE));
    EXPECT_TRUE(Checked(menu, ID_AUTO_REFRESH));
    EXPECT_TRUE(Checked(menu, ID_PIN_MAIN));
    EXPECT_TRUE(Checked(menu, 2019));
    EXPECT_FALSE(Checked(menu, 2018));
    EXPECT_FALSE(Checked(menu, 2020));

    ResourceMenu unpinned(IDM_CATALOG);
    MarkCatalogMenu(unpinned.Popup(), s, false, -1);
    EXPECT_FALSE(Checked(unpinned.Popup(), ID_PIN_MAIN));
    EXPECT_FALSE(Checked(unpinned.Popup(), 2019));
}

TEST(PopupMenuPins, EscapeWalksBackOutOneLevelAtATime) {
    MenuPins pins{true, 3, 11, 2};
    EXPECT_EQ(UnpinAfterDismissal(pins), 3);   // third level gone: the pinned Sort opens
    EXPECT_EQ(pins.pinnedLevel3, -1);
    EXPECT_EQ(pins.pinnedLevel3Parent, -1);
    EXPECT_EQ(UnpinAfterDismissal(pins), 0);   // second level gone: the main menu opens
    EXPECT_EQ(pins.pinnedSubmenu, -1);
    EXPECT_TRUE(pins.menuPinned);
    EXPECT_EQ(UnpinAfterDismissal(pins), -1);  // main menu unpinned: closed
    EXPECT_FALSE(pins.menuPinned);
    EXPECT_EQ(UnpinAfterDismissal(pins), -1);  // nothing pinned stays closed
    EXPECT_FALSE(pins.menuPinned);
}

TEST(PopupMenuPins, DismissedTransparencyOpensTheMainMenuOnlyWhenItIsPinned) {
    MenuPins alone{false, -1, 11, 2};
    EXPECT_EQ(UnpinAfterDismissal(alone), -1);
    MenuPins withMain{true, -1, 11, 2};
    EXPECT_EQ(UnpinAfterDismissal(withMain), 0);
    EXPECT_TRUE(withMain.menuPinned);
}

TEST(PopupMenuPins, AChoiceReopensTheDeepestPinnedMenu) {
    EXPECT_EQ(ReopenAfterCommand({false, -1, -1, -1}), -1);
    EXPECT_EQ(ReopenAfterCommand({true, -1, -1, -1}), 0);
    EXPECT_EQ(ReopenAfterCommand({false, 3, -1, -1}), 3);
    EXPECT_EQ(ReopenAfterCommand({true, 3, 17, 22}), 17);
}

TEST(PopupMenuPins, ThePointTravelsWithYRaisedByAHundred) {
    const WPARAM packed = PackMenuPoint(640, 480);
    EXPECT_EQ(LOWORD(packed), 640);
    EXPECT_EQ(HIWORD(packed), 580);
    for (POINT p : {POINT{640, 480}, POINT{0, 0}, POINT{-300, -90}, POINT{1279, -150}}) {
        const POINT back = UnpackMenuPoint(PackMenuPoint(p.x, p.y));
        EXPECT_EQ(back.x, p.x);
        EXPECT_EQ(back.y, p.y);
    }
}

}  // namespace
