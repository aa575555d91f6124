// The folder scan behind every exhibit build: breadth-first over the roots,
// through subfolders and shortcuts, each folder entered once however many
// ways lead to it. It appends to the exhibit and touches nothing else.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "exhibit/Exhibit.h"
#include "exhibit/ExhibitFiles.h"

struct ScanOptions {
    ShownFormats formats;
    bool subfolders = true;   // enter subfolders and shortcuts to folders
    bool hidden = true;       // enter hidden subfolders as well
    bool operator==(const ScanOptions&) const = default;
};

// Scans `roots` into `exhibit`, one batch per folder. Once the exhibit holds
// pictures, `firstFound` (when given) is signalled after the current picture
// has been found again; the handle is not closed. Answers whether it signalled.
// Stops early when the exhibit is abandoned.
bool ScanFolders(Exhibit& exhibit, const std::vector<std::wstring>& roots, const ScanOptions& options,
                 HANDLE firstFound);
