// TIFF files made by libtiff itself in every layout the decoder meets,
// read by us pixel for pixel; ours written with every compression the
// library can write, read back by us and by Qt's TIFF reader; pages; the
// size-only request; and damaged files.

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/codecs/rastertif.h"
#include "image/codecs/tests/codectesting.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::SameAsQt;
using imagetesting::DecodeBytes;

// ---- Files made by libtiff ----------------------------------------------------------

// One page: its layout and the value of each sample.
struct Page {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bps = 8, spp = 1, photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t planar = PLANARCONFIG_CONTIG, compression = COMPRESSION_NONE;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint32_t tileWidth = 0, tileLength = 0;  // 0: strips
    std::uint32_t rowsPerStrip = 0;               // 0: the library's choice
    int extra = -1;                               // the extra sample's kind, -1: none
    std::vector<std::uint16_t> colormap;          // red, green, blue
    std::function<unsigned(std::uint32_t x, std::uint32_t y, int s)> sample;
};

// Packs one row (or a tile's row) of samples: all samples of a pixel, or
// only sample `plane` for separate planes.
void PackRow(const Page& p, std::vector<BYTE>& out, std::uint32_t x0, std::uint32_t count,
             std::uint32_t y, int plane) {
    const int samples = plane < 0 ? p.spp : 1;
    std::fill(out.begin(), out.end(), 0);
    std::size_t bit = 0;
    for (std::uint32_t i = 0; i < count; ++i)
        for (int s = 0; s < samples; ++s) {
            const std::uint32_t x = x0 + i;
            const unsigned v = x < p.width && y < p.height
                                   ? p.sample(x, y, plane < 0 ? s : plane) & ((1u << p.bps) - 1)
                                   : 0;
            if (p.bps == 16) {
                const std::uint16_t word = static_cast<std::uint16_t>(v);
                std::memcpy(out.data() + bit / 8, &word, 2);  // the library swaps as needed
            } else {
                for (int b = p.bps - 1; b >= 0; --b, ++bit)
                    if ((v >> b) & 1) out[bit / 8] |= static_cast<BYTE>(0x80 >> (bit % 8));
                continue;
            }
            bit += 16;
        }
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// The pages as a file written by libtiff ("w", or "wb" for big-endian).
std::string MakeTiff(const std::vector<Page>& pages, const char* mode = "w") {
    const std::string path = "made.tif";
    TIFF* tif = TIFFOpen(path.c_str(), mode);
    EXPECT_NE(tif, nullptr);
    if (tif == nullptr) return {};
    for (const Page& p : pages) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bps);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.spp);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
        if (p.extra >= 0) {
            const std::uint16_t kind = static_cast<std::uint16_t>(p.extra);
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        if (!p.colormap.empty()) {
            const std::size_t n = p.colormap.size() / 3;
            std::vector<std::uint16_t> map = p.colormap;
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
        }
        const int planes = p.planar == PLANARCONFIG_SEPARATE ? p.spp : 1;
        const bool separate = p.planar == PLANARCONFIG_SEPARATE;
        if (p.tileWidth != 0) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tileWidth);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tileLength);
            std::vector<BYTE> tile(static_cast<std::size_t>(TIFFTileSize(tif)));
            const std::size_t rowBytes = static_cast<std::size_t>(TIFFTileRowSize(tif));
            std::vector<BYTE> row(rowBytes);
            for (int plane = 0; plane < planes; ++plane)
                for (std::uint32_t ty = 0; ty < p.height; ty += p.tileLength)
                    for (std::uint32_t tx = 0; tx < p.width; tx += p.tileWidth) {
                        for (std::uint32_t i = 0; i < p.tileLength; ++i) {
                            PackRow(p, row, tx, p.tileWidth, ty + i, separate ? plane : -1);
                            std::memcpy(tile.data() + i * rowBytes, row.data(), rowBytes);
                        }
                        EXPECT_GE(TIFFWriteTile(tif, tile.data(), tx, ty, 0,
                                                static_cast<std::uint16_t>(plane)),
                                  0);
                    }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP,
                         p.rowsPerStrip != 0 ? p.rowsPerStrip : TIFFDefaultStripSize(tif, 0));
            std::vector<BYTE> row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
            for (int plane = 0; plane < planes; ++plane)
                for (std::uint32_t y = 0; y < p.height; ++y) {
                    PackRow(p, row, 0, p.width, y, separate ? plane : -1);
                    EXPECT_GE(
                        TIFFWriteScanline(tif, row.data(), y, static_cast<std::uint16_t>(plane)),
                        0);
                }
        }
        EXPECT_TRUE(TIFFWriteDirectory(tif));
    }
    TIFFClose(tif);
    const std::string bytes = Slurp(path);
    std::remove(path.c_str());
    return bytes;
}

