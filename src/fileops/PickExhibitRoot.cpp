// The folder picker for the exhibit root (New Exhibit, "-browse", an empty
// start): Shift held at the moment of the choice appends instead of replacing.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

#include "app/AppState.h"
#include "commands/ModalFrame.h"
#include "config/Language.h"

namespace {

int CALLBACK SelectStartFolder(HWND dialog, UINT message, LPARAM, LPARAM start) {
    if (message == BFFM_INITIALIZED && start) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, start);
    return 0;
}

}  // namespace

bool AppState::PickExhibitRoot(bool build) {
    // The browser needs the component library on this thread.
    const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
    ModalFrame frame(*this);

    wchar_t display[kPathSize] = {};
    BROWSEINFOW info{};
    info.hwndOwner = hwnd;
    info.pszDisplayName = display;
    info.lpszTitle = MessageText(0);
    info.ulFlags = BIF_BROWSEFILEJUNCTIONS;
    info.lpfn = SelectStartFolder;
    info.lParam = reinterpret_cast<LPARAM>(exhibitFolder);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);

    wchar_t path[MAX_PATH] = {};
    const bool picked = chosen && SHGetPathFromIDListW(chosen, path);
    if (chosen) CoTaskMemFree(chosen);

    if (picked && !closing) {
        if (!build) {
            wcscpy(exhibitFolder, path);
        } else if (path[0]) {
            const bool append = GetKeyState(VK_SHIFT) < 0;
            if (!append) {
                // A new home exhibit: the saved copy of the old one goes.
                wcscpy(exhibitFolder, path);
                exhibit->DropSaved();
            }
            BuildExhibit(path, append, nullptr);
        }
    }
    if (comStarted) CoUninitialize();
    return picked && !closing;
}
