// The command line: folders, files, settings files and options, applied once at
// start-up after the settings file and before the settings reach the window.
#include <windows.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "config/Language.h"

namespace {

using OptionAction = void (*)(AppState&);

struct OptionRow {
    const wchar_t* name;
    OptionAction action;
};

template <bool AppState::*Field, bool Value>
void SetFlag(AppState& s) {
    s.*Field = Value;
}

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
    s.ExecuteCommand(1330 + Preset);
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

#define FLAG(name, field, value) {name, SetFlag<&AppState::field, value>}
#define NUMBER(name, field, value) {name, SetNumber<&AppState::field, value>}

// Tested in this order; the first equal name acts.
const OptionRow kOptions[] = {
    {L"-translate", WriteTemplateAndExit},
    FLAG(L"-slide", slide, true),
    FLAG(L"-noslide", slide, false),
    NUMBER(L"-windowed", layer, 0),
    NUMBER(L"-fullscreen", layer, 1),
    NUMBER(L"-wallpaper", layer, 2),
    FLAG(L"-ontop", ontop, true),
    FLAG(L"-notop", ontop, false),
    FLAG(L"-blend", blend, true),
    FLAG(L"-noblend", blend, false),
    NUMBER(L"-loop", loop, 0),
    NUMBER(L"-loopause", loop, 1),
    NUMBER(L"-loopexit", loop, 2),
    FLAG(L"-loopshuffle", loopshuffle, true),
    FLAG(L"-noloopshuffle", loopshuffle, false),
    NUMBER(L"-sortforward", sort, 0),
    NUMBER(L"-sortreverse", sort, 1),
    NUMBER(L"-sortrandom", sort, 2),
    NUMBER(L"-sorttree", sortby, 0),
    NUMBER(L"-sorttreestrict", sortby, 1),
    NUMBER(L"-sortname", sortby, 2),
    NUMBER(L"-sortcreated", sortby, 3),
    NUMBER(L"-sortmodified", sortby, 4),
    NUMBER(L"-sortaccessed", sortby, 5),
    FLAG(L"-sortcase", sortcase, true),
    FLAG(L"-nosortcase", sortcase, false),
    FLAG(L"-wheelnav", wheelnav, true),
    FLAG(L"-wheelzoom", wheelnav, false),
    FLAG(L"-autoscroll", autoscroll, true),
    FLAG(L"-noautoscroll", autoscroll, false),
    FLAG(L"-quietscroll", quietautoscroll, true),
    FLAG(L"-animatescroll", quietautoscroll, false),
    FLAG(L"-subfolders", subfolders, true),
    FLAG(L"-nosubfolders", subfolders, false),
    FLAG(L"-hidden", hidden, true),
    FLAG(L"-nohidden", hidden, false),
    FLAG(L"-autorefresh", autorefresh, true),
    FLAG(L"-noautorefresh", autorefresh, false),
    NUMBER(L"-autofindcreate", autofindtype, 1),
    NUMBER(L"-autofindmodify", autofindtype, 2),
    NUMBER(L"-autofindaccess", autofindtype, 3),
    NUMBER(L"-noautofind", autofindtype, 0),
    FLAG(L"-bmp", bmp, true),
    FLAG(L"-nobmp", bmp, false),
    FLAG(L"-emf", emf, true),
    FLAG(L"-noemf", emf, false),
    FLAG(L"-gif", gif, true),
    FLAG(L"-nogif", gif, false),
    FLAG(L"-ico", ico, true),
    FLAG(L"-noico", ico, false),
    FLAG(L"-jpg", jpg, true),
    FLAG(L"-nojpg", jpg, false),
    FLAG(L"-png", png, true),
    FLAG(L"-nopng", png, false),
    FLAG(L"-tif", tif, true),
    FLAG(L"-notif", tif, false),
    FLAG(L"-removefail", removefail, true),
    FLAG(L"-noremovefail", removefail, false),
    FLAG(L"-logerrors", logerrors, true),
    FLAG(L"-nologerrors", logerrors, false),
    FLAG(L"-loglnkfail", loglnkfail, true),
    FLAG(L"-nologlnkfail", loglnkfail, false),
    FLAG(L"-landscape", landscapeOnly, true),
    FLAG(L"-portrait", portraitOnly, true),
    FLAG(L"-markexit", markexit, true),
    FLAG(L"-nomarkexit", markexit, false),
    FLAG(L"-cathideview", hideViewer, true),
    FLAG(L"-nocathideview", hideViewer, false),
    FLAG(L"-catlaunch", launch, true),
    FLAG(L"-nocatlaunch", launch, false),
    FLAG(L"-wrap", wrap, true),
    FLAG(L"-nowrap", wrap, false),
    FLAG(L"-crop", crop, true),
    FLAG(L"-nocrop", crop, false),
    FLAG(L"-squeeze", squeeze, true),
    FLAG(L"-nosqueeze", squeeze, false),
    FLAG(L"-shrink", shrink, true),
    FLAG(L"-noshrink", shrink, false),
    FLAG(L"-stretch", stretch, true),
    FLAG(L"-nostretch", stretch, false),
    NUMBER(L"-zoomdef", zoomquality, 0),
    NUMBER(L"-zoomhigh", zoomquality, 2),
    NUMBER(L"-zoombest", zoomquality, 7),
    FLAG(L"-aspect", rotateaspect, true),
    FLAG(L"-noaspect", rotateaspect, false),
    FLAG(L"-exiforient", exiforient, true),
    FLAG(L"-noexiforient", exiforient, false),
    FLAG(L"-collage", collage, true),
    FLAG(L"-nocollage", collage, false),
    FLAG(L"-transitions", transitions, true),
    FLAG(L"-notransitions", transitions, false),
    FLAG(L"-overlap", overlap, true),
    FLAG(L"-nooverlap", overlap, false),
    FLAG(L"-title", title, true),
    FLAG(L"-notitle", title, false),
    FLAG(L"-fullname", fullname, true),
    FLAG(L"-shortname", fullname, false),
    FLAG(L"-statusbar", statusbar, true),
    FLAG(L"-nostatusbar", statusbar, false),
    FLAG(L"-trayicon", trayicon, true),
    FLAG(L"-taskbar", trayicon, false),
    FLAG(L"-decor", decorate, true),
    FLAG(L"-nodecor", decorate, false),
    {L"-autocenter",
     [](AppState& s) {
         s.autocenter = true;
         s.roamwindow = false;
     }},
    FLAG(L"-noautocenter", autocenter, false),
    {L"-roam",
     [](AppState& s) {
         s.roamwindow = true;
         s.autocenter = false;
     }},
    FLAG(L"-noroam", roamwindow, false),
    FLAG(L"-corral", corral, true),
    FLAG(L"-nocorral", corral, false),
    FLAG(L"-draggable", draggable, true),
    FLAG(L"-nodraggable", draggable, false),
    NUMBER(L"-centered", layout, 0),
    NUMBER(L"-topleft", layout, 1),
    NUMBER(L"-topright", layout, 2),
    NUMBER(L"-bottomleft", layout, 3),
    NUMBER(L"-bottomright", layout, 4),
    FLAG(L"-single", singleinstance, true),
    FLAG(L"-nosingle", singleinstance, false),
    FLAG(L"-screenname", fullscreenname, true),
    FLAG(L"-noscreenname", fullscreenname, false),
    FLAG(L"-screencursor", fullscreencursor, true),
    FLAG(L"-noscreencursor", fullscreencursor, false),
    NUMBER(L"-screencenter", fullscreenlayout, 0),
    NUMBER(L"-screenroam", fullscreenlayout, 5),
    FLAG(L"-confirmdel", confirmdelete, true),
    FLAG(L"-noconfirmdel", confirmdelete, false),
    FLAG(L"-confirmarc", confirmarchive, true),
    FLAG(L"-noconfirmarc", confirmarchive, false),
    FLAG(L"-arclog", archivelog, true),
    FLAG(L"-noarclog", archivelog, false),
    FLAG(L"-save", savesettings, true),
    FLAG(L"-nosave", savesettings, false),
    FLAG(L"-savefolder", savefolder, true),
    FLAG(L"-nosavefolder", savefolder, false),
    FLAG(L"-noshell", noShell, true),
    FLAG(L"-nomenu", noMenu, true),
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

#undef FLAG
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
    bool named = false;
    for (const OptionRow& row : kOptions) {
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
