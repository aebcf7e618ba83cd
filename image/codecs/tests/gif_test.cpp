// GIF: our files from each code-stream writer read by Qt and by us, files
// written by hand (code streams packed code by code), and damaged ones.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <cstring>

#include "image/codecs/rastergif.h"
#include "image/codecs/tests/codectesting.h"
#include "image/codecs/tests/pixelrows.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::ExpectCleanFailures;
using codectesting::Rows;
using codectesting::SameAsQt;
using imagetesting::Bytes;
using imagetesting::DecodeBytes;

// Codes packed least-significant bit first, the width following a decoder's
// table: Lit adds the entry a decoder adds, Code sends any code at the
// present width.
struct Codes {
    int min, size, next;
    bool first = true;
    std::string bytes;
    unsigned long acc = 0;
    int bits = 0;
    explicit Codes(int minSize) : min(minSize), size(minSize + 1), next((1 << minSize) + 2) {}
    Codes& Code(int code) {
        acc |= static_cast<unsigned long>(code) << bits;
        bits += size;
        for (; bits >= 8; bits -= 8, acc >>= 8) bytes += static_cast<char>(acc & 0xFF);
        if (code == (1 << min)) {
            size = min + 1;
            next = (1 << min) + 2;
            first = true;
        } else if (code != (1 << min) + 1) {
            if (!first && next < 4096 && ++next == (1 << size) && size < 12) ++size;
            first = false;
        }
        return *this;
    }
    Codes& Clear() { return Code(1 << min); }
    Codes& End() { return Code((1 << min) + 1); }
    // Sub-blocks of up to 255 bytes and the terminator.
    std::string Blocks() {
        std::string data = bytes;
        if (bits > 0) data += static_cast<char>(acc & 0xFF);
        std::string out;
        for (std::size_t i = 0; i < data.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, data.size() - i);
            out += static_cast<char>(n);
            out += data.substr(i, n);
        }
        return out + '\0';
    }
};

// Literal codes for pixel values, with a clear before the width would grow.
std::string Literals(int min, const std::vector<int>& values) {
    Codes c(min);
    c.Clear();
    for (int v : values) {
        if (!c.first && c.next + 1 >= (1 << (min + 1))) c.Clear();
        c.Code(v);
    }
    return c.End().Blocks();
}

// A screen with a global table of `colors` entries (0: none) of grey
// levels i * 8 + 1, then blocks.
Bytes Screen(unsigned width, unsigned height, unsigned colors, unsigned background = 0) {
    Bytes b;
    b.Raw("GIF89a").U16(width).U16(height);
    unsigned bits = 0;
    while (colors > (2u << bits)) ++bits;
    b.U8(colors == 0 ? 0 : 0x80 | bits).U8(background).U8(0);
    for (unsigned i = 0; colors != 0 && i < (2u << bits); ++i)
        b.U8(i * 8 + 1).U8(i * 8 + 1).U8(i * 8 + 1);
    return b;
}

Bytes& Frame(Bytes& b, unsigned left, unsigned top, unsigned width, unsigned height, int min,
             const std::string& codes, unsigned packed = 0) {
    return b.U8(0x2C).U16(left).U16(top).U16(width).U16(height).U8(packed).U8(min).Raw(codes);
}

Bytes& Control(Bytes& b, unsigned flags, unsigned transIndex, unsigned delay = 0) {
    return b.Hex("21 f9 04").U8(flags).U16(delay).U8(transIndex).U8(0);
}

// A picture whose values follow a scrambled sequence: the LZW table fills
// and is cleared many times over.
CRaster Noise(LONG width, LONG height, DWORD bpp) {
    CRaster image = imagetesting::Pattern(width, height, bpp);
    unsigned seed = 12345;
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            image.SetPixelIndex(x, y, static_cast<BYTE>((seed >> 16) % image.GetNumColors()));
        }
    return image;
}

