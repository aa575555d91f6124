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

void RemoveTree(const std::wstring& folder) {
    const std::wstring base = Long(folder);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = base + L"\\" + name;
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
