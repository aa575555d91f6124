// The logs: one line per entry, whatever characters the logged path holds.
#include <gtest/gtest.h>

#include <string>

#include "support/TestFiles.h"
#include "fileops/LogFile.h"


TEST(LogFile, ControlCharactersAreWrittenAsTheirPictures) {
    TempFolder dir{L"cfg"};
    const std::wstring log = dir.Path(L"errors.log");
    // Names a Linux drive reached through Wine can hold.
    ASSERT_TRUE(AppendLogLine(log.c_str(), L"Z:\\pics\\two\nlines\r.jpg"));
    ASSERT_TRUE(AppendLogLine(log.c_str(), L"Z:\\a\x01\tb\x1F\x7F\x20\x2400.png"));
    ASSERT_TRUE(AppendLogLine(log.c_str(), L"C:\\plain \x00e9t\x00e9.jpg"));

    EXPECT_EQ(Units(ReadBytes(log)), L"\xFEFF"
                                     L"Z:\\pics\\two\x240Alines\x240D.jpg\r\n"
                                     L"Z:\\a\x2401\x2409" L"b\x241F\x7F \x2400.png\r\n"
                                     L"C:\\plain \x00e9t\x00e9.jpg\r\n");
}
