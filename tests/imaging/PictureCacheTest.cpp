// Decoding ahead: which pictures are decoded once and taken ready, which are
// decoded again because their file changed or the list did, a decode that
// never ends, and the memory the pictures decoded ahead may take.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>

#include "imaging/PictureCache.h"
#include "support/TestFiles.h"

namespace {

// Stands in for the decoder: counts its calls per file, stamps the result
// with the file as it is, and hangs on any file named "slow" until released.
struct FakeDecoder {
    DecodedPicture operator()(const std::wstring& path, const ShowPlan&) {
        std::unique_lock lock(mutex);
        ++calls[path];
        lock.unlock();
        if (path.ends_with(L"slow")) WaitForSingleObject(release.Get(), INFINITE);
        DecodedPicture picture;
        picture.outcome = DecodeOutcome::Decoded;
        StampOf(path.c_str(), picture.stamp);
        picture.memory = 100;
        return picture;
    }
    int Calls(const std::wstring& path) {
        std::lock_guard lock(mutex);
        return calls[path];
    }
    std::mutex mutex;
    std::map<std::wstring, int> calls;
    UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Waits without a window: the event or the slice, and never gives up.
bool Sleeper(HANDLE event, DWORD ms) { return WaitForSingleObject(event, ms), true; }

class PictureCacheTest : public testing::Test {
protected:
    PictureCacheTest() {
        for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e", L"slow"}) tree.File(name, "bytes");
    }
    ~PictureCacheTest() override { SetEvent(decoder.release.Get()); }
    std::wstring P(const wchar_t* name) const { return tree.Path(name); }
    // Waits until the cache holds `count` pictures decoded ahead.
    bool Holds(const PictureCache& cache, size_t count) {
        for (int i = 0; i < 500 && cache.HeldCount() != count; ++i) Sleep(10);
        return cache.HeldCount() == count;
    }

