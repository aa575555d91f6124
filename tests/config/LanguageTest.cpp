// The translatable text tables, the menu text round trip and the language file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "config/Language.h"
#include "../resources/resource.h"

namespace {


void SetText(LangRecord& record, const wchar_t* text) {
    wcsncpy(record.text, text, kLangTextSize - 1);
    record.text[kLangTextSize - 1] = L'\0';
}

LangRecord& MenuItem(int32_t id) {
    for (LangRecord& record : g_menuTexts.items) {
        if (record.id == id) return record;
    }
    ADD_FAILURE() << "no menu item " << id;
    return g_menuTexts.items[0];
}

bool AllSlotsTerminated() {
    auto terminated = [](const LangRecord* records, int count) {
        for (int i = 0; i < count; ++i) {
            if (wcsnlen(records[i].text, kLangTextSize) >= static_cast<size_t>(kLangTextSize)) return false;
        }
        return true;
    };
    return terminated(g_langTable.dialogs, kDialogTextCount) && terminated(g_langTable.messages, kMessageTextCount) &&
           terminated(g_menuTexts.items, kMenuItemCount) && terminated(g_menuTexts.level2, kLevel2MenuCount) &&
           terminated(g_menuTexts.level3, kLevel3MenuCount) &&
           terminated(g_menuTexts.catalogItems, kCatalogItemCount) &&
           terminated(g_menuTexts.catalogLevel2, kCatalogLevel2Count);
}

std::wstring MenuString(HMENU menu, UINT item, UINT flags) {
    wchar_t buffer[256] = {};
    GetMenuStringW(menu, item, buffer, 256, flags);
    return buffer;
}

// The tables are process-wide: every test starts and ends with the built-in texts.
class LanguageTest : public testing::Test {
protected:
    void SetUp() override { ResetLanguageTables(); }
    void TearDown() override { ResetLanguageTables(); }

    std::wstring WriteLanguage(const std::wstring& body) {
        const std::wstring path = scratch_.Path(L"oxbrill.lang.ini");
        EXPECT_TRUE(WriteBytes(path, Utf16(body)));
        return path;
    }

