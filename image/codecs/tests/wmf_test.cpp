#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "image/codecs/rasterwmf.h"
#include "image/codecs/rasterwmfplayer.h"
#include "image/codecs/tests/codectesting.h"

namespace {

using imagetesting::Bytes;
using imagetesting::DecodeBytes;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A placeable metafile written record by record: 16-bit words, then bytes.
class Wmf {
public:
    explicit Wmf(int right = 100, int bottom = 50, int inch = 96, int left = 0, int top = 0)
        : left_(left), top_(top), right_(right), bottom_(bottom), inch_(inch) {}

    Wmf& Rec(unsigned function, std::vector<int> words, const std::string& tail = {}) {
        Bytes b;
        const std::size_t padded = tail.size() + tail.size() % 2;
        b.U32(3 + words.size() + padded / 2).U16(function);
        for (int w : words) b.U16(static_cast<unsigned>(w) & 0xFFFF);
        b.Raw(tail).Fill(padded - tail.size());
        boundaries_.push_back(records_.size());
        records_ += b.s;
        return *this;
    }
    static int Lo(COLORREF c) { return static_cast<int>(c & 0xFFFF); }
    static int Hi(COLORREF c) { return static_cast<int>(c >> 16); }
    // Bytes standing as a record, whatever they say.
    Wmf& Raw(const std::string& bytes) {
        boundaries_.push_back(records_.size());
        records_ += bytes;
        return *this;
    }
    Wmf& Brush(COLORREF c) { return Rec(0x02FC, {BS_SOLID, Lo(c), Hi(c), 0}); }
    Wmf& Pen(int style, int width, COLORREF c) {
        return Rec(0x02FA, {style, width, 0, Lo(c), Hi(c)});
    }
    Wmf& Select(int index) { return Rec(0x012D, {index}); }
    Wmf& Rect(int l, int t, int r, int b) { return Rec(0x041B, {b, r, t, l}); }

    // The placeable header, the standard header, the records and the end.
    std::string File(unsigned objects = 8) const {
        imagetesting::Bytes h;
        h.U32(0x9AC6CDD7).U16(0).U16(left_).U16(top_).U16(right_).U16(bottom_).U16(inch_).U32(0);
        unsigned sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^=
                static_cast<unsigned char>(h.s[i]) | (static_cast<unsigned char>(h.s[i + 1]) << 8);
        h.U16(sum);
        const std::string body = records_ + imagetesting::Bytes().U32(3).U16(0).s;
        h.U16(1).U16(9).U16(0x300).U32(9 + body.size() / 2).U16(objects).U32(0).U16(0);
        return h.s + body;
    }
    // Where each record starts in File().
    std::set<std::size_t> Boundaries() const {
        std::set<std::size_t> at;
        for (std::size_t b : boundaries_) at.insert(40 + b);
        at.insert(40 + records_.size());
        return at;
    }

private:
    int left_, top_, right_, bottom_, inch_;
    std::string records_;
    std::vector<std::size_t> boundaries_;
};

// An enhanced metafile: the header with the bounds, the records, the end.
class Emf {
public:
    explicit Emf(long l = 0, long t = 0, long r = 99, long b = 49) : bounds_{l, t, r, b} {}

    Emf& Rec(unsigned type, std::vector<long> values, const std::string& tail = {}) {
        Bytes b;
        const std::size_t padded = (tail.size() + 3) / 4 * 4;
        b.U32(type).U32(8 + 4 * values.size() + padded);
        for (long v : values) b.U32(static_cast<unsigned long>(v));
        b.Raw(tail).Fill(padded - tail.size());
        boundaries_.push_back(records_.size());
        records_ += b.s;
        return *this;
    }
    static long F(float f) {
        unsigned long bits = 0;
        std::memcpy(&bits, &f, 4);
        return static_cast<long>(bits);
    }
    Emf& Raw(const std::string& bytes) {
        boundaries_.push_back(records_.size());
        records_ += bytes;
        return *this;
    }
    Emf& Brush(long index, COLORREF c) {
        return Rec(39, {index, BS_SOLID, static_cast<long>(c), 0});
    }
    Emf& Select(unsigned long index) { return Rec(37, {static_cast<long>(index)}); }
    Emf& Stock(unsigned long index) { return Select(0x80000000u | index); }
    Emf& Rect(long l, long t, long r, long b) { return Rec(43, {l, t, r, b}); }

