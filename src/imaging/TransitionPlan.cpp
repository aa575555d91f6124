#include "imaging/TransitionPlan.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace transition {

int CrtRandom::Next() { return std::rand(); }

uint64_t Plan::TotalPauseMs() const {
    uint64_t total = 0;
    for (const Op& op : ops)
        if (op.kind == OpKind::Pause) total += op.ms;
    return total;
}

size_t Plan::PauseCount() const {
    return static_cast<size_t>(std::count_if(ops.begin(), ops.end(),
                                             [](const Op& op) { return op.kind == OpKind::Pause; }));
}

namespace {

// A negative latency from a hand-edited settings file counts as no pause.
uint32_t Ms(int32_t latency) { return latency < 0 ? 0u : static_cast<uint32_t>(latency); }

// A draw reduced to 0..range-1; the source is expected to give non-negative
// values like rand(), a stray negative one is folded back.
int Draw(RandomSource& random, int range) {
    int v = random.Next() % range;
    return v < 0 ? v + range : v;
}

class Builder {
public:
    // `pausesOnly` leaves the copies out: enough to time a plan.
    Builder(Plan& plan, bool pausesOnly) : plan_(plan), pausesOnly_(pausesOnly), W(plan.w), H(plan.h) {}

    // Copies the source block (sx, sy, w, h) to the frame position (fx, fy),
    // keeping only what lies inside both the frame and the source.
    void Copy(int64_t sx, int64_t sy, int64_t w, int64_t h, int64_t fx, int64_t fy) {
        if (pausesOnly_) return;
        int64_t cut = std::max<int64_t>({0, -sx, -fx});
        sx += cut, fx += cut, w -= cut;
        cut = std::max<int64_t>({0, -sy, -fy});
        sy += cut, fy += cut, h -= cut;
        w = std::min<int64_t>({w, W - sx, W - fx});
        h = std::min<int64_t>({h, H - sy, H - fy});
        if (w <= 0 || h <= 0) return;
        Op op;
        op.sx = static_cast<int32_t>(sx);
        op.sy = static_cast<int32_t>(sy);
        op.dx = static_cast<int32_t>(plan_.x + fx);
        op.dy = static_cast<int32_t>(plan_.y + fy);
        op.w = static_cast<int32_t>(w);
        op.h = static_cast<int32_t>(h);
        plan_.ops.push_back(op);
    }
    void Column(int c) { Copy(c, 0, 1, H, c, 0); }
    void Row(int r) { Copy(0, r, W, 1, 0, r); }
    void Whole() { Copy(0, 0, W, H, 0, 0); }

