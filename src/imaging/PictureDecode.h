// Turning a picture file into decoded pixels, on any thread. The file is read
// into memory and closed before the decoder starts, so another program may
// rename, delete or overwrite it the moment it has been read; its header is
// judged first, so empty, unknown and impossible files never reach the
// decoder; and the result owns its pixels outright (a metafile keeps its
// bytes, which it is played from).
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>

#include "imaging/PictureHolder.h"
#include "platform/Handles.h"

// What identifies one state of a file: its size and last write time.
struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` now; false when it cannot be asked.
bool StampOf(const wchar_t* path, FileStamp& stamp);

enum class DecodeOutcome {
    Decoded,
    Damaged,    // missing, unreadable, or not a picture the decoder can make out
    TooLarge,   // a picture, but more pixels than the memory budget allows
};

struct DecodedPicture {
    DecodeOutcome outcome = DecodeOutcome::Damaged;
    GpImagePtr image;
    ComPtr<IStream> source;   // a metafile's bytes, which it is played from
    FileStamp stamp;          // the file as it was read
    int orientation = 1;      // EXIF orientation, 1 without one
    int bitsPerPixel = 0;     // of the file's own pixel format
    uint32_t width = 0;       // decoded, or claimed by a picture too large
    uint32_t height = 0;
    uint64_t memory = 0;      // bytes the result holds
};

// Decodes `path`; pictures of more than `pixelLimit` pixels are TooLarge.
DecodedPicture DecodePictureFile(const wchar_t* path, uint64_t pixelLimit);

// Memory the viewer allows itself for decoded pictures (the shown one and
// those decoded ahead): a quarter of the machine's memory, at least 256 MiB,
// at most 4 GiB (768 MiB in a 32-bit process).
uint64_t PictureMemoryBudget();
// The largest picture one decode accepts: the whole budget at 4 bytes a pixel.
uint64_t PicturePixelLimit();
