// The metafile check in front of the decoder: damaged headers, bounds,
// records and bitmaps are refused, and no check reads outside the bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/MetafileCheck.h"
#include "support/Pictures.h"

using namespace pictures;
using V = MetafileVerdict;

namespace {

// Judged with the bytes flush against a no-access page: a read past the end faults.
MetafileVerdict Judge(const Bytes& bytes) { const GuardedBytes g(bytes); return CheckMetafile(g.data, g.size); }

// Offsets in an enhanced metafile's header record, and GDI's 20-byte end record.
constexpr size_t kHeaderSize = 4, kBounds = 8, kFrame = 24, kFileSize = 48, kDescription = 60, kDevice = 72;
constexpr size_t kEofSize = 20;
// Offsets in the placeable form: its own header, then the standard one at 22.
constexpr size_t kBox = 6, kUnitsPerInch = 14, kStandard = 22, kFirst = 40;
// Fields of a stretched-bits record: header offset, bits offset and size.
constexpr size_t kBitmapHeaderAt = 48, kBitsAt = 56, kBitsSize = 60;
constexpr int32_t kExtent = int32_t(kMaxMetafileDeviceExtent);

size_t FirstRecord(const Bytes& emf) { return Get32(emf, kHeaderSize); }
void PutRect(Bytes& b, size_t at, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t sides[] = {left, top, right, bottom};
    for (size_t i = 0; i < 4; ++i) Put32(b, at + 4 * i, uint32_t(sides[i]));
}
// and declare the new size
void Resize(Bytes& b, size_t size) { b.resize(size), Put32(b, kFileSize, uint32_t(size)); }

// An enhanced metafile that draws a 4 x 4 bitmap; g_record is where that record starts.
size_t g_record = 0;
Bytes EmfWithBitmap() {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), 4, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const uint8_t pixels[4 * 12] = {};
    StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 4, 4, pixels, &info, DIB_RGB_COLORS, SRCCOPY);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    Bytes bytes(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bytes.size()), bytes.data());
    DeleteEnhMetaFile(emf);
    for (g_record = 0; g_record < bytes.size() && Get32(bytes, g_record) != 81;) g_record += Get32(bytes, g_record + 4);
    return bytes;
}

// A bare Windows metafile: GDI's header, `count` records of 3 words and the end record.
Bytes WmfWithTinyRecords(uint32_t count) {
    const Bytes made = MakeWmf(false);
    Bytes bytes(made.begin(), made.begin() + 18);
    for (uint32_t i = 0; i < count; ++i) bytes.insert(bytes.end(), {3, 0, 0, 0, 0x1E, 0});   // save the DC
    bytes.insert(bytes.end(), {3, 0, 0, 0, 0, 0});
    Put32(bytes, 6, uint32_t(bytes.size() / 2));
    return bytes;
}

}  // namespace

