// Command gates, the numeric field and the command effects that need no window.
#include <gtest/gtest.h>

#include <memory>

#include "app/AppState.h"
#include "commands/CommandGates.h"
#include "commands/CommandIds.h"
#include "commands/MenuLayout.h"
#include "commands/Dialogs.h"
#include "support/TestFiles.h"

namespace {
bool Shown(const AppState& s, const wchar_t* key) { return s.formats.on[PictureFormatByKey(key)]; }
}  // namespace

TEST(CommandGates, NoShellShutsOutTheShellAndCatalogNoMenuAllBelowAboutButMenu) {
    const struct { int id; bool noShell, noMenu; } gated[] = {
        {1401, true, true},   {1456, true, true},  {1171, true, true},   {1457, false, true},  {1201, false, true},
        {1513, false, true},  {1511, false, false}, {1514, false, false}, {1515, false, false}, {2003, false, false}};
    for (const auto& c : gated) {
        EXPECT_EQ(IsCommandGated(c.id, true, false), c.noShell) << c.id;
        EXPECT_EQ(IsCommandGated(c.id, false, true), c.noMenu) << c.id;
        EXPECT_FALSE(IsCommandGated(c.id, false, false)) << c.id;
    }
    // The numeric field: digits only, empty is zero, too large is the largest.
    for (const auto& [text, value] : {std::pair{L"2500", 2500u}, {L"", 0u}, {L"abc", 0u}, {L"12ab", 12u},
                                      {L"99999999999", 0xFFFFFFFFu}})
        EXPECT_EQ(ParseUnsignedField(text), value) << testing::PrintToString(std::wstring(text));
}

// Commands carried out one after another on the same state, each with what it leaves.
TEST(Commands, TogglesChoicesAndPinsWithoutAWindow) {
    const std::pair<int, bool (*)(const AppState&)> steps[] = {
        // A present effect goes; an absent one is appended.
        {kCmdShuttersRight, [](const AppState& s) { return s.transitionList.front() == 1; }},
        {kCmdShuttersRight, [](const AppState& s) { return s.transitionList.back() == 0; }},
        {kCmdTransitionsNone, [](const AppState& s) { return s.transitionList.empty(); }},
        {kCmdTransitionsAll,
         [](const AppState& s) { return s.transitionList.size() == 15u && s.transitionList[14] == 14; }},
        {kCmdPinSort, [](const AppState& s) { return s.pinnedSubmenu == kMenuSort; }},
        {kCmdPinSort, [](const AppState& s) { return s.pinnedSubmenu == -1; }},
        {kCmdPinLayout, [](const AppState& s) { return s.pinnedLevel3 == 17 && s.pinnedLevel3Parent == kMenuWindow; }},
        {kCmdPinLayout, [](const AppState& s) { return s.pinnedLevel3 == -1 && s.pinnedLevel3Parent == -1; }},
        {kCmdAutoFindModified, [](const AppState& s) { return s.autofindtype == kAutoFindModified; }},
        // The auto-find type in force, chosen again, turns auto-find off.
        {kCmdAutoFindModified, [](const AppState& s) { return s.autofindtype == kAutoFindNone; }},
        {kCmdLoopExit, [](const AppState& s) { return s.loop == kLoopExit; }},
        // A format item turns its format over.
        {FormatCommand(PictureFormatByKey(L"heic")), [](const AppState& s) { return !Shown(s, L"heic"); }},
        {FormatCommand(PictureFormatByKey(L"jxl")), [](const AppState& s) { return !Shown(s, L"jxl"); }},
        {FormatCommand(PictureFormatByKey(L"heic")), [](const AppState& s) { return Shown(s, L"heic"); }},
    };
    auto s = std::make_unique<AppState>();
    // A format item reloads the folder shown: an empty one here.
    const TempFolder shown(L"formats");
    s->exhibit->SetViewedFolder(shown.Root());
    for (const auto& [command, holds] : steps) {
        s->ExecuteCommand(command);
        EXPECT_TRUE(holds(*s)) << command;
    }
    // The gates stand before every command.
    s->noMenu = true;
    s->ExecuteCommand(kCmdLoopRepeat);
    s->ExecuteCommand(kCmdPinMain);
    EXPECT_TRUE(s->loop == kLoopExit && s->menuPinned);
}
