#include "window/Placement.h"

POINT CenteredOrigin(const RECT& area, int w, int h) {
    const int areaW = area.right - area.left;
    const int areaH = area.bottom - area.top;
    return POINT{(areaW - w) / 2 + area.left, (areaH - h) / 2 + area.top};
}

POINT RoamingOrigin(const RECT& area, int w, int h, int randomX, int randomY) {
    const POINT centred = CenteredOrigin(area, w, h);
    const int areaW = area.right - area.left;
    const int areaH = area.bottom - area.top;
    POINT p = centred;
    if (areaW > w) p.x = area.left + randomX % (areaW - w);
    if (areaH > h) p.y = area.top + randomY % (areaH - h);
    return p;
}

Rect32 CorralledRect(Rect32 r, const RECT& monitor) {
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    if (w <= 99) {
        r.right = r.left + 100;
        w = 100;
    }
    if (h <= 99) {
        r.bottom = r.top + 100;
        h = 100;
    }
    if (!(r.top <= monitor.bottom && r.bottom <= monitor.bottom + 10)) {
        r.bottom = monitor.bottom;
        r.top = r.bottom - h;
    }
    if (!(r.left <= monitor.right && r.right <= monitor.right + 10)) {
        r.right = monitor.right;
        r.left = r.right - w;
    }
    if (r.right < 0 || r.left < -10) {
        r.left = 0;
        r.right = w;
    }
    if (r.bottom < 0 || r.top < -10) {
        r.top = 0;
        r.bottom = h;
    }
    return r;
}

POINT RectCentre(const Rect32& r) {
    return POINT{(r.right - r.left) / 2 + r.left, (r.bottom - r.top) / 2 + r.top};
}
