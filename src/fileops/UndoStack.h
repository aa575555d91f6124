// What the viewer's own file operations did, so the last ones can be taken
// back (Alt+Backspace), and the rules for when taking one back is safe.
//
// No windows here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

enum class UndoKind {
    Archive,      // moved into the archive folder
    MoveRename,   // moved or renamed through the dialog
    Copy,         // a copy made (dialog, favorites, desktop, archive)
    SaveAs,       // a picture saved as a new file
    Shortcut,     // a shortcut sent to favorites or the desktop
    Recycle,      // sent to the recycle bin: the system restores it, not us
};

// Which file a path names, and that file's state: the volume's serial number
// and the file's index on it stay with a file through renames and moves on
// its volume, while a copy or a file moved in from elsewhere gets its own.
// Size and write time alone cannot tell a copy from its original.
struct FileIdentity {
    bool known = false;
    uint32_t volume = 0;
    uint64_t index = 0;
    uint64_t size = 0;
    uint64_t written = 0;
    bool SameFile(const FileIdentity& other) const {
        return known && other.known && volume == other.volume && index == other.index;
    }
    bool SameState(const FileIdentity& other) const { return size == other.size && written == other.written; }
};

struct UndoRecord {
    UndoKind kind = UndoKind::Copy;
    std::wstring now;        // the file as the operation left it
    std::wstring original;   // where a moved file was before
    int32_t index = 0;       // its place in the exhibit
    bool created = true;     // the operation made `now` (false: it replaced a file)
    bool entryAdded = false; // an exhibit entry was added for `now`
    FileIdentity identity;   // `now` as the operation left it
};

// What is known about the files of a record at the moment of the undo.
struct UndoFacts {
    bool nowExists = false;
    bool sameFile = false;        // `now` is still the file the operation left there
    bool nowUnchanged = false;    // same size and write time as recorded
    bool originalTaken = false;   // something else holds the original path
};

enum class UndoVerdict {
    Go,
    RestoreFromBin,   // recycled: the user restores it from the bin
    FileGone,         // the file to take back is no longer there
    FileChanged,      // another file has the name now, or a file made here was changed since
    FileReplaced,     // the operation replaced a file, which cannot come back
    OriginalTaken,    // another file now has the original name
};

// Whether the record can be undone now.
UndoVerdict JudgeUndo(const UndoRecord& record, const UndoFacts& facts);
// Whether a refused record stays to be tried again (the user can make room).
inline bool KeepsRecord(UndoVerdict verdict) { return verdict == UndoVerdict::OriginalTaken; }

// The last operations of this run, the newest on top.
class UndoStack {
public:
    static constexpr size_t kDepth = 20;
    void Push(UndoRecord record);
    const UndoRecord* Top() const { return records_.empty() ? nullptr : &records_.back(); }
    void Pop();
    size_t Size() const { return records_.size(); }

private:
    std::deque<UndoRecord> records_;
};
