#include "imaging/WebpDecode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "imaging/ExifOrientation.h"
#include "imaging/PictureHeader.h"

namespace {

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Calls `visit(fourcc, body, bodySize)` for each chunk after the RIFF header
// that lies wholly within both the bytes and the RIFF size, in order, until it
// answers true; false when no visit did. Each step moves forward.
template <class Visit>
bool WalkChunks(const uint8_t* bytes, size_t size, Visit visit) {
    if (!bytes || FormatOf(bytes, size) != PictureFormat::Webp) return false;
    const size_t end = size_t(std::min<uint64_t>(size, uint64_t(Le32(bytes + 4)) + 8));
    size_t pos = 12;
    while (pos <= end && end - pos >= 8) {
        const uint32_t length = Le32(bytes + pos + 4);
        if (length > end - pos - 8) return false;
        if (visit(bytes + pos, bytes + pos + 8, size_t(length))) return true;
        pos += 8 + size_t(length) + (length & 1);   // chunks start on even offsets
    }
    return false;
}

bool Named(const uint8_t* fourcc, const char* name) { return std::memcmp(fourcc, name, 4) == 0; }

std::vector<uint8_t> IccProfileOf(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> profile;
    WalkChunks(bytes, size, [&](const uint8_t* fourcc, const uint8_t* body, size_t length) {
        if (!Named(fourcc, "ICCP")) return false;
        profile.assign(body, body + length);
        return true;
    });
    return profile;
}

struct AnimDecoderFree {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// An animation's first frame, composed onto its canvas as the animation
// shows it, at the canvas's full size.
void DecodeFirstFrame(const uint8_t* bytes, size_t size, DecodedPixels& out) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return;
    options.color_mode = MODE_bgrA;
    options.use_threads = 0;
    const WebPData data{bytes, size};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderFree> decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count == 0 ||
        info.canvas_width != out.fullWidth || info.canvas_height != out.fullHeight)
        return;
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || !frame) return;
    if (!AllocatePixels(out, out.fullWidth, out.fullHeight)) return;
    std::memcpy(out.pixels.get(), frame, out.Stride() * out.height);
    out.outcome = PixelOutcome::Decoded;
}

}  // namespace

WebpSize WebpScaledSize(uint32_t fullWidth, uint32_t fullHeight, uint32_t targetWidth, uint32_t targetHeight) {
    if (targetWidth == 0 || targetHeight == 0 || targetWidth >= fullWidth || targetHeight >= fullHeight)
        return {fullWidth, fullHeight};
    // The side the target binds is met exactly; the other is rounded up, so
    // it still covers its side of the target.
    const uint64_t fw = fullWidth, fh = fullHeight, tw = targetWidth, th = targetHeight;
    if (tw * fh >= th * fw) return {targetWidth, uint32_t(std::min<uint64_t>((fh * tw + fw - 1) / fw, fh))};
    return {uint32_t(std::min<uint64_t>((fw * th + fh - 1) / fh, fw)), targetHeight};
}

DecodedPixels DecodeWebp(const uint8_t* bytes, size_t size, const PixelRequest& request) {
    DecodedPixels out;
    if (!bytes || FormatOf(bytes, size) != PictureFormat::Webp) return out;
    // A size no WebP may have, or bytes fewer than the file says it holds, are refused unread.
    if (JudgeHeader(bytes, size, size, UINT64_MAX) == HeaderVerdict::Damaged) return out;

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(bytes, size, &config.input) != VP8_STATUS_OK) return out;
    const WebPBitstreamFeatures& features = config.input;
    if (features.width <= 0 || features.height <= 0) return out;
    out.fullWidth = uint32_t(features.width);
    out.fullHeight = uint32_t(features.height);
    out.bitsPerPixel = features.has_alpha ? 32 : 24;
    // The budget is checked before the library or we allocate anything for the
    // pixels. An animation's decoder holds two canvases besides our copy: it
    // counts three times.
    const uint64_t held = uint64_t(out.fullWidth) * out.fullHeight * (features.has_animation ? 3 : 1);
    if (held > request.pixelLimit) {
        out.outcome = PixelOutcome::TooLarge;
        return out;
    }

    if (features.has_animation) {
        DecodeFirstFrame(bytes, size, out);
    } else {
        const bool turned = request.quarterTurned;
        const WebpSize scaled = WebpScaledSize(out.fullWidth, out.fullHeight,
                                               turned ? request.targetHeight : request.targetWidth,
                                               turned ? request.targetWidth : request.targetHeight);
        if (!AllocatePixels(out, scaled.width, scaled.height)) return out;
        config.options.use_threads = 0;
        if (scaled.width != out.fullWidth || scaled.height != out.fullHeight) {
            config.options.use_scaling = 1;
            config.options.scaled_width = int(scaled.width);
            config.options.scaled_height = int(scaled.height);
        }
        config.output.colorspace = MODE_bgrA;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = out.pixels.get();
        config.output.u.RGBA.stride = int(out.Stride());
        config.output.u.RGBA.size = out.Stride() * out.height;
        const VP8StatusCode status = WebPDecode(bytes, size, &config);
        WebPFreeDecBuffer(&config.output);
        if (status == VP8_STATUS_OK) out.outcome = PixelOutcome::Decoded;
        else if (status == VP8_STATUS_OUT_OF_MEMORY) out.outcome = PixelOutcome::TooLarge;
    }
    if (out.outcome != PixelOutcome::Decoded) {
        out.pixels.reset();
        return out;
    }
    // Scaled freely, not by a power of two: the denominator is the nearest below.
    out.scaleDenominator = int(std::max<uint32_t>(1, out.fullWidth / out.width));
    out.iccProfile = IccProfileOf(bytes, size);
    return out;
}

int ExifOrientationFromWebp(const uint8_t* bytes, size_t size) {
    int orientation = 0;
    WalkChunks(bytes, size, [&](const uint8_t* fourcc, const uint8_t* body, size_t length) {
        if (!Named(fourcc, "EXIF")) return false;
        // Some writers keep the JPEG segment's "Exif\0\0" before the TIFF structure.
        if (length >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) body += 6, length -= 6;
        orientation = ExifOrientationFromTiff(body, length);
        return true;
    });
    return orientation;
}
