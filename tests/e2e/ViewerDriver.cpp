#include "e2e/ViewerDriver.h"

#include "imaging/GdiplusApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace e2e {

namespace {

// The top-level windows of a process, in z-order.
std::vector<HWND> ProcessWindows(DWORD pid) {
    struct List {
        DWORD pid;
        std::vector<HWND> windows;
    } list{pid, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* list = reinterpret_cast<List*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == list->pid) list->windows.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&list));
    return list.windows;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// What a search answers when the viewer's process has ended: stop waiting.
const HWND kProcessEnded = HWND_BOTTOM;

// Polls `find` until it answers a window or the time is up; null then, and
// null for a process that ended.
template <class Find>
HWND PollForWindow(DWORD timeoutMs, Find find) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = find()) != nullptr; }, timeoutMs);
    return found == kProcessEnded ? nullptr : found;
}

std::wstring BesideTestExe(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder = self;
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

}  // namespace

std::string Describe(const RECT& r) {
    char text[80];
    snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", long(r.left), long(r.top), long(r.right), long(r.bottom));
    return text;
}

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

RECT Screen() { return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

Viewer::Viewer() : program_(L"prog"), pictures_(L"pics") {
    CopyFileW(BesideTestExe(L"Oxbrill.exe").c_str(), ProgramFile(L"Oxbrill.exe").c_str(), FALSE);
}

Viewer::~Viewer() {
    if (!process_.hProcess) return;
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

bool Viewer::Start(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + ProgramFile(L"Oxbrill.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, Pictures().c_str(), &startup,
                       &process_))
        return true;
    printf("Oxbrill.exe did not start: error %lu\n", GetLastError());   // the cases only see "false"
    return false;
}

bool Viewer::Launch(const std::wstring& arguments) {
    if (!Start(arguments) || !WaitForWindow()) return false;
    WaitForStableSize();
    return true;
}

bool Viewer::WaitForWindow(DWORD timeoutMs, bool visible) {
    const HWND found = PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId)) {
            const HWND owner = GetWindow(window, GW_OWNER);
            if (ClassOf(window) == L"#32770" && owner && ClassOf(owner) == L"Oxbrill" &&
                (!visible || IsWindowVisible(window)))
                return main_ = window;
        }
        return Running() ? nullptr : kProcessEnded;
    });
    if (!found && timeoutMs && !Running())
        printf("Oxbrill.exe ended (exit code 0x%x) before its window\n", WaitForExit(0));
    return found != nullptr;
}

void Viewer::PostKey(UINT vk) const {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(main_, WM_KEYDOWN, vk, scan | 1);
    PostMessageW(main_, WM_KEYUP, vk, scan | 1 | (1LL << 30) | (1LL << 31));
}

std::wstring Viewer::SavedSettings() {
    Close();
    EXPECT_EQ(WaitForExit(), 0);
    return ReadUtf16File(SettingsPath());
}

std::wstring Viewer::Caption() const { return TextOf(main_); }

bool Viewer::WaitForShown(const std::wstring& name, DWORD timeoutMs) const {
    // "C:\...\name.bmp - Oxbrill (...)"
    const auto names = [&](const std::wstring& caption) {
        const size_t dash = caption.find(L" - ");
        return dash != std::wstring::npos && dash >= name.size() + 1 &&
               caption.compare(dash - name.size() - 1, name.size() + 1, L"\\" + name) == 0;
    };
    return names(WaitForCaption(names, timeoutMs));
}

RECT Viewer::WindowRect() const {
    RECT r{};
    GetWindowRect(main_, &r);
    return r;
}

