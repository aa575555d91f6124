// The viewer's fixed-size paths and the few operations on them.
#pragma once

#include <cstddef>
#include <string>

// Paths are kept in buffers of this many wide characters, terminator included.
constexpr int kPathSize = 260;

// Copies `from` into the kPathSize buffer `to`, cut to fit and always terminated.
void CopyPath(wchar_t* to, const wchar_t* from);
// `folder` + "\" + `name` into the kPathSize buffer `out`, cut to fit.
void JoinPath(wchar_t* out, const wchar_t* folder, const wchar_t* name);
// Cuts `path` at its last backslash; false when it has none.
bool CutAtLastBackslash(wchar_t* path);
// The folder part of `path` (up to its last backslash) into the kPathSize buffer `out`.
void FolderOf(const wchar_t* path, wchar_t* out);
// The folder part of `path` (up to its last backslash; empty when it has
// none), as a folder: a bare drive ("C:") gets its backslash, naming the root.
std::wstring FolderPart(const std::wstring& path);
// `folder` with the backslash a bare drive ("C:") needs to name its root.
std::wstring AsFolder(std::wstring folder);
// `text` in double quotes into `out`, which holds kPathSize + 2 characters.
void Quote(const wchar_t* text, wchar_t* out);
