// Checks the hand-written menus, accelerators, dialogs, icon and manifest as
// the program loads them: the test executable carries the same resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../../resources/resource.h"
#include "commands/CommandIds.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

class MenuHolder {
public:
    explicit MenuHolder(int id) : menu_(LoadMenuW(Module(), MAKEINTRESOURCEW(id))) {}
    ~MenuHolder() {
        if (menu_) DestroyMenu(menu_);
    }
    MenuHolder(const MenuHolder&) = delete;
    MenuHolder& operator=(const MenuHolder&) = delete;
    HMENU Get() const { return menu_; }
    HMENU Popup() const { return menu_ ? GetSubMenu(menu_, 0) : nullptr; }

private:
    HMENU menu_;
};

struct MenuEntry {
    UINT id = 0;
    std::wstring text;
    UINT state = 0;
    bool separator = false;
    HMENU submenu = nullptr;
};

MenuEntry EntryAt(HMENU menu, int position) {
    wchar_t buffer[256] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = 256;
    MenuEntry entry;
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return entry;
    entry.id = info.wID;
    entry.text = buffer;
    entry.state = info.fState;
    entry.separator = (info.fType & MFT_SEPARATOR) != 0;
    entry.submenu = info.hSubMenu;
    return entry;
}

std::vector<MenuEntry> Entries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) entries.push_back(EntryAt(menu, i));
    return entries;
}

// Every command item, depth first, the way the language tables collect them.
void WalkItems(HMENU menu, std::vector<MenuEntry>& out) {
    for (const MenuEntry& entry : Entries(menu)) {
        if (entry.separator) continue;
        if (entry.submenu) {
            WalkItems(entry.submenu, out);
        } else {
            out.push_back(entry);
        }
    }
}

std::vector<UINT> WalkIds(HMENU menu) {
    std::vector<MenuEntry> items;
    WalkItems(menu, items);
    std::vector<UINT> ids;
    for (const MenuEntry& item : items) ids.push_back(item.id);
    return ids;
}

// "2000, 2002, 1040 to 1049, ..." -> the numbers.
std::vector<UINT> ExpandList(const char* list) {
    std::vector<UINT> ids;
    std::istringstream in(list);
    std::string token;
    while (in >> token) {
        if (token == "to") {
            UINT last = 0;
            in >> last;
            in.ignore(1, ',');
            for (UINT id = ids.back() + 1; id <= last; ++id) ids.push_back(id);
            continue;
        }
        ids.push_back(static_cast<UINT>(std::stoul(token)));
    }
    return ids;
}

// The translation table's order of the viewer's menu items.
const char kMenuItemOrder[] =
    "2000, 2002, 1001, 1002, 1011, 1012, 1013, 1014, 3011, 1021, 1022, 3012, 1031, 1032, 1033, "
    "1034, 2003, 1040 to 1049, 2004, 1051, 1052, 901, 902, 1053 to 1058, 3116, 1061 to 1064, "
    "903, 904, 905, 906, 1065, 1066, 2006, 1101, 1103, 1102, 1104, 1105, 1106, 2007, 1111 to 1118, "
    "3213, 1121 to 1127, 1131, 1132, 1133, 2008, 1141 to 1148, 2009, 1151, 1152, 1154, 1155, 1153, "
    "3310, 1161 to 1165, 2010, 1171 to 1174, 1201 to 1205, 2017, 2018, 1211, 1212, 1213, 907, "
    "1214 to 1219, 1221 to 1226, 2019, 1231, 1232, 2020, 1250 to 1268, 2022, 1301 to 1306, "
    "1311 to 1315, 3416, 1321 to 1325, 1331 to 1335, 3417, 1341 to 1346, 1351, 1352, 1353, 2023, "
    "1371 to 1375, 1381 to 1388, 2024, 1401, 1402, 1403, 1411, 1412, 1413, 1421, 1422, 1423, 1431, "
    "1432, 1441, 1442, 3520, 1451 to 1456, 2026, 1501 to 1504, 2027, 1511 to 1515";

// One row per command item: label and every key bound to it ("|" between keys;
// the first is the one shown in the menu). Character keys stand as themselves.
struct CommandRow {
    UINT id;
    const wchar_t* label;
    const wchar_t* keys;
};

