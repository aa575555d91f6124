// Duration of every transition on a 1280 x 1024 window against the sum of its
// pauses, the least it can take. Drawn from a memory DC as the viewer does.
// Usage: bench_transitions [runs per effect, default 3]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "imaging/TransitionPlan.h"
#include "imaging/Transitions.h"

namespace {

const char* const kNames[transition::kEffectCount] = {
    "Shutters Right", "Shutters Left", "Shutters Down",    "Shutters Up",    "Wipe Right/Left",
    "Wipe Left/Right", "Wipe Down/Up", "Wipe Up/Down",     "Horizontal Slide", "Vertical Slide",
    "Quadrant Slide", "Quadrant Wipe", "Quadrant Peel",    "Dissolve",       "Crossfade"};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The same plan with one Sleep per pause and nothing else, for comparison.
void PlayWithPlainSleeps(const transition::Plan& plan, HDC dst, HDC src) {
    for (const transition::Op& op : plan.ops) {
        if (op.kind == transition::OpKind::Copy)
            BitBlt(dst, op.dx, op.dy, op.w, op.h, src, op.sx, op.sy, SRCCOPY);
        else if (op.kind == transition::OpKind::Pause)
            Sleep(op.ms);
    }
    GdiFlush();
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int w = 1280, h = 1024;

    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OxbrillTransitionBench";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    if (!window) {
        std::printf("no window\n");
        return 1;
    }
    Pump();
    HDC windowDc = GetDC(window);

    // Two frames to alternate between: a gradient and its inverse.
    HDC frames[2];
    HBITMAP bitmaps[2];
    HGDIOBJ previous[2];
    for (int i = 0; i < 2; ++i) {
        frames[i] = CreateCompatibleDC(windowDc);
        bitmaps[i] = CreateCompatibleBitmap(windowDc, w, h);
        previous[i] = SelectObject(frames[i], bitmaps[i]);
        for (int y = 0; y < h; y += 16) {
            HBRUSH brush = CreateSolidBrush(i ? RGB(255 - y / 4, 128, y / 4) : RGB(y / 4, 64, 255 - y / 4));
            RECT band{0, y, w, y + 16};
            FillRect(frames[i], &band, brush);
            DeleteObject(brush);
        }
    }

    transition::Latencies latency;   // the defaults of a fresh install
    std::printf("Transitions on a %dx%d window, %d run(s) each, default latencies (medians)\n", w, h, runs);
    std::printf("%-17s %6s %9s %9s %7s %12s %7s\n", "effect", "ops", "floor ms", "took ms", "ratio", "plain sleeps",
                "ratio");
    int over = 0;
    int frame = 0;
    for (int effect = 0; effect < transition::kEffectCount; ++effect) {
        std::vector<double> floors, took, plain;
        size_t ops = 0;
        for (int run = 0; run < runs; ++run) {
            // Same draws for both ways of playing.
            const unsigned seed = 1000u * unsigned(effect) + unsigned(run) + 1u;
            std::srand(seed);
            transition::CrtRandom random;
            transition::Plan plan = transition::BuildPlan(effect, 0, 0, w, h, latency, random);
            ops = plan.ops.size();
            floors.push_back(double(plan.TotalPauseMs()));

            frame ^= 1;
            double start = bench::Now();
            transition::Play(plan, windowDc, frames[frame]);
            took.push_back(bench::Now() - start);
            Pump();

            frame ^= 1;
            start = bench::Now();
            PlayWithPlainSleeps(plan, windowDc, frames[frame]);
            plain.push_back(bench::Now() - start);
            Pump();
        }
        double f = bench::Median(floors), t = bench::Median(took), p = bench::Median(plain);
        char ratio[16] = "-", plainRatio[16] = "-";
        if (f > 0) {
            std::snprintf(ratio, sizeof ratio, "%.3f", t / f);
            std::snprintf(plainRatio, sizeof plainRatio, "%.3f", p / f);
            if (t / f > 1.25) ++over;
        }
        std::printf("%-17s %6zu %9.1f %9.1f %7s %12.1f %7s\n", kNames[effect], ops, f, t, ratio, p, plainRatio);
    }
    std::printf("effects above 1.25x their floor: %d\n", over);

    for (int i = 0; i < 2; ++i) {
        SelectObject(frames[i], previous[i]);
        DeleteObject(bitmaps[i]);
        DeleteDC(frames[i]);
    }
    ReleaseDC(window, windowDc);
    DestroyWindow(window);
    return over == 0 ? 0 : 2;
}
