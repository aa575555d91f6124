// Send Shortcut (favorites) and Shortcut To Desktop.
#include <windows.h>

#include "app/AppState.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"

void AppState::SendShortcut(const wchar_t* folder, const wchar_t* path) {
    wchar_t linkPath[kPathSize];
    if (CreateShortcutIn(folder, path, linkPath)) return;
    g_app.ShowMessage(MessageText(16), MB_ICONWARNING);
    ApplyDisplay();
}
