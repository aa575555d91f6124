#include "imaging/GifFrames.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

uint32_t Le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

// Steps over a chain of data sub-blocks starting at `pos` (its first length
// byte) and its terminator; false when the chain runs past the bytes.
bool SkipSubBlocks(const uint8_t* bytes, size_t size, size_t& pos) {
    for (;;) {
        if (pos >= size) return false;
        const size_t length = bytes[pos++];
        if (length == 0) return true;
        if (length > size - pos) return false;
        pos += length;
    }
}

// An image block and the graphic control extension before it.
struct ImageBlock {
    size_t dataAt = 0;   // the LZW minimum code size, the sub-blocks after it
    uint32_t left = 0, top = 0, width = 0, height = 0;
    bool interlaced = false;
    const uint8_t* colours = nullptr;   // the table in force, local or global; null for none
    uint32_t colourCount = 0;
    int disposal = 0;
    int transparent = -1;
    uint32_t delayMs = 0;
};

enum class Found { Image, End, Damaged };

// The animation extension's count of repeats, when it has one.
struct LoopExtension {
    bool found = false;
    uint32_t count = 0;
};

// Walks the blocks from `pos` to the next image and past its data, reading
// the extensions on the way: the graphic control extension that goes with the
// image, and the looping extension into `loop` when it is given and not yet
// found. Comments, plain text and unknown extensions are stepped over. An
// image whose data runs past the bytes, or a block of no known kind, is
// Damaged; the trailer, or the bytes ending between blocks, is the End.
Found FindImage(const uint8_t* bytes, size_t size, size_t& pos, const uint8_t* globalColours, uint32_t globalCount,
                ImageBlock& image, LoopExtension* loop) {
    image = ImageBlock{};
    while (pos < size) {
        const uint8_t kind = bytes[pos];
        if (kind == 0x3B) return Found::End;
        if (kind == 0x21) {
            if (size - pos < 2) return Found::Damaged;
            const uint8_t label = bytes[pos + 1];
            pos += 2;
            const size_t first = pos;   // the first sub-block's length byte
            if (!SkipSubBlocks(bytes, size, pos)) return Found::Damaged;
            const size_t length = bytes[first];
            const uint8_t* body = bytes + first + 1;
            if (label == 0xF9 && length >= 4) {
                image.disposal = (body[0] >> 2) & 7;
                image.delayMs = Le16(body + 1) * 10;
                image.transparent = (body[0] & 1) ? body[3] : -1;
            } else if (label == 0xFF && loop && !loop->found && length == 11 &&
                       (std::memcmp(body, "NETSCAPE2.0", 11) == 0 || std::memcmp(body, "ANIMEXTS1.0", 11) == 0)) {
                // The next sub-block, when it is the looping one: 1, then the repeats.
                const uint8_t* data = body + 11;
                if (data[0] >= 3 && data[1] == 1) {
                    loop->found = true;
                    loop->count = Le16(data + 2);
                }
            }
            continue;
        }
        if (kind != 0x2C) return Found::Damaged;
        if (size - pos < 10) return Found::Damaged;
        const uint8_t* d = bytes + pos + 1;
        image.left = Le16(d), image.top = Le16(d + 2), image.width = Le16(d + 4), image.height = Le16(d + 6);
        image.interlaced = (d[8] & 0x40) != 0;
        pos += 10;
        if (d[8] & 0x80) {
            image.colourCount = 2u << (d[8] & 7);
            if (size_t(image.colourCount) * 3 > size - pos) return Found::Damaged;
            image.colours = bytes + pos;
            pos += size_t(image.colourCount) * 3;
        } else {
            image.colours = globalColours;
            image.colourCount = globalCount;
        }
        if (pos >= size) return Found::Damaged;
        image.dataAt = pos++;
        return SkipSubBlocks(bytes, size, pos) ? Found::Image : Found::Damaged;
    }
    return Found::End;
}

// Reads the codes of an image's data, least significant bit first across its
// sub-blocks, and gives the colour indices they stand for. The table grows to
// 4096 codes; full, it stays as it is until a clear code, as decoders do.
class LzwReader {
public:
    // Starts on an image's sub-blocks at `pos`, just after its code size.
    void Start(const uint8_t* bytes, size_t size, size_t pos, int minCodeSize) {
        bytes_ = bytes, size_ = size, pos_ = pos, blockLeft_ = 0, bits_ = 0, bitCount_ = 0;
        minCodeSize_ = minCodeSize, clear_ = 1 << minCodeSize;
        finished_ = bad_ = false;
        top_ = 0;
        Clear();
    }

