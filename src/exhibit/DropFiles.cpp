// Files, folders and shortcuts dropped on the main window become the exhibit,
// or are added to it while Shift is held.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
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

// The dropped names, read in one pass over the drop's block (asking for them
// one by one walks the list from its start each time), and the drop released
// whatever happens. A name longer than a path is cut as the shell cuts it.
std::vector<std::wstring> TakeDrop(HDROP drop) {
    std::vector<std::wstring> names;
    if (const auto* header = static_cast<const DROPFILES*>(GlobalLock(drop))) {
        const SIZE_T size = GlobalSize(drop);   // 0 when unknown: the list's own end bounds it
        const auto* block = reinterpret_cast<const char*>(header);
        const auto inside = [&](const void* at, size_t bytes) {
            return size == 0 || size_t(static_cast<const char*>(at) - block) + bytes <= size;
        };
        if (header->pFiles >= sizeof(DROPFILES) && (size == 0 || header->pFiles < size)) {
            if (header->fWide) {
                for (const auto* name = reinterpret_cast<const wchar_t*>(block + header->pFiles);
                     inside(name, sizeof(wchar_t)) && *name;) {
                    size_t length = 0;
                    while (inside(name + length, sizeof(wchar_t)) && name[length]) ++length;
                    names.emplace_back(name, std::min<size_t>(length, kPathSize - 1));
                    name += length + 1;
                }
            } else {
                for (const char* name = block + header->pFiles; inside(name, 1) && *name;) {
                    size_t length = 0;
                    while (inside(name + length, 1) && name[length]) ++length;
                    wchar_t wide[kPathSize] = {};
                    MultiByteToWideChar(CP_ACP, 0, name, int(std::min<size_t>(length, kPathSize - 1)), wide, kPathSize - 1);
                    names.emplace_back(wide);
                    name += length + 1;
                }
            }
        }
        GlobalUnlock(drop);
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
    std::vector<std::wstring> names = TakeDrop(drop);
    if (names.empty()) {
        ResumeSlideTimer();
        return;
    }

    if (names.size() == 1) {
        ShellLink shell;
        wchar_t target[ShellLink::kLinkPathSize];
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
        if (BuildExhibit(folderPath.c_str(), append, nullptr) && !append) {
            CopyPath(exhibitFolder, folderPath.c_str());
            exhibit->DropSaved();   // a new home: the old one's saved copy goes
        }
    } else {
        // Several: the build worker looks at each (a folder, a picture, a
        // shortcut), so a drop of thousands never holds the window up.
        bool nothing = false;
        BuildDropped(std::move(names), append, nothing);
        if (closing) return;
        if (nothing) {
            ResumeSlideTimer();   // nothing of it can be shown
            return;
        }
        if (!append) exhibit->DropSaved();   // the dropped items are the home exhibit now
        if (ExhibitSize() == 0) BuildExhibit(exhibit->ViewedFolder().c_str(), false, nullptr);
    }
    if (closing) return;
    ShowPicture(true);
    ResumeSlideTimer();
    if (autorefresh) StartWatcher();
}
