// The command line: switches, value options, settings files and paths, and
// their order of precedence.
#include <gtest/gtest.h>

#include <cwchar>
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

bool Shown(const AppState& s, const wchar_t* key) { return s.formats.on[PictureFormatByKey(key)]; }

}  // namespace

TEST(CommandLineOptions, EverySettingRowSwitchSetsItsField) {
    for (const ToggleRow& row : ToggleRows()) {
        for (const bool on : {true, false}) {
            const wchar_t* option = on ? row.onSwitch : row.offSwitch;
            if (!option) continue;
            AppState state;
            Flag(state, row) = !on;
            if (row.clears) state.*row.clears = true;
            Parse(state, {option});
            EXPECT_EQ(Flag(state, row), on) << Name(option);
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

// Options of no setting row, value options, and zoom against the fit modes.
TEST(CommandLineOptions, NamedValueAndFitOptions) {
    const struct { std::vector<std::wstring> args; bool (*holds)(const AppState&); } cases[] = {
        {{L"-fullscreen"}, [](const AppState& s) { return s.layer == 1; }},
        {{L"-fullscreen", L"-windowed"}, [](const AppState& s) { return s.layer == kLayerWindowed; }},
        {{L"-loopexit", L"-loopause"}, [](const AppState& s) { return s.loop == 1; }},
        {{L"-zoombest"}, [](const AppState& s) { return s.zoomquality == 7; }},
        {{L"-screenroam"}, [](const AppState& s) { return s.fullscreenlayout == 5; }},
        {{L"-autofindaccess"}, [](const AppState& s) { return s.autofindtype == 3; }},
        {{L"-autofindaccess", L"-noautofind"}, [](const AppState& s) { return s.autofindtype == kAutoFindNone; }},
        {{L"-notop", L"-wheelzoom", L"-taskbar"},
         [](const AppState& s) { return !s.ontop && !s.wheelnav && !s.trayicon; }},
        {{L"-wrap", L"-preset1"}, [](const AppState& s) { return !s.wrap; }},
        // The format switches, the last one for a format winning.
        {{L"-nowebp", L"-noavif", L"-noheic", L"-nojxl", L"-tif", L"-noemf"},
         [](const AppState& s) {
             return !Shown(s, L"webp") && !Shown(s, L"avif") && !Shown(s, L"heic") && !Shown(s, L"jxl")
                 && Shown(s, L"tif") && !Shown(s, L"emf") && Shown(s, L"jpg");
         }},
        {{L"-nojxl", L"-noheic", L"-jxl", L"-heic", L"-noheif", L"-JXL"},
         [](const AppState& s) { return Shown(s, L"jxl") && Shown(s, L"heic"); }},
        // Value options: the second character picks the field, the rest is the number.
        {{L"-t3000", L"-b200", L"-z150", L"-r-90"},
         [](const AppState& s) { return s.timer == 3000 && s.opacity == 200 && s.zoom == 150 && s.rotation == -90; }},
        {{L"-t3000", L"-tabc"}, [](const AppState& s) { return s.timer == 0; }},
        {{L"-t3000", L"-tilewal"}, [](const AppState& s) { return s.timer == 0; }},   // a misspelt -tilewall
        {{L"-tilewall", L"-centerwall"}, [](const AppState& s) { return s.timer == 5000; }},   // no value options
        // Names are case-sensitive; short and unknown options are ignored.
        {{L"-noslide", L"-Slide", L"-Fullscreen", L"-T3000", L"-Browse", L"-t", L"-z", L"-", L"--", L"-x500", L"-q1"},
         [](const AppState& s) { return !s.slide && s.layer == kLayerWindowed && s.timer == 5000 && s.zoom == 0; }},
        // A zoom gives way to a fit mode after every option; the zoom option turns the fit modes off.
        {{L"-z150", L"-shrink"}, [](const AppState& s) { return s.zoom == 0 && s.shrink; }},
        {{L"-shrink", L"-z150"},
         [](const AppState& s) { return s.zoom == 150 && !s.squeeze && !s.shrink && !s.stretch; }},
    };
    for (const auto& c : cases) {
        AppState state;
        state.squeeze = state.shrink = state.stretch = false;
        Parse(state, c.args);
        EXPECT_TRUE(c.holds(state)) << testing::PrintToString(c.args);
    }
    // A zoom from the settings file under a fit mode is cleared by any option, even an ignored one.
    AppState fit, plain;
    fit.zoom = plain.zoom = 120;
    fit.stretch = true;
    plain.squeeze = plain.shrink = plain.stretch = false;
    Parse(fit, {L"-nonsense"});
    Parse(plain, {L"-noslide", L"-r90"});
    EXPECT_TRUE(fit.zoom == 0 && plain.zoom == 120);
}

// Settings files, folders and files on the command line, with the scratch
// folder as the current directory.
TEST(CommandLinePaths, SettingsFilesFoldersAndFiles) {
    TempFolder scratch{L"cfg"};
    for (const wchar_t* folder : {L"a", L"pics"}) scratch.Folder(folder);
    for (const wchar_t* file : {L"Photo.JPG", L"Upper.INI"}) scratch.File(file, "x");
    const std::wstring a = scratch.Path(L"a"), ini = scratch.Path(L"other.ini"), missing = scratch.Path(L"gone\\x.jpg");
    WriteUtf16File(ini, L"[Portable]\r\nfolder=" + scratch.Path(L"pics")
                   + L"\r\n[Slideshow]\r\nslide=FALSE\r\ntimer=7000\r\n");
    const struct { std::vector<std::wstring> args; int32_t timer; std::wstring folder, current, settings; } cases[] = {
        // A settings file overrides what stands before it only.
        {{L"-t3000", L"-slide", a, ini}, 7000, scratch.Path(L"pics"), L"", ini},
        {{ini, L"-t3000", L"-slide", a}, 3000, a, L"", ini},
        {{L"other.ini  "}, 7000, scratch.Path(L"pics"), L"", ini},   // relative, with trailing blanks
        // A capital extension makes a picture path, not settings.
        {{L"Upper.INI"}, 5000, scratch.Root(), scratch.Path(L"Upper.INI"), L"C:\\untouched.ini"},
        // A file is taken by the name it has on disk.
        {{L"photo.jpg"}, 5000, scratch.Root(), scratch.Path(L"Photo.JPG"), L"C:\\untouched.ini"},
        {{L"pics"}, 5000, scratch.Path(L"pics"), L"", L"C:\\untouched.ini"},
        {{missing}, 5000, missing, L"", L"C:\\untouched.ini"},
        {{L"   ", std::wstring(10000, L'a'), std::wstring(9996, L'b') + L".ini"}, 5000, L"C:\\kept", L"",
         L"C:\\untouched.ini"},
    };
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.Root().c_str()));
    for (const auto& c : cases) {
        AppState state;
        wcscpy(state.exhibitFolder, L"C:\\kept");
        wcscpy(state.settingsPath, L"C:\\untouched.ini");
        Parse(state, c.args);
        EXPECT_TRUE(state.timer == c.timer && state.exhibitFolder == c.folder && state.settingsPath == c.settings)
            << testing::PrintToString(c.args) << ": " << testing::PrintToString(std::wstring(state.exhibitFolder));
        EXPECT_EQ(state.exhibit->CurrentPath(), c.current);
        EXPECT_EQ(state.slide, c.timer != 7000) << "the file's value";
        EXPECT_TRUE(c.timer != 7000 || state.sortby == 1) << "keys the file lacks keep their defaults";
    }
    SetCurrentDirectoryW(previous);
}
