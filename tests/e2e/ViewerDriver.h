// Drives a real Oxbrill.exe from outside for end-to-end scenarios: makes a
// throw-away program folder and picture folder, starts the viewer, finds its
// windows, posts commands, reads what it shows and what it wrote.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/Messages.h"
#include "commands/CommandIds.h"
#include "support/TestFiles.h"

namespace e2e {

inline void WriteSolidBmp(const std::wstring& path, int width, int height, COLORREF colour) {
    WriteBytes(path, BmpBytes(width, height, colour));
}

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }
inline bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
std::string Describe(const RECT& r);
std::string Hex(COLORREF c);
RECT Screen();

struct MessageBoxInfo {
    HWND window = nullptr;
    std::wstring text;   // the static texts, one a line
};

// Waits up to `ms`, answering the messages of this thread's own windows meanwhile.
void PumpFor(DWORD ms);
// Polls `done` every 20 ms; false when it did not come true in time.
template <class Pred>
bool WaitUntil(Pred done, DWORD timeoutMs = 15000) {
    for (const DWORD start = GetTickCount(); !done(); PumpFor(20))
        if (GetTickCount() - start >= timeoutMs) return false;
    return true;
}

class Viewer {
public:
    Viewer();   // a fresh program folder holding a copy of Oxbrill.exe
    ~Viewer();  // ends the process if it still runs, removes the folders
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    const std::wstring& ProgramFolder() const { return program_.Root(); }
    std::wstring ProgramFile(const std::wstring& name) const { return program_.Path(name); }
    const std::wstring& Pictures() const { return pictures_.Root(); }
    std::wstring Picture(const std::wstring& name) const { return pictures_.Path(name); }
    std::wstring SettingsPath() const { return ProgramFile(L"oxbrill.ini"); }
    void WriteSettings(const std::wstring& iniText) const { WriteUtf16File(SettingsPath(), iniText); }

    // Starts the viewer with `arguments` in the picture folder.
    bool Start(const std::wstring& arguments = L"");
    // Start, then wait for the visible main window and let it settle.
    bool Launch(const std::wstring& arguments = L"");
    // Waits until the main window exists (and, when asked, is visible).
    bool WaitForWindow(DWORD timeoutMs = 15000, bool visible = true);
    HWND Main() const { return main_; }

