#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/ExifOrientation.h"
#include "imaging/ImagingTestSupport.h"

using imagingtest::GuardedBytes;
using Bytes = std::vector<uint8_t>;

namespace {

int ReadGuarded(const Bytes& bytes) {
    GuardedBytes guarded(bytes);
    return ExifOrientationFromJpeg(guarded.data(), guarded.size());
}

// Appends byte by byte (GCC 12 misreads vector::insert of short lists as overreads).
void Append(Bytes& to, const Bytes& more) {
    for (uint8_t b : more) to.push_back(b);
}

void Put16(Bytes& b, uint16_t v, bool little) {
    b.push_back(little ? uint8_t(v) : uint8_t(v >> 8));
    b.push_back(little ? uint8_t(v >> 8) : uint8_t(v));
}
void Put32(Bytes& b, uint32_t v, bool little) {
    if (little) {
        Put16(b, uint16_t(v), true);
        Put16(b, uint16_t(v >> 16), true);
    } else {
        Put16(b, uint16_t(v >> 16), false);
        Put16(b, uint16_t(v), false);
    }
}

struct TiffLayout {
    bool little = true;
    uint32_t ifdOffset = 8;
    uint16_t declaredCount = 2;   // entries the IFD claims
    int realEntries = 2;          // entries actually written
    uint16_t type = 3;            // SHORT
    uint32_t valueCount = 1;
    uint16_t value = 6;
};

// A TIFF block with IFD0 = { 0x010F Make (ASCII, inline "Ox"), 0x0112 Orientation }.
Bytes MakeTiff(const TiffLayout& s) {
    Bytes t;
    t.push_back(s.little ? 'I' : 'M');
    t.push_back(s.little ? 'I' : 'M');
    Put16(t, 42, s.little);
    Put32(t, s.ifdOffset, s.little);
    Put16(t, s.declaredCount, s.little);
    if (s.realEntries >= 1) {
        Put16(t, 0x010F, s.little);
        Put16(t, 2, s.little);
        Put32(t, 3, s.little);
        Append(t, {'O', 'x', 0, 0});
    }
    if (s.realEntries >= 2) {
        Put16(t, 0x0112, s.little);
        Put16(t, s.type, s.little);
        Put32(t, s.valueCount, s.little);
        Put16(t, s.value, s.little);
        Put16(t, 0, s.little);
    }
    Put32(t, 0, s.little);  // no next IFD
    return t;
}

Bytes Segment(uint8_t marker, const Bytes& body, int lengthAdjust = 0) {
    Bytes s{0xFF, marker};
    const int length = int(body.size()) + 2 + lengthAdjust;
    s.push_back(uint8_t(length >> 8));
    s.push_back(uint8_t(length));
    Append(s, body);
    return s;
}

Bytes ExifBody(const Bytes& tiff) {
    Bytes body{'E', 'x', 'i', 'f', 0, 0};
    Append(body, tiff);
    return body;
}

Bytes Jpeg(std::initializer_list<Bytes> segments, bool withEnd = true) {
    Bytes j{0xFF, 0xD8};
    for (const Bytes& s : segments) Append(j, s);
    if (withEnd) Append(j, {0xFF, 0xD9});
    return j;
}

Bytes WellFormed(uint16_t value = 6, bool little = true) {
    TiffLayout layout;
    layout.value = value;
    layout.little = little;
    return Jpeg({Segment(0xE1, ExifBody(MakeTiff(layout)))});
}

}  // namespace

// Files written by ImageMagick and exiftool, in both TIFF byte orders.
TEST(ExifOrientation, ReadsEveryOrientationFromRealFilesInBothByteOrders) {
    for (int n = 1; n <= 8; ++n) {
        for (const wchar_t* order : {L"ii", L"mm"}) {
            const std::wstring name = L"exif\\o" + std::to_wstring(n) + L"-" + order + L".jpg";
            EXPECT_EQ(ExifOrientationFromFile(DataPath(name).c_str()), n) << std::string(name.begin(), name.end());
            const Bytes bytes = imagingtest::ByteVector(DataPath(name));
            ASSERT_FALSE(bytes.empty());
            EXPECT_EQ(ReadGuarded(bytes), n);
        }
    }
    EXPECT_EQ(ExifOrientationFromFile(DataPath(L"exif\\plain.jpg").c_str()), 0);
    EXPECT_EQ(ExifOrientationFromFile(DataPath(L"formats\\bits32.png").c_str()), 0);
    EXPECT_EQ(ExifOrientationFromFile(L"Z:\\no\\such\\file.jpg"), 0);
}

