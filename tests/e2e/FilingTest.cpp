// Filing pictures away as the user does it: favorites, the archive and its
// log, the recycle bin, copy and move through the save dialog, Save As, the
// clipboard, and undo of each; and failures that leave every file as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "e2e/ViewerDriver.h"
#include "exhibit/ShellLink.h"

using namespace e2e;

namespace {

const COLORREF kRed = RGB(220, 20, 20), kGreen = RGB(20, 200, 40), kBlue = RGB(20, 40, 220);

// Every file under `root` with a hash of its bytes: what "nothing changed" means.
std::map<std::wstring, size_t> FolderState(const std::wstring& root) {
    std::map<std::wstring, size_t> state;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file()) state[entry.path().wstring()] = std::hash<std::string>{}(ReadBytes(entry.path()));
    return state;
}

// A 24-bit bitmap, its left half `left` and right half `right`.
std::string TwoColourBmp(int w, int h, COLORREF left, COLORREF right) {
    std::string bytes = BmpBytes(w, h);
    const int stride = (w * 3 + 3) & ~3;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = x < w / 2 ? left : right;
            char* p = &bytes[54 + size_t(y) * stride + size_t(x) * 3];
            p[0] = char(GetBValue(c)), p[1] = char(GetGValue(c)), p[2] = char(GetRValue(c));
        }
    return bytes;
}

std::wstring LinkTarget(const std::wstring& link) {
    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize] = {};
    return shell.Read(link.c_str(), target, false) ? target : L"<unreadable>";
}

struct Filing : testing::Test {
    Viewer viewer;
    TempFolder store{L"filed"};
    std::wstring pictures[3];
    void SetUp() override {
        const COLORREF colours[] = {kRed, kGreen, kBlue};
        for (int i = 0; i < 3; ++i) {
            pictures[i] = viewer.Picture(std::wstring(1, L'a' + i) + L".bmp");
            WriteSolidBmp(pictures[i], 80 + 10 * i, 60, colours[i]);
        }
        store.Folder(L"favorites");
        store.Folder(L"archive");
    }
    void Start(const std::wstring& settings, std::wstring favorites = L"", std::wstring archive = L"",
               const std::wstring& options = L"") {
        if (favorites.empty()) favorites = store.Path(L"favorites");
        if (archive.empty()) archive = store.Path(L"archive");
        viewer.WriteSettings(L"[Portable]\r\nfavorites=" + favorites + L"\r\narchive=" + archive +
                             L"\r\n[Shell]\r\nconfirmarchive=FALSE\r\n" + settings);
        ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions " + options));
        ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    }
    // Runs `command` and waits for the picture named `shown`.
    void Run(int command, const std::wstring& shown) {
        viewer.PostCommand(command);
        EXPECT_TRUE(viewer.WaitForShown(shown)) << command << " " << testing::PrintToString(viewer.Caption());
    }
};

}  // namespace

TEST_F(Filing, FavoritesAndTheArchiveWithItsLogAndUndoOfEach) {
    store.File(L"favorites\\a.bmp.lnk", "taken");
    store.File(L"favorites\\a.bmp", "taken too");
    Start(L"");
    const std::string a = ReadBytes(pictures[0]);
    const std::wstring favorites = store.Path(L"favorites\\"), archive = store.Path(L"archive");

    Run(kCmdSendShortcut, L"a.bmp");
    Run(kCmdSendCopy, L"a.bmp");
    ASSERT_TRUE(WaitUntil([&] { return FileExists(favorites + L"a-01.bmp"); }));
    EXPECT_EQ(LinkTarget(favorites + L"a.bmp-01.lnk"), pictures[0]);
    EXPECT_TRUE(ReadBytes(favorites + L"a-01.bmp") == a);
    EXPECT_EQ(ReadBytes(favorites + L"a.bmp.lnk"), "taken");

    // Archived: moved whole, logged, and the next picture shown.
    Run(kCmdMoveToArchive, L"b.bmp");
    EXPECT_FALSE(FileExists(pictures[0]));
    EXPECT_TRUE(ReadBytes(archive + L"\\a.bmp") == a);
    const std::wstring log = viewer.ProgramFile(L"archived.log");
    const std::wstring there = pictures[0] + L" -> " + archive + L"\r\n";
    EXPECT_EQ(ReadBytes(log), Utf16(there));

    // Undo, newest first: the archived picture comes back to its place and is
    // shown, and the log says so; then the copy and the shortcut go.
    Run(kCmdUndo, L"a.bmp");
    EXPECT_TRUE(ReadBytes(pictures[0]) == a);
    EXPECT_FALSE(FileExists(archive + L"\\a.bmp"));
    EXPECT_EQ(ReadBytes(log), Utf16(there + archive + L"\\a.bmp -> " + viewer.Pictures() + L"\r\n"));
    viewer.PostCommand(kCmdUndo);
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(favorites + L"a-01.bmp"); }));
    viewer.PostCommand(kCmdUndo);
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(favorites + L"a.bmp-01.lnk"); }));
    Run(kCmdNext, L"b.bmp");   // the undo of the archive put a.bmp back before it

    // Without the log: the picture moves and the log stays as it was.
    viewer.PostCommand(kCmdArchiveLog);
    const std::string logBefore = ReadBytes(log);
    Run(kCmdMoveToArchive, L"c.bmp");
    EXPECT_TRUE(FileExists(archive + L"\\b.bmp"));
    EXPECT_TRUE(ReadBytes(log) == logBefore);

    // Undo will not put a file back over one that now has its name.
    WriteSolidBmp(pictures[1], 10, 10, kRed);
    const auto before = FolderState(store.Root()), beside = FolderState(viewer.Pictures());
    viewer.PostCommand(kCmdUndo);
    AnswerBox(viewer, pictures[1] + L" Not undone: a file now has the name");
    EXPECT_EQ(FolderState(store.Root()), before);
    EXPECT_EQ(FolderState(viewer.Pictures()), beside);
}