    void Pause(uint32_t ms) {
        Op op;
        op.kind = OpKind::Pause;
        op.ms = ms;
        plan_.ops.push_back(op);
    }
    void Simple(OpKind kind, uint8_t alpha = 0) {
        Op op;
        op.kind = kind;
        op.alpha = alpha;
        plan_.ops.push_back(op);
    }

private:
    Plan& plan_;
    const bool pausesOnly_;

public:
    const int32_t W, H;
};

// Strips n lines wide; each step copies the line at one offset in every strip.
void Shutters(Builder& b, bool columns, bool backwards, uint32_t latency, RandomSource& random) {
    const int k = Draw(random, 80) + 2;
    const int lines = columns ? b.W : b.H;
    const int n = lines / k + 5;
    const uint32_t pause = latency / static_cast<uint32_t>(n) + static_cast<uint32_t>(k / 10);
    auto step = [&](int i) {
        for (int c = i % n; c < lines; c += n) columns ? b.Column(c) : b.Row(c);
        if (i % 2 == 0 || k >= 11) b.Pause(pause);
    };
    if (backwards)
        for (int i = n; i >= 1; --i) step(i);
    else
        for (int i = 0; i < n; ++i) step(i);
}

// Two interleaved passes of single lines; a pause after every s-th line of a pass.
void Wipe(Builder& b, bool columns, bool fromFarEdge, uint32_t latency, RandomSource& random) {
    const int s = b.W / 200 + Draw(random, 5) + 1;
    const int lines = columns ? b.W : b.H;
    const uint32_t pause = latency + 1;
    auto pass = [&](int first, int last, int delta) {
        int counter = 0;
        for (int c = first; delta > 0 ? c <= last : c >= last; c += delta) {
            columns ? b.Column(c) : b.Row(c);
            if (counter % s == 0) b.Pause(pause);
            ++counter;
        }
    };
    if (!fromFarEdge) {
        pass(0, lines - 1, 2);                                  // even lines, near edge first
        pass(lines % 2 == 0 ? lines - 1 : lines - 2, 1, -2);    // odd lines back from the far edge
    } else {
        pass(lines - 2, 0, -2);                                 // same parity as the count, far edge first
        pass((lines + 1) % 2, lines - 1, 2);                    // the others from the near edge
    }
}

void HorizontalSlide(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const uint32_t t = latency + Draw(random, 10) + 1;
    for (int d = 0; d < W; d += W / 50 + 1) {
        b.Copy(W - d, 0, d, H / 2, 0, 0);           // top half in from the left
        b.Copy(0, H / 2, d, H / 2, W - d, H / 2);   // bottom half in from the right
        b.Pause(t);
    }
    b.Whole();
}

void VerticalSlide(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const uint32_t t = latency + Draw(random, 10) + 1;
    for (int d = 0; d < H; d += H / 50 + 1) {
        b.Copy(0, H - d, W / 2, d, 0, 0);           // left half down from the top
        b.Copy(W / 2, 0, W / 2, d, W / 2, H - d);   // right half up from the bottom
        b.Pause(t);
    }
    b.Whole();
}

void QuadrantSlide(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const uint32_t t = latency + Draw(random, 20) + 1;
    for (int dx = 0, dy = 0; dx < W / 2; dx += W / 80 + 1, dy += H / 80 + 1) {
        b.Copy(0, H / 2 - dy, W / 2, dy, 0, 0);
        b.Copy(W / 2, 0, dx, H / 2, W - dx, 0);
        b.Copy(W / 2, H / 2, W / 2, dy, W / 2, H - dy);
        b.Copy(W / 2 - dx, H / 2, dx, H / 2, 0, H / 2);
        b.Pause(t);
    }
    b.Whole();
}

void QuadrantWipe(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const uint32_t t = latency + Draw(random, 36) + 1;
    for (int d = 0; d < H / 2 + H / 20; d += H / 20 + 1) {
        b.Copy(0, H / 2 - d, W / 2, d, 0, H / 2 - d);
        b.Pause(t);
    }
    for (int d = 0; d < W / 2 + W / 20; d += W / 20 + 1) {
        b.Copy(W / 2, 0, d, H / 2, W / 2, 0);
        b.Pause(t);
    }
    for (int d = 0; d < H / 2 + H / 20; d += H / 20 + 1) {
        b.Copy(W / 2, H / 2, W / 2 + 1, d + 2, W / 2, H / 2);
        b.Pause(t);
    }
    for (int d = 0; d < W / 2 + W / 20; d += W / 20 + 1) {
        b.Copy(W / 2 - d, H / 2, d, H / 2 + 1, W / 2 - d, H / 2);
        b.Pause(t);
    }
    b.Whole();
}

void QuadrantPeel(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const uint32_t t = latency + Draw(random, 36) + 1;
    for (int d = 0; d < H / 2; d += H / 20 + 1) {
        b.Copy(0, 0, W / 2, d, 0, 0);
        b.Pause(t);
    }
    b.Copy(0, 0, W / 2, H / 2, 0, 0);
    for (int d = 0; d < W / 2 + W / 20; d += W / 20 + 1) {
        b.Copy(W - d, 0, d, H / 2, W - d, 0);
        b.Pause(t);
    }
    for (int d = 0; d < H / 2 + H / 20; d += H / 20 + 1) {
        b.Copy(W / 2, H - d, W / 2 + 1, d, W / 2, H - d);
        b.Pause(t);
    }
    for (int d = 0; d < W / 2 + W / 20; d += W / 20 + 1) {
        b.Copy(0, H / 2, d, H / 2 + 1, 0, H / 2);
        b.Pause(t);
    }
    b.Whole();
}

void Dissolve(Builder& b, uint32_t latency, RandomSource& random) {
    const int W = b.W, H = b.H;
    const int k = Draw(random, W) / 100 + 2;
    const int passes = 20 / k + 60;
    const int bw = W / 120 + k, bh = H / 120 + k;
    for (int p = 0; p < passes; ++p) {
        for (int j = 0; j < H; ++j) {
            const int rx = Draw(random, W);
            const int ry = Draw(random, H);
            b.Copy(rx, ry, bw, bh, rx, ry);
        }
        b.Pause(latency + 1);
    }
    b.Whole();
}

// The old frame is kept aside and the new one blended over it in 50 growing steps.
void Crossfade(Builder& b, uint32_t latency, RandomSource& random) {
    b.Simple(OpKind::Snapshot);
    const uint32_t t = latency + Draw(random, 20) + 1;
    for (int alpha = 2; alpha <= 51; ++alpha) {
        b.Simple(OpKind::BlendSnapshot, static_cast<uint8_t>(alpha));
        b.Simple(OpKind::ShowSnapshot);
        b.Pause(t);
    }
    b.Whole();
}

Plan Build(int effect, int32_t x, int32_t y, int32_t w, int32_t h, const Latencies& latency,
           RandomSource& random, bool pausesOnly) {
    Plan plan;
    plan.effect = effect;
    plan.x = x, plan.y = y;
    plan.w = std::max(w, 0), plan.h = std::max(h, 0);
    if (effect < 0 || effect >= kEffectCount || w <= 0 || h <= 0) return plan;
    Builder b(plan, pausesOnly);
    switch (effect) {
    case kShuttersRight: Shutters(b, true, false, Ms(latency.shutter), random); break;
    case kShuttersLeft: Shutters(b, true, true, Ms(latency.shutter), random); break;
    case kShuttersDown: Shutters(b, false, false, Ms(latency.shutter), random); break;
    case kShuttersUp: Shutters(b, false, true, Ms(latency.shutter), random); break;
    case kWipeRightLeft: Wipe(b, true, false, Ms(latency.wipe), random); break;
    case kWipeLeftRight: Wipe(b, true, true, Ms(latency.wipe), random); break;
    case kWipeDownUp: Wipe(b, false, false, Ms(latency.wipe), random); break;
    case kWipeUpDown: Wipe(b, false, true, Ms(latency.wipe), random); break;
    case kHorizontalSlide: HorizontalSlide(b, Ms(latency.slide), random); break;
    case kVerticalSlide: VerticalSlide(b, Ms(latency.slide), random); break;
    case kQuadrantSlide: QuadrantSlide(b, Ms(latency.quadrantSlide), random); break;
    case kQuadrantWipe: QuadrantWipe(b, Ms(latency.quadrantWipe), random); break;
    case kQuadrantPeel: QuadrantPeel(b, Ms(latency.quadrantWipe), random); break;
    case kDissolve: Dissolve(b, Ms(latency.dissolve), random); break;
    case kCrossfade: Crossfade(b, Ms(latency.crossfade), random); break;
    }
    return plan;
}

// Shortens every pause in proportion so that they add up to `longestMs`; the
// rounding is carried from pause to pause, so the total is exact.
void FitPauses(Plan& plan, uint32_t longestMs) {
    const uint64_t total = plan.TotalPauseMs();
    if (total <= longestMs) return;
    uint64_t owed = 0;
    for (Op& op : plan.ops) {
        if (op.kind != OpKind::Pause) continue;
        owed += static_cast<uint64_t>(op.ms) * longestMs;
        op.ms = static_cast<uint32_t>(owed / total);
        owed -= static_cast<uint64_t>(op.ms) * total;
    }
}

struct SmallestDraws final : RandomSource {
    int Next() override { return 0; }
};

// The longest pause total of `effect` on the largest frame, either way up, at
// one latency for every setting, uncut.
uint64_t LongestAt(int effect, int32_t latency) {
    const Latencies all{latency, latency, latency, latency, latency, latency, latency};
    uint64_t longest = 0;
    for (const bool upright : {false, true}) {
        SmallestDraws draws;
        const int32_t w = upright ? kLargestFrameShort : kLargestFrameLong;
        const int32_t h = upright ? kLargestFrameLong : kLargestFrameShort;
        longest = std::max(longest, Build(effect, 0, 0, w, h, all, draws, true).TotalPauseMs());
    }
    return longest;
}

}  // namespace

