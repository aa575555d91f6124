// Find matching, the filter and its undoing, auto-find's newest picture, and
// the watcher's rebuilds: how many, and when.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "exhibit/Exhibit.h"
#include "exhibit/FindRules.h"
#include "exhibit/FolderScan.h"
#include "exhibit/FolderWatcher.h"
#include "platform/Handles.h"
#include "support/TestFiles.h"

namespace {

FindRecord Find(const wchar_t* text, bool nameOnly, bool matchCase) {
    FindRecord find;
    wcscpy(find.text, text);
    find.fileNameOnly = nameOnly;
    find.matchCase = matchCase;
    return find;
}

std::vector<ImageEntry> Entries(std::initializer_list<const wchar_t*> paths) {
    std::vector<ImageEntry> entries;
    for (const wchar_t* path : paths) entries.push_back(ImageEntry{path});
    return entries;
}

}  // namespace

TEST(FindRules, PathOrNameWithOrWithoutCase) {
    const struct {
        const wchar_t *text, *path;
        bool nameOnly, matchCase, matches;
    } cases[] = {
        {L"jpg", L"C:\\p\\sea.jpg", false, false, true},   // the extension is part of the path
        {L"jpg", L"C:\\p\\sea.jpg", true, false, false},
        {L"jpg", L"C:\\p\\my jpg.png", true, false, true},
        {L"Beach", L"C:\\p\\beach.png", false, false, true},
        {L"Beach", L"C:\\p\\BEACH.gif", false, false, true},
        {L"Beach", L"C:\\p\\BEACH.gif", false, true, false},
        {L"Beach", L"C:\\p\\Beach.gif", false, true, true},
        {L"beach", L"C:\\beach\\x.png", true, false, false},   // the folder is no part of the name
        {L"x.jpg", L"C:\\p\\x.jpg.lnk", true, false, true},   // a shortcut by its own name
        {L"\x00e9t\x00c9", L"C:\\p\\\x00c9T\x00e9.png", false, false, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Matches(Find(c.text, c.nameOnly, c.matchCase), c.path), c.matches)
            << testing::PrintToString(std::wstring(c.text) + L" in " + c.path);

    const auto entries = Entries({L"C:\\a.jpg", L"C:\\b-sea.jpg", L"C:\\c.jpg", L"C:\\d-sea.jpg"});
    const FindRecord sea = Find(L"sea", false, false);
    // Past the end: round again; the only match may be the current one.
    for (const auto& [from, found] : {std::pair{0, 1}, {2, 3}, {4, 1}, {1, 1}})
        EXPECT_EQ(FindFrom(entries, from, sea), found) << from;
    EXPECT_EQ(FindFrom(entries, 0, Find(L"zzz", false, false)), -1);
}

TEST(FindRules, TheNewestPictureByEachTime) {
    auto entries = Entries({L"a", L"b", L"c"});
    const auto at = [](unsigned long long t) { return FILETIME{DWORD(t), DWORD(t >> 32)}; };
    entries[0].created = at(5), entries[0].modified = at(9), entries[0].accessed = at(1);
    entries[1].created = at(7), entries[1].modified = at(2), entries[1].accessed = at(1ull << 40);
    entries[2].created = at(7), entries[2].modified = at(3), entries[2].accessed = at(4);
    for (const auto& [type, newest] : {std::pair{1, 1} /* the first of equals */, {2, 0}, {3, 1}, {0, -1}})
        EXPECT_EQ(NewestIndex(entries, type), newest) << type;
    EXPECT_EQ(NewestIndex({}, 1), -1);
}

TEST(ExhibitFilter, NarrowsTwiceRestoresOnceAndARebuildKeepsThePlace) {
    Exhibit exhibit;
    exhibit.Assign(Entries({L"a1", L"b2", L"a3", L"b4", L"a5"}));
    exhibit.MoveTo(2);
    const auto starts = [](wchar_t c) { return [c](const ImageEntry& e) { return e.path[0] == c; }; };
    exhibit.Filter(starts(L'a'), SavedView{});
    EXPECT_EQ(exhibit.Size(), 3u);
    EXPECT_EQ(exhibit.CurrentPath(), L"a3");   // kept: still shown
    exhibit.MoveTo(2);
    exhibit.Filter([](const ImageEntry& e) { return e.path != L"a5"; }, SavedView{});
    EXPECT_EQ(exhibit.Size(), 2u);
    EXPECT_EQ(exhibit.CurrentIndex(), 0);      // the shown one went: the first
    ASSERT_TRUE(exhibit.Restore());
    EXPECT_EQ(exhibit.Size(), 5u);
    EXPECT_EQ(exhibit.CurrentPath(), L"a3");   // where the first filter found it
    EXPECT_FALSE(exhibit.Filtered());

    // A rescan follows the shown picture; when it is gone, the next takes its place.
    exhibit.Rebuilt(Entries({L"a0", L"a1", L"b2", L"a3", L"b4", L"a5"}));
    EXPECT_EQ(exhibit.CurrentIndex(), 3);
    exhibit.Rebuilt(Entries({L"a0", L"a1", L"b2", L"b4", L"a5"}));
    EXPECT_EQ(exhibit.CurrentPath(), L"b4");
    exhibit.Rebuilt(Entries({L"a0"}));
    EXPECT_EQ(exhibit.CurrentPath(), L"a0");
}

// A burst of new files is one rescan; writes to a file, and names made in a
// subfolder when subfolders are off, are none.
TEST(FolderWatcherRules, ABurstIsOneRescanAndOnlyNamesCount) {
    TempFolder tree(L"watch");
    tree.File(L"a.jpg", "x");
    tree.Folder(L"sub");
    FolderWatcher watcher;
    FolderWatcher::Request request;
    request.folder = tree.Root();
    request.options.subfolders = false;
    request.quietMs = 150;
    request.latencyMs = 50;
    watcher.Start(request);
    Sleep(100);
    for (int i = 0; i < 20; ++i) tree.File(L"n" + std::to_wstring(i) + L".jpg", "x"), Sleep(20);
    const DWORD start = GetTickCount();
    while (watcher.Scans() == 0 && GetTickCount() - start < 5000) Sleep(10);
    Sleep(600);
    EXPECT_EQ(watcher.Scans(), 1u);
    const auto result = watcher.TakeResult();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->entries.size(), 21u);
    EXPECT_FALSE(watcher.TakeResult());

    WriteBytes(tree.Path(L"a.jpg"), "written over");
    tree.File(L"sub\\deep.jpg", "x");
    Sleep(800);
    EXPECT_EQ(watcher.Scans(), 1u);
    watcher.Stop();
    EXPECT_FALSE(watcher.Running());
}