    void PostCommand(int id) const { PostMessageW(main_, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // A key press (down and up): the viewer's own loop turns it into the accelerator's command.
    void PostKey(UINT vk) const;
    void Close() const { PostMessageW(main_, WM_CLOSE, 0, 0); }
    // Closes the viewer, expects a clean end and gives the settings it saved.
    std::wstring SavedSettings();

    std::wstring Caption() const;
    // Waits for the caption to satisfy `done`; returns the last caption read.
    template <class Pred>
    std::wstring WaitForCaption(Pred done, DWORD timeoutMs = 10000) const {
        std::wstring caption;
        WaitUntil([&] { return done(caption = Caption()); }, timeoutMs);
        return caption;
    }
    // Waits until the caption names the picture file `name` (with extension).
    bool WaitForShown(const std::wstring& name, DWORD timeoutMs = 10000) const;

    RECT WindowRect() const;
    RECT ClientOnScreen() const;
    // The client area less the status bar, in screen coordinates: where the picture is laid out.
    RECT ViewOnScreen() const;
    int StatusBarHeight() const;
    // The window region's bounding box in window coordinates; false when the window has no region.
    bool RegionBox(RECT& box) const;
    // Waits until the window rectangle stays the same for `stableMs`.
    void WaitForStableSize(DWORD stableMs = 300, DWORD timeoutMs = 5000) const;
    // Waits until the window rectangle is `wanted`.
    bool WaitForWindowRect(const RECT& wanted, DWORD timeoutMs = 8000) const;

    // A shown popup menu of the viewer's process other than `except`; null when none appears.
    HWND WaitForPopupMenu(DWORD timeoutMs = 20000, HWND except = nullptr) const;
    // A visible dialog of the viewer's process captioned `caption` (any caption when null).
    MessageBoxInfo WaitForDialog(const wchar_t* caption = nullptr, DWORD timeoutMs = 15000) const;
    // Waits for the process to end; returns its exit code, or -1 on timeout.
    int WaitForExit(DWORD timeoutMs = 15000);
    bool Running() const;
    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    TempFolder program_;
    TempFolder pictures_;
    PROCESS_INFORMATION process_{};
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

// How many times the viewer wrote its settings since `watch` began: each save
// goes through one new temporary file beside the settings file.
size_t SettingsSaves(FolderWatch& watch);

// Puts the cursor at (x, y) and waits until it stays there: a late pointer
// event from the display may otherwise put it back where it was.
bool PlaceCursor(int x, int y);

// A key press for an open popup menu or dialog control.
inline void PostKeyTo(HWND window, UINT vk) {
    PostMessageW(window, WM_KEYDOWN, vk, 1);
    PostMessageW(window, WM_KEYUP, vk, static_cast<LPARAM>(1 | (1u << 30) | (1u << 31)));
}
bool WaitGone(HWND window, DWORD timeoutMs = 5000);
// Answers the viewer's message box, which must say `text`, with `button`.
void AnswerBox(const Viewer& viewer, const std::wstring& text, int button = IDOK);
std::wstring ControlText(HWND dialog, int id);
// Answers the viewer's save dialog titled `caption` with `path`, in filter
// `filter`; the name it offered into `offered`.
void AnswerSaveDialog(const Viewer& viewer, const wchar_t* caption, const std::wstring& path, int filter = 1,
                      std::wstring* offered = nullptr);
// Empties the clipboard, posts `command` and waits for the bitmap the viewer
// puts there: its size (0 x 0 when none came).
SIZE CopiedBitmap(const Viewer& viewer, int command);

// A list item's text, selecting items, or a status bar part's text, through
// memory in the viewer's own process (these messages carry pointers).
struct InViewer {
    explicit InViewer(const Viewer& viewer) : process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, viewer.ProcessId())) {
        memory = static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    }
    ~InViewer() {
        VirtualFreeEx(process, memory, 0, MEM_RELEASE);
        CloseHandle(process);
    }
    std::wstring Text(HWND list, int index) {
        LVITEMW item{};
        item.pszText = reinterpret_cast<wchar_t*>(memory + 512);
        item.cchTextMax = 260;
        WriteProcessMemory(process, memory, &item, sizeof item, nullptr);
        SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(index), LPARAM(memory));
        wchar_t text[260] = {};
        ReadProcessMemory(process, memory + 512, text, sizeof text - 2, nullptr);
        return text;
    }
    void Select(HWND list, std::initializer_list<int> items) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process, memory, &item, sizeof item, nullptr);
        SendMessageW(list, LVM_SETITEMSTATE, WPARAM(-1), LPARAM(memory));
        item.state = item.stateMask;
        WriteProcessMemory(process, memory, &item, sizeof item, nullptr);
        for (const int i : items) SendMessageW(list, LVM_SETITEMSTATE, WPARAM(i), LPARAM(memory));
    }
    std::wstring StatusPart(HWND bar, int part) {
        SendMessageW(bar, SB_GETTEXTW, WPARAM(part), LPARAM(memory));
        wchar_t text[260] = {};
        ReadProcessMemory(process, memory, text, sizeof text - 2, nullptr);
        return text;
    }
    HANDLE process;
    char* memory;
};

// The screen's pixels, read once: a screenshot of the whole desktop.
class Screenshot {
public:
    Screenshot();
    COLORREF Pixel(int x, int y) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

// A picture file as GDI+ reads it back: its size, and the pixels in the middle
// of its top and bottom rows (none when it cannot be read).
struct PictureFile {
    explicit PictureFile(const std::wstring& path);
    int width = 0, height = 0;
    std::vector<COLORREF> ends;
};

// True when two colours differ by at most `tolerance` in every channel.
bool NearColour(COLORREF a, COLORREF b, int tolerance = 8);
// Waits until the screen shows `colour` at (x, y).
bool WaitForPixel(int x, int y, COLORREF colour, int tolerance = 8);
// `colour` fills `picture` (corners and centre), and `background` lies just
// outside each of its sides that `view` leaves room for.
void ExpectPlaced(const RECT& picture, COLORREF colour, const RECT& view, COLORREF background);
// Bounding box of the pixels near `colour` inside `area`; empty when there are none.
RECT ColourBox(const Screenshot& shot, const RECT& area, COLORREF colour);

// The value of `key` in `section` of a settings text as the program writes it
// (CR LF lines); "<no section>" or "<no key>" when absent.
std::wstring IniValue(const std::wstring& text, const std::wstring& section, const std::wstring& key);
// Settings placing the window at `position` on `background`, with `layout`.
std::wstring WindowSettings(const RECT& position, COLORREF background, int layout = 0);

}  // namespace e2e
