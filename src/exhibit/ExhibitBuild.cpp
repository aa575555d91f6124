// Building the exhibit: the folder scan, the worker thread that runs it, the
// look-up of a path in the list, and the saved copy of the home exhibit.
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
#include "app/Handles.h"
#include "exhibit/FolderScan.h"
#include "exhibit/ShellLink.h"

namespace {

constexpr size_t kMaxPath = kPathSize;   // longest path + terminator the viewer keeps

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

// The folders a scan has entered, by what they are rather than how they are
// spelled: links, junctions, shortcuts and other letter cases all lead to
// the same volume serial and file index. Where the file system gives no
// identity, the path in upper case stands in.
class ScannedFolders {
public:
    // True the first time `folder` (with its final backslash) is met.
    bool Enter(const std::wstring& folder) {
        HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION info;
            const bool known = GetFileInformationByHandle(handle, &info) != 0 &&
                               (info.nFileIndexHigh != 0 || info.nFileIndexLow != 0);
            CloseHandle(handle);
            if (known) {
                const Identity id{info.dwVolumeSerialNumber,
                                  (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
                return identities_.insert(id).second;
            }
        }
        std::wstring spelled = folder;
        if (!spelled.empty()) CharUpperBuffW(spelled.data(), DWORD(spelled.size()));
        return paths_.insert(std::move(spelled)).second;
    }

private:
    struct Identity {
        DWORD volume;
        uint64_t index;
        bool operator==(const Identity& other) const { return volume == other.volume && index == other.index; }
    };
    struct IdentityHash {
        size_t operator()(const Identity& id) const { return std::hash<uint64_t>()(id.index * 31 + id.volume); }
    };
    std::unordered_set<Identity, IdentityHash> identities_;
    std::unordered_set<std::wstring> paths_;
};

// One build on its worker thread; the job owns everything the worker uses.
struct BuildJob {
    std::shared_ptr<Exhibit> exhibit;
    std::vector<std::wstring> roots;
    ScanOptions options;
    HWND mainWindow = nullptr;
    UniqueHandle firstFound;   // the worker's own handle to the event the caller waits on
    bool threaded = true;
};

// Sorts the finished list, ends the build and tells the windows: the worker
// never touches a window itself, and nothing of the viewer but the exhibit.
void FinishBuild(BuildJob& job) {
    if (job.firstFound) SetEvent(job.firstFound.Get());
    job.firstFound.Reset();
    job.exhibit->Sort();
    const bool watcherBuild = job.exhibit->autoRefreshBuild;
    job.exhibit->EndBuild();
    if (watcherBuild) {
        if (job.mainWindow) PostMessageW(job.mainWindow, WM_APP_REFRESHED, 0, 0);
    } else if (const HWND catalog = g_app.catalogWindow) {
        PostMessageW(catalog, WM_COMMAND, 1112, 0);
    }
    // The main window decides on arrival whether there is a status to refresh.
    if (job.threaded && job.mainWindow) PostMessageW(job.mainWindow, WM_APP_STATUS, 0, 0);
}

void __cdecl ScanThread(void* argument) {
    std::unique_ptr<BuildJob> job(static_cast<BuildJob*>(argument));
    if (ScanFolders(*job->exhibit, job->roots, job->options, job->firstFound.Get())) job->firstFound.Reset();
    FinishBuild(*job);
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

bool ScanFolders(Exhibit& exhibit, const std::vector<std::wstring>& roots, const ScanOptions& options,
                 HANDLE firstFound) {
    // The shortcut object is made when the first shortcut turns up: most
    // folders hold none, and starting the shell's object costs time.
    std::optional<ShellLink> shell;
    std::deque<std::wstring> queue(roots.begin(), roots.end());
    ScannedFolders scanned;
    std::vector<ImageEntry> found;
    std::wstring folder;
    std::wstring pattern;
    wchar_t target[ShellLink::kLinkPathSize];
    WIN32_FIND_DATAW data;
    bool signalled = false;

    while (!queue.empty() && !exhibit.Abandoned()) {
        folder = std::move(queue.front());
        queue.pop_front();
        if (folder.empty()) continue;
        if (folder.back() != L'\\') folder += L'\\';
        // folder + "*" must fit; a longer path is skipped, never cut short.
        if (folder.size() + 1 >= kMaxPath) continue;
        if (!scanned.Enter(folder)) continue;

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
                    if (IsShownFormat(judged, options.formats)) {
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
                if (!options.subfolders) continue;
                if (wcscmp(folderName, L".") == 0 || wcscmp(folderName, L"..") == 0) continue;
                if (wcsstr(folderName, L"RECYCLER")) continue;
                if ((info->dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !options.hidden) continue;
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

        exhibit.Append(std::move(found));
        found.clear();
        if (firstFound && !signalled && !exhibit.Empty()) {
            exhibit.Refind();
            SetEvent(firstFound);   // from here on the interface thread runs on
            signalled = true;
        }
    }
    return signalled;
}

ScanOptions AppState::CurrentScanOptions() const {
    ScanOptions options;
    options.formats.jpg = jpg;
    options.formats.gif = gif;
    options.formats.bmp = bmp;
    options.formats.png = png;
    options.formats.tif = tif;
    options.formats.emf = emf;
    options.formats.ico = ico;
    options.subfolders = subfolders;
    options.hidden = hidden;
    return options;
}

SortOrder AppState::CurrentOrder() const { return SortOrder{sort, sortby, sortcase}; }

bool AppState::IsShownFormat(const wchar_t* name) const { return ::IsShownFormat(name, CurrentScanOptions().formats); }

bool AppState::BeginBuild() {
    // One scan at a time. A call that arrives while a build runs (a format
    // switch does) waits for it to end and then builds, so the new switch
    // applies; the window keeps painting and answering meanwhile.
    while (!exhibit->TryBeginBuild()) {
        if (!WaitAnswering(exhibit->IdleEvent())) return false;
    }
    return true;
}

bool AppState::WaitForBuild() {
    while (Building()) {
        if (!WaitAnswering(exhibit->IdleEvent())) return false;
    }
    return !closing;
}

bool AppState::BuildExhibit(const wchar_t* root, bool append, const std::vector<std::wstring>* roots) {
    // Copy the arguments first: `roots` may be owned by the caller's caller.
    const std::wstring rootPath = root ? root : L"";
    std::vector<std::wstring> rootList;
    if (roots) rootList = *roots;
    else rootList.push_back(rootPath);

    if (closing || !BeginBuild()) return false;
    if (rootPath.size() < kMaxPath) exhibit->SetViewedFolder(rootPath);
    if (!append) {
        exhibit->Clear();
        exhibit->SetFiltered(false);   // a new list is no filter result
    }

    srand(GetTickCount());
    exhibit->Reseed(GetTickCount());
    exhibit->SetOrder(CurrentOrder());

    auto job = std::make_unique<BuildJob>();
    job->exhibit = exhibit;
    job->roots = std::move(rootList);
    job->options = CurrentScanOptions();
    job->mainWindow = hwnd;
    job->threaded = threadedBuild;

    if (threadedBuild) {
        // The worker signals after the first folder that leaves pictures in
        // the exhibit, or at its end; each side closes its own handle.
        UniqueHandle firstFound(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        job->firstFound = firstFound.Duplicate();
        if (firstFound && job->firstFound) {
            BuildJob* started = job.release();
            if (_beginthread(ScanThread, 0, started) != static_cast<uintptr_t>(-1)) {
                WaitAnswering(firstFound.Get());
                return !exhibit->Empty();
            }
            job.reset(started);
        }
        // No worker: the build ends here, as it started, with the list as it is.
        exhibit->EndBuild();
        return !exhibit->Empty();
    }

    WaitCursor cursor(hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId());
    ScanFolders(*exhibit, job->roots, job->options, nullptr);
    FinishBuild(*job);
    return !exhibit->Empty();
}

int32_t AppState::FindExhibitIndex(const wchar_t* path) { return path ? exhibit->Find(path) : -1; }

void AppState::SaveExhibit() {
    exhibit->Save(SavedView{0, CurrentOrder(), subfolders, hidden});
}

void AppState::RestoreExhibit() {
    const std::optional<SavedView> view = exhibit->Restore();
    if (!view) return;
    sort = view->order.sort;
    sortby = view->order.sortby;
    sortcase = view->order.sortcase;
    subfolders = view->subfolders;
    hidden = view->hidden;
}
