#include "app/AppInfo.h"

AppInfo g_app;

int AppInfo::ShowMessage(const wchar_t* text, UINT flags) const {
    return MessageBoxW(mainWindow, text, productName, flags);
}