// Runs of every length from 1 up, long ones among them, of a few values.
CRaster Runs(LONG width, LONG height) {
    CRaster image = imagetesting::Pattern(width, height, 8);
    LONG run = 1, left = 1;
    BYTE value = 0;
    for (LONG y = height - 1; y >= 0; --y)
        for (LONG x = 0; x < width; ++x) {
            image.SetPixelIndex(x, y, value);
            if (--left == 0) {
                run = run > 40 ? 1 : run + 1;
                left = run * run * 3;
                value = static_cast<BYTE>((value + 1) % 5);
            }
        }
    return image;
}

// Long runs of one value between short ones of another: the long runs
// after the first are sent by the run codes the table already holds.
CRaster Stripes(LONG width, LONG height) {
    CRaster image = imagetesting::Pattern(width, height, 8);
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x)
            image.SetPixelIndex(x, y, (x + y * width) % 40 < 37 ? 0 : 1);
    return image;
}

QImage QtRead(const std::string& bytes) {
    return QImage::fromData(QByteArray::fromStdString(bytes), "GIF");
}

TEST(GifTest, EveryWriterAtEveryDepthReadsBackExactlyByQtAndUs) {
    struct Picture {
        const char* name;
        CRaster image;
    };
    const Picture pictures[] = {
        {"pattern 1", imagetesting::Pattern(37, 19, 1)},
        {"pattern 4", imagetesting::Pattern(41, 7, 4)},
        {"pattern 8", imagetesting::Pattern(64, 33, 8)},
        {"noise 8", Noise(300, 200, 8)},
        {"noise 4", Noise(111, 97, 4)},
        {"runs", Runs(400, 300)},
        {"one pixel", imagetesting::Pattern(1, 1, 8)},
        {"stripes", Stripes(80, 50)},
    };
    for (DWORD method : {0u, 1u, 2u}) {
        for (const Picture& p : pictures) {
            CRaster image(p.image);
            image.SetCodecOption(method, RASTER_FORMAT_GIF);
            const std::string bytes = EncodeBytes(image, RASTER_FORMAT_GIF);
            ASSERT_FALSE(bytes.empty()) << image.GetLastError();
            const QImage qt = QtRead(bytes);
            ASSERT_FALSE(qt.isNull()) << p.name << " method " << method;
            EXPECT_TRUE(SameAsQt(image, qt, false)) << p.name << " method " << method;
            CRaster back;
            ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_GIF))
                << p.name << " method " << method << ": " << back.GetLastError();
            EXPECT_EQ(back.GetBpp(), image.GetBpp()) << p.name;
            EXPECT_EQ(Rows(back), Rows(image)) << p.name << " method " << method;
        }
    }
}

TEST(GifTest, WritersDifferInSizeAsTheirCodesDo) {
    // Long runs: the run-length writer beats plain codes by far; noise
    // compresses only by LZW's table.
    CRaster runs = Runs(400, 300);
    std::size_t sizes[3];
    for (DWORD method : {0u, 1u, 2u}) {
        runs.SetCodecOption(method, RASTER_FORMAT_GIF);
        sizes[method] = EncodeBytes(runs, RASTER_FORMAT_GIF).size();
    }
    EXPECT_LT(sizes[2] * 10, sizes[1]);
    EXPECT_LT(sizes[0] * 10, sizes[1]);
    // Plain codes of 9 bits for 8-bit pixels, a clear each 253.
    EXPECT_GT(sizes[1], 400u * 300 * 9 / 8);
}

