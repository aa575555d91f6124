// The exhibit and everything the build worker shares with the interface
// thread: the list of pictures, the saved copy of the home exhibit, which
// picture is current, the folder the list was built from, and the state of
// the build itself. Every member is private and every operation takes the
// one lock, so no caller can read half of a change or keep a reference into
// the list while another thread moves it. Shortcuts are read, and sorts are
// done on a copy, outside the lock.
//
// No windows here: the worker reaches the viewer only by posted messages.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "config/SettingCodes.h"
#include "exhibit/ImageEntry.h"
#include "exhibit/SortRules.h"

// How the exhibit is ordered: forward (0), reverse (1) or random (anything
// else), by rule `sortby`, paths compared case-sensitively or not.
struct SortOrder {
    int32_t sort = kSortForward;
    int32_t sortby = kSortTreeStrict;
    bool sortcase = false;
};

// The settings kept with the saved copy of the home exhibit.
struct SavedView {
    int32_t index = 0;
    SortOrder order;
    bool subfolders = true;
    bool hidden = true;
};

// The shown picture: its index and path, read together.
struct CurrentEntry {
    int32_t index = 0;
    std::wstring path;
    uint64_t scannedSize = ImageEntry::kSizeUnknown;   // set by TakeCurrent
};

class Exhibit {
public:
    Exhibit();
    ~Exhibit();
    Exhibit(const Exhibit&) = delete;
    Exhibit& operator=(const Exhibit&) = delete;

    // ---- The list ------------------------------------------------------------
    size_t Size() const;
    bool Empty() const { return Size() == 0; }
    std::vector<ImageEntry> Snapshot() const;
    std::optional<ImageEntry> EntryAt(size_t index) const;
    // Replaces the whole list (the index is kept in range).
    void Assign(std::vector<ImageEntry> entries);
    // Empties the list for a new build: index 0, no entries.
    void Clear();
    // Appends a scanned folder's pictures.
    void Append(std::vector<ImageEntry>&& found);
    // Sets the last-access time of the entry at `index` when it still holds `path`.
    void StampAccessed(int32_t index, const std::wstring& path, const FILETIME& when);

    // ---- The current picture ---------------------------------------------------
    int32_t CurrentIndex() const;
    std::wstring CurrentPath() const;
    CurrentEntry Current() const;
    // The path to find again after the next build (a file named on the command
    // line, a dropped file), or the name of a picture that is not a file.
    void SetCurrentPath(const std::wstring& path);
    // Makes entry `index` current (wrapped into the list): its path becomes the
    // current path at once, so a sort on another thread keeps following it.
    void MoveTo(int64_t index);
    // Moves `step` places forward or backward, wrapping.
    void Step(int32_t step, bool forward);
    // Moves to the first picture of the next or the previous folder.
    void StepFolder(bool next);
    // The entry at the current index, made the current path (what a load takes).
    std::optional<CurrentEntry> TakeCurrent();
    // Drops the entry a failed load took (at `index`, else the first holding
    // `path`); the following entry moves into place and becomes current.
    void RemoveEntry(int32_t index, const std::wstring& path);
    // Drops many such entries in one pass; the current entry stays current
    // (the one after it when it is dropped too).
    void RemoveEntries(const std::vector<CurrentEntry>& gone);
    // True when the current index names `path` and the current path is `path`.
    bool IsShowing(const std::wstring& path) const;
    // Puts `entry` at `index` (kept in range) and makes it current.
    void InsertAt(int32_t index, ImageEntry entry);
    // Puts `entry` in the place of the one holding `oldPath` (looked for at
    // `index` first) and makes it current; appended at `index` when `oldPath`
    // is no longer listed.
    void ReplaceAt(int32_t index, const std::wstring& oldPath, ImageEntry entry);
    // Index of the entry whose path is exactly `path`; -1 if none.
    int32_t IndexOfPath(const std::wstring& path) const;
    // The index `pick` chooses from the list, read under the lock (-1: none).
    int32_t Pick(const std::function<int32_t(const std::vector<ImageEntry>&)>& pick) const;
    // Keeps the entries `keep` accepts, in order: a filter. The unfiltered
    // list is saved first (with `view`) unless a saved copy exists; the current
    // picture stays current when it is kept, else the first entry is.
    void Filter(const std::function<bool(const ImageEntry&)>& keep, const SavedView& view);
    // A fresh scan of the same folder replaces the list: the current picture
    // stays current, and when it is gone the one that moved into its place is.
    void Rebuilt(std::vector<ImageEntry> entries);
    // Moves the whole list out (a scan's private exhibit hands it over).
    std::vector<ImageEntry> TakeEntries();

