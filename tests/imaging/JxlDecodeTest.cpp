// The JPEG XL decoder: each test file at its size, upright, with its colours,
// depth and profile; samples of 16 bits rounded to 8 as the library's own
// 16-bit output says; damaged files refused whole and huge ones before decoding.
#include <gtest/gtest.h>

#include <jxl/decode.h>

#include <string>
#include <vector>

#include "imaging/JxlDecode.h"
#include "support/Pictures.h"

using namespace pictures;

namespace {

constexpr uint64_t kRoomy = 1u << 30;

Bytes TestJxl(const std::wstring& name) { return ByteVector(DataPath(L"jxl\\" + name + L".jxl")); }

DecodedPixels Decode(const Bytes& b, uint64_t limit = kRoomy) {
    const GuardedBytes guarded(b);
    return DecodeJxl(guarded.data, guarded.size, PixelRequest{7, 5, false, limit});
}

const uint8_t* Pixel(const DecodedPixels& p, uint32_t x, uint32_t y) { return &p.pixels[y * p.Stride() + x * 4]; }

// A bare codestream's bits, least significant first.
struct Bits {
    Bytes bytes;
    size_t at = 0;
    uint32_t Read(int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i, ++at) v |= uint32_t(bytes[at / 8] >> (at % 8) & 1) << i;
        return v;
    }
    void Write(uint32_t v, int n) {
        for (int i = 0; i < n; ++i, ++at) {
            if (at / 8 >= bytes.size()) bytes.push_back(0);
            bytes[at / 8] |= uint8_t((v >> i & 1) << (at % 8));
        }
    }
};

// `file` (a bare codestream with a small size header, as cjxl writes for sides
// that are multiples of 8) claiming w x h instead, everything after its size kept.
Bytes Claiming(const Bytes& file, uint32_t w, uint32_t h) {
    Bits in{Bytes(file.begin() + 2, file.end())};
    EXPECT_EQ(in.Read(1), 1u);
    in.Read(5);
    if (in.Read(3) == 0) in.Read(5);
    Bits out;
    out.Write(0, 1);
    out.Write(3, 2), out.Write(h - 1, 30);
    out.Write(0, 3);
    out.Write(3, 2), out.Write(w - 1, 30);
    while (in.at < in.bytes.size() * 8) out.Write(in.Read(1), 1);
    out.bytes.insert(out.bytes.begin(), {0xFF, 0x0A});
    return out.bytes;
}

// The bare codestream `file` in a container, in two parts split inside its
// size header, the last in a box that runs to the end of the file.
Bytes InParts(Bytes file) {
    const std::string stream = AsString(file);
    const std::string b = std::string("\0\0\0\x0CJXL \r\n\x87\n\0\0\0\x14" "ftypjxl \0\0\0\0jxl ", 32) +
                          std::string("\0\0\0\x0Fjxlp\0\0\0\0", 12) + stream.substr(0, 3) +
                          std::string("\0\0\0\0jxlp\x80\0\0\x01", 12) + stream.substr(3);
    return Bytes(b.begin(), b.end());
}

}  // namespace

