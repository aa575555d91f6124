#include "exhibit/SortRules.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

// Position of the last separator, 0 when there is none.
size_t LastSeparator(const wchar_t* text, size_t length, wchar_t separator) {
    for (size_t i = length; i > 0; --i)
        if (text[i - 1] == separator) return i - 1;
    return 0;
}

int CompareUnits(const wchar_t* x, size_t lx, const wchar_t* y, size_t ly, size_t from) {
    const size_t common = std::min(lx, ly);
    for (size_t i = from; i < common; ++i) {
        const auto cx = static_cast<uint16_t>(x[i]);
        const auto cy = static_cast<uint16_t>(y[i]);
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    return lx < ly ? -1 : (lx > ly ? 1 : 0);
}

bool SameUnits(const wchar_t* x, const wchar_t* y, size_t from, size_t count) {
    for (size_t i = from; i < count; ++i)
        if (x[i] != y[i]) return false;
    return true;
}

// The tree decision once the comparison sign `c` is known. x and y are the
// texts the prefix tests run on (exactly, in every case mode); px and py the
// positions of their last separators. Both texts are known to agree on their
// first `same` units, which the prefix tests can skip.
bool TreeDecision(const wchar_t* x, size_t lx, size_t px, const wchar_t* y, size_t ly, size_t py, int c,
                  size_t same) {
    if (px == py) return c < 0;
    if (c < 0) {
        if (lx <= py) return true;
        return !SameUnits(x, y, std::min(same, py), py);
    }
    if (c > 0) {
        if (ly <= px) return false;
        return SameUnits(y, x, std::min(same, px), px);
    }
    return false;
}

bool TreeRule(const std::wstring& x, const std::wstring& y, bool caseSensitive, wchar_t separator) {
    const size_t px = LastSeparator(x.c_str(), x.size(), separator);
    const size_t py = LastSeparator(y.c_str(), y.size(), separator);
    const int c = ComparePaths(x.c_str(), y.c_str(), caseSensitive);
    return TreeDecision(x.c_str(), x.size(), px, y.c_str(), y.size(), py, c, 0);
}

std::wstring StrictForm(const std::wstring& path) {
    std::wstring copy = path;
    std::replace(copy.begin(), copy.end(), L'\\', L'"');
    return copy;
}

uint64_t TimeValue(const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// One record's precomputed sort key.
struct PathKey {
    const wchar_t* text;   // prefix-test text: the path itself
    const wchar_t* key;    // comparison text: folded and/or with the separator replaced
    uint32_t length;
    uint32_t separator;    // position of the last separator
    uint32_t index;        // position before sorting
};

struct TimeKey {
    uint64_t time;
    uint32_t index;
};

template <typename Key>
void Reorder(std::vector<ImageEntry>& entries, const std::vector<Key>& keys, bool reverse) {
    std::vector<ImageEntry> ordered;
    ordered.reserve(entries.size());
    if (reverse) {
        for (auto it = keys.rbegin(); it != keys.rend(); ++it) ordered.push_back(std::move(entries[it->index]));
    } else {
        for (const Key& k : keys) ordered.push_back(std::move(entries[k.index]));
    }
    entries.swap(ordered);
}

void SortByTime(std::vector<ImageEntry>& entries, FILETIME ImageEntry::*field, bool reverse) {
    std::vector<TimeKey> keys(entries.size());
    for (uint32_t i = 0; i < keys.size(); ++i) keys[i] = TimeKey{TimeValue(entries[i].*field), i};
    std::stable_sort(keys.begin(), keys.end(), [](const TimeKey& a, const TimeKey& b) { return a.time < b.time; });
    Reorder(entries, keys, reverse);
}

void SortByPath(std::vector<ImageEntry>& entries, int32_t sortby, bool caseSensitive, bool reverse) {
    const bool strict = sortby != kSortTree && sortby != kSortName;
    const bool tree = sortby != kSortName;

    // The comparison texts: the paths themselves when nothing changes them,
    // else one buffer holding every changed copy.
    const bool ownKeys = strict || !caseSensitive;
    size_t total = 0;
    if (ownKeys)
        for (const ImageEntry& e : entries) total += e.path.size() + 1;
    std::vector<wchar_t> buffer(total);

    // Every path shares this many leading units with every other: comparisons
    // start after them (case folding and the separator change keep them equal).
    size_t same = entries.empty() ? 0 : entries[0].path.size();
    for (const ImageEntry& e : entries) {
        const std::wstring& first = entries[0].path;
        size_t n = std::min(same, e.path.size());
        size_t i = 0;
        while (i < n && first[i] == e.path[i]) ++i;
        same = i;
    }

    std::vector<PathKey> keys(entries.size());
    size_t offset = 0;
    for (uint32_t i = 0; i < keys.size(); ++i) {
        const std::wstring& path = entries[i].path;
        const wchar_t* key = path.c_str();
        if (ownKeys) {
            wchar_t* copy = buffer.data() + offset;
            for (size_t k = 0; k < path.size(); ++k) {
                wchar_t c = path[k];
                if (strict && c == L'\\') c = L'"';
                if (!caseSensitive) {
                    // Plain ASCII folds the same in every locale; the rest as _wcsicmp does.
                    if (c < 0x80) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
                    else c = static_cast<wchar_t>(towlower(c));
                }
                copy[k] = c;
            }
            copy[path.size()] = L'\0';
            key = copy;
            offset += path.size() + 1;
        }
        const auto length = static_cast<uint32_t>(path.size());
        const auto last = static_cast<uint32_t>(LastSeparator(path.c_str(), path.size(), L'\\'));
        keys[i] = PathKey{path.c_str(), key, length, last, i};
    }

    if (tree) {
        std::stable_sort(keys.begin(), keys.end(), [same](const PathKey& a, const PathKey& b) {
            const int c = CompareUnits(a.key, a.length, b.key, b.length, same);
            return TreeDecision(a.text, a.length, a.separator, b.text, b.length, b.separator, c, same);
        });
    } else {
        std::stable_sort(keys.begin(), keys.end(), [same](const PathKey& a, const PathKey& b) {
            return CompareUnits(a.key, a.length, b.key, b.length, same) < 0;
        });
    }
    Reorder(entries, keys, reverse);
}

}  // namespace

int ComparePaths(const wchar_t* x, const wchar_t* y, bool caseSensitive) {
    if (!caseSensitive) {
        const int c = _wcsicmp(x, y);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return CompareUnits(x, wcslen(x), y, wcslen(y), 0);
}

bool TreeLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive) {
    return TreeRule(a.path, b.path, caseSensitive, L'\\');
}

bool TreeStrictLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive) {
    return TreeRule(StrictForm(a.path), StrictForm(b.path), caseSensitive, L'"');
}

