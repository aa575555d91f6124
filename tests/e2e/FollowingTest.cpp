// The exhibit following the world: find and filter, the change watcher and
// auto-find, dropped files, and the collage.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

// Drops `paths` on the viewer's window as the shell would: a DROPFILES block
// placed in the viewer's own memory, with Shift held when asked.
void Drop(const Viewer& viewer, const std::vector<std::wstring>& paths, bool shift = false) {
    const DROPFILES header{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::wstring block(sizeof header / sizeof(wchar_t), L'\0');
    memcpy(block.data(), &header, sizeof header);
    for (const std::wstring& path : paths) block += path + L'\0';
    block += L'\0';
    HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, viewer.ProcessId());
    void* remote = VirtualAllocEx(process, nullptr, block.size() * 2, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    WriteProcessMemory(process, remote, block.data(), block.size() * 2, nullptr);
    CloseHandle(process);
    if (shift) keybd_event(VK_SHIFT, 0, 0, 0), Sleep(300);
    PostMessageW(viewer.Main(), WM_DROPFILES, WPARAM(remote), 0);
    // Shift goes up, and the viewer sees it go, before anything else is asked.
    if (shift) Sleep(500), keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0), Sleep(300);
}

// Asks the viewer's window for an answer every 100 ms on a thread of its own
// until stopped; counts the asks that found no answer within two seconds.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window) : thread_([this, window] {
        for (; !stop_; Sleep(100)) {
            DWORD_PTR answer = 0;
            ++asked_;
            if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer)) ++unanswered_;
        }
    }) {}
    ~AnswerProbe() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int Asked() const { return asked_; }
    int Unanswered() const { return unanswered_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> asked_{0}, unanswered_{0};
    std::thread thread_;
};

}  // namespace

TEST(Following, DropsReplaceOrAppendTheExhibit) {
    Viewer viewer;
    TempFolder other(L"dropped");
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 40, 30, RGB(200, 0, 0));
    WriteSolidBmp(other.Path(L"x.bmp"), 40, 30, RGB(0, 200, 0));
    WriteSolidBmp(other.Path(L"y.bmp"), 40, 30, RGB(0, 0, 200));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    Drop(viewer, {other.Root()});
    EXPECT_TRUE(viewer.WaitForShown(L"x.bmp"));
    viewer.PostCommand(kCmdNext);
    EXPECT_TRUE(viewer.WaitForShown(L"y.bmp"));
    viewer.PostCommand(kCmdNext);
    EXPECT_TRUE(viewer.WaitForShown(L"x.bmp"));
    // With Shift the folder is added: stepping round meets all three.
    Drop(viewer, {viewer.Pictures()}, true);
    ASSERT_TRUE(viewer.WaitForShown(L"x.bmp"));
    std::set<std::wstring> seen;
    for (int i = 0; i < 3; ++i) {
        const std::wstring before = viewer.Caption();
        viewer.PostCommand(kCmdNext);
        seen.insert(viewer.WaitForCaption([&](const std::wstring& c) { return c != before; }));
    }
    EXPECT_EQ(seen, (std::set<std::wstring>{viewer.Picture(L"a.bmp") + L" - Oxbrill", other.Path(L"x.bmp") + L" - Oxbrill",
                                            other.Path(L"y.bmp") + L" - Oxbrill"}));
}

namespace {

// Opens Find/Filter, types `text` with the options, and leaves by `button`
// (Enter when 0, which filters).
void FindFilter(const Viewer& viewer, const wchar_t* text, int button, bool nameOnly = false, bool matchCase = false) {
    viewer.PostCommand(kCmdFindFilter);
    const MessageBoxInfo dialog = viewer.WaitForDialog(L"Find/Filter");
    ASSERT_NE(dialog.window, nullptr);
    SetDlgItemTextW(dialog.window, IDC_VALUE, text);
    SendDlgItemMessageW(dialog.window, IDC_FIND_FILENAME_ONLY, BM_SETCHECK, nameOnly, 0);
    SendDlgItemMessageW(dialog.window, IDC_FIND_MATCH_CASE, BM_SETCHECK, matchCase, 0);
    if (button) PostMessageW(dialog.window, WM_COMMAND, button, 0);
    else PostKeyTo(GetDlgItem(dialog.window, IDC_VALUE), VK_RETURN);
    ASSERT_TRUE(WaitGone(dialog.window));
}

}  // namespace

