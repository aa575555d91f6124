#include "app/SlideTimerRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace slideshow;

namespace {

std::wstring Remaining(uint32_t ms) {
    wchar_t text[32];
    FormatRemaining(text, 32, ms);
    return text;
}

// Counts one period down as the timer does: the texts shown and the tick intervals.
void CountDown(int32_t timer, std::vector<std::wstring>& texts, std::vector<uint32_t>& intervals) {
    uint32_t remaining = PeriodMs(timer);
    texts = {Remaining(remaining)};   // shown when the period starts
    intervals = {1000};               // the first tick is a whole one
    while ((remaining = AfterTick(remaining, 1000)) > 0) {
        texts.push_back(Remaining(remaining));
        intervals.push_back(NextInterval(remaining, 1000));
    }
}

}  // namespace

TEST(SlideTimerRules, CountdownInTicksOfAtMostOneSecond) {
    std::vector<std::wstring> texts;
    std::vector<uint32_t> intervals;
    CountDown(2500, texts, intervals);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"\t2.50", L"\t1.50", L"\t0.50"}));
    EXPECT_EQ(intervals, (std::vector<uint32_t>{1000, 1000, 500}));
    // No wait: the period ends at the first tick. A negative one is no wait either, not 49 days.
    for (int32_t timer : {0, -5}) {
        CountDown(timer, texts, intervals);
        EXPECT_EQ(texts, std::vector<std::wstring>{L"\t0.00"});
    }
    EXPECT_EQ(Remaining(4294967000u), L"\t4294967.00");
    wchar_t tiny[4] = {L'x', L'x', L'x', L'x'};
    FormatRemaining(tiny, 4, 5000);
    EXPECT_EQ(tiny[3], L'\0');
}

TEST(SlideTimerRules, EndOfPeriod) {
    struct Case {
        const char* what;
        int64_t index, count;
        int32_t loop;
        bool loopshuffle;
        int32_t sort;
        bool collage, building;
        bool reshuffle;
        EndAction action;
    } const cases[] = {
        {"middle", 3, 10, 0, false, 0, false, false, false, EndAction::Next},
        {"last, loop 0 starts again", 9, 10, 0, false, 0, false, false, false, EndAction::Next},
        {"last, loop 1 pauses", 9, 10, 1, false, 0, false, false, false, EndAction::Pause},
        {"middle, loop 2 goes on", 5, 10, 2, false, 0, false, false, false, EndAction::Next},
        {"last, loop 2 exits unshuffled", 9, 10, 2, true, 2, false, false, false, EndAction::Exit},
        {"new random order each pass", 9, 10, 0, true, 2, false, false, true, EndAction::Next},
        {"loopshuffle needs random sort", 9, 10, 0, true, 1, false, false, false, EndAction::Next},
        {"shuffle only at the end", 8, 10, 0, true, 2, false, false, false, EndAction::Next},
        {"loop 1 reshuffles then pauses", 9, 10, 1, true, 2, false, false, true, EndAction::Pause},
        {"single picture stays", 0, 1, 0, true, 2, false, false, false, EndAction::Pause},
        {"single picture in a collage", 0, 1, 0, false, 0, true, false, false, EndAction::Next},
        {"collage still pauses at loop 1", 0, 1, 1, false, 0, true, false, false, EndAction::Pause},
        {"random while building", 3, 10, 0, false, 2, false, true, false, EndAction::RandomPick},
        {"in order while building", 3, 10, 0, false, 0, false, true, false, EndAction::Next},
        {"exit before random pick", 9, 10, 2, false, 2, false, true, false, EndAction::Exit},
        {"empty exhibit", 0, 0, 0, false, 0, false, false, false, EndAction::Pause},
    };
    for (const Case& c : cases) {
        EndInputs in{c.count, c.index, c.loop, c.loopshuffle, c.sort, c.collage, c.building};
        EndDecision d = DecideEndOfPeriod(in);
        EXPECT_EQ(d.reshuffle, c.reshuffle) << c.what;
        EXPECT_EQ(d.action, c.action) << c.what;
    }
}
