// Pictures decoded ahead, off the interface thread.
//
// One worker decodes the files asked for, the most urgent first. The
// interface thread takes a finished picture when its file is still the one
// decoded (same size, same write time), waits for one in flight, or has it
// decoded at once; while it waits it keeps answering its messages through
// the wait function it passes. A decode that runs past the deadline is given
// up, wherever its picture is wanted or not: its worker is abandoned, never
// waited for, and a fresh one carries on; the file, as it was, is not tried
// again this run. Each given-up worker may hold a picture's memory and sits in
// the decoder for as long as it likes, so only kMaxGivenUp of them get a
// replacement: past that, no thread is started, and a file not decoded yet
// answers as timed out at once until one of them comes back and carries on.
// Everything the workers share lives in one block they co-own, so an
// abandoned worker that finishes late touches nothing that is gone.
//
// No windows here: the wait function is the only way back to the viewer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/PictureDecode.h"

class PictureCache {
public:
    // Decodes `path` and prepares it to the plan.
    using Decoder = std::function<DecodedPicture(const std::wstring& path, const ShowPlan& plan)>;
    // Waits up to `ms` for `event` while answering messages; false to give up
    // (the program is closing).
    using Waiter = std::function<bool(HANDLE event, DWORD ms)>;

    // Pictures decoded ahead take at most `budget` bytes; a decode may run
    // `deadlineMs` before it counts as failed.
    PictureCache(Decoder decode, uint64_t budget, DWORD deadlineMs);
    ~PictureCache() { StopWorkers(); }
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    struct Taken {
        DecodedPicture picture;
        bool ready = false;      // it had been decoded ahead
        bool timedOut = false;   // its decode passed the deadline
        bool gaveUp = false;     // the wait was given up: nothing was taken
    };
    // The picture of `path` as the file is now, prepared to `plan`.
    Taken Take(const std::wstring& path, const ShowPlan& plan, const Waiter& wait);
    // Decodes `path` ahead, behind what is already asked for, unless it is
    // held or on its way, or the pictures held already fill the budget.
    void Prefetch(const std::wstring& path, const ShowPlan& plan);
    // Forgets every picture held or asked for but these (a decode under way
    // still runs to its deadline).
    void KeepOnly(const std::vector<std::wstring>& paths);
    void Clear() { KeepOnly({}); }

    // The bytes of the budget the shown picture takes; what is decoded ahead gets the rest.
    void Reserve(uint64_t bytes);
    uint64_t HeldBytes() const;
    size_t HeldCount() const;
    // Whether every worker has ended: false while an abandoned one still runs.
    bool AllWorkersGone() const;
    // Forgets everything, asks the workers to stop and gives a busy one a
    // moment to do so; whether all have ended.
    bool StopWorkers(DWORD waitMs = 1000);

    static constexpr int kMaxGivenUp = 4;

    struct Shared;

private:
    void StartWorker();   // with the lock held
    void GiveUpWorker();  // the same
    std::shared_ptr<Shared> shared_;
};