TEST(MetafileCheck, TellsMetafilesFromOtherFiles) {
    const Bytes emf = MakeEmf();
    Bytes notSigned = emf;
    notSigned[40] = 'X';   // the signature
    const struct { const char* what; Bytes bytes; MetafileKind kind; } cases[] = {
        {"enhanced", emf, MetafileKind::Enhanced},
        {"placeable", MakeWmf(true), MetafileKind::Windows},
        {"disk header only", {2, 0, 9, 0}, MetafileKind::Windows},
        {"enhanced cut before its signature", Bytes(emf.begin(), emf.begin() + 43), MetafileKind::None},
        {"enhanced without its signature", notSigned, MetafileKind::None},
        {"header of 8 words", {1, 0, 8, 0, 0, 3}, MetafileKind::None},
        {"PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, MetafileKind::None},
    };
    for (const auto& c : cases) {
        const GuardedBytes guarded(c.bytes);
        EXPECT_EQ(MetafileKindOf(guarded.data, guarded.size), c.kind) << c.what;
        EXPECT_TRUE(c.kind != MetafileKind::None || Judge(c.bytes) == V::NotMetafile) << c.what;
    }
    EXPECT_EQ(CheckMetafile(nullptr, 0), V::NotMetafile);
}

TEST(MetafileCheck, DamagedHeadersBoundsRecordsAndBitmaps) {
    const Bytes emf = MakeEmf(), wmf = MakeWmf(true), bitmap = EmfWithBitmap();
    ASSERT_LT(g_record, bitmap.size()) << "no stretched-bits record";
    const struct { const char* what; const Bytes& sound; void (*damage)(Bytes&); MetafileVerdict verdict; } cases[] = {
        {"as GDI wrote it", emf, [](Bytes&) {}, V::Sound},
        {"header short of its fields", emf, [](Bytes& b) { Put32(b, kHeaderSize, 84); }, V::BadHeader},
        {"description past the header", emf,
         [](Bytes& b) { Put32(b, kDescription, 0x80000000); Put32(b, kDescription + 4, 88); }, V::BadHeader},
        {"device of no pixels", emf, [](Bytes& b) { Put32(b, kDevice, 0); }, V::BadHeader},
        {"declared size inside the header", emf, [](Bytes& b) { Put32(b, kFileSize, 88); }, V::BadHeader},
        {"declared size a word past the end", emf, [](Bytes& b) { Put32(b, kFileSize, uint32_t(b.size() + 4)); },
         V::BadFileSize},
        {"cut short by a word", emf, [](Bytes& b) { b.resize(b.size() - 4); }, V::BadFileSize},
        {"bounds over 32 bits", emf, [](Bytes& b) { PutRect(b, kBounds, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); },
         V::BadBounds},
        {"bounds of the widest extent", emf, [](Bytes& b) { PutRect(b, kBounds, -kExtent / 2, 0, kExtent / 2, 15); },
         V::Sound},
        {"bounds a pixel wider", emf, [](Bytes& b) { PutRect(b, kBounds, -kExtent / 2, 0, kExtent / 2 + 1, 15); },
         V::BadBounds},
        {"frame of 100 m", emf, [](Bytes& b) { PutRect(b, kFrame, 0, 0, 10'000'000, 396); }, V::Sound},
        {"frame of 300 m", emf, [](Bytes& b) { PutRect(b, kFrame, 0, 0, 30'000'000, 396); }, V::BadBounds},
        {"record of size 0", emf, [](Bytes& b) { Put32(b, FirstRecord(b) + 4, 0); }, V::BadRecord},
        {"record past the end", emf, [](Bytes& b) { Put32(b, FirstRecord(b) + 4, 0x7FFFFFF0); }, V::BadRecord},
        {"no end record", emf, [](Bytes& b) { Resize(b, b.size() - kEofSize); }, V::NoEnd},
        {"bits past the record", bitmap, [](Bytes& b) { Put32(b, g_record + kBitsAt, Get32(b, g_record + 4)); },
         V::BadRecord},
        {"bitmap header past the record", bitmap, [](Bytes& b) { Put32(b, g_record + kBitmapHeaderAt, 0xFFFFFFF0); },
         V::BadRecord},
        {"a huge width", bitmap,
         [](Bytes& b) { Put32(b, g_record + Get32(b, g_record + kBitmapHeaderAt) + 4, 0x7FFFFFFF); }, V::BadRecord},
        {"no bitmap at all", bitmap,
         [](Bytes& b) { for (size_t f = kBitmapHeaderAt; f <= kBitsSize; f += 4) Put32(b, g_record + f, 0); },
             V::Sound},
        {"no units to the inch", wmf, [](Bytes& b) { Put16(b, kUnitsPerInch, 0); }, V::BadHeader},
        {"16-bit box at 1 to the inch", wmf,
         [](Bytes& b) { Put16(b, kBox, 0x8000); Put16(b, kBox + 4, 0x7FFF); Put16(b, kUnitsPerInch, 1); },
             V::BadBounds},
        {"16-bit box at 1440 to the inch", wmf,
         [](Bytes& b) { Put16(b, kBox, 0x8000); Put16(b, kBox + 4, 0x7FFF); Put16(b, kUnitsPerInch, 1440); }, V::Sound},
        {"largest record too large", wmf, [](Bytes& b) { Put32(b, kStandard + 12, 0xFFFFFFFF); }, V::BadHeader},
        {"Windows record of size 0", wmf, [](Bytes& b) { Put32(b, kFirst, 0); }, V::BadRecord},
        {"no Windows end record", wmf,
         [](Bytes& b) { b.resize(b.size() - 6); Put32(b, kStandard + 6, Get32(b, kStandard + 6) - 3); }, V::NoEnd},
    };
    for (const auto& c : cases) {
        Bytes bytes = c.sound;
        c.damage(bytes);
        EXPECT_EQ(Judge(bytes), c.verdict) << c.what;
    }
}

TEST(MetafileCheck, RecordCountIsCapped) {
    // Enhanced metafiles count their header and end record; Windows ones not the header.
    EXPECT_EQ(Judge(EmfWithTinyRecords(kMaxMetafileRecords - 2)), V::Sound);
    EXPECT_EQ(Judge(EmfWithTinyRecords(kMaxMetafileRecords - 1)), V::TooManyRecords);
    EXPECT_EQ(Judge(WmfWithTinyRecords(kMaxMetafileRecords - 1)), V::Sound);
    EXPECT_EQ(Judge(WmfWithTinyRecords(kMaxMetafileRecords)), V::TooManyRecords);
    const Bytes million = EmfWithTinyRecords(1'000'000);
    const DWORD start = GetTickCount();
    EXPECT_EQ(Judge(million), V::TooManyRecords);
    EXPECT_LT(GetTickCount() - start, 1000u) << "the count stops at the cap";
}

// Every cut and every byte overwritten: never a read outside the bytes, and
// a cut file is never sound.
TEST(MetafileCheck, DamagedAnywhereStaysInsideTheBytes) {
    for (const Bytes& sound : {MakeEmf(), MakeWmf(true), MakeWmf(false)}) {
        for (size_t cut = 0; cut < sound.size(); ++cut)
            EXPECT_NE(Judge(Bytes(sound.begin(), sound.begin() + cut)), V::Sound) << "cut at " << cut;
        for (size_t at = 0; at < sound.size(); ++at)
            for (const uint8_t value : {0x00, 0x7F, 0xFF}) {
                Bytes bytes = sound;
                bytes[at] = value;
                Judge(bytes);
            }
    }
}
