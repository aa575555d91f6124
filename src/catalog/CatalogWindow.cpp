// The Catalog: a thumbnail list of the exhibit in a modal dialog. The list
// holds nothing of its own (owner data): each item is read from the exhibit
// when the list asks, and its thumbnail comes from the thumbnail cache, made
// on worker threads; an item whose thumbnail is not ready yet shows an empty
// frame and is drawn again when it is.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "catalog/CatalogDrag.h"
#include "catalog/CatalogGrid.h"
#include "catalog/CatalogKeys.h"
#include "catalog/CatalogShell.h"
#include "catalog/Selection.h"
#include "catalog/ThumbnailCache.h"
#include "commands/MenuState.h"
#include "commands/CommandIds.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"
#include "platform/CursorShown.h"

namespace {

constexpr UINT WM_APP_THUMBNAILS = WM_APP + 40;   // thumbnails are ready
constexpr UINT WM_APP_ALTKEY = WM_APP + 41;       // an Alt chord of the key table; lParam: 1 Shift, 2 Ctrl
constexpr int kListId = 600;

class CatalogWindow {
public:
    CatalogWindow(AppState& app, HWND dialog) : app_(app), dialog_(dialog) {}
    void Create();
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog is gone (the viewer closed while a shell operation or a
    // dialog ran inside a command): the command must not touch it any more.
    bool gone = false;
    void EndWith(int result);   // 1: back to the viewer, 0: the program ends

private:
    void Layout();
    void Reload(bool reselect);
    void RefreshStatus();
    void SetTitle();
    int32_t Focused() const { return int32_t(ListView_GetNextItem(list_, -1, LVNI_FOCUSED)); }
    int32_t ItemsPerRow() const;
    std::vector<int32_t> Selected() const;
    void Select(int32_t index);
    LRESULT OnNotify(NMHDR* header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw);
    void DrawThumbnail(HDC dc, int32_t index);
    void KeyDown(WORD key, bool shift, bool control, bool alt);
    void OnKey(WORD key, bool shift, bool control, bool alt);
    void Run(int command);
    void ShowMenu(int x, int y, int32_t submenu = -1);
    bool menuPinned_ = false;
    bool menuOpen_ = false;        // the Catalog menu's own modal loop runs
    int32_t pinnedSubmenu_ = -1;   // position of the pinned submenu (18 Sort, 19 Find, 20 File Ops)
    bool busy_ = false;            // a view is being built: the list waits for a key
    bool ending_ = false;          // the dialog ends when its loop next looks

    AppState& app_;
    HWND dialog_;
    HWND list_ = nullptr;
    HWND status_ = nullptr;
    int statusHeight_ = 0;
    int iconMargin_ = 0;
    HIMAGELIST images_ = nullptr;
    HHOOK keyboardHook_ = nullptr;
    HHOOK mouseHook_ = nullptr;
    int32_t shiftAnchor_ = -1;
    bool altTaken_ = false;   // an Alt chord was taken by the keyboard hook
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM key, LPARAM flags);
    static LRESULT CALLBACK MouseHook(int code, WPARAM message, LPARAM info);
    void KeepShiftRange();
    std::unique_ptr<FolderDropTarget> dropTarget_;
    std::wstring FolderAt(POINT screen);
    std::vector<std::wstring> SelectedPaths() const;
    std::wstring focusPath_;
    std::wstring homeFocusPath_;
    CursorShown cursor_;
};

// Shared, so a command running a nested modal loop keeps the object alive
// when the dialog is destroyed meanwhile.
std::shared_ptr<CatalogWindow> g_catalog;

std::wstring NameOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void CatalogWindow::Create() {
    dropTarget_ = std::make_unique<FolderDropTarget>([this](POINT at) { return FolderAt(at); });
    RegisterDragDrop(dialog_, dropTarget_.get());
    // Tab steps folders and a Shift selection stays one range: the list sees
    // neither, so hooks of this thread post them to the dialog.
    keyboardHook_ = SetWindowsHookExW(WH_KEYBOARD, KeyboardHook, nullptr, GetCurrentThreadId());
    mouseHook_ = SetWindowsHookExW(WH_MOUSE, MouseHook, nullptr, GetCurrentThreadId());
    iconMargin_ = (GetSystemMetrics(SM_CXICONSPACING) - GetSystemMetrics(SM_CXICON)) / 2;
    const Rect32& saved = app_.catalogPosition;
    if (saved.right - saved.left > app_.thumbsize && saved.bottom - saved.top > app_.thumbsize)
        MoveWindow(dialog_, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, FALSE);

    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"Catalog", WS_CHILD | WS_VISIBLE | LVS_OWNERDATA | LVS_ICON | LVS_SHOWSELALWAYS,
                            0, 0, 0, 0, dialog_, HMENU(INT_PTR(kListId)), g_app.instance, nullptr);
    // The image list only reserves the thumbnail's square: one blank image.
    const int side = std::max<int32_t>(app_.thumbsize, 1);
    images_ = ImageList_Create(side, side, ILC_COLOR24, 1, 0);
    HDC screen = GetDC(nullptr);
    HBITMAP blank = CreateCompatibleBitmap(screen, side, side);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, blank);
    RECT all{0, 0, side, side};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(images_, blank, nullptr);
    DeleteObject(blank);
    ListView_SetImageList(list_, images_, LVSIL_NORMAL);   // the list owns it from here and destroys it
    ListView_SetItemCountEx(list_, int(app_.ExhibitSize()), LVSICF_NOSCROLL);

    status_ = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, L"\tF1", dialog_, IDC_STATUSBAR);
    RECT bar{};
    GetWindowRect(status_, &bar);
    statusHeight_ = bar.bottom - bar.top;

    Select(app_.exhibit->CurrentIndex());
    SetTitle();
    Layout();
    if (app_.thumbnails) app_.thumbnails->Notify(dialog_, WM_APP_THUMBNAILS);
    SetFocus(list_);
}

