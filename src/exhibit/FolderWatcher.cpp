#include "exhibit/FolderWatcher.h"

#include <algorithm>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/Handles.h"

struct FolderWatcher::Shared {
    FolderWatcher::Request request;
    UniqueHandle stop{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle rescan{CreateEventW(nullptr, FALSE, FALSE, nullptr)};   // auto-reset: requests coalesce
    std::mutex lock;
    std::shared_ptr<Exhibit> scanning;   // the list a scan is filling, to abandon it
    std::optional<FolderWatcher::Result> result;
    std::atomic<bool> running{true};
    std::atomic<size_t> scans{0};
};

namespace {

using Shared = FolderWatcher::Shared;

bool Stopped(const Shared& shared) { return WaitForSingleObject(shared.stop.Get(), 0) == WAIT_OBJECT_0; }

// Whether the folder can still be opened: a folder being deleted (held open
// by the watch itself until it ends) or renamed away cannot.
bool FolderThere(const std::wstring& folder) {
    UniqueHandle opened(CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return static_cast<bool>(opened);
}

// Scans the folder into a list of its own; false when stopped meanwhile.
bool Scan(Shared& shared) {
    auto list = std::make_shared<Exhibit>();
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        if (Stopped(shared)) return false;
        shared.scanning = list;
    }
    ResetEvent(shared.rescan.Get());   // this scan answers every request made so far
    list->SetOrder(shared.request.order);
    list->Reseed();   // a random order is shuffled anew by every scan
    if (shared.request.scan) shared.request.scan(shared.request, *list);
    else ScanFolders(*list, {shared.request.folder}, shared.request.options, nullptr);
    std::lock_guard<std::mutex> hold(shared.lock);
    shared.scanning.reset();
    if (Stopped(shared) || list->Abandoned()) return false;
    list->Sort();
    const FolderWatcher::Request& request = shared.request;
    shared.result = FolderWatcher::Result{list->TakeEntries(), request.folder, request.options, request.order};
    ++shared.scans;
    return true;
}

// Scans once the list the result goes to is no longer being built (a result
// that arrived during a build would be thrown away), and says so; false when
// stopped meanwhile.
bool ScanAndTell(Shared& shared) {
    const FolderWatcher::Request& request = shared.request;
    if (const Exhibit* target = request.target.get()) {
        while (target->Building()) {
            const HANDLE waits[2] = {shared.stop.Get(), target->IdleEvent()};
            // Woken early by the event between a build's start and its reset: the flag is looked at again.
            const DWORD woke = waits[1] ? WaitForMultipleObjects(2, waits, FALSE, request.retryMs)
                                        : WaitForSingleObject(waits[0], 50);
            if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return false;
        }
    }
    if (!Scan(shared)) return false;
    if (request.notify) PostMessageW(request.notify, request.message, 0, 0);
    return true;
}

// Watches through `change` until stopped (false), or until the folder has
// gone or the change handle failed (true).
bool WatchThrough(Shared& shared, HANDLE change) {
    const FolderWatcher::Request& request = shared.request;
    const SettleRule rule{request.quietMs, request.latencyMs};
    constexpr DWORD kChange = WAIT_OBJECT_0 + 1, kRescan = WAIT_OBJECT_0 + 2;   // the stop event is first
    const HANDLE waits[3] = {shared.stop.Get(), change, shared.rescan.Get()};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
        if (woke == kChange) {
            // A burst of changes settles first, within the rule's bounds. The
            // handle is re-armed at every change, so one made while the scan
            // runs is not missed. A request to look now cuts the wait short.
            const DWORD first = GetTickCount();
            for (DWORD last = first;;) {
                if (woke == kChange) {
                    if (!FindNextChangeNotification(change)) return true;
                    last = GetTickCount();
                }
                const DWORD now = GetTickCount();
                const DWORD left = rule.Left(now - first, now - last);
                if (left == 0) break;
                woke = WaitForMultipleObjects(3, waits, FALSE, left);
                if (woke == kRescan) break;
                if (woke != kChange && woke != WAIT_TIMEOUT) return false;
            }
        } else if (woke == kRescan) {
            // A change that came with the request is looked at by this scan.
            if (WaitForSingleObject(change, 0) == WAIT_OBJECT_0 && !FindNextChangeNotification(change)) return true;
        } else {
            return false;
        }
        // A folder that went away is waited for; the exhibit keeps what it has.
        if (!FolderThere(request.folder)) return true;
        if (!ScanAndTell(shared)) return false;
    }
}

void Watch(std::shared_ptr<Shared> shared) {
    const FolderWatcher::Request& request = shared->request;
    bool missed = false;   // the folder was not there: scanned as soon as it is back
    for (;;) {
        // Only names count: files and folders made, deleted or renamed.
        const HANDLE change = FindFirstChangeNotificationW(request.folder.c_str(), request.options.subfolders,
                                                           FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
        bool goOn = true;
        if (change == INVALID_HANDLE_VALUE) {
            missed = missed || !FolderThere(request.folder);
        } else {
            if (missed) goOn = ScanAndTell(*shared);
            missed = false;
            if (goOn) goOn = WatchThrough(*shared, change);
            if (goOn) missed = !FolderThere(request.folder);
            FindCloseChangeNotification(change);
        }
        // A folder that is away, or a watch that failed, is tried again now
        // and then: never in a busy loop, and never scanned over and over.
        if (!goOn || WaitForSingleObject(shared->stop.Get(), request.retryMs) != WAIT_TIMEOUT) break;
    }
    shared->running = false;
}

}  // namespace

DWORD SettleRule::Left(DWORD sinceFirst, DWORD sinceLast) const {
    const DWORD settled = quietMs + latencyMs;
    const DWORD most = std::max(mostMs, settled);
    if (sinceLast >= settled || sinceFirst >= most) return 0;
    return std::min(settled - sinceLast, most - sinceFirst);
}

void FolderWatcher::Start(Request request) {
    Stop();
    auto shared = std::make_shared<Shared>();
    shared->request = std::move(request);
    if (!shared->stop || !shared->rescan) return;
    try {
        std::thread(Watch, shared).detach();
    } catch (const std::exception&) {
        return;
    }
    shared_ = std::move(shared);
}

void FolderWatcher::Stop() {
    if (!shared_) return;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        SetEvent(shared_->stop.Get());
        if (shared_->scanning) shared_->scanning->Abandon();
    }
    shared_.reset();
}

void FolderWatcher::RescanNow() {
    if (shared_) SetEvent(shared_->rescan.Get());
}

bool FolderWatcher::Running() const { return shared_ && shared_->running; }

std::optional<FolderWatcher::Result> FolderWatcher::TakeResult() {
    if (!shared_) return std::nullopt;
    std::lock_guard<std::mutex> hold(shared_->lock);
    return std::exchange(shared_->result, std::nullopt);
}

size_t FolderWatcher::Scans() const { return shared_ ? shared_->scans.load() : 0; }
