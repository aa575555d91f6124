// Free names for new files.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileops/UniqueName.h"
#include "support/TestFiles.h"

namespace {

std::wstring Unique(const std::wstring& path) {
    wchar_t buffer[260];
    wcscpy(buffer, path.c_str());
    return MakeUniqueName(buffer) ? std::wstring(buffer) : std::wstring(L"<none>");
}

}  // namespace

// A number before the last extension only, never into a folder name; a folder takes a name too.
TEST(UniqueName, NumbersTakenNamesBeforeTheExtension) {
    TempFolder tree(L"unique");
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"photo.jpg", L"photo.jpg"}, {L"photo.jpg", L"photo-01.jpg"}, {L"photo.jpg", L"photo-02.jpg"},
        {L"beach.jpg.lnk", L"beach.jpg-01.lnk"}, {L"my.dir\\noext", L"my.dir\\noext-01"}, {L"sub.d", L"sub-01.d"}};
    for (const wchar_t* taken : {L"beach.jpg.lnk", L"my.dir\\noext"}) tree.File(taken);
    tree.Folder(L"sub.d");
    for (const auto& [name, free] : cases) {
        EXPECT_EQ(Unique(tree.Path(name)), tree.Path(free));
        tree.File(free);
    }
}

TEST(UniqueName, GivesUpAfterNinetyNineAndWhenANameWouldNotFit) {
    TempFolder tree(L"unique99");
    tree.File(L"x.png");
    for (int n = 1; n <= 99; ++n) tree.File(L"x-" + std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n) + L".png");
    EXPECT_EQ(Unique(tree.Path(L"x.png")), L"<none>");
    // A taken name of 259 characters: a numbered name must not be cut.
    const std::wstring name = tree.Path(std::wstring(255 - tree.Root().size() - 1, L'n') + L".jpg");
    ASSERT_EQ(name.size(), 259u);
    WriteBytes(name, "");
    EXPECT_EQ(Unique(name), L"<none>");
    EXPECT_EQ(Unique(L""), L"<none>");
}
