// When an operation may be taken back. (Copies, moves and writes, each step
// made to fail: SafeWriteTest.cpp; the logs: LogFileTest.cpp.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileops/FileTransfer.h"
#include "fileops/Filing.h"
#include "fileops/LogFile.h"
#include "fileops/UndoStack.h"
#include "support/TestFiles.h"

TEST(Undo, RecordsAreJudgedByWhatHappenedToTheirFiles) {
    const bool T = true, F = false;
    // The facts: it exists, it is the same file, unchanged, its original name taken.
    const struct { UndoKind kind; bool created; UndoFacts facts; UndoVerdict verdict; } cases[] = {
        {UndoKind::Recycle, F, {}, UndoVerdict::RestoreFromBin},
        {UndoKind::Archive, F, {T, T, F, F}, UndoVerdict::Go},   // moved files may have changed
        {UndoKind::Archive, F, {T, F, T, F}, UndoVerdict::FileChanged},   // another file has its name
        {UndoKind::MoveRename, F, {T, T, T, T}, UndoVerdict::OriginalTaken},
        {UndoKind::MoveRename, F, {T, F, T, T}, UndoVerdict::FileChanged},
        {UndoKind::Archive, F, {F, F, F, F}, UndoVerdict::FileGone},
        {UndoKind::Copy, T, {T, T, T, F}, UndoVerdict::Go},
        {UndoKind::Copy, T, {T, F, T, F}, UndoVerdict::FileChanged},   // same bytes and time, another file
        {UndoKind::Shortcut, T, {T, T, F, F}, UndoVerdict::FileChanged},
        {UndoKind::SaveAs, F, {T, T, T, F}, UndoVerdict::FileReplaced},
        {UndoKind::SaveAs, T, {F, F, F, F}, UndoVerdict::FileGone},
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

// Undo recognises the very files it made or moved, not look-alikes: the
// copy deleted and its original moved in under the same name (same bytes,
// same write time) is not deleted; an archived file replaced is not moved
// back. The log names a renamed target; a name the file system trims is the
// name the file gets.
TEST(Filing, UndoTakesBackOnlyTheFilesItMadeOrMoved) {
    TempFolder tree(L"undoident");
    for (const wchar_t* folder : {L"fav", L"arch"}) tree.Folder(folder);
    tree.File(L"b.jpg", "b bytes");
    tree.File(L"c.jpg", "c bytes");
    tree.File(L"arch\\c.jpg", "older c");
    const std::wstring b = tree.Path(L"b.jpg"), favB = tree.Path(L"fav\\b.jpg"), log = tree.Path(L"archived.log");

    FilingOutcome copy = CopyIntoFolder(b, tree.Path(L"fav"));
    ASSERT_EQ(copy.result, Filed::Done);
    EXPECT_EQ(copy.target, favB);
    ASSERT_TRUE(DeleteFileW(favB.c_str()) && MoveFileExW(b.c_str(), favB.c_str(), 0));
    EXPECT_EQ(TakeBack(copy.record, nullptr).verdict, UndoVerdict::FileChanged);
    EXPECT_EQ(ReadBytes(favB), "b bytes");

    copy = CopyIntoFolder(favB, tree.Path(L"fav"));   // fav\b-01.jpg, taken back whole
    ASSERT_EQ(copy.result, Filed::Done);
    const UndoOutcome undone = TakeBack(copy.record, nullptr);
    EXPECT_TRUE(undone.verdict == UndoVerdict::Go && undone.done);
    EXPECT_FALSE(FileExists(copy.target));

    FilingOutcome archived = ArchiveInto(tree.Path(L"c.jpg"), tree.Path(L"arch"), log.c_str());
    ASSERT_EQ(archived.result, Filed::Done);
    EXPECT_EQ(ReadBytes(log), Utf16(tree.Path(L"c.jpg") + L" -> " + tree.Path(L"arch\\c-01.jpg") + L"\r\n"));
    tree.File(L"other.jpg", "c bytes");
    ASSERT_TRUE(MoveFileExW(tree.Path(L"other.jpg").c_str(), archived.target.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(TakeBack(archived.record, log.c_str()).verdict, UndoVerdict::FileChanged);
    EXPECT_FALSE(FileExists(tree.Path(L"c.jpg")));

    const FilingOutcome renamed = CopyOrMoveTo(favB, tree.Path(L"fav\\d.jpg. "), true);
    ASSERT_EQ(renamed.result, Filed::Done);
    EXPECT_EQ(renamed.target, tree.Path(L"fav\\d.jpg"));
    EXPECT_EQ(ReadBytes(renamed.target), "b bytes");
    EXPECT_TRUE(TakeBack(renamed.record, nullptr).done);
    EXPECT_EQ(ReadBytes(favB), "b bytes");
}