TEST(GifTest, RunLongerThanAFullTableOfRunCodes) {
    // 7.56 million dots of one value: more than the run codes 2 .. 3839 of
    // a full table cover, so the rest goes out by the longest of them.
    CRaster image(2800, 2700, 8, 0);
    image.SetPaletteColor(5, 9, 99, 199);
    image.Clear(5);
    image.SetCodecOption(2, RASTER_FORMAT_GIF);
    const std::string bytes = EncodeBytes(image, RASTER_FORMAT_GIF);
    EXPECT_LT(bytes.size(), 8000u);
    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_GIF)) << back.GetLastError();
    EXPECT_EQ(Rows(back).find_first_not_of("5|"), std::string::npos);
    const QImage qt = QtRead(bytes);
    ASSERT_FALSE(qt.isNull());
    EXPECT_EQ(qt.convertToFormat(QImage::Format_RGB32), [] {
        QImage expected(2800, 2700, QImage::Format_RGB32);
        expected.fill(qRgb(9, 99, 199));
        return expected;
    }());
}

TEST(GifTest, SingleImageBytesFollowTheLayout) {
    CRaster image(2, 1, 1, 0);
    image.SetPaletteColor(0, 1, 2, 3);
    image.SetPaletteColor(1, 4, 5, 6);
    image.SetPixelIndex(1, 0, 1);
    image.SetTransIndex(1);
    image.SetFrameDelay(7);
    Codes codes(2);
    codes.Clear().Code(0).Code(1).End();
    // clang-format off
    const std::string expected = Bytes().Raw("GIF89a").U16(2).U16(1).Hex("80 00 00")
        .Hex("01 02 03  04 05 06")
        .Hex("21 f9 04 01").U16(7).Hex("01 00")
        .Hex("2c").U16(0).U16(0).U16(2).U16(1).Hex("00 02").Raw(codes.Blocks())
        .Hex("3b");
    // clang-format on
    EXPECT_EQ(EncodeBytes(image, RASTER_FORMAT_GIF), expected);
    CRaster back;
    ASSERT_TRUE(DecodeBytes(back, expected, RASTER_FORMAT_GIF));
    EXPECT_EQ(back.GetTransIndex(), 1);
    EXPECT_EQ(back.GetFrameDelay(), 7u);
    // Qt shows the transparent index as transparent.
    const QImage qt = QtRead(expected);
    EXPECT_EQ(qAlpha(qt.pixel(1, 0)), 0);
    EXPECT_EQ(qt.pixel(0, 0), qRgb(1, 2, 3));
}

TEST(GifTest, HeaderPackedBytesByDepth) {
    const struct {
        DWORD bpp;
        BYTE packed;
    } cases[] = {{1, 0x80}, {4, 0xE3}, {8, 0xE7}};
    for (const auto& c : cases) {
        CRaster image = imagetesting::Pattern(3, 3, c.bpp);
        const std::string bytes = EncodeBytes(image, RASTER_FORMAT_GIF);
        ASSERT_GT(bytes.size(), 13u);
        EXPECT_EQ(static_cast<BYTE>(bytes[10]), c.packed) << c.bpp;
        // The image descriptor's code size: the depth, at least 2.
        const std::size_t at = 13 + 3 * (std::size_t{1} << c.bpp) + 8 + 10;
        EXPECT_EQ(static_cast<BYTE>(bytes[at]), std::max<DWORD>(c.bpp, 2)) << c.bpp;
    }
}

TEST(GifTest, CommentIsCutTo255Bytes) {
    CRasterGIF gif;
    gif.Copy(imagetesting::Pattern(4, 4, 8));
    gif.SetComment(std::string(300, 'c').c_str());
    char back[256];
    gif.GetComment(back);
    EXPECT_EQ(std::strlen(back), 255u);
    CRasterMemFile file;
    file.Open();
    ASSERT_TRUE(gif.Encode(&file));
    const std::string bytes(reinterpret_cast<char*>(file.GetBuffer(false)), file.Size());
    const std::string block = "\x21\xFE\xFF" + std::string(255, 'c') + '\0';
    EXPECT_NE(bytes.find(block), std::string::npos);
    // Read back as the codec's comment.
    CRasterGIF read;
    CRasterMemFile in(file.GetBuffer(false), static_cast<DWORD>(file.Size()));
    ASSERT_TRUE(read.Decode(&in));
    read.GetComment(back);
    EXPECT_EQ(std::string(back), std::string(255, 'c'));
}

