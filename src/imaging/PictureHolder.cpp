#include "imaging/PictureHolder.h"

#include "imaging/Canvas.h"
#include "imaging/CaptionText.h"
#include "imaging/ExifOrientation.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "imaging/MetafileCheck.h"
#include "imaging/PictureHeader.h"

#include <vector>

using Gdiplus::GpStatus;

namespace {

constexpr PROPID kOrientationProperty = 0x0112;
// Enough of a file's head to hold its size fields and a JPEG's EXIF segment.
constexpr DWORD kHeadBytes = 256 * 1024;

std::vector<uint8_t> ReadHead(const wchar_t* path) {
    std::vector<uint8_t> head;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return head;
    head.resize(kHeadBytes);
    DWORD got = 0;
    if (!ReadFile(file, head.data(), kHeadBytes, &got, nullptr)) got = 0;
    CloseHandle(file);
    head.resize(got);
    return head;
}

// All of a file, or nothing when it holds more than `limit` bytes.
std::vector<uint8_t> ReadWhole(const wchar_t* path, size_t limit) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && uint64_t(size.QuadPart) <= limit) {
        bytes.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr)) got = 0;
        bytes.resize(got);
    }
    CloseHandle(file);
    return bytes;
}

// A metafile reaches the decoder only when the checker passes all of it; a
// head shorter than asked for is already the whole file.
bool MetafileAcceptable(const wchar_t* path, const std::vector<uint8_t>& head) {
    if (head.size() < kHeadBytes) return CheckMetafile(head.data(), head.size()) == MetafileVerdict::Sound;
    const std::vector<uint8_t> all = ReadWhole(path, kMaxMetafileBytes);
    return CheckMetafile(all.data(), all.size()) == MetafileVerdict::Sound;
}

}  // namespace

void GpImageDeleter::operator()(Gdiplus::GpImage* image) const noexcept {
    if (image) gp::GdipDisposeImage(image);
}

void GpGraphicsDeleter::operator()(Gdiplus::GpGraphics* graphics) const noexcept {
    if (graphics) gp::GdipDeleteGraphics(graphics);
}

PictureHolder::PictureHolder() : propertyBuffer_(new uint64_t[kPropertyBufferSize / sizeof(uint64_t)]()) {}

uint32_t PictureHolder::NaturalWidth() const {
    UINT w = 0;
    if (!image_ || gp::GdipGetImageWidth(image_.get(), &w) != Gdiplus::Ok) return 0;
    return w;
}

uint32_t PictureHolder::NaturalHeight() const {
    UINT h = 0;
    if (!image_ || gp::GdipGetImageHeight(image_.get(), &h) != Gdiplus::Ok) return 0;
    return h;
}

bool PictureHolder::HasUsableSize() const {
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (gp::GdipGetImageType(image_.get(), &type) != Gdiplus::Ok || type == Gdiplus::ImageTypeUnknown) return false;
    const uint64_t w = NaturalWidth(), h = NaturalHeight();
    if (w == 0 || h == 0) return false;
    // A picture this large could not be drawn or scaled anyway; refuse it
    // rather than let every later step fight for memory.
    return w * h <= kMaxDecodedPixels;
}

