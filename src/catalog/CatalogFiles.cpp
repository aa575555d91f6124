// The Catalog's file operations on a selection: recycle, archive and
// favorites, and cut, copy and paste through the shell's own verbs, so the
// clipboard holds what the platform's file manager would put there. None of
// them edits the exhibit: the change watcher's rebuild brings the list up to
// date, so each makes sure the watcher runs first.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "catalog/CatalogShell.h"
#include "commands/CommandIds.h"
#include "config/Language.h"
#include "fileops/Filing.h"
#include "fileops/RecycleBin.h"
#include "platform/CursorShown.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "platform/Wine.h"

namespace {

// One list for the shell: each path, a NUL after each and one more at the end.
std::wstring PathList(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    return list + L'\0';
}

// Pastes the files the clipboard holds (as the file manager put them there:
// a cut moves, a copy copies) into `folder`; a name taken there is renamed by
// the shell, never overwritten. For a shell that does not offer "paste" on a
// folder.
bool PasteFilesFromClipboard(const std::wstring& folder, HWND owner) {
    if (!OpenClipboard(owner)) return false;
    std::vector<std::wstring> files;
    if (HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH] = {};
            if (DragQueryFileW(drop, i, path, MAX_PATH)) files.push_back(path);
        }
    }
    bool move = false;
    if (HANDLE effect = GetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT))) {
        if (const auto* value = static_cast<const DWORD*>(GlobalLock(effect))) {
            move = (*value & DROPEFFECT_MOVE) != 0;
            GlobalUnlock(effect);
        }
    }
    CloseClipboard();
    if (files.empty()) return false;
    return ShellCopyOrMove(files, folder, move, owner);
}

// Puts the files on the clipboard as the file manager does (a file list and
// whether they are to be moved), for a shell without the "copy"/"cut" verbs.
bool PutFilesOnClipboard(const std::vector<std::wstring>& paths, bool cut, HWND owner) {
    const std::wstring list = PathList(paths);
    HGLOBAL files = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
    auto* header = files ? static_cast<DROPFILES*>(GlobalLock(files)) : nullptr;
    auto* value = effect ? static_cast<DWORD*>(GlobalLock(effect)) : nullptr;
    if (header) {
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
        GlobalUnlock(files);
    }
    if (value) {
        *value = cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY | DROPEFFECT_LINK;
        GlobalUnlock(effect);
    }
    bool placed = false;
    if (header && value && OpenClipboard(owner)) {
        EmptyClipboard();
        placed = SetClipboardData(CF_HDROP, files) != nullptr;
        if (placed) files = nullptr;   // the clipboard owns it now
        if (SetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT), effect)) effect = nullptr;
        CloseClipboard();
    }
    if (files) GlobalFree(files);
    if (effect) GlobalFree(effect);
    return placed;
}

// The files a message names, one a line; a long list is cut so the box
// still fits the screen.
std::wstring NamedFiles(const std::vector<std::wstring>& paths) {
    constexpr size_t kShown = 15;
    std::wstring text;
    for (size_t i = 0; i < paths.size() && i < kShown; ++i) text += paths[i] + L"\n";
    if (paths.size() > kShown) text += L"... (+" + std::to_wstring(paths.size() - kShown) + L")\n";
    return text;
}

}  // namespace

bool ShellCopyOrMove(const std::vector<std::wstring>& files, const std::wstring& folder, bool move, HWND owner) {
    // Wine's shell refuses to move several files at once: there one at a time.
    if (move && files.size() > 1 && RunningOnWine()) {
        bool all = true;
        for (const std::wstring& file : files) all = ShellCopyOrMove({file}, folder, move, owner) && all;
        return all;
    }
    const std::wstring from = PathList(files);
    const std::wstring to = folder + L'\0' + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = move ? FO_MOVE : FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_RENAMEONCOLLISION;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

bool GetShellObject(const std::vector<std::wstring>& paths, REFIID iid, void** out) {
    *out = nullptr;
    if (paths.empty()) return false;
    const std::wstring parent = FolderPart(paths[0]);
    if (parent.empty()) return false;
    bool shared = true;
    for (const std::wstring& path : paths) shared = shared && FolderPart(path) == parent;
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

namespace {
constexpr wchar_t kShellMenuProperty[] = L"Oxbrill.ShellMenu";
}

ShellMenuMessages::ShellMenuMessages(HWND owner, IContextMenu* menu) : owner_(owner) {
    if (!menu || !owner) return;
    if (FAILED(menu->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(menu3_.Receive())))) menu3_.Reset();
    if (FAILED(menu->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(menu2_.Receive())))) menu2_.Reset();
    if (!menu2_ && !menu3_) return;
    if (!SetPropW(owner_, kShellMenuProperty, this)) return;
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ShellMenuMessages::Forward)));
    if (!previous_) RemovePropW(owner_, kShellMenuProperty);
}

ShellMenuMessages::~ShellMenuMessages() {
    if (!previous_) return;
    if (IsWindow(owner_)) {
        SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        RemovePropW(owner_, kShellMenuProperty);
    }
}

