#include "imaging/JxlDecode.h"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>

#include "imaging/PictureHeader.h"

namespace {

// Pictures from this many pixels on are decoded by a few threads of the
// library's own; smaller ones decode faster on the caller's thread alone.
constexpr uint64_t kThreadedPixels = 1u << 20;
constexpr size_t kMostThreads = 4;
// A colour profile larger than this is no profile.
constexpr size_t kMostProfileBytes = 64u << 20;

struct DecoderFree {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
struct RunnerFree {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};

bool IsSrgb(const JxlColorEncoding& c) {
    const bool grey = c.color_space == JXL_COLOR_SPACE_GRAY;
    return (grey || (c.color_space == JXL_COLOR_SPACE_RGB && c.primaries == JXL_PRIMARIES_SRGB)) &&
           c.white_point == JXL_WHITE_POINT_D65 && c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

// Which colours the pixels come in, and the profile that tells (none for
// sRGB). A lossless picture, or one coded with its own colours, comes in
// those colours. A picture coded in the library's own colour space comes in
// the colour space it was made in when the header names one; when it carries
// an ICC profile instead the library, which cannot convert to a profile, is
// asked for sRGB rather than its choice of linear light, which 8 bits a
// sample would band.
std::vector<uint8_t> ChooseColours(JxlDecoder* decoder, const JxlBasicInfo& info) {
    JxlColorEncoding colours{};
    const bool named =
        JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &colours) ==
        JXL_DEC_SUCCESS;
    if (!named && !info.uses_original_profile) {
        JxlColorEncoding srgb{};
        srgb.color_space = info.num_color_channels == 1 ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
        srgb.white_point = JXL_WHITE_POINT_D65;
        srgb.primaries = JXL_PRIMARIES_SRGB;
        srgb.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
        srgb.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
        JxlDecoderSetPreferredColorProfile(decoder, &srgb);
    }
    if (JxlDecoderGetColorAsEncodedProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &colours) ==
            JXL_DEC_SUCCESS &&
        IsSrgb(colours))
        return {};
    size_t length = 0;
    std::vector<uint8_t> profile;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &length) != JXL_DEC_SUCCESS ||
        length == 0 || length > kMostProfileBytes)
        return profile;
    profile.resize(length);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, profile.data(), length) !=
        JXL_DEC_SUCCESS)
        profile.clear();
    return profile;
}

uint8_t Product(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// RGBA rows, as the library gives them, into BGRA in place, premultiplied
// unless the picture was stored so.
void RgbaToBgra(uint8_t* pixels, size_t count, bool premultiply) {
    for (uint8_t *p = pixels, *end = pixels + count * 4; p != end; p += 4) {
        std::swap(p[0], p[2]);
        if (premultiply && p[3] != 255)
            for (int k = 0; k < 3; ++k) p[k] = Product(p[k], p[3]);
    }
}

}  // namespace

DecodedPixels DecodeJxl(const uint8_t* bytes, size_t size, const PixelRequest& request) {
    DecodedPixels out;
    if (!bytes || FormatOf(bytes, size) != PictureFormat::Jxl) return out;
    if (JudgeHeader(bytes, size, size, UINT64_MAX) == HeaderVerdict::Damaged) return out;

    const std::unique_ptr<JxlDecoder, DecoderFree> decoder(JxlDecoderCreate(nullptr));
    if (!decoder) return out;
    JxlDecoder* const d = decoder.get();
    std::unique_ptr<void, RunnerFree> runner;
    const ClaimedSize claimed = PeekPictureSize(bytes, size);
    if (claimed.known && uint64_t(claimed.width) * claimed.height >= kThreadedPixels &&
        uint64_t(claimed.width) * claimed.height <= request.pixelLimit) {
        const size_t threads = std::min(kMostThreads, JxlThreadParallelRunnerDefaultNumWorkerThreads());
        if (threads > 1) runner.reset(JxlThreadParallelRunnerCreate(nullptr, threads));
        if (runner && JxlDecoderSetParallelRunner(d, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
            return out;
    }
    if (JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(d, bytes, size) != JXL_DEC_SUCCESS)
        return out;
    JxlDecoderCloseInput(d);

    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    JxlBasicInfo info{};
    // The events come in order: the header, the colours, the buffer asked for,
    // the first frame whole. Anything else (an error, or the library wanting
    // more bytes than the file has) is a damaged file.
    for (;;) {
        switch (JxlDecoderProcessInput(d)) {
        case JXL_DEC_BASIC_INFO: {
            if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS || info.xsize == 0 || info.ysize == 0) return out;
            const bool turned = info.orientation >= JXL_ORIENT_TRANSPOSE;
            out.fullWidth = turned ? info.ysize : info.xsize;
            out.fullHeight = turned ? info.xsize : info.ysize;
            out.bitsPerPixel = int(info.bits_per_sample * info.num_color_channels + info.alpha_bits);
            // The budget is checked before the library or we allocate anything for the pixels.
            const uint64_t planes = uint64_t(info.num_color_channels) + info.num_extra_channels;
            const uint64_t pixels = uint64_t(out.fullWidth) * out.fullHeight;
            const uint64_t units = 1 + planes * (info.have_animation ? 2 : 1);
            if (pixels > request.pixelLimit / units) {
                out.outcome = PixelOutcome::TooLarge;
                return out;
            }
            break;
        }
        case JXL_DEC_COLOR_ENCODING:
            out.iccProfile = ChooseColours(d, info);
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            const uint64_t bytesNeeded = uint64_t(out.fullWidth) * out.fullHeight * 4;
            size_t asked = 0;
            if (out.pixels || bytesNeeded == 0 || bytesNeeded > SIZE_MAX / 2 ||
                JxlDecoderImageOutBufferSize(d, &format, &asked) != JXL_DEC_SUCCESS || asked != bytesNeeded)
                return out;
            out.pixels = PixelBuffer(new (std::nothrow) uint8_t[size_t(bytesNeeded)]);
            if (!out.pixels) {
                out.outcome = PixelOutcome::TooLarge;
                return out;
            }
            out.width = out.fullWidth;
            out.height = out.fullHeight;
            if (JxlDecoderSetImageOutBuffer(d, &format, out.pixels.get(), asked) != JXL_DEC_SUCCESS) {
                out.pixels.reset();
                return out;
            }
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is all we show; the rest of an animation is left unread.
            if (!out.pixels) return out;
            RgbaToBgra(out.pixels.get(), size_t(out.width) * out.height, info.alpha_bits && !info.alpha_premultiplied);
            out.outcome = PixelOutcome::Decoded;
            return out;
        default:
            out.pixels.reset();
            return out;
        }
    }
}

int OrientationFromJxl(const uint8_t*, size_t) { return 0; }
