// Table-driven INI reader and writer.
//
// Wide mode (the normal case) opens the file untranslated and handles the
// UTF-16LE code units itself: a line is at most 254 units including its line
// feed, so a longer line is read as several lines; carriage returns are left
// in the line and dropped by the key/value split. The narrow fallback leaves
// decoding and line ends to the C runtime's text mode.
#include "config/IniFile.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

constexpr size_t kPathBytes = 260;                 // multibyte path buffer of the fallback
constexpr int kLineChars = 254;                    // characters per line read
constexpr int64_t kWholeFileLimit = 64ll << 20;    // files up to this size are read once
constexpr size_t kBlockSize = 1u << 20;            // block size when streaming a bigger file
constexpr wchar_t kSeparators[] = L"=\n\r";

template <typename T>
void StoreBits(void* target, T value) {
    std::memcpy(target, &value, sizeof value);
}

template <typename T>
T LoadBits(const void* target) {
    T value{};
    std::memcpy(&value, target, sizeof value);
    return value;
}

}  // namespace

IniFile::~IniFile() {
    if (stream_) fclose(stream_);
}

void IniFile::Open(const wchar_t* path, int mode) {
    if (stream_) {
        fclose(stream_);
        stream_ = nullptr;
    }
    data_.clear();
    data_.shrink_to_fit();
    dataLen_ = dataPos_ = 0;
    holdsAll_ = false;
    failed_ = false;
    wroteAny_ = false;
    wide_ = true;
    writing_ = mode == 1;
    if (!path || (mode != 0 && mode != 1)) return;

    stream_ = _wfopen(path, writing_ ? L"wb" : L"rb");
    if (!stream_) {
        wide_ = false;
        char narrow[kPathBytes + 1] = {};
        size_t length = wcstombs(narrow, path, kPathBytes);
        // A path that does not convert, or only in part, must not open some other file.
        if (length == static_cast<size_t>(-1) || length >= kPathBytes) return;
        stream_ = fopen(narrow, writing_ ? "w" : "r");
        return;
    }
    if (writing_) return;

    int64_t size = _filelengthi64(_fileno(stream_));
    if (size < 0) size = 0;
    if (size <= kWholeFileLimit) {
        data_.resize(static_cast<size_t>(size));
        dataLen_ = size ? fread(data_.data(), 1, data_.size(), stream_) : 0;
        holdsAll_ = true;
    } else {
        data_.resize(kBlockSize);
    }
}

void IniFile::SeekBytes(int64_t offset) {
    if (holdsAll_) {
        dataPos_ = std::min(static_cast<size_t>(offset), dataLen_);
        return;
    }
    dataLen_ = dataPos_ = 0;
    if (_fseeki64(stream_, offset, SEEK_SET) != 0) failed_ = true;
}

bool IniFile::Refill() {
    if (holdsAll_ || failed_) return false;
    size_t left = dataLen_ - dataPos_;
    std::memmove(data_.data(), data_.data() + dataPos_, left);
    dataPos_ = 0;
    dataLen_ = left + fread(data_.data() + left, 1, data_.size() - left, stream_);
    return dataLen_ > left;
}

bool IniFile::ReadLine() {
    if (!wide_) return fgetws(line_, kLineChars + 1, stream_) != nullptr;
    int count = 0;
    while (count < kLineChars) {
        if (dataLen_ - dataPos_ < 2 && (!Refill() || dataLen_ - dataPos_ < 2)) break;
        // Copy straight out of the buffer up to a line feed, the piece's end or the buffer's end.
        const unsigned char* bytes = data_.data() + dataPos_;
        const size_t room = std::min(static_cast<size_t>(kLineChars - count), (dataLen_ - dataPos_) / 2);
        size_t taken = 0;
        bool lineEnd = false;
        while (taken < room) {
            const wchar_t unit = static_cast<wchar_t>(bytes[2 * taken] | (bytes[2 * taken + 1] << 8));
            line_[count++] = unit;
            ++taken;
            if (unit == L'\n') {
                lineEnd = true;
                break;
            }
        }
        dataPos_ += 2 * taken;
        if (lineEnd) break;
    }
    line_[count] = L'\0';
    return count > 0;
}

