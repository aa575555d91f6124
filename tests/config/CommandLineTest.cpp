// The command line: switches, value options, settings files and paths, and
// their order of precedence.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "commands/SettingCommands.h"
#include "support/TestFiles.h"

namespace {

// Runs the arguments through the parser the way start-up does (argv[0] is the program).
void Parse(AppState& state, std::vector<std::wstring> args) {
    std::wstring program = L"Oxbrill.exe";
    std::vector<LPWSTR> argv{program.data()};
    for (std::wstring& arg : args) argv.push_back(arg.data());
    state.ParseArguments(argv.data(), static_cast<int>(argv.size()));
}

std::string Name(const wchar_t* option) { return testing::PrintToString(std::wstring(option)); }

}  // namespace

TEST(CommandLineOptions, EverySettingRowSwitchSetsItsField) {
    for (const ToggleRow& row : ToggleRows()) {
        for (const bool on : {true, false}) {
            const wchar_t* option = on ? row.onSwitch : row.offSwitch;
            if (!option) continue;
            AppState state;
            state.*row.field = !on;
            if (row.clears) state.*row.clears = true;
            Parse(state, {option});
            EXPECT_EQ(state.*row.field, on) << Name(option);
            EXPECT_TRUE(!row.clears || !on || !(state.*row.clears)) << Name(option) << " clears its partner";
            // Off switches are the on switch with "no", but for a few named pairs.
            static const std::wstring kPairs = L" -ontop-notop -wheelnav-wheelzoom -quietscroll-animatescroll"
                                               L" -fullname-shortname -trayicon-taskbar ";
            if (on || !row.onSwitch) continue;
            const std::wstring on_ = row.onSwitch, off = option;
            EXPECT_TRUE(off == L"-no" + on_.substr(1) || kPairs.find(L" " + on_ + off + L" ") != std::wstring::npos)
                << Name(row.onSwitch) << " and " << Name(option);
        }
    }
    for (const ChoiceRow& row : ChoiceRows())
        for (int i = 0; i < row.count; ++i) {
            if (!row.switches[i]) continue;
            AppState state;
            state.*row.field = -7;
            Parse(state, {row.switches[i]});
            EXPECT_EQ(state.*row.field, row.values[i]) << Name(row.switches[i]);
        }
}

TEST(CommandLineOptions, NamedAndValueOptions) {
    const struct {
        const wchar_t* option;
        int32_t AppState::*field;
        int32_t value;
    } numbers[] = {
        {L"-windowed", &AppState::layer, 0}, {L"-fullscreen", &AppState::layer, 1}, {L"-wallpaper", &AppState::layer, 2},
        {L"-loopause", &AppState::loop, 1},  {L"-sortname", &AppState::sortby, 2},   {L"-zoombest", &AppState::zoomquality, 7},
        {L"-screenroam", &AppState::fullscreenlayout, 5}, {L"-autofindaccess", &AppState::autofindtype, 3},
        {L"-noautofind", &AppState::autofindtype, 0},
        // Value options: the second character picks the field, the rest is the number.
        {L"-t3000", &AppState::timer, 3000}, {L"-tabc", &AppState::timer, 0}, {L"-tilewal", &AppState::timer, 0},
        {L"-b200", &AppState::opacity, 200}, {L"-bogus", &AppState::opacity, 0}, {L"-z150", &AppState::zoom, 150},
        {L"-r-90", &AppState::rotation, -90},
    };
    for (const auto& c : numbers) {
        AppState state;
        state.*c.field = -7;
        Parse(state, {c.option});
        EXPECT_EQ(state.*c.field, c.value) << Name(c.option);
    }
    const struct {
        const wchar_t* option;
        bool AppState::*field;
        bool value;
    } flags[] = {{L"-notop", &AppState::ontop, false}, {L"-wheelzoom", &AppState::wheelnav, false},
                 {L"-taskbar", &AppState::trayicon, false}, {L"-noshell", &AppState::noShell, true},
                 {L"-preset1", &AppState::wrap, false}, {L"-preset5", &AppState::wrap, false}};
    for (const auto& c : flags) {
        AppState state;
        state.*c.field = !c.value;
        Parse(state, {c.option});
        EXPECT_EQ(state.*c.field, c.value) << Name(c.option);
    }
    // With the shell present its own wallpaper takes styles 1 to 3 only.
    const wchar_t* styles[] = {L"-centerwall", L"-tilewall", L"-stretchwall", L"-fitwall", L"-fillwall"};
    for (int style = 1; style <= 5; ++style) {
        AppState state;
        state.blackboxPresent = true;
        state.bbWallpaperStyle = -1;
        Parse(state, {styles[style - 1]});
        EXPECT_EQ(state.bbWallpaperStyle, style <= 3 ? style : -1) << style;
        EXPECT_EQ(state.timer, 5000) << "a wallpaper option is not a value option";
    }
    // Names are case-sensitive; short and unknown options are ignored.
    AppState state, reference;
    state.slide = false;
    Parse(state, {L"-Slide", L"-Fullscreen", L"-T3000", L"-Browse", L"-t", L"-z", L"-", L"--", L"-x500", L"-q1"});
    EXPECT_FALSE(state.slide);
    EXPECT_TRUE(state.layer == reference.layer && state.timer == reference.timer && state.zoom == reference.zoom);
}

