// The viewer on the desktop: wallpaper mode, the wallpaper styles, clearing
// and restoring, and the Blackbox shell's requests.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t* const kValues[] = {L"Wallpaper", L"TileWallpaper", L"WallpaperStyle", L"PrevWallpaper",
                                  L"PrevTileWallpaper"};

std::wstring ReadValue(const wchar_t* name) {
    wchar_t value[300] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS)
        return L"<none>";
    return value;
}

void WriteValue(const wchar_t* name, const std::wstring& value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * 2));
}

// The wallpaper values as a test found them, put back when it ends.
struct DesktopValues {
    std::map<std::wstring, std::wstring> kept;
    DesktopValues() {
        for (const wchar_t* name : kValues) kept[name] = ReadValue(name);
    }
    ~DesktopValues() {
        for (const auto& [name, value] : kept)
            value == L"<none>" ? void(RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, name.c_str()))
                              : WriteValue(name.c_str(), value);
    }
};

// A window that stands for the Blackbox shell and keeps the requests it gets:
// identifier, size, text and time of arrival. The test answers it while it waits.
struct FakeBlackbox {
    struct Request {
        ULONG_PTR id;
        DWORD size;
        std::string text;
        DWORD at;
    };
    static inline std::vector<Request> requests;
    HWND window = nullptr;
    FakeBlackbox() {
        WNDCLASSW c{0, Procedure, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr, nullptr, L"BlackboxClass"};
        RegisterClassW(&c);
        window = CreateWindowW(L"BlackboxClass", L"Blackbox", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, c.hInstance, nullptr);
    }
    ~FakeBlackbox() { DestroyWindow(window); }
    static LRESULT CALLBACK Procedure(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA) return DefWindowProcW(w, message, wParam, lParam);
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        requests.push_back({data->dwData, data->cbData, static_cast<const char*>(data->lpData) + 4, GetTickCount()});
        return TRUE;
    }
};

}  // namespace

TEST(Desktop, WallpaperModePutsEachPictureOnTheDesktopAtTheScreenSize) {
    DesktopValues keep;
    WriteValue(L"Wallpaper", L"C:\\before.bmp");
    WriteValue(L"TileWallpaper", L"1");
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 64, RGB(220, 30, 30));
    WriteSolidBmp(viewer.Picture(L"b.bmp"), 80, 64, RGB(30, 40, 220));
    ASSERT_TRUE(viewer.Start(L"-noslide -notransitions -stretch -wallpaper"));
    ASSERT_TRUE(viewer.WaitForWindow(15000, false));
    const std::wstring paper = viewer.ProgramFile(L"oxpaper.jpg");
    const RECT screen = Screen();
    for (const COLORREF colour : {RGB(220, 30, 30), RGB(30, 40, 220)}) {
        if (colour != RGB(220, 30, 30)) viewer.PostCommand(kCmdNext);
        EXPECT_TRUE(WaitUntil([&] {
            const PictureFile file(paper);
            return file.width == Width(screen) && file.height == Height(screen) && NearColour(file.ends[0], colour, 24);
        })) << Hex(colour);
    }
    EXPECT_FALSE(IsWindowVisible(viewer.Main()));
    EXPECT_EQ(ReadValue(L"Wallpaper"), paper);
    EXPECT_EQ(ReadValue(L"PrevWallpaper"), L"C:\\before.bmp");
    EXPECT_EQ(ReadValue(L"PrevTileWallpaper"), L"1");

    // Each style's pair of values.
    const std::pair<int, const wchar_t*> styles[] = {{kCmdWallpaperCenter, L"0 0"}, {kCmdWallpaperTile, L"1 0"},
                                                     {kCmdWallpaperStretch, L"0 2"}, {kCmdWallpaperFit, L"0 6"},
                                                     {kCmdWallpaperFill, L"0 10"}};
    for (const auto& [command, pair] : styles) {
        viewer.PostCommand(command);
        EXPECT_TRUE(WaitUntil([&, pair = pair] { return ReadValue(L"TileWallpaper") + L" " + ReadValue(L"WallpaperStyle") == pair; }))
            << command;
    }
    EXPECT_EQ(ReadValue(L"PrevWallpaper"), L"C:\\before.bmp");   // the program's own file is never recorded

    // Clear, then Restore: the wallpaper from before the program came.
    viewer.PostCommand(kCmdWallpaperClear);
    EXPECT_TRUE(WaitUntil([&] { return ReadValue(L"Wallpaper").empty(); }));
    // The picture still being written for the last style does not come back after the clear.
    Sleep(1500);
    wchar_t shown[MAX_PATH] = L"?";
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, shown, 0);
    EXPECT_STREQ(shown, L"");
    viewer.PostCommand(kCmdWallpaperRestore);
    EXPECT_TRUE(WaitUntil([&] { return ReadValue(L"Wallpaper") == L"C:\\before.bmp"; }));
    EXPECT_EQ(ReadValue(L"TileWallpaper"), L"1");

    // Back to a window.
    viewer.PostCommand(kCmdWindowed);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(viewer.Main()) != FALSE; }));
}