// A rescan asked for now comes without a change to wait for, and a change
// made while a scan is under way (held up here after it listed the folder)
// is in a result that follows it, with nothing else asking for one.
TEST(FolderWatcherRules, ARescanNowAndAChangeDuringASlowScan) {
    TempFolder tree(L"watchslow");
    tree.File(L"a.jpg", "x");
    UniqueHandle listed(CreateEventW(nullptr, TRUE, FALSE, nullptr)), release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::atomic<int> scans{0};
    FolderWatcher watcher;
    FolderWatcher::Request request;
    request.folder = tree.Root();
    request.quietMs = 100;
    request.latencyMs = 50;
    request.scan = [&](const FolderWatcher::Request& asked, Exhibit& list) {
        ScanFolders(list, {asked.folder}, asked.options, nullptr);
        if (scans++ == 0) SetEvent(listed.Get()), WaitForSingleObject(release.Get(), 10000);
    };
    watcher.Start(request);
    Sleep(100);
    watcher.RescanNow();
    ASSERT_EQ(WaitForSingleObject(listed.Get(), 5000), WAIT_OBJECT_0);
    tree.File(L"late.jpg", "x");
    Sleep(300);
    SetEvent(release.Get());
    std::vector<std::vector<std::wstring>> results;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000 && results.size() < 2; Sleep(10)) {
        if (const auto result = watcher.TakeResult()) {
            results.emplace_back();
            for (const ImageEntry& e : result->entries) results.back().push_back(e.path.substr(e.path.rfind(L'\\') + 1));
        }
    }
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0], std::vector<std::wstring>{L"a.jpg"});
    EXPECT_EQ(results[1], (std::vector<std::wstring>{L"a.jpg", L"late.jpg"}));
    watcher.Stop();
}

// A burst is scanned once settled (quiet period, then latency), changes that
// keep coming at least every two seconds; a longer latency is kept.
TEST(FolderWatcherRules, ABurstSettlesATrickleIsScannedEveryTwoSeconds) {
    const struct { DWORD quiet, latency, sinceFirst, sinceLast, left; } cases[] = {
        {200, 200, 0, 0, 400},          {200, 200, 300, 100, 300},  {200, 200, 900, 400, 0},
        {200, 200, 1900, 50, 100},      {200, 200, 2000, 0, 0},     {200, 200, 15000, 100, 0},
        {200, 5000, 3000, 100, 2200},   {200, 5000, 5200, 10, 0},   {0, 0, 0, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ((SettleRule{c.quiet, c.latency}).Left(c.sinceFirst, c.sinceLast), c.left)
            << c.quiet << "+" << c.latency << " at " << c.sinceFirst << "/" << c.sinceLast;
}

// With random order every scan shuffles anew; none starts while the list it
// goes to is being built, one follows the build.
TEST(FolderWatcherRules, EachScanShufflesAnewAndNoneStartsDuringABuild) {
    TempFolder tree(L"watchshuffle");
    for (int i = 0; i < 12; ++i) tree.File(L"p" + std::to_wstring(i) + L".jpg", "x");
    const auto target = std::make_shared<Exhibit>();
    FolderWatcher watcher;
    watcher.Start({.folder = tree.Root(), .options = {}, .order = {kSortRandom}, .target = target, .scan = {}});
    const auto scan = [&](size_t scans) {
        watcher.RescanNow();
        for (const DWORD start = GetTickCount(); watcher.Scans() < scans && GetTickCount() - start < 5000;) Sleep(10);
        std::vector<std::wstring> paths;
        if (const auto result = watcher.TakeResult())
            for (const ImageEntry& e : result->entries) paths.push_back(e.path);
        return paths;
    };
    const std::vector<std::wstring> first = scan(1);   // in this order
    EXPECT_NE(first, scan(2));
    ASSERT_TRUE(target->TryBeginBuild());
    watcher.RescanNow();
    Sleep(500);
    EXPECT_EQ(watcher.Scans(), 2u);
    target->EndBuild();
    EXPECT_EQ(scan(3).size(), 12u);
}