    std::string File(unsigned handles = 8) const {
        const std::string end = imagetesting::Bytes().U32(14).U32(20).U32(0).U32(16).U32(20).s;
        imagetesting::Bytes h;
        h.U32(1).U32(88);
        for (long v : bounds_) h.U32(static_cast<unsigned long>(v));
        h.Fill(16).U32(0x464D4520).U32(0x10000).U32(88 + records_.size() + end.size());
        h.U32(boundaries_.size() + 2).U16(handles).U16(0).U32(0).U32(0).U32(0);
        h.U32(1024).U32(768).U32(320).U32(240);
        return h.s + records_ + end;
    }
    std::set<std::size_t> Boundaries() const {
        std::set<std::size_t> at;
        for (std::size_t b : boundaries_) at.insert(88 + b);
        at.insert(88 + records_.size());
        return at;
    }

private:
    std::vector<long> bounds_;
    std::string records_;
    std::vector<std::size_t> boundaries_;
};

// A 2 x 2 bitmap of 24 bits, bottom-up: its top row red, green; its bottom
// row blue, white. Header and bits apart.
std::string Dib2x2Header() {
    return Bytes().U32(40).U32(2).U32(2).U16(1).U16(24).U32(0).U32(16).Fill(16);
}
std::string Dib2x2Bits() {
    return Bytes().Hex("ff 00 00 ff ff ff 00 00").Hex("00 00 ff 00 ff 00 00 00");
}

// The colour at column x, row y counted from the top.
COLORREF At(const CRaster& image, int x, int y) {
    const RGBQUAD c = image.GetPixelColor(x, static_cast<LONG>(image.GetHeight()) - 1 - y, false);
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

struct Probe {
    int x, y;
    COLORREF color;
};

void ExpectPixels(const std::string& label, const std::string& bytes, int width, int height,
                  const std::vector<Probe>& probes) {
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_WMF))
        << label << ": " << image.GetLastError();
    ASSERT_EQ(image.GetWidth(), static_cast<DWORD>(width)) << label;
    ASSERT_EQ(image.GetHeight(), static_cast<DWORD>(height)) << label;
    EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_WMF));
    for (const Probe& p : probes)
        EXPECT_EQ(At(image, p.x, p.y), p.color) << label << " at " << p.x << "," << p.y;
}

