// The configuration as the running program handles it: the translation
// template, a translated start-up warning, options written back to the
// settings file, and command lines and language files that make no sense.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

// Non-empty lines of a UTF-16 INI text, grouped under their section headers.
std::map<std::wstring, std::vector<std::wstring>> Sections(const std::wstring& text, std::vector<std::wstring>* order) {
    std::map<std::wstring, std::vector<std::wstring>> sections;
    std::wstring current;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty()) continue;
        if (line[0] == L'[') {
            current = line;
            sections[current];
            if (order) order->push_back(current);
        } else {
            sections[current].push_back(line);
        }
    }
    return sections;
}

struct WindowSearch {
    DWORD pid = 0;
    bool anyVisible = false;
    std::vector<std::pair<HWND, std::wstring>> dialogs;  // visible dialogs with their captions
};

BOOL CALLBACK CollectProcessWindows(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window)) return TRUE;
    search->anyVisible = true;
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (wcscmp(cls, L"#32770") == 0) {
        wchar_t caption[256] = {};
        GetWindowTextW(window, caption, 256);
        search->dialogs.emplace_back(window, caption);
    }
    return TRUE;
}

WindowSearch VisibleWindowsOf(DWORD pid) {
    WindowSearch search;
    search.pid = pid;
    EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&search));
    return search;
}

// Runs the viewer until it ends by itself; tells whether any of its windows
// became visible meanwhile. Returns the exit code, -1 when it did not end.
int RunToExit(Viewer& viewer, const std::wstring& arguments, bool& sawWindow, DWORD timeoutMs = 10000) {
    sawWindow = false;
    if (!viewer.Start(arguments)) return -1;
    const DWORD start = GetTickCount();
    while (viewer.Running() && GetTickCount() - start < timeoutMs) {
        if (VisibleWindowsOf(viewer.ProcessId()).anyVisible) sawWindow = true;
        Sleep(5);
    }
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
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) {
        if (!line.empty()) line.push_back(L' ');
        line += Quote(argument);
    }
    return line;
}

// Starts the viewer, expects its window, closes it and expects a normal end.
void StartShowAndClose(Viewer& viewer, const std::wstring& arguments, const char* what) {
    ASSERT_TRUE(viewer.Start(arguments)) << what;
    ASSERT_TRUE(viewer.WaitForWindow(15000)) << what << ": no window (exit code " << viewer.WaitForExit(0) << ")";
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(10000), 0) << what;
}

constexpr const wchar_t* kQuietSettings =
    L"[Slideshow]\r\n"
    L"slide=FALSE\r\n";

}  // namespace

// ---------------------------------------------------------------------------
// The translation template

