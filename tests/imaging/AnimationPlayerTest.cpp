// Playing animations: the schedule of due times, the player's worker over a
// source of frames of its own, and a frame taking the place of the shown
// picture's pixels.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "imaging/AnimationPlayer.h"
#include "imaging/AnimationSchedule.h"
#include "imaging/FitRules.h"
#include "imaging/PictureDecode.h"
#include "imaging/PictureHolder.h"
#include "support/TestFiles.h"

namespace {

// ---- The schedule ------------------------------------------------------------

TEST(AnimationSchedule, DueTimesFollowFromTheLastDueTimeUnlessAWholeDelayWasMissed) {
    struct Step {
        char op;   // 'S' start, 's' shown, 'p' pause, 'r' resume
        int64_t now;
        uint32_t delay;
        int64_t due;
    };
    const std::vector<std::vector<Step>> runs{
        // Shown a little late each time: nothing adds up.
        {{'S', 0, 100, 100}, {'s', 103, 50, 150}, {'s', 158, 70, 220}, {'s', 221, 10, 230}},
        // Shown later than the next frame's whole delay: counted from then.
        {{'S', 0, 100, 100}, {'s', 400, 70, 470}, {'s', 470, 30, 500}},
        // A pause keeps the time left (60 of 100); a second pause or resume changes nothing.
        {{'S', 0, 100, 100}, {'p', 40, 0, 100}, {'p', 90, 0, 100}, {'r', 240, 0, 300}, {'r', 500, 0, 300},
         {'s', 300, 20, 320}},
    };
    for (size_t i = 0; i < runs.size(); ++i) {
        AnimationSchedule schedule(0);
        for (const Step& step : runs[i]) {
            if (step.op == 'S') schedule.Start(step.now, step.delay);
            if (step.op == 's') schedule.Shown(step.now, step.delay);
            if (step.op == 'p') schedule.Pause(step.now);
            if (step.op == 'r') schedule.Resume(step.now);
            EXPECT_EQ(schedule.Due(), step.due) << "run " << i << " at " << step.now;
        }
    }
}

TEST(AnimationSchedule, LoopsCountWholePassesAndNoneMeansForEver) {
    const struct {
        uint32_t loops;
        std::vector<bool> another;
    } cases[]{{0, {true, true, true, true}}, {1, {false}}, {3, {true, true, false}}};
    for (const auto& c : cases) {
        AnimationSchedule schedule(c.loops);
        for (size_t pass = 0; pass < c.another.size(); ++pass)
            EXPECT_EQ(schedule.PassEnded(), c.another[pass]) << c.loops << " loops, pass " << pass;
    }
}

// ---- The player ----------------------------------------------------------------

// What a source of solid frames saw: every frame's pixels are its number.
struct Tally {
    std::atomic<int> reads{0};
    std::atomic<int> held{0};   // frame buffers alive
    std::atomic<int> hangAt{-1};   // the read that takes long
    std::atomic<int> hangMs{0};
};

void Let(void* owner) {
    auto* tally = static_cast<Tally*>(owner);
    --tally->held;
}

class SolidFrames : public AnimationFrames {
public:
    SolidFrames(std::shared_ptr<Tally> tally, std::vector<uint32_t> delays, uint32_t loops)
        : tally_(std::move(tally)), delays_(std::move(delays)), loops_(loops) {}
    uint32_t Width() const override { return 4; }
    uint32_t Height() const override { return 2; }
    uint32_t Loops() const override { return loops_; }
    bool Next(DecodedPixels& frame, uint32_t& delayMs) override {
        if (tally_->reads++ == tally_->hangAt)
            std::this_thread::sleep_for(std::chrono::milliseconds(tally_->hangMs.load()));
        if (at_ >= delays_.size()) return false;
        static uint8_t pixels[32];
        ++tally_->held;
        frame.pixels = PixelBuffer(pixels, PixelRelease{Let, tally_.get()});
        frame.width = 4, frame.height = 2;
        frame.bitsPerPixel = int(at_);   // the frame's number
        frame.outcome = PixelOutcome::Decoded;
        delayMs = delays_[at_++];
        return true;
    }
    void Rewind() override { at_ = 0; }

private:
    std::shared_ptr<Tally> tally_;
    std::vector<uint32_t> delays_;
    uint32_t loops_;
    size_t at_ = 0;
};

// Plays the frames, taking each one as soon as it is said to be due.
struct Watcher {
    Watcher(std::vector<uint32_t> delays, uint32_t loops, uint32_t stopWaitMs = 1000)
        : player(std::make_unique<SolidFrames>(tally, std::move(delays), loops), nullptr,
                 [this] {
                     std::lock_guard<std::mutex> held(lock);
                     ++due;
                     said.notify_all();
                 },
                 stopWaitMs) {}
    // Takes the frames that come within `ms`: their numbers and when they came.
    void Watch(int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        std::unique_lock<std::mutex> held(lock);
        while (said.wait_until(held, until, [this] { return due > 0; })) {
            --due;
            DecodedPixels frame;
            if (!player.Take(frame)) continue;
            shown.push_back(frame.bitsPerPixel);
            at.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                start).count());
        }
    }
    std::shared_ptr<Tally> tally = std::make_shared<Tally>();
    std::mutex lock;
    std::condition_variable said;
    int due = 0;
    std::vector<int> shown;
    std::vector<int64_t> at;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    AnimationPlayer player;
};

