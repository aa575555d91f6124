// A small, bounded reader for the orientation tag (0x0112) of a JPEG file's
// EXIF block. Used only when the decoder does not report the tag itself.
#pragma once

#include <cstddef>
#include <cstdint>

// Orientation 1..8 from a JPEG held in memory, or 0 when the data is not a
// JPEG, carries no EXIF orientation, or the block is damaged. Reads nothing
// outside [data, data + size) and never outside the APP1 segment it parses.
int ExifOrientationFromJpeg(const uint8_t* data, size_t size);

// Orientation 1..8 from the TIFF structure of an EXIF block (starting at its
// "II"/"MM" byte-order mark), or 0. Looks at IFD0 only.
int ExifOrientationFromTiff(const uint8_t* tiff, size_t size);

// Reads the head of the file (the EXIF segment must lie within it) and parses
// it as above. 0 when the file cannot be read.
int ExifOrientationFromFile(const wchar_t* path);
