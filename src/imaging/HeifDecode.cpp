#include "imaging/HeifDecode.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include <libheif/heif.h>

#include "imaging/HeifBoxes.h"
#include "imaging/PictureHeader.h"

namespace {

// The library's default ceiling on a picture's side.
constexpr uint64_t kLargestSide = 32768;

// The library registers its decoders itself; its reference-counted start is
// still made once, as it asks, from whichever thread decodes first, and the
// library is left started until the program ends.
void StartLibrary() {
    static const bool started = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)started;
}

struct ContextFree {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleFree {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageFree {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

uint32_t Premultiplied(uint32_t value, uint32_t alpha) { return (value * alpha + 127) / 255; }

// One row of 8-bit R, G, B, A samples into premultiplied B, G, R, A, where
// they lie or from another row; the alpha of a picture without one is 255.
void Row8(const uint8_t* in, uint8_t* out, uint32_t width, bool alpha, bool premultiplied) {
    for (uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
        const uint32_t a = alpha ? in[3] : 255, r = in[0], g = in[1], b = in[2];
        const bool scale = alpha && !premultiplied && a != 255;
        out[0] = uint8_t(scale ? Premultiplied(b, a) : std::min(b, a));
        out[1] = uint8_t(scale ? Premultiplied(g, a) : std::min(g, a));
        out[2] = uint8_t(scale ? Premultiplied(r, a) : std::min(r, a));
        out[3] = uint8_t(a);
    }
}

// One row of little-endian 16-bit samples of `max` at most, rounded to the
// nearest of 8 bits (the library would cut the low bits off), likewise.
void RowDeep(const uint8_t* in, uint8_t* out, uint32_t width, bool alpha, bool premultiplied, uint32_t max) {
    const int step = alpha ? 8 : 6;
    const auto eight = [max](const uint8_t* p) {
        const uint32_t v = std::min<uint32_t>(uint32_t(p[0]) | (uint32_t(p[1]) << 8), max);
        return (v * 255 + max / 2) / max;
    };
    for (uint32_t x = 0; x < width; ++x, in += step, out += 4) {
        const uint32_t a = alpha ? eight(in + 6) : 255;
        const bool scale = alpha && !premultiplied && a != 255;
        const uint32_t r = eight(in), g = eight(in + 2), b = eight(in + 4);
        out[0] = uint8_t(scale ? Premultiplied(b, a) : std::min(b, a));
        out[1] = uint8_t(scale ? Premultiplied(g, a) : std::min(g, a));
        out[2] = uint8_t(scale ? Premultiplied(r, a) : std::min(r, a));
        out[3] = uint8_t(a);
    }
}

// The smallest thumbnail the file carries for `picture` that covers the
// request's target and has the picture's shape, to within two pixels (the
// sides of a 4:2:0 thumbnail are even), or null.
heif_image_handle* CoveringThumbnail(const heif_image_handle* picture, const PixelRequest& request) {
    const int64_t w = heif_image_handle_get_width(picture), h = heif_image_handle_get_height(picture);
    const int64_t wantW = request.quarterTurned ? request.targetHeight : request.targetWidth;
    const int64_t wantH = request.quarterTurned ? request.targetWidth : request.targetHeight;
    if (wantW <= 0 || wantH <= 0) return nullptr;
    heif_item_id ids[4] = {};
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(picture, ids, 4);
    heif_image_handle* best = nullptr;
    for (int i = 0; i < count; ++i) {
        heif_image_handle* thumbnail = nullptr;
        if (heif_image_handle_get_thumbnail(picture, ids[i], &thumbnail).code != heif_error_Ok || !thumbnail) continue;
        const int64_t tw = heif_image_handle_get_width(thumbnail), th = heif_image_handle_get_height(thumbnail);
        const bool serves = tw >= wantW && th >= wantH && tw < w && std::llabs(tw * h - th * w) <= 2 * std::max(w, h) &&
                            (!best || tw < heif_image_handle_get_width(best));
        heif_image_handle_release(serves ? best : thumbnail);
        if (serves) best = thumbnail;
    }
    return best;
}

bool Refused(const heif_error& error) { return error.subcode == heif_suberror_Security_limit_exceeded; }

}  // namespace

DecodedPixels DecodeHeif(const uint8_t* bytes, size_t size, const PixelRequest& request) {
    DecodedPixels out;
    if (!bytes || FormatOf(bytes, size) != PictureFormat::Heif) return out;
    // Boxes running past the end, or a size no picture may have, are refused
    // unread; a grid's output size, which the library takes without checking
    // it against the picture's, counts as the size.
    ClaimedSize claimed;
    const HeaderVerdict verdict = JudgeHeader(bytes, size, size, request.pixelLimit, &claimed);
    out.fullWidth = claimed.width;
    out.fullHeight = claimed.height;
    if (verdict != HeaderVerdict::Decodable) {
        out.outcome = verdict == HeaderVerdict::TooLarge ? PixelOutcome::TooLarge : PixelOutcome::Damaged;
        return out;
    }

    StartLibrary();
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) return out;
    heif_context_set_maximum_image_size_limit(
        context.get(), int(std::clamp<uint64_t>(request.pixelLimit, 1, kLargestSide)));
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes, size, nullptr);
    if (error.code != heif_error_Ok) {
        if (Refused(error)) out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    const std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    if (error.code != heif_error_Ok || !handle) return out;

    const int w = heif_image_handle_get_width(handle.get()), h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0) return out;
    out.fullWidth = uint32_t(w);
    out.fullHeight = uint32_t(h);
    const int bits = std::max(heif_image_handle_get_luma_bits_per_pixel(handle.get()), 8);
    out.bitsPerPixel = bits * (heif_image_handle_has_alpha_channel(handle.get()) ? 4 : 3);
    // The budget, before the library decodes anything: the largest of the
    // picture as its container shows it, the size its header claims and the
    // coded size its HEVC or AV1 decoder would allocate.
    const uint64_t pixels = std::max({uint64_t(out.fullWidth) * out.fullHeight,
                                      claimed.known ? uint64_t(claimed.width) * claimed.height : 0,
                                      ReadHeifBoxes(bytes, size, size).codedPixels});
    if (pixels * (bits > 8 ? 5 : 3) > request.pixelLimit) {
        out.outcome = PixelOutcome::TooLarge;
        return out;
    }

