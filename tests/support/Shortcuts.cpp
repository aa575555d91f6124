#include "support/Shortcuts.h"

#include <windows.h>

#include "exhibit/ShellLink.h"

bool MakeShortcut(const std::wstring& path, const std::wstring& target) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    ShellLink shell;
    return shell.CreateShortcut(target.c_str(), path.c_str());
}
