// JPEG files made with the bare library, decoded by us and by it at every
// scale and with every decode option; ours read back by it; damaged and
// hostile files.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "image/codecs/rasterjpg.h"
#include "image/codecs/tests/codectesting.h"
#include "image/codecs/tests/jpegtesting.h"
#include "platform/testing/testsupport.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using imagetesting::DecodeBytes;
using jpegtesting::BareDecode;
using jpegtesting::BareEncode;
using jpegtesting::BareImage;
using jpegtesting::Samples;

// Our image against the bare library's decode of the same file: colour
// rows are blue first and bottom-up, grey rows are palette indices of a
// grey palette, CMYK becomes C x K, M x K, Y x K.
::testing::AssertionResult SameAsBare(const CRaster& ours, const BareImage& bare) {
    if (!bare.ok) return ::testing::AssertionFailure() << "the bare library failed";
    if (static_cast<int>(ours.GetWidth()) != bare.width ||
        static_cast<int>(ours.GetHeight()) != bare.height)
        return ::testing::AssertionFailure()
               << "size " << ours.GetWidth() << "x" << ours.GetHeight() << " vs " << bare.width
               << "x" << bare.height;
    const int expectBpp = bare.components == 1 ? 8 : 24;
    if (ours.GetBpp() != expectBpp) return ::testing::AssertionFailure() << "bpp " << ours.GetBpp();
    for (int y = 0; y < bare.height; ++y)
        for (int x = 0; x < bare.width; ++x) {
            const unsigned char* s =
                bare.samples.data() +
                (static_cast<std::size_t>(y) * bare.width + x) * bare.components;
            const RGBQUAD p = ours.GetPixelColor(x, bare.height - 1 - y, false);
            int r = s[0], g = s[0], b = s[0];
            if (bare.components == 3) {
                g = s[1];
                b = s[2];
            } else if (bare.components == 4) {
                r = s[0] * s[3] / 255;
                g = s[1] * s[3] / 255;
                b = s[2] * s[3] / 255;
            }
            if (p.rgbRed != r || p.rgbGreen != g || p.rgbBlue != b)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): ours " << int(p.rgbRed) << ","
                       << int(p.rgbGreen) << "," << int(p.rgbBlue) << " bare " << r << "," << g
                       << "," << b;
        }
    return ::testing::AssertionSuccess();
}

struct Kind {
    const char* name;
    int components;
    J_COLOR_SPACE space;
    bool progressive;
};
const Kind kKinds[] = {
    {"baseline", 3, JCS_RGB, false},
    {"progressive", 3, JCS_RGB, true},
    {"grey", 1, JCS_GRAYSCALE, false},
    {"cmyk", 4, JCS_CMYK, false},
};

std::string KindFile(const Kind& kind, int width, int height) {
    return BareEncode(width, height, kind.components, kind.space,
                      Samples(width, height, kind.components), [&](jpeg_compress_struct& c) {
                          if (kind.progressive) jpeg_simple_progression(&c);
                      });
}

TEST(JpgTest, DecodesEqualTheBareLibraryAtEveryScale) {
    // The image's scale against the reduction the library is asked for.
    const struct {
        BYTE scale;
        unsigned denom;
    } scales[] = {{0, 1}, {1, 1}, {2, 2}, {3, 2}, {4, 4}, {5, 4}, {7, 4}, {8, 8}, {9, 8}, {255, 8}};
    for (const Kind& kind : kKinds) {
        const std::string file = KindFile(kind, 37, 23);
        ASSERT_FALSE(file.empty()) << kind.name;
        for (const auto& s : scales) {
            const BareImage bare = BareDecode(file, s.denom);
            CRaster image;
            image.SetJpegScale(s.scale);
            ASSERT_TRUE(DecodeBytes(image, file, RASTER_FORMAT_JPG)) << image.GetLastError();
            EXPECT_TRUE(SameAsBare(image, bare)) << kind.name << " scale " << int(s.scale);
            if (kind.components == 1) {
                EXPECT_TRUE(image.IsGrayScale()) << kind.name;
            }
            EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_JPG));

            // The size alone: the same numbers, no pixels.
            CRaster size;
            size.SetJpegScale(s.scale);
            size.SetEscape(-1);
            ASSERT_TRUE(DecodeBytes(size, file, RASTER_FORMAT_JPG)) << kind.name;
            EXPECT_FALSE(size.IsValid());
            EXPECT_EQ(static_cast<int>(size.GetWidth()), bare.width) << kind.name;
            EXPECT_EQ(static_cast<int>(size.GetHeight()), bare.height) << kind.name;
        }
        // And found by the probe.
        CRaster probed;
        ASSERT_TRUE(DecodeBytes(probed, file, RASTER_FORMAT_UNKNOWN)) << kind.name;
        EXPECT_TRUE(SameAsBare(probed, BareDecode(file))) << kind.name;
    }
}