TEST(AnimationPlayer, FramesComeInOrderEachAfterItsDelayForTheLoopsAsked) {
    const struct {
        std::vector<uint32_t> delays;
        uint32_t loops;
        std::vector<int> shown;   // the first frame is on screen when playing starts
    } cases[]{
        {{40, 80, 60}, 2, {1, 2, 0, 1, 2}},
        {{50, 50}, 1, {1}},
        {{30, 30}, 0, {1, 0, 1, 0, 1, 0}},   // for ever: as many as fit in the time watched
        {{50}, 0, {0, 0, 0}},                // one frame played for ever
    };
    for (const auto& c : cases) {
        Watcher w(c.delays, c.loops);
        ASSERT_TRUE(w.player.Play());
        uint32_t total = 0;
        for (size_t i = 0; i < c.shown.size(); ++i) total += c.delays[i % c.delays.size()];
        // Then as long again as half the next delay, or until nothing more comes.
        w.Watch(int(total) + (c.loops ? 200 : int(c.delays[c.shown.size() % c.delays.size()]) / 2));
        EXPECT_EQ(w.shown, c.shown);
        int64_t due = 0;
        for (size_t i = 0; i < w.at.size(); ++i) {
            due += c.delays[i % c.delays.size()];
            EXPECT_NEAR(double(w.at[i]), double(due), 25.0) << "frame " << i;
        }
        if (c.loops) {
            EXPECT_TRUE(w.player.Ended());
        }
    }
}

TEST(AnimationPlayer, AtMostOneFrameWaitsUntilTheShownOneIsTaken) {
    Watcher w({20, 20, 20, 20, 20, 20}, 0);
    ASSERT_TRUE(w.player.Play());
    std::this_thread::sleep_for(std::chrono::milliseconds(150));   // nothing taken meanwhile
    EXPECT_EQ(w.tally->reads, 2);   // the first frame, and the one due
    EXPECT_EQ(w.tally->held, 1);
    w.Watch(100);
    EXPECT_GE(w.shown.size(), 3u);
    EXPECT_LE(w.tally->held, 1);
}

TEST(AnimationPlayer, APauseStopsTheWorkerAndPlayingGoesOnWhereItStopped) {
    Watcher w({40, 40, 40, 40}, 0);
    ASSERT_TRUE(w.player.Play());
    w.Watch(100);   // frames 1 and 2
    w.player.Pause();
    EXPECT_FALSE(w.player.Playing());
    const int reads = w.tally->reads;
    w.Watch(150);
    EXPECT_EQ(w.tally->reads, reads);
    ASSERT_TRUE(w.player.Play());
    w.Watch(100);
    for (size_t i = 0; i < w.shown.size(); ++i) EXPECT_EQ(w.shown[i], int(i + 1) % 4) << "frame " << i;
    EXPECT_GE(w.shown.size(), 4u);
}

TEST(AnimationPlayer, AWorkerStuckInTheSourceIsWaitedForBrieflyAndPlaysNoMore) {
    Watcher w({20, 20, 20}, 0, 50);
    w.tally->hangAt = 1;
    w.tally->hangMs = 400;
    ASSERT_TRUE(w.player.Play());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const auto before = std::chrono::steady_clock::now();
    w.player.Pause();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(250));
    EXPECT_FALSE(w.player.Play());
    EXPECT_TRUE(w.player.Ended());
    std::this_thread::sleep_for(std::chrono::milliseconds(500));   // the worker ends by itself meanwhile
}

