// Colour management: pictures with an embedded profile come out in sRGB as
// Little CMS's transicc computes them, through our own decoders and GDI+
// alike; pictures without one, with colour management off, or with a profile
// that cannot be used come out as the file has them.
#include <gtest/gtest.h>

#include "imaging/Lcms.h"

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/ThumbnailCache.h"
#include "imaging/ColourManage.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureDecode.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

using Rgb = std::array<int, 3>;

std::shared_ptr<const ColourTarget> Srgb() { return ColourTarget::Make({}); }

DecodedPicture Decode(const std::wstring& name, std::shared_ptr<const ColourTarget> colour) {
    DecodeLimits limits{PicturePixelLimit()};
    limits.colour = std::move(colour);
    return DecodePictureFile(DataPath(L"colour\\" + name).c_str(), limits);
}

// The straight colour of a pixel of a decoded picture.
Rgb PixelOf(const DecodedPicture& picture, int x, int y) {
    const Gdiplus::Rect one(x, y, 1, 1);
    Gdiplus::BitmapData data{};
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(picture.image.get());
    if (!bitmap ||
        gp::GdipBitmapLockBits(bitmap, &one, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok)
        return {-1, -1, -1};
    const auto* p = static_cast<const uint8_t*>(data.Scan0);
    const Rgb rgb{p[2], p[1], p[0]};
    gp::GdipBitmapUnlockBits(bitmap, &data);
    return rgb;
}

int Distance(const Rgb& a, const Rgb& b) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(a[c] - b[c]));
    return worst;
}

std::string Show(const Rgb& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

// Patches as drawn (see scripts/make-imaging-testdata.sh).
constexpr Rgb kPatches[] = {{255, 0, 0},    {0, 255, 0},   {0, 0, 255},    {200, 100, 50},
                            {50, 100, 200}, {128, 128, 128}, {240, 220, 30}, {20, 40, 60}};

Bytes ProfileOf(const wchar_t* name) { return Decode(name, nullptr).colourProfile; }

// One opaque pixel, B G R A, converted as a picture of `w` x `h` of it.
std::array<uint8_t, 4> Converted(const Bytes& profile, const ColourTarget& target, std::array<uint8_t, 4> pixel,
                                 PixelLayout layout = PixelLayout::Premultiplied, uint32_t w = 1, uint32_t h = 1) {
    std::vector<uint8_t> pixels;
    for (uint32_t i = 0; i < w * h; ++i) pixels.insert(pixels.end(), pixel.begin(), pixel.end());
    ConvertColours(profile, target, pixels.data(), w, h, ptrdiff_t(w) * 4, layout);
    for (size_t i = 4; i < pixels.size(); i += 4)
        if (!std::equal(pixels.begin(), pixels.begin() + 4, pixels.begin() + ptrdiff_t(i))) return {1, 2, 3, 4};
    return {pixels[0], pixels[1], pixels[2], pixels[3]};
}

// The bytes of a profile made here, which is closed.
Bytes SavedProfile(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// A grey profile of gamma 1: grey level v is linear light v / 255.
Bytes LinearGreyProfile() {
    cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
    Bytes bytes = SavedProfile(cmsCreateGrayProfile(cmsD50_xyY(), linear));
    cmsFreeToneCurve(linear);
    return bytes;
}

// An RGB profile of a table alone (no matrix and curves), sampled from the
// profile `like`: converted by the library's own transform.
Bytes TableProfile(const Bytes& like) {
    cmsHPROFILE source = cmsOpenProfileFromMem(like.data(), cmsUInt32Number(like.size()));
    cmsHPROFILE lab = cmsCreateLab2Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(source, TYPE_RGB_16, lab, TYPE_LabV2_16, INTENT_PERCEPTUAL, 0);
    cmsStage* table = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        table,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* transform) {
            cmsDoTransform(transform, in, out, 1);
            return cmsInt32Number(1);
        },
        toLab, 0);
    cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsHPROFILE made = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(made, 2.1);
    cmsSetDeviceClass(made, cmsSigDisplayClass);
    cmsSetColorSpace(made, cmsSigRgbData);
    cmsSetPCS(made, cmsSigLabData);
    cmsWriteTag(made, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(made, cmsSigAToB0Tag, pipeline);
    Bytes bytes = SavedProfile(made);
    cmsPipelineFree(pipeline);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(source);
    return bytes;
}

}  // namespace

