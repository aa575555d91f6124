// The Catalog as the user meets it: opened on the exhibit at the shown
// picture, its thumbnails, its keys and menu commands, and the way back.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const COLORREF kColours[] = {RGB(220, 30, 30), RGB(30, 190, 40), RGB(40, 40, 220), RGB(230, 200, 20),
                             RGB(200, 40, 200), RGB(20, 200, 200)};

struct CatalogOpen {
    HWND dialog = nullptr;
    HWND list = nullptr;
};

// Opens the Catalog from the viewer and finds its list.
CatalogOpen OpenCatalog(const Viewer& viewer) {
    viewer.PostCommand(kCmdCatalog);
    CatalogOpen open;
    WaitUntil([&] {
        EnumWindows([](HWND window, LPARAM found) {
            wchar_t title[400] = {};
            GetWindowTextW(window, title, 400);
            if (IsWindowVisible(window) && wcsstr(title, L" - Oxbrill Catalog")) *reinterpret_cast<HWND*>(found) = window;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&open.dialog));
        return open.dialog != nullptr;
    });
    if (open.dialog) open.list = FindWindowExW(open.dialog, nullptr, WC_LISTVIEWW, nullptr);
    return open;
}

int Focused(HWND list) { return int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED)); }
int Count(HWND list) { return int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

// The shell asks before it recycles, in a box of its own: Yes.
void AnswerTheShell(HWND catalog) {
    HWND shell = nullptr;
    WaitUntil([&] {
        for (HWND w = FindWindowW(L"#32770", nullptr); w; w = FindWindowExW(nullptr, w, L"#32770", nullptr))
            if (w != catalog && IsWindowVisible(w)) shell = w;
        return shell != nullptr;
    }, 5000);
    if (shell) PostMessageW(shell, WM_COMMAND, IDYES, 0);
}

}  // namespace

TEST(Catalog, OpensAtTheShownPictureShowsThumbnailsAndReturnsAtTheChosenOne) {
    Viewer viewer;
    for (int i = 0; i < 6; ++i)
        WriteSolidBmp(viewer.Picture(L"p" + std::to_wstring(i) + L".bmp"), 300, 200, kColours[i]);
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    viewer.PostCommand(kCmdNext);
    viewer.PostCommand(kCmdNext);
    ASSERT_TRUE(viewer.WaitForShown(L"p2.bmp"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list) << "no Catalog";
    EXPECT_EQ(SendMessageW(catalog.list, LVM_GETITEMCOUNT, 0, 0), 6);
    EXPECT_EQ(Focused(catalog.list), 2);
    EXPECT_FALSE(IsWindowVisible(viewer.Main())) << "the viewer hides while the Catalog shows";

    // Every thumbnail is drawn: 100 x 66, each in its picture's colour.
    RECT area{};
    GetWindowRect(catalog.list, &area);
    for (int i = 0; i < 6; ++i) {
        RECT box{};
        EXPECT_TRUE(WaitUntil([&] {
            box = ColourBox(Screenshot(), area, kColours[i]);
            return Width(box) == 100 && Height(box) == 66;
        }, 10000)) << i << " " << Describe(box);
    }

    // F1 opens the Catalog menu.
    PostKeyTo(catalog.list, VK_F1);
    const HWND menu = viewer.WaitForPopupMenu(10000);
    EXPECT_NE(menu, nullptr);
    if (menu) PostKeyTo(menu, VK_ESCAPE), WaitGone(menu);

    // End and Enter: the viewer comes back at the last picture.
    PostKeyTo(catalog.list, VK_END);
    EXPECT_TRUE(WaitUntil([&] { return Focused(catalog.list) == 5; }));
    PostKeyTo(catalog.list, VK_RETURN);
    EXPECT_TRUE(WaitGone(catalog.dialog));
    EXPECT_TRUE(viewer.WaitForShown(L"p5.bmp"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(viewer.Main()) != FALSE; }));
}