// ---- The bytes it plays from ---------------------------------------------------------

// The frames are read from the bytes the shown picture keeps: GDI+ keeps every
// picture's, our own decoders only an animation's.
TEST(PictureDecode, AnAnimationKeepsItsBytesToPlayFrom) {
    const struct {
        const wchar_t* file;
        bool kept;
    } cases[]{{L"e2e\\steps.webp", true}, {L"e2e\\quadrants.webp", false}, {L"e2e\\steps.gif", true}};
    for (const auto& c : cases) {
        const std::string bytes = ReadBytes(DataPath(c.file));
        const DecodedPicture decoded =
            DecodePictureBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), DecodeLimits(1u << 20));
        EXPECT_EQ(decoded.outcome, DecodeOutcome::Decoded);
        EXPECT_EQ(decoded.source.Get() != nullptr, c.kept) << testing::PrintToString(std::wstring(c.file));
    }
}

// ---- A frame on screen -------------------------------------------------------------

// A w x h frame of four quadrants, red, green, blue and white in reading order.
DecodedPixels Quartered(uint32_t w, uint32_t h) {
    DecodedPixels frame;
    EXPECT_TRUE(AllocatePixels(frame, w, h));
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    auto* row = reinterpret_cast<uint32_t*>(frame.pixels.get());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) row[y * w + x] = colours[(y >= h / 2) * 2 + (x >= w / 2)];
    frame.outcome = PixelOutcome::Decoded;
    return frame;
}

TEST(PictureHolder, AFrameTakesThePicturesPlaceTurnedAsItWasAndIsWhatASaveWrites) {
    const struct {
        std::vector<int> turns;
        uint32_t w, h;    // the frame, as stored
        bool taken;
        COLORREF topLeft, bottomRight;   // of the picture as it is shown
    } cases[]{
        {{}, 40, 20, true, RGB(255, 0, 0), RGB(255, 255, 255)},
        {{kRotate90}, 40, 20, true, RGB(0, 0, 255), RGB(0, 255, 0)},
        {{kRotate90, kFlipX}, 40, 20, true, RGB(255, 0, 0), RGB(255, 255, 255)},
        {{kRotate180}, 40, 20, true, RGB(255, 255, 255), RGB(255, 0, 0)},
        {{}, 20, 40, false, RGB(64, 64, 64), RGB(64, 64, 64)},   // not the picture's size
        {{}, 40, 21, false, RGB(64, 64, 64), RGB(64, 64, 64)},
    };
    TempFolder folder(L"frame");
    for (const auto& c : cases) {
        const std::string bmp = BmpBytes(40, 20);
        PictureHolder picture;
        ASSERT_TRUE(picture.Adopt(
            DecodePictureBytes(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), DecodeLimits(1u << 20))));
        for (const int turn : c.turns) picture.RotateFlip(turn);
        const uint32_t w = picture.NaturalWidth(), h = picture.NaturalHeight();
        DecodedPixels frame = Quartered(c.w, c.h);
        const uint8_t* first = frame.pixels.get();
        EXPECT_EQ(picture.TakeFrame(frame), c.taken);
        if (c.taken) {   // the buffer of a frame, and only of a frame, comes back for the next
            EXPECT_FALSE(frame.pixels);
            DecodedPixels next = Quartered(c.w, c.h);
            ASSERT_TRUE(picture.TakeFrame(next));
            EXPECT_TRUE(next.pixels.get() == first && next.width == c.w && next.height == c.h);
        }
        EXPECT_EQ(picture.NaturalWidth(), w);
        EXPECT_EQ(picture.NaturalHeight(), h);
        const std::wstring saved = folder.Path(L"saved.bmp");
        ASSERT_EQ(picture.SaveScaled(saved.c_str(), 0, int(w), int(h)), 0);
        HBITMAP read = static_cast<HBITMAP>(LoadImageW(nullptr, saved.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        ASSERT_TRUE(read);
        HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, read);
        EXPECT_EQ(GetPixel(dc, 2, 2), c.topLeft) << c.turns.size() << " turns";
        EXPECT_EQ(GetPixel(dc, int(w) - 3, int(h) - 3), c.bottomRight);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(read);
    }
}

}  // namespace
