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

    // Pictures decoded ahead by a worker whose decodes of files named
    // `stuck` (any file when empty) wait until `release` is set.
    void StuckDecodes(const std::wstring& stuck, DWORD deadlineMs) {
        s.pictures = std::make_unique<PictureCache>(
            [this, stuck](const std::wstring& path, const ShowPlan&) {
                if (stuck.empty() || path.ends_with(stuck)) WaitForSingleObject(release.Get(), INFINITE);
                return DecodePictureFile(path.c_str(), PicturePixelLimit());
            },
            1ull << 30, deadlineMs);
    }
    ~PictureStateTest() override {
        SetEvent(release.Get());
        s.pictures.reset();
        if (s.hwnd) DestroyWindow(s.hwnd);
    }

    TempFolder tree{L"oxload"};
    AppState s;
    const UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
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
        // Nothing loadable: each tried once; dropped, nothing is left; stepped
        // over, the index comes back to where it started.
        Restart(removefail);
        for (int n = 0; n < 4; ++n) Add(L"worse" + std::to_wstring(n) + L".png", "junk");
        s.exhibit->MoveTo(2);
        s.ShowPicture(true);
        EXPECT_TRUE(!s.picture.IsLoaded() && s.exhibit->Size() == (removefail ? 0u : 4u));
        EXPECT_EQ(s.exhibit->CurrentIndex(), removefail ? 0 : 2);
        const std::wstring log = Log();
        EXPECT_EQ(std::count(log.begin(), log.end(), L'\n'), 4);
    }
    // A sound picture beyond the memory budget is no failure: kept, unlogged, stepped over.
    Restart(true);
    Add(L"big.bmp", BmpBytes(40, 30));
    Add(L"small.bmp", BmpBytes(8, 6));
    s.pixelLimit = 1000;
    ExpectShown(0, true, L"small.bmp");
    EXPECT_TRUE(s.exhibit->Size() == 2u && !FileExists(tree.Path(L"errors.log")));
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
        s.exiforient = exif, s.rotation = lock, s.rotateaspect = aspect;
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
    s.portraitOnly = false, s.landscapeOnly = true;
    for (const bool forward : {true, false})   // forward wraps round to the first wide one
        ExpectShown(s.exhibit->Find(tree.Path(L"d-tall.bmp")), forward, forward ? L"a-wide.bmp" : L"c-wide.bmp");
    Restart(true);
    Add(L"e-wide.bmp", BmpBytes(12, 6));
    Add(L"f-wide.bmp", BmpBytes(14, 6));
    s.landscapeOnly = false, s.portraitOnly = true;
    ExpectShown(1, true, L"f-wide.bmp");
    EXPECT_EQ(s.picture.NaturalWidth(), 14u);
}

