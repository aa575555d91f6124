// Plays transition plans with the real GDI calls onto memory surfaces.
#include "imaging/Transitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace transition;

namespace {

// A 32-bit top-down DIB selected into its own memory DC, pixels readable directly.
class Surface {
public:
    Surface(int w, int h) : w_(w), h_(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Surface() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const { return dc_; }
    bool Valid() const { return bits_ != nullptr; }
    uint32_t& At(int x, int y) {
        GdiFlush();
        return bits_[size_t(y) * w_ + x];
    }
    void Fill(uint32_t color) {
        GdiFlush();
        std::fill(bits_, bits_ + size_t(w_) * h_, color);
    }

private:
    int w_, h_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    uint32_t* bits_ = nullptr;
};

uint32_t Pattern(int x, int y) { return (uint32_t(x * 37 + 11) & 0xff) << 16 | (uint32_t(y * 53 + 7) & 0xff) << 8 | 0x5a; }

constexpr uint32_t kBlue = 0x0000ff;

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
    ASSERT_TRUE(source.Valid() && screen.Valid());
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) source.At(c, r) = Pattern(c, r);
    Latencies quick{0, 0, 0, 0, 0, 0, 0};
    std::srand(4);
    for (int effect = 0; effect < kEffectCount; ++effect) {
        SCOPED_TRACE(effect);
        screen.Fill(kBlue);
        CrtRandom random;
        Play(BuildPlan(effect, x, y, w, h, quick, random), screen.Dc(), source.Dc());
        for (int r = 0; r < h + 15; ++r)
            for (int c = 0; c < w + 20; ++c) {
                bool inside = c >= x && r >= y && c < x + w && r < y + h;
                uint32_t expected = inside ? Pattern(c - x, r - y) : kBlue;
                ASSERT_EQ(screen.At(c, r) & 0xffffff, expected) << "at " << c << "," << r;
            }
    }
}

TEST(TransitionPlay, CrossfadeStartsFromWhatTheWindowShows) {
    // Over a window erased to blue the first blend step is almost all blue with a trace of red.
    Surface source(20, 10), screen(20, 10);
    source.Fill(0xff0000);
    screen.Fill(kBlue);
    Latencies quick{0, 0, 0, 0, 0, 0, 0};
    CrtRandom random;
    Plan plan = BuildPlan(kCrossfade, 0, 0, 20, 10, quick, random);
    auto firstShow = std::find_if(plan.ops.begin(), plan.ops.end(),
                                  [](const Op& op) { return op.kind == OpKind::ShowSnapshot; });
    plan.ops.erase(firstShow + 1, plan.ops.end());
    Play(plan, screen.Dc(), source.Dc());
    uint32_t pixel = screen.At(10, 5);
    EXPECT_LE((pixel >> 16) & 0xff, 4u);
    EXPECT_GE(pixel & 0xff, 250u);
}

TEST(TransitionPlay, LastsAboutTheSumOfItsPauses) {
    // Drawing time is taken out of the pauses, so many small copies between short
    // pauses do not stretch the effect. Bounds are loose for a busy machine.
    Surface source(640, 480), screen(640, 480);
    source.Fill(0x808080);
    Latencies latency;   // dissolve latency 2, wipe latency 2
    for (int effect : {kWipeRightLeft, kDissolve, kHorizontalSlide}) {
        SCOPED_TRACE(effect);
        std::srand(11);
        CrtRandom random;
        Plan plan = BuildPlan(effect, 0, 0, 640, 480, latency, random);
        double floor = double(plan.TotalPauseMs());
        double start = NowMs();
        Play(plan, screen.Dc(), source.Dc());
        double took = NowMs() - start;
        EXPECT_GE(took, floor - 2.0);
        EXPECT_LE(took, floor * 1.5 + 30.0);
    }
}

TEST(TransitionPlay, NothingHappensWithoutSurfacesOrOps) {
    Surface screen(4, 4);
    screen.Fill(kBlue);
    Latencies latency;
    CrtRandom random;
    Play(BuildPlan(kHorizontalSlide, 0, 0, 4, 4, latency, random), screen.Dc(), nullptr);
    Play(Plan{}, screen.Dc(), screen.Dc());
    EXPECT_EQ(screen.At(0, 0), kBlue);
}
