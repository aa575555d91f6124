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

// Counts a period down as the timer does: the texts shown and the tick intervals.
struct Countdown {
    std::vector<std::wstring> texts;
    std::vector<uint32_t> intervals;
};

Countdown CountDown(int32_t timer, uint32_t tick = 1000) {
    Countdown out;
    uint32_t remaining = PeriodMs(timer);
    out.texts.push_back(Remaining(remaining));   // shown when the period starts
    out.intervals.push_back(tick);               // the first tick is always a whole one
    for (;;) {
        remaining = AfterTick(remaining, tick);
        if (remaining == 0) break;
        out.texts.push_back(Remaining(remaining));
        out.intervals.push_back(NextInterval(remaining, tick));
    }
    return out;
}

EndInputs At(int64_t index, int64_t count) {
    EndInputs in;
    in.index = index;
    in.count = count;
    return in;
}

}  // namespace

TEST(SlideTimerRules, CountdownInTicksOfAtMostOneSecond) {
    Countdown c = CountDown(2500);
    EXPECT_EQ(c.texts, (std::vector<std::wstring>{L"\t2.50", L"\t1.50", L"\t0.50"}));
    EXPECT_EQ(c.intervals, (std::vector<uint32_t>{1000, 1000, 500}));

    // No wait at all: the period ends at the first tick.
    c = CountDown(0);
    EXPECT_EQ(c.texts, std::vector<std::wstring>{L"\t0.00"});
    EXPECT_EQ(c.intervals.size(), 1u);

    c = CountDown(3000);
    EXPECT_EQ(c.texts, (std::vector<std::wstring>{L"\t3.00", L"\t2.00", L"\t1.00"}));

    // A negative period from a damaged settings file is no wait, not 49 days.
    EXPECT_EQ(PeriodMs(-5), 0u);
    EXPECT_EQ(CountDown(-1).intervals.size(), 1u);
    EXPECT_EQ(AfterTick(999, 1000), 0u);
    EXPECT_EQ(AfterTick(0, 1000), 0u);
}

TEST(SlideTimerRules, RemainingTextAlwaysFits) {
    EXPECT_EQ(Remaining(1234), L"\t1.23");
    EXPECT_EQ(Remaining(4294967000u), L"\t4294967.00");   // seven digits of seconds still fit
    wchar_t tiny[4] = {L'x', L'x', L'x', L'x'};
    FormatRemaining(tiny, 4, 5000);
    EXPECT_EQ(tiny[3], L'\0');
    EXPECT_STREQ(kStatusOff, L"\t!");
    EXPECT_STREQ(kStatusIdle, L"\t...");
}

TEST(SlideTimerRules, EndOfPeriodMovesOnOrWraps) {
    EndDecision d = DecideEndOfPeriod(At(3, 10));
    EXPECT_EQ(d.action, EndAction::Next);
    EXPECT_FALSE(d.reshuffle);
    EXPECT_EQ(NextIndex(3, 10), 4);
    EXPECT_EQ(NextIndex(9, 10), 0);
    // An index left over from a longer list still lands inside the list.
    EXPECT_EQ(NextIndex(12, 10), 3);
    EXPECT_EQ(NextIndex(-1, 10), 0);
    EXPECT_EQ(NextIndex(0, 0), 0);

    // Loop 0 at the last picture starts again.
    EXPECT_EQ(DecideEndOfPeriod(At(9, 10)).action, EndAction::Next);
    // Exit at the end only at the end.
    EndInputs in = At(5, 10);
    in.loop = 2;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Next);
}

TEST(SlideTimerRules, EndOfExhibitFollowsTheLoopSetting) {
    EndInputs in = At(9, 10);
    in.loop = 1;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Pause);
    in.loop = 2;
    in.loopshuffle = true;
    in.sort = 2;
    EndDecision d = DecideEndOfPeriod(in);
    EXPECT_EQ(d.action, EndAction::Exit);
    EXPECT_FALSE(d.reshuffle);   // no point shuffling on the way out
}

TEST(SlideTimerRules, ReshuffleOnlyForRandomOrder) {
    EndInputs in = At(9, 10);
    in.loopshuffle = true;
    in.sort = 2;
    EndDecision d = DecideEndOfPeriod(in);
    EXPECT_TRUE(d.reshuffle);
    EXPECT_EQ(d.action, EndAction::Next);   // then index 0 of the new order

    in.sort = 1;
    EXPECT_FALSE(DecideEndOfPeriod(in).reshuffle);
    in.sort = 2;
    in.index = 8;
    EXPECT_FALSE(DecideEndOfPeriod(in).reshuffle);   // not at the end yet
    in = At(0, 1);
    in.loopshuffle = true;
    in.sort = 2;
    EXPECT_FALSE(DecideEndOfPeriod(in).reshuffle);   // one picture: nothing to shuffle

    // Pause at the end still reshuffles first, so a restart begins a new order.
    in = At(9, 10);
    in.loopshuffle = true;
    in.sort = 2;
    in.loop = 1;
    d = DecideEndOfPeriod(in);
    EXPECT_TRUE(d.reshuffle);
    EXPECT_EQ(d.action, EndAction::Pause);
}

TEST(SlideTimerRules, SinglePictureAndCollage) {
    EXPECT_EQ(DecideEndOfPeriod(At(0, 1)).action, EndAction::Pause);
    EndInputs in = At(0, 1);
    in.collage = true;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Next);   // the same picture again, a new tile
    in.loop = 1;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Pause);
    EXPECT_EQ(DecideEndOfPeriod(At(0, 0)).action, EndAction::Pause);
}

TEST(SlideTimerRules, RandomPickWhileBuildingInRandomOrder) {
    EndInputs in = At(3, 10);
    in.building = true;
    in.sort = 2;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::RandomPick);
    in.sort = 0;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Next);
    in.sort = 2;
    in.index = 9;
    in.loop = 2;
    EXPECT_EQ(DecideEndOfPeriod(in).action, EndAction::Exit);   // the end rules come first
}
