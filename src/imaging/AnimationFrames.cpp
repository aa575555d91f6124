#include "imaging/AnimationFrames.h"

#include <cstring>
#include <new>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "imaging/ColourManage.h"
#include "imaging/GifFrames.h"
#include "imaging/PictureHeader.h"

namespace {

// Copies a canvas out as a frame of its own, which stays good however long
// the caller keeps it. A frame given back holding a buffer of ours of the
// same size is written over rather than allocated anew.
bool CopyFrame(const void* canvas, uint32_t width, uint32_t height, int bitsPerPixel, DecodedPixels& frame) {
    const bool reusable = frame.pixels && !frame.pixels.get_deleter().release && frame.width == width &&
                          frame.height == height;
    if (!reusable && !AllocatePixels(frame, width, height)) {
        frame.outcome = PixelOutcome::TooLarge;
        return false;
    }
    std::memcpy(frame.pixels.get(), canvas, frame.Stride() * height);
    frame.outcome = PixelOutcome::Decoded;
    frame.fullWidth = width;
    frame.fullHeight = height;
    frame.bitsPerPixel = bitsPerPixel;
    frame.scaleDenominator = 1;
    frame.iccProfile.clear();
    return true;
}

class GifFrames final : public AnimationFrames {
public:
    explicit GifFrames(std::unique_ptr<GifAnimation> gif) : gif_(std::move(gif)) {}
    uint32_t Width() const override { return gif_->Width(); }
    uint32_t Height() const override { return gif_->Height(); }
    uint32_t Loops() const override { return gif_->Loops(); }
    bool Next(DecodedPixels& frame, uint32_t& delayMs) override {
        uint32_t fileDelay = 0;
        if (!gif_->Next(fileDelay) || !CopyFrame(gif_->Canvas(), Width(), Height(), 8, frame)) return false;
        delayMs = ShownDelay(fileDelay);
        return true;
    }
    void Rewind() override { gif_->Rewind(); }

private:
    std::unique_ptr<GifAnimation> gif_;
};

struct AnimDecoderFree {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};
using AnimDecoder = std::unique_ptr<WebPAnimDecoder, AnimDecoderFree>;

// WebP durations count in milliseconds, not hundredths: a 60 frames a second
// animation rightly asks for 16 or 17 ms, which ShownDelay would make 100.
// Only the durations no screen can keep up with (0 to 10 ms, as browsers
// count them for every format) are shown for 100 ms.
constexpr uint32_t WebpShownDelay(int durationMs) { return durationMs <= 10 ? 100 : uint32_t(durationMs); }

// libwebp's animation decoder composes the frames (blending and disposal)
// onto a canvas of its own, which the next frame overwrites: each frame is
// copied out. It holds two canvases besides: the one it composes on and the
// last one after its disposal.
class WebpFrames final : public AnimationFrames {
public:
    WebpFrames(AnimDecoder decoder, const WebPAnimInfo& info, bool alpha)
        : decoder_(std::move(decoder)), info_(info), bits_(alpha ? 32 : 24) {
        WebPChunkIterator chunk;
        const WebPDemuxer* demuxer = WebPAnimDecoderGetDemuxer(decoder_.get());
        if (demuxer && WebPDemuxGetChunk(demuxer, "ICCP", 1, &chunk)) {
            profile_.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
            WebPDemuxReleaseChunkIterator(&chunk);
        }
    }
    uint32_t Width() const override { return info_.canvas_width; }
    uint32_t Height() const override { return info_.canvas_height; }
    uint32_t Loops() const override { return info_.loop_count; }
    bool Next(DecodedPixels& frame, uint32_t& delayMs) override {
        uint8_t* canvas = nullptr;
        int timestamp = 0;   // when the frame ends, counted from the start of the pass
        if (!WebPAnimDecoderHasMoreFrames(decoder_.get()) ||
            !WebPAnimDecoderGetNext(decoder_.get(), &canvas, &timestamp) || !canvas ||
            !CopyFrame(canvas, Width(), Height(), bits_, frame))
            return false;
        delayMs = WebpShownDelay(timestamp - timestamp_);
        timestamp_ = timestamp;
        return true;
    }
    void Rewind() override {
        WebPAnimDecoderReset(decoder_.get());
        timestamp_ = 0;
    }
    std::span<const uint8_t> Profile() const override { return profile_; }

private:
    AnimDecoder decoder_;
    std::vector<uint8_t> profile_;
    WebPAnimInfo info_;
    int bits_;
    int timestamp_ = 0;
};

std::unique_ptr<AnimationFrames> OpenWebp(const uint8_t* bytes, size_t size, uint64_t pixelLimit) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes, size, &features) != VP8_STATUS_OK || !features.has_animation) return nullptr;
    // The canvas is known from the header: nothing is allocated for one too large.
    if (features.width <= 0 || features.height <= 0) return nullptr;
    if (uint64_t(features.width) * uint32_t(features.height) > pixelLimit) return nullptr;
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return nullptr;
    options.color_mode = MODE_bgrA;
    options.use_threads = 0;   // the caller decodes on a thread of its own already
    const WebPData data{bytes, size};
    AnimDecoder decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count < 2 ||
        uint64_t(info.canvas_width) * info.canvas_height > pixelLimit)
        return nullptr;
    const bool alpha = features.has_alpha;
    return std::unique_ptr<AnimationFrames>(new (std::nothrow) WebpFrames(std::move(decoder), info, alpha));
}

class ColouredFrames final : public AnimationFrames {
public:
    ColouredFrames(std::unique_ptr<AnimationFrames> frames, std::shared_ptr<const ColourTarget> target)
        : frames_(std::move(frames)), target_(std::move(target)) {}
    uint32_t Width() const override { return frames_->Width(); }
    uint32_t Height() const override { return frames_->Height(); }
    uint32_t Loops() const override { return frames_->Loops(); }
    bool Next(DecodedPixels& frame, uint32_t& delayMs) override {
        if (!frames_->Next(frame, delayMs)) return false;
        ConvertColours(frames_->Profile(), *target_, frame.pixels.get(), frame.width, frame.height,
                       ptrdiff_t(frame.Stride()), PixelLayout::Premultiplied);
        return true;
    }
    void Rewind() override { frames_->Rewind(); }
    std::span<const uint8_t> Profile() const override { return frames_->Profile(); }

private:
    std::unique_ptr<AnimationFrames> frames_;
    std::shared_ptr<const ColourTarget> target_;
};

}  // namespace

std::unique_ptr<AnimationFrames> InColours(std::unique_ptr<AnimationFrames> frames,
                                          std::shared_ptr<const ColourTarget> target) {
    if (!frames || !target || frames->Profile().empty()) return frames;
    return std::make_unique<ColouredFrames>(std::move(frames), std::move(target));
}

std::unique_ptr<AnimationFrames> OpenAnimation(const uint8_t* bytes, size_t size, uint64_t pixelLimit) {
    PictureFormat format = PictureFormat::Unknown;
    if (!bytes || JudgeHeader(bytes, size, size, pixelLimit, nullptr, &format) != HeaderVerdict::Decodable)
        return nullptr;
    if (format == PictureFormat::Webp) return OpenWebp(bytes, size, pixelLimit);
    if (format != PictureFormat::Gif) return nullptr;
    std::unique_ptr<GifAnimation> gif = GifAnimation::Open(bytes, size, pixelLimit);
    if (!gif) return nullptr;
    return std::unique_ptr<AnimationFrames>(new (std::nothrow) GifFrames(std::move(gif)));
}
