// TIFF files made by libtiff itself in every layout the decoder meets,
// read by us pixel for pixel; ours written with every compression, read
// back by us and by Qt's TIFF reader; pages; and damaged files.

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>
#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "image/codecs/rastertif.h"
#include "image/codecs/tests/codectesting.h"
#include "platform/testing/testsupport.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::SameAsQt;
using imagetesting::DecodeBytes;
using Sample = std::function<unsigned(std::uint32_t x, std::uint32_t y, int s)>;

// A sample pattern where neighbours, rows and samples all differ.
unsigned Wave(std::uint32_t x, std::uint32_t y, int s) { return x * 7 + y * 13 + s * 71 + x * y; }
// 16-bit values: the high byte is the 8-bit value, the low byte differs.
unsigned Wide(std::uint32_t x, std::uint32_t y, int s) { return (Wave(x, y, s) & 255) << 8 | 0x80; }

// One page for libtiff to write: its layout and the value of each sample.
struct Page {
    Page(std::uint32_t w, std::uint32_t h, std::uint16_t b, std::uint16_t s, std::uint16_t ph)
        : width(w), height(h), bps(b), spp(s), photometric(ph), sample(b == 16 ? Wide : Wave) {}
    std::uint32_t width, height;
    std::uint16_t bps, spp, photometric;
    Sample sample;
    std::uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint32_t tile = 0, rowsPerStrip = 0;  // 0: strips, the library's choice
    int extra = -1;                            // the extra sample's kind
    std::vector<std::uint16_t> colormap;       // red, green, blue
    float xres = 0, yres = 0;
    std::uint16_t unit = RESUNIT_INCH;

    Page& Coded(std::uint16_t c, std::uint32_t rows = 0) {
        compression = c;
        rowsPerStrip = rows;
        return *this;
    }
    Page& Tiles(std::uint32_t size) { return tile = size, *this; }
    Page& Separate() { return planar = PLANARCONFIG_SEPARATE, *this; }
    Page& White() { return photometric = PHOTOMETRIC_MINISWHITE, *this; }
    Page& Bottom() { return orientation = ORIENTATION_BOTLEFT, *this; }
    Page& Extra(int kind, Sample s) { return extra = kind, sample = std::move(s), *this; }
};

Page Grey(std::uint32_t w, std::uint32_t h, std::uint16_t bps) {
    return Page(w, h, bps, 1, PHOTOMETRIC_MINISBLACK);
}
Page Colour(std::uint32_t w, std::uint32_t h, std::uint16_t bps, std::uint16_t spp) {
    Page p(w, h, bps, spp, PHOTOMETRIC_RGB);
    if (spp == 4) p.extra = EXTRASAMPLE_UNASSALPHA;
    return p;
}
// A colour map of 16-bit values (low bytes their own), or of 8-bit values
// as some writers store them.
Page Indexed(std::uint32_t w, std::uint32_t h, std::uint16_t bps, bool sixteen = true) {
    Page p(w, h, bps, 1, PHOTOMETRIC_PALETTE);
    const int n = 1 << bps;
    for (int i = 0; i < 3 * n; ++i) {
        const unsigned c = (i * 37 + 11 + i / n * 50) & 255;
        p.colormap.push_back(static_cast<std::uint16_t>(sixteen ? c << 8 | 0x80 : c));
    }
    return p;
}

// Packs `count` pixels of row y from x0: all samples, or only `plane`.
void PackRow(const Page& p, BYTE* out, std::uint32_t x0, std::uint32_t count, std::uint32_t y,
             int plane) {
    std::size_t bit = 0;
    for (std::uint32_t x = x0; x < x0 + count; ++x)
        for (int s = plane < 0 ? 0 : plane; s < (plane < 0 ? p.spp : plane + 1); ++s) {
            const bool inside = x < p.width && y < p.height;
            const unsigned v = inside ? p.sample(x, y, s) & ((1u << p.bps) - 1) : 0;
            if (p.bps == 16) {
                const std::uint16_t word = static_cast<std::uint16_t>(v);
                std::memcpy(out + bit / 8, &word, 2);  // libtiff swaps for big-endian files
                bit += 16;
                continue;
            }
            for (int b = p.bps - 1; b >= 0; --b, ++bit)
                if ((v >> b) & 1) out[bit / 8] |= static_cast<BYTE>(0x80 >> (bit % 8));
        }
}

