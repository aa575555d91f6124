// The picture viewer as the user sees it: the window wrapped round a picture
// or squeezed to the screen with the zoom in the caption, the picture placed
// by each layout inside a fixed window, the EXIF orientation, the cropped
// window, and damaged pictures logged and passed over without harm.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const std::wstring kStill = L"-noslide -notransitions";

const COLORREF kRed = RGB(220, 20, 20);
const COLORREF kPureRed = RGB(255, 0, 0);
const COLORREF kLime = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kTeal = RGB(20, 140, 150);

// tests/data/<relative>, found from this file's own location (Unix paths are
// reached through drive Z: under Wine).
std::wstring DataFile(const std::wstring& relative) {
    std::string here = __FILE__;
    for (char& c : here)
        if (c == '/') c = '\\';
    const size_t cut = here.rfind("\\e2e\\");
    std::wstring base(here.begin(), here.begin() + static_cast<std::ptrdiff_t>(cut == std::string::npos ? 0 : cut));
    if (!base.empty() && base[0] == L'\\') base.insert(0, L"Z:");
    return base + L"\\data\\" + relative;
}

void CopyData(const Viewer& viewer, const std::wstring& relative, const std::wstring& name) {
    ASSERT_TRUE(CopyFileW(DataFile(relative).c_str(), viewer.Picture(name).c_str(), FALSE))
        << "missing test picture " << std::string(relative.begin(), relative.end());
}

// Starts the viewer and waits until its window is shown and has settled.
void Launch(Viewer& viewer, const std::wstring& arguments) {
    ASSERT_TRUE(viewer.Launch(arguments));
    viewer.WaitForStableSize();
}

int StatusBarHeight(const Viewer& viewer) {
    HWND bar = FindWindowExW(viewer.Main(), nullptr, L"msctls_statusbar32", nullptr);
    if (!bar) return 0;
    RECT r{};
    GetWindowRect(bar, &r);
    return r.bottom - r.top;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

std::wstring Text(int n) { return std::to_wstring(n); }

// The window's client area less the status bar, in screen coordinates: where
// the picture is laid out.
RECT ViewOnScreen(const Viewer& viewer) {
    RECT view = viewer.ClientOnScreen();
    view.bottom -= StatusBarHeight(viewer);
    return view;
}

// Waits until the screen shows `colour` at (x, y), that is until the viewer
// has painted there.
bool WaitForPixel(int x, int y, COLORREF colour, int tolerance = 8) {
    const DWORD start = GetTickCount();
    do {
        if (NearColour(Screenshot().Pixel(x, y), colour, tolerance)) return true;
        Sleep(30);
    } while (GetTickCount() - start < 5000);
    return false;
}

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

// The picture's colour fills `picture` (its corners and centre), and the
// background colour lies just outside each of its sides that `view` leaves room for.
void ExpectPlaced(const RECT& picture, COLORREF colour, const RECT& view, COLORREF background, const char* what) {
    const Screenshot shot;
    const POINT inside[] = {{picture.left, picture.top},
                            {picture.right - 1, picture.top},
                            {picture.left, picture.bottom - 1},
                            {picture.right - 1, picture.bottom - 1},
                            {(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2}};
    for (const POINT& p : inside)
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), colour))
            << what << ": picture pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
    const int midX = (picture.left + picture.right) / 2, midY = (picture.top + picture.bottom) / 2;
    const POINT outside[] = {{picture.left - 1, midY}, {picture.right, midY}, {midX, picture.top - 1},
                             {midX, picture.bottom}};
    for (const POINT& p : outside) {
        if (p.x < view.left || p.x >= view.right || p.y < view.top || p.y >= view.bottom) continue;
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), background))
            << what << ": background pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
    }
}

// The room a wrapped window offers a picture: the work area less the sizing
// frame, the caption and the status bar.
RECT WrapArea(int statusHeight) {
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    const int fw = GetSystemMetrics(SM_CXSIZEFRAME), fh = GetSystemMetrics(SM_CYSIZEFRAME);
    area.top += fh + GetSystemMetrics(SM_CYCAPTION);
    area.left += fw;
    area.right -= fw;
    area.bottom -= fh + statusHeight;
    return area;
}

