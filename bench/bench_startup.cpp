// Start-up time: from CreateProcess to a visible main window, for Oxbrill.exe
// on a folder holding one picture (bench_decode.jpg beside this file, a 24 MP
// JPEG, else a small bitmap), against a minimal Win32 program that only
// registers a class and shows a window (the floor), in the same run.
//
//   bench_startup.exe [runs]          (Oxbrill.exe is taken from beside this file)
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

LRESULT CALLBACK MinimalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

int RunMinimalWindow(bool withStatusBar) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = MinimalProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchFloor";
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, L"BenchFloor", L"floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                                480, nullptr, nullptr, wc.hInstance, nullptr);
    if (withStatusBar) {
        // The common controls, loaded by hand so the plain floor does not import them.
        HMODULE controls = LoadLibraryW(L"comctl32.dll");
        auto init = reinterpret_cast<void(WINAPI*)()>(
            reinterpret_cast<void*>(GetProcAddress(controls, "InitCommonControls")));
        if (init) init();
        CreateWindowExW(0, L"msctls_statusbar32", L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd, nullptr,
                        wc.hInstance, nullptr);
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring SelfPath() {
    wchar_t buffer[MAX_PATH];
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

struct Found {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM data) {
    auto* found = reinterpret_cast<Found*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == found->pid && IsWindowVisible(hwnd)) {
        found->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Milliseconds from process creation to its first visible top-level window; -1 on failure.
double TimeToWindow(const std::wstring& commandLine, const std::wstring& cwd) {
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const double start = bench::Now();
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, cwd.c_str(), &si, &pi)) return -1;
    double elapsed = -1;
    Found found{pi.dwProcessId, nullptr};
    for (;;) {
        EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
        const double ms = bench::Now() - start;
        if (found.window) {
            elapsed = ms;
            break;
        }
        if (ms > 20000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
        Sleep(1);
    }
    if (found.window) PostMessageW(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

void WriteSmallBmp(const std::wstring& path) {
    const int w = 64, h = 48, row = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + DWORD(row * h);
    info.biSize = sizeof(info);
    info.biWidth = w;
    info.biHeight = h;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<char*>(&info), sizeof(info));
    bytes.append(size_t(row * h), '\x60');
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc > 1 && wcscmp(argv[1], L"--floor-window") == 0) return RunMinimalWindow(false);
    if (argc > 1 && wcscmp(argv[1], L"--floor-statusbar") == 0) return RunMinimalWindow(true);
    const int runs = argc > 1 ? std::max(3, _wtoi(argv[1])) : 15;

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"ox-bench-startup";
    const std::wstring program = root + L"\\program";
    const std::wstring pictures = root + L"\\pictures";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW(program.c_str(), nullptr);
    CreateDirectoryW(pictures.c_str(), nullptr);
    const bool camera = CopyFileW((Folder(SelfPath()) + L"\\bench_decode.jpg").c_str(),
                                  (pictures + L"\\one.jpg").c_str(), FALSE);
    if (!camera) WriteSmallBmp(pictures + L"\\one.bmp");
    const std::wstring exe = program + L"\\Oxbrill.exe";
    if (!CopyFileW((Folder(SelfPath()) + L"\\Oxbrill.exe").c_str(), exe.c_str(), FALSE)) {
        fwprintf(stderr, L"Oxbrill.exe not found beside the benchmark\n");
        return 1;
    }
    // A settings file without transitions or slideshow, so the first frame is
    // plain and nothing else runs while the window appears.
    DeleteFileW((program + L"\\oxbrill.ini").c_str());

    const std::wstring viewer = L"\"" + exe + L"\" -noslide -notransitions -nosave";
    const std::wstring floor = L"\"" + SelfPath() + L"\" --floor-window";
    const std::wstring floorWithBar = L"\"" + SelfPath() + L"\" --floor-statusbar";
    std::vector<double> viewerTimes, floorTimes, barTimes;
    TimeToWindow(floor, pictures);   // warm the file cache and Wine
    TimeToWindow(viewer, pictures);
    for (int i = 0; i < runs; ++i) {
        floorTimes.push_back(TimeToWindow(floor, pictures));
        barTimes.push_back(TimeToWindow(floorWithBar, pictures));
        viewerTimes.push_back(TimeToWindow(viewer, pictures));
    }
    const double f = bench::Median(floorTimes), b = bench::Median(barTimes), v = bench::Median(viewerTimes);
    wprintf(L"start-up to visible window, %d runs each (median)\n", runs);
    wprintf(L"  minimal Win32 window (floor):         %8.1f ms\n", f);
    wprintf(L"  the same with a common-controls bar:  %8.1f ms\n", b);
    wprintf(L"  Oxbrill on one %ls:  %8.1f ms\n", camera ? L"24 MP JPEG   " : L"small bitmap", v);
    wprintf(L"  ratio to the floor: %.2f; to the floor with a status bar: %.2f (goal <= 1.20)\n",
            f > 0 ? v / f : 0.0, b > 0 ? v / b : 0.0);
    return 0;
}
