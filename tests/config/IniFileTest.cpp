#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestFiles.h"
#include "config/IniFile.h"


namespace {

void ReadOne(const std::wstring& path, const IniEntry* table, const wchar_t* header, int limit = 260) {
    IniFile ini;
    ini.Open(path.c_str(), 0);
    ini.ReadSection(table, header, limit);
    ini.Close();
}

}  // namespace

// Every value type: the exact text written, and reading it back into variables
// whose upper halves must survive the 16-bit types.
TEST(IniFile, EveryTypeWritesItsFormatAndReadsBack) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"types.ini");
    int32_t numbers[] = {40000, -123, -2000000000, 0755, 0x7FFFFFFF, 0xBEEF, int32_t(0xDEADBEEFu), 7};
    bool yes = true, no = false;
    float single = 1.5f;
    double twice = 0.125;
    wchar_t text[260] = L"C:\\pics\\a b";
    const IniEntry table[] = {
        {L"us", kIniUShort, &numbers[0]}, {L"yes", kIniBool, &yes},          {L"no", kIniBool, &no},
        {L"s", kIniShort, &numbers[1]},   {L"l", kIniLong, &numbers[2]},     {L"so", kIniShortOctal, &numbers[3]},
        {L"lo", kIniLongOctal, &numbers[4]}, {L"sx", kIniShortHex, &numbers[5]}, {L"lx", kIniLongHex, &numbers[6]},
        {L"f", kIniFloat, &single},       {L"d", kIniDouble, &twice},        {L"str", kIniString, text},
        {nullptr, 0, nullptr},
    };
    const IniEntry tail[] = {{L"tail", kIniLong, &numbers[7]}, {nullptr, 0, nullptr}};
    IniFile out;
    out.Open(path.c_str(), 1);
    ASSERT_TRUE(out.IsOpen() && out.WideMode());
    out.WriteSection(table, L"[Types]");
    out.WriteSection(tail, nullptr);
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadBytes(path), Utf16(L"[Types]\r\nus=-25536\r\nyes=TRUE\r\nno=FALSE\r\ns=-123\r\n"
                                     L"l=-2000000000\r\nso=755\r\nlo=17777777777\r\nsx=beef\r\n"
                                     L"lx=deadbeef\r\nf=1.5\r\nd=0.125\r\nstr=C:\\pics\\a b\r\n\r\ntail=7\r\n"));

    // Read back into variables whose upper halves must survive the 16-bit types.
    for (int32_t& n : numbers) n = 0x11110000;
    yes = false, no = true, single = 0, twice = 0, text[0] = 0;
    ReadOne(path, table, L"[Types]");
    EXPECT_EQ(numbers[0], 0x11119C40);   // low half 40000
    EXPECT_EQ(numbers[1], 0x1111FF85);   // low half -123
    EXPECT_EQ(numbers[2], -2000000000);
    EXPECT_EQ(numbers[3], 0x111101ED);
    EXPECT_EQ(numbers[4], 0x7FFFFFFF);
    EXPECT_EQ(numbers[5], 0x1111BEEF);
    EXPECT_EQ(uint32_t(numbers[6]), 0xDEADBEEFu);
    EXPECT_TRUE(yes && !no && single == 1.5f && twice == 0.125);
    EXPECT_STREQ(text, L"C:\\pics\\a b");
}

// The line rules: headers, comments, separators, case, bad values, repeats.
TEST(IniFile, LineRulesOfASection) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"rules.ini");
    ASSERT_TRUE(WriteBytes(path, Utf16(L"[Catalog Position]\r\nthumbsize=5\r\n\r\n"
                                       L"[Slideshow] anything after the header\r\n"
                                       L"timer=100\r\n"
                                       L"TIMER=200\r\n"
                                       L"slide=tRuE\r\n"
                                       L"ontop=1\r\n"
                                       L"blend=yes\r\n"
                                       L"name=a=b\r\n"
                                       L"keep=\r\n"
                                       L"loop =9\r\n"
                                       L"#opacity=1\r\n"
                                       L";=a remark\r\n"
                                       L"==sort=4\r\n"
                                       L"\r\n"
                                       L"zoom=abc\r\n"
                                       L"zoomstep=12abc\r\n"
                                       L"[slideshow]\r\n"
                                       L"opacity=99\r\n")));

    int32_t timer = 0, loop = 0, opacity = 127, sort = 0, zoom = 50, zoomstep = 10;
    bool slide = false, ontop = false, blend = true;
    wchar_t name[260] = {}, keep[260] = L"kept", remark[260] = {};
    const IniEntry table[] = {
        {L"timer", kIniLong, &timer},      {L"slide", kIniBool, &slide},
        {L"ontop", kIniBool, &ontop},      {L"blend", kIniBool, &blend},
        {L"name", kIniString, name},       {L"keep", kIniString, keep},
        {L"loop", kIniLong, &loop},        {L"opacity", kIniLong, &opacity},
        {L";", kIniString, remark},        {L"sort", kIniLong, &sort},
        {L"zoom", kIniLong, &zoom},        {L"zoomstep", kIniLong, &zoomstep},
        {nullptr, 0, nullptr},
    };
    ReadOne(path, table, L"[Slideshow]");
    EXPECT_EQ(timer, 200);           // keys ignore case; the later line wins
    EXPECT_TRUE(slide);              // TRUE in any case
    EXPECT_FALSE(ontop);             // "1" is no boolean
    EXPECT_TRUE(blend);              // nor is "yes"
    EXPECT_STREQ(name, L"a");        // a value ends at its first '='
    EXPECT_STREQ(keep, L"kept");     // an empty value sets nothing
    EXPECT_EQ(loop, 0);              // "loop " is another key
    EXPECT_EQ(opacity, 127);         // comment, and the lower-case header ends the section
    EXPECT_STREQ(remark, L"a remark");
    EXPECT_EQ(sort, 4);              // leading separators are skipped
    EXPECT_EQ(zoom, 50);             // no number, no change
    EXPECT_EQ(zoomstep, 12);

    // "[Catalog]" is not a prefix of "[Catalog Position]".
    int32_t thumbsize = 100;
    const IniEntry catalog[] = {{L"thumbsize", kIniLong, &thumbsize}, {nullptr, 0, nullptr}};
    ReadOne(path, catalog, L"[Catalog]");
    EXPECT_EQ(thumbsize, 100);
    ReadOne(path, catalog, L"[Catalog Position]");
    EXPECT_EQ(thumbsize, 5);
}

