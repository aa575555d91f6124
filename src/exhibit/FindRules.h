// Finding pictures by a piece of their path, and the newest picture by one
// of its times. No windows here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exhibit/ImageEntry.h"

// The search of this run: its text and options, and how the dialog was left.
struct FindRecord {
    static constexpr int kTextSize = 80;   // 79 characters and the terminator
    wchar_t text[kTextSize] = {};
    bool fileNameOnly = false;   // the file name without its extension, not the whole path
    bool matchCase = false;
    int32_t action = 0;          // kFindAction...
};
enum FindAction : int32_t { kFindActionFind = 0, kFindActionFilter, kFindActionExclude, kFindActionCancel };

// Whether `path` holds the record's text.
bool Matches(const FindRecord& find, const wchar_t* path);
// The first entry from `start` on, wrapping round, whose path matches; -1 if none.
int32_t FindFrom(const std::vector<ImageEntry>& entries, size_t start, const FindRecord& find);
// The entry with the latest time of the kind `autofindtype` names (1 created,
// 2 modified, 3 accessed), the first of equals; -1 for other kinds or no entries.
int32_t NewestIndex(const std::vector<ImageEntry>& entries, int32_t autofindtype);