    TempFolder tree{L"oxcache"};
    FakeDecoder decoder;
    PictureCache::Decoder decode = [this](const std::wstring& path, const ShowPlan& plan) {
        return decoder(path, plan);
    };
    const ShowPlan plan{};
};

}  // namespace

TEST_F(PictureCacheTest, ReadyWhenDecodedAheadAgainWhenTheFileOrTheListChanged) {
    PictureCache cache(decode, 1000, 20000);
    cache.Prefetch(P(L"a"), plan);
    cache.Prefetch(P(L"a"), plan);   // asked twice, decoded once
    ASSERT_TRUE(Holds(cache, 1));
    PictureCache::Taken taken = cache.Take(P(L"a"), plan, Sleeper);
    EXPECT_TRUE(taken.ready && !taken.timedOut && taken.picture.outcome == DecodeOutcome::Decoded);
    EXPECT_TRUE(decoder.Calls(P(L"a")) == 1 && cache.HeldCount() == 0 && cache.HeldBytes() == 0);

    // Not asked for ahead: decoded at once.
    taken = cache.Take(P(L"b"), plan, Sleeper);
    EXPECT_TRUE(!taken.ready && taken.picture.outcome == DecodeOutcome::Decoded && decoder.Calls(P(L"b")) == 1);

    // Replaced after it was decoded ahead: what is shown is the file as it is now.
    cache.Prefetch(P(L"c"), plan);
    ASSERT_TRUE(Holds(cache, 1));
    tree.File(L"c", "other, longer bytes");
    taken = cache.Take(P(L"c"), plan, Sleeper);
    EXPECT_TRUE(!taken.ready && decoder.Calls(P(L"c")) == 2);
    FileStamp now;
    EXPECT_TRUE(StampOf(P(L"c").c_str(), now) && taken.picture.stamp == now);

    // Deleted after it was decoded ahead: decoded again, and the decoder says what it finds.
    cache.Prefetch(P(L"e"), plan);
    ASSERT_TRUE(Holds(cache, 1));
    DeleteFileW(P(L"e").c_str());
    EXPECT_FALSE(cache.Take(P(L"e"), plan, Sleeper).ready);
    EXPECT_EQ(decoder.Calls(P(L"e")), 2);

    // Decoded ahead for another window size: decoded again for this one.
    cache.Prefetch(P(L"a"), plan);
    ASSERT_TRUE(Holds(cache, 1));
    ShowPlan larger = plan;
    larger.area.width = 640;
    EXPECT_FALSE(cache.Take(P(L"a"), larger, Sleeper).ready);

    // A new list forgets everything decoded ahead.
    cache.Prefetch(P(L"d"), plan);
    ASSERT_TRUE(Holds(cache, 1));
    cache.Clear();
    EXPECT_TRUE(cache.HeldCount() == 0 && cache.HeldBytes() == 0);
    EXPECT_FALSE(cache.Take(P(L"d"), plan, Sleeper).ready);
    // Only the neighbours asked for stay.
    cache.Prefetch(P(L"a"), plan);
    cache.Prefetch(P(L"b"), plan);
    ASSERT_TRUE(Holds(cache, 2));
    cache.KeepOnly({P(L"b")});
    EXPECT_TRUE(cache.HeldCount() == 1 && cache.Take(P(L"b"), plan, Sleeper).ready);
}

TEST_F(PictureCacheTest, ADecodePastTheDeadlineFailsAndTheNextWorkerCarriesOn) {
    PictureCache cache(decode, 1000, 300);
    const DWORD start = GetTickCount();
    PictureCache::Taken taken = cache.Take(P(L"slow"), plan, Sleeper);
    EXPECT_TRUE(taken.timedOut && !taken.picture.image && taken.picture.outcome == DecodeOutcome::Damaged);
    EXPECT_LT(GetTickCount() - start, 10000u);
    // The stuck worker is left alone; the next file is decoded by a fresh one.
    taken = cache.Take(P(L"a"), plan, Sleeper);
    EXPECT_TRUE(!taken.timedOut && taken.picture.outcome == DecodeOutcome::Decoded);
    EXPECT_FALSE(cache.AllWorkersGone());
    // A prefetch stuck ahead of an urgent file is given up for it too.
    cache.Prefetch(P(L"slow"), plan);
    Sleep(50);
    EXPECT_EQ(cache.Take(P(L"b"), plan, Sleeper).picture.outcome, DecodeOutcome::Decoded);
    // Released, the stuck workers end; their late results are dropped.
    SetEvent(decoder.release.Get());
    EXPECT_TRUE(cache.StopWorkers());
    EXPECT_EQ(cache.HeldBytes(), 0u);
    // Waiting is given up when the viewer closes.
    PictureCache closing(decode, 1000, 20000);
    ResetEvent(decoder.release.Get());
    EXPECT_TRUE(closing.Take(P(L"slow"), plan, [](HANDLE, DWORD) { return false; }).gaveUp);
    SetEvent(decoder.release.Get());
}

TEST_F(PictureCacheTest, WhatIsDecodedAheadStaysWithinTheBudget) {
    // Room for two pictures of 100 bytes beside a shown one of 100.
    PictureCache cache(decode, 300, 20000);
    cache.Reserve(100);
    const wchar_t* names[] = {L"a", L"b", L"c", L"d", L"e"};
    for (int step = 0; step < 20; ++step) {
        const std::wstring shown = P(names[step % 5]);
        cache.Take(shown, plan, Sleeper);
        cache.KeepOnly({P(names[(step + 1) % 5]), P(names[(step + 4) % 5])});
        for (int ahead = 1; ahead <= 3; ++ahead) cache.Prefetch(P(names[(step + ahead) % 5]), plan);
        for (int i = 0; i < 20; ++i) {
            EXPECT_LE(cache.HeldBytes(), 200u);
            Sleep(2);
        }
    }
}

// A decode that hangs keeps its deadline when the list drops it: the next
// file waits about the deadline, not for ever. A file that timed out is not
// tried again unless it changes; past four given-up workers no thread is
// started, and new files answer as timed out until one comes back.
TEST_F(PictureCacheTest, AHungDecodeKeepsItsDeadlineWhereverItIs) {
    for (const wchar_t* name : {L"1slow", L"2slow", L"3slow", L"4slow"}) tree.File(name, "bytes");
    PictureCache cache(decode, 1000, 300);
    cache.Prefetch(P(L"slow"), plan);
    for (int i = 0; i < 500 && decoder.Calls(P(L"slow")) == 0; ++i) Sleep(10);
    cache.KeepOnly({});
    DWORD start = GetTickCount();
    EXPECT_EQ(cache.Take(P(L"a"), plan, Sleeper).picture.outcome, DecodeOutcome::Decoded);
    EXPECT_LT(GetTickCount() - start, 300u + 2500u);
    EXPECT_TRUE(cache.Take(P(L"slow"), plan, Sleeper).timedOut);
    cache.Prefetch(P(L"slow"), plan);
    EXPECT_EQ(decoder.Calls(P(L"slow")), 1) << "timed out once: not tried again";

    for (const wchar_t* name : {L"1slow", L"2slow", L"3slow", L"4slow"})
        EXPECT_TRUE(cache.Take(P(name), plan, Sleeper).timedOut);
    EXPECT_TRUE(cache.Take(P(L"b"), plan, Sleeper).timedOut) << "five given up: no sixth thread";
    cache.Prefetch(P(L"c"), plan);
    EXPECT_TRUE(decoder.Calls(P(L"b")) == 0 && decoder.Calls(P(L"c")) == 0);

    SetEvent(decoder.release.Get());
    bool decoded = false;
    for (int i = 0; i < 500 && !decoded; ++i, Sleep(10))
        decoded = cache.Take(P(L"b"), plan, Sleeper).picture.outcome == DecodeOutcome::Decoded;
    EXPECT_TRUE(decoded) << "a worker that came back carries on";
    tree.File(L"slow", "written anew");
    EXPECT_EQ(cache.Take(P(L"slow"), plan, Sleeper).picture.outcome, DecodeOutcome::Decoded);
    EXPECT_TRUE(cache.StopWorkers());
}