const CommandRow kCommands[] = {
    {1001, L"Slideshow", L"Pause|Enter|Play|!"},
    {1002, L"Timer...", L"Ctrl+T"},
    {1011, L"Windowed", L"Alt+N"},
    {1012, L"Fullscreen", L"F11"},
    {1013, L"Wallpaper", L"Alt+W"},
    {1014, L"Stay On Top", L"Alt+T"},
    {1021, L"Blend", L"B"},
    {1022, L"Opacity...", L"Ctrl+B"},
    {1031, L"Loop", L""},
    {1032, L"Pause", L""},
    {1033, L"Exit", L""},
    {1034, L"Reshuffle", L""},
    {1040, L"Forward", L"Alt+F"},
    {1041, L"Re&verse", L"Alt+V"},
    {1042, L"Random (Shuffle)", L"Alt+R"},
    {1043, L"Tree", L"Ctrl+K"},
    {1044, L"Tree (Strict)", L"Alt+K"},
    {1045, L"Name", L""},
    {1046, L"Created", L""},
    {1047, L"Modified", L""},
    {1048, L"Accessed", L""},
    {1049, L"Case Sensitive", L"Shift+I"},
    {1051, L"Next", L"PgDn|Shift+PgDn|Ctrl+PgDn|Space|Shift+Space|Ctrl+Space"},
    {1052, L"Previous", L"PgUp|Shift+PgUp|Ctrl+PgUp|Backspace|Shift+Backspace|Ctrl+Backspace"},
    {1053, L"First", L"Home"},
    {1054, L"Last", L"End"},
    {1055, L"Current", L"F5"},
    {1056, L"Next Folder", L"Tab"},
    {1057, L"Prev Folder", L"Shift+Tab"},
    {1058, L"Mousewheel", L""},
    {1061, L"Left", L"Left|Shift+Left|Ctrl+Left|Alt+Left"},
    {1062, L"Right", L"Right|Shift+Right|Ctrl+Right|Alt+Right"},
    {1063, L"Up", L"Up|Shift+Up|Ctrl+Up|Alt+Up"},
    {1064, L"Down", L"Down|Shift+Down|Ctrl+Down|Alt+Down"},
    {1065, L"Autoscroll", L""},
    {1066, L"...quietly", L"Q"},
    {1101, L"View Exhibit", L"Shift+A|Shift+F7"},
    {1102, L"View Desktop", L"Shift+D"},
    {1103, L"View Favorites", L"Shift+F|Shift+F8"},
    {1104, L"View Archive", L"Shift+G|Shift+F9"},
    {1105, L"View Image Folder", L"Shift+F5"},
    {1106, L"View Link Target", L"Shift+L"},
    {1111, L"Folder...", L"Ins"},
    {1112, L"Refresh", L"Ctrl+R"},
    {1113, L"Subfolders", L"Shift+B"},
    {1114, L"Hidden Folders", L""},
    {1115, L"Auto Refresh", L"Ctrl+A"},
    {1116, L"...to last created", L""},
    {1117, L"...to last modified", L""},
    {1118, L"...to last accessed", L""},
    {1121, L"BMP", L""},
    {1122, L"EMF", L""},
    {1123, L"GIF", L""},
    {1124, L"ICO", L""},
    {1125, L"JPG", L""},
    {1126, L"PNG", L""},
    {1127, L"TIF", L""},
    {1131, L"Clear Unloadable", L""},
    {1132, L"Log Errors", L""},
    {1133, L"Log Link Failure", L""},
    {1141, L"Find/Filter...", L"Ctrl+F"},
    {1142, L"Find Next", L"F3"},
    {1143, L"Landscape", L"Alt+L"},
    {1144, L"Portrait", L"Alt+P"},
    {1145, L"Bookmark", L"Ctrl+M"},
    {1146, L"Go To Mark", L"M"},
    {1147, L"Mark on Exit", L""},
    {1148, L"Go To...", L"Ctrl+G"},
    {1151, L"Send Shortcut", L"F8"},
    {1152, L"Send Copy", L"Alt+F8"},
    {1153, L"Favorites Folder...", L"Ctrl+F8"},
    {1154, L"Shortcut To Desktop", L"D"},
    {1155, L"Copy To Desktop", L"Alt+D"},
    {1161, L"Move To Archive", L"F9"},
    {1162, L"Copy To Archive", L"Alt+F9"},
    {1163, L"Confirm Move", L""},
    {1164, L"Archive Folder...", L"Ctrl+F9"},
    {1165, L"Archive Log", L""},
    {1171, L"Catalog", L"C|O"},
    {1172, L"Thumbnail Size...", L""},
    {1173, L"Hide Viewer", L""},
    {1174, L"Show on Launch", L""},
    {1201, L"Wrap", L"W"},
    {1202, L"Cro&p", L"P"},
    {1203, L"Squeeze", L"S"},
    {1204, L"Shrink", L"Alt+S"},
    {1205, L"Stretch", L"Shift+S"},
    {1211, L"Zoom In", L"+|Alt++"},
    {1212, L"Zoom Out", L"-|Alt+-"},
    {1213, L"100%", L"="},
    {1214, L"Zoom Step...", L"Ctrl+Z"},
    {1215, L"Zoom Lock", L"Shift+Z"},
    {1216, L"Default", L""},
    {1217, L"High", L""},
    {1218, L"Best", L""},
    {1219, L"Mousewheel", L""},
    {1221, L"Rotate", L"R"},
    {1222, L"Rotate Left", L"L"},
    {1223, L"Rotate Lock", L"Shift+R"},
    {1224, L"Aspect Filter", L"Ctrl+Shift+R"},
    {1225, L"Flip Horizontal", L"H"},
    {1226, L"Exif Orientation", L"Ctrl+O"},
    {1231, L"Collage", L"G"},
    {1232, L"Collage Size...", L""},
    {1250, L"Transitions", L"T"},
    {1251, L"Shutters Right", L""},
    {1252, L"Shutters Left", L""},
    {1253, L"Shutters Down", L""},
    {1254, L"Shutters Up", L""},
    {1255, L"Wipe Right/Left", L""},
    {1256, L"Wipe Left/Right", L""},
    {1257, L"Wipe Down/Up", L""},
    {1258, L"Wipe Up/Down", L""},
    {1259, L"Horizontal Slide", L""},
    {1260, L"Vertical Slide", L""},
    {1261, L"Quadrant Slide", L""},
    {1262, L"Quadrant Wipe", L""},
    {1263, L"Quadrant Peel", L""},
    {1264, L"Dissolve", L""},
    {1265, L"Crossfade", L""},
    {1266, L"All", L""},
    {1267, L"None", L""},
    {1268, L"Overlap", L""},
    {1301, L"Name in Caption", L"N"},
    {1302, L"Full Pathname", L"Shift+N"},
    {1303, L"Status Bar", L"I"},
    {1304, L"Tray Icon", L"Alt+I"},
    {1305, L"Decorate", L""},
    {1306, L"Background Colour", L"Alt+B"},
    {1311, L"Auto Center", L""},
    {1312, L"Roam", L""},
    {1313, L"Corral", L""},
    {1314, L"Draggable", L""},
    {1315, L"Center", L"0"},
    {1321, L"Save 1", L"Alt+1"},
    {1322, L"Save 2", L"Alt+2"},
    {1323, L"Save 3", L"Alt+3"},
    {1324, L"Save 4", L"Alt+4"},
    {1325, L"Save 5", L"Alt+5"},
    {1331, L"Restore 1", L"1"},
    {1332, L"Restore 2", L"2"},
    {1333, L"Restore 3", L"3"},
    {1334, L"Restore 4", L"4"},
    {1335, L"Restore 5", L"5"},
    {1341, L"Centered", L"Ctrl+0"},
    {1342, L"Top Left", L"Ctrl+1"},
    {1343, L"Top Right", L"Ctrl+2"},
    {1344, L"Bottom Left", L"Ctrl+3"},
    {1345, L"Bottom Right", L"Ctrl+4"},
    {1346, L"Roaming", L"Ctrl+5"},
    {1351, L"Show/Hide Hotkey...", L""},
    {1352, L"Single Instance", L""},
    {1353, L"...now", L"~"},
    {1371, L"Fullscreen", L"F11"},
    {1372, L"Caption", L"Shift+F11"},
    {1373, L"Cursor", L"Shift+U"},
    {1374, L"Centered Image", L"Shift+0"},
    {1375, L"Roaming Image", L"Shift+5"},
    {1381, L"Wallpaper", L"Alt+W"},
    {1382, L"Center", L"Ctrl+W"},
    {1383, L"Tile", L"Shift+W"},
    {1384, L"Stretch", L"Ctrl+Shift+W"},
    {1385, L"Fit", L""},
    {1386, L"Fill", L""},
    {1387, L"Clear", L""},
    {1388, L"Restore", L""},
    {1401, L"View", L"Shift+V"},
    {1402, L"Explore", L"Shift+E"},
    {1403, L"Open Wit&h...", L"Shift+H"},
    {1411, L"Copy File...", L"Shift+C"},
    {1412, L"Move/Rename...", L"F2"},
    {1413, L"Save As...", L"Ctrl+S"},
    {1421, L"Copy Image", L"Ctrl+Shift+C"},
    {1422, L"Copy View", L"Ctrl+C"},
    {1423, L"Paste", L"Ctrl+V"},
    {1431, L"Recycle", L"Del"},
    {1432, L"Confirm", L""},
    {1441, L"View With...", L""},
    {1442, L"Explore With...", L""},
    {1451, L"Blackbox Shell", L""},
    {1452, L"Smart Wallpaper", L""},
    {1453, L"Scale Wallpaper", L""},
    {1454, L"Blackbox Skin", L""},
    {1455, L"Raise Caption...", L""},
    {1456, L"Lengthen Window ...", L""},
    {1501, L"Save Now", L""},
    {1502, L"Save &As...", L""},
    {1503, L"Save on Exit", L""},
    {1504, L"Save Folder", L""},
    {1511, L"Menu", L"F1|Apps"},
    {1512, L"...at cursor", L""},
    {1513, L"Help", L"?|Help"},
    {1514, L"About...", L""},
    {1515, L"E&xit", L"Esc"},
};

