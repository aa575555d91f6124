// The picture holder: loading, turning and drawing pictures, and damaged or
// hostile files failing cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/FitRules.h"
#include "imaging/PictureDecode.h"
#include "imaging/PictureHeader.h"
#include "imaging/PictureHolder.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

// A 32-bit DIB in its own memory DC.
struct Surface {
    Surface(int w, int h) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        previous = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    ~Surface() { DeleteObject(SelectObject(dc, previous)), DeleteDC(dc); }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous;
};

enum Colour { kRed, kGreen, kBlue, kWhite, kOther };
using Colours = std::vector<Colour>;
const Colours kUpright{kRed, kGreen, kBlue, kWhite};

// Draws the picture at w x h into a 32-bit DIB and names the colours at the centres of its quadrants.
Colours Quadrants(const PictureHolder& picture, int w, int h) {
    const Surface surface(w, h);
    EXPECT_TRUE(picture.Draw(surface.dc, 0, 0, w, h));
    Colours out;
    for (const POINT p : {POINT{w / 4, h / 4}, POINT{3 * w / 4, h / 4}, POINT{w / 4, 3 * h / 4},
                          POINT{3 * w / 4, 3 * h / 4}}) {
        const COLORREF c = GetPixel(surface.dc, p.x, p.y);
        const bool r = GetRValue(c) > 200, g = GetGValue(c) > 200, b = GetBValue(c) > 200;
        out.push_back(r && g && b ? kWhite : r && !g && !b ? kRed : !r && g && !b ? kGreen : !r && !g && b
                      ? kBlue : kOther);
    }
    return out;
}

}  // namespace

// The stored pixels of o<N>.jpg are the reference turned by ImageMagick; the
// orientation read from the file and its turn must bring it upright.
TEST(PictureHolder, EveryOrientationTurnsThePictureUpright) {
    for (int n = 1; n <= 8; ++n)
        for (const wchar_t* order : {L"ii", L"mm"}) {
            const std::wstring path = DataPath(L"exif\\o" + std::to_wstring(n) + L"-" + order + L".jpg");
            SCOPED_TRACE(testing::PrintToString(path));
            PictureHolder picture;
            ASSERT_TRUE(picture.LoadFromFile(path.c_str()));
            EXPECT_EQ(picture.Orientation(), n);
            const int turn = RotateFlipForOrientation(picture.Orientation());
            EXPECT_TRUE(turn == kRotateNone || picture.RotateFlip(turn));
            EXPECT_TRUE(picture.NaturalWidth() == 32u && picture.NaturalHeight() == 16u);
            EXPECT_EQ(Quadrants(picture, 32, 16), kUpright);
        }
}

TEST(PictureHolder, FormatsTurnsAndBitmaps) {
    PictureHolder picture;
    EXPECT_EQ(picture.BitsPerPixel(), 0);
    EXPECT_FALSE(picture.RotateFlip(kRotate90)) << "nothing loaded";
    const std::pair<const wchar_t*, int> formats[] = {{L"formats\\bits1.bmp", 1}, {L"formats\\bits4.bmp", 4},
        {L"formats\\bits8.png", 8}, {L"formats\\bits32.png", 32}, {L"exif\\plain.jpg", 24},
        {L"formats\\bits24.bmp", 24}};
    for (const auto& [file, bits] : formats) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(file)));
        ASSERT_TRUE(picture.LoadFromFile(DataPath(file).c_str()));
        EXPECT_TRUE(picture.BitsPerPixel() == bits && picture.Orientation() == 1);
    }
    EXPECT_FALSE(picture.RotateFlip(0) || picture.RotateFlip(8));
    ASSERT_TRUE(picture.RotateFlip(kRotate90));
    EXPECT_TRUE(picture.NaturalWidth() == 16u && picture.NaturalHeight() == 32u);
    EXPECT_EQ(Quadrants(picture, 16, 32), (Colours{kBlue, kRed, kWhite, kGreen}));
    ASSERT_TRUE(picture.RotateFlip(kRotate270) && picture.RotateFlip(kFlipX));
    picture.SetInterpolation(7);   // drawn scaled up
    EXPECT_EQ(Quadrants(picture, 128, 64), (Colours{kGreen, kRed, kWhite, kBlue}));

    // A failed load empties the picture but keeps the orientation.
    ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\o8-mm.jpg").c_str()));
    EXPECT_FALSE(picture.LoadFromFile(L"Z:\\no\\such\\picture.jpg") || picture.IsLoaded());
    EXPECT_EQ(picture.Orientation(), 8);
}

