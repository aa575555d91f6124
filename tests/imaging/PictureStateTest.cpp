#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/Shortcuts.h"
#include "support/TestFiles.h"
#include "imaging/ImagingTestSupport.h"


namespace {

class PictureStateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { session_ = new imagingtest::GdiplusSession; }
    static void TearDownTestSuite() {
        delete session_;
        session_ = nullptr;
    }

    void SetUp() override {
        tree_ = std::make_unique<TempFolder>(L"oxload");
        state_ = std::make_unique<AppState>();
        wcscpy(state_->errorsLogPath, tree_->Path(L"errors.log").c_str());
        good_ = imagingtest::ByteVector(DataPath(L"exif\\o6-ii.jpg"));
        ASSERT_FALSE(good_.empty());
    }

    void AddFile(const std::wstring& name, const std::string& bytes) {
        tree_->File(name, bytes);
        Add(tree_->Path(name));
    }
    void AddGood(const std::wstring& name) { AddFile(name, std::string(good_.begin(), good_.end())); }
    void Add(const std::wstring& path) {
        std::vector<ImageEntry> entries = state_->exhibit->Snapshot();
        entries.push_back(ImageEntry{path});
        state_->exhibit->Assign(std::move(entries));
    }
    // Shows the picture from entry `index` and expects `name` on screen and current.
    void ExpectShown(int64_t index, bool forward, const std::wstring& name) {
        state_->exhibit->MoveTo(index);
        state_->ShowPicture(forward);
        ASSERT_TRUE(state_->picture.IsLoaded()) << testing::PrintToString(name);
        EXPECT_TRUE(state_->exhibit->IsShowing(tree_->Path(name))) << testing::PrintToString(name);
    }
    void SetPathAt(size_t index, const std::wstring& path) {
        std::vector<ImageEntry> entries = state_->exhibit->Snapshot();
        entries.at(index).path = path;
        state_->exhibit->Assign(std::move(entries));
    }
    std::wstring Log() const {
        const std::vector<uint8_t> bytes = imagingtest::ByteVector(tree_->Path(L"errors.log"));
        if (bytes.size() < 2) return L"(none)";
        if (bytes[0] != 0xFF || bytes[1] != 0xFE) return L"(no byte-order mark)";
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    }

    static imagingtest::GdiplusSession* session_;
    std::unique_ptr<TempFolder> tree_;
    std::unique_ptr<AppState> state_;
    std::vector<uint8_t> good_;
};
imagingtest::GdiplusSession* PictureStateTest::session_ = nullptr;

}  // namespace