// Commands that are the same action under two names; the key they share can be
// bound once only, to the first of the pair.
const std::map<UINT, UINT> kSharedKeyOwner = {{1371, 1012}, {1381, 1013}};

std::vector<std::wstring> SplitKeys(const wchar_t* keys) {
    std::vector<std::wstring> out;
    std::wstring all = keys;
    size_t start = 0;
    while (start < all.size()) {
        size_t bar = all.find(L'|', start);
        if (bar == std::wstring::npos) bar = all.size();
        out.push_back(all.substr(start, bar - start));
        start = bar + 1;
    }
    return out;
}

struct KeyBinding {
    BYTE flags = 0;  // FVIRTKEY, FSHIFT, FCONTROL, FALT as an accelerator entry holds them
    WORD key = 0;
    bool operator<(const KeyBinding& other) const {
        return flags != other.flags ? flags < other.flags : key < other.key;
    }
};

// "Ctrl+Shift+R", "PgDn", "Alt++", "?" -> the accelerator entry that binds it.
bool ParseKey(const std::wstring& text, KeyBinding& out) {
    static const std::map<std::wstring, WORD> kNamed = {
        {L"Pause", VK_PAUSE}, {L"Enter", VK_RETURN}, {L"Play", VK_PLAY}, {L"PgDn", VK_NEXT},
        {L"PgUp", VK_PRIOR}, {L"Space", VK_SPACE}, {L"Backspace", VK_BACK}, {L"Home", VK_HOME},
        {L"End", VK_END}, {L"Tab", VK_TAB}, {L"Left", VK_LEFT}, {L"Right", VK_RIGHT},
        {L"Up", VK_UP}, {L"Down", VK_DOWN}, {L"Ins", VK_INSERT}, {L"Del", VK_DELETE},
        {L"Esc", VK_ESCAPE}, {L"Apps", VK_APPS}, {L"Help", VK_HELP}};
    BYTE modifiers = 0;
    std::wstring rest = text;
    for (;;) {
        if (rest.rfind(L"Ctrl+", 0) == 0 && rest.size() > 5) {
            modifiers |= FCONTROL;
            rest.erase(0, 5);
        } else if (rest.rfind(L"Shift+", 0) == 0 && rest.size() > 6) {
            modifiers |= FSHIFT;
            rest.erase(0, 6);
        } else if (rest.rfind(L"Alt+", 0) == 0 && rest.size() > 4) {
            modifiers |= FALT;
            rest.erase(0, 4);
        } else {
            break;
        }
    }
    if (rest.size() == 1 && std::wcschr(L"!+-=~?", rest[0])) {
        out = {static_cast<BYTE>(modifiers), static_cast<WORD>(rest[0])};  // a typed character
        return true;
    }
    WORD vk = 0;
    if (rest.size() == 1 && ((rest[0] >= L'A' && rest[0] <= L'Z') || (rest[0] >= L'0' && rest[0] <= L'9'))) {
        vk = rest[0];
    } else if (rest.size() >= 2 && rest[0] == L'F' && iswdigit(rest[1])) {
        vk = static_cast<WORD>(VK_F1 + std::stoi(rest.substr(1)) - 1);
    } else if (auto named = kNamed.find(rest); named != kNamed.end()) {
        vk = named->second;
    } else {
        return false;
    }
    out = {static_cast<BYTE>(FVIRTKEY | modifiers), vk};
    return true;
}

