// Replacing a file in one step: the new content goes to a temporary file in
// the target's folder, which then takes the target's place. A crash, a kill or
// a full disk half-way leaves either the old file or the new one, never a torn one.
#pragma once

#include <string>

// Creates an empty, uniquely named temporary file in the folder of `target`
// and returns its path in `temp`. False when the folder does not take one.
bool CreateTempBeside(const wchar_t* target, std::wstring& temp);

// Moves `temp` over `target` (which need not exist yet). On failure the temp
// file is removed and `target` is left as it was.
bool CommitTempFile(const std::wstring& temp, const wchar_t* target);