void CatalogWindow::Layout() {
    RECT client{};
    GetClientRect(dialog_, &client);
    MoveWindow(list_, 0, 0, client.right, client.bottom - statusHeight_, TRUE);
    SendMessageW(status_, WM_SIZE, 0, 0);
    const int edges[3] = {app_.Scaled(20), app_.Scaled(120), -1};
    SendMessageW(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    const int focused = Focused();
    if (focused >= 0) ListView_EnsureVisible(list_, focused, FALSE);
    RefreshStatus();
}

void CatalogWindow::SetTitle() {
    const std::wstring title = app_.exhibit->ViewedFolder() + L" - Oxbrill Catalog";
    SetWindowTextW(dialog_, title.c_str());
}

// The thumbnails in the first row, as the list laid them out.
int32_t CatalogWindow::ItemsPerRow() const {
    const int32_t count = int32_t(app_.ExhibitSize());
    POINT first{}, next{};
    ListView_GetItemPosition(list_, 0, &first);
    int32_t n = 1;
    while (n < count && n < 4096 && ListView_GetItemPosition(list_, n, &next) && next.y == first.y) ++n;
    return n;
}

std::vector<int32_t> CatalogWindow::Selected() const {
    std::vector<int32_t> items;
    for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
        items.push_back(i);
    return items;
}

std::vector<std::wstring> CatalogWindow::SelectedPaths() const {
    return FilesOfSelection(*app_.exhibit, Selected(), app_.exhibit->CurrentPath()).present;
}

// The folder a drop at this screen point goes to: the folder of the picture
// under it, else the folder shown. Shown in the status bar while dragging.
std::wstring CatalogWindow::FolderAt(POINT screen) {
    if (!app_.autorefresh) app_.ExecuteCommand(kCmdAutoRefresh);   // the list follows what the shell does
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ScreenToClient(list_, &hit.pt);
    const int item = ListView_HitTest(list_, &hit);
    std::wstring folder = AsFolder(app_.exhibit->ViewedFolder());
    if (item >= 0 && (hit.flags & LVHT_ONITEM)) {
        if (const std::optional<ImageEntry> e = app_.exhibit->EntryAt(size_t(item))) folder = FolderPart(e->path);
    }
    SendMessageW(status_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(folder.c_str()));
    return folder;
}

void CatalogWindow::Select(int32_t index) {
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (index < 0 || size_t(index) >= app_.ExhibitSize()) return;
    ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, index, FALSE);
}

