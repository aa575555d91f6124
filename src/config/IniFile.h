// A small table-driven reader and writer of INI-style text files. Files are
// written as UTF-16LE with a byte-order mark and CR LF (a narrow text fallback
// when the wide open fails); they are read in that form and also as UTF-16LE
// without the mark, UTF-8 (with or without one) or the ANSI code page.
// A caller describes one section as an array of IniEntry rows ending with a row
// whose target is null; IniFile fills the targets from the file or writes them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum IniType : int32_t {
    kIniUShort = 1,     // 16-bit unsigned: read "%d", low 16 bits stored; written "%hd"
    kIniBool = 2,       // one-byte boolean: "TRUE" / "FALSE", any case
    kIniShort = 3,      // 16-bit signed "%hd"
    kIniLong = 4,       // 32-bit signed "%ld"
    kIniShortOctal = 5, // "%ho"
    kIniLongOctal = 6,  // "%lo"
    kIniShortHex = 7,   // "%hx"
    kIniLongHex = 8,    // "%lx"
    kIniFloat = 9,      // "%g"
    kIniDouble = 10,    // "%lg"
    kIniString = 11,    // wide string buffer of `limit` characters
};

struct IniEntry {
    const wchar_t* name;
    int32_t type;
    void* target;       // null ends the table
};

// How the bytes of a file read were turned into text, or why none were.
enum class IniSource {
    kNone,        // nothing opened for reading
    kMissing,     // no such file
    kUnreadable,  // the file is there but could not be opened (held by another program, access denied)
    kUtf16,       // UTF-16LE with a byte-order mark: the form this program writes
    kUtf16Bare,   // UTF-16LE without the mark
    kUtf8,        // UTF-8, with or without a mark
    kAnsi,        // the ANSI code page
};

// The encoding of a file's bytes: FF FE is UTF-16LE and EF BB BF UTF-8; with
// no mark, bytes that look like UTF-16LE (many zero high bytes) are read as
// such, valid UTF-8 as UTF-8, anything else in the ANSI code page.
IniSource DetectIniEncoding(const unsigned char* bytes, size_t size);
// The whole text of a file's bytes, without its byte-order mark.
std::wstring DecodeIniText(const unsigned char* bytes, size_t size, IniSource* encoding = nullptr);

class IniFile {
public:
    IniFile() = default;
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // mode 0 reads, mode 1 writes (truncating). Failure leaves the file closed;
    // every later call then does nothing.
    void Open(const wchar_t* path, int mode);
    void ReadSection(const IniEntry* table, const wchar_t* header, int limit);
    void WriteSection(const IniEntry* table, const wchar_t* header);
    // Returns false when a write failed (disk full): the caller must not keep
    // the half-written file.
    bool Close();

    bool IsOpen() const { return stream_ != nullptr || reading_; }
    bool WideMode() const { return wide_; }
    // What the last Open for reading found.
    IniSource Source() const { return source_; }
    // A file read in another form than the one this program writes, or cut
    // short because it was too large: writing over it loses something of the user's.
    bool ForeignForm() const {
        const bool readAsText = source_ == IniSource::kUtf16 || source_ == IniSource::kUtf16Bare ||
                                source_ == IniSource::kUtf8 || source_ == IniSource::kAnsi;
        return readAsText && bytesRead_ > 0 && (source_ != IniSource::kUtf16 || cut_);
    }

private:
    // Where the line that begins at `start` ends: after its line feed, or 254 units on.
    size_t LineEnd(size_t start) const;
    bool ReadLine();
    void Put(const wchar_t* text);
    void StoreValue(const IniEntry& row, const wchar_t* value, int limit);
    void WriteValue(const IniEntry& row);

    wchar_t line_[256] = {};
    FILE* stream_ = nullptr;
    bool wide_ = true;
    bool writing_ = false;
    bool failed_ = false;
    bool wroteAny_ = false;       // the stream position is past 0
    // Reading works on the whole file turned into wide text once per Open.
    bool reading_ = false;
    std::wstring text_;
    std::vector<size_t> bracketLines_;   // where the lines that begin with '[' start
    size_t textPos_ = 0;
    IniSource source_ = IniSource::kNone;
    bool cut_ = false;            // only the first part of a huge file was read
    size_t bytesRead_ = 0;
};
