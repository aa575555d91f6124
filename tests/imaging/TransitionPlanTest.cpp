// The transition plans: every effect stays inside and covers its frame, the
// order of its steps, its pauses and its random draws. (Playing them is
// checked end to end, where the crossfade must end on the exact picture.)
#include "imaging/TransitionPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>

using namespace transition;

namespace {

// Hands out the given values first, then a fixed pseudo-random sequence.
struct ScriptedRandom final : RandomSource {
    explicit ScriptedRandom(std::deque<int> first = {}, uint32_t seed = 1) : first(std::move(first)), state(seed) {}
    int Next() override {
        ++draws;
        if (first.empty()) return int(((state = state * 1103515245u + 12345u) >> 16) & 0x7fff);
        const int v = first.front();
        first.pop_front();
        return v;
    }
    std::deque<int> first;
    uint32_t state;
    size_t draws = 0;
};

// The lines a shutter or wipe copies, split at its pauses.
std::vector<std::vector<int>> Steps(const Plan& p, bool columns) {
    std::vector<std::vector<int>> steps(1);
    for (const Op& op : p.ops) {
        if (op.kind == OpKind::Pause) steps.emplace_back();
        if (op.kind == OpKind::Copy) steps.back().push_back(columns ? op.sx : op.sy);
    }
    return steps;
}
std::vector<int> Lines(const Plan& p, bool columns) {
    std::vector<int> lines;
    for (const std::vector<int>& step : Steps(p, columns)) lines.insert(lines.end(), step.begin(), step.end());
    return lines;
}

}  // namespace

// Every copy stays inside the frame and the source; shutters and wipes copy
// every line once, the others end with one copy of the whole picture.
TEST(TransitionPlan, EveryEffectStaysInsideItsFrameAndCoversIt) {
    // The frame stands off the corner of a larger surface, as a collage tile does.
    const int sizes[][2] = {{1, 1}, {2, 3}, {7, 5}, {64, 48}, {333, 101}, {101, 333}, {1001, 17}, {17, 1001}};
    for (int effect = 0; effect < kEffectCount; ++effect)
        for (auto [w, h] : sizes)
            for (uint32_t seed : {1u, 7u, 12345u}) {
                SCOPED_TRACE(::testing::Message() << "effect " << effect << " " << w << "x" << h << " seed " << seed);
                ScriptedRandom random({}, seed);
                const Plan plan = BuildPlan(effect, 5, 3, w, h, Latencies{}, random);
                for (const Op& op : plan.ops)
                    ASSERT_TRUE(op.kind != OpKind::Copy || (op.w > 0 && op.h > 0 && op.sx >= 0 && op.sy >= 0 &&
                        op.sx + op.w <= w && op.sy + op.h <= h && op.dx >= 5 && op.dy >= 3 && op.dx + op.w <= 5 + w &&
                        op.dy + op.h <= 3 + h));
                if (effect <= kWipeUpDown) {
                    const bool columns = effect == 0 || effect == 1 || effect == 4 || effect == 5;
                    std::vector<int> lines = Lines(plan, columns), all(size_t(columns ? w : h));
                    std::sort(lines.begin(), lines.end());
                    std::iota(all.begin(), all.end(), 0);
                    ASSERT_EQ(lines, all);
                } else {
                    const Op& last = plan.ops.back();
                    EXPECT_TRUE(last.kind == OpKind::Copy && last.w == w && last.h == h && last.dx == 5);
                }
            }
}

TEST(TransitionPlan, ShuttersOnAThousandPixelFrame) {
    // k = 10: strips of 105 columns, 105 steps; pausing steps sleep 500 / 105 + 1 = 5 ms.
    ScriptedRandom random({8, 8, 9});
    Plan right = BuildPlan(kShuttersRight, 0, 0, 1000, 20, Latencies{}, random);
    std::vector<int> offsets, ascending(105);
    for (int c : Lines(right, true))
        if (offsets.empty() || offsets.back() != c % 105) offsets.push_back(c % 105);
    std::iota(ascending.begin(), ascending.end(), 0);
    EXPECT_EQ(offsets, ascending);
    // Small k: only the even steps 0, 2, ..., 104 pause.
    EXPECT_TRUE(right.PauseCount() == 53u && right.TotalPauseMs() == 53u * 5);
    EXPECT_EQ(Steps(right, true)[0], (std::vector<int>{0, 105, 210, 315, 420, 525, 630, 735, 840, 945}));

    // Shutters Left: steps 105 .. 1, so each strip's left edge first, then from its right edge.
    Plan left = BuildPlan(kShuttersLeft, 0, 0, 1000, 20, Latencies{}, random);
    const std::vector<int> first = Steps(left, true)[0];
    EXPECT_TRUE(first.front() == 0 && first[10] == 104) << "step 105 is odd and does not pause";
    EXPECT_EQ(left.PauseCount(), 52u);
}