TEST(ColourManage, PatchesComeOutAsTransiccComputesThemThroughEitherDecoder) {
    std::istringstream expected(ReadBytes(DataPath(L"colour\\expected.txt")));
    std::string file, line;
    int checked = 0;
    DecodedPicture on, off;
    while (std::getline(expected, line)) {
        std::istringstream fields(line);
        std::string name;
        int patch = 0;
        Rgb want{};
        ASSERT_TRUE(fields >> name >> patch >> want[0] >> want[1] >> want[2]) << line;
        if (name != file) {
            file = name;
            on = Decode(std::wstring(name.begin(), name.end()), Srgb());
            off = Decode(std::wstring(name.begin(), name.end()), nullptr);
            ASSERT_EQ(on.outcome, DecodeOutcome::Decoded) << name;
            EXPECT_FALSE(on.colourProfile.empty()) << name << ": the profile did not arrive";
        }
        const int x = patch * 8 + 4, y = 4;
        EXPECT_LE(Distance(PixelOf(on, x, y), want), 2) << line << " got " << Show(PixelOf(on, x, y));
        // Off, the pixels are the file's own.
        EXPECT_LE(Distance(PixelOf(off, x, y), kPatches[patch]), 1) << line << " off: " << Show(PixelOf(off, x, y));
        ++checked;
    }
    EXPECT_EQ(checked, 48);
}

TEST(ColourManage, TheSwappedProfileShowsRedAsGreenOnlyWhenHonoured) {
    for (const wchar_t* name : {L"swapped.jpg", L"swapped.png"}) {
        EXPECT_LE(Distance(PixelOf(Decode(name, Srgb()), 8, 8), {0, 255, 0}), 3) << name;
        EXPECT_LE(Distance(PixelOf(Decode(name, nullptr), 8, 8), {255, 0, 0}), 3) << name;
    }
}

TEST(ColourManage, PixelsAreLeftAloneWithoutAUsableProfile) {
    const Bytes adobe = ProfileOf(L"adobe.jpg");
    ASSERT_GT(adobe.size(), 1000u);
    Bytes cmyk = adobe;
    std::copy_n("CMYK", 4, cmyk.begin() + 16);   // the header's colour space
    Bytes noise(3000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 >> 3);
    const struct {
        const char* what;
        Bytes profile;
        ColourOutcome outcome;
    } cases[] = {
        {"none", {}, ColourOutcome::NothingToDo},
        {"noise", noise, ColourOutcome::LeftAlone},
        {"cut short", Bytes(adobe.begin(), adobe.begin() + 200), ColourOutcome::LeftAlone},
        {"header only", Bytes(adobe.begin(), adobe.begin() + 132), ColourOutcome::LeftAlone},
        {"CMYK", cmyk, ColourOutcome::LeftAlone},
    };
    for (const auto& c : cases) {
        std::array<uint8_t, 8> pixels = {10, 200, 90, 255, 0, 0, 0, 0};
        EXPECT_EQ(ConvertColours(c.profile, *Srgb(), pixels.data(), 2, 1, 8, PixelLayout::Premultiplied), c.outcome)
            << c.what;
        EXPECT_EQ(pixels, (std::array<uint8_t, 8>{10, 200, 90, 255, 0, 0, 0, 0})) << c.what;
    }
    // An sRGB profile of another maker's making, on its way to sRGB: nothing to do.
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    Bytes own(size);
    cmsSaveProfileToMem(srgb, own.data(), &size);
    cmsCloseProfile(srgb);
    uint8_t pixel[4] = {10, 200, 90, 255};
    EXPECT_EQ(ConvertColours(own, *Srgb(), pixel, 1, 1, 4, PixelLayout::Premultiplied), ColourOutcome::NothingToDo);
    // Converting to the picture's own profile changes nothing either.
    EXPECT_EQ(ConvertColours(adobe, *ColourTarget::Make(adobe), pixel, 1, 1, 4, PixelLayout::Premultiplied),
              ColourOutcome::NothingToDo);
}