    // Up to `count` indices into `out`: fewer when the data ends (an end
    // code, the sub-blocks running out) or a code is bad.
    size_t Read(uint8_t* out, size_t count) {
        size_t n = 0;
        while (n < count) {
            if (top_ > 0) {
                const size_t take = std::min(size_t(top_), count - n);
                for (size_t i = 0; i < take; ++i) out[n++] = stack_[--top_];
                continue;
            }
            if (finished_) break;
            const int code = ReadCode();
            if (code < 0 || code == clear_ + 1) {
                finished_ = true;
            } else if (code == clear_) {
                Clear();
            } else if (!Expand(code)) {
                bad_ = finished_ = true;
            }
        }
        return n;
    }

    // A code came that no table could hold yet.
    bool Bad() const { return bad_; }

private:
    void Clear() {
        width_ = minCodeSize_ + 1;
        next_ = clear_ + 2;
        previous_ = -1;
    }

    int ReadCode() {
        while (bitCount_ < width_) {
            if (blockLeft_ == 0) {
                if (pos_ >= size_ || bytes_[pos_] == 0 || bytes_[pos_] > size_ - pos_ - 1) return -1;
                blockLeft_ = bytes_[pos_++];
            }
            bits_ |= uint32_t(bytes_[pos_++]) << bitCount_;
            bitCount_ += 8;
            --blockLeft_;
        }
        const int code = int(bits_ & ((1u << width_) - 1));
        bits_ >>= width_;
        bitCount_ -= width_;
        return code;
    }

    // Pushes the string of `code` on the stack, last index first, and adds
    // the previous string and this one's first index to the table.
    bool Expand(int code) {
        if (previous_ < 0) {
            if (code >= clear_) return false;
            stack_[top_++] = uint8_t(code);
            previous_ = code;
            first_ = uint8_t(code);
            return true;
        }
        if (code > next_ || (code == next_ && next_ >= kCodes)) return false;
        int c = code;
        if (code == next_) {   // the previous string and its own first index
            stack_[top_++] = first_;
            c = previous_;
        }
        while (c > clear_ + 1) {
            stack_[top_++] = suffix_[c];
            c = prefix_[c];
        }
        stack_[top_++] = uint8_t(c);
        first_ = uint8_t(c);
        if (next_ < kCodes) {
            prefix_[next_] = uint16_t(previous_);
            suffix_[next_] = first_;
            if (++next_ == (1 << width_) && width_ < 12) ++width_;
        }
        previous_ = code;
        return true;
    }

    static constexpr int kCodes = 4096;
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;   // the next byte, or the next sub-block's length when blockLeft_ is 0
    size_t blockLeft_ = 0;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    int minCodeSize_ = 2, clear_ = 4;
    int width_ = 0, next_ = 0, previous_ = -1;
    uint8_t first_ = 0;   // the first index of the previous code's string
    bool finished_ = false, bad_ = false;
    uint16_t prefix_[kCodes] = {};
    uint8_t suffix_[kCodes] = {};
    uint8_t stack_[kCodes + 1] = {};   // a string is at most 4096 indices long
    int top_ = 0;
};

// Where interlaced rows go: every 8th from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1.
constexpr uint32_t kPassStart[4] = {0, 4, 2, 1};
constexpr uint32_t kPassStep[4] = {8, 8, 4, 2};

}  // namespace

// The decoder's tables live as long as the reader: nothing is allocated for a frame.
struct GifAnimation::Lzw : LzwReader {};

GifAnimation::GifAnimation() = default;
GifAnimation::~GifAnimation() = default;