// A file of this test program's temporary folder.
std::string Temp(const char* name) { return testsupport::TempRoot() + "/" + name; }

std::string Slurp(const std::string& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

// The pages as a file written by libtiff ("w", or "wb" for big-endian).
std::string MakeTiff(const std::vector<Page>& pages, const char* mode = "w") {
    TIFF* tif = TIFFOpen(Temp("made.tif").c_str(), mode);
    EXPECT_NE(tif, nullptr);
    for (const Page& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bps);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.spp);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.photometric == PHOTOMETRIC_YCBCR)  // given RGB, stored subsampled
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        if (p.extra >= 0) {
            const std::uint16_t kind = static_cast<std::uint16_t>(p.extra);
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        std::vector<std::uint16_t> map = p.colormap;
        const std::size_t n = map.size() / 3;
        if (n != 0) TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, &map[2 * n]);
        if (p.xres != 0) {
            TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, p.unit);
            TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.xres);
            TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.yres);
            TIFFSetField(tif, TIFFTAG_XPOSITION, 2.0f);
            TIFFSetField(tif, TIFFTAG_YPOSITION, 0.5f);
        }
        const int planes = p.planar == PLANARCONFIG_SEPARATE ? p.spp : 1;
        if (p.tile != 0) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tile);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tile);
            const std::size_t rowBytes = static_cast<std::size_t>(TIFFTileRowSize(tif));
            for (int s = 0; s < planes; ++s)
                for (std::uint32_t ty = 0; ty < p.height; ty += p.tile)
                    for (std::uint32_t tx = 0; tx < p.width; tx += p.tile) {
                        std::vector<BYTE> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
                        for (std::uint32_t i = 0; i < p.tile; ++i)
                            PackRow(p, &tile[i * rowBytes], tx, p.tile, ty + i,
                                    planes > 1 ? s : -1);
                        EXPECT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0, s), 0);
                    }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                         p.rowsPerStrip != 0 ? p.rowsPerStrip : TIFFDefaultStripSize(tif, 0));
            for (int s = 0; s < planes; ++s)
                for (std::uint32_t y = 0; y < p.height; ++y) {
                    std::vector<BYTE> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
                    PackRow(p, row.data(), 0, p.width, y, planes > 1 ? s : -1);
                    EXPECT_GE(TIFFWriteScanline(tif, row.data(), y, s), 0);
                }
        }
        EXPECT_TRUE(TIFFWriteDirectory(tif));
    }
    TIFFClose(tif);
    return Slurp(Temp("made.tif"));
}

// Our image equals the page, rows from the top (or, for pages stored from
// the bottom, from the bottom).
::testing::AssertionResult SameAsPage(const CRaster& ours, const Page& p) {
    if (ours.GetWidth() != p.width || ours.GetHeight() != p.height)
        return ::testing::AssertionFailure()
               << "size " << ours.GetWidth() << "x" << ours.GetHeight();
    const unsigned top = (1u << p.bps) - 1;
    for (std::uint32_t y = 0; y < p.height; ++y)
        for (std::uint32_t x = 0; x < p.width; ++x) {
            auto v = [&](int s) {
                const unsigned raw = p.sample(x, y, s) & top;
                return p.bps == 16 ? raw >> 8 : raw * 255 / top;
            };
            std::array<unsigned, 4> e{v(0), v(p.spp > 1), v(2 * (p.spp > 1)), 255};
            if (p.spp == 4) e[3] = v(3);
            if (p.photometric == PHOTOMETRIC_MINISWHITE)
                e = {255 - e[0], 255 - e[0], 255 - e[0], 255};
            if (p.photometric == PHOTOMETRIC_PALETTE) {
                const std::size_t i = p.sample(x, y, 0) & top, n = p.colormap.size() / 3;
                const bool sixteen = *std::max_element(p.colormap.begin(), p.colormap.end()) > 255;
                for (int c = 0; c < 3; ++c)
                    e[c] = sixteen ? (p.colormap[c * n + i] + 128u) / 257u : p.colormap[c * n + i];
            }
            if (p.extra == EXTRASAMPLE_ASSOCALPHA)  // stored premultiplied: divided out
                for (int c = 0; c < 3; ++c)
                    e[c] = e[3] == 0 ? 0 : std::min(255u, (e[c] * 255 + e[3] / 2) / e[3]);
            const LONG row =
                static_cast<LONG>(p.orientation == ORIENTATION_BOTLEFT ? y : p.height - 1 - y);
            const RGBQUAD c = ours.GetPixelColor(static_cast<LONG>(x), row, false);
            const unsigned a = ours.AlphaIsValid() ? ours.AlphaGet(static_cast<LONG>(x), row) : 255;
            if (a != e[3] ||
                (a != 0 && (c.rgbRed != e[0] || c.rgbGreen != e[1] || c.rgbBlue != e[2])))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): " << int(c.rgbRed) << ","
                       << int(c.rgbGreen) << "," << int(c.rgbBlue) << "/" << a << " want " << e[0]
                       << "," << e[1] << "," << e[2] << "/" << e[3];
        }
    return ::testing::AssertionSuccess();
}