void IniFile::StoreValue(const IniEntry& row, const wchar_t* value, int limit) {
    switch (row.type) {
    case kIniUShort: {
        int number = 0;
        if (swscanf(value, L"%d", &number) == 1) StoreBits(row.target, static_cast<uint16_t>(number));
        break;
    }
    case kIniBool:
        if (_wcsicmp(value, L"FALSE") == 0) StoreBits<uint8_t>(row.target, 0);
        else if (_wcsicmp(value, L"TRUE") == 0) StoreBits<uint8_t>(row.target, 1);
        break;
    case kIniShort: {
        short number = 0;
        if (swscanf(value, L"%hd", &number) == 1) StoreBits(row.target, number);
        break;
    }
    case kIniLong: {
        long number = 0;
        if (swscanf(value, L"%ld", &number) == 1) StoreBits(row.target, static_cast<int32_t>(number));
        break;
    }
    case kIniShortOctal: {
        unsigned short number = 0;
        if (swscanf(value, L"%ho", &number) == 1) StoreBits(row.target, number);
        break;
    }
    case kIniLongOctal: {
        unsigned long number = 0;
        if (swscanf(value, L"%lo", &number) == 1) StoreBits(row.target, static_cast<uint32_t>(number));
        break;
    }
    case kIniShortHex: {
        unsigned short number = 0;
        if (swscanf(value, L"%hx", &number) == 1) StoreBits(row.target, number);
        break;
    }
    case kIniLongHex: {
        unsigned long number = 0;
        if (swscanf(value, L"%lx", &number) == 1) StoreBits(row.target, static_cast<uint32_t>(number));
        break;
    }
    case kIniFloat: {
        float number = 0;
        if (swscanf(value, L"%g", &number) == 1) StoreBits(row.target, number);
        break;
    }
    case kIniDouble: {
        double number = 0;
        if (swscanf(value, L"%lg", &number) == 1) StoreBits(row.target, number);
        break;
    }
    case kIniString:
        if (limit >= 1) {
            wchar_t* text = static_cast<wchar_t*>(row.target);
            wcsncpy(text, value, static_cast<size_t>(limit - 1));
            text[limit - 1] = L'\0';
        }
        break;
    default:
        break;
    }
}

void IniFile::ReadSection(const IniEntry* table, const wchar_t* header, int limit) {
    if (!stream_ || writing_ || !table) return;

    if (wide_) {
        SeekBytes(2);  // every section is searched from the top, past the byte-order mark
    } else {
        rewind(stream_);
    }
    if (header) {
        const size_t length = wcslen(header);
        do {
            if (!ReadLine()) return;
        } while (wcsncmp(line_, header, length) != 0);
    }

    while (ReadLine() && line_[0] != L'[') {
        if (line_[0] == L'#') continue;
        wchar_t* context = nullptr;
        const wchar_t* key = wcstok_s(line_, kSeparators, &context);
        if (!key) continue;
        const wchar_t* value = wcstok_s(nullptr, kSeparators, &context);
        if (!value) continue;
        for (const IniEntry* row = table; row->target; ++row) {
            if (row->name && _wcsicmp(row->name, key) == 0) StoreValue(*row, value, limit);
        }
    }
}

void IniFile::Put(const wchar_t* text) {
    if (failed_) return;
    const size_t length = wcslen(text);
    if (length == 0) return;
    wroteAny_ = true;
    if (wide_) {
        // wchar_t is one UTF-16LE code unit on this platform.
        if (fwrite(text, sizeof(wchar_t), length, stream_) != length) failed_ = true;
    } else if (fputws(text, stream_) < 0) {
        failed_ = true;
    }
}

void IniFile::WriteValue(const IniEntry& row) {
    wchar_t number[64] = {};
    const void* target = row.target;
    switch (row.type) {
    case kIniUShort:
    case kIniShort:
        swprintf(number, 64, L"%hd", static_cast<int>(LoadBits<short>(target)));
        break;
    case kIniBool:
        Put(LoadBits<uint8_t>(target) ? L"TRUE" : L"FALSE");
        return;
    case kIniLong:
        swprintf(number, 64, L"%ld", static_cast<long>(LoadBits<int32_t>(target)));
        break;
    case kIniShortOctal:
        swprintf(number, 64, L"%ho", static_cast<unsigned>(LoadBits<unsigned short>(target)));
        break;
    case kIniLongOctal:
        swprintf(number, 64, L"%lo", static_cast<unsigned long>(LoadBits<uint32_t>(target)));
        break;
    case kIniShortHex:
        swprintf(number, 64, L"%hx", static_cast<unsigned>(LoadBits<unsigned short>(target)));
        break;
    case kIniLongHex:
        swprintf(number, 64, L"%lx", static_cast<unsigned long>(LoadBits<uint32_t>(target)));
        break;
    case kIniFloat:
        swprintf(number, 64, L"%g", static_cast<double>(LoadBits<float>(target)));
        break;
    case kIniDouble:
        swprintf(number, 64, L"%lg", LoadBits<double>(target));
        break;
    case kIniString:
        Put(static_cast<const wchar_t*>(target));
        return;
    default:
        return;
    }
    Put(number);
}

void IniFile::WriteSection(const IniEntry* table, const wchar_t* header) {
    if (!stream_ || !writing_) return;
    const wchar_t* lineEnd = wide_ ? L"\r\n" : L"\n";

    if (wroteAny_) {
        Put(lineEnd);
    } else if (wide_) {
        Put(L"\xFEFF");
    }
    if (header) {
        Put(header);
        Put(lineEnd);
    }
    for (const IniEntry* row = table; row && row->target; ++row) {
        Put(row->name ? row->name : L"");
        Put(L"=");
        WriteValue(*row);
        Put(lineEnd);
    }
}

bool IniFile::Close() {
    bool ok = !failed_;
    if (stream_) {
        if (writing_) {
            if (fflush(stream_) != 0) {
                ok = false;
            } else {
                // Make the bytes durable before a caller renames the file into place.
                HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)));
                if (handle != INVALID_HANDLE_VALUE) FlushFileBuffers(handle);
            }
        }
        if (fclose(stream_) != 0 && writing_) ok = false;
        stream_ = nullptr;
    }
    data_.clear();
    data_.shrink_to_fit();
    dataLen_ = dataPos_ = 0;
    holdsAll_ = false;
    return ok;
}