TEST(Configuration, TranslateWritesTheFullTemplateAndKeepsTheOldFileAsBak) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(10, 20, 30));
    const std::wstring language = viewer.ProgramFile(L"oxbrill.lang.ini");
    const std::wstring backup = language + L".bak";

    bool sawWindow = true;
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_FALSE(sawWindow);
    EXPECT_FALSE(FileExists(backup)) << "no language file existed, so there is nothing to back up";

    const std::string firstBytes = ReadBytes(language);
    ASSERT_GT(firstBytes.size(), 2u);
    EXPECT_EQ(firstBytes.substr(0, 2), "\xFF\xFE");
    const std::wstring text = ReadUtf16File(language);
    std::vector<std::wstring> order;
    const auto sections = Sections(text, &order);
    const std::vector<std::wstring> expectedOrder = {L"[Language]",    L"[Menu Items]", L"[Level2 Menus]",
                                                     L"[Level3 Menus]", L"[Dialogs]",    L"[Messages]",
                                                     L"[Catalog Menu]", L"[Catalog Level2]"};
    EXPECT_EQ(order, expectedOrder);
    const std::map<std::wstring, size_t> expectedRows = {
        {L"[Language]", 5},  {L"[Menu Items]", 227}, {L"[Level2 Menus]", 17}, {L"[Level3 Menus]", 8},
        {L"[Dialogs]", 36},  {L"[Messages]", 27},    {L"[Catalog Menu]", 38}, {L"[Catalog Level2]", 3}};
    for (const auto& [header, rows] : expectedRows) {
        const auto found = sections.find(header);
        ASSERT_NE(found, sections.end()) << "missing section";
        EXPECT_EQ(found->second.size(), rows) << "rows of a section";
    }
    EXPECT_EQ(sections.at(L"[Language]"),
              (std::vector<std::wstring>{L"Oxbrill=1.00", L"Language=English", L"Translator=", L"Contact=",
                                         L";=49 chars, name and menu key separated by a tab, key may be translated, "
                                         L"not changed"}));
    // Every translatable row is written as text=text, and no slot is empty.
    for (const auto& [header, rows] : sections) {
        if (header == L"[Language]") continue;
        for (const std::wstring& row : rows) {
            ASSERT_GE(row.size(), 3u) << "empty row";
            const size_t half = (row.size() - 1) / 2;
            EXPECT_EQ(row.substr(0, half), row.substr(half + 1)) << "row is not text=text";
            EXPECT_EQ(row[half], L'=');
        }
    }
    EXPECT_EQ(sections.at(L"[Messages]")[12], L"is unavailable=is unavailable");
    EXPECT_EQ(sections.at(L"[Dialogs]")[0], L"&Ok=&Ok");
    EXPECT_EQ(sections.at(L"[Level2 Menus]")[0], L"Slideshow=Slideshow");
    EXPECT_EQ(sections.at(L"[Catalog Level2]")[2], L"File Ops=File Ops");
    EXPECT_NE(text.find(L"\r\nTimer...\tCtrl+T=Timer...\tCtrl+T\r\n"), std::wstring::npos);

    // With a (translated) language file in place, the old bytes go to .bak and
    // the template again holds the built-in English texts: the file is not read first.
    const std::wstring translated =
        L"[Messages]\r\nis unavailable=fehlt\r\n[Dialogs]\r\n&Ok=&Gut\r\n[Level2 Menus]\r\nSlideshow=Diaschau\r\n";
    WriteUtf16File(language, translated);
    const std::string oldBytes = ReadBytes(language);
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_FALSE(sawWindow);
    ASSERT_TRUE(FileExists(backup));
    EXPECT_EQ(ReadBytes(backup), oldBytes);
    EXPECT_EQ(ReadBytes(language), firstBytes);

    // A third run replaces the older .bak with the template of the second.
    ASSERT_EQ(RunToExit(viewer, L"-translate", sawWindow), 0);
    EXPECT_EQ(ReadBytes(backup), firstBytes);
    EXPECT_FALSE(FileExists(viewer.ProgramFile(L"oxbrill.lang.ini.bak.bak")));
}

// ---------------------------------------------------------------------------
// A translated warning for a start folder that is gone

TEST(Configuration, MissingStartFolderIsReportedInTheTranslationThenTheProgramFolderIsShown) {
    Viewer viewer;
    WriteSolidBmp(viewer.ProgramFile(L"fallback.bmp"), 80, 60, RGB(20, 160, 40));
    const std::wstring gone = viewer.ProgramFile(L"gone");
    viewer.WriteSettings(L"[Portable]\r\nsavefolder=TRUE\r\nfolder=" + gone + L"\r\n" + kQuietSettings);
    // Longer than a slot holds: the program keeps the first 49 characters.
    const std::wstring translation = L"ist nicht verf\u00FCgbar \u2013 bitte den Ordner pr\u00FCfen (\u00DCbersetzung)";
    ASSERT_GT(translation.size(), 49u);
    WriteUtf16File(viewer.ProgramFile(L"oxbrill.lang.ini"),
                   L"[Language]\r\nLanguage=Deutsch\r\n[Messages]\r\nIS UNAVAILABLE=" + translation + L"\r\n");

    ASSERT_TRUE(viewer.Start());
    // An empty start may first offer the folder picker; cancelling it leaves
    // the missing folder in place, which is then reported.
    HWND warning = nullptr;
    const DWORD start = GetTickCount();
    while (!warning && viewer.Running() && GetTickCount() - start < 20000) {
        for (const auto& [window, caption] : VisibleWindowsOf(viewer.ProcessId()).dialogs) {
            if (caption == L"Oxbrill") warning = window;
            else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        }
        if (!warning) Sleep(20);
    }
    ASSERT_NE(warning, nullptr) << "no warning box";
    const MessageBoxInfo box = viewer.WaitForMessageBox(L"Oxbrill", 2000);
    ASSERT_EQ(box.window, warning);
    EXPECT_EQ(box.text, gone + L" " + translation.substr(0, 49));
    EXPECT_FALSE(viewer.WaitForWindow(0)) << "the viewer is shown only after the warning";
    PostMessageW(box.window, WM_COMMAND, IDOK, 0);

    ASSERT_TRUE(viewer.WaitForWindow(15000));
    const std::wstring expected = viewer.ProgramFile(L"fallback.bmp");
    EXPECT_NE(viewer.WaitForCaption([&](const std::wstring& c) { return c.find(expected) != std::wstring::npos; })
                  .find(expected),
              std::wstring::npos);
    // And the picture itself is on the screen (a transition may still run at first).
    viewer.WaitForStableSize();
    bool green = false;
    for (const DWORD until = GetTickCount() + 5000; !green && GetTickCount() < until; Sleep(50)) {
        const RECT client = viewer.ClientOnScreen();
        green = NearColour(Screenshot().Pixel(client.left + 20, client.top + 20), RGB(20, 160, 40));
    }
    EXPECT_TRUE(green) << "the fallback picture is not shown";
    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);
    // The folder now in use is what savefolder stores.
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Portable]", L"folder"), viewer.ProgramFolder());
}