// Damaged and hostile files: each either decodes into a sane picture or fails
// cleanly and quickly; damaged metafiles, which would keep the decoder busy for
// seconds, crash it or load without drawing, are refused at once.
TEST(PictureHolder, BadFilesFailCleanly) {
    TempFolder tree(L"oxbad");
    const std::string jpeg = ReadBytes(DataPath(L"exif\\o6-ii.jpg"));
    std::string random(4096, '\0');
    uint32_t seed = 99;
    for (char& c : random) c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    Bytes emf = MakeEmf(), wmf = MakeWmf(true);
    Put32(emf, 8, 0x80000000);   // bounds at the 32-bit limits
    Put32(emf, 16, 0x7FFFFFFF);
    Put32(wmf, 22 + 18, 0);      // the size of the first record after both headers
    const struct { const wchar_t* name; std::string bytes; bool mayLoad; } files[] = {
        {L"empty.jpg", "", false},
        {L"random.png", random, false},
        {L"huge.png", PngClaiming(100000, 100000), false},
        {L"large.png", PngClaiming(20000, 20000), false},
        {L"zero-height.gif",
         std::string("GIF89a\x10\0\0\0\x80\0\0\0\0\0\0\0\0\x2c\0\0\0\0\x10\0\0\0\0\x02\x02\x44\x01\0\x3b", 35), false},
        {L"corrupt.gif", std::string("GIF89a\x10\x00\x08\x00\xf7\x00\x00", 13) + random.substr(0, 200), true},
        {L"truncated.png", PngClaiming(64, 64).substr(0, 40), true},
        {L"bounds-at-32-bit-limits.emf", AsString(emf), false},
        {L"million-records.emf", AsString(EmfWithTinyRecords(1'000'000)), false},
        {L"zero-size-record.wmf", AsString(wmf), false},
    };
    PictureHolder picture;
    for (const auto& f : files) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(f.name)));
        tree.File(f.name, f.bytes);
        ASSERT_TRUE(picture.LoadFromFile(DataPath(L"exif\\plain.jpg").c_str()));
        const DWORD start = GetTickCount();
        const bool loaded = picture.LoadFromFile(tree.Path(f.name).c_str());
        EXPECT_LT(GetTickCount() - start, std::wstring(f.name).ends_with(L"mf") ? 1000u : 5000u);
        EXPECT_EQ(loaded, picture.IsLoaded());
        EXPECT_TRUE(f.mayLoad || !loaded);
        // Whatever a decoder makes of the rest must still be a picture we can hold and draw.
        EXPECT_TRUE(!loaded || (picture.NaturalWidth() > 0 && picture.NaturalHeight() > 0 &&
                                uint64_t(picture.NaturalWidth()) * picture.NaturalHeight() <= PicturePixelLimit()));
    }
    // Sound metafiles load and draw; the content decides, not the name.
    for (const auto& [name, bytes] : {std::pair{L"sound.emf", MakeEmf()}, {L"sound.wmf", MakeWmf(true)}}) {
        tree.File(name, AsString(bytes));
        ASSERT_TRUE(picture.LoadFromFile(tree.Path(name).c_str())) << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(Quadrants(picture, 32, 16), kUpright);
    }
    tree.File(L"really-a-jpeg.png", jpeg);
    EXPECT_TRUE(picture.LoadFromFile(tree.Path(L"really-a-jpeg.png").c_str()));
    EXPECT_EQ(picture.Orientation(), 6);
    EXPECT_FALSE(picture.LoadFromFile(L"") || picture.LoadFromFile(nullptr));
}