QImage QtRead(const std::string& bytes, int page = 0) {
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "tiff");
    if (page > 0 && !reader.jumpToImage(page)) return {};
    return reader.read();
}

// ---- Reading ----------------------------------------------------------------------

TEST(TiffDecodeTest, EveryLayoutReadsExactly) {
    const auto premultiplied = [](std::uint32_t x, std::uint32_t y, int s) {
        const unsigned a = Wave(x, y, 3) & 255;  // colour never above alpha
        return s == 3 ? a : (Wave(x, y, s) & 255) * a / 255;
    };
    // Alpha at its ends only: the RGBA interface hands colour multiplied by
    // alpha, which in between cannot come back exactly.
    const auto ends = [](std::uint32_t x, std::uint32_t y, int s) {
        return s == 3 ? ((x + y) % 3 == 0 ? 0u : 0xFFFFu) : Wide(x, y, s);
    };
    const struct {
        Page page;
        WORD bpp;  // of our image
    } cases[] = {
        // Read as they are; tiles at the edges reach past the image.
        {Grey(37, 9, 1), 1},
        {Grey(37, 9, 1).White(), 1},
        {Grey(31, 7, 4), 4},
        {Grey(30, 11, 8), 8},
        {Grey(30, 11, 8).White().Bottom(), 8},
        {Indexed(19, 5, 1), 1},
        {Indexed(21, 6, 4), 4},
        {Indexed(25, 8, 8), 8},
        {Indexed(25, 8, 8, false), 8},
        {Colour(29, 10, 8, 3), 24},
        {Colour(29, 10, 8, 4), 24},
        {Colour(29, 10, 8, 4).Extra(EXTRASAMPLE_ASSOCALPHA, premultiplied), 24},
        {Colour(33, 17, 8, 3).Coded(COMPRESSION_LZW, 17), 24},
        {Indexed(40, 12, 8).Coded(COMPRESSION_ADOBE_DEFLATE), 8},
        {Grey(45, 13, 1).Coded(COMPRESSION_CCITTFAX4), 1},
        {Indexed(40, 35, 8).Tiles(16), 8},
        {Grey(37, 20, 1).Tiles(16), 1},
        {Grey(50, 17, 4).Tiles(32), 4},
        {Colour(41, 33, 8, 3).Tiles(16).Bottom(), 24},
        {Colour(18, 18, 8, 4).Tiles(16), 24},
        // Through the RGBA interface.
        {Colour(23, 9, 16, 3), 24},
        {Grey(23, 9, 16), 24},
        {Colour(23, 9, 16, 4).Extra(EXTRASAMPLE_UNASSALPHA, ends), 24},
        {Grey(27, 6, 2), 24},
        {Indexed(27, 6, 2), 24},
        {Colour(26, 14, 8, 3).Separate(), 24},
        {Colour(26, 14, 16, 3).Separate().Coded(COMPRESSION_LZW, 5), 24},
        {Colour(40, 21, 16, 3).Tiles(16), 24},
        {Colour(35, 19, 8, 3).Tiles(16).Separate(), 24},
        {Colour(20, 50, 16, 3).Coded(COMPRESSION_NONE, 3).Bottom(), 24},
    };
    for (const auto& c : cases) {
        const std::string label = std::to_string(c.page.width) + "x" + std::to_string(c.page.bps);
        for (const char* mode : {"w", "wb"}) {  // little- and big-endian
            CRaster image;
            ASSERT_TRUE(DecodeBytes(image, MakeTiff({c.page}, mode), RASTER_FORMAT_TIF))
                << label << " " << mode << ": " << image.GetLastError();
            EXPECT_EQ(image.GetBpp(), c.bpp) << label;
            EXPECT_EQ(image.AlphaIsValid(), c.page.spp == 4) << label;
            EXPECT_TRUE(SameAsPage(image, c.page)) << label << " " << mode;
            // Row padding is zero, so equal pictures give equal bytes.
            const DWORD used = (image.GetWidth() * image.GetBpp() + 7) / 8;
            for (LONG y = 0; y < static_cast<LONG>(image.GetHeight()); ++y)
                for (DWORD i = used; i < image.GetEffWidth(); ++i)
                    ASSERT_EQ(image.GetBits(y)[i], 0) << label << " row " << y;
        }
    }
}

