// The command-line parser: options, value options, settings-file and path
// arguments, and their order of precedence.
#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"
#include "config/IniFile.h"

namespace {


// Runs the arguments through the parser the way start-up does (argv[0] is the program).
void Parse(AppState& state, std::vector<std::wstring> args) {
    std::wstring program = L"Oxbrill.exe";
    std::vector<LPWSTR> argv{program.data()};
    for (std::wstring& arg : args) argv.push_back(arg.data());
    state.ParseArguments(argv.data(), static_cast<int>(argv.size()));
}

void Touch(const std::wstring& path) { ASSERT_TRUE(WriteBytes(path, "x")); }

struct FlagCase {
    const wchar_t* option;
    bool AppState::*field;
    bool value;
};

struct NumberCase {
    const wchar_t* option;
    int32_t AppState::*field;
    int32_t value;
};

const FlagCase kFlagCases[] = {
    {L"-slide", &AppState::slide, true}, {L"-noslide", &AppState::slide, false},
    {L"-ontop", &AppState::ontop, true}, {L"-notop", &AppState::ontop, false},
    {L"-blend", &AppState::blend, true}, {L"-noblend", &AppState::blend, false},
    {L"-loopshuffle", &AppState::loopshuffle, true}, {L"-noloopshuffle", &AppState::loopshuffle, false},
    {L"-sortcase", &AppState::sortcase, true}, {L"-nosortcase", &AppState::sortcase, false},
    {L"-wheelnav", &AppState::wheelnav, true}, {L"-wheelzoom", &AppState::wheelnav, false},
    {L"-autoscroll", &AppState::autoscroll, true}, {L"-noautoscroll", &AppState::autoscroll, false},
    {L"-quietscroll", &AppState::quietautoscroll, true}, {L"-animatescroll", &AppState::quietautoscroll, false},
    {L"-subfolders", &AppState::subfolders, true}, {L"-nosubfolders", &AppState::subfolders, false},
    {L"-hidden", &AppState::hidden, true}, {L"-nohidden", &AppState::hidden, false},
    {L"-autorefresh", &AppState::autorefresh, true}, {L"-noautorefresh", &AppState::autorefresh, false},
    {L"-bmp", &AppState::bmp, true}, {L"-nobmp", &AppState::bmp, false},
    {L"-emf", &AppState::emf, true}, {L"-noemf", &AppState::emf, false},
    {L"-gif", &AppState::gif, true}, {L"-nogif", &AppState::gif, false},
    {L"-ico", &AppState::ico, true}, {L"-noico", &AppState::ico, false},
    {L"-jpg", &AppState::jpg, true}, {L"-nojpg", &AppState::jpg, false},
    {L"-png", &AppState::png, true}, {L"-nopng", &AppState::png, false},
    {L"-tif", &AppState::tif, true}, {L"-notif", &AppState::tif, false},
    {L"-removefail", &AppState::removefail, true}, {L"-noremovefail", &AppState::removefail, false},
    {L"-logerrors", &AppState::logerrors, true}, {L"-nologerrors", &AppState::logerrors, false},
    {L"-loglnkfail", &AppState::loglnkfail, true}, {L"-nologlnkfail", &AppState::loglnkfail, false},
    {L"-landscape", &AppState::landscapeOnly, true}, {L"-portrait", &AppState::portraitOnly, true},
    {L"-markexit", &AppState::markexit, true}, {L"-nomarkexit", &AppState::markexit, false},
    {L"-cathideview", &AppState::hideViewer, true}, {L"-nocathideview", &AppState::hideViewer, false},
    {L"-catlaunch", &AppState::launch, true}, {L"-nocatlaunch", &AppState::launch, false},
    {L"-wrap", &AppState::wrap, true}, {L"-nowrap", &AppState::wrap, false},
    {L"-crop", &AppState::crop, true}, {L"-nocrop", &AppState::crop, false},
    {L"-squeeze", &AppState::squeeze, true}, {L"-nosqueeze", &AppState::squeeze, false},
    {L"-shrink", &AppState::shrink, true}, {L"-noshrink", &AppState::shrink, false},
    {L"-stretch", &AppState::stretch, true}, {L"-nostretch", &AppState::stretch, false},
    {L"-aspect", &AppState::rotateaspect, true}, {L"-noaspect", &AppState::rotateaspect, false},
    {L"-exiforient", &AppState::exiforient, true}, {L"-noexiforient", &AppState::exiforient, false},
    {L"-collage", &AppState::collage, true}, {L"-nocollage", &AppState::collage, false},
    {L"-transitions", &AppState::transitions, true}, {L"-notransitions", &AppState::transitions, false},
    {L"-overlap", &AppState::overlap, true}, {L"-nooverlap", &AppState::overlap, false},
    {L"-title", &AppState::title, true}, {L"-notitle", &AppState::title, false},
    {L"-fullname", &AppState::fullname, true}, {L"-shortname", &AppState::fullname, false},
    {L"-statusbar", &AppState::statusbar, true}, {L"-nostatusbar", &AppState::statusbar, false},
    {L"-trayicon", &AppState::trayicon, true}, {L"-taskbar", &AppState::trayicon, false},
    {L"-decor", &AppState::decorate, true}, {L"-nodecor", &AppState::decorate, false},
    {L"-autocenter", &AppState::autocenter, true}, {L"-autocenter", &AppState::roamwindow, false},
    {L"-noautocenter", &AppState::autocenter, false}, {L"-roam", &AppState::roamwindow, true},
    {L"-roam", &AppState::autocenter, false}, {L"-noroam", &AppState::roamwindow, false},
    {L"-corral", &AppState::corral, true}, {L"-nocorral", &AppState::corral, false},
    {L"-draggable", &AppState::draggable, true}, {L"-nodraggable", &AppState::draggable, false},
    {L"-single", &AppState::singleinstance, true}, {L"-nosingle", &AppState::singleinstance, false},
    {L"-screenname", &AppState::fullscreenname, true}, {L"-noscreenname", &AppState::fullscreenname, false},
    {L"-screencursor", &AppState::fullscreencursor, true}, {L"-noscreencursor", &AppState::fullscreencursor, false},
    {L"-confirmdel", &AppState::confirmdelete, true}, {L"-noconfirmdel", &AppState::confirmdelete, false},
    {L"-confirmarc", &AppState::confirmarchive, true}, {L"-noconfirmarc", &AppState::confirmarchive, false},
    {L"-arclog", &AppState::archivelog, true}, {L"-noarclog", &AppState::archivelog, false},
    {L"-save", &AppState::savesettings, true}, {L"-nosave", &AppState::savesettings, false},
    {L"-savefolder", &AppState::savefolder, true}, {L"-nosavefolder", &AppState::savefolder, false},
    {L"-noshell", &AppState::noShell, true}, {L"-nomenu", &AppState::noMenu, true},
    {L"-preset1", &AppState::wrap, false}, {L"-preset5", &AppState::wrap, false},
};

const NumberCase kNumberCases[] = {
    {L"-windowed", &AppState::layer, 0}, {L"-fullscreen", &AppState::layer, 1},
    {L"-wallpaper", &AppState::layer, 2}, {L"-loop", &AppState::loop, 0},
    {L"-loopause", &AppState::loop, 1}, {L"-loopexit", &AppState::loop, 2},
    {L"-sortforward", &AppState::sort, 0}, {L"-sortreverse", &AppState::sort, 1},
    {L"-sortrandom", &AppState::sort, 2}, {L"-sorttree", &AppState::sortby, 0},
    {L"-sorttreestrict", &AppState::sortby, 1}, {L"-sortname", &AppState::sortby, 2},
    {L"-sortcreated", &AppState::sortby, 3}, {L"-sortmodified", &AppState::sortby, 4},
    {L"-sortaccessed", &AppState::sortby, 5}, {L"-autofindcreate", &AppState::autofindtype, 1},
    {L"-autofindmodify", &AppState::autofindtype, 2}, {L"-autofindaccess", &AppState::autofindtype, 3},
    {L"-noautofind", &AppState::autofindtype, 0}, {L"-zoomdef", &AppState::zoomquality, 0},
    {L"-zoomhigh", &AppState::zoomquality, 2}, {L"-zoombest", &AppState::zoomquality, 7},
    {L"-centered", &AppState::layout, 0}, {L"-topleft", &AppState::layout, 1},
    {L"-topright", &AppState::layout, 2}, {L"-bottomleft", &AppState::layout, 3},
    {L"-bottomright", &AppState::layout, 4}, {L"-screencenter", &AppState::fullscreenlayout, 0},
    {L"-screenroam", &AppState::fullscreenlayout, 5},
    // Value options: the second character picks the field, the rest is the number.
    {L"-t3000", &AppState::timer, 3000}, {L"-t0", &AppState::timer, 0},
    {L"-tabc", &AppState::timer, 0}, {L"-tilewal", &AppState::timer, 0},  // misspelt "-tilewall"
    {L"-b200", &AppState::opacity, 200}, {L"-bogus", &AppState::opacity, 0},
    {L"-z150", &AppState::zoom, 150}, {L"-r90", &AppState::rotation, 90},
    {L"-r-90", &AppState::rotation, -90},
};

TEST(CommandLineOptions, EveryNamedOptionSetsItsField) {
    for (const FlagCase& c : kFlagCases) {
        AppState state;
        state.*c.field = !c.value;
        Parse(state, {c.option});
        EXPECT_EQ(state.*c.field, c.value) << "option " << testing::PrintToString(std::wstring(c.option));
    }
    for (const NumberCase& c : kNumberCases) {
        AppState state;
        state.*c.field = -7;
        Parse(state, {c.option});
        EXPECT_EQ(state.*c.field, c.value) << "option " << testing::PrintToString(std::wstring(c.option));
    }
}

TEST(CommandLineOptions, WallpaperStylesGoToTheShellWhenItIsPresent) {
    const struct {
        const wchar_t* option;
        int32_t style;
    } cases[] = {
        {L"-centerwall", 1}, {L"-tilewall", 2}, {L"-stretchwall", 3}, {L"-fitwall", -1}, {L"-fillwall", -1},
    };
    for (const auto& c : cases) {
        AppState state;
        state.blackboxPresent = true;
        state.bbWallpaperStyle = -1;
        Parse(state, {c.option});
        EXPECT_EQ(state.bbWallpaperStyle, c.style) << testing::PrintToString(std::wstring(c.option));
        EXPECT_EQ(state.timer, 5000) << "a wallpaper option is not a value option";
    }
}

TEST(CommandLineOptions, NamesAreCaseSensitive) {
    AppState state;
    state.slide = false;
    state.layer = 0;
    Parse(state, {L"-Slide", L"-SLIDE", L"-Fullscreen", L"-T3000", L"-Browse"});
    EXPECT_FALSE(state.slide);
    EXPECT_EQ(state.layer, 0);
    EXPECT_EQ(state.timer, 5000);
}

TEST(CommandLineOptions, ShortAndUnknownOptionsAreIgnored) {
    AppState state;
    Parse(state, {L"-t", L"-b", L"-z", L"-", L"--", L"-x500", L"-unknown", L"-q1"});
    AppState reference;
    EXPECT_EQ(state.timer, reference.timer);
    EXPECT_EQ(state.opacity, reference.opacity);
    EXPECT_EQ(state.rotation, reference.rotation);
    EXPECT_EQ(state.squeeze, reference.squeeze);
}

TEST(CommandLineOptions, ZoomGivesWayToAFitModeAfterEveryOption) {
    {
        AppState state;
        Parse(state, {L"-z150", L"-shrink"});
        EXPECT_EQ(state.zoom, 0);
        EXPECT_TRUE(state.shrink);
    }
    {
        AppState state;
        Parse(state, {L"-shrink", L"-z150"});
        EXPECT_EQ(state.zoom, 150);
        EXPECT_FALSE(state.squeeze);
        EXPECT_FALSE(state.shrink);
        EXPECT_FALSE(state.stretch);
    }
    {
        // A zoom from the settings file with a fit mode on is cleared by any option,
        // even one that is ignored.
        AppState state;
        state.zoom = 120;
        state.stretch = true;
        Parse(state, {L"-nonsense"});
        EXPECT_EQ(state.zoom, 0);
    }
    {
        AppState state;
        state.zoom = 120;
        state.squeeze = state.shrink = state.stretch = false;
        Parse(state, {L"-noslide", L"-r90"});
        EXPECT_EQ(state.zoom, 120);
    }
}

// Settings files, folders and files on the command line.
class CommandLinePaths : public testing::Test {
protected:
    // A settings file holding only [Portable] folder and two [Slideshow] keys.
    std::wstring WriteSettings(const wchar_t* name, const std::wstring& startFolder, int32_t timer, bool slide) {
        const std::wstring path = scratch_.Path(name);
        wchar_t folder[kPathSize] = {};
        wcsncpy(folder, startFolder.c_str(), kPathSize - 1);
        bool slideValue = slide;
        int32_t timerValue = timer;
        const IniEntry portable[] = {{L"folder", kIniString, folder}, {nullptr, 0, nullptr}};
        const IniEntry slideshow[] = {
            {L"slide", kIniBool, &slideValue}, {L"timer", kIniLong, &timerValue}, {nullptr, 0, nullptr}};
        IniFile file;
        file.Open(path.c_str(), 1);
        file.WriteSection(portable, L"[Portable]");
        file.WriteSection(slideshow, L"[Slideshow]");
        file.Close();
        return path;
    }