TEST(ColourManage, EveryLayoutAndSizeConvertsAPixelAlike) {
    const Bytes prophoto = ProfileOf(L"prophoto.jpg");
    const auto target = Srgb();
    const std::array<uint8_t, 4> opaque = Converted(prophoto, *target, {50, 100, 200, 255});
    EXPECT_NE(opaque, (std::array<uint8_t, 4>{50, 100, 200, 255}));
    // Straight alpha converts the colour whatever the alpha; a BGR row likewise.
    EXPECT_EQ(Converted(prophoto, *target, {50, 100, 200, 255}, PixelLayout::Straight), opaque);
    std::array<uint8_t, 3> bgr = {50, 100, 200};
    ConvertColours(prophoto, *target, bgr.data(), 1, 1, 3, PixelLayout::Bgr);
    EXPECT_TRUE(std::equal(bgr.begin(), bgr.end(), opaque.begin()));
    // Premultiplied: half transparent comes out as the opaque colour, halved; transparent stays nought.
    const std::array<uint8_t, 4> half = Converted(prophoto, *target, {25, 50, 100, 128});
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(half[c], opaque[c] * 128 / 255.0, 2) << c;
    EXPECT_EQ(half[3], 128);
    EXPECT_EQ(Converted(prophoto, *target, {0, 0, 0, 0}), (std::array<uint8_t, 4>{0, 0, 0, 0}));
    // A picture large enough to be shared out among threads converts every row alike.
    EXPECT_EQ(Converted(prophoto, *target, {50, 100, 200, 255}, PixelLayout::Premultiplied, 1024, 1100), opaque);
    // Rows converted as a decoder hands them over come out as the picture converted whole.
    std::vector<uint8_t> rows(64 * 200 * 4);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = i % 4 == 3 ? 255 : uint8_t(i * 37 >> 2);
    std::vector<uint8_t> whole = rows;
    ConvertColours(prophoto, *target, whole.data(), 64, 200, 256, PixelLayout::Premultiplied);
    {
        RowConversion streamed(prophoto, *target, rows.data(), 64, 256, PixelLayout::Premultiplied);
        for (const uint32_t done : {1u, 64u, 64u, 130u, 200u}) streamed.Decoded(done);
        streamed.Finish();
        EXPECT_EQ(streamed.Outcome(), ColourOutcome::Converted);
    }
    EXPECT_EQ(rows, whole);
}

