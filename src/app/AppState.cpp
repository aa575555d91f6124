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
    // The thumbnail workers, the wallpaper worker and the pictures decoded
    // ahead share one second: a worker stuck in a decoder is left to end on
    // its own, inside GDI+, and exit never waits on it for longer.
    const DWORD start = GetTickCount();
    const auto left = [start] {
        const DWORD spent = GetTickCount() - start;
        return spent < 1000 ? 1000 - spent : DWORD(0);
    };
    if (thumbnails) {
        decodersGone = thumbnails->Stop(left());
        thumbnails.reset();
    }
    if (wallpaperWorker && !wallpaperWorker->Finish(left())) decodersGone = false;
    wallpaperWorker.reset();
    if (pictures) {
        decodersGone = pictures->StopWorkers(left()) && decodersGone;
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