// Only what shows is drawn, at any zoom and scroll offset, and it is what
// drawing the whole picture at its display size would show there. Nearest
// neighbour: view pixel (i, j) at offset (sx, sy) is source pixel
// round((sx + i) * 200 / w), either neighbour where that lands on a half.
// Smoothed: the whole drawing's pixels (within rounding) at ordinary zooms.
TEST_F(PictureStateTest, TheViewIsTheVisiblePartOfTheWholeDrawing) {
    // A 200 x 150 picture in which every pixel differs from its neighbours.
    std::string bmp = BmpBytes(200, 150);
    for (size_t i = 54; i < bmp.size(); ++i) bmp[i] = char(i * 7 + i / 181 * 13);
    const auto source = [&bmp](int c, int r) {   // 0xRRGGBB of column c, row r (the file is bottom-up)
        const size_t o = 54 + size_t(149 - r) * 600 + size_t(c) * 3;
        return uint32_t(uint8_t(bmp[o]) | uint8_t(bmp[o + 1]) << 8 | uint8_t(bmp[o + 2]) << 16);
    };
    Add(L"texture.bmp", bmp);
    s.LoadCurrent(true);
    ASSERT_TRUE(s.picture.IsLoaded());
    s.hwnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.hwnd);
    s.transitions = s.autoscroll = s.squeeze = s.shrink = s.stretch = s.title = false;
    s.layout = kLayoutTopLeft;
    s.backgroundBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
    HDC screen = GetDC(nullptr);
    Canvas window;   // stands in for the window's own DC
    ASSERT_TRUE(window.Resize(120, 90, screen));
    const auto pixels = [screen](HDC from, int x, int y) {   // 120 x 90 of `from` at (x, y), as 0xRRGGBB
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 120, -90, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, dib);
        BitBlt(dc, 0, 0, 120, 90, from, x, y, SRCCOPY);
        GdiFlush();
        std::vector<uint32_t> out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + 120 * 90);
        for (uint32_t& p : out) p &= 0xFFFFFF;
        SelectObject(dc, old), DeleteDC(dc), DeleteObject(dib);
        return out;
    };
    // Source index of view position p at offset `at` along an axis of n source and d display pixels.
    const auto nearest = [](int at, int p, int n, int d, int* other) {
        const int64_t twice = int64_t(at + p) * n * 2 + d;   // 2 * (position * n / d + 1/2), times d
        *other = twice % (2 * d) == 0 ? int(twice / (2 * d)) - 1 : -1;
        return int(std::min<int64_t>(twice / (2 * d), n - 1));
    };
    for (const int32_t mode : {5, 7})
        for (const int32_t zoom : {100, 150, 240, 1600}) {
            s.picture.SetInterpolation(mode);
            s.currentZoom = zoom;
            s.viewScrolled = false;
            s.ComposeFrame(window.Dc());
            const int w = s.picture.width, h = s.picture.height;
            ASSERT_EQ(w, 200 * zoom / 100);
            Canvas whole;
            ASSERT_TRUE(whole.Resize(w, h, screen));
            s.picture.Draw(whole.Dc(), 0, 0, w, h);
            for (const POINT at : {POINT{0, 0}, POINT{37, 21}, POINT{w - 127, h - 95}}) {
                SCOPED_TRACE(testing::Message() << "mode " << mode << ", " << zoom << "% at " << at.x << "," << at.y);
                s.scrollX = at.x, s.scrollY = at.y;
                s.viewScrolled = true;
                s.ScrollView(false);
                const std::vector<uint32_t> view = pixels(s.frame.Dc(), 0, 0);
                int wrong = 0;
                if (mode == 5) {
                    // Past ordinary zooms the scaler's rounding may move a boundary by a source pixel.
                    const int slack = zoom > 240 ? 1 : 0;
                    for (int j = 0; j < 90; ++j)
                        for (int i = 0; i < 120; ++i) {
                            int c2 = -1, r2 = -1;
                            const int c = nearest(at.x, i, 200, w, &c2), r = nearest(at.y, j, 150, h, &r2);
                            const uint32_t got = view[size_t(j) * 120 + size_t(i)];
                            bool found = false;
                            for (int dc = -slack; dc <= slack; ++dc)
                                for (int dr = -slack; dr <= slack; ++dr)
                                    for (const int cc : {c + dc, c2 < 0 ? c + dc : c2 + dc})
                                        for (const int rr : {r + dr, r2 < 0 ? r + dr : r2 + dr})
                                            found |= cc >= 0 && cc < 200 && rr >= 0 && rr < 150 && got == source(cc, rr);
                            // The far half of the last source pixel may be left to the background.
                            found |= slack && (c == 199 || r == 149) && got == 0xFFFFFF;
                            wrong += !found;
                        }
                } else if (zoom <= 240) {
                    const std::vector<uint32_t> expected = pixels(whole.Dc(), at.x, at.y);
                    for (size_t i = 0; i < view.size(); ++i)
                        for (const int shift : {0, 8, 16})
                            if (std::abs(int(view[i] >> shift & 255) - int(expected[i] >> shift & 255)) > 4) {
                                ++wrong;
                                break;
                            }
                }
                EXPECT_EQ(wrong, 0);
            }
        }
    ReleaseDC(nullptr, screen);
}