    TempFolder scratch_{L"cfg"};
};

TEST_F(LanguageTest, LookupByIdentifier) {
    EXPECT_STREQ(DialogText(0), L"&Ok");
    EXPECT_STREQ(DialogText(21), L"Match file&name only");
    EXPECT_STREQ(DialogText(35), L"Visit Brenik :: Donate");
    EXPECT_STREQ(MessageText(0), L"Set exhibit root. Hold SHIFT to append");
    EXPECT_STREQ(MessageText(12), L"is unavailable");
    EXPECT_STREQ(MessageText(26), L"Archive selected images?");
    EXPECT_EQ(DialogText(36), nullptr);
    EXPECT_EQ(DialogText(-1), nullptr);
    EXPECT_EQ(MessageText(27), nullptr);
}

TEST_F(LanguageTest, LineTranslatesEveryEqualRowOfItsSectionOnly) {
    SetText(MenuItem(2000), L"Pin");
    SetText(MenuItem(2002), L"Pin");
    SetText(MenuItem(3011), L"Pin");
    SetText(MenuItem(1001), L"Slideshow\tPause");
    SetText(g_menuTexts.level2[10], L"Collage");  // the Collage submenu, position 19
    const std::wstring path = WriteLanguage(
        L"[Menu Items]\r\n"
        L"pIN=Anheften\r\n"     // case does not matter
        L"Pin=Nochmal\r\n"      // the rows read "Anheften" now: matches nothing
        L"Unknown=Whatever\r\n"
        L"\r\n"
        L"[Messages]\r\n"
        L"Collage=Kollage\r\n");
    EXPECT_TRUE(TransferLanguage(path.c_str(), 0));
    EXPECT_STREQ(MenuItem(2000).text, L"Anheften");
    EXPECT_STREQ(MenuItem(2002).text, L"Anheften");
    EXPECT_STREQ(MenuItem(3011).text, L"Anheften");
    EXPECT_STREQ(MenuItem(1001).text, L"Slideshow\tPause");
    EXPECT_STREQ(MessageText(8), L"Kollage");
    EXPECT_STREQ(g_menuTexts.level2[10].text, L"Collage") << "another section's line";
}

TEST_F(LanguageTest, TranslationEqualToALaterKeyIsTranslatedAgain) {
    SetText(MenuItem(1051), L"Next");
    SetText(MenuItem(1052), L"Previous");
    const std::wstring path = WriteLanguage(L"[Menu Items]\r\nNext=Previous\r\nPrevious=Back\r\n");
    TransferLanguage(path.c_str(), 0);
    EXPECT_STREQ(MenuItem(1051).text, L"Back");
    EXPECT_STREQ(MenuItem(1052).text, L"Back");
}

TEST_F(LanguageTest, TextWithEqualsSignCannotBeTranslated) {
    SetText(MenuItem(1213), L"Zoom 100%\t=");
    const std::wstring path = WriteLanguage(L"[Menu Items]\r\nZoom 100%\t==Zoom 100 %\t=\r\n");
    TransferLanguage(path.c_str(), 0);
    EXPECT_STREQ(MenuItem(1213).text, L"Zoom 100%\t=");
}

TEST_F(LanguageTest, LongTranslationIsCutTo49Characters) {
    const std::wstring longText(80, L'x');
    const std::wstring path = WriteLanguage(L"[Dialogs]\r\nSlideshow Timer=" + longText + L"\r\n");
    TransferLanguage(path.c_str(), 0);
    EXPECT_EQ(std::wstring(DialogText(2)), longText.substr(0, 49));
    EXPECT_STREQ(DialogText(3), L"Milliseconds");
}

TEST_F(LanguageTest, MissingOrDamagedFilesLeaveTheBuiltInTexts) {
    EXPECT_FALSE(TransferLanguage(scratch_.Path(L"absent.lang.ini").c_str(), 0));
    EXPECT_FALSE(TransferLanguage(L"", 0));
    EXPECT_STREQ(MessageText(12), L"is unavailable");

    std::mt19937 random(2024);
    for (int round = 0; round < 40; ++round) {
        std::string bytes = round % 2 ? "\xFF\xFE" : "";
        const size_t size = random() % 4000;
        for (size_t i = 0; i < size; ++i) {
            // Mostly the characters the reader reacts to, some noise.
            static const char kTokens[] = {'[', ']', '=', '\r', '\n', '#', ';', 'a', 'M', '\0', '\xFF'};
            bytes += random() % 3 ? kTokens[random() % sizeof kTokens] : static_cast<char>(random());
        }
        const std::wstring path = scratch_.Path(L"noise.lang.ini");
        ASSERT_TRUE(WriteBytes(path, bytes));
        TransferLanguage(path.c_str(), 0);
        ASSERT_TRUE(AllSlotsTerminated()) << "round " << round;
    }
    for (int id = 0; id < kMessageTextCount; ++id) EXPECT_NE(MessageText(id), nullptr);
}

// Lines of each section of a UTF-16 file written by the template writer.
std::map<std::wstring, std::vector<std::wstring>> ReadSections(const std::wstring& path) {
    std::wstring text = Units(ReadBytes(path));
    std::map<std::wstring, std::vector<std::wstring>> sections;
    if (text.empty() || text[0] != 0xFEFF) return sections;
    std::wstring current;
    size_t start = 1;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        start = end + 2;
        if (line.empty()) continue;
        if (line[0] == L'[') {
            current = line;
            sections[current];
        } else {
            sections[current].push_back(line);
        }
    }
    return sections;
}

TEST_F(LanguageTest, TemplateListsEveryRowAndKeepsABackup) {
    const std::wstring path = scratch_.Path(L"oxbrill.lang.ini");
    const std::wstring backup = path + L".bak";

    ASSERT_TRUE(WriteTranslationTemplate(path.c_str()));
    EXPECT_EQ(GetFileAttributesW(backup.c_str()), INVALID_FILE_ATTRIBUTES) << "no backup of a missing file";

    auto sections = ReadSections(path);
    const std::pair<const wchar_t*, size_t> expected[] = {
        {L"[Language]", 5},     {L"[Menu Items]", 227},  {L"[Level2 Menus]", 17},  {L"[Level3 Menus]", 8},
        {L"[Dialogs]", 36},     {L"[Messages]", 27},     {L"[Catalog Menu]", 38},  {L"[Catalog Level2]", 3},
    };
    EXPECT_EQ(sections.size(), 8u);
    for (const auto& [header, rows] : expected) EXPECT_EQ(sections[header].size(), rows) << header;
    EXPECT_EQ(sections[L"[Language]"][0], L"Oxbrill=1.00");
    EXPECT_EQ(sections[L"[Language]"][2], L"Translator=");
    EXPECT_EQ(sections[L"[Dialogs]"][0], L"&Ok=&Ok");
    EXPECT_EQ(sections[L"[Messages]"][26], L"Archive selected images?=Archive selected images?");

    // With the menu resources linked in, every menu row carries its text.
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_POPUP));
    if (menu) {
        DestroyMenu(menu);
        for (const std::wstring& line : sections[L"[Menu Items]"]) EXPECT_NE(line[0], L'=') << "an empty menu row";
        for (const std::wstring& line : sections[L"[Level2 Menus]"]) EXPECT_NE(line[0], L'=');
    }

    // A second run keeps the first file as the backup, byte for byte.
    const std::string first = ReadBytes(path);
    ASSERT_TRUE(WriteBytes(path, first + "extra"));
    ASSERT_TRUE(WriteTranslationTemplate(path.c_str()));
    EXPECT_EQ(ReadBytes(backup), first + "extra");
    EXPECT_EQ(ReadBytes(path), first);
}

