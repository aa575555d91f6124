#include "imaging/PictureDecode.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "imaging/Canvas.h"
#include "imaging/CaptionText.h"
#include "imaging/ExifOrientation.h"
#include "imaging/GdiplusApi.h"
#include "imaging/MetafileCheck.h"
#include "imaging/PictureHeader.h"
#include "imaging/PixelDecoders.h"
#include "imaging/Resample.h"
#include "imaging/WicProfile.h"

namespace {

constexpr PROPID kOrientationProperty = 0x0112;
constexpr uint32_t kPropertyBufferSize = 512;

uint64_t Join(DWORD high, DWORD low) { return (uint64_t(high) << 32) | low; }

// The whole file in movable global memory (what a memory stream is made
// over), with its stamp; nothing when it cannot be read or is larger than `limit`.
struct FileBytes {
    HGLOBAL memory = nullptr;
    uint64_t size = 0;
    FileStamp stamp;
    bool tooLarge = false;
    ~FileBytes() {
        if (memory) GlobalFree(memory);
    }
};

bool ReadFileBytes(const wchar_t* path, uint64_t limit, FileBytes& out) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info)) return false;
    out.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    out.stamp = {out.size, Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
    if (out.size == 0) return true;
    if (out.size > limit || out.size > SIZE_MAX / 2) {
        out.tooLarge = true;
        return true;
    }
    out.memory = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(out.size));
    if (!out.memory) {
        out.tooLarge = true;
        return true;
    }
    auto* bytes = static_cast<uint8_t*>(GlobalLock(out.memory));
    uint64_t done = 0;
    while (bytes && done < out.size) {
        const DWORD ask = DWORD(std::min<uint64_t>(out.size - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file.Get(), bytes + done, ask, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (bytes) GlobalUnlock(out.memory);
    // A file that shrank while it was read is judged by what it still held.
    out.size = done;
    return true;
}

bool UsableSize(Gdiplus::GpImage* image, uint32_t& w, uint32_t& h) {
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    UINT width = 0, height = 0;
    if (gp::GdipGetImageType(image, &type) != Gdiplus::Ok || type == Gdiplus::ImageTypeUnknown) return false;
    if (gp::GdipGetImageWidth(image, &width) != Gdiplus::Ok || gp::GdipGetImageHeight(image, &height) != Gdiplus::Ok)
        return false;
    w = width;
    h = height;
    return w != 0 && h != 0;
}

// Some files load but the decoder refuses to draw them: a metafile is tried
// once, one source pixel into a small off-screen bitmap.
bool DrawsAtAll(Gdiplus::GpImage* image) {
    constexpr int kSide = 16;
    Canvas probe;
    // Without a surface to try it on, the picture is given the benefit of the doubt.
    if (!probe.Resize(kSide, kSide)) return true;
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipCreateFromHDC(probe.Dc(), &raw) != Gdiplus::Ok || !raw) return false;
    GpGraphicsPtr graphics(raw);
    return gp::GdipDrawImageRectRectI(graphics.get(), image, 0, 0, kSide, kSide, 0, 0, 1, 1, Gdiplus::UnitPixel,
                                      nullptr, nullptr, nullptr) == Gdiplus::Ok;
}

// The ICC profile GDI+ found in the file, empty without one.
std::vector<uint8_t> ColourProfileOf(Gdiplus::GpImage* image) {
    constexpr PROPID kIccProfile = 0x8773;
    UINT itemSize = 0;
    if (gp::GdipGetPropertyItemSize(image, kIccProfile, &itemSize) != Gdiplus::Ok ||
        itemSize <= sizeof(Gdiplus::PropertyItem))
        return {};
    std::vector<uint64_t> buffer((itemSize + 7) / 8);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (gp::GdipGetPropertyItem(image, kIccProfile, itemSize, item) != Gdiplus::Ok || !item->value ||
        item->length > itemSize)
        return {};
    const auto* value = static_cast<const uint8_t*>(item->value);
    return std::vector<uint8_t>(value, value + item->length);
}

int OrientationOf(Gdiplus::GpImage* image, const uint8_t* bytes, size_t size) {
    UINT itemSize = 0;
    const Gdiplus::GpStatus sized = gp::GdipGetPropertyItemSize(image, kOrientationProperty, &itemSize);
    if (sized == Gdiplus::Ok && itemSize != 0 && itemSize <= kPropertyBufferSize) {
        uint64_t buffer[kPropertyBufferSize / sizeof(uint64_t)] = {};
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer);
        const Gdiplus::GpStatus got = gp::GdipGetPropertyItem(image, kOrientationProperty, itemSize, item);
        if (got == Gdiplus::Ok) return item->value && item->length >= 2 ? *static_cast<const uint16_t*>(item->value) : 1;
        if (got != Gdiplus::PropertyNotFound) return 1;
    } else if (sized != Gdiplus::PropertyNotFound) {
        return 1;
    }
    // Some decoders keep a JPEG's EXIF block to themselves; read the tag from the bytes then.
    const int fromFile = ExifOrientationFromJpeg(bytes, size);
    return fromFile ? fromFile : 1;
}

}  // namespace

