#include "fileops/LogFile.h"

#include <windows.h>

#include <string>

#include "fileops/FileSteps.h"
#include "platform/Handles.h"

namespace {

constexpr int kAttempts = 8;       // another program appending, or an indexer reading
constexpr DWORD kPauseMs = 15;
const char kByteOrderMark[2] = {'\xFF', '\xFE'};

// The log opened for appending only (every write lands at its end, whatever
// else writes to it), made when missing. Null when it cannot be opened.
UniqueHandle OpenForAppending(const wchar_t* path, DWORD disposition) {
    // A log the user made read-only stays as it is (Wine would append to it).
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return UniqueHandle();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        UniqueHandle log;
        if (!StepFails(FileStep::LogOpen, path))
            log = UniqueHandle(CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (log) return log;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) break;
        Sleep(kPauseMs);
    }
    return UniqueHandle();
}

// Appends `bytes`, the byte-order mark first when the file is still empty.
bool Append(HANDLE log, const wchar_t* path, std::string bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(log, &size)) return false;
    if (size.QuadPart == 0) bytes.insert(0, kByteOrderMark, sizeof kByteOrderMark);
    if (bytes.empty()) return true;
    DWORD written = 0;
    if (StepFails(FileStep::LogWrite, path)) return false;
    return WriteFile(log, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
}

}  // namespace

bool AppendLogLine(const wchar_t* logPath, const wchar_t* line) {
    return line && AppendLogLines(logPath, {std::wstring(line)});
}

bool CreateLogIfMissing(const wchar_t* logPath) {
    if (!logPath || !*logPath) return false;
    const DWORD attributes = GetFileAttributesW(logPath);
    if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    UniqueHandle log = OpenForAppending(logPath, OPEN_ALWAYS);
    return log && Append(log.Get(), logPath, std::string());
}

bool AppendLogLines(const wchar_t* logPath, const std::vector<std::wstring>& lines) {
    if (!logPath || !*logPath || lines.empty()) return false;
    // Control characters (a line feed in a file name reached on a Linux drive,
    // say) are written as their control pictures, so each entry stays one line.
    std::wstring text;
    for (const std::wstring& line : lines) {
        for (const wchar_t c : line) text += c < 0x20 ? static_cast<wchar_t>(0x2400 + c) : c;
        text += L"\r\n";
    }
    // wchar_t is UTF-16LE on this platform, so the characters go out as they are.
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    UniqueHandle log = OpenForAppending(logPath, OPEN_ALWAYS);
    if (!log || !Append(log.Get(), logPath, std::move(bytes))) return false;
    FlushFileBuffers(log.Get());
    return true;
}
