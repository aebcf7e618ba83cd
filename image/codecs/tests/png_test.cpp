// PNG files both ways: files of every colour type, depth and interlace made
// here with libpng and read by us, checked against the samples written and
// against Qt's and libpng's own reading; ours read back by both. Then the
// damaged files, the size-only request and the stream failures.

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/codecs/tests/codectesting.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using imagetesting::DecodeBytes;

// ---- Files made with libpng ---------------------------------------------------------------

struct PngShape {
    int width, height;
    int colorType;  // PNG_COLOR_TYPE_*
    int depth;
    bool interlaced;
    int trans;               // 0 none; palette: 1 entry 0 clear, 2 several alphas; else the key
    bool replicated = true;  // 16-bit samples have equal high and low bytes
};

int ChannelsOf(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;
    }
}

// Sample c of pixel (x, y), counted from the top, in the depth's range.
unsigned SampleAt(const PngShape& f, int x, int y, int c) {
    const unsigned v = static_cast<unsigned>(x * 7 + y * 13 + c * 5 + x * y);
    if (f.depth < 16) return v % (1u << f.depth);
    if (f.replicated) return (v % 256) * 257;
    // Neighbours that share the high byte and differ in the low one.
    return ((x / 4 + y) % 256) * 256 + (x * 37 + c * 11) % 256;
}

BYTE PaletteChannel(unsigned i, int c) {
    return static_cast<BYTE>(c == 0 ? i * 37 + 11 : c == 1 ? i * 91 + 3 : 255 - i * 13);
}
BYTE PaletteAlpha(unsigned i) { return static_cast<BYTE>(i * 53 + 9); }

// The key of a colour key: the value of pixel (1, 0).
unsigned KeySample(const PngShape& f, int c) { return SampleAt(f, 1 % f.width, 0, c); }

[[noreturn]] void TestPngError(png_structp, png_const_charp message) {
    ADD_FAILURE() << "libpng: " << message;
    std::abort();
}
void TestPngWarning(png_structp, png_const_charp) {}
void AppendBytes(png_structp png, png_bytep data, std::size_t n) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), n);
}

std::string MakePng(const PngShape& f) {
    std::string out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, TestPngError, TestPngWarning);
    png_infop pinfo = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_IHDR(png, pinfo, f.width, f.height, f.depth, f.colorType,
                 f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const unsigned entries = f.colorType == PNG_COLOR_TYPE_PALETTE ? 1u << f.depth : 0;
    std::vector<png_color> palette;
    for (unsigned i = 0; i < entries; ++i)
        palette.push_back({PaletteChannel(i, 0), PaletteChannel(i, 1), PaletteChannel(i, 2)});
    if (entries != 0) png_set_PLTE(png, pinfo, palette.data(), static_cast<int>(entries));
    std::vector<png_byte> alphas;
    png_color_16 key{};
    if (f.trans != 0 && entries != 0) {
        if (f.trans == 1)
            alphas = {0};
        else
            for (unsigned i = 0; i < entries; ++i) alphas.push_back(PaletteAlpha(i));
        png_set_tRNS(png, pinfo, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    } else if (f.trans != 0) {
        key.gray = static_cast<png_uint_16>(KeySample(f, 0));
        key.red = static_cast<png_uint_16>(KeySample(f, 0));
        key.green = static_cast<png_uint_16>(KeySample(f, 1));
        key.blue = static_cast<png_uint_16>(KeySample(f, 2));
        png_set_tRNS(png, pinfo, nullptr, 1, &key);
    }
    png_write_info(png, pinfo);

    const int channels = ChannelsOf(f.colorType);
    const std::size_t rowBytes = (static_cast<std::size_t>(f.width) * channels * f.depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(f.height, std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned v = SampleAt(f, x, y, c);
                const std::size_t bit = (static_cast<std::size_t>(x) * channels + c) * f.depth;
                if (f.depth == 16) {
                    rows[y][bit / 8] = static_cast<png_byte>(v >> 8);
                    rows[y][bit / 8 + 1] = static_cast<png_byte>(v);
                } else {
                    rows[y][bit / 8] |= static_cast<png_byte>(v << (8 - f.depth - bit % 8));
                }
            }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, pinfo);
    png_destroy_write_struct(&png, &pinfo);
    return out;
}

// What the written pixel means in 8 bits a channel, RGBA.
struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgba& p) {
    return os << p.r << "," << p.g << "," << p.b << "/" << p.a;
}