TEST(WmfDrawTest, RecordsDrawAtTheirPixels) {
    const std::string dib = Dib2x2Header() + Dib2x2Bits();
    struct Case {
        const char* name;
        Wmf wmf;
        std::vector<Probe> probes;
    } cases[] = {
        {"rectangle",
         Wmf().Brush(kRed).Select(0).Rect(10, 10, 30, 20),
         {{10, 10, kBlack}, {29, 19, kBlack}, {20, 15, kRed}, {30, 15, kWhite}, {20, 20, kWhite}}},
        {"ellipse",
         Wmf().Brush(kRed).Select(0).Rec(0x0418, {30, 60, 10, 40}),
         {{50, 20, kRed}, {40, 10, kWhite}, {59, 29, kWhite}, {50, 10, kBlack}}},
        {"a wider window halves",
         Wmf().Rec(0x020C, {100, 200}).Brush(kRed).Select(0).Rect(20, 20, 60, 40),
         {{10, 10, kBlack}, {20, 15, kRed}, {29, 19, kBlack}, {31, 15, kWhite}}},
        {"window origin",
         Wmf().Rec(0x020B, {-5, -10}).Brush(kRed).Select(0).Rect(0, 0, 10, 10),
         {{10, 5, kBlack}, {9, 5, kWhite}, {15, 10, kRed}}},
        {"line leaves out its end",
         Wmf().Rec(0x0214, {40, 5}).Rec(0x0213, {40, 25}),
         {{5, 40, kBlack}, {24, 40, kBlack}, {25, 40, kWhite}, {15, 41, kWhite}}},
        {"pen colour and width",
         Wmf().Pen(PS_SOLID, 3, kBlue).Select(0).Rec(0x0214, {30, 10}).Rec(0x0213, {30, 40}),
         {{20, 29, kBlue}, {20, 30, kBlue}, {20, 31, kBlue}, {20, 33, kWhite}}},
        {"pie",
         Wmf().Brush(kRed).Select(0).Rec(0x081A, {0, 60, 10, 70, 21, 71, 0, 50}),
         {{66, 4, kRed}, {54, 14, kWhite}, {54, 4, kWhite}}},
        {"polygon",
         Wmf().Brush(kRed).Select(0).Rec(0x0324, {3, 10, 10, 40, 10, 10, 40}),
         {{10, 10, kBlack}, {15, 20, kRed}, {35, 30, kWhite}}},
        {"palette colour",
         Wmf()
             .Rec(0x00F7, {0x300, 2, 255, 0, 0xFF00, 0})
             .Rec(0x0234, {0})
             .Brush(0x01000001)
             .Select(1)
             .Rect(10, 10, 20, 20),
         {{15, 15, kGreen}}},
        {"objects take the lowest free slot",
         Wmf()
             .Brush(kRed)
             .Brush(kBlue)
             .Rec(0x01F0, {0})
             .Brush(kGreen)
             .Select(0)
             .Rect(10, 10, 20, 20),
         {{15, 15, kGreen}}},
        {"a missing object is left out",
         Wmf().Brush(kRed).Select(5).Rect(10, 10, 20, 20),
         {{15, 15, kWhite}, {10, 10, kBlack}}},
        {"save and restore",
         Wmf()
             .Brush(kRed)
             .Brush(kBlue)
             .Select(0)
             .Rec(0x001E, {})
             .Select(1)
             .Rec(0x0127, {-1})
             .Rect(10, 10, 20, 20),
         {{15, 15, kRed}}},
        {"clip rectangle",
         Wmf().Rec(0x0416, {20, 20, 10, 10}).Brush(kRed).Select(0).Rect(0, 0, 100, 50),
         {{15, 15, kRed}, {10, 10, kRed}, {19, 19, kRed}, {20, 20, kWhite}, {5, 5, kWhite}}},
        {"opaque text box",
         Wmf()
             .Rec(0x0201, {Wmf::Lo(kBlue), Wmf::Hi(kBlue)})
             .Rec(0x0A32, {30, 60, 0, 2, 60, 30, 80, 40}),
         {{60, 30, kBlue}, {79, 39, kBlue}, {80, 40, kWhite}, {59, 30, kWhite}}},
        {"region fill",
         Wmf().Brush(kRed).Rec(0x06FF, {0, 6, 0, 0, 0, 0, 0, 10, 10, 20, 30}).Rec(0x0228, {1, 0}),
         {{10, 10, kRed}, {19, 29, kRed}, {20, 15, kWhite}}},
        {"flood fill up to a border",
         Wmf().Rect(10, 10, 30, 20).Brush(kRed).Select(0).Rec(0x0419, {0, 0, 15, 20}),
         {{15, 15, kRed}, {11, 11, kRed}, {10, 10, kBlack}, {5, 5, kWhite}}},
        {"flood fill of a surface",
         Wmf().Rect(10, 10, 30, 20).Brush(kRed).Select(0).Rec(0x0548, {1, 0xFFFF, 0xFF, 5, 5}),
         {{5, 5, kRed}, {99, 49, kRed}, {20, 15, kWhite}, {10, 10, kBlack}}},
        {"bitmap stretched, upright",
         Wmf().Rec(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, 20, 0, 0}, dib),
         {{5, 5, kRed}, {15, 5, kGreen}, {5, 15, kBlue}, {15, 15, kWhite}, {20, 5, kWhite}}},
        {"bitmap flipped by a negative width",
         Wmf().Rec(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 20, -20, 0, 20}, dib),
         {{5, 5, kGreen}, {15, 5, kRed}, {5, 15, kWhite}, {15, 15, kBlue}}},
    };
    for (Case& c : cases) ExpectPixels(c.name, c.wmf.File(), 100, 50, c.probes);
}