TEST(JxlDecode, EachFileDecodesUprightWithItsColours) {
    struct Probe { uint32_t x, y; uint8_t b, g, r, a; };
    const Probe red{0, 0, 0, 0, 255, 255}, lime{31, 0, 0, 255, 0, 255}, blue{0, 15, 255, 0, 0, 255},
        white{31, 15, 255, 255, 255, 255};
    // The gradients: blue on the left, red on the right, white to black for the grey one.
    const std::vector<Probe> quadrants{red, lime, blue, white},
        gradient{{0, 0, 255, 0, 0, 255}, {63, 15, 0, 0, 255, 255}, {16, 3, 190, 0, 64, 255}};
    const auto solid = [](uint32_t side) {
        return std::vector<Probe>{{0, 0, 200, 120, 40, 255}, {side - 1, side - 1, 200, 120, 40, 255}};
    };
    const struct {
        const wchar_t* name; uint32_t w, h; int bits; bool profile; int tolerance; std::vector<Probe> probes;
    } files[] = {
        {L"quadrants", 32, 16, 24, false, 0, quadrants},
        {L"solid", 16, 16, 24, false, 3, solid(16)},
        {L"large", 1024, 1024, 24, false, 0, solid(1024)},
        {L"gradient-lossless", 64, 16, 24, false, 0, gradient},
        {L"gradient-lossy", 64, 16, 24, false, 8, gradient},
        // Premultiplied: the lime quadrant at alpha 127, the blue one wholly transparent.
        {L"alpha", 32, 16, 32, false, 0, {red, {31, 0, 0, 127, 0, 127}, {0, 15, 0, 0, 0, 0}, white}},
        // Stored 16 x 32, turned upright by the orientation in its header.
        {L"turned", 32, 16, 24, false, 0, quadrants},
        {L"deep16", 64, 1, 48, false, 0, {{0, 0, 0, 0, 0, 255}, {63, 0, 39, 117, 255, 255}}},
        {L"grey", 64, 16, 8, false, 0,
         {{0, 0, 255, 255, 255, 255}, {63, 15, 0, 0, 0, 255}, {16, 0, 190, 190, 190, 255}}},
        {L"gamma", 64, 16, 24, true, 8, gradient},
        // The first frame: the reference picture, not the second turned half round. A GIF's
        // transparency makes an alpha channel.
        {L"animation", 32, 16, 32, false, 0, quadrants},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(f.name)));
        const Bytes bytes = TestJxl(f.name);
        const GuardedBytes guarded(bytes);
        ASSERT_EQ(FormatOf(guarded.data, guarded.size), PictureFormat::Jxl);
        EXPECT_EQ(PixelDecoderFor(PictureFormat::Jxl)->orientation(guarded.data, guarded.size), 0);
        const ClaimedSize claimed = PeekPictureSize(guarded.data, guarded.size);
        EXPECT_TRUE(claimed.known && claimed.width == f.w && claimed.height == f.h);
        const DecodedPixels p = Decode(bytes);
        ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
        EXPECT_TRUE(p.width == f.w && p.height == f.h && p.fullWidth == f.w && p.fullHeight == f.h);
        EXPECT_EQ(p.scaleDenominator, 1);
        EXPECT_EQ(p.bitsPerPixel, f.bits);
        // A profile only for colours that are not sRGB: an ICC profile's signature at byte 36.
        const std::string profile(p.iccProfile.begin(), p.iccProfile.end());
        EXPECT_EQ(profile.size() > 40 && profile.substr(36, 4) == "acsp", f.profile);
        EXPECT_EQ(profile.empty(), !f.profile);
        for (const Probe& q : f.probes) {
            const uint8_t want[4] = {q.b, q.g, q.r, q.a};
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(Pixel(p, q.x, q.y)[k], want[k], k == 3 ? 0 : f.tolerance) << q.x << "," << q.y << " " << k;
        }
    }
}

// Each 16-bit sample becomes the nearest of 8 bits, (v * 255 + 32767) / 65535,
// which is not its high byte.
TEST(JxlDecode, DeepSamplesRoundToTheNearestEightBitLevel) {
    const Bytes bytes = TestJxl(L"deep16");
    std::vector<uint16_t> wide(64 * 4);
    JxlDecoder* d = JxlDecoderCreate(nullptr);
    ASSERT_EQ(JxlDecoderSubscribeEvents(d, JXL_DEC_FULL_IMAGE), JXL_DEC_SUCCESS);
    JxlDecoderSetInput(d, bytes.data(), bytes.size());
    JxlDecoderCloseInput(d);
    const JxlPixelFormat format{4, JXL_TYPE_UINT16, JXL_NATIVE_ENDIAN, 0};
    ASSERT_EQ(JxlDecoderProcessInput(d), JXL_DEC_NEED_IMAGE_OUT_BUFFER);
    ASSERT_EQ(JxlDecoderSetImageOutBuffer(d, &format, wide.data(), wide.size() * 2), JXL_DEC_SUCCESS);
    EXPECT_EQ(JxlDecoderProcessInput(d), JXL_DEC_FULL_IMAGE);
    JxlDecoderDestroy(d);

    const DecodedPixels p = Decode(bytes);
    ASSERT_EQ(p.outcome, PixelOutcome::Decoded);
    int notHighByte = 0;
    for (uint32_t x = 0; x < 64; ++x)
        for (int c = 0; c < 3; ++c) {
            const unsigned v = wide[x * 4 + c];
            EXPECT_EQ(Pixel(p, x, 0)[2 - c], (v * 255 + 32767) / 65535) << x << "," << c << ": " << v;
            notHighByte += (v * 255 + 32767) / 65535 != v >> 8;
        }
    EXPECT_GT(notHighByte, 20);
}