Rgba Truth(const PngShape& f, int x, int y) {
    const int channels = ChannelsOf(f.colorType);
    auto eight = [&](int c) {
        const unsigned v = SampleAt(f, x, y, c);
        return static_cast<int>(f.depth == 16 ? v >> 8 : v * 255 / ((1u << f.depth) - 1));
    };
    if (f.colorType == PNG_COLOR_TYPE_PALETTE) {
        const unsigned i = SampleAt(f, x, y, 0);
        const int a = f.trans == 1 ? (i == 0 ? 0 : 255) : f.trans == 2 ? PaletteAlpha(i) : 255;
        return {PaletteChannel(i, 0), PaletteChannel(i, 1), PaletteChannel(i, 2), a};
    }
    bool keyed = f.trans != 0;
    for (int c = 0; c < (channels >= 3 ? 3 : 1) && keyed; ++c)
        keyed = SampleAt(f, x, y, c) == KeySample(f, c);
    const int a = channels == 2 || channels == 4 ? eight(channels - 1) : keyed ? 0 : 255;
    if (channels <= 2) return {eight(0), eight(0), eight(0), a};
    return {eight(0), eight(1), eight(2), a};
}

// Our pixel, counted from the top, with whatever carries its transparency.
Rgba Ours(const CRaster& image, int x, int y) {
    const LONG row = static_cast<LONG>(image.GetHeight()) - 1 - y;
    const RGBQUAD c = image.GetPixelColor(x, row, false);
    int a = 255;
    if (image.AlphaIsValid())
        a = image.AlphaGet(x, row);
    else if (image.IsIndexed() && image.AlphaPaletteIsEnabled())
        a = image.GetPaletteColor(image.GetPixelIndex(x, row)).rgbReserved;
    else if (image.IsIndexed() && image.GetTransIndex() >= 0)
        a = image.GetPixelIndex(x, row) == image.GetTransIndex() ? 0 : 255;
    return {c.rgbRed, c.rgbGreen, c.rgbBlue, a};
}

// libpng's own reading, RGBA top-down: everything expanded to 8-bit
// channels and an alpha channel.
std::vector<Rgba> LibpngPixels(const std::string& bytes) {
    struct Source {
        const std::string* bytes;
        std::size_t at = 0;
    } source{&bytes};
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, TestPngError, TestPngWarning);
    png_infop pinfo = png_create_info_struct(png);
    png_set_read_fn(png, &source, [](png_structp p, png_bytep data, std::size_t n) {
        auto* s = static_cast<Source*>(png_get_io_ptr(p));
        if (s->at + n > s->bytes->size()) png_error(p, "the test's file is short");
        std::memcpy(data, s->bytes->data() + s->at, n);
        s->at += n;
    });
    png_read_info(png, pinfo);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, pinfo);
    const png_uint_32 width = png_get_image_width(png, pinfo);
    const png_uint_32 height = png_get_image_height(png, pinfo);
    std::vector<png_byte> buffer(std::size_t{width} * height * 4);
    std::vector<png_bytep> rows;
    for (png_uint_32 y = 0; y < height; ++y)
        rows.push_back(buffer.data() + std::size_t{y} * width * 4);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &pinfo, nullptr);
    std::vector<Rgba> pixels;
    for (std::size_t i = 0; i + 3 < buffer.size(); i += 4)
        pixels.push_back({buffer[i], buffer[i + 1], buffer[i + 2], buffer[i + 3]});
    return pixels;
}

std::vector<Rgba> QtPixels(const std::string& bytes) {
    const QImage qt = QImage::fromData(QByteArray::fromStdString(bytes), "PNG")
                          .convertToFormat(QImage::Format_ARGB32);
    std::vector<Rgba> pixels;
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            const QRgb q = qt.pixel(x, y);
            pixels.push_back({qRed(q), qGreen(q), qBlue(q), qAlpha(q)});
        }
    return pixels;
}

