// Which files are pictures, and stepping through the exhibit by pictures and
// by folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "exhibit/ExhibitFiles.h"
#include "exhibit/FolderSteps.h"

// Each name with the key of the format it is ("" for none): it is shown when
// that format is on, whatever the others are.
TEST(ShownFormats, ExtensionsFollowTheSwitchesInAnyCase) {
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"a.jpg", L"jpg"},   {L"a.JPEG", L"jpg"},  {L"C:\\x.y\\b.Gif", L"gif"}, {L"b.bmp", L"bmp"},
        {L"c.PNG", L"png"},   {L"d.tiff", L"tif"},  {L"d.Tif", L"tif"},          {L"e.emf", L"emf"},
        {L"f.ICO", L"ico"},   {L"x.lnk.jpg", L"jpg"}, {L"g.webp", L"webp"},      {L"g.WebP", L"webp"},
        {L"h.avif", L"avif"}, {L"h.AVIF", L"avif"}, {L"i.heic", L"heic"},       {L"i.HEIF", L"heic"},
        {L"i.Heif", L"heic"}, {L"j.jxl", L"jxl"},   {L"j.JXL", L"jxl"},         {L"jpg", L""},
        {L"C:\\pics.jpg\\readme", L""}, {L"a.jpe", L""}, {L"a.jpg.lnk", L""}, {L"a.jpg ", L""}, {L".", L""},
        {L"", L""}, {L"a.tifff", L""}, {L"a.wmf", L""}, {L"a.web", L""}, {L"a.heics", L""}, {L"a.jxl.lnk", L""},
    };
    ShownFormats all, none;
    std::fill(std::begin(all.on), std::end(all.on), true);
    std::fill(std::begin(none.on), std::end(none.on), false);
    for (const auto& [name, key] : names) {
        const int format = PictureFormatByKey(key);
        EXPECT_EQ(PictureFormatOfName(name), format) << name;
        EXPECT_EQ(IsShownFormat(name, all), format >= 0) << name;
        EXPECT_FALSE(IsShownFormat(name, none)) << name;
        if (format < 0) continue;
        ShownFormats only = none, allBut = all;
        only.on[format] = true, allBut.on[format] = false;
        EXPECT_TRUE(IsShownFormat(name, only) && !IsShownFormat(name, allBut)) << name;
    }
    EXPECT_FALSE(IsShownFormat(nullptr, all));
    // The defaults: all but EMF, ICO and TIF.
    const std::wstring off = L" emf ico tif ";
    for (int i = 0; i < kPictureFormatCount; ++i)
        EXPECT_EQ(ShownFormats().on[i], off.find(L" " + std::wstring(kPictureFormats[i].key) + L" ") == off.npos) << i;
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
