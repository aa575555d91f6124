#include "e2e/ViewerDriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

std::wstring TempRoot() {
    wchar_t buffer[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, buffer);
    std::wstring root(buffer, n);
    if (!root.empty() && root.back() == L'\\') root.pop_back();
    return root;
}

struct ProcessWindowList {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectProcessWindows(HWND window, LPARAM data) {
    auto* list = reinterpret_cast<ProcessWindowList*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == list->pid) list->windows.push_back(window);
    return TRUE;
}

// The top-level windows of a process, in z-order.
std::vector<HWND> ProcessWindows(DWORD pid) {
    ProcessWindowList list{pid, {}};
    EnumWindows(CollectProcessWindows, reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// What a search answers when the viewer's process has ended: stop waiting.
const HWND kProcessEnded = HWND_BOTTOM;

// Polls `find` every 20 ms until it answers a window or the time is up.
template <class Find>
HWND PollForWindow(DWORD timeoutMs, Find find) {
    const DWORD start = GetTickCount();
    do {
        if (HWND found = find()) return found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data) {
    auto* text = reinterpret_cast<std::wstring*>(data);
    wchar_t cls[64] = {};
    GetClassNameW(child, cls, 64);
    if (_wcsicmp(cls, L"Static") == 0) {
        wchar_t buffer[1024] = {};
        GetWindowTextW(child, buffer, 1024);
        if (buffer[0]) {
            if (!text->empty()) text->append(L"\n");
            text->append(buffer);
        }
    }
    return TRUE;
}

}  // namespace

TempFolder::TempFolder(const wchar_t* tag) {
    static LONG counter = 0;
    wchar_t name[128];
    swprintf(name, 128, L"\\ox-%ls-%lu-%ld-%lu", tag, GetCurrentProcessId(), InterlockedIncrement(&counter),
             GetTickCount());
    path_ = TempRoot() + name;
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
            else DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    WriteBytes(path, bytes);
}

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return L"";
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return text;
}

void WriteSolidBmp(const std::wstring& path, int width, int height, COLORREF colour) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(rowBytes) * static_cast<uint32_t>(height);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageSize;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int x = 0; x < width; ++x) {
        row[static_cast<size_t>(x) * 3] = static_cast<char>(GetBValue(colour));
        row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    WriteBytes(path, bytes);
}

std::wstring BesideTestExe(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    folder.resize(folder.find_last_of(L'\\'));
    return folder + L"\\" + name;
}

Viewer::Viewer() : program_(L"prog"), pictures_(L"pics") {
    CopyFileW(BesideTestExe(L"Oxbrill.exe").c_str(), ProgramFile(L"Oxbrill.exe").c_str(), FALSE);
}

Viewer::~Viewer() {
    if (process_.hProcess) {
        if (Running()) {
            Close();
            if (WaitForSingleObject(process_.hProcess, 3000) != WAIT_OBJECT_0) {
                TerminateProcess(process_.hProcess, 99);
                WaitForSingleObject(process_.hProcess, 5000);
            }
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
}

bool Viewer::Start(const std::wstring& arguments, const std::wstring& workingFolder) {
    std::wstring commandLine = L"\"" + ProgramFile(L"Oxbrill.exe") + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    const std::wstring cwd = workingFolder.empty() ? Pictures() : workingFolder;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &startup,
                       &process_))
        return true;
    // Said here, as the cases only see "false".
    printf("Oxbrill.exe did not start: error %lu\n", GetLastError());
    return false;
}

bool Viewer::WaitForWindow(DWORD timeoutMs, bool visible) {
    const HWND found = PollForWindow(timeoutMs, [&]() -> HWND {
        HWND owner = nullptr, main = nullptr;
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
            const std::wstring cls = ClassOf(window);
            if (cls == L"Oxbrill") owner = window;
            else if (cls == L"#32770" && GetWindow(window, GW_OWNER) && ClassOf(GetWindow(window, GW_OWNER)) == L"Oxbrill")
                main = window;
        }
        if (!owner || !main || (visible && !IsWindowVisible(main))) return Running() ? nullptr : kProcessEnded;
        owner_ = owner;
        main_ = main;
        return main;
    });
    if (found == kProcessEnded) {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        printf("Oxbrill.exe ended (exit code 0x%lx) before its window was %s\n", code, visible ? "shown" : "made");
    }
    return found && found != kProcessEnded;
}

