// Opening a folder as the exhibit, with the saved copy of the home exhibit
// that lets View Exhibit come back without a rescan.
#include <windows.h>

#include <cwchar>

#include "app/AppState.h"
#include "config/Language.h"

void AppState::OpenFolderView(const wchar_t* path, bool asExhibit) {
    if (!path) return;
    wchar_t full[kPathSize];
    const DWORD length = GetFullPathNameW(path, kPathSize, full, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(kPathSize)) {
        // Too long for the viewer's paths: reported like a missing folder.
        _snwprintf(scratch, kPathSize, L"%ls %ls", path, MessageText(12));
        scratch[kPathSize - 1] = L'\0';
        g_app.ShowMessage(scratch, MB_ICONWARNING);
        return;
    }
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes & FILE_ATTRIBUTE_OFFLINE) {   // also the failure value
        _snwprintf(scratch, kPathSize, L"%ls %ls", path, MessageText(12));
        scratch[kPathSize - 1] = L'\0';
        g_app.ShowMessage(scratch, MB_ICONWARNING);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;

    const bool rootChanges = wcscmp(full, viewedFolder) != 0;
    const bool atHome = wcscmp(exhibitFolder, viewedFolder) == 0 && !filtered;
    if (asExhibit) {
        bool haveSaved;
        {
            std::lock_guard<std::mutex> lock(exhibitLock);
            haveSaved = !savedExhibit.empty();
        }
        if (haveSaved) RestoreExhibit();
        else if (atHome) SaveExhibit();
        else BuildExhibit(full, false, nullptr);
        wcscpy(viewedFolder, full);
        if (g_app.catalogWindow) PostMessageW(g_app.catalogWindow, WM_COMMAND, 1112, 0);
    } else {
        if (atHome) {
            SaveExhibit();
        } else if (wcscmp(exhibitFolder, full) == 0) {
            std::lock_guard<std::mutex> lock(exhibitLock);
            savedExhibit.clear();
            filtered = false;
        }
        BuildExhibit(full, false, nullptr);
    }
    ShowPicture(true);
    if (autorefresh && rootChanges) StartWatcher();
}