TEST_F(Filing, RecycleCopyAndMoveThroughTheDialogAndUndo) {
    Start(L"confirmdelete=TRUE\r\n");
    const std::string a = ReadBytes(pictures[0]);

    // The last picture recycled: the first one is shown.
    Run(kCmdLast, L"c.bmp");
    viewer.PostCommand(kCmdRecycle);
    AnswerBox(viewer, L"Recycle " + pictures[2] + L" ?");
    // The shell asks too.
    if (const MessageBoxInfo shell = viewer.WaitForDialog(nullptr, 3000); shell.window)
        PostMessageW(shell.window, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(viewer.WaitForShown(L"a.bmp"));
    EXPECT_FALSE(FileExists(pictures[2]));

    // A copy is shown in the place of its source; moved, it keeps that place.
    const std::wstring copy = viewer.Picture(L"copy.bmp"), renamed = viewer.Picture(L"renamed.bmp");
    viewer.PostCommand(kCmdCopyFile);
    AnswerSaveDialog(viewer, L"Copy File", copy);
    EXPECT_TRUE(viewer.WaitForShown(L"copy.bmp"));
    EXPECT_TRUE(ReadBytes(copy) == a);
    viewer.PostCommand(kCmdMoveRename);
    AnswerSaveDialog(viewer, L"Move/Rename File", renamed);
    EXPECT_TRUE(viewer.WaitForShown(L"renamed.bmp"));
    EXPECT_FALSE(FileExists(copy));
    Run(kCmdNext, L"a.bmp");

    Run(kCmdUndo, L"copy.bmp");
    EXPECT_FALSE(FileExists(renamed));
    EXPECT_TRUE(ReadBytes(copy) == a);
    Run(kCmdUndo, L"a.bmp");
    EXPECT_FALSE(FileExists(copy));
    // Recycling is undone from the recycle bin, not here: the user is told
    // so, and nothing changes.
    const auto before = FolderState(viewer.Pictures());
    viewer.PostCommand(kCmdUndo);
    AnswerBox(viewer, pictures[2] + L" was recycled: restore it from the Recycle Bin");
    Run(kCmdCurrent, L"a.bmp");
    EXPECT_EQ(FolderState(viewer.Pictures()), before);
}

TEST_F(Filing, SaveAsWritesWhatIsShownAndTheClipboardCarriesIt) {
    WriteBytes(pictures[0], TwoColourBmp(80, 60, kRed, kBlue));
    Start(L"", L"", L"", L"-z50");
    // JPEG at 50%: half the size. A name typed with the other extension gets the format's own.
    viewer.PostCommand(kCmdSaveAs);
    AnswerSaveDialog(viewer, L"Save As", viewer.Picture(L"half"));
    ASSERT_TRUE(viewer.WaitForShown(L"half.jpg"));
    PictureFile half(viewer.Picture(L"half.jpg"));
    EXPECT_EQ(half.width, 40);
    EXPECT_EQ(half.height, 30);
    EXPECT_EQ(ReadBytes(viewer.Picture(L"half.jpg")).substr(0, 2), "\xFF\xD8");
    Run(kCmdNext, L"a.bmp");

    // Turned right, as BMP: the left (red) half is now on top.
    viewer.PostCommand(kCmdRotateRight);
    viewer.PostCommand(kCmdSaveAs);
    AnswerSaveDialog(viewer, L"Save As", viewer.Picture(L"turned.jpg"), 2);
    ASSERT_TRUE(viewer.WaitForShown(L"turned.jpg.bmp"));
    PictureFile turned(viewer.Picture(L"turned.jpg.bmp"));
    EXPECT_EQ(turned.width, 30);
    EXPECT_EQ(turned.height, 40);
    EXPECT_EQ(ReadBytes(viewer.Picture(L"turned.jpg.bmp")).substr(0, 2), "BM");
    EXPECT_TRUE(turned.ends.size() == 2 && NearColour(turned.ends[0], kRed, 24) && NearColour(turned.ends[1], kBlue, 24))
        << Hex(turned.ends.at(0)) << " " << Hex(turned.ends.at(1));
    // The same name again: the dialog confirmed "turned.jpg", not the file
    // that exists, so the viewer asks, and No (the default) keeps that file.
    const std::string first = ReadBytes(viewer.Picture(L"turned.jpg.bmp"));
    viewer.PostCommand(kCmdRotateRight);
    viewer.PostCommand(kCmdSaveAs);
    AnswerSaveDialog(viewer, L"Save As", viewer.Picture(L"turned.jpg"), 2);
    const MessageBoxInfo ask = viewer.WaitForDialog(L"Oxbrill", 20000);
    ASSERT_NE(ask.window, nullptr);
    EXPECT_EQ(ask.text, viewer.Picture(L"turned.jpg.bmp") + L" already exists. Replace it?");
    EXPECT_EQ(GetWindowLongW(GetDlgItem(ask.window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON) << "No is the default";
    PostMessageW(ask.window, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(WaitGone(ask.window));
    EXPECT_EQ(ReadBytes(viewer.Picture(L"turned.jpg.bmp")), first);
    viewer.PostCommand(kCmdRotateLeft);
    // Undo removes the file Save As made.
    Run(kCmdUndo, L"a.bmp");
    EXPECT_FALSE(FileExists(viewer.Picture(L"turned.jpg.bmp")));

    // Copy Image and Copy View of a picture smaller than the window: the
    // picture at its display size, without the background.
    for (const int command : {kCmdCopyImage, kCmdCopyView}) {
        const SIZE copied = CopiedBitmap(viewer, command);
        EXPECT_EQ(copied.cx, 40) << command;
        EXPECT_EQ(copied.cy, 30) << command;
    }

    // Paste: a green bitmap becomes the shown picture, which is no file.
    const std::string greenBmp = BmpBytes(20, 10, kGreen);
    HDC screen = GetDC(nullptr);
    HBITMAP green = CreateDIBitmap(screen, reinterpret_cast<const BITMAPINFOHEADER*>(&greenBmp[14]), CBM_INIT,
                                   &greenBmp[54], reinterpret_cast<const BITMAPINFO*>(&greenBmp[14]), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, green);
    CloseClipboard();
    viewer.PostCommand(kCmdPaste);
    EXPECT_NE(viewer.WaitForCaption([](const std::wstring& c) { return c.find(L"Clipboard_Image") != std::wstring::npos; }).find(L"Clipboard_Image"), std::wstring::npos);
    viewer.PostCommand(kCmdRecycle);
    AnswerBox(viewer, L"Not a file");
    viewer.PostCommand(kCmdSaveAs);
    std::wstring offered;
    AnswerSaveDialog(viewer, L"Save As", viewer.Picture(L"pasted"), 1, &offered);
    EXPECT_EQ(offered, L"Clipboard_Image");
    ASSERT_TRUE(viewer.WaitForShown(L"pasted.jpg"));
    EXPECT_EQ(PictureFile(viewer.Picture(L"pasted.jpg")).width, 20);

    // The settings saved under another name.
    viewer.PostCommand(kCmdSaveSettingsAs);
    AnswerSaveDialog(viewer, L"Save Oxbrill Settings", viewer.ProgramFile(L"other.ini"));
    EXPECT_TRUE(WaitUntil([&] { return IniValue(ReadUtf16File(viewer.ProgramFile(L"other.ini")), L"[Image]", L"zoom") == L"50"; }));
}

TEST_F(Filing, FailuresLeaveEveryFileAsItWas) {
    // Targets that cannot be: an archive folder that is missing, a favorites
    // path too long, a desktop on a drive that is not there.
    const std::wstring longFolder = store.Path(std::wstring(250, L'f'));
    Start(L"[Tweak]\r\ndesktop=Q:\\nowhere\r\n", longFolder, store.Path(L"gone"));
    const auto before = FolderState(viewer.Pictures()), storeBefore = FolderState(store.Root());
    const std::pair<int, const wchar_t*> cases[] = {
        {kCmdMoveToArchive, L"Archive operation failed"},
        {kCmdCopyToArchive, L"Copy failed"},
        {kCmdSendCopy, L"Copy failed"},
        {kCmdSendShortcut, L"Create shortcut failed"},
        {kCmdCopyToDesktop, L"Copy failed"},
    };
    for (const auto& [command, message] : cases) {
        viewer.PostCommand(command);
        AnswerBox(viewer, message);
        EXPECT_EQ(FolderState(viewer.Pictures()), before) << command;
        EXPECT_EQ(FolderState(store.Root()), storeBefore) << command;
    }

    // The shown picture changed, then deleted, by another program: said, and
    // nothing done to it.
    WriteBytes(pictures[0], BmpBytes(30, 30, kGreen));
    const auto changed = FolderState(viewer.Pictures());
    viewer.PostCommand(kCmdRecycle);
    AnswerBox(viewer, pictures[0] + L" was changed by another program");
    EXPECT_EQ(FolderState(viewer.Pictures()), changed);
    EXPECT_TRUE(viewer.WaitForShown(L"a.bmp"));
    ASSERT_TRUE(DeleteFileW(pictures[0].c_str()));
    const auto deleted = FolderState(viewer.Pictures());
    viewer.PostCommand(kCmdMoveRename);
    AnswerBox(viewer, pictures[0] + L" is no longer there");
    EXPECT_TRUE(viewer.WaitForShown(L"b.bmp"));
    EXPECT_EQ(FolderState(viewer.Pictures()), deleted);
    EXPECT_EQ(FolderState(store.Root()), storeBefore);
}

// Where the drive has no recycle bin nothing is deleted for ever without asking.
TEST_F(Filing, RecycleWhereThereIsNoBinAsksFirst) {
    const std::wstring folder = L"N:\\filing-" + std::to_wstring(GetCurrentProcessId()), path = folder + L"\\x.bmp";
    if (GetDriveTypeW(L"N:\\") != DRIVE_REMOTE || !CreateDirectoryW(folder.c_str(), nullptr)) GTEST_SKIP();
    WriteSolidBmp(path, 20, 20, kRed);
    WriteSolidBmp(folder + L"\\y.bmp", 20, 20, kBlue);
    viewer.WriteSettings(L"[Shell]\r\nconfirmdelete=FALSE\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide \"" + folder + L"\""));
    ASSERT_TRUE(viewer.WaitForShown(L"x.bmp"));
    for (const int answer : {IDCANCEL, IDOK}) {
        viewer.PostCommand(kCmdRecycle);
        AnswerBox(viewer, path + L"\nThis drive has no Recycle Bin. Delete for ever?", answer);
        EXPECT_TRUE(viewer.WaitForShown(answer == IDOK ? L"y.bmp" : L"x.bmp"));
        EXPECT_EQ(FileExists(path), answer == IDCANCEL);
    }
    RemoveTree(folder);
}

// An archive log another program holds shut: the pictures are archived all
// the same, the log keeps every byte it had, and it is said once a run.
TEST_F(Filing, AnArchiveLogHeldShutIsSaidOnceAndNeverEmptied) {
    const std::wstring log = viewer.ProgramFile(L"archived.log");
    const std::string earlier = Utf16(L"C:\\earlier.jpg -> C:\\archive\r\n");
    WriteBytes(log, earlier);
    Start(L"");
    const std::wstring archive = store.Path(L"archive");
    HANDLE held = CreateFileW(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    viewer.PostCommand(kCmdMoveToArchive);
    AnswerBox(viewer, log + L" cannot be written: entries are missing from it");
    EXPECT_TRUE(viewer.WaitForShown(L"b.bmp"));
    EXPECT_TRUE(FileExists(archive + L"\\a.bmp"));
    Run(kCmdMoveToArchive, L"c.bmp");   // no second box
    EXPECT_TRUE(FileExists(archive + L"\\b.bmp"));
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(log), earlier);
    // Free again: the next move is logged after what was there.
    Run(kCmdUndo, L"b.bmp");
    EXPECT_EQ(ReadBytes(log), earlier + Utf16(archive + L"\\b.bmp -> " + viewer.Pictures() + L"\r\n", false));
}
