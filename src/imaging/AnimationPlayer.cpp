#include "imaging/AnimationPlayer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "imaging/AnimationSchedule.h"

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

// Everything the worker uses, shared with it, so a worker left behind keeps
// it alive on its own.
struct AnimationPlayer::Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::unique_ptr<AnimationFrames> frames;
    std::shared_ptr<const void> keep;   // after `frames`, which reads the bytes it holds
    std::function<void()> due;
    AnimationSchedule schedule;
    bool started = false;   // the first frame was read (it is the one already on screen)
    DecodedPixels ready;    // decoded, waiting until it is due
    uint32_t readyDelay = 0;
    bool haveReady = false;
    DecodedPixels handed;   // due, for the caller to take
    bool haveHanded = false;
    DecodedPixels spare;    // a buffer given back, for the next frame
    bool stop = false;
    bool running = false;
    bool ended = false;

    explicit Shared(uint32_t loops) : schedule(loops) {}
    void Run();
    // Reads the next frame into `ready`, starting another pass at the end of one; false at the end.
    bool ReadNext(std::unique_lock<std::mutex>& held);
};

struct PlayerWorker {
    std::thread thread;
};

bool AnimationPlayer::Shared::ReadNext(std::unique_lock<std::mutex>& held) {
    DecodedPixels frame = std::move(spare);
    uint32_t delay = 0;
    held.unlock();   // the decode runs unlocked: a stop is seen meanwhile
    bool got = frames->Next(frame, delay);
    held.lock();
    if (!got) {
        if (stop || !schedule.PassEnded()) return false;
        held.unlock();
        frames->Rewind();
        got = frames->Next(frame, delay);
        held.lock();
        if (!got) return false;   // not one frame in a pass
    }
    ready = std::move(frame);
    readyDelay = ShownDelay(delay);
    haveReady = true;
    return true;
}

void AnimationPlayer::Shared::Run() {
    std::unique_lock<std::mutex> held(lock);
    if (!started) {
        // The first frame is on screen already, from the picture's own decode:
        // only its delay counts.
        DecodedPixels first;
        uint32_t delay = 0;
        held.unlock();
        const bool got = frames->Next(first, delay);
        held.lock();
        if (!got) ended = true;
        else schedule.Start(NowMs(), ShownDelay(delay));
        started = true;
    } else {
        schedule.Resume(NowMs());
        if (haveHanded) {   // due while paused: said again, the word of it may have been dropped
            held.unlock();
            due();
            held.lock();
        }
    }
    while (!stop && !ended) {
        if (haveHanded) {   // the caller has not taken the last one yet
            changed.wait(held, [this] { return stop || !haveHanded; });
            continue;
        }
        if (!haveReady) {
            if (!ReadNext(held) && !stop) ended = true;
            continue;
        }
        const int64_t wait = schedule.Due() - NowMs();
        if (wait > 0) {
            changed.wait_for(held, std::chrono::milliseconds(wait), [this] { return stop; });
            continue;
        }
        handed = std::move(ready);
        haveReady = false;
        haveHanded = true;
        schedule.Shown(NowMs(), readyDelay);
        held.unlock();
        due();
        held.lock();
    }
    if (!ended) schedule.Pause(NowMs());
    running = false;
    changed.notify_all();
}

AnimationPlayer::AnimationPlayer(std::unique_ptr<AnimationFrames> frames, std::shared_ptr<const void> keep,
                                 std::function<void()> due, uint32_t stopWaitMs)
    : stopWaitMs_(stopWaitMs) {
    const uint32_t loops = frames ? frames->Loops() : 1;
    shared_ = std::make_shared<Shared>(loops);
    shared_->frames = std::move(frames);
    shared_->keep = std::move(keep);
    shared_->due = std::move(due);
    if (!shared_->frames) shared_->ended = true;
}

AnimationPlayer::~AnimationPlayer() { Pause(); }

bool AnimationPlayer::Play() {
    if (worker_) return true;
    if (stuck_) return false;
    {
        std::lock_guard<std::mutex> held(shared_->lock);
        if (shared_->ended) return false;
        shared_->stop = false;
        shared_->running = true;
    }
    worker_ = std::make_unique<PlayerWorker>();
    std::shared_ptr<Shared> shared = shared_;
    try {
        worker_->thread = std::thread([shared] { shared->Run(); });
    } catch (...) {
        worker_.reset();
        std::lock_guard<std::mutex> held(shared_->lock);
        shared_->running = false;
        return false;
    }
    return true;
}

void AnimationPlayer::Pause() {
    if (!worker_) return;
    bool done;
    {
        std::unique_lock<std::mutex> held(shared_->lock);
        shared_->stop = true;
        shared_->changed.notify_all();
        done = shared_->changed.wait_for(held, std::chrono::milliseconds(stopWaitMs_),
                                         [this] { return !shared_->running; });
    }
    if (done) {
        worker_->thread.join();
    } else {
        // Stuck in the decoder: it ends by itself, holding what it uses.
        worker_->thread.detach();
        stuck_ = true;
    }
    worker_.reset();
}

bool AnimationPlayer::Take(DecodedPixels& frame) {
    std::lock_guard<std::mutex> held(shared_->lock);
    if (!shared_->haveHanded) return false;
    frame = std::move(shared_->handed);
    shared_->haveHanded = false;
    shared_->changed.notify_all();
    return true;
}

void AnimationPlayer::Recycle(DecodedPixels&& spent) {
    if (!spent.pixels) return;
    std::lock_guard<std::mutex> held(shared_->lock);
    shared_->spare = std::move(spent);
}

bool AnimationPlayer::Ended() const {
    std::lock_guard<std::mutex> held(shared_->lock);
    return shared_->ended || stuck_;
}