// Without a byte-order mark the first character is skipped as if it were one;
// without a header the keys at the top of the file are read.
TEST(IniFile, FileWithoutByteOrderMarkLosesItsFirstCharacter) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"bare.ini");
    ASSERT_TRUE(WriteBytes(path, Utf16(L"xy=5\r\n[A]\r\nv=1\r\n[B]\r\nv=2\r\n", false)));

    int32_t xy = 0, y = 0, v = 0;
    const IniEntry top[] = {{L"xy", kIniLong, &xy}, {L"y", kIniLong, &y}, {nullptr, 0, nullptr}};
    ReadOne(path, top, nullptr);
    EXPECT_EQ(xy, 0);
    EXPECT_EQ(y, 5);

    const IniEntry section[] = {{L"v", kIniLong, &v}, {nullptr, 0, nullptr}};
    ReadOne(path, section, L"[B]");
    EXPECT_EQ(v, 2);

    ASSERT_TRUE(WriteBytes(path, Utf16(L"[A]\r\nv=1\r\n", false)));
    v = 0;
    ReadOne(path, section, L"[A]");
    EXPECT_EQ(v, 0);
}

// Lines are taken 254 characters at a time; the rest of a longer line is a
// line of its own. Strings are cut to limit - 1 characters and zero-filled.
TEST(IniFile, LongLinesAndStringLimits) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"long.ini");
    const std::wstring pad = L"pad=" + std::wstring(250, L'p');
    const std::wstring name = L"name=" + std::wstring(300, L'n');
    const std::wstring exact = L"k2=" + std::wstring(251, L'k');   // 254 characters before CR LF
    ASSERT_TRUE(WriteBytes(path, Utf16(L"[S]\r\n" + pad + L"timer=77\r\n" + name + L"\r\n" + exact +
                                       L"\r\nafter=1\r\nshort=ab\r\n")));

    int32_t timer = 0, after = 0;
    wchar_t padValue[260] = {}, nameValue[260] = {}, exactValue[260] = {}, shortValue[260] = {};
    const IniEntry table[] = {
        {L"pad", kIniString, padValue},     {L"timer", kIniLong, &timer},
        {L"name", kIniString, nameValue},   {L"k2", kIniString, exactValue},
        {L"after", kIniLong, &after},       {L"short", kIniString, shortValue},
        {nullptr, 0, nullptr},
    };
    ReadOne(path, table, L"[S]");
    EXPECT_EQ(std::wstring(padValue), std::wstring(250, L'p'));
    EXPECT_EQ(timer, 77);
    EXPECT_EQ(std::wstring(nameValue), std::wstring(249, L'n'));
    EXPECT_EQ(std::wstring(exactValue), std::wstring(251, L'k'));
    EXPECT_EQ(after, 1);

    // A limit of 10 keeps 9 characters and never touches the buffer past the limit.
    wchar_t small[12], tiny[12];
    for (int i = 0; i < 12; ++i) small[i] = tiny[i] = L'X';
    const IniEntry limited[] = {{L"name", kIniString, small}, {L"short", kIniString, tiny}, {nullptr, 0, nullptr}};
    ReadOne(path, limited, L"[S]", 10);
    EXPECT_EQ(std::wstring(small), std::wstring(9, L'n'));
    EXPECT_EQ(small[10], L'X');
    EXPECT_STREQ(tiny, L"ab");
    for (int i = 2; i < 10; ++i) EXPECT_EQ(tiny[i], L'\0') << i;
    EXPECT_EQ(tiny[10], L'X');
}

// Nothing to open: nothing read, nothing written, no file made.
TEST(IniFile, UnopenableFilesAreQuiet) {
    TempFolder dir{L"cfg"};
    int32_t value = 42;
    const IniEntry table[] = {{L"value", kIniLong, &value}, {nullptr, 0, nullptr}};

    IniFile in;
    in.Open(dir.Path(L"missing.ini").c_str(), 0);
    EXPECT_FALSE(in.IsOpen());
    in.ReadSection(table, L"[S]", 260);
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(in.Close());

    const std::wstring nowhere = dir.Path(L"no such folder\\out.ini");
    IniFile out;
    out.Open(nowhere.c_str(), 1);
    EXPECT_FALSE(out.IsOpen());
    out.WriteSection(table, L"[S]");
    out.Close();
    EXPECT_EQ(GetFileAttributesW(nowhere.c_str()), INVALID_FILE_ATTRIBUTES);
}
