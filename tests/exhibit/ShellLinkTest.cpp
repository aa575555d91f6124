// Shortcut files: telling them by name, and numbered shortcuts in a folder.
// (Reading targets and their times is checked by the scan tests.)
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exhibit/ShellLink.h"
#include "support/TestFiles.h"

TEST(ShellLinkNames, TheLastExtensionInAnyCaseMakesAShortcut) {
    for (const wchar_t* name : {L"x.LNK", L"C:\\a.b\\x.Lnk", L"x.jpg.lnk"}) EXPECT_TRUE(IsShortcut(name)) << name;
    for (const wchar_t* name : {L"x.lnk.jpg", L"lnk", L"x.lnkx", L"", static_cast<const wchar_t*>(nullptr)})
        EXPECT_FALSE(IsShortcut(name));
}

TEST(ShellLinkObject, ShortcutsInAFolderAreNumberedWhenTheNameIsTaken) {
    TempFolder tree(L"send");
    tree.File(L"pics\\beach.jpg", "x");
    tree.Folder(L"fav");
    const std::wstring picture = tree.Path(L"pics\\beach.jpg");
    wchar_t link[260];
    // The second time with the folder's final backslash: the same rule.
    for (const wchar_t* folder : {L"fav", L"fav\\"})
        ASSERT_TRUE(CreateShortcutIn(tree.Path(folder).c_str(), picture.c_str(), link));
    EXPECT_EQ(tree.Path(L"fav\\beach.jpg-01.lnk"), link);
    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    ASSERT_TRUE(shell.Read(link, target, false));
    EXPECT_EQ(picture, target);
    // A missing folder, or a name that cannot fit, fails without a file.
    EXPECT_FALSE(CreateShortcutIn(tree.Path(L"nofolder").c_str(), picture.c_str(), link));
    EXPECT_FALSE(CreateShortcutIn(tree.Path(std::wstring(250, L'd')).c_str(), picture.c_str(), link));
}