// Fitting a larger picture inside (w, h): the side ratio is kept in single
// precision and the scaled side truncated.
SIZE Squeeze(int w, int h, int aw, int ah) {
    const float r = static_cast<float>(static_cast<double>(w) / h);
    if (h > ah) {
        h = ah;
        w = static_cast<int>(static_cast<float>(h * static_cast<double>(r)));
    }
    if (w > aw) {
        w = aw;
        h = static_cast<int>(static_cast<float>(w / static_cast<double>(r)));
    }
    return SIZE{w, h};
}

std::wstring Settings(const RECT& position, COLORREF background) {
    return L"[Window]\r\nbgcolor=" + Text(static_cast<int>(background)) + L"\r\n[Position]\r\nleft=" +
           Text(position.left) + L"\r\ntop=" + Text(position.top) + L"\r\nright=" + Text(position.right) +
           L"\r\nbottom=" + Text(position.bottom) + L"\r\n";
}

bool Responds(const Viewer& viewer) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(viewer.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
}

// The viewer process's memory counters; false when they cannot be read.
bool ReadMemory(const Viewer& viewer, PROCESS_MEMORY_COUNTERS& counters) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, viewer.ProcessId());
    if (!process) return false;
    counters = PROCESS_MEMORY_COUNTERS{};
    counters.cb = sizeof(counters);
    const bool ok = GetProcessMemoryInfo(process, &counters, sizeof(counters)) != 0;
    CloseHandle(process);
    return ok;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(pos));  // an unterminated last line
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace

TEST(Viewer, WindowWrapsSmallPictureAndCaptionNamesIt) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"small.bmp"), 300, 200, kTeal);
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill));

    // At 100% the caption is the full path and the product name, with no zoom part.
    EXPECT_EQ(viewer.WaitForCaption([](const std::wstring& c) { return c.find(L"small") != std::wstring::npos; }),
              viewer.Picture(L"small.bmp") + L" - Oxbrill");

    const int status = StatusBarHeight(viewer);
    ASSERT_GT(status, 0);
    const RECT client = viewer.ClientRect();
    EXPECT_EQ(Width(client), 300);
    EXPECT_EQ(Height(client), 200 + status);

    // The wrapped window is centred in the work area.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const RECT window = viewer.WindowRect();
    EXPECT_EQ(window.left, (Width(work) - Width(window)) / 2 + work.left);
    EXPECT_EQ(window.top, (Height(work) - Height(window)) / 2 + work.top);

    const RECT view = ViewOnScreen(viewer);
    ASSERT_TRUE(WaitForPixel(view.left + 150, view.top + 100, kTeal));
    ExpectPlaced(view, kTeal, view, kTeal, "wrapped");
}

TEST(Viewer, SqueezedLargePictureShowsItsZoomInTheCaption) {
    Viewer viewer;
    // Taller in proportion than the screen, so the height decides.
    const int nw = 1500, nh = 1400;
    WriteSolidBmp(viewer.Picture(L"large.bmp"), nw, nh, kRed);
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -shortname"));

    const int status = StatusBarHeight(viewer);
    ASSERT_GT(status, 0);
    const RECT area = WrapArea(status);
    const SIZE fit = Squeeze(nw, nh, Width(area), Height(area));
    ASSERT_EQ(fit.cy, Height(area));
    ASSERT_LT(fit.cx, Width(area));

    const RECT client = viewer.ClientRect();
    EXPECT_EQ(Width(client), fit.cx);
    EXPECT_EQ(Height(client), fit.cy + status);

    // The first frame is drawn at the fitted size and reports its zoom; every
    // later frame of the same picture is drawn at that whole percentage.
    const int percent = fit.cx * 100 / nw;
    const std::wstring fitted = L"large - Oxbrill (Zoom: " + Text(fit.cx) + L" x " + Text(fit.cy) + L")";
    const std::wstring redrawn =
        L"large - Oxbrill (Zoom: " + Text(nw * percent / 100) + L" x " + Text(nh * percent / 100) + L")";
    const std::wstring first =
        viewer.WaitForCaption([&](const std::wstring& c) { return c == fitted || c == redrawn; });
    EXPECT_TRUE(first == fitted || first == redrawn) << Narrow(first) << " is neither " << Narrow(fitted) << " nor "
                                                     << Narrow(redrawn);

    InvalidateRect(viewer.Main(), nullptr, TRUE);
    EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == redrawn; }), redrawn);

    // The squeezed picture fills the window's width and height.
    const RECT view = ViewOnScreen(viewer);
    ASSERT_TRUE(WaitForPixel(view.left + 10, view.top + 10, kRed));
    EXPECT_EQ(Width(view), fit.cx);
    EXPECT_EQ(Height(view), fit.cy);
}

