#include "fileops/LogFile.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct FileCloser {
    FILE* file = nullptr;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// Opens by the wide path, and by its ANSI form when the runtime refuses the wide one.
FILE* OpenLog(const wchar_t* path, const wchar_t* mode) {
    FILE* file = _wfopen(path, mode);
    if (file) return file;
    char narrow[MAX_PATH * 2] = {};
    char narrowMode[8] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr)) return nullptr;
    for (int i = 0; mode[i] && i < 7; ++i) narrowMode[i] = static_cast<char>(mode[i]);
    return std::fopen(narrow, narrowMode);
}

}  // namespace

bool AppendLogLine(const wchar_t* logPath, const wchar_t* line) {
    return line && AppendLogLines(logPath, {std::wstring(line)});
}

bool CreateLogIfMissing(const wchar_t* logPath) {
    if (!logPath || !*logPath) return false;
    if (FileCloser probe{OpenLog(logPath, L"rb")}; probe.file) return true;
    FileCloser created{OpenLog(logPath, L"wb")};
    static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
    return created.file && std::fwrite(kByteOrderMark, 1, 2, created.file) == 2;
}

bool AppendLogLines(const wchar_t* logPath, const std::vector<std::wstring>& lines) {
    if (lines.empty() || !CreateLogIfMissing(logPath)) return false;
    FileCloser log{OpenLog(logPath, L"ab")};
    if (!log.file) return false;
    // Control characters (a line feed in a file name reached on a Linux drive,
    // say) are written as their control pictures, so each entry stays one line.
    std::wstring text;
    for (const std::wstring& line : lines) {
        for (const wchar_t c : line) text += c < 0x20 ? static_cast<wchar_t>(0x2400 + c) : c;
        text += L"\r\n";
    }
    // wchar_t is UTF-16LE on this platform, so the characters go out as they are.
    const size_t written = std::fwrite(text.data(), sizeof(wchar_t), text.size(), log.file);
    return written == text.size();
}
