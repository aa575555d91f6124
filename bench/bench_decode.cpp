// From a change of the current index to the frame on the window: ShowPicture
// loads, orients and fits the window to a large JPEG, and the paint composes
// the frame and copies it to the window; against the bare floor of one GDI+
// load plus one scaled draw of the same size into a memory bitmap. Prints
// medians and ratios for interpolation modes 0 and 7: once with no time to
// decode ahead (rapid Next), once as a slideshow step after a pause in which
// the next picture was decoded ahead. Then one scroll step at 1600% against
// one scaled draw of a window-sized piece of the picture plus one BitBlt, and
// a zoom to 100% after a scaled decode against a full decode of the file plus
// one draw of the window's piece of it.
//
//   bench_decode [picture.jpg] [rounds] [goal]
// Without a path it uses bench_decode.jpg beside the executable; make one with
//   convert -size 1500x1000 plasma:fractal -resize 6000x4000! -quality 90 bench_decode.jpg
// With a goal only the cold index change is measured, against that goal; for
// a WebP, HEIC, AVIF or JPEG XL picture its floor is then the library's own
// full decode of the file to 8-bit RGBA (16-bit RGB for a deeper HEIC or
// AVIF, as the viewer asks for them), with nothing drawn.
#include <windows.h>
#include <shellapi.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jxl/decode.h>
#include <jxl/thread_parallel_runner.h>
#include <libheif/heif.h>
#include <webp/decode.h>

#include "BenchSupport.h"
#include "app/AppState.h"
#include "imaging/GdiplusApi.h"
#include "imaging/PictureHeader.h"

namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

// A memory surface compatible with the screen, as the frame buffer is.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Surface(int w, int h) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, w, h);
        previous = SelectObject(dc, bitmap);
        ReleaseDC(nullptr, screen);
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

// The floor: decode and one scaled draw, nothing else.
bool FloorOnce(const wchar_t* path, int mode, int w, int h) {
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path, &image) != Gdiplus::Ok) return false;
    Surface surface(w, h);
    Gdiplus::GpGraphics* graphics = nullptr;
    gp::GdipCreateFromHDC(surface.dc, &graphics);
    gp::GdipSetInterpolationMode(graphics, static_cast<Gdiplus::InterpolationMode>(mode));
    const bool ok = gp::GdipDrawImageRectI(graphics, image, 0, 0, w, h) == Gdiplus::Ok;
    gp::GdipDeleteGraphics(graphics);
    gp::GdipDisposeImage(image);
    return ok;
}

std::vector<uint8_t> FileBytes(const wchar_t* path) {
    std::vector<uint8_t> bytes;
    FILE* file = _wfopen(path, L"rb");
    if (!file) return bytes;
    fseek(file, 0, SEEK_END);
    bytes.resize(size_t(ftell(file)));
    fseek(file, 0, SEEK_SET);
    if (fread(bytes.data(), 1, bytes.size(), file) != bytes.size()) bytes.clear();
    fclose(file);
    return bytes;
}

bool WebpLibraryDecode(const std::vector<uint8_t>& bytes) {
    int w = 0, h = 0;
    uint8_t* pixels = WebPDecodeRGBA(bytes.data(), bytes.size(), &w, &h);
    WebPFree(pixels);
    return pixels != nullptr;
}

bool HeifLibraryDecode(const std::vector<uint8_t>& bytes) {
    heif_context* context = heif_context_alloc();
    heif_image_handle* handle = nullptr;
    heif_image* image = nullptr;
    bool ok = heif_context_read_from_memory_without_copy(context, bytes.data(), bytes.size(), nullptr).code ==
                  heif_error_Ok &&
              heif_context_get_primary_image_handle(context, &handle).code == heif_error_Ok &&
              heif_decode_image(handle, &image, heif_colorspace_RGB,
                                heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? heif_chroma_interleaved_RRGGBB_LE
                                                                                      : heif_chroma_interleaved_RGBA,
                                nullptr).code == heif_error_Ok;
    if (image) heif_image_release(image);
    if (handle) heif_image_handle_release(handle);
    heif_context_free(context);
    return ok;
}

