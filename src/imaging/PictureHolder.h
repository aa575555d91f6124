// The shown picture: one decoded GDI+ image with its display size, placement,
// interpolation mode and EXIF orientation. The image may hold fewer pixels than
// the picture has (a JPEG decoded at the scale it is shown at); a fuller decode
// of the same file can take its place, turned as the picture has been turned.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/PixelDecoders.h"
#include "platform/Handles.h"

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

// Turns or mirrors an image's pixels (GDI+ RotateFlipType 1..7).
bool RotateFlipImage(Gdiplus::GpImage* image, int type);

// Index of the first GDI+ encoder of `mimeType` (exact), its CLSID into
// `clsid`; -1 when there is none.
int FindEncoder(const wchar_t* mimeType, CLSID* clsid);
// Saves `image` drawn at w x h (best filter) as BMP (format 0) or JPEG (1, the
// encoder's default quality); the GDI+ status, 0 on success. Any thread.
int SaveImageScaled(Gdiplus::GpImage* image, const wchar_t* path, int format, int w, int h);

struct DecodedPicture;
struct OrientationRules;
enum class DecodeOutcome;

class PictureHolder {
public:
    PictureHolder();
    ~PictureHolder();
    PictureHolder(const PictureHolder&) = delete;
    PictureHolder& operator=(const PictureHolder&) = delete;

    // Decodes a file here and now; false (and nothing loaded) when it cannot
    // be decoded, is empty, too large to hold, a damaged metafile, or will not
    // draw. The orientation is read from the file.
    bool LoadFromFile(const wchar_t* path);
    // Takes over a picture decoded elsewhere (possibly on another thread);
    // false and nothing loaded unless it was decoded.
    bool Adopt(DecodedPicture&& decoded);
    // Puts a fuller decode of the same picture (as stored, not turned) in the
    // place of the pixels held, turned as they were; false, and nothing
    // changed, unless it is the same picture with more pixels.
    bool TakeDetail(DecodedPicture&& fuller);
    // Puts a frame of the same animated picture (as stored, at its full
    // size) in the place of the pixels held, turned as they were; false, and
    // nothing changed, unless it is the picture's size. Taken, `frame` is
    // left with the buffer of the frame it replaced, for the next one to be
    // decoded into, or empty.
    bool TakeFrame(DecodedPixels& frame);
    // Whether the pixels held are fewer than drawing the picture at
    // shownWidth x shownHeight asks for, while the picture has more; the size,
    // as stored, that would serve goes to w x h.
    bool WantsDetail(int32_t shownWidth, int32_t shownHeight, uint32_t& w, uint32_t& h) const;
    // True, once, when the picture arrived turned by these rules; `rotation`
    // then receives the degrees the rotation lock turned it.
    bool TakePrepared(const OrientationRules& rules, int32_t& rotation);
    // How the last load from a file ended.
    DecodeOutcome LastOutcome() const { return lastOutcome_; }
    // Makes the picture from a GDI bitmap (no palette); the orientation is kept.
    bool LoadFromBitmap(HBITMAP bitmap);
    void Release();
    bool IsLoaded() const { return image_ != nullptr; }

    // The picture's own size, turned as it is shown; 0 when empty.
    uint32_t NaturalWidth() const { return image_ ? fullWidth_ : 0; }
    uint32_t NaturalHeight() const { return image_ ? fullHeight_ : 0; }
    // The size of the pixels held (the same, unless decoded scaled).
    uint32_t PixelWidth() const;
    uint32_t PixelHeight() const;
    // Turns or mirrors the decoded pixels (GDI+ RotateFlipType 1..7).
    bool RotateFlip(int type);
    // Bits per pixel of the picture as the file stored it.
    int BitsPerPixel() const { return image_ ? bitsPerPixel_ : 0; }
    // Bytes the decoded picture takes.
    uint64_t Memory() const { return image_ ? memory_ : 0; }

    void SetInterpolation(int32_t mode) { interpolation = mode; }
    int32_t Interpolation() const { return interpolation; }
    int32_t Orientation() const { return orientation; }

    // Draws the whole picture scaled into (x, y, w, h) of dc with the picture's
    // interpolation mode. False when nothing is loaded or GDI+ refuses.
    bool Draw(HDC dc, int x, int y, int w, int h) const;
    // The same, but only the part inside (0, 0, clipWidth, clipHeight) is drawn.
    bool DrawVisible(HDC dc, int x, int y, int w, int h, int clipWidth, int clipHeight) const;

    Gdiplus::GpImage* Image() const { return image_.get(); }
    // The file's bytes the picture was decoded from, in memory; null when it came from elsewhere.
    IStream* Source() const { return source_.Get(); }

    // Saves the picture drawn at w x h (best filter) as BMP (format 0) or JPEG
    // (1, the encoder's default quality); the GDI+ status, 0 on success.
    int SaveScaled(const wchar_t* path, int format, int w, int h) const;

    // Display size (fit arithmetic) and placement (frame composition).
    int32_t width = 0;
    int32_t height = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t interpolation = 0;   // GDI+ InterpolationMode: 0 default, 2 high, 7 best
    int32_t orientation = 1;     // EXIF orientation of the last file loaded

private:
    PixelBuffer pixels_;   // what image_ is made over, when it does not own them
    bool pixelsAreFrame_ = false;   // they are an animation's frame (TakeFrame)
    GpImagePtr image_;
    uint32_t fullWidth_ = 0;
    uint32_t fullHeight_ = 0;
    std::vector<int> turns_;   // the RotateFlip codes applied since the decode, in order
    bool detailAsked_ = false;
    ComPtr<IStream> source_;   // the file's bytes, in memory, held while it is shown
    int bitsPerPixel_ = 0;
    uint64_t memory_ = 0;
    // Made on the worker: the turns already applied, and the picture drawn at
    // the display size it was expected to get, with the filter it was drawn with.
    std::unique_ptr<OrientationRules> preparedTurns_;
    int32_t preparedRotation_ = 0;
    GpImagePtr drawing_;
    int32_t drawingWidth_ = 0;
    int32_t drawingHeight_ = 0;
    int32_t drawingInterpolation_ = 0;
    // The ready drawing when the picture is drawn at w x h, else null.
    Gdiplus::GpImage* DrawingFor(int w, int h) const;
    // Copies the w x h piece at (sx, sy) of the ready drawing to (x, y), pixel for pixel.
    static bool CopyDrawing(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* drawing, int x, int y, int w, int h,
                            int sx, int sy);
    DecodeOutcome lastOutcome_;
};
