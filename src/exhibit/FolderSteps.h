// Folder steps over the exhibit order: the first picture of the next folder,
// and the first picture of the nearest run of pictures of another folder
// before the current one. A picture's folder is its path up to the last
// backslash, compared exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exhibit/ImageEntry.h"

int32_t NextFolderIndex(const std::vector<ImageEntry>& entries, int32_t i);
int32_t PreviousFolderIndex(const std::vector<ImageEntry>& entries, int32_t i);

// Index reached from i by a step of s (s may exceed n) forward or backward, wrapping.
int32_t StepIndex(int32_t i, int32_t s, int32_t n, bool forward);
