#include "catalog/ThumbnailCache.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "catalog/ThumbnailRules.h"
#include "exhibit/ShellLink.h"
#include "imaging/ExifOrientation.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureDecode.h"
#include "imaging/PictureHolder.h"
#include "platform/Handles.h"

namespace {

struct KeyHash {
    size_t operator()(const ThumbnailKey& k) const {
        return std::hash<std::wstring>{}(k.path) ^ (k.size * 1315423911u) ^ (k.written * 2654435761u) ^
               size_t(k.box) ^ (k.exiforient ? 0x9e37 : 0) ^ (size_t(k.background) << 7) ^
               std::hash<const ColourTarget*>{}(k.colour.get());
    }
};

}  // namespace

struct ThumbnailCache::Shared {
    Maker make;
    uint64_t budget = 0;
    DWORD deadline = 0;
    int wanted = 0;                   // workers that take requests
    std::mutex lock;
    std::condition_variable wake;     // a request arrived, or the cache stops
    std::condition_variable changed;  // work began or ended, the gate opened, a thread ended
    bool stopping = false;
    std::deque<ThumbnailKey> queue;   // front: the most urgent
    struct Job {
        uint64_t worker = 0;
        ThumbnailKey key;
        DWORD startedAt = 0;
        bool timed = true;            // false while it waits at the gate
    };
    std::vector<Job> working;
    uint64_t nextWorker = 1;
    int live = 0;                     // workers taking requests
    int threads = 0;                  // threads not ended yet, the watchdog's among them
    std::unordered_set<uint64_t> givenUp;   // workers given up on, still in a maker
    uint64_t gateHolder = 0;          // the worker decoding a large picture
    std::unordered_set<ThumbnailKey, KeyHash> timedOut;   // answered with an empty frame for the run
    // Made thumbnails, the most recently used at the front of `order`.
    std::list<ThumbnailKey> order;
    struct Held {
        std::shared_ptr<const Thumbnail> thumbnail;
        std::list<ThumbnailKey>::iterator at;
    };
    std::unordered_map<ThumbnailKey, Held, KeyHash> held;
    uint64_t bytes = 0;
    HWND window = nullptr;
    UINT message = 0;
    bool told = false;

    static uint64_t Bytes(const Thumbnail& t) { return t.pixels.size() * 4 + sizeof(Thumbnail) + 64; }

    void Tell() {
        // A full queue takes no message: the next thumbnail tries again.
        if (window && !told) told = PostMessageW(window, message, 0, 0) != FALSE;
    }

    void Keep(const ThumbnailKey& key, std::shared_ptr<const Thumbnail> made) {
        if (held.count(key)) return;
        order.push_front(key);
        held[key] = Held{std::move(made), order.begin()};
        bytes += Bytes(*held[key].thumbnail);
        while (bytes > budget && order.size() > 1) {   // the least recently used go first
            auto last = held.find(order.back());
            bytes -= Bytes(*last->second.thumbnail);
            held.erase(last);
            order.pop_back();
        }
    }

    Job* JobOf(uint64_t worker) {
        for (Job& job : working)
            if (job.worker == worker) return &job;
        return nullptr;
    }
};

