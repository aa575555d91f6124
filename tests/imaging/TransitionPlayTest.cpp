// Transition plans played with the real GDI calls onto memory surfaces.
#include "imaging/Transitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace transition;

namespace {

// A 32-bit top-down DIB in its own memory DC, its pixels readable directly.
struct Surface {
    Surface(int w, int h) : w(w) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        previous = SelectObject(dc, bitmap);
        std::fill(bits, bits + size_t(w) * h, 0x0000ffu);   // blue
    }
    ~Surface() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t& At(int x, int y) {
        GdiFlush();
        return bits[size_t(y) * w + x];
    }
    int w;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t* bits = nullptr;
};

uint32_t Pattern(int x, int y) { return (uint32_t(x * 37 + 11) & 0xff) << 16 | (uint32_t(y * 53 + 7) & 0xff) << 8 | 0x5a; }
constexpr Latencies kNoWait{0, 0, 0, 0, 0, 0, 0};

}  // namespace

// Every effect, played on frames of odd and extreme shapes, leaves exactly the
// picture in its frame and nothing outside it.
TEST(TransitionPlay, EveryEffectPaintsThePictureIntoItsFrameOnly) {
    const int x = 7, y = 5;
    std::srand(4);
    for (const auto& [w, h] : {std::pair{61, 43}, {2, 3}}) {
        Surface source(w, h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) source.At(c, r) = Pattern(c, r);
        for (int effect = 0; effect < kEffectCount; ++effect) {
            Surface screen(w + 20, h + 15);
            CrtRandom random;
            Play(BuildPlan(effect, x, y, w, h, kNoWait, random), screen.dc, source.dc);
            GdiFlush();
            for (int r = 0; r < h + 15; ++r)
                for (int c = 0; c < w + 20; ++c)
                    ASSERT_EQ(screen.bits[size_t(r) * screen.w + c] & 0xffffff, c >= x && r >= y && c < x + w && r < y + h ? Pattern(c - x, r - y) : 0x0000ffu)
                        << "effect " << effect << ", " << w << "x" << h << " at " << c << "," << r;
        }
    }
}