// ---------------------------------------------------------------------------
// Options and settings files on the command line, as the file holds them after exit

TEST(Configuration, OptionsAreWrittenBackOnExit) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(200, 100, 0));
    viewer.WriteSettings(L"[Slideshow]\r\nslide=FALSE\r\ntimer=7000\r\nloop=1\r\nsortby=3\r\n");
    // A rotation that is no quarter turn is brought into range like one from the file.
    StartShowAndClose(viewer, L"-t2500 -loopexit -r45", "-t2500 -loopexit -r45");
    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"2500");
    EXPECT_EQ(IniValue(text, L"[Image]", L"rotation"), L"0");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"2");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"sortby"), L"3") << "what no option named stays as the file had it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"slide"), L"FALSE");
}

TEST(Configuration, NoSaveLeavesTheSettingsFileByteIdentical) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(0, 100, 200));
    viewer.WriteSettings(L"; kept as written\r\n[Slideshow]\r\nslide=FALSE\r\ntimer=7000\r\n\r\n[Image]\r\nzoom=0\r\n");
    const std::string before = ReadBytes(viewer.SettingsPath());
    StartShowAndClose(viewer, L"-t1234 -nosave -loopause", "-nosave");
    EXPECT_EQ(ReadBytes(viewer.SettingsPath()), before);
}

TEST(Configuration, SettingsFileArgumentTakesItsPlaceInThePrecedenceAndReceivesTheSave) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(90, 90, 200));
    viewer.WriteSettings(L"[Slideshow]\r\nslide=FALSE\r\ntimer=4000\r\nloop=0\r\n");
    const std::string mainBefore = ReadBytes(viewer.SettingsPath());
    // Named relative to the working folder (the picture folder).
    const std::wstring other = viewer.Picture(L"other.ini");
    WriteUtf16File(other, L"[Slideshow]\r\ntimer=6000\r\nloop=2\r\nsortby=2\r\n[Image]\r\nzoom=150\r\n");

    StartShowAndClose(viewer, L"-t1111 -z200 other.ini -loopause", "-t1111 -z200 other.ini -loopause");

    EXPECT_EQ(ReadBytes(viewer.SettingsPath()), mainBefore) << "the save goes to the settings file named last";
    const std::wstring text = ReadUtf16File(other);
    std::vector<std::wstring> order;
    Sections(text, &order);
    EXPECT_EQ(order.size(), 19u) << "the whole settings file is written there";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"6000") << "the file overrides options before it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"1") << "options after the file override it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"sortby"), L"2");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"slide"), L"FALSE") << "keys the file lacks keep the earlier value";
    // The file's zoom replaced that of -z200, whose switching off of the fit
    // modes the file (which names none of them) left in place.
    EXPECT_EQ(IniValue(text, L"[Image]", L"zoom"), L"150");
    EXPECT_EQ(IniValue(text, L"[Image]", L"squeeze"), L"FALSE");
    EXPECT_EQ(IniValue(text, L"[Image]", L"shrink"), L"FALSE");
    EXPECT_EQ(IniValue(text, L"[Image]", L"stretch"), L"FALSE");
}

// ---------------------------------------------------------------------------
// Input that makes no sense

