#include "support/TestFiles.h"

#include <algorithm>
#include <cstdio>

#include "exhibit/ShellLink.h"

namespace {

std::wstring Long(const std::wstring& path) { return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path; }

void MakeParents(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

TempFolder::TempFolder(const wchar_t* tag) {
    wchar_t temp[MAX_PATH], name[96];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    swprintf(name, 96, L"ox-%ls-%lu-%ld-%lu", tag, GetCurrentProcessId(), InterlockedIncrement(&counter),
             GetTickCount());
    root_ = std::wstring(temp) + name;
    RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(root_); }

void TempFolder::Folder(const std::wstring& relative) const {
    MakeParents(Path(relative));
    CreateDirectoryW(Long(Path(relative)).c_str(), nullptr);
}

void TempFolder::File(const std::wstring& relative, const std::string& bytes) const {
    MakeParents(Path(relative));
    WriteBytes(Long(Path(relative)), bytes);
}

bool TempFolder::FolderLink(const std::wstring& relative, const std::wstring& target) const {
    const std::wstring path = Path(relative);
    MakeParents(path);
    const DWORD flags = SYMBOLIC_LINK_FLAG_DIRECTORY | 2;   // unprivileged
    if (CreateSymbolicLinkW(path.c_str(), target.c_str(), flags) && IsLink(path)) return true;
    // Where the system only pretends (Wine), the host's own ln makes the link.
    const size_t slash = path.rfind(L'\\');
    std::wstring unixTarget = target;
    std::replace(unixTarget.begin(), unixTarget.end(), L'\\', L'/');
    std::wstring command = L"/bin/ln -s \"" + unixTarget + L"\" \"" + path.substr(slash + 1) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const std::wstring folder = path.substr(0, slash);
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    // A host program gives no handle to wait on: look for the link instead.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 5000 && !IsLink(path); waited += 20) Sleep(20);
    return IsLink(path);
}

std::vector<std::wstring> TempFolder::List() const { return ListFolder(root_); }

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data))
        if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..")) names.push_back(data.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::wstring& folder) {
    const std::wstring base = Long(folder);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"\\*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        const std::wstring path = base + L"\\" + data.cFileName;
        if (!wcscmp(data.cFileName, L".") || !wcscmp(data.cFileName, L"..")) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {   // a link goes itself; its target is never entered
            if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
            continue;
        }
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
        else DeleteFileW(path.c_str());
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(base.c_str());
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char block[65536];
    DWORD got = 0;
    while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string Utf16(const std::wstring& text, bool mark) {
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (const wchar_t unit : text) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text) { WriteBytes(path, Utf16(text)); }

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    std::wstring text;
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += wchar_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
    return text;
}

std::string BmpBytes(int w, int h, COLORREF colour) {
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + stride * h), 0, 0,
                          DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
    BITMAPINFOHEADER info{sizeof(info), w, h, 1, 24, BI_RGB, DWORD(stride * h), 0, 0, 0, 0};
    std::string bytes = std::string(reinterpret_cast<const char*>(&file), sizeof(file)) +
                        std::string(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(size_t(stride), '\0');
    for (size_t x = 0; x < size_t(w); ++x)
        row.replace(x * 3, 3, {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour))});
    for (int y = 0; y < h; ++y) bytes += row;
    return bytes;
}

void SetTimes(const std::wstring& path, unsigned long long value) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const FILETIME t{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
    SetFileTime(file, &t, &t, &t);
    CloseHandle(file);
}

std::wstring DataPath(const std::wstring& relative) {
    // tests/data as the build names it (a compiler cache may make __FILE__
    // relative, which would say nothing at run time).
    std::string base = OX_TEST_DATA;
    std::replace(base.begin(), base.end(), '/', '\\');
    std::wstring wide(base.begin(), base.end());
    if (!wide.empty() && wide[0] == L'\\') wide.insert(0, L"Z:");
    return wide + L"\\" + relative;
}

bool MakeShortcut(const std::wstring& path, const std::wstring& target) {
    MakeParents(path);
    ShellLink shell;
    return shell.CreateShortcut(target.c_str(), path.c_str());
}