std::unique_ptr<GifAnimation> GifAnimation::Open(const uint8_t* bytes, size_t size, uint64_t pixelLimit) {
    if (!bytes || size < 13 || (std::memcmp(bytes, "GIF87a", 6) != 0 && std::memcmp(bytes, "GIF89a", 6) != 0))
        return nullptr;
    std::unique_ptr<GifAnimation> gif(new (std::nothrow) GifAnimation);
    if (!gif) return nullptr;
    gif->bytes_ = bytes;
    gif->size_ = size;
    gif->width_ = Le16(bytes + 6);
    gif->height_ = Le16(bytes + 8);
    const uint64_t pixels = uint64_t(gif->width_) * gif->height_;
    if (pixels == 0 || pixels > pixelLimit || pixels * 4 > SIZE_MAX / 2) return nullptr;
    size_t pos = 13;
    if (bytes[10] & 0x80) {
        gif->globalCount_ = 2u << (bytes[10] & 7);
        if (size_t(gif->globalCount_) * 3 > size - pos) return nullptr;
        gif->globalColours_ = bytes + pos;
        pos += size_t(gif->globalCount_) * 3;
    }
    gif->firstBlock_ = gif->next_ = pos;

    // Whole images are counted by stepping over their data; the looping
    // extension may stand anywhere before the end.
    LoopExtension loop;
    ImageBlock image;
    int images = 0;
    while (FindImage(bytes, size, pos, gif->globalColours_, gif->globalCount_, image, &loop) == Found::Image) ++images;
    if (images < 2) return nullptr;
    gif->loops_ = !loop.found ? 1 : loop.count == 0 ? 0 : loop.count + 1;

    try {
        gif->canvas_.assign(size_t(pixels), 0);
        gif->lzw_ = std::make_unique<Lzw>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return gif;
}

void GifAnimation::Rewind() {
    std::fill(canvas_.begin(), canvas_.end(), 0u);
    next_ = firstBlock_;
    disposal_ = 0;
    ended_ = false;
}

void GifAnimation::Dispose() {
    const Rect& r = disposed_;
    for (uint32_t y = 0; y < r.height && (disposal_ == 2 || disposal_ == 3); ++y) {
        uint32_t* row = canvas_.data() + size_t(r.top + y) * width_ + r.left;
        if (disposal_ == 2) std::fill(row, row + r.width, 0u);
        else std::copy_n(saved_.data() + size_t(y) * r.width, r.width, row);
    }
    disposal_ = 0;
}

bool GifAnimation::Next(uint32_t& fileDelayMs) {
    if (ended_) return false;
    Dispose();
    ImageBlock image;
    if (FindImage(bytes_, size_, next_, globalColours_, globalCount_, image, nullptr) != Found::Image ||
        !image.colours) {
        ended_ = true;
        return false;
    }
    // The part of the frame on the canvas.
    Rect clipped;
    if (image.left < width_ && image.top < height_) {
        clipped = {image.left, image.top, std::min(image.width, width_ - image.left),
                   std::min(image.height, height_ - image.top)};
    }
    try {
        if (image.disposal == 3) {
            saved_.resize(size_t(clipped.width) * clipped.height);
            for (uint32_t y = 0; y < clipped.height; ++y)
                std::copy_n(canvas_.data() + size_t(clipped.top + y) * width_ + clipped.left, clipped.width,
                            saved_.data() + size_t(y) * clipped.width);
        }
        // Indices past the table are drawn opaque black.
        uint32_t palette[256];
        std::fill(palette, palette + 256, 0xFF000000u);
        for (uint32_t i = 0; i < std::min(image.colourCount, 256u); ++i) {
            const uint8_t* rgb = image.colours + 3 * size_t(i);
            palette[i] = 0xFF000000u | uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2];
        }
        if (!Draw(image.dataAt, {image.left, image.top, image.width, image.height}, image.interlaced, palette,
                  image.transparent)) {
            ended_ = true;
            return false;
        }
    } catch (const std::bad_alloc&) {
        ended_ = true;
        return false;
    }
    disposal_ = image.disposal;
    disposed_ = clipped;
    fileDelayMs = image.delayMs;
    return true;
}

bool GifAnimation::Draw(size_t dataAt, const Rect& frame, bool interlaced, const uint32_t* palette, int transparent) {
    const int minCodeSize = bytes_[dataAt];
    if (minCodeSize < 2 || minCodeSize > 8) return false;
    // Nothing of it shows: its data need not be read.
    if (frame.left >= width_ || frame.top >= height_ || frame.width == 0 || frame.height == 0) return true;
    const uint32_t shown = std::min(frame.width, width_ - frame.left);
    LzwReader& lzw = *lzw_;
    lzw.Start(bytes_, size_, dataAt + 1, minCodeSize);
    row_.resize(frame.width);
    uint32_t y = 0;
    int pass = 0;
    for (uint32_t r = 0; r < frame.height; ++r) {
        if (interlaced) {
            while (y >= frame.height && pass < 3) y = kPassStart[++pass];
        }
        // Rows go down from here on: the rest lie below the canvas.
        if ((!interlaced || pass == 3) && frame.top + y >= height_) break;
        const size_t got = lzw.Read(row_.data(), frame.width);
        if (lzw.Bad()) return false;
        if (frame.top + y < height_) {
            uint32_t* to = canvas_.data() + size_t(frame.top + y) * width_ + frame.left;
            const size_t n = std::min<size_t>(got, shown);
            for (size_t x = 0; x < n; ++x)
                if (row_[x] != transparent) to[x] = palette[row_[x]];
        }
        if (got < frame.width) break;   // the data ended early: the rest stays as it was
        y += interlaced ? kPassStep[pass] : 1;
    }
    return true;
}
