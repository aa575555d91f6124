#include "imaging/TransitionPlan.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

using namespace transition;

namespace {

// Hands out given values first, then a fixed pseudo-random sequence.
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::deque<int> first = {}, uint32_t seed = 1) : first_(std::move(first)), state_(seed) {}
    int Next() override {
        ++draws;
        if (!first_.empty()) {
            int v = first_.front();
            first_.pop_front();
            return v;
        }
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) & 0x7fff);
    }
    size_t draws = 0;

private:
    std::deque<int> first_;
    uint32_t state_;
};

constexpr int kOld = -1;       // pixel of the previous picture
constexpr int kBlended = -2;   // pixel of a crossfade mixture

// Plays a plan on a model of the destination: each pixel records which source
// pixel it shows. The frame sits inside a larger area so stray copies show.
struct Screen {
    int width, height;
    std::vector<int> pixels;
    Screen(int w, int h) : width(w), height(h), pixels(size_t(w) * h, kOld) {}
    int& At(int x, int y) { return pixels[size_t(y) * width + x]; }
};

::testing::AssertionResult Play(const Plan& plan, Screen& screen) {
    for (size_t i = 0; i < plan.ops.size(); ++i) {
        const Op& op = plan.ops[i];
        if (op.kind == OpKind::Copy) {
            if (op.w <= 0 || op.h <= 0)
                return ::testing::AssertionFailure() << "empty copy at op " << i;
            if (op.sx < 0 || op.sy < 0 || op.sx + op.w > plan.w || op.sy + op.h > plan.h)
                return ::testing::AssertionFailure() << "source outside the picture at op " << i;
            if (op.dx < plan.x || op.dy < plan.y || op.dx + op.w > plan.x + plan.w || op.dy + op.h > plan.y + plan.h)
                return ::testing::AssertionFailure() << "copy outside the frame at op " << i << ": (" << op.dx << ","
                                                     << op.dy << ") " << op.w << "x" << op.h;
            for (int r = 0; r < op.h; ++r)
                for (int c = 0; c < op.w; ++c) screen.At(op.dx + c, op.dy + r) = (op.sy + r) * plan.w + op.sx + c;
        } else if (op.kind == OpKind::ShowSnapshot) {
            for (int r = 0; r < plan.h; ++r)
                for (int c = 0; c < plan.w; ++c) screen.At(plan.x + c, plan.y + r) = kBlended;
        }
    }
    return ::testing::AssertionSuccess();
}

