// EXIF and comment sections written by hand in both byte orders, put in
// front of a JPEG made with the bare library: the record, the resolution
// the image gets, hostile directories, and the sections carried into a
// file written again.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image/codecs/rasterjpg.h"
#include "image/codecs/tests/codectesting.h"
#include "image/codecs/tests/jpegtesting.h"

namespace {

using imagetesting::DecodeBytes;
using jpegtesting::Section;
using jpegtesting::WithSections;
using Exif = CRasterJPG::CRasterExifInfo;

// TIFF data in either byte order.
struct Tiff {
    bool mm = false;
    std::string bytes;

    std::string U16(unsigned v) const {
        std::string s(2, '\0');
        s[mm ? 0 : 1] = static_cast<char>(v >> 8);
        s[mm ? 1 : 0] = static_cast<char>(v & 0xFF);
        return s;
    }
    std::string U32(unsigned long v) const {
        return mm ? U16((v >> 16) & 0xFFFF) + U16(v & 0xFFFF)
                  : U16(v & 0xFFFF) + U16((v >> 16) & 0xFFFF);
    }
    std::string Rational(long num, long den) const {
        return U32(static_cast<unsigned long>(num)) + U32(static_cast<unsigned long>(den));
    }
    void Put(std::size_t at, const std::string& s) {
        if (bytes.size() < at + s.size()) bytes.resize(at + s.size(), '\0');
        bytes.replace(at, s.size(), s);
    }
    // The header naming the first directory's offset.
    explicit Tiff(bool motorola, unsigned long first = 8) : mm(motorola) {
        Put(0, std::string(mm ? "MM" : "II") + U16(42) + U32(first));
    }

    struct Entry {
        unsigned tag, format;
        unsigned long count;
        std::string value;         // inline when 4 bytes or fewer
        unsigned long offset = 0;  // else here, 0: right after the directory
        bool rawOffset = false;    // value holds the offset field itself
    };
    // A directory at `at`, its longer values after it; returns their end.
    std::size_t Dir(std::size_t at, const std::vector<Entry>& entries, unsigned long next = 0) {
        std::size_t data = at + 2 + 12 * entries.size() + 4;
        Put(at, U16(static_cast<unsigned>(entries.size())));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            std::string field = e.value;
            if (!e.rawOffset && e.value.size() > 4) {
                const std::size_t where = e.offset != 0 ? e.offset : data;
                Put(where, e.value);
                if (e.offset == 0) data += e.value.size();
                field = U32(where);
            }
            field.resize(4, '\0');
            Put(at + 2 + 12 * i, U16(e.tag) + U16(e.format) + U32(e.count) + field);
        }
        Put(at + 2 + 12 * entries.size(), U32(next));
        return data;
    }
};

std::string ExifSection(const Tiff& tiff) {
    return Section(0xE1, std::string("Exif\0\0", 6) + tiff.bytes);
}

const std::string& PlainJpeg() {
    static const std::string file = jpegtesting::BareEncode(
        16, 8, 3, JCS_RGB, jpegtesting::Samples(16, 8, 3), [](jpeg_compress_struct& c) {
            c.density_unit = 1;
            c.X_density = c.Y_density = 72;
        });
    return file;
}

// The record after our codec decoded the file; its reader's last text.
struct Read {
    bool exif = false, decoded = false;
    RasterExifInfo info{};
    std::string error;
    LONG dpi = 0;
};
Read ReadFile(const std::string& file) {
    Read r;
    CRasterJPG jpg;
    CRasterMemFile stream(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                          static_cast<DWORD>(file.size()));
    r.decoded = jpg.Decode(&stream);
    r.exif = jpg.GetExifInfo().IsExif;
    r.info = jpg.GetExifInfo();
    r.error = jpg.GetExif() != nullptr ? jpg.GetExif()->GetLastError() : "";
    r.dpi = jpg.GetXDPI();
    return r;
}
Read ReadTiff(const Tiff& tiff) { return ReadFile(WithSections(PlainJpeg(), ExifSection(tiff))); }

