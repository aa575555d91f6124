// Construction and release of the application state. Every persisted field
// carries its default in its declaration; this file only sets what needs code.
#include "app/AppState.h"

AppState* g_state = nullptr;

AppState::AppState() {
    for (int32_t n = 0; n < 15; ++n) transitionList.push_back(n);
}

AppState::~AppState() = default;

void AppState::ReleaseResources() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    exhibit.clear();
    exhibit.shrink_to_fit();
    savedExhibit.clear();
    savedExhibit.shrink_to_fit();
    transitionList.clear();
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = nullptr;
    if (statusFont) DeleteObject(statusFont);
    statusFont = nullptr;
}