LRESULT CALLBACK ShellMenuMessages::Forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<ShellMenuMessages*>(GetPropW(window, kShellMenuProperty));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    // WM_DRAWITEM and WM_MEASUREITEM with a control's id are the window's own.
    const bool menuMessage = message == WM_INITMENUPOPUP ||
                             ((message == WM_DRAWITEM || message == WM_MEASUREITEM) && wParam == 0) ||
                             (message == WM_MENUCHAR && self->menu3_);
    if (menuMessage) {
        LRESULT result = 0;
        if (self->menu3_ && SUCCEEDED(self->menu3_->HandleMenuMsg2(message, wParam, lParam, &result))) return result;
        if (message != WM_MENUCHAR && self->menu2_ && SUCCEEDED(self->menu2_->HandleMenuMsg(message, wParam, lParam)))
            return 0;
    }
    if (message == WM_NCDESTROY) {   // the owner goes while the menu is open: its own procedure back first
        const WNDPROC previous = std::exchange(self->previous_, nullptr);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        RemovePropW(window, kShellMenuProperty);
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    return CallWindowProcW(self->previous_, window, message, wParam, lParam);
}

void ShellContextMenu(const std::vector<std::wstring>& paths, int x, int y, HWND owner) {
    ComPtr<IContextMenu> menu;
    if (!GetShellObject(paths, IID_IContextMenu, reinterpret_cast<void**>(menu.Receive()))) return;
    HMENU popup = CreatePopupMenu();
    if (!popup) return;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 30000, CMF_EXPLORE))) {
        int chosen = 0;
        {
            const ShellMenuMessages forwarded(owner, menu.Get());
            chosen = int(TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, owner, nullptr));
        }
        // The program may be closing after the menu: then nothing is run.
        const bool wanted = IsWindow(owner) && !(g_state && g_state->closing);
        if (wanted && chosen >= 1 && chosen <= 30000) {
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

bool AppState::CatalogFileCommand(int command, const SelectedFiles& selection, HWND owner) {
    const std::vector<std::wstring>& paths = selection.present;
    const bool refused = command != kCmdSendShortcut && Building();
    if (refused) return false;
    if (!selection.missing.empty()) {
        // Files another program took away: the rest is acted on, these are named.
        std::wstring text;
        for (const std::wstring& path : selection.missing) text += path + L"\n";
        text += MessageText(kMessageNoLongerThere);
        CursorShown cursor;
        MessageBoxW(owner, text.c_str(), L"Oxbrill Catalog", MB_OK | MB_ICONWARNING);
        if (closing) return false;
    }
    if (paths.empty() && command != kCmdPaste) return false;
    const auto ensureWatcher = [this] {
        if (!autorefresh) ExecuteCommand(kCmdAutoRefresh);
    };
    const auto ask = [owner](int message) {
        CursorShown cursor;
        return MessageBoxW(owner, MessageText(message), L"Oxbrill Catalog", MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
    };
    // The viewer lets go of a file it shows, and of any picture decoded ahead.
    const auto release = [&] {
        if (selection.holdsShown) picture.Release();
        if (pictures) pictures->Clear();
    };
    switch (command) {
    case kCmdRecycle: {
        if (confirmdelete && (!ask(24) || closing)) return false;
        // Where a drive has no recycle bin the shell would delete for ever:
        // those files are named, and the user decides (Cancel deletes nothing).
        std::vector<std::wstring> forEver;
        for (const std::wstring& path : paths)
            if (!HasRecycleBin(path.c_str())) forEver.push_back(path);
        if (!forEver.empty()) {
            CursorShown cursor;
            const std::wstring text = NamedFiles(forEver) + MessageText(kMessageNoRecycleBin);
            if (MessageBoxW(owner, text.c_str(), L"Oxbrill Catalog", MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK ||
                closing)
                return false;
        }
        ensureWatcher();
        release();
        bool aborted = false;
        const std::vector<std::wstring> left = RecycleOrDelete(paths, owner, false, &aborted);
        if (!left.empty() && !aborted && !closing) {
            // Held open by another program, say: named, as the archive does.
            CursorShown cursor;
            const std::wstring text = NamedFiles(left) + MessageText(15);
            MessageBoxW(owner, text.c_str(), L"Oxbrill Catalog", MB_OK | MB_ICONWARNING);
        }
        return left.empty() && !aborted;
    }
    case kCmdMoveToArchive: {
        if (!archive[0]) return false;
        if (confirmarchive && (!ask(25) || closing)) return false;
        ensureWatcher();
        release();
        // One at a time, as the viewer archives: a free name, a safe move, and
        // a log line for each file that is there.
        std::vector<std::wstring> failed;
        bool logFailed = false;
        for (const std::wstring& path : paths) {
            const FilingOutcome moved = ArchiveInto(path, archive, archivelog ? archivedLogPath : nullptr);
            logFailed = logFailed || moved.logFailed;
            if (moved.result != Filed::Done) failed.push_back(path);
        }
        if (logFailed) ReportLogFailure(archivedLogPath);
        if (!failed.empty()) {
            CursorShown cursor;
            const std::wstring text = NamedFiles(failed) + MessageText(18);
            MessageBoxW(owner, text.c_str(), L"Oxbrill Catalog", MB_OK | MB_ICONWARNING);
        }
        return failed.empty();
    }
    case kCmdSendShortcut:
        if (!favorites[0]) return false;
        for (const std::wstring& path : paths) SendShortcut(favorites, path.c_str());
        return true;
    case kCmdCopyFile: return InvokeVerb(paths, "copy") || PutFilesOnClipboard(paths, false, owner);
    case kCmdMoveRename:
        ensureWatcher();
        return InvokeVerb(paths, "cut") || PutFilesOnClipboard(paths, true, owner);
    case kCmdPaste: {
        ensureWatcher();
        const std::wstring folder = paths.empty() ? AsFolder(exhibit->ViewedFolder()) : FolderPart(paths[0]);
        return InvokeVerb({folder}, "paste") || PasteFilesFromClipboard(folder, owner);
    }
    default: return false;
    }
}
