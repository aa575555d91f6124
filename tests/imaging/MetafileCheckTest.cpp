#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/ImagingTestSupport.h"
#include "imaging/MetafileCheck.h"

using imagingtest::Get32;
using imagingtest::GuardedBytes;
using imagingtest::Put16;
using imagingtest::Put32;
using Bytes = std::vector<uint8_t>;
using V = MetafileVerdict;

namespace {

// Judged with the bytes flush against a no-access page: a read past the end faults.
MetafileVerdict Judge(const Bytes& bytes) {
    const GuardedBytes guarded(bytes);
    return CheckMetafile(guarded.data(), guarded.size());
}

struct Damage {
    const char* what;
    void (*apply)(Bytes&);
    MetafileVerdict verdict;
};

void ExpectVerdicts(const Bytes& sound, const std::vector<Damage>& cases) {
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = sound;
        c.apply(bytes);
        EXPECT_EQ(Judge(bytes), c.verdict);
    }
}

// Offsets in an enhanced metafile's header record.
constexpr size_t kHeaderSize = 4, kBounds = 8, kFrame = 24, kFileSize = 48, kDescription = 60, kDevice = 72;
// GDI's end record carries no palette: 20 bytes.
constexpr size_t kEofSize = 20;
// The first record after the header.
size_t FirstRecord(const Bytes& emf) { return Get32(emf, kHeaderSize); }

void PutRect(Bytes& b, size_t at, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Put32(b, at, uint32_t(left));
    Put32(b, at + 4, uint32_t(top));
    Put32(b, at + 8, uint32_t(right));
    Put32(b, at + 12, uint32_t(bottom));
}

constexpr int32_t kExtent = int32_t(kMaxMetafileDeviceExtent);

// A bare Windows metafile: GDI's header, `count` records of 3 words and the end record.
Bytes WmfWithTinyRecords(uint32_t count) {
    const Bytes made = imagingtest::MakeWmf(false);
    Bytes bytes(made.begin(), made.begin() + 18);
    for (uint32_t i = 0; i < count; ++i) bytes.insert(bytes.end(), {3, 0, 0, 0, 0x1E, 0});  // save the DC
    bytes.insert(bytes.end(), {3, 0, 0, 0, 0, 0});
    Put32(bytes, 6, uint32_t(bytes.size() / 2));
    return bytes;
}

}  // namespace

