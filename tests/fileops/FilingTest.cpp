// When an operation may be taken back. (Copies, moves and writes, each step
// made to fail: SafeWriteTest.cpp; the logs: LogFileTest.cpp.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileops/UndoStack.h"
#include "support/TestFiles.h"

TEST(Undo, RecordsAreJudgedByWhatHappenedToTheirFiles) {
    const struct {
        UndoKind kind;
        bool created;
        UndoFacts facts;
        UndoVerdict verdict;
    } cases[] = {
        {UndoKind::Recycle, false, {}, UndoVerdict::RestoreFromBin},
        {UndoKind::Archive, true, {true, false, false}, UndoVerdict::Go},   // moved files may have changed
        {UndoKind::MoveRename, true, {true, true, true}, UndoVerdict::OriginalTaken},
        {UndoKind::Archive, true, {false, false, false}, UndoVerdict::FileGone},
        {UndoKind::Copy, true, {true, true, false}, UndoVerdict::Go},
        {UndoKind::Shortcut, true, {true, false, false}, UndoVerdict::FileChanged},
        {UndoKind::SaveAs, false, {true, true, false}, UndoVerdict::FileReplaced},
        {UndoKind::SaveAs, true, {false, false, false}, UndoVerdict::FileGone},
    };
    for (const auto& c : cases) {
        UndoRecord record;
        record.kind = c.kind;
        record.created = c.created;
        EXPECT_EQ(JudgeUndo(record, c.facts), c.verdict) << int(c.kind);
        EXPECT_EQ(KeepsRecord(c.verdict), c.verdict == UndoVerdict::OriginalTaken);
    }
    // The newest on top, and no more than the depth.
    UndoStack stack;
    for (int i = 0; i < 25; ++i) {
        UndoRecord record;
        record.now = std::to_wstring(i);
        stack.Push(record);
    }
    EXPECT_EQ(stack.Size(), UndoStack::kDepth);
    for (int i = 24; i >= 5; --i, stack.Pop()) EXPECT_EQ(stack.Top()->now, std::to_wstring(i));
    EXPECT_EQ(stack.Top(), nullptr);
}
