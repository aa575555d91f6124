#include "exhibit/Exhibit.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <utility>

#include "exhibit/FolderSteps.h"
#include "exhibit/ShellLink.h"
#include "exhibit/SortRules.h"

using Lock = std::lock_guard<std::mutex>;

Exhibit::Exhibit() : idle_(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

Exhibit::~Exhibit() {
    if (idle_) CloseHandle(idle_);
}

// ---- The list ----------------------------------------------------------------------

size_t Exhibit::Size() const {
    Lock lock(lock_);
    return entries_.size();
}

std::vector<ImageEntry> Exhibit::Snapshot() const {
    Lock lock(lock_);
    return entries_;
}

std::optional<ImageEntry> Exhibit::EntryAt(size_t index) const {
    Lock lock(lock_);
    if (index >= entries_.size()) return std::nullopt;
    return entries_[index];
}

void Exhibit::Assign(std::vector<ImageEntry> entries) {
    Lock lock(lock_);
    ++changes_;
    entries_ = std::move(entries);
    if (currentIndex_ < 0 || size_t(currentIndex_) >= entries_.size()) currentIndex_ = 0;
}

void Exhibit::Clear() {
    Lock lock(lock_);
    ++changes_;
    entries_.clear();
    currentIndex_ = 0;
}

void Exhibit::Append(std::vector<ImageEntry>&& found) {
    if (found.empty()) return;
    Lock lock(lock_);
    ++changes_;
    if (entries_.empty()) {
        entries_.swap(found);
    } else {
        entries_.insert(entries_.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
    }
    found.clear();
}

void Exhibit::StampAccessed(int32_t index, const std::wstring& path, const FILETIME& when) {
    Lock lock(lock_);
    ++changes_;
    if (index < 0 || size_t(index) >= entries_.size() || entries_[size_t(index)].path != path) {
        index = IndexOfLocked(path);
        if (index < 0) return;
    }
    entries_[size_t(index)].accessed = when;
}

// ---- The current picture ---------------------------------------------------------------

int32_t Exhibit::CurrentIndex() const {
    Lock lock(lock_);
    return currentIndex_;
}

std::wstring Exhibit::CurrentPath() const {
    Lock lock(lock_);
    return currentPath_;
}

CurrentEntry Exhibit::Current() const {
    Lock lock(lock_);
    return CurrentEntry{currentIndex_, currentPath_};
}

void Exhibit::SetCurrentPath(const std::wstring& path) {
    Lock lock(lock_);
    currentPath_ = path;
}

void Exhibit::MoveToLocked(size_t index) {
    currentIndex_ = int32_t(index);
    currentPath_ = entries_[index].path;
}

void Exhibit::MoveTo(int64_t index) {
    Lock lock(lock_);
    const int64_t n = int64_t(entries_.size());
    if (n == 0) {
        currentIndex_ = 0;
        return;
    }
    MoveToLocked(size_t(((index % n) + n) % n));
}

void Exhibit::Step(int32_t step, bool forward) {
    Lock lock(lock_);
    const auto n = int32_t(entries_.size());
    if (n == 0) return;
    MoveToLocked(size_t(StepIndex(currentIndex_, step, n, forward)));
}

void Exhibit::StepFolder(bool next) {
    Lock lock(lock_);
    if (entries_.empty()) return;
    const int32_t to = next ? NextFolderIndex(entries_, currentIndex_) : PreviousFolderIndex(entries_, currentIndex_);
    if (to >= 0 && size_t(to) < entries_.size()) MoveToLocked(size_t(to));
}

std::optional<CurrentEntry> Exhibit::TakeCurrent() {
    Lock lock(lock_);
    if (entries_.empty()) return std::nullopt;
    if (currentIndex_ < 0 || size_t(currentIndex_) >= entries_.size()) currentIndex_ = 0;
    MoveToLocked(size_t(currentIndex_));
    return CurrentEntry{currentIndex_, currentPath_, entries_[size_t(currentIndex_)].scannedSize};
}

void Exhibit::RemoveEntry(int32_t index, const std::wstring& path) {
    Lock lock(lock_);
    ++changes_;
    if (index < 0 || size_t(index) >= entries_.size() || entries_[size_t(index)].path != path) {
        index = IndexOfLocked(path);
        if (index < 0) return;
    }
    entries_.erase(entries_.begin() + index);
    if (index < currentIndex_) --currentIndex_;
    if (currentIndex_ < 0 || size_t(currentIndex_) >= entries_.size()) currentIndex_ = 0;
    // The entry that moved into place is the one to try next; a sort on the
    // build worker keeps following it rather than the dropped file.
    if (!entries_.empty()) currentPath_ = entries_[size_t(currentIndex_)].path;
}

void Exhibit::InsertAt(int32_t index, ImageEntry entry) {
    Lock lock(lock_);
    ++changes_;
    InsertLocked(index, std::move(entry));
}

void Exhibit::InsertLocked(int32_t index, ImageEntry entry) {
    const size_t at = std::min(size_t(std::max(index, 0)), entries_.size());
    entries_.insert(entries_.begin() + ptrdiff_t(at), std::move(entry));
    MoveToLocked(at);
}

void Exhibit::ReplaceAt(int32_t index, const std::wstring& oldPath, ImageEntry entry) {
    Lock lock(lock_);
    ++changes_;
    int32_t at = index;
    if (at < 0 || size_t(at) >= entries_.size() || entries_[size_t(at)].path != oldPath) at = IndexOfLocked(oldPath);
    if (at < 0) {
        InsertLocked(index, std::move(entry));
        return;
    }
    entries_[size_t(at)] = std::move(entry);
    MoveToLocked(size_t(at));
}

int32_t Exhibit::IndexOfPath(const std::wstring& path) const {
    Lock lock(lock_);
    return IndexOfLocked(path);
}

int32_t Exhibit::Pick(const std::function<int32_t(const std::vector<ImageEntry>&)>& pick) const {
    Lock lock(lock_);
    return pick(entries_);
}

void Exhibit::Filter(const std::function<bool(const ImageEntry&)>& keep, const SavedView& view) {
    Lock lock(lock_);
    ++changes_;
    if (saved_.empty()) {
        saved_ = entries_;
        savedView_ = view;
        savedView_.index = currentIndex_;
    } else if (!filtered_) {
        savedView_.index = currentIndex_;
    }
    std::vector<ImageEntry> kept;
    for (const ImageEntry& entry : entries_)
        if (keep(entry)) kept.push_back(entry);
    entries_ = std::move(kept);
    filtered_ = true;
    const int32_t at = IndexOfLocked(currentPath_);
    currentIndex_ = at < 0 ? 0 : at;
    if (!entries_.empty()) currentPath_ = entries_[size_t(currentIndex_)].path;
}

void Exhibit::Rebuilt(std::vector<ImageEntry> entries) {
    Lock lock(lock_);
    ++changes_;
    entries_ = std::move(entries);
    filtered_ = false;
    const int32_t at = IndexOfLocked(currentPath_);
    if (at >= 0) currentIndex_ = at;
    else if (currentIndex_ < 0 || size_t(currentIndex_) >= entries_.size()) currentIndex_ = 0;
    if (!entries_.empty()) currentPath_ = entries_[size_t(currentIndex_)].path;
}

std::vector<ImageEntry> Exhibit::TakeEntries() {
    Lock lock(lock_);
    ++changes_;
    std::vector<ImageEntry> taken = std::move(entries_);
    entries_.clear();
    currentIndex_ = 0;
    return taken;
}

void Exhibit::RemoveEntries(const std::vector<CurrentEntry>& gone) {
    if (gone.empty()) return;
    Lock lock(lock_);
    ++changes_;
    std::vector<bool> drop(entries_.size(), false);
    std::unordered_set<std::wstring> moved;
    for (const CurrentEntry& entry : gone) {
        const int32_t at = entry.index;
        if (at >= 0 && size_t(at) < entries_.size() && entries_[size_t(at)].path == entry.path) drop[size_t(at)] = true;
        else moved.insert(entry.path);   // a build or a sort moved it since
    }
    // Those that moved are looked for in one pass, however many they are.
    for (size_t i = 0; i < entries_.size() && !moved.empty(); ++i) {
        if (drop[i]) continue;
        if (const auto found = moved.find(entries_[i].path); found != moved.end()) {
            drop[i] = true;
            moved.erase(found);
        }
    }
    size_t kept = 0, current = entries_.size();
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (i == size_t(currentIndex_)) current = kept;   // its place, or its follower's
        if (drop[i]) continue;
        if (kept != i) entries_[kept] = std::move(entries_[i]);
        ++kept;
    }
    entries_.resize(kept);
    currentIndex_ = current < kept ? int32_t(current) : 0;
    if (!entries_.empty()) currentPath_ = entries_[size_t(currentIndex_)].path;
}

bool Exhibit::IsShowing(const std::wstring& path) const {
    Lock lock(lock_);
    return currentPath_ == path && currentIndex_ >= 0 && size_t(currentIndex_) < entries_.size() &&
           entries_[size_t(currentIndex_)].path == path;
}

// ---- Look-up ------------------------------------------------------------------------------

int32_t Exhibit::IndexOfLocked(const std::wstring& key) const {
    if (key.empty()) return -1;
    const size_t n = entries_.size();
    for (size_t i = 0; i < n; ++i)
        if (entries_[i].path == key) return int32_t(i);
    return -1;
}

std::wstring Exhibit::ResolveKey(const std::wstring& path) const {
    if (path.empty()) return std::wstring();
    std::vector<std::wstring> links;
    {
        Lock lock(lock_);
        if (entries_.empty()) return std::wstring();
        if (IndexOfLocked(path) >= 0) return path;
        if (!IsShortcut(path.c_str())) {
            for (const ImageEntry& e : entries_)
                if (IsShortcut(e.path.c_str())) links.push_back(e.path);
        }
    }
    // Shortcut files are read with the lock released: the shell may take its
    // time, and the build worker must be able to go on appending meanwhile.
    wchar_t target[ShellLink::kLinkPathSize];
    if (IsShortcut(path.c_str())) {
        ShellLink shell;
        return shell.Read(path.c_str(), target, false) ? std::wstring(target) : std::wstring();
    }
    if (links.empty()) return std::wstring();
    ShellLink shell;
    for (const std::wstring& link : links)
        if (shell.Read(link.c_str(), target, false) && path == target) return link;
    return std::wstring();
}

int32_t Exhibit::Find(const std::wstring& path) const {
    const std::wstring key = ResolveKey(path);
    Lock lock(lock_);
    return IndexOfLocked(key);
}

void Exhibit::RefindLocked(const std::wstring& asked, const std::wstring& key) {
    // The current picture may have changed while the shortcuts were read:
    // then its own path is what to follow.
    const int32_t index = currentPath_ == asked ? IndexOfLocked(key) : IndexOfLocked(currentPath_);
    currentIndex_ = index < 0 ? 0 : index;
}

void Exhibit::Refind() {
    const std::wstring asked = CurrentPath();
    const std::wstring key = ResolveKey(asked);
    Lock lock(lock_);
    RefindLocked(asked, key);
}

// ---- Order ---------------------------------------------------------------------------------

void Exhibit::SortLocked() {
    if (order_.sort != kSortForward && order_.sort != kSortReverse) ShuffleEntries(entries_, random_);
    else SortEntries(entries_, order_.sortby, order_.sortcase, order_.sort == kSortReverse);
    ++changes_;
}

void Exhibit::Sort(const SortOrder& order) {
    SetOrder(order);
    Sort();
}

void Exhibit::Sort() {
    const std::wstring asked = CurrentPath();
    const std::wstring key = ResolveKey(asked);
    // A copy is sorted with the lock released, so a paint or the Catalog's
    // list never waits for it, and put in place when nothing changed the list
    // meanwhile; after a change it is sorted again.
    for (int tries = 0; tries < 3; ++tries) {
        std::vector<ImageEntry> copy;
        SortOrder order;
        std::mt19937 random;
        uint64_t seen = 0;
        {
            Lock lock(lock_);
            copy = entries_;
            order = order_;
            random = random_;
            seen = changes_;
        }
        if (order.sort != kSortForward && order.sort != kSortReverse) ShuffleEntries(copy, random);
        else SortEntries(copy, order.sortby, order.sortcase, order.sort == kSortReverse);
        Lock lock(lock_);
        if (changes_ != seen || !(order_.sort == order.sort && order_.sortby == order.sortby &&
                                  order_.sortcase == order.sortcase))
            continue;
        entries_.swap(copy);
        random_ = random;
        ++changes_;
        RefindLocked(asked, key);
        return;
    }
    // A list that keeps changing is sorted in place.
    Lock lock(lock_);
    SortLocked();
    RefindLocked(asked, key);
}

void Exhibit::SetOrder(const SortOrder& order) {
    Lock lock(lock_);
    order_ = order;
}

void Exhibit::Shuffle() {
    Lock lock(lock_);
    ++changes_;
    ShuffleEntries(entries_, random_);
}

int32_t Exhibit::RandomIndex(int32_t n) {
    Lock lock(lock_);
    return ::RandomIndex(random_, n);
}

void Exhibit::Reseed(uint32_t seed) {
    Lock lock(lock_);
    random_.seed(seed);
}

void Exhibit::Reseed() {
    static std::atomic<uint32_t> builds{0};
    Reseed(GetTickCount() + 0x9E3779B9u * ++builds);
}

// ---- Saved copy, viewed folder, filter ----------------------------------------------------------

void Exhibit::Save(const SavedView& view) {
    Lock lock(lock_);
    saved_ = entries_;
    savedView_ = view;
    savedView_.index = currentIndex_;
}

bool Exhibit::HasSaved() const {
    Lock lock(lock_);
    return !saved_.empty();
}

std::optional<SavedView> Exhibit::Restore() {
    Lock lock(lock_);
    ++changes_;
    if (saved_.empty()) return std::nullopt;
    entries_ = saved_;
    filtered_ = false;
    order_ = savedView_.order;
    int32_t index = savedView_.index;
    if (index >= int32_t(entries_.size())) index = int32_t(entries_.size()) - 1;
    if (index < 0) index = 0;
    MoveToLocked(size_t(index));
    SavedView view = savedView_;
    view.index = index;
    return view;
}

void Exhibit::DropSaved() {
    Lock lock(lock_);
    saved_.clear();
    saved_.shrink_to_fit();
}

std::wstring Exhibit::ViewedFolder() const {
    Lock lock(lock_);
    return viewedFolder_;
}

void Exhibit::SetViewedFolder(const std::wstring& folder) {
    Lock lock(lock_);
    viewedFolder_ = folder;
}

bool Exhibit::Filtered() const {
    Lock lock(lock_);
    return filtered_;
}

void Exhibit::SetFiltered(bool on) {
    Lock lock(lock_);
    filtered_ = on;
}

// ---- The build ------------------------------------------------------------------------------------

bool Exhibit::TryBeginBuild() {
    bool expected = false;
    if (!building_.compare_exchange_strong(expected, true)) return false;
    if (idle_) ResetEvent(idle_);
    return true;
}

void Exhibit::EndBuild() {
    building_ = false;
    if (idle_) SetEvent(idle_);
}

bool Exhibit::WaitIdle(DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    while (building_.load()) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs) return false;
        // Between a new build's start and its reset of the event the event
        // may still read idle: look at the flag again after every wake.
        if (idle_) WaitForSingleObject(idle_, timeoutMs == INFINITE ? INFINITE : timeoutMs - waited);
        else Sleep(1);
    }
    return true;
}
