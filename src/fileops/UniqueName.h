// Free target names for files the viewer writes into a folder: a taken name
// gets "-01" ... "-99" before its extension.
#pragma once

// `path` is an in/out buffer of 260 characters. Answers true when it now names
// a file that does not exist: either as given, or numbered "%ls-%02u" before
// the extension of its last component (photo.jpg -> photo-01.jpg ... photo-99.jpg).
// False when all 99 numbers are taken or a numbered name would not fit the
// buffer; the buffer then holds the last name tried (or is unchanged).
bool MakeUniqueName(wchar_t* path);

// Whether a name is taken: anything exists there, or it cannot be told that
// nothing does (access denied, a device name...). A missing file or folder is free.
bool IsNameTaken(const wchar_t* path);

// `folder` + the last component of `path` (from its last backslash) + `suffix`
// into the 260-character buffer `out`: where a file sent to a folder goes.
// False when `path` has no backslash or the name would not fit.
bool NameInFolder(const wchar_t* folder, const wchar_t* path, const wchar_t* suffix, wchar_t* out);
