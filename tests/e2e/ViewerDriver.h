// Drives a real Oxbrill.exe from outside for end-to-end scenarios: makes a
// throw-away program folder and picture folder, starts the viewer, finds its
// windows, posts commands, reads what it shows and what it wrote.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

// A folder under %TEMP% that is removed with everything in it on destruction.
class TempFolder {
public:
    explicit TempFolder(const wchar_t* tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

void RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
// Writes `text` as UTF-16LE with a byte-order mark (line ends as given).
void WriteUtf16File(const std::wstring& path, const std::wstring& text);
// Reads a UTF-16LE file with a byte-order mark; empty when there is none.
std::wstring ReadUtf16File(const std::wstring& path);
// A 24-bit bottom-up BMP of one colour.
void WriteSolidBmp(const std::wstring& path, int width, int height, COLORREF colour);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;
};

class Viewer {
public:
    Viewer();   // a fresh program folder holding a copy of Oxbrill.exe
    ~Viewer();  // ends the process if it still runs, removes the folders
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    const std::wstring& ProgramFolder() const { return program_.Path(); }
    std::wstring ProgramFile(const std::wstring& name) const { return program_ / name; }
    const std::wstring& Pictures() const { return pictures_.Path(); }
    std::wstring Picture(const std::wstring& name) const { return pictures_ / name; }
    std::wstring SettingsPath() const { return ProgramFile(L"oxbrill.ini"); }

    void WriteSettings(const std::wstring& iniText) { WriteUtf16File(SettingsPath(), iniText); }

    // Starts the viewer with `arguments`, in `workingFolder` (the picture folder by default).
    bool Start(const std::wstring& arguments = L"", const std::wstring& workingFolder = L"");
    // Start, then wait for the visible main window.
    bool Launch(const std::wstring& arguments = L"") { return Start(arguments) && WaitForWindow(); }
    // Waits until the main window exists (and, when asked, is visible).
    bool WaitForWindow(DWORD timeoutMs = 15000, bool visible = true);
    HWND Owner() const { return owner_; }
    HWND Main() const { return main_; }

    void PostCommand(int id) const;
    void Close() const;
    std::wstring Caption() const;
    RECT WindowRect() const;
    RECT ClientRect() const;
    // Waits for the caption to satisfy `done`; returns the last caption read.
    template <class Pred>
    std::wstring WaitForCaption(Pred done, DWORD timeoutMs = 10000) const {
        const DWORD start = GetTickCount();
        std::wstring caption = Caption();
        while (!done(caption) && GetTickCount() - start < timeoutMs) {
            Sleep(20);
            caption = Caption();
        }
        return caption;
    }

    // Posts a key press (down and up) to the main window: the viewer's own
    // message loop turns it into the accelerator's command.
    void PostKey(UINT vk) const;
    // The window region's bounding box in window coordinates; false when the window has no region.
    bool RegionBox(RECT& box) const;
    // Client rectangle in screen coordinates.
    RECT ClientOnScreen() const;
    // Waits until the client size stays the same for `stableMs` (the window settled after a change).
    void WaitForStableSize(DWORD stableMs = 300, DWORD timeoutMs = 5000) const;

    // A shown popup menu window of the viewer's process other than `except`;
    // null when none appears within the time.
    HWND WaitForPopupMenu(DWORD timeoutMs = 20000, HWND except = nullptr) const;

    // A message box (or other dialog captioned `caption`) shown by the viewer's process.
    MessageBoxInfo WaitForMessageBox(const wchar_t* caption, DWORD timeoutMs = 15000) const;
    // Any visible dialog of the viewer's process other than its main window.
    HWND WaitForDialog(DWORD timeoutMs = 15000) const;
    // Waits for the process to end; returns its exit code, or -1 on timeout.
    int WaitForExit(DWORD timeoutMs = 15000);
    bool Running() const;
    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    TempFolder program_;
    TempFolder pictures_;
    PROCESS_INFORMATION process_{};
    HWND owner_ = nullptr;
    HWND main_ = nullptr;
};

// Watches a folder from construction on and tells which files were created in it.
class FolderWatch {
public:
    explicit FolderWatch(const std::wstring& folder);
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // The names created so far (waiting up to `settleMs` for late news).
    std::vector<std::wstring> Created(DWORD settleMs = 300);

private:
    void Read();
    HANDLE folder_ = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped_{};
    std::vector<DWORD> buffer_;
    std::vector<std::wstring> created_;
};

// Polls `done` every 20 ms; false when it did not come true in time.
template <class Pred>
bool WaitUntil(Pred done, DWORD timeoutMs = 15000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// Puts the cursor at (x, y) and waits until it stays there: a late pointer
// event from the display may otherwise put it back where it was.
bool PlaceCursor(int x, int y);

// A key press for an open popup menu: keys go to the menu's own thread
// queue, where the menu's tracking loop reads them.
inline void MenuKey(HWND menu, UINT vk) {
    PostMessageW(menu, WM_KEYDOWN, vk, 1);
    PostMessageW(menu, WM_KEYUP, vk, static_cast<LPARAM>(1 | (1u << 30) | (1u << 31)));
}

// How many times the viewer wrote its settings since `watch` began: each save
// goes through one new temporary file beside the settings file.
size_t SettingsSaves(FolderWatch& watch);

// The screen's pixels, read once: a screenshot of the whole desktop.
class Screenshot {
public:
    Screenshot();
    COLORREF Pixel(int x, int y) const;
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

// The value of `key` in `section` of a settings text as the program writes it
// (CR LF lines); "<no section>" or "<no key>" when absent.
std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key);

// True when two colours differ by at most `tolerance` in every channel.
bool NearColour(COLORREF a, COLORREF b, int tolerance = 8);

// Path of a file beside the running test executable.
std::wstring BesideTestExe(const wchar_t* name);

}  // namespace e2e
