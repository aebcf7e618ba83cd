// PCX files written by hand from the format's header table, our own files
// read back at every depth, and the headers the decoder refuses.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "image/codecs/tests/codectesting.h"
#include "image/codecs/tests/pixelrows.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using codectesting::Rows;
using imagetesting::Bytes;
using imagetesting::DecodeBytes;

struct PcxHeader {
    unsigned manufacturer = 10, version = 5, encoding = 1, bits = 8;
    int xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    unsigned dpi = 72, planes = 1, bytesPerLine = 2;
};

Bytes Header(const PcxHeader& h) {
    Bytes b;
    b.U8(h.manufacturer).U8(h.version).U8(h.encoding).U8(h.bits);
    b.U16(static_cast<unsigned>(h.xmin)).U16(static_cast<unsigned>(h.ymin));
    b.U16(static_cast<unsigned>(h.xmax)).U16(static_cast<unsigned>(h.ymax));
    b.U16(h.dpi).U16(h.dpi);
    b.Fill(48);  // no 16-colour palette
    b.U8(0).U8(h.planes).U16(h.bytesPerLine).U16(1).Fill(58);
    return b;
}

// The 256-colour palette at the end: entry i is (i, 255 - i, i / 2).
Bytes FinalPalette(unsigned signature = 12) {
    Bytes b;
    b.U8(signature);
    for (unsigned i = 0; i < 256; ++i) b.U8(i).U8(255 - i).U8(i / 2);
    return b;
}

TEST(PcxTest, HandWrittenFilesDecode) {
    struct Case {
        const char* name;
        std::string bytes;
        WORD bpp;
        const char* rows;
    };
    const PcxHeader eight{.xmax = 4, .bytesPerLine = 6};
    const PcxHeader mono{.bits = 1, .xmax = 9, .ymax = 1};
    const PcxHeader planar{.bits = 1, .xmax = 3, .planes = 4};  // four planes of one bit
    const PcxHeader two{.bits = 2, .xmax = 4};                  // two bits a pixel
    const PcxHeader rgb{.xmax = 1, .planes = 3};
    const PcxHeader rgba{.xmax = 1, .planes = 4};
    const Case cases[] = {
        // 0xC5 0x07: five bytes 0x07; the line's padding byte plain.
        {"run", Header(eight).Hex("c5 07 00").Raw(FinalPalette()), 8, "77777|"},
        // A run that goes on into the next line.
        {"run across lines",
         Header({.xmax = 4, .ymax = 1, .bytesPerLine = 6}).Hex("c8 03 c4 09").Raw(FinalPalette()),
         8, "33333|33999|"},
        {"mono", Header(mono).Hex("a5 40 c2 ff"), 1, "1010010101|1111111111|"},
        {"planar", Header(planar).Hex("80 00 40 00 20 00 10 00"), 4, "1248|"},
        {"two planes", Header({.bits = 1, .xmax = 2, .planes = 2}).Hex("a0 00 60 00"), 4, "123|"},
        {"three planes", Header({.bits = 1, .xmax = 2, .planes = 3}).Hex("a0 00 60 00 20 00"), 4,
         "127|"},
        {"two bits", Header(two).Hex("1b 00"), 4, "01230|"},
        {"rgb", Header(rgb).Hex("10 20 30 40 50 60"), 24, "103050 204060 |"},
        {"rgba", Header(rgba).Hex("10 20 30 40 50 60 7f 80"), 24, "103050/7f 204060/80 |"},
    };
    for (const Case& c : cases) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes, RASTER_FORMAT_PCX))
            << c.name << ": " << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.name;
        EXPECT_EQ(Rows(image), c.rows) << c.name;
        EXPECT_EQ(image.GetXDPI(), 72) << c.name;
    }
    // The final palette gives the colours; a mono header without colours
    // is black and white.
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, cases[0].bytes, RASTER_FORMAT_PCX));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(0, 0)), RGB(7, 248, 3));
    ASSERT_TRUE(DecodeBytes(image, cases[2].bytes, RASTER_FORMAT_PCX));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(0, 0)), RGB(255, 255, 255));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(1, 1)), RGB(0, 0, 0));
}

TEST(PcxTest, RefusedHeadersAndDataLeaveTheImage) {
    // A 2 x 1 picture of 8 bits, its data and final palette.
    const std::string body = std::string(Bytes().Hex("01 02")) + std::string(FinalPalette());
    const std::string pixels = Bytes().Hex("01 02");
    struct Case {
        const char* name;
        PcxHeader h;
        std::string body;
        const char* error;
    };
    // clang-format off
    const Case cases[] = {
        {"manufacturer", {.manufacturer = 11, .xmax = 1}, body, "Error: Not a PCX file"},
        {"encoding", {.encoding = 0, .xmax = 1}, body, "PCX file has unknown encoding scheme"},
        {"planes", {.xmax = 1, .planes = 5}, body, "Can't handle image with more than 4 planes"},
        {"zero width", {.xmin = 2, .xmax = 1}, body, "PCX image size must be greater than zero"},
        {"negative height", {.ymin = 3, .xmax = 1}, body, "PCX image size must be greater than zero"},
        {"8 x 2", {.xmax = 1, .planes = 2}, body, "PCX bits per pixel and planes not supported"},
        {"4 x 4", {.bits = 4, .xmax = 1, .planes = 4}, body, "PCX bits per pixel and planes not supported"},
        {"2 x 4", {.bits = 2, .xmax = 1, .planes = 4}, body, "PCX bits per pixel and planes not supported"},
        {"24 x 1", {.bits = 24, .xmax = 1}, body, "PCX bits per pixel and planes not supported"},
        {"line too short", {.xmax = 1, .bytesPerLine = 1}, body, "PCX bytes per line too short for the width"},
        {"palette before the start", {.xmax = 1}, pixels, "PCX file too short for its color map"},
        {"signature", {.xmax = 1}, pixels + std::string(FinalPalette(13)), "bad color map signature"},
        {"run past the end", {.xmax = 1}, Bytes().Hex("c3 05").Raw(FinalPalette()), "repeat count spans end of image"},
        {"data cut", {.bits = 1, .xmax = 1, .ymax = 3}, "\x01", "corrupted PCX"},
        {"short", {.xmax = 1}, "", "Can't read PCX image"},
    };
    // clang-format on
    std::vector<std::string> inputs;
    for (const Case& c : cases) inputs.push_back(std::string(Header(c.h)) + c.body);
    inputs.back().resize(127);  // "short": a header cut by a byte
    ExpectCleanFailures("pcx", inputs, RASTER_FORMAT_PCX, [](std::size_t) { return false; });
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, inputs[i], RASTER_FORMAT_PCX)) << cases[i].name;
        EXPECT_STREQ(image.GetLastError(), cases[i].error) << cases[i].name;
    }
}

