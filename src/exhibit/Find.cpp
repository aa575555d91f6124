// Find and filter: jump to the next picture whose path holds a text, or
// narrow the exhibit to the pictures that hold it (Filter) or do not (Exclude).
#include <windows.h>

#include "app/AppState.h"
#include "commands/Dialogs.h"
#include "config/Language.h"
#include "platform/CursorShown.h"

bool AppState::FindDialog() {
    if (ExhibitSize() == 0) {
        g_app.ShowMessage(MessageText(19), MB_ICONINFORMATION);
        return false;
    }
    {
        CursorShown cursor;
        FindFilterDialog(hwnd, find);
    }
    if (closing || find.action == kFindActionCancel || !find.text[0]) return false;
    // A growing exhibit cannot be filtered: every action finds.
    if (Building() || find.action == kFindActionFind) return FindNext(false);
    return FilterExhibit(find.action == kFindActionFilter);
}

bool AppState::FindNext(bool skipCurrent) {
    if (ExhibitSize() == 0) {
        g_app.ShowMessage(MessageText(19), MB_ICONINFORMATION);
        return false;
    }
    if (!find.text[0]) return FindDialog();
    const size_t start = size_t(exhibit->CurrentIndex()) + (skipCurrent ? 1 : 0);
    const FindRecord wanted = find;
    const int32_t at = exhibit->Pick([&](const std::vector<ImageEntry>& entries) { return FindFrom(entries, start, wanted); });
    if (at < 0) {
        g_app.ShowMessage(MessageText(Building() ? 20 : 21), MB_ICONINFORMATION);
        return false;
    }
    exhibit->MoveTo(at);
    return true;
}

bool AppState::FilterExhibit(bool keepMatches) {
    const FindRecord wanted = find;
    exhibit->Filter([&](const ImageEntry& entry) { return Matches(wanted, entry.path.c_str()) == keepMatches; },
                    SavedView{0, CurrentOrder(), subfolders, hidden});
    return true;
}
