// Auto-refresh: the change watcher over the viewed folder, and auto-find,
// which takes the watcher's fresh list and may jump to the newest picture.
#include <windows.h>

#include "app/AppState.h"

void AppState::StartWatcher() {
    if (!watcher) watcher = std::make_unique<FolderWatcher>();
    FolderWatcher::Request request;
    request.folder = exhibit->ViewedFolder();
    request.options = CurrentScanOptions();
    request.order = CurrentOrder();
    request.latencyMs = DWORD(autorefreshLatency > 0 ? autorefreshLatency : 0);
    request.notify = hwnd;
    request.message = WM_APP_REFRESHED;
    request.target = exhibit;
    if (request.folder.empty()) watcher->Stop();
    else watcher->Start(std::move(request));
}

void AppState::StopWatcher() {
    if (watcher) watcher->Stop();
}

void AppState::StopWatcherIfOn() {
    if (autorefresh) StopWatcher();
}

void AppState::RestartWatcherIfOn() {
    if (autorefresh) StartWatcher();
}

void AppState::AutoFind() {
    std::optional<FolderWatcher::Result> fresh = watcher ? watcher->TakeResult() : std::nullopt;
    // A list made for another folder, or with other format or folder
    // switches, came too late: the exhibit was built anew meanwhile. The
    // watcher goes on with what is asked now.
    if (fresh && (fresh->folder != exhibit->ViewedFolder() || !(fresh->options == CurrentScanOptions()))) {
        fresh.reset();
        if (autorefresh && !closing) StartWatcher();
    }
    // A build the user started meanwhile has the newer word.
    if (fresh && !Building() && !closing) {
        const std::wstring shown = exhibit->CurrentPath();
        // A fresh list of the home folder is the home exhibit now (a filter
        // ends with it): the saved copy of the old one must not come back.
        if (fresh->folder == exhibitFolder) exhibit->DropSaved();
        exhibit->Rebuilt(std::move(fresh->entries));
        const SortOrder order = CurrentOrder();
        if (fresh->order.sort != order.sort || fresh->order.sortby != order.sortby ||
            fresh->order.sortcase != order.sortcase)
            exhibit->Sort(order);   // the order changed while the folder was scanned
        const int32_t type = autofindtype;
        const int32_t newest =
            exhibit->Pick([type](const std::vector<ImageEntry>& entries) { return NewestIndex(entries, type); });
        if (newest >= 0) exhibit->MoveTo(newest);
        // The picture on screen stays unless it is gone or auto-find chose another.
        if (ExhibitSize() == 0 || exhibit->CurrentPath() != shown || !picture.IsLoaded()) {
            ShowPicture(true);
        } else {
            UpdateStatus();
            if (title) UpdateCaption();
        }
    }
    if (const HWND catalog = g_app.catalogWindow) PostMessageW(catalog, WM_APP_REFRESHED, 0, 0);
    exhibit->autoRefreshBuild = false;
}