// Every pixel of our image equal to the reference (top-down), colour and
// alpha; a clear pixel's colour counts only when `clearColour`.
::testing::AssertionResult SamePixelsAs(const CRaster& ours, const std::vector<Rgba>& ref,
                                        bool clearColour) {
    const int w = static_cast<int>(ours.GetWidth()), h = static_cast<int>(ours.GetHeight());
    if (ref.size() != static_cast<std::size_t>(w) * h)
        return ::testing::AssertionFailure() << "reference has " << ref.size() << " pixels";
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba p = Ours(ours, x, y), q = ref[static_cast<std::size_t>(y) * w + x];
            if (!clearColour && p.a == 0 && q.a == 0) p = q;
            if (!(p == q))
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): ours " << p << " reference " << q;
        }
    return ::testing::AssertionSuccess();
}

std::string Describe(const PngShape& f) {
    return "type " + std::to_string(f.colorType) + " depth " + std::to_string(f.depth) + " " +
           std::to_string(f.width) + "x" + std::to_string(f.height) +
           (f.interlaced ? " interlaced" : "") + " trans " + std::to_string(f.trans);
}

// Every colour type at every depth it allows, plain and interlaced, with
// and without transparency, at sizes that end rows inside a byte and leave
// interlace passes empty.
std::vector<PngShape> EveryShape() {
    const struct {
        int colorType;
        std::vector<int> depths;
        std::vector<int> trans;
    } kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, {0, 1}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, {0, 1, 2}},
        {PNG_COLOR_TYPE_RGB, {8, 16}, {0, 1}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, {0}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, {0}},
    };
    const int sizes[][2] = {{1, 1}, {13, 7}, {33, 17}};
    std::vector<PngShape> shapes;
    for (const auto& kind : kinds)
        for (int depth : kind.depths)
            for (int trans : kind.trans)
                for (bool interlaced : {false, true})
                    for (const auto& size : sizes)
                        shapes.push_back(
                            {size[0], size[1], kind.colorType, depth, interlaced, trans});
    return shapes;
}

TEST(PngDecodeTest, EveryColourTypeDepthAndInterlaceExactly) {
    for (const PngShape& f : EveryShape()) {
        SCOPED_TRACE(Describe(f));
        const std::string bytes = MakePng(f);
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, bytes, RASTER_FORMAT_PNG)) << ours.GetLastError();
        ASSERT_EQ(ours.GetWidth(), static_cast<DWORD>(f.width));
        ASSERT_EQ(ours.GetHeight(), static_cast<DWORD>(f.height));

        // The depth: packed samples keep theirs (2 bits as 4), everything
        // with colour or alpha is 24 bits, alpha in the plane.
        const bool indexed = f.colorType == PNG_COLOR_TYPE_PALETTE ||
                             (f.colorType == PNG_COLOR_TYPE_GRAY && (f.depth < 16 || !f.trans));
        const WORD bpp = !indexed ? 24 : f.depth == 2 ? 4 : f.depth == 16 ? 8 : f.depth;
        EXPECT_EQ(ours.GetBpp(), bpp);
        const bool alphaPlane = f.colorType == PNG_COLOR_TYPE_GRAY_ALPHA ||
                                f.colorType == PNG_COLOR_TYPE_RGB_ALPHA || (!indexed && f.trans);
        EXPECT_EQ(ours.AlphaIsValid(), alphaPlane);
        EXPECT_EQ(ours.GetCodecOption(RASTER_FORMAT_PNG), f.interlaced ? 1u : 0u);

        std::vector<Rgba> truth;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) truth.push_back(Truth(f, x, y));
        EXPECT_TRUE(SamePixelsAs(ours, truth, true)) << "against the samples";
        EXPECT_TRUE(SamePixelsAs(ours, LibpngPixels(bytes), true)) << "against libpng";
        // Qt gives 16-bit colour with a colour key wrong alpha values; the
        // samples and libpng settle those files.
        if (!(f.colorType == PNG_COLOR_TYPE_RGB && f.depth == 16 && f.trans)) {
            EXPECT_TRUE(SamePixelsAs(ours, QtPixels(bytes), false)) << "against Qt";
        }
        if (indexed && f.depth <= 8) {
            // The samples are the indexes themselves.
            bool same = true;
            for (int y = 0; y < f.height && same; ++y)
                for (int x = 0; x < f.width && same; ++x)
                    same = ours.GetPixelIndex(x, f.height - 1 - y) == SampleAt(f, x, y, 0);
            EXPECT_TRUE(same) << "indexes";
        }
    }
}