TEST(WmfDrawTest, FillModesOfPolyPolygons) {
    struct Case {
        int mode;
        COLORREF overlap;
    } cases[] = {{ALTERNATE, kWhite}, {WINDING, kRed}};
    for (const Case& c : cases) {
        Wmf wmf;
        wmf.Pen(PS_NULL, 0, 0).Select(0).Brush(kRed).Select(1).Rec(0x0106, {c.mode});
        wmf.Rec(0x0538, {2, 4, 4, 0, 0, 20, 0, 20, 20, 0, 20, 10, 10, 30, 10, 30, 30, 10, 30});
        ExpectPixels("mode " + std::to_string(c.mode), wmf.File(), 100, 50,
                     {{15, 15, c.overlap}, {5, 5, kRed}, {25, 25, kRed}, {5, 25, kWhite}});
    }
}

TEST(WmfDrawTest, TextLandsByItsCellTop) {
    Wmf wmf;
    std::string face = "Arial";
    face.resize(32, '\0');
    wmf.Rec(0x02FB, {-20, 0, 0, 0, 700, 0, 0, 0, 0}, face).Select(0).Rec(0x0102, {TRANSPARENT});
    wmf.Rec(0x0521, {1}, std::string("H") + '\0' + Bytes().U16(10).U16(40).s);
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, wmf.File(), RASTER_FORMAT_WMF)) << image.GetLastError();
    // Ink only in the letter's cell right of and below its top-left corner.
    int inked = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            if (At(image, x, y) != kWhite) {
                ++inked;
                EXPECT_TRUE(x >= 40 && x < 60 && y >= 10 && y < 34) << x << "," << y;
            }
    EXPECT_GT(inked, 20);
}

