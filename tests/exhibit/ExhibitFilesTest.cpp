// Which files are pictures, and stepping through the exhibit by pictures and
// by folders.
#include <gtest/gtest.h>

#include "exhibit/ExhibitFiles.h"
#include "exhibit/FolderSteps.h"

TEST(ShownFormats, ExtensionsFollowTheSwitchesInAnyCase) {
    ShownFormats all;
    all.tif = all.emf = all.ico = true;
    for (const wchar_t* name :
         {L"a.jpg", L"a.JPEG", L"C:\\x.y\\b.Gif", L"b.bmp", L"c.PNG", L"d.tiff", L"e.emf", L"f.ICO", L"x.lnk.jpg"})
        EXPECT_TRUE(IsShownFormat(name, all)) << name;
    for (const wchar_t* name : {L"jpg", L"C:\\pics.jpg\\readme", L"a.jpe", L"a.jpg.lnk", L"a.jpg ", L".", L"",
                                L"a.tifff", L"a.wmf"})
        EXPECT_FALSE(IsShownFormat(name, all)) << name;
    EXPECT_FALSE(IsShownFormat(nullptr, all));
    ShownFormats tifOnly;
    tifOnly.jpg = tifOnly.gif = tifOnly.bmp = tifOnly.png = false;
    tifOnly.tif = true;
    EXPECT_TRUE(IsShownFormat(L"a.TIFF", tifOnly) && !IsShownFormat(L"a.jpg", tifOnly)
                && !IsShownFormat(L"a.png", tifOnly));
}

TEST(FolderSteps, FoldersAreRunsOfExactlyTheSamePathAndStepsWrap) {
    std::vector<ImageEntry> e{{L"C:\\A\\1"}, {L"C:\\A\\2"}, {L"C:\\B\\1"}, {L"C:\\B\\2"}, {L"C:\\C\\1"}};
    const std::pair<int32_t, int32_t> next[] = {{0, 2}, {3, 4}, {4, 0}}, previous[] = {{2, 0}, {3, 0}, {4, 2}, {0, 4}};
    for (const auto& [from, to] : next) EXPECT_EQ(NextFolderIndex(e, from), to) << from;
    // From the first folder, back to where the last run begins.
    for (const auto& [from, to] : previous) EXPECT_EQ(PreviousFolderIndex(e, from), to) << from;
    e = {{L"C:\\A\\1.jpg"}, {L"C:\\A\\2.jpg"}, {L"C:\\A\\3.jpg"}};
    EXPECT_TRUE(NextFolderIndex(e, 1) == 1 && PreviousFolderIndex(e, 1) == 1) << "one folder stays";
    // Names differing only in case are other folders; so is a subfolder.
    e = {{L"C:\\A\\1.jpg"}, {L"C:\\a\\2.jpg"}, {L"C:\\A\\sub\\3.jpg"}};
    EXPECT_TRUE(NextFolderIndex(e, 0) == 1 && NextFolderIndex(e, 1) == 2);
    e = {{L"C:\\X\\0.jpg"}, {L"C:\\B\\1.jpg"}, {L"C:\\C\\2.jpg"}};
    EXPECT_EQ(PreviousFolderIndex(e, 2), 1) << "entry 0 is not in the previous run's folder";
    // Steps of several pictures: (index, step, count, forward) -> index.
    const struct { int32_t i, s, n; bool forward; int32_t to; } steps[] = {{2, 5, 3, true, 1}, {0, 10, 3, false, 2},
        {3, 10, 12, false, 5}, {11, 1, 12, true, 0}, {0, 1, 12, false, 11}, {4, 1, 0, true, 4}};
    for (const auto& c : steps) EXPECT_EQ(StepIndex(c.i, c.s, c.n, c.forward), c.to) << c.i << " " << c.s << " " << c.n;
}
