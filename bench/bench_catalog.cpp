// Catalog thumbnails on a folder of 1,000 camera-style 3000 x 2000 JPEGs
// (made by scripts/bench.sh), the first screen being 40 of them:
//   floor: the whole decoder on each of the 40 files, then drawn at thumbnail
//          size, one after the other, as a list that draws on request would;
//   (a) thumbnails of the 40 by the cache (camera thumbnails from the EXIF block):
//       from the request to the last one ready, against floor / 10;
//   (b) the same 40 again (scrolling back): against floor / 30;
//   (c) the longest the asking thread went without answering a message while
//       the thumbnails were made, with and without embedded thumbnails: <= 50 ms;
//   (d) the 40 without embedded thumbnails (each JPEG decoded at an eighth): floor / 10;
//   (e) 40 pictures of 3000 x 2000 of each format with a decoder of its own
//       (WebP, HEIC, HEIC carrying a 320-pixel thumbnail as a phone's do, AVIF,
//       JPEG XL): the time to the last one and the longest
//       unanswered gap (<= 50 ms), the decodes being done off the asking thread.
// The asking thread does what the Catalog's paint does: for each visible item
// it asks the cache and draws what is ready, again when thumbnails arrive.
//
//   bench_catalog.exe [folder]   (default: bench-catalog beside the program)
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "catalog/ThumbnailCache.h"
#include "catalog/ThumbnailRules.h"
#include "imaging/GdiplusApi.h"

namespace {

constexpr int kVisible = 40;
constexpr UINT kReady = WM_APP + 1, kBeat = WM_APP + 2;

struct Screen {
    ThumbnailCache* cache = nullptr;
    std::vector<ThumbnailKey> keys;
    HDC target = nullptr;
    double lastBeat = 0, longestGap = 0;
    int drawn = 0;
    // What a paint of the list does: ask for each visible item, draw the ready ones.
    void Paint() {
        drawn = 0;
        for (const ThumbnailKey& key : keys) {
            const auto thumbnail = cache->Get(key, true);
            if (!thumbnail) continue;
            ++drawn;
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), thumbnail->w, -thumbnail->h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
            SetDIBitsToDevice(target, 0, 0, DWORD(thumbnail->w), DWORD(thumbnail->h), 0, 0, 0, UINT(thumbnail->h),
                              thumbnail->pixels.data(), &info, DIB_RGB_COLORS);
        }
    }
} g_screen;

