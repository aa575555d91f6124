// Damaged shortcuts are refused before the shell reads them: a shortcut made
// here, then each of its sizes falsified (the first of them found by fuzzing:
// a link-info block claiming 2 GiB kept the shell busy for 12 s).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "exhibit/ShellLink.h"
#include "exhibit/ShortcutCheck.h"
#include "support/Pictures.h"

using namespace pictures;

TEST(ShortcutCheck, EverySizeMustLieInsideTheFile) {
    TempFolder tree(L"oxlinks");
    tree.File(L"a.jpg", "picture");
    {
        ShellLink shell;
        ASSERT_TRUE(shell.CreateShortcut(tree.Path(L"a.jpg").c_str(), tree.Path(L"made.lnk").c_str()));
    }
    const Bytes made = ByteVector(tree.Path(L"made.lnk"));
    ASSERT_GT(made.size(), 0x50u);
    const uint32_t flags = Get32(made, 20);
    ASSERT_TRUE((flags & 3) == 3) << "an item list and a link-info block";
    const size_t info = 0x4C + 2 + (made[0x4C] | made[0x4D] << 8);
    const struct { const char* what; size_t at; uint32_t value; int bytes; } cases[] = {
        {"link-info block of 2 GiB", info, 0x87000000u, 4},
        {"link-info block past the end", info, uint32_t(made.size()), 4},
        {"link-info header larger than the block", info + 4, 0x1000, 4},
        {"local path offset past the block", info + 16, 0xFFFF, 4},
        // Found by fuzzing: the shell read a volume part of its declared size.
        {"volume part of 1.7 GB", info + Get32(made, info + 12), 0x6974625Cu, 4},
        {"volume label past the part", info + Get32(made, info + 12) + 12, 0x400, 4},
        {"path suffix without its end", info + Get32(made, info) - 1, 'x', 1},
        {"item list past the end", 0x4C, 0xFFFF, 2},
        {"first item past the list", 0x4E, 0x7FFF, 2},
        {"item of one byte", 0x4E, 1, 2},
        {"header size", 0, 0x50, 4},
        {"not the link class", 4, 0x12345678, 4},
    };
    {
        const GuardedBytes guarded(made);
        EXPECT_TRUE(ShortcutLooksSound(guarded.data, guarded.size));
    }
    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    for (const auto& c : cases) {
        Bytes bad = made;
        if (c.bytes == 4) Put32(bad, c.at, c.value);
        else if (c.bytes == 2) Put16(bad, c.at, c.value);
        else bad[c.at] = uint8_t(c.value);
        const GuardedBytes guarded(bad);
        EXPECT_FALSE(ShortcutLooksSound(guarded.data, guarded.size)) << c.what;
        tree.File(L"bad.lnk", AsString(bad));
        const DWORD start = GetTickCount();
        EXPECT_FALSE(shell.Read(tree.Path(L"bad.lnk").c_str(), target, false)) << c.what;
        EXPECT_LT(GetTickCount() - start, 2000u) << c.what;
    }
    // Strings and extra blocks counted past the end, and every cut of the file.
    Bytes longName = made;
    Put32(longName, 20, flags | 0x04);
    longName.insert(longName.begin() + ptrdiff_t(info + Get32(made, info)), {0xFF, 0x7F});
    const GuardedBytes named(longName);
    EXPECT_FALSE(ShortcutLooksSound(named.data, named.size));
    Bytes extra = made;
    extra.insert(extra.end() - 4, {0x00, 0x00, 0x00, 0x10, 0x01, 0x00, 0x00, 0xA0});
    const GuardedBytes block(extra);
    EXPECT_FALSE(ShortcutLooksSound(block.data, block.size));
    for (size_t cut = 0; cut < made.size(); ++cut) {
        const GuardedBytes part(Bytes(made.begin(), made.begin() + ptrdiff_t(cut)));
        ShortcutLooksSound(part.data, part.size);
    }
    EXPECT_TRUE(shell.Read(tree.Path(L"made.lnk").c_str(), target, false));
}
