// Composing the viewer's frame, painting it, and scrolling a picture larger
// than the window. Only what shows is drawn: the window-sized frame takes the
// placed picture straight from the decoded pixels, clipped to the view, so no
// zoom needs a buffer the size of the whole zoomed picture. The gliding
// autoscroll alone borrows such a buffer (`canvas`) when it is small enough,
// and gives it back when the glide ends.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "app/AppState.h"
#include "imaging/FitRules.h"
#include "imaging/Layout.h"
#include "window/ModeChange.h"
#include "platform/Keys.h"

namespace {

int RuntimeRandom() { return rand(); }

}  // namespace

RECT AppState::ViewRect() const {
    RECT r{};
    GetClientRect(hwnd, &r);
    if (statusBar) r.bottom -= statusHeight;
    if (r.bottom < 0) r.bottom = 0;
    return r;
}

int32_t AppState::PlacePicture(const RECT& area, int32_t zoomValue, bool squeezeOn, bool shrinkOn, bool stretchOn,
                               int32_t layoutValue, bool keepNegative) {
    if (!picture.IsLoaded()) return 0;
    ComputeDisplaySize(area, zoomValue, squeezeOn, shrinkOn, stretchOn);
    const int32_t effective = EffectiveZoom(zoomValue, picture.width, picture.NaturalWidth());
    const POINT p = LayoutPosition(layoutValue, area.right - area.left, area.bottom - area.top, picture.width,
                                   picture.height, keepNegative, RuntimeRandom);
    picture.x = p.x;
    picture.y = p.y;
    return effective;
}

int32_t AppState::DrawPicture(const RECT& area, HDC dc, int32_t zoomValue, bool squeezeOn, bool shrinkOn,
                              bool stretchOn, int32_t layoutValue, bool keepNegative) {
    if (!picture.IsLoaded()) return 0;
    const int32_t effective =
        PlacePicture(area, zoomValue, squeezeOn, shrinkOn, stretchOn, layoutValue, keepNegative);
    picture.Draw(dc, picture.x, picture.y, picture.width, picture.height);
    return effective;
}

void AppState::DrawPictureAt(HDC dc, int32_t w, int32_t h) {
    if (!picture.IsLoaded()) return;
    picture.Draw(dc, 0, 0, w, h);
}

bool AppState::DrawView(HDC windowDc, int left, int top) {
    const RECT view = ViewRect();
    if (!frame.Resize(view.right > 0 ? view.right : 1, view.bottom > 0 ? view.bottom : 1, windowDc)) return false;
    HGDIOBJ oldBrush = SelectObject(frame.Dc(), backgroundBrush.Get());
    PatBlt(frame.Dc(), 0, 0, frame.Width(), frame.Height(), PATCOPY);
    SelectObject(frame.Dc(), oldBrush);
    picture.DrawVisible(frame.Dc(), left, top, picture.width, picture.height, frame.Width(), frame.Height());
    return true;
}

void AppState::ComposeFrame(HDC windowDc) {
    if (!picture.IsLoaded()) return;
    const RECT view = ViewRect();
    const int cw = view.right;
    const int ch = view.bottom;

    currentZoom = PlacePicture(view, currentZoom, squeeze, shrink, stretch, layout, autoscroll && quietautoscroll);
    const int w = picture.width;
    const int h = picture.height;
    canvas.Free();
    const bool framed = DrawView(windowDc, picture.x, picture.y);

    if (title) UpdateCaption();
    if (statusBar) UpdateStatus();

    if (framed) {
        const int32_t effect =
            (transitions && static_cast<uint32_t>(exhibit->CurrentIndex()) != lastShownIndex) ? PickTransition() : -1;
        if (effect >= 0) {
            RunTransition(windowDc, cw, ch, frame.Dc(), effect, 0, 0);
        } else if ((squeeze && !zoomHeld) || !viewScrolled || (layer == kLayerFullScreen && (w < cw || h < ch))) {
            BitBlt(windowDc, 0, 0, cw, ch, frame.Dc(), 0, 0, SRCCOPY);
        }
    }
    lastShownIndex = static_cast<uint32_t>(exhibit->CurrentIndex());
}

