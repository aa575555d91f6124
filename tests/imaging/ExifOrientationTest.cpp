// The EXIF orientation reader: blocks built here and damaged in every way a
// file can be, all read flush against a no-access page. (The real files of
// both byte orders are read by the picture holder's tests.)
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/ExifOrientation.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

int ReadGuarded(const Bytes& bytes) { const GuardedBytes g(bytes); return ExifOrientationFromJpeg(g.data, g.size); }

struct Tiff {
    bool little = true;
    uint32_t ifdOffset = 8;
    uint16_t declaredCount = 2;   // entries the IFD claims
    int realEntries = 2;          // entries actually written
    uint16_t type = 3;            // SHORT
    uint32_t valueCount = 1;
    uint16_t value = 6;
};

// A TIFF block whose IFD0 holds Make (ASCII, inline "Ox") and Orientation.
Bytes MakeTiff(const Tiff& t) {
    Bytes b{uint8_t(t.little ? 'I' : 'M'), uint8_t(t.little ? 'I' : 'M')};
    const auto put = [&b, &t](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b.push_back(uint8_t(v >> 8 * (t.little ? i : bytes - 1 - i)));
    };
    put(42, 2), put(t.ifdOffset, 4), put(t.declaredCount, 2);
    if (t.realEntries >= 1) put(0x010F, 2), put(2, 2), put(3, 4), put('O' | 'x' << 8, 4);
    if (t.realEntries >= 2) put(0x0112, 2), put(t.type, 2), put(t.valueCount, 4), put(t.value, 2), put(0, 2);
    put(0, 4);   // no next IFD
    return b;
}

// A segment; `adjust` falsifies its declared length.
Bytes Segment(uint8_t marker, const Bytes& body, int adjust = 0) {
    const int length = int(body.size()) + 2 + adjust;
    Bytes s{0xFF, marker, uint8_t(length >> 8), uint8_t(length)};
    for (const uint8_t byte : body) s.push_back(byte);   // byte by byte: GCC 12 takes a short insert for an overread
    return s;
}
Bytes Exif(const Bytes& tiff, int adjust = 0) {
    Bytes body{'E', 'x', 'i', 'f', 0, 0};
    for (const uint8_t byte : tiff) body.push_back(byte);
    return Segment(0xE1, body, adjust);
}
Bytes Jpeg(std::initializer_list<Bytes> segments, bool withEnd = true) {
    Bytes j{0xFF, 0xD8};
    for (const Bytes& s : segments)
        for (const uint8_t byte : s) j.push_back(byte);
    if (withEnd) j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

}  // namespace

// IFD0 as built, changed one way at a time: found in either byte order and
// among a count cut to the entries present, refused when anything is off.
TEST(ExifOrientation, TheTagOfABlockBuiltHere) {
    const struct { const char* what; void (*change)(Tiff&); int orientation; } cases[] = {
        {"as built", [](Tiff&) {}, 6},
        {"big-endian", [](Tiff& t) { t.little = false, t.value = 8; }, 8},
        {"a count of 65535", [](Tiff& t) { t.declaredCount = 0xFFFF; }, 6},
        {"IFD past the end", [](Tiff& t) { t.ifdOffset = 5000; }, 0},
        {"IFD offset near 4 GiB", [](Tiff& t) { t.ifdOffset = 0xFFFFFFF0u; }, 0},
        {"IFD inside the header", [](Tiff& t) { t.ifdOffset = 4; }, 0},
        {"count beyond the block", [](Tiff& t) { t.realEntries = 1; }, 0},
        {"LONG instead of SHORT", [](Tiff& t) { t.type = 4; }, 0},
        {"zero values", [](Tiff& t) { t.valueCount = 0; }, 0},
        {"value out of range", [](Tiff& t) { t.value = 9; }, 0},
    };
    for (const auto& c : cases) {
        Tiff t;
        c.change(t);
        EXPECT_EQ(ReadGuarded(Jpeg({Exif(MakeTiff(t))})), c.orientation) << c.what;
    }
    for (const size_t at : {size_t(0), size_t(2)}) {   // byte-order mark, magic number
        Bytes tiff = MakeTiff({});
        tiff[at] = 'X';
        EXPECT_EQ(ReadGuarded(Jpeg({Exif(tiff)})), 0) << at;
    }
}

// Segments: found past others and fill bytes, not past the start of scan;
// their lengths never trusted.
TEST(ExifOrientation, SegmentsAreWalkedWithoutTrustingThem) {
    const Bytes tiff = MakeTiff({}), exif = Exif(tiff),
        jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    EXPECT_EQ(ReadGuarded(Jpeg({jfif, Segment(0xE1, {'h', 't', 't', 'p', ':', 0}), Segment(0xE2, {}), exif})), 6);
    Bytes filled = Jpeg({jfif, exif});
    filled.insert(filled.begin() + 2, {0xFF, 0xFF, 0xFF});
    EXPECT_EQ(ReadGuarded(filled), 6);
    EXPECT_EQ(ReadGuarded(Jpeg({jfif, Segment(0xDA, {1, 2, 3}), exif})), 0);
    // Past the file, too short to cover themselves (stop, do not spin), ending inside the orientation entry.
    EXPECT_EQ(ReadGuarded(Jpeg({Exif(tiff, 40)}, false)), 0);
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE0, {}, -2), exif})), 0);
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE0, {}, -1), exif})), 0);
    EXPECT_EQ(ReadGuarded(Jpeg({Exif(tiff, -8)})), 0);
    for (const Bytes& other : {Bytes{}, Bytes{0xFF}, Bytes{0x89, 'P', 'N', 'G'}}) EXPECT_EQ(ReadGuarded(other), 0);
    EXPECT_EQ(ExifOrientationFromJpeg(nullptr, 100), 0);
    // Thousands of empty segments end the walk rather than running on.
    Bytes walk;
    for (int i = 0; i < 5000; ++i) walk.insert(walk.end(), {0xFF, 0xE3, 0x00, 0x02});
    EXPECT_EQ(ReadGuarded(Jpeg({walk, exif})), 0);
}

// Every prefix and thousands of corruptions of a good block: each answer is
// 0..8, and no read goes past the end (the guard page would fault).
TEST(ExifOrientation, TruncatedAndCorruptedBlocksStayInBounds) {
    const Bytes good = Jpeg({Exif(MakeTiff(Tiff{.little = false}))});
    for (size_t n = 0; n <= good.size(); ++n) {
        const int value = ReadGuarded(Bytes(good.begin(), good.begin() + n));
        EXPECT_TRUE(value == 0 || value == 6) << n;
    }
    uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        Bytes bad = good;
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            bad[2 + (seed >> 8) % (bad.size() - 2)] = uint8_t(seed >> 24);
        }
        const int value = ReadGuarded(bad);
        EXPECT_TRUE(value >= 0 && value <= 8);
    }
}
