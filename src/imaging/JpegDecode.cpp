#include "imaging/JpegDecode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>   // jpeglib.h needs FILE
#include <cstdlib>
#include <limits>
#include <new>

// jpeglib.h first: its configuration decides which messages jerror.h lists.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/PictureHeader.h"

namespace {

constexpr int kScales[] = {8, 4, 2};
constexpr unsigned kIccMarker = JPEG_APP0 + 2;

uint32_t ScaledSide(uint32_t full, int denominator) { return (full + uint32_t(denominator) - 1) / uint32_t(denominator); }

// The library reports errors through this: an error jumps back to the stage
// that was running, and a warning that means lost or made-up pixels counts as
// one too. Warnings about things around the pixels (stray bytes between
// markers, an unknown JFIF revision or Adobe transform code, a bad colour
// profile marker) let the picture through, as they do everywhere else.
struct ErrorTrap {
    jpeg_error_mgr manager;   // first: the library hands back a pointer to it
    std::jmp_buf jump;
};

[[noreturn]] void Fail(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }

bool DamagesPixels(int code) {
    switch (code) {
    case JWRN_JPEG_EOF:            // the data ends before the picture does
    case JWRN_HIT_MARKER:          // a Huffman-coded scan cut short (by a marker or the end)
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:         // restart markers out of order
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:   // a progressive scan out of order
        return true;
    default:
        return false;
    }
}

void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;   // trace messages
    ++info->err->num_warnings;
    if (DamagesPixels(info->err->msg_code)) Fail(info);
}

void Silent(j_common_ptr) {}

// The bytes as the library reads them. Past their end it is given an end
// marker, silently: whether that cost any pixels is judged after the decode.
struct Source {
    jpeg_source_mgr manager;   // first: the library hands back a pointer to it
    bool ranDry;
};

const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};

void StartSource(j_decompress_ptr) {}
void EndSource(j_decompress_ptr) {}

boolean RunDry(j_decompress_ptr info) {
    auto* source = reinterpret_cast<Source*>(info->src);
    source->ranDry = true;
    source->manager.next_input_byte = kEndMarker;
    source->manager.bytes_in_buffer = sizeof kEndMarker;
    return TRUE;
}

void Skip(j_decompress_ptr info, long count) {
    jpeg_source_mgr& manager = *info->src;
    if (count <= 0) return;
    if (size_t(count) > manager.bytes_in_buffer) {
        RunDry(info);
        return;
    }
    manager.next_input_byte += count;
    manager.bytes_in_buffer -= size_t(count);
}

// One decompression, destroyed whatever happened to it.
struct Session {
    jpeg_decompress_struct info{};
    ErrorTrap trap{};
    Source source{};
    bool created = false;
    ~Session() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

// The stages that call into the library. Each holds the setjmp its errors jump
// back to, and nothing with a destructor lives in their frames.
bool ReadHeader(Session& s, const uint8_t* bytes, size_t size, long maxMemory) {
    s.info.err = jpeg_std_error(&s.trap.manager);
    s.trap.manager.error_exit = Fail;
    s.trap.manager.emit_message = OnMessage;
    s.trap.manager.output_message = Silent;
    if (setjmp(s.trap.jump)) return false;
    jpeg_create_decompress(&s.info);
    s.created = true;
    s.info.mem->max_memory_to_use = maxMemory;
    s.source.manager = {bytes, size, StartSource, RunDry, Skip, jpeg_resync_to_restart, EndSource};
    s.info.src = &s.source.manager;
    jpeg_save_markers(&s.info, kIccMarker, 0xFFFF);
    return jpeg_read_header(&s.info, TRUE) == JPEG_HEADER_OK;
}

bool CalcOutputSize(Session& s) {
    if (setjmp(s.trap.jump)) return false;
    jpeg_calc_output_dimensions(&s.info);
    return true;
}

bool ReadIccProfile(Session& s, JOCTET** profile, unsigned* length) {
    if (setjmp(s.trap.jump)) return false;
    return jpeg_read_icc_profile(&s.info, profile, length);
}

bool Start(Session& s) {
    if (setjmp(s.trap.jump)) return false;
    return jpeg_start_decompress(&s.info);
}

// `done`, when given, is told of the rows read (up to each 64th row, and at the end).
bool ReadRows(Session& s, uint8_t* pixels, size_t stride, const PixelRequest& request, const DecodedPixels* done) {
    if (setjmp(s.trap.jump)) return false;
    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    while (s.info.output_scanline < s.info.output_height) {
        const JDIMENSION first = s.info.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kBatch, s.info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i) rows[i] = pixels + (first + i) * stride;
        if (jpeg_read_scanlines(&s.info, rows, count) == 0) return false;
        const JDIMENSION read = s.info.output_scanline;
        if (done && (read % 64 == 0 || read == s.info.output_height)) request.rowsDone(request.rowsContext, *done, read);
    }
    return true;
}