TEST(EmfDrawTest, RecordsDrawAtTheirPixels) {
    const std::string dib = Dib2x2Header() + Dib2x2Bits();
    // StretchDIBits: bitmap parts right after the record's 80 bytes.
    auto stretch = [&](long x, long y, long w, long h) {
        return Emf().Rec(81, {0, 0, 0, 0, x, y, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0x00CC0020, w, h},
                         dib);
    };
    struct Case {
        const char* name;
        Emf emf;
        std::vector<Probe> probes;
    } cases[] = {
        {"stock objects, no pen",
         Emf().Stock(8).Stock(4).Rect(10, 10, 20, 20),
         {{10, 10, kBlack}, {18, 18, kBlack}, {19, 19, kWhite}, {9, 10, kWhite}}},
        {"bounds moved",
         Emf(10, 10, 109, 59).Brush(1, kRed).Select(1).Rect(10, 10, 20, 20),
         {{0, 0, kBlack}, {5, 5, kRed}, {10, 10, kWhite}}},
        {"world transform scales",
         Emf()
             .Rec(35, {Emf::F(2), 0, 0, Emf::F(2), 0, 0})
             .Brush(1, kRed)
             .Select(1)
             .Rect(5, 5, 10, 10),
         {{10, 10, kBlack}, {15, 15, kRed}, {19, 19, kBlack}, {21, 15, kWhite}}},
        {"world transform turns",
         Emf()
             .Rec(36, {0, Emf::F(1), Emf::F(-1), 0, Emf::F(60), 0, 4})
             .Stock(8)
             .Stock(4)
             .Rect(0, 0, 20, 10),
         {{55, 10, kBlack}, {45, 10, kWhite}, {55, 25, kWhite}}},
        {"anisotropic mapping",
         Emf()
             .Rec(17, {8})
             .Rec(9, {1000, 1000})
             .Rec(11, {100, 50})
             .Brush(1, kRed)
             .Select(1)
             .Rect(100, 100, 300, 300),
         {{10, 5, kBlack}, {20, 10, kRed}, {29, 14, kBlack}, {31, 10, kWhite}}},
        {"metric mapping counts upwards",
         Emf().Rec(17, {3}).Rec(12, {0, 40}).Stock(8).Stock(4).Rect(0, 0, 1000, 500),
         {{5, 30, kBlack}, {5, 41, kWhite}, {35, 30, kWhite}}},
        {"filled path",
         Emf()
             .Stock(4)
             .Rec(59, {})
             .Rec(27, {10, 10})
             .Rec(54, {30, 10})
             .Rec(54, {30, 30})
             .Rec(61, {})
             .Rec(60, {})
             .Rec(62, {0, 0, 0, 0}),
         {{28, 12, kBlack}, {12, 25, kWhite}, {31, 20, kWhite}}},
        {"clip region",
         Emf()
             .Rec(75, {48, 5},
                  Bytes()
                      .U32(32)
                      .U32(1)
                      .U32(1)
                      .U32(16)
                      .U32(0)
                      .U32(0)
                      .U32(10)
                      .U32(10)
                      .U32(0)
                      .U32(0)
                      .U32(10)
                      .U32(10)
                      .s)
             .Stock(4)
             .Rect(0, 0, 100, 50),
         {{5, 5, kBlack}, {9, 9, kBlack}, {10, 5, kWhite}, {5, 10, kWhite}}},
        {"comments skipped",
         Emf().Rec(70, {8}, "EMF+\x01\x40\x00\x00").Stock(4).Rect(10, 10, 20, 20),
         {{15, 15, kBlack}}},
        {"opaque text box",
         Emf()
             .Rec(25, {static_cast<long>(kBlue)})
             .Rec(84, {0, 0, 0, 0, 1, 0, 0, 60, 30, 0, 0, 2, 60, 30, 80, 40, 0}),
         {{60, 30, kBlue}, {79, 39, kBlue}, {80, 40, kWhite}}},
        {"bezier runs through its ends",
         Emf().Rec(85, {0, 0, 0, 0, 4},
                   Bytes().U16(10).U16(40).U16(10).U16(40).U16(30).U16(40).U16(30).U16(40).s),
         {{10, 40, kBlack}, {20, 40, kBlack}, {29, 40, kBlack}, {30, 40, kWhite}}},
        {"bitmap upright",
         stretch(0, 0, 20, 20),
         {{5, 5, kRed}, {15, 5, kGreen}, {5, 15, kBlue}, {15, 15, kWhite}}},
        {"bitmap upside down",
         stretch(0, 20, 20, -20),
         {{5, 5, kBlue}, {15, 5, kWhite}, {5, 15, kRed}, {15, 15, kGreen}}},
        // Under XOR a pixel two pieces of one figure cover still turns once.
        {"a wide pen's lines on from the position are one figure",
         Emf()
             .Rec(38, {1, PS_SOLID, 9, 0, static_cast<long>(kRed)})
             .Select(1)
             .Rec(20, {R2_XORPEN})
             .Rec(27, {20, 25})
             .Rec(6, {0, 0, 0, 0, 2, 50, 25, 20, 30}),
         {{50, 25, RGB(0, 255, 255)}, {35, 26, RGB(0, 255, 255)}, {35, 40, kWhite}}},
        {"save and restore",
         Emf().Brush(1, kRed).Brush(2, kBlue).Select(1).Rec(33, {}).Select(2).Rec(34, {-1}).Rect(
             10, 10, 20, 20),
         {{15, 15, kRed}}},
    };
    for (Case& c : cases) ExpectPixels(c.name, c.emf.File(), 100, 50, c.probes);
}

