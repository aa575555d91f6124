#include "catalog/CatalogGrid.h"

#include <windows.h>

int32_t GridNeighbour(int32_t from, uint16_t key, int32_t perRow, int32_t count) {
    if (from < 0 || from >= count) return -1;
    const int64_t row = perRow < 1 ? 1 : perRow > count ? count : perRow;   // 64 bits: no overflow past the end
    int64_t to = -1;
    switch (key) {
    case VK_LEFT: to = int64_t(from) - 1; break;
    case VK_RIGHT: to = int64_t(from) + 1; break;
    case VK_UP: to = from - row; break;
    case VK_DOWN:
        if (from / row < (count - 1) / row) to = from + row < count ? from + row : count - 1;
        break;
    default: break;
    }
    return to >= 0 && to < count ? int32_t(to) : -1;
}