// A sample pattern where neighbours, rows and samples all differ.
unsigned Wave(std::uint32_t x, std::uint32_t y, int s) { return x * 7 + y * 13 + s * 71 + x * y; }

// 16-bit samples whose high byte is the 8-bit value and whose low byte is
// not: a reader that takes the wrong byte shows.
unsigned Wide(std::uint32_t x, std::uint32_t y, int s) {
    return ((Wave(x, y, s) & 255) << 8) | 0x80;
}

// A colour map of 16-bit values (again with a low byte of its own), or
// of 8-bit values as some writers store them.
std::vector<std::uint16_t> ColorMap(int entries, bool sixteen) {
    std::vector<std::uint16_t> map(static_cast<std::size_t>(entries) * 3);
    auto entry = [&](unsigned c) {
        return static_cast<std::uint16_t>(sixteen ? (c << 8) | 0x80 : c);
    };
    for (int i = 0; i < entries; ++i) {
        map[i] = entry((i * 37 + 11) & 255);
        map[entries + i] = entry((i * 91 + 3) & 255);
        map[2 * entries + i] = entry((255 - i * 13) & 255);
    }
    return map;
}

// What a page's pixel (x, y from the top) must be, as 8-bit RGBA.
struct Rgba {
    unsigned r, g, b, a;
};
Rgba Expected(const Page& p, std::uint32_t x, std::uint32_t y) {
    auto v = [&](int s) {
        const unsigned raw = p.sample(x, y, s) & ((1u << p.bps) - 1);
        return p.bps == 16 ? raw >> 8 : p.bps == 8 ? raw : raw * 255 / ((1u << p.bps) - 1);
    };
    if (p.photometric == PHOTOMETRIC_PALETTE) {
        const unsigned i = p.sample(x, y, 0) & ((1u << p.bps) - 1);
        const std::size_t n = p.colormap.size() / 3;
        auto scale = [&](std::uint16_t c) {
            bool sixteen = false;
            for (std::uint16_t e : p.colormap) sixteen = sixteen || e > 255;
            return sixteen ? (c + 128u) / 257u : c;
        };
        return {scale(p.colormap[i]), scale(p.colormap[n + i]), scale(p.colormap[2 * n + i]), 255};
    }
    if (p.photometric == PHOTOMETRIC_MINISBLACK) return {v(0), v(0), v(0), 255};
    if (p.photometric == PHOTOMETRIC_MINISWHITE) return {255 - v(0), 255 - v(0), 255 - v(0), 255};
    return {v(0), v(1), v(2), p.spp == 4 ? v(3) : 255};
}

// Our image equals the page; `row` maps the page's rows (from the top) to
// ours (from the bottom).
::testing::AssertionResult SameAsPage(const CRaster& ours, const Page& p, bool bottomUp = false) {
    if (ours.GetWidth() != p.width || ours.GetHeight() != p.height)
        return ::testing::AssertionFailure()
               << "size " << ours.GetWidth() << "x" << ours.GetHeight();
    for (std::uint32_t y = 0; y < p.height; ++y)
        for (std::uint32_t x = 0; x < p.width; ++x) {
            const LONG row = static_cast<LONG>(bottomUp ? y : p.height - 1 - y);
            Rgba e = Expected(p, x, y);
            const RGBQUAD c = ours.GetPixelColor(static_cast<LONG>(x), row, false);
            const unsigned a = ours.AlphaIsValid() ? ours.AlphaGet(static_cast<LONG>(x), row) : 255;
            if (p.extra == EXTRASAMPLE_ASSOCALPHA) {
                // Stored premultiplied: the colour comes back divided out.
                if (e.a == 0)
                    e = {0, 0, 0, 0};
                else
                    e = {std::min(255u, (e.r * 255 + e.a / 2) / e.a),
                         std::min(255u, (e.g * 255 + e.a / 2) / e.a),
                         std::min(255u, (e.b * 255 + e.a / 2) / e.a), e.a};
            }
            const bool colourSame = c.rgbRed == e.r && c.rgbGreen == e.g && c.rgbBlue == e.b;
            if (a != e.a || (a != 0 && !colourSame))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): ours " << int(c.rgbRed) << ","
                       << int(c.rgbGreen) << "," << int(c.rgbBlue) << "/" << a << " want " << e.r
                       << "," << e.g << "," << e.b << "/" << e.a;
        }
    return ::testing::AssertionSuccess();
}