// The list anew from the exhibit. With `reselect` the focus goes back to the
// picture remembered on leaving the home exhibit (once home again), else to
// the focused picture wherever it is now, else, when that one is gone, to the
// item in its place; failing all, and without `reselect`, to the viewer's.
void CatalogWindow::Reload(bool reselect) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    const int32_t focusedPlace = Focused();
    const int32_t count = int32_t(app_.ExhibitSize());
    ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
    int32_t sel = -1;
    if (reselect) {
        if (!homeFocusPath_.empty() && app_.exhibit->ViewedFolder() == app_.exhibitFolder) {
            sel = app_.exhibit->IndexOfPath(homeFocusPath_);
            // Back home for good once the build is done: later reloads keep
            // the focus the user has moved on to.
            if (sel >= 0 && !app_.Building()) homeFocusPath_.clear();
        }
        if (sel < 0 && !focusPath_.empty()) sel = app_.exhibit->IndexOfPath(focusPath_);
        if (sel < 0 && focusedPlace < count) sel = focusedPlace;
    }
    if (sel < 0) sel = app_.exhibit->CurrentIndex();
    Select(sel);
    InvalidateRect(list_, nullptr, TRUE);
    RefreshStatus();
    SetTitle();
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void CatalogWindow::RefreshStatus() {
    const int32_t focused = Focused();
    const size_t count = app_.ExhibitSize();
    const std::optional<ImageEntry> entry = focused >= 0 ? app_.exhibit->EntryAt(size_t(focused)) : std::nullopt;
    focusPath_ = entry ? entry->path : std::wstring();
    const UINT selected = ListView_GetSelectedCount(list_);
    std::wstring second = focusPath_;
    if (selected > 1) second += L" (" + std::to_wstring(selected) + L" items selected)";
    std::wstring first;
    if (count > 0 && app_.Building()) first = L"\t" + std::to_wstring(count) + L" ...";   // found so far
    else if (count > 0) first = L"\t" + std::to_wstring(focused + 1) + L"/" + std::to_wstring(count);
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(first.c_str()));
    SendMessageW(status_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(second.c_str()));
}

void CatalogWindow::DrawThumbnail(HDC dc, int32_t index) {
    if (!app_.thumbnails) return;
    const std::optional<ImageEntry> entry = app_.exhibit->EntryAt(size_t(index));
    if (!entry) return;
    // A shortcut is read on the worker that makes its thumbnail, not at each paint.
    ThumbnailKey key;
    key.path = entry->path;
    key.size = entry->scannedSize;
    key.written = (uint64_t(entry->modified.dwHighDateTime) << 32) | entry->modified.dwLowDateTime;
    key.box = app_.thumbsize;
    key.exiforient = app_.exiforient;
    key.background = GetSysColor(COLOR_WINDOW);   // the list's, and the blank image's
    key.colour = app_.colour.Current();
    const std::shared_ptr<const Thumbnail> thumbnail = app_.thumbnails->Get(key, true);
    if (!thumbnail || thumbnail->w <= 0) return;
    RECT icon{};
    icon.left = LVIR_ICON;
    if (!SendMessageW(list_, LVM_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&icon))) return;
    // The box sits centred in the icon area, as the blank image does.
    const int boxLeft = icon.left + (icon.right - icon.left - app_.thumbsize) / 2;
    const int boxTop = icon.top + iconMargin_ / 4;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), thumbnail->w, -thumbnail->h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    SetDIBitsToDevice(dc, boxLeft + thumbnail->x, boxTop + thumbnail->y, DWORD(thumbnail->w), DWORD(thumbnail->h), 0,
                      0, 0, UINT(thumbnail->h), thumbnail->pixels.data(), &info, DIB_RGB_COLORS);
}

