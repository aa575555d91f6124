// Where a picture of w x h sits inside an area of aw x ah for each layout:
// 0 centred, 1 top left, 2 top right, 3 bottom left, 4 bottom right, 5 roaming.
#pragma once

#include <windows.h>

// `random` supplies the roaming draws (x first, then y), each only when the
// area is larger than the picture on that axis. Unless keepNegative, negative
// coordinates become 0 so an oversized picture shows its top or left part.
POINT LayoutPosition(int layout, int aw, int ah, int w, int h, bool keepNegative, int (*random)());

#include <vector>

// The offsets the autoscroll glides through, from the top-left corner towards
// (scrollX, scrollY): each axis moves by excess / step + 1 per frame until it
// reaches its target. The final exact placement is the caller's.
std::vector<POINT> AutoscrollPath(int scrollX, int scrollY, int excessWidth, int excessHeight, int step);
