// Real files both ways: bitmaps and icons written by Qt and read by us,
// ours read by Qt, every pixel compared exactly.

#include <gtest/gtest.h>

#include <QPainter>

#include "image/codecs/tests/codectesting.h"

namespace {

using codectesting::EncodeBytes;
using codectesting::QtBytes;
using codectesting::SameAsQt;
using imagetesting::DecodeBytes;

// A picture with colour in every channel, and, in ARGB, every alpha level.
QImage QtPicture(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba((x * 7) & 255, (y * 5) & 255, (x + y) & 255, (x * y) & 255));
    if (format == QImage::Format_ARGB32) return image;
    if (format == QImage::Format_Mono) {
        QImage mono = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        mono.setColorTable({qRgb(10, 20, 30), qRgb(200, 150, 100)});
        return mono;
    }
    return image.convertToFormat(format, Qt::ThresholdDither | Qt::AvoidDither);
}

TEST(QtCrossTest, QtBitmapsReadExactly) {
    const struct {
        QImage::Format format;
        WORD bpp;
    } cases[] = {
        {QImage::Format_Mono, 1}, {QImage::Format_Indexed8, 8}, {QImage::Format_RGB32, 24}};
    for (const auto& c : cases) {
        const QImage qt = QtPicture(37, 19, c.format);
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, QtBytes(qt, "BMP"), RASTER_FORMAT_BMP))
            << ours.GetLastError();
        EXPECT_EQ(ours.GetBpp(), c.bpp);
        EXPECT_TRUE(SameAsQt(ours, qt, false)) << c.bpp;
    }
}

TEST(QtCrossTest, OurBitmapsAtEveryDepthReadByQt) {
    for (DWORD bpp : {1u, 4u, 8u, 24u}) {
        CRaster ours = imagetesting::Pattern(29, 13, bpp);
        const std::string bytes = EncodeBytes(ours, RASTER_FORMAT_BMP);
        const QImage qt = QImage::fromData(QByteArray::fromStdString(bytes), "BMP");
        ASSERT_FALSE(qt.isNull()) << bpp;
        EXPECT_TRUE(SameAsQt(ours, qt, false)) << bpp;
    }
}

TEST(QtCrossTest, QtIconsWithAlphaReadExactly) {
    for (int size : {16, 48, 255, 256}) {
        const QImage qt = QtPicture(size, size, QImage::Format_ARGB32);
        CRaster ours;
        ASSERT_TRUE(DecodeBytes(ours, QtBytes(qt, "ICO"), RASTER_FORMAT_ICO))
            << size << ": " << ours.GetLastError();
        EXPECT_EQ(ours.GetWidth(), static_cast<DWORD>(size));
        EXPECT_TRUE(ours.AlphaIsValid());
        EXPECT_TRUE(SameAsQt(ours, qt, true)) << size;
    }
}

TEST(QtCrossTest, OurIconsReadByQt) {
    // Qt premultiplies what it reads: partial alpha would not come back
    // exactly, so the levels here are the two ends.
    CRaster alpha = imagetesting::Pattern(255, 255, 24);
    alpha.AlphaCreate();
    for (LONG y = 0; y < 255; ++y)
        for (LONG x = 0; x < 255; ++x) alpha.AlphaSet(x, y, ((x ^ y) & 4) ? 255 : 0);
    CRaster indexed = imagetesting::Pattern(20, 10, 8);
    indexed.SetTransIndex(indexed.GetPixelIndex(0, 0));
    CRaster mono = imagetesting::Pattern(9, 9, 1);
    CRaster four = imagetesting::Pattern(7, 5, 4);
    CRaster plain = imagetesting::Pattern(6, 4, 24);
    for (CRaster* image : {&alpha, &indexed, &mono, &four, &plain}) {
        const std::string bytes = EncodeBytes(*image, RASTER_FORMAT_ICO);
        ASSERT_FALSE(bytes.empty()) << image->GetLastError();
        const QImage qt = QImage::fromData(QByteArray::fromStdString(bytes), "ICO");
        ASSERT_FALSE(qt.isNull());
        // The transparent index reads back as transparent pixels.
        CRaster expected(*image);
        if (image->GetTransIndex() >= 0) {
            expected.AlphaCreate();
            for (LONG y = 0; y < static_cast<LONG>(image->GetHeight()); ++y)
                for (LONG x = 0; x < static_cast<LONG>(image->GetWidth()); ++x)
                    if (image->IsTransparent(x, y)) expected.AlphaSet(x, y, 0);
        }
        EXPECT_TRUE(SameAsQt(expected, qt, expected.AlphaIsValid())) << image->GetBpp();
        // And by us again.
        CRaster back;
        ASSERT_TRUE(DecodeBytes(back, bytes, RASTER_FORMAT_ICO)) << back.GetLastError();
        EXPECT_TRUE(imagetesting::SamePixels(back, expected));
    }
}

}  // namespace
