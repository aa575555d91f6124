// Transition plans played with the real GDI calls onto memory surfaces.
#include "imaging/Transitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace transition;

namespace {

// A 32-bit top-down DIB in its own memory DC, its pixels readable directly.
struct Surface {
    Surface(int w, int h) : w(w), h(h) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        previous = SelectObject(dc, bitmap);
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
    void Fill(uint32_t color) {
        GdiFlush();
        std::fill(bits, bits + size_t(w) * h, color);
    }
    int w, h;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t* bits = nullptr;
};

uint32_t Pattern(int x, int y) { return (uint32_t(x * 37 + 11) & 0xff) << 16 | (uint32_t(y * 53 + 7) & 0xff) << 8 | 0x5a; }
constexpr uint32_t kBlue = 0x0000ff;
constexpr Latencies kNoWait{0, 0, 0, 0, 0, 0, 0};

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return double(c.QuadPart) * 1000.0 / double(f.QuadPart);
}

}  // namespace

TEST(TransitionPlay, EveryEffectPaintsThePictureIntoItsFrameOnly) {
    const int w = 61, h = 43, x = 7, y = 5;
    Surface source(w, h), screen(w + 20, h + 15);
    ASSERT_TRUE(source.bits && screen.bits);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) source.At(c, r) = Pattern(c, r);
    std::srand(4);
    for (int effect = 0; effect < kEffectCount; ++effect) {
        SCOPED_TRACE(effect);
        screen.Fill(kBlue);
        CrtRandom random;
        Play(BuildPlan(effect, x, y, w, h, kNoWait, random), screen.dc, source.dc);
        for (int r = 0; r < screen.h; ++r)
            for (int c = 0; c < screen.w; ++c) {
                bool inside = c >= x && r >= y && c < x + w && r < y + h;
                ASSERT_EQ(screen.At(c, r) & 0xffffff, inside ? Pattern(c - x, r - y) : kBlue) << c << "," << r;
            }
    }
}

TEST(TransitionPlay, CrossfadeStartsFromWhatTheWindowShows) {
    // Over a window erased to blue the first step is almost all blue with a trace of the red picture.
    Surface source(20, 10), screen(20, 10);
    source.Fill(0xff0000);
    screen.Fill(kBlue);
    CrtRandom random;
    Plan plan = BuildPlan(kCrossfade, 0, 0, 20, 10, kNoWait, random);
    auto firstShow = std::find_if(plan.ops.begin(), plan.ops.end(),
                                  [](const Op& op) { return op.kind == OpKind::ShowSnapshot; });
    plan.ops.erase(firstShow + 1, plan.ops.end());
    Play(plan, screen.dc, source.dc);
    EXPECT_LE((screen.At(10, 5) >> 16) & 0xff, 4u);
    EXPECT_GE(screen.At(10, 5) & 0xff, 250u);
}

TEST(TransitionPlay, LastsAboutTheSumOfItsPauses) {
    // Drawing time comes out of the pauses, so thousands of small copies between
    // short pauses do not stretch the effect. The upper bound is ten times the
    // usual length, for a busy machine: it catches gross stretching only.
    Surface source(640, 480), screen(640, 480);
    source.Fill(0x808080);
    for (int effect : {kWipeRightLeft, kDissolve, kHorizontalSlide}) {
        std::srand(11);
        CrtRandom random;
        Plan plan = BuildPlan(effect, 0, 0, 640, 480, Latencies{}, random);
        double floor = double(plan.TotalPauseMs());
        double start = NowMs();
        Play(plan, screen.dc, source.dc);
        double took = NowMs() - start;
        EXPECT_GE(took, floor - 2.0) << "effect " << effect;
        EXPECT_LE(took, floor * 10.0) << "effect " << effect;
    }
}
