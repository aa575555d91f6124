// Building the exhibit: the folder scan on its worker thread, the look-up of a
// path in the list, and the saved copy of the home exhibit.
#include <windows.h>
#include <process.h>

#include <cstdlib>
#include <cwchar>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "app/AppState.h"
#include "exhibit/ExhibitFiles.h"
#include "exhibit/ShellLink.h"

namespace {

constexpr size_t kMaxPath = kPathSize;   // longest path + terminator the viewer keeps

struct BuildJob {
    AppState* state;
    std::vector<std::wstring> roots;
};

void __cdecl ScanThread(void* argument) {
    std::unique_ptr<BuildJob> job(static_cast<BuildJob*>(argument));
    job->state->ScanFolders(job->roots);
}

const wchar_t* LastComponent(const wchar_t* path) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

// Reads a shortcut without resolving. Its find data stands in for the
// shortcut's own: the target's attributes, times and name. Where the shell
// left them out, they are read from a local target (never from a network path,
// which could keep the scan waiting).
bool ReadShortcut(ShellLink& shell, const wchar_t* path, wchar_t* target, WIN32_FIND_DATAW& data) {
    if (!shell.Read(path, target, false)) return false;
    data = shell.findData;
    const bool networkTarget = target[0] == L'\\' && target[1] == L'\\';
    if (data.dwFileAttributes == 0 && !networkTarget) {
        WIN32_FILE_ATTRIBUTE_DATA info;
        if (GetFileAttributesExW(target, GetFileExInfoStandard, &info)) {
            data.dwFileAttributes = info.dwFileAttributes;
            data.ftCreationTime = info.ftCreationTime;
            data.ftLastAccessTime = info.ftLastAccessTime;
            data.ftLastWriteTime = info.ftLastWriteTime;
        }
    }
    return true;
}

class WaitCursor {
public:
    explicit WaitCursor(bool show) : active_(show) {
        if (active_) previous_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
    ~WaitCursor() {
        if (active_) SetCursor(previous_);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool active_;
    HCURSOR previous_ = nullptr;
};

}  // namespace

bool AppState::IsShownFormat(const wchar_t* name) const {
    ShownFormats formats;
    formats.jpg = jpg; formats.gif = gif; formats.bmp = bmp; formats.png = png;
    formats.tif = tif; formats.emf = emf; formats.ico = ico;
    return ::IsShownFormat(name, formats);
}

bool AppState::BuildExhibit(const wchar_t* root, bool append, const std::vector<std::wstring>* roots) {
    // Copy the arguments first: `root` may be viewedFolder itself, `roots` may
    // be owned by the caller's caller.
    std::vector<std::wstring> rootList;
    const std::wstring rootPath = root ? root : L"";
    if (roots) rootList = *roots;
    else rootList.push_back(rootPath);

    // One scan at a time. A call that arrives while a build runs (a format
    // switch does) waits for it to end and then builds, so the new switch
    // applies; a scan always runs to its end, so the wait is bounded.
    for (;;) {
        {
            std::lock_guard<std::mutex> gate(buildGate);
            if (!building) {
                building = true;
                break;
            }
        }
        Sleep(5);
    }

    if (rootPath.size() < kMaxPath) wcscpy(viewedFolder, rootPath.c_str());
    if (!append) {
        std::lock_guard<std::mutex> lock(exhibitLock);
        currentIndex = 0;
        exhibit.clear();
    }

    if (threadedBuild) {
        HANDLE released = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        auto* job = new BuildJob{this, std::move(rootList)};
        buildEvent = released;
        const uintptr_t thread = released ? _beginthread(ScanThread, 0, job) : static_cast<uintptr_t>(-1);
        if (thread == static_cast<uintptr_t>(-1)) {
            delete job;
            if (released) CloseHandle(released);
            buildEvent = nullptr;
            building = false;
        } else {
            // The worker signals after the first folder that leaves pictures
            // in the exhibit, or at its end. This thread owns the handle.
            WaitForSingleObject(released, INFINITE);
            CloseHandle(released);
        }
    } else {
        WaitCursor cursor(hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId());
        buildEvent = nullptr;
        ScanFolders(rootList);
    }

    std::lock_guard<std::mutex> lock(exhibitLock);
    return !exhibit.empty();
}

void AppState::ScanFolders(const std::vector<std::wstring>& roots) {
    // The shortcut object is made when the first shortcut turns up: most
    // folders hold none, and starting the shell's object costs time.
    std::optional<ShellLink> shell;
    srand(GetTickCount());
    {
        std::lock_guard<std::mutex> lock(randomLock);
        randomEngine.seed(GetTickCount());
    }

    ShownFormats formats;
    formats.jpg = jpg; formats.gif = gif; formats.bmp = bmp; formats.png = png;
    formats.tif = tif; formats.emf = emf; formats.ico = ico;
    const bool enterSubfolders = subfolders;
    const bool enterHidden = hidden;

    std::deque<std::wstring> queue(roots.begin(), roots.end());
    std::unordered_set<std::wstring> scanned;
    std::vector<ImageEntry> found;
    std::wstring folder;
    std::wstring pattern;
    wchar_t target[ShellLink::kLinkPathSize];
    WIN32_FIND_DATAW data;

    while (!queue.empty() && !abandonBuild) {
        folder = std::move(queue.front());
        queue.pop_front();
        if (folder.empty()) continue;
        // "x" and "x\" name one folder: the scanned list holds the second form,
        // so a shortcut to "x\" does not list a scanned "x" again.
        if (folder.back() != L'\\') folder += L'\\';
        if (!scanned.insert(folder).second) continue;
        // folder + "*" must fit; a longer path is skipped, never cut short.
        if (folder.size() + 1 >= kMaxPath) continue;

        pattern = folder;
        pattern += L'*';
        HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const wchar_t* name = data.cFileName;
                const size_t nameLength = wcslen(name);
                if (folder.size() + nameLength >= kMaxPath) continue;

                const bool isLink = IsShortcut(name);
                const WIN32_FIND_DATAW* info = &data;
                WIN32_FIND_DATAW linked;
                const wchar_t* judged = name;      // the name the format test sees
                const wchar_t* folderName = name;  // the name the folder rules see
                if (isLink) {
                    std::wstring linkPath = folder + name;
                    if (!shell) shell.emplace();
                    if (!ReadShortcut(*shell, linkPath.c_str(), target, linked)) continue;
                    info = &linked;
                    judged = target;
                    folderName = LastComponent(target);
                }

                if (!(info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    if (::IsShownFormat(judged, formats)) {
                        ImageEntry entry;
                        entry.path.reserve(folder.size() + nameLength);
                        entry.path = folder;
                        entry.path.append(name, nameLength);
                        entry.created = info->ftCreationTime;
                        entry.modified = info->ftLastWriteTime;
                        entry.accessed = info->ftLastAccessTime;
                        found.push_back(std::move(entry));
                    }
                    continue;
                }
                if (!enterSubfolders) continue;
                if (wcscmp(folderName, L".") == 0 || wcscmp(folderName, L"..") == 0) continue;
                if (wcsstr(folderName, L"RECYCLER")) continue;
                if ((info->dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !enterHidden) continue;
                if (isLink) {
                    // A shortcut to this folder or to one of its ancestors
                    // would only lead back here.
                    const size_t targetLength = wcslen(target);
                    if (targetLength <= folder.size() && _wcsnicmp(target, folder.c_str(), targetLength) == 0)
                        continue;
                    queue.emplace_back(target);
                } else {
                    queue.push_back(folder + name);
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }

        std::lock_guard<std::mutex> lock(exhibitLock);
        if (!found.empty()) {
            if (exhibit.empty()) exhibit.swap(found);
            else {
                exhibit.insert(exhibit.end(), std::make_move_iterator(found.begin()),
                               std::make_move_iterator(found.end()));
            }
            found.clear();
        }
        if (buildEvent && !exhibit.empty()) {
            const int32_t index = FindExhibitIndexLocked(currentPath);
            currentIndex = index < 0 ? 0 : index;
            HANDLE released = buildEvent;
            buildEvent = nullptr;
            SetEvent(released);   // the waiting thread closes it
        }
    }
    if (buildEvent) {
        HANDLE released = buildEvent;
        buildEvent = nullptr;
        SetEvent(released);
    }

    SortExhibit();

    // Everything the end messages need is read before `building` drops: from
    // then on the state may be rebuilt or released by other threads.
    bool notEmpty;
    {
        std::lock_guard<std::mutex> lock(exhibitLock);
        notEmpty = !exhibit.empty();
    }
    const bool watcherBuild = autoRefreshBuild;
    const HWND mainWindow = hwnd;
    const HWND catalog = g_app.catalogWindow;
    const bool postStatus =
        mainWindow && IsWindowVisible(mainWindow) && threadedBuild && statusBar && notEmpty && picture.IsLoaded();
    building = false;

    if (watcherBuild) {
        if (mainWindow) PostMessageW(mainWindow, WM_APP_REFRESHED, 0, 0);
    } else if (catalog) {
        PostMessageW(catalog, WM_COMMAND, 1112, 0);
    }
    if (postStatus) PostMessageW(mainWindow, WM_APP_STATUS, 0, 0);
}

int32_t AppState::FindExhibitIndex(const wchar_t* path) {
    std::lock_guard<std::mutex> lock(exhibitLock);
    return FindExhibitIndexLocked(path);
}

int32_t AppState::FindExhibitIndexLocked(const wchar_t* path) {
    if (exhibit.empty() || !path || !*path) return -1;
    const size_t count = exhibit.size();
    for (size_t i = 0; i < count; ++i)
        if (exhibit[i].path == path) return static_cast<int32_t>(i);

    wchar_t target[ShellLink::kLinkPathSize];
    if (IsShortcut(path)) {
        ShellLink shell;
        if (!shell.Read(path, target, false)) return -1;
        for (size_t i = 0; i < count; ++i)
            if (exhibit[i].path == target) return static_cast<int32_t>(i);
        return -1;
    }
    std::optional<ShellLink> shell;
    for (size_t i = 0; i < count; ++i) {
        if (!IsShortcut(exhibit[i].path.c_str())) continue;
        if (!shell) shell.emplace();
        if (shell->Read(exhibit[i].path.c_str(), target, false) && wcscmp(target, path) == 0)
            return static_cast<int32_t>(i);
    }
    return -1;
}

void AppState::SaveExhibit() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    savedExhibit = exhibit;
    savedIndex = currentIndex;
    savedSort = sort;
    savedSortBy = sortby;
    savedSortCase = sortcase;
    savedSubfolders = subfolders;
    savedHidden = hidden;
}

void AppState::RestoreExhibit() {
    std::lock_guard<std::mutex> lock(exhibitLock);
    exhibit = savedExhibit;
    currentIndex = savedIndex;
    sort = savedSort;
    sortby = savedSortBy;
    sortcase = savedSortCase;
    subfolders = savedSubfolders;
    hidden = savedHidden;
    filtered = false;
    const auto size = static_cast<int32_t>(savedExhibit.size());
    if (currentIndex >= size) currentIndex = size - 1;
    if (currentIndex < 0) currentIndex = 0;
}
