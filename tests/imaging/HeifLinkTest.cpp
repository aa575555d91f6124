// The HEIF library as linked into the program: its version, decoders without
// encoders, the test pictures decoded through HEVC and AV1 against their
// corners' colours and against each other, and cut files refused without a
// read past their end.
#include <gtest/gtest.h>

#include <libheif/heif.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Pictures.h"

using namespace pictures;

namespace {

// The plasma of scripts/make-imaging-testdata.sh: 204 x 124 with red, lime,
// blue and white corners, clockwise from top left.
constexpr int kW = 204, kH = 124;

struct Decoded {
    std::string error;   // empty when decoded
    int w = 0, h = 0, bits = 0;
    std::vector<uint8_t> rgba;   // rows of w * 4 bytes
    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * w + x) * 4]; }
};

Decoded DecodeHeif(const uint8_t* data, size_t size) {
    Decoded out;
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    heif_error e = heif_context_read_from_memory_without_copy(context, data, size, nullptr);
    if (e.code == heif_error_Ok) e = heif_context_get_primary_image_handle(context, &handle);
    if (e.code == heif_error_Ok) {
        out.bits = heif_image_handle_get_luma_bits_per_pixel(handle);
        e = heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    }
    if (e.code == heif_error_Ok) {
        out.w = heif_image_get_width(image, heif_channel_interleaved);
        out.h = heif_image_get_height(image, heif_channel_interleaved);
        int stride = 0;
        const uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
        if (plane == nullptr || out.w <= 0 || out.h <= 0) {
            out.error = "no interleaved plane";
        } else {
            for (int y = 0; y < out.h; ++y)
                out.rgba.insert(out.rgba.end(), plane + static_cast<size_t>(y) * stride,
                                plane + static_cast<size_t>(y) * stride + static_cast<size_t>(out.w) * 4);
        }
    } else {
        out.error = e.message ? e.message : "error";
    }
    heif_image_release(image);
    heif_image_handle_release(handle);
    heif_context_free(context);
    return out;
}

const struct {
    const wchar_t* file;
    int bits;
} kPictures[] = {{L"plasma.heic", 8}, {L"plasma.avif", 8}, {L"plasma-10bit.avif", 10}};

Bytes TestHeif(const wchar_t* name) { return ByteVector(DataPath(std::wstring(L"heif\\") + name)); }

}  // namespace

TEST(HeifLink, VersionAndDecodersWithoutEncoders) {
    EXPECT_STREQ(heif_get_version(), LIBHEIF_VERSION);
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_HEVC));
    EXPECT_TRUE(heif_have_decoder_for_format(heif_compression_AV1));
    EXPECT_FALSE(heif_have_encoder_for_format(heif_compression_HEVC));
    EXPECT_FALSE(heif_have_encoder_for_format(heif_compression_AV1));
}

TEST(HeifLink, EachCodingDecodesToItsSizeCornersAndTheSamePicture) {
    const uint8_t corners[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const int at[4][2] = {{12, 12}, {kW - 12, 12}, {kW - 12, kH - 12}, {12, kH - 12}};
    std::vector<Decoded> all;
    for (const auto& p : kPictures) {
        const Bytes bytes = TestHeif(p.file);
        ASSERT_FALSE(bytes.empty()) << p.file;
        all.push_back(DecodeHeif(bytes.data(), bytes.size()));
        const Decoded& d = all.back();
        ASSERT_EQ(d.error, "") << p.file;
        EXPECT_EQ(d.w, kW) << p.file;
        EXPECT_EQ(d.h, kH) << p.file;
        EXPECT_EQ(d.bits, p.bits) << p.file;
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) {
                const int want = k < 3 ? corners[c][k] : 255;
                EXPECT_NEAR(d.At(at[c][0], at[c][1])[k], want, 12) << p.file << " corner " << c << " channel " << k;
            }
    }
    // Each decoder's whole picture is close to the first one's: the same plasma.
    for (size_t i = 1; i < all.size(); ++i) {
        ASSERT_EQ(all[i].rgba.size(), all[0].rgba.size());
        double sum = 0;
        for (size_t b = 0; b < all[0].rgba.size(); ++b) sum += std::abs(all[i].rgba[b] - all[0].rgba[b]);
        EXPECT_LT(sum / static_cast<double>(all[0].rgba.size()), 4.0) << kPictures[i].file;
    }
}

TEST(HeifLink, CutFilesAreRefusedWithoutReadingPastTheirEnd) {
    for (const auto& p : kPictures) {
        const Bytes bytes = TestHeif(p.file);
        for (size_t keep : {size_t{0}, size_t{12}, size_t{200}, bytes.size() / 2, bytes.size() - 1}) {
            const GuardedBytes cut(Bytes(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(keep)));
            EXPECT_NE(DecodeHeif(cut.data, cut.size).error, "") << p.file << " cut to " << keep;
        }
    }
}