TEST(TiffDecodeTest, JpegPagesReadAsQtReadsThem) {
    // Lossy: our pixels equal those of Qt's reader, for RGB and YCbCr pages.
    for (const std::uint16_t photometric : {PHOTOMETRIC_RGB, PHOTOMETRIC_YCBCR}) {
        Page page = Colour(45, 37, 8, 3).Coded(COMPRESSION_JPEG, 16);
        page.photometric = photometric;
        const std::string bytes = MakeTiff({page});
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, bytes, RASTER_FORMAT_TIF)) << ours.GetLastError();
        EXPECT_TRUE(SameAsQt(ours, QtRead(bytes), false)) << photometric;
    }
}

TEST(TiffDecodeTest, ResolutionAndPosition) {
    const struct {
        std::uint16_t unit;
        float x, y;
        LONG dpiX, dpiY;
    } cases[] = {
        {RESUNIT_INCH, 300, 150, 300, 150},
        {RESUNIT_CENTIMETER, 118.11f, 39.37f, 300, 100},
        {RESUNIT_NONE, 72, 72, 72, 72},
        {RESUNIT_INCH, 70000, 100000, 96, 96},  // beyond any device: the default stays
    };
    for (const auto& c : cases) {
        Page page = Grey(4, 2, 8);
        page.unit = c.unit, page.xres = c.x, page.yres = c.y;
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, MakeTiff({page}), RASTER_FORMAT_TIF))
            << image.GetLastError();
        EXPECT_EQ(image.GetXDPI(), c.dpiX) << c.unit;
        EXPECT_EQ(image.GetYDPI(), c.dpiY) << c.unit;
        LONG ox = 0, oy = 0;  // positions are in resolution units
        image.GetOffset(&ox, &oy);
        EXPECT_EQ(ox, std::lround(2.0 * c.x)) << c.unit;
        EXPECT_EQ(oy, std::lround(0.5 * c.y)) << c.unit;
    }
}

TEST(TiffDecodeTest, SizeOnlyProbeAndLoad) {
    CRaster size = imagetesting::Pattern(3, 3, 8);
    size.SetEscape(-1);
    ASSERT_TRUE(DecodeBytes(size, MakeTiff({Colour(321, 123, 16, 3)}), RASTER_FORMAT_TIF));
    EXPECT_EQ(size.GetWidth(), 321u);
    EXPECT_EQ(size.GetHeight(), 123u);
    EXPECT_FALSE(size.IsValid());

    const Page p = Indexed(12, 7, 4);
    std::ofstream(Temp("load.tif"), std::ios::binary) << MakeTiff({p});
    CRaster probed, loaded;
    ASSERT_TRUE(DecodeBytes(probed, Slurp(Temp("load.tif")), RASTER_FORMAT_UNKNOWN));
    EXPECT_EQ(probed.GetType(), RASTER_FORMAT_TIF);
    EXPECT_TRUE(SameAsPage(probed, p));
    ASSERT_TRUE(loaded.Load(Temp("load.tif"), RASTER_FORMAT_BMP))
        << loaded.GetLastError();  // probed
    EXPECT_TRUE(SameAsPage(loaded, p));
    // Through a C file, the TIFF starting after other bytes.
    std::ofstream(Temp("later.tif"), std::ios::binary) << "head" << Slurp(Temp("load.tif"));
    std::FILE* fp = std::fopen(Temp("later.tif").c_str(), "rb");
    ASSERT_EQ(std::fseek(fp, 4, SEEK_SET), 0);
    CRasterTIF codec;
    EXPECT_TRUE(codec.Decode(fp)) << codec.GetLastError();
    std::fclose(fp);
    EXPECT_TRUE(SameAsPage(codec, p));
}

// ---- Writing ----------------------------------------------------------------------