Page Grey(std::uint32_t w, std::uint32_t h, std::uint16_t bps) {
    Page p;
    p.width = w;
    p.height = h;
    p.bps = bps;
    p.sample = bps == 16 ? Wide : Wave;
    return p;
}
Page Colour(std::uint32_t w, std::uint32_t h, std::uint16_t bps, std::uint16_t spp) {
    Page p = Grey(w, h, bps);
    p.spp = spp;
    p.photometric = PHOTOMETRIC_RGB;
    if (spp == 4) p.extra = EXTRASAMPLE_UNASSALPHA;
    return p;
}
Page Indexed(std::uint32_t w, std::uint32_t h, std::uint16_t bps, bool sixteen = true) {
    Page p = Grey(w, h, bps);
    p.photometric = PHOTOMETRIC_PALETTE;
    p.colormap = ColorMap(1 << bps, sixteen);
    return p;
}
template <class F>
Page With(Page p, F change) {
    change(p);
    return p;
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
    const struct {
        const char* name;
        Page page;
        WORD bpp;  // of our image
        bool alpha;
    } cases[] = {
        // Read as they are.
        {"grey 1", Grey(37, 9, 1), 1, false},
        {"grey 1 white is zero",
         With(Grey(37, 9, 1), [](Page& p) { p.photometric = PHOTOMETRIC_MINISWHITE; }), 1, false},
        {"grey 4", Grey(31, 7, 4), 4, false},
        {"grey 8", Grey(30, 11, 8), 8, false},
        {"grey 8 white is zero",
         With(Grey(30, 11, 8), [](Page& p) { p.photometric = PHOTOMETRIC_MINISWHITE; }), 8, false},
        {"palette 1", Indexed(19, 5, 1), 1, false},
        {"palette 4", Indexed(21, 6, 4), 4, false},
        {"palette 8", Indexed(25, 8, 8), 8, false},
        {"palette 8, map of 8-bit values", Indexed(25, 8, 8, false), 8, false},
        {"rgb 8", Colour(29, 10, 8, 3), 24, false},
        {"rgba 8", Colour(29, 10, 8, 4), 24, true},
        {"rgba 8 premultiplied",
         With(Colour(29, 10, 8, 4),
              [](Page& p) {
                  p.extra = EXTRASAMPLE_ASSOCALPHA;
                  // Colour never above alpha, as premultiplied data are.
                  p.sample = [](std::uint32_t x, std::uint32_t y, int s) {
                      const unsigned a = Wave(x, y, 3) & 255;
                      return s == 3 ? a : (Wave(x, y, s) & 255) * a / 255;
                  };
              }),
         24, true},
        {"rgb 8 lzw, one strip",
         With(Colour(33, 17, 8, 3),
              [](Page& p) {
                  p.compression = COMPRESSION_LZW;
                  p.rowsPerStrip = 17;
              }),
         24, false},
        {"palette 8 deflate",
         With(Indexed(40, 12, 8), [](Page& p) { p.compression = COMPRESSION_ADOBE_DEFLATE; }), 8,
         false},
        {"grey 1 fax g4",
         With(Grey(45, 13, 1), [](Page& p) { p.compression = COMPRESSION_CCITTFAX4; }), 1, false},
        // Edge tiles: the image is no multiple of the tile size.
        {"palette 8 tiled",
         With(Indexed(40, 35, 8), [](Page& p) { p.tileWidth = p.tileLength = 16; }), 8, false},
        {"grey 1 tiled", With(Grey(37, 20, 1), [](Page& p) { p.tileWidth = p.tileLength = 16; }), 1,
         false},
        {"grey 4 tiled",
         With(Grey(50, 17, 4),
              [](Page& p) {
                  p.tileWidth = 32;
                  p.tileLength = 16;
              }),
         4, false},
        {"rgb 8 tiled",
         With(Colour(41, 33, 8, 3), [](Page& p) { p.tileWidth = p.tileLength = 16; }), 24, false},
        {"rgba 8 tiled",
         With(Colour(18, 18, 8, 4), [](Page& p) { p.tileWidth = p.tileLength = 16; }), 24, true},
        // Through the RGBA interface.
        {"rgb 16", Colour(23, 9, 16, 3), 24, false},
        {"grey 16", Grey(23, 9, 16), 24, false},
        // Alpha at its ends only: the interface hands colour multiplied by
        // alpha, which in between cannot come back exactly.
        {"rgba 16",
         With(Colour(23, 9, 16, 4),
              [](Page& p) {
                  p.sample = [](std::uint32_t x, std::uint32_t y, int s) {
                      return s == 3 ? ((x + y) % 3 == 0 ? 0u : 0xFFFFu) : Wide(x, y, s);
                  };
              }),
         24, true},
        {"grey 2", Grey(27, 6, 2), 24, false},
        {"palette 2", Indexed(27, 6, 2), 24, false},
        {"rgb 8 separate planes",
         With(Colour(26, 14, 8, 3), [](Page& p) { p.planar = PLANARCONFIG_SEPARATE; }), 24, false},
        {"rgb 16 separate planes lzw",
         With(Colour(26, 14, 16, 3),
              [](Page& p) {
                  p.planar = PLANARCONFIG_SEPARATE;
                  p.compression = COMPRESSION_LZW;
                  p.rowsPerStrip = 5;
              }),
         24, false},
        {"rgb 16 tiled",
         With(Colour(40, 21, 16, 3), [](Page& p) { p.tileWidth = p.tileLength = 16; }), 24, false},
        {"rgb 8 tiled separate planes",
         With(Colour(35, 19, 8, 3),
              [](Page& p) {
                  p.tileWidth = p.tileLength = 16;
                  p.planar = PLANARCONFIG_SEPARATE;
              }),
         24, false},
        {"rgb 16 strips of 3 rows",
         With(Colour(20, 50, 16, 3), [](Page& p) { p.rowsPerStrip = 3; }), 24, false},
    };
    for (const auto& c : cases) {
        for (const char* mode : {"w", "wb"}) {  // little- and big-endian
            const std::string bytes = MakeTiff({c.page}, mode);
            CRaster image;
            ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_TIF))
                << c.name << " " << mode << ": " << image.GetLastError();
            EXPECT_EQ(image.GetBpp(), c.bpp) << c.name;
            EXPECT_EQ(image.AlphaIsValid(), c.alpha) << c.name;
            EXPECT_EQ(image.GetType(), RASTER_FORMAT_TIF) << c.name;
            EXPECT_TRUE(SameAsPage(image, c.page)) << c.name << " " << mode;
            // Row padding is zero, so equal pictures give equal bytes.
            const DWORD used = (image.GetWidth() * image.GetBpp() + 7) / 8;
            for (LONG y = 0; y < static_cast<LONG>(image.GetHeight()); ++y)
                for (DWORD i = used; i < image.GetEffWidth(); ++i)
                    ASSERT_EQ(image.GetBits(y)[i], 0) << c.name << " row " << y;
        }
    }
}