TEST(WmfSizeTest, BoundingBoxAndUnitsGiveTheSizeUpTo4000ASide) {
    struct Case {
        std::int64_t w, h;
        int inch;
        CSize size;
    } cases[] = {
        {100, 50, 96, {100, 50}},
        {1440, 720, 1440, {96, 48}},
        {-100, 50, 96, {100, 50}},
        {10000, 5000, 96, {4000, 2000}},
        {5000, 10000, 96, {2000, 4000}},
        {65535, 3, 96, {4000, 1}},
        {0, 50, 96, {0, 0}},
        {4, 4, 2540, {0, 0}},
        {8000, 2, 0, {4000, 1}},
    };
    for (const Case& c : cases) {
        const CSize got = CRasterWMF::PictureSize(c.w, c.h, c.inch);
        EXPECT_EQ(got.cx, c.size.cx) << c.w << "x" << c.h << "@" << c.inch;
        EXPECT_EQ(got.cy, c.size.cy) << c.w << "x" << c.h << "@" << c.inch;
    }
}

TEST(WmfSizeTest, SizeOnlyRequestGivesTheSizeWithoutPixels) {
    struct Case {
        const char* name;
        std::string bytes;
        DWORD width, height;
    } cases[] = {
        {"placeable", Wmf(8000, 100).Rect(0, 0, 10, 10).File(), 4000, 50},
        {"placeable in twips", Wmf(2880, 1440, 1440).File(), 192, 96},
        {"enhanced", Emf(-5, -5, 94, 194).File(), 100, 200},
    };
    for (const Case& c : cases) {
        CRaster image;
        image.SetEscape(-1);
        ASSERT_TRUE(DecodeBytes(image, c.bytes, RASTER_FORMAT_WMF)) << c.name;
        EXPECT_FALSE(image.IsValid()) << c.name;
        EXPECT_EQ(image.GetWidth(), c.width) << c.name;
        EXPECT_EQ(image.GetHeight(), c.height) << c.name;
    }
}

TEST(WmfBadInputTest, HeadersThatAreNoMetafile) {
    auto placeable = [](const std::function<void(std::string&)>& damage) {
        std::string bytes = Wmf().Rect(0, 0, 10, 10).File();
        damage(bytes);
        return bytes;
    };
    auto fixSum = [](std::string& b) {
        unsigned sum = 0;
        for (std::size_t i = 0; i < 20; i += 2)
            sum ^= static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8);
        b[20] = static_cast<char>(sum);
        b[21] = static_cast<char>(sum >> 8);
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"wrong key", placeable([](std::string& b) { b[0] = 0; }), "corrupted WMF"},
        {"wrong checksum", placeable([](std::string& b) { b[20] ^= 1; }), "corrupted WMF"},
        {"no units per inch", placeable([&](std::string& b) {
             b[14] = b[15] = 0;
             fixSum(b);
         }),
         "corrupted WMF"},
        {"2541 units per inch", placeable([&](std::string& b) {
             b[14] = static_cast<char>(0xED);
             b[15] = 9;
             fixSum(b);
         }),
         "corrupted WMF"},
        {"standard header of type 3", placeable([](std::string& b) { b[22] = 3; }),
         "corrupted WMF"},
        {"a plain metafile without the placeable header", Wmf().File().substr(22), "corrupted WMF"},
        {"empty box", Wmf(0, 50).File(), "empty WMF"},
        {"enhanced, no signature",
         [] {
             std::string b = Emf().File();
             b[40] = 'X';
             return b;
         }(),
         "corrupted WMF"},
        {"enhanced, header longer than the file",
         [] {
             std::string b = Emf().File();
             b[5] = 9;
             return b;
         }(),
         "corrupted WMF"},
        {"enhanced, empty bounds", Emf(0, 0, -1, -1).File(), "empty WMF"},
        {"seven bytes", "\x01\0\0\0X\0\0", "corrupted WMF"},
    };
    const CRaster before = imagetesting::Pattern(5, 4, 8);
    for (const Case& c : cases) {
        CRaster image(before);
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_WMF)) << c.name;
        EXPECT_STREQ(image.GetLastError(), c.error) << c.name;
        EXPECT_TRUE(imagetesting::SamePixels(image, before)) << c.name;
    }
}