std::vector<ACCEL> LoadAccelTable() {
    std::vector<ACCEL> entries;
    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCEL));
    if (!table) return entries;
    entries.resize(CopyAcceleratorTableW(table, nullptr, 0));
    CopyAcceleratorTableW(table, entries.data(), static_cast<int>(entries.size()));
    DestroyAcceleratorTable(table);
    return entries;
}

std::wstring AfterTab(const std::wstring& text) {
    size_t tab = text.find(L'\t');
    return tab == std::wstring::npos ? L"" : text.substr(tab + 1);
}

std::wstring BeforeTab(const std::wstring& text) { return text.substr(0, text.find(L'\t')); }

const CommandRow* FindRow(UINT id) {
    for (const CommandRow& row : kCommands)
        if (row.id == id) return &row;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Menu 1000, the viewer's popup.

TEST(MainMenuResource, HoldsEveryItemOnceInTranslationTableOrder) {
    MenuHolder menu(IDM_POPUP);
    ASSERT_NE(menu.Popup(), nullptr);
    EXPECT_EQ(GetMenuItemCount(menu.Get()), 1) << "one top-level popup";

    std::vector<UINT> expected = ExpandList(kMenuItemOrder);
    ASSERT_EQ(expected.size(), 227u);
    // The table lists the Rotate pin beside the Zoom pin; in the menu it heads
    // its own submenu, just before Rotate.
    expected.erase(std::find(expected.begin(), expected.end(), 2018u));
    expected.insert(std::find(expected.begin(), expected.end(), 1221u), 2018u);

    std::vector<UINT> walked = WalkIds(menu.Popup());
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(std::set<UINT>(walked.begin(), walked.end()).size(), walked.size()) << "an id is repeated";
}

TEST(MainMenuResource, TopLevelLayoutCountsSeparators) {
    MenuHolder menu(IDM_POPUP);
    std::vector<MenuEntry> top = Entries(menu.Popup());
    ASSERT_EQ(top.size(), 29u);

    const std::map<int, std::wstring> submenus = {
        {2, L"Slideshow"}, {3, L"Sort"},      {4, L"Navigate"},     {6, L"View"},         {7, L"Exhibit"},
        {8, L"Find"},      {9, L"F&avorites"}, {10, L"Catalog"},     {17, L"Zoom"},        {18, L"Rotate"},
        {19, L"Colla&ge"}, {20, L"Transitions"}, {22, L"Window"},    {23, L"Screen"},      {24, L"S&hell"},
        {26, L"Settings"}, {27, L"Info"}};
    const std::map<int, std::pair<UINT, std::wstring>> commands = {
        {0, {2000, L"Pin"}},          {12, {1201, L"Wrap\tW"}},       {13, {1202, L"Cro&p\tP"}},
        {14, {1203, L"Squeeze\tS"}},  {15, {1204, L"Shrink\tAlt+S"}}, {16, {1205, L"Stretch\tShift+S"}},
        {28, {1515, L"E&xit\tEsc"}}};
    const std::set<int> separators = {1, 5, 11, 21, 25};

    for (int pos = 0; pos < 29; ++pos) {
        SCOPED_TRACE(pos);
        const MenuEntry& entry = top[pos];
        if (auto sub = submenus.find(pos); sub != submenus.end()) {
            ASSERT_NE(entry.submenu, nullptr);
            EXPECT_EQ(entry.text, sub->second);
        } else if (auto cmd = commands.find(pos); cmd != commands.end()) {
            EXPECT_EQ(entry.submenu, nullptr);
            EXPECT_EQ(entry.id, cmd->second.first);
            EXPECT_EQ(entry.text, cmd->second.second);
        } else {
            EXPECT_TRUE(separators.count(pos));
            EXPECT_TRUE(entry.separator);
        }
    }
}

TEST(MainMenuResource, SubmenusBeginWithTheirPinAndNestedOnesSitInPlace) {
    MenuHolder menu(IDM_POPUP);
    struct Nested {
        int parent, position;
        const wchar_t* name;
        UINT pin;
    };
    const Nested nested[] = {{2, 11, L"Transparency", 3011}, {2, 12, L"Loop", 3012},   {4, 16, L"Scroll", 3116},
                             {7, 13, L"Formats", 3213},      {9, 10, L"Archive", 3310}, {22, 16, L"Presets", 3416},
                             {22, 17, L"Layout", 3417},      {24, 20, L"Blackbox", 3520}};
    auto expectPinHead = [](HMENU sub, UINT pin) {
        std::vector<MenuEntry> entries = Entries(sub);
        ASSERT_GE(entries.size(), 3u);
        EXPECT_EQ(entries[0].id, pin);
        EXPECT_EQ(entries[0].text, L"Pin");
        EXPECT_TRUE(entries[1].separator);
        EXPECT_FALSE(entries[2].separator) << "empty group after the pin";
        EXPECT_FALSE(entries.back().separator) << "trailing separator";
    };

    expectPinHead(menu.Popup(), 2000);
    int level2 = 0, level3 = 0;
    std::vector<MenuEntry> top = Entries(menu.Popup());
    for (int pos = 0; pos < static_cast<int>(top.size()); ++pos) {
        if (!top[pos].submenu) continue;
        SCOPED_TRACE(top[pos].text);
        ++level2;
        expectPinHead(top[pos].submenu, 2000 + pos);
        std::vector<MenuEntry> inner = Entries(top[pos].submenu);
        for (int ipos = 0; ipos < static_cast<int>(inner.size()); ++ipos) {
            if (!inner[ipos].submenu) continue;
            SCOPED_TRACE(inner[ipos].text);
            ++level3;
            const Nested* match = nullptr;
            for (const Nested& n : nested)
                if (n.parent == pos && n.position == ipos) match = &n;
            ASSERT_NE(match, nullptr) << "unexpected nested submenu at " << pos << "," << ipos;
            EXPECT_EQ(inner[ipos].text, match->name);
            expectPinHead(inner[ipos].submenu, match->pin);
            for (const MenuEntry& deep : Entries(inner[ipos].submenu)) EXPECT_EQ(deep.submenu, nullptr);
        }
    }
    EXPECT_EQ(level2, 17);
    EXPECT_EQ(level3, 8);
}

TEST(MainMenuResource, OnlyDescriptiveLinesAndMenuStartDisabled) {
    MenuHolder menu(IDM_POPUP);
    std::vector<MenuEntry> items;
    WalkItems(menu.Popup(), items);
    int descriptive = 0;
    for (const MenuEntry& item : items) {
        SCOPED_TRACE(item.id);
        bool disabled = (item.state & (MFS_DISABLED | MFS_GRAYED)) != 0;
        bool checked = (item.state & MFS_CHECKED) != 0;
        if (item.id >= 901 && item.id <= 907) {
            ++descriptive;
            EXPECT_TRUE(disabled);
            EXPECT_FALSE(checked);
        } else if (item.id == 1511) {
            EXPECT_TRUE(disabled);
            EXPECT_TRUE(checked);
        } else {
            EXPECT_FALSE(disabled);
            EXPECT_FALSE(checked);
        }
    }
    EXPECT_EQ(descriptive, 7);
}

TEST(MainMenuResource, LabelsAndShownKeysMatchTheCommandTable) {
    MenuHolder menu(IDM_POPUP);
    std::vector<MenuEntry> items;
    WalkItems(menu.Popup(), items);
    for (const MenuEntry& item : items) {
        SCOPED_TRACE(item.id);
        if (item.id >= 2000) {
            EXPECT_EQ(item.text, L"Pin");
            continue;
        }
        if (item.id >= 901 && item.id <= 907) {
            EXPECT_FALSE(AfterTab(item.text).empty()) << "a step note names its modifier";
            continue;
        }
        const CommandRow* row = FindRow(item.id);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(BeforeTab(item.text), row->label);
        std::vector<std::wstring> keys = SplitKeys(row->keys);
        if (keys.empty()) {
            EXPECT_EQ(item.text.find(L'\t'), std::wstring::npos) << "a key shown for an item without one";
        } else {
            EXPECT_EQ(AfterTab(item.text), keys.front());
        }
        EXPECT_LT(item.text.size(), 50u) << "too long for a translation slot";
    }
}

// ---------------------------------------------------------------------------
// Accelerator table 1000.

TEST(AcceleratorResource, BindsEveryKeyOfTheCommandTableAndNothingElse) {
    std::vector<ACCEL> table = LoadAccelTable();
    ASSERT_FALSE(table.empty());

    std::map<KeyBinding, WORD> bound;
    for (const ACCEL& entry : table) {
        KeyBinding key{static_cast<BYTE>(entry.fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT)), entry.key};
        EXPECT_TRUE(bound.emplace(key, entry.cmd).second)
            << "key bound twice: flags " << int(key.flags) << " key " << key.key;
    }

    std::set<KeyBinding> wanted;
    for (const CommandRow& row : kCommands) {
        for (const std::wstring& text : SplitKeys(row.keys)) {
            SCOPED_TRACE(testing::Message() << row.id << " " << std::string(text.begin(), text.end()));
            KeyBinding key;
            ASSERT_TRUE(ParseKey(text, key));
            wanted.insert(key);
            auto found = bound.find(key);
            ASSERT_NE(found, bound.end()) << "key not bound";
            auto shared = kSharedKeyOwner.find(row.id);
            EXPECT_EQ(found->second, shared == kSharedKeyOwner.end() ? row.id : shared->second);
        }
    }
    for (const auto& [key, command] : bound)
        EXPECT_TRUE(wanted.count(key)) << "stray key for " << command << ": flags " << int(key.flags) << " key "
                                       << key.key;
}

