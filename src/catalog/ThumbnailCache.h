// Thumbnails made off the interface thread and kept in memory.
//
// The Catalog asks for the thumbnail of an exhibit entry each time it paints
// the item; a thumbnail not made yet is queued (the visible ones first, the
// newest asks first) and the window is told when it is ready. Workers decode
// through the program's one guarded decode routine: for a JPEG whose camera
// embedded a thumbnail at least as large as the box, that one; else the whole
// picture, within a pixel limit of its own, the large ones one at a time.
// Thumbnails are kept within a memory budget, keyed by path, file size, write
// time, box size, orientation rule and colour target, so a changed file (or
// setting) gets a new one. A thumbnail is converted to the colour target as
// the viewer's pictures are.
//
// A thumbnail that takes longer than the deadline is given up: its request
// gets an empty frame (and keeps it for the run), its worker is left to end
// on its own and a fresh one carries on. At most kMaxGivenUp given-up
// workers get a replacement, so a folder of files that stall the decoder
// never piles up threads. Everything the workers touch lives in one block
// they co-own, so the cache can go (at exit) without waiting for them.
//
// No windows here but the one told by a posted message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/ColourManage.h"

struct Thumbnail {
    int32_t x = 0, y = 0;            // offset in the box
    int32_t w = 0, h = 0;            // 0 x 0: nothing to draw (a damaged picture)
    std::vector<uint32_t> pixels;    // w x h, 32-bit BGRA, top-down
};

struct ThumbnailKey {
    std::wstring path;       // the entry's file (a shortcut stands for its target)
    uint64_t size = 0;       // as the exhibit saw it
    uint64_t written = 0;
    int32_t box = 100;
    bool exiforient = true;
    COLORREF background = RGB(255, 255, 255);   // under a transparent picture
    // What a picture with a colour profile is converted to; null: nothing
    // (colour management off). The same object while the setting stands.
    std::shared_ptr<const ColourTarget> colour = nullptr;
    bool operator==(const ThumbnailKey&) const = default;
};

class DecodeGate;

class ThumbnailCache {
public:
    // Makes the thumbnail of a key; runs on a worker, which lends it the gate
    // its large decodes pass one at a time.
    using Maker = std::function<Thumbnail(const ThumbnailKey&, DecodeGate& gate)>;
    // A thumbnail not made within `deadlineMs` (time spent waiting at the gate
    // aside) is given up.
    ThumbnailCache(Maker make, uint64_t budgetBytes, int workers, DWORD deadlineMs = kDeadlineMs);
    // Does not wait for a worker stuck in a decoder: see Stop().
    ~ThumbnailCache() { Stop(); }
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // Where to post `message` when thumbnails are ready (once until Taken() is
    // called). A message still queued for the window named before is lost with
    // it: naming a window (or none) arms the message again.
    void Notify(HWND window, UINT message);
    void Taken();
    // The thumbnail if made; else null, and it is asked for (in front when urgent).
    std::shared_ptr<const Thumbnail> Get(const ThumbnailKey& key, bool urgent);
    // Forgets every request not made yet (the list shows other items now).
    void DropRequests();
    uint64_t HeldBytes() const;
    size_t HeldCount() const;
    // Workers given up on that are still inside a decoder.
    int GivenUp() const;
    // Forgets every request and asks the workers to end; waits for them at
    // most `waitMs`, then leaves them to end on their own. Whether all ended.
    bool Stop(DWORD waitMs = 1000);

    // A thumbnail is a small picture: 10 s is far past what the largest one
    // allowed takes to decode on a loaded machine (a few seconds).
    static constexpr DWORD kDeadlineMs = 10000;
    static constexpr int kMaxGivenUp = 4;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// The largest picture a thumbnail is made of: 64 megapixels, more than the
// largest camera sensors sold (61 MP) and most stitched panoramas. Decoded it
// holds 256 MiB and takes a few seconds under load; with the large ones made
// one at a time, the Catalog's decodes never hold much more than that beside
// the pictures the viewer holds. Larger pictures get an empty frame, at once.
inline constexpr uint64_t kThumbnailPixelLimit = 64ull << 20;
// Pictures above 16 megapixels (64 MiB decoded) are made one at a time.
inline constexpr uint64_t kLargeThumbnailPixels = 16ull << 20;
// A camera's embedded thumbnail is small (160 x 120 as a rule, a screen-sized
// preview at most): one claiming more than 2 megapixels is refused.
inline constexpr uint64_t kEmbeddedThumbnailPixelLimit = 2ull << 20;

// The thumbnail maker of the Catalog: a shortcut's target read, the embedded
// EXIF thumbnail of a JPEG (whatever its name) when large enough, of the
// picture's shape and sound, else the picture itself, both through the guarded
// decode routine; turned by its EXIF orientation, reduced in high quality onto
// the key's background, and the file's last-access time put back afterwards.
Thumbnail MakeThumbnail(const ThumbnailKey& key, DecodeGate& gate);
