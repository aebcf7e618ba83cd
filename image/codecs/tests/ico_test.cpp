// Icons written by hand, the limits of the writer, and damaged icons.

#include <gtest/gtest.h>

#include "image/codecs/tests/codectesting.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using imagetesting::Bytes;
using imagetesting::DecodeBytes;
using imagetesting::InfoHeader;

// A one-image icon file around the image's bytes (info header onwards).
std::string Icon(const std::string& image, unsigned sizeByte, unsigned count = 1) {
    Bytes b;
    b.U16(0).U16(1).U16(count);
    for (unsigned i = 0; i < count; ++i)
        b.U8(sizeByte).U8(sizeByte).U8(0).U8(0).U16(1).U16(8).U32(image.size()).U32(6 + 16 * count);
    return b.Raw(image);
}

// A 2 x 2 8-bit image: colour bits, then the mask with its top-left pixel
// set.
std::string TwoByTwo() {
    return Bytes()
        .Raw(InfoHeader(2, 4, 8, 0, 0, 2))
        .U32(0x0000FF)
        .U32(0x00FF00)
        .Hex("01 00 00 00  00 01 00 00")
        .Hex("00 00 00 00  80 00 00 00");
}

TEST(IcoTest, InfoHeaderSizeWinsAndTheMaskMakesPixelsTransparent) {
    // The directory says 256 x 256 (size byte 0) and 7 x 7; the bits follow
    // the info header's 2 x 2.
    for (unsigned sizeByte : {0u, 7u}) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, Icon(TwoByTwo(), sizeByte), RASTER_FORMAT_ICO))
            << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), 2u);
        EXPECT_EQ(image.GetHeight(), 2u);
        EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
        EXPECT_EQ(image.GetPixelIndex(1, 1), 1);
        EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPaletteColor(1)), RGB(0, 255, 0));
        EXPECT_EQ(image.AlphaGet(0, 1), 0);  // the mask's top row is stored last
        EXPECT_EQ(image.AlphaGet(0, 0), 255);
        EXPECT_EQ(image.GetNumFrames(), 1);
    }
}

TEST(IcoTest, FailuresKeepTheCallersImageAndReportTheFrameCount) {
    const struct {
        const char* name;
        std::string bytes;
        LONG frame;
        const char* error;
    } cases[] = {
        {"PNG entry", Icon(Bytes().U8(0x89).Raw("PNG\r\n\x1a\n").Fill(40), 0, 1), 0,
         "PNG icons are not supported"},
        {"frame 2 of 2", Icon(TwoByTwo(), 2, 2), 2, "Icon frame not found"},
        {"cursor type 3", Bytes().U16(0).U16(3).U16(1).Raw(TwoByTwo()), 0, "Not an icon file"},
        {"16 bits", Icon(Bytes().Raw(InfoHeader(2, 4, 16)).Fill(32), 2), 0,
         "Error reading icon info"},
        {"RLE", Icon(Bytes().Raw(InfoHeader(2, 4, 8, 1)).Fill(1100), 2), 0,
         "compression type not supported"},
    };
    for (const auto& c : cases) {
        CRaster image = imagetesting::Pattern(3, 3, 24);
        image.SetFrame(c.frame);
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_ICO)) << c.name;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.name;
        EXPECT_TRUE(imagetesting::SamePixels(image, imagetesting::Pattern(3, 3, 24)));
        if (c.frame == 2) {
            EXPECT_EQ(image.GetNumFrames(), 2);
        }
    }
}

TEST(IcoTest, WriterRefusesImagesAboveTheIconSize) {
    CRaster wide(256, 16, 24, 0);
    BYTE* buffer = nullptr;
    LONG size = 0;
    EXPECT_FALSE(wide.Encode(buffer, size, RASTER_FORMAT_ICO));
    EXPECT_STREQ(wide.GetLastError(), "Can't save this image as icon");
    EXPECT_EQ(buffer, nullptr);
    CRaster largest(255, 255, 24, 0);
    EXPECT_EQ(EncodeBytes(largest, RASTER_FORMAT_ICO).size(), 6 + 16 + 40 + 255 * 768 + 255 * 32u);
}

TEST(IcoTest, DamagedIconsFailCleanly) {
    CRaster alpha = imagetesting::Pattern(5, 3, 24);
    alpha.AlphaCreate();
    alpha.AlphaSet(1, 1, 0);
    const std::string files[] = {EncodeBytes(alpha, RASTER_FORMAT_ICO), Icon(TwoByTwo(), 2)};
    for (const std::string& file : files) {
        const bool bgra = &file == &files[0];
        std::vector<std::string> cuts;
        for (std::size_t n = 0; n < file.size(); ++n) cuts.push_back(file.substr(0, n));
        ExpectCleanFailures("cut", cuts, RASTER_FORMAT_ICO, [](std::size_t) { return false; });

        // Count, directory size, bytes and offset; info width, height, depth
        // and colours used.
        const std::size_t fields[] = {4, 14, 18, 26, 30, 36, 54};
        std::vector<std::string> broken;
        for (std::size_t at : fields)
            for (unsigned long v : {0ul, 0xFFFFFFFFul, 0x7FFFFFFFul}) {
                std::string b = file;
                const std::size_t width = at == 4 || at == 36 ? 2 : 4;
                b.replace(at, width, std::string(Bytes().U32(v)).substr(0, width));
                broken.push_back(b);
            }
        // A count of 2^16 - 1 or 2^15 - 1 reads past the file; bytes in the
        // entry are only checked against the stream; 32-bit pixels have no
        // palette to count.
        ExpectCleanFailures("field", broken, RASTER_FORMAT_ICO,
                            [&](std::size_t i) { return i / 3 == 1 || (bgra && i / 3 == 6); });
    }
}

}  // namespace
