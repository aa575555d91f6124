// The picture viewer as the user sees it: the window wrapped round a picture
// or squeezed to the screen with the zoom in the caption, the EXIF
// orientation, the cropped window, and damaged pictures logged and passed
// over without harm.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const std::wstring kStill = L"-noslide -notransitions";
const COLORREF kRed = RGB(220, 20, 20), kBlue = RGB(0, 0, 255), kTeal = RGB(20, 140, 150);

// The reference picture shown in `view`: red and lime over blue and white,
// each quadrant's centre clear of the blur at the colour edges.
void ExpectQuadrants(const RECT& view) {
    const COLORREF quadrants[] = {RGB(255, 0, 0), RGB(0, 255, 0), kBlue, RGB(255, 255, 255)};
    for (int q = 0; q < 4; ++q) {
        const int x = view.left + (q % 2 * 2 + 1) * Width(view) / 4, y = view.top + (q / 2 * 2 + 1) * Height(view) / 4;
        EXPECT_TRUE(WaitForPixel(x, y, quadrants[q], 40)) << "quadrant " << q << ": " << Hex(Screenshot().Pixel(x, y));
    }
}

}  // namespace

TEST(Viewer, TheWindowWrapsASmallPictureCentredAndTheCaptionNamesIt) {
    Viewer viewer;
    WriteSolidBmp(viewer.Picture(L"small.bmp"), 300, 200, kTeal);
    ASSERT_TRUE(viewer.Launch(kStill));
    // At 100% the caption is the full path and the product name, with no zoom part.
    const std::wstring caption = viewer.Picture(L"small.bmp") + L" - Oxbrill";
    EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == caption; }), caption);

    const RECT view = viewer.ViewOnScreen(), window = viewer.WindowRect();
    EXPECT_GT(viewer.StatusBarHeight(), 0);
    EXPECT_EQ(Width(view), 300);
    EXPECT_EQ(Height(view), 200);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(window.left, (Width(work) - Width(window)) / 2 + work.left);
    EXPECT_EQ(window.top, (Height(work) - Height(window)) / 2 + work.top);
    ASSERT_TRUE(WaitForPixel(view.left + 150, view.top + 100, kTeal));
    ExpectPlaced(view, kTeal, view, kTeal);
    // The viewer holds no handle on the file it shows: another program may
    // rename and delete it while the picture stays on screen.
    const std::wstring moved = viewer.Picture(L"moved.bmp");
    EXPECT_TRUE(MoveFileW(viewer.Picture(L"small.bmp").c_str(), moved.c_str())) << GetLastError();
    EXPECT_TRUE(DeleteFileW(moved.c_str())) << GetLastError();
    EXPECT_TRUE(WaitForPixel(view.left + 150, view.top + 100, kTeal));
}

TEST(Viewer, ExifOrientationTurnsThePictureUpright) {
    // o6-ii.jpg is stored 16 wide and 32 tall; its tag turns it into the 32 x 16
    // reference: red and lime over blue and white. Ten times enlarged here.
    Viewer viewer;
    ASSERT_TRUE(CopyFileW(DataPath(L"exif\\o6-ii.jpg").c_str(), viewer.Picture(L"turned.jpg").c_str(), FALSE));
    ASSERT_TRUE(viewer.Launch(kStill + L" -shortname -z1000"));
    const std::wstring expected = L"turned - Oxbrill (Zoom: 320 x 160)";
    EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& t) { return t == expected; }), expected);
    const RECT view = viewer.ViewOnScreen();
    EXPECT_TRUE(Width(view) == 320 && Height(view) == 160) << Describe(view);
    ExpectQuadrants(view);
}