TEST(Following, FindJumpsAndWrapsFilterAndExcludeNarrowViewExhibitRestores) {
    Viewer viewer;
    for (const wchar_t* name : {L"a.bmp", L"b-beach.bmp", L"c.bmp", L"d-Beach.bmp"})
        WriteSolidBmp(viewer.Picture(name), 40, 30, RGB(90, 90, 90));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    const auto step = [&](int command, const wchar_t* shown) {
        viewer.PostCommand(command);
        EXPECT_TRUE(viewer.WaitForShown(shown)) << command << " " << testing::PrintToString(std::wstring(shown));
    };
    FindFilter(viewer, L"beach", IDC_FIND_FIND);
    EXPECT_TRUE(viewer.WaitForShown(L"b-beach.bmp"));
    step(kCmdFindNext, L"d-Beach.bmp");
    step(kCmdFindNext, L"b-beach.bmp");   // round again
    FindFilter(viewer, L"Beach", IDC_FIND_FIND, false, true);
    EXPECT_TRUE(viewer.WaitForShown(L"d-Beach.bmp"));
    FindFilter(viewer, L"bmp", IDC_FIND_FIND, true);   // the extension is no part of the name alone
    AnswerBox(viewer, L"No match");

    // Filter (Enter) keeps the two beaches, the shown one still shown; Exclude narrows again.
    FindFilter(viewer, L"BEACH", 0);
    step(kCmdNext, L"b-beach.bmp");
    step(kCmdNext, L"d-Beach.bmp");
    FindFilter(viewer, L"d-", IDC_FIND_EXCLUDE);
    EXPECT_TRUE(viewer.WaitForShown(L"b-beach.bmp"));
    // View Exhibit brings all back, at the picture shown when the first filter came.
    step(kCmdViewExhibit, L"d-Beach.bmp");
    step(kCmdNext, L"a.bmp");
    // A filter that keeps nothing shows nothing, and loses nothing.
    FindFilter(viewer, L"zzz", IDC_FIND_FILTER);
    EXPECT_NE(viewer.WaitForCaption([](const std::wstring& c) { return c.find(L".bmp") == std::wstring::npos; })
                  .find(L".bmp"), 0u);
    step(kCmdViewExhibit, L"a.bmp");
    // A drop makes a new home exhibit: View Exhibit keeps it, not the list saved before.
    FindFilter(viewer, L"beach", 0);
    TempFolder other(L"dropped");
    for (const wchar_t* name : {L"x.bmp", L"y.bmp"}) WriteSolidBmp(other.Path(name), 40, 30, RGB(0, 200, 0));
    Drop(viewer, {other.Root()});
    ASSERT_TRUE(viewer.WaitForShown(L"x.bmp"));
    viewer.PostCommand(kCmdViewExhibit);
    step(kCmdNext, L"y.bmp");
}

