#include "imaging/PixelDecoders.h"

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

const PixelDecoderRow* PixelDecoderFor(PictureFormat format) {
    for (const PixelDecoderRow& row : kDecoders)
        if (row.format == format) return &row;
    return nullptr;
}