RECT Viewer::ClientOnScreen() const {
    RECT r{};
    GetClientRect(main_, &r);
    MapWindowPoints(main_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT Viewer::ViewOnScreen() const {
    RECT view = ClientOnScreen();
    view.bottom -= StatusBarHeight();
    return view;
}

int Viewer::StatusBarHeight() const {
    HWND bar = FindWindowExW(main_, nullptr, L"msctls_statusbar32", nullptr);
    RECT r{};
    if (bar) GetWindowRect(bar, &r);
    return Height(r);
}

bool Viewer::RegionBox(RECT& box) const {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(main_, region);
    if (kind != ERROR) GetRgnBox(region, &box);
    DeleteObject(region);
    return kind != ERROR;
}

void Viewer::WaitForStableSize(DWORD stableMs, DWORD timeoutMs) const {
    RECT last = WindowRect();
    DWORD since = GetTickCount();
    WaitUntil(
        [&] {
            const RECT now = WindowRect();
            if (!EqualRect(&now, &last)) last = now, since = GetTickCount();
            return GetTickCount() - since >= stableMs;
        },
        timeoutMs);
}

bool Viewer::WaitForWindowRect(const RECT& wanted, DWORD timeoutMs) const {
    return WaitUntil([&] { return SameRect(WindowRect(), wanted); }, timeoutMs);
}

HWND Viewer::WaitForPopupMenu(DWORD timeoutMs, HWND except) const {
    return PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId))
            if (window != except && IsWindowVisible(window) && ClassOf(window) == L"#32768") return window;
        return nullptr;
    });
}

MessageBoxInfo Viewer::WaitForDialog(const wchar_t* caption, DWORD timeoutMs) const {
    MessageBoxInfo info;
    info.window = PollForWindow(timeoutMs, [&]() -> HWND {
        for (HWND window : ProcessWindows(process_.dwProcessId))
            if (window != main_ && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
                (!caption || TextOf(window) == caption))
                return window;
        return Running() ? nullptr : kProcessEnded;
    });
    for (HWND child = info.window ? GetWindow(info.window, GW_CHILD) : nullptr; child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassOf(child).c_str(), L"Static") || TextOf(child).empty()) continue;
        info.text += (info.text.empty() ? L"" : L"\n") + TextOf(child);
    }
    return info;
}

int Viewer::WaitForExit(DWORD timeoutMs) {
    DWORD code = 0;
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

bool Viewer::Running() const {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
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
        for (const char* at = reinterpret_cast<const char*>(buffer_.data()); got;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
            if (info->Action == FILE_ACTION_ADDED)
                created_.emplace_back(info->FileName, info->FileNameLength / sizeof(wchar_t));
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
        Read();
    }
    return created_;
}

size_t SettingsSaves(FolderWatch& watch) {
    size_t saves = 0;
    for (const std::wstring& name : watch.Created())
        saves += name.size() > 7 && _wcsnicmp(name.c_str(), L"oxb", 3) == 0 &&
                 _wcsicmp(name.c_str() + name.size() - 4, L".tmp") == 0;
    return saves;
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

void PumpFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void AnswerBox(const Viewer& viewer, const std::wstring& text, int button) {
    const MessageBoxInfo box = viewer.WaitForDialog(L"Oxbrill", 20000);
    ASSERT_NE(box.window, nullptr) << "no box saying " << testing::PrintToString(text);
    EXPECT_EQ(box.text, text);
    PostMessageW(box.window, WM_COMMAND, button, 0);
    ASSERT_TRUE(WaitGone(box.window));
}

void AnswerSaveDialog(const Viewer& viewer, const wchar_t* caption, const std::wstring& path, int filter,
                      std::wstring* offered) {
    const MessageBoxInfo dialog = viewer.WaitForDialog(caption, 30000);
    ASSERT_NE(dialog.window, nullptr) << "no dialog";
    if (offered) *offered = ControlText(dialog.window, 0x47c) + ControlText(dialog.window, 0x480);
    if (filter != 1) {
        HWND types = GetDlgItem(dialog.window, 0x470);   // the file-type list
        SendMessageW(types, CB_SETCURSEL, WPARAM(filter - 1), 0);
        SendMessageW(dialog.window, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), LPARAM(types));
    }
    for (const int name : {0x47c, 0x480}) SetDlgItemTextW(dialog.window, name, path.c_str());
    PostMessageW(dialog.window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(dialog.window, 10000));
}

SIZE CopiedBitmap(const Viewer& viewer, int command) {
    if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
    viewer.PostCommand(command);
    BITMAP shape{};
    EXPECT_TRUE(WaitUntil([&] {
        if (!OpenClipboard(nullptr)) return false;
        HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        const bool got = bitmap && GetObjectW(bitmap, sizeof shape, &shape);
        CloseClipboard();
        return got;
    })) << "no bitmap on the clipboard after command " << command;
    return SIZE{shape.bmWidth, shape.bmHeight};
}

bool WaitGone(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

Screenshot::Screenshot() {
    const RECT screen = Screen();
    width_ = screen.right;
    height_ = screen.bottom;
    pixels_.assign(size_t(width_) * size_t(height_), 0);
    HDC display = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(display);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width_, height_, display, 0, 0, SRCCOPY);
    GdiFlush();
    memcpy(pixels_.data(), bits, pixels_.size() * sizeof(uint32_t));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, display);
}