TEST(Viewer, LayoutsPlaceSmallPictureInFixedWindow) {
    // One fixed window per layout, side by side on the screen, all running at once.
    const int pw = 120, ph = 90;
    struct Case {
        const wchar_t* option;
        int layout;
    };
    const Case cases[] = {{L"-centered", 0}, {L"-topleft", 1}, {L"-topright", 2}, {L"-bottomleft", 3},
                          {L"-bottomright", 4}};
    std::vector<std::unique_ptr<Viewer>> viewers;
    std::vector<RECT> positions;
    for (size_t i = 0; i < std::size(cases); ++i) {
        const int left = 20 + static_cast<int>(i % 3) * 420, top = 20 + static_cast<int>(i / 3) * 480;
        positions.push_back(RECT{left, top, left + 400, top + 330});
        viewers.push_back(std::make_unique<Viewer>());
        Viewer& viewer = *viewers.back();
        WriteSolidBmp(viewer.Picture(L"dot.bmp"), pw, ph, kRed);
        viewer.WriteSettings(Settings(positions.back(), kBlue));
        ASSERT_TRUE(viewer.Start(kStill + L" -nowrap " + cases[i].option));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(Narrow(c.option));
        Viewer& viewer = *viewers[i];
        ASSERT_TRUE(viewer.WaitForWindow());
        viewer.WaitForStableSize();

        // The window keeps its saved rectangle instead of wrapping the picture.
        const RECT window = viewer.WindowRect();
        EXPECT_TRUE(EqualRect(&window, &positions[i]))
            << window.left << "," << window.top << "," << window.right << "," << window.bottom;

        const RECT view = ViewOnScreen(viewer);
        const int freeX = Width(view) - pw, freeY = Height(view) - ph;
        const int xs[] = {freeX / 2, 0, freeX, 0, freeX};
        const int ys[] = {freeY / 2, 0, 0, freeY, freeY};
        RECT picture{view.left + xs[c.layout], view.top + ys[c.layout], 0, 0};
        picture.right = picture.left + pw;
        picture.bottom = picture.top + ph;

        ASSERT_TRUE(WaitForPixel((picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2, kRed));
        ASSERT_TRUE(WaitForPixel(c.layout == 1 ? view.right - 5 : view.left + 5,
                                 c.layout == 1 ? view.bottom - 5 : view.top + 5, kBlue));
        ExpectPlaced(picture, kRed, view, kBlue, Narrow(c.option).c_str());
    }
    for (auto& viewer : viewers) viewer->Close();
}

TEST(Viewer, ExifOrientationTurnsPictureUpright) {
    // o6-ii.jpg is stored 16 wide and 32 tall; its tag turns it into the 32 x 16
    // reference: red and lime over blue and white. Ten times enlarged here.
    struct Case {
        const wchar_t* option;
        int w, h;
        COLORREF topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {{L"", 320, 160, kPureRed, kLime, kBlue, kWhite},
                          {L" -noexiforient", 160, 320, kLime, kWhite, kPureRed, kBlue}};
    // Both at once, each wrapped round its picture from its own corner.
    std::vector<std::unique_ptr<Viewer>> viewers;
    for (size_t i = 0; i < std::size(cases); ++i) {
        viewers.push_back(std::make_unique<Viewer>());
        Viewer& viewer = *viewers.back();
        ASSERT_NO_FATAL_FAILURE(CopyData(viewer, L"exif\\o6-ii.jpg", L"turned.jpg"));
        const int left = 60 + static_cast<int>(i) * 600;
        viewer.WriteSettings(Settings(RECT{left, 60, left + 100, 160}, kBlue));
        ASSERT_TRUE(viewer.Start(kStill + L" -shortname -noautocenter -z1000" + cases[i].option));
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.w > c.h ? "upright" : "as stored");
        Viewer& viewer = *viewers[i];
        ASSERT_TRUE(viewer.WaitForWindow());
        viewer.WaitForStableSize();

        const std::wstring expected = L"turned - Oxbrill (Zoom: " + Text(c.w) + L" x " + Text(c.h) + L")";
        EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& t) { return t == expected; }), expected);
        const RECT view = ViewOnScreen(viewer);
        EXPECT_EQ(Width(view), c.w);
        EXPECT_EQ(Height(view), c.h);

        // Quadrant centres, clear of the blur at the colour edges.
        const int qx = c.w / 4, qy = c.h / 4;
        ASSERT_TRUE(WaitForPixel(view.left + qx, view.top + qy, c.topLeft, 40));
        const Screenshot shot;
        const struct {
            int x, y;
            COLORREF colour;
        } quadrants[] = {{qx, qy, c.topLeft},
                         {3 * qx, qy, c.topRight},
                         {qx, 3 * qy, c.bottomLeft},
                         {3 * qx, 3 * qy, c.bottomRight}};
        for (const auto& q : quadrants) {
            const COLORREF got = shot.Pixel(view.left + q.x, view.top + q.y);
            EXPECT_TRUE(NearColour(got, q.colour, 40)) << "at " << q.x << "," << q.y << ": " << Hex(got)
                                                       << ", want " << Hex(q.colour);
        }
    }
    for (auto& viewer : viewers) viewer->Close();
}

