// Thumbnails made off the interface thread and kept in memory.
//
// The Catalog asks for the thumbnail of an exhibit entry each time it paints
// the item; a thumbnail not made yet is queued (the visible ones first, the
// newest asks first) and the window is told when it is ready. Workers decode
// with a decoder of their own: for a JPEG whose camera embedded a thumbnail at
// least as large as the box, that one; else the whole picture. Thumbnails are
// kept within a memory budget, keyed by path, file size, write time, box size
// and orientation rule, so a changed file gets a new one.
//
// No windows here but the one told by a posted message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    bool operator==(const ThumbnailKey&) const = default;
};

class ThumbnailCache {
public:
    // Makes the thumbnail of a key; runs on a worker.
    using Maker = std::function<Thumbnail(const ThumbnailKey&)>;
    ThumbnailCache(Maker make, uint64_t budgetBytes, int workers);
    ~ThumbnailCache();
    ThumbnailCache(const ThumbnailCache&) = delete;
    ThumbnailCache& operator=(const ThumbnailCache&) = delete;

    // Where to post `message` when thumbnails are ready (once until Taken() is called).
    void Notify(HWND window, UINT message);
    void Taken();
    // The thumbnail if made; else null, and it is asked for (in front when urgent).
    std::shared_ptr<const Thumbnail> Get(const ThumbnailKey& key, bool urgent);
    // Forgets every request not made yet (the list shows other items now).
    void DropRequests();
    uint64_t HeldBytes() const;
    size_t HeldCount() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// The thumbnail maker of the Catalog: a shortcut's target read, GDI+, the
// embedded EXIF thumbnail of a JPEG when large enough, EXIF orientation,
// high-quality reduction, and the file's last-access time put back afterwards.
Thumbnail MakeThumbnail(const ThumbnailKey& key);