LRESULT CatalogWindow::OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT:
        DrawThumbnail(draw->nmcd.hdc, int32_t(draw->nmcd.dwItemSpec));
        return CDRF_DODEFAULT;
    default: return CDRF_DODEFAULT;
    }
}

LRESULT CatalogWindow::OnNotify(NMHDR* header) {
    if (header->hwndFrom != list_) return 0;
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if (busy_ && app_.Building()) {   // the new view grows: shown when a key is pressed or it is done
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SendMessageW(status_, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(MessageText(23)));
            return 0;
        }
        const std::optional<ImageEntry> entry = app_.exhibit->EntryAt(size_t(std::max(info->item.iItem, 0)));
        if (!entry) return 0;   // the list and the exhibit out of step: nothing
        if (info->item.mask & LVIF_TEXT) {
            std::wstring text = NameOf(entry->path);
            if (IsShortcut(entry->path.c_str())) text = L"*" + text;
            lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
        }
        if (info->item.mask & LVIF_IMAGE) info->item.iImage = 0;
        return 0;
    }
    case NM_CUSTOMDRAW: return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_KEYDOWN:
        KeyDown(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                GetKeyState(VK_MENU) < 0);
        return 0;
    case NM_RCLICK: {
        LVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        const POINT screen = hit.pt;
        ScreenToClient(list_, &hit.pt);
        RefreshStatus();
        const int item = ListView_HitTest(list_, &hit);
        if (item >= 0 && (hit.flags & LVHT_ONITEM) && !(busy_ && app_.Building())) {
            if (!app_.autorefresh) app_.ExecuteCommand(kCmdAutoRefresh);
            ShellContextMenu(SelectedPaths(), screen.x, screen.y, dialog_);
        }
        return 0;
    }
    case LVN_ITEMCHANGED:
    case NM_CLICK: RefreshStatus(); return 0;
    case NM_DBLCLK: {
        LVHITTESTINFO hit{};
        GetCursorPos(&hit.pt);
        ScreenToClient(list_, &hit.pt);
        const int item = ListView_HitTest(list_, &hit);
        if (item >= 0 && (hit.flags & LVHT_ONITEM)) {
            app_.exhibit->MoveTo(item);
            EndWith(1);
        }
        return 0;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
        if (!app_.Building()) {
            const std::vector<std::wstring> paths = SelectedPaths();
            if (!paths.empty()) {
                const std::wstring shown = app_.exhibit->CurrentPath();
                for (const std::wstring& path : paths)
                    if (path == shown) app_.picture.Release();   // the viewer lets go of a file dragged away
                DragFilesOut(paths);
            }
        }
        return 0;
    case LVN_ODFINDITEMW: {
        auto* find = reinterpret_cast<NMLVFINDITEMW*>(header);
        if (find->lvfi.flags & LVFI_NEARESTXY) {
            // An arrow key, as Wine's list asks: the neighbour in the grid of thumbnails.
            return GridNeighbour(find->iStart, uint16_t(find->lvfi.vkDirection), ItemsPerRow(), int32_t(app_.ExhibitSize()));
        }
        // Typing a letter: the next picture whose name starts with it, round from the top.
        const std::vector<int32_t> selected = Selected();
        if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz || selected.empty()) return -1;
        const wchar_t wanted = wchar_t(towlower(find->lvfi.psz[0]));
        const int32_t from = selected.front(), n = int32_t(app_.ExhibitSize());
        if (GetKeyState(VK_SHIFT) < 0 || n == 0) return from;
        const int32_t found = app_.exhibit->Pick([&](const std::vector<ImageEntry>& entries) {
            for (int32_t k = 1; k < n; ++k) {
                const int32_t i = (from + k) % n;
                const std::wstring name = NameOf(entries[size_t(i)].path);
                if (!name.empty() && towlower(name[0]) == wanted) return i;
            }
            return from;
        });
        return found;
    }
    default: return 0;
    }
}