TEST_F(LanguageTest, ReadingTheTemplateBackChangesNothing) {
    const std::wstring path = scratch_.Path(L"roundtrip.lang.ini");
    ASSERT_TRUE(WriteTranslationTemplate(path.c_str()));  // also collects the built-in menu texts
    const MenuTextTable menus = g_menuTexts;
    const LangTable texts = g_langTable;
    ASSERT_TRUE(TransferLanguage(path.c_str(), 0));
    for (int i = 0; i < kMenuItemCount; ++i) EXPECT_STREQ(g_menuTexts.items[i].text, menus.items[i].text);
    for (int i = 0; i < kLevel2MenuCount; ++i) EXPECT_STREQ(g_menuTexts.level2[i].text, menus.level2[i].text);
    for (int i = 0; i < kDialogTextCount; ++i) EXPECT_STREQ(g_langTable.dialogs[i].text, texts.dialogs[i].text);
    for (int i = 0; i < kMessageTextCount; ++i) EXPECT_STREQ(g_langTable.messages[i].text, texts.messages[i].text);
}

// A stand-in for the viewer's popup: submenus at the level-2 positions, nested
// ones at the level-3 positions, and a few real command ids.
HMENU BuildMainPopup() {
    static const int kLevel2[] = {2, 3, 4, 6, 7, 8, 9, 10, 17, 18, 19, 20, 22, 23, 24, 26, 27};
    static const int kLevel3[][2] = {{2, 11}, {2, 12}, {4, 16}, {7, 13}, {9, 10}, {22, 16}, {22, 17}, {24, 20}};
    HMENU main = CreatePopupMenu();
    for (int pos = 0; pos < 28; ++pos) {
        const bool isSub = std::find(std::begin(kLevel2), std::end(kLevel2), pos) != std::end(kLevel2);
        if (!isSub) {
            AppendMenuW(main, MF_STRING, pos == 0 ? 2000 : 9000 + pos, pos == 0 ? L"Pin" : L"Filler");
            continue;
        }
        HMENU sub = CreatePopupMenu();
        for (int k = 0; k < 21; ++k) {
            bool nested = false;
            for (const auto& l3 : kLevel3) nested = nested || (l3[0] == pos && l3[1] == k);
            if (nested) {
                HMENU deep = CreatePopupMenu();
                AppendMenuW(deep, MF_STRING, 3000 + pos * 10 + k, L"Deep item");
                AppendMenuW(sub, MF_POPUP, reinterpret_cast<UINT_PTR>(deep),
                            (L"Deep " + std::to_wstring(pos) + L"." + std::to_wstring(k)).c_str());
            } else if (pos == 2 && k == 2) {
                AppendMenuW(sub, MF_STRING, 1002, L"Timer...\tCtrl+T");
            } else if (pos == 17 && k == 3) {
                AppendMenuW(sub, MF_STRING, 1213, L"A name well over forty-nine characters long\tCtrl+Alt+Z");
            } else {
                AppendMenuW(sub, MF_STRING, 8000 + pos * 100 + k, L"Filler");
            }
        }
        AppendMenuW(main, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), (L"Sub " + std::to_wstring(pos)).c_str());
    }
    return main;
}