TEST(GifTest, TwentyFourBitsGoAsAMosaicThatComposesBack) {
    CRaster image = imagetesting::Pattern(40, 33, 24);  // 3 x 3 tiles, cut at the edges
    for (DWORD method : {0u, 2u}) {
        image.SetCodecOption(method, RASTER_FORMAT_GIF);
        const std::string bytes = EncodeBytes(image, RASTER_FORMAT_GIF);
        CRaster first;
        ASSERT_TRUE(DecodeBytes(first, bytes, RASTER_FORMAT_GIF)) << first.GetLastError();
        EXPECT_EQ(first.GetNumFrames(), 9);
        EXPECT_EQ(first.GetBpp(), 24);
        // The last frame chosen: every tile in place.
        CRaster last;
        last.SetFrame(first.GetNumFrames() - 1);
        ASSERT_TRUE(DecodeBytes(last, bytes, RASTER_FORMAT_GIF)) << last.GetLastError();
        EXPECT_EQ(last.GetBpp(), 24);
        EXPECT_TRUE(imagetesting::SamePixels(last, image)) << method;
        // Qt composes the same picture at its last frame.
        QByteArray data = QByteArray::fromStdString(bytes);
        QBuffer buffer(&data);
        QImageReader reader(&buffer, "GIF");
        QImage frame;
        for (int i = 0; i < 9; ++i) ASSERT_TRUE(reader.read(&frame)) << i;
        EXPECT_TRUE(SameAsQt(image, frame, false));
    }
    // A transparent colour takes index 0 of every tile.
    CRaster transparent = imagetesting::Pattern(20, 10, 24);
    transparent.SetTransIndex(0);
    transparent.SetTransColor(transparent.GetPixelColor(3, 3));
    const std::string bytes = EncodeBytes(transparent, RASTER_FORMAT_GIF);
    EXPECT_NE(bytes.find("\x21\xF9\x04\x01\x00\x00\x00\x00", 0, 8), std::string::npos);
    CRaster last;
    last.SetFrame(1);  // 2 x 1 tiles
    ASSERT_TRUE(DecodeBytes(last, bytes, RASTER_FORMAT_GIF)) << last.GetLastError();
    EXPECT_TRUE(imagetesting::SamePixels(last, transparent));
}

TEST(GifTest, DepthFollowsTheColourTable) {
    const struct {
        unsigned colors;
        WORD bpp;
    } cases[] = {{2, 1}, {4, 4}, {16, 4}, {32, 8}, {256, 8}};
    for (const auto& c : cases) {
        Bytes b = Screen(3, 1, c.colors);
        Frame(b, 0, 0, 3, 1, 8, Literals(8, {0, 1, 1})).U8(0x3B);
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, b, RASTER_FORMAT_GIF)) << c.colors;
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.colors;
        EXPECT_EQ(image.GetPixelColor(1, 0).rgbRed, 9) << c.colors;
    }
}

TEST(GifTest, InterlacedFramesEqualTheirPlainTwins) {
    for (unsigned height : {1u, 2u, 3u, 4u, 5u, 8u, 9u, 17u}) {
        std::vector<int> plain, interlaced;
        for (unsigned y = 0; y < height; ++y)
            for (unsigned x = 0; x < 3; ++x) plain.push_back(static_cast<int>((y * 3 + x) % 16));
        for (unsigned pass = 0; pass < 4; ++pass) {
            static const unsigned start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
            for (unsigned y = start[pass]; y < height; y += step[pass])
                for (unsigned x = 0; x < 3; ++x) interlaced.push_back(plain[y * 3 + x]);
        }
        Bytes a = Screen(3, height, 16), b = Screen(3, height, 16);
        Frame(a, 0, 0, 3, height, 4, Literals(4, plain)).U8(0x3B);
        Frame(b, 0, 0, 3, height, 4, Literals(4, interlaced), 0x40).U8(0x3B);
        CRaster one, two;
        ASSERT_TRUE(DecodeBytes(one, a, RASTER_FORMAT_GIF));
        ASSERT_TRUE(DecodeBytes(two, b, RASTER_FORMAT_GIF)) << height;
        EXPECT_EQ(Rows(two), Rows(one)) << height;
    }
}

