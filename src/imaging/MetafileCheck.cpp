#include "imaging/MetafileCheck.h"

namespace {

// Enhanced metafile: the header record and its fields.
constexpr uint32_t kEmrHeader = 1;
constexpr uint32_t kEmrEof = 14;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kEmfSignatureAt = 40;
constexpr uint32_t kEmfHeaderMin = 88;           // up to and including the reference size in millimetres
constexpr uint32_t kEmfHeaderWithPixelFormat = 100;
constexpr uint32_t kEmfRecordMin = 8;
constexpr uint32_t kEmfEofMin = 20;

// Windows metafile: the optional placeable header, then the standard one.
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kWmfHeaderSize = 18;            // 9 words
constexpr uint32_t kWmfRecordMinWords = 3;
constexpr uint16_t kWmfEof = 0x0000;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
int64_t I32(const uint8_t* p) { return int32_t(U32(p)); }
int64_t I16(const uint8_t* p) { return int16_t(U16(p)); }

bool InCoordinateRange(int64_t v) { return v >= -kMaxMetafileCoordinate && v <= kMaxMetafileCoordinate; }

// left, top, right, bottom as four 32-bit values.
bool SaneRect(const uint8_t* p, int64_t maxExtent) {
    const int64_t left = I32(p), top = I32(p + 4), right = I32(p + 8), bottom = I32(p + 12);
    if (!InCoordinateRange(left) || !InCoordinateRange(top) || !InCoordinateRange(right) ||
        !InCoordinateRange(bottom))
        return false;
    return right >= left && bottom >= top && right - left <= maxExtent && bottom - top <= maxExtent;
}

// A field of `count` units of `unit` bytes at `offset` lies inside the first `limit` bytes.
bool FieldInside(uint64_t offset, uint64_t count, uint64_t unit, uint64_t limit) {
    return offset <= limit && count * unit <= limit - offset;
}

// Records that carry bitmaps: where a group of four fields stands (offset and
// size of the bitmap header, offset and size of the bits, from the record's
// start), where the colour-table kind of that bitmap stands, and the same for
// a second bitmap (the mask), 0 when there is none.
struct BitmapRecord {
    uint32_t type;
    uint32_t fields, usage;
    uint32_t maskFields, maskUsage;
};
constexpr BitmapRecord kBitmapRecords[] = {
    {76, 84, 80, 0, 0},      // bit block transfer
    {77, 84, 80, 0, 0},      // stretched block transfer
    {78, 84, 80, 112, 108},  // masked block transfer
    {79, 96, 92, 124, 120},  // parallelogram block transfer
    {80, 48, 64, 0, 0},      // bits to device
    {81, 48, 64, 0, 0},      // stretched bits
    {93, 16, 12, 0, 0},      // monochrome pattern brush
    {94, 16, 12, 0, 0},      // bitmap pattern brush
    {114, 84, 80, 0, 0},     // alpha blend
    {116, 84, 80, 0, 0},     // transparent blend
};

constexpr uint32_t kCoreHeader = 12, kInfoHeader = 40;
constexpr uint32_t kRgb = 0, kBitfields = 3, kPaletteColours = 1;

// One bitmap of a record: header, colour table and bits all inside the record,
// and bits enough for the size the header claims, so that no decoder reads
// past the record while it draws.
bool SaneBitmap(const uint8_t* record, uint32_t recordSize, uint32_t fields, uint32_t usageAt) {
    if (!FieldInside(fields, 4, 4, recordSize) || !FieldInside(usageAt, 1, 4, recordSize)) return false;
    const uint32_t headerAt = U32(record + fields), headerSize = U32(record + fields + 4);
    const uint32_t bitsAt = U32(record + fields + 8), bitsSize = U32(record + fields + 12);
    if (headerSize == 0 && bitsSize == 0) return true;   // a record without a source bitmap
    if (headerSize < kCoreHeader || !FieldInside(headerAt, headerSize, 1, recordSize) ||
        !FieldInside(bitsAt, bitsSize, 1, recordSize))
        return false;
    const uint8_t* header = record + headerAt;
    const uint32_t declaredHeader = U32(header);
    if (declaredHeader < kCoreHeader || declaredHeader > headerSize) return false;
    int64_t width, height;
    uint32_t bits, compression = kRgb, coloursUsed = 0;
    if (declaredHeader < kInfoHeader) {
        width = U16(header + 4);
        height = U16(header + 6);
        bits = U16(header + 10);
    } else {
        width = I32(header + 4);
        height = I32(header + 8);
        bits = U16(header + 14);
        compression = U32(header + 16);
        coloursUsed = U32(header + 32);
    }
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    if (width > kMaxMetafileDeviceExtent || height > kMaxMetafileDeviceExtent) return false;
    if (compression != kRgb && compression != kBitfields) return true;   // packed bits: their size is their own
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    const uint64_t entries = bits <= 8 ? (coloursUsed ? coloursUsed : uint64_t(1) << bits) : 0;
    const uint64_t entrySize = U32(record + usageAt) == kPaletteColours ? 2 : 4;
    const uint64_t masks = compression == kBitfields ? 12 : 0;
    if (!FieldInside(headerAt, declaredHeader + masks + entries * entrySize, 1, recordSize)) return false;
    const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
    return stride * uint64_t(height) <= bitsSize;
}

bool SaneBitmaps(const uint8_t* record, uint32_t type, uint32_t recordSize) {
    for (const BitmapRecord& kind : kBitmapRecords) {
        if (kind.type != type) continue;
        return SaneBitmap(record, recordSize, kind.fields, kind.usage) &&
               (kind.maskFields == 0 || SaneBitmap(record, recordSize, kind.maskFields, kind.maskUsage));
    }
    return true;
}

MetafileVerdict CheckEnhanced(const uint8_t* data, size_t size) {
    if (size < kEmfHeaderMin) return MetafileVerdict::BadHeader;
    const uint32_t headerSize = U32(data + 4);
    const uint64_t declared = U32(data + 48);
    if (headerSize < kEmfHeaderMin || headerSize % 4 != 0 || headerSize > size) return MetafileVerdict::BadHeader;
    if (declared > size) return MetafileVerdict::BadFileSize;
    if (declared < headerSize) return MetafileVerdict::BadHeader;

    // The description and the pixel format live inside the header record.
    const uint32_t descriptionChars = U32(data + 60), descriptionAt = U32(data + 64);
    if (descriptionChars != 0 &&
        (descriptionAt < kEmfHeaderMin || !FieldInside(descriptionAt, descriptionChars, 2, headerSize)))
        return MetafileVerdict::BadHeader;
    if (headerSize >= kEmfHeaderWithPixelFormat) {
        const uint32_t formatSize = U32(data + 88), formatAt = U32(data + 92);
        if (formatSize != 0 && (formatAt < kEmfHeaderMin || !FieldInside(formatAt, formatSize, 1, headerSize)))
            return MetafileVerdict::BadHeader;
    }
    // The decoder divides by the reference device's size.
    for (size_t at = 72; at < 88; at += 4) {
        const int64_t v = I32(data + at);
        if (v <= 0 || v > kMaxMetafileDeviceExtent) return MetafileVerdict::BadHeader;
    }
    if (!SaneRect(data + 8, kMaxMetafileDeviceExtent) || !SaneRect(data + 24, kMaxMetafileFrame))
        return MetafileVerdict::BadBounds;

    // The records, the header first, must tile the declared size exactly.
    uint64_t at = 0;
    uint32_t records = 0, lastType = 0, lastSize = 0;
    while (at < declared) {
        if (declared - at < kEmfRecordMin) return MetafileVerdict::BadRecord;
        const uint32_t recordSize = U32(data + at + 4);
        if (recordSize < kEmfRecordMin || recordSize % 4 != 0 || recordSize > declared - at)
            return MetafileVerdict::BadRecord;
        if (++records > kMaxMetafileRecords) return MetafileVerdict::TooManyRecords;
        lastType = U32(data + at);
        lastSize = recordSize;
        if (!SaneBitmaps(data + at, lastType, recordSize)) return MetafileVerdict::BadRecord;
        at += recordSize;
    }
    if (lastType != kEmrEof || lastSize < kEmfEofMin) return MetafileVerdict::NoEnd;
    return MetafileVerdict::Sound;
}

MetafileVerdict CheckWindows(const uint8_t* data, size_t size) {
    size_t start = 0;
    if (U32(data) == kPlaceableKey) {
        if (size < kPlaceableSize + kWmfHeaderSize) return MetafileVerdict::BadHeader;
        const int64_t left = I16(data + 6), top = I16(data + 8), right = I16(data + 10), bottom = I16(data + 12);
        const int64_t unitsPerInch = U16(data + 14);
        if (unitsPerInch == 0) return MetafileVerdict::BadHeader;
        // 2540 hundredths of a millimetre to the inch.
        if (right < left || bottom < top || (right - left) * 2540 > kMaxMetafileFrame * unitsPerInch ||
            (bottom - top) * 2540 > kMaxMetafileFrame * unitsPerInch)
            return MetafileVerdict::BadBounds;
        start = kPlaceableSize;
    }
    if (size - start < kWmfHeaderSize) return MetafileVerdict::BadHeader;
    const uint8_t* header = data + start;
    const uint16_t type = U16(header), headerWords = U16(header + 2), version = U16(header + 4);
    if (type < 1 || type > 2 || headerWords * 2u != kWmfHeaderSize || (version != 0x0100 && version != 0x0300))
        return MetafileVerdict::BadHeader;
    const uint64_t declaredWords = U32(header + 6), largestRecordWords = U32(header + 12);
    if (declaredWords * 2 > size - start) return MetafileVerdict::BadFileSize;
    if (declaredWords * 2 < kWmfHeaderSize || largestRecordWords > declaredWords) return MetafileVerdict::BadHeader;

    const uint64_t end = start + declaredWords * 2;
    uint64_t at = start + kWmfHeaderSize;
    uint32_t records = 0, lastWords = 0;
    uint16_t lastFunction = 0xFFFF;
    while (at < end) {
        if (end - at < kWmfRecordMinWords * 2) return MetafileVerdict::BadRecord;
        const uint64_t words = U32(data + at);
        if (words < kWmfRecordMinWords || words * 2 > end - at) return MetafileVerdict::BadRecord;
        if (++records > kMaxMetafileRecords) return MetafileVerdict::TooManyRecords;
        lastFunction = U16(data + at + 4);
        lastWords = uint32_t(words);
        at += words * 2;
    }
    if (lastFunction != kWmfEof || lastWords != kWmfRecordMinWords) return MetafileVerdict::NoEnd;
    return MetafileVerdict::Sound;
}

}  // namespace

MetafileKind MetafileKindOf(const uint8_t* data, size_t size) {
    if (!data) return MetafileKind::None;
    if (size >= kEmfSignatureAt + 4 && U32(data) == kEmrHeader && U32(data + kEmfSignatureAt) == kEmfSignature)
        return MetafileKind::Enhanced;
    if (size >= 4 && U32(data) == kPlaceableKey) return MetafileKind::Windows;
    // A bare standard header: memory (1) or disk (2) metafile, 9 words long.
    if (size >= 4 && (U16(data) == 1 || U16(data) == 2) && U16(data + 2) * 2u == kWmfHeaderSize)
        return MetafileKind::Windows;
    return MetafileKind::None;
}

MetafileVerdict CheckMetafile(const uint8_t* data, size_t size) {
    switch (MetafileKindOf(data, size)) {
    case MetafileKind::Enhanced: return CheckEnhanced(data, size);
    case MetafileKind::Windows: return CheckWindows(data, size);
    case MetafileKind::None: break;
    }
    return MetafileVerdict::NotMetafile;
}
