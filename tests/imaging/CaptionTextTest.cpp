// The texts that describe the shown picture: the caption, the tray tip and
// the status bar parts.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "imaging/CaptionText.h"

TEST(CaptionText, NameZoomPathLinksAndDots) {
    const struct { std::function<void(CaptionInput&)> set; const wchar_t* caption; } cases[] = {
        {[](CaptionInput&) {}, L"holiday - Oxbrill (Zoom: 487 x 390)"},
        {[](CaptionInput& in) { in.currentZoom = 100; }, L"holiday - Oxbrill"},
        {[](CaptionInput& in) { in.fullname = true; }, L"C:\\pics\\holiday.jpg - Oxbrill (Zoom: 487 x 390)"},
        {[](CaptionInput& in) { in.collage = true; }, L"holiday - Oxbrill"},   // no zoom readout in a collage
        {[](CaptionInput& in) { in.note = L"Too large to show"; }, L"holiday - Oxbrill (Too large to show)"},
        {[](CaptionInput& in) { in.title = false; }, L"Oxbrill"},
        {[](CaptionInput& in) { in.isLink = true, in.currentZoom = 100,
                               in.currentPath = L"C:\\pics\\holiday.jpg.lnk"; },
         L"*holiday.jpg - Oxbrill"},
        {[](CaptionInput& in) { in.currentZoom = 100, in.currentPath = L"C:\\a.b\\c"; }, L"c - Oxbrill"},
        {[](CaptionInput& in) { in.currentZoom = 100, in.currentPath = L"C:\\p\\archive.tar.gz"; },
         L"archive.tar - Oxbrill"},
        {[](CaptionInput& in) { in.currentZoom = 100, in.isPasted = true, in.currentPath = L"Clipboard_Image"; },
         L"Clipboard_Image - Oxbrill"},
        {[](CaptionInput& in) { in.exhibitEmpty = true; }, L"C:\\pics - Oxbrill"},
    };
    for (const auto& c : cases) {
        CaptionInput in{.fullname = false, .viewedFolder = L"C:\\pics", .currentPath = L"C:\\pics\\holiday.jpg",
                        .currentZoom = 48, .displayWidth = 487, .displayHeight = 390};
        c.set(in);
        EXPECT_EQ(FormatCaption(in), c.caption);
    }
    EXPECT_TRUE(TrayTipText(std::wstring(300, L'x')) == std::wstring(127, L'x') && TrayTipText(L"short") == L"short");
}

TEST(StatusText, PartsOfAShownFile) {
    using Parts = std::array<std::wstring, 5>;
    const struct { std::function<void(StatusInput&)> set; Parts parts; } cases[] = {
        {[](StatusInput&) {}, {L"\t3417.97KB", L"\t3000x2000x24", L"\t100%", L"\t H:21 V:14", L"\t5/12"}},
        // Squeezed without hand zoom: no scroll readout. Below one step still counts one; none counts zero.
        {[](StatusInput& in) { in.zoomHeld = false, in.currentZoom = 33; },
         {L"\t3417.97KB", L"\t3000x2000x24", L"\t33%", L"", L"\t5/12"}},
        {[](StatusInput& in) { in.squeeze = in.sizeKnown = false, in.excessWidth = 40, in.excessHeight = 0; },
         {L"\t!KB", L"\t3000x2000x24", L"\t100%", L"\t H:1 V:0", L"\t5/12"}},
        {[](StatusInput& in) { in.zoom = in.currentZoom = 50, in.zoomHeld = false; },   // the lock is marked ...
         {L"\t3417.97KB", L"\t3000x2000x24", L"\t!50%", L"", L"\t5/12"}},
        {[](StatusInput& in) { in.zoom = 50, in.currentZoom = 60; },   // ... until a hand zoom moves off it
         {L"\t3417.97KB", L"\t3000x2000x24", L"\t60%", L"\t H:21 V:14", L"\t5/12"}},
        {[](StatusInput& in) { in.isPasted = true; },
         {L"\tNot a file", L"\t3000x2000x24", L"\t100%", L"\t H:21 V:14", L"\t?/12"}},
        {[](StatusInput& in) { in.collage = true, in.collagesize = 250, in.naturalWidth = 1000; },
         {L"\t3417.97KB", L"\t1000x2000x24", L"\t25%", L"\tCollage", L"\t5/12"}},
        {[](StatusInput& in) { in = StatusInput{}; }, {}},
    };
    for (const auto& c : cases) {
        StatusInput in{.pictureShown = true, .sizeKnown = true, .fileSize = 3500000, .naturalWidth = 3000,
                       .naturalHeight = 2000, .bitsPerPixel = 24, .currentZoom = 100, .zoomHeld = true,
                       .squeeze = true, .excessWidth = 2000, .excessHeight = 1300, .index = 4, .count = 12};
        c.set(in);
        EXPECT_EQ(FormatStatusParts(in), c.parts);
    }
}