TEST(JpgTest, DecodeOptionsMatchTheLibrarysOwn) {
    const std::string colour = KindFile(kKinds[0], 40, 24);
    const struct {
        const char* name;
        DWORD options;
        BYTE quality;
        std::function<void(jpeg_decompress_struct&)> bare;
    } cases[] = {
        {"grey output", 0x80, 90,
         [](jpeg_decompress_struct& c) { c.out_color_space = JCS_GRAYSCALE; }},
        {"no fancy upsampling", 0x800, 90,
         [](jpeg_decompress_struct& c) { c.do_fancy_upsampling = FALSE; }},
        // The quality is the wanted number of colours, never below 8.
        {"quantised to 3", 0x100, 3,
         [](jpeg_decompress_struct& c) {
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 8;
         }},
        {"quantised to 0", 0x100, 0,
         [](jpeg_decompress_struct& c) {
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 8;
         }},
        {"quantised to 200, one pass", 0x500, 200,
         [](jpeg_decompress_struct& c) {
             c.quantize_colors = TRUE;
             c.desired_number_of_colors = 200;
             c.two_pass_quantize = FALSE;
         }},
    };
    for (const auto& c : cases) {
        const BareImage bare = BareDecode(colour, 1, c.bare);
        ASSERT_TRUE(bare.ok) << c.name;
        CRaster image;
        image.SetCodecOption(c.options, RASTER_FORMAT_JPG);
        image.SetJpegQuality(c.quality);
        ASSERT_TRUE(DecodeBytes(image, colour, RASTER_FORMAT_JPG))
            << c.name << ": " << image.GetLastError();
        if (bare.colormap.empty()) {
            EXPECT_TRUE(SameAsBare(image, bare)) << c.name;
            continue;
        }
        // Quantised: the same indices and the library's palette of its
        // count, kept by a copy too.
        ASSERT_EQ(image.GetBpp(), 8) << c.name;
        ASSERT_EQ(bare.colormap.size(), 3u);
        EXPECT_EQ(image.GetNumColors(), bare.colormap[0].size()) << c.name;
        const CRaster copy(image);
        for (int y = 0; y < bare.height; ++y)
            for (int x = 0; x < bare.width; ++x)
                ASSERT_EQ(copy.GetPixelIndex(x, bare.height - 1 - y),
                          bare.samples[static_cast<std::size_t>(y) * bare.width + x])
                    << c.name << " (" << x << ", " << y << ")";
        for (std::size_t i = 0; i < bare.colormap[0].size(); ++i) {
            const RGBQUAD p = copy.GetPaletteColor(static_cast<BYTE>(i));
            EXPECT_EQ(p.rgbRed, bare.colormap[0][i]) << c.name << " " << i;
            EXPECT_EQ(p.rgbGreen, bare.colormap[1][i]) << c.name << " " << i;
            EXPECT_EQ(p.rgbBlue, bare.colormap[2][i]) << c.name << " " << i;
        }
    }
}

