#include <gtest/gtest.h>

#include "support/TestFiles.h"
#include "app/AppState.h"
#include "exhibit/ExhibitFiles.h"

TEST(ShownFormats, ExtensionsFollowTheSwitchesInAnyCase) {
    ShownFormats all;
    all.tif = all.emf = all.ico = true;
    for (const wchar_t* name : {L"a.jpg", L"a.JPEG", L"C:\\x.y\\b.Gif", L"b.bmp", L"c.PNG", L"d.tif", L"d.tiff",
                                L"e.emf", L"f.ICO", L"x.lnk.jpg"})
        EXPECT_TRUE(IsShownFormat(name, all)) << name;
    for (const wchar_t* name : {L"jpg", L"C:\\pics.jpg\\readme", L"a.jpe", L"a.jpg.lnk", L"a.jpg ", L".", L"",
                                L"a.tifff", L"a.wmf"})
        EXPECT_FALSE(IsShownFormat(name, all)) << name;
    EXPECT_FALSE(IsShownFormat(nullptr, all));

    ShownFormats none;
    none.jpg = none.gif = none.bmp = none.png = false;
    EXPECT_FALSE(IsShownFormat(L"a.jpg", none));
    none.tif = true;
    EXPECT_TRUE(IsShownFormat(L"a.TIFF", none));
    EXPECT_FALSE(IsShownFormat(L"a.png", none));

    // The state's switches: the defaults show jpg, gif, bmp and png only.
    AppState state;
    EXPECT_TRUE(state.IsShownFormat(L"x.jpeg"));
    EXPECT_FALSE(state.IsShownFormat(L"x.ico"));
    state.ico = true;
    state.jpg = false;
    EXPECT_TRUE(state.IsShownFormat(L"x.ico"));
    EXPECT_FALSE(state.IsShownFormat(L"x.jpeg"));
}

TEST(ShownFormats, EntryForAPathCarriesItsTimesOrZeros) {
    TempFolder tree(L"entry");
    tree.File(L"a.jpg", "x");
    SetTimes(tree.Path(L"a.jpg"), 0x01D0000012345678ULL);
    const ImageEntry entry = MakeImageEntry(tree.Path(L"a.jpg").c_str());
    EXPECT_EQ(tree.Path(L"a.jpg"), entry.path);
    EXPECT_EQ(0x01D00000u, entry.modified.dwHighDateTime);
    EXPECT_EQ(0x12345678u, entry.created.dwLowDateTime);
    const ImageEntry missing = MakeImageEntry(tree.Path(L"none.jpg").c_str());
    EXPECT_EQ(tree.Path(L"none.jpg"), missing.path);
    EXPECT_EQ(0u, missing.modified.dwHighDateTime | missing.modified.dwLowDateTime);
}
