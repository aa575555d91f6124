// View Link Target: open the folder a shortcut points into as the exhibit.
#include <windows.h>

#include <cwchar>

#include "app/AppState.h"
#include "exhibit/ShellLink.h"

void AppState::ViewLinkTarget() {
    const std::wstring link = exhibit->CurrentPath();
    if (!IsShortcut(link.c_str())) return;
    wchar_t target[kPathSize] = {};
    {
        ShellLink shell;
        if (!shell.Read(link.c_str(), target, false)) return;
    }
    if (wchar_t* slash = wcsrchr(target, L'\\')) *slash = L'\0';
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes & FILE_ATTRIBUTE_OFFLINE) {
        ReportPath(target, 12);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    BuildExhibit(target, false, nullptr);
    if (closing) return;
    ShowPicture(true);
    if (autorefresh) StartWatcher();
}
