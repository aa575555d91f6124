#include "imaging/Canvas.h"

Canvas::Canvas(HDC referenceDc) : referenceDc_(referenceDc), dc_(CreateCompatibleDC(referenceDc)) {}

bool Canvas::Resize(int w, int h, HDC dc) {
    Free();
    if (!dc_ || w <= 0 || h <= 0) return false;
    HDC compatible = dc ? dc : referenceDc_;
    HDC screen = nullptr;
    if (!compatible) compatible = screen = GetDC(nullptr);
    bitmap_ = CreateCompatibleBitmap(compatible, w, h);
    if (screen) ReleaseDC(nullptr, screen);
    if (!bitmap_) return false;
    width_ = w;
    height_ = h;
    previousBitmap_ = SelectObject(dc_, bitmap_);
    return true;
}

void Canvas::Free() {
    if (bitmap_) {
        SelectObject(dc_, previousBitmap_);
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
        previousBitmap_ = nullptr;
    }
    width_ = height_ = 0;
}

void Canvas::Destroy() {
    Free();
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
}

HBITMAP Canvas::Release() {
    HBITMAP bitmap = bitmap_;
    if (bitmap_) SelectObject(dc_, previousBitmap_);
    bitmap_ = nullptr;
    previousBitmap_ = nullptr;
    width_ = height_ = 0;
    return bitmap;
}
