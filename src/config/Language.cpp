// Built-in English texts, the menu text tables and the language file.
#include "config/Language.h"

#include <array>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "commands/MenuLayout.h"
#include "commands/MenuState.h"
#include "config/IniFile.h"
#include "fileops/FileTransfer.h"
#include "../resources/resource.h"

namespace {

const wchar_t* const kDialogDefaults[kDialogTextCount] = {
    L"&Ok",
    L"&Cancel",
    L"Slideshow Timer",
    L"Milliseconds",
    L"Blend Opacity",
    L"(255: opaque)",
    L"Go To",
    L"(Image index)",
    L"Thumbnail Size",
    L"(Default: 100)",
    L"Zoom Step",
    L"(Default: 10)",
    L"Collage Size",
    L"(Default: 250)",
    L"Raise Caption",
    L"(Default: 4)",
    L"Lengthen Window",
    L"(Default: 2)",
    L"Image Viewer",
    L"File Manager",
    L"Find/Filter",
    L"Match file&name only",
    L"Match &case",
    L"&Find",
    L"Filter",
    L"E&xclude",
    L"Hide/Show HotKey",
    L"Press Key",
    L"Control",
    L"Shift",
    L"Alt",
    L"Win",
    L":: Freeware ::",
    L"All donations appreciated",
    L"Language: Default (English)",
    L"Visit Brenik :: Donate",
};

const wchar_t* const kMessageDefaults[kMessageTextCount] = {
    L"Set exhibit root. Hold SHIFT to append",
    L"Set the favorites folder",
    L"Set the archive folder",
    L"Copy File",
    L"Move/Rename File",
    L"Save Oxbrill Settings",
    L"KB",
    L"Not a file",
    L"Collage",
    L"Move/Rename failed",
    L"Copy failed",
    L"Save failed",
    L"is unavailable",
    L"Recycle",
    L"?",
    L"Recycle failed",
    L"Create shortcut failed",
    L"Archive",
    L"Archive operation failed",
    L"No files",
    L"Building exhibit... still no match",
    L"No match",
    L"Hotkey unavailable",
    L"Searching... press any key",
    L"Recycle selected images?",
    L"Archive selected images?",
    L"Too large to show",
    L"Nothing to undo",
    L"was recycled: restore it from the Recycle Bin",
    L"is no longer there",
    L"was changed by another program",
    L"Not undone: a file now has the name",
    L"Not undone: it replaced a file",
    L"This drive has no Recycle Bin. Delete for ever?",
    L"Undo failed",
    L"cannot be written: the wallpaper stays as it was",
    L"already exists. Replace it?",
    L"cannot be written: entries are missing from it",
    L"is copied, but its original could not be deleted",
};

// Command ids of the main popup's items, in the order the language file lists them.
static_assert(std::size(kMainSubmenus) == kLevel2MenuCount && std::size(kNestedMenus) == kLevel3MenuCount &&
              std::size(kCatalogSubmenus) == kCatalogLevel2Count);

constexpr int32_t kItemsBeforeFormats[] = {
    kCmdPinMain, kCmdPinSlideshow, kCmdSlideshow, kCmdTimer, kCmdWindowed, kCmdFullscreen, kCmdWallpaper,
    kCmdStayOnTop, kCmdPinTransparency, kCmdBlend, kCmdOpacity, kCmdPinLoop, kCmdLoopRepeat, kCmdLoopPause,
    kCmdLoopExit, kCmdLoopReshuffle, kCmdPinSort, kCmdSortForward, kCmdSortReverse, kCmdSortRandom,
    kCmdSortTree, kCmdSortTreeStrict, kCmdSortName, kCmdSortCreated, kCmdSortModified, kCmdSortAccessed,
    kCmdSortCaseSensitive, kCmdPinNavigate, kCmdNext, kCmdPrevious, kCmdNoteStepShift, kCmdNoteStepCtrl,
    kCmdFirst, kCmdLast, kCmdCurrent, kCmdNextFolder, kCmdPrevFolder, kCmdMousewheelNav, kCmdPinScroll,
    kCmdScrollLeft, kCmdScrollRight, kCmdScrollUp, kCmdScrollDown, kCmdNoteScrollShift, kCmdNoteScrollCtrl,
    kCmdNoteScrollAlt, kCmdNoteScrollMouse, kCmdAutoscroll, kCmdAutoscrollQuietly, kCmdPinView, kCmdViewExhibit,
    kCmdViewFavorites, kCmdViewDesktop, kCmdViewArchive, kCmdViewImageFolder, kCmdViewLinkTarget,
    kCmdPinExhibit, kCmdExhibitFolder, kCmdRefresh, kCmdSubfolders, kCmdHiddenFolders, kCmdAutoRefresh,
    kCmdAutoFindCreated, kCmdAutoFindModified, kCmdAutoFindAccessed, kCmdPinFormats,
};
constexpr int32_t kItemsAfterFormats[] = {
    kCmdAnimate, kCmdColorManage, kCmdClearUnloadable, kCmdLogErrors, kCmdLogLinkFailure, kCmdPinFind, kCmdFindFilter, kCmdFindNext,
    kCmdLandscape, kCmdPortrait, kCmdBookmark, kCmdGoToMark, kCmdMarkOnExit, kCmdGoTo, kCmdPinFavorites,
    kCmdSendShortcut, kCmdSendCopy, kCmdShortcutToDesktop, kCmdCopyToDesktop, kCmdFavoritesFolder,
    kCmdPinArchive, kCmdMoveToArchive, kCmdCopyToArchive, kCmdConfirmMove, kCmdArchiveFolder, kCmdArchiveLog,
    kCmdPinCatalog, kCmdCatalog, kCmdThumbnailSize, kCmdHideViewer, kCmdShowOnLaunch, kCmdWrap, kCmdCrop,
    kCmdSqueeze, kCmdShrink, kCmdStretch, kCmdPinZoom, kCmdPinRotate, kCmdZoomIn, kCmdZoomOut, kCmdZoom100,
    kCmdNoteZoomFine, kCmdZoomStep, kCmdZoomLock, kCmdZoomQualityDefault, kCmdZoomQualityHigh,
    kCmdZoomQualityBest, kCmdZoomMousewheel, kCmdRotateRight, kCmdRotateLeft, kCmdRotateLock, kCmdAspectFilter,
    kCmdFlipHorizontal, kCmdExifOrientation, kCmdPinCollage, kCmdCollage, kCmdCollageSize, kCmdPinTransitions,
    kCmdTransitions, kCmdShuttersRight, kCmdShuttersLeft, kCmdShuttersDown, kCmdShuttersUp, kCmdWipeRightLeft,
    kCmdWipeLeftRight, kCmdWipeDownUp, kCmdWipeUpDown, kCmdHorizontalSlide, kCmdVerticalSlide,
    kCmdQuadrantSlide, kCmdQuadrantWipe, kCmdQuadrantPeel, kCmdDissolve, kCmdCrossfade, kCmdTransitionsAll,
    kCmdTransitionsNone, kCmdOverlap, kCmdPinWindow, kCmdNameInCaption, kCmdFullPathname, kCmdStatusBar,
    kCmdTrayIcon, kCmdDecorate, kCmdBackgroundColour, kCmdAutoCenter, kCmdRoam, kCmdCorral, kCmdDraggable,
    kCmdCenter, kCmdPinPresets, kCmdSavePreset1, kCmdSavePreset2, kCmdSavePreset3, kCmdSavePreset4,
    kCmdSavePreset5, kCmdRestorePreset1, kCmdRestorePreset2, kCmdRestorePreset3, kCmdRestorePreset4,
    kCmdRestorePreset5, kCmdPinLayout, kCmdLayoutCentered, kCmdLayoutTopLeft, kCmdLayoutTopRight,
    kCmdLayoutBottomLeft, kCmdLayoutBottomRight, kCmdLayoutRoaming, kCmdHotkey, kCmdSingleInstance,
    kCmdTakeOverNow, kCmdPinScreen, kCmdScreenFullscreen, kCmdScreenCaption, kCmdScreenCursor,
    kCmdScreenCentered, kCmdScreenRoaming, kCmdScreenWallpaper, kCmdWallpaperCenter, kCmdWallpaperTile,
    kCmdWallpaperStretch, kCmdWallpaperFit, kCmdWallpaperFill, kCmdWallpaperClear, kCmdWallpaperRestore,
    kCmdPinShell, kCmdShellView, kCmdShellExplore, kCmdOpenWith, kCmdCopyFile, kCmdMoveRename, kCmdSaveAs,
    kCmdCopyImage, kCmdCopyView, kCmdPaste, kCmdRecycle, kCmdConfirmRecycle, kCmdViewWith, kCmdExploreWith,
    kCmdPinBlackbox, kCmdBlackboxShell, kCmdSmartWallpaper, kCmdScaleWallpaper, kCmdBlackboxSkin,
    kCmdRaiseCaption, kCmdLengthenWindow, kCmdPinSettings, kCmdSaveNow, kCmdSaveSettingsAs, kCmdSaveOnExit,
    kCmdSaveFolder, kCmdPinInfo, kCmdMenu, kCmdMenuAtCursor, kCmdHelp, kCmdAbout, kCmdExit,
};

// The Formats items come from the format table, between the two runs.
static_assert(std::size(kItemsBeforeFormats) + kPictureFormatCount + std::size(kItemsAfterFormats) == kMenuItemCount);
constexpr auto kMenuItemIds = [] {
    std::array<int32_t, kMenuItemCount> ids{};
    size_t n = 0;
    for (const int32_t id : kItemsBeforeFormats) ids[n++] = id;
    for (int format = 0; format < kPictureFormatCount; ++format) ids[n++] = FormatCommand(format);
    for (const int32_t id : kItemsAfterFormats) ids[n++] = id;
    return ids;
}();

constexpr int32_t kCatalogItemIds[kCatalogItemCount] = {
    kCmdPinMain, kCmdExhibitFolder, kCmdRefresh, kCmdViewExhibit, kCmdViewFavorites, kCmdViewDesktop,
    kCmdViewArchive, kCmdViewImageFolder, kCmdViewLinkTarget, kCmdNextFolder, kCmdPrevFolder, kCmdSubfolders,
    kCmdCatalogPinSort, kCmdSortForward, kCmdSortReverse, kCmdSortRandom, kCmdSortTree, kCmdSortTreeStrict,
    kCmdSortName, kCmdSortCreated, kCmdSortModified, kCmdSortAccessed, kCmdSortCaseSensitive, kCmdCatalogPinFind,
    kCmdFindFilter, kCmdFindNext, kCmdCatalogPinFileOps, kCmdMoveRename, kCmdCopyFile, kCmdPaste, kCmdRecycle,
    kCmdMoveToArchive, kCmdSendShortcut, kCmdAutoRefresh, kCmdCurrent, kCmdCatalogView, kCmdCatalogClose,
    kCmdExit,
};

void SetSlot(LangRecord& record, const wchar_t* text) {
    wcsncpy(record.text, text, kLangTextSize - 1);
    record.text[kLangTextSize - 1] = L'\0';
}

LangTable MakeBuiltInLangTable() {
    LangTable table{};
    for (int i = 0; i < kDialogTextCount; ++i) {
        table.dialogs[i].id = i;
        SetSlot(table.dialogs[i], kDialogDefaults[i]);
    }
    for (int i = 0; i < kMessageTextCount; ++i) {
        table.messages[i].id = i;
        SetSlot(table.messages[i], kMessageDefaults[i]);
    }
    return table;
}

MenuTextTable MakeEmptyMenuTable() {
    MenuTextTable table{};
    for (int i = 0; i < kMenuItemCount; ++i) table.items[i].id = kMenuItemIds[i];
    for (int i = 0; i < kLevel2MenuCount; ++i) table.level2[i].id = kMainSubmenus[i];
    for (int i = 0; i < kLevel3MenuCount; ++i) {
        table.level3Parent[i] = kNestedMenus[i].parent;
        table.level3[i].id = kNestedMenus[i].position;
    }
    for (int i = 0; i < kCatalogItemCount; ++i) table.catalogItems[i].id = kCatalogItemIds[i];
    for (int i = 0; i < kCatalogLevel2Count; ++i) table.catalogLevel2[i].id = kCatalogSubmenus[i];
    return table;
}

const wchar_t* FindText(const LangRecord* records, int count, int id) {
    for (int i = 0; i < count; ++i) {
        if (records[i].id == id) return records[i].text;
    }
    return nullptr;
}

// Item text by command id (searched through every submenu), at most 49 characters.
void CollectItem(HMENU menu, LangRecord& record) {
    wchar_t buffer[256] = {};
    record.text[0] = L'\0';
    if (GetMenuStringW(menu, static_cast<UINT>(record.id), buffer, 256, MF_BYCOMMAND) > 0) SetSlot(record, buffer);
}

// Submenu name by position, straight into the slot.
void CollectByPosition(HMENU menu, LangRecord& record) {
    record.text[0] = L'\0';
    if (!menu || GetMenuStringW(menu, static_cast<UINT>(record.id), record.text, kLangTextSize, MF_BYPOSITION) <= 0)
        record.text[0] = L'\0';
    record.text[kLangTextSize - 1] = L'\0';
}

void ApplyText(HMENU menu, UINT item, BOOL byPosition, LangRecord& record) {
    // An empty slot means the item was not in the menu the texts came from:
    // never blank out an item for that.
    if (!menu || !record.text[0]) return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;  // keeps the item's other type bits (radio marks, breaks)
    info.dwTypeData = record.text;
    SetMenuItemInfoW(menu, item, byPosition, &info);
}

// One table row per slot: the slot's current text is both the key and the target.
// Reading a key line therefore translates every slot whose text equals it.
std::vector<IniEntry> SlotRows(LangRecord* records, int count) {
    std::vector<IniEntry> rows;
    rows.reserve(static_cast<size_t>(count) + 1);
    for (int i = 0; i < count; ++i) rows.push_back(IniEntry{records[i].text, kIniString, records[i].text});
    rows.push_back(IniEntry{nullptr, 0, nullptr});
    return rows;
}

struct LanguageSection {
    const wchar_t* header;
    LangRecord* records;
    int count;
};

// The translatable sections, in file order.
void ListSections(LanguageSection (&sections)[7]) {
    sections[0] = {L"[Menu Items]", g_menuTexts.items, kMenuItemCount};
    sections[1] = {L"[Level2 Menus]", g_menuTexts.level2, kLevel2MenuCount};
    sections[2] = {L"[Level3 Menus]", g_menuTexts.level3, kLevel3MenuCount};
    sections[3] = {L"[Dialogs]", g_langTable.dialogs, kDialogTextCount};
    sections[4] = {L"[Messages]", g_langTable.messages, kMessageTextCount};
    sections[5] = {L"[Catalog Menu]", g_menuTexts.catalogItems, kCatalogItemCount};
    sections[6] = {L"[Catalog Level2]", g_menuTexts.catalogLevel2, kCatalogLevel2Count};
}

HINSTANCE ResourceModule() { return g_app.instance ? g_app.instance : GetModuleHandleW(nullptr); }

// Loads menu resources 1000 and 104 and fills the menu tables from their first
// submenus. Returns whether both menus were found.
bool CollectFromResources() {
    HINSTANCE module = ResourceModule();
    HMENU main = LoadProgramMenu(module, IDM_POPUP);
    HMENU catalog = LoadProgramMenu(module, IDM_CATALOG);
    if (main) CollectMenuTexts(GetSubMenu(main, 0));
    if (catalog) CollectCatalogMenuTexts(GetSubMenu(catalog, 0));
    if (main) DestroyMenu(main);
    if (catalog) DestroyMenu(catalog);
    return main && catalog;
}

}  // namespace