TEST(ColourManage, AProfileOfATableGoesThroughTheLibrary) {
    const Bytes table = TableProfile(ProfileOf(L"swapped.jpg"));
    // Red comes out green, in every layout; transparent stays nought.
    for (const PixelLayout layout : {PixelLayout::Premultiplied, PixelLayout::Straight}) {
        const std::array<uint8_t, 4> red = Converted(table, *Srgb(), {0, 0, 255, 255}, layout);
        EXPECT_TRUE(red[1] > 240 && red[2] < 20 && red[0] < 20) << int(red[0]) << "," << int(red[1]) << "," << int(red[2]);
    }
    std::array<uint8_t, 3> bgr = {0, 0, 255};
    EXPECT_EQ(ConvertColours(table, *Srgb(), bgr.data(), 1, 1, 3, PixelLayout::Bgr), ColourOutcome::Converted);
    EXPECT_TRUE(bgr[1] > 240 && bgr[2] < 20);
    const std::array<uint8_t, 4> half = Converted(table, *Srgb(), {0, 0, 128, 128});
    EXPECT_TRUE(half[1] > 115 && half[1] <= 128 && half[2] < 12 && half[3] == 128) << int(half[1]) << "," << int(half[2]);
    EXPECT_EQ(Converted(table, *Srgb(), {0, 0, 0, 0}), (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST(ColourManage, AGreyProfileConvertsGreysAndConversionsAreKept) {
    const Bytes grey = LinearGreyProfile();
    // Linear 0.5 is sRGB 188.
    const std::array<uint8_t, 4> mid = Converted(grey, *Srgb(), {128, 128, 128, 255});
    EXPECT_NEAR(mid[0], 188, 1);
    EXPECT_TRUE(mid[0] == mid[1] && mid[1] == mid[2]);
    EXPECT_EQ(Converted(grey, *Srgb(), {10, 20, 30, 255}), (std::array<uint8_t, 4>{10, 20, 30, 255}));

    const ColourCacheCount before = ColourCacheCounts();
    Converted(grey, *Srgb(), {1, 1, 1, 255});
    Converted(grey, *Srgb(), {2, 2, 2, 255});
    const ColourCacheCount after = ColourCacheCounts();
    EXPECT_EQ(after.made, before.made);
    EXPECT_EQ(after.found, before.found + 2);
    EXPECT_LE(after.kept, 8u);
}

TEST(ColourManage, TheTargetIsTheMonitorsProfileWhenUsable) {
    const Bytes adobe = ProfileOf(L"adobe.jpg"), swapped = ProfileOf(L"swapped.jpg");
    // To a monitor whose profile swaps red and green, an Adobe RGB red comes out green.
    const std::array<uint8_t, 4> red = Converted(adobe, *ColourTarget::Make(swapped), {0, 0, 255, 255});
    EXPECT_TRUE(red[1] > 200 && red[2] < 60) << int(red[0]) << "," << int(red[1]) << "," << int(red[2]);
    EXPECT_FALSE(ColourTarget::Make(swapped)->IsSrgb());
    EXPECT_TRUE(ColourTarget::Make(Bytes(adobe.begin(), adobe.begin() + 300))->IsSrgb());
    EXPECT_TRUE(ColourTarget::Make(LinearGreyProfile())->IsSrgb());

    ColourChoice choice;
    EXPECT_TRUE(choice.Set(true, {}));
    const auto first = choice.Current();
    ASSERT_TRUE(first && first->IsSrgb());
    EXPECT_FALSE(choice.Set(true, {}));
    EXPECT_EQ(choice.Current(), first);
    EXPECT_TRUE(choice.Set(false, {}));
    EXPECT_EQ(choice.Current(), nullptr);
    EXPECT_TRUE(choice.Set(true, adobe));
    EXPECT_EQ(choice.Current()->Profile(), adobe);
}

TEST(ColourManage, CatalogThumbnailsAreConvertedAndKeyedByTheSetting) {
    struct NoGate final : DecodeGate {
        bool Enter() override { return true; }
        void Leave() override {}
    } gate;
    ThumbnailKey key;
    key.path = DataPath(L"colour\\swapped.png");
    key.box = 32;
    ThumbnailKey converted = key;
    converted.colour = Srgb();
    EXPECT_FALSE(key == converted);
    const Thumbnail on = MakeThumbnail(converted, gate), off = MakeThumbnail(key, gate);
    ASSERT_FALSE(on.pixels.empty());
    ASSERT_FALSE(off.pixels.empty());
    const auto rgb = [](uint32_t p) { return Rgb{int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)}; };
    EXPECT_LE(Distance(rgb(on.pixels[on.pixels.size() / 2]), {0, 255, 0}), 3);
    EXPECT_LE(Distance(rgb(off.pixels[off.pixels.size() / 2]), {255, 0, 0}), 3);
}
