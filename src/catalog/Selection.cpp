#include "catalog/Selection.h"

#include <windows.h>

SelectedFiles FilesOfSelection(const Exhibit& exhibit, const std::vector<int32_t>& indices, const std::wstring& shown) {
    SelectedFiles files;
    for (const int32_t index : indices) {
        if (index < 0) continue;
        const std::optional<ImageEntry> entry = exhibit.EntryAt(size_t(index));
        if (!entry) continue;
        files.holdsShown = files.holdsShown || entry->path == shown;
        const DWORD attributes = GetFileAttributesW(entry->path.c_str());
        (attributes == INVALID_FILE_ATTRIBUTES ? files.missing : files.present).push_back(entry->path);
    }
    return files;
}
