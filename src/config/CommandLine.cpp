// The command line: folders, files, settings files and options, applied once at
// start-up after the settings file and before the settings reach the window.
#include <windows.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "commands/SettingCommands.h"
#include "config/Language.h"

namespace {

using OptionAction = void (*)(AppState&);

struct OptionRow {
    const wchar_t* name;
    OptionAction action;
};

template <int32_t AppState::*Field, int32_t Value>
void SetNumber(AppState& s) {
    s.*Field = Value;
}

void WriteTemplateAndExit(AppState& s) {
    WriteTranslationTemplate(s.languagePath);
    ExitProcess(0);
}

template <int Preset>
void RestorePresetNoWrap(AppState& s) {
    s.ExecuteCommand(kCmdRestorePreset1 + Preset - 1);
    s.wrap = false;
}

// Wallpaper styles 1-3 exist for both the system and the Blackbox shell;
// 4 (fit) and 5 (fill) only for the system.
template <int32_t Style>
void WallpaperStyleOption(AppState& s) {
    if (s.blackboxPresent) {
        if (Style <= 3) s.bbWallpaperStyle = Style;
        return;
    }
    s.SetWallpaperStyle(Style);
    SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, nullptr, 0);
}

#define NUMBER(name, field, value) {name, SetNumber<&AppState::field, value>}

// The options that no setting command shares; those of the switched and
// chosen settings come from their rows (commands/SettingCommands).
const OptionRow kOptions[] = {
    {L"-translate", WriteTemplateAndExit},
    NUMBER(L"-windowed", layer, kLayerWindowed),
    NUMBER(L"-fullscreen", layer, kLayerFullScreen),
    NUMBER(L"-wallpaper", layer, kLayerWallpaper),
    NUMBER(L"-noautofind", autofindtype, kAutoFindNone),
    {L"-center", [](AppState& s) { s.CenterWindow(); }},
    {L"-preset1", RestorePresetNoWrap<1>},
    {L"-preset2", RestorePresetNoWrap<2>},
    {L"-preset3", RestorePresetNoWrap<3>},
    {L"-preset4", RestorePresetNoWrap<4>},
    {L"-preset5", RestorePresetNoWrap<5>},
    {L"-centerwall", WallpaperStyleOption<1>},
    {L"-tilewall", WallpaperStyleOption<2>},
    {L"-stretchwall", WallpaperStyleOption<3>},
    {L"-fitwall", WallpaperStyleOption<4>},
    {L"-fillwall", WallpaperStyleOption<5>},
    {L"-clearwall", [](AppState& s) { s.ClearWallpaper(); }},
};

#undef NUMBER

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

void AppState::ParseArguments(LPWSTR* argv, int argc) {
    if (!argv) return;
    bool browse = false;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* argument = argv[i];
        if (!argument) continue;
        if (argument[0] != L'-') {
            OpenArgument(argument);
        } else if (wcscmp(argument, L"-browse") == 0) {
            browse = true;
        } else {
            ParseOption(argument);
        }
    }
    // The picker starts from whatever folder the arguments left in exhibitFolder;
    // the chosen folder is built later by start-up.
    if (browse) PickExhibitRoot(false);
}

void AppState::OpenArgument(const wchar_t* text) {
    size_t length = wcslen(text);
    while (length > 0 && IsBlank(text[length - 1])) --length;
    if (length == 0) return;
    const std::wstring trimmed(text, length);

    wchar_t fullPath[kPathSize] = {};
    const DWORD written = GetFullPathNameW(trimmed.c_str(), kPathSize, fullPath, nullptr);
    if (written == 0 || written >= static_cast<DWORD>(kPathSize)) return;  // never cut a path short

    const wchar_t* extension = wcsrchr(fullPath, L'.');
    if (extension && wcscmp(extension, L".ini") == 0) {
        wcscpy(settingsPath, fullPath);
        TransferSettings(0);
        return;
    }
    OpenPathArgument(fullPath);
}

void AppState::OpenPathArgument(const wchar_t* fullPath) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(fullPath, &found);
    const bool exists = search != INVALID_HANDLE_VALUE;
    if (exists) FindClose(search);

    wcsncpy(exhibitFolder, fullPath, kPathSize - 1);
    exhibitFolder[kPathSize - 1] = L'\0';

    // A missing path reads as a folder: the failure value has the directory bit set.
    if (GetFileAttributesW(exhibitFolder) & FILE_ATTRIBUTE_DIRECTORY) return;

    wchar_t* slash = wcsrchr(exhibitFolder, L'\\');
    if (slash) *slash = L'\0';
    const wchar_t* name = exists ? found.cFileName : (slash ? slash + 1 : exhibitFolder);
    // The stored name may be longer than the one typed (a short 8.3 name):
    // when the joined path does not fit, keep the path as given.
    if (wcslen(exhibitFolder) + 1 + wcslen(name) < static_cast<size_t>(kPathSize)) {
        exhibit->SetCurrentPath(std::wstring(exhibitFolder) + L"\\" + name);
    } else {
        exhibit->SetCurrentPath(std::wstring(fullPath).substr(0, kPathSize - 1));
    }
}

void AppState::ParseOption(const wchar_t* text) {
    bool named = ApplySettingSwitch(*this, text);
    for (const OptionRow& row : kOptions) {
        if (named) break;
        if (wcscmp(text, row.name) == 0) {
            row.action(*this);
            named = true;
            break;
        }
    }
    if (!named && wcslen(text) >= 3) {
        const int32_t value = _wtoi(text + 2);
        switch (text[1]) {
        case L't':
            timer = value;
            break;
        case L'b':
            opacity = value;
            break;
        case L'z':
            zoom = value;
            squeeze = shrink = stretch = false;
            break;
        case L'r':
            rotation = value;
            break;
        default:
            break;
        }
    }
    if (squeeze || shrink || stretch) zoom = 0;
}