// A wallpaper file that cannot be written: said once, and the show goes on.
TEST(Desktop, AWallpaperFileThatCannotBeWrittenIsSaidOnce) {
    DesktopValues keep;
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 64, RGB(220, 30, 30));
    WriteSolidBmp(viewer.Picture(L"b.bmp"), 80, 64, RGB(30, 40, 220));
    ASSERT_TRUE(CreateDirectoryW(viewer.ProgramFile(L"oxpaper.jpg").c_str(), nullptr));
    ASSERT_TRUE(viewer.Start(L"-noslide -notransitions -wallpaper"));
    ASSERT_TRUE(viewer.WaitForWindow(15000, false));
    AnswerBox(viewer, viewer.ProgramFile(L"oxpaper.jpg") + L" cannot be written: the wallpaper stays as it was");
    viewer.PostCommand(kCmdNext);
    EXPECT_EQ(viewer.WaitForDialog(nullptr, 2000).window, nullptr);
    EXPECT_TRUE(viewer.Running());
}

TEST(Desktop, TheBlackboxShellIsAskedToSetItsRootImage) {
    DesktopValues keep;
    FakeBlackbox shell;
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 80, 64, RGB(220, 30, 30));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    const std::wstring wallpaperBefore = ReadValue(L"Wallpaper");

    // Smart wallpaper: the picture itself, no registry change.
    viewer.PostCommand(kCmdWallpaperTile);
    ASSERT_TRUE(WaitUntil([&] { return shell.requests.size() == 1; }));
    const auto narrow = [](const std::wstring& text) { return std::string(text.begin(), text.end()); };
    auto requests = shell.requests;
    EXPECT_EQ(requests[0].id, 10882u);
    EXPECT_EQ(requests[0].size, 304u);
    EXPECT_EQ(requests[0].text, "@BBCore.rootCommand bsetroot -tile \"" + narrow(viewer.Picture(L"a.bmp")) + "\"");
    EXPECT_EQ(ReadValue(L"Wallpaper"), wallpaperBefore);

    // Scaled: a reset to the centre, then half a second later the wallpaper file.
    viewer.PostCommand(kCmdScaleWallpaper);
    viewer.PostCommand(kCmdWallpaperStretch);
    ASSERT_TRUE(WaitUntil([&] { return shell.requests.size() == 3; }));
    requests = shell.requests;
    EXPECT_EQ(requests[1].text, "@BBCore.rootCommand bsetroot -center bsetroot.bmp");
    EXPECT_EQ(requests[2].text,
              "@BBCore.rootCommand bsetroot -full \"" + narrow(viewer.ProgramFile(L"oxpaper.jpg")) + "\"");
    EXPECT_GE(requests[2].at - requests[1].at, 450u);
    EXPECT_EQ(PictureFile(viewer.ProgramFile(L"oxpaper.jpg")).width, 80);
}

