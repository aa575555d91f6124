// The Catalog's file operations on a selection: recycle, archive and
// favorites, and cut, copy and paste through the shell's own verbs, so the
// clipboard holds what the platform's file manager would put there. None of
// them edits the exhibit: the change watcher's rebuild brings the list up to
// date, so each makes sure the watcher runs first.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "catalog/CatalogShell.h"
#include "commands/CommandIds.h"
#include "config/Language.h"
#include "fileops/LogFile.h"
#include "platform/CursorShown.h"
#include "platform/Handles.h"

namespace {

// One list for the shell: each path, a NUL after each and one more at the end.
std::wstring PathList(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    return list + L'\0';
}

std::wstring FolderWithRoot(std::wstring folder) {
    if (!folder.empty() && folder.back() == L':') folder += L'\\';   // "C:" is the drive's current folder
    return folder;
}

}  // namespace

bool GetShellObject(const std::vector<std::wstring>& paths, REFIID iid, void** out) {
    *out = nullptr;
    if (paths.empty()) return false;
    const size_t slash = paths[0].rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    const std::wstring parent = FolderWithRoot(paths[0].substr(0, slash));
    bool shared = true;
    for (const std::wstring& path : paths) {
        const size_t at = path.rfind(L'\\');
        shared = shared && at != std::wstring::npos && FolderWithRoot(path.substr(0, at)) == parent;
    }
    ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive()))) return false;
    ComPtr<IShellFolder> folder;
    if (shared) {
        PIDLIST_RELATIVE item = nullptr;
        if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(parent.c_str()), nullptr, &item,
                                                nullptr))) {
            desktop->BindToObject(item, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder.Receive()));
            CoTaskMemFree(item);
        }
        if (!folder) return false;
    }
    IShellFolder* from = folder ? folder.Get() : desktop.Get();
    std::vector<PCUITEMID_CHILD> items;
    bool parsed = true;
    for (const std::wstring& path : paths) {
        std::wstring name = shared ? path.substr(path.rfind(L'\\') + 1) : path;
        PIDLIST_RELATIVE item = nullptr;
        if (FAILED(from->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &item, nullptr))) {
            parsed = false;
            break;
        }
        items.push_back(reinterpret_cast<PCUITEMID_CHILD>(item));
    }
    const bool made = parsed && SUCCEEDED(from->GetUIObjectOf(nullptr, UINT(items.size()), items.data(), iid, nullptr, out));
    for (PCUITEMID_CHILD item : items) CoTaskMemFree(const_cast<ITEMID_CHILD*>(item));
    return made && *out;
}

bool InvokeVerb(const std::vector<std::wstring>& paths, const char* verb) {
    ComPtr<IContextMenu> menu;
    if (!GetShellObject(paths, IID_IContextMenu, reinterpret_cast<void**>(menu.Receive()))) return false;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return SUCCEEDED(menu->InvokeCommand(&info));
}

void ShellContextMenu(const std::vector<std::wstring>& paths, int x, int y, HWND owner) {
    ComPtr<IContextMenu> menu;
    if (!GetShellObject(paths, IID_IContextMenu, reinterpret_cast<void**>(menu.Receive()))) return;
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 30000, CMF_EXPLORE))) {
        const int chosen = int(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, owner, nullptr));
        if (chosen >= 1 && chosen <= 30000) {
            CMINVOKECOMMANDINFO info{};
            info.cbSize = sizeof info;
            info.hwnd = owner;
            info.lpVerb = MAKEINTRESOURCEA(chosen - 1);
            info.nShow = SW_SHOWNORMAL;
            menu->InvokeCommand(&info);
        }
    }
    DestroyMenu(popup);
}

void AppState::CatalogFileCommand(int command, const std::vector<std::wstring>& paths, HWND owner) {
    const bool refused = command != kCmdSendShortcut && Building();
    if (refused || (paths.empty() && command != kCmdPaste)) return;
    const auto ensureWatcher = [this] {
        if (!autorefresh) ExecuteCommand(kCmdAutoRefresh);
    };
    const auto ask = [owner](int message) {
        CursorShown cursor;
        return MessageBoxW(owner, MessageText(message), L"Oxbrill Catalog", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    };
    // The viewer lets go of a file it shows, and of any picture decoded ahead.
    const auto release = [&] {
        const std::wstring shown = exhibit->CurrentPath();
        for (const std::wstring& path : paths)
            if (path == shown) picture.Release();
        if (pictures) pictures->Clear();
    };
    switch (command) {
    case kCmdRecycle: {
        if (confirmdelete && (!ask(25) || closing)) return;
        ensureWatcher();
        release();
        const std::wstring list = PathList(paths);
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_DELETE;
        operation.pFrom = list.c_str();
        operation.fFlags = FOF_ALLOWUNDO;
        SHFileOperationW(&operation);
        return;
    }
    case kCmdMoveToArchive: {
        if (!archive[0]) return;
        if (confirmarchive && (!ask(26) || closing)) return;
        ensureWatcher();
        release();
        if (archivelog) {
            std::vector<std::wstring> lines;
            for (const std::wstring& path : paths) lines.push_back(path + L" -> " + archive);
            AppendLogLines(archivedLogPath, lines);
        }
        const std::wstring list = PathList(paths);
        const std::wstring to = std::wstring(archive) + L'\0' + L'\0';
        SHFILEOPSTRUCTW operation{};
        operation.wFunc = FO_MOVE;
        operation.pFrom = list.c_str();
        operation.pTo = to.c_str();
        operation.fFlags = FOF_ALLOWUNDO | FOF_RENAMEONCOLLISION;
        SHFileOperationW(&operation);
        return;
    }
    case kCmdSendShortcut:
        if (!favorites[0]) return;
        for (const std::wstring& path : paths) SendShortcut(favorites, path.c_str());
        return;
    case kCmdCopyFile:
        InvokeVerb(paths, "copy");
        return;
    case kCmdMoveRename:
        ensureWatcher();
        InvokeVerb(paths, "cut");
        return;
    case kCmdPaste: {
        ensureWatcher();
        std::wstring folder = exhibit->ViewedFolder();
        if (!paths.empty()) folder = paths[0].substr(0, paths[0].rfind(L'\\'));
        InvokeVerb({FolderWithRoot(folder)}, "paste");
        return;
    }
    default: return;
    }
}