void CatalogWindow::KeyDown(WORD key, bool shift, bool control, bool alt) {
    OnKey(key, shift, control, alt);
    if (gone) return;
    if (app_.Building()) {   // any key during a build: what it has found so far
        busy_ = false;
        ListView_SetItemCountEx(list_, int(app_.ExhibitSize()), LVSICF_NOSCROLL);
        InvalidateRect(list_, nullptr, TRUE);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    PostMessageW(dialog_, WM_APP_STATUS, 0, 0);
}

void CatalogWindow::OnKey(WORD key, bool shift, bool control, bool alt) {
    const int command = CatalogKeyCommand(key, shift, control, alt);
    if (command == kCatalogSelectAll) {
        ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    } else if (command == kCatalogMenu) {
        POINT origin{0, 0};
        ClientToScreen(dialog_, &origin);
        ShowMenu(origin.x, origin.y);
    } else if (command == kCatalogContextMenu) {
        const std::vector<std::wstring> paths = SelectedPaths();
        RECT r{};
        GetWindowRect(list_, &r);
        if (!app_.autorefresh) app_.ExecuteCommand(kCmdAutoRefresh);
        ShellContextMenu(paths, r.left + 20, r.top + 20, dialog_);   // nothing after it
    } else if (command == kCatalogWallpaper) {
        const int32_t focused = Focused();
        const std::optional<ImageEntry> entry = focused >= 0 ? app_.exhibit->EntryAt(size_t(focused)) : std::nullopt;
        if (entry && app_.blackboxPresent) app_.SendBlackboxRoot(1, entry->path);   // centred
    } else if (command == kCatalogMaximize) {
        ShowWindow(dialog_, IsZoomed(dialog_) ? SW_RESTORE : SW_MAXIMIZE);
    } else if (command) {
        Run(command);
    }
}

void CatalogWindow::ShowMenu(int x, int y, int32_t submenu) {
    HMENU loaded = LoadMenuW(g_app.instance, MAKEINTRESOURCEW(IDM_CATALOG));
    HMENU menu = loaded ? GetSubMenu(loaded, 0) : nullptr;
    if (!menu) return;
    ApplyCatalogMenuTexts(menu);
    app_.SetCatalogMenuState(menu, menuPinned_, pinnedSubmenu_);
    HMENU shown = submenu >= 0 && GetSubMenu(menu, submenu) ? GetSubMenu(menu, submenu) : menu;
    menuOpen_ = true;
    const int chosen = int(TrackPopupMenuEx(shown, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y, dialog_, nullptr));
    menuOpen_ = false;
    DestroyMenu(loaded);
    if (gone || ending_ || app_.closing) return;   // a close ended the menu
    // The pins as in the viewer's menu: a dismissed menu drops one pin level.
    if (chosen == kCmdPinMain) {
        menuPinned_ = !menuPinned_;
    } else if (chosen > kCmdPinMain && chosen <= kCmdPinMain + 30) {
        const int32_t position = chosen - kCmdPinMain;
        pinnedSubmenu_ = pinnedSubmenu_ == position ? -1 : position;
    } else if (chosen == 0) {
        if (pinnedSubmenu_ >= 0) pinnedSubmenu_ = -1;
        else menuPinned_ = false;
        if (!menuPinned_) return;
    } else {
        Run(chosen);
        if (gone || chosen == kCmdCatalogView || chosen == kCmdCatalogClose || chosen == kCmdExit) return;
    }
    if (menuPinned_ || pinnedSubmenu_ >= 0) PostMessageW(dialog_, WM_APP_POPUPMENU, PackMenuPoint(x, y), pinnedSubmenu_);
}

void CatalogWindow::EndWith(int result) {
    ending_ = true;
    EndDialog(dialog_, result);
}

LRESULT CALLBACK CatalogWindow::KeyboardHook(int code, WPARAM key, LPARAM flags) {
    const std::shared_ptr<CatalogWindow> self = g_catalog;
    if (code < 0 || !self) return CallNextHookEx(nullptr, code, key, flags);
    const bool down = !(flags & (1u << 31)), repeat = (flags & (1u << 30)) != 0;
    if (down && key == VK_TAB) PostMessageW(self->dialog_, WM_COMMAND, kCatalogTab, 0);
    if (down && !repeat && key == VK_SHIFT) PostMessageW(self->dialog_, WM_COMMAND, kCatalogShiftDown, 0);
    const bool moves = key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN || key == VK_HOME || key == VK_END;
    if (down && moves && GetKeyState(VK_SHIFT) < 0) PostMessageW(self->dialog_, WM_COMMAND, kCatalogShiftRange, 0);
    // Alt chords come to the list as system keys, which it may not report (nor
    // would it keep Alt+F4 from closing the dialog): the key table's Alt rows
    // are taken here, and the key goes no further.
    const bool alt = (flags & (1u << 29)) != 0 || GetKeyState(VK_MENU) < 0;
    if (down && alt && !self->menuOpen_ && GetFocus() == self->list_) {
        const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
        if (CatalogKeyCommand(uint16_t(key), shift, control, true)) {
            PostMessageW(self->dialog_, WM_APP_ALTKEY, key, (shift ? 1 : 0) | (control ? 2 : 0));
            self->altTaken_ = true;
            return 1;
        }
    }
    // Alt let go after a chord taken here would look like Alt pressed alone,
    // which opens the window menu.
    if (!down && key == VK_MENU && self->altTaken_) {
        self->altTaken_ = false;
        return 1;
    }
    return 0;
}

LRESULT CALLBACK CatalogWindow::MouseHook(int code, WPARAM message, LPARAM info) {
    const std::shared_ptr<CatalogWindow> self = g_catalog;
    if (code < 0 || !self) return CallNextHookEx(nullptr, code, message, info);
    if (message == WM_LBUTTONDOWN && GetKeyState(VK_SHIFT) < 0)
        PostMessageW(self->dialog_, WM_COMMAND, kCatalogShiftRange, 0);
    return 0;
}

void CatalogWindow::KeepShiftRange() {
    const int32_t focused = Focused();
    if (ListView_GetSelectedCount(list_) < 2 || focused < 0 || shiftAnchor_ < 0) return;
    const int32_t low = std::min(shiftAnchor_, focused), high = std::max(shiftAnchor_, focused);
    for (const int32_t i : Selected())
        if (i < low || i > high) ListView_SetItemState(list_, i, 0, LVIS_SELECTED);
    // The list may have taken the rectangle of icons between the two (Wine
    // does): the range is every item between them, row ends included.
    for (int32_t i = low; i <= high; ++i)
        if (!ListView_GetItemState(list_, i, LVIS_SELECTED)) ListView_SetItemState(list_, i, LVIS_SELECTED, LVIS_SELECTED);
}

void CatalogWindow::Run(int command) {
    const int32_t n = int32_t(app_.ExhibitSize());
    const int32_t focused = Focused();
    const std::vector<int32_t> selected = Selected();
    switch (command) {
    case kCmdCatalogView: {
        const int32_t chosen = !selected.empty() ? selected.front() : focused;
        app_.exhibit->MoveTo(chosen >= 0 && chosen < n ? chosen : 0);
        EndWith(1);
        return;
    }
    case kCmdCatalogClose:
        if (app_.exhibit->CurrentIndex() >= n) app_.exhibit->MoveTo(0);
        EndWith(1);
        return;
    case kCmdExit: EndWith(0); return;
    case kCatalogTab: Run(GetKeyState(VK_SHIFT) < 0 ? kCmdPrevFolder : kCmdNextFolder); return;
    case kCatalogShiftDown: shiftAnchor_ = focused; return;
    case kCatalogShiftRange: KeepShiftRange(); return;
    case kCmdCurrent:   // to the viewer: the focused picture shows there, the Catalog stays
        if (focused >= 0) {
            app_.exhibit->MoveTo(focused);
            app_.ShowPicture(true);   // may wait for a decode: nothing after it
        }
        return;
    case kCmdNextFolder:
    case kCmdPrevFolder:
        if (selected.empty()) return;
        app_.exhibit->MoveTo(selected.front());
        app_.exhibit->StepFolder(command == kCmdNextFolder);
        focusPath_ = app_.exhibit->CurrentPath();
        if (app_.exhibit->ViewedFolder() == app_.exhibitFolder) homeFocusPath_ = focusPath_;
        Reload(true);
        return;
    case kCmdFindFilter:
    case kCmdFindNext:
        if (focused >= 0) app_.exhibit->MoveTo(focused);
        app_.ExecuteCommand(command);
        if (gone || app_.closing) return;
        Reload(false);
        SetActiveWindow(dialog_);
        return;
    case kCmdViewImageFolder:
    case kCmdViewLinkTarget:
        if (selected.empty()) return;
        app_.exhibit->MoveTo(selected.front());
        focusPath_ = app_.exhibit->CurrentPath();
        app_.ExecuteCommand(command);
        if (!gone && !app_.closing) Reload(true);
        return;
    case kCmdViewExhibit: case kCmdViewDesktop: case kCmdViewFavorites: case kCmdViewArchive:
    case kCmdExhibitFolder: case kCmdRefresh: case kCmdSubfolders: {
        if (app_.Building()) return;
        if (app_.exhibit->ViewedFolder() == app_.exhibitFolder) homeFocusPath_ = focusPath_;
        busy_ = true;
        ListView_SetItemCountEx(list_, 0, 0);
        const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        app_.ExecuteCommand(command);
        SetCursor(previous);
        if (gone || app_.closing) return;
        SetActiveWindow(dialog_);
        Reload(true);
        return;
    }
    case kCmdRecycle: case kCmdMoveToArchive: case kCmdSendShortcut: case kCmdCopyFile: case kCmdMoveRename:
    case kCmdPaste: {
        const bool done =
            app_.CatalogFileCommand(command, FilesOfSelection(*app_.exhibit, selected, app_.exhibit->CurrentPath()), dialog_);
        if (gone || app_.closing) return;
        // Recycled or archived: the focus goes back to the item focused before;
        // when its file went too, the rebuilt list focuses the one in its place.
        if (done && focused >= 0 && (command == kCmdRecycle || command == kCmdMoveToArchive)) {
            Select(focused);
            SetFocus(list_);
        }
        RefreshStatus();
        return;
    }
    default:
        if ((command >= kCmdSortForward && command <= kCmdSortCaseSensitive) || command == kCmdAutoRefresh) {
            if (focused >= 0) focusPath_ = app_.exhibit->EntryAt(size_t(focused)).value_or(ImageEntry{}).path;
            app_.ExecuteCommand(command);
            if (!gone && !app_.closing) Reload(true);
        }
        return;
    }
}

INT_PTR CatalogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: Layout(); return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, OnNotify(reinterpret_cast<NMHDR*>(lParam)));
        return TRUE;
    case WM_COMMAND: Run(LOWORD(wParam)); return TRUE;
    case WM_CLOSE: EndWith(1); return TRUE;
    case WM_APP_STATUS: RefreshStatus(); return TRUE;
    case WM_APP_ALTKEY: KeyDown(WORD(wParam), (lParam & 1) != 0, (lParam & 2) != 0, true); return TRUE;
    case WM_APP_THUMBNAILS:
        if (app_.thumbnails) app_.thumbnails->Taken();
        InvalidateRect(list_, nullptr, FALSE);
        return TRUE;
    // After a watcher's rebuild the focused picture stays focused, unless the
    // user asked for the newest picture: then it is the one auto-find chose.
    case WM_APP_REFRESHED: Reload(app_.autofindtype == kAutoFindNone); return TRUE;
    case WM_APP_CATALOG_BUILT:
        busy_ = false;
        Reload(true);
        return TRUE;
    case WM_APP_POPUPMENU: {
        const POINT at = UnpackMenuPoint(wParam);
        ShowMenu(at.x, at.y, int32_t(lParam));
        return TRUE;
    }
    case WM_DESTROY: {
        if (menuOpen_) EndMenu();   // the viewer went away under the menu
        RECT r{};
        GetWindowRect(dialog_, &r);
        app_.catalogPosition = Rect32{r.left, r.top, r.right, r.bottom};
        if (app_.thumbnails) {
            app_.thumbnails->Notify(nullptr, 0);
            app_.thumbnails->DropRequests();
        }
        RevokeDragDrop(dialog_);
        if (keyboardHook_) UnhookWindowsHookEx(keyboardHook_);
        if (mouseHook_) UnhookWindowsHookEx(mouseHook_);
        return TRUE;
    }
    default: return FALSE;
    }
}

