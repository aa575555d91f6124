// Resource identifiers shared by the .rc script and the program.
// Plain #defines only, so that windres can read this file as well.
#pragma once

// Icon, accelerator table, menus
#define IDI_OXBRILL 1000
#define IDR_ACCEL   1000
#define IDM_POPUP   1000   // viewer popup; its first submenu is the main menu
#define IDM_CATALOG 104    // Catalog popup; its first submenu is the Catalog menu

// Dialog templates
#define IDD_ABOUT   101
#define IDD_NUMERIC 102
#define IDD_PATH    103
#define IDD_CATALOG 104
#define IDD_FIND    300
#define IDD_HOTKEY  410
#define IDD_MAIN    1000

// Controls shared by the small input dialogs
#define IDC_PROMPT  201    // numeric prompt; hotkey dialog: name of the chosen key
#define IDC_VALUE   202    // the edit field of the numeric, path and find dialogs
#define IDC_BROWSE  203    // path dialog "..." button
#define IDC_HOTKEY_CANCEL 203

// Find/filter dialog
#define IDC_FIND_FILENAME_ONLY 301
#define IDC_FIND_MATCH_CASE    302
#define IDC_FIND_FIND          303
#define IDC_FIND_FILTER        304
#define IDC_FIND_EXCLUDE       305

// Hotkey dialog modifier boxes
#define IDC_HOTKEY_CONTROL 411
#define IDC_HOTKEY_SHIFT   412
#define IDC_HOTKEY_ALT     413
#define IDC_HOTKEY_WIN     414

// About box (button IDOK opens the web page)
#define IDC_ABOUT_ICON     111
#define IDC_ABOUT_TITLE    112
#define IDC_ABOUT_LINE2    113
#define IDC_ABOUT_FREEWARE 114   // dialog string 32
#define IDC_ABOUT_THANKS   115   // dialog string 33
#define IDC_ABOUT_LANGUAGE 116   // dialog string 34

// Status bars of the viewer and the Catalog
#define IDC_STATUSBAR 500

// ---- Command identifiers: menus, accelerators, the Catalog, the command line.
// The Catalog menu also uses IDOK (1, View) and IDCANCEL (2, Close).

// Descriptive menu lines (shown greyed, carry no command)
#define ID_NOTE_STEP_SHIFT           901
#define ID_NOTE_STEP_CTRL            902
#define ID_NOTE_SCROLL_SHIFT         903
#define ID_NOTE_SCROLL_CTRL          904
#define ID_NOTE_SCROLL_ALT           905
#define ID_NOTE_SCROLL_MOUSE         906
#define ID_NOTE_ZOOM_FINE            907

// Slideshow
#define ID_SLIDESHOW                 1001
#define ID_TIMER                     1002
#define ID_WINDOWED                  1011
#define ID_FULLSCREEN                1012
#define ID_WALLPAPER                 1013
#define ID_STAY_ON_TOP               1014
#define ID_BLEND                     1021
#define ID_OPACITY                   1022
#define ID_LOOP_REPEAT               1031
#define ID_LOOP_PAUSE                1032
#define ID_LOOP_EXIT                 1033
#define ID_LOOP_RESHUFFLE            1034

// Sort
#define ID_SORT_FORWARD              1040
#define ID_SORT_REVERSE              1041
#define ID_SORT_RANDOM               1042
#define ID_SORT_TREE                 1043
#define ID_SORT_TREE_STRICT          1044
#define ID_SORT_NAME                 1045
#define ID_SORT_CREATED              1046
#define ID_SORT_MODIFIED             1047
#define ID_SORT_ACCESSED             1048
#define ID_SORT_CASE_SENSITIVE       1049

// Navigate
#define ID_NEXT                      1051
#define ID_PREVIOUS                  1052
#define ID_FIRST                     1053
#define ID_LAST                      1054
#define ID_CURRENT                   1055
#define ID_NEXT_FOLDER               1056
#define ID_PREV_FOLDER               1057
#define ID_MOUSEWHEEL_NAV            1058
#define ID_SCROLL_LEFT               1061
#define ID_SCROLL_RIGHT              1062
#define ID_SCROLL_UP                 1063
#define ID_SCROLL_DOWN               1064
#define ID_AUTOSCROLL                1065
#define ID_AUTOSCROLL_QUIETLY        1066

// View
#define ID_VIEW_EXHIBIT              1101
#define ID_VIEW_DESKTOP              1102
#define ID_VIEW_FAVORITES            1103
#define ID_VIEW_ARCHIVE              1104
#define ID_VIEW_IMAGE_FOLDER         1105
#define ID_VIEW_LINK_TARGET          1106