TEST(TiffDecodeTest, JpegPagesReadAsQtReadsThem) {
    // Lossy: our pixels equal those of Qt's reader (libtiff's RGBA
    // interface), whether the page holds RGB or subsampled YCbCr.
    for (const bool ycbcr : {false, true}) {
        const std::string path = "jpeg.tif";
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        const std::uint32_t w = 45, h = 37;
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, ycbcr ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB);
        if (ycbcr) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16);
        std::vector<BYTE> row(w * 3);
        for (std::uint32_t y = 0; y < h; ++y) {
            for (std::uint32_t x = 0; x < w * 3; ++x)
                row[x] = static_cast<BYTE>(Wave(x / 3, y, x % 3));
            ASSERT_GE(TIFFWriteScanline(tif, row.data(), y, 0), 0);
        }
        TIFFClose(tif);
        const std::string bytes = Slurp(path);
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, bytes, RASTER_FORMAT_TIF)) << ours.GetLastError();
        const QImage qt = QtRead(bytes);
        ASSERT_FALSE(qt.isNull());
        EXPECT_TRUE(SameAsQt(ours, qt, false)) << ycbcr;
    }
}

TEST(TiffDecodeTest, RowsStoredFromTheBottomComeUpright) {
    // Directly read and through the RGBA interface, with strips and tiles.
    const Page pages[] = {
        With(Grey(21, 9, 8), [](Page& p) { p.orientation = ORIENTATION_BOTLEFT; }),
        With(Colour(21, 9, 16, 3),
             [](Page& p) {
                 p.orientation = ORIENTATION_BOTLEFT;
                 p.rowsPerStrip = 4;
             }),
        With(Colour(21, 19, 8, 3),
             [](Page& p) {
                 p.orientation = ORIENTATION_BOTLEFT;
                 p.tileWidth = p.tileLength = 16;
             }),
    };
    for (const Page& p : pages) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, MakeTiff({p}), RASTER_FORMAT_TIF)) << image.GetLastError();
        // The file's first row is the picture's bottom one.
        EXPECT_TRUE(SameAsPage(image, p, true)) << p.bps;
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
        const std::string path = "res.tif";
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, c.unit);
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, c.x);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, c.y);
        TIFFSetField(tif, TIFFTAG_XPOSITION, 2.0f);
        TIFFSetField(tif, TIFFTAG_YPOSITION, 0.5f);
        const BYTE row[4] = {1, 2, 3, 4};
        for (std::uint32_t y = 0; y < 2; ++y) TIFFWriteScanline(tif, const_cast<BYTE*>(row), y, 0);
        TIFFClose(tif);
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, Slurp(path), RASTER_FORMAT_TIF)) << image.GetLastError();
        EXPECT_EQ(image.GetXDPI(), c.dpiX) << c.unit;
        EXPECT_EQ(image.GetYDPI(), c.dpiY) << c.unit;
        LONG ox = 0, oy = 0;
        image.GetOffset(&ox, &oy);
        EXPECT_EQ(ox, std::lround(2.0 * c.x)) << c.unit;
        EXPECT_EQ(oy, std::lround(0.5 * c.y)) << c.unit;
    }
}