COLORREF Screenshot::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    const uint32_t p = pixels_[size_t(y) * size_t(width_) + size_t(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool NearColour(COLORREF a, COLORREF b, int tolerance) {
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool WaitForPixel(int x, int y, COLORREF colour, int tolerance) {
    return WaitUntil([&] { return NearColour(Screenshot().Pixel(x, y), colour, tolerance); }, 5000);
}

void ExpectPlaced(const RECT& picture, COLORREF colour, const RECT& view, COLORREF background) {
    const Screenshot shot;
    const int midX = (picture.left + picture.right) / 2, midY = (picture.top + picture.bottom) / 2;
    const POINT inside[] = {{picture.left, picture.top},
                            {picture.right - 1, picture.top},
                            {picture.left, picture.bottom - 1},
                            {picture.right - 1, picture.bottom - 1},
                            {midX, midY}};
    for (const POINT& p : inside)
        EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), colour))
            << "picture pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
    const POINT outside[] = {{picture.left - 1, midY}, {picture.right, midY}, {midX, picture.top - 1},
                             {midX, picture.bottom}};
    for (const POINT& p : outside) {
        if (PtInRect(&view, p)) {
            EXPECT_TRUE(NearColour(shot.Pixel(p.x, p.y), background))
                << "background pixel at " << p.x << "," << p.y << " is " << Hex(shot.Pixel(p.x, p.y));
        }
    }
}

PictureFile::PictureFile(const std::wstring& path) {
    static const ULONG_PTR token = [] {
        ULONG_PTR t = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&t, &input, nullptr);
        return t;
    }();
    (void)token;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromFile(path.c_str(), &bitmap) != Gdiplus::Ok) return;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(bitmap, &w);
    gp::GdipGetImageHeight(bitmap, &h);
    width = int(w), height = int(h);
    for (const POINT at : {POINT{int(w) / 2, 1}, POINT{int(w) / 2, int(h) - 2}}) {
        Gdiplus::ARGB argb = 0;
        gp::GdipBitmapGetPixel(bitmap, at.x, at.y, &argb);
        ends.push_back(RGB(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF));
    }
    gp::GdipDisposeImage(bitmap);
}

RECT ColourBox(const Screenshot& shot, const RECT& area, COLORREF colour) {
    RECT box{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (NearColour(shot.Pixel(x, y), colour, 16)) {
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box.left < box.right ? box : RECT{};
}

std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
    const size_t at = text.find(section + L"\r\n");
    if (at == std::wstring::npos) return L"<no section>";
    const std::wstring body = text.substr(at, text.find(L"\r\n[", at + 1) - at);
    size_t k = body.find(L"\r\n" + key + L"=");
    if (k == std::wstring::npos) return L"<no key>";
    k += 2 + key.size() + 1;
    return body.substr(k, body.find(L"\r\n", k) - k);
}

std::wstring WindowSettings(const RECT& position, COLORREF background, int layout) {
    const auto n = [](long v) { return std::to_wstring(v); };
    return L"[Image]\r\nlayout=" + n(layout) + L"\r\n[Window]\r\nbgcolor=" + n(long(background)) +
           L"\r\n[Position]\r\nleft=" + n(position.left) + L"\r\ntop=" + n(position.top) + L"\r\nright=" +
           n(position.right) + L"\r\nbottom=" + n(position.bottom) + L"\r\n";
}

}  // namespace e2e