// Exhibit
#define ID_EXHIBIT_FOLDER            1111
#define ID_REFRESH                   1112
#define ID_SUBFOLDERS                1113
#define ID_HIDDEN_FOLDERS            1114
#define ID_AUTO_REFRESH              1115
#define ID_AUTO_FIND_CREATED         1116
#define ID_AUTO_FIND_MODIFIED        1117
#define ID_AUTO_FIND_ACCESSED        1118
// The Formats items, one per row of src/exhibit/PictureFormats.h in its
// order, are added when the menu is loaded: the first seven take 1121-1127,
// the later ones 1181-1199.
#define ID_FORMAT_FIRST              1121
#define ID_FORMAT_LATER              1181
#define ID_ANIMATE                   1128
#define ID_COLOR_MANAGE              1129
#define ID_CLEAR_UNLOADABLE          1131
#define ID_LOG_ERRORS                1132
#define ID_LOG_LINK_FAILURE          1133

// Find
#define ID_FIND_FILTER               1141
#define ID_FIND_NEXT                 1142
#define ID_LANDSCAPE                 1143
#define ID_PORTRAIT                  1144
#define ID_BOOKMARK                  1145
#define ID_GO_TO_MARK                1146
#define ID_MARK_ON_EXIT              1147
#define ID_GO_TO                     1148

// Favorites and archive
#define ID_SEND_SHORTCUT             1151
#define ID_SEND_COPY                 1152
#define ID_FAVORITES_FOLDER          1153
#define ID_SHORTCUT_TO_DESKTOP       1154
#define ID_COPY_TO_DESKTOP           1155
#define ID_MOVE_TO_ARCHIVE           1161
#define ID_COPY_TO_ARCHIVE           1162
#define ID_CONFIRM_MOVE              1163
#define ID_ARCHIVE_FOLDER            1164
#define ID_ARCHIVE_LOG               1165

// Catalog
#define ID_CATALOG                   1171
#define ID_THUMBNAIL_SIZE            1172
#define ID_HIDE_VIEWER               1173
#define ID_SHOW_ON_LAUNCH            1174

// Picture fit, zoom, rotation, collage, transitions
#define ID_WRAP                      1201
#define ID_CROP                      1202
#define ID_SQUEEZE                   1203
#define ID_SHRINK                    1204
#define ID_STRETCH                   1205
#define ID_ZOOM_IN                   1211
#define ID_ZOOM_OUT                  1212
#define ID_ZOOM100                   1213
#define ID_ZOOM_STEP                 1214
#define ID_ZOOM_LOCK                 1215
#define ID_ZOOM_QUALITY_DEFAULT      1216
#define ID_ZOOM_QUALITY_HIGH         1217
#define ID_ZOOM_QUALITY_BEST         1218
#define ID_ZOOM_MOUSEWHEEL           1219
#define ID_ROTATE_RIGHT              1221
#define ID_ROTATE_LEFT               1222
#define ID_ROTATE_LOCK               1223
#define ID_ASPECT_FILTER             1224
#define ID_FLIP_HORIZONTAL           1225
#define ID_EXIF_ORIENTATION          1226
#define ID_COLLAGE                   1231
#define ID_COLLAGE_SIZE              1232
#define ID_TRANSITIONS               1250
#define ID_SHUTTERS_RIGHT            1251
#define ID_SHUTTERS_LEFT             1252
#define ID_SHUTTERS_DOWN             1253
#define ID_SHUTTERS_UP               1254
#define ID_WIPE_RIGHT_LEFT           1255
#define ID_WIPE_LEFT_RIGHT           1256
#define ID_WIPE_DOWN_UP              1257
#define ID_WIPE_UP_DOWN              1258
#define ID_HORIZONTAL_SLIDE          1259
#define ID_VERTICAL_SLIDE            1260
#define ID_QUADRANT_SLIDE            1261
#define ID_QUADRANT_WIPE             1262
#define ID_QUADRANT_PEEL             1263
#define ID_DISSOLVE                  1264
#define ID_CROSSFADE                 1265
#define ID_TRANSITIONS_ALL           1266
#define ID_TRANSITIONS_NONE          1267
#define ID_OVERLAP                   1268

