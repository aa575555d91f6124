// The JPEG XL library as linked into the program: its version, and a small
// lossless file decoded whole, by itself and with the library's thread pool.
#include <gtest/gtest.h>

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "support/Pictures.h"

using namespace pictures;

namespace {

struct Decoded {
    uint32_t w = 0, h = 0;
    std::vector<uint8_t> rgba;
};

// Decodes the whole file to 8-bit RGBA; empty on any failure.
Decoded DecodeJxl(const Bytes& file, bool threaded) {
    Decoded out;
    const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner = JxlThreadParallelRunnerMake(nullptr, 2);
    if (!dec || !runner) return {};
    if (threaded && JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
        return {};
    if (JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS) return {};
    JxlDecoderSetInput(dec.get(), file.data(), file.size());
    JxlDecoderCloseInput(dec.get());
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    for (;;) {
        switch (JxlDecoderProcessInput(dec.get())) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(dec.get(), &info) != JXL_DEC_SUCCESS) return {};
            out.w = info.xsize, out.h = info.ysize;
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(dec.get(), &format, &size) != JXL_DEC_SUCCESS) return {};
            out.rgba.resize(size);
            if (JxlDecoderSetImageOutBuffer(dec.get(), &format, out.rgba.data(), size) != JXL_DEC_SUCCESS) return {};
            break;
        }
        case JXL_DEC_FULL_IMAGE: break;
        case JXL_DEC_SUCCESS: return out;
        default: return {};
        }
    }
}

}  // namespace

TEST(JxlLink, VersionIsTheBuiltOne) {
    const uint32_t v = JxlDecoderVersion();
    EXPECT_EQ(v, JPEGXL_MAJOR_VERSION * 1000000u + JPEGXL_MINOR_VERSION * 1000u + JPEGXL_PATCH_VERSION);
    EXPECT_GE(v, 7000u);
}

TEST(JxlLink, LosslessQuadrantsDecodeExactly) {
    // The 32x16 reference: red, lime / blue, white quadrants (scripts/make-imaging-testdata.sh).
    const Bytes file = ByteVector(DataPath(L"jxl\\quadrants.jxl"));
    ASSERT_EQ(JxlSignatureCheck(file.data(), file.size()), JXL_SIG_CODESTREAM);
    const struct { uint32_t x, y; uint8_t r, g, b; } corners[] = {
        {0, 0, 255, 0, 0}, {31, 0, 0, 255, 0}, {0, 15, 0, 0, 255}, {31, 15, 255, 255, 255}, {15, 7, 255, 0, 0}, {16, 8, 255, 255, 255}};
    for (const bool threaded : {false, true}) {
        const Decoded d = DecodeJxl(file, threaded);
        ASSERT_EQ(d.w, 32u) << threaded;
        ASSERT_EQ(d.h, 16u) << threaded;
        ASSERT_EQ(d.rgba.size(), 32u * 16u * 4u);
        for (const auto& c : corners) {
            const uint8_t* p = &d.rgba[(c.y * d.w + c.x) * 4];
            EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{c.r, c.g, c.b, 255}))
                << c.x << "," << c.y << (threaded ? " threaded" : "");
        }
    }
    // Cut short, the file is refused rather than half decoded.
    EXPECT_TRUE(DecodeJxl(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() / 2)), false).rgba.empty());
}
