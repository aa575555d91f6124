// Opening a folder as the exhibit, with the saved copy of the home exhibit
// that lets View Exhibit come back without a rescan.
#include <windows.h>

#include <cwchar>

#include "app/AppState.h"
#include "config/Language.h"
#include "commands/CommandIds.h"

void AppState::ReportPath(const std::wstring& path, int message, UINT icon) {
    const std::wstring text = path + L" " + MessageText(message);
    g_app.ShowMessage(text.c_str(), icon);
}

void AppState::OpenFolderView(const wchar_t* path, bool asExhibit) {
    if (!path || closing) return;
    wchar_t full[kPathSize];
    const DWORD length = GetFullPathNameW(path, kPathSize, full, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(kPathSize)) {
        // Too long for the viewer's paths: reported like a missing folder.
        ReportPath(path, 12);
        return;
    }
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes & FILE_ATTRIBUTE_OFFLINE) {   // also the failure value
        ReportPath(path, 12);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;

    // A running build must end before the list is saved, restored or
    // replaced; the window keeps painting meanwhile.
    if (!WaitForBuild()) return;

    const std::wstring viewed = exhibit->ViewedFolder();
    const bool rootChanges = viewed != full;
    const bool atHome = viewed == exhibitFolder && !exhibit->Filtered();
    if (asExhibit) {
        if (exhibit->HasSaved()) RestoreExhibit();
        else if (atHome) SaveExhibit();
        else BuildExhibit(full, false, nullptr);
        exhibit->SetViewedFolder(full);
        // The Catalog reloads its list: the exhibit is back, nothing is built again.
        if (const HWND catalog = g_app.catalogWindow) PostMessageW(catalog, WM_APP_CATALOG_BUILT, 0, 0);
    } else {
        if (wcscmp(exhibitFolder, full) == 0) {
            // The home exhibit itself is rebuilt (Refresh, a format or folder
            // switch at home): a copy of the old list must not come back.
            exhibit->DropSaved();
        } else if (atHome) {
            SaveExhibit();   // so that View Exhibit can bring the home exhibit back
        }
        BuildExhibit(full, false, nullptr);
    }
    if (closing) return;
    ShowPicture(true);
    // A watch that ended (it could not start, or failed) starts again with a view of its folder.
    if (autorefresh && (rootChanges || !(watcher && watcher->Running()))) StartWatcher();
}