TEST_F(PictureStateTest, RemoveFailDropsEachBadEntryAndLogsItOnce) {
    AddFile(L"a.jpg", "not a picture");
    AddFile(L"b.jpg", "");
    AddFile(L"c.png", "junk junk junk");
    AddGood(L"d.jpg");
    AppState& s = *state_;
    s.removefail = true;
    s.logerrors = true;
    s.exhibit->MoveTo(0);
    // The show-picture search calls this until something loads.
    for (int attempt = 0; attempt < 4 && !s.picture.IsLoaded(); ++attempt) s.LoadCurrent(true);
    ASSERT_TRUE(s.picture.IsLoaded());
    ASSERT_EQ(s.exhibit->Size(), 1u);
    EXPECT_EQ(s.exhibit->CurrentIndex(), 0);
    EXPECT_EQ(s.exhibit->CurrentPath(), tree_->Path(L"d.jpg"));
    EXPECT_EQ(Log(), tree_->Path(L"a.jpg") + L"\r\n" + tree_->Path(L"b.jpg") + L"\r\n" + tree_->Path(L"c.png") +
                         L"\r\n");
    // Dropped from the exhibit only, never from the disk.
    EXPECT_NE(GetFileAttributesW(tree_->Path(L"a.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(PictureStateTest, StepsOverBadEntriesBothWaysAndWraps) {
    AddGood(L"a.jpg");
    AddGood(L"b.jpg");
    AddFile(L"c.jpg", "bad");
    AppState& s = *state_;
    s.removefail = false;
    s.logerrors = false;

    s.exhibit->MoveTo(2);
    s.LoadCurrent(true);
    EXPECT_FALSE(s.picture.IsLoaded());
    EXPECT_EQ(s.exhibit->CurrentIndex(), 0);  // wrapped forward
    EXPECT_EQ(s.exhibit->Size(), 3u);

    // Backward from index 0 over a bad entry lands on the last one.
    SetPathAt(0, tree_->Path(L"c.jpg"));
    s.exhibit->MoveTo(0);
    s.LoadCurrent(false);
    EXPECT_EQ(s.exhibit->CurrentIndex(), 2);
    EXPECT_EQ(Log(), L"(none)");  // logerrors off

    // Removing the last entry moves the index back to the start.
    s.removefail = true;
    SetPathAt(2, tree_->Path(L"c.jpg"));
    s.LoadCurrent(true);
    EXPECT_EQ(s.exhibit->Size(), 2u);
    EXPECT_EQ(s.exhibit->CurrentIndex(), 0);

    // An empty exhibit is left alone.
    s.exhibit->Clear();
    s.exhibit->SetCurrentPath(L"");
    s.LoadCurrent(true);
    EXPECT_EQ(s.exhibit->CurrentPath(), L"");
}

TEST_F(PictureStateTest, ShortcutsLoadTheirTargetAndLogOnlyWhenAsked) {
    AppState& s = *state_;
    AddGood(L"pic.jpg");
    ASSERT_TRUE(MakeShortcut(tree_->Path(L"pic.jpg.lnk"), tree_->Path(L"pic.jpg")));
    s.exhibit->Clear();
    Add(tree_->Path(L"pic.jpg.lnk"));
    s.LoadCurrent(true);
    ASSERT_TRUE(s.picture.IsLoaded());
    EXPECT_EQ(s.exhibit->CurrentPath(), tree_->Path(L"pic.jpg.lnk"));
    EXPECT_EQ(std::wstring(s.shownFile), tree_->Path(L"pic.jpg"));

    // A shortcut whose target is no picture.
    tree_->File(L"bad.jpg", "bad");
    ASSERT_TRUE(MakeShortcut(tree_->Path(L"bad.jpg.lnk"), tree_->Path(L"bad.jpg")));
    s.exhibit->Clear();
    Add(tree_->Path(L"bad.jpg.lnk"));
    s.removefail = false;
    s.logerrors = true;
    s.loglnkfail = false;
    s.LoadCurrent(true);
    EXPECT_FALSE(s.picture.IsLoaded());
    EXPECT_EQ(Log(), L"(none)");
    s.loglnkfail = true;
    s.logerrors = false;
    s.LoadCurrent(true);
    EXPECT_EQ(Log(), tree_->Path(L"bad.jpg.lnk") + L"\r\n");
}

TEST_F(PictureStateTest, OrientationAndRotationLock) {
    AddGood(L"six.jpg");  // stored 16 x 32 (portrait), upright by EXIF orientation 6: 32 x 16
    AppState& s = *state_;
    s.wrap = false;
    s.layer = 0;
    s.position = {0, 0, 1000, 700};  // a landscape window

    s.exiforient = false;
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.picture.NaturalWidth(), 16u);
    EXPECT_EQ(s.currentRotation, 0);

    s.exiforient = true;
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.picture.NaturalWidth(), 32u);
    EXPECT_EQ(s.picture.NaturalHeight(), 16u);

    // Lock at 90 with the aspect filter in a landscape window: the upright
    // landscape picture stays, the portrait one (tag ignored) turns.
    s.rotation = 90;
    s.rotateaspect = true;
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.currentRotation, 0);
    EXPECT_EQ(s.picture.NaturalWidth(), 32u);
    s.exiforient = false;
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.currentRotation, 90);
    EXPECT_EQ(s.picture.NaturalWidth(), 32u);
    // Without the filter, or in a square area, every picture turns; in full
    // screen the monitor is the area.
    s.exiforient = true;
    s.rotateaspect = false;
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.currentRotation, 90);
    EXPECT_EQ(s.picture.NaturalWidth(), 16u);
    s.rotateaspect = true;
    s.layer = 1;
    s.monitorRect = {0, 0, 800, 800};
    s.LoadCurrent(true);
    s.ApplyOrientation();
    EXPECT_EQ(s.currentRotation, 90);
    EXPECT_EQ(s.picture.NaturalWidth(), 16u);

    // Hand rotations accumulate and the lock takes them.
    s.RotateRight();
    s.RotateRight();
    EXPECT_EQ(s.currentRotation, 270);
    s.RotateLeft();
    EXPECT_EQ(s.currentRotation, 180);
    s.FlipHorizontal();
    EXPECT_EQ(s.currentRotation, 180);
    s.LockRotation();
    EXPECT_EQ(s.rotation, 180);
}

TEST_F(PictureStateTest, DisplaySizeAndZoomEdges) {
    AddGood(L"six.jpg");
    AppState& s = *state_;
    RECT area{0, 0, 10, 10};
    s.ComputeDisplaySize(area, 0, true, false, false);  // nothing loaded: untouched
    EXPECT_EQ(s.picture.width, 0);
    s.LoadCurrent(true);
    s.ApplyOrientation();  // upright: 32 x 16
    s.ComputeDisplaySize(area, 0, true, false, false);
    EXPECT_EQ(s.picture.width, 10);
    EXPECT_EQ(s.picture.height, 5);
    s.ComputeDisplaySize(area, 300, true, false, false);
    EXPECT_EQ(s.picture.width, 96);

    s.zoomstep = 10;
    s.currentZoom = 10;
    s.ZoomOut(false);
    s.ZoomOut(true);
    EXPECT_EQ(s.currentZoom, 10);  // not below the step, with or without Alt
    EXPECT_FALSE(s.zoomHeld);
    s.ZoomActualSize();
    s.LockZoom();  // at 100% no lock is stored
    EXPECT_EQ(s.zoom, 0);
}