TEST(GifTest, CanvasTablesAndValuesAtTheEdges) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* rows;
    };
    std::vector<Case> cases;
    {
        // A frame inside the screen: the rest is the background index.
        Bytes b = Screen(4, 2, 4, 2);
        Frame(b, 1, 1, 2, 1, 2, Literals(2, {1, 3})).U8(0x3B);
        cases.push_back({"background", b, "2222|2132|"});
    }
    {
        // The transparent index clears the canvas and leaves dots out.
        Bytes b = Screen(3, 1, 4, 2);
        Control(b, 1, 3);
        Frame(b, 0, 0, 2, 1, 2, Literals(2, {1, 3})).U8(0x3B);
        cases.push_back({"transparent", b, "133|"});
    }
    {
        // A transparent index outside the frame's table of 16 makes nothing
        // transparent: the canvas is the background, value 15 is drawn.
        Bytes b = Screen(3, 1, 16, 2);
        Control(b, 1, 255);
        Frame(b, 0, 0, 2, 1, 4, Literals(4, {15, 1})).U8(0x3B);
        cases.push_back({"transparent index beyond the table", b, "f12|"});
    }
    {
        // Frames reaching past the screen are clipped.
        Bytes b = Screen(3, 2, 4);
        Frame(b, 2, 1, 3, 3, 2, Literals(2, {1, 2, 3, 1, 2, 3, 1, 2, 3})).U8(0x3B);
        cases.push_back({"clipped", b, "000|001|"});
    }
    {
        // Values above a two-colour table are masked to one bit.
        Bytes b = Screen(4, 1, 2);
        Frame(b, 0, 0, 4, 1, 2, Literals(2, {0, 1, 2, 3})).U8(0x3B);
        cases.push_back({"masked", b, "0101|"});
    }
    {
        // Data that stops early leaves the rest as the canvas was.
        Bytes b = Screen(4, 1, 4, 3);
        Codes c(2);
        c.Clear().Code(1);
        Frame(b, 0, 0, 4, 1, 2, c.Blocks()).U8(0x3B);
        cases.push_back({"short data", b, "1333|"});
    }
    {
        // A full table is kept until a clear: 12-bit codes go on.
        std::vector<int> values;
        Codes c(2);
        c.Clear().Code(1);
        values.push_back(1);
        while (c.next < 4096) {
            c.Code(2);
            values.push_back(2);
        }
        c.Code(3).Code(6);  // a table entry sent at 12 bits: "21"
        Bytes b = Screen(static_cast<unsigned>(values.size() + 3), 1, 4);
        Frame(b, 0, 0, static_cast<unsigned>(values.size() + 3), 1, 2, c.End().Blocks()).U8(0x3B);
        cases.push_back({"full table", b, nullptr});
    }
    for (const Case& c : cases) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, c.bytes, RASTER_FORMAT_GIF))
            << c.name << ": " << image.GetLastError();
        const std::string rows = Rows(image);
        if (c.rows != nullptr) {
            EXPECT_EQ(rows, c.rows) << c.name;
        } else {
            EXPECT_EQ(rows.substr(rows.size() - 5), "2312|") << c.name;
        }
    }

    // No colour table at all: black and white.
    Bytes b = Screen(2, 1, 0);
    Frame(b, 0, 0, 2, 1, 2, Literals(2, {0, 1})).U8(0x3B);
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, b, RASTER_FORMAT_GIF));
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(0, 0)), RGB(0, 0, 0));
    EXPECT_EQ(CRaster::RGBQUADtoRGB(image.GetPixelColor(1, 0)), RGB(255, 255, 255));
}

