// TGA: our files read by Qt, files written by hand from the header table
// (every type, map entry size, row order and packet), and refused headers.

#include <gtest/gtest.h>

#include "image/codecs/tests/codectesting.h"
#include "image/codecs/tests/pixelrows.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using codectesting::Rows;
using codectesting::SameAsQt;
using imagetesting::Bytes;
using imagetesting::DecodeBytes;

struct TgaHeader {
    unsigned idLength = 0, mapType = 0, type = 2, mapFirst = 0, mapLength = 0, mapBits = 0;
    unsigned width = 2, height = 2, depth = 24, descriptor = 0;
};

Bytes Header(const TgaHeader& h) {
    Bytes b;
    b.U8(h.idLength).U8(h.mapType).U8(h.type).U16(h.mapFirst).U16(h.mapLength).U8(h.mapBits);
    b.U16(0).U16(0).U16(h.width).U16(h.height).U8(h.depth).U8(h.descriptor);
    return b;
}

TEST(TgaTest, HandWrittenFilesDecode) {
    struct Case {
        const char* name;
        std::string bytes;
        WORD bpp;
        const char* rows;
    };
    std::vector<Case> cases;
    TgaHeader h;
    // Bottom-up: the first row in the file is the bottom one. An ID field
    // is skipped.
    h.idLength = 3;
    cases.push_back({"bottom-up", Header(h).Raw("abc").Hex("010203 040506  070809 0a0b0c"), 24,
                     "090807 0c0b0a |030201 060504 |"});
    h.idLength = 0;
    h.descriptor = 0x20;
    cases.push_back({"top-down", Header(h).Hex("010203 040506  070809 0a0b0c"), 24,
                     "030201 060504 |090807 0c0b0a |"});
    h.descriptor = 0x30;
    cases.push_back({"right to left", Header(h).Hex("010203 040506  070809 0a0b0c"), 24,
                     "060504 030201 |0c0b0a 090807 |"});
    h.descriptor = 0x28;
    h.depth = 32;
    cases.push_back({"32 bits", Header(h).Hex("01020380 04050600  070809ff 0a0b0c01"), 24,
                     "030201/80 060504/00 |090807/ff 0c0b0a/01 |"});
    h.descriptor = 0x20;
    h.depth = 16;
    h.width = 3;
    h.height = 1;
    // Blue the low 5 bits, green bits 5-9, red 10-14, each moved up by 3.
    cases.push_back({"16 bits", Header(h).U16(0x001F).U16(0x03E0).U16(0x7C00 | 0x0421), 24,
                     "0000f8 00f800 f80808 |"});
    h.depth = 15;
    cases.push_back(
        {"15 bits", Header(h).U16(0x8001).U16(0x0020).U16(0x0400), 24, "000008 000800 080000 |"});
    // Grey at 16 bits reads as 16-bit colour.
    TgaHeader grey16 = h;
    grey16.type = 3;
    grey16.depth = 16;
    cases.push_back({"grey at 16 bits", Header(grey16).U16(0x001F).U16(0x03E0).U16(0x7C00), 24,
                     "0000f8 00f800 f80000 |"});
    // A true-colour picture's colour map is skipped.
    TgaHeader mapped = h;
    mapped.depth = 24;
    mapped.mapType = 1;
    mapped.mapLength = 2;
    mapped.mapBits = 16;
    cases.push_back({"map on true colour", Header(mapped).Hex("ffff ffff 010203 040506 070809"), 24,
                     "030201 060504 090807 |"});
    // Run-length: a repeated packet crossing from one row into the next,
    // then a raw packet; rows top-down.
    TgaHeader rle;
    rle.type = 10;
    rle.width = 3;
    rle.descriptor = 0x20;
    cases.push_back({"packets across rows", Header(rle).Hex("83 112233  01 445566 778899"), 24,
                     "332211 332211 332211 |332211 665544 998877 |"});
    // A packet running past the image's end is cut there.
    cases.push_back({"packet past the end", Header(rle).Hex("ff 112233"), 24,
                     "332211 332211 332211 |332211 332211 332211 |"});
    // Grey, plain and run-length.
    TgaHeader grey;
    grey.type = 3;
    grey.depth = 8;
    grey.descriptor = 0x20;
    cases.push_back({"grey", Header(grey).Hex("00 40 80 ff"), 8, "000000 404040 |808080 ffffff |"});
    grey.type = 11;
    cases.push_back(
        {"grey runs", Header(grey).Hex("82 20 00 70"), 8, "202020 202020 |202020 707070 |"});
    for (const Case& c : cases) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes, RASTER_FORMAT_TGA))
            << c.name << ": " << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.name;
        EXPECT_EQ(Rows(image, true), c.rows) << c.name;
    }
}

TEST(TgaTest, ColourMapsOfEveryEntrySizeFromTheirFirstIndex) {
    const struct {
        unsigned bits;
        std::string entries;  // two entries: (255, 0, 8) and (0, 16, 248) as far as they go
        const char* rows;
    } cases[] = {
        {24, Bytes().Hex("0800ff f81000"), "ff0008 0010f8 |"},
        {32, Bytes().Hex("0800ff00 f81000ff"), "ff0008 0010f8 |"},
        {16, Bytes().U16(0x7C01).U16(0x005F), "f80008 0010f8 |"},
        {15, Bytes().U16(0x7C01).U16(0x805F), "f80008 0010f8 |"},
    };
    for (const auto& c : cases) {
        TgaHeader h;
        h.mapType = 1;
        h.type = 1;
        h.mapFirst = 250;
        h.mapLength = 2;
        h.mapBits = c.bits;
        h.depth = 8;
        h.height = 1;
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, Header(h).Raw(c.entries).Hex("fa fb"), RASTER_FORMAT_TGA))
            << c.bits << ": " << image.GetLastError();
        EXPECT_EQ(image.GetBpp(), 8);
        EXPECT_EQ(image.GetPixelIndex(0, 0), 250);
        EXPECT_EQ(Rows(image, true), c.rows) << c.bits;
        // The entries before the first stay black.
        EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPaletteColor(0)), RGB(0, 0, 0));
    }
}

