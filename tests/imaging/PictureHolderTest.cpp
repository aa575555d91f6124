#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "imaging/FitRules.h"
#include "imaging/ImagingTestSupport.h"
#include "imaging/PictureHolder.h"


namespace {

class PictureHolderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { session_ = new imagingtest::GdiplusSession; }
    static void TearDownTestSuite() {
        delete session_;
        session_ = nullptr;
    }
    static imagingtest::GdiplusSession* session_;
};
imagingtest::GdiplusSession* PictureHolderTest::session_ = nullptr;

enum Colour { kRed, kGreen, kBlue, kWhite, kOther };

Colour Classify(COLORREF c) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    if (r > 200 && g < 60 && b < 60) return kRed;
    if (r < 60 && g > 200 && b < 60) return kGreen;
    if (r < 60 && g < 60 && b > 200) return kBlue;
    if (r > 200 && g > 200 && b > 200) return kWhite;
    return kOther;
}

// Draws the picture at w x h into a 32-bit DIB and reads the centres of its quadrants.
std::vector<Colour> Quadrants(const PictureHolder& picture, int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    EXPECT_TRUE(picture.Draw(dc, 0, 0, w, h));
    std::vector<Colour> out;
    for (const POINT p : {POINT{w / 4, h / 4}, POINT{3 * w / 4, h / 4}, POINT{w / 4, 3 * h / 4},
                          POINT{3 * w / 4, 3 * h / 4}})
        out.push_back(Classify(GetPixel(dc, p.x, p.y)));
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return out;
}

const std::vector<Colour> kUpright{kRed, kGreen, kBlue, kWhite};

}  // namespace

// The stored pixels of o<N>.jpg are the reference turned by ImageMagick; the
// orientation read from the file and the table's turn must bring it upright.
TEST_F(PictureHolderTest, EveryOrientationTurnsThePictureUpright) {
    for (int n = 1; n <= 8; ++n) {
        for (const wchar_t* order : {L"ii", L"mm"}) {
            const std::wstring name = L"exif\\o" + std::to_wstring(n) + L"-" + order + L".jpg";
            SCOPED_TRACE(std::string(name.begin(), name.end()));
            PictureHolder picture;
            ASSERT_TRUE(picture.LoadFromFile(DataPath(name).c_str()));
            EXPECT_EQ(picture.Orientation(), n);
            const int turn = RotateFlipForOrientation(picture.Orientation());
            if (turn != kRotateNone) {
                EXPECT_TRUE(picture.RotateFlip(turn));
            }
            EXPECT_EQ(picture.NaturalWidth(), 32u);
            EXPECT_EQ(picture.NaturalHeight(), 16u);
            EXPECT_EQ(Quadrants(picture, 32, 16), kUpright);
        }
    }
}

TEST_F(PictureHolderTest, AFailedLoadEmptiesThePictureButKeepsTheOrientation) {
    PictureHolder picture;
    ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\o8-mm.jpg").c_str()));
    EXPECT_FALSE(picture.LoadFromFile(L"Z:\\no\\such\\picture.jpg"));
    EXPECT_FALSE(picture.IsLoaded());
    EXPECT_EQ(picture.Orientation(), 8);
    ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\plain.jpg").c_str()));
    EXPECT_EQ(picture.Orientation(), 1);
}

TEST_F(PictureHolderTest, BitsPerPixelOfCommonFormats) {
    struct Case {
        const wchar_t* file;
        int bits;
    } cases[] = {{L"formats\\bits1.bmp", 1}, {L"formats\\bits4.bmp", 4},  {L"formats\\bits8.png", 8},
                 {L"formats\\bits8.gif", 8}, {L"formats\\bits24.bmp", 24}, {L"formats\\bits32.png", 32},
                 {L"exif\\plain.jpg", 24}};
    PictureHolder picture;
    EXPECT_EQ(picture.BitsPerPixel(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        ASSERT_TRUE(picture.LoadFromFile(DataPath(c.file).c_str()));
        EXPECT_EQ(picture.BitsPerPixel(), c.bits);
        EXPECT_EQ(picture.NaturalWidth(), 32u);
    }
}

TEST_F(PictureHolderTest, RotateFlipDrawAndBitmapSource) {
    PictureHolder picture;
    EXPECT_FALSE(picture.RotateFlip(kRotate90));  // nothing loaded
    ASSERT_TRUE(picture.LoadFromFile(DataPath(L"formats\\bits24.bmp").c_str()));
    EXPECT_FALSE(picture.RotateFlip(0));
    EXPECT_FALSE(picture.RotateFlip(8));
    ASSERT_TRUE(picture.RotateFlip(kRotate90));
    EXPECT_EQ(picture.NaturalWidth(), 16u);
    EXPECT_EQ(picture.NaturalHeight(), 32u);
    EXPECT_EQ(Quadrants(picture, 16, 32), (std::vector<Colour>{kBlue, kRed, kWhite, kGreen}));
    ASSERT_TRUE(picture.RotateFlip(kRotate270));
    ASSERT_TRUE(picture.RotateFlip(kFlipX));
    // Drawn scaled up, with either interpolation mode.
    picture.SetInterpolation(7);
    EXPECT_EQ(Quadrants(picture, 128, 64), (std::vector<Colour>{kGreen, kRed, kWhite, kBlue}));

    // From a GDI bitmap: a 20 x 10 DIB filled blue.
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 20, 10);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 20, 10};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, blue);
    SelectObject(dc, old);
    const int orientationBefore = picture.Orientation();
    ASSERT_TRUE(picture.LoadFromBitmap(bitmap));
    EXPECT_EQ(picture.NaturalWidth(), 20u);
    EXPECT_EQ(picture.NaturalHeight(), 10u);
    EXPECT_EQ(picture.Orientation(), orientationBefore);
    EXPECT_EQ(Quadrants(picture, 20, 10), (std::vector<Colour>{kBlue, kBlue, kBlue, kBlue}));
    DeleteObject(blue);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
    EXPECT_FALSE(picture.LoadFromBitmap(nullptr));
    EXPECT_FALSE(picture.IsLoaded());
}