bool StampOf(const wchar_t* path, FileStamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!path || !GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return false;
    stamp = {Join(data.nFileSizeHigh, data.nFileSizeLow),
             Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
    return true;
}

uint64_t PictureMemoryBudget() {
    constexpr uint64_t kMiB = 1ull << 20;
    const uint64_t ceiling = sizeof(void*) == 4 ? 768 * kMiB : 4096 * kMiB;
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    const uint64_t quarter = GlobalMemoryStatusEx(&status) ? status.ullTotalPhys / 4 : 0;
    return std::clamp<uint64_t>(quarter, 256 * kMiB, ceiling);
}

uint64_t PicturePixelLimit() { return PictureMemoryBudget() / 4; }

namespace {

// The size, as stored, at which a picture of w x h with EXIF `orientation` is
// wanted by `target`: its display size under a valid plan, else the plan's least size.
void StoredTarget(const ShowPlan& target, int orientation, uint32_t w, uint32_t h, uint32_t& tw, uint32_t& th) {
    tw = target.leastWidth;
    th = target.leastHeight;
    if (!target.valid || w > INT32_MAX || h > INT32_MAX) return;
    // No area to fit yet (a window not shown): wanted whole.
    if (target.zoom <= 0 && (target.area.width <= 0 || target.area.height <= 0)) return;
    const Turns turns = PlanTurns(target.orientation, orientation, w, h);
    const bool quarter = IsQuarterTurn(turns.exif) != IsQuarterTurn(turns.lock);
    const DisplaySize shown = FitDisplaySize(int32_t(quarter ? h : w), int32_t(quarter ? w : h), target.area,
                                             target.zoom, target.squeeze, target.shrink, target.stretch);
    tw = uint32_t(std::max(quarter ? shown.height : shown.width, 1));
    th = uint32_t(std::max(quarter ? shown.width : shown.height, 1));
}

// A picture one of our own decoders reads, decoded no larger than it is wanted
// (a JPEG at the least DCT scale that covers that size, a WebP at the least
// size that does, a JPEG XL or an HEIF whole); `out` gets a premultiplied 32-bit bitmap over its pixels.
void DecodeOwn(const PixelDecoderRow& decoder, const uint8_t* bytes, size_t size, const DecodeLimits& limits,
               const ClaimedSize& claimed, DecodedPicture& out) {
    const int fromFile = decoder.orientation(bytes, size);
    const int orientation = fromFile ? fromFile : 1;
    PixelRequest request;
    request.pixelLimit = limits.pixelLimit;
    StoredTarget(limits.target, orientation, claimed.width, claimed.height, request.targetWidth, request.targetHeight);
    // What a decoder holds while it works can be the picture's full size (a
    // progressive JPEG's coefficients), whatever size it is decoded at.
    if ((!claimed.known || uint64_t(claimed.width) * claimed.height > limits.largePixels) && limits.gate) {
        if (!limits.gate->Enter()) return;
        out.gatePass.reset(limits.gate);
    }
    // A decoder that tells of its rows as they come has them converted
    // meanwhile, on another thread; the others' pixels are converted after.
    struct Streamed {
        const ColourTarget* target = nullptr;
        bool told = false;
        std::optional<RowConversion> rows;
    } streamed;
    if (limits.colour) {
        streamed.target = limits.colour.get();
        request.rowsContext = &streamed;
        request.rowsDone = [](void* context, const DecodedPixels& pixels, uint32_t rows) {
            auto& s = *static_cast<Streamed*>(context);
            if (!std::exchange(s.told, true) && !pixels.iccProfile.empty())
                s.rows.emplace(pixels.iccProfile, *s.target, pixels.pixels.get(), pixels.width,
                               ptrdiff_t(pixels.Stride()), PixelLayout::Premultiplied);
            if (s.rows) s.rows->Decoded(rows);
        };
    }
    DecodedPixels decoded = decoder.decode(bytes, size, request);
    if (streamed.rows) streamed.rows->Finish();
    out.width = decoded.fullWidth;
    out.height = decoded.fullHeight;
    if (decoded.outcome == PixelOutcome::TooLarge) out.outcome = DecodeOutcome::TooLarge;
    if (decoded.outcome != PixelOutcome::Decoded) return;
    // Converted as decoded, before anything is drawn of it: at the size it is wanted at, the least work.
    if (limits.colour && !streamed.told && !decoded.iccProfile.empty())
        ConvertColours(decoded.iccProfile, *limits.colour, decoded.pixels.get(), decoded.width, decoded.height,
                       ptrdiff_t(decoded.Stride()), PixelLayout::Premultiplied);
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(int(decoded.width), int(decoded.height), int(decoded.Stride()),
                                      PixelFormat32bppPARGB, decoded.pixels.get(), &bitmap) != Gdiplus::Ok ||
        !bitmap)
        return;
    out.image.reset(bitmap);
    out.pixels = std::move(decoded.pixels);
    out.bitsPerPixel = decoded.bitsPerPixel;
    out.orientation = orientation;
    out.colourProfile = std::move(decoded.iccProfile);
    out.memory = uint64_t(decoded.width) * decoded.height * 4;
    out.outcome = DecodeOutcome::Decoded;
}

// Converts the colours of a bitmap GDI+ decoded, in its own pixel format where
// we read it (a palette's entries for an indexed one), else through 32-bit
// ARGB, which GDI+ turns back into the bitmap's format. Only the frame GDI+
// has selected is converted.
void ConvertBitmapColours(Gdiplus::GpImage* image, const std::vector<uint8_t>& profile, const ColourTarget& target) {
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    Gdiplus::PixelFormat format = 0;
    UINT w = 0, h = 0;
    if (gp::GdipGetImagePixelFormat(image, &format) != Gdiplus::Ok || gp::GdipGetImageWidth(image, &w) != Gdiplus::Ok ||
        gp::GdipGetImageHeight(image, &h) != Gdiplus::Ok || w == 0 || h == 0)
        return;
    if (format & PixelFormatIndexed) {
        INT size = 0;
        if (gp::GdipGetImagePaletteSize(image, &size) != Gdiplus::Ok || size < int(sizeof(Gdiplus::ColorPalette)))
            return;
        std::vector<uint64_t> buffer((size_t(size) + 7) / 8);
        auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
        if (gp::GdipGetImagePalette(image, palette, size) != Gdiplus::Ok || palette->Count == 0 ||
            palette->Count > (size_t(size) - sizeof(Gdiplus::ColorPalette)) / sizeof(Gdiplus::ARGB) + 1)
            return;
        // ARGB entries lie in memory as B, G, R, A, with straight alpha.
        if (ConvertColours(profile, target, reinterpret_cast<uint8_t*>(palette->Entries), palette->Count, 1, 0,
                           PixelLayout::Straight) == ColourOutcome::Converted)
            gp::GdipSetImagePalette(image, palette);
        return;
    }
    PixelLayout layout = PixelLayout::Straight;
    Gdiplus::PixelFormat lockAs = PixelFormat32bppARGB;
    if (format == PixelFormat24bppRGB) layout = PixelLayout::Bgr, lockAs = format;
    else if (format == PixelFormat32bppPARGB) layout = PixelLayout::Premultiplied, lockAs = format;
    else if (format == PixelFormat32bppRGB) lockAs = format;
    const Gdiplus::Rect all(0, 0, int(w), int(h));
    Gdiplus::BitmapData data{};
    if (gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, lockAs, &data) !=
        Gdiplus::Ok)
        return;
    ConvertColours(profile, target, static_cast<uint8_t*>(data.Scan0), w, h, data.Stride, layout);
    gp::GdipBitmapUnlockBits(bitmap, &data);
}

