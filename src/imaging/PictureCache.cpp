#include "imaging/PictureCache.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace {

enum class SlotState { Queued, Running, Done };

struct Slot {
    SlotState state = SlotState::Queued;
    DecodedPicture picture;
    bool timedOut = false;
    bool urgent = false;   // asked for by Take, not merely ahead
    ShowPlan plan;         // what it is prepared for
    DWORD startedAt = 0;   // tick count when its decode began
    uint64_t worker = 0;   // the worker decoding it
    bool unwanted = false; // dropped from the list while it was decoded: kept only for its deadline
};

}  // namespace

struct PictureCache::Shared {
    Decoder decode;
    uint64_t budget = 0;
    uint64_t reserved = 0;          // bytes of the budget the shown picture takes
    DWORD deadline = 0;
    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::wstring> queue;
    std::map<std::wstring, Slot> slots;
    uint64_t held = 0;              // bytes of the decoded pictures in `slots`
    uint64_t currentWorker = 0;     // the one worker that takes work (0: none); older ones are given up
    uint64_t nextWorker = 1;
    int running = 0;                // workers whose threads have not ended
    int givenUp = 0;                // workers given up on, still inside a decode
    std::map<std::wstring, FileStamp> timedOut;   // files whose decode passed the deadline, as they were then
    bool stopping = false;
    UniqueHandle finished{CreateEventW(nullptr, FALSE, FALSE, nullptr)};   // a decode ended
    UniqueHandle ended{CreateEventW(nullptr, FALSE, FALSE, nullptr)};      // a worker ended

    void Drop(std::map<std::wstring, Slot>::iterator it) {
        held -= it->second.picture.memory;
        slots.erase(it);
    }
    bool TimedOutBefore(const std::wstring& path, const FileStamp& now) const {
        const auto found = timedOut.find(path);
        return found != timedOut.end() && found->second == now;
    }
};