// Thumbnails as drawn: a transparent picture on the list's colour, a camera
// thumbnail between black bars passed over for the picture itself, and a TIFF
// turned upright by its orientation tag.
TEST(Catalog, ThumbnailsOfATransparentALetterboxedAndATurnedPicture) {
    Viewer viewer;
    for (const std::wstring name : {L"letterboxed.jpg", L"transparent.png", L"turned.tif"})
        ASSERT_TRUE(CopyFileW(DataPath(L"e2e\\" + name).c_str(), viewer.Picture(name).c_str(), FALSE));
    viewer.WriteSettings(L"[Formats]\r\ntif=TRUE\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    RECT area{}, green{}, purple{}, cyan{}, blue{};
    GetWindowRect(catalog.list, &area);
    // Green 300 x 200 (its thumbnail yellow), purple 150 x 100 amid nothing, cyan above blue: a third as large.
    EXPECT_TRUE(WaitUntil([&] {
        const Screenshot shot;
        green = ColourBox(shot, area, RGB(30, 190, 40)), purple = ColourBox(shot, area, RGB(200, 40, 200));
        cyan = ColourBox(shot, area, RGB(20, 200, 200)), blue = ColourBox(shot, area, RGB(40, 40, 220));
        return Width(green) && Width(purple) && Width(cyan) && Width(blue);
    }, 10000));
    const Screenshot shot;
    EXPECT_TRUE(Width(green) == 100 && Height(green) == 66 && !Width(ColourBox(shot, area, RGB(230, 200, 20))))
        << "from the picture itself: " << Describe(green);
    const int midX = (purple.left + purple.right) / 2, midY = (purple.top + purple.bottom) / 2;
    for (const POINT p : {POINT{purple.left - 10, midY}, POINT{midX, purple.top - 8}})
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), GetSysColor(COLOR_WINDOW), 16)) << "not black: " << Describe(purple);
    EXPECT_TRUE(Width(cyan) == 100 && Width(blue) == 100 && std::abs(Height(cyan) - 33) <= 1 &&
                cyan.bottom <= blue.top + 1)
        << "turned upright: " << Describe(cyan) << " above " << Describe(blue);
}

// A thumbnail of each format with a decoder of its own, upright (the AVIF is
// stored turned); the shown HEIC goes to the clipboard at its own size.
TEST(Catalog, ThumbnailsOfEachFormatWithADecoderOfItsOwn) {
    Viewer viewer;
    for (const std::wstring format : {L"avif", L"heic", L"jxl", L"webp"})
        ASSERT_TRUE(CopyFileW(DataPath(L"e2e\\quadrants." + format).c_str(), viewer.Picture(L"q." + format).c_str(),
                              FALSE));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions -sortname -sortforward"));
    EXPECT_TRUE(viewer.WaitForShown(L"q.avif"));
    viewer.PostCommand(kCmdNext);
    EXPECT_TRUE(viewer.WaitForShown(L"q.heic"));
    const SIZE copied = CopiedBitmap(viewer, kCmdCopyImage);
    EXPECT_TRUE(copied.cx == 128 && copied.cy == 64) << copied.cx << " x " << copied.cy;

    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    EXPECT_EQ(Count(catalog.list), 4);
    RECT area{};
    GetWindowRect(catalog.list, &area);
    // 100 x 50 thumbnails: red (50 x 25) over blue in each, side by side.
    const auto runs = [&](const Screenshot& shot, COLORREF colour) {
        int most = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            int count = 0, length = 0;
            for (int x = area.left; x < area.right; ++x) {
                length = NearColour(shot.Pixel(x, y), colour, 40) ? length + 1 : 0;
                if (length == 20) ++count;
            }
            most = std::max(most, count);
        }
        return most;
    };
    EXPECT_TRUE(WaitUntil([&] {
        const Screenshot shot;
        return runs(shot, RGB(255, 0, 0)) == 4 && runs(shot, RGB(0, 0, 255)) == 4;
    }, 15000));
    const Screenshot shot;
    const RECT red = ColourBox(shot, area, RGB(255, 0, 0)), blue = ColourBox(shot, area, RGB(0, 0, 255));
    EXPECT_TRUE(red.bottom <= blue.top + 2 && std::abs(Height(red) - 25) <= 2)
        << "upright: " << Describe(red) << " above " << Describe(blue);
}

