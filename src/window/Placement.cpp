#include "window/Placement.h"

#include <algorithm>
#include <climits>
#include <cstdint>

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

namespace {

int32_t ToInt32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// Both sides within 1 .. INT32_MAX, so the window can be given this size.
bool HasUsableSize(const Rect32& r) {
    const int64_t w = int64_t(r.right) - r.left;
    const int64_t h = int64_t(r.bottom) - r.top;
    return w > 0 && h > 0 && w <= INT32_MAX && h <= INT32_MAX;
}

}  // namespace

Rect32 BringOntoArea(const Rect32& saved, const RECT& workArea) {
    const int64_t areaLeft = workArea.left, areaTop = workArea.top;
    const int64_t areaW = std::max<int64_t>(int64_t(workArea.right) - areaLeft, 1);
    const int64_t areaH = std::max<int64_t>(int64_t(workArea.bottom) - areaTop, 1);
    int64_t w = int64_t(saved.right) - saved.left;
    int64_t h = int64_t(saved.bottom) - saved.top;
    int64_t left = saved.left, top = saved.top;
    if (w <= 0 || h <= 0) {
        w = std::max<int64_t>(areaW / 2, 1);
        h = std::max<int64_t>(areaH / 2, 1);
        left = areaLeft + (areaW - w) / 2;
        top = areaTop + (areaH - h) / 2;
    } else {
        const bool fits = w <= areaW && h <= areaH;
        const bool meets = left < areaLeft + areaW && left + w > areaLeft && top < areaTop + areaH && top + h > areaTop;
        if (fits && meets) return saved;
        w = std::min(w, areaW);
        h = std::min(h, areaH);
        left = std::max(areaLeft, std::min(left, areaLeft + areaW - w));
        top = std::max(areaTop, std::min(top, areaTop + areaH - h));
    }
    return Rect32{ToInt32(left), ToInt32(top), ToInt32(left + w), ToInt32(top + h)};
}

Rect32 KeepOnMonitor(const Rect32& saved) {
    const RECT r{saved.left, saved.top, saved.right, saved.bottom};
    RECT work{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR nearest = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    if (nearest && GetMonitorInfoW(nearest, &info)) {
        work = info.rcWork;
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    }
    // A window partly off its monitor stays where the user put it, as long as
    // it is no larger than the work area: one that is larger keeps its status
    // bar and size grip out of reach, so it is cut to the area and moved onto it.
    const bool fits = int64_t(saved.right) - saved.left <= int64_t(work.right) - work.left &&
                      int64_t(saved.bottom) - saved.top <= int64_t(work.bottom) - work.top;
    if (HasUsableSize(saved) && fits && MonitorFromRect(&r, MONITOR_DEFAULTTONULL)) return saved;
    return BringOntoArea(saved, work);
}