void AppState::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (ontop) SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
    if (blackboxSkinned && !crop && layer != kLayerFullScreen) {
        blackboxSkinned = false;   // once, at the first paint
        SkinWindow();
    }
    if (decoding) {
        // The next picture is on its way: the last frame (or the collage) stands until it comes.
        const Canvas& shown = collage && collageCanvas.Bitmap() ? collageCanvas : frame;
        if (shown.Bitmap()) BitBlt(dc, 0, 0, shown.Width(), shown.Height(), shown.Dc(), 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return;
    }

    const bool empty = ExhibitSize() == 0;
    if (empty || !picture.IsLoaded()) {
        HGDIOBJ oldBrush = SelectObject(dc, backgroundBrush.Get());
        if (layer != kLayerFullScreen) {
            UpdateCaption();
            PatBlt(dc, 0, 0, position.right, position.bottom, PATCOPY);
            UpdateStatus();
        } else {
            PatBlt(dc, 0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top, PATCOPY);
        }
        SelectObject(dc, oldBrush);
    } else if (collage) {
        PaintCollage(dc);
    } else {
        ComposeFrame(dc);
        if (!(squeeze && !zoomHeld)) {
            if (autoscroll && quietautoscroll && !viewScrolled) {
                ComputeExcess();
                scrollX = excessWidth / 2;
                scrollY = excessHeight / 2;
                viewScrolled = true;
            } else if (viewScrolled) {
                ScrollView(false);
            } else if (autoscroll) {
                ComputeExcess();
                scrollX = excessWidth / 2;
                scrollY = excessHeight / 2;
                ScrollView(false);
            }
        }
    }
    if (layer == kLayerFullScreen && fullscreenname) DrawNameOverlay(dc);
    EndPaint(hwnd, &ps);
}

HBRUSH AppState::BackgroundBrush() const {
    if ((overlap || collage) && !zoomHeld) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    return backgroundBrush.Get();
}

bool AppState::OnEraseBackground() {
    // Only the roaming full-screen layout answers this itself: a partial
    // repaint (something uncovered part of the screen) moves the picture to a
    // new place instead. Everything else leaves erasing to the dialog manager
    // and its brush.
    if (layer != kLayerFullScreen || fullscreenlayout != kLayoutRoaming) return false;
    RECT update{};
    GetUpdateRect(hwnd, &update, FALSE);
    if (!RoamingEraseTakesOver(layer, fullscreenlayout, update.left, update.top)) return false;
    ValidateRect(hwnd, nullptr);
    RelayoutFullScreen();
    return true;
}

void AppState::ComputeExcess() {
    const RECT view = ViewRect();
    excessWidth = picture.width > view.right ? picture.width - view.right : 0;
    excessHeight = picture.height > view.bottom ? picture.height - view.bottom : 0;
}

int32_t AppState::KeyScrollStep() const {
    if (KeyHeld(VK_SHIFT)) return 2 * scrollStep;
    if (KeyHeld(VK_CONTROL)) return 5 * scrollStep;
    if (KeyHeld(VK_MENU)) return 1;
    return scrollStep;
}

bool AppState::PictureOverflows() const {
    if (!picture.IsLoaded() || collage) return false;
    const RECT view = ViewRect();
    return picture.width > view.right || picture.height > view.bottom;
}