TEST(Catalog, CommandsAndFileOperationsOnTheSelection) {
    Viewer viewer;
    TempFolder store(L"catalogfiles");
    store.Folder(L"archive");
    store.Folder(L"other");
    for (int i = 0; i < 6; ++i)
        WriteSolidBmp(viewer.Picture(L"p" + std::to_wstring(i) + L".bmp"), 60 + i, 40, kColours[i]);
    viewer.WriteSettings(L"[Portable]\r\narchive=" + store.Path(L"archive") + L"\r\nfavorites=" + store.Path(L"other") +
                         L"\r\n[Shell]\r\nconfirmarchive=FALSE\r\nconfirmdelete=FALSE\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    InViewer remote(viewer);
    const auto run = [&](int command) { PostMessageW(catalog.dialog, WM_COMMAND, command, 0); };
    const auto first = [&](const wchar_t* name) {
        EXPECT_TRUE(WaitUntil([&] { return remote.Text(catalog.list, 0) == name; })) << testing::PrintToString(name);
    };
    first(L"p0.bmp");
    run(kCmdSortReverse);
    first(L"p5.bmp");
    run(kCmdSortForward);
    first(L"p0.bmp");

    // Find from the Catalog: the match is focused.
    run(kCmdFindFilter);
    const MessageBoxInfo find = viewer.WaitForDialog(L"Find/Filter");
    ASSERT_NE(find.window, nullptr);
    SetDlgItemTextW(find.window, IDC_VALUE, L"p3");
    PostMessageW(find.window, WM_COMMAND, IDC_FIND_FIND, 0);
    EXPECT_TRUE(WaitUntil([&] { return Focused(catalog.list) == 3; }));

    // Two recycled at once: the list follows the folder.
    remote.Select(catalog.list, {0, 1});
    run(kCmdRecycle);
    AnswerTheShell(catalog.dialog);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 4; }));
    EXPECT_FALSE(FileExists(viewer.Picture(L"p0.bmp")) || FileExists(viewer.Picture(L"p1.bmp")));

    // Two archived: moved, logged one line each, gone from the list.
    first(L"p2.bmp");
    const std::string p2 = ReadBytes(viewer.Picture(L"p2.bmp"));
    remote.Select(catalog.list, {0, 1});
    run(kCmdMoveToArchive);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 2; }));
    EXPECT_TRUE(ReadBytes(store.Path(L"archive\\p2.bmp")) == p2 && FileExists(store.Path(L"archive\\p3.bmp")));
    EXPECT_EQ(ReadUtf16File(viewer.ProgramFile(L"archived.log")),
              viewer.Picture(L"p2.bmp") + L" -> " + store.Path(L"archive") + L"\r\n" + viewer.Picture(L"p3.bmp") + L" -> " +
                  store.Path(L"archive") + L"\r\n");

    // Copied through the shell's clipboard, pasted into the folder shown.
    first(L"p4.bmp");
    remote.Select(catalog.list, {0});
    run(kCmdCopyFile);
    EXPECT_TRUE(WaitUntil([] { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }));
    run(kCmdViewFavorites);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 0; }));
    run(kCmdPaste);
    EXPECT_TRUE(WaitUntil([&] { return ReadBytes(store.Path(L"other\\p4.bmp")) == ReadBytes(viewer.Picture(L"p4.bmp")); }));
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 1; })) << "the list follows the folder";
    // The archive and back: the list is what each folder holds.
    run(kCmdViewArchive);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 2 && remote.Text(catalog.list, 0) == L"p2.bmp"; }));
    // The exhibit comes back as it was left, not built again (which would find the new picture).
    WriteSolidBmp(viewer.Picture(L"p9.bmp"), 60, 40, kColours[0]);
    run(kCmdViewExhibit);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 2; }));
    Sleep(1500);
    EXPECT_EQ(Count(catalog.list), 2);
    run(kCmdExit);
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

// The viewer closed from outside (the tray's Exit) while the Catalog is open,
// even in the middle of building a view: a clean end.
TEST(Catalog, TheViewerClosedWhileTheCatalogIsOpenEndsCleanly) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"p0.bmp"), 60, 40, kColours[0]);
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdViewExhibit, 0);
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

// Thumbnail sizes at the edges of sense: the Catalog opens, lists and closes.
TEST(Catalog, ThumbnailSizesZeroOneAndTwoThousand) {
    for (const wchar_t* size : {L"0", L"1", L"2000"}) {
        Viewer viewer;
        WriteSolidBmp(viewer.Picture(L"p0.bmp"), 60, 40, kColours[0]);
        viewer.WriteSettings(std::wstring(L"[Catalog]\r\nthumbsize=") + size + L"\r\n");
        ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
        const CatalogOpen catalog = OpenCatalog(viewer);
        ASSERT_TRUE(catalog.list) << size;
        EXPECT_EQ(Count(catalog.list), 1);
        PostKeyTo(catalog.list, VK_ESCAPE);
        EXPECT_TRUE(WaitGone(catalog.dialog)) << size;
        EXPECT_TRUE(viewer.WaitForShown(L"p0.bmp"));
    }
}