// The frame shows the new picture exactly and nothing around it changed.
::testing::AssertionResult ShowsPictureExactly(const Plan& plan, Screen& screen) {
    for (int y = 0; y < screen.height; ++y)
        for (int x = 0; x < screen.width; ++x) {
            bool inside = x >= plan.x && y >= plan.y && x < plan.x + plan.w && y < plan.y + plan.h;
            int expected = inside ? (y - plan.y) * plan.w + (x - plan.x) : kOld;
            if (screen.At(x, y) != expected)
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is " << screen.At(x, y)
                                                     << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

bool IsLineEffect(int effect) { return effect <= kWipeUpDown; }
bool ByColumns(int effect) { return effect == 0 || effect == 1 || effect == 4 || effect == 5; }

// The lines (columns or rows) a shutter or wipe copies, in order.
std::vector<int> CopiedLines(const Plan& plan, bool columns) {
    std::vector<int> lines;
    for (const Op& op : plan.ops)
        if (op.kind == OpKind::Copy) lines.push_back(columns ? op.sx : op.sy);
    return lines;
}

// Groups the copies between pauses: the lines copied before each pause.
std::vector<std::vector<int>> StepsBetweenPauses(const Plan& plan, bool columns) {
    std::vector<std::vector<int>> steps(1);
    for (const Op& op : plan.ops) {
        if (op.kind == OpKind::Pause)
            steps.emplace_back();
        else if (op.kind == OpKind::Copy)
            steps.back().push_back(columns ? op.sx : op.sy);
    }
    return steps;
}

struct Size {
    int w, h;
};

}  // namespace

TEST(TransitionPlan, EveryEffectEndsWithThePictureAndStaysInsideItsFrame) {
    const Size sizes[] = {{1, 1}, {2, 3}, {3, 2}, {7, 5}, {64, 48}, {333, 101}, {101, 333}, {1001, 17}, {17, 1001}};
    const uint32_t seeds[] = {1, 7, 12345};
    Latencies latency;
    for (int effect = 0; effect < kEffectCount; ++effect)
        for (Size size : sizes)
            for (uint32_t seed : seeds) {
                SCOPED_TRACE(::testing::Message() << "effect " << effect << " " << size.w << "x" << size.h
                                                  << " seed " << seed);
                ScriptedRandom random({}, seed);
                // The frame stands off the corner of a larger surface, as a collage tile does.
                Plan plan = BuildPlan(effect, 5, 3, size.w, size.h, latency, random);
                ASSERT_FALSE(plan.ops.empty());
                Screen screen(size.w + 12, size.h + 9);
                ASSERT_TRUE(Play(plan, screen));
                ASSERT_TRUE(ShowsPictureExactly(plan, screen));

                if (IsLineEffect(effect)) {
                    // One line at a time, every line of the frame exactly once.
                    bool columns = ByColumns(effect);
                    std::vector<int> lines = CopiedLines(plan, columns);
                    std::multiset<int> seen(lines.begin(), lines.end());
                    int count = columns ? size.w : size.h;
                    ASSERT_EQ(lines.size(), size_t(count));
                    for (int l = 0; l < count; ++l) ASSERT_EQ(seen.count(l), 1u) << "line " << l;
                    for (const Op& op : plan.ops)
                        if (op.kind == OpKind::Copy) {
                            ASSERT_EQ(columns ? op.w : op.h, 1);
                        }
                } else {
                    // The others finish with one copy of the whole picture.
                    const Op& last = plan.ops.back();
                    EXPECT_EQ(last.kind, OpKind::Copy);
                    EXPECT_EQ(last.dx, 5);
                    EXPECT_EQ(last.dy, 3);
                    EXPECT_EQ(last.w, size.w);
                    EXPECT_EQ(last.h, size.h);
                }
            }
}

TEST(TransitionPlan, CollageTileStaysInItsRectangle) {
    // A 250 x 125 tile placed at (600, 400) of a 1000 x 700 collage.
    Latencies latency;
    for (int effect = 0; effect < kEffectCount; ++effect) {
        SCOPED_TRACE(effect);
        ScriptedRandom random({}, 99);
        Plan plan = BuildPlan(effect, 600, 400, 250, 125, latency, random);
        for (const Op& op : plan.ops) {
            if (op.kind != OpKind::Copy) continue;
            ASSERT_GE(op.dx, 600);
            ASSERT_GE(op.dy, 400);
            ASSERT_LE(op.dx + op.w, 850);
            ASSERT_LE(op.dy + op.h, 525);
        }
    }
}

TEST(TransitionPlan, ShuttersOnAThousandPixelFrame) {
    // k = 10: strips of 105 columns, 105 steps, pausing steps sleep 500 / 105 + 1 = 5 ms.
    Latencies latency;   // shutter latency 500
    {
        ScriptedRandom random({8});
        Plan plan = BuildPlan(kShuttersRight, 0, 0, 1000, 20, latency, random);
        std::vector<int> lines = CopiedLines(plan, true);
        // Step i copies columns i, i + 105, ...: ten strips, the last one 55 wide.
        std::vector<int> offsets;
        for (int c : lines)
            if (offsets.empty() || offsets.back() != c % 105) offsets.push_back(c % 105);
        ASSERT_EQ(offsets.size(), 105u);
        for (int i = 0; i < 105; ++i) EXPECT_EQ(offsets[i], i);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](int c) { return c % 105 == 0; }), 10);
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](int c) { return c % 105 == 60; }), 9);
        // Small k: only the even steps 0, 2, ..., 104 pause.
        EXPECT_EQ(plan.PauseCount(), 53u);
        for (const Op& op : plan.ops)
            if (op.kind == OpKind::Pause) {
                EXPECT_EQ(op.ms, 5u);
            }
        auto steps = StepsBetweenPauses(plan, true);
        EXPECT_EQ(steps[0], (std::vector<int>{0, 105, 210, 315, 420, 525, 630, 735, 840, 945}));
        EXPECT_EQ(steps[1].front(), 1);   // step 1 has no pause of its own
        EXPECT_EQ(steps[1][10], 2);
    }
    {
        // Shutters Left: the left edge of each strip first, then from the right edge leftwards;
        // steps 105 .. 1, the even ones pausing.
        ScriptedRandom random({8});
        Plan plan = BuildPlan(kShuttersLeft, 0, 0, 1000, 20, latency, random);
        std::vector<int> offsets;
        for (int c : CopiedLines(plan, true))
            if (offsets.empty() || offsets.back() != c % 105) offsets.push_back(c % 105);
        ASSERT_EQ(offsets.size(), 105u);
        EXPECT_EQ(offsets[0], 0);
        EXPECT_EQ(offsets[1], 104);
        EXPECT_EQ(offsets[104], 1);
        EXPECT_EQ(plan.PauseCount(), 52u);
        auto steps = StepsBetweenPauses(plan, true);
        EXPECT_EQ(steps[0].front(), 0);     // step 105 (odd): no pause, step 104 follows
        EXPECT_EQ(steps[0].back(), 104 + 8 * 105);
    }
    {
        // k = 11 and up: every step pauses; Shutters Up uses the height.
        ScriptedRandom random({9});
        Plan plan = BuildPlan(kShuttersUp, 0, 0, 20, 1000, latency, random);
        int n = 1000 / 11 + 5;   // 95
        EXPECT_EQ(plan.PauseCount(), size_t(n));
        EXPECT_EQ(plan.TotalPauseMs(), uint64_t(n) * (500 / n + 1));
        EXPECT_EQ(StepsBetweenPauses(plan, false)[0].front(), 0);
        EXPECT_EQ(StepsBetweenPauses(plan, false)[1].front(), n - 1);
    }
    {
        // The widest strips and no latency: no pause sleeps at all.
        Latencies none;
        none.shutter = 0;
        ScriptedRandom random({0});
        Plan plan = BuildPlan(kShuttersDown, 0, 0, 64, 1000, none, random);
        EXPECT_EQ(plan.TotalPauseMs(), 0u);
        EXPECT_EQ(plan.PauseCount(), size_t((1000 / 2 + 5 + 1) / 2));
    }
}

