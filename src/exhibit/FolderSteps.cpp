#include "exhibit/FolderSteps.h"

#include <cwchar>

namespace {

// Length of the folder part of a path (up to the last backslash).
size_t FolderLength(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? 0 : slash;
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
    const size_t n = FolderLength(a);
    return n == FolderLength(b) && a.compare(0, n, b, 0, n) == 0;
}

}  // namespace

int32_t NextFolderIndex(const std::vector<ImageEntry>& entries, int32_t i) {
    const int32_t n = static_cast<int32_t>(entries.size());
    if (n == 0 || i < 0 || i >= n) return i;
    for (int32_t j = (i + 1) % n; j != i; j = (j + 1) % n) {
        if (!SameFolder(entries[j].path, entries[i].path)) return j;
    }
    return i;
}

int32_t PreviousFolderIndex(const std::vector<ImageEntry>& entries, int32_t i) {
    const int32_t n = static_cast<int32_t>(entries.size());
    if (n == 0 || i < 0 || i >= n) return i;
    int32_t j = i;
    do {
        j = (j == 0) ? n - 1 : j - 1;
        if (j == i) return i;
    } while (SameFolder(entries[j].path, entries[i].path));
    const std::wstring& folderOf = entries[j].path;
    while (j > 0 && SameFolder(entries[j].path, folderOf)) --j;
    if (j > 0) return j + 1;
    return SameFolder(entries[0].path, folderOf) ? 0 : 1;
}

int32_t StepIndex(int32_t i, int32_t s, int32_t n, bool forward) {
    if (n <= 0) return i;
    if (forward) return static_cast<int32_t>((static_cast<int64_t>(i) + s) % n);
    int64_t k = static_cast<int64_t>(i) - s;
    k %= n;
    if (k < 0) k += n;
    return static_cast<int32_t>(k);
}