// The decoder works on a copy of the file: once a picture is loaded, anyone
// may rename, overwrite or delete its file, and the picture stays whole.
TEST(PictureHolder, TheShownFileIsNotHeld) {
    TempFolder tree(L"oxheld");
    tree.File(L"a.jpg", ReadBytes(DataPath(L"exif\\o1-ii.jpg")));
    tree.File(L"m.emf", AsString(MakeEmf()));
    PictureHolder picture;
    for (const std::wstring name : {L"a.jpg", L"m.emf"}) {
        SCOPED_TRACE(testing::PrintToString(name));
        ASSERT_TRUE(picture.LoadFromFile(tree.Path(name).c_str()));
        const std::wstring moved = tree.Path(L"moved-" + name);
        EXPECT_TRUE(MoveFileW(tree.Path(name).c_str(), moved.c_str()));
        EXPECT_TRUE(WriteBytes(moved, "overwritten"));
        EXPECT_TRUE(DeleteFileW(moved.c_str()));
        EXPECT_EQ(Quadrants(picture, 32, 16), kUpright);
    }
}

// What the first bytes decide before any decoder runs, and a sound picture
// beyond the memory budget, which is no damaged file.
TEST(PictureHeader, VerdictsBeforeDecoding) {
    constexpr uint64_t kRoomy = 1ull << 30;
    const std::string twelveK = PngClaiming(12000, 12000), impossible = PngClaiming(20000, 20000);
    const std::string sof("\xFF\xD8junk\xFF\xFF\xC0\x00\x0B\x08\x00\x10\x00\x20\x01\x01\x11\x00\xFF\xD9", 22);
    std::string tiff("II*\0\x08\0\0\0\x02\0", 10);
    for (const uint16_t tag : {256, 257})   // LONG 70000
        tiff += std::string{char(tag), char(tag >> 8), 4, 0, 1, 0, 0, 0, char(0x70), char(0x11), 1, 0};
    tiff += std::string(4, '\0');
    // WebP: the test files, and extended files' heads claiming a canvas of w x h.
    const std::string lossless = ReadBytes(DataPath(L"webp\\lossless.webp"));
    const std::string lossy = ReadBytes(DataPath(L"webp\\lossy.webp"));
    // HEIF: a file judged whole, cut short, and with its brands made unknown.
    const std::string heic = ReadBytes(DataPath(L"heif\\plasma.heic"));
    std::string noBrand = heic;
    for (size_t at = 8; at < 28; at += 4) noBrand.replace(at, 4, "mp42");
    std::string wide = heic;   // its mdat's size given in 64 bits
    const size_t mdat = wide.find("mdat") - 4, mdatSize = wide.size() - mdat + 8;
    const std::string largeSize{char(mdatSize >> 24), char(mdatSize >> 16), char(mdatSize >> 8), char(mdatSize)};
    wide.replace(mdat, 8, std::string("\0\0\0\1mdat\0\0\0\0", 12) + largeSize);
    const auto canvas = [](uint32_t w, uint32_t h) {
        --w, --h;
        return std::string("RIFF\xF0\x0F\0\0WEBPVP8X\x0A\0\0\0\0\0\0\0", 24) +
               std::string{char(w), char(w >> 8), char(w >> 16), char(h), char(h >> 8), char(h >> 16)};
    };
    std::string unstarted = lossy;
    unstarted[23] = 0;
    // JPEG XL: a bare codestream, a container, and containers of a box or two.
    const std::string codestream = ReadBytes(DataPath(L"jxl\\quadrants.jxl"));
    const std::string container = ReadBytes(DataPath(L"jxl\\turned.jxl"));
    const std::string signature("\0\0\0\x0CJXL \r\n\x87\n", 12);
    const struct { const char* what; std::string head; uint64_t fileSize, limit; HeaderVerdict verdict; } cases[] = {
        {"empty", "", 0, kRoomy, HeaderVerdict::Damaged},
        {"no picture signature", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), 4000, kRoomy, HeaderVerdict::Damaged},
        {"WebP", lossless, lossless.size(), kRoomy, HeaderVerdict::Decodable},
        {"WebP beyond the budget", lossy, lossy.size(), 204 * 124 - 1, HeaderVerdict::TooLarge},
        {"WebP shorter than its RIFF size", lossless, lossless.size() - 1, kRoomy, HeaderVerdict::Damaged},
        {"WebP whose size comes later", canvas(1, 1).substr(0, 20), 4096, kRoomy, HeaderVerdict::Decodable},
        {"WebP with no image chunk", std::string("RIFF\4\0\0\0WEBP", 12), 12, kRoomy, HeaderVerdict::Damaged},
        {"WebP lossy frame without its start code", unstarted, unstarted.size(), kRoomy, HeaderVerdict::Damaged},
        {"WebP canvas of 60000 x 60000", canvas(60000, 60000), 4096, kRoomy, HeaderVerdict::TooLarge},
        {"WebP canvas of 2^32 pixels", canvas(65536, 65536), 4096, kRoomy, HeaderVerdict::Damaged},
        {"JPEG XL codestream", codestream, codestream.size(), kRoomy, HeaderVerdict::Decodable},
        {"JPEG XL container beyond the budget", container, container.size(), 32 * 16 - 1, HeaderVerdict::TooLarge},
        {"JPEG XL cut in its size", std::string("\xFF\x0A\xFA\xFF", 4), 4, kRoomy, HeaderVerdict::Damaged},
        {"JPEG XL container whose codestream comes later", signature, 4096, kRoomy, HeaderVerdict::Decodable},
        {"JPEG XL container without a codestream", signature, signature.size(), kRoomy, HeaderVerdict::Damaged},
        {"JPEG XL container whose codestream is none", signature + std::string("\0\0\0\x10jxlcJPEG", 12), 24, kRoomy,
         HeaderVerdict::Damaged},
        {"more pixels than the file can hold", impossible, impossible.size(), kRoomy, HeaderVerdict::Damaged},
        {"above 2^27 pixels, held by the file", twelveK, 1 << 20, kRoomy, HeaderVerdict::Decodable},
        {"beyond the budget", twelveK, 1 << 20, 100'000'000, HeaderVerdict::TooLarge},
        {"JPEG whose size comes later", "\xFF\xD8\xFF\xE1", 1 << 20, kRoomy, HeaderVerdict::Decodable},
        {"JPEG without a frame header", "\xFF\xD8\xFF\xD9", 4, kRoomy, HeaderVerdict::Damaged},
        {"JPEG frame header after stray bytes", sof, sof.size(), 32 * 16 - 1, HeaderVerdict::TooLarge},
        {"HEIF", heic, heic.size(), kRoomy, HeaderVerdict::Decodable},
        {"HEIF beyond the budget", heic, heic.size(), 204 * 124 - 1, HeaderVerdict::TooLarge},
        {"HEIF shorter than its boxes", heic.substr(0, heic.size() - 1), heic.size() - 1, kRoomy,
         HeaderVerdict::Damaged},
        {"HEIF head whose boxes go on", heic.substr(0, 100), heic.size(), kRoomy, HeaderVerdict::Decodable},
        {"HEIF without a picture brand", noBrand, noBrand.size(), kRoomy, HeaderVerdict::Damaged},
        {"HEIF whose last box has a 64-bit size", wide, wide.size(), kRoomy, HeaderVerdict::Decodable},
        {"HEIF whose 64-bit size runs past the end", wide.substr(0, wide.size() - 1), wide.size() - 1, kRoomy,
         HeaderVerdict::Damaged},
        {"TIFF claiming 70000 x 70000", tiff, 4000, kRoomy, HeaderVerdict::TooLarge},
        {"TIFF", std::string("II*\0\x08\0\0\0", 8), 1000, kRoomy, HeaderVerdict::Decodable},
        {"icon", std::string("\0\0\1\0\1\0", 6), 1000, kRoomy, HeaderVerdict::Decodable},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeHeader(reinterpret_cast<const uint8_t*>(c.head.data()), c.head.size(), c.fileSize, c.limit),
                  c.verdict) << c.what;

    PictureHolder picture;
    DecodedPicture big = DecodePictureFile(DataPath(L"exif\\plain.jpg").c_str(), 32 * 16 - 1);
    EXPECT_TRUE(big.outcome == DecodeOutcome::TooLarge && big.width == 32 && big.height == 16);
    EXPECT_FALSE(picture.Adopt(std::move(big)));
    EXPECT_EQ(picture.LastOutcome(), DecodeOutcome::TooLarge);
    EXPECT_EQ(DecodePictureFile(DataPath(L"exif\\plain.jpg").c_str(), 32 * 16).outcome, DecodeOutcome::Decoded);
}

