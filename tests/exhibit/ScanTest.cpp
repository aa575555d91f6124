// Scanning folders into the exhibit, building it on the worker and finding
// pictures in it.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"

namespace {

using Names = std::vector<std::wstring>;

Names Paths(const Exhibit& exhibit) {
    Names paths;
    for (const ImageEntry& e : exhibit.Snapshot()) paths.push_back(e.path);
    return paths;
}

// The scan's own order, before any sort.
Names Scan(AppState& state, const Names& roots) {
    ScanFolders(*state.exhibit, roots, state.CurrentScanOptions(), nullptr);
    return Paths(*state.exhibit);
}

// The same relative to the tree and sorted, for set-like comparisons; `fold` ignores case.
Names ScanRelative(AppState& state, const TempFolder& tree, const Names& roots, bool fold = false) {
    Names paths = Scan(state, roots);
    for (std::wstring& p : paths) {
        if (p.rfind(tree.Root() + L"\\", 0) == 0) p.erase(0, tree.Root().size() + 1);
        if (fold) CharLowerBuffW(p.data(), DWORD(p.size()));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

TEST(ExhibitScan, BreadthFirstOverEveryRootThenLevelByLevel) {
    TempFolder tree(L"bfs");
    for (const wchar_t* name : {L"r1\\d1\\dd\\deep.jpg", L"r1\\d1\\b.jpg", L"r1\\a.jpg", L"r1\\d2\\c.png",
                                L"r1\\notes.txt", L"r2\\z.gif", L"r2\\sub\\y.bmp"})
        tree.File(name);
    AppState state, flat, slashed;
    const Names roots{tree.Path(L"r1"), tree.Path(L"r2")};
    const Names paths = Scan(state, roots);
    ASSERT_EQ(paths.size(), 6u);
    EXPECT_TRUE(paths[0] == tree.Path(L"r1\\a.jpg") && paths[1] == tree.Path(L"r2\\z.gif")
                && paths[5] == tree.Path(L"r1\\d1\\dd\\deep.jpg"));
    const auto depth = [](const std::wstring& p) { return std::count(p.begin(), p.end(), L'\\'); };
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end(),
                               [&](const auto& x, const auto& y) { return depth(x) < depth(y); }));
    // A final backslash or a repeated root changes nothing.
    EXPECT_EQ(Scan(slashed, {tree.Path(L"r1") + L"\\", tree.Path(L"r2"), tree.Path(L"r2"), tree.Path(L"r1\\d1")}),
              paths);
    flat.subfolders = false;
    EXPECT_EQ(ScanRelative(flat, tree, roots), (Names{L"r1\\a.jpg", L"r2\\z.gif"}));
}

// A shortcut is judged by its target, and its entry carries the target's times.
TEST(ExhibitScan, ShortcutsToPicturesAreEntriesWithTheTargetsTimes) {
    TempFolder tree(L"lnkpic");
    for (const wchar_t* name : {L"store\\real.png", L"store\\notes.txt"}) tree.File(name, "x");
    SetTimes(tree.Path(L"store\\real.png"), 0x01C0000000000001ULL);
    for (const auto& [link, target] : {std::pair{L"pic.lnk", L"real.png"}, {L"x.jpg.lnk", L"notes.txt"},
                                       {L"UPPER.LNK", L"real.png"}})
        ASSERT_TRUE(MakeShortcut(tree.Path(L"show\\") + link, tree.Path(L"store\\") + target));
    AppState state;
    state.subfolders = false;
    EXPECT_EQ(ScanRelative(state, tree, {tree.Path(L"show")}), (Names{L"show\\UPPER.LNK", L"show\\pic.lnk"}));
    for (const ImageEntry& e : state.exhibit->Snapshot())
        EXPECT_TRUE(e.modified.dwHighDateTime == 0x01C00000u && e.created.dwLowDateTime == 1u
                    && e.accessed.dwLowDateTime == 1u);
}

// The formats after the first seven are found like JPG: in subfolders and
// behind shortcuts, in any case, and not while their key is FALSE.
TEST(ExhibitScan, NewerFormatsAreFoundLikeTheOthers) {
    TempFolder tree(L"newer");
    for (const wchar_t* name : {L"r\\a.webp", L"r\\sub\\b.AVIF", L"r\\sub\\c.heic", L"r\\d.Heif", L"r\\e.jxl",
                                L"store\\f.JXL", L"store\\g.webp"})
        tree.File(name, "x");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\f.lnk"), tree.Path(L"store\\f.JXL")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\sub\\g.lnk"), tree.Path(L"store\\g.webp")));
    AppState all, some;
    EXPECT_EQ(ScanRelative(all, tree, {tree.Path(L"r")}), (Names{L"r\\a.webp", L"r\\d.Heif", L"r\\e.jxl", L"r\\f.lnk",
                                                                L"r\\sub\\b.AVIF", L"r\\sub\\c.heic", L"r\\sub\\g.lnk"}));
    for (const wchar_t* key : {L"webp", L"heic"}) some.formats.on[PictureFormatByKey(key)] = false;
    EXPECT_EQ(ScanRelative(some, tree, {tree.Path(L"r")}), (Names{L"r\\e.jxl", L"r\\f.lnk", L"r\\sub\\b.AVIF"}));
}

