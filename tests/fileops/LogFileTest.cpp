// The logs are only ever appended to: a log another program holds, a log of
// another origin, a log that cannot be written, and the steps that fail.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "fileops/FileSteps.h"
#include "fileops/LogFile.h"
#include "support/StepFaults.h"
#include "support/TestFiles.h"

namespace {

const std::wstring kLine = L"C:\\p\\a.jpg -> D:\\arch";

// An archive log in a folder of its own.
struct ArchiveLog : testing::Test {
    TempFolder dir{L"archlog"};
    const std::wstring log = dir.Path(L"archived.log");
};

}  // namespace

// The byte-order mark goes only into an empty file: a log of another origin
// (no mark, or UTF-8 text) is appended to as it is, never rewritten.
TEST_F(ArchiveLog, TheMarkGoesOnlyIntoAnEmptyFileThenOneLineAMove) {
    ASSERT_TRUE(CreateLogIfMissing(log.c_str()));
    EXPECT_EQ(ReadBytes(log), "\xFF\xFE");
    ASSERT_TRUE(AppendLogLine(log.c_str(), kLine.c_str()));
    ASSERT_TRUE(CreateLogIfMissing(log.c_str()));   // an existing log is left alone
    EXPECT_EQ(ReadBytes(log), Utf16(kLine + L"\r\n"));
    // A missing log is made by the first line.
    const std::wstring fresh = dir.Path(L"errors.log");
    ASSERT_TRUE(AppendLogLines(fresh.c_str(), {L"a", L"b"}));
    EXPECT_EQ(ReadBytes(fresh), Utf16(L"a\r\nb\r\n"));
    WriteBytes(log, "");
    ASSERT_TRUE(AppendLogLine(log.c_str(), L"x"));
    EXPECT_EQ(ReadBytes(log), Utf16(L"x\r\n"));
    WriteBytes(log, "someone else's text\n");
    ASSERT_TRUE(CreateLogIfMissing(log.c_str()));
    ASSERT_TRUE(AppendLogLine(log.c_str(), L"y"));
    EXPECT_EQ(ReadBytes(log), "someone else's text\n" + Utf16(L"y\r\n", false));
    // Control characters, which names on a Linux drive reached through Wine
    // can hold, are written as their pictures.
    const std::wstring names = dir.Path(L"names.log");
    for (const wchar_t* line : {L"Z:\\pics\\two\nlines\r.jpg", L"Z:\\a\x01\tb\x1F\x7F\x20\x2400.png",
                                L"C:\\plain \x00e9t\x00e9.jpg"})
        ASSERT_TRUE(AppendLogLine(names.c_str(), line));
    EXPECT_EQ(ReadUtf16File(names), L"Z:\\pics\\two\x240Alines\x240D.jpg\r\n"
                                    L"Z:\\a\x2401\x2409" L"b\x241F\x7F \x2400.png\r\n"
                                    L"C:\\plain \x00e9t\x00e9.jpg\r\n");
}

// Another program holding the log: one that shares it (a reader, a tail) does
// not stop the line; one that holds it shut makes the append fail, and the
// log keeps every byte it had.
TEST_F(ArchiveLog, ALogHeldByAnotherProgramIsNeverEmptied) {
    WriteBytes(log, Utf16(L"first\r\n"));
    {
        HeldFile reader(log, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_NE(reader.file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(AppendLogLine(log.c_str(), L"second"));
    }
    const std::string both = Utf16(L"first\r\nsecond\r\n");
    EXPECT_EQ(ReadBytes(log), both);
    for (const DWORD share : {DWORD(0), DWORD(FILE_SHARE_READ)}) {
        HeldFile shut(log, share);
        ASSERT_NE(shut.file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(CreateLogIfMissing(log.c_str())) << "it is there";
        EXPECT_FALSE(AppendLogLine(log.c_str(), L"lost")) << share;
        EXPECT_FALSE(AppendLogLines(log.c_str(), {L"lost", L"too"})) << share;
    }
    EXPECT_EQ(ReadBytes(log), both);

    // Another program appending too: every line lands at the end, none over another.
    {
        HeldFile other(log, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_APPEND_DATA);
        ASSERT_NE(other.file, INVALID_HANDLE_VALUE);
        const std::string theirs = Utf16(L"theirs\r\n", false);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(other.file, theirs.data(), DWORD(theirs.size()), &written, nullptr));
        EXPECT_TRUE(AppendLogLine(log.c_str(), L"ours"));
        ASSERT_TRUE(WriteFile(other.file, theirs.data(), DWORD(theirs.size()), &written, nullptr));
    }
    EXPECT_EQ(ReadBytes(log), Utf16(L"first\r\nsecond\r\ntheirs\r\nours\r\ntheirs\r\n"));

    // A read-only log is not written, nor replaced.
    SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(AppendLogLine(log.c_str(), L"lost"));
    SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(log), Utf16(L"first\r\nsecond\r\ntheirs\r\nours\r\ntheirs\r\n"));

    // A log that cannot be made (its folder is missing, or a folder has its name).
    EXPECT_FALSE(CreateLogIfMissing(dir.Path(L"missing\\archived.log").c_str()));
    EXPECT_FALSE(AppendLogLine(dir.Path(L"missing\\archived.log").c_str(), L"lost"));
    dir.Folder(L"folder.log");
    EXPECT_FALSE(CreateLogIfMissing(dir.Path(L"folder.log").c_str()));
    EXPECT_FALSE(AppendLogLine(dir.Path(L"folder.log").c_str(), L"lost"));
}

// Each step of an append made to fail: false, and the log as it was; a
// passing hold is waited out.
TEST_F(ArchiveLog, AnAppendThatFailsLeavesTheLogAsItWas) {
    const std::string before = Utf16(L"first\r\n");
    for (const FileStep step : {FileStep::LogOpen, FileStep::LogWrite}) {
        WriteBytes(log, before);
        StepFaults faults;
        faults.Fail(step, 1, ERROR_DISK_FULL);
        EXPECT_FALSE(AppendLogLine(log.c_str(), L"lost")) << StepName(step);
        EXPECT_EQ(ReadBytes(log), before) << StepName(step);
        EXPECT_EQ(faults.Taken(), step == FileStep::LogOpen ? L"LogOpen" : L"LogOpen LogWrite");
    }
    {
        StepFaults faults;
        faults.Fail(FileStep::LogOpen, 1, ERROR_SHARING_VIOLATION, {}, 2);
        EXPECT_TRUE(AppendLogLine(log.c_str(), L"second"));
        EXPECT_EQ(ReadBytes(log), Utf16(L"first\r\nsecond\r\n"));
    }
    {
        // A new log whose first write fails holds nothing but what it had: nothing.
        const std::wstring fresh = dir.Path(L"errors.log");
        StepFaults faults;
        faults.Fail(FileStep::LogWrite, 1, ERROR_DISK_FULL);
        EXPECT_FALSE(AppendLogLine(fresh.c_str(), L"lost"));
        EXPECT_EQ(ReadBytes(fresh), "");
        EXPECT_TRUE(AppendLogLine(fresh.c_str(), L"kept"));
        EXPECT_EQ(ReadBytes(fresh), Utf16(L"kept\r\n")) << "the mark still goes first";
    }
}