LRESULT CALLBACK Window(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kBeat) {
        const double now = bench::Now();
        if (g_screen.lastBeat > 0) g_screen.longestGap = std::max(g_screen.longestGap, now - g_screen.lastBeat);
        g_screen.lastBeat = now;
        return 0;
    }
    if (message == kReady) {
        g_screen.cache->Taken();
        g_screen.Paint();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::vector<ThumbnailKey> KeysIn(const std::wstring& folder, int count, const wchar_t* pattern = L"*.jpg") {
    std::vector<ThumbnailKey> keys;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\" + pattern).c_str(), &found);
    for (bool more = search != INVALID_HANDLE_VALUE; more && int(keys.size()) < count; more = FindNextFileW(search, &found))
        keys.push_back(ThumbnailKey{folder + L"\\" + found.cFileName, found.nFileSizeLow,
                                    (uint64_t(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime,
                                    100, true});
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return keys;
}

// Asks for the screen's thumbnails and answers messages until all are drawn.
double MakeScreen(HWND window, ThumbnailCache& cache, const std::vector<ThumbnailKey>& keys, double& gap) {
    g_screen.cache = &cache;
    g_screen.keys = keys;
    g_screen.longestGap = 0;
    g_screen.lastBeat = 0;
    cache.Notify(window, kReady);
    const double start = bench::Now();
    g_screen.Paint();
    MSG msg;
    while (g_screen.drawn < int(keys.size()) && bench::Now() - start < 120000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    gap = g_screen.longestGap;
    return bench::Now() - start;
}

}  // namespace

int main(int argc, char** argv) {
    // The pictures lie beside the program, in bench-catalog.
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring root = std::wstring(self).substr(0, std::wstring(self).rfind(L'\\')) + L"\\bench-catalog";
    if (argc > 1) root = std::wstring(argv[1], argv[1] + strlen(argv[1]));
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    const std::vector<ThumbnailKey> withThumbs = KeysIn(root + L"\\thumbs", kVisible);
    const std::vector<ThumbnailKey> plain = KeysIn(root + L"\\plain", kVisible);
    if (int(withThumbs.size()) < kVisible || int(plain.size()) < kVisible) {
        std::printf("no pictures under %ls (scripts/bench.sh makes them)\n", root.c_str());
        return 1;
    }

    // The floor: the whole decoder on each visible file, drawn at thumbnail size.
    HDC screenDc = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDc);
    HBITMAP bitmap = CreateCompatibleBitmap(screenDc, 100, 100);
    SelectObject(memory, bitmap);
    double start = bench::Now();
    for (const ThumbnailKey& key : withThumbs) {
        Gdiplus::GpImage* image = nullptr;
        if (gp::GdipLoadImageFromFile(key.path.c_str(), &image) != Gdiplus::Ok) continue;
        UINT w = 0, h = 0;
        gp::GdipGetImageWidth(image, &w);
        gp::GdipGetImageHeight(image, &h);
        const ThumbPlace place = FitThumbnail(w, h, 100);
        Gdiplus::GpGraphics* graphics = nullptr;
        gp::GdipCreateFromHDC(memory, &graphics);
        gp::GdipDrawImageRectI(graphics, image, place.x, place.y, place.w, place.h);
        gp::GdipDeleteGraphics(graphics);
        gp::GdipDisposeImage(image);
    }
    const double floor = bench::Now() - start;

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Window;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OxbrillBenchCatalog";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"OxbrillBenchCatalog", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
    g_screen.target = memory;
    std::atomic<bool> beating{true};
    std::thread heart([&] {
        while (beating) PostMessageW(window, kBeat, 0, 0), Sleep(5);
    });

    double gapFirst = 0, gapBack = 0, gapPlain = 0;
    ThumbnailCache cache(MakeThumbnail, 256ull << 20, 2);
    const double first = MakeScreen(window, cache, withThumbs, gapFirst);
    const double back = MakeScreen(window, cache, withThumbs, gapBack);
    ThumbnailCache plainCache(MakeThumbnail, 256ull << 20, 2);
    const double plainTime = MakeScreen(window, plainCache, plain, gapPlain);
    struct FormatScreen {
        const wchar_t* name;
        double time = 0, gap = 0;
        bool made = false;
    } formats[] = {{L"webp"}, {L"heic"}, {L"heic-thumbnail"}, {L"avif"}, {L"jxl"}};
    for (FormatScreen& format : formats) {
        const std::vector<ThumbnailKey> keys = KeysIn(root + L"\\" + format.name, kVisible, L"*.*");
        if (int(keys.size()) < kVisible) continue;
        ThumbnailCache formatCache(MakeThumbnail, 256ull << 20, 2);
        format.time = MakeScreen(window, formatCache, keys, format.gap);
        format.made = g_screen.drawn == kVisible;
        formatCache.Notify(nullptr, 0);
    }
    beating = false;
    heart.join();
    cache.Notify(nullptr, 0);
    plainCache.Notify(nullptr, 0);

    std::printf("a first screen of %d camera JPEGs (3000 x 2000), 2 workers:\n", kVisible);
    std::printf("  floor: full decode and draw of each, in turn   %8.1f ms\n", floor);
    std::printf("  (a) thumbnails made by the cache                %8.1f ms   ratio %.3f (goal <= 0.100)\n", first,
                first / floor);
    std::printf("  (b) the same screen again                       %8.3f ms   ratio %.5f (goal <= 0.033)\n", back,
                back / floor);
    std::printf("  (c) longest unanswered gap: first %.1f ms, again %.1f ms   (goal <= 50 ms)\n", gapFirst, gapBack);
    std::printf("  (d) without embedded thumbnails                 %8.1f ms   ratio %.3f (goal <= 0.100), longest gap "
                "%.1f ms (goal <= 50 ms)\n", plainTime, plainTime / floor, gapPlain);
    bool ok = first <= floor / 10 && back <= floor / 30 && plainTime <= floor / 10 && gapFirst <= 50 &&
              gapBack <= 50 && gapPlain <= 50;
    for (const FormatScreen& format : formats) {
        std::printf("  (e) %-14ls: %s %8.1f ms, longest gap %.1f ms (goal <= 50 ms)\n", format.name,
                    format.made ? "40 thumbnails made in" : "NOT ALL MADE, after", format.time, format.gap);
        ok = ok && format.made && format.gap <= 50;
    }
    std::printf("%s\n", ok ? "all goals met" : "GOALS MISSED");
    DestroyWindow(window);
    return ok ? 0 : 1;
}
