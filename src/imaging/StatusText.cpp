// Pushing the caption, the tray tip, the status-bar fields and the full-screen
// name overlay out to the windows.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "config/Language.h"
#include "exhibit/ShellLink.h"
#include "imaging/CaptionText.h"

namespace {

const wchar_t* Message(int id, const wchar_t* fallback) {
    const wchar_t* text = MessageText(id);
    return text ? text : fallback;
}

}  // namespace

void AppState::UpdateCaption() {
    if (closing) return;
    const bool empty = ExhibitSize() == 0;
    const std::wstring path = exhibit->CurrentPath();
    const std::wstring viewed = exhibit->ViewedFolder();
    CaptionInput in;
    in.title = title;
    in.fullname = fullname;
    in.exhibitEmpty = empty;
    in.isLink = IsShortcut(path.c_str());
    in.isPasted = clipboardName && path == clipboardName;
    in.collage = collage;
    in.viewedFolder = viewed.c_str();
    in.currentPath = path.c_str();
    in.productName = g_app.productName;
    in.currentZoom = currentZoom;
    in.displayWidth = picture.width;
    in.displayHeight = picture.height;
    if (tooLargeOnly && !picture.IsLoaded()) in.note = Message(kMessageTooLarge, L"Too large to show");
    const std::wstring caption = FormatCaption(in);

    if (hwnd) SetWindowTextW(hwnd, caption.c_str());
    if (trayicon) {
        const std::wstring tip = TrayTipText(caption);
        wcsncpy(trayIcon.szTip, tip.c_str(), sizeof trayIcon.szTip / sizeof trayIcon.szTip[0] - 1);
        trayIcon.szTip[sizeof trayIcon.szTip / sizeof trayIcon.szTip[0] - 1] = L'\0';
        trayIcon.uFlags |= NIF_TIP;
        Shell_NotifyIconW(NIM_MODIFY, &trayIcon);
    }
}

void AppState::UpdateStatus() {
    if (!statusBar || closing) return;
    const uint32_t count = uint32_t(ExhibitSize());
    const CurrentEntry current = exhibit->Current();

    StatusInput in;
    in.pictureShown = picture.IsLoaded() && count > 0;
    if (in.pictureShown) {
        in.isPasted = clipboardName && current.path == clipboardName;
        if (!in.isPasted) {
            // The size of what was decoded: a shortcut's target, not the shortcut.
            const wchar_t* file = shownFile[0] ? shownFile : current.path.c_str();
            const DWORD size = GetCompressedFileSizeW(file, nullptr);
            in.sizeKnown = size != INVALID_FILE_SIZE;
            in.fileSize = size;
        }
        in.kbText = Message(6, L"KB");
        in.notAFileText = Message(7, L"Not a file");
        in.collageText = Message(8, L"Collage");
        in.naturalWidth = picture.NaturalWidth();
        in.naturalHeight = picture.NaturalHeight();
        in.bitsPerPixel = picture.BitsPerPixel();
        in.collage = collage;
        in.collagesize = collagesize;
        in.zoom = zoom;
        in.currentZoom = currentZoom;
        in.zoomHeld = zoomHeld;
        in.squeeze = squeeze;
        if (!collage && !(squeeze && !zoomHeld) && hwnd) {
            // How far the picture reaches past the client area above the status bar.
            RECT client{}, bar{};
            GetClientRect(hwnd, &client);
            GetWindowRect(statusBar, &bar);
            const LONG visibleHeight = client.bottom - (bar.bottom - bar.top);
            excessWidth = picture.width > client.right ? picture.width - client.right : 0;
            excessHeight = picture.height > visibleHeight ? picture.height - visibleHeight : 0;
        }
        in.excessWidth = excessWidth;
        in.excessHeight = excessHeight;
        in.scrollStep = scrollStep;
        in.index = uint32_t(current.index);
        in.count = count;
    }
    const auto parts = FormatStatusParts(in);
    for (size_t i = 0; i < parts.size(); ++i)
        SendMessageW(statusBar, SB_SETTEXTW, WPARAM(i), reinterpret_cast<LPARAM>(parts[i].c_str()));
}

void AppState::DrawNameOverlay(HDC dc) {
    if (!dc) return;
    const bool empty = ExhibitSize() == 0;
    const std::wstring path = exhibit->CurrentPath();
    const std::wstring text = OverlayText(empty, exhibit->ViewedFolder().c_str(), path.c_str(), IsShortcut(path.c_str()));
    const HGDIOBJ previousFont = statusFont ? SelectObject(dc, statusFont.Get()) : nullptr;
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColor = SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, 3, 3, text.c_str(), int(text.size()));
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, 4, 4, text.c_str(), int(text.size()));
    SetTextColor(dc, previousColor);
    SetBkMode(dc, previousMode);
    if (previousFont) SelectObject(dc, previousFont);
}
