// The viewer's popup menu: loaded, translated, marked and tracked on every
// opening; pinned menus open again after each choice.
#include <windows.h>

#include "app/AppState.h"
#include "commands/CommandIds.h"
#include "platform/CursorShown.h"
#include "commands/MenuState.h"
#include "config/Language.h"

namespace {

// The resource menu for the time of one opening.
class LoadedMenu {
public:
    explicit LoadedMenu(int id) : menu_(LoadProgramMenu(g_app.instance, id)) {}
    ~LoadedMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    LoadedMenu(const LoadedMenu&) = delete;
    LoadedMenu& operator=(const LoadedMenu&) = delete;
    HMENU Popup() const { return menu_ ? GetSubMenu(menu_, 0) : nullptr; }

private:
    HMENU menu_;
};


MenuPins PinsOf(const AppState& s) {
    return MenuPins{s.menuPinned, s.pinnedSubmenu, s.pinnedLevel3, s.pinnedLevel3Parent};
}

}  // namespace

void AppState::SetMenuState(HMENU menu, bool isMainMenu) {
    MarkViewerMenu(menu, isMainMenu, *this, OsVersion{OsMajorVersion(), OsMinorVersion()});
}

void AppState::SetCatalogMenuState(HMENU menu, bool pinned, int32_t pinnedCatalogSubmenu) {
    MarkCatalogMenu(menu, *this, pinned, pinnedCatalogSubmenu);
}

void AppState::PopupMenu(int32_t x, int32_t y, int32_t submenuPosition) {
    if (slideHeld) return;   // a dialog is open
    StopSlideTimer(false);
    const HWND window = hwnd;
    int chosen = 0;
    {
        CursorShown cursor;
        {
            LoadedMenu loaded(IDM_POPUP);
            HMENU mainMenu = loaded.Popup();
            if (!mainMenu) {
                ResumeSlideTimer();
                return;
            }
            ApplyMenuTexts(mainMenu);

            HMENU shown = nullptr;
            if (pinnedLevel3Parent != -1) {
                if (HMENU parent = GetSubMenu(mainMenu, pinnedLevel3Parent)) {
                    shown = GetSubMenu(parent, submenuPosition);
                }
            } else if (pinnedSubmenu != -1) {
                shown = GetSubMenu(mainMenu, submenuPosition);
            }
            // A position that names no submenu opens the main menu.
            if (!shown) shown = mainMenu;
            SetMenuState(shown, shown == mainMenu);

            SetForegroundWindow(window);
            chosen = static_cast<int>(TrackPopupMenu(shown, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y,
                                                     0, window, nullptr));
        }

        if (chosen == kCmdExit) {
            SendMessageW(window, WM_CLOSE, 0, 0);
        } else if (chosen != 0) {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
        }
        // The command, or a message that arrived while the menu was up, may
        // have closed the viewer.
        if (closing) return;

        if (chosen != kCmdExit) {
            int32_t reopen;
            if (chosen != 0) {
                reopen = ReopenAfterCommand(PinsOf(*this));
            } else {
                MenuPins pins = PinsOf(*this);
                reopen = UnpinAfterDismissal(pins);
                menuPinned = pins.menuPinned;
                pinnedSubmenu = pins.pinnedSubmenu;
                pinnedLevel3 = pins.pinnedLevel3;
                pinnedLevel3Parent = pins.pinnedLevel3Parent;
            }
            if (reopen != -1) PostMessageW(window, WM_APP_POPUPMENU, PackMenuPoint(x, y), reopen);
        }
    }
    if (!slideHeld) ResumeSlideTimer();
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void AppState::OpenMenuFromCommand() {
    POINT cursor{};
    GetCursorPos(&cursor);
    const RECT stored{position.left, position.top, position.right, position.bottom};
    if (atCursor && PtInRect(&stored, cursor)) {
        PopupMenu(cursor.x, cursor.y, 0);
        return;
    }
    POINT corner{frameWidth, frameHeight};
    ClientToScreen(hwnd, &corner);
    PopupMenu(corner.x, corner.y, 0);
}
