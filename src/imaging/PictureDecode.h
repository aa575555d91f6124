// Turning a picture file into a decoded picture, on any thread: the one guarded
// decode routine of the viewer, the pictures decoded ahead, the wallpaper and
// the Catalog's thumbnails. The decoder is chosen by the file's signature: a
// JPEG is decoded by libjpeg-turbo straight at the least scale that still
// covers the size it is wanted at, a WebP by libwebp at the least size that
// covers it, everything else by GDI+ at its full size. The file is read into
// memory and closed before the decoder starts, so another program may rename,
// delete or overwrite it the moment it has been read; its header is judged
// first, so empty, unknown and impossible files never reach the decoder and a
// size beyond the caller's pixel limit is refused before the decoder allocates
// for it; a metafile is checked whole; large pictures may be let through a gate
// one at a time; and the result keeps its own copy of the bytes, which a
// metafile is played from and a decoder may read on demand. A decoder can still
// take long on a file that passes all this: the callers run it on workers with
// a deadline (PictureCache, ThumbnailCache).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/ColourManage.h"
#include "imaging/FitRules.h"
#include "imaging/PictureHolder.h"
#include "platform/Handles.h"

// What identifies one state of a file: its size and last write time.
struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` now; false when it cannot be asked.
bool StampOf(const wchar_t* path, FileStamp& stamp);

enum class DecodeOutcome {
    Decoded,
    Damaged,    // missing, unreadable, or not a picture the decoder can make out
    TooLarge,   // a picture, but more pixels than the memory budget allows
};

// What showing a picture will ask of it, known before it is decoded: how it
// is turned, and the size and filter it is drawn with. Prepared to a plan,
// a picture arrives turned and with its frame-sized drawing made.
struct ShowPlan {
    bool valid = false;
    OrientationRules orientation;
    FitArea area;            // what the fit rules size it against
    int32_t zoom = 0;
    bool squeeze = false;
    bool shrink = false;
    bool stretch = false;
    int32_t interpolation = 0;
    // Not valid: the least size, as the picture is stored, it is decoded at
    // (0 x 0: its full size); neither turned nor drawn.
    uint32_t leastWidth = 0;
    uint32_t leastHeight = 0;
    bool operator==(const ShowPlan&) const = default;
};

// Lets the decodes of large pictures through one at a time (the Catalog's
// thumbnail workers share one).
class DecodeGate {
public:
    virtual ~DecodeGate() = default;
    // Waits for its turn; false when the caller is to give the picture up.
    virtual bool Enter() = 0;
    virtual void Leave() = 0;
};

struct GateLeaver {
    void operator()(DecodeGate* gate) const { gate->Leave(); }
};
// Held for as long as a large picture lives: a decoder may decode its pixels
// only when it is first drawn.
using GatePass = std::unique_ptr<DecodeGate, GateLeaver>;

struct DecodedPicture {
    GatePass gatePass;        // first, so it is let go last
    DecodeOutcome outcome = DecodeOutcome::Damaged;
    PixelBuffer pixels;   // what `image` is made over, when it does not own its pixels
    GpImagePtr image;         // as decoded: may be smaller than the picture (a JPEG decoded scaled)
    ComPtr<IStream> source;   // the file's bytes, in memory
    FileStamp stamp;          // the file as it was read
    int orientation = 1;      // EXIF orientation, 1 without one
    // The embedded ICC profile, empty without one (that of a PNG or a TIFF
    // which GDI+ does not hand over is only looked for when it is honoured).
    std::vector<uint8_t> colourProfile;
    int bitsPerPixel = 0;     // of the file's own pixel format
    uint32_t width = 0;       // the picture's own size (turned with it), or claimed by a picture too large
    uint32_t height = 0;
    uint64_t memory = 0;      // bytes the result holds
    ShowPlan prepared;        // the plan it was turned and drawn for (not valid: neither)
    int32_t rotation = 0;     // degrees the rotation lock turned it
    int turns[2] = {};        // the RotateFlip codes it was turned by, in order (0: none)
    GpImagePtr drawing;       // the picture drawn at its display size
    int32_t drawingWidth = 0;
    int32_t drawingHeight = 0;
};

struct DecodeLimits {
    DecodeLimits(uint64_t pixels = 0, uint64_t large = UINT64_MAX, DecodeGate* waitAt = nullptr, ShowPlan wanted = {})
        : pixelLimit(pixels), largePixels(large), gate(waitAt), target(wanted) {}
    uint64_t pixelLimit = 0;   // more pixels: TooLarge
    // A picture of more pixels than this, or one whose header does not tell
    // its size, waits at the gate (when there is one) before it is decoded.
    uint64_t largePixels = UINT64_MAX;
    DecodeGate* gate = nullptr;
    // The size it is wanted at: a valid plan's display size, else the plan's
    // least size. A decoder that scales for nothing decodes no larger.
    ShowPlan target;
    // The colours a picture with an embedded profile is converted to; null:
    // its pixels are left as the file has them.
    std::shared_ptr<const ColourTarget> colour;
};

// Decodes `path`; pictures of more than `pixelLimit` pixels are TooLarge.
DecodedPicture DecodePictureFile(const wchar_t* path, uint64_t pixelLimit);
DecodedPicture DecodePictureFile(const wchar_t* path, const DecodeLimits& limits);
// The same for a picture held in memory (copied first), such as the thumbnail
// a camera embedded in a JPEG; its stamp is left empty.
DecodedPicture DecodePictureBytes(const uint8_t* bytes, size_t size, const DecodeLimits& limits);
// Turns a decoded picture as the plan says and draws it at the size the fit
// rules give its full size there.
void PreparePicture(DecodedPicture& picture, const ShowPlan& plan);

// Memory the viewer allows itself for decoded pictures (the shown one and
// those decoded ahead): a quarter of the machine's memory, at least 256 MiB,
// at most 4 GiB (768 MiB in a 32-bit process).
uint64_t PictureMemoryBudget();
// The largest picture one decode accepts: the whole budget at 4 bytes a pixel.
uint64_t PicturePixelLimit();
