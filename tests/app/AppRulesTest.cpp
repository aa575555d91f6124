// The slide timer's countdown and what happens when a period is over.
#include "app/SlideTimerRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


using namespace slideshow;

namespace {

std::wstring Remaining(uint32_t ms) { wchar_t text[32]; FormatRemaining(text, 32, ms); return text; }

}  // namespace

// One period counted down as the timer does: the texts shown (the first when
// the period starts) and the tick intervals (the first a whole one).
TEST(SlideTimerRules, CountdownInTicksOfAtMostOneSecond) {
    for (const auto& [timer, texts, intervals] :
         {std::tuple{int32_t(2500), std::vector<std::wstring>{L"\t2.50", L"\t1.50", L"\t0.50"},
                     std::vector<uint32_t>{1000, 1000, 500}},
          {0, {L"\t0.00"}, {1000}}, {-5, {L"\t0.00"}, {1000}}}) {   // a negative wait is none, not 49 days
        uint32_t remaining = PeriodMs(timer);
        std::vector<std::wstring> shown{Remaining(remaining)};
        std::vector<uint32_t> ticks{1000};
        while ((remaining = AfterTick(remaining, 1000)) > 0) {
            shown.push_back(Remaining(remaining));
            ticks.push_back(NextInterval(remaining, 1000));
        }
        EXPECT_EQ(shown, texts) << timer;
        EXPECT_EQ(ticks, intervals) << timer;
    }
    EXPECT_EQ(Remaining(4294967000u), L"\t4294967.00");
}

TEST(SlideTimerRules, EndOfPeriod) {
    using enum EndAction;
    // The inputs: count, index, loop, loopshuffle, sort, collage, building.
    const struct { const char* what; EndInputs in; bool reshuffle; EndAction action; } cases[] = {
        {"middle", {10, 3, 0, false, 0, false, false}, false, Next},
        {"last, loop 0 starts again", {10, 9, 0, false, 0, false, false}, false, Next},
        {"last, loop 1 pauses", {10, 9, 1, false, 0, false, false}, false, Pause},
        {"middle, loop 2 goes on", {10, 5, 2, false, 0, false, false}, false, Next},
        {"last, loop 2 exits unshuffled", {10, 9, 2, true, 2, false, false}, false, Exit},
        {"new random order each pass", {10, 9, 0, true, 2, false, false}, true, Next},
        {"loopshuffle needs random sort", {10, 9, 0, true, 1, false, false}, false, Next},
        {"shuffle only at the end", {10, 8, 0, true, 2, false, false}, false, Next},
        {"loop 1 reshuffles then pauses", {10, 9, 1, true, 2, false, false}, true, Pause},
        {"single picture stays", {1, 0, 0, true, 2, false, false}, false, Pause},
        {"single picture in a collage", {1, 0, 0, false, 0, true, false}, false, Next},
        {"random while building", {10, 3, 0, false, 2, false, true}, false, RandomPick},
        {"in order while building", {10, 3, 0, false, 0, false, true}, false, Next},
        {"exit before random pick", {10, 9, 2, false, 2, false, true}, false, Exit},
        {"empty exhibit", {0, 0, 0, false, 0, false, false}, false, Pause},
    };
    for (const auto& c : cases) {
        const EndDecision d = DecideEndOfPeriod(c.in);
        EXPECT_TRUE(d.reshuffle == c.reshuffle && d.action == c.action) << c.what;
    }
}
