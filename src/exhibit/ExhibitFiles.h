// Which file names are pictures, and the record of one picture file.
#pragma once

#include "exhibit/ImageEntry.h"
#include "exhibit/PictureFormats.h"

// Whether `name` (a file name or a path) ends in the extension of an enabled
// format: the text from its last "." compared in any case. No "." never is.
bool IsShownFormat(const wchar_t* name, const ShownFormats& formats);

// The path with the file's three times; zero times when the file cannot be opened.
ImageEntry MakeImageEntry(const wchar_t* path);

// Whether `path` is no longer there: the file or a folder on its way was not
// found (deleted, renamed, moved away). A file that is there but cannot be
// read is not gone.
bool FileVanished(const wchar_t* path);