namespace {

using Shared = ThumbnailCache::Shared;

// Starts a worker; called with the lock held.
void StartWorker(const std::shared_ptr<Shared>& s);

// The gate a worker lends its maker: one large decode at a time among the
// cache's workers. Waiting at it does not count against the deadline.
class WorkerGate final : public DecodeGate {
public:
    WorkerGate(Shared& s, uint64_t me) : s_(s), me_(me) {}
    bool Enter() override {
        std::unique_lock<std::mutex> hold(s_.lock);
        if (Shared::Job* job = s_.JobOf(me_)) job->timed = false;
        s_.changed.wait(hold, [&] { return s_.stopping || s_.givenUp.count(me_) || s_.gateHolder == 0; });
        if (s_.stopping || s_.givenUp.count(me_)) return false;
        s_.gateHolder = me_;
        if (Shared::Job* job = s_.JobOf(me_)) job->timed = true, job->startedAt = GetTickCount();
        s_.changed.notify_all();
        return true;
    }
    void Leave() override {
        std::lock_guard<std::mutex> hold(s_.lock);
        if (s_.gateHolder != me_) return;   // taken from it when it was given up
        s_.gateHolder = 0;
        s_.changed.notify_all();
    }

private:
    Shared& s_;
    uint64_t me_;
};

void Work(std::shared_ptr<Shared> s, uint64_t me) {
    std::unique_lock<std::mutex> hold(s->lock);
    bool live = true;
    for (;;) {
        s->wake.wait(hold, [&] { return s->stopping || !s->queue.empty(); });
        if (s->stopping) break;
        ThumbnailKey key = std::move(s->queue.front());
        s->queue.pop_front();
        s->working.push_back({me, key, GetTickCount(), true});
        s->changed.notify_all();   // the watchdog times it
        hold.unlock();
        std::shared_ptr<const Thumbnail> made;
        {
            WorkerGate gate(*s, me);
            try {
                made = std::make_shared<const Thumbnail>(s->make(key, gate));
            } catch (const std::bad_alloc&) {
                made = std::make_shared<const Thumbnail>();   // no memory for it: an empty frame
            }
        }
        hold.lock();
        if (s->givenUp.erase(me)) {
            // Its request was answered with an empty frame long ago. It goes
            // back to work only in place of a worker that was not replaced.
            if (s->stopping || s->live >= s->wanted) {
                live = false;
                break;
            }
            ++s->live;
            continue;
        }
        std::erase_if(s->working, [&](const Shared::Job& job) { return job.worker == me; });
        s->changed.notify_all();
        if (s->stopping) break;
        s->Keep(key, std::move(made));
        s->Tell();
    }
    if (live) --s->live;
    --s->threads;
    s->changed.notify_all();
}

// Gives up the decodes past the deadline: their requests get an empty frame,
// their workers are left to end on their own, and fresh ones carry on.
void Watch(std::shared_ptr<Shared> s) {
    std::unique_lock<std::mutex> hold(s->lock);
    while (!s->stopping) {
        const DWORD now = GetTickCount();
        DWORD next = INFINITE;
        for (auto job = s->working.begin(); job != s->working.end();) {
            const DWORD spent = now - job->startedAt;
            if (!job->timed || spent < s->deadline) {
                if (job->timed) next = std::min<DWORD>(next, s->deadline - spent);
                ++job;
                continue;
            }
            s->givenUp.insert(job->worker);
            --s->live;
            if (s->gateHolder == job->worker) s->gateHolder = 0;
            s->timedOut.insert(job->key);
            job = s->working.erase(job);
            if (int(s->givenUp.size()) <= ThumbnailCache::kMaxGivenUp) StartWorker(s);
            s->changed.notify_all();
            s->Tell();
        }
        if (next == INFINITE) s->changed.wait(hold);
        else s->changed.wait_for(hold, std::chrono::milliseconds(next + 1));
    }
    --s->threads;
    s->changed.notify_all();
}

void StartWorker(const std::shared_ptr<Shared>& s) {
    ++s->live;
    ++s->threads;
    std::thread(Work, s, s->nextWorker++).detach();
}

}  // namespace

ThumbnailCache::ThumbnailCache(Maker make, uint64_t budgetBytes, int workers, DWORD deadlineMs)
    : shared_(std::make_shared<Shared>()) {
    shared_->make = std::move(make);
    shared_->budget = budgetBytes;
    shared_->deadline = deadlineMs;
    shared_->wanted = std::max(workers, 1);
    std::lock_guard<std::mutex> hold(shared_->lock);
    for (int i = 0; i < shared_->wanted; ++i) StartWorker(shared_);
    ++shared_->threads;
    std::thread(Watch, shared_).detach();
}

