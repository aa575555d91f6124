// The settings file: every section and key of oxbrill.ini, read into and
// written from the AppState fields of the same names.
#include <cwchar>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "config/IniFile.h"
#include "fileops/FileTransfer.h"
#include "window/Placement.h"

namespace {

constexpr int kTransitionCount = 15;
constexpr wchar_t kPortableRemark[] =
    L"for portability set savefolder=FALSE and use relative paths, eg. \\pics";

// Whether the settings file may be written over, and its old content kept
// first where the program would lose some of it: a file the run could not read
// is left alone, and a file in another form than the program's own (UTF-8,
// ANSI, UTF-16 without a mark) is copied to "<name>.bak" before it is replaced.
bool MayWriteOver(const wchar_t* path, const wchar_t* unread) {
    if (unread[0] && _wcsicmp(path, unread) == 0) return false;
    IniFile current;
    current.Open(path, 0);
    if (current.Source() == IniSource::kUnreadable) return false;
    if (!current.ForeignForm()) return true;
    const std::wstring backup = std::wstring(path) + L".bak";
    return CopyFileSafely(path, backup.c_str(), true) == Transfer::Done;
}

}  // namespace

void AppState::TransferSettings(int direction) {
    if (direction != 0 && direction != 1) return;
    const bool writing = direction == 1;
    if (writing && !MayWriteOver(settingsPath, settingsUnread)) return;

    // Saving writes a temporary file beside the settings file, which takes
    // the old one's place only once it is written, flushed and whole
    // (fileops/FileTransfer.h). If none can be made, the old file stays.
    std::optional<PendingFile> pending;
    if (writing) pending.emplace(settingsPath, true);
    IniFile ini;
    ini.Open(writing ? pending->Temporary() : settingsPath, direction);
    const bool opened = ini.IsOpen();
    if (!writing) {
        if (ini.Source() == IniSource::kUnreadable) {
            wcscpy(settingsUnread, settingsPath);
        } else {
            settingsUnread[0] = L'\0';
        }
    }

    bool transitionOn[kTransitionCount] = {};
    for (int32_t number : transitionList) {
        if (number >= 0 && number < kTransitionCount) transitionOn[number] = true;
    }

    // The remark row reads into and writes from a copy, so the file cannot change it.
    wchar_t remark[kPathSize] = {};
    wcscpy(remark, kPortableRemark);
    // While full screen, `layout` is the full-screen one; the file keeps the
    // windowed one. A desktop folder that was looked up rather than given is
    // not stored. Both are written from copies so the running state stays.
    int32_t savedLayout = layout;
    int32_t savedLayer = layer;
    wchar_t savedDesktop[kPathSize] = {};
    wcscpy(savedDesktop, desktop);

    if (writing) {
        wcscpy(version, g_app.version);
        if (savefolder) wcscpy(folder, exhibitFolder);
        if (layer == kLayerFullScreen) savedLayout = windowedLayout;
        if (markexit) bookmark = exhibit->CurrentIndex();
        if (!desktopGiven) savedDesktop[0] = L'\0';
        if (hwnd && (IsIconic(hwnd) || IsZoomed(hwnd))) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            if (GetWindowPlacement(hwnd, &placement)) {
                position.left = placement.rcNormalPosition.left;
                position.top = placement.rcNormalPosition.top;
                position.right = placement.rcNormalPosition.right;
                position.bottom = placement.rcNormalPosition.bottom;
            }
        }
    }

    const IniEntry oxbrillRows[] = {
        {L"version", kIniString, version},
        {nullptr, 0, nullptr},
    };
    const IniEntry portableRows[] = {
        {L";", kIniString, remark},
        {L"savefolder", kIniBool, &savefolder},
        {L"folder", kIniString, folder},
        {L"favorites", kIniString, favorites},
        {L"archive", kIniString, archive},
        {L"image viewer", kIniString, imageViewer},
        {L"file manager", kIniString, fileManager},
        {nullptr, 0, nullptr},
    };
    const IniEntry tweakRows[] = {
        {L"autorefresh latency", kIniLong, &autorefreshLatency},
        {L"desktop", kIniString, writing ? savedDesktop : desktop},
        {nullptr, 0, nullptr},
    };
    const IniEntry tweakTransitionRows[] = {
        {L"shutter latency", kIniLong, &shutterLatency},
        {L"wipe latency", kIniLong, &wipeLatency},
        {L"slide latency", kIniLong, &slideLatency},
        {L"quadrant slide latency", kIniLong, &quadrantSlideLatency},
        {L"quadrant wipe latency", kIniLong, &quadrantWipeLatency},
        {L"dissolve latency", kIniLong, &dissolveLatency},
        {L"crossfade latency", kIniLong, &crossfadeLatency},
        {nullptr, 0, nullptr},
    };
    const IniEntry slideshowRows[] = {
        {L"slide", kIniBool, &slide},
        {L"timer", kIniLong, &timer},
        {L"sort", kIniShort, &sort},
        {L"sortby", kIniShort, &sortby},
        {L"sortcase", kIniBool, &sortcase},
        {L"layer", kIniShort, writing ? &savedLayer : &layer},
        {L"ontop", kIniBool, &ontop},
        {L"blend", kIniBool, &blend},
        {L"opacity", kIniShort, &opacity},
        {L"loop", kIniShort, &loop},
        {L"loopshuffle", kIniBool, &loopshuffle},
        {L"wheelnav", kIniBool, &wheelnav},
        {L"autoscroll", kIniBool, &autoscroll},
        {L"quietautoscroll", kIniBool, &quietautoscroll},
        {nullptr, 0, nullptr},
    };
    const IniEntry folderRows[] = {
        {L"subfolders", kIniBool, &subfolders},
        {L"hidden", kIniBool, &hidden},
        {L"autorefresh", kIniBool, &autorefresh},
        {L"autofindtype", kIniShort, &autofindtype},
        {nullptr, 0, nullptr},
    };
    IniEntry formatRows[kPictureFormatCount + 1] = {};   // the last, left empty, ends the table
    for (int i = 0; i < kPictureFormatCount; ++i) formatRows[i] = {kPictureFormats[i].key, kIniBool, &formats.on[i]};
    const IniEntry errorRows[] = {
        {L"removefail", kIniBool, &removefail},
        {L"logerrors", kIniBool, &logerrors},
        {L"loglnkfail", kIniBool, &loglnkfail},
        {nullptr, 0, nullptr},
    };
    const IniEntry catalogRows[] = {
        {L"thumbsize", kIniLong, &thumbsize},
        {L"hide viewer", kIniBool, &hideViewer},
        {L"launch", kIniBool, &launch},
        {nullptr, 0, nullptr},
    };
    const IniEntry catalogPositionRows[] = {
        {L"left", kIniLong, &catalogPosition.left},
        {L"top", kIniLong, &catalogPosition.top},
        {L"right", kIniLong, &catalogPosition.right},
        {L"bottom", kIniLong, &catalogPosition.bottom},
        {nullptr, 0, nullptr},
    };
    const IniEntry imageRows[] = {
        {L"wrap", kIniBool, &wrap},
        {L"crop", kIniBool, &crop},
        {L"squeeze", kIniBool, &squeeze},
        {L"shrink", kIniBool, &shrink},
        {L"stretch", kIniBool, &stretch},
        {L"zoom", kIniShort, &zoom},
        {L"zoomstep", kIniShort, &zoomstep},
        {L"zoomquality", kIniShort, &zoomquality},
        {L"rotation", kIniShort, &rotation},
        {L"rotateaspect", kIniBool, &rotateaspect},
        {L"exiforient", kIniBool, &exiforient},
        {L"animate", kIniBool, &animate},
        {L"colormanage", kIniBool, &colormanage},
        {L"layout", kIniShort, writing ? &savedLayout : &layout},
        {L"collage", kIniBool, &collage},
        {L"collagesize", kIniShort, &collagesize},
        {nullptr, 0, nullptr},
    };
    const IniEntry transitionRows[] = {
        {L"transitions", kIniBool, &transitions},
        {L"1", kIniBool, &transitionOn[0]},
        {L"2", kIniBool, &transitionOn[1]},
        {L"3", kIniBool, &transitionOn[2]},
        {L"4", kIniBool, &transitionOn[3]},
        {L"5", kIniBool, &transitionOn[4]},
        {L"6", kIniBool, &transitionOn[5]},
        {L"7", kIniBool, &transitionOn[6]},
        {L"8", kIniBool, &transitionOn[7]},
        {L"9", kIniBool, &transitionOn[8]},
        {L"10", kIniBool, &transitionOn[9]},
        {L"11", kIniBool, &transitionOn[10]},
        {L"12", kIniBool, &transitionOn[11]},
        {L"13", kIniBool, &transitionOn[12]},
        {L"14", kIniBool, &transitionOn[13]},
        {L"15", kIniBool, &transitionOn[14]},
        {L"overlap", kIniBool, &overlap},
        {nullptr, 0, nullptr},
    };
    const IniEntry windowRows[] = {
        {L"title", kIniBool, &title},
        {L"fullname", kIniBool, &fullname},
        {L"statusbar", kIniBool, &statusbar},
        {L"trayicon", kIniBool, &trayicon},
        {L"decorate", kIniBool, &decorate},
        {L"bgcolor", kIniLong, &bgcolor},
        {L"autocenter", kIniBool, &autocenter},
        {L"roamwindow", kIniBool, &roamwindow},
        {L"corral", kIniBool, &corral},
        {L"draggable", kIniBool, &draggable},
        {L"singleinstance", kIniBool, &singleinstance},
        {L"fullscreenname", kIniBool, &fullscreenname},
        {L"fullscreencursor", kIniBool, &fullscreencursor},
        {L"fullscreenlayout", kIniShort, &fullscreenlayout},
        {nullptr, 0, nullptr},
    };
    const IniEntry positionRows[] = {
        {L"left", kIniLong, &position.left},
        {L"top", kIniLong, &position.top},
        {L"right", kIniLong, &position.right},
        {L"bottom", kIniLong, &position.bottom},
        {nullptr, 0, nullptr},
    };
    const IniEntry presetRows[] = {
        {L"1left", kIniLong, &presets[0].left},
        {L"1top", kIniLong, &presets[0].top},
        {L"1right", kIniLong, &presets[0].right},
        {L"1bottom", kIniLong, &presets[0].bottom},
        {L"2left", kIniLong, &presets[1].left},
        {L"2top", kIniLong, &presets[1].top},
        {L"2right", kIniLong, &presets[1].right},
        {L"2bottom", kIniLong, &presets[1].bottom},
        {L"3left", kIniLong, &presets[2].left},
        {L"3top", kIniLong, &presets[2].top},
        {L"3right", kIniLong, &presets[2].right},
        {L"3bottom", kIniLong, &presets[2].bottom},
        {L"4left", kIniLong, &presets[3].left},
        {L"4top", kIniLong, &presets[3].top},
        {L"4right", kIniLong, &presets[3].right},
        {L"4bottom", kIniLong, &presets[3].bottom},
        {L"5left", kIniLong, &presets[4].left},
        {L"5top", kIniLong, &presets[4].top},
        {L"5right", kIniLong, &presets[4].right},
        {L"5bottom", kIniLong, &presets[4].bottom},
        {nullptr, 0, nullptr},
    };
    const IniEntry shellRows[] = {
        {L"confirmdelete", kIniBool, &confirmdelete},
        {L"archivelog", kIniBool, &archivelog},
        {L"confirmarchive", kIniBool, &confirmarchive},
        {L"bb skin", kIniBool, &bbSkin},
        {L"bb caption adjust", kIniShort, &bbCaptionAdjust},
        {L"bb window adjust", kIniShort, &bbWindowAdjust},
        {L"bb wallpaper style", kIniShort, &bbWallpaperStyle},
        {L"bb wallpaper", kIniBool, &bbWallpaper},
        {L"bb wallpaper scale", kIniBool, &bbWallpaperScale},
        {nullptr, 0, nullptr},
    };
    const IniEntry settingsRows[] = {
        {L"savesettings", kIniBool, &savesettings},
        {L"markexit", kIniBool, &markexit},
        {L"bookmark", kIniLong, &bookmark},
        {nullptr, 0, nullptr},
    };
    const IniEntry menuRows[] = {
        {L"at cursor", kIniBool, &atCursor},
        {nullptr, 0, nullptr},
    };
    const IniEntry hotkeyRows[] = {
        {L"hidemod", kIniShort, &hidemod},
        {L"hidekey", kIniShort, &hidekey},
        {nullptr, 0, nullptr},
    };

    struct Section {
        const wchar_t* header;
        const IniEntry* rows;
        int limit;
    };
    const Section sections[] = {
        {L"[Oxbrill]", oxbrillRows, kVersionSize},
        {L"[Portable]", portableRows, kPathSize},
        {L"[Tweak]", tweakRows, kPathSize},
        {L"[Tweak Transitions]", tweakTransitionRows, kPathSize},
        {L"[Slideshow]", slideshowRows, kPathSize},
        {L"[Folder]", folderRows, kPathSize},
        {L"[Formats]", formatRows, kPathSize},
        {L"[Errors]", errorRows, kPathSize},
        {L"[Catalog]", catalogRows, kPathSize},
        {L"[Catalog Position]", catalogPositionRows, kPathSize},
        {L"[Image]", imageRows, kPathSize},
        {L"[Transitions]", transitionRows, kPathSize},
        {L"[Window]", windowRows, kPathSize},
        {L"[Position]", positionRows, kPathSize},
        {L"[Presets]", presetRows, kPathSize},
        {L"[Shell]", shellRows, kPathSize},
        {L"[Settings]", settingsRows, kPathSize},
        {L"[Menu]", menuRows, kPathSize},
        {L"[Hotkeys]", hotkeyRows, kPathSize},
    };
    for (const Section& section : sections) {
        if (writing) {
            ini.WriteSection(section.rows, section.header);
        } else {
            ini.ReadSection(section.rows, section.header, section.limit);
        }
    }

    if (!writing) {
        if (folder[0]) {
            wchar_t full[kPathSize] = {};
            DWORD length = GetFullPathNameW(folder, kPathSize, full, nullptr);
            if (length > 0 && length < static_cast<DWORD>(kPathSize)) wcscpy(exhibitFolder, full);
        }
        transitionList.clear();
        for (int32_t number = 0; number < kTransitionCount; ++number) {
            if (transitionOn[number]) transitionList.push_back(number);
        }
        // A hand-edited file must neither stall the viewer nor put its window
        // where nobody can reach it.
        ClampSettings();
        position = KeepOnMonitor(position);
        for (Rect32& preset : presets) preset = KeepOnMonitor(preset);
    }

    // A short write (full disk) keeps the old file; the temporary one goes.
    const bool complete = ini.Close();
    if (pending) pending->Commit(opened && complete);
}
