// The translatable text tables, the menu text round trip and the language file.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "../resources/resource.h"
#include "commands/MenuLayout.h"
#include "config/Language.h"
#include "support/ResourceMenu.h"
#include "support/TestFiles.h"

namespace {

void SetText(LangRecord& record, const std::wstring& text) {
    wcsncpy(record.text, text.substr(0, kLangTextSize - 1).c_str(), kLangTextSize);
}

LangRecord& MenuItem(int32_t id) {
    for (LangRecord& record : g_menuTexts.items)
        if (record.id == id) return record;
    ADD_FAILURE() << "no menu item " << id;
    return g_menuTexts.items[0];
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
    void Read(const std::string& bytes) {
        const std::wstring path = scratch_.Path(L"oxbrill.lang.ini");
        WriteBytes(path, bytes);
        EXPECT_TRUE(TransferLanguage(path.c_str(), 0));
    }
    TempFolder scratch_{L"lang"};
};

}  // namespace

// A translation an editor saved as UTF-8 without a mark reads as the program's own UTF-16 does.
TEST_F(LanguageTest, AUtf8TranslationIsRead) {
    Read("[Messages]\r\nCollage=Collage \xC3\xA9t\xC3\xA9\r\n");
    EXPECT_STREQ(MessageText(8), L"Collage \u00E9t\u00E9");
}

TEST_F(LanguageTest, ALineTranslatesEveryEqualSlotOfItsSectionOnly) {
    // The built-in texts by identifier; a missing file changes none.
    EXPECT_FALSE(TransferLanguage(scratch_.Path(L"absent.lang.ini").c_str(), 0) || TransferLanguage(L"", 0));
    EXPECT_STREQ(DialogText(0), L"&Ok");
    EXPECT_STREQ(MessageText(25), L"Archive selected images?");
    EXPECT_STREQ(MessageText(kMessageTooLarge), L"Too large to show");
    EXPECT_FALSE(DialogText(-1) || DialogText(kDialogTextCount) || MessageText(kMessageTextCount));

    for (const int id : {2000, 2002, 3011}) SetText(MenuItem(id), L"Pin");
    SetText(MenuItem(1051), L"Next");
    SetText(MenuItem(1052), L"Previous");
    SetText(MenuItem(1213), L"Zoom 100%\t=");
    SetText(g_menuTexts.level2[10], L"Collage");
    Read(Utf16(L"[Menu Items]\r\npIN=Anheften\r\nPin=Nochmal\r\nUnknown=Whatever\r\n"   // keys ignore case
         L"Next=Previous\r\nPrevious=Back\r\n"           // a translation equal to a later key is translated again
         L"Zoom 100%\t==Zoom 100 %\t=\r\n\r\n"           // a text holding '=' cannot be translated
         L"[Messages]\r\nCollage=Kollage\r\n"
         L"[Dialogs]\r\nSlideshow Timer=" + std::wstring(80, L'x') + L"\r\n"));
    for (const int id : {2000, 2002, 3011}) EXPECT_STREQ(MenuItem(id).text, L"Anheften") << id;
    EXPECT_TRUE(MenuItem(1051).text == std::wstring(L"Back") && MenuItem(1052).text == std::wstring(L"Back"));
    EXPECT_STREQ(MenuItem(1213).text, L"Zoom 100%\t=");
    EXPECT_STREQ(MessageText(8), L"Kollage");
    EXPECT_STREQ(g_menuTexts.level2[10].text, L"Collage") << "another section's line";
    EXPECT_TRUE(DialogText(2) == std::wstring(49, L'x') && DialogText(3) == std::wstring(L"Milliseconds"))
        << "cut to its slot";
}

// Texts go back by command id, submenu names by position; only the text changes.
TEST_F(LanguageTest, MenuTextsAreCollectedAndAppliedByIdAndPosition) {
    ResourceMenu source(IDM_POPUP), target(IDM_POPUP);
    CollectMenuTexts(source.Popup());
    const NestedMenu deep = kNestedMenus[7];
    SetText(MenuItem(kCmdTimer), L"Zeitgeber...\tStrg+T");
    SetText(g_menuTexts.level2[0], L"Diaschau");
    SetText(g_menuTexts.level3[7], L"Schwarzkasten");
    SetText(MenuItem(kCmdSlideshow), L"");   // an empty slot leaves its item alone
    const std::wstring slideshow = MenuString(target.Popup(), kCmdSlideshow, MF_BYCOMMAND);
    CheckMenuRadioItem(target.Popup(), kCmdTimer, kCmdTimer, kCmdTimer, MF_BYCOMMAND);
    ApplyMenuTexts(target.Popup());
    EXPECT_EQ(MenuString(target.Popup(), kCmdTimer, MF_BYCOMMAND), L"Zeitgeber...\tStrg+T");
    EXPECT_TRUE(Checked(target.Popup(), kCmdTimer)) << "only the text is replaced";
    EXPECT_EQ(MenuString(target.Popup(), UINT(kMainSubmenus[0]), MF_BYPOSITION), L"Diaschau");
    EXPECT_NE(GetSubMenu(target.Popup(), kMainSubmenus[0]), nullptr) << "a renamed submenu stays a submenu";
    EXPECT_EQ(MenuString(GetSubMenu(target.Popup(), deep.parent), UINT(deep.position), MF_BYPOSITION),
              L"Schwarzkasten");
    EXPECT_EQ(MenuString(target.Popup(), kCmdSlideshow, MF_BYCOMMAND), slideshow);
}

// The template gives each format item its row, after the Pin of the Formats
// submenu and in the table's order; a translation reaches the item the menu adds.
TEST_F(LanguageTest, FormatItemsHaveTheirRowsInTheTemplate) {
    const std::wstring path = scratch_.Path(L"template.ini");
    ASSERT_TRUE(WriteTranslationTemplate(path.c_str()));
    EXPECT_NE(ReadUtf16File(path).find(L"\r\nPin=Pin\r\nBMP=BMP\r\nEMF=EMF\r\nGIF=GIF\r\nICO=ICO\r\nJPG=JPG\r\n"
                                       L"PNG=PNG\r\nTIF=TIF\r\nWEBP=WEBP\r\nAVIF=AVIF\r\nHEIC=HEIC\r\nJXL=JXL\r\n"
                                       L"Animate=Animate\r\nColor Management=Color Management\r\n"),
              std::wstring::npos);
    Read(Utf16(L"[Menu Items]\r\nWEBP=WebP-Bilder\r\nJXL=JPEG XL\r\n"));
    ResourceMenu menu(IDM_POPUP);
    ApplyMenuTexts(menu.Popup());
    const auto item = [&](const wchar_t* key) {
        return MenuString(menu.Popup(), FormatCommand(PictureFormatByKey(key)), MF_BYCOMMAND);
    };
    EXPECT_TRUE(item(L"webp") == L"WebP-Bilder" && item(L"jxl") == L"JPEG XL" && item(L"heic") == L"HEIC");
}