bool PictureHolder::LoadFromFile(const wchar_t* path) {
    image_.reset();
    if (!path || !*path) return false;

    // Refuse a header that claims more pixels than we would ever hold before
    // the decoder tries to allocate them.
    const std::vector<uint8_t> head = ReadHead(path);
    const ClaimedSize claimed = PeekPictureSize(head.data(), head.size());
    if (claimed.known && uint64_t(claimed.width) * claimed.height > kMaxDecodedPixels) return false;
    // A damaged metafile can stall the decoder for seconds: it is checked whole first.
    if (MetafileKindOf(head.data(), head.size()) != MetafileKind::None && !MetafileAcceptable(path, head)) return false;

    Gdiplus::GpImage* raw = nullptr;
    const GpStatus status = gp::GdipLoadImageFromFile(path, &raw);
    image_.reset(raw);
    if (status != Gdiplus::Ok || !image_ || !HasUsableSize() || !DrawsAtAll()) {
        image_.reset();
        return false;
    }

    bool notFound = false;
    if (propertySize == 0) {
        UINT size = 0;
        if (gp::GdipGetPropertyItemSize(image_.get(), kOrientationProperty, &size) == Gdiplus::PropertyNotFound)
            notFound = true;
        propertySize = size;
    }
    orientation = 1;
    if (propertySize != 0 && propertySize <= kPropertyBufferSize) {
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(propertyBuffer_.get());
        const GpStatus got = gp::GdipGetPropertyItem(image_.get(), kOrientationProperty, propertySize, item);
        if (got == Gdiplus::Ok) {
            if (item->value && item->length >= 2) orientation = *static_cast<const uint16_t*>(item->value);
        } else if (got == Gdiplus::PropertyNotFound) {
            notFound = true;
        }
    }
    // Some decoders keep a JPEG's EXIF block to themselves; read the tag from
    // the file in that case.
    if (notFound) {
        const int fromFile = ExifOrientationFromJpeg(head.data(), head.size());
        if (fromFile) orientation = fromFile;
    }
    return true;
}

bool PictureHolder::DrawsAtAll() const {
    constexpr int kSide = 16;
    Canvas probe;
    // Without a surface to try it on, the picture is given the benefit of the doubt.
    if (!probe.Resize(kSide, kSide)) return true;
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(probe.Dc(), &raw) != Gdiplus::Ok || !raw) return false;
    GpGraphicsPtr graphics(raw);
    // One source pixel is enough: a metafile is still played record by
    // record, while a large bitmap is not converted whole as a full draw
    // would do (that costs a third or more of a 6000 x 4000 JPEG's load).
    return gp::GdipDrawImageRectRectI(graphics.get(), image_.get(), 0, 0, kSide, kSide, 0, 0, 1, 1, Gdiplus::UnitPixel,
                                      nullptr, nullptr, nullptr) == Gdiplus::Ok;
}

bool PictureHolder::LoadFromBitmap(HBITMAP bitmap) {
    image_.reset();
    if (!bitmap) return false;
    Gdiplus::GpBitmap* raw = nullptr;
    const GpStatus status = gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &raw);
    image_.reset(raw);
    if (status != Gdiplus::Ok || !image_ || !HasUsableSize()) {
        image_.reset();
        return false;
    }
    return true;
}

bool PictureHolder::RotateFlip(int type) {
    if (!image_ || type < 1 || type > 7) return false;
    auto turn = [this](int t) {
        return gp::GdipImageRotateFlip(image_.get(), static_cast<Gdiplus::RotateFlipType>(t)) == Gdiplus::Ok;
    };
    // The quarter turns with a mirror (turn clockwise, then mirror left to
    // right) come out mirrored the other way by some GDI+ builds; made of two
    // plain steps they are right everywhere.
    if (type == kRotate90FlipX) return turn(kRotate90) && turn(kFlipX);
    if (type == kRotate270FlipX) return turn(kRotate270) && turn(kFlipX);
    return turn(type);
}

int PictureHolder::BitsPerPixel() const {
    Gdiplus::PixelFormat format = 0;
    if (!image_ || gp::GdipGetImagePixelFormat(image_.get(), &format) != Gdiplus::Ok) return 0;
    return BitsForPixelFormat(static_cast<uint32_t>(format));
}

bool PictureHolder::Draw(HDC dc, int x, int y, int w, int h) const {
    if (!image_ || !dc) return false;
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(dc, &raw) != Gdiplus::Ok || !raw) return false;
    GpGraphicsPtr graphics(raw);
    gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation));
    return gp::GdipDrawImageRectI(graphics.get(), image_.get(), x, y, w, h) == Gdiplus::Ok;
}