TEST(TgaTest, RefusedHeadersAndDataLeaveTheImage) {
    struct Case {
        const char* name;
        TgaHeader h;
        const char* error;
    };
    // clang-format off
    const Case cases[] = {
        {"type 4", {.type = 4}, "Unknown TGA image type"},
        {"type 32", {.type = 32}, "Unknown TGA image type"},
        {"zero width", {.width = 0}, "bad TGA header"},
        {"zero height", {.height = 0}, "bad TGA header"},
        {"no depth", {.depth = 0}, "bad TGA header"},
        {"map of 257", {.mapType = 1, .type = 1, .mapLength = 257, .mapBits = 24, .depth = 8}, "bad TGA header"},
        {"map entries of 8 bits", {.mapType = 1, .type = 1, .mapLength = 2, .mapBits = 8, .depth = 8}, "bad TGA header"},
        {"pixels of 12 bits", {.depth = 12}, "bad TGA header"},
        // The data of 2 x 2 pixels of 24 bits needs 12 bytes.
        {"plain data short", {.height = 3}, "corrupted TGA"},
        {"run data short", {.type = 10}, "corrupted TGA"},
    };
    // clang-format on
    const std::string pixels = Bytes().Hex("010203 040506 070809 0a0b0c");
    std::vector<std::string> inputs;
    for (const Case& c : cases) inputs.push_back(std::string(Header(c.h)) + pixels);
    inputs.push_back(std::string(Header(TgaHeader{})).substr(0, 17));
    ExpectCleanFailures("tga", inputs, RASTER_FORMAT_TGA, [](std::size_t) { return false; });
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, inputs[i], RASTER_FORMAT_TGA)) << cases[i].name;
        EXPECT_STREQ(image.GetLastError(), cases[i].error) << cases[i].name;
    }
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, inputs.back(), RASTER_FORMAT_TGA));
    EXPECT_STREQ(image.GetLastError(), "Not a TGA");
    // Every cut of a run-length file fails cleanly or decodes.
    TgaHeader rle;
    rle.type = 10;
    const std::string whole =
        std::string(Header(rle)) + std::string(Bytes().Hex("81 010203 01 040506 070809"));
    std::vector<std::string> cuts;
    for (std::size_t n = 0; n < whole.size(); ++n) cuts.push_back(whole.substr(0, n));
    ExpectCleanFailures("cut", cuts, RASTER_FORMAT_TGA, [](std::size_t) { return false; });
}

TEST(TgaTest, OurFilesReadByQtAndUs) {
    CRaster alpha = imagetesting::Pattern(23, 11, 24);
    alpha.AlphaCreate();
    for (LONG y = 0; y < 11; ++y)
        for (LONG x = 0; x < 23; ++x) alpha.AlphaSet(x, y, (x + y) % 3 == 0 ? 0 : 255);
    const CRaster images[] = {imagetesting::Pattern(29, 13, 24), alpha,
                              imagetesting::Pattern(17, 5, 8)};
    for (const CRaster& source : images) {
        CRaster image(source);
        const std::string bytes = EncodeBytes(image, RASTER_FORMAT_TGA);
        ASSERT_FALSE(bytes.empty()) << image.GetLastError();
        // 32-bit pixels say they carry 8 bits of alpha.
        EXPECT_EQ(static_cast<BYTE>(bytes[16]), source.AlphaIsValid() ? 32 : source.GetBpp());
        EXPECT_EQ(static_cast<BYTE>(bytes[17]), source.AlphaIsValid() ? 8 : 0);
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_TGA)) << back.GetLastError();
        EXPECT_EQ(back.GetBpp(), source.GetBpp());
        EXPECT_EQ(Rows(back), Rows(source));
        if (source.GetBpp() == 8) continue;  // Qt reads true colour only
        const QImage qt = QImage::fromData(QByteArray::fromStdString(bytes), "TGA");
        ASSERT_FALSE(qt.isNull());
        EXPECT_TRUE(SameAsQt(source, qt, source.AlphaIsValid()));
    }
    // Alpha is scaled by the image's alpha maximum.
    CRaster half(alpha);
    half.AlphaSetMax(128);
    const std::string bytes = EncodeBytes(half, RASTER_FORMAT_TGA);
    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_TGA));
    EXPECT_EQ(back.AlphaGet(1, 0), 128);
    EXPECT_EQ(back.AlphaGet(0, 0), 0);
    // Other depths are refused and nothing is written.
    for (DWORD bpp : {1u, 4u}) {
        CRaster image = imagetesting::Pattern(3, 3, bpp);
        CRasterMemFile file;
        file.Open();
        EXPECT_FALSE(image.Encode(&file, RASTER_FORMAT_TGA));
        EXPECT_STREQ(image.GetLastError(), "Bit depth must be 8 or 24");
        EXPECT_EQ(file.Size(), 0);
    }
}

}  // namespace
