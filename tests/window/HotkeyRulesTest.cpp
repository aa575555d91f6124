// Which keys may become the show/hide hotkey, the names the dialog shows for
// them, and the modifier boxes <-> bits mapping the dialog stores.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <set>

#include "window/HotkeyDialog.h"
#include "window/HotkeyRules.h"

using namespace hotkey;

TEST(HotkeyRules, ModifierKeysEnterAndKeysWithoutScanCodeAreRefused) {
    const unsigned refused[] = {13, 16, 17, 18, 91, 92, 160, 161, 162, 163, 164, 165};
    for (unsigned vk : refused) EXPECT_TRUE(RefusedKey(vk, 0x2A)) << vk;
    EXPECT_TRUE(RefusedKey(VK_F5, 0));   // no scan code: nothing to name
    const unsigned allowed[] = {VK_ESCAPE, VK_F5, 'A', '0', VK_SPACE, VK_HOME, VK_DELETE, VK_NUMLOCK, 93, 166};
    for (unsigned vk : allowed) EXPECT_FALSE(RefusedKey(vk, 0x2A)) << vk;
}

TEST(HotkeyRules, NavigationKeysAndNumLockAskForTheExtendedName) {
    std::set<unsigned> extended = {33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 144};
    for (unsigned vk = 0; vk < 256; ++vk) {
        const long param = KeyNameParam(vk, 0x47);
        EXPECT_EQ(param & 0xFFFF, 0) << vk;
        EXPECT_EQ((param >> 16) & 0xFF, 0x47) << vk;
        EXPECT_EQ(((param >> 16) & 0x100) != 0, extended.count(vk) == 1) << vk;
    }
}

TEST(HotkeyRules, BoxesAndModifierBitsMapBothWays) {
    ModifierBoxes alt = BoxesFor(1);
    EXPECT_TRUE(alt.alt);
    EXPECT_FALSE(alt.control || alt.shift || alt.win);
    ModifierBoxes shiftOnly;
    shiftOnly.shift = true;
    EXPECT_EQ(ModifiersOf(shiftOnly), 4);
    ModifierBoxes controlWin;
    controlWin.control = controlWin.win = true;
    EXPECT_EQ(ModifiersOf(controlWin), 10);
    for (int32_t bits = 0; bits < 16; ++bits) EXPECT_EQ(ModifiersOf(BoxesFor(bits)), bits) << bits;
    // Bits the dialog has no box for are not carried over.
    EXPECT_EQ(ModifiersOf(BoxesFor(0x4000 | 2)), 2);
}

TEST(HotkeyRules, PollKeepsTheLastAcceptedKeyDown) {
    auto acceptsAllButShift = [](int vk) { return vk != VK_SHIFT && vk != VK_LSHIFT; };
    // Shift held alone leaves the candidate as it was.
    auto shiftDown = [](int vk) { return vk == VK_SHIFT || vk == VK_LSHIFT; };
    EXPECT_EQ(ScanForCandidate(27, shiftDown, acceptsAllButShift), 27);
    // Shift+F5: F5 becomes the candidate.
    auto shiftF5 = [](int vk) { return vk == VK_SHIFT || vk == VK_LSHIFT || vk == VK_F5; };
    EXPECT_EQ(ScanForCandidate(27, shiftF5, acceptsAllButShift), VK_F5);
    // Two keys down: the one scanned last wins.
    auto twoKeys = [](int vk) { return vk == 'A' || vk == VK_F5; };
    EXPECT_EQ(ScanForCandidate(27, twoKeys, acceptsAllButShift), VK_F5);
    EXPECT_EQ(ScanForCandidate(27, [](int) { return false; }, acceptsAllButShift), 27);
}

TEST(HotkeyRules, KeyNameForNamesOrdinaryKeysAndRefusesModifiers) {
    wchar_t name[kKeyNameSize];
    for (UINT vk : {UINT(VK_F5), UINT(VK_ESCAPE), UINT('A'), UINT(VK_HOME)}) {
        wmemset(name, L'#', kKeyNameSize);
        EXPECT_TRUE(KeyNameFor(vk, name)) << vk;
        const size_t length = wcsnlen(name, kKeyNameSize);
        EXPECT_GT(length, 0u) << vk;
        EXPECT_LT(length, static_cast<size_t>(kKeyNameSize)) << vk;
    }
    for (UINT vk : {UINT(0), UINT(VK_SHIFT), UINT(VK_LCONTROL), UINT(VK_RETURN), UINT(VK_LWIN)}) {
        wmemset(name, L'#', kKeyNameSize);
        EXPECT_FALSE(KeyNameFor(vk, name)) << vk;
        EXPECT_EQ(name[0], L'\0') << vk;
    }
}