bool NameLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive) {
    return ComparePaths(a.path.c_str(), b.path.c_str(), caseSensitive) < 0;
}

bool CreatedLess(const ImageEntry& a, const ImageEntry& b) { return TimeValue(a.created) < TimeValue(b.created); }
bool ModifiedLess(const ImageEntry& a, const ImageEntry& b) { return TimeValue(a.modified) < TimeValue(b.modified); }
bool AccessedLess(const ImageEntry& a, const ImageEntry& b) { return TimeValue(a.accessed) < TimeValue(b.accessed); }

void SortEntries(std::vector<ImageEntry>& entries, int32_t sortby, bool caseSensitive, bool reverse) {
    switch (sortby) {
    case kSortCreated: SortByTime(entries, &ImageEntry::created, reverse); break;
    case kSortModified: SortByTime(entries, &ImageEntry::modified, reverse); break;
    case kSortAccessed: SortByTime(entries, &ImageEntry::accessed, reverse); break;
    default: SortByPath(entries, sortby, caseSensitive, reverse); break;
    }
}

int32_t RandomIndex(std::mt19937& engine, int32_t n) {
    if (n < 1) return 0;
    const uint32_t range = static_cast<uint32_t>(n);
    const uint32_t step = 0xFFFFFFFFu / range;
    uint32_t v;
    do {
        v = static_cast<uint32_t>(engine()) / step;
    } while (v > range - 1);
    return static_cast<int32_t>(v);
}

void ShuffleEntries(std::vector<ImageEntry>& entries, std::mt19937& engine) {
    const size_t n = entries.size();
    for (size_t i = 1; i < n; ++i) {
        const auto j = static_cast<size_t>(RandomIndex(engine, static_cast<int32_t>(i + 1)));
        if (j != i) std::swap(entries[i], entries[j]);
    }
}