// WebP, HEIC, AVIF and JPEG XL, by extensions in any letter case: each shown
// upright (the AVIF is stored turned, its container turning it back), at its
// own size, with its size and depth in the status bar.
TEST(Viewer, EachFormatWithADecoderOfItsOwnShowsUprightWithItsSizeAndDepth) {
    const struct {
        const wchar_t* data;
        const wchar_t* name;
    } cases[] = {{L"quadrants.webp", L"q.WEBP"}, {L"quadrants.heic", L"q.Heic"}, {L"quadrants.heic", L"q.heif"},
                 {L"quadrants.avif", L"q.avif"}, {L"quadrants.jxl", L"q.JXL"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name);
        Viewer viewer;
        ASSERT_TRUE(CopyFileW(DataPath(std::wstring(L"e2e\\") + c.data).c_str(), viewer.Picture(c.name).c_str(), FALSE));
        ASSERT_TRUE(viewer.Launch(kStill + L" -shortname -z250"));
        const std::wstring expected = L"q - Oxbrill (Zoom: 320 x 160)";
        EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& t) { return t == expected; }), expected);
        const RECT view = viewer.ViewOnScreen();
        EXPECT_TRUE(Width(view) == 320 && Height(view) == 160) << Describe(view);
        ExpectQuadrants(view);
        InViewer remote(viewer);
        EXPECT_EQ(remote.StatusPart(FindWindowExW(viewer.Main(), nullptr, STATUSCLASSNAMEW, nullptr), 1),
                  L"\t128x64x24");
    }
}

TEST(Viewer, CropCutsTheWindowToThePictureWrappedOrFixed) {
    // A wrapped window (centred on the screen) and a fixed one (bottom right of the screen), both at once.
    Viewer wrapped, fixed;
    WriteSolidBmp(wrapped.Picture(L"dot.bmp"), 240, 160, kRed);
    ASSERT_TRUE(wrapped.Start(kStill + L" -crop"));
    WriteSolidBmp(fixed.Picture(L"dot.bmp"), 100, 60, kRed);
    const RECT position{700, 600, 1100, 900};
    fixed.WriteSettings(WindowSettings(position, kBlue));
    ASSERT_TRUE(fixed.Start(kStill + L" -crop -nowrap -bottomright"));

    // No frame, caption or status bar: the wrapped window is the picture.
    ASSERT_TRUE(wrapped.WaitForWindow());
    wrapped.WaitForStableSize();
    RECT box{};
    ASSERT_TRUE(wrapped.RegionBox(box));
    EXPECT_TRUE(SameRect(box, {0, 0, 240, 160})) << Describe(box);
    const RECT window = wrapped.WindowRect();
    EXPECT_EQ(Width(window), 240);
    EXPECT_EQ(Height(window), 160);
    EXPECT_EQ(wrapped.StatusBarHeight(), 0);
    ASSERT_TRUE(WaitForPixel(window.left + 120, window.top + 80, kRed));
    ExpectPlaced(window, kRed, window, kRed);

    // In a fixed window the cut follows the layout.
    ASSERT_TRUE(fixed.WaitForWindow());
    fixed.WaitForStableSize();
    EXPECT_TRUE(fixed.WaitForWindowRect(position)) << Describe(fixed.WindowRect());
    ASSERT_TRUE(fixed.RegionBox(box));
    EXPECT_TRUE(SameRect(box, {300, 240, 400, 300})) << Describe(box);
    OffsetRect(&box, position.left, position.top);
    ASSERT_TRUE(WaitForPixel(box.left + 50, box.top + 30, kRed));
    ExpectPlaced(box, kRed, box, kRed);
}

