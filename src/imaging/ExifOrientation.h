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

// The TIFF structure of the first EXIF block of a JPEG held in memory: its
// start and size, always inside [data, data + size); false when there is none.
bool FindExifTiff(const uint8_t* data, size_t size, const uint8_t** tiff, size_t* tiffSize);

// The thumbnail a camera embedded in the EXIF block (IFD1's JPEG): its bytes
// inside the block, and its pixel size from its own frame header. False when
// there is none or it does not lie wholly inside the block.
struct EmbeddedThumbnail {
    const uint8_t* data = nullptr;
    size_t size = 0;
    uint32_t width = 0, height = 0;
};
bool ExifThumbnailFromJpeg(const uint8_t* data, size_t size, EmbeddedThumbnail* thumbnail);

// The pixel size a JPEG's frame header (SOF) gives; false when none is found.
bool JpegFrameSize(const uint8_t* data, size_t size, uint32_t* width, uint32_t* height);