    std::wstring Subfolder(const wchar_t* name) {
        const std::wstring path = scratch_.Path(name);
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    TempFolder scratch_{L"cfg"};
};

TEST_F(CommandLinePaths, SettingsFileOverridesWhatStandsBeforeItOnly) {
    const std::wstring folderA = Subfolder(L"a");
    const std::wstring folderB = Subfolder(L"b");
    const std::wstring ini = WriteSettings(L"other.ini", folderB, 7000, false);
    {
        AppState state;
        Parse(state, {L"-t3000", L"-slide", folderA, ini});
        EXPECT_EQ(state.timer, 7000);
        EXPECT_FALSE(state.slide);
        EXPECT_EQ(std::wstring(state.exhibitFolder), folderB);
        EXPECT_EQ(std::wstring(state.settingsPath), ini);
        EXPECT_EQ(state.sortby, 1) << "keys the file lacks keep their defaults";
    }
    {
        AppState state;
        Parse(state, {ini, L"-t3000", L"-slide", folderA});
        EXPECT_EQ(state.timer, 3000);
        EXPECT_TRUE(state.slide);
        EXPECT_EQ(std::wstring(state.exhibitFolder), folderA);
    }
}

TEST_F(CommandLinePaths, RelativeSettingsFileWithTrailingBlanks) {
    const std::wstring ini = WriteSettings(L"rel.ini", L"", 4321, true);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch_.Root().c_str()));
    AppState state;
    Parse(state, {L"rel.ini  "});
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(state.timer, 4321);
    EXPECT_EQ(std::wstring(state.settingsPath), ini);
}