uint8_t Product(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// CMYK rows, as the library gives them, into BGRA in place. Adobe's programs
// store CMYK inverted (0 is full ink) and mark such files with their APP14
// marker; YCCK comes out of the library in the same inverted form.
void CmykToBgra(uint8_t* pixels, size_t count, bool inverted) {
    for (uint8_t *p = pixels, *end = pixels + count * 4; p != end; p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        p[0] = Product(y, k);
        p[1] = Product(m, k);
        p[2] = Product(c, k);
        p[3] = 255;
    }
}

}  // namespace

int JpegScaleFor(uint32_t fullWidth, uint32_t fullHeight, uint32_t targetWidth, uint32_t targetHeight) {
    if (targetWidth == 0 || targetHeight == 0) return 1;
    for (const int denominator : kScales)
        if (ScaledSide(fullWidth, denominator) >= targetWidth && ScaledSide(fullHeight, denominator) >= targetHeight)
            return denominator;
    return 1;
}

DecodedPixels DecodeJpeg(const uint8_t* bytes, size_t size, const PixelRequest& request) {
    DecodedPixels out;
    if (!bytes || size < 4 || FormatOf(bytes, size) != PictureFormat::Jpeg) return out;
    // A frame claiming more pixels than the file could ever code is refused unread.
    if (JudgeHeader(bytes, size, size, UINT64_MAX) == HeaderVerdict::Damaged) return out;

    Session s;
    // The library's working memory: 8 bytes a pixel of the budget (a progressive
    // CMYK file's coefficients) and room for its tables and row buffers.
    const uint64_t most = uint64_t(std::numeric_limits<long>::max()), headroom = 16u << 20;
    const uint64_t memory = request.pixelLimit > (most - headroom) / 8 ? most : request.pixelLimit * 8 + headroom;
    if (!ReadHeader(s, bytes, size, long(memory))) return out;
    jpeg_decompress_struct& info = s.info;
    out.fullWidth = info.image_width;
    out.fullHeight = info.image_height;
    out.bitsPerPixel = 8 * info.num_components;

    const bool turned = request.quarterTurned;
    out.scaleDenominator = JpegScaleFor(info.image_width, info.image_height,
                                        turned ? request.targetHeight : request.targetWidth,
                                        turned ? request.targetWidth : request.targetHeight);
    info.scale_num = 1;
    info.scale_denom = unsigned(out.scaleDenominator);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    info.dct_method = JDCT_ISLOW;

    // The budget is checked before the library or we allocate anything for the pixels.
    if (uint64_t(out.fullWidth) * out.fullHeight > request.pixelLimit) {
        out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    if (!CalcOutputSize(s)) return out;
    out.width = info.output_width;
    out.height = info.output_height;
    const uint64_t bytesNeeded = uint64_t(out.width) * out.height * 4;
    if (bytesNeeded == 0 || bytesNeeded > SIZE_MAX / 2) return out;

    JOCTET* profile = nullptr;
    unsigned length = 0;
    if (ReadIccProfile(s, &profile, &length) && profile) out.iccProfile.assign(profile, profile + length);
    std::free(profile);

    out.pixels = PixelBuffer(new (std::nothrow) uint8_t[size_t(bytesNeeded)]);
    if (!out.pixels) {
        out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    if (!Start(s) || info.output_width != out.width || info.output_height != out.height ||
        !ReadRows(s, out.pixels.get(), out.Stride(), request, request.rowsDone && !cmyk ? &out : nullptr)) {
        out.pixels.reset();
        // The library's working memory beyond the budget (a progressive file's coefficients).
        const int code = s.trap.manager.msg_code;
        if (code == JERR_OUT_OF_MEMORY || code == JERR_NO_BACKING_STORE) out.outcome = PixelOutcome::TooLarge;
        return out;
    }
    // A Huffman-coded file of one scan says when its data ended too soon (a
    // warning above); one that merely lacks its end marker has every pixel.
    // Otherwise running dry means scans or coded data were cut off.
    const bool oneHuffmanScan = !info.progressive_mode && !info.arith_code && info.comps_in_scan == info.num_components;
    if (s.source.ranDry && !oneHuffmanScan) {
        out.pixels.reset();
        return out;
    }
    // What follows the last scan is never read.
    if (cmyk) CmykToBgra(out.pixels.get(), size_t(out.width) * out.height, info.saw_Adobe_marker);
    out.outcome = PixelOutcome::Decoded;
    return out;
}
