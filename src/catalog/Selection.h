// The files a Catalog selection stands for. No windows here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "exhibit/Exhibit.h"

struct SelectedFiles {
    std::vector<std::wstring> present;   // in list order
    std::vector<std::wstring> missing;   // gone from the disk since the list was made
    bool holdsShown = false;             // the viewer's shown picture is among them
};

// The exhibit entries at `indices` (an index the exhibit no longer has is
// skipped: the list and the exhibit may be out of step during a rebuild),
// split into files still there and files gone; `shown` is the viewer's path.
SelectedFiles FilesOfSelection(const Exhibit& exhibit, const std::vector<int32_t>& indices, const std::wstring& shown);