// Shrinks the pixels of `image` by area averaging into `drawing`, w x h.
bool ShrinkInto(Gdiplus::GpImage* image, Gdiplus::GpBitmap* drawing, uint32_t w, uint32_t h) {
    auto* source = static_cast<Gdiplus::GpBitmap*>(image);
    UINT sw = 0, sh = 0;
    gp::GdipGetImageWidth(image, &sw);
    gp::GdipGetImageHeight(image, &sh);
    const Gdiplus::Rect all(0, 0, int(sw), int(sh)), target(0, 0, int(w), int(h));
    Gdiplus::BitmapData in{}, out{};
    if (gp::GdipBitmapLockBits(source, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &in) != Gdiplus::Ok)
        return false;
    bool done = false;
    if (gp::GdipBitmapLockBits(drawing, &target, Gdiplus::ImageLockModeWrite, PixelFormat32bppPARGB, &out) ==
        Gdiplus::Ok) {
        done = ShrinkByArea(PixelRows{static_cast<const uint8_t*>(in.Scan0), sw, sh, in.Stride},
                            static_cast<uint8_t*>(out.Scan0), out.Stride, w, h);
        gp::GdipBitmapUnlockBits(drawing, &out);
    }
    gp::GdipBitmapUnlockBits(source, &in);
    return done;
}

