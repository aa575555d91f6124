// The one decode routine: the decoder chosen by the bytes, a JPEG decoded at
// the scale it is shown at giving the frames GDI+ gives, and a picture
// decoded small taking a fuller decode when it is shown larger.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureDecode.h"
#include "imaging/PictureHolder.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

using Frame = std::vector<uint32_t>;

// What `draw` paints into a w x h 32-bit DIB.
template <typename Draw>
Frame Grab(int w, int h, Draw draw) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    draw(dc);
    GdiFlush();
    Frame out(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + size_t(w) * h);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    for (uint32_t& p : out) p &= 0xFFFFFF;
    return out;
}

Frame Drawn(const PictureHolder& p, int w, int h) {
    return Grab(w, h, [&](HDC dc) { EXPECT_TRUE(p.Draw(dc, 0, 0, w, h)); });
}

// GDI+ decoding the file at full size and drawing it at w x h with `mode`.
Frame DrawnByGdiplus(const std::wstring& path, int w, int h, int mode) {
    return Grab(w, h, [&](HDC dc) {
        Gdiplus::GpImage* image = nullptr;
        Gdiplus::GpGraphics* graphics = nullptr;
        ASSERT_EQ(gp::GdipLoadImageFromFile(path.c_str(), &image), Gdiplus::Ok);
        gp::GdipCreateFromHDC(dc, &graphics);
        gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationMode(mode));
        gp::GdipDrawImageRectI(graphics, image, 0, 0, w, h);
        gp::GdipDeleteGraphics(graphics);
        gp::GdipDisposeImage(image);
    });
}

// The mean absolute difference of two frames over every colour channel, in levels of 255.
double MeanDifference(const Frame& a, const Frame& b) {
    if (a.size() != b.size() || a.empty()) return 255;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16}) sum += std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF));
    return double(sum) / double(a.size() * 3);
}

DecodedPicture Decode(const std::wstring& path, const ShowPlan& target, uint64_t limit = PicturePixelLimit()) {
    DecodeLimits limits{limit};
    limits.target = target;
    return DecodePictureFile(path.c_str(), limits);
}

ShowPlan Fitting(int32_t w, int32_t h, int32_t interpolation) {
    ShowPlan plan;
    plan.valid = true;
    plan.area = {w, h};
    plan.squeeze = true;
    plan.interpolation = interpolation;
    return plan;
}

// The JPEG test pictures: 204 x 124, photo-like, coded every way.
const wchar_t* const kCodings[] = {L"baseline", L"progressive", L"restart", L"arithmetic", L"gray", L"cmyk", L"ycck"};
std::wstring JpegPath(const wchar_t* name) { return DataPath(std::wstring(L"jpeg\\") + name + L".jpg"); }

}  // namespace

// Shown in a 100 x 60 area each file is decoded at half its size and drawn to
// 98 x 60; the frame is GDI+'s full decode drawn the same way within a few
// levels. At its full size the frame is the decoded picture pixel for pixel.
TEST(DecodePipeline, JpegFramesMatchGdiplusAtDisplayScaleAndAtFullSize) {
    for (const wchar_t* name : kCodings) {
        for (const int mode : {Gdiplus::InterpolationModeDefault, Gdiplus::InterpolationModeHighQualityBicubic}) {
            const ShowPlan plan = Fitting(100, 60, mode);
            DecodedPicture decoded = Decode(JpegPath(name), plan);
            PreparePicture(decoded, plan);
            PictureHolder shown;
            shown.SetInterpolation(mode);
            ASSERT_TRUE(shown.Adopt(std::move(decoded))) << name;
            EXPECT_TRUE(shown.NaturalWidth() == 204 && shown.NaturalHeight() == 124 && shown.PixelWidth() == 102)
                << "the picture's own size is reported, half of it decoded";
            const double scaled = MeanDifference(Drawn(shown, 98, 60), DrawnByGdiplus(JpegPath(name), 98, 60, mode));
            std::printf("%ls, mode %d: frame at 98 x 60 differs from GDI+'s by %.2f levels on average\n", name, mode,
                        scaled);
            EXPECT_LE(scaled, 4.0) << name;
        }
        PictureHolder full;
        ASSERT_TRUE(full.Adopt(Decode(JpegPath(name), {})));
        const Frame frame = Drawn(full, 204, 124);
        const double gdiplus = MeanDifference(frame, DrawnByGdiplus(JpegPath(name), 204, 124, 0));
        std::printf("%ls: full-size frame differs from GDI+'s by %.2f levels on average\n", name, gdiplus);
        EXPECT_LE(gdiplus, 3.0) << name;
        Gdiplus::Rect all{0, 0, 204, 124};
        Gdiplus::BitmapData data{};
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(full.Image());
        ASSERT_EQ(gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &data),
                  Gdiplus::Ok);
        for (int y = 0; y < 124; ++y)
            for (int x = 0; x < 204; ++x)
                ASSERT_EQ(frame[y * 204 + x], static_cast<const uint32_t*>(data.Scan0)[y * data.Stride / 4 + x] & 0xFFFFFF)
                    << name << " at " << x << ", " << y;
        gp::GdipBitmapUnlockBits(bitmap, &data);
    }
}

