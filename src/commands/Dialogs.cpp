#include "commands/Dialogs.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <cwctype>

#include "app/AppInfo.h"
#include "config/Language.h"
#include "../resources/resource.h"

namespace {

constexpr int kPathChars = 260;
const wchar_t kWebPage[] = L"https://oxbrill.example.org/";

// Escape, Cancel and the close box end every one of these dialogs unchanged.
bool EndedByCancel(HWND dialog, UINT message, WPARAM wParam) {
    if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, 0);
        return true;
    }
    return false;
}

void SetTextIfAny(HWND dialog, int control, const wchar_t* text) {
    if (text) SetDlgItemTextW(dialog, control, text);
}

INT_PTR CALLBACK NumericProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EndedByCancel(dialog, message, wParam)) return TRUE;
    auto* request = reinterpret_cast<NumericRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        request = reinterpret_cast<NumericRequest*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (const wchar_t* title = DialogText(request->titleIndex)) SetWindowTextW(dialog, title);
        SetTextIfAny(dialog, IDC_PROMPT, DialogText(request->titleIndex + 1));
        SetTextIfAny(dialog, IDOK, DialogText(0));
        wchar_t number[16];
        swprintf(number, 16, L"%u", request->value);
        SetDlgItemTextW(dialog, IDC_VALUE, number);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            wchar_t text[32] = {};
            GetDlgItemTextW(dialog, IDC_VALUE, text, 32);
            request->value = ParseUnsignedField(text);
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK FindProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* find = reinterpret_cast<FindRecord*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message == WM_INITDIALOG) {
        find = reinterpret_cast<FindRecord*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (const wchar_t* title = DialogText(20)) SetWindowTextW(dialog, title);
        static const int kControls[] = {IDC_FIND_FILENAME_ONLY, IDC_FIND_MATCH_CASE, IDC_FIND_FIND, IDC_FIND_FILTER,
                                        IDC_FIND_EXCLUDE};
        for (int i = 0; i < 5; ++i) SetTextIfAny(dialog, kControls[i], DialogText(21 + i));
        SetDlgItemTextW(dialog, IDC_VALUE, find->text);
        CheckDlgButton(dialog, IDC_FIND_FILENAME_ONLY, find->fileNameOnly ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_FIND_MATCH_CASE, find->matchCase ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (EndedByCancel(dialog, message, wParam)) {
        find->action = kFindActionCancel;
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id != IDC_FIND_FIND && id != IDC_FIND_FILTER && id != IDC_FIND_EXCLUDE) return FALSE;
    GetDlgItemTextW(dialog, IDC_VALUE, find->text, FindRecord::kTextSize);
    find->fileNameOnly = IsDlgButtonChecked(dialog, IDC_FIND_FILENAME_ONLY) == BST_CHECKED;
    find->matchCase = IsDlgButtonChecked(dialog, IDC_FIND_MATCH_CASE) == BST_CHECKED;
    find->action = id == IDC_FIND_FIND ? kFindActionFind : id == IDC_FIND_FILTER ? kFindActionFilter : kFindActionExclude;
    EndDialog(dialog, 1);
    return TRUE;
}

void BrowseForProgram(HWND dialog, PathRequest& request) {
    wchar_t file[kPathChars];
    wcsncpy(file, request.path, kPathChars - 1);
    file[kPathChars - 1] = L'\0';
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = L"EXE Files (*.exe)\0*.exe\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = kPathChars;
    ofn.lpstrDefExt = L"exe";
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&ofn)) {
        wcsncpy(request.path, file, kPathChars - 1);
        request.path[kPathChars - 1] = L'\0';
        SetDlgItemTextW(dialog, IDC_VALUE, request.path);
    }
}

INT_PTR CALLBACK PathProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (EndedByCancel(dialog, message, wParam)) return TRUE;
    auto* request = reinterpret_cast<PathRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        request = reinterpret_cast<PathRequest*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (const wchar_t* title = DialogText(request->titleIndex)) SetWindowTextW(dialog, title);
        SetTextIfAny(dialog, IDOK, DialogText(0));
        SendDlgItemMessageW(dialog, IDC_VALUE, EM_LIMITTEXT, kPathChars - 1, 0);
        SetDlgItemTextW(dialog, IDC_VALUE, request->path);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BROWSE:
            BrowseForProgram(dialog, *request);
            return TRUE;
        case IDOK:
            GetDlgItemTextW(dialog, IDC_VALUE, request->path, kPathChars);
            EndDialog(dialog, 1);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (EndedByCancel(dialog, message, wParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG: {
        wchar_t title[64];
        swprintf(title, 64, L"%ls %ls", g_app.productName, g_app.version);
        SetDlgItemTextW(dialog, IDC_ABOUT_TITLE, title);
        SetTextIfAny(dialog, IDC_ABOUT_FREEWARE, DialogText(32));
        SetTextIfAny(dialog, IDC_ABOUT_THANKS, DialogText(33));
        SetTextIfAny(dialog, IDC_ABOUT_LANGUAGE, DialogText(34));
        SetTextIfAny(dialog, IDOK, DialogText(35));
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ShellExecuteW(dialog, L"open", kWebPage, nullptr, nullptr, SW_SHOWNORMAL);
            SetFocus(dialog);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

uint32_t ParseUnsignedField(const wchar_t* text) {
    if (!text) return 0;
    while (*text == L' ') ++text;
    if (!iswdigit(*text)) return 0;
    uint64_t value = 0;
    for (; iswdigit(*text); ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - L'0');
        if (value > 0xFFFFFFFFull) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(value);
}

void FindFilterDialog(HWND owner, FindRecord& find) {
    find.action = kFindActionCancel;
    DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_FIND), owner, FindProc, reinterpret_cast<LPARAM>(&find));
}

bool SaveFileDialog(HWND owner, SaveRequest& request) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request.filter;
    dialog.nFilterIndex = request.filterIndex;
    dialog.lpstrFile = request.path;
    dialog.nMaxFile = kPathChars;
    dialog.lpstrInitialDir = request.initialFolder;
    dialog.lpstrTitle = request.title;
    dialog.lpstrDefExt = request.defaultExtension;
    dialog.Flags = request.flags;
    if (!GetSaveFileNameW(&dialog)) return false;
    request.filterIndex = dialog.nFilterIndex;
    return true;
}

bool NumericDialog(HWND owner, NumericRequest& request) {
    return DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_NUMERIC), owner, NumericProc,
                           reinterpret_cast<LPARAM>(&request)) == 1;
}

bool PathDialog(HWND owner, PathRequest& request) {
    return DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_PATH), owner, PathProc,
                           reinterpret_cast<LPARAM>(&request)) == 1;
}

void AboutDialog(HWND owner) {
    DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0);
}

bool PickColour(HWND owner, COLORREF& colour) {
    static COLORREF customColours[16] = {};
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner;
    choose.rgbResult = colour;
    choose.lpCustColors = customColours;
    choose.Flags = CC_RGBINIT;
    if (!ChooseColorW(&choose)) return false;
    colour = choose.rgbResult;
    return true;
}