namespace {

void Put32Be(std::string& s, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) s.push_back(char(v >> shift));
}

// A PNG with a correct IHDR claiming w x h and a few bytes of pixel data.
std::string PngClaiming(uint32_t w, uint32_t h) {
    std::string ihdr = "IHDR";
    Put32Be(ihdr, w);
    Put32Be(ihdr, h);
    ihdr += std::string("\x08\x02\x00\x00\x00", 5);
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : ihdr) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    std::string png = "\x89PNG\r\n\x1a\n";
    Put32Be(png, 13);
    png += ihdr;
    Put32Be(png, ~crc);
    png += std::string("\x00\x00\x00\x08IDAT\x78\x9c\x63\x60\x00\x00\x00\x02\x00\x00\x00\x00", 20);
    png += std::string("\x00\x00\x00\x00IEND\xae\x42\x60\x82", 12);
    return png;
}

// An enhanced metafile whose header is sound but whose records claim sizes
// running past the file, then a zero-size record.
std::string BrokenEmf() {
    std::string emf(108, '\0');
    auto put = [&emf](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) emf[at + i] = char(v >> (8 * i));
    };
    put(0, 1);            // EMR_HEADER
    put(4, 108);          // header size
    put(24, 0);           // frame, in .01 mm
    put(28, 0);
    put(32, 2000);
    put(36, 2000);
    put(40, 0x464D4520);  // " EMF"
    put(44, 0x10000);     // version
    put(48, 0x7FFFFFF0);  // file size in bytes: far past the end
    put(52, 3);           // records
    put(56, 1);           // handles
    put(72, 1024);        // reference device, pixels
    put(76, 768);
    put(80, 320);         // and millimetres
    put(84, 240);
    std::string record(8, '\0');
    record[0] = 0x1B;                     // EMR_MOVETOEX
    record[4] = char(0xF0), record[5] = char(0xFF), record[6] = char(0xFF), record[7] = 0x7F;
    emf += record;
    emf += std::string(8, '\0');          // type 0, size 0
    return emf;
}

}  // namespace

