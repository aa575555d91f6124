#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>

#include "support/Shortcuts.h"
#include "support/TestFiles.h"
#include "exhibit/ShellLink.h"

TEST(ShellLinkNames, ShortcutTestLooksAtTheLastExtensionInAnyCase) {
    EXPECT_TRUE(IsShortcut(L"x.lnk"));
    EXPECT_TRUE(IsShortcut(L"x.LNK"));
    EXPECT_TRUE(IsShortcut(L"C:\\a.b\\x.Lnk"));
    EXPECT_TRUE(IsShortcut(L"x.jpg.lnk"));
    EXPECT_FALSE(IsShortcut(L"x.lnk.jpg"));
    EXPECT_FALSE(IsShortcut(L"lnk"));
    EXPECT_FALSE(IsShortcut(L"x.lnkx"));
    EXPECT_FALSE(IsShortcut(L""));
    EXPECT_FALSE(IsShortcut(nullptr));
}

TEST(ShellLinkObject, CreatesAndReadsBackTargetWithItsAttributesAndTimes) {
    TempFolder tree(L"link");
    tree.File(L"pic.jpg", "x");
    tree.Folder(L"sub");
    SetTimes(tree.Path(L"pic.jpg"), 130000000000000000ULL);

    ShellLink shell;
    ASSERT_TRUE(shell.IsReady());
    ASSERT_TRUE(shell.CreateShortcut(tree.Path(L"pic.jpg").c_str(), tree.Path(L"a.lnk").c_str()));
    ASSERT_TRUE(shell.CreateShortcut(tree.Path(L"sub").c_str(), tree.Path(L"b.lnk").c_str()));

    wchar_t target[ShellLink::kLinkPathSize];
    ASSERT_TRUE(shell.Read(tree.Path(L"a.lnk").c_str(), target, false));
    EXPECT_STREQ(tree.Path(L"pic.jpg").c_str(), target);
    ASSERT_TRUE(shell.Read(tree.Path(L"b.lnk").c_str(), target, true));
    EXPECT_STREQ(tree.Path(L"sub").c_str(), target);
    EXPECT_TRUE(shell.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);

    // A second object on the same thread works alongside the first; the find
    // data carries the target's times as the shortcut recorded them.
    ShellLink other;
    ASSERT_TRUE(other.Read(tree.Path(L"a.lnk").c_str(), target, true));
    EXPECT_FALSE(other.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(static_cast<DWORD>(130000000000000000ULL >> 32), other.findData.ftLastWriteTime.dwHighDateTime);
    EXPECT_EQ(static_cast<DWORD>(130000000000000000ULL), other.findData.ftLastWriteTime.dwLowDateTime);
}

TEST(ShellLinkObject, DamagedShortcutFilesReadAsFailures) {
    TempFolder tree(L"badlink");
    tree.File(L"pic.jpg", "x");
    tree.File(L"empty.lnk");
    std::mt19937 random(7);
    std::string noise(2048, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    tree.File(L"noise.lnk", noise);
    // A valid header followed by garbage, and a valid shortcut cut short.
    ASSERT_TRUE(MakeShortcut(tree.Path(L"good.lnk"), tree.Path(L"pic.jpg")));
    const std::string good = ReadBytes(tree.Path(L"good.lnk"));
    ASSERT_GT(good.size(), 80u);
    tree.File(L"header.lnk", good.substr(0, 76) + noise.substr(0, 500));
    for (size_t cut : {size_t{10}, size_t{76}, size_t{80}, good.size() / 2, good.size() - 1}) {
        tree.File(L"cut.lnk", good.substr(0, cut));
        ShellLink shell;
        wchar_t target[ShellLink::kLinkPathSize];
        const bool read = shell.Read(tree.Path(L"cut.lnk").c_str(), target, false);
        // Cut inside the header or the path must fail; a cut after the path may still read it.
        if (read) {
            EXPECT_STREQ(tree.Path(L"pic.jpg").c_str(), target) << cut;
        }
    }

    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    for (const wchar_t* name : {L"empty.lnk", L"noise.lnk", L"missing.lnk", L"pic.jpg"}) {
        EXPECT_FALSE(shell.Read(tree.Path(name).c_str(), target, false)) << name;
        EXPECT_FALSE(shell.Read(tree.Path(name).c_str(), target, true)) << name;
    }
    shell.Read(tree.Path(L"header.lnk").c_str(), target, false);   // any answer, no crash
    EXPECT_TRUE(shell.Read(tree.Path(L"good.lnk").c_str(), target, false));
}

TEST(ShellLinkObject, ResolvingAMissingOrUnreachableTargetReturnsPromptly) {
    TempFolder tree(L"resolve");
    tree.File(L"gone.jpg", "x");
    ASSERT_TRUE(MakeShortcut(tree.Path(L"gone.lnk"), tree.Path(L"gone.jpg")));
    DeleteFileW(tree.Path(L"gone.jpg").c_str());
    MakeShortcut(tree.Path(L"net.lnk"), L"\\\\oxbrill-no-such-host\\share\\x.jpg");

    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    const DWORD start = GetTickCount();
    // Without resolving the stored target still comes back.
    ASSERT_TRUE(shell.Read(tree.Path(L"gone.lnk").c_str(), target, false));
    EXPECT_STREQ(tree.Path(L"gone.jpg").c_str(), target);
    shell.Read(tree.Path(L"gone.lnk").c_str(), target, true);
    shell.Read(tree.Path(L"net.lnk").c_str(), target, false);
    shell.Read(tree.Path(L"net.lnk").c_str(), target, true);
    EXPECT_LT(GetTickCount() - start, 10000u);
}

TEST(ShellLinkObject, ShortcutsInAFolderAreNumberedWhenTheNameIsTaken) {
    TempFolder tree(L"send");
    tree.File(L"pics\\beach.jpg", "x");
    tree.Folder(L"fav");
    const std::wstring picture = tree.Path(L"pics\\beach.jpg");
    wchar_t link[260];
    ASSERT_TRUE(CreateShortcutIn(tree.Path(L"fav").c_str(), picture.c_str(), link));
    EXPECT_EQ(tree.Path(L"fav\\beach.jpg.lnk"), link);
    ASSERT_TRUE(CreateShortcutIn(tree.Path(L"fav").c_str(), picture.c_str(), link));
    EXPECT_EQ(tree.Path(L"fav\\beach.jpg-01.lnk"), link);
    // A folder given with its final backslash gives the same names.
    ASSERT_TRUE(CreateShortcutIn((tree.Path(L"fav") + L"\\").c_str(), picture.c_str(), link));
    EXPECT_EQ(tree.Path(L"fav\\beach.jpg-02.lnk"), link);

    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    ASSERT_TRUE(shell.Read(link, target, false));
    EXPECT_STREQ(picture.c_str(), target);

    // A missing folder, or a name that cannot fit, fails without a file.
    EXPECT_FALSE(CreateShortcutIn(tree.Path(L"nofolder").c_str(), picture.c_str(), link));
    const std::wstring deep = tree.Path(std::wstring(250, L'd'));
    EXPECT_FALSE(CreateShortcutIn(deep.c_str(), picture.c_str(), link));
}
