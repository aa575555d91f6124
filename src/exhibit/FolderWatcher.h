// The change watcher: a thread that waits for names to change under the
// folder the exhibit was built from, lets a burst of changes settle, scans
// the folder afresh into a list of its own, sorted, and hands it over. The
// exhibit itself is never touched here, so the interface thread never waits
// for a rebuild; it takes the finished list when the posted message arrives.
//
// No windows here but the one a message is posted to.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "exhibit/Exhibit.h"
#include "exhibit/FolderScan.h"

// When a burst of changes has settled enough to be scanned: no change came
// for `quietMs` and then `latencyMs` more; but changes that keep coming (a
// camera import, a download) are scanned at least every `mostMs` (or every
// quiet period and latency together, when those are longer).
struct SettleRule {
    DWORD quietMs = 200;
    DWORD latencyMs = 200;
    DWORD mostMs = 2000;
    // How much longer to wait, `sinceFirst` ms after the first change of the
    // burst and `sinceLast` ms after its latest; 0: scan now.
    DWORD Left(DWORD sinceFirst, DWORD sinceLast) const;
};

class FolderWatcher {
public:
    struct Request {
        std::wstring folder;
        ScanOptions options;        // also: subfolders on watches the whole tree
        SortOrder order;
        DWORD quietMs = 200;        // a change waits until none came for this long
        DWORD latencyMs = 200;      // and then this long again
        DWORD retryMs = 1000;       // how often a folder that went away is looked for
        HWND notify = nullptr;      // told by `message` when a list is ready
        UINT message = 0;
        // The list a result goes to: while it is being built, a scan would
        // be thrown away on arrival, so none starts until the build ends.
        std::shared_ptr<const Exhibit> target;
        // Fills `list` with the folder's pictures (a test may slow it down);
        // empty: the folder scan itself.
        std::function<void(const Request&, Exhibit& list)> scan;
    };
    struct Result {
        std::vector<ImageEntry> entries;
        std::wstring folder;        // what was scanned, and how
        ScanOptions options;
        SortOrder order;            // the order they are sorted in
    };

    FolderWatcher() = default;
    ~FolderWatcher() { Stop(); }
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Ends the running watcher and starts one for `request`. A folder that
    // goes away (renamed, deleted) or cannot be watched yet is looked for
    // until it is there again; then it is watched anew and scanned at once.
    void Start(Request request);
    // Ends the running watcher; a scan under way is abandoned. It does not
    // wait: a thread that is still finishing touches only what it owns.
    void Stop();
    bool Running() const;
    // Scans again at once, without waiting for a burst to settle: files the
    // viewer found gone. Requests made before the scan starts are one scan.
    void RescanNow();
    // The newest list a scan finished, once.
    std::optional<Result> TakeResult();
    // How many scans this watcher has finished (for tests and benchmarks).
    size_t Scans() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};