TEST(TiffEncodeTest, EveryCompressionWritesOrIsRefusedBeforeWriting) {
    // Each compression code with whether it holds the data at 1, 4, 8 and
    // 24 bits (when the library has it), and whether it keeps them exactly.
    const struct {
        std::uint16_t code;
        std::array<bool, 4> writes;
        bool lossless;
    } codings[] = {
        {0, {1, 1, 1, 1}, true},
        {COMPRESSION_NONE, {1, 1, 1, 1}, true},
        {COMPRESSION_LZW, {1, 1, 1, 1}, true},
        {COMPRESSION_PACKBITS, {1, 1, 1, 1}, true},
        {COMPRESSION_ADOBE_DEFLATE, {1, 1, 1, 1}, true},
        {COMPRESSION_DEFLATE, {1, 1, 1, 1}, true},
        {COMPRESSION_LZMA, {1, 1, 1, 1}, true},
        {COMPRESSION_ZSTD, {1, 1, 1, 1}, true},
        {COMPRESSION_CCITTRLE, {1, 0, 0, 0}, true},
        {COMPRESSION_CCITTFAX3, {1, 0, 0, 0}, true},
        {COMPRESSION_CCITTFAX4, {1, 0, 0, 0}, true},
        {COMPRESSION_JPEG, {0, 0, 0, 1}, false},
        {COMPRESSION_WEBP, {0, 0, 0, 1}, false},
        {COMPRESSION_PIXARLOG, {0, 0, 0, 1}, true},
        {COMPRESSION_LERC, {0, 0, 1, 1}, true},
        {COMPRESSION_CCITTRLEW, {0, 0, 0, 0}, false},
        {COMPRESSION_OJPEG, {0, 0, 0, 0}, false},
        {COMPRESSION_NEXT, {0, 0, 0, 0}, false},
        {COMPRESSION_THUNDERSCAN, {0, 0, 0, 0}, false},
        {COMPRESSION_SGILOG, {0, 0, 0, 0}, false},
        {COMPRESSION_SGILOG24, {0, 0, 0, 0}, false},
        {COMPRESSION_JBIG, {0, 0, 0, 0}, false},
        {12345, {0, 0, 0, 0}, false},
    };
    const DWORD depths[] = {1, 4, 8, 24};
    for (const auto& coding : codings)
        for (int d = 0; d < 4; ++d) {
            const std::string label =
                std::to_string(coding.code) + " at " + std::to_string(depths[d]);
            const bool writes =
                coding.writes[d] && TIFFIsCODECConfigured(coding.code == 0 ? 1 : coding.code);
            EXPECT_EQ(CRasterTIF::CanWrite(coding.code, static_cast<WORD>(depths[d])), writes)
                << label;
            CRaster source = imagetesting::Pattern(45, 23, depths[d]);
            source.SetCodecOption(coding.code, RASTER_FORMAT_TIF);
            source.SetXDPI(200);
            CRasterMemFile stream;
            ASSERT_TRUE(stream.Open());
            ASSERT_EQ(source.Encode(&stream, RASTER_FORMAT_TIF), writes) << label;
            if (!writes) {
                EXPECT_STREQ(source.GetLastError(), "Error saving TIFF file") << label;
                EXPECT_EQ(stream.Size(), 0) << label << " wrote before failing";
                continue;
            }
            const std::string bytes(reinterpret_cast<char*>(stream.GetBuffer(false)),
                                    static_cast<std::size_t>(stream.Size()));
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_TIF))
                << label << ": " << back.GetLastError();
            EXPECT_EQ(back.GetBpp(), depths[d]) << label;
            EXPECT_EQ(back.GetXDPI(), 200) << label;
            const QImage qt = QtRead(bytes);
            // Lossy: both readers see the same pixels.
            EXPECT_TRUE(SameAsQt(coding.lossless ? source : back, qt, false)) << label;
            if (coding.lossless) {
                EXPECT_TRUE(imagetesting::SamePixels(back, source)) << label;
            }
        }
}

