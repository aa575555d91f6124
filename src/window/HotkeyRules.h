// The show/hide hotkey's rules that need no window: which keys may be the
// hotkey, how a key's name is asked for, and how the four modifier boxes of
// the hotkey dialog map to the modifier bits RegisterHotKey takes.
#pragma once

#include <cstdint>

namespace hotkey {

// Modifier bits as stored in `hidemod` (the same values as MOD_ALT etc.).
constexpr int32_t kAlt = 1;
constexpr int32_t kControl = 2;
constexpr int32_t kShift = 4;
constexpr int32_t kWin = 8;

struct ModifierBoxes {
    bool control = false;
    bool shift = false;
    bool alt = false;
    bool win = false;
};

ModifierBoxes BoxesFor(int32_t modifiers);
int32_t ModifiersOf(const ModifierBoxes& boxes);

// True when the virtual key may not be the hotkey: it has no scan code, is
// Enter, or is a modifier key of its own (Shift, Control, Alt, Win, either side).
bool RefusedKey(unsigned vk, unsigned scanCode);

// The long parameter GetKeyNameText wants for this key: the scan code, with the
// extended-key flag for the navigation block and Num Lock, shifted into the high word.
long KeyNameParam(unsigned vk, unsigned scanCode);

// One poll of the keyboard: every key 0..255 that is down and accepted becomes
// the candidate in turn, so the highest such key wins; `current` stays when none is.
template <class IsDown, class Accepts>
int ScanForCandidate(int current, IsDown isDown, Accepts accepts) {
    for (int vk = 0; vk < 256; ++vk) {
        if (isDown(vk) && accepts(vk)) current = vk;
    }
    return current;
}

}  // namespace hotkey