// libjxl with its own thread pool of the default size.
bool JxlLibraryDecode(const std::vector<uint8_t>& bytes) {
    JxlDecoder* decoder = JxlDecoderCreate(nullptr);
    void* runner = JxlThreadParallelRunnerCreate(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    JxlDecoderSetParallelRunner(decoder, JxlThreadParallelRunner, runner);
    JxlDecoderSubscribeEvents(decoder, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE);
    JxlDecoderSetInput(decoder, bytes.data(), bytes.size());
    JxlDecoderCloseInput(decoder);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    bool ok = false;
    for (;;) {
        const JxlDecoderStatus status = JxlDecoderProcessInput(decoder);
        if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            size_t size = 0;
            JxlDecoderImageOutBufferSize(decoder, &format, &size);
            pixels.resize(size);
            JxlDecoderSetImageOutBuffer(decoder, &format, pixels.data(), size);
        } else if (status == JXL_DEC_FULL_IMAGE) {
            ok = true;
            break;
        } else if (status != JXL_DEC_BASIC_INFO) {
            break;
        }
    }
    JxlThreadParallelRunnerDestroy(runner);
    JxlDecoderDestroy(decoder);
    return ok;
}

// The decoding library's own full decode of a WebP, HEIF or JPEG XL file; null for the others.
using LibraryDecode = bool (*)(const std::vector<uint8_t>&);
LibraryDecode LibraryDecodeOf(const std::vector<uint8_t>& bytes) {
    switch (FormatOf(bytes.data(), bytes.size())) {
    case PictureFormat::Webp: return WebpLibraryDecode;
    case PictureFormat::Heif: return HeifLibraryDecode;
    case PictureFormat::Jxl: return JxlLibraryDecode;
    default: return nullptr;
    }
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && g_state) {
        g_state->OnPaint();
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A plain top-level window that paints through the viewer's own frame code.
HWND MakeViewerWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchViewer";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, L"BenchViewer", L"bench", WS_POPUP | WS_CAPTION | WS_THICKFRAME, 0, 0, 640, 480,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    return hwnd;
}