// The decoder is the one the bytes name, whatever the file is called; our own
// decoders keep the damaged-file and budget rules of every other.
TEST(DecodePipeline, TheBytesChooseTheDecoderAndTheRulesStay) {
    TempFolder folder{L"oxpipe"};
    const ShowPlan eighth = [] {
        ShowPlan p;
        p.leastWidth = 26, p.leastHeight = 16;
        return p;
    }();
    const struct {
        const wchar_t* name;
        std::wstring from;
        uint64_t limit;
        DecodeOutcome outcome;
        bool ownPixels;
        uint32_t pixelWidth;
    } cases[] = {
        {L"named.png", JpegPath(L"baseline"), PicturePixelLimit(), DecodeOutcome::Decoded, true, 26},
        {L"named.jpg", DataPath(L"formats\\bits32.png"), PicturePixelLimit(), DecodeOutcome::Decoded, false, 32},
        {L"cut.jpg", DataPath(L"e2e\\truncated.jpg"), PicturePixelLimit(), DecodeOutcome::Damaged, false, 0},
        {L"big.jpg", JpegPath(L"progressive"), 204 * 124 - 1, DecodeOutcome::TooLarge, false, 0},
        // WebP scales to the least size of its shape: 27 x 16 covers 26 x 16.
        {L"webp.jpg", DataPath(L"webp\\lossy-alpha.webp"), PicturePixelLimit(), DecodeOutcome::Decoded, true, 27},
        {L"big.webp", DataPath(L"webp\\lossless.webp"), 204 * 124 - 1, DecodeOutcome::TooLarge, false, 0},
        // JPEG XL is decoded whole, turned upright by its header: stored 16 x 32, 32 x 16 upright.
        {L"jxl.bmp", DataPath(L"jxl\\turned.jxl"), PicturePixelLimit(), DecodeOutcome::Decoded, true, 32},
        // HEIF is decoded at its full size only.
        {L"heic.jpg", DataPath(L"heif\\plasma.heic"), PicturePixelLimit(), DecodeOutcome::Decoded, true, 204},
        {L"big.avif", DataPath(L"heif\\plasma.avif"), 204 * 124 - 1, DecodeOutcome::TooLarge, false, 0},
    };
    for (const auto& c : cases) {
        folder.File(c.name, ReadBytes(c.from));
        const std::wstring path = folder.Path(c.name);
        const DecodedPicture p = Decode(path, eighth, c.limit);
        EXPECT_EQ(p.outcome, c.outcome) << testing::PrintToString(c.name);
        EXPECT_EQ(p.pixels != nullptr, c.ownPixels) << testing::PrintToString(c.name);
        UINT w = 0;
        if (p.image) gp::GdipGetImageWidth(p.image.get(), &w);
        EXPECT_EQ(w, c.pixelWidth) << testing::PrintToString(c.name);
        if (c.outcome == DecodeOutcome::TooLarge) {
            EXPECT_TRUE(p.width == 204 && p.height == 124);
        }
    }
}

// Decoded at an eighth, turned a quarter by hand and shown at 100%: it asks
// for the picture's full size as stored, and the fuller decode takes its
// place turned the same way, the very pixels of a full decode turned alike.
TEST(DecodePipeline, APictureShownPastWhatWasDecodedTakesAFullerDecode) {
    PictureHolder shown;
    ASSERT_TRUE(shown.Adopt(Decode(JpegPath(L"baseline"), Fitting(26, 16, 0))));
    ASSERT_EQ(shown.PixelWidth(), 26u);
    ASSERT_TRUE(shown.RotateFlip(kRotate90));
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(shown.WantsDetail(16, 26, w, h)) << "what was decoded serves";
    EXPECT_TRUE(shown.WantsDetail(40, 60, w, h) && w == 60 && h == 40) << "a sharper picture is wanted";
    ASSERT_TRUE(shown.WantsDetail(int32_t(shown.NaturalWidth()), int32_t(shown.NaturalHeight()), w, h));
    EXPECT_TRUE(w == 204 && h == 124);
    EXPECT_FALSE(shown.TakeDetail(Decode(JpegPath(L"baseline"), Fitting(26, 16, 0)))) << "no more pixels";
    ASSERT_TRUE(shown.Adopt(Decode(JpegPath(L"baseline"), Fitting(26, 16, 0))));
    shown.RotateFlip(kRotate90);
    ASSERT_TRUE(shown.TakeDetail(Decode(JpegPath(L"baseline"), {})));
    EXPECT_TRUE(shown.PixelWidth() == 124 && shown.PixelHeight() == 204 && shown.NaturalWidth() == 124);
    EXPECT_FALSE(shown.WantsDetail(124, 204, w, h));
    PictureHolder reference;
    ASSERT_TRUE(reference.Adopt(Decode(JpegPath(L"baseline"), {})));
    reference.RotateFlip(kRotate90);
    EXPECT_EQ(Drawn(shown, 124, 204), Drawn(reference, 124, 204));
}