TEST(CommandLineOptions, ZoomGivesWayToAFitModeAfterEveryOption) {
    const struct {
        std::vector<std::wstring> args;
        int32_t zoomBefore;
        bool stretchBefore;
        int32_t zoom;
    } cases[] = {
        {{L"-z150", L"-shrink"}, 0, false, 0},
        {{L"-shrink", L"-z150"}, 0, false, 150},   // the zoom option turns the fit modes off
        {{L"-nonsense"}, 120, true, 0},            // any option clears a file's zoom under a fit mode
        {{L"-noslide", L"-r90"}, 120, false, 120},
    };
    for (const auto& c : cases) {
        AppState state;
        state.zoom = c.zoomBefore;
        state.squeeze = state.shrink = false;
        state.stretch = c.stretchBefore;
        Parse(state, c.args);
        EXPECT_EQ(state.zoom, c.zoom) << testing::PrintToString(c.args);
        EXPECT_TRUE(!c.zoom || !(state.squeeze || state.shrink || state.stretch));
    }
}

// Settings files, folders and files on the command line.
class CommandLinePaths : public testing::Test {
protected:
    // A settings file holding the [Portable] folder and two [Slideshow] keys.
    std::wstring WriteSettings(const wchar_t* name, const std::wstring& startFolder, int32_t timer, bool slide) {
        const std::wstring path = scratch_.Path(name);
        WriteUtf16File(path, L"[Portable]\r\nfolder=" + startFolder + L"\r\n\r\n[Slideshow]\r\nslide=" +
                                 (slide ? L"TRUE" : L"FALSE") + L"\r\ntimer=" + std::to_wstring(timer) + L"\r\n");
        return path;
    }
    // Runs `test` with the scratch folder as the current directory.
    template <class Test> void InScratch(Test test) {
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        ASSERT_TRUE(SetCurrentDirectoryW(scratch_.Root().c_str()));
        test();
        SetCurrentDirectoryW(previous);
    }
    TempFolder scratch_{L"cfg"};
};

TEST_F(CommandLinePaths, ASettingsFileOverridesWhatStandsBeforeItOnly) {
    scratch_.Folder(L"a");
    scratch_.Folder(L"b");
    const std::wstring a = scratch_.Path(L"a"), b = scratch_.Path(L"b");
    const std::wstring ini = WriteSettings(L"other.ini", b, 7000, false);
    AppState before, after;
    Parse(before, {L"-t3000", L"-slide", a, ini});
    EXPECT_TRUE(before.timer == 7000 && !before.slide && before.exhibitFolder == b && before.settingsPath == ini);
    EXPECT_EQ(before.sortby, 1) << "keys the file lacks keep their defaults";
    Parse(after, {ini, L"-t3000", L"-slide", a});
    EXPECT_TRUE(after.timer == 3000 && after.slide && after.exhibitFolder == a);

    // A relative name with trailing blanks; a capital extension is a picture path, not settings.
    const std::wstring relative = WriteSettings(L"rel.ini", L"", 4321, true);
    scratch_.File(L"Upper.INI", "x");
    AppState rel, upper;
    wcscpy(upper.settingsPath, L"C:\\untouched.ini");
    InScratch([&] { Parse(rel, {L"rel.ini  "}); Parse(upper, {L"Upper.INI"}); });
    EXPECT_TRUE(rel.timer == 4321 && rel.settingsPath == relative);
    EXPECT_STREQ(upper.settingsPath, L"C:\\untouched.ini");
    EXPECT_EQ(upper.exhibit->CurrentPath(), scratch_.Path(L"Upper.INI"));
}

TEST_F(CommandLinePaths, FilesFoldersAndMissingPaths) {
    scratch_.File(L"Photo.JPG", "x");
    scratch_.Folder(L"pics");
    const std::wstring missing = scratch_.Path(L"gone\\nothing.jpg");
    const struct {
        std::wstring argument, folder, current;
    } cases[] = {
        {scratch_.Path(L"photo.jpg"), scratch_.Root(), scratch_.Path(L"Photo.JPG")},   // the name as stored
        {scratch_.Path(L"pics"), scratch_.Path(L"pics"), L""},
        {missing, missing, L""},
        {L"   ", L"C:\\kept", L""},
    };
    for (const auto& c : cases) {
        AppState state;
        wcscpy(state.exhibitFolder, L"C:\\kept");
        Parse(state, {c.argument});
        EXPECT_EQ(std::wstring(state.exhibitFolder), c.folder) << testing::PrintToString(c.argument);
        EXPECT_EQ(state.exhibit->CurrentPath(), c.current);
    }
}

TEST_F(CommandLinePaths, HostileArgumentsNeverCrashOrOverflow) {
    AppState state;
    wcscpy(state.settingsPath, L"C:\\untouched.ini");
    wcscpy(state.exhibitFolder, L"C:\\kept");
    // 1,000 random arguments (no backslash or colon: nothing may reach for a network share).
    const std::wstring alphabet = L"-tbzrTBZ.ini/*? \"'aA09\x00e9\x3042\x263a";
    std::mt19937 random(12345);
    std::vector<std::wstring> noise;
    for (int i = 0; i < 1000; ++i) {
        noise.emplace_back();
        for (int k = int(random() % 24); k > 0; --k) noise.back() += alphabet[random() % alphabet.size()];
    }
    InScratch([&] {
        // 10,000-character arguments: paths too long to hold are ignored, never cut short.
        Parse(state, {std::wstring(10000, L'a'), std::wstring(9996, L'b') + L".ini", std::wstring(10000, L' '),
                      L"-t" + std::wstring(9998, L'9'), L"-" + std::wstring(9999, L'x')});
        EXPECT_STREQ(state.exhibitFolder, L"C:\\kept");
        EXPECT_STREQ(state.settingsPath, L"C:\\untouched.ini");
        Parse(state, noise);
    });
    EXPECT_LT(wcsnlen(state.exhibitFolder, kPathSize), size_t(kPathSize));
    EXPECT_LT(wcsnlen(state.settingsPath, kPathSize), size_t(kPathSize));
    EXPECT_LT(state.exhibit->CurrentPath().size(), 260u);
}
