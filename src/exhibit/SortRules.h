// The orders of the exhibit: six comparison rules over two records, a fast
// sort that applies them, the shuffle and the random index. No windows here.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "exhibit/ImageEntry.h"

enum SortBy : int32_t {
    kSortTree = 0,
    kSortTreeStrict = 1,
    kSortName = 2,
    kSortCreated = 3,
    kSortModified = 4,
    kSortAccessed = 5,
};

// Sign of the path comparison: code units as unsigned 16-bit values (a proper
// prefix first) when case-sensitive, else _wcsicmp.
int ComparePaths(const wchar_t* x, const wchar_t* y, bool caseSensitive);

// Strict "a orders before b" tests. The tree rules keep each folder's own files
// before everything deeper that begins with the folder's path; the strict one
// also keeps a folder's whole subtree before siblings whose names extend its name.
bool TreeLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive);
bool TreeStrictLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive);
bool NameLess(const ImageEntry& a, const ImageEntry& b, bool caseSensitive);
bool CreatedLess(const ImageEntry& a, const ImageEntry& b);
bool ModifiedLess(const ImageEntry& a, const ImageEntry& b);
bool AccessedLess(const ImageEntry& a, const ImageEntry& b);

// Orders `entries` by rule `sortby` (an unknown value sorts by tree strict,
// the default) and reverses the result when `reverse` is set. Gives the same
// order as a stable sort with the rule above, from precomputed keys.
void SortEntries(std::vector<ImageEntry>& entries, int32_t sortby, bool caseSensitive, bool reverse);

// A uniform index in 0..n-1: with s = (2^32 - 1) / n, v = next output / s,
// drawn again until v < n. 0 for n < 1.
int32_t RandomIndex(std::mt19937& engine, int32_t n);

// For i = 1 .. n-1: swap entries i and RandomIndex(i + 1).
void ShuffleEntries(std::vector<ImageEntry>& entries, std::mt19937& engine);