LangTable g_langTable = MakeBuiltInLangTable();
MenuTextTable g_menuTexts = MakeEmptyMenuTable();

void ResetLanguageTables() {
    g_langTable = MakeBuiltInLangTable();
    g_menuTexts = MakeEmptyMenuTable();
}

const wchar_t* DialogText(int id) { return FindText(g_langTable.dialogs, kDialogTextCount, id); }

const wchar_t* MessageText(int id) { return FindText(g_langTable.messages, kMessageTextCount, id); }

void CollectMenuTexts(HMENU mainPopup) {
    for (LangRecord& record : g_menuTexts.items) CollectItem(mainPopup, record);
    for (LangRecord& record : g_menuTexts.level2) CollectByPosition(mainPopup, record);
    for (int i = 0; i < kLevel3MenuCount; ++i) {
        HMENU parent = mainPopup ? GetSubMenu(mainPopup, g_menuTexts.level3Parent[i]) : nullptr;
        CollectByPosition(parent, g_menuTexts.level3[i]);
    }
}

void CollectCatalogMenuTexts(HMENU catalogPopup) {
    for (LangRecord& record : g_menuTexts.catalogItems) CollectItem(catalogPopup, record);
    for (LangRecord& record : g_menuTexts.catalogLevel2) CollectByPosition(catalogPopup, record);
}