TEST(TransitionPlan, WipesInterleaveTwoPasses) {
    Latencies latency;   // wipe latency 2: each pause sleeps 3 ms
    auto expectRange = [](const std::vector<int>& lines, size_t from, int first, int step, size_t count) {
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(lines[from + i], first + int(i) * step) << "at " << from + i;
    };
    {
        ScriptedRandom random({0});
        Plan plan = BuildPlan(kWipeRightLeft, 0, 0, 1001, 4, latency, random);
        std::vector<int> lines = CopiedLines(plan, true);
        ASSERT_EQ(lines.size(), 1001u);
        expectRange(lines, 0, 0, 2, 501);      // 0, 2, ..., 1000
        expectRange(lines, 501, 999, -2, 500);   // 999, 997, ..., 1
        // s = 1001 / 200 + 0 + 1 = 6: a pause after lines 0, 6, 12, ... of each pass.
        EXPECT_EQ(plan.PauseCount(), size_t(84 + 84));
        EXPECT_EQ(plan.TotalPauseMs(), uint64_t(168 * 3));
        auto steps = StepsBetweenPauses(plan, true);
        EXPECT_EQ(steps[0], std::vector<int>{0});
        EXPECT_EQ(steps[1], (std::vector<int>{2, 4, 6, 8, 10, 12}));
        // The first pass ends with 998, 1000; the second counts afresh and pauses after its first line.
        EXPECT_EQ(steps[84], (std::vector<int>{998, 1000, 999}));
    }
    {
        ScriptedRandom random({0});
        Plan plan = BuildPlan(kWipeLeftRight, 0, 0, 1001, 4, latency, random);
        std::vector<int> lines = CopiedLines(plan, true);
        expectRange(lines, 0, 999, -2, 500);   // same parity as 1001 - 2, from the right
        expectRange(lines, 500, 0, 2, 501);    // then the others from the left
    }
    {
        ScriptedRandom random({0});
        Plan plan = BuildPlan(kWipeLeftRight, 0, 0, 1000, 4, latency, random);
        std::vector<int> lines = CopiedLines(plan, true);
        expectRange(lines, 0, 998, -2, 500);
        expectRange(lines, 500, 1, 2, 500);
    }
    {
        // Vertical wipes take their pause spacing from the width: 10 / 200 + 4 + 1 = 5.
        ScriptedRandom random({4});
        Plan plan = BuildPlan(kWipeUpDown, 0, 0, 10, 21, latency, random);
        std::vector<int> lines = CopiedLines(plan, false);
        expectRange(lines, 0, 19, -2, 10);
        expectRange(lines, 10, 0, 2, 11);
        EXPECT_EQ(plan.PauseCount(), size_t(2 + 3));
        ScriptedRandom random2({4});
        Plan down = BuildPlan(kWipeDownUp, 0, 0, 10, 21, latency, random2);
        lines = CopiedLines(down, false);
        expectRange(lines, 0, 0, 2, 11);
        expectRange(lines, 11, 19, -2, 10);
    }
}

