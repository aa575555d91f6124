// A small table-driven reader and writer of INI-style text files (UTF-16LE with
// a byte-order mark and CR LF; a narrow text fallback when the wide open fails).
// A caller describes one section as an array of IniEntry rows ending with a row
// whose target is null; IniFile fills the targets from the file or writes them.
#pragma once

#include <cstdint>
#include <cstdio>
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

    bool IsOpen() const { return stream_ != nullptr; }
    bool WideMode() const { return wide_; }

private:
    bool ReadLine();
    // Wide-mode reading works on the raw UTF-16LE bytes of the file, kept in
    // memory once per Open (or streamed in blocks when the file is huge).
    void SeekBytes(int64_t offset);
    bool Refill();
    void Put(const wchar_t* text);
    void StoreValue(const IniEntry& row, const wchar_t* value, int limit);
    void WriteValue(const IniEntry& row);

    wchar_t line_[256] = {};
    FILE* stream_ = nullptr;
    bool wide_ = true;
    bool writing_ = false;
    bool failed_ = false;
    bool wroteAny_ = false;       // the stream position is past 0
    std::vector<unsigned char> data_;
    size_t dataLen_ = 0;          // valid bytes in data_
    size_t dataPos_ = 0;          // next byte to read in data_
    bool holdsAll_ = false;       // data_ is the whole file
};
