// Composing the viewer's frame, painting it, and scrolling a picture larger
// than the window. The scaled picture is drawn once per frame, into the
// picture buffer (`canvas`); the window-sized frame takes the placed picture
// from that buffer, which gives the same pixels as drawing it a second time.
#include <windows.h>

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

void AppState::ComposeFrame(HDC windowDc) {
    if (!picture.IsLoaded()) return;
    const RECT view = ViewRect();
    const int cw = view.right;
    const int ch = view.bottom;

    currentZoom = PlacePicture(view, currentZoom, squeeze, shrink, stretch, layout, autoscroll && quietautoscroll);
    const int w = picture.width;
    const int h = picture.height;

    // The picture buffer. Past the size cap it is not made and the frame
    // shows the background only: no zoom can exhaust memory.
    const bool buffered = FitsPictureBuffer(w, h) && canvas.Resize(w, h, windowDc);
    if (buffered) DrawPictureAt(canvas.Dc(), w, h);

    const bool framed = frame.Resize(cw > 0 ? cw : 1, ch > 0 ? ch : 1, windowDc);
    if (framed) {
        HGDIOBJ oldBrush = SelectObject(frame.Dc(), backgroundBrush.Get());
        PatBlt(frame.Dc(), 0, 0, frame.Width(), frame.Height(), PATCOPY);
        SelectObject(frame.Dc(), oldBrush);
        if (buffered) BitBlt(frame.Dc(), picture.x, picture.y, w, h, canvas.Dc(), 0, 0, SRCCOPY);
    }

    if (title) UpdateCaption();
    if (statusBar) UpdateStatus();

    if (framed) {
        const int32_t effect =
            (transitions && static_cast<uint32_t>(exhibit->CurrentIndex()) != lastShownIndex) ? PickTransition() : -1;
        if (effect >= 0) {
            RunTransition(windowDc, cw, ch, frame.Dc(), effect, 0, 0);
        } else if ((squeeze && !zoomHeld) || !viewScrolled || (layer == kLayerFullScreen && (w < cw || h < ch)) || !buffered) {
            BitBlt(windowDc, 0, 0, cw, ch, frame.Dc(), 0, 0, SRCCOPY);
        }
    }
    lastShownIndex = static_cast<uint32_t>(exhibit->CurrentIndex());
}

void AppState::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (ontop) SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);

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

void AppState::ScrollView(bool byUser) {
    if (squeeze && !zoomHeld) {
        scrollX = scrollY = 0;
        return;
    }
    if (slide && byUser && GetCapture() != hwnd) RestartSlideTimer();
    if (!canvas.Bitmap()) return;  // no picture buffer (nothing shown, or past the size cap)

    const RECT view = ViewRect();
    const int right = view.right;
    const int bottom = view.bottom;
    int ox = 0, oy = 0;
    if (right > canvas.Width()) ox = right - (picture.x + canvas.Width());
    if (bottom > canvas.Height()) oy = bottom - (picture.y + canvas.Height());

    if (scrollX < 0) scrollX = 0;
    if (scrollY < 0) scrollY = 0;
    if (scrollX + right > canvas.Width()) scrollX = canvas.Width() - right;
    if (scrollY + bottom > canvas.Height()) scrollY = canvas.Height() - bottom;

    HDC dc = GetDC(hwnd);
    if (!dc) return;
    if (viewScrolled || !autoscroll) {
        BitBlt(dc, 0, 0, right, bottom, canvas.Dc(), ox + scrollX, oy + scrollY, SRCCOPY);
    } else {
        for (const POINT& at : AutoscrollPath(scrollX, scrollY, excessWidth, excessHeight, scrollStep)) {
            BitBlt(dc, 0, 0, right, bottom, canvas.Dc(), at.x - picture.x, at.y - picture.y, SRCCOPY);
            Sleep(1);
        }
        BitBlt(dc, 0, 0, right, bottom, canvas.Dc(), ox + scrollX, oy + scrollY, SRCCOPY);
    }
    if (layer == kLayerFullScreen && fullscreenname) DrawNameOverlay(dc);
    viewScrolled = true;
    ReleaseDC(hwnd, dc);
}
