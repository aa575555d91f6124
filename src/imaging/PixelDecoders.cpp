#include "imaging/PixelDecoders.h"

#include "imaging/ExifOrientation.h"
#include "imaging/JpegDecode.h"

namespace {

// GDI+ decodes BMP, GIF, ICO, TIFF, PNG and the metafiles well; these it
// decodes only at their full size, slowly.
constexpr PixelDecoderRow kDecoders[] = {
    {PictureFormat::Jpeg, DecodeJpeg, ExifOrientationFromJpeg},
};

}  // namespace

const PixelDecoderRow* PixelDecoderFor(PictureFormat format) {
    for (const PixelDecoderRow& row : kDecoders)
        if (row.format == format) return &row;
    return nullptr;
}
