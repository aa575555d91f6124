// The shown picture: one decoded GDI+ image with its display size, placement,
// interpolation mode and EXIF orientation. All decoding goes through the GDI+
// flat interface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

namespace Gdiplus {
class GpImage;
class GpGraphics;
}

struct GpImageDeleter {
    void operator()(Gdiplus::GpImage* image) const noexcept;
};
using GpImagePtr = std::unique_ptr<Gdiplus::GpImage, GpImageDeleter>;

struct GpGraphicsDeleter {
    void operator()(Gdiplus::GpGraphics* graphics) const noexcept;
};
using GpGraphicsPtr = std::unique_ptr<Gdiplus::GpGraphics, GpGraphicsDeleter>;

class PictureHolder {
public:
    static constexpr uint32_t kPropertyBufferSize = 512;

    PictureHolder();
    ~PictureHolder() = default;
    PictureHolder(const PictureHolder&) = delete;
    PictureHolder& operator=(const PictureHolder&) = delete;

    // Decodes a file; false (and nothing loaded) when it cannot be decoded, is
    // empty, too large to hold, a damaged metafile, or will not draw. The
    // orientation is read from the file.
    bool LoadFromFile(const wchar_t* path);
    // Makes the picture from a GDI bitmap (no palette); the orientation is kept.
    bool LoadFromBitmap(HBITMAP bitmap);
    void Release() { image_.reset(); }
    bool IsLoaded() const { return image_ != nullptr; }

    // Pixel size as GDI+ reports it (already turned after RotateFlip); 0 when empty.
    uint32_t NaturalWidth() const;
    uint32_t NaturalHeight() const;
    // Turns or mirrors the decoded pixels (GDI+ RotateFlipType 1..7).
    bool RotateFlip(int type);
    int BitsPerPixel() const;

    void SetInterpolation(int32_t mode) { interpolation = mode; }
    int32_t Interpolation() const { return interpolation; }
    int32_t Orientation() const { return orientation; }

    // Draws the whole picture scaled into (x, y, w, h) of dc with the picture's
    // interpolation mode. False when nothing is loaded or GDI+ refuses.
    bool Draw(HDC dc, int x, int y, int w, int h) const;

    Gdiplus::GpImage* Image() const { return image_.get(); }

    // Display size (fit arithmetic) and placement (frame composition).
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t interpolation = 0;   // GDI+ InterpolationMode: 0 default, 2 high, 7 best
    uint32_t propertySize = 0;   // size of the orientation item; asked once
    int32_t orientation = 1;     // EXIF orientation of the last file loaded

private:
    bool HasUsableSize() const;
    // Draws a corner of the picture once into a small off-screen bitmap: some
    // files load but the decoder refuses to draw them.
    bool DrawsAtAll() const;

    GpImagePtr image_;
    std::unique_ptr<uint64_t[]> propertyBuffer_;  // 512 bytes, aligned for PropertyItem
};