// Judges and decodes the bytes of `file` (taken over when the decoder gets them).
DecodedPicture DecodeHeld(FileBytes& file, const DecodeLimits& limits) {
    DecodedPicture out;
    out.stamp = file.stamp;
    if (file.tooLarge) {
        out.outcome = DecodeOutcome::TooLarge;
        return out;
    }
    if (file.size == 0 || !file.memory) return out;

    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(file.memory));
    if (!bytes) return out;
    const size_t size = size_t(file.size);
    ClaimedSize claimed;
    PictureFormat format = PictureFormat::Unknown;
    const HeaderVerdict verdict = JudgeHeader(bytes, size, file.size, limits.pixelLimit, &claimed, &format);
    const bool metafile = format == PictureFormat::Metafile;
    // A damaged metafile can stall the decoder for seconds: it is checked whole first.
    const bool sound = !metafile || (size <= kMaxMetafileBytes && CheckMetafile(bytes, size) == MetafileVerdict::Sound);
    GlobalUnlock(file.memory);
    if (verdict == HeaderVerdict::TooLarge) {
        out.outcome = DecodeOutcome::TooLarge;
        out.width = claimed.width;
        out.height = claimed.height;
        return out;
    }
    if (verdict == HeaderVerdict::Damaged || !sound) return out;
    if (const PixelDecoderRow* decoder = PixelDecoderFor(format)) {
        // Decoded whole into pixels of its own: the bytes are let go, but
        // for an animation, whose later frames are read from them as it plays.
        const auto* held = static_cast<const uint8_t*>(GlobalLock(file.memory));
        const bool animated = held && format == PictureFormat::Webp && size > 20 &&
                              std::memcmp(held + 12, "VP8X", 4) == 0 && (held[20] & 0x02) != 0;
        if (held) DecodeOwn(*decoder, held, size, limits, claimed, out);
        GlobalUnlock(file.memory);
        if (animated && out.outcome == DecodeOutcome::Decoded &&
            SUCCEEDED(CreateStreamOnHGlobal(file.memory, TRUE, out.source.Receive()))) {
            file.memory = nullptr;   // the stream has it now
            out.memory += size;
        }
        return out;
    }

    // A metafile is drawn at the size asked for: its claimed size takes no memory.
    const bool large = !metafile && (!claimed.known || uint64_t(claimed.width) * claimed.height > limits.largePixels);
    if (large && limits.gate) {
        if (!limits.gate->Enter()) return out;
        out.gatePass.reset(limits.gate);
    }

    // The stream takes the memory over.
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(file.memory, TRUE, stream.Receive()))) return out;
    HGLOBAL memory = std::exchange(file.memory, nullptr);
    Gdiplus::GpImage* raw = nullptr;
    const Gdiplus::GpStatus status = gp::GdipLoadImageFromStream(stream.Get(), &raw);
    GpImagePtr image(raw);
    uint32_t w = 0, h = 0;
    if (status != Gdiplus::Ok || !image || !UsableSize(image.get(), w, h)) return out;
    if (uint64_t(w) * h > limits.pixelLimit) {
        out.outcome = DecodeOutcome::TooLarge;
        out.width = w;
        out.height = h;
        return out;
    }
    Gdiplus::PixelFormat pixelFormat = 0;
    gp::GdipGetImagePixelFormat(image.get(), &pixelFormat);
    out.bitsPerPixel = BitsForPixelFormat(uint32_t(pixelFormat));
    const auto* locked = static_cast<const uint8_t*>(GlobalLock(memory));
    out.orientation = locked ? OrientationOf(image.get(), locked, size) : 1;
    out.colourProfile = ColourProfileOf(image.get());
    // Some GDI+ keep a PNG's or a TIFF's profile to themselves: asked of WIC
    // then, when it is to be honoured and the file says it has one (WIC may
    // decode the whole picture again to answer).
    const bool askWic = out.colourProfile.empty() && limits.colour && locked && NamesColourProfile(locked, size, format);
    if (locked) GlobalUnlock(memory);
    if (askWic) out.colourProfile = WicColourProfile(stream.Get());

    // A damaged metafile can load yet never draw: it is tried once here.
    if (metafile && !DrawsAtAll(image.get())) return out;
    if (limits.colour && !metafile && !out.colourProfile.empty())
        ConvertBitmapColours(image.get(), out.colourProfile, *limits.colour);
    // The picture keeps its bytes (a copy, not the file), which a metafile is
    // played from and a decoder may read on demand.
    out.image = std::move(image);
    out.source = std::move(stream);
    out.memory = size + (metafile ? 0 : uint64_t(w) * h * 4);
    out.width = w;
    out.height = h;
    out.outcome = DecodeOutcome::Decoded;
    return out;
}

}  // namespace

