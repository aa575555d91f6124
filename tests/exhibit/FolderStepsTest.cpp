// Stepping through the exhibit by pictures and by folders.
#include <gtest/gtest.h>

#include "exhibit/FolderSteps.h"

namespace {

std::vector<ImageEntry> Entries(std::initializer_list<const wchar_t*> paths) {
    std::vector<ImageEntry> entries;
    for (const wchar_t* p : paths) entries.push_back(ImageEntry{p, {}, {}, {}});
    return entries;
}

}  // namespace

TEST(FolderSteps, NextAndPreviousFolderInAABBC) {
    const auto e = Entries({L"C:\\A\\1.jpg", L"C:\\A\\2.jpg", L"C:\\B\\1.jpg", L"C:\\B\\2.jpg", L"C:\\C\\1.jpg"});
    EXPECT_EQ(NextFolderIndex(e, 0), 2);
    EXPECT_EQ(NextFolderIndex(e, 3), 4);
    EXPECT_EQ(NextFolderIndex(e, 4), 0);  // wraps to the first folder
    EXPECT_EQ(PreviousFolderIndex(e, 2), 0);
    EXPECT_EQ(PreviousFolderIndex(e, 3), 0);
    EXPECT_EQ(PreviousFolderIndex(e, 4), 2);
    // From the first folder the walk wraps to the last run, which starts at 4.
    EXPECT_EQ(PreviousFolderIndex(e, 0), 4);
}

TEST(FolderSteps, OneFolderStaysAndFoldersCompareExactly) {
    const auto same = Entries({L"C:\\A\\1.jpg", L"C:\\A\\2.jpg", L"C:\\A\\3.jpg"});
    EXPECT_EQ(NextFolderIndex(same, 1), 1);
    EXPECT_EQ(PreviousFolderIndex(same, 1), 1);
    // Folder names differing only in case are different folders; a sub-folder is another folder.
    const auto mixed = Entries({L"C:\\A\\1.jpg", L"C:\\a\\2.jpg", L"C:\\A\\sub\\3.jpg"});
    EXPECT_EQ(NextFolderIndex(mixed, 0), 1);
    EXPECT_EQ(NextFolderIndex(mixed, 1), 2);
    // When entry 0 is not in the previous run's folder the answer is 1.
    const auto split = Entries({L"C:\\X\\0.jpg", L"C:\\B\\1.jpg", L"C:\\C\\2.jpg"});
    EXPECT_EQ(PreviousFolderIndex(split, 2), 1);
}

TEST(FolderSteps, StepKeysWrapBothWays) {
    EXPECT_EQ(StepIndex(2, 5, 3, true), 1);     // Shift+Next at the end of three
    EXPECT_EQ(StepIndex(0, 10, 3, false), 2);   // Ctrl+Previous at the start of three
    EXPECT_EQ(StepIndex(3, 10, 12, false), 5);  // 3 + 12 - 10
    EXPECT_EQ(StepIndex(11, 1, 12, true), 0);
    EXPECT_EQ(StepIndex(0, 1, 12, false), 11);
    EXPECT_EQ(StepIndex(4, 1, 0, true), 4);     // an empty exhibit leaves the index
}