    // ---- Look-up -------------------------------------------------------------------
    // Index of `path`: the entry itself, else (for a shortcut) the entry of its
    // target, else the first shortcut entry that points to `path`; -1 if none.
    int32_t Find(const std::wstring& path) const;
    // The current index follows the current path (0 when it is gone).
    void Refind();

    // ---- Order ---------------------------------------------------------------------
    // Sorts (or shuffles) with `order`, which later sorts of the same build
    // keep. A copy is sorted and put in place; a change of the list meanwhile
    // (an append, a removal) is never lost: the sort starts again.
    void Sort(const SortOrder& order);
    // Sorts with the order last given (the end of a build).
    void Sort();
    void SetOrder(const SortOrder& order);
    void Shuffle();
    int32_t RandomIndex(int32_t n);
    void Reseed(uint32_t seed);
    // A seed of its own for every build: the clock, and a count, so that two
    // builds within one tick shuffle differently too.
    void Reseed();

    // ---- Saved copy of the home exhibit, viewed folder, filter ------------------------
    void Save(const SavedView& view);
    bool HasSaved() const;
    // Puts the saved copy back (it stays saved); its settings, or nothing when none.
    std::optional<SavedView> Restore();
    void DropSaved();
    std::wstring ViewedFolder() const;
    void SetViewedFolder(const std::wstring& folder);
    bool Filtered() const;
    void SetFiltered(bool on);

    // ---- The build -------------------------------------------------------------------
    // At most one build at a time: false when one runs already.
    bool TryBeginBuild();
    void EndBuild();
    bool Building() const { return building_.load(); }
    // Signalled while no build runs (a manual-reset event owned here).
    HANDLE IdleEvent() const { return idle_; }
    // Waits for the running build to end; false on time-out.
    bool WaitIdle(DWORD timeoutMs) const;
    // The viewer is closing: a running scan stops at its next folder.
    void Abandon() { abandoned_ = true; }
    bool Abandoned() const { return abandoned_.load(); }
    // The running build was started by the change watcher.
    std::atomic<bool> autoRefreshBuild{false};

private:
    // What Find looks for, read from shortcuts outside the lock: the exact
    // entry path that stands for `path`, or empty when nothing does.
    std::wstring ResolveKey(const std::wstring& path) const;
    int32_t IndexOfLocked(const std::wstring& key) const;
    void MoveToLocked(size_t index);
    void InsertLocked(int32_t index, ImageEntry entry);
    void SortLocked();
    void RefindLocked(const std::wstring& asked, const std::wstring& key);

    mutable std::mutex lock_;
    std::vector<ImageEntry> entries_;
    std::vector<ImageEntry> saved_;
    SavedView savedView_;
    int32_t currentIndex_ = 0;
    std::wstring currentPath_;
    std::wstring viewedFolder_;
    bool filtered_ = false;
    SortOrder order_;
    std::mt19937 random_;
    uint64_t changes_ = 0;   // counts changes of entries_, so a sort of a copy sees one

    std::atomic<bool> building_{false};
    std::atomic<bool> abandoned_{false};
    HANDLE idle_ = nullptr;
};
