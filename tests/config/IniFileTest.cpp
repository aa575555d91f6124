#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "support/TestFiles.h"
#include "config/IniFile.h"

namespace {

void ReadOne(const std::wstring& path, const IniEntry* table, const wchar_t* header, int limit = 260) {
    IniFile ini;
    ini.Open(path.c_str(), 0);
    ini.ReadSection(table, header, limit);
    ini.Close();
}

// `text` in the code page `page` (CP_UTF8, CP_ACP).
std::string Encoded(const std::wstring& text, UINT page) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(size_t(WideCharToMultiByte(page, 0, text.data(), int(text.size()), bytes.data(), int(bytes.size()),
                                            nullptr, nullptr)));
    return bytes;
}

// Each test has a folder of its own and a file in it.
struct IniFileTest : testing::Test {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"test.ini");
};

}  // namespace

// The settings' types: the exact text written, and reading it back into
// variables whose upper halves a 16-bit type must leave alone.
TEST_F(IniFileTest, EveryTypeWritesItsFormatAndReadsBack) {
    int32_t numbers[] = {-123, -2000000000, 7};
    bool yes = true, no = false;
    wchar_t text[260] = L"C:\\pics\\a b";
    const IniEntry table[] = {{L"yes", kIniBool, &yes}, {L"no", kIniBool, &no}, {L"s", kIniShort, &numbers[0]},
                              {L"l", kIniLong, &numbers[1]}, {L"str", kIniString, text}, {nullptr, 0, nullptr}};
    const IniEntry tail[] = {{L"tail", kIniLong, &numbers[2]}, {nullptr, 0, nullptr}};
    IniFile out;
    out.Open(path.c_str(), 1);
    ASSERT_TRUE(out.IsOpen() && out.WideMode());
    out.WriteSection(table, L"[Types]");
    out.WriteSection(tail, nullptr);
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadBytes(path), Utf16(L"[Types]\r\nyes=TRUE\r\nno=FALSE\r\ns=-123\r\nl=-2000000000\r\n"
                                     L"str=C:\\pics\\a b\r\n\r\ntail=7\r\n"));
    numbers[0] = numbers[1] = 0x11110000, yes = false, no = true, text[0] = 0;
    ReadOne(path, table, L"[Types]");
    EXPECT_TRUE(numbers[0] == 0x1111FF85 && numbers[1] == -2000000000 && yes && !no) << std::hex << numbers[0];
    EXPECT_STREQ(text, L"C:\\pics\\a b");
}

// The line rules: headers, comments, separators, case, bad values, repeats.
TEST_F(IniFileTest, LineRulesOfASection) {
    WriteUtf16File(path, L"[Catalog Position]\r\nthumbsize=5\r\n\r\n[Slideshow] anything after the header\r\n"
                         L"timer=100\r\nTIMER=200\r\nslide=tRuE\r\nontop=1\r\nblend=yes\r\nname=a=b\r\nkeep=\r\n"
                         L"loop =9\r\n#opacity=1\r\n;=a remark\r\n==sort=4\r\n\r\nzoom=abc\r\nzoomstep=12abc\r\n"
                         L"[slideshow]\r\nopacity=99\r\n");
    int32_t timer = 0, loop = 0, opacity = 127, sort = 0, zoom = 50, zoomstep = 10, thumbsize = 100;
    bool slide = false, ontop = false, blend = true;
    wchar_t name[260] = {}, keep[260] = L"kept", remark[260] = {};
    const IniEntry table[] = {
        {L"timer", kIniLong, &timer}, {L"slide", kIniBool, &slide},   {L"ontop", kIniBool, &ontop},
        {L"blend", kIniBool, &blend}, {L"name", kIniString, name},    {L"keep", kIniString, keep},
        {L"loop", kIniLong, &loop},   {L"opacity", kIniLong, &opacity}, {L";", kIniString, remark},
        {L"sort", kIniLong, &sort},   {L"zoom", kIniLong, &zoom},     {L"zoomstep", kIniLong, &zoomstep},
        {nullptr, 0, nullptr},
    };
    ReadOne(path, table, L"[Slideshow]");
    EXPECT_EQ(timer, 200) << "keys ignore case; the later line wins";
    EXPECT_TRUE(slide && !ontop && blend) << "TRUE in any case; \"1\" and \"yes\" are no booleans";
    EXPECT_STREQ(name, L"a") << "a value ends at its first '='";
    EXPECT_STREQ(keep, L"kept") << "an empty value sets nothing";
    EXPECT_EQ(loop, 0) << "\"loop \" is another key";
    EXPECT_EQ(opacity, 127) << "a comment, and the lower-case header ends the section";
    EXPECT_STREQ(remark, L"a remark");
    EXPECT_EQ(sort, 4) << "leading separators are skipped";
    EXPECT_TRUE(zoom == 50 && zoomstep == 12) << "no number, no change";
    // "[Catalog]" is not a prefix of "[Catalog Position]".
    const IniEntry catalog[] = {{L"thumbsize", kIniLong, &thumbsize}, {nullptr, 0, nullptr}};
    ReadOne(path, catalog, L"[Catalog]");
    const int32_t fromCatalog = thumbsize;
    ReadOne(path, catalog, L"[Catalog Position]");
    EXPECT_TRUE(fromCatalog == 100 && thumbsize == 5);
}

