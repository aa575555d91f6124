#include "imaging/PictureHolder.h"

#include <algorithm>
#include <utility>

#include "imaging/CaptionText.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureDecode.h"

using Gdiplus::GpStatus;

void GpImageDeleter::operator()(Gdiplus::GpImage* image) const noexcept {
    if (image) gp::GdipDisposeImage(image);
}

void GpGraphicsDeleter::operator()(Gdiplus::GpGraphics* graphics) const noexcept {
    if (graphics) gp::GdipDeleteGraphics(graphics);
}

PictureHolder::PictureHolder() : lastOutcome_(DecodeOutcome::Damaged) {}

PictureHolder::~PictureHolder() { Release(); }

void PictureHolder::Release() {
    drawing_.reset();
    preparedTurns_.reset();
    image_.reset();   // before the bytes and pixels it is read from
    source_.Reset();
    pixels_.reset();
    pixelsAreFrame_ = false;
    turns_.clear();
    detailAsked_ = false;
}

uint32_t PictureHolder::PixelWidth() const {
    UINT w = 0;
    if (!image_ || gp::GdipGetImageWidth(image_.get(), &w) != Gdiplus::Ok) return 0;
    return w;
}

uint32_t PictureHolder::PixelHeight() const {
    UINT h = 0;
    if (!image_ || gp::GdipGetImageHeight(image_.get(), &h) != Gdiplus::Ok) return 0;
    return h;
}

bool PictureHolder::LoadFromFile(const wchar_t* path) { return Adopt(DecodePictureFile(path, PicturePixelLimit())); }

bool PictureHolder::Adopt(DecodedPicture&& decoded) {
    Release();
    if (decoded.outcome != DecodeOutcome::Decoded || !decoded.image) {
        lastOutcome_ = decoded.outcome == DecodeOutcome::TooLarge ? decoded.outcome : DecodeOutcome::Damaged;
        return false;
    }
    lastOutcome_ = DecodeOutcome::Decoded;
    pixels_ = std::move(decoded.pixels);
    pixelsAreFrame_ = false;
    image_ = std::move(decoded.image);
    source_ = std::move(decoded.source);
    fullWidth_ = decoded.width;
    fullHeight_ = decoded.height;
    for (const int code : decoded.turns)
        if (code != kRotateNone) turns_.push_back(code);
    bitsPerPixel_ = decoded.bitsPerPixel;
    memory_ = decoded.memory;
    orientation = decoded.orientation;
    if (decoded.prepared.valid) {
        preparedTurns_ = std::make_unique<OrientationRules>(decoded.prepared.orientation);
        preparedRotation_ = decoded.rotation;
        drawing_ = std::move(decoded.drawing);
        drawingWidth_ = decoded.drawingWidth;
        drawingHeight_ = decoded.drawingHeight;
        drawingInterpolation_ = decoded.prepared.interpolation;
    }
    return true;
}

bool PictureHolder::LoadFromBitmap(HBITMAP bitmap) {
    Release();
    if (!bitmap) return false;
    Gdiplus::GpBitmap* raw = nullptr;
    const GpStatus status = gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &raw);
    image_.reset(raw);
    UINT w = 0, h = 0;
    if (status != Gdiplus::Ok || !image_ || gp::GdipGetImageWidth(image_.get(), &w) != Gdiplus::Ok ||
        gp::GdipGetImageHeight(image_.get(), &h) != Gdiplus::Ok || w == 0 || h == 0) {
        image_.reset();
        return false;
    }
    Gdiplus::PixelFormat format = 0;
    gp::GdipGetImagePixelFormat(image_.get(), &format);
    bitsPerPixel_ = BitsForPixelFormat(static_cast<uint32_t>(format));
    memory_ = uint64_t(w) * h * 4;
    fullWidth_ = w;
    fullHeight_ = h;
    return true;
}

