// Construction and release of the application state. Every persisted field
// carries its default in its declaration; this file only sets what needs code.
#include "app/AppState.h"
#include "imaging/GdiplusApi.h"

AppState* g_state = nullptr;

AppState::AppState() {
    for (int32_t n = 0; n < 15; ++n) transitionList.push_back(n);
}

AppState::~AppState() = default;

void AppState::ReleaseResources() {
    // GDI+ objects must go before GDI+ itself, and GDI+ stays while a
    // decoder given up on may still be inside it.
    bool decodersGone = true;
    // Neither waits long for a worker stuck in a decoder: one still running
    // is left to end on its own, inside GDI+.
    if (thumbnails) {
        decodersGone = thumbnails->Stop();
        thumbnails.reset();
    }
    // The wallpaper worker gets about a second to end; if it is still inside
    // GDI+ then, GDI+ stays.
    if (wallpaperWorker && !wallpaperWorker->Finish(1000)) decodersGone = false;
    wallpaperWorker.reset();
    if (pictures) {
        decodersGone = pictures->StopWorkers() && decodersGone;
        pictures.reset();
    }
    picture.Release();
    canvas.Free();
    tile.Free();
    collageCanvas.Free();
    frame.Free();
    if (gdiplusToken && decodersGone) Gdiplus::GdiplusShutdown(gdiplusToken);
    gdiplusToken = 0;
    transitionList.clear();
    backgroundBrush.Reset();
    statusFont.Reset();
}