TEST(JxlDecode, DamagedFilesFailWholeAndHugeOnesAreRefusedUnread) {
    using Edit = Bytes (*)(Bytes);
    const Edit half = [](Bytes b) { return b.resize(b.size() / 2), b; };
    const Edit lastOff = [](Bytes b) { return b.pop_back(), b; };
    const Edit lastEightOff = [](Bytes b) { return b.resize(b.size() - 8), b; };
    const Edit trailing = [](Bytes b) { return b.resize(b.size() + 9), b; };
    const Edit boxRenamed = [](Bytes b) { return b[0x24 + 3] = 'x', b; };   // "jxlc" to "jxlx"
    const Edit signatureOnly = [](Bytes b) { return b.resize(2), b; };
    const Edit larger = [](Bytes b) { return Claiming(b, 64, 32); };
    const Edit huge = [](Bytes b) { return Claiming(b, 1u << 30, 1u << 30); };
    constexpr PixelOutcome kDamaged = PixelOutcome::Damaged, kDecoded = PixelOutcome::Decoded,
                           kTooLarge = PixelOutcome::TooLarge;
    const struct {
        const char* what; const wchar_t* file; Edit edit; uint64_t limit; PixelOutcome outcome; uint32_t w, h;
    } cases[] = {
        {"lossless, cut in half", L"quadrants", half, kRoomy, kDamaged, 0, 0},
        {"lossy, short of its last byte", L"gradient-lossy", lastOff, kRoomy, kDamaged, 0, 0},
        {"container, cut in its codestream", L"turned", half, kRoomy, kDamaged, 0, 0},
        {"container, its codestream box renamed", L"turned", boxRenamed, kRoomy, kDamaged, 0, 0},
        {"cut just after the signature", L"quadrants", signatureOnly, kRoomy, kDamaged, 0, 0},
        {"claiming more pixels than it codes", L"quadrants", larger, kRoomy, kDamaged, 64, 32},
        {"in a container of two parts", L"quadrants", InParts, kRoomy, kDecoded, 32, 16},
        {"in a container of two parts, over the budget", L"quadrants", InParts, 32 * 16 - 1, kTooLarge, 32, 16},
        {"animation, cut in its first frame", L"animation", half, kRoomy, kDamaged, 0, 0},
        // The first frame is whole: what follows it is never read.
        {"animation, cut in its second frame", L"animation", lastEightOff, kRoomy, kDecoded, 32, 16},
        {"trailing bytes after the codestream", L"quadrants", trailing, kRoomy, kDecoded, 32, 16},
        {"claiming 2^30 x 2^30", L"quadrants", huge, kRoomy, kTooLarge, 1u << 30, 1u << 30},
        // Budgets: our pixels and one plane per channel the library holds (two for an animation).
        {"colour, one pixel over", L"quadrants", nullptr, 4 * 32 * 16 - 1, kTooLarge, 32, 16},
        {"colour, just within", L"quadrants", nullptr, 4 * 32 * 16, kDecoded, 32, 16},
        {"alpha, one pixel over", L"alpha", nullptr, 5 * 32 * 16 - 1, kTooLarge, 32, 16},
        {"grey, just within", L"grey", nullptr, 2 * 64 * 16, kDecoded, 64, 16},
        {"animation, one pixel over", L"animation", nullptr, 9 * 32 * 16 - 1, kTooLarge, 32, 16},
        {"turned, one pixel over", L"turned", nullptr, 4 * 32 * 16 - 1, kTooLarge, 32, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes bytes = TestJxl(c.file);
        if (c.edit) bytes = c.edit(bytes);
        const DecodedPixels p = Decode(bytes, c.limit);
        EXPECT_EQ(p.outcome, c.outcome);
        EXPECT_EQ(p.pixels != nullptr, c.outcome == kDecoded);
        // The header judge reads the size the library reads.
        const ClaimedSize claimed = PeekPictureSize(bytes.data(), bytes.size());
        EXPECT_TRUE(!c.w || (claimed.known && claimed.width == c.w && claimed.height == c.h));
        EXPECT_TRUE(c.outcome == kDamaged || (p.fullWidth == c.w && p.fullHeight == c.h));
    }
}
