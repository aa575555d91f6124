// The JPEG library linked in: a picture decoded straight at an eighth of its size.
#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include "support/TestFiles.h"

TEST(JpegLibrary, DecodesAtAnEighthScale) {
    const std::string bytes = ReadBytes(DataPath(L"exif\\camera-thumbnail.jpg"));   // 320 x 640, green top left, blue bottom right
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    info.scale_num = 1;
    info.scale_denom = 8;
    info.out_color_space = JCS_EXT_BGRA;
    ASSERT_TRUE(jpeg_start_decompress(&info));
    ASSERT_EQ(info.output_width * 100 + info.output_height, 40u * 100 + 80u);
    std::vector<unsigned char> pixels(40 * 80 * 4);
    for (JSAMPROW row = pixels.data(); info.output_scanline < info.output_height; row += 40 * 4) jpeg_read_scanlines(&info, &row, 1);
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    const unsigned char* last = &pixels[pixels.size() - 4];   // BGRA: the corners keep their colours
    EXPECT_TRUE(pixels[0] < 16 && pixels[1] > 240 && pixels[2] < 16 && last[0] > 240 && last[1] < 16 && last[2] < 16);
}