constexpr unsigned BYTE_ = 1, ASCII = 2, SHORT = 3, LONG_ = 4, RATIONAL = 5, UNDEF = 7,
                   SRATIONAL = 10, FLOAT = 11;

TEST(ExifTest, FieldsInBothByteOrders) {
    for (const bool mm : {false, true}) {
        Tiff t(mm);
        const std::string comment = std::string("ASCII\0\0\0Hello world   ", 22);
        // The first directory, the EXIF one below it, the thumbnail's next.
        const std::size_t end = t.Dir(8,
                                      {
                                          {271, ASCII, 6, std::string("Canon", 6)},
                                          {272, ASCII, 13, std::string("PowerShot A1", 13)},
                                          {274, SHORT, 1, t.U16(6)},
                                          {282, RATIONAL, 1, t.Rational(300, 1)},
                                          {283, RATIONAL, 1, t.Rational(300, 1)},
                                          {296, SHORT, 1, t.U16(2)},
                                          {34665, LONG_, 1, t.U32(200)},
                                      },
                                      600);
        ASSERT_LT(end, 200u);
        t.Dir(200, {
                       {33434, RATIONAL, 1, t.Rational(1, 125)},
                       {33437, RATIONAL, 1, t.Rational(28, 10)},
                       {34855, SHORT, 1, t.U16(2)},  // a factor of 200: ISO 400
                       {36864, UNDEF, 4, "0220"},
                       {36867, ASCII, 20, std::string("2024:01:02 03:04:05", 20)},
                       {37379, SRATIONAL, 1, t.Rational(-1, 2)},
                       {37385, SHORT, 1, t.U16(0x19)},
                       {37386, RATIONAL, 1, t.Rational(50, 1)},
                       {37510, UNDEF, static_cast<unsigned long>(comment.size()), comment},
                       {40962, LONG_, 1, t.U32(4000)},
                       {40963, LONG_, 1, t.U32(3000)},
                       {41486, RATIONAL, 1, t.Rational(2000, 1)},
                       {41488, SHORT, 1, t.U16(2)},
                   });
        const std::string thumb = "\xFF\xD8thumbnail\xFF\xD9";
        t.Dir(600, {{513, LONG_, 1, t.U32(700)}, {514, LONG_, 1, t.U32(thumb.size())}});
        t.Put(700, thumb);

        const Read r = ReadTiff(t);
        const char* order = mm ? "MM" : "II";
        ASSERT_TRUE(r.decoded) << order;
        ASSERT_TRUE(r.exif) << order << ": " << r.error;
        const RasterExifInfo& e = r.info;
        EXPECT_STREQ(e.CameraMake, "Canon") << order;
        EXPECT_STREQ(e.CameraModel, "PowerShot A1") << order;
        EXPECT_EQ(e.Orientation, 6) << order;
        EXPECT_FLOAT_EQ(e.Xresolution, 300) << order;
        EXPECT_FLOAT_EQ(e.ResolutionUnit, 1.0f) << order;
        EXPECT_FLOAT_EQ(e.ExposureTime, 1.0f / 125) << order;
        EXPECT_FLOAT_EQ(e.ApertureFNumber, 2.8f) << order;
        EXPECT_EQ(e.ISOequivalent, 400) << order;
        EXPECT_STREQ(e.Version, "0220") << order;
        EXPECT_STREQ(e.DateTime, "2024:01:02 03:04:05") << order;
        EXPECT_FLOAT_EQ(e.Brightness, -0.5f) << order;
        EXPECT_EQ(e.FlashUsed, 1) << order;
        EXPECT_FLOAT_EQ(e.FocalLength, 50) << order;
        EXPECT_STREQ(e.Comments, "Hello world") << order;
        EXPECT_FLOAT_EQ(e.CCDWidth, 2.0f) << order;  // 4000 x 1 / 2000
        EXPECT_EQ(e.Width, 16) << order;             // from the frame header
        EXPECT_EQ(e.IsColor, 1) << order;
        EXPECT_EQ(r.dpi, 300) << order;  // EXIF before JFIF
        EXPECT_EQ(e.ThumbnailSize, thumb.size()) << order;
        // The thumbnail pointer itself is the reader's and is gone with it;
        // its bytes are checked while the codec lives.
        CRasterJPG jpg;
        const std::string file = WithSections(PlainJpeg(), ExifSection(t));
        CRasterMemFile stream(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                              static_cast<DWORD>(file.size()));
        ASSERT_TRUE(jpg.DecodeExif(&stream));
        ASSERT_NE(jpg.GetExifInfo().ThumbnailPointer, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(jpg.GetExifInfo().ThumbnailPointer),
                              jpg.GetExifInfo().ThumbnailSize),
                  thumb)
            << order;
        EXPECT_EQ(stream.Tell(), 0) << order;  // the stream is back where it was

        // A copy has the record but never the source's thumbnail.
        const CRasterJPG copy(jpg);
        EXPECT_STREQ(copy.GetExifInfo().CameraMake, "Canon");
        EXPECT_EQ(copy.GetExifInfo().ThumbnailPointer, nullptr);
        EXPECT_EQ(copy.GetExifInfo().ThumbnailSize, 0u);
        CRasterJPG assigned;
        assigned = jpg;
        EXPECT_EQ(assigned.GetExifInfo().ThumbnailPointer, nullptr);
    }
}

