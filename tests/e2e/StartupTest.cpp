// Start-up and shutdown with the settings file as the running program keeps
// it: written on close, read by hand-written or damaged files, overridden by
// options and settings files on the command line.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

constexpr const wchar_t* kQuiet = L"[Slideshow]\r\nslide=FALSE\r\n";

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Starts a viewer on one picture with `settings` (none when empty), closes it and gives what it saved.
std::wstring RunOnce(Viewer& viewer, const std::wstring& settings, const std::wstring& arguments) {
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(200, 100, 0));
    if (!settings.empty()) viewer.WriteSettings(settings);
    if (settings.find(L"layer=2") == std::wstring::npos) {
        EXPECT_TRUE(viewer.Launch(arguments)) << testing::PrintToString(arguments);
    } else {   // wallpaper mode runs with its window hidden, once the wallpaper is made
        EXPECT_TRUE(viewer.Start(arguments) && WaitUntil([&] { return FileExists(viewer.ProgramFile(L"oxpaper.jpg")); }) &&
                    viewer.WaitForWindow(15000, false));
    }
    return viewer.SavedSettings();
}

}  // namespace

TEST(Startup, AFirstRunWritesTheWholeFileOnCloseAndKeepsTheFolderAndPlacement) {
    Viewer viewer;
    ASSERT_FALSE(FileExists(viewer.SettingsPath()));
    const std::wstring text = RunOnce(viewer, L"", L"");
    ASSERT_EQ(ReadBytes(viewer.SettingsPath()).substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(text.rfind(L"[Oxbrill]\r\nversion=1.00\r\n\r\n[Portable]\r\n", 0), 0u);
    EXPECT_EQ(Count(text, L"\n"), Count(text, L"\r\n")) << "a bare line feed";
    EXPECT_EQ(Count(text, L"\r\n["), 18u) << "sections after the first";
    EXPECT_EQ(IniValue(text, L"[Portable]", L"folder"), viewer.Pictures());
    EXPECT_GT(_wtoi(IniValue(text, L"[Position]", L"right").c_str()),
              _wtoi(IniValue(text, L"[Position]", L"left").c_str()));
}

TEST(Startup, DamagedSettingsFilesAndAFolderInTheirPlaceStillStart) {
    const std::string damaged[] = {"", "[Slideshow]\ntimer=2000\n", std::string(100000, 'x') + "\n", "<folder>"};
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(1, 2, 3));
        if (bytes == "<folder>") ASSERT_TRUE(CreateDirectoryW(viewer.SettingsPath().c_str(), nullptr));
        else WriteBytes(viewer.SettingsPath(), bytes);
        ASSERT_TRUE(viewer.Launch());
        viewer.SavedSettings();
        if (bytes == "<folder>") {
            EXPECT_TRUE(GetFileAttributesW(viewer.SettingsPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        }
    }
}

// A window saved far larger than the screen (wrap off) opens on the screen,
// its status bar and size grip in view.
TEST(Startup, AWindowSavedLargerThanTheScreenOpensOnIt) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(200, 100, 0));
    viewer.WriteSettings(std::wstring(kQuiet) + L"[Image]\r\nwrap=FALSE\r\n[Window]\r\nstatusbar=TRUE\r\n"
                         L"[Position]\r\nleft=100\r\ntop=100\r\nright=2147483647\r\nbottom=2147483647\r\n");
    ASSERT_TRUE(viewer.Launch());
    HWND bar = FindWindowExW(viewer.Main(), nullptr, L"msctls_statusbar32", nullptr);
    ASSERT_NE(bar, nullptr);
    RECT r{};
    GetWindowRect(bar, &r);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= GetSystemMetrics(SM_CXSCREEN) &&
                r.bottom <= GetSystemMetrics(SM_CYSCREEN) && r.top < r.bottom)
        << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    viewer.SavedSettings();
}

TEST(Startup, OptionsAreWrittenBackOnExitUnlessNoSave) {
    Viewer viewer;
    // A rotation that is no quarter turn is brought into range like one from
    // the file; wallpaper mode (layer 2) is written back as it was.
    const wchar_t* settings = L"[Slideshow]\r\nslide=FALSE\r\ntimer=7000\r\nloop=1\r\nsortby=3\r\nlayer=2\r\n";
    const std::wstring text = RunOnce(viewer, settings, L"-t2500 -loopexit -r45");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"2500");
    EXPECT_EQ(IniValue(text, L"[Image]", L"rotation"), L"0");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"2");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"sortby"), L"3") << "what no option named stays as the file had it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"layer"), L"2");

    Viewer unsaved;
    const std::wstring kept = L"; kept as written\r\n[Slideshow]\r\nslide=FALSE\r\ntimer=7000\r\n";
    RunOnce(unsaved, kept, L"-t1234 -nosave -loopause");
    EXPECT_EQ(ReadBytes(unsaved.SettingsPath()), Utf16(kept));
}

