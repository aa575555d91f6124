// Ordering the exhibit: the re-sort after a build or a change of order, the
// shuffle and the random index, on the one engine `randomEngine`.
#include <windows.h>

#include "app/AppState.h"
#include "exhibit/SortRules.h"

void AppState::SortExhibit() {
    const DWORD thisThread = GetCurrentThreadId();
    // Re-entry on the same thread returns at once; a sort on another thread
    // (the build worker's final one, a command's) is waited for through the lock.
    if (sortingThread.load() == thisThread) return;
    std::lock_guard<std::mutex> lock(exhibitLock);
    sortingThread = thisThread;
    sorting = true;

    // Only the window's own thread shows the wait cursor: the worker keeps
    // away from windows.
    const bool uiThread = hwnd && GetWindowThreadProcessId(hwnd, nullptr) == thisThread;
    HCURSOR previous = uiThread ? SetCursor(LoadCursorW(nullptr, IDC_WAIT)) : nullptr;

    if (sort != 0 && sort != 1) {
        std::lock_guard<std::mutex> random(randomLock);
        ShuffleEntries(exhibit, randomEngine);
    } else {
        SortEntries(exhibit, sortby, sortcase, sort == 1);
    }
    const int32_t index = FindExhibitIndexLocked(currentPath);
    currentIndex = index < 0 ? 0 : index;

    if (uiThread) SetCursor(previous);
    sorting = false;
    sortingThread = 0;
}

void AppState::ShuffleExhibit() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    std::lock_guard<std::mutex> random(randomLock);
    ShuffleEntries(exhibit, randomEngine);
}

int32_t AppState::RandomIndex(int32_t n) {
    std::lock_guard<std::mutex> random(randomLock);
    return ::RandomIndex(randomEngine, n);
}
