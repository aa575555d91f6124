// Shortcut files for the unit tests, made with the program's own shell-link object.
#pragma once

#include <string>

// A shortcut at `path` (parent folders made) to the absolute `target`; false when the shell refused.
bool MakeShortcut(const std::wstring& path, const std::wstring& target);