namespace {

// Good pictures alternate with damaged ones, so each damaged file is met by
// stepping from a good picture and is followed by one.
const char kNoise[] = "\x13\x9a\xfe\x01QZ\x00\x7f\x80\xc3 not a picture \xff\xd8\x42\x17";
const struct {
    const wchar_t* name;
    const wchar_t* data;   // a committed file under tests/data, else noise (or nothing for .png)
} kBad[] = {{L"02-truncated.jpg", L"e2e\\truncated.jpg"}, {L"04-empty.png", nullptr},
            {L"06-noise.jpg", nullptr},                   {L"08-huge.png", L"e2e\\huge.png"},
            {L"10-corrupt.gif", L"e2e\\corrupt.gif"},     {L"12-broken.emf", L"e2e\\broken.emf"}};
const wchar_t* const kGood[] = {L"01-good", L"03-good", L"05-good", L"07-good", L"09-good", L"11-good", L"13-good"};

void WriteMixedExhibit(const Viewer& viewer) {
    for (const wchar_t* good : kGood) WriteSolidBmp(viewer.Picture(std::wstring(good) + L".bmp"), 160, 120, kTeal);
    for (const auto& bad : kBad) {
        if (bad.data) CopyFileW(DataPath(bad.data).c_str(), viewer.Picture(bad.name).c_str(), FALSE);
        else WriteBytes(viewer.Picture(bad.name), wcsstr(bad.name, L".png") ? "" : std::string(kNoise, 29));
    }
}

// Steps with `command` and expects the caption to name `good` next; the
// viewer must stay responsive and small.
void StepTo(const Viewer& viewer, int command, const wchar_t* good) {
    viewer.PostCommand(command);
    const std::wstring want = std::wstring(good) + L" - Oxbrill";
    ASSERT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == want; }), want);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(viewer.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &answer));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, viewer.ProcessId());
    PROCESS_MEMORY_COUNTERS memory{};
    ASSERT_TRUE(GetProcessMemoryInfo(process, &memory, sizeof(memory)));
    CloseHandle(process);
    EXPECT_LT(memory.PeakWorkingSetSize, 300u << 20);
    EXPECT_LT(memory.PagefileUsage, 300u << 20);
}

// The lines of errors.log, which must be UTF-16 with CR LF line ends.
std::vector<std::wstring> ErrorLog(const Viewer& viewer) {
    const std::wstring path = viewer.ProgramFile(L"errors.log");
    const std::wstring text = ReadUtf16File(path);
    EXPECT_EQ(text.empty(), ReadBytes(path).empty()) << "errors.log lacks its byte-order mark";
    std::vector<std::wstring> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 2) {
        end = text.find(L"\r\n", at);
        EXPECT_NE(end, std::wstring::npos) << "last line not ended by CR LF";
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

}  // namespace

TEST(Viewer, DamagedPicturesAreLoggedAndDroppedOrSteppedOverBothWaysWhenKept) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "-noremovefail" : "dropped");
        Viewer viewer;
        WriteMixedExhibit(viewer);
        ASSERT_TRUE(viewer.Launch(kStill + L" -shortname -emf" + (keep ? L" -noremovefail" : L"")));
        const std::wstring first = std::wstring(kGood[0]) + L" - Oxbrill";
        ASSERT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == first; }), first);
        EXPECT_TRUE(ErrorLog(viewer).empty());
        for (size_t i = 1; i < std::size(kGood); ++i) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, kCmdNext, kGood[i]));
        std::vector<std::wstring> bad;
        for (const auto& b : kBad) bad.push_back(viewer.Picture(b.name));
        EXPECT_EQ(ErrorLog(viewer), bad);

        // Kept, they are met and logged again going back; dropped, a second
        // round meets only the good pictures and logs nothing more.
        if (keep) {
            for (size_t i = std::size(kGood) - 1; i-- > 0;)
                ASSERT_NO_FATAL_FAILURE(StepTo(viewer, kCmdPrevious, kGood[i]));
            const std::vector<std::wstring> back(bad.rbegin(), bad.rend());
            bad.insert(bad.end(), back.begin(), back.end());
        } else {
            for (size_t i = 0; i < std::size(kGood); ++i) ASSERT_NO_FATAL_FAILURE(StepTo(viewer, kCmdNext, kGood[i]));
        }
        EXPECT_EQ(ErrorLog(viewer), bad);
        for (const auto& b : kBad) EXPECT_TRUE(FileExists(viewer.Picture(b.name))) << "the files stay on disk";
        viewer.SavedSettings();
    }
}

