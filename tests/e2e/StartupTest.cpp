// Start-up, shutdown and the settings file as the running program keeps it.
#include <gtest/gtest.h>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

std::vector<std::wstring> SectionHeaders(const std::wstring& text) {
    std::vector<std::wstring> headers;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(pos, end - pos);
        if (!line.empty() && line[0] == L'[') headers.push_back(line);
        pos = end + 2;
    }
    return headers;
}

}  // namespace

TEST(Startup, FirstRunWritesEveryDefaultOnClose) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 64, 48, RGB(200, 30, 30));
    ASSERT_FALSE(FileExists(viewer.SettingsPath()));
    ASSERT_TRUE(viewer.Launch());
    EXPECT_NE(viewer.Caption().find(L"Oxbrill"), std::wstring::npos);
    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);

    const std::string bytes = ReadBytes(viewer.SettingsPath());
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xFE);
    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n') {
            ASSERT_TRUE(i > 0 && text[i - 1] == L'\r') << "bare line feed at " << i;
        }
    }

    const std::vector<std::wstring> expected = {
        L"[Oxbrill]",  L"[Portable]", L"[Tweak]",    L"[Tweak Transitions]", L"[Slideshow]",
        L"[Folder]",   L"[Formats]",  L"[Errors]",   L"[Catalog]",           L"[Catalog Position]",
        L"[Image]",    L"[Transitions]", L"[Window]", L"[Position]",         L"[Presets]",
        L"[Shell]",    L"[Settings]", L"[Menu]",     L"[Hotkeys]"};
    EXPECT_EQ(SectionHeaders(text), expected);
    EXPECT_EQ(text.rfind(L"[Oxbrill]\r\nversion=1.00\r\n\r\n[Portable]\r\n", 0), 0u);
    EXPECT_NE(text.find(L"[Tweak Transitions]\r\nshutter latency=500\r\nwipe latency=2\r\nslide latency=5\r\n"
                        L"quadrant slide latency=10\r\nquadrant wipe latency=12\r\ndissolve latency=2\r\n"
                        L"crossfade latency=30\r\n\r\n"),
              std::wstring::npos);
    EXPECT_NE(text.find(L"[Portable]\r\n;=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r\n"
                        L"savefolder=TRUE\r\n"),
              std::wstring::npos);
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"5000");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"sortby"), L"1");
    EXPECT_EQ(IniValue(text, L"[Folder]", L"subfolders"), L"TRUE");
    EXPECT_EQ(IniValue(text, L"[Formats]", L"emf"), L"FALSE");
    EXPECT_EQ(IniValue(text, L"[Image]", L"collagesize"), L"250");
    EXPECT_EQ(IniValue(text, L"[Transitions]", L"15"), L"TRUE");
    EXPECT_EQ(IniValue(text, L"[Window]", L"bgcolor"), L"0");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidemod"), L"1");
    EXPECT_EQ(IniValue(text, L"[Hotkeys]", L"hidekey"), L"27");
    EXPECT_EQ(IniValue(text, L"[Menu]", L"at cursor"), L"TRUE");
    EXPECT_EQ(IniValue(text, L"[Portable]", L"file manager"), L"explorer.exe");
    EXPECT_EQ(IniValue(text, L"[Portable]", L"folder"), viewer.Pictures());
    // The placement the user left the window in is kept.
    const std::wstring right = IniValue(text, L"[Position]", L"right");
    EXPECT_GT(_wtoi(right.c_str()), _wtoi(IniValue(text, L"[Position]", L"left").c_str()));
}

TEST(Startup, HandWrittenSettingsAreReadAndRewrittenWithoutComments) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 64, 48, RGB(30, 200, 30));
    viewer.WriteSettings(
        L"# my own notes\r\n"
        L"[Slideshow]\r\n"
        L"TIMER=1000\r\n"
        L"Slide=fAlSe\r\n"
        L"loop =2\r\n"              // a blank before '=' names no key
        L"timer=3000\r\n"           // the later line wins
        L"sortcase=1\r\n"           // digits are not booleans
        L"#timer=9\r\n"
        L"layer=2\r\n"              // wallpaper mode, kept while the viewer runs windowed
        L"[Portable]\r\n"
        L"savefolder=FALSE\r\n"
        L"image viewer=C:\\tools\\view.exe /a=b\r\n"  // a value ends at its first '='
        L"[Catalog Position]\r\n"
        L"left=7\r\n"
        L"[Catalog]\r\n"
        L"thumbsize=150\r\n");
    ASSERT_TRUE(viewer.Launch());
    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);

    const std::wstring text = ReadUtf16File(viewer.SettingsPath());
    EXPECT_EQ(text.find(L"#"), std::wstring::npos);
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"timer"), L"3000");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"slide"), L"FALSE");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"loop"), L"0");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"sortcase"), L"FALSE");
    EXPECT_EQ(IniValue(text, L"[Slideshow]", L"layer"), L"2");
    EXPECT_EQ(IniValue(text, L"[Portable]", L"image viewer"), L"C:\\tools\\view.exe /a");
    EXPECT_EQ(IniValue(text, L"[Catalog]", L"thumbsize"), L"150");
    EXPECT_EQ(IniValue(text, L"[Catalog Position]", L"left"), L"7");
    EXPECT_EQ(IniValue(text, L"[Catalog Position]", L"top"), L"0");
    // With savefolder off the start folder is not stored.
    EXPECT_EQ(IniValue(text, L"[Portable]", L"savefolder"), L"FALSE");
}

TEST(Startup, DamagedSettingsFilesStartQuickly) {
    const std::vector<std::string> damaged = {
        std::string(),                                   // 0 bytes
        std::string("[Slideshow]\ntimer=2000\n"),       // no byte-order mark
        std::string(100000, 'x') + "\n",                // one endless line
    };
    for (const std::string& bytes : damaged) {
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(1, 2, 3));
        WriteBytes(viewer.SettingsPath(), bytes);
        ASSERT_TRUE(viewer.Start());
        ASSERT_TRUE(viewer.WaitForWindow(10000)) << "damaged file of " << bytes.size() << " bytes";
        viewer.Close();
        EXPECT_EQ(viewer.WaitForExit(), 0);
    }
}

TEST(Startup, SettingsFileThatIsAFolderIsLeftAlone) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"one.bmp"), 32, 32, RGB(1, 2, 3));
    ASSERT_TRUE(CreateDirectoryW(viewer.SettingsPath().c_str(), nullptr));
    ASSERT_TRUE(viewer.Start());
    ASSERT_TRUE(viewer.WaitForWindow(10000));
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
    EXPECT_TRUE(GetFileAttributesW(viewer.SettingsPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}
