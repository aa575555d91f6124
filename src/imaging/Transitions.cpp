#include "imaging/Transitions.h"

#include <optional>

#include "app/AppState.h"
#include "imaging/Canvas.h"

namespace transition {
namespace {

// Keeps the pauses of an effect on a schedule measured from its start.
class Pacer {
public:
    Pacer() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }

    void Pause(uint32_t ms) {
        deadline_ += ms;
        double late = ElapsedMs() - deadline_;
        // Something held us up for long (a busy machine): start afresh rather
        // than racing through the following steps to catch up.
        if (late > kMaxLagMs) {
            deadline_ = ElapsedMs();
            late = 0;
        }
        if (late <= -1.0)
            Wait(static_cast<DWORD>(-late));
        else if (ms == 0)
            Wait(0);
    }

private:
    static constexpr double kMaxLagMs = 100.0;

    // Blocks like Sleep: no message is taken or dispatched (no wake mask), but
    // the thread counts as waiting, so a system that shows the window through
    // an off-screen surface brings the steps drawn so far to the screen.
    static void Wait(DWORD ms) { MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, 0); }

    double ElapsedMs() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
               static_cast<double>(frequency_.QuadPart);
    }

    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
    double deadline_ = 0;
};

}  // namespace

void Play(const Plan& plan, HDC dst, HDC src) {
    if (!dst || !src || plan.ops.empty()) return;
    Pacer pacer;
    // The old frame of a crossfade, kept aside while the new one is blended over it.
    std::optional<Canvas> snapshot;
    auto kept = [&]() -> HDC { return snapshot && snapshot->Bitmap() ? snapshot->Dc() : nullptr; };
    for (const Op& op : plan.ops) {
        switch (op.kind) {
        case OpKind::Copy:
            BitBlt(dst, op.dx, op.dy, op.w, op.h, src, op.sx, op.sy, SRCCOPY);
            break;
        case OpKind::Snapshot:
            snapshot.emplace(dst);
            if (snapshot->Resize(plan.w, plan.h, dst))
                BitBlt(snapshot->Dc(), 0, 0, plan.w, plan.h, dst, plan.x, plan.y, SRCCOPY);
            break;
        case OpKind::BlendSnapshot:
            if (HDC old = kept()) {
                BLENDFUNCTION blend{AC_SRC_OVER, 0, op.alpha, 0};
                AlphaBlend(old, 0, 0, plan.w, plan.h, src, 0, 0, plan.w, plan.h, blend);
            }
            break;
        case OpKind::ShowSnapshot:
            if (HDC old = kept()) BitBlt(dst, plan.x, plan.y, plan.w, plan.h, old, 0, 0, SRCCOPY);
            break;
        case OpKind::Pause:
            GdiFlush();
            pacer.Pause(op.ms);
            break;
        }
    }
    GdiFlush();
}

}  // namespace transition

int32_t AppState::PickTransition() {
    transition::CrtRandom random;
    return transition::PickEffect(transitionList, random);
}

void AppState::RunTransition(HDC dstDc, int32_t w, int32_t h, HDC srcDc, int32_t effect, int32_t x,
                             int32_t y) {
    transition::Latencies latency;
    latency.shutter = shutterLatency;
    latency.wipe = wipeLatency;
    latency.slide = slideLatency;
    latency.quadrantSlide = quadrantSlideLatency;
    latency.quadrantWipe = quadrantWipeLatency;
    latency.dissolve = dissolveLatency;
    latency.crossfade = crossfadeLatency;
    transition::CrtRandom random;
    transition::Play(transition::BuildPlan(effect, x, y, w, h, latency, random), dstDc, srcDc);
}