TEST(TransitionPlan, PausesOfTheOtherEffects) {
    struct Case {
        int effect, w, h, draw;
        size_t pauses;
        uint64_t totalMs;
    };
    // Latencies: slide 5, quadrant slide 10, quadrant wipe 12, dissolve 2, crossfade 30.
    const Case cases[] = {
        // d = 0, 21, ..., 987: 48 steps of 5 + 3 + 1.
        {kHorizontalSlide, 1000, 600, 3, 48, 48 * 9},
        // d steps by 600 / 50 + 1 = 13: 0 .. 598, 47 steps of 5 + 9 + 1.
        {kVerticalSlide, 1000, 600, 19, 47, 47 * 15},
        // dx steps by 13 while below 500: 39 steps of 10 + 0 + 1.
        {kQuadrantSlide, 1000, 600, 20, 39, 39 * 11},
        // Phases of 11 (d < 330, step 31), 11 (d < 550, step 51), 11, 11 steps; t = 12 + 5 + 1.
        {kQuadrantWipe, 1000, 600, 5, 44, 44 * 18},
        // Peel: 10 (d < 300, step 31), 11, 11, 11 steps.
        {kQuadrantPeel, 1000, 600, 5, 43, 43 * 18},
        // k = 950 / 100 + 2 = 11: 20 / 11 + 60 = 61 passes of 3 ms.
        {kDissolve, 1000, 30, 950, 61, 61 * 3},
        {kCrossfade, 1000, 600, 45, 50, 50 * 36},
    };
    Latencies latency;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.effect);
        ScriptedRandom random({c.draw});
        Plan plan = BuildPlan(c.effect, 0, 0, c.w, c.h, latency, random);
        EXPECT_EQ(plan.PauseCount(), c.pauses);
        EXPECT_EQ(plan.TotalPauseMs(), c.totalMs);
    }
}

