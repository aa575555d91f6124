#include "window/HotkeyRules.h"

namespace hotkey {

ModifierBoxes BoxesFor(int32_t modifiers) {
    ModifierBoxes boxes;
    boxes.control = (modifiers & kControl) != 0;
    boxes.shift = (modifiers & kShift) != 0;
    boxes.alt = (modifiers & kAlt) != 0;
    boxes.win = (modifiers & kWin) != 0;
    return boxes;
}

int32_t ModifiersOf(const ModifierBoxes& boxes) {
    int32_t modifiers = 0;
    if (boxes.control) modifiers |= kControl;
    if (boxes.alt) modifiers |= kAlt;
    if (boxes.shift) modifiers |= kShift;
    if (boxes.win) modifiers |= kWin;
    return modifiers;
}

bool RefusedKey(unsigned vk, unsigned scanCode) {
    if (scanCode == 0) return true;
    if (vk == 13) return true;                 // Enter
    if (vk >= 16 && vk <= 18) return true;     // Shift, Control, Alt
    if (vk == 91 || vk == 92) return true;     // left and right Win
    if (vk >= 160 && vk <= 165) return true;   // left/right Shift, Control, Alt
    return false;
}

long KeyNameParam(unsigned vk, unsigned scanCode) {
    // Page Up/Down, End, Home, the arrows, Insert, Delete and Num Lock share
    // their scan codes with the number pad; the extended flag picks the right name.
    const bool extended = (vk >= 33 && vk <= 40) || vk == 45 || vk == 46 || vk == 144;
    const unsigned code = (scanCode & 0xFF) | (extended ? 0x100u : 0u);
    return static_cast<long>(code << 16);
}

}  // namespace hotkey
