// What a drop of files on a folder does: copy, move or link. No windows here.
#pragma once

#include <cstdint>

// The effect a drop carries out (DROPEFFECT_ bits), for a target that does
// the file work itself. The keys held at the drop (MK_ bits) decide when they
// name one: Ctrl+Shift or Alt a link, Ctrl a copy, Shift a move. Else the
// target's own choice over that folder stands (`offered`, the effect its last
// DragOver answered), and without one a copy, which never loses a file. An
// effect the drag's source does not allow (`allowed`) is no effect.
uint32_t ChosenDropEffect(uint32_t allowed, uint32_t keys, uint32_t offered);
