// An off-screen GDI drawing surface: a memory DC with a compatible bitmap.
#pragma once

#include <windows.h>

class Canvas {
public:
    explicit Canvas(HDC referenceDc = nullptr);
    ~Canvas() { Destroy(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // Replaces the bitmap with one of w x h compatible with dc (or the
    // reference DC). False, with no bitmap, when it cannot be made.
    bool Resize(int w, int h, HDC dc = nullptr);
    void Free();
    void Destroy();
    // Gives the bitmap away (its new owner deletes it); the canvas is left empty.
    HBITMAP Release();

    HDC Dc() const { return dc_; }
    HBITMAP Bitmap() const { return bitmap_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    HDC referenceDc_ = nullptr;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