TEST(ExifTest, ApexValuesStandInForMissingOnes) {
    Tiff t(false);
    t.Dir(8, {{37377, SRATIONAL, 1, t.Rational(7, 1)}, {37378, RATIONAL, 1, t.Rational(4, 1)}});
    const Read r = ReadTiff(t);
    ASSERT_TRUE(r.exif) << r.error;
    EXPECT_FLOAT_EQ(r.info.ExposureTime, 1.0f / 128);
    EXPECT_FLOAT_EQ(r.info.ApertureFNumber, 4.0f);
}

TEST(ExifTest, ResolutionTakenOnlyWhenSound) {
    const float nan = std::nanf("");
    unsigned long nanBits;
    std::memcpy(&nanBits, &nan, 4);
    const struct {
        const char* name;
        std::string (*x)(const Tiff&, unsigned long);
        unsigned long value;
        int unit;  // 0: no unit tag
        LONG dpi;
    } cases[] = {
        {"per inch", [](const Tiff& t, unsigned long v) { return t.Rational(v, 1); }, 200, 2, 200},
        {"per centimetre", [](const Tiff& t, unsigned long v) { return t.Rational(v, 1); }, 118, 3,
         299},
        {"no unit", [](const Tiff& t, unsigned long v) { return t.Rational(v, 1); }, 200, 0, 72},
        {"too large", [](const Tiff& t, unsigned long v) { return t.Rational(v, 1); }, 70000, 2,
         72},
        {"zero over zero", [](const Tiff& t, unsigned long) { return t.Rational(0, 0); }, 0, 2, 72},
        {"not a number", [](const Tiff& t, unsigned long v) { return t.U32(v); }, nanBits, 2, 72},
    };
    for (const auto& c : cases) {
        Tiff t(true);
        const unsigned format = std::string(c.name) == "not a number" ? FLOAT : RATIONAL;
        std::vector<Tiff::Entry> entries = {{282, format, 1, c.x(t, c.value)},
                                            {283, format, 1, c.x(t, c.value)}};
        if (c.unit != 0) entries.push_back({296, SHORT, 1, t.U16(c.unit)});
        t.Dir(8, entries);
        const Read r = ReadTiff(t);
        ASSERT_TRUE(r.decoded) << c.name;
        EXPECT_EQ(r.dpi, c.dpi) << c.name;
    }
}

