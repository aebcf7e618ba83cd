// The image library next to Qt and memcpy, side by side in one run:
//  - decoding a 4000 x 3000 BMP at 24 and 8 bits, with the peak heap the
//    decode takes (as a multiple of the decoded image's block);
//  - the form's round trip of a 320 x 240 picture: BMP bytes into a memory
//    stream and back, next to a memcpy of those bytes;
//  - reducing a 320 x 240 photo to 8 and 4 bits on the standard palettes,
//    next to QImage's conversion to Indexed8 with the same table;
//  - a quarter turn of a 4000 x 3000 (12 MP) 24-bit picture, next to
//    QImage::transformed by 90 degrees of the same picture (RGB888, the
//    same three bytes a pixel, and RGB32).
//  - drawing a 320 x 240 picture stretched to 640 x 480 on a device
//    context, next to QPainter::drawImage of the same pixels.
//
// Heap use is counted by wrapping the C allocator of this program.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/benchmarks/decodebench.h"
#include "image/codecs/rastercodecs.h"
#include "platform/dc.h"
#include "platform/testing/heapcount.h"

namespace {

CRaster Photo(LONG width, LONG height) { return BenchPhoto(width, height); }

std::string BmpOf(CRaster& image) {
    BYTE* buffer = nullptr;
    LONG size = 0;
    image.Encode(buffer, size, RASTER_FORMAT_BMP);
    std::string bytes(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
    CRaster::FreeMemory(buffer);
    return bytes;
}

const std::string& LargeBmp(int bpp) {
    static const std::string bytes24 = [] {
        CRaster photo = Photo(4000, 3000);
        return BmpOf(photo);
    }();
    static const std::string bytes8 = [] {
        CRaster photo = Photo(4000, 3000);
        photo.DecreaseBpp(8, false);
        return BmpOf(photo);
    }();
    return bpp == 24 ? bytes24 : bytes8;
}

void BM_BmpDecode_Ours(benchmark::State& state) {
    decodebench::DecodeOurs(state, LargeBmp(static_cast<int>(state.range(0))), RASTER_FORMAT_BMP);
}
BENCHMARK(BM_BmpDecode_Ours)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_BmpDecode_QImage(benchmark::State& state) {
    decodebench::DecodeQImage(state, LargeBmp(static_cast<int>(state.range(0))), "BMP");
}
BENCHMARK(BM_BmpDecode_QImage)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

// The form's round trip: encode to a memory stream, decode from its buffer.
void BM_FormRoundTrip_Ours(benchmark::State& state) {
    CRaster picture = Photo(320, 240);
    for (auto _ : state) {
        CRasterMemFile stream;
        stream.Open();
        picture.Encode(&stream, RASTER_FORMAT_BMP);
        CRaster back;
        back.Decode(stream.GetBuffer(false), static_cast<DWORD>(stream.Size()), RASTER_FORMAT_BMP);
        benchmark::DoNotOptimize(back.GetBits(0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * picture.GetSize());
}
BENCHMARK(BM_FormRoundTrip_Ours)->Unit(benchmark::kMicrosecond);

void BM_FormRoundTrip_Memcpy(benchmark::State& state) {
    CRaster picture = Photo(320, 240);
    const std::string bytes = BmpOf(picture);
    std::string there(bytes.size(), '\0'), back(bytes.size(), '\0');
    for (auto _ : state) {
        std::memcpy(there.data(), bytes.data(), bytes.size());
        std::memcpy(back.data(), there.data(), bytes.size());
        benchmark::DoNotOptimize(back.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * picture.GetSize());
}
BENCHMARK(BM_FormRoundTrip_Memcpy)->Unit(benchmark::kMicrosecond);

void BM_DecreaseBpp_Ours(benchmark::State& state) {
    const CRaster photo = Photo(320, 240);
    for (auto _ : state) {
        CRaster image(photo);
        image.DecreaseBpp(static_cast<DWORD>(state.range(0)), false);
        benchmark::DoNotOptimize(image.GetBits(0));
    }
}
BENCHMARK(BM_DecreaseBpp_Ours)->Arg(8)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_DecreaseBpp_QImage(benchmark::State& state) {
    CRaster photo = Photo(320, 240);
    QImage qt(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const RGBQUAD c = photo.GetPixelColor(x, 239 - y);
            qt.setPixel(x, y, qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
    CRaster palette(1, 1, static_cast<DWORD>(state.range(0)), 0);
    palette.SetStdPalette();
    QList<QRgb> table;
    for (DWORD i = 0; i < palette.GetNumColors(); ++i) {
        const RGBQUAD c = palette.GetPaletteColor(static_cast<BYTE>(i));
        table.append(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
    }
    for (auto _ : state) {
        QImage indexed = qt.convertToFormat(QImage::Format_Indexed8, table,
                                            Qt::ThresholdDither | Qt::AvoidDither);
        benchmark::DoNotOptimize(indexed.constBits());
    }
}
BENCHMARK(BM_DecreaseBpp_QImage)->Arg(8)->Arg(4)->Unit(benchmark::kMillisecond);

// A quarter turn of 12 MP: the pixel values move in 64 x 64 blocks.
void BM_RotateRight12MP_Ours(benchmark::State& state) {
    CRaster photo = Photo(4000, 3000);
    for (auto _ : state) {
        CRaster turned;
        if (!photo.RotateRight(&turned)) state.SkipWithError("RotateRight failed");
        benchmark::DoNotOptimize(turned.GetBits(0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * photo.GetSize());
}
BENCHMARK(BM_RotateRight12MP_Ours)->Unit(benchmark::kMillisecond);

void BM_RotateRight12MP_QImage(benchmark::State& state) {
    const QImage::Format format =
        state.range(0) == 24 ? QImage::Format_RGB888 : QImage::Format_RGB32;
    CRaster photo = Photo(4000, 3000);
    QImage qt(4000, 3000, format);
    for (int y = 0; y < 3000; ++y) {
        const BYTE* row = photo.GetBits(2999 - y);
        for (int x = 0; x < 4000; ++x)
            qt.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    const QTransform quarter = QTransform().rotate(90);
    for (auto _ : state) {
        QImage turned = qt.transformed(quarter);
        benchmark::DoNotOptimize(turned.constBits());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * qt.sizeInBytes());
}
BENCHMARK(BM_RotateRight12MP_QImage)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);
// The device context measures its fonts, which takes a GUI application.
void EnsureGuiApplication() {
    static int argc = 1;
    static char name[] = "raster_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
}

// The designer's image objects: a picture stretched onto the page.
void BM_DrawStretched_Ours(benchmark::State& state) {
    EnsureGuiApplication();
    CRaster picture = Photo(320, 240);
    QImage page(640, 480, QImage::Format_RGB32);
    CDC dc(page);
    const bool smooth = state.range(0) != 0;
    for (auto _ : state) {
        picture.Draw(&dc, 0, 0, 640, 480, nullptr, smooth);
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(BM_DrawStretched_Ours)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_DrawStretched_QPainter(benchmark::State& state) {
    const QImage picture = Photo(320, 240).MakeBitmap();
    QImage page(640, 480, QImage::Format_RGB32);
    const bool smooth = state.range(0) != 0;
    for (auto _ : state) {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(QRect(0, 0, 640, 480), picture);
        painter.end();
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(BM_DrawStretched_QPainter)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