TEST(JpgTest, OurFilesReadByTheBareLibrary) {
    CRaster photo = imagetesting::Pattern(33, 17, 24);
    photo.SetXDPI(150);
    photo.SetYDPI(150);
    const struct {
        const char* name;
        DWORD options;
        BYTE quality;
        bool progressive, arithmetic;
        int components;
    } cases[] = {
        {"plain", 0, 95, false, false, 3},
        {"progressive", 0x10, 95, true, false, 3},
        // Arithmetic coding: this library writes it.
        {"arithmetic", 0x2, 95, false, true, 3},
        {"grey", 0x4, 95, false, false, 1},
        {"optimised", 0x8, 95, false, false, 3},
        {"smoothed", 0x40, 95, false, false, 3},
    };
    for (const auto& c : cases) {
        CRaster image(photo);
        image.SetCodecOption(c.options, RASTER_FORMAT_JPG);
        image.SetJpegQuality(c.quality);
        const std::string bytes = EncodeBytes(image, RASTER_FORMAT_JPG);
        ASSERT_FALSE(bytes.empty()) << c.name << ": " << image.GetLastError();
        const BareImage bare = BareDecode(bytes);
        ASSERT_TRUE(bare.ok) << c.name;
        EXPECT_EQ(bare.progressive, c.progressive) << c.name;
        EXPECT_EQ(bare.arithmetic, c.arithmetic) << c.name;
        EXPECT_EQ(bare.colorComponents, c.components) << c.name;
        EXPECT_EQ(bare.densityUnit, 1) << c.name;
        EXPECT_EQ(bare.xDensity, 150) << c.name;
        // Our decoder agrees with the library on our file, and the picture
        // is the one written (lossy, but close at this quality).
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_JPG)) << c.name;
        EXPECT_TRUE(SameAsBare(back, bare)) << c.name;
        EXPECT_EQ(back.GetXDPI(), 150) << c.name;
        if (c.components == 3) {
            int worst = 0;
            for (LONG y = 0; y < 17; ++y)
                for (LONG x = 0; x < 33; ++x) {
                    const RGBQUAD a = photo.GetPixelColor(x, y), b = back.GetPixelColor(x, y);
                    worst = std::max({worst, std::abs(a.rgbRed - b.rgbRed),
                                      std::abs(a.rgbGreen - b.rgbGreen),
                                      std::abs(a.rgbBlue - b.rgbBlue)});
                }
            EXPECT_LE(worst, 48) << c.name;  // red and blue swapped would be far off
        }
    }
    // Baseline tables at a low quality keep every value within 8 bits.
    for (const DWORD options : {0u, 1u}) {
        CRaster image(photo);
        image.SetCodecOption(options, RASTER_FORMAT_JPG);
        image.SetJpegQuality(10);
        const BareImage bare = BareDecode(EncodeBytes(image, RASTER_FORMAT_JPG));
        ASSERT_TRUE(bare.ok);
        if (options == 1)
            EXPECT_LE(bare.maxQuant, 255u);
        else
            EXPECT_GT(bare.maxQuant, 255u);
    }
}

TEST(JpgTest, GreyAndPaletteImagesOnSave) {
    // 8-bit grey: one component, the values as they are.
    CRaster grey(19, 5, 8, 0);
    grey.SetGrayPalette();
    for (LONG y = 0; y < 5; ++y)
        for (LONG x = 0; x < 19; ++x) grey.SetPixelIndex(x, y, static_cast<BYTE>(x * 13 + y * 40));
    grey.SetJpegQuality(100);
    const BareImage bare = BareDecode(EncodeBytes(grey, RASTER_FORMAT_JPG));
    ASSERT_TRUE(bare.ok);
    EXPECT_EQ(bare.colorComponents, 1);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 19; ++x)
            EXPECT_NEAR(bare.samples[static_cast<std::size_t>(y) * 19 + x],
                        grey.GetPixelIndex(x, 4 - y), 6)
                << x << "," << y;

    // A 1-bit image with a grey palette (0 and 1) is grey too.
    CRaster mono(9, 3, 1, 0);
    mono.SetPaletteColor(1, 1, 1, 1);
    mono.SetPixelIndex(2, 1, 1);
    mono.SetJpegQuality(100);
    const BareImage monoBare = BareDecode(EncodeBytes(mono, RASTER_FORMAT_JPG));
    ASSERT_TRUE(monoBare.ok);
    EXPECT_EQ(monoBare.colorComponents, 1);

    // A palette of colours cannot be written.
    CRaster four = imagetesting::Pattern(4, 4, 4);
    BYTE* buffer = nullptr;
    LONG size = 0;
    EXPECT_FALSE(four.Encode(buffer, size, RASTER_FORMAT_JPG));
    EXPECT_STREQ(four.GetLastError(), "JPEG can save only RGB or GreyScale images");
    EXPECT_EQ(buffer, nullptr);
}

TEST(JpgTest, ResolutionFromTheJfifHeader) {
    const std::vector<unsigned char> pixels = Samples(8, 8, 3);
    const struct {
        int unit, density;
        LONG dpi;
    } cases[] = {
        {2, 118, 300},  // dots per centimetre: floor(118 x 2.54 + 0.5)
        {1, 72, 72},
        {0, 1, 96},  // an aspect ratio only: no resolution
    };
    for (const auto& c : cases) {
        const std::string file =
            BareEncode(8, 8, 3, JCS_RGB, pixels, [&](jpeg_compress_struct& cinfo) {
                cinfo.density_unit = static_cast<UINT8>(c.unit);
                cinfo.X_density = cinfo.Y_density = static_cast<UINT16>(c.density);
            });
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, file, RASTER_FORMAT_JPG));
        EXPECT_EQ(image.GetXDPI(), c.dpi) << c.unit;
        EXPECT_EQ(image.GetYDPI(), c.dpi) << c.unit;
    }
}

