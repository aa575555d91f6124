// The configuration as the running program handles it: the translation
// template, and command lines and language files that make no sense.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr const wchar_t* kQuiet = L"[Slideshow]\r\nslide=FALSE\r\n";

// Runs the viewer until it ends by itself; tells whether any of its windows
// became visible meanwhile. Returns the exit code, -1 when it did not end.
int RunToExit(Viewer& viewer, const std::wstring& arguments, bool& sawWindow) {
    sawWindow = false;
    if (!viewer.Start(arguments)) return -1;
    WaitUntil([&] {
        sawWindow = sawWindow || viewer.WaitForWindow(0) || viewer.WaitForDialog(nullptr, 0).window;
        return !viewer.Running();
    }, 10000);
    return viewer.WaitForExit(0);
}

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring Quote(const std::wstring& argument) {
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    return out.append(backslashes * 2, L'\\') + L"\"";
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) line += (line.empty() ? L"" : L" ") + Quote(argument);
    return line;
}

// Starts a viewer on one picture with quiet settings, expects its window and a clean end.
std::wstring StartShowAndClose(Viewer& viewer, const std::wstring& arguments) {
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(120, 0, 120));
    viewer.WriteSettings(kQuiet);
    EXPECT_TRUE(viewer.Launch(arguments)) << "no window (exit code " << viewer.WaitForExit(0) << ")";
    return viewer.SavedSettings();
}

}  // namespace

TEST(Configuration, TranslateWritesTheTemplateWithoutAWindowAndKeepsTheOldFileAsBak) {
    Viewer viewer;
    const std::wstring language = viewer.ProgramFile(L"oxbrill.lang.ini"), backup = language + L".bak";
    bool sawWindow = true;
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_FALSE(sawWindow);
    EXPECT_FALSE(FileExists(backup)) << "no language file existed, so there is nothing to back up";

    const std::string firstBytes = ReadBytes(language);
    const std::wstring text = ReadUtf16File(language);
    ASSERT_FALSE(text.empty());
    std::vector<std::wstring> sections;
    size_t rows = 0;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = std::min(text.find(L"\r\n", at), text.size());
        const std::wstring line = text.substr(at, end - at);
        if (line.empty()) continue;
        if (line[0] == L'[') {
            sections.push_back(line);
        } else if (sections.size() > 1) {   // every translatable row reads text=text, no slot empty
            const size_t half = (line.size() - 1) / 2;
            EXPECT_TRUE(line.size() >= 3 && line[half] == L'=' && line.substr(0, half) == line.substr(half + 1))
                << testing::PrintToString(line);
            ++rows;
        }
    }
    EXPECT_EQ(sections, (std::vector<std::wstring>{L"[Language]", L"[Menu Items]", L"[Level2 Menus]",
                                                   L"[Level3 Menus]", L"[Dialogs]", L"[Messages]", L"[Catalog Menu]",
                                                   L"[Catalog Level2]"}));
    EXPECT_GT(rows, 300u);
    EXPECT_EQ(text.rfind(L"[Language]\r\nOxbrill=1.00\r\nLanguage=English\r\n", 0), 0u);
    EXPECT_NE(text.find(L"\r\nTimer...\tCtrl+T=Timer...\tCtrl+T\r\n"), std::wstring::npos);

    // A translated file goes to .bak, and the template again holds the
    // built-in texts: the file is not read first.
    WriteUtf16File(language, L"[Dialogs]\r\n&Ok=&Gut\r\n[Level2 Menus]\r\nSlideshow=Diaschau\r\n");
    const std::string translated = ReadBytes(language);
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_EQ(ReadBytes(backup), translated);
    EXPECT_EQ(ReadBytes(language), firstBytes);
    // A third run replaces the older .bak.
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_EQ(ReadBytes(backup), firstBytes);
    EXPECT_FALSE(FileExists(backup + L".bak"));
}

// Random command lines. Names that would end the run or leave the desktop
// (template, folder picker, wallpaper mode and styles, the Catalog instead of
// the viewer, single instance, loop exit, tray, full screen) are never used.
TEST(Configuration, ThousandRandomArgumentsStillStartAndClose) {
    const std::set<std::wstring> skipped = {L"-translate", L"-browse",    L"-wallpaper", L"-centerwall", L"-tilewall",
                                            L"-stretchwall", L"-fitwall", L"-fillwall",  L"-clearwall",  L"-catlaunch",
                                            L"-single",    L"-loopexit",  L"-trayicon",  L"-fullscreen"};
    std::mt19937 random(20240611);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const std::wstring letters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";
    std::vector<std::wstring> arguments;
    while (arguments.size() < 999) {
        std::wstring argument;
        const int kind = pick(0, 3);
        if (kind < 2) {   // option-like: a dash and letters
            argument = L"-";
            for (int n = pick(0, 14); n > 0; --n) argument.push_back(letters[size_t(pick(0, 62))]);
        } else if (kind == 2) {   // a value option with any number behind it
            argument = std::wstring(L"-") + L"tbzr"[pick(0, 3)] + std::to_wstring(pick(-2000000000, 2000000000));
        } else {   // no option: blanks, quotes, wildcards, non-Latin text
            for (int n = pick(0, 20); n > 0; --n)
                argument.push_back(pick(0, 1) ? L" \t\"\\*?.:<>|/"[pick(0, 11)] : wchar_t(pick(1, 0xD7FF)));
            if (!argument.empty() && argument[0] == L'-') argument[0] = L'_';
        }
        if (!skipped.count(argument)) arguments.push_back(argument);
    }
    Viewer viewer;
    // A missing folder named last would bring the picker: the last word is the
    // picture folder. The timer before it shows that the whole line was read.
    arguments.push_back(L"-t4321");
    arguments.push_back(viewer.Pictures());
    EXPECT_EQ(IniValue(StartShowAndClose(viewer, JoinArguments(arguments)), L"[Slideshow]", L"timer"), L"4321");
}

// Arguments of ten thousand characters (no such option, numbers far past 32
// bits, a settings file and a folder past any path limit) and language files
// of random bytes, with and without a byte-order mark.
TEST(Configuration, HugeArgumentsAndLanguageFilesOfRandomBytesAreHarmless) {
    std::mt19937 random(77);
    const std::wstring hugeArguments[] = {
        JoinArguments({L"-" + std::wstring(9999, L'x'), L"-t" + std::wstring(9998, L'9'),
                       L"C:\\" + std::wstring(9993, L'p') + L".ini"}),
        JoinArguments({std::wstring(10000, L'q'), L"-z" + std::wstring(9998, L'7')}), L"", L""};
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        Viewer viewer;
        if (run >= 2) {
            std::string bytes = run == 3 ? "\xFF\xFE" : "";
            for (int i = 0; i < 200000; ++i) bytes.push_back(char(random() & 0xFF));
            // Section headers among the noise, so the reader goes into every table.
            for (const wchar_t* header : {L"[Menu Items]", L"[Dialogs]", L"[Messages]", L"[Catalog Menu]"})
                bytes.insert(size_t(random() % bytes.size()) & ~size_t(1),
                             Utf16(std::wstring(L"\r\n") + header, false));
            WriteBytes(viewer.ProgramFile(L"oxbrill.lang.ini"), bytes);
        }
        // The saved file is the usual one, not the long path.
        EXPECT_EQ(IniValue(StartShowAndClose(viewer, hugeArguments[run]), L"[Slideshow]", L"slide"), L"FALSE");
    }
}
