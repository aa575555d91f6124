// A search for a loadable picture: files that are gone, damaged or too large
// to hold, and how far one search goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"

namespace {

struct Search {
    TempFolder tree{L"oxsearch"};
    AppState s;
    Search() {
        wcscpy(s.errorsLogPath, tree.Path(L"errors.log").c_str());
        s.slide = false;
        s.logerrors = s.loglnkfail = true;
    }
    void List(const std::vector<std::wstring>& paths) {
        std::vector<ImageEntry> entries;
        for (const std::wstring& path : paths) entries.push_back(ImageEntry{path});
        s.exhibit->Assign(std::move(entries));
    }
    void Show(int64_t index) {
        s.exhibit->MoveTo(index);
        s.ShowPicture(true);
    }
    std::wstring Log() { return ReadUtf16File(tree.Path(L"errors.log")); }
};

}  // namespace

// Showing the entry after a good picture when that entry is: a file or folder
// that is gone, a damaged or empty file, a picture beyond the memory budget, a
// shortcut that is gone, a shortcut to a file that is gone. Gone is never
// logged and always leaves the exhibit; damaged is logged and leaves it with
// removefail only; too large stays, unlogged.
TEST(SearchRules, GoneDamagedAndTooLargeEachHaveTheirRule) {
    struct Row {
        const wchar_t* name;
        bool logged, droppedAlways, droppedWithRemovefail;
    };
    const Row rows[] = {
        {L"gone.bmp", false, true, true},          {L"gone-folder\\x.bmp", false, true, true},
        {L"damaged.bmp", true, false, true},       {L"empty.bmp", true, false, true},
        {L"large.bmp", false, false, false},       {L"gone.bmp.lnk", false, true, true},
        {L"to-gone.bmp.lnk", true, false, true},
    };
    for (const bool removefail : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::PrintToString(std::wstring(row.name)) + (removefail ? " removefail" : ""));
            Search t;
            t.s.removefail = removefail;
            t.s.pixelLimit = 1000;
            for (const auto& [name, bytes] : {std::pair{L"a.bmp", BmpBytes(8, 6)}, {L"c.bmp", BmpBytes(8, 6)},
                                              {L"damaged.bmp", std::string("not a picture")}, {L"empty.bmp", std::string()},
                                              {L"large.bmp", BmpBytes(40, 30)}, {L"target.bmp", BmpBytes(8, 6)}})
                t.tree.File(name, bytes);
            ASSERT_TRUE(MakeShortcut(t.tree.Path(L"to-gone.bmp.lnk"), t.tree.Path(L"target.bmp")));
            ASSERT_TRUE(DeleteFileW(t.tree.Path(L"target.bmp").c_str()));
            t.List({t.tree.Path(L"a.bmp"), t.tree.Path(row.name), t.tree.Path(L"c.bmp")});
            t.Show(0);
            t.Show(1);
            EXPECT_TRUE(t.s.picture.IsLoaded() && t.s.exhibit->IsShowing(t.tree.Path(L"c.bmp")));
            EXPECT_EQ(t.Log(), row.logged ? t.tree.Path(row.name) + L"\r\n" : L"");
            const bool dropped = row.droppedAlways || (removefail && row.droppedWithRemovefail);
            EXPECT_EQ(t.s.exhibit->Size(), dropped ? 2u : 3u);
        }
    }
}

// Gone files never take the picture on screen away: when every other entry
// is gone, and then its own file too, it stays shown and current. A search
// through many gone entries stops after a bounded number of them, keeping
// the picture on screen; the next one goes on where it stopped.
TEST(SearchRules, GoneFilesLeaveThePictureOnScreenAndOneSearchIsBounded) {
    Search t;
    t.tree.File(L"a.bmp", BmpBytes(8, 6));
    t.List({t.tree.Path(L"a.bmp"), t.tree.Path(L"b.bmp"), t.tree.Path(L"c.bmp")});
    t.Show(0);
    ASSERT_TRUE(t.s.picture.IsLoaded());
    ASSERT_TRUE(DeleteFileW(t.tree.Path(L"a.bmp").c_str()));
    t.Show(1);
    EXPECT_TRUE(t.s.picture.IsLoaded() && t.s.exhibit->IsShowing(t.tree.Path(L"a.bmp")));
    EXPECT_EQ(t.s.exhibit->Size(), 1u);

    t.s.searchBounds.most = 256;
    std::vector<std::wstring> paths{t.tree.Path(L"z-good.bmp")};
    for (int i = 0; i < 600; ++i) paths.push_back(t.tree.Path(L"gone\\" + std::to_wstring(i) + L".bmp"));
    paths.push_back(t.tree.Path(L"z-last.bmp"));
    t.tree.File(L"z-good.bmp", BmpBytes(8, 6));
    t.tree.File(L"z-last.bmp", BmpBytes(6, 8));
    t.List(paths);
    t.Show(0);
    size_t searches = 0;
    for (; searches < 30 && !t.s.exhibit->IsShowing(t.tree.Path(L"z-last.bmp")); ++searches) {
        const size_t before = t.s.exhibit->Size();
        t.s.exhibit->Step(1, true);
        t.s.ShowPicture(true);
        ASSERT_TRUE(t.s.picture.IsLoaded());
        // Stopped early: the picture on screen is still the current one.
        EXPECT_TRUE(t.s.exhibit->Size() == 2 || t.s.exhibit->IsShowing(t.tree.Path(L"z-good.bmp")));
        EXPECT_LT(before - t.s.exhibit->Size(), 300u);
    }
    EXPECT_TRUE(searches >= 3 && t.s.exhibit->IsShowing(t.tree.Path(L"z-last.bmp"))) << searches;
    EXPECT_EQ(t.s.exhibit->Size(), 2u);

    // With nothing on screen a search that stopped goes on at the message it
    // posted (stepping on from where it stopped); one of an older search is let be.
    t.s.picture.Release();
    paths.erase(paths.begin());
    t.List(paths);
    t.s.exhibit->MoveTo(0);
    t.s.ShowPicture(true);
    EXPECT_FALSE(t.s.picture.IsLoaded());
    const size_t left = t.s.exhibit->Size();
    t.s.ContinueShow(t.s.showSerial - 1, 1);
    EXPECT_EQ(t.s.exhibit->Size(), left);
    for (int i = 0; i < 30 && !t.s.picture.IsLoaded(); ++i) t.s.ContinueShow(t.s.showSerial, 1);
    EXPECT_TRUE(t.s.exhibit->IsShowing(t.tree.Path(L"z-last.bmp")));
    EXPECT_FALSE(FileExists(t.tree.Path(L"errors.log")));
}
