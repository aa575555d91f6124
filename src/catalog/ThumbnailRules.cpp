#include "catalog/ThumbnailRules.h"

ThumbPlace FitThumbnail(uint32_t width, uint32_t height, int32_t box) {
    ThumbPlace place;
    if (width == 0 || height == 0 || box <= 0) return place;
    const uint64_t t = uint64_t(box);
    if (width < t && height < t) {
        place.w = int32_t(width);
        place.h = int32_t(height);
    } else if (width > height) {
        place.w = box;
        place.h = int32_t(t * height / width);
    } else {
        place.h = box;
        place.w = int32_t(t * width / height);
    }
    place.x = (box - place.w) / 2;
    place.y = (box - place.h) / 2;
    return place;
}
