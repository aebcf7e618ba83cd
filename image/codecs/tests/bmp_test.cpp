// BMP bytes as written by hand from the format's tables, in both
// directions, and damaged BMPs.

#include <gtest/gtest.h>

#include <cstdio>

#include "image/codecs/rastercodecs.h"
#include "image/codecs/tests/codectesting.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using imagetesting::Bytes;
using imagetesting::DecodeBytes;
using imagetesting::InfoHeader;
using imagetesting::WithFileHeader;

// Rows of palette indices or colours, top row first, as text of hex digits
// per pixel ("12/30") or "rrggbb " per pixel.
std::string IndexRows(const CRaster& image) {
    std::string out;
    for (LONG y = static_cast<LONG>(image.GetHeight()) - 1; y >= 0; --y) {
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x) {
            if (image.IsIndexed()) {
                out += "0123456789abcdef"[image.GetPixelIndex(x, y) & 15];
            } else {
                const RGBQUAD c = image.GetPixelColor(x, y);
                char text[8];
                std::snprintf(text, sizeof(text), "%02x%02x%02x ", c.rgbRed, c.rgbGreen, c.rgbBlue);
                out += text;
            }
        }
        out += '/';
    }
    return out;
}

TEST(BmpTest, WrittenBytesEqualBytesWorkedByHand) {
    CRaster mono(3, 2, 1, 0);  // rows of 1 byte + 3 padding
    mono.SetPaletteColor(1, RGB(255, 255, 255));
    mono.SetPixelIndex(0, 0, 1);
    mono.SetPixelIndex(2, 1, 1);
    CRaster four(3, 1, 4, 0);
    four.SetPixelIndex(0, 0, 1);
    four.SetPixelIndex(1, 0, 0xA);
    four.SetPixelIndex(2, 0, 0xF);
    CRaster rgb(1, 2, 24, 0);
    rgb.SetXDPI(72);
    rgb.SetPixelColor(0, 0, RGB(1, 2, 3));
    rgb.SetPixelColor(0, 1, RGB(4, 5, 6));
    // clang-format off
    // File header: "BM", file size, reserved, bits offset. Info header: 40,
    // width, height, planes, bits, compression, image size, 3780 or 2835
    // pels per metre twice, colours used, important. Palette, padded rows.
    const std::string expected[] = {
        Bytes().Hex("42 4d").U32(70).U32(0).U32(62)
               .U32(40).U32(3).U32(2).U16(1).U16(1).U32(0).U32(8).U32(3780).U32(3780).U32(2).U32(0)
               .Hex("00 00 00 00  ff ff ff 00")
               .Hex("80 00 00 00  20 00 00 00"),
        Bytes().Hex("42 4d").U32(122).U32(0).U32(118)
               .U32(40).U32(3).U32(1).U16(1).U16(4).U32(0).U32(4).U32(3780).U32(3780).U32(16).U32(0)
               .Fill(64)
               .Hex("1a f0 00 00"),
        Bytes().Hex("42 4d").U32(62).U32(0).U32(54)
               .U32(40).U32(1).U32(2).U16(1).U16(24).U32(0).U32(8).U32(2835).U32(3780).U32(0).U32(0)
               .Hex("03 02 01 00  06 05 04 00"),
    };
    // clang-format on
    CRaster* images[] = {&mono, &four, &rgb};
    for (int i = 0; i < 3; ++i) {
        const std::string bytes = EncodeBytes(*images[i], RASTER_FORMAT_BMP);
        EXPECT_EQ(bytes, expected[i]) << i;
        // And back: the same block (header, palette, bits) and resolution.
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_BMP));
        EXPECT_EQ(std::string(static_cast<const char*>(back.GetDIB()), back.GetSize()),
                  std::string(static_cast<const char*>(images[i]->GetDIB()), images[i]->GetSize()));
        EXPECT_EQ(back.GetXDPI(), images[i]->GetXDPI());
    }
}