TEST(JpgTest, DamagedFilesFailCleanlyOrKeepWhatIsThere) {
    const std::string file = KindFile(kKinds[0], 32, 32);
    // Where the compressed data starts: after the start-of-scan header.
    std::size_t scan = 0;
    for (std::size_t i = 2; i + 3 < file.size(); ++i)
        if (static_cast<BYTE>(file[i]) == 0xFF && static_cast<BYTE>(file[i + 1]) == 0xDA) {
            scan = i + 2 + ((static_cast<BYTE>(file[i + 2]) << 8) | static_cast<BYTE>(file[i + 3]));
            break;
        }
    ASSERT_GT(scan, 0u);
    std::vector<std::string> cuts;
    for (std::size_t n = 0; n < file.size() - 2; n += 7) cuts.push_back(file.substr(0, n));
    // Cut before the data: a failure; within the data: the rows present.
    ExpectCleanFailures("cut", cuts, RASTER_FORMAT_JPG,
                        [&](std::size_t i) { return i * 7 >= scan; });

    CRaster empty;
    EXPECT_FALSE(DecodeBytes(empty, "", RASTER_FORMAT_JPG));
    EXPECT_STREQ(empty.GetLastError(), "Empty input file");

    // The rows before a cut are the full file's rows.
    CRaster whole, cut;
    ASSERT_TRUE(DecodeBytes(whole, file, RASTER_FORMAT_JPG));
    ASSERT_TRUE(
        DecodeBytes(cut, file.substr(0, scan + (file.size() - scan) / 2), RASTER_FORMAT_JPG));
    ASSERT_EQ(cut.GetHeight(), 32u);
    EXPECT_EQ(std::memcmp(whole.GetBits(24), cut.GetBits(24), whole.GetEffWidth() * 8), 0);

    // Header fields broken one at a time: no start marker, a precision of
    // 0, a width of 0.
    const std::size_t sof = file.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    const std::vector<std::size_t> zeroed[] = {{1}, {sof + 4}, {sof + 7, sof + 8}};
    std::vector<std::string> broken;
    for (const auto& at : zeroed) {
        std::string bytes = file;
        for (const std::size_t i : at) bytes[i] = 0;
        broken.push_back(bytes);
    }
    ExpectCleanFailures("broken", broken, RASTER_FORMAT_JPG, [](std::size_t) { return false; });
}

TEST(JpgTest, UnusualComponentCountsAndACancelledDecode) {
    // Two components of no known colour space: their bytes at the start of
    // each 24-bit row, the rest of the row zero.
    const std::string two = BareEncode(9, 4, 2, JCS_UNKNOWN, Samples(9, 4, 2));
    const BareImage bare = BareDecode(two);
    ASSERT_TRUE(bare.ok);
    ASSERT_EQ(bare.components, 2);
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, two, RASTER_FORMAT_JPG)) << image.GetLastError();
    ASSERT_EQ(image.GetBpp(), 24);
    for (int y = 0; y < 4; ++y) {
        const BYTE* row = image.GetBits(3 - y);
        EXPECT_EQ(std::memcmp(row, bare.samples.data() + y * 18, 18), 0) << y;
        for (DWORD i = 18; i < image.GetEffWidth(); ++i) EXPECT_EQ(row[i], 0) << y << " " << i;
    }

    // An escape value set before the decode stops it before the first row.
    CRaster cancelled = imagetesting::Pattern(3, 3, 8);
    const CRaster before(cancelled);
    cancelled.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(cancelled, KindFile(kKinds[0], 16, 16), RASTER_FORMAT_JPG));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    EXPECT_TRUE(imagetesting::SamePixels(cancelled, before));
}

// A progressive scan script with `refinements` approximation steps of
// every single coefficient of each of three components.
std::vector<jpeg_scan_info> ManyScans(int refinements) {
    std::vector<jpeg_scan_info> scans;
    jpeg_scan_info dc{};
    dc.comps_in_scan = 3;
    dc.component_index[0] = 0;
    dc.component_index[1] = 1;
    dc.component_index[2] = 2;
    scans.push_back(dc);
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k < 64; ++k)
            for (int step = 0; step < refinements; ++step) {
                jpeg_scan_info s{};
                s.comps_in_scan = 1;
                s.component_index[0] = c;
                s.Ss = s.Se = k;
                s.Al = refinements - 1 - step;
                s.Ah = step == 0 ? 0 : s.Al + 1;
                scans.push_back(s);
            }
    return scans;
}

