// Metafiles (enhanced and Windows) judged before a decoder sees them. A
// damaged metafile can keep a decoder busy for many seconds, make it read
// past the end of the file or leave a picture that loads but never draws, so
// the header, the declared sizes and every record are checked first.
// Pure functions over a byte buffer: linear in the number of records, they
// read nothing outside the bytes given.
#pragma once

#include <cstddef>
#include <cstdint>

enum class MetafileKind { None, Enhanced, Windows };

enum class MetafileVerdict {
    NotMetafile,     // some other kind of file: not judged here
    Sound,
    BadHeader,       // header size, reference device, description or version out of order
    BadFileSize,     // the declared size runs past the end of the bytes
    BadBounds,       // bounds or frame reversed, or absurdly large
    BadRecord,       // a record too small, misaligned or running past the end, or a
                     // bitmap in it whose header, colours or bits run past the record
    TooManyRecords,
    NoEnd,           // the last record is not the end-of-file record
};

// The loader reads a whole metafile before it is checked; a larger one is
// refused. Room for drawings that carry large bitmaps, yet a read of a few
// tenths of a second at most.
inline constexpr size_t kMaxMetafileBytes = size_t(64) << 20;
// More records than this are refused. Measured with GDI+ under Wine on a busy
// machine: a quarter of a million of the cheapest records take 30-55 ms to
// load and 120-140 ms for every draw; a million take 65-210 ms and 360-500 ms,
// too slow for a viewer that draws the picture on every paint.
inline constexpr uint32_t kMaxMetafileRecords = 250000;
// The bounds of an enhanced metafile (device pixels) span at most this much
// either way, and its reference device measures at most this many pixels and
// millimetres.
inline constexpr int64_t kMaxMetafileDeviceExtent = int64_t(1) << 20;
// The physical size, in hundredths of a millimetre: at most 100 m either way.
inline constexpr int64_t kMaxMetafileFrame = 10'000'000;
// Every coordinate of the bounds and the frame stays within this, so that
// single-precision arithmetic in the decoder holds it exactly.
inline constexpr int64_t kMaxMetafileCoordinate = int64_t(1) << 24;

// What the first bytes announce; 44 bytes are enough to tell.
MetafileKind MetafileKindOf(const uint8_t* data, size_t size);

// Judges a whole file.
MetafileVerdict CheckMetafile(const uint8_t* data, size_t size);
