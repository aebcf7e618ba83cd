// PNG files both ways: files of every colour type, depth and interlace made
// here with libpng, read by us and compared with libpng's and Qt's reading;
// ours read back by both. Then damaged files, the memory cap, the size-only
// request, cancelling and streams that fail.

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
using imagetesting::DecodeBytes;

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgba& p) {
    return os << p.r << "," << p.g << "," << p.b << "/" << p.a;
}

// ---- libpng on both sides -----------------------------------------------------------------

struct PngShape {
    int width, height, colorType, depth;
    bool interlaced;
    int trans;               // 0 none; palette: 1 entry 0 clear, 2 every entry's alpha; else a key
    bool replicated = true;  // 16-bit samples: high byte = low byte
};

int ChannelsOf(int colorType) {
    return colorType == PNG_COLOR_TYPE_GRAY_ALPHA  ? 2
           : colorType == PNG_COLOR_TYPE_RGB       ? 3
           : colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                                                   : 1;
}

// Sample c of pixel (x, y) from the top. Unreplicated 16-bit neighbours
// share their high byte and differ in the low one.
unsigned SampleAt(const PngShape& f, int x, int y, int c) {
    const unsigned v = static_cast<unsigned>(x * 7 + y * 13 + c * 5 + x * y);
    if (f.depth < 16) return v % (1u << f.depth);
    if (f.replicated) return (v % 256) * 257;
    return ((x / 4 + y) % 256) * 256 + (x * 37 + c * 11) % 256;
}

BYTE PaletteAlpha(unsigned i) { return static_cast<BYTE>(i * 53 + 9); }

[[noreturn]] void TestPngError(png_structp, png_const_charp message) {
    ADD_FAILURE() << "libpng: " << message;
    std::abort();
}
void TestPngWarning(png_structp, png_const_charp) {}

std::string MakePng(const PngShape& f) {
    std::string out;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, TestPngError, TestPngWarning);
    png_infop pinfo = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, std::size_t n) {
            static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
        },
        nullptr);
    png_set_IHDR(png, pinfo, f.width, f.height, f.depth, f.colorType,
                 f.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const unsigned entries = f.colorType == PNG_COLOR_TYPE_PALETTE ? 1u << f.depth : 0;
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    for (unsigned i = 0; i < entries; ++i) {
        palette.push_back({BYTE(i * 37 + 11), BYTE(i * 91 + 3), BYTE(255 - i * 13)});
        alphas.push_back(f.trans == 1 ? 0 : PaletteAlpha(i));
    }
    if (entries != 0) png_set_PLTE(png, pinfo, palette.data(), static_cast<int>(entries));
    // A colour key: the value of pixel (1, 0).
    const auto key = [&](int c) { return png_uint_16(SampleAt(f, 1 % f.width, 0, c)); };
    png_color_16 keyColor{0, key(0), key(1), key(2), key(0)};
    if (f.trans != 0)
        png_set_tRNS(png, pinfo, alphas.data(), f.trans == 1 ? 1 : static_cast<int>(entries),
                     entries != 0 ? nullptr : &keyColor);
    png_write_info(png, pinfo);

    const int channels = ChannelsOf(f.colorType);
    const std::size_t rowBytes = (std::size_t(f.width) * channels * f.depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(f.height, std::vector<png_byte>(rowBytes, 0));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < f.height; ++y) {
        for (int x = 0; x < f.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned v = SampleAt(f, x, y, c);
                const std::size_t bit = (std::size_t(x) * channels + c) * f.depth;
                if (f.depth == 16) {
                    rows[y][bit / 8] = png_byte(v >> 8);
                    rows[y][bit / 8 + 1] = png_byte(v);
                } else {
                    rows[y][bit / 8] |= png_byte(v << (8 - f.depth - bit % 8));
                }
            }
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, pinfo);
    png_destroy_write_struct(&png, &pinfo);
    return out;
}