TEST(PngDecodeTest, TransparencyLandsWhereTheImageKeepsIt) {
    // A palette whose only entry is entry 0, clear: the transparent index.
    CRaster single;
    ASSERT_TRUE(DecodeBytes(single, MakePng({13, 7, PNG_COLOR_TYPE_PALETTE, 4, false, 1}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(single.GetTransIndex(), 0);
    EXPECT_FALSE(single.AlphaPaletteIsEnabled());

    // Several entries: the palette's alpha, the entries past them opaque.
    CRaster several;
    ASSERT_TRUE(DecodeBytes(several, MakePng({13, 7, PNG_COLOR_TYPE_PALETTE, 8, false, 2}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(several.GetTransIndex(), -1);
    EXPECT_TRUE(several.AlphaPaletteIsEnabled());
    EXPECT_EQ(several.GetPaletteColor(5).rgbReserved, PaletteAlpha(5));

    // A 16-bit grey key is matched on all 16 bits: a pixel that shares
    // only its high byte stays opaque.
    PngShape deep{13, 7, PNG_COLOR_TYPE_GRAY, 16, false, 1, false};
    CRaster grey;
    ASSERT_TRUE(DecodeBytes(grey, MakePng(deep), RASTER_FORMAT_PNG));
    int clear = 0, sharing = 0;
    for (int y = 0; y < deep.height; ++y)
        for (int x = 0; x < deep.width; ++x) {
            const unsigned v = SampleAt(deep, x, y, 0), key = KeySample(deep, 0);
            EXPECT_EQ(Ours(grey, x, y), Truth(deep, x, y)) << x << "," << y;
            clear += v == key;
            sharing += v != key && (v >> 8) == (key >> 8);
        }
    EXPECT_GT(clear, 0);
    EXPECT_GT(sharing, 0) << "the samples test nothing";
}

TEST(PngDecodeTest, TheCallersSettingsDoNotStandForTheFiles) {
    CRaster image = imagetesting::Pattern(4, 4, 8);
    image.SetTransIndex(3);
    image.AlphaPaletteEnable(true);
    image.SetXDPI(300);
    ASSERT_TRUE(DecodeBytes(image, MakePng({5, 3, PNG_COLOR_TYPE_PALETTE, 8, false, 0}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_FALSE(image.AlphaPaletteIsEnabled());
    EXPECT_EQ(image.GetXDPI(), 96);
}

TEST(PngDecodeTest, QtsFilesReadExactly) {
    QImage argb(23, 11, QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            argb.setPixel(x, y, qRgba(x * 11, y * 23, x ^ y, (x * y * 7) & 255));
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_RGB32, QImage::Format_Indexed8,
          QImage::Format_Grayscale8, QImage::Format_Mono}) {
        const QImage qt = argb.convertToFormat(
            format, Qt::ThresholdDither | Qt::AvoidDither | Qt::ThresholdAlphaDither);
        const std::string bytes = codectesting::QtBytes(qt, "PNG");
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, bytes, RASTER_FORMAT_PNG)) << format;
        EXPECT_TRUE(codectesting::SameAsQt(ours, qt, format == QImage::Format_ARGB32)) << format;
    }
}

// ---- Ours read by libpng and Qt -------------------------------------------------------------

std::vector<Rgba> PixelsOf(const CRaster& image) {
    std::vector<Rgba> pixels;
    for (int y = 0; y < static_cast<int>(image.GetHeight()); ++y)
        for (int x = 0; x < static_cast<int>(image.GetWidth()); ++x)
            pixels.push_back(Ours(image, x, y));
    return pixels;
}

// The chunk's data, or "" without one.
std::string ChunkData(const std::string& png, const char* type) {
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const auto* p = reinterpret_cast<const BYTE*>(png.data() + at);
        const std::size_t length = (std::size_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
        if (std::memcmp(p + 4, type, 4) == 0) return png.substr(at + 8, length);
        at += 12 + length;
    }
    return {};
}

TEST(PngEncodeTest, OursReadByLibpngAndQtExactly) {
    struct Case {
        const char* name;
        DWORD bpp;
        int transIndex;  // -1 none
        bool alphaPalette;
        bool alphaPlane;
        int colorType, depth;  // what the file must say
    };
    const Case cases[] = {
        {"1 bit", 1, -1, false, false, PNG_COLOR_TYPE_PALETTE, 1},
        {"4 bits", 4, -1, false, false, PNG_COLOR_TYPE_PALETTE, 4},
        {"8 bits", 8, -1, false, false, PNG_COLOR_TYPE_PALETTE, 8},
        {"8 bits, index 3 clear", 8, 3, false, false, PNG_COLOR_TYPE_PALETTE, 8},
        {"4 bits, palette alpha", 4, -1, true, false, PNG_COLOR_TYPE_PALETTE, 4},
        {"24 bits", 24, -1, false, false, PNG_COLOR_TYPE_RGB, 8},
        {"24 bits with alpha", 24, -1, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"4 bits with alpha", 4, -1, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {"8 bits with alpha", 8, -1, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
    };
    for (const Case& c : cases)
        for (DWORD interlace : {0u, 1u}) {
            SCOPED_TRACE(std::string(c.name) + (interlace ? " interlaced" : ""));
            CRaster image = imagetesting::Pattern(19, 9, c.bpp);
            image.SetTransIndex(c.transIndex);
            if (c.alphaPalette) {
                for (DWORD i = 0; i < image.GetNumColors(); ++i) {
                    RGBQUAD q = image.GetPaletteColor(static_cast<BYTE>(i));
                    q.rgbReserved = static_cast<BYTE>(255 - i * 17);
                    image.SetPaletteColor(static_cast<BYTE>(i), q);
                }
                image.AlphaPaletteEnable(true);
            }
            if (c.alphaPlane) {
                ASSERT_TRUE(image.AlphaCreate());
                for (LONG y = 0; y < 9; ++y)
                    for (LONG x = 0; x < 19; ++x)
                        image.AlphaSet(x, y, static_cast<BYTE>((x * 13 + y * 29) & 255));
            }
            image.SetCodecOption(interlace, RASTER_FORMAT_PNG);
            const std::string bytes = EncodeBytes(image, RASTER_FORMAT_PNG);
            ASSERT_GT(bytes.size(), 33u) << image.GetLastError();
            EXPECT_EQ(BYTE(bytes[24]), c.depth);
            EXPECT_EQ(BYTE(bytes[25]), c.colorType);
            EXPECT_EQ(BYTE(bytes[28]), interlace);

            const std::vector<Rgba> expected = PixelsOf(image);
            const bool colourOfClear = c.transIndex < 0;  // Qt may drop a clear entry's colour
            EXPECT_EQ(LibpngPixels(bytes), expected) << "libpng";
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_PNG)) << back.GetLastError();
            EXPECT_TRUE(SamePixelsAs(back, QtPixels(bytes), colourOfClear)) << "Qt";
            EXPECT_TRUE(SamePixelsAs(back, expected, true)) << "ours";
            EXPECT_EQ(back.GetCodecOption(RASTER_FORMAT_PNG), interlace);

            // The background: an index in a palette file, else white.
            const std::string bkgd = ChunkData(bytes, "bKGD");
            if (c.colorType == PNG_COLOR_TYPE_PALETTE) {
                ASSERT_EQ(bkgd.size(), 1u);
                if (c.transIndex >= 0) {
                    EXPECT_EQ(BYTE(bkgd[0]), c.transIndex);
                }
                EXPECT_LT(BYTE(bkgd[0]), image.GetNumColors());
            } else {
                EXPECT_EQ(bkgd, std::string("\0\xff\0\xff\0\xff", 6));
            }
        }
}

TEST(PngEncodeTest, ResolutionAndTransparencyComeBack) {
    CRaster image = imagetesting::Pattern(7, 5, 8);
    image.SetXDPI(300);
    image.SetYDPI(72);
    for (int index : {0, 9}) {
        image.SetTransIndex(index);
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, EncodeBytes(image, RASTER_FORMAT_PNG), RASTER_FORMAT_PNG));
        EXPECT_EQ(back.GetXDPI(), 300);
        EXPECT_EQ(back.GetYDPI(), 72);
        EXPECT_TRUE(imagetesting::SamePixels(back, image));
        // Entry 0 alone comes back as the transparent index; any other as
        // the palette's alpha, which clears the same pixels.
        EXPECT_EQ(back.GetTransIndex(), index == 0 ? 0 : -1);
        EXPECT_EQ(back.AlphaPaletteIsEnabled(), index != 0);
        EXPECT_TRUE(SamePixelsAs(back, PixelsOf(image), true)) << index;
    }
}

TEST(PngEncodeTest, TheProgramsOwnPathSavesAndProbes) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/picture.png").toStdString();
    CRaster image = imagetesting::Pattern(31, 17, 24);
    ASSERT_TRUE(image.Save(path, RASTER_FORMAT_PNG)) << image.GetLastError();
    CRaster probed;
    ASSERT_TRUE(probed.Load(path, RASTER_FORMAT_UNKNOWN)) << probed.GetLastError();
    EXPECT_EQ(probed.GetType(), static_cast<DWORD>(RASTER_FORMAT_PNG));
    EXPECT_TRUE(imagetesting::SamePixels(probed, image));
    CRaster asBmp;  // a wrong format falls back to the probe
    ASSERT_TRUE(asBmp.Load(path, RASTER_FORMAT_BMP));
    EXPECT_TRUE(imagetesting::SamePixels(asBmp, image));

    // A file that is no picture: the asked codec's own text, or the probe's.
    const std::string text = (dir.path() + "/notes.png").toStdString();
    std::FILE* file = std::fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("plain text, not a picture", file);
    std::fclose(file);
    CRaster asked = imagetesting::Pattern(3, 2, 24);
    const CRaster before(asked);
    EXPECT_FALSE(asked.Load(text, RASTER_FORMAT_PNG));
    EXPECT_STREQ(asked.GetLastError(), "Not a PNG file");
    EXPECT_TRUE(imagetesting::SamePixels(asked, before));
    EXPECT_FALSE(asked.Load(text, RASTER_FORMAT_UNKNOWN));
    EXPECT_STREQ(asked.GetLastError(), "Decode: Unknown or wrong format");
}

// A stream that takes only so many bytes, or refuses to flush.
class ShortStream : public CRasterMemFile {
public:
    ShortStream(std::size_t room, bool flushes) : m_room(room), m_flushes(flushes) { Open(); }
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override {
        const std::size_t n = std::min(size * count, m_room);
        m_room -= n;
        return CRasterMemFile::Write(buffer, 1, n) / (size == 0 ? 1 : size);
    }
    bool Flush() override { return m_flushes && CRasterMemFile::Flush(); }

private:
    std::size_t m_room;
    bool m_flushes;
};

TEST(PngEncodeTest, StreamFailuresAreReported) {
    CRaster image = imagetesting::Pattern(40, 30, 24);
    for (std::size_t room : {0u, 8u, 40u, 200u}) {
        ShortStream stream(room, true);
        EXPECT_FALSE(image.Encode(&stream, RASTER_FORMAT_PNG)) << room;
        EXPECT_STREQ(image.GetLastError(), "Write Error") << room;
    }
    ShortStream refusing(1u << 20, false);
    EXPECT_FALSE(image.Encode(&refusing, RASTER_FORMAT_PNG));
    EXPECT_STREQ(image.GetLastError(), "Flush Error");
    CRaster empty;
    CRasterMemFile stream;
    stream.Open();
    EXPECT_FALSE(empty.Encode(&stream, RASTER_FORMAT_PNG));
    EXPECT_STREQ(empty.GetLastError(), "null image!!!");
}

// ---- Bad input, the size only, cancelling ------------------------------------------------------

// A chunk with its length and CRC.
std::string Chunk(const char* type, const std::string& data) {
    imagetesting::Bytes b;
    auto be32 = [&](unsigned long v) { b.U8(v >> 24).U8(v >> 16).U8(v >> 8).U8(v); };
    be32(data.size());
    const std::string body = std::string(type, 4) + data;
    b.Raw(body);
    be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return b;
}

std::string Ihdr(unsigned long width, unsigned long height, int depth, int colorType) {
    imagetesting::Bytes b;
    for (unsigned long v : {width, height}) b.U8(v >> 24).U8(v >> 16).U8(v >> 8).U8(v);
    b.U8(depth).U8(colorType).U8(0).U8(0).U8(0);
    return Chunk("IHDR", b);
}

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);

TEST(PngBadInputTest, DamagedFilesFailCleanly) {
    const std::string good = MakePng({33, 17, PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 0});
    // Where the last image data ends: a file cut after it still has every row.
    const std::size_t iend = good.size() - 12;
    std::vector<std::string> cuts;
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n < good.size(); n += (n < 64 ? 1 : 7)) {
        cuts.push_back(good.substr(0, n));
        lengths.push_back(n);
    }
    ExpectCleanFailures("cut", cuts, RASTER_FORMAT_PNG,
                        [&](std::size_t i) { return lengths[i] >= iend; });

    std::string badCrc = good;
    badCrc[29] ^= 1;  // the IHDR's CRC
    const std::vector<std::string> damaged = {
        "this is plainly text, not a picture",
        kSignature + Ihdr(0, 5, 8, 2) + Chunk("IEND", ""),
        kSignature + Ihdr(5, 5, 3, 2) + Chunk("IEND", ""),  // no depth 3
        kSignature + Ihdr(5, 5, 8, 5) + Chunk("IEND", ""),  // no colour type 5
        kSignature + Ihdr(5, 5, 8, 3) + Chunk("IDAT", "xx") + Chunk("IEND", ""),  // no palette
        kSignature + Ihdr(5, 5, 8, 2) + Chunk("IDAT", "\x78\x9c garbage") + Chunk("IEND", ""),
        kSignature + Ihdr(5, 5, 8, 2) + Chunk("IEND", ""),  // no image data
        badCrc,
    };
    ExpectCleanFailures("damaged", damaged, RASTER_FORMAT_PNG, [](std::size_t) { return false; });
}

TEST(PngBadInputTest, TheCodecsOwnTexts) {
    const std::string good = MakePng({13, 7, PNG_COLOR_TYPE_RGB, 8, false, 0});
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {good.substr(0, 40), "Read Error"},
        {"GIF89a and more bytes", "Not a PNG file"},
    };
    for (const auto& c : cases) {
        CRaster image;
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_PNG));
        EXPECT_STREQ(image.GetLastError(), c.text);
    }
}