// Del on a drive without a recycle bin: the files that would be deleted for
// ever are named first, and Cancel, the default button, keeps them all.
TEST(Catalog, RecycleWhereThereIsNoBinNamesTheFilesFirst) {
    const std::wstring folder = L"N:\\catalog-" + std::to_wstring(GetCurrentProcessId());
    if (GetDriveTypeW(L"N:\\") != DRIVE_REMOTE || !CreateDirectoryW(folder.c_str(), nullptr)) GTEST_SKIP();
    Viewer viewer;
    const std::wstring x = folder + L"\\x.bmp", y = folder + L"\\y.bmp", z = folder + L"\\z.bmp";
    const std::wstring files[] = {x, y, z};
    for (int i = 0; i < 3; ++i) WriteSolidBmp(files[i], 20, 20, kColours[i]);
    viewer.WriteSettings(L"[Shell]\r\nconfirmdelete=FALSE\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions \"" + folder + L"\""));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    InViewer remote(viewer);
    for (const bool confirm : {false, true}) {
        remote.Select(catalog.list, {0, 1});
        PostMessageW(catalog.dialog, WM_COMMAND, kCmdRecycle, 0);
        const MessageBoxInfo box = viewer.WaitForDialog(L"Oxbrill Catalog", 20000);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, x + L"\n" + y + L"\nThis drive has no Recycle Bin. Delete for ever?");
        if (confirm) PostMessageW(box.window, WM_COMMAND, IDOK, 0);
        else PostKeyTo(box.window, VK_RETURN);
        ASSERT_TRUE(WaitGone(box.window));
        EXPECT_TRUE(WaitUntil([&] { return FileExists(x) != confirm && FileExists(y) != confirm; })) << confirm;
        EXPECT_TRUE(FileExists(z));
    }
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 1; }));
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdExit, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0);
    RemoveTree(folder);
}

// Keys through the input queue: arrows move, Shift extends one range, the Alt rows run, Alt+F4 ends the program.
TEST(CatalogKeys, ArrowsMoveShiftArrowsExtendAndAltChordsRunTheirCommands) {
    Viewer viewer;
    const int n = 14;
    for (int i = 0; i < n; ++i) WriteSolidBmp(viewer.Picture(L"p" + std::to_wstring(10 + i) + L".bmp"), 40, 30, kColours[0]);
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list && SetForegroundWindow(catalog.dialog));
    RECT client{};   // the thumbnails a row, from the list's width and spacing:
    GetClientRect(catalog.list, &client);
    const int row = client.right / std::max(1, int(LOWORD(SendMessageW(catalog.list, LVM_GETITEMSPACING, 0, 0))));
    const auto key = [](WORD vk, bool up) { keybd_event(BYTE(vk), 0, up ? KEYEVENTF_KEYUP : 0, 0), Sleep(30); };
    const struct { WORD shift, vk; int focus, from, to; } steps[] = {   // the key, then the focus and the selection
        {0, VK_RIGHT, 1, 1, 1}, {0, VK_DOWN, 1 + row, 1 + row, 1 + row}, {0, VK_LEFT, row, row, row}, {0, VK_UP, 0, 0, 0},
        {0, VK_UP, 0, 0, 0}, {0, VK_LEFT, 0, 0, 0}, {1, VK_RIGHT, 1, 0, 1}, {1, VK_DOWN, 1 + row, 0, 1 + row}, {1, VK_UP, 1, 0, 1},
        {0, VK_END, n - 1, n - 1, n - 1}, {0, VK_DOWN, n - 1, n - 1, n - 1}, {1, VK_UP, n - 1 - row, n - 1 - row, n - 1},
    };
    WORD shift = 0;
    for (const auto& step : steps) {
        if (step.shift != shift) key(VK_SHIFT, !step.shift), shift = step.shift;
        key(step.vk, false), key(step.vk, true);
        EXPECT_TRUE(WaitUntil([&] {
            bool right = Focused(catalog.list) == step.focus;
            for (int i = 0; i < n; ++i)
                right &= (SendMessageW(catalog.list, LVM_GETITEMSTATE, i, LVIS_SELECTED) != 0) == (i >= step.from && i <= step.to);
            return right;
        }, 5000)) << "key " << step.vk << " to " << step.focus << ": at " << Focused(catalog.list);
    }
    key(VK_SHIFT, true);
    const auto chord = [&](WORD vk) { key(VK_MENU, false), key(vk, false), key(vk, true), key(VK_MENU, true); };
    chord('V');
    EXPECT_TRUE(WaitUntil([&] { return InViewer(viewer).Text(catalog.list, 0) == L"p23.bmp"; }));
    chord('R'), chord(VK_F4);
    EXPECT_EQ(viewer.WaitForExit(), 0);
    EXPECT_EQ(IniValue(ReadUtf16File(viewer.SettingsPath()), L"[Slideshow]", L"sort"), L"2");
}

