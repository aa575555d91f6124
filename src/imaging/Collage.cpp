// Collage mode: each picture shown is reduced to a tile of at most
// collagesize pixels a side and laid at a random place on the pictures shown
// before, so the window fills with a growing heap of them.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "app/AppState.h"
#include "imaging/Layout.h"

namespace {

int CrtRand() { return rand(); }

}  // namespace

void AppState::ClearCollage() {
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    RECT area = ViewRect();
    if (layer == kLayerFullScreen) area = RECT{0, 0, monitorRect.right - monitorRect.left, monitorRect.bottom - monitorRect.top};
    if (collageCanvas.Resize(std::max<LONG>(area.right, 1), std::max<LONG>(area.bottom, 1), dc)) {
        HGDIOBJ oldBrush = SelectObject(collageCanvas.Dc(), backgroundBrush.Get());
        PatBlt(collageCanvas.Dc(), 0, 0, collageCanvas.Width(), collageCanvas.Height(), PATCOPY);
        SelectObject(collageCanvas.Dc(), oldBrush);
    }
    ReleaseDC(hwnd, dc);
}

void AppState::PaintCollage(HDC paintDc) {
    if (title) UpdateCaption();
    if (!picture.IsLoaded()) return;
    const int32_t side = std::max<int32_t>(collagesize, 1);
    ComputeDisplaySize(RECT{0, 0, side, side}, 0, true, false, false);
    const int w = std::max<int32_t>(picture.width, 1), h = std::max<int32_t>(picture.height, 1);
    if (!tile.Resize(w, h, paintDc)) return;
    DrawPictureAt(tile.Dc(), w, h);

    const RECT view = ViewRect();
    const int cw = view.right, ch = view.bottom;
    if (!collageCanvas.Bitmap()) ClearCollage();
    if (!collageCanvas.Bitmap()) return;
    // A random place where the whole tile fits, as the roaming layout finds one.
    const POINT at = LayoutPosition(kLayoutRoaming, cw, ch, w, h, false, CrtRand);
    const int32_t effect =
        (transitions && uint32_t(exhibit->CurrentIndex()) != lastShownIndex) ? PickTransition() : -1;
    if (effect >= 0) {
        // The heap so far, then the new picture animated into its place.
        BitBlt(paintDc, 0, 0, cw, ch, collageCanvas.Dc(), 0, 0, SRCCOPY);
        RunTransition(paintDc, w, h, tile.Dc(), effect, at.x, at.y);
        BitBlt(collageCanvas.Dc(), at.x, at.y, w, h, tile.Dc(), 0, 0, SRCCOPY);
    } else {
        BitBlt(collageCanvas.Dc(), at.x, at.y, w, h, tile.Dc(), 0, 0, SRCCOPY);
        BitBlt(paintDc, 0, 0, cw, ch, collageCanvas.Dc(), 0, 0, SRCCOPY);
    }
    if (statusBar) UpdateStatus();
}