// Ten damaged files before the first good one: the first good picture is
// shown at start, no caption ever names a dropped file, and the slideshow runs.
TEST(Viewer, DamagedFilesFirstStillShowTheFirstGoodPictureAndTheShowRuns) {
    Viewer viewer;
    for (int n = 0; n < 10; ++n)
        WriteBytes(viewer.Picture(L"0" + std::to_wstring(n) + L"-bad.png"), n % 2 ? "" : std::string(kNoise, 20));
    WriteSolidBmp(viewer.Picture(L"20-good.bmp"), 160, 120, kTeal);
    WriteSolidBmp(viewer.Picture(L"21-good.bmp"), 120, 160, kTeal);
    ASSERT_TRUE(viewer.Start(L"-shortname -notransitions -t1000"));
    ASSERT_TRUE(viewer.WaitForWindow());
    // Every caption naming a picture until the show reaches the second one.
    std::vector<std::wstring> captions;
    const std::wstring first = L"20-good - ", second = L"21-good - ";
    WaitUntil([&] {
        const std::wstring caption = viewer.Caption();
        if (caption.find(L" - ") != std::wstring::npos && (captions.empty() || captions.back() != caption))
            captions.push_back(caption);
        return caption.compare(0, second.size(), second) == 0;
    }, 20000);
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.front().compare(0, first.size(), first), 0) << testing::PrintToString(captions.front());
    EXPECT_EQ(captions.back().compare(0, second.size(), second), 0) << "the show did not go on";
    for (const std::wstring& caption : captions) EXPECT_EQ(caption.find(L"-bad"), std::wstring::npos);
    EXPECT_EQ(ErrorLog(viewer).size(), 10u);
    viewer.SavedSettings();
}

// A sound picture larger than the memory the viewer allows itself is neither
// logged nor dropped as damaged: nothing shows, and the caption says why.
TEST(Viewer, APictureBeyondTheMemoryBudgetIsNamedNotLogged) {
    Viewer viewer;
    // A PNG of 40000 x 40000 (more than any budget allows) whose data could fill that size.
    std::string ihdr = "IHDR";
    for (const uint32_t side : {40000u, 40000u})
        for (int shift = 24; shift >= 0; shift -= 8) ihdr.push_back(char(side >> shift));
    ihdr += std::string("\x08\x02\0\0\0", 5);
    const std::string data(300000, '\0');
    WriteBytes(viewer.Picture(L"huge.png"), std::string("\x89PNG\r\n\x1a\n\0\0\0\x0d", 12) + ihdr +
                                             std::string(4, '\0') + "\0\x04\x93\xe0IDAT" + data);
    ASSERT_TRUE(viewer.Launch(kStill));
    const std::wstring expected = viewer.Picture(L"huge.png") + L" - Oxbrill (Too large to show)";
    EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& c) { return c == expected; }), expected);
    EXPECT_FALSE(FileExists(viewer.ProgramFile(L"errors.log")));
}

// A red picture whose embedded profile swaps red and green shows green while
// colour management is on and red while it is off, from the start or turned
// either way from the menu (the shown picture is decoded again).
TEST(Viewer, AnEmbeddedColourProfileIsHonouredUnlessTurnedOff) {
    const COLORREF green = RGB(0, 255, 0), red = RGB(255, 0, 0);
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        Viewer viewer;
        ASSERT_TRUE(CopyFileW(DataPath(L"colour\\swapped.jpg").c_str(), viewer.Picture(L"swapped.jpg").c_str(), FALSE));
        ASSERT_TRUE(viewer.Launch(kStill + L" -shortname -z1000" + (on ? L"" : L" -nocolormanage")));
        const std::wstring expected = L"swapped - Oxbrill (Zoom: 160 x 160)";
        EXPECT_EQ(viewer.WaitForCaption([&](const std::wstring& t) { return t == expected; }), expected);
        const RECT view = viewer.ViewOnScreen();
        const int x = view.left + Width(view) / 2, y = view.top + Height(view) / 2;
        EXPECT_TRUE(WaitForPixel(x, y, on ? green : red, 40)) << Hex(Screenshot().Pixel(x, y));
        viewer.PostCommand(kCmdColorManage);
        EXPECT_TRUE(WaitForPixel(x, y, on ? red : green, 40)) << Hex(Screenshot().Pixel(x, y));
    }
}
