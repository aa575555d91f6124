#include "imaging/Layout.h"

POINT LayoutPosition(int layout, int aw, int ah, int w, int h, bool keepNegative, int (*random)()) {
    POINT p{0, 0};
    switch (layout) {
    case 0:
        p = POINT{(aw - w) / 2, (ah - h) / 2};
        break;
    case 2:
        p.x = aw - w;
        break;
    case 3:
        p.y = ah - h;
        break;
    case 4:
        p = POINT{aw - w, ah - h};
        break;
    case 5:
        if (aw > w) p.x = random() % (aw - w);
        if (ah > h) p.y = random() % (ah - h);
        break;
    default:
        break;
    }
    if (!keepNegative) {
        if (p.x < 0) p.x = 0;
        if (p.y < 0) p.y = 0;
    }
    return p;
}

std::vector<POINT> AutoscrollPath(int scrollX, int scrollY, int excessWidth, int excessHeight, int step) {
    std::vector<POINT> path;
    if (step <= 0) return path;
    int cx = 0, cy = 0;
    while (scrollX > cx || scrollY > cy) {
        if (scrollX > cx) cx += excessWidth / step + 1;
        if (scrollY > cy) cy += excessHeight / step + 1;
        path.push_back(POINT{cx, cy});
    }
    return path;
}
