// The JPEG decoder at display scale against GDI+: a 6000 x 4000 JPEG shown in
// a 1272 x 848 frame, from the file to a scaled draw of that size into a memory
// bitmap: read into memory, decoded at the smallest DCT scale that still covers
// the frame, and drawn scaled by GDI+ or by GDI's halftone StretchDIBits;
// against the floor of bench_decode, one GDI+ load of the file plus one scaled
// draw. Also the decode alone, and a full-size decode (what a zoom to 100%
// costs). Prints medians and ratios.
//
//   bench_jpeg [picture.jpg] [rounds]
// Without a path it uses bench_decode.jpg beside the executable (scripts/bench.sh makes it).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "imaging/GdiplusApi.h"
#include "imaging/JpegDecode.h"
#include "imaging/PictureDecode.h"

namespace {

constexpr int kFrameWidth = 1272;
constexpr int kFrameHeight = 848;

// A 32-bit DIB in its own memory DC, the size of the frame.
struct Surface {
    Surface() {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), kFrameWidth, -kFrameHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        previous = SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    ~Surface() { DeleteObject(SelectObject(dc, previous)), DeleteDC(dc); }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous;
};

bool Draw(Gdiplus::GpImage* image) {
    Surface surface;
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gp::GdipCreateFromHDC(surface.dc, &graphics) != Gdiplus::Ok) return false;
    gp::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeDefault);
    const bool ok = gp::GdipDrawImageRectI(graphics, image, 0, 0, kFrameWidth, kFrameHeight) == Gdiplus::Ok;
    gp::GdipDeleteGraphics(graphics);
    return ok;
}

bool FloorOnce(const wchar_t* path) {
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path, &image) != Gdiplus::Ok) return false;
    const bool ok = Draw(image);
    gp::GdipDisposeImage(image);
    return ok;
}

std::vector<uint8_t> ReadAll(const wchar_t* path) {
    std::vector<uint8_t> bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    DWORD got = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1 << 30)) {
        bytes.resize(size_t(size.QuadPart));
        if (!ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr) || got != bytes.size()) bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

enum class Drawn { Not, ByGdiplus, ByHalftoneBlt };

// Ours: the file into memory, decoded at the frame's scale (or full size),
// drawn scaled by GDI+ or by GDI's halftone StretchDIBits when asked.
bool OursOnce(const wchar_t* path, uint32_t targetW, uint32_t targetH, Drawn drawn, DecodedPixels& out) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    out = DecodeJpeg(bytes.data(), bytes.size(), PixelRequest{targetW, targetH, false, PicturePixelLimit()});
    if (out.outcome != PixelOutcome::Decoded) return false;
    if (drawn == Drawn::ByHalftoneBlt) {
        Surface surface;
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), LONG(out.width), -LONG(out.height), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        SetStretchBltMode(surface.dc, HALFTONE);
        const int lines = StretchDIBits(surface.dc, 0, 0, kFrameWidth, kFrameHeight, 0, 0, int(out.width),
                                        int(out.height), out.pixels.get(), &info, DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        return lines > 0;
    }
    if (drawn == Drawn::Not) return true;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(int(out.width), int(out.height), int(out.Stride()), PixelFormat32bppRGB,
                                      out.pixels.get(), &bitmap) != Gdiplus::Ok)
        return false;
    const bool ok = Draw(bitmap);
    gp::GdipDisposeImage(bitmap);
    return ok;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const std::wstring path = bench::PictureArgument(argc, argv);
    const int rounds = argc > 2 ? std::max(1, _wtoi(argv[2])) : 5;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    int status = 0;
    DecodedPixels picture;
    if (!FloorOnce(path.c_str()) || !OursOnce(path.c_str(), kFrameWidth, kFrameHeight, Drawn::ByGdiplus, picture)) {
        std::printf("bench_jpeg: cannot decode %ls\n", path.c_str());
        status = 1;
    } else {
        std::vector<double> floor, scaled, halftone, decodeOnly, full;
        for (int i = 0; i < rounds; ++i) {
            double t = bench::Now();
            FloorOnce(path.c_str());
            floor.push_back(bench::Now() - t);
            const auto time = [&](std::vector<double>& into, uint32_t w, uint32_t h, Drawn drawn) {
                const double start = bench::Now();
                OursOnce(path.c_str(), w, h, drawn, picture);
                into.push_back(bench::Now() - start);
            };
            time(scaled, kFrameWidth, kFrameHeight, Drawn::ByGdiplus);
            time(halftone, kFrameWidth, kFrameHeight, Drawn::ByHalftoneBlt);
            time(decodeOnly, kFrameWidth, kFrameHeight, Drawn::Not);
            time(full, 0, 0, Drawn::Not);
        }
        OursOnce(path.c_str(), kFrameWidth, kFrameHeight, Drawn::Not, picture);
        const double f = bench::Median(floor), s = bench::Median(scaled), h = bench::Median(halftone);
        std::printf("picture %ux%u decoded at 1/%d (%ux%u) for a %dx%d frame, %d rounds\n", picture.fullWidth,
                    picture.fullHeight, picture.scaleDenominator, picture.width, picture.height, kFrameWidth,
                    kFrameHeight, rounds);
        std::printf("floor (GDI+ load + draw) %.1f ms; scaled decode alone %.1f ms, ratio %.3f; full-size decode %.1f ms\n",
                    f, bench::Median(decodeOnly), f > 0 ? bench::Median(decodeOnly) / f : 0.0, bench::Median(full));
        std::printf("scaled decode + GDI+ draw %.1f ms, ratio %.3f; + halftone StretchDIBits %.1f ms, ratio %.3f "
                    "(goal <= 0.2)\n", s, f > 0 ? s / f : 0.0, h, f > 0 ? h / f : 0.0);
    }
    picture = DecodedPixels();
    Gdiplus::GdiplusShutdown(token);
    LocalFree(argv);
    return status;
}