// Damaged and hostile files: each one either decodes into a sane picture or
// fails cleanly, quickly, and without holding memory.
TEST_F(PictureHolderTest, BadFilesFailCleanly) {
    TempFolder tree(L"oxbad");
    const std::vector<uint8_t> jpeg = imagingtest::ByteVector(DataPath(L"exif\\o6-ii.jpg"));
    ASSERT_FALSE(jpeg.empty());
    std::string random(4096, '\0');
    uint32_t seed = 99;
    for (char& c : random) c = char((seed = seed * 1664525u + 1013904223u) >> 24);

    tree.File(L"empty.jpg");
    tree.File(L"random.png", random);
    tree.File(L"huge.png", PngClaiming(100000, 100000));
    tree.File(L"large.png", PngClaiming(20000, 20000));
    tree.File(L"header-only.jpg", std::string(jpeg.begin(), jpeg.begin() + 200));
    tree.File(L"zero-height.gif", std::string("GIF89a\x10\x00\x00\x00\x80\x00\x00", 13) + std::string(6, '\0') +
                                      std::string("\x2c\0\0\0\0\x10\0\0\0\0\x02\x02\x44\x01\0\x3b", 16));
    tree.File(L"corrupt.gif", std::string("GIF89a\x10\x00\x08\x00\xf7\x00\x00", 13) + random.substr(0, 200));
    tree.File(L"truncated.png", PngClaiming(64, 64).substr(0, 40));

    PictureHolder picture;
    for (const wchar_t* name : {L"empty.jpg", L"random.png", L"huge.png", L"large.png", L"header-only.jpg",
                                L"zero-height.gif", L"corrupt.gif", L"truncated.png"}) {
        SCOPED_TRACE(std::string(name, name + wcslen(name)));
        ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\plain.jpg").c_str()));
        const DWORD start = GetTickCount();
        const bool loaded = picture.LoadFromFile(tree.Path(name).c_str());
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_EQ(loaded, picture.IsLoaded());
        if (loaded) {
            // Whatever a decoder makes of it must still be a picture we can hold and draw.
            EXPECT_GT(picture.NaturalWidth(), 0u);
            EXPECT_GT(picture.NaturalHeight(), 0u);
            EXPECT_LE(uint64_t(picture.NaturalWidth()) * picture.NaturalHeight(), kMaxDecodedPixels);
        }
    }
    // These never make a picture, whichever decoder is underneath.
    for (const wchar_t* name : {L"empty.jpg", L"random.png", L"huge.png", L"large.png", L"zero-height.gif"}) {
        EXPECT_FALSE(picture.LoadFromFile(tree.Path(name).c_str()));
    }
    // Damaged metafiles would keep the decoder busy for seconds, crash it or
    // load without drawing: all are refused at once.
    using imagingtest::Put32;
    const auto emf = [](void (*damage)(std::vector<uint8_t>&)) {
        std::vector<uint8_t> bytes = imagingtest::MakeEmf();
        damage(bytes);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::vector<uint8_t> million = imagingtest::EmfWithTinyRecords(1'000'000);
    std::vector<uint8_t> wmf = imagingtest::MakeWmf(true);
    Put32(wmf, 22 + 18, 0);  // the size of the first record after both headers
    const struct {
        const wchar_t* name;
        std::string bytes;
    } metafiles[] = {
        {L"broken.emf", BrokenEmf()},
        {L"bounds-at-32-bit-limits.emf", emf([](auto& b) {
             Put32(b, 8, 0x80000000);
             Put32(b, 16, 0x7FFFFFFF);
         })},
        {L"frame-at-32-bit-limits.emf", emf([](auto& b) {
             Put32(b, 24, 0x80000001);
             Put32(b, 32, 0x7FFFFFFF);
         })},
        {L"zero-size-record.emf", emf([](auto& b) { Put32(b, imagingtest::Get32(b, 4) + 4, 0); })},
        {L"overlong-record.emf", emf([](auto& b) { Put32(b, imagingtest::Get32(b, 4) + 4, 0x7FFFFFF0); })},
        {L"size-past-the-end.emf", emf([](auto& b) { Put32(b, 48, 0x7FFFFFF0); })},
        {L"million-records.emf", std::string(million.begin(), million.end())},
        {L"zero-size-record.wmf", std::string(wmf.begin(), wmf.end())},
    };
    for (const auto& m : metafiles) {
        SCOPED_TRACE(std::string(m.name, m.name + wcslen(m.name)));
        tree.File(m.name, m.bytes);
        ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\plain.jpg").c_str()));
        const DWORD start = GetTickCount();
        EXPECT_FALSE(picture.LoadFromFile(tree.Path(m.name).c_str()));
        EXPECT_LT(GetTickCount() - start, 1000u);
        EXPECT_FALSE(picture.IsLoaded());
    }
    // Sound ones load and draw.
    const struct {
        const wchar_t* name;
        std::vector<uint8_t> bytes;
    } sound[] = {{L"sound.emf", imagingtest::MakeEmf()}, {L"sound.wmf", imagingtest::MakeWmf(true)}};
    for (const auto& m : sound) {
        SCOPED_TRACE(std::string(m.name, m.name + wcslen(m.name)));
        tree.File(m.name, std::string(m.bytes.begin(), m.bytes.end()));
        ASSERT_TRUE(picture.LoadFromFile(tree.Path(m.name).c_str()));
        EXPECT_EQ(Quadrants(picture, 32, 16), kUpright);
    }

    EXPECT_FALSE(picture.LoadFromFile(L""));
    EXPECT_FALSE(picture.LoadFromFile(nullptr));

    // The content decides, not the name: a JPEG called .png loads.
    tree.File(L"really-a-jpeg.png", std::string(jpeg.begin(), jpeg.end()));
    EXPECT_TRUE(picture.LoadFromFile(tree.Path(L"really-a-jpeg.png").c_str()));
    EXPECT_EQ(picture.Orientation(), 6);
}