TEST(Viewer, CropCutsWindowToPicture) {
    // A wrapped window (centred on the screen) and a fixed one (bottom right of
    // the screen), both at once.
    Viewer wrapped, fixed;
    WriteSolidBmp(wrapped.Picture(L"dot.bmp"), 240, 160, kRed);
    ASSERT_TRUE(wrapped.Start(kStill + L" -crop"));
    WriteSolidBmp(fixed.Picture(L"dot.bmp"), 100, 60, kRed);
    const RECT position{700, 600, 1100, 900};
    fixed.WriteSettings(Settings(position, kBlue));
    ASSERT_TRUE(fixed.Start(kStill + L" -crop -nowrap -bottomright"));
    {
        SCOPED_TRACE("wrapped");
        ASSERT_TRUE(wrapped.WaitForWindow());
        wrapped.WaitForStableSize();
        RECT box{};
        ASSERT_TRUE(wrapped.RegionBox(box));
        EXPECT_EQ(box.left, 0);
        EXPECT_EQ(box.top, 0);
        EXPECT_EQ(Width(box), 240);
        EXPECT_EQ(Height(box), 160);
        // No frame, caption or status bar: the window is the picture.
        const RECT window = wrapped.WindowRect();
        EXPECT_EQ(Width(window), 240);
        EXPECT_EQ(Height(window), 160);
        EXPECT_EQ(StatusBarHeight(wrapped), 0);
        ASSERT_TRUE(WaitForPixel(window.left + 120, window.top + 80, kRed));
        ExpectPlaced(window, kRed, window, kRed, "cropped");
    }
    {
        // In a fixed window the cut follows the layout.
        SCOPED_TRACE("fixed, bottom right");
        ASSERT_TRUE(fixed.WaitForWindow());
        fixed.WaitForStableSize();
        const RECT window = fixed.WindowRect();
        EXPECT_TRUE(EqualRect(&window, &position));
        RECT box{};
        ASSERT_TRUE(fixed.RegionBox(box));
        EXPECT_EQ(box.left, 300);
        EXPECT_EQ(box.top, 240);
        EXPECT_EQ(box.right, 400);
        EXPECT_EQ(box.bottom, 300);
        RECT picture = box;
        OffsetRect(&picture, window.left, window.top);
        ASSERT_TRUE(WaitForPixel(picture.left + 50, picture.top + 30, kRed));
        ExpectPlaced(picture, kRed, picture, kRed, "cropped fixed");
    }
    wrapped.Close();
    fixed.Close();
}

