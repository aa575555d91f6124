#include "TempTree.h"

#include <cstdio>

#include "exhibit/ShellLink.h"

namespace {

std::wstring Long(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

void MakeParents(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
}

}  // namespace

TempTree::TempTree(const wchar_t* tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[64];
    swprintf(name, 64, L"oxt-%ls-%lu-%lu", tag, static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<unsigned long>(GetTickCount()));
    root_ = std::wstring(temp) + name;
    RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
}

TempTree::~TempTree() { RemoveTree(root_); }

void TempTree::Folder(const std::wstring& relative) {
    const std::wstring path = Path(relative);
    MakeParents(path);
    CreateDirectoryW(Long(path).c_str(), nullptr);
}

void TempTree::File(const std::wstring& relative, const std::string& bytes) {
    const std::wstring path = Path(relative);
    MakeParents(path);
    HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool TempTree::Link(const std::wstring& relative, const std::wstring& target) {
    const std::wstring path = Path(relative);
    MakeParents(path);
    ShellLink shell;
    return shell.CreateShortcut(target.c_str(), path.c_str());
}

bool TempTree::FolderLink(const std::wstring& relative, const std::wstring& target) {
    const std::wstring path = Path(relative);
    MakeParents(path);
    const auto made = [&] { return (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                                   GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
    if (CreateSymbolicLinkW(path.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 2) && made()) return true;
    // Where the system only pretends (Wine), the host's own ln makes the link.
    const size_t slash = path.rfind(L'\\');
    const std::wstring folder = path.substr(0, slash), name = path.substr(slash + 1);
    std::wstring unixTarget = target;
    for (wchar_t& c : unixTarget)
        if (c == L'\\') c = L'/';
    std::wstring command = L"/bin/ln -s \"" + unixTarget + L"\" \"" + name + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return false;
    // A host program gives no handle to wait on: look for the link instead.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int waited = 0; waited < 5000; waited += 20) {
        if (made()) return true;
        Sleep(20);
    }
    return false;
}

std::string BmpBytes(int w, int h) {
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + DWORD(stride * h);
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    bytes.append(size_t(stride * h), '\x40');
    return bytes;
}

void RemoveTree(const std::wstring& folder) {
    const std::wstring base = Long(folder);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = base + L"\\" + name;
            // A link goes itself; what it points to is never entered.
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
                continue;
            }
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(base.c_str());
}

void SetTimes(const std::wstring& path, unsigned long long value) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME t;
    t.dwLowDateTime = static_cast<DWORD>(value);
    t.dwHighDateTime = static_cast<DWORD>(value >> 32);
    SetFileTime(file, &t, &t, &t);
    CloseHandle(file);
}
