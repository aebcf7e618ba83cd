// The entrance for files and buffers: format numbers, the probe, the texts
// that reach the caller, and the paths the program itself takes (files by
// name, pictures kept as BMP bytes, compiled-in resources).

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "image/codecs/tests/codectesting.h"
#include "platform/testing/testsupport.h"

namespace {

using codectesting::EncodeBytes;
using imagetesting::DecodeBytes;
using imagetesting::SamePixels;

// A stream that breaks on reading: a standard exception, or anything else.
struct BreakingFile : CRasterMemFile {
    BYTE bytes[16] = {};
    bool standard = true;
    BreakingFile() : CRasterMemFile(bytes, sizeof(bytes)) {}
    [[noreturn]] void Break() {
        if (standard) throw std::out_of_range("the stream broke");
        throw 7;
    }
    std::size_t Read(void*, std::size_t, std::size_t) override { Break(); }
    LONG GetC() override { Break(); }
};

TEST(DispatchTest, FormatNumbersAndTheirTexts) {
    CRaster picture = imagetesting::Pattern(4, 3, 8);
    const std::string bmp = EncodeBytes(picture, RASTER_FORMAT_BMP);

    const struct {
        DWORD format;
        bool ok;
        const char* error;
    } decodes[] = {
        {RASTER_FORMAT_BMP, true, ""},
        {RASTER_FORMAT_UNKNOWN, true, ""},
        {RASTER_FORMAT_ICO, false, "Not an icon file"},
        {10, false, "Decode: Unknown or wrong format"},
    };
    for (const auto& d : decodes) {
        CRaster image;
        EXPECT_EQ(DecodeBytes(image, bmp, d.format), d.ok) << d.format;
        EXPECT_STREQ(image.GetLastError(), d.error) << d.format;
        if (d.ok) {
            EXPECT_TRUE(SamePixels(image, picture));
        }
    }
    // A decode into a used image keeps nothing of the earlier picture that
    // the file sets: no transparency, the default resolution.
    for (DWORD format : {RASTER_FORMAT_BMP, RASTER_FORMAT_GIF, RASTER_FORMAT_ICO, RASTER_FORMAT_TIF,
                         RASTER_FORMAT_TGA, RASTER_FORMAT_PCX}) {
        CRaster used = imagetesting::Pattern(2, 2, 8);
        used.SetTransIndex(3);
        used.SetXDPI(300);
        used.SetYDPI(300);
        ASSERT_TRUE(DecodeBytes(used, EncodeBytes(picture, format), format)) << format;
        EXPECT_EQ(used.GetTransIndex(), -1) << format;
        EXPECT_TRUE(used.GetXDPI() == 96 && used.GetYDPI() == 96) << format;
    }
    // Whatever a stream throws stays inside the call.
    const struct {
        DWORD format;
        bool standard;
        const char* error;
    } broken[] = {
        {RASTER_FORMAT_BMP, true, "the stream broke"},
        {RASTER_FORMAT_GIF, false, "unexpected failure while reading or writing the image"},
    };
    for (const auto& b : broken) {
        BreakingFile file;
        file.standard = b.standard;
        CRaster image = imagetesting::Pattern(2, 2, 8);
        EXPECT_FALSE(image.Decode(&file, b.format));
        EXPECT_STREQ(image.GetLastError(), b.error);
        EXPECT_EQ(image.GetWidth(), 2u);
    }
    CRaster text;
    EXPECT_FALSE(DecodeBytes(text, "plain text, not a picture", RASTER_FORMAT_UNKNOWN));
    EXPECT_STREQ(text.GetLastError(), "Decode: Unknown or wrong format");

    const struct {
        DWORD format;
        const char* error;
    } encodes[] = {{RASTER_FORMAT_WMF, "Save WMF not supported"}, {12, "Encode: Unknown format"}};
    for (const auto& e : encodes) {
        BYTE* buffer = nullptr;
        LONG size = 0;
        EXPECT_FALSE(picture.Encode(buffer, size, e.format));
        EXPECT_STREQ(picture.GetLastError(), e.error);
        EXPECT_EQ(buffer, nullptr);
    }
    BYTE byte = 0;
    BYTE* taken = &byte;
    LONG size = 0;
    EXPECT_FALSE(picture.Encode(taken, size, RASTER_FORMAT_BMP));
    EXPECT_STREQ(picture.GetLastError(), "the buffer must be empty");
    CRaster empty;
    EXPECT_FALSE(empty.Encode(static_cast<CRasterFile*>(nullptr), RASTER_FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null file handler");
    CRasterMemFile stream;
    stream.Open();
    EXPECT_FALSE(empty.Encode(&stream, RASTER_FORMAT_BMP));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
    CRaster* pages[] = {&picture};
    EXPECT_FALSE(picture.Encode(&stream, pages, 1, RASTER_FORMAT_BMP));
    EXPECT_STREQ(picture.GetLastError(), "Multipage Encode, Unsupported operation for this format");
}

TEST(DispatchTest, ProbeFindsIconsAndSizeOnlyWorksForEveryCodec) {
    CRaster icon = imagetesting::Pattern(6, 5, 24);
    icon.AlphaCreate();
    const std::string ico = EncodeBytes(icon, RASTER_FORMAT_ICO);
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, ico, RASTER_FORMAT_UNKNOWN)) << image.GetLastError();
    EXPECT_EQ(image.GetType(), RASTER_FORMAT_ICO);
    EXPECT_STREQ(image.GetLastError(), "");  // the failed BMP attempt leaves nothing
    EXPECT_TRUE(SamePixels(image, icon));

    for (DWORD format : {RASTER_FORMAT_ICO, RASTER_FORMAT_UNKNOWN}) {
        CRaster size;
        size.SetEscape(-1);
        ASSERT_TRUE(DecodeBytes(size, ico, format));
        EXPECT_EQ(size.GetWidth(), 6u);
        EXPECT_EQ(size.GetHeight(), 5u);
        EXPECT_FALSE(size.IsValid());
    }
}

TEST(DispatchTest, FilesByNameAsTheProgramLoadsAndSavesThem) {
    const std::string folder = testsupport::MakeTempFolder("images");
    CRaster picture = imagetesting::Pattern(9, 4, 24);
    ASSERT_TRUE(picture.Save(folder + "/p.bmp", RASTER_FORMAT_BMP));
    ASSERT_TRUE(picture.Save(folder + "/p.ico", RASTER_FORMAT_ICO));
    // A failed encode writes no file.
    CRaster wide(300, 2, 24, 0);
    EXPECT_FALSE(wide.Save(folder + "/wide.ico", RASTER_FORMAT_ICO));
    EXPECT_TRUE(testsupport::ReadFileBytes(folder + "/wide.ico").empty());
    testsupport::WriteFileBytes(folder + "/t.txt", "not a picture at all, just text");

    CRaster loaded;
    ASSERT_TRUE(loaded.Load(folder + "/p.bmp"));
    EXPECT_TRUE(SamePixels(loaded, picture));
    // The asked format fails, the probe finds the icon.
    ASSERT_TRUE(loaded.Load(folder + "/p.ico", RASTER_FORMAT_BMP));
    EXPECT_EQ(loaded.GetType(), RASTER_FORMAT_ICO);
    // An asked format's own text survives the probe's failure.
    EXPECT_FALSE(loaded.Load(folder + "/t.txt", RASTER_FORMAT_ICO));
    EXPECT_STREQ(loaded.GetLastError(), "Not an icon file");
    // Format 12 goes straight to the probe and keeps the text held before.
    EXPECT_FALSE(loaded.Load(folder + "/t.txt", 12));
    EXPECT_STREQ(loaded.GetLastError(), "Not an icon file");
    EXPECT_FALSE(loaded.Load(folder + "/t.txt"));
    EXPECT_STREQ(loaded.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_FALSE(loaded.Load(folder + "/missing.bmp", RASTER_FORMAT_BMP));
    EXPECT_STREQ(loaded.GetLastError(), "Decode: Unknown or wrong format");
    EXPECT_TRUE(SamePixels(loaded, picture));
    // A file that is there but is no regular file, or too large, says so.
    const std::string huge = folder + "/huge.bmp";
    testsupport::WriteFileBytes(huge, "BM");
    std::filesystem::resize_file(huge, (std::uintmax_t{512} << 20) + 1);  // sparse
    for (DWORD format : {RASTER_FORMAT_BMP, RASTER_FORMAT_UNKNOWN}) {
        EXPECT_FALSE(loaded.Load(folder, format));
        EXPECT_STREQ(loaded.GetLastError(), "It is not a regular file.");
        EXPECT_FALSE(loaded.Load(huge, format));
        EXPECT_STREQ(loaded.GetLastError(), "The file is larger than 512 MiB.");
    }
    EXPECT_TRUE(SamePixels(loaded, picture));

    // The loading constructors and a caller's FILE.
    const CRaster byName(folder + "/p.bmp", RASTER_FORMAT_UNKNOWN);
    EXPECT_TRUE(SamePixels(byName, picture));
    std::FILE* fp = std::fopen((folder + "/p.ico").c_str(), "rb");
    const CRaster byFile(fp, RASTER_FORMAT_ICO);
    std::fclose(fp);
    EXPECT_TRUE(SamePixels(byFile, picture));
}

TEST(DispatchTest, FormPicturesKeptAsBmpBytesAndResources) {
    // The form keeps a picture as the bytes of a memory stream and decodes
    // them again from its own buffer.
    CRaster picture = imagetesting::Pattern(32, 24, 8);
    CRasterMemFile out;
    ASSERT_TRUE(out.Open());
    ASSERT_TRUE(picture.Encode(&out, RASTER_FORMAT_BMP));
    const LONG size = out.Size();
    BYTE* kept = out.GetBuffer(true);
    CRaster drawn;
    ASSERT_TRUE(drawn.Decode(kept, static_cast<DWORD>(size), RASTER_FORMAT_BMP));
    CRaster::FreeMemory(kept);
    EXPECT_TRUE(SamePixels(drawn, picture));
    ASSERT_TRUE(drawn.DecreaseBpp(4, false));
    EXPECT_EQ(drawn.GetBpp(), 4);

    CRaster rgbw;
    ASSERT_TRUE(rgbw.LoadResource(":/imagetests/rgbw.bmp", RASTER_FORMAT_UNKNOWN))
        << rgbw.GetLastError();
    EXPECT_EQ(CRaster::RGBQUADtoRGB(rgbw.GetPixelColor(0, 0)), RGB(0, 0, 255));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(rgbw.GetPixelColor(1, 1)), RGB(255, 255, 255));
    EXPECT_FALSE(rgbw.LoadResource(":/imagetests/none.bmp", RASTER_FORMAT_BMP));
    EXPECT_STREQ(rgbw.GetLastError(), "Unable to load resource!");

    // Raw values, bottom row first: red, green, blue, alpha.
    CRaster two(2, 1, 24, 0);
    two.SetPixelColor(0, 0, RGB(1, 2, 3));
    two.SetPixelColor(1, 0, RGB(4, 5, 6));
    BYTE* raw = nullptr;
    LONG rawSize = 0;
    ASSERT_TRUE(two.Encode2RGBA(raw, rawSize));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(raw), static_cast<std::size_t>(rawSize)),
              std::string("\1\2\3\0\4\5\6\0", 8));
    CRaster::FreeMemory(raw);
}

}  // namespace