TEST(TiffDecodeTest, SizeOnlyGivesTheSizeWithoutPixels) {
    CRaster image = imagetesting::Pattern(3, 3, 8);
    image.SetEscape(-1);
    ASSERT_TRUE(DecodeBytes(image, MakeTiff({Colour(321, 123, 16, 3)}), RASTER_FORMAT_TIF));
    EXPECT_EQ(image.GetWidth(), 321u);
    EXPECT_EQ(image.GetHeight(), 123u);
    EXPECT_FALSE(image.IsValid());
}

TEST(TiffDecodeTest, TheProbeAndLoadFindTiff) {
    const Page p = Indexed(12, 7, 4);
    const std::string bytes = MakeTiff({p});
    CRaster probed;
    ASSERT_TRUE(DecodeBytes(probed, bytes, RASTER_FORMAT_UNKNOWN)) << probed.GetLastError();
    EXPECT_EQ(probed.GetType(), RASTER_FORMAT_TIF);
    EXPECT_TRUE(SameAsPage(probed, p));
    { std::ofstream("load.tif", std::ios::binary) << bytes; }
    CRaster loaded;
    ASSERT_TRUE(loaded.Load("load.tif", RASTER_FORMAT_BMP))
        << loaded.GetLastError();  // by the probe
    EXPECT_TRUE(SameAsPage(loaded, p));
    // Through a C file handle as well.
    std::FILE* fp = std::fopen("load.tif", "rb");
    ASSERT_NE(fp, nullptr);
    CRasterTIF codec;
    EXPECT_TRUE(codec.Decode(fp)) << codec.GetLastError();
    std::fclose(fp);
    EXPECT_TRUE(SameAsPage(codec, p));
}

// ---- Writing ----------------------------------------------------------------------

// Every compression code the library knows of, with whether it can hold
// the data at each depth (1, 4, 8, 24 bits).
struct Coding {
    std::uint16_t code;
    bool writes[4];
    bool lossless;
};
const Coding kCodings[] = {
    {0, {true, true, true, true}, true},
    {COMPRESSION_NONE, {true, true, true, true}, true},
    {COMPRESSION_LZW, {true, true, true, true}, true},
    {COMPRESSION_PACKBITS, {true, true, true, true}, true},
    {COMPRESSION_ADOBE_DEFLATE, {true, true, true, true}, true},
    {COMPRESSION_DEFLATE, {true, true, true, true}, true},
    {COMPRESSION_LZMA, {true, true, true, true}, true},
    {COMPRESSION_ZSTD, {true, true, true, true}, true},
    {COMPRESSION_CCITTRLE, {true, false, false, false}, true},
    {COMPRESSION_CCITTRLEW, {false, false, false, false}, true},
    {COMPRESSION_CCITTFAX3, {true, false, false, false}, true},
    {COMPRESSION_CCITTFAX4, {true, false, false, false}, true},
    {COMPRESSION_JPEG, {false, false, false, true}, false},
    {COMPRESSION_WEBP, {false, false, false, true}, false},
    {COMPRESSION_PIXARLOG, {false, false, false, true}, true},
    {COMPRESSION_LERC, {false, false, true, true}, true},
    {COMPRESSION_OJPEG, {false, false, false, false}, false},
    {COMPRESSION_NEXT, {false, false, false, false}, false},
    {COMPRESSION_THUNDERSCAN, {false, false, false, false}, false},
    {COMPRESSION_SGILOG, {false, false, false, false}, false},
    {COMPRESSION_SGILOG24, {false, false, false, false}, false},
    {COMPRESSION_JBIG, {false, false, false, false}, false},
    {12345, {false, false, false, false}, false},
};
constexpr DWORD kDepths[] = {1, 4, 8, 24};

