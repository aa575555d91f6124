#include "imaging/PixelDecoders.h"

#include <cstdint>
#include <new>

#include "imaging/ExifOrientation.h"
#include "imaging/HeifDecode.h"
#include "imaging/JpegDecode.h"
#include "imaging/JxlDecode.h"
#include "imaging/WebpDecode.h"

namespace {

// GDI+ decodes BMP, GIF, ICO, TIFF, PNG and the metafiles well; JPEG it
// decodes only at its full size, slowly, and WebP, JPEG XL and HEIF not at all.
constexpr PixelDecoderRow kDecoders[] = {
    {PictureFormat::Jpeg, DecodeJpeg, ExifOrientationFromJpeg},
    {PictureFormat::Webp, DecodeWebp, ExifOrientationFromWebp},
    {PictureFormat::Jxl, DecodeJxl, OrientationFromJxl},
    {PictureFormat::Heif, DecodeHeif, HeifOrientation},
};

}  // namespace

bool AllocatePixels(DecodedPixels& out, uint32_t width, uint32_t height) {
    const uint64_t bytes = uint64_t(width) * height * 4;
    if (bytes == 0 || bytes > SIZE_MAX / 2) return false;
    out.pixels = PixelBuffer(new (std::nothrow) uint8_t[size_t(bytes)]);
    if (!out.pixels) {
        out.outcome = PixelOutcome::TooLarge;
        return false;
    }
    out.width = width;
    out.height = height;
    return true;
}

const PixelDecoderRow* PixelDecoderFor(PictureFormat format) {
    for (const PixelDecoderRow& row : kDecoders)
        if (row.format == format) return &row;
    return nullptr;
}