// A decode that never ends is given up at its deadline and counts as a load
// failure: logged, dropped, and the next picture shown.
TEST_F(PictureStateTest, ADecodePastItsDeadlineIsALoadFailure) {
    StuckDecodes(L"stuck.bmp", 300);
    s.logerrors = true;
    Restart(true);
    Add(L"stuck.bmp", BmpBytes(8, 6));
    Add(L"next.bmp", BmpBytes(8, 6));
    ExpectShown(0, true, L"next.bmp");
    EXPECT_EQ(Log(), tree.Path(L"stuck.bmp") + L"\r\n");
    EXPECT_EQ(s.exhibit->Size(), 1u);
    // The neighbours of a shown picture are decoded ahead, and forgotten when the order changes.
    Add(L"other.bmp", BmpBytes(8, 6));
    ExpectShown(0, true, L"next.bmp");
    for (int i = 0; i < 500 && s.pictures->HeldCount() == 0; ++i) Sleep(10);
    EXPECT_EQ(s.pictures->HeldCount(), 1u);
    s.SortExhibit();
    EXPECT_EQ(s.pictures->HeldCount(), 0u);
    SetEvent(release.Get());
    EXPECT_TRUE(s.pictures->StopWorkers());
}

// A load asked for while another waits for its decode (a key answered during
// that wait) keeps the deadline: a decode that never returns is given up.
TEST_F(PictureStateTest, ALoadDuringAnAwaitedDecodeKeepsTheDeadline) {
    StuckDecodes(L"", 300);
    tree.File(L"stuck.bmp", BmpBytes(8, 6));
    s.decoding = true;   // as while another load's decode is awaited
    bool timedOut = false, usable = false;
    const DWORD start = GetTickCount();
    const DecodedPicture nested = s.DecodeForShow(tree.Path(L"stuck.bmp").c_str(), timedOut, usable);
    EXPECT_TRUE(timedOut && usable && !nested.image);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

// While a load waits for its decode the window keeps painting and answers a
// close; the load then ends without judging the file.
TEST_F(PictureStateTest, WhileADecodeIsAwaitedTheWindowPaintsAndCloses) {
    StuckDecodes(L"", 20000);
    // A window that counts its paints and closes the viewer as the real one does.
    static AppState* viewer = nullptr;
    static int paints = 0;
    viewer = &s;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_PAINT) ++paints;
        if (message == WM_CLOSE) viewer->closing = true;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    };
    wc.lpszClassName = L"OxbrillWaitTest";
    RegisterClassW(&wc);
    s.hwnd = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(s.hwnd);
    s.logerrors = true;
    Restart(true);
    Add(L"slow.bmp", BmpBytes(8, 6));
    UpdateWindow(s.hwnd);
    paints = 0;
    InvalidateRect(s.hwnd, nullptr, TRUE);
    PostMessageW(s.hwnd, WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    s.ShowPicture(true);
    EXPECT_LT(GetTickCount() - start, 10000u) << "far below the deadline";
    EXPECT_TRUE(s.closing && paints > 0 && !s.picture.IsLoaded());
    EXPECT_TRUE(s.exhibit->Size() == 1u && !FileExists(tree.Path(L"errors.log"))) << "nothing judged";
}

// A JPEG is decoded at the scale its window shows it at; zoomed past that it
// is decoded again, in full at 100%, and keeps the turn it was given.
TEST_F(PictureStateTest, AJpegIsDecodedAtItsDisplayScaleUntilZoomedPastIt) {
    s.hwnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(s.hwnd);
    s.statusBar = nullptr;
    s.wrap = false;
    s.layer = kLayerWindowed;
    s.squeeze = true;
    Add(L"plasma.jpg", ReadBytes(DataPath(L"jpeg\\baseline.jpg")));
    ASSERT_EQ(s.LoadCurrent(true), AppState::Load::Shown);
    EXPECT_TRUE(s.picture.PixelWidth() == 102 && s.picture.NaturalWidth() == 204) << s.picture.PixelWidth();
    s.RotateRight();
    s.ComputeDisplaySize(RECT{0, 0, 60, 40}, 0, true, false, false);
    EXPECT_EQ(s.picture.PixelWidth(), 62u) << "fitted, the half-size decode still serves";
    s.ComputeDisplaySize(RECT{0, 0, 60, 40}, 100, true, false, false);
    EXPECT_TRUE(s.picture.PixelWidth() == 124 && s.picture.PixelHeight() == 204 && s.picture.width == 124);
}