TEST(TiffEncodeTest, EveryWritableCompressionReadBackByUsAndByQt) {
    for (const Coding& coding : kCodings)
        for (int d = 0; d < 4; ++d) {
            if (!coding.writes[d] || !TIFFIsCODECConfigured(coding.code == 0 ? 1 : coding.code))
                continue;
            const std::string label =
                std::to_string(coding.code) + " at " + std::to_string(kDepths[d]);
            CRaster source = imagetesting::Pattern(45, 23, kDepths[d]);
            source.SetCodecOption(coding.code, RASTER_FORMAT_TIF);
            source.SetXDPI(200);
            const std::string bytes = EncodeBytes(source, RASTER_FORMAT_TIF);
            ASSERT_FALSE(bytes.empty()) << label << ": " << source.GetLastError();
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_TIF))
                << label << ": " << back.GetLastError();
            EXPECT_EQ(back.GetBpp(), kDepths[d]) << label;
            EXPECT_EQ(back.GetXDPI(), 200) << label;
            const QImage qt = QtRead(bytes);
            ASSERT_FALSE(qt.isNull()) << label;
            if (coding.lossless) {
                EXPECT_TRUE(imagetesting::SamePixels(back, source)) << label;
                EXPECT_TRUE(SameAsQt(source, qt, false)) << label;
            } else {
                // Lossy: both readers see the same decoded pixels.
                EXPECT_TRUE(SameAsQt(back, qt, false)) << label;
            }
        }
}

TEST(TiffEncodeTest, CompressionsThatCannotHoldTheDataAreRefusedBeforeWriting) {
    for (const Coding& coding : kCodings)
        for (int d = 0; d < 4; ++d) {
            const bool configured = TIFFIsCODECConfigured(coding.code == 0 ? 1 : coding.code);
            EXPECT_EQ(CRasterTIF::CanWrite(coding.code, static_cast<WORD>(kDepths[d])),
                      coding.writes[d] && configured)
                << coding.code << " at " << kDepths[d];
            if (coding.writes[d] && configured) continue;
            CRaster source = imagetesting::Pattern(8, 8, kDepths[d]);
            source.SetCodecOption(coding.code, RASTER_FORMAT_TIF);
            CRasterMemFile stream;
            ASSERT_TRUE(stream.Open());
            EXPECT_FALSE(source.Encode(&stream, RASTER_FORMAT_TIF)) << coding.code;
            EXPECT_STREQ(source.GetLastError(), "Error saving TIFF file") << coding.code;
            EXPECT_EQ(stream.Size(), 0) << coding.code << " wrote before failing";
        }
}

TEST(TiffEncodeTest, OurFilesAreWhatLibtiffReads) {
    // Bytes on their own: palette pages carry a 16-bit map, rows from the
    // top, the page's name.
    CRaster source = imagetesting::Pattern(6, 3, 8);
    source.SetPaletteColor(0, 255, 128, 1);
    const std::string bytes = EncodeBytes(source, RASTER_FORMAT_TIF);
    { std::ofstream("ours.tif", std::ios::binary) << bytes; }
    TIFF* tif = TIFFOpen("ours.tif", "r");
    ASSERT_NE(tif, nullptr);
    std::uint16_t photometric = 0, spp = 0, bps = 0;
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    char* name = nullptr;
    EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric));
    EXPECT_EQ(photometric, PHOTOMETRIC_PALETTE);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    EXPECT_EQ(spp, 1);
    EXPECT_EQ(bps, 8);
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue));
    EXPECT_EQ(red[0], 65535);
    EXPECT_EQ(green[0], 128 * 257);
    EXPECT_EQ(blue[0], 257);
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_PAGENAME, &name));
    EXPECT_STREQ(name, "Page 1");
    BYTE row[8] = {};
    ASSERT_GE(TIFFReadScanline(tif, row, 0, 0), 0);
    for (LONG x = 0; x < 6; ++x) EXPECT_EQ(row[x], source.GetPixelIndex(x, 2)) << x;  // the top row
    TIFFClose(tif);
}