// libpng's own reading, top-down: 8-bit RGBA, transparency as alpha.
std::vector<Rgba> LibpngPixels(const std::string& bytes) {
    struct Source {
        const std::string* bytes;
        std::size_t at;
    } source{&bytes, 0};
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
    const std::size_t width = png_get_image_width(png, pinfo);
    std::vector<png_byte> buffer(width * png_get_image_height(png, pinfo) * 4);
    std::vector<png_bytep> rows;
    for (std::size_t at = 0; at < buffer.size(); at += width * 4) rows.push_back(&buffer[at]);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &pinfo, nullptr);
    std::vector<Rgba> pixels;
    for (std::size_t i = 0; i < buffer.size(); i += 4)
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

// Our pixels top-down, with whatever carries their transparency.
std::vector<Rgba> OurPixels(const CRaster& image) {
    std::vector<Rgba> pixels;
    for (LONG row = static_cast<LONG>(image.GetHeight()) - 1; row >= 0; --row)
        for (LONG x = 0; x < static_cast<LONG>(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, row, false);
            const BYTE index = image.IsIndexed() ? image.GetPixelIndex(x, row) : 0;
            const int a =
                image.AlphaIsValid()            ? image.AlphaGet(x, row)
                : image.AlphaPaletteIsEnabled() ? image.GetPaletteColor(index).rgbReserved
                : image.IsTransparent() && image.IsIndexed() && index == image.GetTransIndex()
                    ? 0
                    : 255;
            pixels.push_back({c.rgbRed, c.rgbGreen, c.rgbBlue, a});
        }
    return pixels;
}

// Equal pixel by pixel; the colour of clear pixels only with `clearColour`.
::testing::AssertionResult Same(const std::vector<Rgba>& ours, const std::vector<Rgba>& ref,
                                bool clearColour = true) {
    if (ours.size() != ref.size())
        return ::testing::AssertionFailure() << ours.size() << " pixels vs " << ref.size();
    for (std::size_t i = 0; i < ours.size(); ++i)
        if (!(ours[i] == ref[i]) && (clearColour || ours[i].a != 0 || ref[i].a != 0))
            return ::testing::AssertionFailure()
                   << "pixel " << i << ": ours " << ours[i] << " reference " << ref[i];
    return ::testing::AssertionSuccess();
}

// ---- Reading ----------------------------------------------------------------------------------

// Every colour type at every depth it allows, plain and interlaced, with
// and without transparency, at sizes whose rows end inside a byte and that
// leave interlace passes empty.
std::vector<PngShape> EveryShape() {
    const struct {
        int colorType;
        std::vector<int> depths, trans;
    } kinds[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, {0, 1}},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, {0, 1, 2}},
        {PNG_COLOR_TYPE_RGB, {8, 16}, {0, 1}},
        {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, {0}},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, {0}},
    };
    std::vector<PngShape> shapes;
    for (const auto& kind : kinds)
        for (int depth : kind.depths)
            for (int trans : kind.trans)
                for (bool adam7 : {false, true})
                    for (int size : {1, 13, 33})
                        shapes.push_back({size, size / 2 + 1, kind.colorType, depth, adam7, trans});
    return shapes;
}

TEST(PngDecodeTest, EveryColourTypeDepthAndInterlaceExactly) {
    for (const PngShape& f : EveryShape()) {
        SCOPED_TRACE(::testing::Message()
                     << "type " << f.colorType << " depth " << f.depth << " trans " << f.trans
                     << " width " << f.width << (f.interlaced ? " Adam7" : ""));
        const std::string bytes = MakePng(f);
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, bytes, RASTER_FORMAT_PNG)) << ours.GetLastError();
        // Packed samples keep their depth (2 bits as 4); colour, alpha and
        // 16-bit grey keys are 24 bits, alpha in the plane.
        const bool packed = f.colorType == PNG_COLOR_TYPE_PALETTE ||
                            (f.colorType == PNG_COLOR_TYPE_GRAY && (f.depth < 16 || !f.trans));
        EXPECT_EQ(ours.GetBpp(), !packed ? 24 : f.depth == 2 ? 4 : std::min(f.depth, 8));
        EXPECT_EQ(ours.AlphaIsValid(), !packed && (ChannelsOf(f.colorType) % 2 == 0 || f.trans));
        EXPECT_EQ(ours.GetCodecOption(RASTER_FORMAT_PNG), f.interlaced ? 1u : 0u);
        EXPECT_TRUE(Same(OurPixels(ours), LibpngPixels(bytes))) << "libpng";
        // Qt gives 16-bit colour with a key wrong alpha values.
        if (!(f.colorType == PNG_COLOR_TYPE_RGB && f.depth == 16 && f.trans)) {
            EXPECT_TRUE(Same(OurPixels(ours), QtPixels(bytes), false)) << "Qt";
        }
    }
}