int32_t LatencyCeiling(int effect) {
    if (effect < 0 || effect >= kEffectCount) return 0;
    // Every pause is a fixed part plus the latency, or a share of it (the
    // shutters), so the total grows in a straight line, in steps at most:
    // aim from two points, then step down to the last latency that fits.
    constexpr int32_t kFar = 1 << 20;
    const uint64_t least = LongestAt(effect, 0);
    if (least >= kLongestEffectMs) return 0;
    const uint64_t far = LongestAt(effect, kFar);
    if (far <= kLongestEffectMs) return kFar;
    int32_t ceiling = static_cast<int32_t>((kLongestEffectMs - least) * kFar / (far - least));
    while (ceiling > 0 && LongestAt(effect, ceiling) > kLongestEffectMs) ceiling -= std::max(1, ceiling / 64);
    return std::max(ceiling, 0);
}

Plan BuildPlan(int effect, int32_t x, int32_t y, int32_t w, int32_t h,
               const Latencies& latency, RandomSource& random, uint32_t longestMs) {
    Plan plan = Build(effect, x, y, w, h, latency, random, false);
    FitPauses(plan, longestMs);
    return plan;
}

int PickEffect(const std::vector<int32_t>& enabled, RandomSource& random) {
    if (enabled.empty()) return -1;
    return enabled[static_cast<size_t>(Draw(random, static_cast<int>(enabled.size())))];
}

}  // namespace transition