namespace {

// Good pictures alternate with damaged ones, so each damaged file is met by
// stepping from a good picture and is followed by one.
struct BadPicture {
    const wchar_t* name;
    const wchar_t* data;  // committed file under tests/data, or null
    const char* bytes;    // else the file's bytes
    size_t size;
};

const char kNoise[] = "\x13\x9a\xfe\x01QZ\x00\x7f\x80\xc3 not a picture \xff\xd8\x42\x17";

const BadPicture kBad[] = {
    {L"02-truncated.jpg", L"e2e\\truncated.jpg", nullptr, 0},
    {L"04-empty.png", nullptr, "", 0},
    {L"06-noise.png", nullptr, kNoise, sizeof kNoise - 1},
    {L"08-huge.png", L"e2e\\huge.png", nullptr, 0},
    {L"10-corrupt.gif", L"e2e\\corrupt.gif", nullptr, 0},
    {L"12-broken.emf", L"e2e\\broken.emf", nullptr, 0},
};

const wchar_t* const kGood[] = {L"01-good", L"03-good", L"05-good", L"07-good", L"09-good", L"11-good", L"13-good"};

void WriteMixedExhibit(const Viewer& viewer) {
    for (const wchar_t* good : kGood) WriteSolidBmp(viewer.Picture(std::wstring(good) + L".bmp"), 160, 120, kTeal);
    for (const BadPicture& bad : kBad) {
        if (bad.data) ASSERT_NO_FATAL_FAILURE(CopyData(viewer, bad.data, bad.name));
        else WriteBytes(viewer.Picture(bad.name), std::string(bad.bytes, bad.size));
    }
}

std::wstring CaptionOf(const wchar_t* good) { return std::wstring(good) + L" - Oxbrill"; }

// Steps with `command` and expects the caption to name `good` next; the
// viewer must stay responsive and small.
void StepTo(const Viewer& viewer, int command, const wchar_t* good) {
    viewer.PostCommand(command);
    const std::wstring want = CaptionOf(good);
    ASSERT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == want; }), want);
    ASSERT_TRUE(viewer.Running());
    ASSERT_TRUE(Responds(viewer));
    PROCESS_MEMORY_COUNTERS memory{};
    ASSERT_TRUE(ReadMemory(viewer, memory));
    EXPECT_LT(memory.PeakWorkingSetSize, 300u << 20);
    EXPECT_LT(memory.PagefileUsage, 300u << 20);
}

std::vector<std::wstring> ErrorLog(const Viewer& viewer) {
    const std::wstring path = viewer.ProgramFile(L"errors.log");
    const std::string bytes = ReadBytes(path);
    if (bytes.empty()) return {};
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE")) << "errors.log lacks its byte-order mark";
    const std::wstring text = ReadUtf16File(path);
    EXPECT_TRUE(text.size() >= 2 && text.substr(text.size() - 2) == L"\r\n") << "last line not ended by CR LF";
    return Lines(text);
}

std::vector<std::wstring> BadPaths(const Viewer& viewer) {
    std::vector<std::wstring> paths;
    for (const BadPicture& bad : kBad) paths.push_back(viewer.Picture(bad.name));
    return paths;
}

}  // namespace