// The memory cap lowered for one test.
struct MemoryCap {
    explicit MemoryCap(std::size_t bytes) { SetRasterMaxMemory(bytes); }
    ~MemoryCap() { SetRasterMaxMemory(0); }
};

TEST(PngBadInputTest, ImagesPastTheCapAreRefusedBeforeTheyAreMade) {
    MemoryCap cap(std::size_t{1} << 20);
    const std::string tail = Chunk("IDAT", "\x78\x9c\x03\x00\x00\x00\x00\x01") + Chunk("IEND", "");
    const struct {
        std::string bytes;
        const char* text;  // null: any text
    } cases[] = {
        {kSignature + Ihdr(2000, 2000, 8, 2) + tail, "RASTER_MAX_MEMORY exceeded"},
        {kSignature + Ihdr(1500, 1000, 1, 0) + tail, "RASTER_MAX_MEMORY exceeded"},
        // A row the image could hold, but wider than the library may go.
        {kSignature + Ihdr((1 << 20) / 64 + 1, 1, 16, 6) + tail, "Invalid IHDR data"},
        {kSignature + Ihdr(0x7FFFFFFF, 0x7FFFFFFF, 16, 6) + tail, nullptr},
    };
    const CRaster before = imagetesting::Pattern(3, 3, 24);
    for (const auto& c : cases) {
        CRaster image(before);
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_PNG));
        if (c.text != nullptr) {
            EXPECT_STREQ(image.GetLastError(), c.text);
        }
        EXPECT_STRNE(image.GetLastError(), "");
        EXPECT_TRUE(imagetesting::SamePixels(image, before));
    }
}

TEST(PngDecodeTest, SizeOnlyAndCancel) {
    const std::string bytes = MakePng({33, 17, PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 0});
    CRaster size;
    size.SetEscape(-1);
    ASSERT_TRUE(DecodeBytes(size, bytes, RASTER_FORMAT_PNG));
    EXPECT_FALSE(size.IsValid());
    EXPECT_EQ(size.GetWidth(), 33u);
    EXPECT_EQ(size.GetHeight(), 17u);

    CRaster cancelled = imagetesting::Pattern(3, 3, 8);
    const CRaster before(cancelled);
    cancelled.SetEscape(1);
    EXPECT_FALSE(DecodeBytes(cancelled, bytes, RASTER_FORMAT_PNG));
    EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    EXPECT_TRUE(imagetesting::SamePixels(cancelled, before));
}

}  // namespace
