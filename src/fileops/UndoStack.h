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

struct UndoRecord {
    UndoKind kind = UndoKind::Copy;
    std::wstring now;        // the file as the operation left it
    std::wstring original;   // where a moved file was before
    int32_t index = 0;       // its place in the exhibit
    bool created = true;     // the operation made `now` (false: it replaced a file)
    bool entryAdded = false; // an exhibit entry was added for `now`
    uint64_t size = 0;       // `now` as it was written: size and write time
    uint64_t written = 0;
};

// What is known about the files of a record at the moment of the undo.
struct UndoFacts {
    bool nowExists = false;
    bool nowUnchanged = false;    // same size and write time as recorded
    bool originalTaken = false;   // something else holds the original path
};

enum class UndoVerdict {
    Go,
    RestoreFromBin,   // recycled: the user restores it from the bin
    FileGone,         // the file to take back is no longer there
    FileChanged,      // a file made here was changed since: it is not deleted
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
