#include "window/WallpaperWorker.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "fileops/FileTransfer.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureHolder.h"
#include "window/BlackboxRequest.h"

struct WallpaperWorker::Shared {
    std::mutex lock;
    std::condition_variable wake;
    std::optional<WallpaperRequest> pending;
    bool busy = false;
    bool stop = false;
    bool started = false;
};

namespace {

using Shared = WallpaperWorker::Shared;

bool WriteWallpaper(const WallpaperRequest& request) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(request.width, request.height, request.width * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(const_cast<uint32_t*>(request.pixels.data())),
                                      &bitmap) != Gdiplus::Ok)
        return false;
    GpImagePtr owned(bitmap);
    const Transfer written = WriteFileSafely(request.file.c_str(), true, [&](const wchar_t* temporary) {
        return SaveImageScaled(bitmap, temporary, 1, request.outWidth, request.outHeight) == Gdiplus::Ok;
    });
    return written == Transfer::Done;
}

void Carry(const WallpaperRequest& request) {
    if (!request.file.empty() && !request.pixels.empty()) {
        const bool written = WriteWallpaper(request);
        if (request.notify) PostMessageW(request.notify, request.message, written ? 1 : 0, 0);
        if (!written) return;   // the wallpaper stays as it was
    }
    if (request.setSystem) SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(request.file.c_str()), 0);
    for (size_t i = 0; i < request.commands.size() && request.blackbox; ++i) {
        if (i > 0 && request.pauseMs) Sleep(request.pauseMs);
        SendBlackboxRequest(request.blackbox, request.sender, request.commands[i].c_str());
    }
}

void Work(std::shared_ptr<Shared> shared) {
    std::unique_lock<std::mutex> hold(shared->lock);
    for (;;) {
        shared->wake.wait(hold, [&] { return shared->stop || shared->pending; });
        if (shared->stop) break;
        WallpaperRequest request = std::move(*shared->pending);
        shared->pending.reset();
        shared->busy = true;
        hold.unlock();
        Carry(request);
        hold.lock();
        shared->busy = false;
        shared->wake.notify_all();
    }
    shared->busy = false;
    shared->wake.notify_all();
}

}  // namespace

WallpaperWorker::~WallpaperWorker() { Finish(1000); }

void WallpaperWorker::Post(WallpaperRequest request) {
    if (!shared_) shared_ = std::make_shared<Shared>();
    std::lock_guard<std::mutex> hold(shared_->lock);
    if (shared_->stop) return;
    shared_->pending = std::move(request);   // one still waiting is dropped
    if (!shared_->started) {
        try {
            std::thread(Work, shared_).detach();
            shared_->started = true;
        } catch (const std::exception&) {
            shared_->pending.reset();
            return;
        }
    }
    shared_->wake.notify_all();
}

bool WallpaperWorker::Finish(DWORD ms) {
    if (!shared_) return true;
    std::unique_lock<std::mutex> hold(shared_->lock);
    shared_->stop = true;
    shared_->pending.reset();
    shared_->wake.notify_all();
    // A worker that does not end in time finishes alone: it owns what it uses.
    const bool ended = shared_->wake.wait_for(hold, std::chrono::milliseconds(ms), [&] { return !shared_->busy; });
    hold.unlock();
    shared_.reset();
    return ended;
}

void SendBlackboxRequest(HWND shell, HWND sender, const char* command) {
    std::vector<char> payload = BlackboxPayload(command);
    COPYDATASTRUCT data{};
    data.dwData = kBlackboxCopyDataId;
    data.cbData = DWORD(payload.size());
    data.lpData = payload.data();
    // A shell that does not answer holds the sender up for two seconds at most.
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(shell, WM_COPYDATA, WPARAM(sender), LPARAM(&data), SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000,
                        &answer);
}

bool CopyPixels(void* gdiplusImage, int width, int height, std::vector<uint32_t>& pixels) {
    auto* image = static_cast<Gdiplus::GpImage*>(gdiplusImage);
    if (!image || width <= 0 || height <= 0) return false;
    try {
        pixels.assign(size_t(width) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    gp::GdipGetImageType(image, &type);
    if (type == Gdiplus::ImageTypeBitmap) {
        // Read straight into the copy.
        Gdiplus::BitmapData data{};
        data.Width = UINT(width);
        data.Height = UINT(height);
        data.Stride = width * 4;
        data.PixelFormat = PixelFormat32bppARGB;
        data.Scan0 = pixels.data();
        const Gdiplus::Rect all(0, 0, width, height);
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
        if (gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                   PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
            gp::GdipBitmapUnlockBits(bitmap, &data);
            return true;
        }
    }
    // A metafile (or a bitmap that would not lock) is drawn into the copy.
    Gdiplus::GpBitmap* target = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &target) != Gdiplus::Ok)
        return false;
    GpImagePtr owned(target);
    Gdiplus::GpGraphics* raw = nullptr;
    if (gp::GdipGetImageGraphicsContext(target, &raw) != Gdiplus::Ok) return false;
    GpGraphicsPtr graphics(raw);
    return gp::GdipDrawImageRectI(raw, image, 0, 0, width, height) == Gdiplus::Ok;
}
