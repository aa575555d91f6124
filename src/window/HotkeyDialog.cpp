// The show/hide hotkey dialog: a 50 ms poll of the keyboard picks the key,
// four boxes pick the modifiers, OK registers the combination.
#include "window/HotkeyDialog.h"

#include "app/AppState.h"
#include "commands/ModalFrame.h"
#include "config/Language.h"
#include "window/HotkeyRules.h"
#include "../resources/resource.h"

namespace {

constexpr UINT kPollMs = 50;

struct DialogRun {
    HotkeyRecord* record;
    int candidate;
    bool changed;
};

void SetTextIfAny(HWND dialog, int control, const wchar_t* text) {
    if (text) SetDlgItemTextW(dialog, control, text);
}

void ShowCandidateName(HWND dialog, int vk) {
    wchar_t name[kKeyNameSize];
    if (!KeyNameFor(static_cast<UINT>(vk), name)) name[0] = L'\0';
    SetDlgItemTextW(dialog, IDC_PROMPT, name);
}

void SetBox(HWND dialog, int control, bool on) { CheckDlgButton(dialog, control, on ? BST_CHECKED : BST_UNCHECKED); }
bool BoxOn(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

void OnInit(HWND dialog, DialogRun& run) {
    if (const wchar_t* title = DialogText(26)) SetWindowTextW(dialog, title);
    SetTextIfAny(dialog, IDC_PROMPT, DialogText(27));
    SetTextIfAny(dialog, IDC_HOTKEY_CONTROL, DialogText(28));
    SetTextIfAny(dialog, IDC_HOTKEY_SHIFT, DialogText(29));
    SetTextIfAny(dialog, IDC_HOTKEY_ALT, DialogText(30));
    SetTextIfAny(dialog, IDC_HOTKEY_WIN, DialogText(31));
    SetTextIfAny(dialog, IDOK, DialogText(0));
    SetTextIfAny(dialog, IDC_HOTKEY_CANCEL, DialogText(1));

    run.candidate = run.record->key;
    ShowCandidateName(dialog, run.candidate);
    const hotkey::ModifierBoxes boxes = hotkey::BoxesFor(run.record->modifiers);
    SetBox(dialog, IDC_HOTKEY_CONTROL, boxes.control);
    SetBox(dialog, IDC_HOTKEY_SHIFT, boxes.shift);
    SetBox(dialog, IDC_HOTKEY_ALT, boxes.alt);
    SetBox(dialog, IDC_HOTKEY_WIN, boxes.win);
    SetTimer(dialog, kHotkeyTimerId, kPollMs, nullptr);
}

void OnPoll(HWND dialog, DialogRun& run) {
    const int found = hotkey::ScanForCandidate(
        -1, [](int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; },
        [](int vk) {
            wchar_t name[kKeyNameSize];
            return KeyNameFor(static_cast<UINT>(vk), name);
        });
    if (found < 0 || found == run.candidate) return;
    run.candidate = found;
    ShowCandidateName(dialog, found);
}

void OnOk(HWND dialog, DialogRun& run) {
    KillTimer(dialog, kHotkeyTimerId);
    hotkey::ModifierBoxes boxes;
    boxes.control = BoxOn(dialog, IDC_HOTKEY_CONTROL);
    boxes.shift = BoxOn(dialog, IDC_HOTKEY_SHIFT);
    boxes.alt = BoxOn(dialog, IDC_HOTKEY_ALT);
    boxes.win = BoxOn(dialog, IDC_HOTKEY_WIN);
    const int32_t modifiers = hotkey::ModifiersOf(boxes);
    HotkeyRecord& record = *run.record;
    if (modifiers == record.modifiers && run.candidate == record.key) {
        EndDialog(dialog, 0);
        return;
    }
    // The earlier combination stays registered as well until the program ends.
    if (RegisterHotKey(record.target, record.id, static_cast<UINT>(modifiers), static_cast<UINT>(run.candidate))) {
        record.modifiers = modifiers;
        record.key = run.candidate;
        record.registered = true;
        run.changed = true;
        EndDialog(dialog, 1);
        return;
    }
    g_app.ShowMessage(MessageText(22), MB_ICONINFORMATION);
    SetTimer(dialog, kHotkeyTimerId, kPollMs, nullptr);
}

INT_PTR CALLBACK HotkeyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        run = reinterpret_cast<DialogRun*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        OnInit(dialog, *run);
        return TRUE;
    case WM_TIMER:
        if (run && wParam == kHotkeyTimerId) OnPoll(dialog, *run);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (run) OnOk(dialog, *run);
            return TRUE;
        case IDCANCEL:             // Escape
        case IDC_HOTKEY_CANCEL:
            KillTimer(dialog, kHotkeyTimerId);
            EndDialog(dialog, 0);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        KillTimer(dialog, kHotkeyTimerId);
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

bool KeyNameFor(UINT vk, wchar_t* buffer) {
    buffer[0] = L'\0';
    const UINT scanCode = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    if (hotkey::RefusedKey(vk, scanCode)) return false;
    const int n = GetKeyNameTextW(static_cast<LONG>(hotkey::KeyNameParam(vk, scanCode)), buffer, kKeyNameSize);
    if (n <= 0) {
        buffer[0] = L'\0';
        return false;
    }
    buffer[kKeyNameSize - 1] = L'\0';
    return buffer[0] != L'\0';
}

bool HotkeyDialog(HWND owner, HotkeyRecord& record) {
    DialogRun run{&record, record.key, false};
    DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_HOTKEY), owner, HotkeyProc, reinterpret_cast<LPARAM>(&run));
    return run.changed;
}

void AppState::ChooseHotkey() {
    ModalFrame frame(*this);
    HotkeyRecord record{hwnd, hidemod, hidekey, kHotkeyId, hotkeyRegistered};
    if (HotkeyDialog(hwnd, record) && !closing) {
        hidemod = record.modifiers;
        hidekey = record.key;
        hotkeyRegistered = record.registered;
    }
}