TEST(Viewer, DamagedPicturesAreLoggedOnceAndDropped) {
    Viewer viewer;
    ASSERT_NO_FATAL_FAILURE(WriteMixedExhibit(viewer));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -shortname -emf"));
    const std::wstring first = CaptionOf(kGood[0]);
    ASSERT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == first; }), first);
    EXPECT_TRUE(ErrorLog(viewer).empty());

    for (size_t i = 1; i < std::size(kGood); ++i) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, 1051, kGood[i]));
    EXPECT_EQ(ErrorLog(viewer), BadPaths(viewer));

    // Dropped from the exhibit: a second round meets only the good pictures
    // and logs nothing more; the files stay on disk.
    ASSERT_NO_FATAL_FAILURE(StepTo(viewer, 1051, kGood[0]));
    for (size_t i = 1; i < std::size(kGood); ++i) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, 1051, kGood[i]));
    EXPECT_EQ(ErrorLog(viewer).size(), std::size(kBad));
    for (const std::wstring& path : BadPaths(viewer)) EXPECT_TRUE(FileExists(path)) << Narrow(path);

    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

TEST(Viewer, DamagedPicturesAreSteppedOverBothWaysWhenKept) {
    Viewer viewer;
    ASSERT_NO_FATAL_FAILURE(WriteMixedExhibit(viewer));
    ASSERT_NO_FATAL_FAILURE(Launch(viewer, kStill + L" -shortname -emf -noremovefail"));
    const std::wstring first = CaptionOf(kGood[0]);
    ASSERT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == first; }), first);

    for (size_t i = 1; i < std::size(kGood); ++i) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, 1051, kGood[i]));
    const std::vector<std::wstring> bad = BadPaths(viewer);
    EXPECT_EQ(ErrorLog(viewer), bad);

    // Kept in the exhibit, they are met again going back, and logged again.
    for (size_t i = std::size(kGood) - 1; i-- > 0;) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, 1052, kGood[i]));
    std::vector<std::wstring> both = bad;
    both.insert(both.end(), bad.rbegin(), bad.rend());
    EXPECT_EQ(ErrorLog(viewer), both);

    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}

// Ten damaged files before the first good one: the first good picture is
// shown at start, no caption ever names a dropped file, and the slideshow runs.
TEST(Viewer, DamagedFilesFirstStillShowTheFirstGoodPictureAndTheShowRuns) {
    Viewer viewer;
    for (int n = 0; n < 10; ++n) {
        wchar_t name[32];
        swprintf(name, 32, L"%02d-bad.png", n);
        WriteBytes(viewer.Picture(name), n % 2 ? std::string() : std::string(kNoise, sizeof kNoise - 1));
    }
    WriteSolidBmp(viewer.Picture(L"20-good.bmp"), 160, 120, kTeal);
    WriteSolidBmp(viewer.Picture(L"21-good.bmp"), 120, 160, kTeal);
    ASSERT_TRUE(viewer.Start(L"-shortname -notransitions -t1000"));
    ASSERT_TRUE(viewer.WaitForWindow());
    const auto names = [](const std::wstring& caption, const wchar_t* good) {
        return caption.rfind(CaptionOf(good), 0) == 0;
    };
    // Every caption until the show reaches the second picture.
    std::vector<std::wstring> captions;
    const DWORD start = GetTickCount();
    while ((captions.empty() || !names(captions.back(), L"21-good")) && GetTickCount() - start < 20000) {
        // Before its first paint the window bears the bare product name.
        const std::wstring caption = viewer.Caption();
        if (caption != L"Oxbrill" && (captions.empty() || captions.back() != caption)) captions.push_back(caption);
        Sleep(10);
    }
    ASSERT_FALSE(captions.empty());
    EXPECT_TRUE(names(captions.front(), L"20-good")) << Narrow(captions.front());
    for (const std::wstring& caption : captions) EXPECT_EQ(caption.find(L"-bad"), std::wstring::npos) << Narrow(caption);
    // The show went on to the second picture.
    EXPECT_TRUE(std::any_of(captions.begin(), captions.end(), [&](const std::wstring& c) { return names(c, L"21-good"); }));
    EXPECT_EQ(ErrorLog(viewer).size(), 10u);
    viewer.Close();
    EXPECT_EQ(viewer.WaitForExit(), 0);
}