    // A target that a thumbnail in the file covers (a Catalog's, a small
    // window's) is served by it, as a JPEG is decoded at an eighth; zooming
    // past it decodes the picture itself.
    const std::unique_ptr<heif_image_handle, HandleFree> thumbnail(CoveringThumbnail(handle.get(), request));
    const heif_image_handle* const source = thumbnail ? thumbnail.get() : handle.get();
    const bool alpha = heif_image_handle_has_alpha_channel(source) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(source) > 8;

    const std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options) return out;
    options->ignore_transformations = 0;
    options->convert_hdr_to_8bit = 0;
    // Eight bits come as RGBA whether the picture has an alpha or not: then
    // each pixel is turned into ours where it lies, in the library's buffer.
    const heif_chroma chroma = !deep ? heif_chroma_interleaved_RGBA
                                     : alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE;
    heif_image* rawImage = nullptr;
    error = heif_decode_image(source, &rawImage, heif_colorspace_RGB, chroma, options.get());
    std::unique_ptr<heif_image, ImageFree> image(rawImage);
    if (error.code != heif_error_Ok || !image) {
        if (Refused(error)) out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    const int range = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    if (!plane || iw <= 0 || ih <= 0 || stride <= 0 || (deep && (range <= 8 || range > 16))) return out;
    // The picture as decoded is the one shown, even where its container said otherwise.
    if (!thumbnail) {
        out.fullWidth = uint32_t(iw);
        out.fullHeight = uint32_t(ih);
    }
    if (uint64_t(iw) * uint64_t(ih) > request.pixelLimit) {
        out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    if (size_t(stride) < size_t(iw) * (deep ? 2 * (alpha ? 4 : 3) : 4)) return out;
    const bool premultiplied = heif_image_is_premultiplied_alpha(image.get()) != 0;
    if (deep) {
        if (!AllocatePixels(out, uint32_t(iw), uint32_t(ih))) return out;
        const uint32_t max = (1u << range) - 1;
        for (uint32_t y = 0; y < out.height; ++y)
            RowDeep(plane + size_t(y) * size_t(stride), out.pixels.get() + y * out.Stride(), out.width, alpha,
                    premultiplied, max);
    } else {
        // Rows packed together as they are converted: a row never moves
        // past where it was read from.
        out.width = uint32_t(iw);
        out.height = uint32_t(ih);
        for (uint32_t y = 0; y < out.height; ++y)
            Row8(plane + size_t(y) * size_t(stride), plane + y * out.Stride(), out.width, alpha, premultiplied);
        out.pixels = PixelBuffer(plane, PixelRelease{[](void* owner) { heif_image_release(static_cast<heif_image*>(owner)); },
                                                     image.release()});
    }

    const size_t profileSize = heif_image_handle_get_raw_color_profile_size(handle.get());
    if (profileSize > 0 && profileSize <= size) {
        out.iccProfile.resize(profileSize);
        if (heif_image_handle_get_raw_color_profile(handle.get(), out.iccProfile.data()).code != heif_error_Ok)
            out.iccProfile.clear();
    }
    out.scaleDenominator = int(std::max<uint32_t>(1, out.fullWidth / out.width));
    out.outcome = PixelOutcome::Decoded;
    return out;
}

int HeifOrientation(const uint8_t*, size_t) { return 0; }