TEST(GifTest, LaterFramesComposeOverTheDisposedOnes) {
    // Two frames over the whole screen; the second leaves its index 3 out,
    // showing the first, or the background (index 2) when the first is
    // disposed of to the background.
    const struct {
        unsigned disposal;
        const char* rows;
    } cases[] = {{0, "110|"}, {1, "110|"}, {2, "220|"}};
    for (const auto& c : cases) {
        Bytes b = Screen(3, 1, 4, 2);
        Control(b, c.disposal << 2, 0);
        Frame(b, 0, 0, 3, 1, 2, Literals(2, {1, 1, 1}));
        Control(b, 1, 3);
        Frame(b, 0, 0, 3, 1, 2, Literals(2, {3, 3, 0})).U8(0x3B);
        CRaster image;
        image.SetFrame(1);
        ASSERT_TRUE(DecodeBytes(image, b, RASTER_FORMAT_GIF)) << image.GetLastError();
        EXPECT_EQ(image.GetNumFrames(), 2);
        EXPECT_EQ(Rows(image), c.rows) << c.disposal;
    }
}

TEST(GifTest, BrokenCodeStreamsFailCleanly) {
    struct Case {
        const char* name;
        Codes codes;
    };
    std::vector<Case> cases;
    // A code past the next free one.
    cases.push_back({"past next", Codes(2)});
    cases.back().codes.Clear().Code(1).Code(7);
    // The first code after a clear names a table entry.
    cases.push_back({"first after clear", Codes(2)});
    cases.back().codes.Clear().Code(1).Code(1).Clear().Code(6);
    // And at the very start, without a clear.
    cases.push_back({"first of all", Codes(2)});
    cases.back().codes.Code(6);
    std::vector<std::string> inputs;
    for (Case& c : cases) {
        Bytes b = Screen(8, 1, 4);
        Frame(b, 0, 0, 8, 1, 2, c.codes.End().Blocks()).U8(0x3B);
        inputs.push_back(b);
    }
    // Code sizes outside 2..9.
    for (int size : {0, 1, 10, 12}) {
        Bytes b = Screen(2, 1, 4);
        Frame(b, 0, 0, 2, 1, size, "\x01\x00\x00").U8(0x3B);
        inputs.push_back(b);
    }
    ExpectCleanFailures("broken", inputs, RASTER_FORMAT_GIF, [](std::size_t) { return false; });
    CRaster image;
    EXPECT_FALSE(DecodeBytes(image, inputs[0], RASTER_FORMAT_GIF));
    EXPECT_STREQ(image.GetLastError(), "Corrupted GIF code stream");
    EXPECT_FALSE(DecodeBytes(image, inputs[3], RASTER_FORMAT_GIF));
    EXPECT_STREQ(image.GetLastError(), "Bad GIF code size");
}