DecodedPicture DecodePictureFile(const wchar_t* path, uint64_t pixelLimit) {
    return DecodePictureFile(path, DecodeLimits{pixelLimit});
}

DecodedPicture DecodePictureFile(const wchar_t* path, const DecodeLimits& limits) {
    if (!path || !*path) return {};
    FileBytes file;
    // A file larger than all the memory its pixels may take is no picture we can hold.
    if (!ReadFileBytes(path, limits.pixelLimit * 4, file)) return {};
    return DecodeHeld(file, limits);
}

DecodedPicture DecodePictureBytes(const uint8_t* bytes, size_t size, const DecodeLimits& limits) {
    FileBytes held;
    held.size = size;
    if (!bytes || size == 0) return {};
    if (size > limits.pixelLimit * 4) {
        held.tooLarge = true;
        return DecodeHeld(held, limits);
    }
    held.memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* to = held.memory ? GlobalLock(held.memory) : nullptr;
    if (!to) return {};
    std::memcpy(to, bytes, size);
    GlobalUnlock(held.memory);
    return DecodeHeld(held, limits);
}

void PreparePicture(DecodedPicture& picture, const ShowPlan& plan) {
    if (!plan.valid || picture.outcome != DecodeOutcome::Decoded || !picture.image) return;
    const auto turn = [&](int code) { return code == kRotateNone || RotateFlipImage(picture.image.get(), code); };
    const Turns turns = PlanTurns(plan.orientation, picture.orientation, picture.width, picture.height);
    if (!turn(turns.exif) || !turn(turns.lock)) {
        picture.outcome = DecodeOutcome::Damaged;
        picture.image.reset();
        return;
    }
    picture.turns[0] = turns.exif;
    picture.turns[1] = turns.lock;
    if (IsQuarterTurn(turns.exif) != IsQuarterTurn(turns.lock)) std::swap(picture.width, picture.height);
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(picture.image.get(), &w);
    gp::GdipGetImageHeight(picture.image.get(), &h);
    picture.rotation = turns.rotation;
    picture.prepared = plan;

    const DisplaySize size = FitDisplaySize(int32_t(picture.width), int32_t(picture.height), plan.area, plan.zoom,
                                            plan.squeeze, plan.shrink, plan.stretch);
    // Only a drawing smaller than the decoded pixels saves work; larger ones are drawn as they show.
    if (size.width <= 0 || size.height <= 0 || uint64_t(size.width) * size.height >= uint64_t(w) * h) return;
    Gdiplus::GpBitmap* drawing = nullptr;
    if (gp::GdipCreateBitmapFromScan0(size.width, size.height, 0, PixelFormat32bppPARGB, nullptr, &drawing) !=
            Gdiplus::Ok || !drawing)
        return;
    GpImagePtr owned(drawing);
    // A picture decoded near its display size (a scaled JPEG) is shrunk by area
    // averaging, much faster than a scaled draw; one asked to be drawn by
    // nearest neighbour, and every other, is drawn by GDI+.
    const bool shrinkable = picture.pixels && uint32_t(size.width) <= w && uint32_t(size.height) <= h &&
                            plan.interpolation != Gdiplus::InterpolationModeNearestNeighbor;
    if (!shrinkable || !ShrinkInto(picture.image.get(), drawing, uint32_t(size.width), uint32_t(size.height))) {
        Gdiplus::GpGraphics* raw = nullptr;
        if (gp::GdipGetImageGraphicsContext(drawing, &raw) != Gdiplus::Ok || !raw) return;
        GpGraphicsPtr graphics(raw);
        gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(plan.interpolation));
        if (gp::GdipDrawImageRectI(graphics.get(), picture.image.get(), 0, 0, size.width, size.height) != Gdiplus::Ok)
            return;
    }
    picture.drawing = std::move(owned);
    picture.drawingWidth = size.width;
    picture.drawingHeight = size.height;
    picture.memory += uint64_t(size.width) * size.height * 4;
}