TEST(TiffEncodeTest, PagesWrittenAndReadOneByOne) {
    CRaster first = imagetesting::Pattern(30, 20, 1), second = imagetesting::Pattern(17, 9, 8),
            third = imagetesting::Pattern(11, 31, 24);
    first.SetCodecOption(COMPRESSION_CCITTFAX4, RASTER_FORMAT_TIF);
    second.SetCodecOption(COMPRESSION_LZW, RASTER_FORMAT_TIF);
    CRaster* pages[] = {&first, &second, &third};
    CRasterMemFile stream;
    ASSERT_TRUE(stream.Open());
    CRaster caller;
    ASSERT_TRUE(caller.Encode(&stream, pages, 3, RASTER_FORMAT_TIF)) << caller.GetLastError();
    const std::string bytes(reinterpret_cast<char*>(stream.GetBuffer(false)),
                            static_cast<std::size_t>(stream.Size()));
    ASSERT_TRUE(stream.Seek(0, 0));
    TIFF* tif = TIFFOpenEx(&stream, "r");
    ASSERT_NE(tif, nullptr);
    for (int i = 0; i < 3; ++i) {
        char* name = nullptr;
        ASSERT_TRUE(TIFFSetDirectory(tif, static_cast<tdir_t>(i)));
        ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENAME, &name));
        EXPECT_EQ(std::string(name), "Page " + std::to_string(i + 1));

        CRaster page;
        page.SetFrame(i);
        ASSERT_TRUE(DecodeBytes(page, bytes, RASTER_FORMAT_TIF))
            << i << ": " << page.GetLastError();
        EXPECT_EQ(page.GetNumFrames(), 3);
        EXPECT_EQ(page.GetBpp(), pages[i]->GetBpp());
        EXPECT_TRUE(imagetesting::SamePixels(page, *pages[i])) << i;
        EXPECT_TRUE(SameAsQt(*pages[i], QtRead(bytes, i), false)) << i;
    }
    TIFFCloseEx(tif);
    // A page that is not there: the count comes back with the failure and
    // the caller's picture stays.
    for (const LONG frame : {3, -1}) {
        CRaster missing = imagetesting::Pattern(4, 4, 24);
        const CRaster before(missing);
        missing.SetFrame(frame);
        EXPECT_FALSE(DecodeBytes(missing, bytes, RASTER_FORMAT_TIF));
        EXPECT_STREQ(missing.GetLastError(), "Error: page not present in TIFF file");
        EXPECT_EQ(missing.GetNumFrames(), 3);
        EXPECT_TRUE(imagetesting::SamePixels(missing, before));
    }
}

TEST(TiffEncodeTest, BadPageArguments) {
    CRaster good = imagetesting::Pattern(4, 4, 8), empty;
    CRaster* withNull[] = {&good, nullptr};
    CRaster* withEmpty[] = {&good, &empty};
    CRasterMemFile stream;
    ASSERT_TRUE(stream.Open());
    const struct {
        CRasterFile* file;
        CRaster** pages;
        LONG count;
        DWORD format;
        const char* text;
    } cases[] = {
        {nullptr, withNull, 1, RASTER_FORMAT_TIF, "invalid file pointer"},
        {&stream, nullptr, 1, RASTER_FORMAT_TIF, "multipage TIFF, no images!"},
        {&stream, withNull, 0, RASTER_FORMAT_TIF, "multipage TIFF, no images!"},
        {&stream, withNull, 2, RASTER_FORMAT_TIF, "Bad image pointer"},
        {&stream, withEmpty, 2, RASTER_FORMAT_TIF, "Bad image pointer"},
        {&stream, withNull, 1, RASTER_FORMAT_BMP,
         "Multipage Encode, Unsupported operation for this format"},
    };
    for (const auto& c : cases) {
        CRaster caller;
        EXPECT_FALSE(caller.Encode(c.file, c.pages, c.count, c.format)) << c.text;
        EXPECT_STREQ(caller.GetLastError(), c.text);
    }
    EXPECT_EQ(stream.Size(), 0);
    CRasterTIF codec;
    EXPECT_FALSE(codec.Encode(&stream));
    EXPECT_STREQ(codec.GetLastError(), "null image!!!");
}

// ---- Damaged files --------------------------------------------------------------------