TEST(TransitionPlan, RandomDrawsAreTakenAsTheEffectsNeedThem) {
    // One draw per effect, except Dissolve: its block size, then x and y of every block.
    Latencies latency;
    for (int effect = 0; effect < kEffectCount; ++effect) {
        ScriptedRandom random({}, 3);
        BuildPlan(effect, 0, 0, 40, 30, latency, random);
        size_t expected = effect == kDissolve ? 1 + (20 / 2 + 60) * 30 * 2 : 1;
        EXPECT_EQ(random.draws, expected) << "effect " << effect;
    }
    // Dissolve blocks land where the draws say: x first, then y, each (w / 120 + k) x (h / 120 + k).
    ScriptedRandom random({250, 7, 3});
    Plan plan = BuildPlan(kDissolve, 0, 0, 300, 240, latency, random);
    const Op& first = plan.ops.front();
    EXPECT_EQ(first.sx, 7);
    EXPECT_EQ(first.sy, 3);
    EXPECT_EQ(first.dx, 7);
    EXPECT_EQ(first.w, 300 / 120 + 4);
    EXPECT_EQ(first.h, 240 / 120 + 4);
}

TEST(TransitionPlan, CrossfadeBlendsOverTheOldFrame) {
    Latencies latency;
    ScriptedRandom random({0});
    Plan plan = BuildPlan(kCrossfade, 10, 20, 64, 48, latency, random);
    ASSERT_EQ(plan.ops.front().kind, OpKind::Snapshot);
    int alpha = 1;
    for (size_t i = 1; i + 1 < plan.ops.size(); i += 3) {
        ASSERT_EQ(plan.ops[i].kind, OpKind::BlendSnapshot);
        EXPECT_EQ(plan.ops[i].alpha, ++alpha);
        EXPECT_EQ(plan.ops[i + 1].kind, OpKind::ShowSnapshot);
        EXPECT_EQ(plan.ops[i + 2].kind, OpKind::Pause);
        EXPECT_EQ(plan.ops[i + 2].ms, 31u);
    }
    EXPECT_EQ(alpha, 51);
}

TEST(TransitionPlan, BadInputDrawsNothing) {
    Latencies latency;
    for (int effect : {-1, 15, 99}) {
        ScriptedRandom random;
        EXPECT_TRUE(BuildPlan(effect, 0, 0, 100, 100, latency, random).ops.empty());
        EXPECT_EQ(random.draws, 0u);
    }
    for (Size size : {Size{0, 10}, Size{10, 0}, Size{-5, 10}, Size{10, -1}}) {
        ScriptedRandom random;
        EXPECT_TRUE(BuildPlan(kDissolve, 0, 0, size.w, size.h, latency, random).ops.empty());
        EXPECT_EQ(random.draws, 0u);
    }
    // Negative latencies from a damaged settings file pause not at all, never for ages.
    Latencies negative{-1, -1, -1, -1, -1, -1, -1};
    for (int effect = 0; effect < kEffectCount; ++effect) {
        ScriptedRandom random({}, 5);
        Plan plan = BuildPlan(effect, 0, 0, 200, 100, negative, random);
        for (const Op& op : plan.ops) {
            if (op.kind == OpKind::Pause) {
                ASSERT_LE(op.ms, 100u) << "effect " << effect;
            }
        }
    }
}

TEST(TransitionPlan, PickEffectFromTheEnabledList) {
    ScriptedRandom none;
    EXPECT_EQ(PickEffect({}, none), -1);
    EXPECT_EQ(none.draws, 0u);
    std::vector<int32_t> enabled{0, 1, 2, 4, 14};
    ScriptedRandom random({6, 9, 32767});
    EXPECT_EQ(PickEffect(enabled, random), 1);
    EXPECT_EQ(PickEffect(enabled, random), 14);
    EXPECT_EQ(PickEffect(enabled, random), 2);   // 32767 mod 5 = 2
}