TEST(ExifTest, HostileDirectoriesEndAndReadOnlyTheirData) {
    struct Case {
        const char* name;
        std::function<void(Tiff&)> build;
        std::function<void(const Read&)> check;
    };
    const Case cases[] = {
        {"a directory linking to itself",
         [](Tiff& t) {
             t = Tiff(t.mm, 10);
             t.Dir(10, {{271, ASCII, 4, "Self"}, {34665, LONG_, 1, t.U32(10)}});
         },
         [](const Read& r) {
             EXPECT_TRUE(r.exif);
             EXPECT_STREQ(r.info.CameraMake, "Self");
             EXPECT_EQ(r.error, "Illegal subdirectory link");
         }},
        {"two directories linking to each other",
         [](Tiff& t) {
             t = Tiff(t.mm, 20);
             t.Dir(20, {{34665, LONG_, 1, t.U32(100)}});
             t.Dir(100, {{34855, SHORT, 1, t.U16(100)}, {34665, LONG_, 1, t.U32(20)}});
         },
         [](const Read& r) {
             EXPECT_EQ(r.info.ISOequivalent, 100);
             EXPECT_EQ(r.error, "Illegal subdirectory link");
         }},
        {"a chain six deep",
         [](Tiff& t) {
             // Each directory sets the ISO value to 100 + its depth.
             for (unsigned d = 0; d < 6; ++d)
                 t.Dir(8 + 40 * d, {{34855, SHORT, 1, t.U16(100 + d)},
                                    {34665, LONG_, 1, t.U32(8 + 40 * (d + 1))}});
         },
         [](const Read& r) { EXPECT_EQ(r.info.ISOequivalent, 104); }},
        {"the directory after the header and the one stated beyond it",
         [](Tiff& t) {
             t = Tiff(t.mm, 60);
             t.Dir(8, {{271, ASCII, 6, std::string("First", 6)}});
             t.Dir(60, {{272, ASCII, 6, std::string("Named", 6)}});
         },
         [](const Read& r) {
             EXPECT_STREQ(r.info.CameraMake, "First");
             EXPECT_STREQ(r.info.CameraModel, "Named");
         }},
        {"a count whose byte size wraps in 32 bits",
         [](Tiff& t) {
             Tiff::Entry e{282, RATIONAL, 0x20000000, t.U32(20), 0, true};
             t.Dir(8, {e, {283, RATIONAL, 1, t.Rational(300, 1)}});
         },
         [](const Read& r) {
             EXPECT_EQ(r.info.Xresolution, 0.0f);
             EXPECT_FLOAT_EQ(r.info.Yresolution, 300);
             EXPECT_EQ(r.error, "Illegal pointer offset value in EXIF.");
         }},
        {"an offset whose end wraps in 32 bits",
         [](Tiff& t) {
             Tiff::Entry e{271, ASCII, 0x20, t.U32(0xFFFFFFF0ul), 0, true};
             t.Dir(8, {e});
         },
         [](const Read& r) {
             EXPECT_STREQ(r.info.CameraMake, "");
             EXPECT_EQ(r.error, "Illegal pointer offset value in EXIF.");
         }},
        {"texts end at their count",
         [](Tiff& t) {
             const std::string comment = std::string("ASCII\0\0Tail", 11);
             t.Dir(8, {{271, ASCII, 3, "ABCD"},
                       {272, ASCII, 5, "ModelXYZ"},
                       {37510, UNDEF, 7, comment}});  // the text lies past the count
         },
         [](const Read& r) {
             EXPECT_STREQ(r.info.CameraMake, "ABC");
             EXPECT_STREQ(r.info.CameraModel, "Model");
             EXPECT_STREQ(r.info.Comments, "");
         }},
        {"an ISO value far below zero",
         [](Tiff& t) {
             t.Dir(8, {{34855, 9 /* signed 32 bits */, 1, t.U32(0xD8000002ul)}});
         },
         [](const Read& r) { EXPECT_EQ(r.info.ISOequivalent, INT32_MIN); }},
        {"an orientation out of range",
         [](Tiff& t) {
             t.Dir(8, {{274, SHORT, 1, t.U16(9)}});
         },
         [](const Read& r) {
             EXPECT_EQ(r.info.Orientation, 0);
             EXPECT_EQ(r.error, "Undefined rotation value");
         }},
        {"a directory longer than the section", [](Tiff& t) { t.Put(8, t.U16(500)); },
         [](const Read& r) {
             EXPECT_FALSE(r.exif);
             EXPECT_EQ(r.error, "Illegally sized directory");
         }},
        {"an unknown format among good entries",
         [](Tiff& t) {
             t.Dir(8, {{271, 13, 1, "X"}, {272, ASCII, 3, "ok"}});
         },
         [](const Read& r) {
             EXPECT_TRUE(r.exif);
             EXPECT_STREQ(r.info.CameraModel, "ok");
             EXPECT_EQ(r.error, "Illegal format code in EXIF dir");
         }},
        {"a thumbnail past the data",
         [](Tiff& t) {
             t.Dir(8, {{513, LONG_, 1, t.U32(40)}, {514, LONG_, 1, t.U32(1000)}});
         },
         [](const Read& r) {
             EXPECT_EQ(r.info.ThumbnailPointer, nullptr);
             EXPECT_EQ(r.info.ThumbnailSize, 0u);
         }},
        {"a resolution read before a broken sub-directory",
         [](Tiff& t) {
             t.Dir(8, {{282, RATIONAL, 1, t.Rational(200, 1)},
                       {283, RATIONAL, 1, t.Rational(200, 1)},
                       {296, SHORT, 1, t.U16(2)},
                       {34665, LONG_, 1, t.U32(100)}});
             t.Put(100, t.U16(500));
         },
         [](const Read& r) {
             EXPECT_FALSE(r.exif);
             EXPECT_FLOAT_EQ(r.info.Xresolution, 200);
             EXPECT_EQ(r.dpi, 72);  // the JFIF density
         }},
        {"a sub-directory link before the header's end",
         [](Tiff& t) {
             t.Dir(8, {{34665, LONG_, 1, t.U32(4)}, {271, ASCII, 2, "Z"}});
         },
         [](const Read& r) {
             EXPECT_STREQ(r.info.CameraMake, "Z");
             EXPECT_EQ(r.error, "Illegal subdirectory link");
         }},
    };
    for (const Case& c : cases)
        for (const bool mm : {false, true}) {
            Tiff t(mm);
            c.build(t);
            SCOPED_TRACE(std::string(c.name) + (mm ? " MM" : " II"));
            const Read r = ReadTiff(t);
            EXPECT_TRUE(r.decoded);  // EXIF never fails the picture
            c.check(r);
        }
}

