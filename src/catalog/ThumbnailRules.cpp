#include "catalog/ThumbnailRules.h"

#include <algorithm>

ThumbPlace FitThumbnail(uint32_t width, uint32_t height, int32_t box) {
    ThumbPlace place;
    if (width == 0 || height == 0 || box <= 0) return place;
    const uint64_t t = uint64_t(box);
    if (width < t && height < t) {
        place.w = int32_t(width);
        place.h = int32_t(height);
    } else if (width > height) {
        place.w = box;
        place.h = std::max<int32_t>(int32_t(t * height / width), 1);   // a sliver still shows
    } else {
        place.h = box;
        place.w = std::max<int32_t>(int32_t(t * width / height), 1);
    }
    place.x = (box - place.w) / 2;
    place.y = (box - place.h) / 2;
    return place;
}

bool EmbeddedThumbnailServes(uint32_t tw, uint32_t th, uint32_t pw, uint32_t ph, int32_t box) {
    if (tw == 0 || th == 0 || pw == 0 || ph == 0 || box <= 0) return false;
    if (std::max(tw, th) < uint32_t(box)) return false;
    // |th - tw * ph / pw| <= 1 for a landscape picture, the same with the
    // sides swapped for a portrait one: all in whole numbers.
    const uint64_t a = uint64_t(tw) * ph, b = uint64_t(th) * pw;
    return (a > b ? a - b : b - a) <= std::max(pw, ph);
}