TEST(MetafileCheckTest, TellsMetafilesFromOtherFiles) {
    const Bytes emf = imagingtest::MakeEmf();
    Bytes notSigned = emf;
    notSigned[40] = 'X';
    const struct {
        const char* what;
        Bytes bytes;
        MetafileKind kind;
    } cases[] = {
        {"enhanced", emf, MetafileKind::Enhanced},
        {"placeable", imagingtest::MakeWmf(true), MetafileKind::Windows},
        {"bare Windows", imagingtest::MakeWmf(false), MetafileKind::Windows},
        {"disk header only", {2, 0, 9, 0}, MetafileKind::Windows},
        {"enhanced cut before its signature", Bytes(emf.begin(), emf.begin() + 43), MetafileKind::None},
        {"enhanced without its signature", notSigned, MetafileKind::None},
        {"header of 8 words", {1, 0, 8, 0, 0, 3}, MetafileKind::None},
        {"type 3", {3, 0, 9, 0, 0, 3}, MetafileKind::None},
        {"PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, MetafileKind::None},
        {"empty", {}, MetafileKind::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const GuardedBytes guarded(c.bytes);
        EXPECT_EQ(MetafileKindOf(guarded.data(), guarded.size()), c.kind);
        if (c.kind == MetafileKind::None) {
            EXPECT_EQ(CheckMetafile(guarded.data(), guarded.size()), V::NotMetafile);
        }
    }
    EXPECT_EQ(CheckMetafile(nullptr, 0), V::NotMetafile);
}

TEST(MetafileCheckTest, EnhancedHeaderAndBounds) {
    ExpectVerdicts(imagingtest::MakeEmf(), {
        {"as GDI wrote it", [](Bytes&) {}, V::Sound},
        {"bytes after the declared end are ignored", [](Bytes& b) { b.resize(b.size() + 6, 0xEE); }, V::Sound},
        {"header size short of the fixed fields", [](Bytes& b) { Put32(b, kHeaderSize, 84); }, V::BadHeader},
        {"header size not a multiple of 4", [](Bytes& b) { Put32(b, kHeaderSize, Get32(b, kHeaderSize) + 2); },
         V::BadHeader},
        {"header size past the file", [](Bytes& b) { Put32(b, kHeaderSize, 0xFFFFFFFC); }, V::BadHeader},
        {"description past the header",
         [](Bytes& b) {
             Put32(b, kDescription, 0x80000000);
             Put32(b, kDescription + 4, 88);
         },
         V::BadHeader},
        {"reference device of no pixels", [](Bytes& b) { Put32(b, kDevice, 0); }, V::BadHeader},
        {"declared size a word past the end", [](Bytes& b) { Put32(b, kFileSize, uint32_t(b.size() + 4)); },
         V::BadFileSize},
        {"declared size near 4 GiB", [](Bytes& b) { Put32(b, kFileSize, 0xFFFFFFFC); }, V::BadFileSize},
        {"cut short by a word", [](Bytes& b) { b.resize(b.size() - 4); }, V::BadFileSize},
        {"declared size inside the header", [](Bytes& b) { Put32(b, kFileSize, 88); }, V::BadHeader},
        {"bounds across the whole 32-bit range",
         [](Bytes& b) { PutRect(b, kBounds, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }, V::BadBounds},
        {"bounds with right below left", [](Bytes& b) { PutRect(b, kBounds, 10, 0, 9, 15); }, V::BadBounds},
        {"bounds with bottom above top", [](Bytes& b) { PutRect(b, kBounds, 0, 0, 31, -1); }, V::BadBounds},
        {"bounds of the widest extent", [](Bytes& b) { PutRect(b, kBounds, -kExtent / 2, 0, kExtent / 2, 15); },
         V::Sound},
        {"bounds a pixel wider", [](Bytes& b) { PutRect(b, kBounds, -kExtent / 2, 0, kExtent / 2 + 1, 15); },
         V::BadBounds},
        {"bounds far from the origin", [](Bytes& b) { PutRect(b, kBounds, INT32_MAX - 31, 0, INT32_MAX, 15); },
         V::BadBounds},
        {"frame across the whole 32-bit range",
         [](Bytes& b) { PutRect(b, kFrame, INT32_MIN + 1, 0, INT32_MAX, 396); }, V::BadBounds},
        {"frame of 100 m", [](Bytes& b) { PutRect(b, kFrame, 0, 0, 10'000'000, 396); }, V::Sound},
        {"frame of 300 m", [](Bytes& b) { PutRect(b, kFrame, 0, 0, 30'000'000, 396); }, V::BadBounds},
    });
}

TEST(MetafileCheckTest, EnhancedRecords) {
    ExpectVerdicts(imagingtest::MakeEmf(), {
        {"record of size 0", [](Bytes& b) { Put32(b, FirstRecord(b) + 4, 0); }, V::BadRecord},
        {"record size not a multiple of 4",
         [](Bytes& b) { Put32(b, FirstRecord(b) + 4, Get32(b, FirstRecord(b) + 4) + 2); }, V::BadRecord},
        {"record size past the end", [](Bytes& b) { Put32(b, FirstRecord(b) + 4, 0x7FFFFFF0); }, V::BadRecord},
        {"record size wrapping at 4 GiB", [](Bytes& b) { Put32(b, FirstRecord(b) + 4, 0xFFFFFFFC); }, V::BadRecord},
        {"half a record after the end record",
         [](Bytes& b) {
             b.resize(b.size() + 4);
             Put32(b, kFileSize, uint32_t(b.size()));
         },
         V::BadRecord},
        {"no end record",
         [](Bytes& b) {
             b.resize(b.size() - kEofSize);
             Put32(b, kFileSize, uint32_t(b.size()));
         },
         V::NoEnd},
        {"a record after the end record",
         [](Bytes& b) {
             b.insert(b.end(), {0x11, 0, 0, 0, 12, 0, 0, 0, 1, 0, 0, 0});
             Put32(b, kFileSize, uint32_t(b.size()));
         },
         V::NoEnd},
    });
}

// An enhanced metafile that draws a 4 x 4 bitmap, and where that record starts.
Bytes EmfWithBitmap(size_t& record) {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const uint8_t pixels[4 * 12] = {};
    StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, &info, DIB_RGB_COLORS, SRCCOPY);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    for (record = 0; record < bytes.size() && Get32(bytes, record) != 81; record += Get32(bytes, record + 4)) {
    }
    return bytes;
}

// A bitmap in a record keeps its header, colours and bits inside the record.
TEST(MetafileCheckTest, BitmapsStayInsideTheirRecords) {
    size_t at = 0;
    const Bytes sound = EmfWithBitmap(at);
    ASSERT_LT(at, sound.size()) << "no stretched-bits record";
    ASSERT_EQ(Judge(sound), V::Sound);
    static size_t record;
    record = at;
    // Field offsets in the stretched-bits record: header offset and size, bits offset and size.
    constexpr size_t kHeaderAt = 48, kBitsAt = 56, kBitsSize = 60;
    ExpectVerdicts(sound, {
        {"bits past the record", [](Bytes& b) { Put32(b, record + kBitsAt, Get32(b, record + 4)); }, V::BadRecord},
        {"fewer bits than the size needs", [](Bytes& b) { Put32(b, record + kBitsSize, 4); }, V::BadRecord},
        {"header past the record", [](Bytes& b) { Put32(b, record + kHeaderAt, 0xFFFFFFF0); }, V::BadRecord},
        {"a huge width", [](Bytes& b) { Put32(b, record + Get32(b, record + kHeaderAt) + 4, 0x7FFFFFFF); },
         V::BadRecord},
        {"an odd pixel depth", [](Bytes& b) { Put16(b, record + Get32(b, record + kHeaderAt) + 14, 7); },
         V::BadRecord},
        {"no bitmap at all", [](Bytes& b) {
             for (size_t f = kHeaderAt; f <= kBitsSize; f += 4) Put32(b, record + f, 0);
         }, V::Sound},
    });
}

TEST(MetafileCheckTest, RecordCountIsCapped) {
    // Counting the header and the end record.
    EXPECT_EQ(Judge(imagingtest::EmfWithTinyRecords(kMaxMetafileRecords - 2)), V::Sound);
    EXPECT_EQ(Judge(imagingtest::EmfWithTinyRecords(kMaxMetafileRecords - 1)), V::TooManyRecords);
    const Bytes million = imagingtest::EmfWithTinyRecords(1'000'000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Judge(million), V::TooManyRecords);
    EXPECT_LT(GetTickCount() - start, 1000u);
    // Not counting the header.
    EXPECT_EQ(Judge(WmfWithTinyRecords(kMaxMetafileRecords - 1)), V::Sound);
    EXPECT_EQ(Judge(WmfWithTinyRecords(kMaxMetafileRecords)), V::TooManyRecords);
}

TEST(MetafileCheckTest, WindowsMetafiles) {
    // Offsets in the placeable form: its own header, then the standard one at 22.
    constexpr size_t kBox = 6, kUnitsPerInch = 14, kStandard = 22, kFirst = 40;
    EXPECT_EQ(Judge(imagingtest::MakeWmf(false)), V::Sound);
    ExpectVerdicts(imagingtest::MakeWmf(true), {
        {"as made", [](Bytes&) {}, V::Sound},
        {"no units to the inch", [](Bytes& b) { Put16(b, kUnitsPerInch, 0); }, V::BadHeader},
        {"box reversed", [](Bytes& b) { Put16(b, kBox + 4, uint16_t(-1)); }, V::BadBounds},
        {"box of 16-bit extremes at one unit to the inch",
         [](Bytes& b) {
             Put16(b, kBox, 0x8000);
             Put16(b, kBox + 4, 0x7FFF);
             Put16(b, kUnitsPerInch, 1);
         },
         V::BadBounds},
        {"box of 16-bit extremes at 1440 to the inch",
         [](Bytes& b) {
             Put16(b, kBox, 0x8000);
             Put16(b, kBox + 4, 0x7FFF);
             Put16(b, kUnitsPerInch, 1440);
         },
         V::Sound},
        {"standard header of 8 words", [](Bytes& b) { Put16(b, kStandard + 2, 8); }, V::BadHeader},
        {"unknown version", [](Bytes& b) { Put16(b, kStandard + 4, 0x0200); }, V::BadHeader},
        {"declared size past the end", [](Bytes& b) { Put32(b, kStandard + 6, 0x7FFFFFFF); }, V::BadFileSize},
        {"largest record past the declared size", [](Bytes& b) { Put32(b, kStandard + 12, 0xFFFFFFFF); },
         V::BadHeader},
        {"record of size 0", [](Bytes& b) { Put32(b, kFirst, 0); }, V::BadRecord},
        {"record size past the end", [](Bytes& b) { Put32(b, kFirst, 0x7FFFFFFF); }, V::BadRecord},
        {"no end record",
         [](Bytes& b) {
             b.resize(b.size() - 6);
             Put32(b, kStandard + 6, Get32(b, kStandard + 6) - 3);
         },
         V::NoEnd},
    });
}

// Every cut and every byte overwritten: never a read outside the bytes, and
// a cut file is never sound.
TEST(MetafileCheckTest, DamagedAnywhereStaysInsideTheBytes) {
    for (const Bytes& sound : {imagingtest::MakeEmf(), imagingtest::MakeWmf(true), imagingtest::MakeWmf(false)}) {
        for (size_t cut = 0; cut < sound.size(); ++cut) {
            EXPECT_NE(Judge(Bytes(sound.begin(), sound.begin() + cut)), V::Sound) << "cut at " << cut;
        }
        for (size_t at = 0; at < sound.size(); ++at) {
            for (const uint8_t value : {0x00, 0x7F, 0xFF}) {
                Bytes bytes = sound;
                bytes[at] = value;
                Judge(bytes);
            }
        }
    }
}