TEST(ExifTest, BrokenHeadersLeaveNoExif) {
    const struct {
        std::string body;
        const char* error;
    } cases[] = {
        {std::string("Exif\0\1II\x2A\0\x08\0\0\0", 14), "Incorrect Exif header"},
        {std::string("Exif\0\0XX\x2A\0\x08\0\0\0", 14), "Invalid Exif alignment marker."},
        {std::string("Exif\0\0II\x2B\0\x08\0\0\0", 14), "Invalid Exif start (1)"},
        {std::string("Exif\0\0II\x2A\0\x04\0\0\0", 14), "Illegally sized directory"},
        {std::string("Exif\0\0II\x2A", 9), "Invalid Exif start (1)"},
    };
    for (const auto& c : cases) {
        const Read r = ReadFile(WithSections(PlainJpeg(), Section(0xE1, c.body)));
        EXPECT_TRUE(r.decoded) << c.error;
        EXPECT_FALSE(r.exif) << c.error;
        EXPECT_EQ(r.error, c.error);
    }
}

TEST(ExifTest, CommentsAreCleanedAndBounded) {
    const struct {
        std::string sections;
        std::string comment;
    } cases[] = {
        {Section(0xFE, "Line one\r\nLine\x01two\ttab\rend\xB0\x7F") + Section(0xFE, "second"),
         "Line one\nLine?two\ttab?end??"},
        {Section(0xFE, std::string(1200, 'c')), std::string(1000, 'c')},
        {Section(0xFE, "cut at CR\r"), "cut at CR?"},
    };
    for (const auto& c : cases) {
        const Read r = ReadFile(WithSections(PlainJpeg(), c.sections));
        EXPECT_TRUE(r.decoded);
        EXPECT_EQ(std::string(r.info.Comments), c.comment);
    }
}

