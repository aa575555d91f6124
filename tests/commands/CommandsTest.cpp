// Command gates, the numeric field and the command effects that need no window.
#include <gtest/gtest.h>

#include <memory>

#include "app/AppState.h"
#include "commands/CommandGates.h"
#include "commands/Dialogs.h"
#include "support/TestFiles.h"

TEST(CommandGates, NoShellAndNoMenu) {
    // -noshell: the Shell menu and the Catalog only.
    EXPECT_TRUE(IsCommandGated(1401, true, false));
    EXPECT_TRUE(IsCommandGated(1456, true, false));
    EXPECT_TRUE(IsCommandGated(1171, true, false));
    EXPECT_FALSE(IsCommandGated(1457, true, false));
    EXPECT_FALSE(IsCommandGated(1515, true, false));
    EXPECT_FALSE(IsCommandGated(1201, true, false));
    // -nomenu: everything below About except Menu; Pins still work.
    EXPECT_TRUE(IsCommandGated(1201, false, true));
    EXPECT_TRUE(IsCommandGated(1513, false, true));
    EXPECT_FALSE(IsCommandGated(1511, false, true));
    EXPECT_FALSE(IsCommandGated(1514, false, true));
    EXPECT_FALSE(IsCommandGated(1515, false, true));
    EXPECT_FALSE(IsCommandGated(2003, false, true));
    EXPECT_FALSE(IsCommandGated(1201, false, false));
}

TEST(NumericField, DigitsOnlyAndEmptyIsZero) {
    EXPECT_EQ(ParseUnsignedField(L"2500"), 2500u);
    EXPECT_EQ(ParseUnsignedField(L""), 0u);
    EXPECT_EQ(ParseUnsignedField(L"abc"), 0u);
    EXPECT_EQ(ParseUnsignedField(L"12ab"), 12u);
    EXPECT_EQ(ParseUnsignedField(L"99999999999"), 0xFFFFFFFFu);
}

TEST(Commands, TogglesAndPinsWithoutAWindow) {
    auto s = std::make_unique<AppState>();
    // Transition toggles remove a present effect and append an absent one.
    s->ExecuteCommand(1251);
    EXPECT_EQ(s->transitionList.front(), 1);
    s->ExecuteCommand(1251);
    EXPECT_EQ(s->transitionList.back(), 0);
    s->ExecuteCommand(1267);
    EXPECT_TRUE(s->transitionList.empty());
    s->ExecuteCommand(1266);
    ASSERT_EQ(s->transitionList.size(), 15u);
    EXPECT_EQ(s->transitionList[14], 14);
    // A submenu pin pressed twice leaves nothing pinned; level-3 pins carry their parent.
    s->ExecuteCommand(2003);
    EXPECT_EQ(s->pinnedSubmenu, 3);
    s->ExecuteCommand(2003);
    EXPECT_EQ(s->pinnedSubmenu, -1);
    s->ExecuteCommand(3417);
    EXPECT_EQ(s->pinnedLevel3, 17);
    EXPECT_EQ(s->pinnedLevel3Parent, 22);
    s->ExecuteCommand(3417);
    EXPECT_EQ(s->pinnedLevel3, -1);
    EXPECT_EQ(s->pinnedLevel3Parent, -1);
    // Auto-find choices toggle back to none.
    s->ExecuteCommand(1117);
    EXPECT_EQ(s->autofindtype, 2);
    s->ExecuteCommand(1117);
    EXPECT_EQ(s->autofindtype, 0);
    // Loop settings and the gates in front of them.
    s->ExecuteCommand(1033);
    EXPECT_EQ(s->loop, 2);
    s->noMenu = true;
    s->ExecuteCommand(1031);
    EXPECT_EQ(s->loop, 2);
    s->ExecuteCommand(2000);
    EXPECT_TRUE(s->menuPinned);
}

TEST(Commands, ZoomCommandsFollowTheZoomRules) {
    auto s = std::make_unique<AppState>();
    s->currentZoom = 10;
    s->zoomstep = 10;
    s->ExecuteCommand(1212);   // Zoom Out at the step does nothing
    EXPECT_EQ(s->currentZoom, 10);
    EXPECT_FALSE(s->zoomHeld);
    s->ExecuteCommand(1211);
    EXPECT_EQ(s->currentZoom, 20);
    EXPECT_TRUE(s->zoomHeld);
    s->currentZoom = 100;
    s->ExecuteCommand(1215);   // Zoom Lock at 100% stores no lock
    EXPECT_EQ(s->zoom, 0);
    EXPECT_FALSE(s->squeeze);
    EXPECT_FALSE(s->shrink);
    s->collage = true;
    s->ExecuteCommand(1211);   // refused in collage mode
    EXPECT_EQ(s->currentZoom, 100);
}

// Shortcut To Desktop puts a shortcut to the shown picture into the desktop folder.
TEST(Commands, ShortcutToDesktopLinksTheShownPicture) {
    TempFolder tree(L"todesk");
    tree.File(L"pics\\beach.jpg");
    tree.Folder(L"desk");
    auto s = std::make_unique<AppState>();
    wcscpy(s->desktop, tree.Path(L"desk").c_str());
    s->exhibit->Assign({ImageEntry{tree.Path(L"pics\\beach.jpg")}});
    s->exhibit->MoveTo(0);
    s->ExecuteCommand(1154);
    s->ExecuteCommand(1154);
    EXPECT_NE(GetFileAttributesW(tree.Path(L"desk\\beach.jpg.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(tree.Path(L"desk\\beach.jpg-01.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
}
