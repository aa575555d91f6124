// View Link Target: open the folder a shortcut points into as the exhibit.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "app/AppState.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"

void AppState::ViewLinkTarget() {
    if (!IsShortcut(currentPath)) return;
    wchar_t target[kPathSize] = {};
    {
        ShellLink link;
        if (!link.Read(currentPath, target, false)) return;
    }
    if (wchar_t* slash = wcsrchr(target, L'\\')) *slash = L'\0';
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes & FILE_ATTRIBUTE_OFFLINE) {
        _snwprintf(scratch, kPathSize, L"%ls %ls", target, MessageText(12));
        scratch[kPathSize - 1] = L'\0';
        g_app.ShowMessage(scratch, MB_ICONWARNING);
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    BuildExhibit(target, false, nullptr);
    ShowPicture(true);
    if (autorefresh) StartWatcher();
}