// Whether a PNG or TIFF says it carries a colour profile, which decides whether
// the profile is looked for beyond what GDI+ gives; bytes cut short never say.
TEST(PictureHeader, PngsAndTiffsNameTheirColourProfile) {
    const struct { const wchar_t* file; PictureFormat format; bool names; } cases[] = {
        {L"colour\\adobe.png", PictureFormat::Png, true},   {L"colour\\swapped.png", PictureFormat::Png, true},
        {L"colour\\adobe.tif", PictureFormat::Tiff, true},  {L"formats\\bits8.png", PictureFormat::Png, false},
        {L"formats\\bits32.png", PictureFormat::Png, false}, {L"colour\\adobe.jpg", PictureFormat::Jpeg, false},
    };
    for (const auto& c : cases) {
        const std::string file = ReadBytes(DataPath(c.file));
        const pictures::Bytes bytes(file.begin(), file.end());
        const pictures::GuardedBytes whole(bytes);
        EXPECT_EQ(NamesColourProfile(whole.data, whole.size, c.format), c.names);
        // Any cut reads nothing past its end; a PNG cut before its first chunk's body says nothing.
        for (size_t keep = 0; keep < bytes.size(); keep += bytes.size() / 40 + 1) {
            const pictures::GuardedBytes cut(pictures::Bytes(bytes.begin(), bytes.begin() + ptrdiff_t(keep)));
            const bool names = NamesColourProfile(cut.data, cut.size, c.format);
            EXPECT_FALSE(names && keep < 33) << keep;
        }
    }
}

