#include "fileops/UndoStack.h"

#include <utility>

UndoVerdict JudgeUndo(const UndoRecord& record, const UndoFacts& facts) {
    if (record.kind == UndoKind::Recycle) return UndoVerdict::RestoreFromBin;
    if (!facts.nowExists) return UndoVerdict::FileGone;
    const bool moved = record.kind == UndoKind::Archive || record.kind == UndoKind::MoveRename;
    // Taking back a file made here deletes it: only what this program wrote,
    // as it wrote it. A file it replaced is the user's, never deleted.
    if (!moved && !record.created) return UndoVerdict::FileReplaced;
    // The same name may hold another file now (a copy put there, the
    // original moved in): that one is not ours to move or delete.
    if (!facts.sameFile) return UndoVerdict::FileChanged;
    if (moved) return facts.originalTaken ? UndoVerdict::OriginalTaken : UndoVerdict::Go;
    if (!facts.nowUnchanged) return UndoVerdict::FileChanged;
    return UndoVerdict::Go;
}

void UndoStack::Push(UndoRecord record) {
    records_.push_back(std::move(record));
    while (records_.size() > kDepth) records_.pop_front();
}

void UndoStack::Pop() {
    if (!records_.empty()) records_.pop_back();
}
