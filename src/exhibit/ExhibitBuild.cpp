// Building the exhibit: the worker thread that runs the folder scan, the
// look-up of a path in the list, and the saved copy of the home exhibit.
#include <windows.h>
#include <process.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "platform/Handles.h"
#include "exhibit/ExhibitFiles.h"
#include "exhibit/FolderScan.h"
#include "exhibit/ShellLink.h"
#include "commands/CommandIds.h"

namespace {

// One build on its worker thread; the job owns everything the worker uses.
struct BuildJob {
    std::shared_ptr<Exhibit> exhibit;
    std::vector<std::wstring> roots;
    // Dropped names, looked at on the worker: their pictures start the list,
    // their folders are scanned after them. Nothing showable among them
    // leaves the exhibit as it was and sets `droppedNothing`.
    std::vector<std::wstring> dropped;
    bool dropAppend = false;
    std::shared_ptr<std::atomic<bool>> droppedNothing;
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
        PostMessageW(catalog, WM_APP_CATALOG_BUILT, 0, 0);
    }
    // The main window decides on arrival whether there is a status to refresh.
    if (job.threaded && job.mainWindow) PostMessageW(job.mainWindow, WM_APP_STATUS, 0, 0);
}

bool IsFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Several dropped items: the pictures in the order given, then the folders'
// pictures. A shortcut stands for its target: a folder to scan, or a picture
// listed under the shortcut's own name.
void TakeDropped(BuildJob& job) {
    std::vector<ImageEntry> pictures;
    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    for (const std::wstring& name : job.dropped) {
        if (job.exhibit->Abandoned()) return;
        if (IsShortcut(name.c_str())) {
            if (!shell.Read(name.c_str(), target, false)) continue;
            if (IsFolder(target)) {
                job.roots.push_back(target);
            } else if (IsShownFormat(target, job.options.formats)) {
                ImageEntry entry = MakeImageEntry(target);
                entry.path = name;
                pictures.push_back(std::move(entry));
            }
        } else if (IsFolder(name.c_str())) {
            job.roots.push_back(name);
        } else if (IsShownFormat(name.c_str(), job.options.formats)) {
            pictures.push_back(MakeImageEntry(name.c_str()));
        }
    }
    if (pictures.empty() && job.roots.empty()) {
        if (job.droppedNothing) *job.droppedNothing = true;
        return;
    }
    if (!job.dropAppend) job.exhibit->Clear();
    if (!pictures.empty()) job.exhibit->SetCurrentPath(pictures.front().path);
    job.exhibit->Append(std::move(pictures));
    // The caller may show the dropped pictures while the folders are scanned.
    if (!job.exhibit->Empty() && job.firstFound) SetEvent(job.firstFound.Get());
}

void ScanJob(BuildJob& job, HANDLE firstFound) {
    if (!job.dropped.empty()) TakeDropped(job);
    if (!job.roots.empty() && ScanFolders(*job.exhibit, job.roots, job.options, firstFound)) job.firstFound.Reset();
}

void __cdecl ScanThread(void* argument) {
    std::unique_ptr<BuildJob> job(static_cast<BuildJob*>(argument));
    ScanJob(*job, job->firstFound.Get());
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

ScanOptions AppState::CurrentScanOptions() const {
    ScanOptions options;
    options.formats = formats;
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
    std::vector<std::wstring> rootList;
    if (roots) rootList = *roots;
    else rootList.push_back(root ? root : L"");
    return StartBuild(root, append, std::move(rootList), {});
}

bool AppState::BuildDropped(std::vector<std::wstring> names, bool append, bool& nothing) {
    auto droppedNothing = std::make_shared<std::atomic<bool>>(false);
    const std::wstring viewed = exhibit->ViewedFolder();
    const bool found = StartBuild(exhibitFolder, true, {}, {std::move(names), append, droppedNothing});
    nothing = *droppedNothing;
    if (nothing) exhibit->SetViewedFolder(viewed);   // nothing happened
    return found;
}

bool AppState::StartBuild(const wchar_t* root, bool append, std::vector<std::wstring> rootList,
                          DroppedNames dropped) {
    const std::wstring rootPath = root ? root : L"";

    if (closing || !BeginBuild()) return false;
    if (rootPath.size() < size_t(kPathSize)) exhibit->SetViewedFolder(rootPath);
    if (pictures) pictures->Clear();   // what was decoded ahead belongs to the old list
    if (!append) {
        exhibit->Clear();
        exhibit->SetFiltered(false);   // a new list is no filter result
    }

    srand(GetTickCount());
    exhibit->Reseed();
    exhibit->SetOrder(CurrentOrder());

    auto job = std::make_unique<BuildJob>();
    job->exhibit = exhibit;
    job->roots = std::move(rootList);
    job->dropped = std::move(dropped.names);
    job->dropAppend = dropped.append;
    job->droppedNothing = std::move(dropped.nothing);
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
    ScanJob(*job, nullptr);
    FinishBuild(*job);
    return !exhibit->Empty();
}

int32_t AppState::FindExhibitIndex(const wchar_t* path) { return path ? exhibit->Find(path) : -1; }

void AppState::SaveExhibit() {
    exhibit->Save(SavedView{0, CurrentOrder(), subfolders, hidden});
}

void AppState::RestoreExhibit() {
    if (pictures) pictures->Clear();
    const std::optional<SavedView> view = exhibit->Restore();
    if (!view) return;
    sort = view->order.sort;
    sortby = view->order.sortby;
    sortcase = view->order.sortcase;
    subfolders = view->subfolders;
    hidden = view->hidden;
}