// ---- The focus after recycling and archiving, and when the list is reloaded ----

// Recycled, archived or deleted by another program, the focused picture
// leaves its place and the focus to the next, a place past the end gives it
// to the viewer's picture; one still there keeps it. The shell's menu for a
// picture opens and closes on the way.
TEST(CatalogFocus, RecycleArchiveAndOutsideDeletesKeepTheFocusedPlace) {
    Viewer viewer;
    TempFolder store(L"catalogfocus");
    store.Folder(L"archive");
    const auto name = [](int i) { return L"p" + std::to_wstring(i) + L".bmp"; };
    for (int i = 0; i < 8; ++i) WriteSolidBmp(viewer.Picture(name(i)), 40 + i, 30, kColours[i % 6]);
    viewer.WriteSettings(L"[Portable]\r\narchive=" + store.Path(L"archive") +
                         L"\r\n[Shell]\r\nconfirmarchive=FALSE\r\nconfirmdelete=FALSE\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    InViewer remote(viewer);
    const auto expect = [&](int count, int focused, int shown) {
        EXPECT_TRUE(WaitUntil([&] {
            const int n = Count(catalog.list), at = Focused(catalog.list);
            return n == count && at == focused && remote.Text(catalog.list, at) == name(shown);
        })) << count << " items, " << focused << " focused: " << Count(catalog.list) << ", " << Focused(catalog.list);
    };
    remote.Select(catalog.list, {2});
    PostKeyTo(catalog.list, VK_APPS);
    const HWND menu = viewer.WaitForPopupMenu(10000);
    if (menu) PostKeyTo(menu, VK_ESCAPE);
    EXPECT_TRUE(menu && WaitGone(menu));
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdRecycle, 0);
    AnswerTheShell(catalog.dialog);
    expect(7, 2, 3);   // p0 p1 [p3] p4 p5 p6 p7
    remote.Select(catalog.list, {3, 2});   // p4 and p3, p3 focused
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdMoveToArchive, 0);
    expect(5, 2, 5);   // p0 p1 [p5] p6 p7
    remote.Select(catalog.list, {3});
    const int gone[][4] = {{6, 4, 3, 7}, {1, 3, 2, 7}, {7, 2, 0, 0}};   // [p7] after p6; [p7] after p1; [p0] after p7
    for (const auto& g : gone) DeleteFileW(viewer.Picture(name(g[0])).c_str()), expect(g[1], g[2], g[3]);
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdExit, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

// With auto-find on, a picture that arrives takes the focus from the user's.
TEST(CatalogFocus, AutoFindFocusesThePictureThatArrives) {
    Viewer viewer;
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"}) WriteSolidBmp(viewer.Picture(name), 40, 30, kColours[0]);
    viewer.WriteSettings(L"[Folder]\r\nautofindtype=1\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    const CatalogOpen catalog = OpenCatalog(viewer);
    ASSERT_TRUE(catalog.list);
    InViewer remote(viewer);
    remote.Select(catalog.list, {2});
    Sleep(500);
    WriteSolidBmp(viewer.Picture(L"b2.bmp"), 40, 30, kColours[1]);
    EXPECT_TRUE(WaitUntil([&] { return Count(catalog.list) == 4 && remote.Text(catalog.list, Focused(catalog.list)) == L"b2.bmp"; }));
    PostMessageW(catalog.dialog, WM_COMMAND, kCmdExit, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0);
}