// The viewer's message loop: accelerators, then the dialog manager, then the
// window procedure. Keys are fed as the system delivers them, with the
// keyboard state set to the modifiers held, so typed characters only exist
// once the dialog manager has translated the key.
class ViewerKeys : public testing::Test {
protected:
    void SetUp() override {
        window_ = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_MAIN), nullptr, &ViewerKeys::Proc, 0);
        ASSERT_NE(window_, nullptr);
        accelerators_ = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_ACCEL));
        ASSERT_NE(accelerators_, nullptr);
        GetKeyboardState(savedKeys_);
    }
    void TearDown() override {
        SetKeyboardState(savedKeys_);
        if (accelerators_) DestroyAcceleratorTable(accelerators_);
        if (window_) DestroyWindow(window_);
    }

    // Presses `vk` with the given modifiers (FSHIFT, FCONTROL, FALT) and returns
    // the commands that reached the window.
    std::vector<WORD> Press(WORD vk, BYTE modifiers) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = keys[VK_LSHIFT] = (modifiers & FSHIFT) ? 0x80 : 0;
        keys[VK_CONTROL] = keys[VK_LCONTROL] = (modifiers & FCONTROL) ? 0x80 : 0;
        keys[VK_MENU] = keys[VK_LMENU] = (modifiers & FALT) ? 0x80 : 0;
        SetKeyboardState(keys);
        UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
        bool alt = (modifiers & FALT) != 0;
        LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (alt ? (1L << 29) : 0);
        received_.clear();
        PostMessageW(window_, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, down);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (TranslateAcceleratorW(window_, accelerators_, &msg)) continue;
            if (IsDialogMessageW(window_, &msg)) continue;
            DispatchMessageW(&msg);
        }
        return received_;
    }

    // Presses whichever key types `ch` on the current keyboard layout.
    std::vector<WORD> Type(wchar_t ch, BYTE extraModifiers = 0) {
        SHORT scan = VkKeyScanW(ch);
        if (scan == -1) return {};
        BYTE modifiers = extraModifiers;
        if (HIBYTE(scan) & 1) modifiers |= FSHIFT;
        if (HIBYTE(scan) & 2) modifiers |= FCONTROL;
        if (HIBYTE(scan) & 4) modifiers |= FALT;
        return Press(LOBYTE(scan), modifiers);
    }

    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND) received_.push_back(LOWORD(wParam));
        return message == WM_INITDIALOG;
    }

    static inline std::vector<WORD> received_;
    HWND window_ = nullptr;
    HACCEL accelerators_ = nullptr;
    BYTE savedKeys_[256] = {};
};

