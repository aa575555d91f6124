// The private window messages, timers and hotkey of the viewer, its workers
// and other running copies. The numbers are fixed: other copies rely on them.
#pragma once

#include <windows.h>

constexpr UINT WM_APP_TRAYICON = WM_USER + 1;      // 1025: the tray icon's mouse events
constexpr UINT kSlideTimerId = 1026;               // the slideshow's ticks
constexpr UINT WM_APP_POPUPMENU = WM_USER + 3;     // 1027: open the popup menu again
constexpr UINT WM_APP_STATUS = WM_USER + 4;        // 1028: a build ended, refresh the texts
constexpr UINT WM_APP_CLOSE = WM_USER + 5;         // 1029: another copy takes over
constexpr UINT kHotkeyTimerId = 1030;              // the hotkey dialog's key poll
// 1031 stays free: no "auto-updating" state. A watcher's scan fills a list of
// its own and the exhibit takes it over in one swap, so the Catalog's list is
// never emptied under it and stays usable; it reloads when 1032 comes.
constexpr UINT WM_APP_REFRESHED = WM_USER + 8;     // 1032: a watcher rebuild ended
constexpr UINT WM_APP_CATALOG_BUILT = WM_USER + 9; // 1033 to the Catalog: a build it asked for ended
constexpr UINT WM_APP_SHOW = WM_USER + 20;        // 1044: a search for a loadable picture goes on
constexpr UINT WM_APP_WALLPAPER = WM_USER + 21;   // 1045: the wallpaper worker could not write the file
constexpr UINT WM_APP_FRAME = WM_USER + 22;       // 1046: an animation's next frame is due
constexpr int kHotkeyId = 1351;                    // the show/hide hotkey