TEST(ExifTest, TooManySectionsFailTheReaderNotThePicture) {
    std::string sections;
    for (int i = 0; i < 21; ++i) sections += Section(0xE2, "app2 data");
    const std::string file = WithSections(PlainJpeg(), sections);
    const Read r = ReadFile(file);
    EXPECT_TRUE(r.decoded);
    EXPECT_EQ(r.error, "Too many sections in jpg file");

    // Padding before a marker: six bytes are fine, seven are not.
    for (const int pad : {6, 7}) {
        const std::string padded = "\xFF\xD8" +
                                   std::string(static_cast<std::size_t>(pad - 1), '\xFF') +
                                   PlainJpeg().substr(2);
        Exif reader;
        CRasterMemFile stream(reinterpret_cast<BYTE*>(const_cast<char*>(padded.data())),
                              static_cast<DWORD>(padded.size()));
        EXPECT_EQ(reader.DecodeExif(&stream), pad == 6) << pad;
        if (pad == 7) {
            EXPECT_STREQ(reader.GetLastError(), "too many padding bytes");
        }
    }
}

TEST(ExifTest, AWrittenFileKeepsTheSectionsItWasReadWith) {
    Tiff t(false);
    t.Dir(8, {{271, ASCII, 6, std::string("Maker", 6)}});
    const std::string exif = ExifSection(t);
    const std::string comment = Section(0xFE, "kept comment");
    const std::string file = WithSections(PlainJpeg(), exif + Section(0xE2, "dropped") + comment);

    CRasterJPG jpg;
    CRasterMemFile in(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                      static_cast<DWORD>(file.size()));
    ASSERT_TRUE(jpg.Decode(&in));
    CRasterMemFile out;
    out.Open();
    ASSERT_TRUE(jpg.Encode(&out)) << jpg.GetLastError();
    const std::string written(reinterpret_cast<const char*>(out.GetBuffer(false)),
                              static_cast<std::size_t>(out.Size()));
    // The start marker, the EXIF section, the comment, then the new file's
    // own sections without its JFIF header.
    EXPECT_EQ(written.substr(0, 2 + exif.size() + comment.size()), "\xFF\xD8" + exif + comment);
    EXPECT_EQ(written.find("dropped"), std::string::npos);
    EXPECT_EQ(written.find("JFIF"), std::string::npos);
    const jpegtesting::BareImage bare = jpegtesting::BareDecode(written);
    ASSERT_TRUE(bare.ok);
    EXPECT_EQ(bare.width, 16);
    EXPECT_STREQ(ReadFile(written).info.CameraMake, "Maker");

    // Through the entrance a fresh codec writes: no EXIF.
    CRaster image;
    ASSERT_TRUE(DecodeBytes(image, file, RASTER_FORMAT_JPG));
    const std::string plain = codectesting::EncodeBytes(image, RASTER_FORMAT_JPG);
    EXPECT_EQ(plain.find("Exif"), std::string::npos);
    EXPECT_NE(plain.find("JFIF"), std::string::npos);

    // Sections without the image data cannot be written.
    Exif reader;
    CRasterMemFile again(reinterpret_cast<BYTE*>(const_cast<char*>(file.data())),
                         static_cast<DWORD>(file.size()));
    ASSERT_TRUE(reader.DecodeExif(&again, Exif::EXIF_READ_EXIF));
    CRasterMemFile sink;
    sink.Open();
    EXPECT_FALSE(reader.EncodeExif(&sink));
    EXPECT_STREQ(reader.GetLastError(), "Can't write exif : didn't read all");
}

}  // namespace