// An installed copy (the installer's mark beside it) keeps what it writes in
// the user's profile, starting from the settings shipped beside it.
TEST(Desktop, AnInstalledCopyKeepsItsSettingsInTheProfile) {
    wchar_t roaming[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, roaming)));
    const std::wstring data = std::wstring(roaming) + L"\\Oxbrill";
    RemoveTree(data);
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 40, 30, RGB(220, 30, 30));
    WriteBytes(viewer.ProgramFile(L"Oxbrill.installed"), "");
    viewer.WriteSettings(L"[Slideshow]\r\ntimer=1234\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide"));
    viewer.Close();
    ASSERT_EQ(viewer.WaitForExit(), 0);
    EXPECT_EQ(IniValue(ReadUtf16File(data + L"\\oxbrill.ini"), L"[Slideshow]", L"timer"), L"1234");
    EXPECT_EQ(IniValue(ReadUtf16File(data + L"\\oxbrill.ini"), L"[Slideshow]", L"slide"), L"FALSE");
    EXPECT_EQ(ReadUtf16File(viewer.SettingsPath()), L"[Slideshow]\r\ntimer=1234\r\n");
    RemoveTree(data);
}

// At 144 DPI the status bar and the dialogs are half as large again, and the
// picture is still drawn pixel for pixel.
TEST(Desktop, At144DpiTextsScaleAndPicturePixelsStayScreenPixels) {
    const auto measure = [](int& statusHeight, int& dialogWidth) {
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"a.bmp"), 300, 200, RGB(20, 140, 150));
        ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
        const RECT view = viewer.ViewOnScreen();
        EXPECT_TRUE(Width(view) == 300 && Height(view) == 200) << Describe(view);
        EXPECT_TRUE(WaitForPixel(view.left + 150, view.top + 100, RGB(20, 140, 150)));
        statusHeight = viewer.StatusBarHeight();
        viewer.PostCommand(kCmdTimer);
        const MessageBoxInfo dialog = viewer.WaitForDialog(L"Slideshow Timer");
        ASSERT_NE(dialog.window, nullptr);
        RECT r{};
        GetWindowRect(dialog.window, &r);
        dialogWidth = Width(r);
        PostMessageW(dialog.window, WM_COMMAND, IDCANCEL, 0);
    };
    int status96 = 0, dialog96 = 0, status144 = 0, dialog144 = 0;
    measure(status96, dialog96);
    const DWORD large = 144;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &large, sizeof large);
    measure(status144, dialog144);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
    EXPECT_GE(status144 * 10, status96 * 13) << status96 << " " << status144;
    EXPECT_NEAR(double(dialog144) / dialog96, 1.5, 0.2) << dialog96 << " " << dialog144;
}

// The window moved to a monitor of 144 DPI while it runs: the status bar is
// made anew, its parts and its height half as large again.
TEST(Desktop, AChangeOfDpiWhileRunningScalesTheStatusBar) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 300, 200, RGB(20, 140, 150));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    // The viewer reads and writes through memory of its own.
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, viewer.ProcessId());
    ASSERT_NE(process, nullptr);
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(remote, nullptr);
    const auto parts = [&] {
        std::vector<int> edges(7, 0);
        const HWND bar = FindWindowExW(viewer.Main(), nullptr, L"msctls_statusbar32", nullptr);
        DWORD_PTR count = 0;
        if (bar && SendMessageTimeoutW(bar, SB_GETPARTS, 7, LPARAM(remote), SMTO_ABORTIFHUNG, 5000, &count) && count == 7)
            ReadProcessMemory(process, remote, edges.data(), 7 * sizeof(int), nullptr);
        return edges;
    };
    const std::vector<int> before = parts();
    const int heightBefore = viewer.StatusBarHeight();
    RECT window{};
    GetWindowRect(viewer.Main(), &window);
    RECT suggested{window.left, window.top, window.left + Width(window) * 3 / 2, window.top + Height(window) * 3 / 2};
    WriteProcessMemory(process, remote + 1024, &suggested, sizeof suggested, nullptr);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(viewer.Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), LPARAM(remote + 1024),
                                    SMTO_ABORTIFHUNG, 5000, &answer));
    const std::vector<int> after = parts();
    const int heightAfter = viewer.StatusBarHeight();
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_NEAR(double(after[i]) / std::max(before[i], 1), 1.5, 0.05) << i << ": " << before[i] << " " << after[i];
    EXPECT_NEAR(double(heightAfter) / std::max(heightBefore, 1), 1.5, 0.25) << heightBefore << " " << heightAfter;
    EXPECT_TRUE(viewer.Running());
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}
