#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/Shortcuts.h"
#include "support/TestFiles.h"
#include "app/AppState.h"

namespace {

// The scan's own order, before any sort.
std::vector<std::wstring> ScanUnsorted(AppState& state, const std::vector<std::wstring>& roots) {
    ScanFolders(*state.exhibit, roots, state.CurrentScanOptions(), nullptr);
    std::vector<std::wstring> paths;
    for (const ImageEntry& e : state.exhibit->Snapshot()) paths.push_back(e.path);
    return paths;
}

std::vector<std::wstring> Paths(const Exhibit& exhibit) {
    std::vector<std::wstring> paths;
    for (const ImageEntry& e : exhibit.Snapshot()) paths.push_back(e.path);
    return paths;
}

// Paths relative to the tree, sorted, for set-like comparisons.
std::vector<std::wstring> Relative(const TempFolder& tree, std::vector<std::wstring> paths) {
    const std::wstring prefix = tree.Root() + L"\\";
    for (std::wstring& p : paths)
        if (p.rfind(prefix, 0) == 0) p = p.substr(prefix.size());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::vector<std::wstring> ScanRelative(AppState& state, const TempFolder& tree, const std::vector<std::wstring>& roots) {
    return Relative(tree, ScanUnsorted(state, roots));
}

size_t Depth(const std::wstring& path) { return std::count(path.begin(), path.end(), L'\\'); }

using Names = std::vector<std::wstring>;

}  // namespace

TEST(ExhibitScan, BreadthFirstOverEveryRootThenLevelByLevel) {
    TempFolder tree(L"bfs");
    tree.File(L"r1\\d1\\dd\\deep.jpg");
    tree.File(L"r1\\d1\\b.jpg");
    tree.File(L"r1\\a.jpg");
    tree.File(L"r1\\d2\\c.png");
    tree.File(L"r1\\notes.txt");
    tree.File(L"r2\\z.gif");
    tree.File(L"r2\\sub\\y.bmp");
    AppState state;
    const Names paths = ScanUnsorted(state, {tree.Path(L"r1"), tree.Path(L"r2")});
    ASSERT_EQ(6u, paths.size());
    EXPECT_EQ(tree.Path(L"r1\\a.jpg"), paths[0]);
    EXPECT_EQ(tree.Path(L"r2\\z.gif"), paths[1]);
    EXPECT_EQ(tree.Path(L"r1\\d1\\dd\\deep.jpg"), paths[5]);
    for (size_t i = 1; i < paths.size(); ++i) EXPECT_LE(Depth(paths[i - 1]), Depth(paths[i])) << paths[i];

    // With subfolders off only the roots are listed.
    AppState flat;
    flat.subfolders = false;
    EXPECT_EQ((Names{L"r1\\a.jpg", L"r2\\z.gif"}), ScanRelative(flat, tree, {tree.Path(L"r1"), tree.Path(L"r2")}));
}

TEST(ExhibitScan, RootsWithOrWithoutFinalBackslashAndRepeatedRoots) {
    TempFolder tree(L"roots");
    tree.File(L"p\\a.jpg");
    tree.File(L"p\\s\\b.jpg");
    AppState plain, slashed, twice;
    const Names a = ScanUnsorted(plain, {tree.Path(L"p")});
    const Names b = ScanUnsorted(slashed, {tree.Path(L"p") + L"\\"});
    EXPECT_EQ(a, b);
    ASSERT_EQ(2u, a.size());
    for (const std::wstring& p : a) EXPECT_EQ(std::wstring::npos, p.find(L"\\\\")) << p;
    // The same root twice is listed once.
    EXPECT_EQ(a, ScanUnsorted(twice, {tree.Path(L"p"), tree.Path(L"p"), tree.Path(L"p\\s")}));
}

TEST(ExhibitScan, ShortcutsToPicturesAreEntriesWithTheTargetsTimes) {
    TempFolder tree(L"lnkpic");
    tree.File(L"store\\real.png", "x");
    tree.File(L"store\\notes.txt", "x");
    SetTimes(tree.Path(L"store\\real.png"), 0x01C0000000000001ULL);
    ASSERT_TRUE(MakeShortcut(tree.Path(L"show\\pic.lnk"), tree.Path(L"store\\real.png")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"show\\x.jpg.lnk"), tree.Path(L"store\\notes.txt")));   // judged by its target
    ASSERT_TRUE(MakeShortcut(tree.Path(L"show\\UPPER.LNK"), tree.Path(L"store\\real.png")));
    AppState state;
    state.subfolders = false;
    const Names paths = ScanRelative(state, tree, {tree.Path(L"show")});
    EXPECT_EQ((Names{L"show\\UPPER.LNK", L"show\\pic.lnk"}), paths);
    for (const ImageEntry& e : state.exhibit->Snapshot()) {
        EXPECT_EQ(0x01C00000u, e.modified.dwHighDateTime);
        EXPECT_EQ(1u, e.created.dwLowDateTime);
        EXPECT_EQ(1u, e.accessed.dwLowDateTime);
    }
}

