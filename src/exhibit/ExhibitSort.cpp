// Ordering the exhibit: the re-sort after a change of order, the shuffle and
// the random index. The exhibit keeps the order, so a build that ends later
// sorts the same way.
#include <windows.h>

#include "app/AppState.h"

void AppState::SortExhibit() {
    if (pictures) pictures->Clear();   // decoded ahead for neighbours that are no more
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    exhibit->Sort(CurrentOrder());
    SetCursor(previous);
}

void AppState::ShuffleExhibit() {
    if (pictures) pictures->Clear();
    exhibit->Shuffle();
}

int32_t AppState::RandomIndex(int32_t n) { return exhibit->RandomIndex(n); }