bool ThumbnailCache::Stop(DWORD waitMs) {
    std::unique_lock<std::mutex> hold(shared_->lock);
    if (shared_->stopping) return shared_->threads == 0;   // waited once already
    shared_->stopping = true;
    shared_->queue.clear();
    shared_->window = nullptr;
    shared_->wake.notify_all();
    shared_->changed.notify_all();
    // Idle workers end at once; one inside a decoder gets a moment, then is
    // left to end on its own: exit never waits on a decode for long.
    return shared_->changed.wait_for(hold, std::chrono::milliseconds(waitMs), [&] { return shared_->threads == 0; });
}

int ThumbnailCache::GivenUp() const {
    std::lock_guard<std::mutex> hold(shared_->lock);
    return int(shared_->givenUp.size());
}

void ThumbnailCache::Notify(HWND window, UINT message) {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->window = window;
    shared_->message = message;
    shared_->told = false;
}

void ThumbnailCache::Taken() {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->told = false;
}

std::shared_ptr<const Thumbnail> ThumbnailCache::Get(const ThumbnailKey& key, bool urgent) {
    std::unique_lock<std::mutex> hold(shared_->lock);
    if (auto found = shared_->held.find(key); found != shared_->held.end()) {
        shared_->order.splice(shared_->order.begin(), shared_->order, found->second.at);
        return found->second.thumbnail;
    }
    if (shared_->timedOut.count(key)) {
        static const auto empty = std::make_shared<const Thumbnail>();
        return empty;
    }
    if (shared_->stopping) return nullptr;
    auto& queue = shared_->queue;
    for (const Shared::Job& busy : shared_->working)
        if (busy.key == key) return nullptr;
    if (auto queued = std::find(queue.begin(), queue.end(), key); queued != queue.end()) {
        if (!urgent) return nullptr;
        queue.erase(queued);
    }
    if (urgent) queue.push_front(key);
    else queue.push_back(key);
    constexpr size_t kMaxQueued = 2048;   // a long scroll forgets what it passed by
    if (queue.size() > kMaxQueued) queue.pop_back();
    hold.unlock();
    shared_->wake.notify_one();
    return nullptr;
}

void ThumbnailCache::DropRequests() {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->queue.clear();
}

uint64_t ThumbnailCache::HeldBytes() const {
    std::lock_guard<std::mutex> hold(shared_->lock);
    return shared_->bytes;
}

size_t ThumbnailCache::HeldCount() const {
    std::lock_guard<std::mutex> hold(shared_->lock);
    return shared_->held.size();
}

namespace {

// The first `head` bytes of the file (fewer when it is shorter).
std::vector<uint8_t> ReadHead(const std::wstring& path, size_t head) {
    std::vector<uint8_t> bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0) return bytes;
    bytes.resize(size_t(std::min<int64_t>(int64_t(head), size.QuadPart)));
    // Only a JPEG carries a camera's thumbnail: any other file is read no further than its signature.
    DWORD got = 0, more = 0;
    const DWORD first = DWORD(std::min<size_t>(bytes.size(), 3));
    if (!ReadFile(file.Get(), bytes.data(), first, &got, nullptr)) got = 0;
    const bool jpeg = got == 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
    if (jpeg && ReadFile(file.Get(), bytes.data() + got, DWORD(bytes.size() - got), &more, nullptr)) got += more;
    bytes.resize(got);
    return bytes;
}

}  // namespace