TEST(PngDecodeTest, TransparencyIsTheFilesOwn) {
    // A caller's transparency and resolution do not stay on a file without them.
    CRaster image = imagetesting::Pattern(4, 4, 8);
    image.SetTransIndex(3);
    image.SetXDPI(300);
    ASSERT_TRUE(DecodeBytes(image, MakePng({5, 3, PNG_COLOR_TYPE_PALETTE, 8, false, 0}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_EQ(image.GetXDPI(), 96);
    // Entry 0 alone and clear: the transparent index; else the palette's alpha.
    ASSERT_TRUE(DecodeBytes(image, MakePng({13, 7, PNG_COLOR_TYPE_PALETTE, 4, false, 1}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(image.GetTransIndex(), 0);
    EXPECT_FALSE(image.AlphaPaletteIsEnabled());
    ASSERT_TRUE(DecodeBytes(image, MakePng({13, 7, PNG_COLOR_TYPE_PALETTE, 8, false, 2}),
                            RASTER_FORMAT_PNG));
    EXPECT_EQ(image.GetTransIndex(), -1);
    EXPECT_TRUE(image.AlphaPaletteIsEnabled());
    EXPECT_EQ(image.GetPaletteColor(5).rgbReserved, PaletteAlpha(5));

    // A 16-bit grey key matches all 16 bits: pixels sharing only its high
    // byte stay opaque.
    const std::string deep = MakePng({13, 7, PNG_COLOR_TYPE_GRAY, 16, false, 1, false});
    ASSERT_TRUE(DecodeBytes(image, deep, RASTER_FORMAT_PNG));
    const std::vector<Rgba> pixels = OurPixels(image);
    EXPECT_TRUE(Same(pixels, LibpngPixels(deep)));
    EXPECT_EQ(pixels[1].a, 0);
    EXPECT_EQ(pixels[0].a, 255);
    EXPECT_EQ(pixels[0].r, pixels[1].r) << "the samples test nothing";
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

// ---- Writing ----------------------------------------------------------------------------------

// The data of the file's first chunk of the type.
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
    const struct {
        DWORD bpp;
        int transIndex;  // -1 none
        bool alphaPalette, alphaPlane;
        int colorType, depth;  // what the file must say
    } cases[] = {
        {1, -1, false, false, PNG_COLOR_TYPE_PALETTE, 1},
        {4, -1, false, false, PNG_COLOR_TYPE_PALETTE, 4},
        {8, 3, false, false, PNG_COLOR_TYPE_PALETTE, 8},
        {4, -1, true, false, PNG_COLOR_TYPE_PALETTE, 4},
        {24, -1, false, false, PNG_COLOR_TYPE_RGB, 8},
        {24, -1, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        // A palette file has no room for a plane.
        {4, -1, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
        {8, 3, false, true, PNG_COLOR_TYPE_RGB_ALPHA, 8},
    };
    for (const auto& c : cases)
        for (DWORD interlace : {0u, 1u}) {
            SCOPED_TRACE(::testing::Message()
                         << c.bpp << " bits, type " << c.colorType << " " << interlace);
            CRaster image = imagetesting::Pattern(19, 9, c.bpp);
            image.SetTransIndex(c.transIndex);
            image.AlphaPaletteEnable(c.alphaPalette);
            for (DWORD i = 0; c.alphaPalette && i < image.GetNumColors(); ++i) {
                RGBQUAD q = image.GetPaletteColor(static_cast<BYTE>(i));
                q.rgbReserved = static_cast<BYTE>(255 - i * 17);
                image.SetPaletteColor(static_cast<BYTE>(i), q);
            }
            if (c.alphaPlane) {
                ASSERT_TRUE(image.AlphaCreate());
            }
            for (LONG y = 0; c.alphaPlane && y < 9; ++y)
                for (LONG x = 0; x < 19; ++x) image.AlphaSet(x, y, BYTE(x * 13 + y * 29));
            image.SetCodecOption(interlace, RASTER_FORMAT_PNG);
            image.SetXDPI(300);
            image.SetYDPI(72);
            const std::string bytes = EncodeBytes(image, RASTER_FORMAT_PNG);
            ASSERT_GT(bytes.size(), 33u) << image.GetLastError();
            EXPECT_EQ(BYTE(bytes[24]), c.depth);
            EXPECT_EQ(BYTE(bytes[25]), c.colorType);
            EXPECT_EQ(BYTE(bytes[28]), interlace);

            const std::vector<Rgba> expected = OurPixels(image);
            EXPECT_TRUE(Same(LibpngPixels(bytes), expected)) << "libpng";
            EXPECT_TRUE(Same(QtPixels(bytes), expected)) << "Qt";
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_PNG)) << back.GetLastError();
            EXPECT_TRUE(Same(OurPixels(back), expected)) << "ours";
            EXPECT_EQ(back.GetCodecOption(RASTER_FORMAT_PNG), interlace);
            EXPECT_EQ(back.GetXDPI(), 300);
            EXPECT_EQ(back.GetYDPI(), 72);

            // The background: white, or the clear colour when there is one;
            // a palette file names it by its index.
            const std::string bkgd = ChunkData(bytes, "bKGD");
            const RGBQUAD clear = image.GetTransColor();
            const std::string colour =
                c.transIndex < 0 ? std::string("\0\xff\0\xff\0\xff", 6)
                                 : std::string{0, char(clear.rgbRed), 0, char(clear.rgbGreen),
                                               0, char(clear.rgbBlue)};
            if (c.colorType != PNG_COLOR_TYPE_PALETTE) {
                EXPECT_EQ(bkgd, colour);
            } else if (c.transIndex >= 0) {
                EXPECT_EQ(bkgd, std::string(1, char(c.transIndex)));
            } else {
                ASSERT_EQ(bkgd.size(), 1u);
                EXPECT_LT(BYTE(bkgd[0]), image.GetNumColors());
            }
        }
}

TEST(PngEncodeTest, SavedAndLoadedByNameThroughTheProbe) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/picture.png").toStdString();
    CRaster image = imagetesting::Pattern(31, 17, 24);
    ASSERT_TRUE(image.Save(path, RASTER_FORMAT_PNG)) << image.GetLastError();
    for (DWORD format : {RASTER_FORMAT_UNKNOWN, RASTER_FORMAT_BMP}) {  // BMP fails, the probe not
        CRaster loaded;
        ASSERT_TRUE(loaded.Load(path, format)) << loaded.GetLastError();
        EXPECT_EQ(loaded.GetType(), static_cast<DWORD>(RASTER_FORMAT_PNG));
        EXPECT_TRUE(imagetesting::SamePixels(loaded, image));
    }
    // A file that is no picture: the asked codec's own text, or the probe's.
    const std::string text = (dir.path() + "/notes.png").toStdString();
    std::FILE* file = std::fopen(text.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("plain text, not a picture", file);
    std::fclose(file);
    const CRaster before(image);
    EXPECT_FALSE(image.Load(text, RASTER_FORMAT_PNG));
    EXPECT_STREQ(image.GetLastError(), "Not a PNG file");
    EXPECT_TRUE(imagetesting::SamePixels(image, before));
    EXPECT_FALSE(image.Load(text, RASTER_FORMAT_UNKNOWN));
    EXPECT_STREQ(image.GetLastError(), "Decode: Unknown or wrong format");
}

// A stream that takes only so many bytes, or refuses to flush.
class ShortStream : public CRasterMemFile {
public:
    ShortStream(std::size_t room, bool flushes) : m_room(room), m_flushes(flushes) { Open(); }
    std::size_t Write(const void* buffer, std::size_t size, std::size_t count) override {
        const std::size_t n = std::min(size * count, m_room);
        m_room -= n;
        return CRasterMemFile::Write(buffer, 1, n) / size;
    }
    bool Flush() override { return m_flushes; }

private:
    std::size_t m_room;
    bool m_flushes;
};

TEST(PngEncodeTest, StreamFailuresAreReported) {
    CRaster image = imagetesting::Pattern(40, 30, 24);
    const struct {
        std::size_t room;
        bool flushes;
        const char* text;
    } cases[] = {{0, true, "Write Error"},
                 {40, true, "Write Error"},
                 {200, true, "Write Error"},
                 {1u << 20, false, "Flush Error"}};
    for (const auto& c : cases) {
        ShortStream stream(c.room, c.flushes);
        EXPECT_FALSE(image.Encode(&stream, RASTER_FORMAT_PNG)) << c.room;
        EXPECT_STREQ(image.GetLastError(), c.text) << c.room;
    }
}

// ---- Bad input
// ------------------------------------------------------------------------------------

std::string Chunk(const char* type, const std::string& data) {
    const std::string body = std::string(type, 4) + data;
    const auto be32 = [](unsigned long v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    return be32(data.size()) + body +
           be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}

std::string Header(unsigned long width, unsigned long height, int depth, int colorType) {
    imagetesting::Bytes b;
    for (unsigned long v : {width, height}) b.U8(v >> 24).U8(v >> 16).U8(v >> 8).U8(v);
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           Chunk("IHDR", b.U8(depth).U8(colorType).U8(0).U8(0).U8(0));
}

const std::string kEnd = Chunk("IEND", "");
const std::string kEmptyData = Chunk("IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));

TEST(PngBadInputTest, DamagedFilesFailCleanly) {
    const std::string good = MakePng({33, 17, PNG_COLOR_TYPE_RGB_ALPHA, 8, true, 0});
    // Cut anywhere before the image data ends (IEND is not needed).
    std::vector<std::string> inputs;
    for (std::size_t n = 0; n < good.size() - 12; n += (n < 64 ? 1 : 7))
        inputs.push_back(good.substr(0, n));
    std::string badCrc = good;
    badCrc[29] ^= 1;
    for (const std::string& bad : {
             badCrc,
             Header(0, 5, 8, 2) + kEnd,
             Header(5, 5, 3, 2) + kEnd,               // no depth 3
             Header(5, 5, 8, 5) + kEnd,               // no colour type 5
             Header(5, 5, 8, 3) + kEmptyData + kEnd,  // no palette
             Header(5, 5, 8, 2) + kEnd,               // no image data
             Header(5, 5, 8, 2) + Chunk("IDAT", "\x78\x9c garbage") + kEnd,
         })
        inputs.push_back(bad);
    codectesting::ExpectCleanFailures("png", inputs, RASTER_FORMAT_PNG,
                                      [](std::size_t) { return false; });
    CRaster cut;
    EXPECT_FALSE(DecodeBytes(cut, good.substr(0, 40), RASTER_FORMAT_PNG));
    EXPECT_STREQ(cut.GetLastError(), "Read Error");
}

struct MemoryCap {
    explicit MemoryCap(std::size_t bytes) { SetRasterMaxMemory(bytes); }
    ~MemoryCap() { SetRasterMaxMemory(0); }
};

TEST(PngBadInputTest, ImagesPastTheCapAreRefusedBeforeTheyAreMade) {
    MemoryCap cap(std::size_t{1} << 20);
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {Header(2000, 2000, 8, 2), "RASTER_MAX_MEMORY exceeded"},
        {Header(1500, 1000, 1, 0), "RASTER_MAX_MEMORY exceeded"},     // bits fit, a plane not
        {Header((1 << 20) / 64 + 1, 1, 16, 6), "Invalid IHDR data"},  // past the library's rows
        {Header(0x7FFFFFFF, 0x7FFFFFFF, 16, 6), "Invalid IHDR data"},
    };
    const CRaster before = imagetesting::Pattern(3, 3, 24);
    for (const auto& c : cases) {
        CRaster image(before);
        EXPECT_FALSE(DecodeBytes(image, c.bytes + kEmptyData + kEnd, RASTER_FORMAT_PNG));
        EXPECT_STREQ(image.GetLastError(), c.text);
        EXPECT_TRUE(imagetesting::SamePixels(image, before));
    }
}

}  // namespace
