#include "catalog/DropRules.h"

#include <windows.h>
#include <ole2.h>

#include <initializer_list>

namespace {

// One effect out of several: a copy before a move before a link.
uint32_t Safest(uint32_t effects) {
    for (const uint32_t effect : {uint32_t(DROPEFFECT_COPY), uint32_t(DROPEFFECT_MOVE), uint32_t(DROPEFFECT_LINK)})
        if (effects & effect) return effect;
    return DROPEFFECT_NONE;
}

}  // namespace

uint32_t ChosenDropEffect(uint32_t allowed, uint32_t keys, uint32_t offered) {
    const bool control = keys & MK_CONTROL, shift = keys & MK_SHIFT;
    uint32_t named = DROPEFFECT_NONE;
    if ((control && shift) || (keys & MK_ALT)) named = DROPEFFECT_LINK;
    else if (control) named = DROPEFFECT_COPY;
    else if (shift) named = DROPEFFECT_MOVE;
    if (named != DROPEFFECT_NONE) return allowed & named;
    if (const uint32_t chosen = Safest(offered & allowed)) return chosen;
    return Safest(allowed);
}