void ApplyMenuTexts(HMENU mainPopup) {
    if (!mainPopup) return;
    for (LangRecord& record : g_menuTexts.items) ApplyText(mainPopup, static_cast<UINT>(record.id), FALSE, record);
    for (LangRecord& record : g_menuTexts.level2) ApplyText(mainPopup, static_cast<UINT>(record.id), TRUE, record);
    for (int i = 0; i < kLevel3MenuCount; ++i) {
        HMENU parent = GetSubMenu(mainPopup, g_menuTexts.level3Parent[i]);
        ApplyText(parent, static_cast<UINT>(g_menuTexts.level3[i].id), TRUE, g_menuTexts.level3[i]);
    }
}

void ApplyCatalogMenuTexts(HMENU catalogPopup) {
    if (!catalogPopup) return;
    for (LangRecord& record : g_menuTexts.catalogItems)
        ApplyText(catalogPopup, static_cast<UINT>(record.id), FALSE, record);
    for (LangRecord& record : g_menuTexts.catalogLevel2)
        ApplyText(catalogPopup, static_cast<UINT>(record.id), TRUE, record);
}

bool TransferLanguage(const wchar_t* path, int direction) {
    if (!path || !path[0] || (direction != 0 && direction != 1)) return false;
    IniFile file;
    file.Open(path, direction);
    if (!file.IsOpen()) return false;

    LanguageSection sections[7];
    ListSections(sections);

    if (direction == 1) {
        wchar_t version[kLangTextSize] = {};
        wcsncpy(version, g_app.version, kLangTextSize - 1);
        wchar_t language[] = L"English";
        wchar_t translator[1] = {};
        wchar_t contact[1] = {};
        wchar_t remark[] = L"49 chars, name and menu key separated by a tab, key may be translated, not changed";
        const IniEntry header[] = {
            {L"Oxbrill", kIniString, version},
            {L"Language", kIniString, language},
            {L"Translator", kIniString, translator},
            {L"Contact", kIniString, contact},
            {L";", kIniString, remark},
            {nullptr, 0, nullptr},
        };
        file.WriteSection(header, L"[Language]");
        for (const LanguageSection& section : sections) {
            const std::vector<IniEntry> rows = SlotRows(section.records, section.count);
            file.WriteSection(rows.data(), section.header);
        }
    } else {
        for (const LanguageSection& section : sections) {
            const std::vector<IniEntry> rows = SlotRows(section.records, section.count);
            file.ReadSection(rows.data(), section.header, kLangTextSize);
        }
    }
    return file.Close();
}

bool WriteTranslationTemplate(const wchar_t* languagePath) {
    if (!languagePath || !languagePath[0]) return false;
    // The user's translation is copied whole to the .bak first (a missing one
    // is no error); when it cannot be, it is not written over.
    const std::wstring backup = std::wstring(languagePath) + L".bak";
    const Transfer saved = CopyFileSafely(languagePath, backup.c_str(), true);
    if (saved != Transfer::Done && saved != Transfer::SourceGone) return false;

    CollectFromResources();
    return WriteFileSafely(languagePath, true, [](const wchar_t* temporary) {
               return TransferLanguage(temporary, 1);
           }) == Transfer::Done;
}

void AppState::LoadMenuTexts() { CollectFromResources(); }