bool PictureHolder::WantsDetail(int32_t shownWidth, int32_t shownHeight, uint32_t& w, uint32_t& h) const {
    if (!image_ || detailAsked_ || shownWidth <= 0 || shownHeight <= 0) return false;
    const uint32_t pw = PixelWidth(), ph = PixelHeight();
    const uint32_t needW = std::min<uint32_t>(uint32_t(shownWidth), fullWidth_);
    const uint32_t needH = std::min<uint32_t>(uint32_t(shownHeight), fullHeight_);
    if (pw >= needW && ph >= needH) return false;
    // Asked for as the picture is stored: a quarter turn swaps the sides.
    const bool quarter = std::count_if(turns_.begin(), turns_.end(), IsQuarterTurn) % 2 == 1;
    w = quarter ? needH : needW;
    h = quarter ? needW : needH;
    return true;
}

bool PictureHolder::TakeDetail(DecodedPicture&& fuller) {
    detailAsked_ = true;
    if (!image_ || fuller.outcome != DecodeOutcome::Decoded || !fuller.image) return false;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(fuller.image.get(), &w);
    gp::GdipGetImageHeight(fuller.image.get(), &h);
    if (uint64_t(w) * h <= uint64_t(PixelWidth()) * PixelHeight()) return false;
    for (const int code : turns_)
        if (!RotateFlipImage(fuller.image.get(), code)) return false;
    drawing_.reset();
    image_ = std::move(fuller.image);   // before the pixels it was made over are let go
    pixels_ = std::move(fuller.pixels);
    pixelsAreFrame_ = false;
    source_ = std::move(fuller.source);
    memory_ = fuller.memory;
    detailAsked_ = false;   // a later, larger zoom may ask again
    return true;
}

bool PictureHolder::TakeFrame(DecodedPixels& frame) {
    if (!image_ || frame.outcome != PixelOutcome::Decoded || !frame.pixels) return false;
    const bool quarter = std::count_if(turns_.begin(), turns_.end(), IsQuarterTurn) % 2 == 1;
    if (frame.width != (quarter ? fullHeight_ : fullWidth_) || frame.height != (quarter ? fullWidth_ : fullHeight_))
        return false;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(int(frame.width), int(frame.height), int(frame.Stride()),
                                      PixelFormat32bppPARGB, frame.pixels.get(), &bitmap) != Gdiplus::Ok ||
        !bitmap)
        return false;
    GpImagePtr image(bitmap);
    for (const int code : turns_)
        if (!RotateFlipImage(image.get(), code)) return false;
    drawing_.reset();
    image_ = std::move(image);   // before the pixels it was made over are given back
    std::swap(pixels_, frame.pixels);
    memory_ = uint64_t(frame.width) * frame.height * 4;
    // The last frame's buffer, of the same size, serves the next one.
    if (!std::exchange(pixelsAreFrame_, true)) frame = DecodedPixels{};
    return true;
}

bool PictureHolder::TakePrepared(const OrientationRules& rules, int32_t& rotation) {
    if (!preparedTurns_) return false;
    const bool same = *preparedTurns_ == rules;
    preparedTurns_.reset();
    if (same) rotation = preparedRotation_;
    return same;
}

Gdiplus::GpImage* PictureHolder::DrawingFor(int w, int h) const {
    return drawing_ && w == drawingWidth_ && h == drawingHeight_ && interpolation == drawingInterpolation_
               ? drawing_.get()
               : nullptr;
}

bool RotateFlipImage(Gdiplus::GpImage* image, int type) {
    if (!image || type < 1 || type > 7) return false;
    auto turn = [image](int t) {
        return gp::GdipImageRotateFlip(image, static_cast<Gdiplus::RotateFlipType>(t)) == Gdiplus::Ok;
    };
    // The quarter turns with a mirror (turn clockwise, then mirror left to
    // right) come out mirrored the other way by some GDI+ builds; made of two
    // plain steps they are right everywhere.
    if (type == kRotate90FlipX) return turn(kRotate90) && turn(kFlipX);
    if (type == kRotate270FlipX) return turn(kRotate270) && turn(kFlipX);
    return turn(type);
}

