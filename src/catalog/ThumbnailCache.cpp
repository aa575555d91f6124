#include "catalog/ThumbnailCache.h"

#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>

#include "catalog/ThumbnailRules.h"
#include "exhibit/ShellLink.h"
#include "imaging/ExifOrientation.h"
#include "imaging/FitRules.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureHolder.h"
#include "platform/Handles.h"

namespace {

struct KeyHash {
    size_t operator()(const ThumbnailKey& k) const {
        return std::hash<std::wstring>{}(k.path) ^ (k.size * 1315423911u) ^ (k.written * 2654435761u) ^
               size_t(k.box) ^ (k.exiforient ? 0x9e37 : 0);
    }
};

}  // namespace

struct ThumbnailCache::Shared {
    Maker make;
    uint64_t budget = 0;
    std::mutex lock;
    std::condition_variable wake;
    bool stopping = false;
    std::deque<ThumbnailKey> queue;   // front: the most urgent
    std::vector<ThumbnailKey> working;
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
    std::vector<std::thread> workers;

    static uint64_t Bytes(const Thumbnail& t) { return t.pixels.size() * 4 + sizeof(Thumbnail) + 64; }

    void Work() {
        for (;;) {
            ThumbnailKey key;
            {
                std::unique_lock<std::mutex> hold(lock);
                wake.wait(hold, [&] { return stopping || !queue.empty(); });
                if (stopping) return;
                key = std::move(queue.front());
                queue.pop_front();
                working.push_back(key);
            }
            auto made = std::make_shared<const Thumbnail>(make(key));
            std::lock_guard<std::mutex> hold(lock);
            std::erase(working, key);
            if (stopping) return;
            if (!held.count(key)) {
                order.push_front(key);
                held[key] = Held{made, order.begin()};
                bytes += Bytes(*made);
                while (bytes > budget && order.size() > 1) {   // the least recently used go first
                    auto last = held.find(order.back());
                    bytes -= Bytes(*last->second.thumbnail);
                    held.erase(last);
                    order.pop_back();
                }
            }
            if (window && !told) {
                told = true;
                PostMessageW(window, message, 0, 0);
            }
        }
    }
};

ThumbnailCache::ThumbnailCache(Maker make, uint64_t budgetBytes, int workers) : shared_(std::make_shared<Shared>()) {
    shared_->make = std::move(make);
    shared_->budget = budgetBytes;
    for (int i = 0; i < workers; ++i) shared_->workers.emplace_back([s = shared_] { s->Work(); });
}

ThumbnailCache::~ThumbnailCache() {
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->stopping = true;
        shared_->queue.clear();
    }
    shared_->wake.notify_all();
    for (std::thread& worker : shared_->workers) worker.join();
}

void ThumbnailCache::Notify(HWND window, UINT message) {
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->window = window;
    shared_->message = message;
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
    auto& queue = shared_->queue;
    for (const ThumbnailKey& busy : shared_->working)
        if (busy == key) return nullptr;
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

// The file's bytes, or its head only when `head` is not 0.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path, size_t head) {
    std::vector<uint8_t> bytes;
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > (1ll << 31)) return bytes;
    bytes.resize(head ? std::min<size_t>(head, size_t(size.QuadPart)) : size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
    return bytes;
}

GpImagePtr DecodeBytes(const uint8_t* data, size_t size) {
    GpImagePtr image;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return image;
    if (void* to = GlobalLock(memory)) {
        memcpy(to, data, size);
        GlobalUnlock(memory);
    }
    ComPtr<IStream> stream;   // the stream takes the memory over
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, stream.Receive()))) {
        GlobalFree(memory);
        return image;
    }
    Gdiplus::GpImage* raw = nullptr;
    if (gp::GdipLoadImageFromStream(stream.Get(), &raw) == Gdiplus::Ok) image.reset(raw);
    return image;
}

bool IsJpegName(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    const std::wstring ext = path.substr(dot);
    return _wcsicmp(ext.c_str(), L".jpg") == 0 || _wcsicmp(ext.c_str(), L".jpeg") == 0 ||
           _wcsicmp(ext.c_str(), L".jpe") == 0;
}

}  // namespace

Thumbnail MakeThumbnail(const ThumbnailKey& entry) {
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
    GpImagePtr image;
    int orientation = 0;
    std::vector<uint8_t> bytes;
    if (IsJpegName(key.path)) {
        bytes = ReadFileBytes(key.path, 256 * 1024);
        EmbeddedThumbnail embedded;
        if (ExifThumbnailFromJpeg(bytes.data(), bytes.size(), &embedded) &&
            std::max(embedded.width, embedded.height) >= uint32_t(key.box))
            image = DecodeBytes(embedded.data, embedded.size);
        if (key.exiforient) orientation = ExifOrientationFromJpeg(bytes.data(), bytes.size());
    }
    if (!image) {
        bytes = ReadFileBytes(key.path, 0);
        if (!bytes.empty()) image = DecodeBytes(bytes.data(), bytes.size());
    }
    if (image) {
        // The embedded thumbnail is stored as the picture is: both are turned alike.
        if (orientation >= 2 && orientation <= 8) RotateFlipImage(image.get(), RotateFlipForOrientation(orientation));
        UINT w = 0, h = 0;
        gp::GdipGetImageWidth(image.get(), &w);
        gp::GdipGetImageHeight(image.get(), &h);
        const ThumbPlace place = FitThumbnail(w, h, key.box);
        Gdiplus::GpBitmap* canvas = nullptr;
        if (place.w > 0 && place.h > 0 &&
            gp::GdipCreateBitmapFromScan0(place.w, place.h, 0, PixelFormat32bppARGB, nullptr, &canvas) == Gdiplus::Ok) {
            GpImagePtr owned(canvas);
            Gdiplus::GpGraphics* graphics = nullptr;
            if (gp::GdipGetImageGraphicsContext(canvas, &graphics) == Gdiplus::Ok) {
                GpGraphicsPtr g(graphics);
                gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
                gp::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
                gp::GdipDrawImageRectI(graphics, image.get(), 0, 0, place.w, place.h);
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