TEST(BmpTest, HandWrittenVariantsDecode) {
    const std::string pal16 = Bytes().U32(0).U32(0xFF0000).U32(0x00FF00).U32(0x0000FF).Fill(48);
    const std::string rows24 = Bytes().Hex("03 02 01 00  06 05 04 00");
    // clang-format off
    const struct {
        const char* name;
        std::string bytes;
        const char* rows;  // top row first: indices, or colours as rrggbb
    } cases[] = {
        {"4 bits", WithFileHeader(Bytes().Raw(InfoHeader(3, 2, 4)).Raw(pal16)
                                      .Hex("12 30 00 00  21 00 00 00"), 118),
         "210/123/"},
        {"16 bits, 5-5-5", WithFileHeader(Bytes().Raw(InfoHeader(2, 1, 16)).Hex("00 7c 1f 00"), 54),
         "f80000 0000f8 /"},
        {"16 bits, 5-6-5 fields", WithFileHeader(Bytes().Raw(InfoHeader(2, 1, 16, 3))
                                                     .U32(0xF800).U32(0x07E0).U32(0x001F)
                                                     .Hex("e0 07 ff ff"), 66),
         "00fc00 f8fcf8 /"},
        // 3-3-2 fields: shifts taken from the channel widths alone would be
        // negative for green.
        {"16 bits, 3-3-2 fields", WithFileHeader(Bytes().Raw(InfoHeader(1, 1, 16, 3))
                                                     .U32(0xE0).U32(0x1C).U32(0x03)
                                                     .Hex("79 00 00 00"), 66),
         "60c040 /"},
        {"32 bits", WithFileHeader(Bytes().Raw(InfoHeader(1, 1, 32)).Hex("0a 14 1e 63"), 54),
         "1e140a /"},
        {"32 bits, narrow fields", WithFileHeader(Bytes().Raw(InfoHeader(1, 1, 32, 3))
                                                      .U32(0x0F00).U32(0x00F0).U32(0x000F)
                                                      .Hex("84 0f 00 00"), 66),
         "f08040 /"},
        {"32 bits, 10-bit fields",
         WithFileHeader(Bytes().Raw(InfoHeader(1, 1, 32, 3)).U32(0x3FF00000).U32(0x000FFC00).U32(0x3FF)
                            .U32((0x3FFu << 20) | (0x200u << 10) | 4), 66),
         "ff8001 /"},
        // A run past the row's end, end of line, an odd absolute run, a
        // delta, a run and the end.
        {"RLE8", WithFileHeader(Bytes().Raw(InfoHeader(5, 3, 8, 1, 0, 16)).Raw(pal16)
                                    .Hex("07 05  00 00  00 03 07 08 09 00  00 02 01 01  01 06  00 01"),
                                118),
         "00006/78900/55555/"},
        {"RLE4", WithFileHeader(Bytes().Raw(InfoHeader(8, 1, 4, 2)).Raw(pal16)
                                    .Hex("05 12  00 03 34 50  00 01"), 118),
         "12121345/"},
        {"core header", WithFileHeader(Bytes().U32(12).U16(2).U16(1).U16(1).U16(1)
                                           .Hex("00 00 00  00 00 ff  40 00 00 00"), 32),
         "01/"},
        {"headerless", Bytes().Raw(InfoHeader(1, 2, 24)).Raw(rows24), "040506 /010203 /"},
        {"top-down", WithFileHeader(Bytes().Raw(InfoHeader(1, -2, 24)).Raw(rows24), 54),
         "010203 /040506 /"},
        // Only as many palette entries as the depth has values are read.
        {"1000 colours", WithFileHeader(Bytes().Raw(InfoHeader(2, 1, 1, 0, 0, 1000))
                                            .U32(0x0000FF).U32(0xFF0000).Fill(998 * 4)
                                            .Hex("40 00 00 00"), 54 + 4000),
         "01/"},
        {"huge image size", WithFileHeader(Bytes().Raw(InfoHeader(1, 2, 24, 0, 0xFFFFFFF0))
                                               .Raw(rows24), 54),
         "040506 /010203 /"},
    };
    // clang-format on
    for (const auto& c : cases) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes, RASTER_FORMAT_BMP))
            << c.name << ": " << image.GetLastError();
        EXPECT_EQ(IndexRows(image), c.rows) << c.name;
        // Indexed files keep their palette.
        if (image.IsIndexed()) {
            EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPaletteColor(1)), RGB(255, 0, 0)) << c.name;
        }
    }
}