void AppState::ScrollView(bool byUser) {
    if (squeeze && !zoomHeld) {
        scrollX = scrollY = 0;
        return;
    }
    if (slide && byUser && GetCapture() != hwnd) RestartSlideTimer();
    if (!picture.IsLoaded()) return;

    // Offsets into the picture at its display size; on an axis where the
    // picture is the smaller, they keep it at its layout position.
    const RECT view = ViewRect();
    const int right = view.right;
    const int bottom = view.bottom;
    const int w = picture.width;
    const int h = picture.height;
    int ox = 0, oy = 0;
    if (right > w) ox = right - (picture.x + w);
    if (bottom > h) oy = bottom - (picture.y + h);

    if (scrollX < 0) scrollX = 0;
    if (scrollY < 0) scrollY = 0;
    if (scrollX + right > w) scrollX = w - right;
    if (scrollY + bottom > h) scrollY = h - bottom;

    HDC dc = GetDC(hwnd);
    if (!dc) return;
    // The window shows the picture from (sx, sy) of its display size on.
    auto show = [&](int sx, int sy) {
        if (canvas.Bitmap()) {
            BitBlt(dc, 0, 0, right, bottom, canvas.Dc(), sx, sy, SRCCOPY);
        } else if (DrawView(dc, -sx, -sy)) {
            BitBlt(dc, 0, 0, right, bottom, frame.Dc(), 0, 0, SRCCOPY);
        }
    };
    if (!viewScrolled && autoscroll) {
        // The glide copies one buffer a hundred times rather than scaling the
        // picture a hundred times, when such a buffer may be had.
        if (FitsPictureBuffer(w, h) && canvas.Resize(w, h, dc)) {
            HGDIOBJ oldBrush = SelectObject(canvas.Dc(), backgroundBrush.Get());
            PatBlt(canvas.Dc(), 0, 0, w, h, PATCOPY);
            SelectObject(canvas.Dc(), oldBrush);
            DrawPictureAt(canvas.Dc(), w, h);
        }
        for (const POINT& at : AutoscrollPath(scrollX, scrollY, excessWidth, excessHeight, scrollStep)) {
            show(at.x - picture.x, at.y - picture.y);
            Sleep(1);
        }
    }
    show(ox + scrollX, oy + scrollY);
    canvas.Free();
    if (layer == kLayerFullScreen && fullscreenname) DrawNameOverlay(dc);
    viewScrolled = true;
    ReleaseDC(hwnd, dc);
}

POINT AppState::PictureOrigin() const {
    if (!viewScrolled || (squeeze && !zoomHeld)) return {picture.x, picture.y};
    // As ScrollView puts it, without moving the scroll position.
    const RECT view = ViewRect();
    const int w = picture.width, h = picture.height;
    const int ox = view.right > w ? view.right - (picture.x + w) : 0;
    const int oy = view.bottom > h ? view.bottom - (picture.y + h) : 0;
    int sx = scrollX < 0 ? 0 : scrollX, sy = scrollY < 0 ? 0 : scrollY;
    if (sx + view.right > w) sx = w - view.right;
    if (sy + view.bottom > h) sy = h - view.bottom;
    return {-(ox + sx), -(oy + sy)};
}

void AppState::RepaintPicture() {
    if (!picture.IsLoaded() || collage || decoding || !IsWindowVisible(hwnd) || IsIconic(hwnd)) return;
    const RECT view = ViewRect();
    if (static_cast<uint32_t>(exhibit->CurrentIndex()) != lastShownIndex || frame.Width() != view.right ||
        frame.Height() != view.bottom) {
        InvalidateRect(hwnd, nullptr, FALSE);   // not painted as it stands yet: a whole paint
        return;
    }
    const POINT at = PictureOrigin();
    RECT part{std::max<LONG>(at.x, 0), std::max<LONG>(at.y, 0), std::min<LONG>(at.x + picture.width, view.right),
              std::min<LONG>(at.y + picture.height, view.bottom)};
    if (part.right <= part.left || part.bottom <= part.top) return;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    // Composed in the frame first and copied in one go: the frame never shows half drawn.
    FillRect(frame.Dc(), &part, backgroundBrush.Get());
    picture.DrawVisible(frame.Dc(), at.x, at.y, picture.width, picture.height, frame.Width(), frame.Height());
    BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, frame.Dc(), part.left, part.top,
           SRCCOPY);
    if (layer == kLayerFullScreen && fullscreenname) DrawNameOverlay(dc);
    ReleaseDC(hwnd, dc);
}