// What `body` writes to stderr.
std::string StderrOf(const std::function<void()>& body) {
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* sink = std::fopen(Temp("stderr.txt").c_str(), "w+");
    dup2(fileno(sink), 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(sink);
    return Slurp(Temp("stderr.txt"));
}

TEST(TiffDamageTest, CutAndCorruptedFilesFailCleanlyAndQuietly) {
    SetRasterMaxMemory(std::size_t{4} << 20);
    const std::string files[] = {MakeTiff({Colour(40, 30, 8, 3).Coded(COMPRESSION_LZW, 4)}),
                                 MakeTiff({Colour(40, 30, 16, 3).Tiles(16)}),
                                 MakeTiff({Indexed(40, 30, 8)})};
    const std::string output = StderrOf([&] {
        for (const std::string& file : files) {
            // The pixels come first in libtiff's files: a cut that keeps the
            // directory may decode (the library drops what it points to past
            // the cut, as a colour map), any shorter one must fail.
            const auto u8 = [&](std::size_t at) {
                return std::size_t{static_cast<BYTE>(file[at])};
            };
            const std::size_t ifd = u8(4) | u8(5) << 8 | u8(6) << 16 | u8(7) << 24;
            const std::size_t ifdEnd = ifd + 2 + (u8(ifd) | u8(ifd + 1) << 8) * 12 + 4;
            const std::size_t step = std::max<std::size_t>(1, file.size() / 97);
            std::vector<std::string> cuts, flips;
            for (std::size_t n = 0; n < file.size(); n += step) cuts.push_back(file.substr(0, n));
            codectesting::ExpectCleanFailures("cut", cuts, RASTER_FORMAT_TIF,
                                              [&](std::size_t i) { return i * step >= ifdEnd; });
            // Single bytes changed all over: decoding or failing, cleanly.
            for (std::size_t at = 0; at < file.size(); at += 7) {
                flips.push_back(file);
                flips.back()[at] = static_cast<char>(file[at] ^ 0xA5);
            }
            codectesting::ExpectCleanFailures("flip", flips, RASTER_FORMAT_TIF,
                                              [](std::size_t) { return true; });
        }
    });
    SetRasterMaxMemory(0);
    EXPECT_EQ(output, "") << "libtiff wrote to stderr";
}

TEST(TiffDamageTest, HandWrittenHeadersAreRefusedWithTheirText) {
    // A little-endian file of one 8-bit strip at offset 122 and 64 bytes.
    auto strip = [](unsigned long w, unsigned long h, unsigned long bps, unsigned long photometric,
                    unsigned long offset) {
        imagetesting::Bytes b;
        b.Hex("49 49 2a 00").U32(8).U16(9);
        const unsigned long entries[][4] = {
            {256, 4, 1, w}, {257, 4, 1, h},           {258, 3, 1, bps},
            {259, 3, 1, 1}, {262, 3, 1, photometric}, {273, 4, 1, offset},
            {277, 3, 1, 1}, {278, 4, 1, h},           {279, 4, 1, 64}};
        for (const auto& e : entries) b.U16(e[0]).U16(e[1]).U32(e[2]).U32(e[3]);
        return std::string(b.U32(0).Fill(64, 0x11));
    };
    SetRasterMaxMemory(std::size_t{4} << 20);
    const struct {
        std::string bytes;
        const char* text;  // null: any text
    } cases[] = {
        {"GIF89a and more", "Error encountered while opening TIFF file"},
        {"", "Error encountered while opening TIFF file"},
        {strip(60000, 60000, 8, 1, 122), "RASTER_MAX_MEMORY exceeded"},
        {strip(8, 8, 8, 1, 100000), "Corrupted TIFF file!"},  // the strip past the end
        {strip(16, 16, 8, 1, 122), "Corrupted TIFF file!"},   // the strip short
        {strip(8, 8, 4, 3, 122), nullptr},                    // palette without a map
        {strip(8, 8, 8, 77, 122), nullptr},                   // unknown photometric
    };
    const CRaster before = imagetesting::Pattern(5, 4, 24);
    const std::string output = StderrOf([&] {
        for (const auto& c : cases) {
            CRaster image(before);
            EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_TIF)) << c.bytes.size();
            if (c.text != nullptr) {
                EXPECT_STREQ(image.GetLastError(), c.text);
            }
            EXPECT_STRNE(image.GetLastError(), "");
            EXPECT_TRUE(imagetesting::SamePixels(image, before));
        }
    });
    SetRasterMaxMemory(0);
    EXPECT_EQ(output, "");
    // The same strip whole decodes: the cases above fail for their fault.
    CRaster whole;
    ASSERT_TRUE(DecodeBytes(whole, strip(8, 8, 8, 1, 122), RASTER_FORMAT_TIF))
        << whole.GetLastError();
    EXPECT_EQ(whole.GetPixelIndex(3, 3), 0x11);
}

}  // namespace