TEST(GifTest, FramesAreCountedToTheDataEnd) {
    CRaster a = imagetesting::Pattern(5, 4, 8), b = Noise(5, 4, 8), c = Runs(5, 4);
    CRaster* frames[] = {&a, &b, &c};
    CRasterMemFile file;
    file.Open();
    CRaster host;
    ASSERT_TRUE(host.Encode(&file, frames, 3, RASTER_FORMAT_GIF)) << host.GetLastError();
    const std::string bytes(reinterpret_cast<char*>(file.GetBuffer(false)), file.Size());

    // Every frame by number, equal to its source.
    for (LONG i = 0; i < 3; ++i) {
        CRaster image;
        image.SetFrame(i);
        ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF)) << i;
        EXPECT_EQ(image.GetNumFrames(), 3);
        EXPECT_TRUE(imagetesting::SamePixels(image, *frames[i])) << i;
    }
    // A frame past the last fails and reports the count.
    CRaster image;
    image.SetFrame(3);
    EXPECT_FALSE(DecodeBytes(image, bytes, RASTER_FORMAT_GIF));
    EXPECT_EQ(image.GetNumFrames(), 3);

    // Cut anywhere: the walk ends; whatever decodes has at most 3 frames,
    // and a failure leaves a text and the picture.
    std::vector<std::string> cuts;
    for (std::size_t n = 0; n < bytes.size(); ++n) cuts.push_back(bytes.substr(0, n));
    ExpectCleanFailures("cut", cuts, RASTER_FORMAT_GIF, [](std::size_t n) { return n > 13; });
    for (std::size_t n = 800; n < bytes.size(); n += 7) {
        CRaster cut;
        if (DecodeBytes(cut, cuts[n], RASTER_FORMAT_GIF)) {
            EXPECT_LE(cut.GetNumFrames(), 3) << n;
        }
    }

    // Qt sees three frames too, each equal to its source.
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, "GIF");
    for (CRaster* source : frames) {
        QImage frame;
        ASSERT_TRUE(reader.read(&frame));
        EXPECT_TRUE(SameAsQt(*source, frame, false));
    }
}

TEST(GifTest, AnimationBlocksAndRefusals) {
    CRaster a = imagetesting::Pattern(4, 2, 8);
    a.SetFrameDelay(25);
    CRaster* frames[] = {&a, &a};
    const struct {
        LONG loops;
        bool block;
        unsigned count;
    } cases[] = {{0, true, 0}, {1, false, 0}, {5, true, 4}, {-3, true, 0}};
    for (const auto& c : cases) {
        CRasterGIF gif;
        gif.SetLoops(c.loops);
        CRasterMemFile file;
        file.Open();
        ASSERT_TRUE(gif.Encode(&file, frames, 2));
        const std::string bytes(reinterpret_cast<char*>(file.GetBuffer(false)), file.Size());
        const std::string loop =
            Bytes().Hex("21 ff 0b").Raw("NETSCAPE2.0").Hex("03 01").U16(c.count).U8(0);
        EXPECT_EQ(bytes.find(loop) != std::string::npos, c.block) << c.loops;
        EXPECT_NE(bytes.find(Bytes().Hex("21 f9 04 00").U16(25).Hex("00 00").s), std::string::npos);
    }
    CRaster host;
    CRasterMemFile file;
    file.Open();
    EXPECT_FALSE(host.Encode(&file, nullptr, 2, RASTER_FORMAT_GIF));
    EXPECT_STREQ(host.GetLastError(), "multipage GIF, no images!");
    CRaster* withNull[] = {&a, nullptr};
    EXPECT_FALSE(host.Encode(&file, withNull, 2, RASTER_FORMAT_GIF));
    EXPECT_STREQ(host.GetLastError(), "Bad image pointer");
    EXPECT_FALSE(host.Encode(static_cast<CRasterFile*>(nullptr), frames, 2, RASTER_FORMAT_GIF));
    EXPECT_STREQ(host.GetLastError(), "invalid file pointer");
    EXPECT_EQ(file.Size(), 0);
}

TEST(GifTest, SizeOnlyAndNotGif) {
    Bytes b = Screen(300, 200, 4);
    Frame(b, 0, 0, 1, 1, 2, Literals(2, {1})).U8(0x3B);
    CRaster image;
    image.SetEscape(-1);
    ASSERT_TRUE(DecodeBytes(image, b, RASTER_FORMAT_GIF));
    EXPECT_EQ(image.GetWidth(), 300u);
    EXPECT_EQ(image.GetHeight(), 200u);
    EXPECT_FALSE(image.IsValid());
    std::string notGif = b;
    notGif[3] = '9';
    ExpectCleanFailures("signature", {notGif, "GIF8", Bytes(Screen(1, 1, 4)).U8(0x3B)},
                        RASTER_FORMAT_GIF, [](std::size_t) { return false; });
}

}  // namespace
