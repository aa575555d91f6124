// The viewer's picture: which entry is loaded and shown when some cannot be,
// what is logged, how the picture is turned, sized and described.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"

namespace {

class PictureStateTest : public testing::Test {
protected:
    PictureStateTest() { wcscpy(s.errorsLogPath, tree.Path(L"errors.log").c_str()); }
    void Add(const std::wstring& name, const std::string& bytes) { tree.File(name, bytes), AddPath(tree.Path(name)); }
    void AddPath(const std::wstring& path) {
        std::vector<ImageEntry> entries = s.exhibit->Snapshot();
        entries.push_back(ImageEntry{path});
        s.exhibit->Assign(std::move(entries));
    }
    // Shows from entry `index` and expects `name` on screen and current.
    void ExpectShown(int64_t index, bool forward, const std::wstring& name) {
        s.exhibit->MoveTo(index);
        s.ShowPicture(forward);
        EXPECT_TRUE(s.picture.IsLoaded() && s.exhibit->IsShowing(tree.Path(name))) << testing::PrintToString(name);
    }
    std::wstring Log() { return ReadUtf16File(tree.Path(L"errors.log")); }
    void Restart(bool removefail) {   // an empty exhibit and log
        s.exhibit->Clear();
        DeleteFileW(tree.Path(L"errors.log").c_str());
        s.removefail = removefail;
    }

    TempFolder tree{L"oxload"};
    AppState s;
    const std::string sixJpeg = ReadBytes(DataPath(L"exif\\o6-ii.jpg"));   // 16 x 32, upright 32 x 16
};

}  // namespace

// A run of damaged files before the good ones: each entry is tried once and
// each failure logged once, dropped from the exhibit (never from the disk) or
// stepped over; the first good picture is the one shown and current.
TEST_F(PictureStateTest, ShowPictureTriesEveryEntryOnceAndShowsTheFirstGoodOne) {
    s.slide = false;
    s.logerrors = true;
    for (const bool removefail : {true, false}) {
        SCOPED_TRACE(removefail ? "dropped" : "stepped over");
        Restart(removefail);
        std::wstring expectedLog;
        for (int n = 0; n < 10; ++n) {
            const std::wstring name = L"bad" + std::to_wstring(n) + L".jpg";
            Add(name, n % 2 ? "" : "not a picture");
            expectedLog += tree.Path(name) + L"\r\n";
        }
        Add(L"good1.bmp", BmpBytes(8, 6));
        Add(L"good2.bmp", BmpBytes(8, 6));
        ExpectShown(0, true, L"good1.bmp");
        EXPECT_EQ(s.exhibit->Size(), removefail ? 2u : 12u);
        EXPECT_EQ(Log(), expectedLog);
        EXPECT_TRUE(FileExists(tree.Path(L"bad0.jpg")));
    }
    // Nothing loadable: each tried once; dropped, nothing is left; stepped
    // over, the index comes back to where it started.
    for (const bool removefail : {true, false}) {
        Restart(removefail);
        for (int n = 0; n < 4; ++n) Add(L"worse" + std::to_wstring(n) + L".png", "junk");
        s.exhibit->MoveTo(2);
        s.ShowPicture(true);
        EXPECT_TRUE(!s.picture.IsLoaded() && s.exhibit->Size() == (removefail ? 0u : 4u));
        EXPECT_EQ(s.exhibit->CurrentIndex(), removefail ? 0 : 2);
        const std::wstring log = Log();
        EXPECT_EQ(std::count(log.begin(), log.end(), L'\n'), 4);
    }
}

