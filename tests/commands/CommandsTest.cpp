// Command gates, the numeric field and the command effects that need no window.
#include <gtest/gtest.h>

#include <memory>

#include "app/AppState.h"
#include "commands/CommandGates.h"
#include "commands/CommandIds.h"
#include "commands/Dialogs.h"

TEST(CommandGates, NoShellShutsOutTheShellAndCatalogNoMenuAllBelowAboutButMenu) {
    const struct {
        int id;
        bool noShell, noMenu;
    } gated[] = {{1401, true, true}, {1456, true, true}, {1171, true, true}, {1457, false, true}, {1201, false, true},
                 {1513, false, true}, {1511, false, false}, {1514, false, false}, {1515, false, false}, {2003, false, false}};
    for (const auto& c : gated) {
        EXPECT_EQ(IsCommandGated(c.id, true, false), c.noShell) << c.id;
        EXPECT_EQ(IsCommandGated(c.id, false, true), c.noMenu) << c.id;
        EXPECT_FALSE(IsCommandGated(c.id, false, false)) << c.id;
    }
    // The numeric field: digits only, empty is zero, too large is the largest.
    for (const auto& [text, value] : {std::pair{L"2500", 2500u}, {L"", 0u}, {L"abc", 0u}, {L"12ab", 12u}, {L"99999999999", 0xFFFFFFFFu}})
        EXPECT_EQ(ParseUnsignedField(text), value) << testing::PrintToString(std::wstring(text));
}

TEST(Commands, TogglesAndPinsWithoutAWindow) {
    auto s = std::make_unique<AppState>();
    // A transition toggle removes a present effect and appends an absent one; None and All.
    s->ExecuteCommand(kCmdShuttersRight);
    EXPECT_EQ(s->transitionList.front(), 1);
    s->ExecuteCommand(kCmdShuttersRight);
    EXPECT_EQ(s->transitionList.back(), 0);
    s->ExecuteCommand(kCmdTransitionsNone);
    EXPECT_TRUE(s->transitionList.empty());
    s->ExecuteCommand(kCmdTransitionsAll);
    EXPECT_TRUE(s->transitionList.size() == 15u && s->transitionList[14] == 14);
    // A pin pressed twice leaves nothing pinned; third-level pins carry their parent.
    const std::pair<int, std::pair<int32_t, int32_t>> pins[] = {
        {kCmdPinSort, {3, -1}}, {kCmdPinSort, {-1, -1}}, {kCmdPinLayout, {-1, 17}}, {kCmdPinLayout, {-1, -1}}};
    for (const auto& [command, state] : pins) {
        s->ExecuteCommand(command);
        EXPECT_TRUE(s->pinnedSubmenu == state.first && s->pinnedLevel3 == state.second) << command;
        EXPECT_EQ(s->pinnedLevel3Parent, state.second == -1 ? -1 : 22);
    }
    // Choosing the auto-find type in force again turns it off; the gates stand before every command.
    s->ExecuteCommand(kCmdAutoFindModified);
    EXPECT_EQ(s->autofindtype, kAutoFindModified);
    s->ExecuteCommand(kCmdAutoFindModified);
    EXPECT_EQ(s->autofindtype, kAutoFindNone);
    s->ExecuteCommand(kCmdLoopExit);
    s->noMenu = true;
    s->ExecuteCommand(kCmdLoopRepeat);
    s->ExecuteCommand(kCmdPinMain);
    EXPECT_TRUE(s->loop == kLoopExit && s->menuPinned);
}