TEST_F(ViewerKeys, TypedCharactersReachTheirCommandsOnAnyLayout) {
    using V = std::vector<WORD>;
    EXPECT_EQ(Type(L'!'), V{kCmdSlideshow});
    EXPECT_EQ(Type(L'+'), V{kCmdZoomIn});
    EXPECT_EQ(Type(L'+', FALT), V{kCmdZoomIn});
    EXPECT_EQ(Type(L'-'), V{kCmdZoomOut});
    EXPECT_EQ(Type(L'-', FALT), V{kCmdZoomOut});
    EXPECT_EQ(Type(L'='), V{kCmdZoom100});
    EXPECT_EQ(Type(L'~'), V{kCmdTakeOverNow});
    EXPECT_EQ(Type(L'?'), V{kCmdHelp});
    // The numeric keypad types the same characters.
    EXPECT_EQ(Press(VK_ADD, 0), V{kCmdZoomIn});
    EXPECT_EQ(Press(VK_SUBTRACT, 0), V{kCmdZoomOut});
}

TEST_F(ViewerKeys, DialogKeysAndModifiedKeysAreCommandsNotDialogNavigation) {
    using V = std::vector<WORD>;
    EXPECT_EQ(Press(VK_RETURN, 0), V{kCmdSlideshow}) << "Enter must not press a default button";
    EXPECT_EQ(Press(VK_ESCAPE, 0), V{kCmdExit});
    EXPECT_EQ(Press(VK_TAB, 0), V{kCmdNextFolder}) << "Tab must not move the focus";
    EXPECT_EQ(Press(VK_TAB, FSHIFT), V{kCmdPrevFolder});
    EXPECT_EQ(Press('1', 0), V{kCmdRestorePreset1});
    EXPECT_EQ(Press('1', FALT), V{kCmdSavePreset1});
    EXPECT_EQ(Press('1', FCONTROL), V{kCmdLayoutTopLeft});
    EXPECT_EQ(Press('R', 0), V{kCmdRotateRight});
    EXPECT_EQ(Press('R', FCONTROL | FSHIFT), V{kCmdAspectFilter});
    EXPECT_EQ(Press(VK_NEXT, FCONTROL), V{kCmdNext});
    EXPECT_EQ(Press(VK_LEFT, FALT), V{kCmdScrollLeft});
    EXPECT_EQ(Press('X', 0), V{}) << "an unbound key does nothing";
}

// ---------------------------------------------------------------------------
// Menu 104, the Catalog's popup.

