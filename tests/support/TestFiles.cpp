#include "support/TestFiles.h"

#include <cstdio>

namespace {

std::wstring Long(const std::wstring& path) {
    return path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

void MakeParents(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(Long(path.substr(0, at)).c_str(), nullptr);
}

}  // namespace

TempFolder::TempFolder(const wchar_t* tag) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    wchar_t name[96];
    swprintf(name, 96, L"ox-%ls-%lu-%ld-%lu", tag, static_cast<unsigned long>(GetCurrentProcessId()),
             InterlockedIncrement(&counter), static_cast<unsigned long>(GetTickCount()));
    root_ = std::wstring(temp) + name;
    RemoveTree(root_);
    CreateDirectoryW(root_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(root_); }

void TempFolder::Folder(const std::wstring& relative) const {
    const std::wstring path = Path(relative);
    MakeParents(path);
    CreateDirectoryW(Long(path).c_str(), nullptr);
}

void TempFolder::File(const std::wstring& relative, const std::string& bytes) const {
    const std::wstring path = Path(relative);
    MakeParents(path);
    WriteBytes(Long(path), bytes);
}

bool TempFolder::FolderLink(const std::wstring& relative, const std::wstring& target) const {
    const std::wstring path = Path(relative);
    MakeParents(path);
    const auto made = [&] {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    };
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

std::vector<std::wstring> TempFolder::List() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((root_ + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
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

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
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
    std::string bytes;
    if (mark) bytes += "\xFF\xFE";
    for (wchar_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

std::wstring Units(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text) { WriteBytes(path, Utf16(text)); }

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return L"";
    return Units(bytes.substr(2));
}

std::string BmpBytes(int w, int h, COLORREF colour) {
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
    info.biSizeImage = DWORD(stride * h);
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(size_t(stride), '\0');
    for (int x = 0; x < w; ++x) {
        row[size_t(x) * 3] = static_cast<char>(GetBValue(colour));
        row[size_t(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[size_t(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < h; ++y) bytes += row;
    return bytes;
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

std::wstring DataPath(const std::wstring& relative) {
    std::string here = __FILE__;
    for (char& c : here)
        if (c == '/') c = '\\';
    const size_t cut = here.rfind("\\support\\");
    std::wstring base(here.begin(), here.begin() + static_cast<std::ptrdiff_t>(cut == std::string::npos ? 0 : cut));
    if (!base.empty() && base[0] == L'\\') base.insert(0, L"Z:");
    return base + L"\\data\\" + relative;
}