void Viewer::PostCommand(int id) const { PostMessageW(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }

void Viewer::Close() const {
    if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
}

std::wstring Viewer::Caption() const {
    wchar_t buffer[1024] = {};
    GetWindowTextW(main_, buffer, 1024);
    return buffer;
}

RECT Viewer::WindowRect() const {
    RECT r{};
    GetWindowRect(main_, &r);
    return r;
}

RECT Viewer::ClientRect() const {
    RECT r{};
    GetClientRect(main_, &r);
    return r;
}

void Viewer::PostKey(UINT vk) const {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(main_, WM_KEYDOWN, vk, scan | 1);
    PostMessageW(main_, WM_KEYUP, vk, scan | 1 | (1LL << 30) | (1LL << 31));
}

bool Viewer::RegionBox(RECT& box) const {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(main_, region);
    if (kind != ERROR) GetRgnBox(region, &box);
    DeleteObject(region);
    return kind != ERROR;
}

RECT Viewer::ClientOnScreen() const {
    RECT r = ClientRect();
    POINT origin{0, 0};
    ClientToScreen(main_, &origin);
    OffsetRect(&r, origin.x, origin.y);
    return r;
}

void Viewer::WaitForStableSize(DWORD stableMs, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    RECT last = WindowRect();
    DWORD since = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        Sleep(20);
        const RECT now = WindowRect();
        if (!EqualRect(&now, &last)) {
            last = now;
            since = GetTickCount();
        } else if (GetTickCount() - since >= stableMs) {
            return;
        }
    }
}

Screenshot::Screenshot() {
    width_ = GetSystemMetrics(SM_CXSCREEN);
    height_ = GetSystemMetrics(SM_CYSCREEN);
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(pixels_.data(), bits, pixels_.size() * sizeof(uint32_t));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

COLORREF Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const uint32_t p = pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
    const size_t at = text.find(section + L"\r\n");
    if (at == std::wstring::npos) return L"<no section>";
    const size_t end = text.find(L"\r\n[", at + 1);
    const std::wstring body = text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    size_t k = body.find(L"\r\n" + key + L"=");
    if (k == std::wstring::npos) return L"<no key>";
    k += 2 + key.size() + 1;
    return body.substr(k, body.find(L"\r\n", k) - k);
}

bool NearColour(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

HWND Viewer::WaitForPopupMenu(DWORD timeoutMs, HWND except) const {
    return PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId))
            if (window != except && IsWindowVisible(window) && ClassOf(window) == L"#32768") return window;
        return nullptr;
    });
}

MessageBoxInfo Viewer::WaitForMessageBox(const wchar_t* caption, DWORD timeoutMs) const {
    MessageBoxInfo info;
    info.window = PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
            if (window != main_ && IsWindowVisible(window) && ClassOf(window) == L"#32770" && TextOf(window) == caption)
                return window;
        }
        return Running() ? nullptr : kProcessEnded;
    });
    if (info.window == kProcessEnded) info.window = nullptr;
    if (info.window) {
        info.caption = caption;
        EnumChildWindows(info.window, CollectStaticText, reinterpret_cast<LPARAM>(&info.text));
    }
    return info;
}

HWND Viewer::WaitForDialog(DWORD timeoutMs) const {
    const HWND found = PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
            if (window != main_ && IsWindowVisible(window) && ClassOf(window) == L"#32770") return window;
        }
        return Running() ? nullptr : kProcessEnded;
    });
    return found == kProcessEnded ? nullptr : found;
}

FolderWatch::FolderWatch(const std::wstring& folder) : buffer_(16384) {
    folder_ = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Read();
}

FolderWatch::~FolderWatch() {
    if (folder_ != INVALID_HANDLE_VALUE) {
        CancelIo(folder_);
        CloseHandle(folder_);
    }
    if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
}

void FolderWatch::Read() {
    if (folder_ == INVALID_HANDLE_VALUE) return;
    ResetEvent(overlapped_.hEvent);
    ReadDirectoryChangesW(folder_, buffer_.data(), DWORD(buffer_.size() * sizeof(DWORD)), FALSE,
                          FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_, nullptr);
}

std::vector<std::wstring> FolderWatch::Created(DWORD settleMs) {
    DWORD got = 0;
    while (folder_ != INVALID_HANDLE_VALUE && WaitForSingleObject(overlapped_.hEvent, settleMs) == WAIT_OBJECT_0 &&
           GetOverlappedResult(folder_, &overlapped_, &got, FALSE)) {
        const char* at = reinterpret_cast<const char*>(buffer_.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            if (info->Action == FILE_ACTION_ADDED)
                created_.emplace_back(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (!info->NextEntryOffset || got == 0) break;
            at += info->NextEntryOffset;
        }
        Read();
    }
    return created_;
}

bool PlaceCursor(int x, int y) {
    const auto there = [&] {
        POINT at{};
        GetCursorPos(&at);
        if (at.x == x && at.y == y) return true;
        SetCursorPos(x, y);
        return false;
    };
    return WaitUntil([&] { return there() && (Sleep(150), there()); });
}

size_t SettingsSaves(FolderWatch& watch) {
    size_t saves = 0;
    for (const std::wstring& name : watch.Created()) {
        if (name.size() > 7 && _wcsnicmp(name.c_str(), L"oxb", 3) == 0 &&
            _wcsicmp(name.c_str() + name.size() - 4, L".tmp") == 0)
            ++saves;
    }
    return saves;
}

int Viewer::WaitForExit(DWORD timeoutMs) {
    if (!process_.hProcess) return -1;
    if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

bool Viewer::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

}  // namespace e2e