TEST(Following, TheWatcherBringsNewPicturesInAndLetsDeletedOnesGo) {
    Viewer viewer;
    auto watched = std::make_unique<TempFolder>(L"watched");   // not the viewer's working folder, so it can move
    WriteSolidBmp(watched->Path(L"a.bmp"), 40, 30, RGB(200, 0, 0));
    WriteSolidBmp(watched->Path(L"b.bmp"), 40, 30, RGB(0, 200, 0));
    viewer.WriteSettings(L"[Folder]\r\nautofindtype=1\r\n");
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions \"" + watched->Root() + L"\""));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));

    // A new picture is in the exhibit, and shown as the newest, within a
    // second. The fresh list ends the filter, and View Exhibit keeps it.
    FindFilter(viewer, L"b", 0, true);
    ASSERT_TRUE(viewer.WaitForShown(L"b.bmp"));
    Sleep(300);
    const DWORD start = GetTickCount();
    WriteSolidBmp(watched->Path(L"new.bmp"), 40, 30, RGB(0, 0, 200));
    EXPECT_TRUE(viewer.WaitForShown(L"new.bmp", 3000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    viewer.PostCommand(kCmdNext);
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    viewer.PostCommand(kCmdViewExhibit);
    viewer.PostCommand(kCmdPrevious);
    EXPECT_TRUE(viewer.WaitForShown(L"new.bmp"));

    // Deleted outside while shown: the next picture takes its place, nothing is reported.
    viewer.PostCommand(kCmdAutoFindCreated);   // auto-find off again
    ASSERT_TRUE(DeleteFileW(watched->Path(L"new.bmp").c_str()));
    const std::wstring after = viewer.WaitForCaption([](const std::wstring& c) { return c.find(L"new.bmp") == std::wstring::npos; });
    EXPECT_NE(after.find(L"a.bmp"), std::wstring::npos) << testing::PrintToString(after);
    EXPECT_EQ(viewer.WaitForDialog(nullptr, 1000).window, nullptr);
    EXPECT_FALSE(FileExists(viewer.ProgramFile(L"errors.log")));

    // The watched folder is renamed and changes on: the watch waits quietly and
    // the viewer keeps what it shows. (Wine keeps a watched folder that is
    // deleted until the watch ends, so a rename stands in for both.)
    const std::wstring moved = watched->Root() + L"-moved";
    ASSERT_TRUE(MoveFileW(watched->Root().c_str(), moved.c_str()));
    WriteSolidBmp(moved + L"\\late.bmp", 40, 30, RGB(0, 0, 200));
    Sleep(1000);
    EXPECT_TRUE(viewer.Running());
    EXPECT_EQ(viewer.Caption(), after);
    // Back under its name, and after a Refresh, it is watched: a new picture comes in.
    ASSERT_TRUE(MoveFileW(moved.c_str(), watched->Root().c_str()));
    viewer.PostCommand(kCmdRefresh);
    viewer.PostCommand(kCmdAutoFindCreated);
    Sleep(2000);
    WriteSolidBmp(watched->Path(L"back.bmp"), 40, 30, RGB(0, 0, 200));
    EXPECT_TRUE(viewer.WaitForShown(L"back.bmp", 5000));
}

// Ten thousand names dropped at once are looked at on the build worker (the
// names alone are enough: each is asked about as a file would be): the window
// answers all the while, and the first of them is shown.
TEST(Following, TenThousandDroppedFilesNeverHoldTheWindowUp) {
    Viewer viewer;
    TempFolder many(L"manydropped");
    WriteSolidBmp(viewer.Picture(L"a.bmp"), 40, 30, RGB(200, 0, 0));
    WriteSolidBmp(many.Path(L"first.bmp"), 40, 30, RGB(0, 200, 0));
    std::vector<std::wstring> names{many.Path(L"first.bmp")};
    for (int i = 0; i < 10000; ++i) names.push_back(many.Path(L"p" + std::to_wstring(i) + L".bmp"));
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions"));
    ASSERT_TRUE(viewer.WaitForShown(L"a.bmp"));
    AnswerProbe probe(viewer.Main());
    Drop(viewer, names);
    EXPECT_TRUE(viewer.WaitForShown(L"first.bmp", 60000));
    Sleep(500);
    probe.Stop();
    EXPECT_GE(probe.Asked(), 3);
    EXPECT_EQ(probe.Unanswered(), 0);
}

// A fast slideshow over a watched folder whose pictures are nearly all
// deleted at once: the window answers all the while, nothing is logged for
// files that are merely gone, and the show ends up on a picture still there.
TEST(Following, PicturesDeletedUnderAFastSlideshowAreLetGoQuietly) {
    Viewer viewer;
    auto watched = std::make_unique<TempFolder>(L"vanishing");
    const std::string bytes = BmpBytes(40, 30, RGB(90, 90, 90));
    std::vector<std::wstring> doomed;
    for (int i = 0; i < 400; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"p%03d.bmp", i);
        WriteBytes(watched->Path(name), bytes);
        if (i % 100 != 50) doomed.push_back(watched->Path(name));
    }
    viewer.WriteSettings(L"[Slideshow]\r\ntimer=500\r\n");
    ASSERT_TRUE(viewer.Launch(L"-notransitions \"" + watched->Root() + L"\""));
    ASSERT_TRUE(viewer.WaitForShown(L"p000.bmp"));
    AnswerProbe probe(viewer.Main());
    for (const std::wstring& path : doomed) DeleteFileW(path.c_str());
    const auto remaining = [](const std::wstring& caption) {
        for (const wchar_t* name : {L"p050.bmp", L"p150.bmp", L"p250.bmp", L"p350.bmp"})
            if (caption.find(name) != std::wstring::npos) return true;
        return false;
    };
    std::wstring caption = viewer.WaitForCaption(remaining, 30000);
    EXPECT_TRUE(remaining(caption)) << testing::PrintToString(caption);
    Sleep(3000);   // the show goes on among those left
    caption = viewer.Caption();
    EXPECT_TRUE(remaining(caption)) << testing::PrintToString(caption);
    probe.Stop();
    EXPECT_GE(probe.Asked(), 10);
    EXPECT_EQ(probe.Unanswered(), 0);
    EXPECT_TRUE(viewer.Running());
    EXPECT_FALSE(FileExists(viewer.ProgramFile(L"errors.log")));
}