TEST(TiffEncodeTest, PagesWrittenAndReadOneByOne) {
    CRaster first = imagetesting::Pattern(30, 20, 1);
    CRaster second = imagetesting::Pattern(17, 9, 8);
    second.SetCodecOption(COMPRESSION_LZW, RASTER_FORMAT_TIF);
    CRaster third = imagetesting::Pattern(11, 31, 24);
    third.SetCodecOption(COMPRESSION_ADOBE_DEFLATE, RASTER_FORMAT_TIF);
    first.SetCodecOption(COMPRESSION_CCITTFAX4, RASTER_FORMAT_TIF);
    CRaster* pages[] = {&first, &second, &third};
    CRasterMemFile stream;
    ASSERT_TRUE(stream.Open());
    CRaster caller;
    ASSERT_TRUE(caller.Encode(&stream, pages, 3, RASTER_FORMAT_TIF)) << caller.GetLastError();
    const std::string bytes(reinterpret_cast<char*>(stream.GetBuffer(false)),
                            static_cast<std::size_t>(stream.Size()));

    for (int i = 0; i < 3; ++i) {
        CRaster page;
        page.SetFrame(i);
        ASSERT_TRUE(DecodeBytes(page, bytes, RASTER_FORMAT_TIF))
            << i << ": " << page.GetLastError();
        EXPECT_EQ(page.GetNumFrames(), 3);
        EXPECT_EQ(page.GetBpp(), pages[i]->GetBpp());
        EXPECT_TRUE(imagetesting::SamePixels(page, *pages[i])) << i;
        const QImage qt = QtRead(bytes, i);
        ASSERT_FALSE(qt.isNull()) << i;
        EXPECT_TRUE(SameAsQt(*pages[i], qt, false)) << i;
    }
    // A page past the last: the count comes back with the failure, the
    // caller's picture stays.
    CRaster missing = imagetesting::Pattern(4, 4, 24);
    const CRaster before(missing);
    missing.SetFrame(3);
    EXPECT_FALSE(DecodeBytes(missing, bytes, RASTER_FORMAT_TIF));
    EXPECT_STREQ(missing.GetLastError(), "Error: page not present in TIFF file");
    EXPECT_EQ(missing.GetNumFrames(), 3);
    EXPECT_TRUE(imagetesting::SamePixels(missing, before));
    missing.SetFrame(-1);
    EXPECT_FALSE(DecodeBytes(missing, bytes, RASTER_FORMAT_TIF));
}

TEST(TiffEncodeTest, BadPageArguments) {
    CRaster good = imagetesting::Pattern(4, 4, 8);
    CRaster empty;
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
    // One image on no stream, and an empty one.
    CRasterTIF codec;
    EXPECT_FALSE(codec.Encode(static_cast<CRasterFile*>(nullptr)));
    EXPECT_STREQ(codec.GetLastError(), "null file handler");
    EXPECT_FALSE(codec.Encode(&stream));
    EXPECT_STREQ(codec.GetLastError(), "null image!!!");
}

// ---- Damaged files --------------------------------------------------------------------

// Runs `body` with stderr sent to a file and returns what was written.
std::string StderrOf(const std::function<void()>& body) {
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* sink = std::fopen("stderr.txt", "w+");
    dup2(fileno(sink), 2);
    body();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::fclose(sink);
    const std::string text = Slurp("stderr.txt");
    std::remove("stderr.txt");
    return text;
}