Thumbnail MakeThumbnail(const ThumbnailKey& entry, DecodeGate& gate) {
    Thumbnail thumbnail;
    if (entry.box <= 0) return thumbnail;
    ThumbnailKey key = entry;
    if (IsShortcut(entry.path.c_str())) {
        wchar_t target[ShellLink::kLinkPathSize];
        if (!ShellLink().Read(entry.path.c_str(), target, false)) return thumbnail;   // a broken shortcut: an empty frame
        key.path = target;
    }
    // Browsing thumbnails leaves the files' last-access times as they were.
    FILETIME created{}, accessed{}, written{};
    {
        UniqueHandle probe(CreateFileW(key.path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       0, nullptr));
        if (!probe || !GetFileTime(probe.Get(), &created, &accessed, &written)) return thumbnail;
    }
    // The camera's thumbnail is judged like any picture, against a limit of
    // its own, before a decoder sees it; refused, the picture itself is used.
    // A JPEG is known by its bytes, not its name.
    DecodedPicture picture;
    int orientation = 0;
    const std::vector<uint8_t> head = ReadHead(key.path, 256 * 1024);
    EmbeddedThumbnail embedded;
    uint32_t pw = 0, ph = 0;
    if (ExifThumbnailFromJpeg(head.data(), head.size(), &embedded) && JpegFrameSize(head.data(), head.size(), &pw, &ph) &&
        EmbeddedThumbnailServes(embedded.width, embedded.height, pw, ph, key.box)) {
        DecodeLimits limits{kEmbeddedThumbnailPixelLimit};
        limits.colour = key.colour;
        picture = DecodePictureBytes(embedded.data, embedded.size, limits);
        if (key.exiforient) orientation = ExifOrientationFromJpeg(head.data(), head.size());
    }
    if (picture.outcome != DecodeOutcome::Decoded) {
        DecodeLimits limits{std::min(kThumbnailPixelLimit, PicturePixelLimit()), kLargeThumbnailPixels, &gate};
        // Decoded no larger than its thumbnail needs: a camera's JPEG comes out at an eighth of its size.
        limits.target.valid = true;
        limits.target.area = {key.box, key.box};
        limits.target.squeeze = true;
        limits.colour = key.colour;
        picture = DecodePictureFile(key.path.c_str(), limits);
        if (key.exiforient && picture.orientation >= 2) orientation = picture.orientation;
    }
    Gdiplus::GpImage* image = picture.outcome == DecodeOutcome::Decoded ? picture.image.get() : nullptr;
    if (image) {
        // The embedded thumbnail is stored as the picture is: both are turned alike.
        if (orientation >= 2 && orientation <= 8) RotateFlipImage(image, RotateFlipForOrientation(orientation));
        UINT w = 0, h = 0;
        gp::GdipGetImageWidth(image, &w);
        gp::GdipGetImageHeight(image, &h);
        const ThumbPlace place = FitThumbnail(w, h, key.box);
        Gdiplus::GpBitmap* canvas = nullptr;
        if (place.w > 0 && place.h > 0 &&
            gp::GdipCreateBitmapFromScan0(place.w, place.h, 0, PixelFormat32bppARGB, nullptr, &canvas) == Gdiplus::Ok) {
            GpImagePtr owned(canvas);
            Gdiplus::GpGraphics* graphics = nullptr;
            if (gp::GdipGetImageGraphicsContext(canvas, &graphics) == Gdiplus::Ok) {
                GpGraphicsPtr g(graphics);
                // The thumbnail is drawn opaque: what a picture leaves transparent shows the background.
                const COLORREF c = key.background;
                gp::GdipGraphicsClear(graphics, 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
                gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
                gp::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
                gp::GdipDrawImageRectI(graphics, image, 0, 0, place.w, place.h);
            }
            Gdiplus::Rect all(0, 0, place.w, place.h);
            Gdiplus::BitmapData data{};
            if (gp::GdipBitmapLockBits(canvas, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) ==
                Gdiplus::Ok) {
                thumbnail.pixels.resize(size_t(place.w) * place.h);
                for (int row = 0; row < place.h; ++row)
                    memcpy(&thumbnail.pixels[size_t(row) * place.w],
                           static_cast<const uint8_t*>(data.Scan0) + ptrdiff_t(row) * data.Stride, size_t(place.w) * 4);
                gp::GdipBitmapUnlockBits(canvas, &data);
                thumbnail.x = place.x, thumbnail.y = place.y, thumbnail.w = place.w, thumbnail.h = place.h;
            }
        }
    }
    UniqueHandle restore(CreateFileW(key.path.c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                     nullptr));
    if (restore) SetFileTime(restore.Get(), nullptr, &accessed, nullptr);
    return thumbnail;
}