// A picture prepared on the worker arrives turned upright and drawn at the
// size it will be shown at; drawn at that size it gives the same picture as
// scaling the decoded one, and a later turn by hand drops the drawing.
TEST(PictureHolder, APreparedPictureIsTurnedAndDrawnAhead) {
    ShowPlan plan;
    plan.valid = true;
    plan.orientation.exiforient = true;
    plan.area = {16, 16};
    plan.squeeze = true;
    DecodedPicture decoded = DecodePictureFile(DataPath(L"exif\\o6-ii.jpg").c_str(), PicturePixelLimit());
    PreparePicture(decoded, plan);
    EXPECT_TRUE(decoded.width == 32 && decoded.height == 16 && decoded.drawingWidth == 16 && decoded.drawingHeight == 8);
    PictureHolder prepared, plain;
    ASSERT_TRUE(prepared.Adopt(std::move(decoded)));
    ASSERT_TRUE(plain.LoadFromFile(DataPath(L"exif\\o1-ii.jpg").c_str()));
    EXPECT_EQ(Quadrants(prepared, 16, 8), Quadrants(plain, 16, 8));
    EXPECT_EQ(Quadrants(prepared, 16, 8), kUpright);
    int32_t rotation = -1;
    OrientationRules other = plan.orientation;
    other.rotation = 90;
    EXPECT_FALSE(prepared.TakePrepared(other, rotation)) << "turned by other rules";
    EXPECT_FALSE(prepared.TakePrepared(plan.orientation, rotation)) << "taken once only";
    ASSERT_TRUE(prepared.RotateFlip(kRotate180));
    EXPECT_EQ(Quadrants(prepared, 16, 8), (Colours{kWhite, kBlue, kGreen, kRed}));
}