TEST_F(CommandLinePaths, CapitalIniExtensionIsAPath) {
    const std::wstring upper = scratch_.Path(L"Upper.INI");
    Touch(upper);
    AppState state;
    wcscpy(state.settingsPath, L"C:\\untouched.ini");
    Parse(state, {upper});
    EXPECT_EQ(std::wstring(state.settingsPath), L"C:\\untouched.ini");
    EXPECT_EQ(std::wstring(state.exhibitFolder), scratch_.Root());
    EXPECT_EQ(state.exhibit->CurrentPath(), upper);
}

TEST_F(CommandLinePaths, FileArgumentTakesTheNameAsStoredOnDisk) {
    Touch(scratch_.Path(L"Photo.JPG"));
    AppState state;
    Parse(state, {scratch_.Path(L"photo.jpg")});
    EXPECT_EQ(std::wstring(state.exhibitFolder), scratch_.Root());
    EXPECT_EQ(state.exhibit->CurrentPath(), scratch_.Path(L"Photo.JPG"));
}

TEST_F(CommandLinePaths, FolderAndMissingPathsBecomeTheExhibitRoot) {
    const std::wstring folder = Subfolder(L"pics");
    {
        AppState state;
        Parse(state, {folder});
        EXPECT_EQ(std::wstring(state.exhibitFolder), folder);
        EXPECT_TRUE(state.exhibit->CurrentPath().empty());
    }
    {
        const std::wstring missing = scratch_.Path(L"gone\\nothing.jpg");
        AppState state;
        Parse(state, {missing});
        EXPECT_EQ(std::wstring(state.exhibitFolder), missing);
        EXPECT_TRUE(state.exhibit->CurrentPath().empty());
    }
    {
        AppState state;
        wcscpy(state.exhibitFolder, L"C:\\kept");
        Parse(state, {L"   ", L""});
        EXPECT_EQ(std::wstring(state.exhibitFolder), L"C:\\kept");
    }
}