bool PictureHolder::RotateFlip(int type) {
    if (!image_ || type < 1 || type > 7) return false;
    drawing_.reset();   // drawn the other way round
    preparedTurns_.reset();
    if (!RotateFlipImage(image_.get(), type)) return false;
    turns_.push_back(type);
    if (IsQuarterTurn(type)) std::swap(fullWidth_, fullHeight_);
    return true;
}

bool PictureHolder::CopyDrawing(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* drawing, int x, int y, int w, int h,
                                int sx, int sy) {
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
    return gp::GdipDrawImageRectRectI(graphics, drawing, x, y, w, h, sx, sy, w, h, Gdiplus::UnitPixel, nullptr,
                                      nullptr, nullptr) == Gdiplus::Ok;
}

bool PictureHolder::Draw(HDC dc, int x, int y, int w, int h) const {
    if (!image_ || !dc) return false;
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw) != Gdiplus::Ok || !raw) return false;
    GpGraphicsPtr graphics(raw);
    // Drawn already at this size: copied pixel for pixel.
    if (Gdiplus::GpImage* ready = DrawingFor(w, h)) return CopyDrawing(graphics.get(), ready, x, y, w, h, 0, 0);
    gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation));
    return gp::GdipDrawImageRectI(graphics.get(), image_.get(), x, y, w, h) == Gdiplus::Ok;
}

bool PictureHolder::DrawVisible(HDC dc, int x, int y, int w, int h, int clipWidth, int clipHeight) const {
    if (!image_ || !dc || w <= 0 || h <= 0) return false;
    const int left = std::max(x, 0), top = std::max(y, 0);
    const int right = int(std::min<int64_t>(int64_t(x) + w, clipWidth));
    const int bottom = int(std::min<int64_t>(int64_t(y) + h, clipHeight));
    if (right <= left || bottom <= top) return true;   // nothing of it shows
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw) != Gdiplus::Ok || !raw) return false;
    GpGraphicsPtr graphics(raw);
    if (Gdiplus::GpImage* ready = DrawingFor(w, h))
        return CopyDrawing(graphics.get(), ready, left, top, right - left, bottom - top, left - x, top - y);
    gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation));
    // The whole source pixels under the visible rectangle, with a margin for
    // the interpolation to reach into, drawn exactly where the whole picture
    // would put them: the frame clips what lies outside it. Whole source
    // pixels keep decoders that round a fractional source corner in step.
    constexpr int64_t kMargin = 4;
    const int64_t nw = PixelWidth(), nh = PixelHeight();
    const int64_t c0 = std::max<int64_t>(0, (left - int64_t(x)) * nw / w - kMargin);
    const int64_t r0 = std::max<int64_t>(0, (top - int64_t(y)) * nh / h - kMargin);
    const int64_t c1 = std::min<int64_t>(nw, (right - int64_t(x)) * nw / w + 1 + kMargin);
    const int64_t r1 = std::min<int64_t>(nh, (bottom - int64_t(y)) * nh / h + 1 + kMargin);
    const double zx = double(w) / double(nw), zy = double(h) / double(nh);
    return gp::GdipDrawImageRectRect(graphics.get(), image_.get(), Gdiplus::REAL(x + c0 * zx),
                                     Gdiplus::REAL(y + r0 * zy), Gdiplus::REAL((c1 - c0) * zx),
                                     Gdiplus::REAL((r1 - r0) * zy), Gdiplus::REAL(c0), Gdiplus::REAL(r0),
                                     Gdiplus::REAL(c1 - c0), Gdiplus::REAL(r1 - r0), Gdiplus::UnitPixel, nullptr,
                                     nullptr, nullptr) == Gdiplus::Ok;
}