// Window
#define ID_NAME_IN_CAPTION           1301
#define ID_FULL_PATHNAME             1302
#define ID_STATUS_BAR                1303
#define ID_TRAY_ICON                 1304
#define ID_DECORATE                  1305
#define ID_BACKGROUND_COLOUR         1306
#define ID_AUTO_CENTER               1311
#define ID_ROAM                      1312
#define ID_CORRAL                    1313
#define ID_DRAGGABLE                 1314
#define ID_CENTER                    1315
#define ID_SAVE_PRESET1              1321
#define ID_SAVE_PRESET2              1322
#define ID_SAVE_PRESET3              1323
#define ID_SAVE_PRESET4              1324
#define ID_SAVE_PRESET5              1325
#define ID_RESTORE_PRESET1           1331
#define ID_RESTORE_PRESET2           1332
#define ID_RESTORE_PRESET3           1333
#define ID_RESTORE_PRESET4           1334
#define ID_RESTORE_PRESET5           1335
#define ID_LAYOUT_CENTERED           1341
#define ID_LAYOUT_TOP_LEFT           1342
#define ID_LAYOUT_TOP_RIGHT          1343
#define ID_LAYOUT_BOTTOM_LEFT        1344
#define ID_LAYOUT_BOTTOM_RIGHT       1345
#define ID_LAYOUT_ROAMING            1346
#define ID_HOTKEY                    1351
#define ID_SINGLE_INSTANCE           1352
#define ID_TAKE_OVER_NOW             1353

// Screen
#define ID_SCREEN_FULLSCREEN         1371
#define ID_SCREEN_CAPTION            1372
#define ID_SCREEN_CURSOR             1373
#define ID_SCREEN_CENTERED           1374
#define ID_SCREEN_ROAMING            1375
#define ID_SCREEN_WALLPAPER          1381
#define ID_WALLPAPER_CENTER          1382
#define ID_WALLPAPER_TILE            1383
#define ID_WALLPAPER_STRETCH         1384
#define ID_WALLPAPER_FIT             1385
#define ID_WALLPAPER_FILL            1386
#define ID_WALLPAPER_CLEAR           1387
#define ID_WALLPAPER_RESTORE         1388

// Shell
#define ID_SHELL_VIEW                1401
#define ID_SHELL_EXPLORE             1402
#define ID_OPEN_WITH                 1403
#define ID_COPY_FILE                 1411
#define ID_MOVE_RENAME               1412
#define ID_SAVE_AS                   1413
#define ID_COPY_IMAGE                1421
#define ID_COPY_VIEW                 1422
#define ID_PASTE                     1423
#define ID_RECYCLE                   1431
#define ID_CONFIRM_RECYCLE           1432
#define ID_VIEW_WITH                 1441
#define ID_EXPLORE_WITH              1442
#define ID_BLACKBOX_SHELL            1451
#define ID_SMART_WALLPAPER           1452
#define ID_SCALE_WALLPAPER           1453
#define ID_BLACKBOX_SKIN             1454
#define ID_RAISE_CAPTION             1455
#define ID_LENGTHEN_WINDOW           1456

// Settings and info
#define ID_SAVE_NOW                  1501
#define ID_SAVE_SETTINGS_AS          1502
#define ID_SAVE_ON_EXIT              1503
#define ID_SAVE_FOLDER               1504
#define ID_MENU                      1511
#define ID_MENU_AT_CURSOR            1512
#define ID_HELP                      1513
#define ID_ABOUT                     1514
#define ID_EXIT                      1515
// Undo of the last file operation: a key only, no menu item.
#define ID_UNDO                      1516

// Pin items of the main popup and its submenus (2000 + position in the main popup)
#define ID_PIN_MAIN                  2000
#define ID_PIN_SLIDESHOW             2002
#define ID_PIN_SORT                  2003
#define ID_PIN_NAVIGATE              2004
#define ID_PIN_VIEW                  2006
#define ID_PIN_EXHIBIT               2007
#define ID_PIN_FIND                  2008
#define ID_PIN_FAVORITES             2009
#define ID_PIN_CATALOG               2010
#define ID_PIN_ZOOM                  2017
#define ID_PIN_ROTATE                2018
#define ID_CATALOG_PIN_SORT          2018
#define ID_PIN_COLLAGE               2019
#define ID_CATALOG_PIN_FIND          2019
#define ID_PIN_TRANSITIONS           2020
#define ID_CATALOG_PIN_FILE_OPS      2020
#define ID_PIN_WINDOW                2022
#define ID_PIN_SCREEN                2023
#define ID_PIN_SHELL                 2024
#define ID_PIN_SETTINGS              2026
#define ID_PIN_INFO                  2027

// Pin items of nested submenus (3000 + 100 * parent rank + position in the parent)
#define ID_PIN_TRANSPARENCY          3011
#define ID_PIN_LOOP                  3012
#define ID_PIN_SCROLL                3116
#define ID_PIN_FORMATS               3213
#define ID_PIN_ARCHIVE               3310
#define ID_PIN_PRESETS               3416
#define ID_PIN_LAYOUT                3417
#define ID_PIN_BLACKBOX              3520