// However a folder is reached (shortcuts to it, to an ancestor, in a cycle,
// spelt in other letters, symbolic links to itself or its parent), it is
// scanned once.
TEST(ExhibitScan, EveryFolderIsScannedOnceHoweverItIsReached) {
    TempFolder tree(L"lnkdir");
    for (const wchar_t* name : {L"pics\\a.jpg", L"pics\\inner\\b.jpg", L"other\\c.jpg",
                                L"other\\deeper\\d.jpg"}) tree.File(name);
    const std::pair<const wchar_t*, std::wstring> links[] = {
        {L"pics\\to-other.lnk", tree.Path(L"other")}, {L"pics\\inner\\again-other.lnk", tree.Path(L"other")},
        {L"pics\\self.lnk", tree.Path(L"pics")},      {L"pics\\inner\\parent.lnk", tree.Path(L"pics")},
        {L"pics\\inner\\root.lnk", tree.Root()},      {L"other\\back.lnk", tree.Path(L"pics")},
        {L"other\\to-pics-slash.lnk", tree.Path(L"pics") + L"\\"}, {L"other\\to-PICS.lnk", tree.Path(L"PICS")}};
    for (const auto& [link, target] : links) ASSERT_TRUE(MakeShortcut(tree.Path(link), target));
    AppState state, flat, linked;
    EXPECT_EQ(ScanRelative(state, tree, {tree.Path(L"pics")}, true),
              (Names{L"other\\c.jpg", L"other\\deeper\\d.jpg", L"pics\\a.jpg", L"pics\\inner\\b.jpg"}));
    flat.subfolders = false;
    EXPECT_EQ(ScanRelative(flat, tree, {tree.Path(L"pics")}), (Names{L"pics\\a.jpg"})) << "nor are shortcuts followed";

    TempFolder self(L"selflinks");
    self.File(L"a.jpg");
    self.File(L"sub\\b.jpg");
    ASSERT_TRUE(self.FolderLink(L"x", L".") && self.FolderLink(L"y", L".") && self.FolderLink(L"sub\\up", L".."));
    const DWORD start = GetTickCount();
    EXPECT_EQ(ScanRelative(linked, self, {self.Root()}), (Names{L"a.jpg", L"sub\\b.jpg"}));
    EXPECT_LT(GetTickCount() - start, 10000u);
}

