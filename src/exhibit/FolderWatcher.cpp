#include "exhibit/FolderWatcher.h"

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

void Watch(std::shared_ptr<Shared> shared) {
    const FolderWatcher::Request& request = shared->request;
    // Only names count: files and folders made, deleted or renamed.
    HANDLE change = FindFirstChangeNotificationW(request.folder.c_str(), request.options.subfolders,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    if (change != INVALID_HANDLE_VALUE) {
        constexpr DWORD kChange = WAIT_OBJECT_0 + 1, kRescan = WAIT_OBJECT_0 + 2;   // the stop event is first
        const HANDLE waits[3] = {shared->stop.Get(), change, shared->rescan.Get()};
        for (;;) {
            DWORD woke = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
            if (woke == kChange) {
                // A burst of changes settles first: each one restarts the quiet
                // period. A request to look now cuts the wait short.
                do {
                    if (!FindNextChangeNotification(change)) woke = WAIT_FAILED;
                    else woke = WaitForMultipleObjects(3, waits, FALSE, request.quietMs);
                } while (woke == kChange);
                if (woke == WAIT_TIMEOUT) {
                    const HANDLE late[2] = {shared->stop.Get(), shared->rescan.Get()};
                    woke = WaitForMultipleObjects(2, late, FALSE, request.latencyMs);
                    if (woke == WAIT_OBJECT_0 + 1) woke = kRescan;
                }
                if (woke != WAIT_TIMEOUT && woke != kRescan) break;
            } else if (woke == kRescan) {
                // A change that came with the request is looked at by this scan.
                if (WaitForSingleObject(change, 0) == WAIT_OBJECT_0) woke = kChange;
            } else {
                break;
            }
            // Re-armed before the scan, so a change made while it runs is not missed.
            if (woke != kRescan && !FindNextChangeNotification(change)) break;
            // A folder that went away ends the watch; the exhibit keeps what it has.
            if (!FolderThere(request.folder)) break;
            if (!Scan(*shared)) break;
            if (request.notify) PostMessageW(request.notify, request.message, 0, 0);
        }
        FindCloseChangeNotification(change);
    }
    shared->running = false;
}

}  // namespace

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
