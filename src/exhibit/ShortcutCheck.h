// Shortcut (.lnk) files judged before the shell reads them. The shell takes
// the sizes a shortcut declares at their word: a link-info block claiming
// 2 GiB in a file of 800 bytes kept it busy for 12 s. So every size and
// count must lie inside the file. Pure functions over a byte buffer: linear
// in its size, they read nothing outside the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>

// A shortcut file larger than this is refused unread (real ones are a few KiB).
inline constexpr size_t kMaxShortcutBytes = size_t(1) << 20;

// Whether the header, the item list, the link-info block, the strings and the
// extra data blocks all lie inside the bytes.
bool ShortcutLooksSound(const uint8_t* data, size_t size);
