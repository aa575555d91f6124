// Arrow keys among the Catalog's thumbnails, laid out in rows. No windows here.
#pragma once

#include <cstdint>

// The item the arrow key `key` (VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN) moves to
// from item `from` of `count`, in rows of `perRow` items in list order; -1
// when there is none that way (an edge, or another key). Left and Right step
// through the list, Up and Down a row; Down from a row above a shorter last
// row lands on the last item.
int32_t GridNeighbour(int32_t from, uint16_t key, int32_t perRow, int32_t count);
