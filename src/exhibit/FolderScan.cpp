// The folder scan: breadth-first over the roots, through subfolders and
// shortcuts, each folder entered once however many ways lead to it.
#include "exhibit/FolderScan.h"

#include <windows.h>

#include <cstring>
#include <cwchar>
#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "exhibit/ShellLink.h"

namespace {

constexpr size_t kMaxPath = 260;   // longest path + terminator the viewer keeps

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

// The folders a scan has entered. A tree without links cannot reach a folder
// twice but by the same path (compared in any letter case). Once a link is met
// (a symbolic link or junction, or a shortcut to a folder) a folder may come
// back under any name, so from then on folders are told apart by what they
// are: volume serial and file index. Folders entered before that are
// identified then; asking costs a file open, paid only where links exist.
class ScannedFolders {
public:
    // True the first time `folder` (with its final backslash) is met.
    bool Enter(const std::wstring& folder) {
        std::wstring spelled = folder;
        CharUpperBuffW(spelled.data(), DWORD(spelled.size()));
        if (!paths_.insert(spelled).second) return false;
        if (!linked_) {
            entered_.push_back(folder);
            return true;
        }
        Identity id{};
        return !Identify(folder, id) || identities_.insert(id).second;
    }

    // A link was met: identities decide from now on.
    void LinkSeen() {
        if (linked_) return;
        linked_ = true;
        Identity id{};
        for (const std::wstring& folder : entered_)
            if (Identify(folder, id)) identities_.insert(id);
        entered_.clear();
        entered_.shrink_to_fit();
    }

private:
    struct Identity {
        uint64_t volume;
        uint64_t index[2];
        bool operator==(const Identity& other) const {
            return volume == other.volume && index[0] == other.index[0] && index[1] == other.index[1];
        }
    };
    struct IdentityHash {
        size_t operator()(const Identity& id) const {
            return std::hash<uint64_t>()(id.index[0] * 31 + id.index[1] * 7 + id.volume);
        }
    };

    static bool Identify(const std::wstring& folder, Identity& id) {
        HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        const bool known = Identify(handle, id);
        CloseHandle(handle);
        return known;
    }

    // The file identity query answers from the file alone; the older one
    // asks the volume for its serial too, which some systems make slow.
    static bool Identify(HANDLE handle, Identity& id) {
        // FILE_ID_INFO and its class number (Windows 8 and later; older
        // systems refuse the query and the second form answers).
        struct {
            ULONGLONG volume;
            BYTE fileId[16];
        } fileId;
        const auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
        if (GetFileInformationByHandleEx(handle, kFileIdInfo, &fileId, sizeof fileId)) {
            id.volume = fileId.volume;
            memcpy(id.index, fileId.fileId, sizeof id.index);
            return id.index[0] != 0 || id.index[1] != 0;
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle, &info)) return false;
        id.volume = info.dwVolumeSerialNumber;
        id.index[0] = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        id.index[1] = 0;
        return id.index[0] != 0;
    }

    bool linked_ = false;
    std::vector<std::wstring> entered_;
    std::unordered_set<std::wstring> paths_;
    std::unordered_set<Identity, IdentityHash> identities_;
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
                        entry.scannedSize = (uint64_t(info->nFileSizeHigh) << 32) | info->nFileSizeLow;
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
                    scanned.LinkSeen();
                    queue.emplace_back(target);
                } else {
                    if (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) scanned.LinkSeen();
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