// Lines are taken 254 characters at a time; the rest of a longer line is a
// line of its own. Strings are cut to limit - 1 characters and zero-filled.
TEST_F(IniFileTest, LongLinesAndStringLimits) {
    // k2 makes a line of exactly 254 characters.
    WriteUtf16File(path, L"[S]\r\npad=" + std::wstring(250, L'p') + L"timer=77\r\nname=" + std::wstring(300, L'n') +
                             L"\r\nk2=" + std::wstring(251, L'k') + L"\r\nafter=1\r\nshort=ab\r\n");
    int32_t timer = 0, after = 0;
    wchar_t pad[260] = {}, name[260] = {}, exact[260] = {};
    const IniEntry table[] = {{L"pad", kIniString, pad},   {L"timer", kIniLong, &timer}, {L"name", kIniString, name},
                              {L"k2", kIniString, exact}, {L"after", kIniLong, &after}, {nullptr, 0, nullptr}};
    ReadOne(path, table, L"[S]");
    EXPECT_TRUE(pad == std::wstring(250, L'p') && name == std::wstring(249, L'n') && exact == std::wstring(251, L'k'));
    EXPECT_TRUE(timer == 77 && after == 1);
    // A limit of 10 keeps 9 characters and never touches the buffer past it.
    wchar_t small[12], tiny[12];
    std::fill_n(small, 12, L'X'), std::fill_n(tiny, 12, L'X');
    const IniEntry limited[] = {{L"name", kIniString, small}, {L"short", kIniString, tiny}, {nullptr, 0, nullptr}};
    ReadOne(path, limited, L"[S]", 10);
    EXPECT_EQ(std::wstring(small, 12), std::wstring(9, L'n') + L'\0' + L"XX");
    EXPECT_EQ(std::wstring(tiny, 12), std::wstring(L"ab") + std::wstring(8, L'\0') + L"XX");
}

// A file saved by an editor as UTF-8 or ANSI, or as UTF-16 without its mark,
// reads the same values as the program's own form; only that form may be
// written over without keeping the old file. A file another program holds is
// told apart from a missing one.
TEST_F(IniFileTest, EveryEncodingReadsTheSameValues) {
    const std::wstring text = L"[Portable]\r\nfolder=C:\\Bilder\\\u00C9t\u00E9\r\n[S]\r\ntimer=7\r\n";
    const bool ansiIsUtf8 = GetACP() == CP_UTF8;
    const struct { const char* name; std::string bytes; IniSource source; } cases[] = {
        {"UTF-16 with mark", Utf16(text), IniSource::kUtf16},
        {"UTF-16 without mark", Utf16(text, false), IniSource::kUtf16Bare},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + Encoded(text, CP_UTF8), IniSource::kUtf8},
        {"UTF-8 without mark", Encoded(text, CP_UTF8), IniSource::kUtf8},
        {"ANSI", Encoded(text, CP_ACP), ansiIsUtf8 ? IniSource::kUtf8 : IniSource::kAnsi},
    };
    for (const auto& test : cases) {
        ASSERT_TRUE(WriteBytes(path, test.bytes)) << test.name;
        wchar_t folder[260] = {};
        int32_t timer = 0;
        const IniEntry portable[] = {{L"folder", kIniString, folder}, {nullptr, 0, nullptr}};
        const IniEntry s[] = {{L"timer", kIniLong, &timer}, {nullptr, 0, nullptr}};
        IniFile ini;
        ini.Open(path.c_str(), 0);
        ini.ReadSection(portable, L"[Portable]", 260);
        ini.ReadSection(s, L"[S]", 260);
        EXPECT_EQ(ini.Source(), test.source) << test.name;
        EXPECT_EQ(ini.ForeignForm(), test.source != IniSource::kUtf16) << test.name;
        EXPECT_STREQ(folder, L"C:\\Bilder\\\u00C9t\u00E9") << test.name;
        EXPECT_EQ(timer, 7) << test.name;
    }
    // Random bytes have as many zeros low as high: no UTF-16, no UTF-8.
    std::mt19937 random(5);
    std::string noise;
    for (int i = 0; i < 1 << 16; ++i) noise.push_back(char(random()));
    EXPECT_EQ(DetectIniEncoding(reinterpret_cast<const unsigned char*>(noise.data()), noise.size()), IniSource::kAnsi);

    IniFile missing;
    missing.Open(dir.Path(L"absent.ini").c_str(), 0);
    EXPECT_TRUE(missing.Source() == IniSource::kMissing && !missing.IsOpen());
    const std::wstring held = dir.Path(L"held.ini");
    WriteUtf16File(held, L"[S]\r\ntimer=1\r\n");
    const HeldFile lock(held, 0);
    IniFile locked;
    locked.Open(held.c_str(), 0);
    EXPECT_TRUE(lock.file != INVALID_HANDLE_VALUE && locked.Source() == IniSource::kUnreadable && !locked.IsOpen());
}