TEST(Following, TheCollageHeapsTilesInTheViewStartsOverAtEachNewSizeAndIsWhatLeaves) {
    Viewer viewer;
    const std::pair<const wchar_t*, COLORREF> pictures[] = {
        {L"p1.bmp", RGB(220, 30, 30)}, {L"p2.bmp", RGB(30, 200, 40)}, {L"p3.bmp", RGB(40, 40, 220)}};
    for (const auto& [name, colour] : pictures) WriteSolidBmp(viewer.Picture(name), 200, 100, colour);
    std::wstring settings = WindowSettings(RECT{100, 100, 600, 500}, RGB(0, 0, 0));
    settings.replace(0, 9, L"[Image]\r\ncollagesize=80\r\n");
    viewer.WriteSettings(settings);
    ASSERT_TRUE(viewer.Launch(L"-noslide -notransitions -nowrap -collage"));
    RECT view{};
    // Which colours show in the view, each with its bounding box.
    const auto shown = [&] {
        view = viewer.ViewOnScreen();
        Screenshot shot;
        std::vector<RECT> boxes;
        for (const auto& picture : pictures)
            if (RECT box = ColourBox(shot, view, picture.second); !IsRectEmpty(&box)) boxes.push_back(box);
        return boxes;
    };
    for (int i = 0; i < 6; ++i) viewer.PostCommand(kCmdNext), Sleep(150);
    EXPECT_TRUE(WaitUntil([&] { return shown().size() == 3; }, 5000)) << "a heap of all three";
    // F5, a new size and the status bar going each start a new heap: one
    // tile, 80 x 40, inside the view.
    const int bar = viewer.StatusBarHeight();
    for (const int clear : {0, 1, 2}) {
        if (clear == 0) viewer.PostCommand(kCmdCurrent);
        else if (clear == 1) SetWindowPos(viewer.Main(), nullptr, 0, 0, 450, 380, SWP_NOMOVE | SWP_NOZORDER);
        else viewer.PostCommand(kCmdStatusBar);
        std::vector<RECT> boxes;
        const auto cleared = [&] {
            return viewer.StatusBarHeight() == (clear == 2 ? 0 : bar) && (boxes = shown()).size() == 1;
        };
        EXPECT_TRUE(WaitUntil(cleared, 5000)) << clear;
        if (boxes.size() != 1) continue;
        EXPECT_EQ(Width(boxes[0]), 80) << Describe(boxes[0]);
        EXPECT_EQ(Height(boxes[0]), 40) << Describe(boxes[0]);
        RECT inside{};
        EXPECT_TRUE(IntersectRect(&inside, &boxes[0], &view) && EqualRect(&inside, &boxes[0]));
    }
    // Where the bar was, nothing of it is left under the collage.
    const RECT was{view.left, view.bottom - bar, view.right, view.bottom};
    RECT stale{};
    const auto gone = [&] { return IsRectEmpty(&(stale = ColourBox(Screenshot(), was, GetSysColor(COLOR_BTNFACE)))); };
    EXPECT_TRUE(bar > 0 && WaitUntil(gone, 3000)) << bar << " " << Describe(stale);
    // Copy Image and Save As both give the whole collage, at the view's size.
    const SIZE copied = CopiedBitmap(viewer, kCmdCopyImage);
    viewer.PostCommand(kCmdSaveAs);
    AnswerSaveDialog(viewer, L"Save As", viewer.Picture(L"heap"));
    ASSERT_TRUE(viewer.WaitForShown(L"heap.jpg"));
    const PictureFile saved(viewer.Picture(L"heap.jpg"));
    for (const SIZE size : {copied, SIZE{saved.width, saved.height}})
        EXPECT_TRUE(size.cx == Width(view) && size.cy == Height(view)) << size.cx << " x " << size.cy;
}
