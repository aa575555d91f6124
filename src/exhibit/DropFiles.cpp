// Files, folders and shortcuts dropped on the main window become the exhibit,
// or are added to it while Shift is held.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "exhibit/ExhibitFiles.h"
#include "exhibit/ShellLink.h"

namespace {

bool IsFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The dropped names, and the drop released whatever happens.
std::vector<std::wstring> TakeDrop(HDROP drop) {
    std::vector<std::wstring> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[kPathSize] = {};
        if (DragQueryFileW(drop, i, path, kPathSize)) names.push_back(path);
    }
    DragFinish(drop);
    return names;
}

}  // namespace

void AppState::DropFiles(HDROP drop) {
    if (Building() || closing) {
        DragFinish(drop);
        return;
    }
    StopSlideTimer(false);
    SetForegroundWindow(hwnd);
    const bool append = GetKeyState(VK_SHIFT) < 0;
    const std::vector<std::wstring> names = TakeDrop(drop);
    if (names.empty()) {
        ResumeSlideTimer();
        return;
    }

    ShellLink shell;
    wchar_t target[ShellLink::kLinkPathSize];
    if (names.size() == 1) {
        // One item: its folder is built, with the item itself shown first.
        std::wstring folderPath = names[0];
        const bool shortcut = IsShortcut(names[0].c_str());
        if (!shortcut && !IsFolder(names[0].c_str()) && !IsShownFormat(names[0].c_str())) {
            ResumeSlideTimer();   // not a picture: nothing to do
            return;
        }
        if (shortcut && shell.Read(names[0].c_str(), target, false) && IsFolder(target)) {
            folderPath = target;
        } else if (!IsFolder(names[0].c_str())) {
            exhibit->SetCurrentPath(names[0]);
            folderPath.erase(folderPath.rfind(L'\\') == std::wstring::npos ? 0 : folderPath.rfind(L'\\'));
        }
        if (BuildExhibit(folderPath.c_str(), append, nullptr) && !append) CopyPath(exhibitFolder, folderPath.c_str());
    } else {
        // Several: the pictures in the order given, then the folders' pictures.
        std::vector<ImageEntry> pictures;
        std::vector<std::wstring> roots;
        for (const std::wstring& name : names) {
            if (IsShortcut(name.c_str())) {
                if (!shell.Read(name.c_str(), target, false)) continue;
                if (IsFolder(target)) {
                    roots.push_back(target);
                } else if (IsShownFormat(target)) {
                    ImageEntry entry = MakeImageEntry(target);
                    entry.path = name;
                    pictures.push_back(std::move(entry));
                }
            } else if (IsFolder(name.c_str())) {
                roots.push_back(name);
            } else if (IsShownFormat(name.c_str())) {
                pictures.push_back(MakeImageEntry(name.c_str()));
            }
        }
        if (pictures.empty() && roots.empty()) {
            ResumeSlideTimer();   // nothing of it can be shown
            return;
        }
        if (!append) exhibit->Clear();
        if (!pictures.empty()) exhibit->SetCurrentPath(pictures.front().path);
        exhibit->Append(std::move(pictures));
        BuildExhibit(exhibitFolder, true, &roots);
        if (ExhibitSize() == 0 && !closing) BuildExhibit(exhibit->ViewedFolder().c_str(), false, nullptr);
    }
    if (closing) return;
    ShowPicture(true);
    ResumeSlideTimer();
    if (autorefresh) StartWatcher();
}