TEST(ExifOrientation, FindsTheTagPastOtherSegmentsAndFillBytes) {
    EXPECT_EQ(ReadGuarded(WellFormed(6, true)), 6);
    EXPECT_EQ(ReadGuarded(WellFormed(8, false)), 8);

    TiffLayout layout;
    layout.value = 3;
    const Bytes exif = Segment(0xE1, ExifBody(MakeTiff(layout)));
    const Bytes jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    const Bytes xmp = Segment(0xE1, {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0});
    const Bytes empty = Segment(0xE2, {});
    EXPECT_EQ(ReadGuarded(Jpeg({jfif, xmp, empty, exif})), 3);

    // Fill bytes before a marker are allowed.
    const Bytes withFill = Jpeg({jfif, exif});
    Bytes padded{0xFF, 0xD8, 0xFF, 0xFF, 0xFF};
    Append(padded, Bytes(withFill.begin() + 2, withFill.end()));
    EXPECT_EQ(ReadGuarded(padded), 3);

    // EXIF after the start of scan data is not metadata.
    const Bytes sos = Segment(0xDA, {1, 2, 3});
    EXPECT_EQ(ReadGuarded(Jpeg({jfif, sos, exif})), 0);
}

TEST(ExifOrientation, DamagedStructureGivesNoOrientation) {
    struct Case {
        const char* what;
        TiffLayout layout;
    };
    std::vector<Case> cases;
    TiffLayout s;
    s.ifdOffset = 5000;            cases.push_back({"IFD past the end", s});
    s = {}; s.ifdOffset = 0xFFFFFFF0u; cases.push_back({"IFD offset near 4 GiB", s});
    s = {}; s.ifdOffset = 4;        cases.push_back({"IFD inside the header", s});
    s = {}; s.ifdOffset = 0;        cases.push_back({"IFD at the header itself", s});
    s = {}; s.declaredCount = 2; s.realEntries = 1; cases.push_back({"count beyond the block", s});
    s = {}; s.type = 4;             cases.push_back({"LONG instead of SHORT", s});
    s = {}; s.valueCount = 0;       cases.push_back({"zero values", s});
    s = {}; s.value = 9;            cases.push_back({"value out of range", s});
    s = {}; s.value = 0;            cases.push_back({"value zero", s});
    for (const Case& c : cases) {
        const Bytes jpeg = Jpeg({Segment(0xE1, ExifBody(MakeTiff(c.layout)))});
        EXPECT_EQ(ReadGuarded(jpeg), 0) << c.what;
    }

    // A count of 65535 is cut to the entries present; the real tag is still found.
    s = {};
    s.declaredCount = 0xFFFF;
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE1, ExifBody(MakeTiff(s)))})), 6);

    // Bad byte-order mark or magic number.
    Bytes tiff = MakeTiff({});
    tiff[0] = 'X';
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE1, ExifBody(tiff))})), 0);
    tiff = MakeTiff({});
    tiff[2] = 43;
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE1, ExifBody(tiff))})), 0);
}

TEST(ExifOrientation, SegmentLengthsAreNeverTrusted) {
    const Bytes body = ExifBody(MakeTiff({}));
    // Claims more bytes than the file has.
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE1, body, 40)}, false)), 0);
    // Lengths 0 and 1 cannot even cover the length field: stop, do not spin.
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE0, {}, -2), Segment(0xE1, body)})), 0);
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE0, {}, -1), Segment(0xE1, body)})), 0);
    // A segment length that ends inside the orientation entry: the bytes after
    // it are in the file, but they belong to no segment and are not read as one.
    EXPECT_EQ(ReadGuarded(Jpeg({Segment(0xE1, body, -8)})), 0);
    // Not a JPEG, or nothing at all.
    EXPECT_EQ(ReadGuarded({}), 0);
    EXPECT_EQ(ReadGuarded({0xFF}), 0);
    EXPECT_EQ(ReadGuarded({0x89, 'P', 'N', 'G'}), 0);
    EXPECT_EQ(ExifOrientationFromJpeg(nullptr, 100), 0);
    // Thousands of empty segments end the walk rather than running on.
    Bytes many{0xFF, 0xD8};
    for (int i = 0; i < 5000; ++i) Append(many, {0xFF, 0xE3, 0x00, 0x02});
    const Bytes tail = Segment(0xE1, body);
    Append(many, tail);
    EXPECT_EQ(ReadGuarded(many), 0);
}

// Every prefix and many single-byte corruptions of a good block: each answer is
// 0..8, and no read goes past the end (the guard page would fault).
TEST(ExifOrientation, TruncatedAndCorruptedBlocksStayInBounds) {
    const Bytes good = WellFormed(6, false);
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
