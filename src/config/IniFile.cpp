// Table-driven INI reader and writer.
//
// Reading turns the whole file into wide text once (see DecodeIniText) and
// takes lines from it: a line is at most 254 units including its line feed,
// so a longer line is read as several lines; carriage returns are left in the
// line and dropped by the key/value split. Writing is UTF-16LE with a mark;
// the narrow fallback leaves encoding and line ends to the C runtime's text mode.
#include "config/IniFile.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "platform/Handles.h"

namespace {

constexpr size_t kPathBytes = 260;                 // multibyte path buffer of the fallback
constexpr int kLineChars = 254;                    // characters per line read
constexpr uint64_t kReadLimit = 32ull << 20;       // bytes of a file read at most
constexpr size_t kSniffBytes = 64u << 10;          // bytes looked at to tell bare UTF-16 apart
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

bool HasMark(const unsigned char* bytes, size_t size, const char* mark, size_t length) {
    return size >= length && std::memcmp(bytes, mark, length) == 0;
}

// Text of ASCII-range characters in UTF-16LE has a zero in almost every high
// (odd) byte; UTF-8 and ANSI text has no zero bytes at all, and random bytes
// have as many zeros at even places as at odd ones.
bool LooksLikeUtf16(const unsigned char* bytes, size_t size) {
    const size_t pairs = std::min(size, kSniffBytes) / 2;
    size_t zeroHigh = 0, zeroLow = 0;
    for (size_t i = 0; i < pairs; ++i) {
        zeroLow += bytes[2 * i] == 0;
        zeroHigh += bytes[2 * i + 1] == 0;
    }
    return zeroHigh > 0 && zeroHigh * 8 >= pairs && zeroHigh > 2 * zeroLow;
}

std::wstring FromCodePage(UINT codePage, DWORD flags, const unsigned char* bytes, size_t size, bool* valid) {
    if (valid) *valid = true;
    if (size == 0) return {};
    const char* text = reinterpret_cast<const char*>(bytes);
    const int length = MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), nullptr, 0);
    if (length <= 0) {
        if (valid) *valid = false;
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), wide.data(), length);
    return wide;
}

std::wstring FromUtf16(const unsigned char* bytes, size_t size) {
    std::wstring wide(size / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) wide[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return wide;
}

}  // namespace

IniSource DetectIniEncoding(const unsigned char* bytes, size_t size) {
    if (HasMark(bytes, size, "\xFF\xFE", 2)) return IniSource::kUtf16;
    if (HasMark(bytes, size, "\xEF\xBB\xBF", 3)) return IniSource::kUtf8;
    if (LooksLikeUtf16(bytes, size)) return IniSource::kUtf16Bare;
    bool valid = false;
    FromCodePage(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, std::min<size_t>(size, INT32_MAX), &valid);
    return valid ? IniSource::kUtf8 : IniSource::kAnsi;
}

std::wstring DecodeIniText(const unsigned char* bytes, size_t size, IniSource* encoding) {
    size = std::min<size_t>(size, INT32_MAX);
    const IniSource found = DetectIniEncoding(bytes, size);
    if (encoding) *encoding = found;
    switch (found) {
    case IniSource::kUtf16: return FromUtf16(bytes + 2, size - 2);
    case IniSource::kUtf16Bare: return FromUtf16(bytes, size);
    case IniSource::kUtf8: {
        const size_t skip = HasMark(bytes, size, "\xEF\xBB\xBF", 3) ? 3 : 0;
        return FromCodePage(CP_UTF8, 0, bytes + skip, size - skip, nullptr);
    }
    default: return FromCodePage(CP_ACP, 0, bytes, size, nullptr);
    }
}

IniFile::~IniFile() {
    if (stream_) fclose(stream_);
}

void IniFile::Open(const wchar_t* path, int mode) {
    if (stream_) {
        fclose(stream_);
        stream_ = nullptr;
    }
    text_.clear();
    text_.shrink_to_fit();
    bracketLines_.clear();
    textPos_ = 0;
    reading_ = false;
    source_ = IniSource::kNone;
    cut_ = false;
    bytesRead_ = 0;
    failed_ = false;
    wroteAny_ = false;
    wide_ = true;
    writing_ = mode == 1;
    if (!path || (mode != 0 && mode != 1)) return;

    if (!writing_) {
        // Other programs may keep the file open for writing or deleting; only
        // one that holds it without sharing makes it unreadable.
        UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                                 error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
            source_ = missing ? IniSource::kMissing : IniSource::kUnreadable;
            return;
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.Get(), &size)) size.QuadPart = 0;
        const uint64_t wanted = std::min(static_cast<uint64_t>(std::max<LONGLONG>(size.QuadPart, 0)), kReadLimit);
        cut_ = static_cast<uint64_t>(size.QuadPart) > kReadLimit;
        std::vector<unsigned char> bytes(static_cast<size_t>(wanted));
        size_t got = 0;
        while (got < bytes.size()) {
            DWORD piece = 0;
            const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes.size() - got, 1u << 20));
            if (!ReadFile(file.Get(), bytes.data() + got, ask, &piece, nullptr)) {
                source_ = IniSource::kUnreadable;   // a locked range, a device error
                return;
            }
            if (piece == 0) break;
            got += piece;
        }
        bytesRead_ = got;
        text_ = DecodeIniText(bytes.data(), got, &source_);
        for (size_t start = 0; start < text_.size(); start = LineEnd(start))
            if (text_[start] == L'[') bracketLines_.push_back(start);
        reading_ = true;
        return;
    }

    stream_ = _wfopen(path, L"wb");
    if (!stream_) {
        wide_ = false;
        char narrow[kPathBytes + 1] = {};
        size_t length = wcstombs(narrow, path, kPathBytes);
        // A path that does not convert, or only in part, must not open some other file.
        if (length == static_cast<size_t>(-1) || length >= kPathBytes) return;
        stream_ = fopen(narrow, "w");
    }
}

size_t IniFile::LineEnd(size_t start) const {
    const size_t room = std::min(static_cast<size_t>(kLineChars), text_.size() - start);
    const wchar_t* begin = text_.data() + start;
    const wchar_t* feed = std::wmemchr(begin, L'\n', room);
    return start + (feed ? static_cast<size_t>(feed - begin) + 1 : room);
}

bool IniFile::ReadLine() {
    if (textPos_ >= text_.size()) return false;
    const size_t end = LineEnd(textPos_);
    std::wmemcpy(line_, text_.data() + textPos_, end - textPos_);
    line_[end - textPos_] = L'\0';
    textPos_ = end;
    return true;
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
    if (!reading_ || !table) return;

    // Every section is searched from the top. A header in brackets can only
    // be one of the lines that begin with '[', found once at Open.
    textPos_ = 0;
    if (header) {
        const size_t length = wcslen(header);
        bool found = false;
        if (header[0] == L'[') {
            for (size_t start : bracketLines_) {
                textPos_ = start;
                if (ReadLine() && wcsncmp(line_, header, length) == 0) {
                    found = true;
                    break;
                }
            }
        } else {
            while (!found && ReadLine()) found = wcsncmp(line_, header, length) == 0;
        }
        if (!found) return;
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
    text_.clear();
    text_.shrink_to_fit();
    bracketLines_.clear();
    bracketLines_.shrink_to_fit();
    textPos_ = 0;
    reading_ = false;
    return ok;
}