TEST(JpgTest, FilesPastAThousandScansAreRefused) {
    const std::vector<unsigned char> pixels = Samples(16, 16, 3);
    const struct {
        int refinements;
        bool ok;
    } cases[] = {{5, true}, {6, false}};  // 946 and 1135 scans
    for (const auto& c : cases) {
        const std::vector<jpeg_scan_info> scans = ManyScans(c.refinements);
        const std::string file =
            BareEncode(16, 16, 3, JCS_RGB, pixels, [&](jpeg_compress_struct& cinfo) {
                cinfo.scan_info = scans.data();
                cinfo.num_scans = static_cast<int>(scans.size());
            });
        ASSERT_FALSE(file.empty());
        ASSERT_TRUE(BareDecode(file).ok);
        CRaster image = imagetesting::Pattern(3, 3, 8);
        const CRaster before(image);
        EXPECT_EQ(DecodeBytes(image, file, RASTER_FORMAT_JPG), c.ok) << scans.size();
        if (!c.ok) {
            EXPECT_STREQ(image.GetLastError(), "JPEG file has more than 1000 scans");
            EXPECT_TRUE(imagetesting::SamePixels(image, before));
        }
    }
}

TEST(JpgTest, MemoryCapHoldsForTheImageAndTheLibrarysBuffers) {
    const std::vector<unsigned char> pixels = Samples(1024, 1024, 1);
    const std::string baseline = BareEncode(1024, 1024, 1, JCS_GRAYSCALE, pixels);
    const std::string progressive =
        BareEncode(1024, 1024, 1, JCS_GRAYSCALE, pixels,
                   [](jpeg_compress_struct& c) { jpeg_simple_progression(&c); });
    SetRasterMaxMemory(std::size_t{512} << 10);
    const struct {
        const char* name;
        const std::string& file;
        BYTE scale;
        bool ok;
    } cases[] = {
        {"baseline, full size", baseline, 1, false},  // 1 MiB of pixels
        {"baseline, eighth", baseline, 8, true},
        // A whole-picture buffer of coefficients (2 MiB) for 128 x 128 pixels.
        {"progressive, eighth", progressive, 8, false},
    };
    for (const auto& c : cases) {
        CRaster image;
        image.SetJpegScale(c.scale);
        EXPECT_EQ(DecodeBytes(image, c.file, RASTER_FORMAT_JPG), c.ok) << c.name;
        if (!c.ok) {
            EXPECT_STRNE(image.GetLastError(), "") << c.name;
        }
    }
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, baseline, RASTER_FORMAT_JPG));
    EXPECT_STREQ(image.GetLastError(), "RASTER_MAX_MEMORY exceeded");
    SetRasterMaxMemory(0);
}

// A stream whose writes fail after `room` bytes.
class ShortFile : public CRasterMemFile {
public:
    explicit ShortFile(std::size_t room) : m_room(room) { Open(); }
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override {
        if (static_cast<std::size_t>(Size()) + size * count > m_room) return 0;
        return CRasterMemFile::Write(buffer, size, count);
    }

private:
    std::size_t m_room;
};

TEST(JpgTest, AFailedWriteIsAFailure) {
    CRaster photo = imagetesting::Pattern(300, 200, 24);
    for (const std::size_t room : {std::size_t{0}, std::size_t{4096}, std::size_t{10000}}) {
        ShortFile file(room);
        EXPECT_FALSE(photo.Encode(&file, RASTER_FORMAT_JPG)) << room;
        EXPECT_STREQ(photo.GetLastError(), "Output file write error --- out of disk space?")
            << room;
    }
}

// The program's own path: a picture saved by name and loaded back by the
// probe, and a FILE stream left open for its caller.
TEST(JpgTest, SavedAndLoadedByName) {
    const std::string folder = testsupport::MakeTempFolder("jpg");
    CRaster picture = imagetesting::Pattern(21, 11, 24);
    picture.SetJpegQuality(100);
    ASSERT_TRUE(picture.Save(folder + "/p.jpg", RASTER_FORMAT_JPG)) << picture.GetLastError();
    CRaster loaded;
    ASSERT_TRUE(loaded.Load(folder + "/p.jpg"));
    EXPECT_EQ(loaded.GetType(), static_cast<DWORD>(RASTER_FORMAT_JPG));
    std::FILE* fp = std::fopen((folder + "/p.jpg").c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    std::string bytes;
    for (int c; (c = std::fgetc(fp)) != EOF;) bytes += static_cast<char>(c);
    EXPECT_TRUE(SameAsBare(loaded, BareDecode(bytes)));
    std::rewind(fp);
    CRaster viaFile;
    EXPECT_TRUE(viaFile.Decode(fp, RASTER_FORMAT_JPG));
    EXPECT_TRUE(imagetesting::SamePixels(viaFile, loaded));
    EXPECT_EQ(std::fgetc(fp), EOF);  // still open: read to its end
    std::fclose(fp);
}

}  // namespace
