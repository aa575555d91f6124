#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/TestFiles.h"
#include "fileops/UniqueName.h"

namespace {

std::wstring Unique(const std::wstring& path, bool* ok = nullptr) {
    wchar_t buffer[260];
    wcscpy(buffer, path.c_str());
    const bool result = MakeUniqueName(buffer);
    if (ok) *ok = result;
    return result ? std::wstring(buffer) : std::wstring(L"<taken>");
}

}  // namespace

TEST(UniqueName, NumbersTakenNamesBeforeTheExtension) {
    TempFolder tree(L"unique");
    EXPECT_EQ(tree.Path(L"photo.jpg"), Unique(tree.Path(L"photo.jpg")));
    tree.File(L"photo.jpg");
    EXPECT_EQ(tree.Path(L"photo-01.jpg"), Unique(tree.Path(L"photo.jpg")));
    tree.File(L"photo-01.jpg");
    EXPECT_EQ(tree.Path(L"photo-02.jpg"), Unique(tree.Path(L"photo.jpg")));
    // The number goes before the last extension only, and never into a folder name.
    tree.File(L"beach.jpg.lnk");
    EXPECT_EQ(tree.Path(L"beach.jpg-01.lnk"), Unique(tree.Path(L"beach.jpg.lnk")));
    tree.File(L"my.dir\\noext");
    EXPECT_EQ(tree.Path(L"my.dir\\noext-01"), Unique(tree.Path(L"my.dir\\noext")));
    // A folder of that name takes the name as well.
    tree.Folder(L"sub.d");
    EXPECT_EQ(tree.Path(L"sub-01.d"), Unique(tree.Path(L"sub.d")));
}

TEST(UniqueName, GivesUpAfterNinetyNineAndWhenANameWouldNotFit) {
    TempFolder tree(L"unique99");
    tree.File(L"x.png");
    for (int n = 1; n <= 99; ++n) {
        wchar_t name[32];
        swprintf(name, 32, L"x-%02d.png", n);
        tree.File(name);
    }
    bool ok = true;
    Unique(tree.Path(L"x.png"), &ok);
    EXPECT_FALSE(ok);
    tree.File(L"x-100.png");   // not a name the rule ever forms
    EXPECT_EQ(tree.Path(L"y.png"), Unique(tree.Path(L"y.png")));

    // A taken name near the buffer's end: a numbered name must not be cut.
    std::wstring name = tree.Path(L"");
    name += std::wstring(255 - name.size(), L'n');
    name += L".jpg";   // 259 characters
    ASSERT_EQ(259u, name.size());
    tree.File(name.substr(tree.Root().size() + 1));
    Unique(name, &ok);
    EXPECT_FALSE(ok);
    wchar_t empty[260] = L"";
    EXPECT_FALSE(MakeUniqueName(empty));
}