// Random command lines. Names that would end the run or leave the desktop
// (template, folder picker, wallpaper mode and styles, the Catalog instead of
// the viewer, single instance, loop exit) are never used; all else goes.
TEST(Configuration, ThousandRandomArgumentsStillStartAndClose) {
    const std::set<std::wstring> skipped = {
        L"-translate", L"-browse",    L"-wallpaper", L"-centerwall", L"-tilewall", L"-stretchwall",
        L"-fitwall",   L"-fillwall",  L"-clearwall", L"-catlaunch",  L"-single",   L"-loopexit",
        L"-trayicon",  L"-fullscreen"};
    const unsigned seed = 20240611;
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    const std::wstring letters = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-";

    std::vector<std::wstring> arguments;
    while (arguments.size() < 999) {
        std::wstring argument;
        switch (pick(0, 3)) {
        case 0:
        case 1:  // option-like: a dash and letters
            argument = L"-";
            for (int n = pick(0, 14); n > 0; --n) argument.push_back(letters[static_cast<size_t>(pick(0, 62))]);
            break;
        case 2:  // a value option with any number behind it
            argument = std::wstring(L"-") + L"tbzr"[pick(0, 3)] + std::to_wstring(pick(-2000000000, 2000000000));
            break;
        default:  // anything that is no option: blanks, quotes, wildcards, non-Latin text
            for (int n = pick(0, 20); n > 0; --n) {
                wchar_t c = static_cast<wchar_t>(pick(1, 0xD7FF));
                if (pick(0, 1)) c = L" \t\"\\*?.:<>|/"[pick(0, 11)];
                argument.push_back(c);
            }
            if (!argument.empty() && argument[0] == L'-') argument[0] = L'_';
            break;
        }
        if (skipped.count(argument)) continue;
        arguments.push_back(argument);
    }

    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(250, 200, 0));
    WriteSolidBmp(viewer.Picture(L"two.bmp"), 30, 40, RGB(0, 200, 250));
    viewer.WriteSettings(kQuietSettings);
    // A missing folder named last would bring the picker and the warning: the
    // last word goes to the picture folder. The timer before it shows that the
    // whole line was read.
    arguments.push_back(L"-t4321");
    arguments.push_back(viewer.Pictures());
    const std::wstring line = JoinArguments(arguments);
    ASSERT_LT(line.size(), 30000u);
    StartShowAndClose(viewer, line, "random arguments");
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Slideshow]", L"timer"), L"4321");
}

TEST(Configuration, ArgumentsOfTenThousandCharactersAreHarmless) {
    const std::vector<std::wstring> arguments = {
        L"-" + std::wstring(9999, L'x'),                 // no such option
        L"-t" + std::wstring(9998, L'9'),                // a number far past 32 bits
        L"C:\\" + std::wstring(9993, L'p') + L".ini",    // a settings file path past any limit
    };
    for (const std::wstring& argument : arguments) ASSERT_EQ(argument.size(), 10000u);
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(120, 0, 120));
    viewer.WriteSettings(kQuietSettings);
    StartShowAndClose(viewer, JoinArguments(arguments), "long options and path");
    // The long settings path was not taken: the save went to the usual file.
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Slideshow]", L"slide"), L"FALSE");

    // A path of the same length in place of a folder, and a zoom far past 32 bits.
    Viewer second;
    WriteSolidBmp(second.Picture(L"one.bmp"), 40, 30, RGB(120, 0, 120));
    second.WriteSettings(kQuietSettings);
    StartShowAndClose(second, JoinArguments({std::wstring(10000, L'q'), L"-z" + std::wstring(9998, L'7')}),
                      "long folder argument and zoom");
}

TEST(Configuration, LanguageFilesOfRandomBytesAreHarmless) {
    std::mt19937 random(77);
    for (const bool withMark : {false, true}) {
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(0, 120, 60));
        viewer.WriteSettings(kQuietSettings);
        std::string bytes = withMark ? "\xFF\xFE" : "";
        for (int i = 0; i < 200000; ++i) bytes.push_back(static_cast<char>(random() & 0xFF));
        // Section headers among the noise, so the reader goes into every table.
        for (const char* header : {"[Menu Items]", "[Dialogs]", "[Messages]", "[Catalog Menu]"}) {
            std::string wide;
            for (const char* p = header; *p; ++p) wide += std::string(1, *p) + '\0';
            const std::string line = std::string("\r\0\n\0", 4) + wide;
            bytes.insert(static_cast<size_t>(random() % bytes.size()) & ~static_cast<size_t>(1), line);
        }
        WriteBytes(viewer.ProgramFile(L"oxbrill.lang.ini"), bytes);
        StartShowAndClose(viewer, L"", withMark ? "random language file with mark" : "random language file");
    }
}
