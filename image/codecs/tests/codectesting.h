#pragma once

// Helpers of the codec tests: our images next to Qt's, encoding to bytes,
// and decoding every damaged form of a file.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <functional>
#include <string>

#include "image/codecs/rastercodecs.h"
#include "image/tests/imagetesting.h"

namespace codectesting {

using imagetesting::DecodeBytes;

// Our image (rows bottom-up) equals Qt's (rows top-down), pixel by pixel;
// with alpha, fully transparent pixels match whatever their colour.
inline ::testing::AssertionResult SameAsQt(const CRaster& ours, const QImage& qt, bool alpha) {
    if (static_cast<int>(ours.GetWidth()) != qt.width() ||
        static_cast<int>(ours.GetHeight()) != qt.height())
        return ::testing::AssertionFailure()
               << "size differs: " << ours.GetWidth() << "x" << ours.GetHeight() << " vs "
               << qt.width() << "x" << qt.height();
    const QImage argb = qt.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < qt.height(); ++y)
        for (int x = 0; x < qt.width(); ++x) {
            const QRgb q = argb.pixel(x, y);
            const LONG row = qt.height() - 1 - y;
            const RGBQUAD p = ours.GetPixelColor(x, row, false);
            const int a = ours.AlphaIsValid() ? ours.AlphaGet(x, row) : 255;
            const bool colour =
                p.rgbRed == qRed(q) && p.rgbGreen == qGreen(q) && p.rgbBlue == qBlue(q);
            if (alpha ? (a != qAlpha(q) || (a != 0 && !colour)) : !colour)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): ours " << int(p.rgbRed) << ","
                       << int(p.rgbGreen) << "," << int(p.rgbBlue) << "/" << a << " Qt " << qRed(q)
                       << "," << qGreen(q) << "," << qBlue(q) << "/" << qAlpha(q);
        }
    return ::testing::AssertionSuccess();
}

inline std::string QtBytes(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes.toStdString();
}

inline std::string EncodeBytes(CRaster& image, DWORD format) {
    BYTE* buffer = nullptr;
    LONG size = 0;
    if (!image.Encode(buffer, size, format)) return {};
    std::string bytes(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    CRaster::FreeMemory(buffer);
    return bytes;
}

// Decodes every damaged form of `bytes` into an image that holds a
// picture: a failure must leave a text and the picture untouched; a
// success is allowed only where `accept` (cut length or field) says so.
inline void ExpectCleanFailures(const std::string& label, const std::vector<std::string>& inputs,
                                DWORD format, const std::function<bool(std::size_t)>& accept) {
    const CRaster before = imagetesting::Pattern(5, 4, 8);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        CRaster image(before);
        if (DecodeBytes(image, inputs[i], format)) {
            EXPECT_TRUE(accept(i)) << label << " " << i << " decoded";
            continue;
        }
        EXPECT_STRNE(image.GetLastError(), "") << label << " " << i;
        ASSERT_TRUE(imagetesting::SamePixels(image, before)) << label << " " << i;
    }
}

}  // namespace codectesting
