// Built-in English texts, the menu text tables and the language file.
#include "config/Language.h"

#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "config/IniFile.h"
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
    L"Auto-updating... press any key",
    L"Recycle selected images?",
    L"Archive selected images?",
};

// Command ids of the main popup's items, in the order the language file lists them.
constexpr int32_t kMenuItemIds[kMenuItemCount] = {
    2000, 2002, 1001, 1002, 1011, 1012, 1013, 1014, 3011, 1021, 1022, 3012, 1031, 1032,
    1033, 1034, 2003, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 2004,
    1051, 1052, 901,  902,  1053, 1054, 1055, 1056, 1057, 1058, 3116, 1061, 1062, 1063,
    1064, 903,  904,  905,  906,  1065, 1066, 2006, 1101, 1103, 1102, 1104, 1105, 1106,
    2007, 1111, 1112, 1113, 1114, 1115, 1116, 1117, 1118, 3213, 1121, 1122, 1123, 1124,
    1125, 1126, 1127, 1131, 1132, 1133, 2008, 1141, 1142, 1143, 1144, 1145, 1146, 1147,
    1148, 2009, 1151, 1152, 1154, 1155, 1153, 3310, 1161, 1162, 1163, 1164, 1165, 2010,
    1171, 1172, 1173, 1174, 1201, 1202, 1203, 1204, 1205, 2017, 2018, 1211, 1212, 1213,
    907,  1214, 1215, 1216, 1217, 1218, 1219, 1221, 1222, 1223, 1224, 1225, 1226, 2019,
    1231, 1232, 2020, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 1259, 1260,
    1261, 1262, 1263, 1264, 1265, 1266, 1267, 1268, 2022, 1301, 1302, 1303, 1304, 1305,
    1306, 1311, 1312, 1313, 1314, 1315, 3416, 1321, 1322, 1323, 1324, 1325, 1331, 1332,
    1333, 1334, 1335, 3417, 1341, 1342, 1343, 1344, 1345, 1346, 1351, 1352, 1353, 2023,
    1371, 1372, 1373, 1374, 1375, 1381, 1382, 1383, 1384, 1385, 1386, 1387, 1388, 2024,
    1401, 1402, 1403, 1411, 1412, 1413, 1421, 1422, 1423, 1431, 1432, 1441, 1442, 3520,
    1451, 1452, 1453, 1454, 1455, 1456, 2026, 1501, 1502, 1503, 1504, 2027, 1511, 1512,
    1513, 1514, 1515,
};

// Positions of the submenus in the main popup: Slideshow, Sort, Navigate, View,
// Exhibit, Find, Favorites, Catalog, Zoom, Rotate, Collage, Transitions, Window,
// Screen, Shell, Settings, Info.
constexpr int32_t kLevel2Positions[kLevel2MenuCount] = {2,  3,  4,  6,  7,  8,  9,  10, 17,
                                                         18, 19, 20, 22, 23, 24, 26, 27};

// Nested submenus as (parent position, position inside it): Transparency, Loop,
// Scroll, Formats, Archive, Presets, Layout, Blackbox.
constexpr int32_t kLevel3Positions[kLevel3MenuCount][2] = {
    {2, 11}, {2, 12}, {4, 16}, {7, 13}, {9, 10}, {22, 16}, {22, 17}, {24, 20},
};

constexpr int32_t kCatalogItemIds[kCatalogItemCount] = {
    2000, 1111, 1112, 1101, 1103, 1102, 1104, 1105, 1106, 1056, 1057, 1113, 2018, 1040,
    1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 2019, 1141, 1142, 2020, 1412,
    1411, 1423, 1431, 1161, 1151, 1115, 1055, 1,    2,    1515,
};

// Sort, Find, File Ops.
constexpr int32_t kCatalogLevel2Positions[kCatalogLevel2Count] = {18, 19, 20};

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
    for (int i = 0; i < kLevel2MenuCount; ++i) table.level2[i].id = kLevel2Positions[i];
    for (int i = 0; i < kLevel3MenuCount; ++i) {
        table.level3Parent[i] = kLevel3Positions[i][0];
        table.level3[i].id = kLevel3Positions[i][1];
    }
    for (int i = 0; i < kCatalogItemCount; ++i) table.catalogItems[i].id = kCatalogItemIds[i];
    for (int i = 0; i < kCatalogLevel2Count; ++i) table.catalogLevel2[i].id = kCatalogLevel2Positions[i];
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
    HMENU main = LoadMenuW(module, MAKEINTRESOURCEW(IDM_POPUP));
    HMENU catalog = LoadMenuW(module, MAKEINTRESOURCEW(IDM_CATALOG));
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
    const std::wstring backup = std::wstring(languagePath) + L".bak";
    CopyFileW(languagePath, backup.c_str(), FALSE);  // a missing language file is no error

    CollectFromResources();
    return TransferLanguage(languagePath, 1);
}

void AppState::LoadMenuTexts() { CollectFromResources(); }