TEST(TiffDamageTest, CutAndCorruptedFilesFailCleanlyAndQuietly) {
    SetRasterMaxMemory(std::size_t{4} << 20);
    const std::string strips = MakeTiff({With(Colour(40, 30, 8, 3), [](Page& p) {
        p.compression = COMPRESSION_LZW;
        p.rowsPerStrip = 4;
    })});
    const std::string tiles =
        MakeTiff({With(Colour(40, 30, 16, 3), [](Page& p) { p.tileWidth = p.tileLength = 16; })});
    const std::string palette = MakeTiff({Indexed(40, 30, 8)});
    const std::string output = StderrOf([&] {
        for (const std::string* file : {&strips, &tiles, &palette}) {
            // Every cut. The pixels come first in libtiff's files: a cut
            // that keeps the directory may decode (what the directory
            // points to past the cut, as a colour map, is dropped by the
            // library), any shorter one must fail.
            const auto u8 = [&](std::size_t at) { return static_cast<BYTE>((*file)[at]); };
            const std::size_t ifd = u8(4) | u8(5) << 8 | u8(6) << 16 | std::size_t{u8(7)} << 24;
            const std::size_t ifdEnd = ifd + 2 + (u8(ifd) | u8(ifd + 1) << 8) * 12 + 4;
            std::vector<std::string> cuts;
            const std::size_t step = std::max<std::size_t>(1, file->size() / 97);
            for (std::size_t n = 0; n < file->size(); n += step) cuts.push_back(file->substr(0, n));
            codectesting::ExpectCleanFailures("cut of " + std::to_string(file->size()), cuts,
                                              RASTER_FORMAT_TIF,
                                              [&](std::size_t i) { return i * step >= ifdEnd; });
            // Single bytes changed all over: decoding or failing are both
            // fine, as long as nothing breaks.
            std::vector<std::string> flips;
            for (std::size_t at = 0; at < file->size(); at += 7) {
                std::string damaged = *file;
                damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
                flips.push_back(damaged);
            }
            codectesting::ExpectCleanFailures("flip", flips, RASTER_FORMAT_TIF,
                                              [](std::size_t) { return true; });
        }
    });
    SetRasterMaxMemory(0);
    EXPECT_EQ(output, "") << "libtiff wrote to stderr";
}

// A little-endian header and one directory of (tag, type, count, value)
// entries, written by hand.
std::string HandTiff(const std::vector<std::array<unsigned long, 4>>& entries,
                     const std::string& tail = {}) {
    imagetesting::Bytes b;
    b.Hex("49 49 2a 00").U32(8).U16(static_cast<unsigned>(entries.size()));
    for (const auto& e : entries) b.U16(e[0]).U16(e[1]).U32(e[2]).U32(e[3]);
    b.U32(0);
    return b.Raw(tail);
}

TEST(TiffDamageTest, HandWrittenHeadersAreRefusedWithTheirText) {
    const std::size_t dataAt = 8 + 2 + 12 * 9 + 4;
    auto strip = [&](unsigned long w, unsigned long h, unsigned long bps, unsigned long photometric,
                     unsigned long offset, unsigned long count) {
        return HandTiff({{256, 4, 1, w},
                         {257, 4, 1, h},
                         {258, 3, 1, bps},
                         {259, 3, 1, 1},
                         {262, 3, 1, photometric},
                         {273, 4, 1, offset},
                         {277, 3, 1, 1},
                         {278, 4, 1, h},
                         {279, 4, 1, count}},
                        std::string(64, '\x11'));
    };
    SetRasterMaxMemory(std::size_t{4} << 20);
    const struct {
        const char* name;
        std::string bytes;
        const char* text;  // null: any text
    } cases[] = {
        {"not a TIFF", "GIF89a and more", "Error encountered while opening TIFF file"},
        {"empty", "", "Error encountered while opening TIFF file"},
        {"too large for the cap", strip(60000, 60000, 8, 1, dataAt, 64),
         "RASTER_MAX_MEMORY exceeded"},
        {"no width", HandTiff({{257, 4, 1, 8}, {258, 3, 1, 8}}), nullptr},
        {"strip past the end", strip(8, 8, 8, 1, 100000, 64), "Corrupted TIFF file!"},
        {"strip short", strip(16, 16, 8, 1, dataAt, 64), "Corrupted TIFF file!"},
        {"palette without a map", strip(8, 8, 4, 3, dataAt, 64), nullptr},
        {"unknown photometric", strip(8, 8, 8, 77, dataAt, 64), nullptr},
    };
    const CRaster before = imagetesting::Pattern(5, 4, 24);
    const std::string output = StderrOf([&] {
        for (const auto& c : cases) {
            CRaster image(before);
            EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_TIF)) << c.name;
            if (c.text != nullptr) {
                EXPECT_STREQ(image.GetLastError(), c.text) << c.name;
            }
            EXPECT_STRNE(image.GetLastError(), "") << c.name;
            EXPECT_TRUE(imagetesting::SamePixels(image, before)) << c.name;
        }
    });
    SetRasterMaxMemory(0);
    EXPECT_EQ(output, "");
    // The same strip whole decodes: the cases above fail for their fault.
    CRaster whole;
    EXPECT_TRUE(DecodeBytes(whole, strip(8, 8, 8, 1, dataAt, 64), RASTER_FORMAT_TIF))
        << whole.GetLastError();
    EXPECT_EQ(whole.GetPixelIndex(3, 3), 0x11);
}

}  // namespace
