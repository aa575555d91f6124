// An animated GIF read by our own reader, one image at a time, each composed
// onto the canvas (the logical screen) as browsers show it: transparent pixels
// let what lies beneath show, and after its time a frame is kept (disposal 0
// and 1, and the undefined 4 to 7), cleared to transparent over its rectangle
// (2: browsers clear, whatever the background colour says) or its rectangle
// restored to what was under it (3). Frames are clipped to the canvas.
//
// The reader holds the canvas, the rectangle disposal 3 saves, one row of
// colour indices and the LZW tables: the same few bytes for ten frames or ten
// thousand. It reads the file's bytes where they lie, which must outlive it.
// No windows, no GDI+: any thread may use it, one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class GifAnimation {
public:
    ~GifAnimation();
    // The animation in `bytes`; null when they are no GIF, hold fewer than two
    // whole images, or have a logical screen of no pixels or of more than
    // `pixelLimit`.
    static std::unique_ptr<GifAnimation> Open(const uint8_t* bytes, size_t size, uint64_t pixelLimit);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    // Passes through the animation: 1 without a looping extension, 0 for ever,
    // else the extension's count plus the first pass, as browsers count.
    uint32_t Loops() const { return loops_; }

    // Lays the next image on the canvas, the last one's disposal done first,
    // and gives the delay the file sets for it in milliseconds. False at the
    // trailer (or the end of the bytes), and for an image that cannot be read
    // whole: one cut short, without a colour table, with a code size other
    // than 2 to 8 or a code that is not yet in the table. Once false, false
    // until Rewind().
    bool Next(uint32_t& fileDelayMs);
    void Rewind();

    // The canvas: Width() x Height() premultiplied BGRA pixels, B in the low
    // byte, fully transparent where nothing was drawn.
    const uint32_t* Canvas() const { return canvas_.data(); }

private:
    struct Rect {
        uint32_t left = 0, top = 0, width = 0, height = 0;
    };

    struct Lzw;
    GifAnimation();
    void Dispose();
    bool Draw(size_t dataAt, const Rect& frame, bool interlaced, const uint32_t* palette, int transparent);

    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    const uint8_t* globalColours_ = nullptr;   // RGB triples
    uint32_t globalCount_ = 0;
    size_t firstBlock_ = 0;              // just after the header and global colour table
    size_t next_ = 0;                    // the block the next image is looked for from
    bool ended_ = false;
    uint32_t width_ = 0, height_ = 0, loops_ = 1;
    std::vector<uint32_t> canvas_;
    int disposal_ = 0;                   // of the frame on the canvas, done before the next is laid
    Rect disposed_;                      // its rectangle, clipped to the canvas
    std::vector<uint32_t> saved_;        // what disposal 3 puts back there
    std::vector<uint8_t> row_;           // one row of the image being decoded
    std::unique_ptr<Lzw> lzw_;
};