TEST(WmfBadInputTest, RecordsWhoseSizesOrCountsDoNotFit) {
    const std::string dib = Dib2x2Header() + Dib2x2Bits();
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"record shorter than its head",
         Wmf().Rect(0, 0, 10, 10).Raw(std::string("\x02\0\0\0\x1b\x04", 6)).File()},
        {"record past the end",
         [] {
             std::string b = Wmf().Rect(0, 0, 10, 10).File();
             b[40] = 50;
             return b;
         }()},
        {"polygon counts more points than it has", Wmf().Rec(0x0324, {1000, 1, 1, 5, 5}).File()},
        {"polyline count of 65535", Wmf().Rec(0x0325, {0xFFFF}).File()},
        {"poly-polygon counts past the record",
         Wmf().Rec(0x0538, {2, 3, 40000, 0, 0, 5, 5, 0, 5}).File()},
        {"poly-polygon of 65535 polygons", Wmf().Rec(0x0538, {0xFFFF, 1}).File()},
        {"text longer than its record", Wmf().Rec(0x0521, {200}, "ab").File()},
        {"extended text longer than its record", Wmf().Rec(0x0A32, {0, 0, 300, 0}, "abcd").File()},
        {"rectangle without its corners", Wmf().Rec(0x041B, {10, 10}).File()},
        {"region with more scans than bytes",
         Wmf().Rec(0x06FF, {0, 6, 0, 0, 0, 500, 0, 0, 0, 9, 9}).File()},
        {"palette with more entries than bytes", Wmf().Rec(0x00F7, {0x300, 9000, 1, 2}).File()},
        {"font without its fields", Wmf().Rec(0x02FB, {-20, 0}).File()},
        {"bitmap record without its bitmap", Wmf().Rec(0x0F43, {0x20, 0xCC, 0, 2, 2}).File()},
        {"enhanced record of 6 bytes",
         Emf().Rect(0, 0, 10, 10).Raw(Bytes().U32(43).U32(6).s).File()},
        {"enhanced record size not a multiple of 4",
         [] {
             std::string b = Emf().Rect(0, 0, 10, 10).File();
             b[92] = 25;
             return b;
         }()},
        {"enhanced record past the end",
         [] {
             std::string b = Emf().Rect(0, 0, 10, 10).File();
             b[93] = 1;
             return b;
         }()},
        {"enhanced polyline of 2^30 points", Emf().Rec(4, {0, 0, 0, 0, 0x40000000, 1, 1}).File()},
        {"enhanced poly-polygon counts past the total",
         Emf().Rec(8, {0, 0, 0, 0, 2, 3, 3, 5, 0, 0, 1, 1, 2, 2}).File()},
        {"enhanced poly-polygon of 2^30 polygons",
         Emf().Rec(8, {0, 0, 0, 0, 0x40000000, 0}).File()},
        {"enhanced text past its record",
         Emf().Rec(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 50, 76, 0, 0, 0, 0, 0, 0}).File()},
        {"enhanced bitmap past its record",
         Emf()
             .Rec(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 5000, 0, 0x00CC0020, 2, 2}, dib)
             .File()},
        {"enhanced bitmap offset far out",
         Emf()
             .Rec(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 0x7FFFFFF0, 40, 120, 16, 0, 0x00CC0020, 2, 2},
                  dib)
             .File()},
        {"enhanced font too short", Emf().Rec(82, {1, -20, 0}).File()},
        {"enhanced clip region with more rectangles than bytes",
         Emf().Rec(75, {48, 5}, Bytes().U32(32).U32(1).U32(100).U32(0).Fill(32).s).File()},
        {"enhanced poly-draw types past the record",
         Emf().Rec(56, {0, 0, 0, 0, 2, 1, 1, 2, 2}).File()},
    };
    const CRaster before = imagetesting::Pattern(5, 4, 8);
    for (const Case& c : cases) {
        CRaster image(before);
        EXPECT_FALSE(DecodeBytes(image, c.bytes, RASTER_FORMAT_WMF)) << c.name;
        EXPECT_STREQ(image.GetLastError(), "corrupted WMF") << c.name;
        EXPECT_TRUE(imagetesting::SamePixels(image, before)) << c.name;
    }
}