TEST(ExhibitScan, EveryFolderIsScannedOnceHoweverItIsReached) {
    TempFolder tree(L"lnkdir");
    tree.File(L"pics\\a.jpg");
    tree.File(L"pics\\inner\\b.jpg");
    tree.File(L"other\\c.jpg");
    tree.File(L"other\\deeper\\d.jpg");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\to-other.lnk"), tree.Path(L"other")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\inner\\again-other.lnk"), tree.Path(L"other")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\self.lnk"), tree.Path(L"pics")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\inner\\parent.lnk"), tree.Path(L"pics")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\inner\\root.lnk"), tree.Root()));
    // A cycle: other links back to pics, which is no ancestor of other.
    ASSERT_TRUE(MakeShortcut(tree.Path(L"other\\back.lnk"), tree.Path(L"pics")));
    AppState state;
    const Names expected{L"other\\c.jpg", L"other\\deeper\\d.jpg", L"pics\\a.jpg", L"pics\\inner\\b.jpg"};
    EXPECT_EQ(expected, ScanRelative(state, tree, {tree.Path(L"pics")}));

    // Subfolders off: shortcuts to folders are not followed either.
    AppState flat;
    flat.subfolders = false;
    EXPECT_EQ((Names{L"pics\\a.jpg"}), ScanRelative(flat, tree, {tree.Path(L"pics")}));

    // Two folders whose shortcuts point at each other end as well.
    TempFolder loop(L"lnkloop");
    loop.File(L"x\\1.jpg");
    loop.File(L"y\\2.jpg");
    ASSERT_TRUE(MakeShortcut(loop.Path(L"x\\to-y.lnk"), loop.Path(L"y")));
    ASSERT_TRUE(MakeShortcut(loop.Path(L"y\\to-x.lnk"), loop.Path(L"x")));
    ASSERT_TRUE(MakeShortcut(loop.Path(L"y\\to-x-slash.lnk"), loop.Path(L"x") + L"\\"));
    // The same folder spelled in other letters is still the same folder.
    ASSERT_TRUE(MakeShortcut(loop.Path(L"x\\to-Y.lnk"), loop.Path(L"Y")));
    AppState looped;
    Names found = ScanRelative(looped, loop, {loop.Path(L"x")});
    for (std::wstring& name : found) CharLowerBuffW(name.data(), DWORD(name.size()));
    std::sort(found.begin(), found.end());
    EXPECT_EQ((Names{L"x\\1.jpg", L"y\\2.jpg"}), found);

    // Folders that link back to themselves (x -> ., y -> ., sub\up -> ..)
    // would give endless ever longer paths: each folder is entered once.
    TempFolder self(L"selflinks");
    self.File(L"a.jpg");
    self.File(L"sub\\b.jpg");
    ASSERT_TRUE(self.FolderLink(L"x", L"."));
    ASSERT_TRUE(self.FolderLink(L"y", L"."));
    ASSERT_TRUE(self.FolderLink(L"sub\\up", L".."));
    AppState linked;
    const DWORD start = GetTickCount();
    EXPECT_EQ((Names{L"a.jpg", L"sub\\b.jpg"}), ScanRelative(linked, self, {self.Root()}));
    EXPECT_LT(GetTickCount() - start, 2000u);
}

