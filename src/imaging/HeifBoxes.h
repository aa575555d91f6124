// What the boxes of an HEIF file (HEIC, AVIF) tell before its decoder sees
// them: whether its file type box names a still-picture brand, whether its
// top-level boxes fit in the file, and the size of its primary picture as
// shown (its `ispe`, or a grid's output size, which is what the decoder
// allocates, cropped by its `clap` and turned by its `irot`), and the coded size its HEVC parameter
// sets and AV1 sequence headers give. Bounded: reads nothing outside the
// given bytes, and each walk moves forward. No libraries, no windows.
#pragma once

#include <cstddef>
#include <cstdint>

// True when the bytes open with an `ftyp` box whose major or compatible
// brands name an HEIF or AVIF picture or sequence.
bool IsHeifFile(const uint8_t* data, size_t size);

struct HeifFacts {
    // False when a top-level box runs past the end of a file of `fileSize`
    // bytes, has a size no box may have, or, the whole file given, there is no
    // `meta` box to find a picture in, or its primary picture is derived
    // (as a grid is from its tiles) from itself.
    bool fits = false;
    bool sizeKnown = false;   // the primary picture's size was found within the bytes
    uint32_t width = 0;       // as shown, after the container's crop and quarter turn
    uint32_t height = 0;
    // The most luma samples a decoder is told to allocate by the HEVC
    // parameter sets or AV1 sequence headers within the bytes (tiles and
    // thumbnails included), 0 when none is found; it may be more than the
    // size shown, and the decoders take it whatever the container says.
    uint64_t codedPixels = 0;
};

// The facts of a file of `fileSize` bytes whose first `size` bytes are `data`.
HeifFacts ReadHeifBoxes(const uint8_t* data, size_t size, uint64_t fileSize);