TEST_F(PictureStateTest, ShortcutsLoadTheirTargetAndLogOnlyWhenAsked) {
    tree.File(L"pic.jpg", sixJpeg);
    tree.File(L"bad.jpg", "bad");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"pic.jpg.lnk"), tree.Path(L"pic.jpg")));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"bad.jpg.lnk"), tree.Path(L"bad.jpg")));
    AddPath(tree.Path(L"pic.jpg.lnk"));
    s.LoadCurrent(true);
    EXPECT_TRUE(s.picture.IsLoaded() && s.exhibit->CurrentPath() == tree.Path(L"pic.jpg.lnk")
                && s.shownFile == tree.Path(L"pic.jpg"));
    // A shortcut to no picture is logged by the shortcut switch, not the error one.
    s.exhibit->Clear();
    AddPath(tree.Path(L"bad.jpg.lnk"));
    s.removefail = false;
    for (const bool lnk : {false, true}) {
        s.loglnkfail = lnk;
        s.logerrors = !lnk;
        s.LoadCurrent(true);
        EXPECT_TRUE(!s.picture.IsLoaded() && Log() == (lnk ? tree.Path(L"bad.jpg.lnk") + L"\r\n" : L""));
    }
}

TEST_F(PictureStateTest, OrientationRotationLockAndDisplaySize) {
    Add(L"six.jpg", sixJpeg);
    s.wrap = false;
    s.layer = kLayerWindowed;
    s.position = {0, 0, 1000, 700};   // a landscape window
    const auto load = [this](bool exif, int32_t lock, bool aspect) {
        s.exiforient = exif;
        s.rotation = lock;
        s.rotateaspect = aspect;
        s.LoadCurrent(true);
        s.ApplyOrientation();
        return std::pair{s.picture.NaturalWidth(), s.currentRotation};
    };
    EXPECT_EQ(load(false, 0, false), (std::pair{16u, 0}));
    EXPECT_EQ(load(true, 0, false), (std::pair{32u, 0}));
    // Locked at 90 with the aspect filter in a landscape window: the upright
    // landscape picture stays, the portrait one (tag ignored) turns.
    EXPECT_EQ(load(true, 90, true), (std::pair{32u, 0}));
    EXPECT_EQ(load(false, 90, true), (std::pair{32u, 90}));
    EXPECT_EQ(load(true, 90, false), (std::pair{16u, 90})) << "without the filter every picture turns";
    s.layer = kLayerFullScreen;
    s.monitorRect = {0, 0, 800, 800};
    EXPECT_EQ(load(true, 90, true), (std::pair{16u, 90})) << "a square monitor turns every picture";
    // Hand turns add up and the lock takes them.
    for (void (AppState::*turn)() : {&AppState::RotateRight, &AppState::RotateRight, &AppState::RotateLeft,
                                     &AppState::FlipHorizontal, &AppState::LockRotation})
        (s.*turn)();
    EXPECT_TRUE(s.currentRotation == 180 && s.rotation == 180);

    load(true, 0, false);   // upright 32 x 16
    const RECT area{0, 0, 10, 10};
    s.ComputeDisplaySize(area, 0, true, false, false);
    EXPECT_TRUE(s.picture.width == 10 && s.picture.height == 5);
    s.ComputeDisplaySize(area, 300, true, false, false);
    EXPECT_EQ(s.picture.width, 96);
}

// Landscape or portrait only: a picture of that shape is shown and current;
// when there is none the search ends on the picture it started from, so the
// screen and the current index always name the same file.
TEST_F(PictureStateTest, ShapeSearchShowsAMatchOrComesBackToItsStart) {
    s.slide = s.logerrors = false;
    Restart(true);
    Add(L"a-wide.bmp", BmpBytes(12, 6));
    Add(L"b-broken.bmp", "not a picture");
    Add(L"c-wide.bmp", BmpBytes(12, 6));
    Add(L"d-tall.bmp", BmpBytes(6, 12));
    s.portraitOnly = true;
    ExpectShown(0, true, L"d-tall.bmp");
    s.portraitOnly = false;
    s.landscapeOnly = true;
    for (const bool forward : {true, false})   // forward wraps round to the first wide one
        ExpectShown(s.exhibit->Find(tree.Path(L"d-tall.bmp")), forward, forward ? L"a-wide.bmp" : L"c-wide.bmp");
    Restart(true);
    Add(L"e-wide.bmp", BmpBytes(12, 6));
    Add(L"f-wide.bmp", BmpBytes(14, 6));
    s.landscapeOnly = false;
    s.portraitOnly = true;
    ExpectShown(1, true, L"f-wide.bmp");
    EXPECT_EQ(s.picture.NaturalWidth(), 14u);
}