TEST(ExhibitScan, RecyclerAndHiddenFolderRules) {
    TempFolder tree(L"recycle");
    tree.File(L"r\\RECYCLER\\a.jpg");
    tree.File(L"r\\oldRECYCLERs\\b.jpg");
    tree.File(L"r\\lower\\recycler\\c.jpg");   // a case-blind disk holds one of the two per folder
    tree.File(L"r\\target\\RECYCLER\\t.jpg");
    tree.File(L"r\\hid\\d.jpg");
    tree.File(L"r\\shown.jpg");
    tree.File(L"r\\secret.jpg");
    SetFileAttributesW(tree.Path(L"r\\hid").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(tree.Path(L"r\\secret.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // A shortcut is judged by its target's name, not its own.
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\plain.lnk"), tree.Path(L"r\\target\\RECYCLER")));

    AppState withHidden;
    EXPECT_EQ((Names{L"r\\hid\\d.jpg", L"r\\lower\\recycler\\c.jpg", L"r\\secret.jpg", L"r\\shown.jpg"}),
              ScanRelative(withHidden, tree, {tree.Path(L"r")}));
    AppState noHidden;
    noHidden.hidden = false;
    EXPECT_EQ((Names{L"r\\lower\\recycler\\c.jpg", L"r\\secret.jpg", L"r\\shown.jpg"}),
              ScanRelative(noHidden, tree, {tree.Path(L"r")}));
}

TEST(ExhibitScan, BadShortcutsAndFoldersAreSkippedAndTheScanGoesOn) {
    TempFolder tree(L"badscan");
    tree.File(L"r\\ok.jpg");
    tree.File(L"r\\empty.lnk");
    std::mt19937 random(99);
    std::string noise(1500, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    tree.File(L"r\\noise.lnk", noise);
    tree.File(L"r\\gone\\g.jpg");
    tree.File(L"r\\gonepic.jpg");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\to-gone.lnk"), tree.Path(L"r\\gone")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\to-gonepic.lnk"), tree.Path(L"r\\gonepic.jpg")));
    MakeShortcut(tree.Path(L"r\\net.lnk"), L"\\\\oxbrill-no-such-host\\share\\pics");
    MakeShortcut(tree.Path(L"r\\netpic.lnk"), L"\\\\oxbrill-no-such-host\\share\\p.jpg");
    MakeShortcut(tree.Path(L"r\\nodrive.lnk"), L"Q:\\nothing\\here");
    // Folders that vanish before the scan reaches them: the shortcut still
    // says "folder", the listing fails.
    DeleteFileW(tree.Path(L"r\\gone\\g.jpg").c_str());
    RemoveDirectoryW(tree.Path(L"r\\gone").c_str());
    DeleteFileW(tree.Path(L"r\\gonepic.jpg").c_str());

    AppState state;
    const DWORD start = GetTickCount();
    const Names found = ScanRelative(state, tree,
                                     {tree.Path(L"missing-root"), tree.Path(L"r\\ok.jpg"), L"", tree.Path(L"r")});
    EXPECT_LT(GetTickCount() - start, 10000u);
    // The stored targets of pictures still make entries: loading them fails later.
    EXPECT_EQ((Names{L"r\\netpic.lnk", L"r\\ok.jpg", L"r\\to-gonepic.lnk"}), found);
}

TEST(ExhibitScan, PathsLongerThanTheBufferAreSkippedNotCut) {
    TempFolder tree(L"long");
    tree.File(L"r\\short.jpg");
    std::wstring deep = L"r";
    while (tree.Path(deep).size() < 210) deep += L"\\" + std::wstring(20, L'd');
    deep += L"\\" + std::wstring(239 - tree.Path(deep).size(), L'f');   // a 240-character folder
    tree.File(deep + L"\\fits.jpg");                       // under 260
    tree.File(deep + L"\\" + std::wstring(40, L'n') + L".jpg");   // over 260
    tree.File(deep + L"\\" + std::wstring(30, L'e') + L"\\inside.jpg");
    AppState state;
    const Names found = ScanUnsorted(state, {tree.Path(L"r")});
    ASSERT_EQ(2u, found.size());
    EXPECT_EQ(tree.Path(L"r\\short.jpg"), found[0]);
    EXPECT_EQ(tree.Path(deep + L"\\fits.jpg"), found[1]);
    for (const std::wstring& p : found) EXPECT_LT(p.size(), 260u);
    // A root that is too long contributes nothing.
    AppState longRoot;
    EXPECT_TRUE(ScanUnsorted(longRoot, {tree.Path(deep + L"\\" + std::wstring(30, L'e'))}).empty());
}

TEST(ExhibitBuild, ThreadedBuildSortsFindsTheShownPictureAndAppends) {
    TempFolder tree(L"build");
    tree.File(L"one\\b.jpg");
    tree.File(L"one\\a.jpg");
    tree.File(L"one\\s\\c.jpg");
    tree.File(L"two\\x.png");
    tree.File(L"empty\\readme.txt");
    AppState state;
    state.sort = 0;
    state.sortby = 0;
    state.exhibit->SetCurrentPath(tree.Path(L"one\\s\\c.jpg"));
    ASSERT_TRUE(state.BuildExhibit(tree.Path(L"one").c_str(), false, nullptr));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    const std::vector<std::wstring> built = Paths(*state.exhibit);
    ASSERT_EQ(3u, built.size());
    EXPECT_EQ(tree.Path(L"one\\a.jpg"), built[0]);
    EXPECT_EQ(tree.Path(L"one\\s\\c.jpg"), built[2]);
    EXPECT_EQ(2, state.exhibit->CurrentIndex());
    EXPECT_EQ(tree.Path(L"one"), state.exhibit->ViewedFolder());

    // Appending a folder without pictures still returns; the list is kept.
    EXPECT_TRUE(state.BuildExhibit(tree.Path(L"empty").c_str(), true, nullptr));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    EXPECT_EQ(3u, state.exhibit->Size());
    EXPECT_EQ(tree.Path(L"empty"), state.exhibit->ViewedFolder());
    const std::vector<std::wstring> roots{tree.Path(L"two"), tree.Path(L"empty")};
    EXPECT_TRUE(state.BuildExhibit(tree.Path(L"x").c_str(), true, &roots));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    EXPECT_EQ(4u, state.exhibit->Size());
    EXPECT_EQ(2, state.exhibit->CurrentIndex());   // c.jpg still sorts third

    // Replacing with an empty folder empties the exhibit and answers false.
    EXPECT_FALSE(state.BuildExhibit(tree.Path(L"empty").c_str(), false, nullptr));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    EXPECT_TRUE(state.exhibit->Empty());
    EXPECT_EQ(0, state.exhibit->CurrentIndex());

    // The same on the calling thread.
    state.threadedBuild = false;
    EXPECT_TRUE(state.BuildExhibit(tree.Path(L"one").c_str(), false, nullptr));
    EXPECT_FALSE(state.Building());
    EXPECT_EQ(3u, state.exhibit->Size());
}

TEST(ExhibitBuild, LookUpIsExactAndMatchesShortcutsBothWays) {
    TempFolder tree(L"find");
    tree.File(L"pics\\a.jpg");
    tree.File(L"pics\\B.jpg");
    tree.File(L"store\\t.jpg");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pics\\t.lnk"), tree.Path(L"store\\t.jpg")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"elsewhere.lnk"), tree.Path(L"pics\\a.jpg")));
    AppState state;
    state.sortby = 2;
    ASSERT_TRUE(state.BuildExhibit(tree.Path(L"pics").c_str(), false, nullptr));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    ASSERT_EQ(3u, state.exhibit->Size());
    EXPECT_EQ(0, state.FindExhibitIndex(tree.Path(L"pics\\a.jpg").c_str()));
    EXPECT_EQ(1, state.FindExhibitIndex(tree.Path(L"pics\\B.jpg").c_str()));
    EXPECT_EQ(-1, state.FindExhibitIndex(tree.Path(L"pics\\b.jpg").c_str()));   // case differs
    EXPECT_EQ(-1, state.FindExhibitIndex(L""));
    EXPECT_EQ(-1, state.FindExhibitIndex(nullptr));
    // A shortcut elsewhere finds its target; a target finds the shortcut entry.
    EXPECT_EQ(0, state.FindExhibitIndex(tree.Path(L"elsewhere.lnk").c_str()));
    EXPECT_EQ(2, state.FindExhibitIndex(tree.Path(L"store\\t.jpg").c_str()));
    EXPECT_EQ(-1, state.FindExhibitIndex(tree.Path(L"store\\none.jpg").c_str()));
}

TEST(ExhibitSort, ReSortKeepsTheShownPictureAndShufflesDifferently) {
    AppState state;
    std::vector<ImageEntry> entries;
    for (int i = 0; i < 40; ++i) entries.push_back(ImageEntry{L"C:\\p\\" + std::to_wstring(100 + i) + L".jpg"});
    state.exhibit->Assign(entries);
    state.exhibit->SetCurrentPath(L"C:\\p\\117.jpg");
    state.sort = 1;
    state.sortby = 2;
    state.SortExhibit();
    EXPECT_EQ(L"C:\\p\\139.jpg", Paths(*state.exhibit)[0]);
    EXPECT_TRUE(state.exhibit->IsShowing(L"C:\\p\\117.jpg"));
    state.sort = 2;
    state.SortExhibit();
    const std::vector<std::wstring> first = Paths(*state.exhibit);
    EXPECT_TRUE(state.exhibit->IsShowing(L"C:\\p\\117.jpg"));
    state.SortExhibit();
    EXPECT_NE(first, Paths(*state.exhibit));
    // The shown picture gone: index 0.
    state.exhibit->SetCurrentPath(L"C:\\p\\nothing.jpg");
    state.sort = 0;
    state.SortExhibit();
    EXPECT_EQ(0, state.exhibit->CurrentIndex());
}