TEST(TransitionPlan, WipesInterleaveTwoPasses) {
    auto expectRun = [](const std::vector<int>& lines, size_t from, int first, int step, size_t count) {
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(lines[from + i], first + int(i) * step) << "at " << from + i;
    };
    ScriptedRandom random({0, 0, 4});
    // 1001 columns: 0, 2, ..., 1000, then 999, 997, ..., 1. s = 1001 / 200 + 0 + 1 = 6.
    Plan plan = BuildPlan(kWipeRightLeft, 0, 0, 1001, 4, Latencies{}, random);
    std::vector<int> lines = Lines(plan, true);
    ASSERT_EQ(lines.size(), 1001u);
    expectRun(lines, 0, 0, 2, 501);
    expectRun(lines, 501, 999, -2, 500);
    // Each pass pauses (wipe latency + 1 = 3 ms) after its lines 0, 6, 12, ...
    EXPECT_EQ(plan.TotalPauseMs(), (84u + 84u) * 3);
    EXPECT_EQ(Steps(plan, true)[1], (std::vector<int>{2, 4, 6, 8, 10, 12}));
    EXPECT_EQ(Steps(plan, true)[84], (std::vector<int>{998, 1000, 999})) << "the second pass counts afresh";

    plan = BuildPlan(kWipeLeftRight, 0, 0, 1001, 4, Latencies{}, random);
    lines = Lines(plan, true);
    expectRun(lines, 0, 999, -2, 500);   // same parity as the width, from the right
    expectRun(lines, 500, 0, 2, 501);
}

TEST(TransitionPlan, PausesOfTheOtherEffects) {
    struct Case { int effect, w, h, draw; size_t pauses; uint64_t totalMs; } const cases[] = {
        {kHorizontalSlide, 1000, 600, 3, 48, 48 * 9},     // d = 0, 21, ..., 987; 5 + 3 + 1 ms
        {kVerticalSlide, 1000, 600, 19, 47, 47 * 15},     // d = 0, 13, ..., 598; 5 + 9 + 1
        {kQuadrantSlide, 1000, 600, 20, 39, 39 * 11},     // dx = 0, 13, ..., 494; 10 + 0 + 1
        {kQuadrantWipe, 1000, 600, 5, 44, 44 * 18},       // 11 steps a phase; 12 + 5 + 1
        {kQuadrantPeel, 1000, 600, 5, 43, 43 * 18},       // 10 + 11 + 11 + 11
        {kDissolve, 1000, 30, 950, 61, 61 * 3},           // k = 11: 20 / 11 + 60 passes
        {kCrossfade, 1000, 600, 45, 50, 50 * 36},         // 30 + 5 + 1
    };
    for (const Case& c : cases) {
        ScriptedRandom random({c.draw});
        const Plan plan = BuildPlan(c.effect, 0, 0, c.w, c.h, Latencies{}, random);
        EXPECT_TRUE(plan.PauseCount() == c.pauses && plan.TotalPauseMs() == c.totalMs) << "effect " << c.effect;
    }
}

TEST(TransitionPlan, BadInputDrawsNothing) {
    const int bad[][3] = {{-1, 100, 100}, {15, 100, 100}, {kDissolve, 0, 10}, {kDissolve, 10, -1}};
    for (auto [effect, w, h] : bad) {
        ScriptedRandom random;
        EXPECT_TRUE(BuildPlan(effect, 0, 0, w, h, Latencies{}, random).ops.empty() && random.draws == 0u) << effect;
    }
    // Negative latencies from a damaged settings file pause briefly, never for ages.
    for (int effect = 0; effect < kEffectCount; ++effect) {
        ScriptedRandom random({}, 5);
        Plan plan = BuildPlan(effect, 0, 0, 200, 100, Latencies{-1, -1, -1, -1, -1, -1, -1}, random);
        EXPECT_LE(plan.TotalPauseMs(), 100u * plan.PauseCount()) << "effect " << effect;
    }
}

// One draw per effect but Dissolve (its block size, then x and y of every
// block); the effect is drawn from the enabled ones.
TEST(TransitionPlan, RandomDraws) {
    for (int effect = 0; effect < kEffectCount; ++effect) {
        ScriptedRandom random({}, 3);
        BuildPlan(effect, 0, 0, 40, 30, Latencies{}, random);
        EXPECT_EQ(random.draws, effect == kDissolve ? 1 + (20 / 2 + 60) * 30 * 2 : 1u) << "effect " << effect;
    }
    ScriptedRandom none, random({6, 9, 32767});
    EXPECT_TRUE(PickEffect({}, none) == -1 && none.draws == 0u);
    const std::vector<int32_t> enabled{0, 1, 2, 4, 14};
    for (const int32_t picked : {1, 14, 2}) EXPECT_EQ(PickEffect(enabled, random), picked);
}

// Whatever the latencies and the frame, no effect pauses longer than its
// budget in all; cutting the pauses keeps every step and every copy.
TEST(TransitionPlan, NoEffectPausesPastItsBudget) {
    const Latencies huge{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
    const int32_t frames[][2] = {{3840, 2160}, {2160, 3840}, {3, 3840}, {3840, 3}};
    auto sameSteps = [](const Op& a, const Op& b) {
        return a.kind == b.kind && a.alpha == b.alpha && a.sx == b.sx && a.sy == b.sy && a.dx == b.dx &&
               a.dy == b.dy && a.w == b.w && a.h == b.h;
    };
    for (int effect = 0; effect < kEffectCount; ++effect)
        for (const auto& [w, h] : frames) {
            ScriptedRandom first({}, 5), second({}, 5);
            const Plan cut = BuildPlan(effect, 0, 0, w, h, huge, first);
            const Plan whole = BuildPlan(effect, 0, 0, w, h, huge, second, UINT32_MAX);
            EXPECT_TRUE(cut.TotalPauseMs() <= kLongestEffectMs && whole.TotalPauseMs() > kLongestEffectMs)
                << "effect " << effect << " on " << w << " x " << h;
            EXPECT_TRUE(std::equal(cut.ops.begin(), cut.ops.end(), whole.ops.begin(), whole.ops.end(), sameSteps))
                << "effect " << effect << " on " << w << " x " << h;
        }
}
