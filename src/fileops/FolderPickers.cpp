// The folder pickers: the exhibit root (New Exhibit, "-browse", an empty
// start), where Shift held at the moment of the choice appends instead of
// replacing, and the favorites and archive folders.
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

// The shell's folder browser over `owner`, titled with message `titleIndex`
// and opened at `start`; the chosen folder's path into `path` (260 characters).
bool BrowseForFolder(HWND owner, int titleIndex, const wchar_t* start, UINT flags, wchar_t* path) {
    // The browser needs the component library on this thread.
    const bool comStarted = SUCCEEDED(CoInitialize(nullptr));
    wchar_t display[kPathSize] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = MessageText(titleIndex);
    info.ulFlags = flags;
    info.lpfn = SelectStartFolder;
    info.lParam = reinterpret_cast<LPARAM>(start);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    path[0] = L'\0';
    const bool picked = chosen && SHGetPathFromIDListW(chosen, path);
    if (chosen) CoTaskMemFree(chosen);
    if (comStarted) CoUninitialize();
    return picked;
}

}  // namespace

bool AppState::PickExhibitRoot(bool build) {
    ModalFrame frame(*this);
    wchar_t path[MAX_PATH];
    const bool picked = BrowseForFolder(hwnd, 0, exhibitFolder, BIF_BROWSEFILEJUNCTIONS, path) && !closing;
    if (!picked) return false;
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
    return !closing;
}

bool AppState::PickFolder(int which) {
    ModalFrame frame(*this);
    wchar_t* const setting = which == 0 ? favorites : archive;
    wchar_t start[kPathSize] = {};
    if (setting[0] && !GetFullPathNameW(setting, kPathSize, start, nullptr)) start[0] = L'\0';
    wchar_t path[MAX_PATH];
    if (!BrowseForFolder(hwnd, which == 0 ? 1 : 2, start[0] ? start : nullptr, 0, path) || closing || !path[0])
        return false;
    CopyPath(setting, path);
    return true;
}