TEST(BmpTest, BadHeadersFailWithTheirTexts) {
    const std::string pixels = Bytes().Fill(64);
    std::string header108 = InfoHeader(2, 2, 8, 1);
    header108[0] = 108;
    const struct {
        const char* name;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"2 bits", Bytes().Raw(InfoHeader(2, 2, 2)).Raw(pixels), "Error reading BMP info"},
        {"15 bits", Bytes().Raw(InfoHeader(2, 2, 15)).Raw(pixels), "Error reading BMP info"},
        {"negative width", Bytes().Raw(InfoHeader(-2, 2, 24)).Raw(pixels),
         "Error reading BMP info"},
        {"INT_MIN height", Bytes().Raw(InfoHeader(2, INT32_MIN, 24)).Raw(pixels),
         "Error reading BMP info"},
        {"header of 20", Bytes().U32(20).Raw(pixels), "Error reading BMP info"},
        {"108 with RLE", Bytes().Raw(header108).Fill(68).Raw(pixels), "Error reading BMP info"},
        {"RLE8 at 24", Bytes().Raw(InfoHeader(2, 2, 24, 1)).Raw(pixels), "unknown compression"},
        {"RLE4 at 8", Bytes().Raw(InfoHeader(2, 2, 8, 2)).Raw(pixels),
         "compression type not supported"},
        {"RLE8 top-down", Bytes().Raw(InfoHeader(2, -2, 8, 1)).Raw(pixels),
         "compression type not supported"},
        {"32 with JPEG", Bytes().Raw(InfoHeader(2, 2, 32, 4)).Raw(pixels), "unknown compression"},
        // Refused for want of bytes before 900 MB are asked for.
        {"huge and short", Bytes().Raw(InfoHeader(30000, 30000, 8)).Raw(pixels),
         "BMP file is cut short"},
        {"RLE without end", Bytes().Raw(InfoHeader(2, 2, 8, 1)).Fill(1024).U8(2).U8(1),
         "BMP file is cut short"},
        {"not a bitmap", "GIF89a and more than fourteen bytes", "Error reading BMP info"},
        {"short", "BM", "Not a BMP"},
    };
    for (const auto& c : cases) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_BMP)) << c.name;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.name;
    }
    // A file that holds its pixels is still refused by the memory cap.
    SetRasterMaxMemory(1000);
    CRaster image;
    const std::string big = Bytes().Raw(InfoHeader(20, 20, 24)).Fill(20 * 60);
    EXPECT_FALSE(DecodeBytes(image, big, RASTER_FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    SetRasterMaxMemory(0);
}

// An 8-bit 3 x 2 bitmap, a 24-bit one and an RLE8 one, each cut at every
// byte and with each count, size, offset and depth field set to 0, -1 and
// 2^31 - 1.
TEST(BmpTest, DamagedFilesFailCleanly) {
    CRaster indexed = imagetesting::Pattern(3, 2, 8);
    CRaster rgb = imagetesting::Pattern(3, 2, 24);
    const std::string files[] = {
        EncodeBytes(indexed, RASTER_FORMAT_BMP),
        EncodeBytes(rgb, RASTER_FORMAT_BMP),
        WithFileHeader(Bytes()
                           .Raw(InfoHeader(3, 2, 8, 1, 0, 2))
                           .U32(0)
                           .U32(0xFFFFFF)
                           .Hex("03 01  00 00  02 01  00 01"),
                       62),
    };
    for (const std::string& file : files) {
        // Cut: only the last row's padding may be missing.
        std::vector<std::string> cuts;
        for (std::size_t n = 0; n < file.size(); ++n) cuts.push_back(file.substr(0, n));
        ExpectCleanFailures("cut", cuts, RASTER_FORMAT_BMP,
                            [&](std::size_t n) { return n >= file.size() - 3; });

        const std::size_t fields[] = {10, 18, 22, 28, 30, 34, 46};  // offset .. colours used
        const unsigned long values[] = {0, 0xFFFFFFFF, 0x7FFFFFFF};
        std::vector<std::string> broken;
        for (std::size_t at : fields)
            for (unsigned long v : values) {
                std::string b = file;
                const std::string field = Bytes().U32(v);
                b.replace(at, at == 28 ? 2 : 4, field.substr(0, at == 28 ? 2 : 4));
                broken.push_back(b);
            }
        // What a reader can take: a missing offset (the bits follow the
        // palette), one top-down row, a bit field 0 that means "plain", and
        // any image size or colour count (never trusted).
        ExpectCleanFailures("field", broken, RASTER_FORMAT_BMP, [](std::size_t i) {
            const std::size_t field = i / 3, value = i % 3;
            return (field == 0 && value == 0) || (field == 2 && value == 1) ||
                   (field == 4 && value == 0) || field >= 5;
        });
    }
}

TEST(BmpTest, SizeOnlyStopsAfterTheHeaderAndCancelStopsBeforeThePixels) {
    CRaster rgb = imagetesting::Pattern(7, 5, 24);
    const std::string file = EncodeBytes(rgb, RASTER_FORMAT_BMP);
    for (DWORD format : {RASTER_FORMAT_BMP, RASTER_FORMAT_UNKNOWN}) {
        CRaster image;
        image.SetEscape(-1);
        ASSERT_TRUE(DecodeBytes(image, file, format)) << image.GetLastError();
        EXPECT_EQ(image.GetWidth(), 7u);
        EXPECT_EQ(image.GetHeight(), 5u);
        EXPECT_FALSE(image.IsValid());
    }
    CRaster image;
    image.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(image, file, RASTER_FORMAT_BMP));
    EXPECT_STREQ(image.GetLastError(), "Cancelled");
}

}  // namespace