bool Terminated(const wchar_t* buffer) { return wcsnlen(buffer, kPathSize) < static_cast<size_t>(kPathSize); }

TEST_F(CommandLinePaths, HostileArgumentsNeverCrashOrOverflow) {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch_.Root().c_str()));

    AppState state;
    wcscpy(state.settingsPath, L"C:\\untouched.ini");
    wcscpy(state.exhibitFolder, L"C:\\kept");
    // 10,000-character arguments: paths too long to hold are ignored, never cut short.
    Parse(state, {std::wstring(10000, L'a'), std::wstring(9996, L'b') + L".ini", std::wstring(10000, L' '),
                  L"-t" + std::wstring(9998, L'9'), L"-" + std::wstring(9999, L'x'),
                  L"-z" + std::wstring(9998, L'-')});
    EXPECT_EQ(std::wstring(state.exhibitFolder), L"C:\\kept");
    EXPECT_EQ(std::wstring(state.settingsPath), L"C:\\untouched.ini");

    // 1,000 random arguments (no backslash or colon: nothing may reach for a network share).
    const std::wstring alphabet = L"-tbzrTBZ.ini/*? \"'aA09\x00e9\x3042\x263a";
    std::mt19937 random(12345);
    std::vector<std::wstring> args;
    for (int i = 0; i < 1000; ++i) {
        std::wstring arg;
        const int length = static_cast<int>(random() % 24);
        for (int k = 0; k < length; ++k) arg += alphabet[random() % alphabet.size()];
        args.push_back(arg);
    }
    Parse(state, args);
    SetCurrentDirectoryW(previous);

    EXPECT_TRUE(Terminated(state.exhibitFolder));
    EXPECT_TRUE(Terminated(state.settingsPath));
    EXPECT_LT(state.exhibit->CurrentPath().size(), 260u);
    if (state.squeeze || state.shrink || state.stretch) {
        EXPECT_EQ(state.zoom, 0);
    }
}

}  // namespace