TEST(CatalogMenuResource, LayoutIdsAndKeyTexts) {
    MenuHolder menu(IDM_CATALOG);
    ASSERT_NE(menu.Popup(), nullptr);
    EXPECT_EQ(GetMenuItemCount(menu.Get()), 1);
    {
        MenuEntry head = EntryAt(menu.Get(), 0);
        EXPECT_EQ(head.text, L"Catalog Menu");
    }
    std::vector<MenuEntry> top = Entries(menu.Popup());
    ASSERT_EQ(top.size(), 28u);

    const std::map<int, std::pair<UINT, std::wstring>> items = {
        {0, {2000, L"Pin"}},
        {2, {1111, L"New Exhibit\tIns"}},
        {3, {1112, L"Refresh\tCtrl+R"}},
        {5, {1101, L"View Exhibit\tShift+A"}},
        {6, {1102, L"View Desktop\tShift+D"}},
        {7, {1103, L"View Favorites\tShift+F"}},
        {8, {1104, L"View Archive\tShift+G"}},
        {10, {1105, L"Image Folder\tShift+F5"}},
        {11, {1106, L"Link Folder\tShift+L"}},
        {13, {1056, L"Next Folder\tTab"}},
        {14, {1057, L"Prev Folder\tShift+Tab"}},
        {16, {1113, L"Subfolders\tShift+B"}},
        {22, {1115, L"Autorefresh\tPause"}},
        {24, {1055, L"To Viewer\tF5"}},
        {25, {1, L"View\tEnter"}},
        {26, {2, L"Close\tEsc"}},
        {27, {1515, L"Exit\tAlt+F4"}}};
    // Submenus: name, then their entries with 0 standing for a separator.
    const std::map<int, std::pair<std::wstring, std::vector<std::pair<UINT, std::wstring>>>> submenus = {
        {18,
         {L"Sort",
          {{2018, L"Pin"}, {0, L""}, {1040, L"Forward\tAlt+F"}, {1041, L"Re&verse\tAlt+V"},
           {1042, L"Random (Shuffle)\tAlt+R"}, {0, L""}, {1043, L"Tree\tCtrl+K"}, {1044, L"Tree (Strict)\tAlt+K"},
           {1045, L"Name"}, {1046, L"Created"}, {1047, L"Modified"}, {1048, L"Accessed"}, {0, L""},
           {1049, L"Case Sensitive\tShift+I"}}}},
        {19, {L"Find", {{2019, L"Pin"}, {0, L""}, {1141, L"Find/Filter...\tCtrl+F"}, {1142, L"Find Next\tF3"}}}},
        {20,
         {L"File Ops",
          {{2020, L"Pin"}, {0, L""}, {1412, L"Cut\tCtrl+X"}, {1411, L"Copy\tCtrl+C"}, {1423, L"Paste\tCtrl+Y"},
           {0, L""}, {1431, L"Recycle\tDel"}, {1161, L"Archive\tF9"}, {0, L""}, {1151, L"Favorite\tF8"}}}}};

    for (int pos = 0; pos < 28; ++pos) {
        SCOPED_TRACE(pos);
        const MenuEntry& entry = top[pos];
        if (auto item = items.find(pos); item != items.end()) {
            EXPECT_EQ(entry.id, item->second.first);
            EXPECT_EQ(entry.text, item->second.second);
            EXPECT_EQ(entry.state & (MFS_DISABLED | MFS_GRAYED | MFS_CHECKED), 0u);
        } else if (auto sub = submenus.find(pos); sub != submenus.end()) {
            ASSERT_NE(entry.submenu, nullptr);
            EXPECT_EQ(entry.text, sub->second.first);
            std::vector<MenuEntry> inner = Entries(entry.submenu);
            ASSERT_EQ(inner.size(), sub->second.second.size());
            for (size_t i = 0; i < inner.size(); ++i) {
                SCOPED_TRACE(i);
                const auto& [id, text] = sub->second.second[i];
                EXPECT_EQ(inner[i].separator, id == 0);
                if (id == 0) continue;
                EXPECT_EQ(inner[i].id, id);
                EXPECT_EQ(inner[i].text, text);
                bool greyed = (inner[i].state & MFS_GRAYED) != 0;
                EXPECT_EQ(greyed, id == 1411 || id == 1412 || id == 1423) << "Cut, Copy, Paste start greyed";
            }
        } else {
            EXPECT_TRUE(entry.separator);
        }
    }
}

TEST(CatalogMenuResource, HoldsTheTranslationTableItems) {
    MenuHolder menu(IDM_CATALOG);
    std::vector<UINT> walked = WalkIds(menu.Popup());
    std::vector<UINT> table = ExpandList(
        "2000, 1111, 1112, 1101, 1103, 1102, 1104, 1105, 1106, 1056, 1057, 1113, 2018, 1040 to 1049, 2019, "
        "1141, 1142, 2020, 1412, 1411, 1423, 1431, 1161, 1151, 1115, 1055, 1, 2, 1515");
    ASSERT_EQ(table.size(), 38u);
    EXPECT_EQ(walked.size(), 38u);
    std::multiset<UINT> a(walked.begin(), walked.end()), b(table.begin(), table.end());
    EXPECT_EQ(a, b);
}

// ---------------------------------------------------------------------------
// Dialog templates, icon, manifest.

struct ExpectedControl {
    int id;
    const wchar_t* className;  // "Edit", "Button", "Static"
    RECT dialogUnits;          // x, y, width, height as the template gives them
    DWORD styleMask, styleValue;
};

class DialogTemplates : public testing::Test {
protected:
    static INT_PTR CALLBACK Quiet(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

    void Check(int templateId, SIZE clientUnits, DWORD styleBits, const std::vector<ExpectedControl>& controls) {
        SCOPED_TRACE(templateId);
        ASSERT_NE(FindResourceW(Module(), MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5)), nullptr);
        HWND dialog = CreateDialogParamW(Module(), MAKEINTRESOURCEW(templateId), nullptr, &Quiet, 0);
        ASSERT_NE(dialog, nullptr);
        DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
        EXPECT_EQ(style & styleBits, styleBits);
        EXPECT_FALSE(style & WS_VISIBLE);

        RECT client;
        GetClientRect(dialog, &client);
        RECT want{0, 0, clientUnits.cx, clientUnits.cy};
        MapDialogRect(dialog, &want);
        EXPECT_NEAR(client.right, want.right, 1);
        EXPECT_NEAR(client.bottom, want.bottom, 1);

        int found = 0;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) ++found;
        EXPECT_EQ(found, static_cast<int>(controls.size()));
        for (const ExpectedControl& want : controls) {
            SCOPED_TRACE(want.id);
            HWND control = GetDlgItem(dialog, want.id);
            ASSERT_NE(control, nullptr);
            wchar_t className[32] = {};
            GetClassNameW(control, className, 32);
            EXPECT_EQ(_wcsicmp(className, want.className), 0) << "class";
            DWORD controlStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE));
            EXPECT_EQ(controlStyle & want.styleMask, want.styleValue);
            if (_wcsicmp(className, L"Edit") == 0) {
                // The dialog manager draws a bordered edit with the sunken client edge instead.
                DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE));
                EXPECT_TRUE((controlStyle & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE)) << "edit without a border";
            }
            // Origin and size are converted separately, as the dialog manager does.
            RECT origin{want.dialogUnits.left, want.dialogUnits.top, want.dialogUnits.right, want.dialogUnits.bottom};
            MapDialogRect(dialog, &origin);
            RECT place{origin.left, origin.top, origin.left + origin.right, origin.top + origin.bottom};
            RECT actual;
            GetWindowRect(control, &actual);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, place.left);
            EXPECT_EQ(actual.top, place.top);
            EXPECT_EQ(actual.right, place.right);
            EXPECT_EQ(actual.bottom, place.bottom);
        }
        DestroyWindow(dialog);
    }
};

