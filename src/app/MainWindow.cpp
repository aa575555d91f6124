// The hidden owner window and the main viewer dialog's message handling.
#include "app/MainWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "app/AppState.h"
#include "commands/CommandIds.h"
#include "commands/MenuState.h"

LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        PostMessageW(g_app.mainWindow, WM_COMMAND, wParam, lParam);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ReleaseAppState() {
    AppState* state = g_state;
    if (!state) return;
    g_state = nullptr;
    // The worker owns its share of the exhibit, so it may run on safely; it
    // is asked to stop and given a moment to do so.
    state->exhibit->Abandon();
    state->exhibit->WaitIdle(2000);
    state->ReleaseResources();
    delete state;
}

bool AppState::WaitAnswering(HANDLE event, DWORD timeoutMs) {
    if (!event) return !closing;
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD slice = 100;
        if (timeoutMs != INFINITE) {
            const DWORD spent = GetTickCount() - start;
            if (spent >= timeoutMs) return !closing;
            slice = std::min<DWORD>(slice, timeoutMs - spent);
        }
        const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, slice, QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return !closing;
        // Sent messages (a close among them) are delivered by the peeks
        // themselves. Of the posted ones only painting, a close of the viewer
        // and the take-over request are handled here; input waits in the
        // queue for the loop.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
        if (PeekMessageW(&msg, hwnd, WM_CLOSE, WM_CLOSE, PM_REMOVE)) DispatchMessageW(&msg);
        if (PeekMessageW(&msg, nullptr, WM_APP_CLOSE, WM_APP_CLOSE, PM_REMOVE)) DispatchMessageW(&msg);
        if (closing) return false;
    }
}

namespace {

void StoreWindowRect(AppState& s) {
    RECT r{};
    GetWindowRect(s.hwnd, &r);
    s.position = Rect32{r.left, r.top, r.right, r.bottom};
}

}  // namespace

void AppState::OnSize() {
    if (inSizeMove) {
        wrap = false;
        StoreWindowRect(*this);
        InvalidateRect(hwnd, nullptr, TRUE);
        UpdateWindow(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        long height = client.bottom;
        if (statusBar) height -= statusHeight;
        wchar_t text[64];
        const int n = swprintf(text, 64, L"%ld x %ld", static_cast<long>(client.right), height);
        if (HDC dc = GetDC(hwnd)) {
            TextOutW(dc, 3, 3, text, n > 0 ? n : 0);
            ReleaseDC(hwnd, dc);
        }
    }
    if (statusBar) SendMessageW(statusBar, WM_SIZE, 0, 0);
    if (collage) {   // a new size starts a new heap
        ClearCollage();
        InvalidateRect(hwnd, nullptr, FALSE);
    }
}

INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = new AppState();
        state->InitDefaults(hwnd);
        g_state = state;
        state->Initialize();
        return 1;
    }
    AppState* s = g_state;
    // Once shut down the viewer answers nothing; the state itself stays until
    // the message loop ends, for code still running below a modal loop.
    if (!s || s->closing) return 0;

    switch (message) {
    case WM_DESTROY:
        s->Shutdown();
        return 1;
    case WM_ENDSESSION:
        if (wParam) s->Shutdown();
        return 1;
    case WM_CLOSE:
        // An open Catalog ends first; when its modal loop is over it asks
        // the viewer to close again, and nothing runs below a window that is gone.
        if (g_app.catalogWindow) {
            s->EndCatalog();
            return 1;
        }
        DestroyWindow(hwnd);
        return 1;
    case WM_MOVE:
        if (s->inSizeMove) StoreWindowRect(*s);
        return 1;
    case WM_SIZE:
        s->OnSize();
        return 1;
    case WM_PAINT:
        s->OnPaint();
        return 1;
    case WM_ERASEBKGND:
        return s->OnEraseBackground() ? 1 : 0;
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(s->BackgroundBrush());
    case WM_DISPLAYCHANGE:
        s->LocateMonitor();
        return 1;
    case WM_COMMAND:
        s->ExecuteCommand(LOWORD(wParam));
        return 1;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_SCREENSAVE:
            SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 1);
            return 1;
        case SC_MINIMIZE:
            s->StopSlideTimer(false);
            return 0;
        case SC_RESTORE:
            s->ResumeSlideTimer();
            return 0;
        default:
            return 0;
        }
    case WM_TIMER:
        s->OnSlideTick(wParam);
        return 1;
    case WM_MOUSEMOVE:
        s->OnMouseMove();
        return 1;
    case WM_LBUTTONDOWN:
        s->OnLeftButtonDown();
        return 1;
    case WM_LBUTTONUP:
        s->OnLeftButtonUp();
        return 1;
    case WM_LBUTTONDBLCLK:
        s->ExecuteCommand(kCmdCatalog);
        return 1;
    case WM_MBUTTONDOWN:
        s->ExecuteCommand(kCmdZoom100);
        return 1;
    case WM_MOUSEWHEEL:
        s->OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 1;
    case WM_ENTERSIZEMOVE:
        s->StopSlideTimer(false);
        s->inSizeMove = true;
        return 1;
    case WM_EXITSIZEMOVE:
        s->ResumeSlideTimer();
        s->inSizeMove = false;
        return 1;
    case WM_APP_STATUS:
        // A build ended. Only a shown picture in a visible window with a status bar has texts to refresh.
        if (IsWindowVisible(hwnd) && s->statusBar && s->ExhibitSize() > 0 && s->picture.IsLoaded()) {
            s->UpdateStatus();
            if (s->title) s->UpdateCaption();
        }
        return 1;
    case WM_DROPFILES:
        s->DropFiles(reinterpret_cast<HDROP>(wParam));
        return 1;
    case WM_APP_REFRESHED:
        s->AutoFind();
        return 1;
    case WM_APP_SHOW:
        s->ContinueShow(wParam, lParam);
        return 1;
    case WM_APP_FRAME:
        s->OnAnimationFrame(wParam);
        return 1;
    case WM_WINDOWPOSCHANGED:
        // Shown, hidden or minimised: an animation plays only while it can be seen.
        s->FollowVisibility();
        return 0;   // the default handling sends WM_SIZE and WM_MOVE
    case WM_APP_WALLPAPER:
        s->OnWallpaperWritten(wParam != 0);
        return 1;
    case WM_DPICHANGED:
        s->OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 1;
    case WM_HOTKEY:
        if (wParam == static_cast<WPARAM>(kHotkeyId)) s->ToggleViewerVisible();
        return 1;
    case WM_APP_TRAYICON:
        s->OnTrayMessage(static_cast<UINT>(lParam));
        return 1;
    case WM_APP_CLOSE:
        DestroyWindow(hwnd);
        return 1;
    case WM_CONTEXTMENU:
        s->PopupMenu(static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)), 0);
        return 1;
    case WM_APP_POPUPMENU: {
        const POINT at = UnpackMenuPoint(wParam);
        s->PopupMenu(at.x, at.y, static_cast<int32_t>(lParam));
        return 1;
    }
    default:
        return 0;
    }
}