TEST_F(LanguageTest, MenuTextsCollectedAndAppliedByIdAndPosition) {
    HMENU source = BuildMainPopup();
    CollectMenuTexts(source);
    DestroyMenu(source);

    EXPECT_STREQ(MenuItem(2000).text, L"Pin");
    EXPECT_STREQ(MenuItem(1002).text, L"Timer...\tCtrl+T");
    EXPECT_EQ(std::wstring(MenuItem(1213).text), std::wstring(L"A name well over forty-nine characters long\tCtrl+Alt+Z").substr(0, 49));
    EXPECT_STREQ(MenuItem(1001).text, L"") << "an id the menu lacks";
    EXPECT_STREQ(g_menuTexts.level2[0].text, L"Sub 2");
    EXPECT_STREQ(g_menuTexts.level2[16].text, L"Sub 27");
    EXPECT_STREQ(g_menuTexts.level3[0].text, L"Deep 2.11");
    EXPECT_STREQ(g_menuTexts.level3[6].text, L"Deep 22.17");

    SetText(MenuItem(1002), L"Zeitgeber...\tStrg+T");
    SetText(g_menuTexts.level2[0], L"Diaschau");
    SetText(g_menuTexts.level3[7], L"Schwarzkasten");

    HMENU target = BuildMainPopup();
    MENUITEMINFOW radio{};
    radio.cbSize = sizeof(radio);
    radio.fMask = MIIM_FTYPE;
    radio.fType = MFT_STRING | MFT_RADIOCHECK;
    SetMenuItemInfoW(target, 1002, FALSE, &radio);

    ApplyMenuTexts(target);
    EXPECT_EQ(MenuString(target, 1002, MF_BYCOMMAND), L"Zeitgeber...\tStrg+T");
    EXPECT_EQ(MenuString(target, 2, MF_BYPOSITION), L"Diaschau");
    EXPECT_EQ(MenuString(GetSubMenu(target, 24), 20, MF_BYPOSITION), L"Schwarzkasten");
    EXPECT_EQ(MenuString(target, 3, MF_BYPOSITION), L"Sub 3");
    EXPECT_EQ(MenuString(target, 9001, MF_BYCOMMAND), L"Filler") << "items outside the tables stay";
    EXPECT_NE(GetSubMenu(target, 2), nullptr) << "a renamed submenu stays a submenu";

    MENUITEMINFOW after{};
    after.cbSize = sizeof(after);
    after.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(target, 1002, FALSE, &after);
    EXPECT_TRUE(after.fType & MFT_RADIOCHECK) << "only the text is replaced";
    DestroyMenu(target);
}

TEST_F(LanguageTest, CatalogMenuTextsRoundTrip) {
    auto build = [] {
        HMENU popup = CreatePopupMenu();
        for (int pos = 0; pos < 21; ++pos) {
            if (pos >= 18) {
                HMENU sub = CreatePopupMenu();
                AppendMenuW(sub, MF_STRING, pos == 20 ? 1 : 7000 + pos, pos == 20 ? L"Cut\tCtrl+X" : L"Filler");
                AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), (L"Group " + std::to_wstring(pos)).c_str());
            } else {
                AppendMenuW(popup, MF_STRING, pos == 0 ? 2000 : 6000 + pos, pos == 0 ? L"Pin" : L"Filler");
            }
        }
        return popup;
    };
    HMENU source = build();
    CollectCatalogMenuTexts(source);
    DestroyMenu(source);
    EXPECT_STREQ(g_menuTexts.catalogItems[0].text, L"Pin");
    EXPECT_STREQ(g_menuTexts.catalogItems[35].text, L"Cut\tCtrl+X");  // command id 1
    EXPECT_STREQ(g_menuTexts.catalogLevel2[2].text, L"Group 20");

    const std::wstring path = WriteLanguage(L"[Catalog Menu]\r\nCut\tCtrl+X=Ausschneiden\tStrg+X\r\n"
                                            L"[Catalog Level2]\r\nGroup 18=Sortieren\r\n");
    TransferLanguage(path.c_str(), 0);
    HMENU target = build();
    ApplyCatalogMenuTexts(target);
    EXPECT_EQ(MenuString(target, 1, MF_BYCOMMAND), L"Ausschneiden\tStrg+X");
    EXPECT_EQ(MenuString(target, 18, MF_BYPOSITION), L"Sortieren");
    EXPECT_EQ(MenuString(target, 19, MF_BYPOSITION), L"Group 19");
    DestroyMenu(target);
}

}  // namespace