TEST(WmfBadInputTest, EveryCutOfAFileFailsCleanlyOrEndsAtARecord) {
    const std::string dib = Dib2x2Header() + Dib2x2Bits();
    const Wmf wmf = Wmf()
                        .Brush(kRed)
                        .Select(0)
                        .Rect(1, 1, 9, 9)
                        .Rec(0x0A32, {0, 0, 2, 0}, "ab")
                        .Rec(0x0F43, {0x20, 0xCC, 0, 2, 2, 0, 0, 4, 4, 0, 0}, dib);
    const Emf emf = Emf()
                        .Brush(1, kRed)
                        .Select(1)
                        .Rect(1, 1, 9, 9)
                        .Rec(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 0, 0, 0}, "a\0b\0");
    struct Case {
        const char* name;
        std::string bytes;
        std::set<std::size_t> ends;
    } cases[] = {{"placeable", wmf.File(), wmf.Boundaries()},
                 {"enhanced", emf.File(), emf.Boundaries()}};
    for (const Case& c : cases) {
        std::vector<std::string> cuts;
        for (std::size_t n = 0; n < c.bytes.size(); ++n) cuts.push_back(c.bytes.substr(0, n));
        codectesting::ExpectCleanFailures(c.name, cuts, RASTER_FORMAT_WMF,
                                          [&](std::size_t n) { return c.ends.count(n) != 0; });
    }
}

TEST(WmfDispatchTest, TheProbeFindsMetafilesAndCancelStops) {
    for (const std::string& bytes :
         {Wmf().Rect(0, 0, 10, 10).File(), Emf().Rect(0, 0, 10, 10).File()}) {
        CRaster image;
        ASSERT_TRUE(DecodeBytes(image, bytes, RASTER_FORMAT_UNKNOWN)) << image.GetLastError();
        EXPECT_EQ(image.GetType(), static_cast<DWORD>(RASTER_FORMAT_WMF));
        EXPECT_EQ(At(image, 0, 0), kBlack);
        CRaster cancelled;
        cancelled.SetEscape(1);
        EXPECT_FALSE(DecodeBytes(cancelled, bytes, RASTER_FORMAT_WMF));
        EXPECT_STREQ(cancelled.GetLastError(), "Cancelled");
    }
}

TEST(WmfPlayerTest, RecordsThatCannotBeDrawnAreNamedAndTheRestIsDrawn) {
    // A block transfer of an old device bitmap, then a rectangle.
    const std::string records = Bytes().U32(7).U16(0x0922).U32(0).U16(5).U16(5).s +
                                Bytes().U32(7).U16(0x041B).U16(8).U16(8).U16(2).U16(2).s;
    CDC dc(10, 10);
    CMetafilePlayer player(dc, nullptr);
    player.PlayWinMetafile(reinterpret_cast<const BYTE*>(records.data()), records.size(), 4,
                           CRect(0, 0, 10, 10));
    EXPECT_EQ(player.Undrawn(), std::vector<unsigned>{0x0922});
    EXPECT_EQ(dc.GetPixel(2, 2), kBlack);
    EXPECT_EQ(dc.GetPixel(7, 7), kBlack);
    EXPECT_EQ(dc.GetPixel(5, 5), kWhite);
}

}  // namespace