// Answers messages until the cache holds a picture decoded ahead (the pause
// of a slideshow), at most `ms`.
void Pause(AppState& state, int ms) {
    const double end = bench::Now() + ms;
    while (bench::Now() < end && !(state.pictures && state.pictures->HeldCount() > 0)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

// The floor of a scroll step: one scaled draw of a window-sized piece of the
// picture and one BitBlt to the window.
double ScrollFloor(AppState& state, int zoom) {
    RECT client{};
    GetClientRect(state.hwnd, &client);
    Surface surface(client.right, client.bottom);
    const double t = bench::Now();
    Gdiplus::GpGraphics* graphics = nullptr;
    gp::GdipCreateFromHDC(surface.dc, &graphics);
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeDefault);
    gp::GdipDrawImageRectRectI(graphics, state.picture.Image(), 0, 0, client.right, client.bottom, 1000, 1000,
                               client.right * 100 / zoom, client.bottom * 100 / zoom, Gdiplus::UnitPixel, nullptr,
                               nullptr, nullptr);
    gp::GdipDeleteGraphics(graphics);
    HDC dc = GetDC(state.hwnd);
    BitBlt(dc, 0, 0, client.right, client.bottom, surface.dc, 0, 0, SRCCOPY);
    ReleaseDC(state.hwnd, dc);
    GdiFlush();
    return bench::Now() - t;
}

// Ours: a change of currentIndex, then ShowPicture: load, orientation, window
// fitted to the picture, the frame composed and on the window.
bool OursOnce(AppState& state, int& w, int& h, int index = 0) {
    state.exhibit->MoveTo(index);
    state.lastShownIndex = 99999;
    state.ShowPicture(true);
    GdiFlush();
    w = state.picture.width;
    h = state.picture.height;
    return state.picture.IsLoaded();
}

// The index changed to the picture with nothing decoded ahead, against the
// floor; prints both and returns the floor.
double ColdIndexChange(AppState& state, const std::wstring& path, int mode, int w, int h, int rounds, double goal) {
    const std::vector<uint8_t> bytes = FileBytes(path.c_str());
    const LibraryDecode library = LibraryDecodeOf(bytes);
    // Warms the file cache.
    if (library) {
        library(bytes);
    } else {
        FloorOnce(path.c_str(), mode, w, h);
    }
    std::vector<double> ours, floor;
    for (int i = 0; i < rounds; ++i) {
        double t = bench::Now();
        if (library) {
            library(FileBytes(path.c_str()));
        } else {
            FloorOnce(path.c_str(), mode, w, h);
        }
        floor.push_back(bench::Now() - t);
        int ow = 0, oh = 0;
        t = bench::Now();
        OursOnce(state, ow, oh);
        ours.push_back(bench::Now() - t);
    }
    const double m = bench::Median(ours), f = bench::Median(floor);
    std::printf("interpolation %d: cold index change to frame %.1f ms, floor (%s) %.1f ms, "
                "ratio %.3f (goal <= %.2f)\n", mode, m, library ? "the library's own decode" : "GDI+ load + draw",
                f, f > 0 ? m / f : 0.0, goal);
    return f;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring path = bench::PictureArgument(argc, argv);
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    const bool coldOnly = argc > 3;
    const double coldGoal = coldOnly ? _wtof(argv[3]) : 0.2;
    // A second picture to step to: the same bytes under another name.
    const std::wstring second = path + L"-second.jpg";
    CopyFileW(path.c_str(), second.c_str(), FALSE);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("bench_decode: no picture at %ls (see the comment at the top of bench_decode.cpp)\n",
                    path.c_str());
        return 2;
    }

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int status = 0;
    {
        AppState state;
        g_state = &state;
        state.hwnd = MakeViewerWindow();
        state.slide = false;
        state.transitions = false;
        state.backgroundBrush.Reset(CreateSolidBrush(0));
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &state.workArea, 0);
        state.frameWidth = GetSystemMetrics(SM_CXSIZEFRAME);
        state.frameHeight = GetSystemMetrics(SM_CYSIZEFRAME);
        state.ReadPositionFromWindow();
        state.exhibit->Assign({ImageEntry{path}});
        state.logerrors = false;
        state.removefail = false;

        int w = 0, h = 0;
        if (!OursOnce(state, w, h)) {
            std::printf("bench_decode: cannot load %ls\n", path.c_str());
            status = 1;
        } else if (coldOnly) {
            std::printf("picture %ux%u, frame %dx%d, %d rounds\n", state.picture.NaturalWidth(),
                        state.picture.NaturalHeight(), w, h, rounds);
            for (const int mode : {0, 7}) {
                state.SetInterpolation(mode);
                ColdIndexChange(state, path, mode, w, h, rounds, coldGoal);
            }
        } else {
            std::printf("picture %ux%u, frame %dx%d, %d rounds\n", state.picture.NaturalWidth(),
                        state.picture.NaturalHeight(), w, h, rounds);
            for (const int mode : {0, 7}) {
                state.SetInterpolation(mode);
                const double f = ColdIndexChange(state, path, mode, w, h, rounds, coldGoal);
                // A slideshow: two pictures, a pause, the next one decoded ahead meanwhile.
                state.exhibit->Assign({ImageEntry{path}, ImageEntry{second}});
                std::vector<double> ahead;
                int index = 0, sw = 0, sh = 0;
                OursOnce(state, sw, sh, index);
                for (int i = 0; i < rounds; ++i) {
                    Pause(state, 5000);
                    index = 1 - index;
                    const double t = bench::Now();
                    OursOnce(state, sw, sh, index);
                    ahead.push_back(bench::Now() - t);
                }
                const double a = bench::Median(ahead);
                std::printf("interpolation %d: slideshow step decoded ahead %.1f ms, ratio %.3f to the floor "
                            "(goal <= 0.067)\n", mode, a, f > 0 ? a / f : 0.0);
                state.exhibit->Assign({ImageEntry{path}});
            }
            // Memory over a slideshow of 30 steps through three such pictures,
            // each step after a pause in which the next one is decoded ahead.
            const std::wstring third = path + L"-third.jpg";
            CopyFileW(path.c_str(), third.c_str(), FALSE);
            state.exhibit->Assign({ImageEntry{path}, ImageEntry{second}, ImageEntry{third}});
            PROCESS_MEMORY_COUNTERS before{};
            GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
            SIZE_T peak = 0;
            for (int step = 0; step < 30; ++step) {
                int sw = 0, sh = 0;
                OursOnce(state, sw, sh, step % 3);
                Pause(state, 5000);
                PROCESS_MEMORY_COUNTERS now{};
                GetProcessMemoryInfo(GetCurrentProcess(), &now, sizeof now);
                peak = std::max(peak, now.PagefileUsage);
            }
            const double mib = 1024.0 * 1024.0;
            std::printf("30-step slideshow: private memory %.0f MiB before, peak %.0f MiB; pictures %.0f MiB at most "
                        "(the shown one and those decoded ahead), budget %.0f MiB\n",
                        double(before.PagefileUsage) / mib, double(peak) / mib,
                        double(peak - std::min(peak, before.PagefileUsage)) / mib, double(PictureMemoryBudget()) / mib);
            DeleteFileW(third.c_str());
            state.exhibit->Assign({ImageEntry{path}});

            // Zoom to 100% after a scaled decode: the full frame on the window,
            // against a full decode of the file and one draw of the window's piece.
            std::vector<double> zooms, fulls;
            for (int i = 0; i < rounds; ++i) {
                state.currentZoom = 0;
                state.zoomHeld = false;
                OursOnce(state, w, h);
                double t = bench::Now();
                state.currentZoom = 100;
                state.zoomHeld = true;
                InvalidateRect(state.hwnd, nullptr, FALSE);
                UpdateWindow(state.hwnd);
                GdiFlush();
                zooms.push_back(bench::Now() - t);
                t = bench::Now();
                PictureHolder full;
                full.Adopt(DecodePictureFile(path.c_str(), PicturePixelLimit()));
                RECT client{};
                GetClientRect(state.hwnd, &client);
                HDC dc = GetDC(state.hwnd);
                full.DrawVisible(dc, 0, 0, int(full.NaturalWidth()), int(full.NaturalHeight()), client.right,
                                 client.bottom);
                ReleaseDC(state.hwnd, dc);
                GdiFlush();
                fulls.push_back(bench::Now() - t);
            }
            const double zm = bench::Median(zooms), zf = bench::Median(fulls);
            std::printf("zoom to 100%% after a scaled decode %.1f ms, floor (full decode + one draw) %.1f ms, ratio %.2f "
                        "(goal <= 1.1)\n", zm, zf, zf > 0 ? zm / zf : 0.0);

            // One scroll step at 1600%.
            state.SetInterpolation(0);
            OursOnce(state, w, h);
            state.currentZoom = 1600;
            state.zoomHeld = true;
            InvalidateRect(state.hwnd, nullptr, FALSE);
            UpdateWindow(state.hwnd);
            std::vector<double> steps, floors;
            for (int i = 0; i < rounds * 4; ++i) {
                floors.push_back(ScrollFloor(state, 1600));
                state.scrollX += 100;
                state.scrollY += 50;
                const double t = bench::Now();
                state.ScrollView(true);
                GdiFlush();
                steps.push_back(bench::Now() - t);
            }
            const double sm = bench::Median(steps), sf = bench::Median(floors);
            std::printf("1600%%: scroll step to frame %.1f ms, floor (window-sized draw + BitBlt) %.1f ms, ratio %.2f "
                        "(goal <= 3)\n", sm, sf, sf > 0 ? sm / sf : 0.0);
        }
        state.pictures.reset();
        state.picture.Release();
        state.canvas.Free();
        state.frame.Free();
        DestroyWindow(state.hwnd);
        g_state = nullptr;
    }
    Gdiplus::GdiplusShutdown(token);
    DeleteFileW(second.c_str());
    LocalFree(argv);
    return status;
}