constexpr DWORD kModalStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
constexpr DWORD kButtonType = BS_TYPEMASK;

TEST_F(DialogTemplates, ViewerAndCatalogWindows) {
    Check(IDD_MAIN, {352, 198}, WS_POPUP | WS_CAPTION | WS_THICKFRAME | DS_CENTER, {});
    Check(IDD_CATALOG, {400, 300}, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_CENTER,
          {});
    wchar_t caption[64] = {};
    HWND catalog = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_CATALOG), nullptr, &Quiet, 0);
    ASSERT_NE(catalog, nullptr);
    GetWindowTextW(catalog, caption, 64);
    EXPECT_STREQ(caption, L"Oxbrill Catalog");
    DestroyWindow(catalog);
}

TEST_F(DialogTemplates, NumericPathAndFindDialogs) {
    Check(IDD_NUMERIC, {140, 60}, kModalStyle,
          {{IDC_VALUE, L"Edit", {26, 12, 40, 12}, ES_NUMBER, ES_NUMBER},
           {IDC_PROMPT, L"Static", {72, 14, 60, 12}, 0, 0},
           {IDOK, L"Button", {50, 36, 40, 14}, kButtonType, BS_DEFPUSHBUTTON}});
    Check(IDD_PATH, {140, 60}, kModalStyle,
          {{IDC_VALUE, L"Edit", {10, 12, 100, 12}, ES_AUTOHSCROLL, ES_AUTOHSCROLL},
           {IDC_BROWSE, L"Button", {114, 12, 16, 12}, kButtonType, BS_PUSHBUTTON},
           {IDOK, L"Button", {50, 36, 40, 14}, kButtonType, BS_DEFPUSHBUTTON}});
    Check(IDD_FIND, {180, 76}, kModalStyle,
          {{IDC_VALUE, L"Edit", {12, 6, 156, 12}, ES_AUTOHSCROLL, ES_AUTOHSCROLL},
           {IDC_FIND_FILENAME_ONLY, L"Button", {12, 24, 105, 12}, kButtonType, BS_AUTOCHECKBOX},
           {IDC_FIND_MATCH_CASE, L"Button", {12, 40, 105, 12}, kButtonType, BS_AUTOCHECKBOX},
           {IDC_FIND_FIND, L"Button", {120, 24, 48, 14}, kButtonType, BS_PUSHBUTTON},
           {IDC_FIND_FILTER, L"Button", {120, 40, 48, 14}, kButtonType, BS_DEFPUSHBUTTON},
           {IDC_FIND_EXCLUDE, L"Button", {120, 56, 48, 14}, kButtonType, BS_PUSHBUTTON}});
}

TEST_F(DialogTemplates, AboutAndHotkeyDialogsHoldTheControlsTheirCodeFills) {
    HWND about = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_ABOUT), nullptr, &Quiet, 0);
    ASSERT_NE(about, nullptr);
    for (int id : {IDC_ABOUT_ICON, IDC_ABOUT_TITLE, IDC_ABOUT_LINE2, IDC_ABOUT_FREEWARE, IDC_ABOUT_THANKS,
                   IDC_ABOUT_LANGUAGE, IDOK})
        EXPECT_NE(GetDlgItem(about, id), nullptr) << id;
    EXPECT_NE(SendDlgItemMessageW(about, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0) << "program icon shown";
    DestroyWindow(about);

    HWND hotkey = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_HOTKEY), nullptr, &Quiet, 0);
    ASSERT_NE(hotkey, nullptr);
    for (int id : {IDC_HOTKEY_CONTROL, IDC_HOTKEY_SHIFT, IDC_HOTKEY_ALT, IDC_HOTKEY_WIN}) {
        HWND box = GetDlgItem(hotkey, id);
        ASSERT_NE(box, nullptr) << id;
        EXPECT_EQ(GetWindowLongPtrW(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << id;
    }
    EXPECT_NE(GetDlgItem(hotkey, IDC_PROMPT), nullptr);
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(hotkey, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongPtrW(GetDlgItem(hotkey, IDC_HOTKEY_CANCEL), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    DestroyWindow(hotkey);
}

TEST(ProgramResources, IconHasSmallAndLargeImagesAndManifestAsksForCommonControls6) {
    HRSRC group = FindResourceW(Module(), MAKEINTRESOURCEW(IDI_OXBRILL), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Module(), group)));
    ASSERT_NE(dir, nullptr);
    int count = dir[4] | (dir[5] << 8);
    std::set<int> sizes;
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;
        if (entry[0] == entry[1]) sizes.insert(entry[0]);
    }
    EXPECT_TRUE(sizes.count(16));
    EXPECT_TRUE(sizes.count(32));
    HICON small = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(IDI_OXBRILL), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(small, nullptr);
    if (small) DestroyIcon(small);

    HRSRC manifest = FindResourceW(Module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(Module(), manifest)));
    std::string xml(text, SizeofResource(Module(), manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_EQ(xml.find("dpiAware"), std::string::npos) << "the program lets Windows scale it";
}

}  // namespace