// The texts reach a real status bar and window caption.
TEST_F(PictureStateTest, StatusBarAndCaptionShowTheShownFile) {
    AddGood(L"holiday.jpg");
    AppState& s = *state_;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window);
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(bar);
    int edges[7] = {70, 160, 200, 260, 360, 410, 440};
    SendMessageW(bar, SB_SETPARTS, 7, reinterpret_cast<LPARAM>(edges));
    s.hwnd = window;
    s.statusBar = bar;
    s.LoadCurrent(true);
    ASSERT_TRUE(s.picture.IsLoaded());
    s.ApplyOrientation();
    s.currentZoom = 100;
    s.zoomHeld = true;
    s.picture.width = 32;
    s.picture.height = 16;
    s.UpdateStatus();
    auto part = [bar](int i) {
        wchar_t text[128] = {};
        SendMessageW(bar, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    EXPECT_EQ(part(0).substr(0, 1), L"\t");
    EXPECT_NE(part(0).find(L"KB"), std::wstring::npos);
    EXPECT_EQ(part(1), L"\t32x16x24");
    EXPECT_EQ(part(2), L"\t100%");
    EXPECT_EQ(part(3), L"\t H:0 V:0");
    EXPECT_EQ(part(4), L"\t1/1");

    s.fullname = false;
    s.UpdateCaption();
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    EXPECT_EQ(std::wstring(caption), L"holiday - Oxbrill");

    s.picture.Release();
    s.UpdateStatus();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(part(i), L"");
    DestroyWindow(window);
}

// A run of damaged files before the first good one: every entry is tried at
// most once, each failure logged once, and the first good picture is the one
// shown and current, whether the failures are dropped or stepped over.
TEST_F(PictureStateTest, ShowPictureTriesEveryEntryOnceAndShowsTheFirstGoodOne) {
    AppState& s = *state_;
    s.slide = false;
    s.logerrors = true;
    for (const bool removefail : {true, false}) {
        SCOPED_TRACE(removefail ? "removefail" : "stepping over");
        s.exhibit->Clear();
        DeleteFileW(tree_->Path(L"errors.log").c_str());
        std::wstring expectedLog;
        for (int n = 0; n < 10; ++n) {
            const std::wstring name = L"bad" + std::to_wstring(n) + L".jpg";
            AddFile(name, n % 2 ? "" : "not a picture");
            expectedLog += tree_->Path(name) + L"\r\n";
        }
        AddFile(L"good1.bmp", BmpBytes(8, 6));
        AddFile(L"good2.bmp", BmpBytes(8, 6));
        s.removefail = removefail;
        ExpectShown(0, true, L"good1.bmp");
        EXPECT_EQ(s.exhibit->Size(), removefail ? 2u : 12u);
        EXPECT_EQ(Log(), expectedLog);
    }

    // Nothing loadable: each tried once; dropped, the exhibit is empty;
    // stepped over, the index comes back to where it started.
    for (const bool removefail : {true, false}) {
        s.exhibit->Clear();
        for (int n = 0; n < 4; ++n) AddFile(L"worse" + std::to_wstring(n) + L".png", "junk");
        DeleteFileW(tree_->Path(L"errors.log").c_str());
        s.removefail = removefail;
        s.exhibit->MoveTo(2);
        s.ShowPicture(true);
        EXPECT_FALSE(s.picture.IsLoaded());
        EXPECT_EQ(s.exhibit->Size(), removefail ? 0u : 4u);
        if (!removefail) {
            EXPECT_EQ(s.exhibit->CurrentIndex(), 2);
        }
        const std::wstring log = Log();
        EXPECT_EQ(std::count(log.begin(), log.end(), L'\n'), 4);
    }
}

// Landscape or portrait only: a picture of the wanted shape is shown and
// current; when there is none the search ends on the picture it started
// from, so the screen and the current index always name the same file.
TEST_F(PictureStateTest, ShapeSearchShowsAMatchOrComesBackToItsStart) {
    AppState& s = *state_;
    s.slide = false;
    s.logerrors = false;
    s.removefail = true;
    AddFile(L"a-wide.bmp", BmpBytes(12, 6));
    AddFile(L"b-broken.bmp", "not a picture");
    AddFile(L"c-wide.bmp", BmpBytes(12, 6));
    AddFile(L"d-tall.bmp", BmpBytes(6, 12));
    s.portraitOnly = true;
    ExpectShown(0, true, L"d-tall.bmp");
    EXPECT_LT(s.picture.NaturalWidth(), s.picture.NaturalHeight());

    s.portraitOnly = false;
    s.landscapeOnly = true;
    // From the tall picture, forward wraps round to the first wide one.
    for (const bool forward : {true, false})
        ExpectShown(s.exhibit->Find(tree_->Path(L"d-tall.bmp")), forward, forward ? L"a-wide.bmp" : L"c-wide.bmp");

    // Only landscape pictures left and portrait wanted: the start again.
    s.exhibit->Clear();
    AddFile(L"e-wide.bmp", BmpBytes(12, 6));
    AddFile(L"f-wide.bmp", BmpBytes(14, 6));
    s.landscapeOnly = false;
    s.portraitOnly = true;
    ExpectShown(1, true, L"f-wide.bmp");
    EXPECT_EQ(s.picture.NaturalWidth(), 14u);
}