TEST(PcxTest, OurFilesAtEveryDepthReadBack) {
    CRaster withAlpha = imagetesting::Pattern(13, 5, 24);
    withAlpha.AlphaCreate();
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 13; ++x) withAlpha.AlphaSet(x, y, static_cast<BYTE>(x * 19 + y));
    CRaster flat(70, 3, 8, 0);  // runs longer than 63 and bytes above 191
    flat.Clear(200);
    const CRaster images[] = {imagetesting::Pattern(17, 9, 1),
                              imagetesting::Pattern(17, 9, 4),
                              imagetesting::Pattern(31, 7, 8),
                              imagetesting::Pattern(19, 6, 24),
                              withAlpha,
                              flat};
    for (const CRaster& source : images) {
        CRaster image(source);
        image.SetXDPI(150);
        const std::string bytes = EncodeBytes(image, RASTER_FORMAT_PCX);
        ASSERT_FALSE(bytes.empty()) << image.GetLastError();
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_PCX))
            << source.GetBpp() << ": " << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), source.GetBpp());
        EXPECT_EQ(back.AlphaIsValid(), source.AlphaIsValid());
        EXPECT_EQ(Rows(back), Rows(source)) << source.GetBpp();
        EXPECT_TRUE(imagetesting::SamePixels(back, source));
        EXPECT_EQ(back.GetXDPI(), 150);
    }
    // The header and runs of a 4-bit picture, byte for byte: four planes of
    // one bit, lines of 2 bytes; a single byte above 191 goes as a run of one.
    CRaster four(3, 1, 4, 0);
    four.SetPaletteColor(1, 10, 20, 30);
    four.SetPixelIndex(0, 0, 1);
    four.SetPixelIndex(1, 0, 3);
    four.SetPixelIndex(2, 0, 15);
    four.SetXDPI(96);
    four.SetYDPI(96);
    const std::string bytes = EncodeBytes(four, RASTER_FORMAT_PCX);
    // clang-format off
    const std::string expected = Bytes().Hex("0a 05 01 01").U16(0).U16(0).U16(2).U16(0).U16(96).U16(96)
        .Hex("00 00 00 0a 14 1e").Fill(42).U8(0).U8(4).U16(2).U16(1).Fill(58)
        .Hex("c1 e0 00  60 00  20 00  20 00");
    // clang-format on
    EXPECT_EQ(bytes, expected);
}

TEST(PcxTest, ProbeTakesAPcxForAPcx) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CRaster source = imagetesting::Pattern(9, 4, bpp);
        // Every version byte a PCX writer uses.
        for (BYTE version : {0, 2, 3, 4, 5}) {
            std::string bytes = EncodeBytes(source, RASTER_FORMAT_PCX);
            bytes[1] = static_cast<char>(version);
            CRaster image;
            ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_UNKNOWN)) << image.GetLastError();
            EXPECT_EQ(image.GetType(), RASTER_FORMAT_PCX) << bpp << " v" << int(version);
            EXPECT_TRUE(imagetesting::SamePixels(image, source));
        }
    }
}

// The program's path: Save to a file by format, Load it back with the
// probe, for each of the three formats this file's neighbours test.
TEST(PcxTest, SavedFilesLoadThroughTheProbeAsTheirFormat) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        DWORD format;
        DWORD bpp;
    } cases[] = {{RASTER_FORMAT_PCX, 8}, {RASTER_FORMAT_PCX, 24}, {RASTER_FORMAT_GIF, 4},
                 {RASTER_FORMAT_GIF, 8}, {RASTER_FORMAT_TGA, 8},  {RASTER_FORMAT_TGA, 24}};
    for (const auto& c : cases) {
        CRaster source = imagetesting::Pattern(21, 8, c.bpp);
        const std::string path = dir.filePath("picture").toStdString() + std::to_string(c.format) +
                                 "-" + std::to_string(c.bpp);
        ASSERT_TRUE(source.Save(path, c.format)) << source.GetLastError();
        CRaster image;
        ASSERT_TRUE(image.Load(path, RASTER_FORMAT_UNKNOWN)) << c.format << "/" << c.bpp;
        EXPECT_EQ(image.GetType(), c.format) << c.bpp;
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.format;
        EXPECT_TRUE(imagetesting::SamePixels(image, source)) << c.format << "/" << c.bpp;
    }
}

}  // namespace
