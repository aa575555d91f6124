#include "fileops/UndoStack.h"

#include <utility>

UndoVerdict JudgeUndo(const UndoRecord& record, const UndoFacts& facts) {
    if (record.kind == UndoKind::Recycle) return UndoVerdict::RestoreFromBin;
    if (!facts.nowExists) return UndoVerdict::FileGone;
    const bool moved = record.kind == UndoKind::Archive || record.kind == UndoKind::MoveRename;
    if (moved) return facts.originalTaken ? UndoVerdict::OriginalTaken : UndoVerdict::Go;
    // Taking back a file made here deletes it: only what this program wrote,
    // as it wrote it.
    if (!record.created) return UndoVerdict::FileReplaced;
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
