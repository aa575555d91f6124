#include <gtest/gtest.h>

#include <string>

#include "imaging/CaptionText.h"

namespace {

CaptionInput Holiday() {
    CaptionInput in;
    in.currentPath = L"C:\\pics\\holiday.jpg";
    in.viewedFolder = L"C:\\pics";
    in.fullname = false;
    in.currentZoom = 48;
    in.displayWidth = 487;
    in.displayHeight = 390;
    return in;
}

StatusInput BigJpeg() {
    StatusInput in;
    in.pictureShown = true;
    in.sizeKnown = true;
    in.fileSize = 3500000;
    in.naturalWidth = 3000;
    in.naturalHeight = 2000;
    in.bitsPerPixel = 24;
    in.currentZoom = 100;
    in.zoomHeld = true;
    in.squeeze = true;
    in.excessWidth = 3000 - 1000;
    in.excessHeight = 2000 - 700;
    in.index = 4;
    in.count = 12;
    return in;
}

}  // namespace

TEST(CaptionText, NameZoomAndFullPath) {
    CaptionInput in = Holiday();
    EXPECT_EQ(FormatCaption(in), L"holiday - Oxbrill (Zoom: 487 x 390)");
    in.fullname = true;
    in.currentZoom = 100;
    EXPECT_EQ(FormatCaption(in), L"C:\\pics\\holiday.jpg - Oxbrill");
    // No zoom readout in collage mode.
    in.currentZoom = 48;
    in.collage = true;
    EXPECT_EQ(FormatCaption(in), L"C:\\pics\\holiday.jpg - Oxbrill");
    in.title = false;
    EXPECT_EQ(FormatCaption(in), L"Oxbrill");
}

TEST(CaptionText, LinksDotsAndSpecialCases) {
    CaptionInput in = Holiday();
    in.currentZoom = 100;
    in.isLink = true;
    in.currentPath = L"C:\\pics\\holiday.jpg.lnk";
    EXPECT_EQ(FormatCaption(in), L"*holiday.jpg - Oxbrill");
    in.fullname = true;
    EXPECT_EQ(FormatCaption(in), L"*C:\\pics\\holiday.jpg.lnk - Oxbrill");

    in = Holiday();
    in.currentZoom = 100;
    in.currentPath = L"C:\\a.b\\c";  // the only dot is in the folder
    EXPECT_EQ(FormatCaption(in), L"c - Oxbrill");
    in.currentPath = L"C:\\pics\\archive.tar.gz";
    EXPECT_EQ(FormatCaption(in), L"archive.tar - Oxbrill");

    // A pasted picture always shows its whole name.
    in.currentPath = L"Clipboard_Image";
    in.isPasted = true;
    EXPECT_EQ(FormatCaption(in), L"Clipboard_Image - Oxbrill");

    in.exhibitEmpty = true;
    EXPECT_EQ(FormatCaption(in), L"C:\\pics - Oxbrill");

    const std::wstring tip = TrayTipText(std::wstring(300, L'x'));
    EXPECT_EQ(tip.size(), 127u);
    EXPECT_EQ(TrayTipText(L"short"), L"short");
}

TEST(StatusText, FieldsOfAShownFile) {
    StatusInput in = BigJpeg();
    auto parts = FormatStatusParts(in);
    EXPECT_EQ(parts[0], L"\t3417.97KB");
    EXPECT_EQ(parts[1], L"\t3000x2000x24");
    EXPECT_EQ(parts[2], L"\t100%");
    EXPECT_EQ(parts[3], L"\t H:21 V:14");
    EXPECT_EQ(parts[4], L"\t5/12");

    // A squeezed picture without hand zoom has no scroll readout.
    in.zoomHeld = false;
    in.currentZoom = 33;
    parts = FormatStatusParts(in);
    EXPECT_EQ(parts[3], L"");
    // An excess below one step still counts one step; none counts zero.
    in.squeeze = false;
    in.excessWidth = 40;
    in.excessHeight = 0;
    EXPECT_EQ(FormatStatusParts(in)[3], L"\t H:1 V:0");

    in.sizeKnown = false;
    EXPECT_EQ(FormatStatusParts(in)[0], L"\t!KB");
}

TEST(StatusText, ZoomLockMarkPastedAndCollage) {
    StatusInput in = BigJpeg();
    in.zoom = 50;
    in.currentZoom = 50;
    in.zoomHeld = false;
    EXPECT_EQ(FormatStatusParts(in)[2], L"\t!50%");
    in.currentZoom = 60;  // after Zoom In
    in.zoomHeld = true;
    EXPECT_EQ(FormatStatusParts(in)[2], L"\t60%");

    StatusInput pasted = BigJpeg();
    pasted.isPasted = true;
    pasted.sizeKnown = false;
    auto parts = FormatStatusParts(pasted);
    EXPECT_EQ(parts[0], L"\tNot a file");
    EXPECT_EQ(parts[4], L"\t?/12");

    StatusInput collage = BigJpeg();
    collage.collage = true;
    collage.collagesize = 250;
    collage.naturalWidth = 1000;
    parts = FormatStatusParts(collage);
    EXPECT_EQ(parts[2], L"\t25%");
    EXPECT_EQ(parts[3], L"\tCollage");

    StatusInput none;
    for (const auto& part : FormatStatusParts(none)) EXPECT_EQ(part, L"");
}