TEST(Startup, ASettingsFileArgumentTakesItsPlaceInThePrecedenceAndReceivesTheSave) {
    Viewer viewer;
    const std::wstring mine = L"[Slideshow]\r\nslide=FALSE\r\ntimer=4000\r\nloop=0\r\n";
    // Named relative to the working folder (the picture folder).
    WriteUtf16File(viewer.Picture(L"other.ini"), L"[Slideshow]\r\ntimer=6000\r\nloop=2\r\n[Image]\r\nzoom=150\r\n");
    RunOnce(viewer, mine, L"-t1111 -z200 other.ini -loopause");

    EXPECT_EQ(ReadUtf16File(viewer.SettingsPath()), mine) << "the save goes to the settings file named last";
    const std::wstring text = ReadUtf16File(viewer.Picture(L"other.ini"));
    EXPECT_EQ(Count(text, L"\r\n["), 18u) << "the whole settings file is written there";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"6000") << "the file overrides options before it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"1") << "options after the file override it";
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"slide"), L"FALSE") << "keys the file lacks keep the earlier value";
    // The file's zoom replaced that of -z200, whose switching off of the fit modes stays.
    EXPECT_EQ(IniValue(text, L"[Image]", L"zoom"), L"150");
    EXPECT_EQ(IniValue(text, L"[Image]", L"squeeze"), L"FALSE");
}

TEST(Startup, AMissingStartFolderIsReportedInTheTranslationThenTheProgramFolderIsShown) {
    Viewer viewer;
    const COLORREF green = RGB(20, 160, 40);
    WriteSolidBmp(viewer.ProgramFile(L"fallback.bmp"), 80, 60, green);
    const std::wstring gone = viewer.ProgramFile(L"gone");
    viewer.WriteSettings(L"[Portable]\r\nsavefolder=TRUE\r\nfolder=" + gone + L"\r\n" + kQuiet);
    // Longer than a slot holds: the program keeps the first 49 characters.
    const std::wstring translation = L"ist nicht verf\u00FCgbar \u2013 bitte den Ordner pr\u00FCfen (\u00DCbersetzung)";
    WriteUtf16File(viewer.ProgramFile(L"oxbrill.lang.ini"), L"[Messages]\r\nIS UNAVAILABLE=" + translation + L"\r\n");

    ASSERT_TRUE(viewer.Start());
    // An empty start may first offer the folder picker: cancelling it leaves
    // the missing folder in place, which is then reported.
    MessageBoxInfo box;
    ASSERT_TRUE(WaitUntil([&] {
        box = viewer.WaitForDialog(nullptr, 100);
        wchar_t caption[64] = {};
        if (box.window && GetWindowTextW(box.window, caption, 64) && !wcscmp(caption, L"Oxbrill")) return true;
        if (box.window) PostMessageW(box.window, WM_COMMAND, IDCANCEL, 0);
        return false;
    }, 20000)) << "no warning box";
    EXPECT_EQ(box.text, gone + L" " + translation.substr(0, 49));
    EXPECT_FALSE(viewer.WaitForWindow(0)) << "the viewer is shown only after the warning";
    PostMessageW(box.window, WM_COMMAND, IDOK, 0);

    ASSERT_TRUE(viewer.WaitForWindow());
    EXPECT_TRUE(viewer.WaitForShown(L"fallback.bmp"));
    viewer.WaitForStableSize();
    const RECT view = viewer.ClientOnScreen();
    EXPECT_TRUE(WaitForPixel(view.left + 20, view.top + 20, green)) << "the fallback picture is not shown";
    // The folder now in use is what savefolder stores.
    EXPECT_EQ(IniValue(viewer.SavedSettings(), L"[Portable]", L"folder"), viewer.ProgramFolder());
}

// Closed the moment its window exists, while start-up still waits for the
// first pictures: the program ends, and cleanly.
TEST(Startup, ACloseDuringStartUpEndsTheProgram) {
    for (int i = 0; i < 3; ++i) {
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"one.bmp"), 40, 30, RGB(200, 100, 0));
        ASSERT_TRUE(viewer.Start(L"-noslide"));
        ASSERT_TRUE(viewer.WaitForWindow(15000, false));
        viewer.Close();
        EXPECT_EQ(viewer.WaitForExit(), 0) << i;
    }
}