INT_PTR CALLBACK CatalogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* app = reinterpret_cast<AppState*>(lParam);
        g_catalog = std::make_shared<CatalogWindow>(*app, dialog);
        g_app.catalogWindow = dialog;
        g_catalog->Create();
        return FALSE;   // the list has the focus
    }
    const std::shared_ptr<CatalogWindow> keep = g_catalog;
    if (!keep || keep->gone) return FALSE;
    if (message == WM_NCDESTROY) {
        keep->gone = true;
        g_catalog.reset();
        g_app.catalogWindow = nullptr;
        return FALSE;
    }
    return keep->Handle(message, wParam, lParam);
}

}  // namespace

bool AppState::CatalogAvailable() const { return true; }

void AppState::EndCatalog() {
    const std::shared_ptr<CatalogWindow> catalog = g_catalog;
    if (!catalog || catalog->gone) return;
    // The Catalog menu runs a modal loop of its own, which would hold the
    // ended dialog (hidden) until the user dismissed the menu.
    EndMenu();
    catalog->EndWith(0);
}

void AppState::OpenCatalog() {
    if (g_app.catalogWindow.load() || closing) return;
    if (!thumbnails) {
        const uint64_t budget = std::min<uint64_t>(PictureMemoryBudget() / 4, 256ull << 20);
        thumbnails = std::make_unique<ThumbnailCache>(MakeThumbnail, budget, 2);
    }
    // The Catalog always runs with the change watcher.
    const bool refreshWas = autorefresh;
    refreshBeforeCatalog = refreshWas;
    if (!autorefresh) ExecuteCommand(kCmdAutoRefresh);
    if (hideViewer && IsWindowVisible(hwnd)) {
        StopSlideTimer(false);
        ShowWindow(hwnd, SW_HIDE);
        InvalidateRect(nullptr, nullptr, TRUE);
    }
    // The shell's clipboard verbs and drag and drop need OLE on this thread
    // for as long as the Catalog runs.
    const bool oleStarted = SUCCEEDED(OleInitialize(nullptr));
    const INT_PTR result =
        DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_CATALOG), hwnd, CatalogProc, reinterpret_cast<LPARAM>(this));
    if (oleStarted) OleUninitialize();
    refreshBeforeCatalog.reset();
    if (closing) return;
    if (autorefresh != refreshWas) ExecuteCommand(kCmdAutoRefresh);
    if (result == 0) {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return;
    }
    if (!IsWindowVisible(hwnd) && layer != kLayerWallpaper) ShowWindow(hwnd, SW_SHOW);
    ShowPicture(true);
}
