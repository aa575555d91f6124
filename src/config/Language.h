// The translatable texts of the viewer: numbered dialog strings and messages,
// the texts of the two popup menus, and the language file that replaces them.
// Every text lives in a fixed 50-character slot (49 characters + terminator).
// The tables are process-wide and usable without AppState.
#pragma once

#include <windows.h>

#include <cstdint>

#include "exhibit/PictureFormats.h"

constexpr int kLangTextSize = 50;

struct LangRecord {
    int32_t id;
    wchar_t text[kLangTextSize];
};

constexpr int kDialogTextCount = 36;
constexpr int kMessageTextCount = 39;
// The messages added after the others: a picture beyond the memory budget,
// and the answers of undo and of the checks around filing pictures away.
enum AddedMessage {
    kMessageTooLarge = 26,
    kMessageNothingToUndo,
    kMessageRestoreFromBin,
    kMessageNoLongerThere,
    kMessageChangedElsewhere,
    kMessageNameTaken,
    kMessageFileReplaced,
    kMessageNoRecycleBin,
    kMessageUndoFailed,
    kMessageWallpaperNotWritten,
    kMessageReplaceIt,
    kMessageLogNotWritten,      // "<log> cannot be written...": once a run for each log
    kMessageSourceKept,         // a move across volumes that could not delete its source
};
// The main menu's items: 220 of its own and the Formats item of each picture format.
constexpr int kMenuItemCount = 222 + kPictureFormatCount;
constexpr int kLevel2MenuCount = 17;
constexpr int kLevel3MenuCount = 8;
constexpr int kCatalogItemCount = 38;
constexpr int kCatalogLevel2Count = 3;

// Dialog strings (ids 0-35) and messages (ids 0-38).
struct LangTable {
    LangRecord dialogs[kDialogTextCount];
    LangRecord messages[kMessageTextCount];
};

// Menu texts as collected from the menu resources. Item records carry the
// command id; submenu records carry their position in the parent menu.
struct MenuTextTable {
    LangRecord items[kMenuItemCount];
    LangRecord level2[kLevel2MenuCount];           // position in the main popup
    LangRecord level3[kLevel3MenuCount];           // position inside its level-2 submenu
    int32_t level3Parent[kLevel3MenuCount];        // position of that level-2 submenu
    LangRecord catalogItems[kCatalogItemCount];
    LangRecord catalogLevel2[kCatalogLevel2Count]; // position in the Catalog popup
};

extern LangTable g_langTable;
extern MenuTextTable g_menuTexts;

// Restores the built-in English dialog strings and messages and empties the
// menu slots (their ids stay).
void ResetLanguageTables();

// Text of the dialog string or message with that id; null for an unknown id.
const wchar_t* DialogText(int id);
const wchar_t* MessageText(int id);

// Fill the menu tables from freshly loaded popups (the first submenu of menu
// resource 1000, resp. 104).
void CollectMenuTexts(HMENU mainPopup);
void CollectCatalogMenuTexts(HMENU catalogPopup);

// Put the table texts into a freshly loaded popup.
void ApplyMenuTexts(HMENU mainPopup);
void ApplyCatalogMenuTexts(HMENU catalogPopup);

// direction 0 reads the language file at `path`, 1 writes every table to it.
// A missing or unreadable file changes nothing. Returns whether the file could
// be opened (and, when writing, written completely).
bool TransferLanguage(const wchar_t* path, int direction);

// Writes a fresh translation template at `languagePath` from the program's own
// menus (an existing file is first copied to languagePath + ".bak", and left
// as it is when that fails), through fileops/FileTransfer.h. Returns whether
// the file could be written. The caller ends the process.
bool WriteTranslationTemplate(const wchar_t* languagePath);