TEST(ExhibitScan, RecyclerHiddenBadShortcutsAndLongPaths) {
    TempFolder tree(L"scanrules");
    for (const wchar_t* name : {L"r\\RECYCLER\\a.jpg", L"r\\oldRECYCLERs\\b.jpg", L"r\\lower\\recycler\\c.jpg",
                                L"r\\target\\RECYCLER\\t.jpg", L"r\\hid\\d.jpg", L"r\\shown.jpg", L"r\\secret.jpg",
                                L"r\\gone\\g.jpg", L"r\\gonepic.jpg", L"r\\empty.lnk"})
        tree.File(name);
    SetFileAttributesW(tree.Path(L"r\\hid").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(tree.Path(L"r\\secret.jpg").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\plain.lnk"), tree.Path(L"r\\target\\RECYCLER")));   // judged by its target
    std::mt19937 random(99);
    std::string noise(1500, '\0');
    for (char& c : noise) c = char(random());
    tree.File(L"r\\noise.lnk", noise);
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\to-gone.lnk"), tree.Path(L"r\\gone")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"r\\to-gonepic.lnk"), tree.Path(L"r\\gonepic.jpg")));
    MakeShortcut(tree.Path(L"r\\net.lnk"), L"\\\\oxbrill-no-such-host\\share\\pics");
    MakeShortcut(tree.Path(L"r\\netpic.lnk"), L"\\\\oxbrill-no-such-host\\share\\p.jpg");
    // Targets that vanish before the scan reaches them.
    DeleteFileW(tree.Path(L"r\\gone\\g.jpg").c_str());
    RemoveDirectoryW(tree.Path(L"r\\gone").c_str());
    DeleteFileW(tree.Path(L"r\\gonepic.jpg").c_str());
    // The stored targets of pictures still make entries: loading them fails later.
    const Names always{L"r\\lower\\recycler\\c.jpg", L"r\\netpic.lnk", L"r\\secret.jpg", L"r\\shown.jpg",
                       L"r\\to-gonepic.lnk"};
    AppState withHidden, noHidden;
    noHidden.hidden = false;
    const DWORD start = GetTickCount();
    Names found = ScanRelative(withHidden, tree,
                               {tree.Path(L"missing-root"), tree.Path(L"r\\shown.jpg"), L"", tree.Path(L"r")});
    EXPECT_LT(GetTickCount() - start, 20000u);
    Names expected = always;
    expected.insert(expected.begin(), L"r\\hid\\d.jpg");
    EXPECT_EQ(found, expected);
    EXPECT_EQ(ScanRelative(noHidden, tree, {tree.Path(L"r")}), always);

    // Paths longer than the buffer are skipped, never cut; so is a root too long.
    TempFolder deepTree(L"long");
    deepTree.File(L"r\\short.jpg");
    std::wstring deep = L"r";
    while (deepTree.Path(deep).size() < 210) deep += L"\\" + std::wstring(20, L'd');
    deep += L"\\" + std::wstring(239 - deepTree.Path(deep).size(), L'f');   // a 240-character folder
    deepTree.File(deep + L"\\fits.jpg");
    deepTree.File(deep + L"\\" + std::wstring(40, L'n') + L".jpg");
    deepTree.File(deep + L"\\" + std::wstring(30, L'e') + L"\\inside.jpg");
    AppState longState, longRoot;
    EXPECT_EQ(Scan(longState, {deepTree.Path(L"r")}),
              (Names{deepTree.Path(L"r\\short.jpg"), deepTree.Path(deep + L"\\fits.jpg")}));
    EXPECT_TRUE(Scan(longRoot, {deepTree.Path(deep + L"\\" + std::wstring(30, L'e'))}).empty());
}

TEST(ExhibitBuild, TheWorkerSortsFindsTheShownPictureAndAppends) {
    TempFolder tree(L"build");
    for (const wchar_t* name : {L"one\\b.jpg", L"one\\a.jpg", L"one\\s\\c.jpg", L"two\\x.png",
                                L"empty\\readme.txt"}) tree.File(name);
    AppState state;
    state.sortby = kSortTree;
    state.exhibit->SetCurrentPath(tree.Path(L"one\\s\\c.jpg"));
    ASSERT_TRUE(state.BuildExhibit(tree.Path(L"one").c_str(), false, nullptr) && state.exhibit->WaitIdle(10000));
    EXPECT_EQ(Paths(*state.exhibit),
              (Names{tree.Path(L"one\\a.jpg"), tree.Path(L"one\\b.jpg"), tree.Path(L"one\\s\\c.jpg")}));
    EXPECT_TRUE(state.exhibit->CurrentIndex() == 2 && state.exhibit->ViewedFolder() == tree.Path(L"one"));
    // Appending a folder without pictures still answers true and keeps the list.
    EXPECT_TRUE(state.BuildExhibit(tree.Path(L"empty").c_str(), true, nullptr) && state.exhibit->WaitIdle(10000));
    EXPECT_TRUE(state.exhibit->Size() == 3u && state.exhibit->ViewedFolder() == tree.Path(L"empty"));
    const Names roots{tree.Path(L"two"), tree.Path(L"empty")};
    EXPECT_TRUE(state.BuildExhibit(tree.Path(L"x").c_str(), true, &roots) && state.exhibit->WaitIdle(10000));
    EXPECT_TRUE(state.exhibit->Size() == 4u && state.exhibit->CurrentIndex() == 2) << "c.jpg still sorts third";
    // Replacing with an empty folder empties the exhibit and answers false.
    EXPECT_FALSE(state.BuildExhibit(tree.Path(L"empty").c_str(), false, nullptr));
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    EXPECT_TRUE(state.exhibit->Empty() && state.exhibit->CurrentIndex() == 0);
}