namespace {

void WorkerMain(std::shared_ptr<PictureCache::Shared> s, uint64_t me) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::unique_lock lock(s->lock);
    for (;;) {
        s->wake.wait(lock, [&] { return s->stopping || s->currentWorker != me || !s->queue.empty(); });
        if (s->stopping || s->currentWorker != me) break;
        const std::wstring path = std::move(s->queue.front());
        s->queue.pop_front();
        auto it = s->slots.find(path);
        if (it == s->slots.end() || it->second.state != SlotState::Queued) continue;
        const ShowPlan plan = it->second.plan;
        it->second.state = SlotState::Running;
        it->second.startedAt = GetTickCount();
        it->second.worker = me;
        lock.unlock();
        DecodedPicture picture = s->decode(path, plan);
        lock.lock();
        if (s->currentWorker != me) --s->givenUp;   // given up on while it decoded
        // The slot may have been dropped, given up or asked for anew meanwhile.
        it = s->slots.find(path);
        bool kept = false;
        if (it != s->slots.end() && it->second.state == SlotState::Running && it->second.worker == me) {
            if (it->second.unwanted || (!it->second.urgent && s->held + picture.memory + s->reserved > s->budget)) {
                s->slots.erase(it);   // nobody wants it now, or there is no room to keep it
            } else {
                s->held += picture.memory;
                it->second.picture = std::move(picture);
                it->second.state = SlotState::Done;
                kept = true;
            }
        }
        SetEvent(s->finished.Get());
        if (!kept && picture.image) {
            // A picture nobody wants any more is released without holding up the others.
            lock.unlock();
            picture = DecodedPicture{};
            lock.lock();
        }
        // When too many were given up to start another, the first to come back carries on.
        if (s->currentWorker == 0 && !s->stopping) s->currentWorker = me;
        if (s->currentWorker != me) break;
    }
    --s->running;
    SetEvent(s->ended.Get());
    lock.unlock();
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace

PictureCache::PictureCache(Decoder decode, uint64_t budget, DWORD deadlineMs) : shared_(std::make_shared<Shared>()) {
    shared_->decode = std::move(decode);
    shared_->budget = budget;
    shared_->deadline = deadlineMs;
    std::lock_guard lock(shared_->lock);
    StartWorker();
}

bool PictureCache::StopWorkers(DWORD waitMs) {
    Clear();
    {
        std::lock_guard lock(shared_->lock);
        shared_->stopping = true;
    }
    shared_->wake.notify_all();
    // An idle worker ends at once; one busy with a file gets a moment, then
    // is left to end on its own.
    const DWORD start = GetTickCount();
    while (!AllWorkersGone() && GetTickCount() - start < waitMs) WaitForSingleObject(shared_->ended.Get(), 50);
    return AllWorkersGone();
}

void PictureCache::GiveUpWorker() {
    Shared& s = *shared_;
    ++s.givenUp;
    if (s.givenUp <= kMaxGivenUp) {
        StartWorker();
    } else {
        // No thread more: the queue is dropped, and new files answer as timed
        // out until a given-up worker comes back.
        s.currentWorker = 0;
        s.queue.clear();
        std::erase_if(s.slots, [](const auto& slot) { return slot.second.state == SlotState::Queued; });
    }
    s.wake.notify_all();
}

void PictureCache::StartWorker() {
    const uint64_t me = shared_->nextWorker++;
    shared_->currentWorker = me;
    ++shared_->running;
    std::thread(WorkerMain, shared_, me).detach();
}

PictureCache::Taken PictureCache::Take(const std::wstring& path, const ShowPlan& plan, const Waiter& wait) {
    Shared& s = *shared_;
    Taken taken;
    std::unique_lock lock(s.lock);
    bool asked = false;   // asked for here, so not decoded ahead
    for (;;) {
        auto it = s.slots.find(path);
        if (it != s.slots.end() && it->second.state == SlotState::Done) {
            // Decoded for this very call, it is the file as it is now; decoded
            // ahead, it is checked against the file first.
            FileStamp now;
            const bool same = asked || (it->second.plan == plan && StampOf(path.c_str(), now) &&
                                        now == it->second.picture.stamp);
            if (same || it->second.timedOut) {
                taken.picture = std::move(it->second.picture);
                taken.timedOut = it->second.timedOut;
                taken.ready = !asked;
                s.Drop(it);
                return taken;
            }
            s.Drop(it);   // the file or the plan changed since: decoded anew
            it = s.slots.end();
        }
        if (it == s.slots.end()) {
            // A file that timed out before, unchanged, is not tried again;
            // with no worker left nothing new is tried.
            FileStamp now;
            StampOf(path.c_str(), now);
            if (s.currentWorker == 0 || s.TimedOutBefore(path, now)) {
                taken.timedOut = true;
                taken.picture.stamp = now;
                return taken;
            }
            asked = true;
            Slot& slot = s.slots[path];
            slot.urgent = true;
            slot.plan = plan;
            s.queue.push_front(path);
            s.wake.notify_all();
        } else if (it->second.state != SlotState::Done) {
            it->second.urgent = true;
        }
        if (it != s.slots.end() && it->second.state == SlotState::Queued) {
            asked = true;
            it->second.plan = plan;
            s.queue.erase(std::remove(s.queue.begin(), s.queue.end(), path), s.queue.end());
            s.queue.push_front(path);
        }
        // A decode past the deadline, this one or one ahead of it, is given up
        // with its worker; a fresh worker takes the rest.
        // A slot dropped from the list keeps its deadline while it runs.
        for (auto other = s.slots.begin(); other != s.slots.end(); ++other) {
            Slot& slot = other->second;
            if (slot.state != SlotState::Running || GetTickCount() - slot.startedAt < s.deadline) continue;
            FileStamp then;
            StampOf(other->first.c_str(), then);
            s.timedOut[other->first] = then;
            if (slot.unwanted) {
                s.slots.erase(other);
            } else {
                slot.state = SlotState::Done;
                slot.timedOut = true;
                slot.picture = DecodedPicture{};
            }
            GiveUpWorker();
            break;
        }
        if (s.currentWorker == 0) {
            // No worker to wait for: what is still queued is answered as timed out.
            auto queued = s.slots.find(path);
            if (queued != s.slots.end() && queued->second.state == SlotState::Queued) {
                s.slots.erase(queued);
                continue;
            }
        }
        const auto mine = s.slots.find(path);
        if (mine != s.slots.end() && mine->second.state == SlotState::Done) continue;
        lock.unlock();
        const bool keepWaiting = wait(s.finished.Get(), 50);
        lock.lock();
        if (!keepWaiting) {
            taken.gaveUp = true;
            return taken;
        }
    }
}

void PictureCache::Prefetch(const std::wstring& path, const ShowPlan& plan) {
    Shared& s = *shared_;
    FileStamp now;
    StampOf(path.c_str(), now);
    {
        std::lock_guard lock(s.lock);
        if (s.slots.count(path) || s.held + s.reserved >= s.budget || s.currentWorker == 0 ||
            s.TimedOutBefore(path, now))
            return;
        s.slots[path].plan = plan;
        s.queue.push_back(path);
    }
    s.wake.notify_all();
}

void PictureCache::KeepOnly(const std::vector<std::wstring>& paths) {
    std::vector<DecodedPicture> dropped;   // released outside the lock
    Shared& s = *shared_;
    std::lock_guard lock(s.lock);
    const auto kept = [&](const std::wstring& p) { return std::find(paths.begin(), paths.end(), p) != paths.end(); };
    s.queue.erase(std::remove_if(s.queue.begin(), s.queue.end(), [&](const std::wstring& p) { return !kept(p); }),
                  s.queue.end());
    for (auto it = s.slots.begin(); it != s.slots.end();) {
        if (kept(it->first)) {
            ++it;
            continue;
        }
        if (it->second.state == SlotState::Running) {
            // Its deadline still counts: a decode that never ends is given up
            // like any other, not waited behind.
            it->second.unwanted = true;
            it->second.urgent = false;
            ++it;
            continue;
        }
        dropped.push_back(std::move(it->second.picture));
        s.held -= dropped.back().memory;
        it = s.slots.erase(it);
    }
}

uint64_t PictureCache::HeldBytes() const {
    std::lock_guard lock(shared_->lock);
    return shared_->held;
}

size_t PictureCache::HeldCount() const {
    std::lock_guard lock(shared_->lock);
    return size_t(std::count_if(shared_->slots.begin(), shared_->slots.end(),
                                [](const auto& slot) { return slot.second.state == SlotState::Done; }));
}

bool PictureCache::AllWorkersGone() const {
    std::lock_guard lock(shared_->lock);
    return shared_->running == 0;
}

void PictureCache::Reserve(uint64_t bytes) {
    std::lock_guard lock(shared_->lock);
    shared_->reserved = bytes;
}
