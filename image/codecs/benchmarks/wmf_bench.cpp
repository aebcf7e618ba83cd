// Playing an enhanced metafile of 4000 x 3000 pixels (12 MP) with a
// photo stretched over the whole picture, 300 shapes in wide and thin pens
// and a line of text, next to QPainter drawing the same shapes and photo
// on a QImage of the same size (aliased, as the player draws).

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstring>
#include <string>
#include <vector>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/rastercodecs.h"
#include "platform/testing/benchsizes.h"

namespace {

void EnsureGuiApplication() {
    static int argc = 1;
    static char name[] = "wmf_bench";
    static char* argv[] = {name, nullptr};
    if (QGuiApplication::instance() != nullptr) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
}

void Put32(std::string& s, unsigned long v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Record(std::string& s, unsigned type, const std::vector<long>& values,
            const std::string& tail = {}) {
    Put32(s, type);
    Put32(s, 8 + 4 * values.size() + (tail.size() + 3) / 4 * 4);
    for (long v : values) Put32(s, static_cast<unsigned long>(v));
    s += tail;
    s.append((4 - tail.size() % 4) % 4, '\0');
}

// The shapes of the picture, the same for both sides: a box of four
// corners and whether it is an ellipse.
struct Shape {
    long l, t, r, b;
    bool ellipse;
    COLORREF color;
};

std::vector<Shape> Shapes(long width, long height) {
    std::vector<Shape> shapes;
    for (int i = 0; i < 300; ++i) {
        const long l = (i * 137) % width, t = (i * 71) % height;
        shapes.push_back({l, t, l + width / 8, t + height / 8, i % 2 == 1,
                          RGB((i * 40) % 256, (i * 90) % 256, (i * 20) % 256)});
    }
    return shapes;
}

const CRaster& Photo() {
    static const CRaster photo = BenchPhoto(320, 240);
    return photo;
}

std::string Metafile(long width, long height) {
    CRaster photo(Photo());
    BYTE* buffer = nullptr;
    LONG size = 0;
    photo.Encode(buffer, size, RASTER_FORMAT_BMP);
    const std::string dib(reinterpret_cast<char*>(buffer) + 14,
                          static_cast<std::size_t>(size) - 14);
    CRaster::FreeMemory(buffer);
    std::string body;
    Record(body, 81,
           {0, 0, 0, 0, 0, 0, 0, 0, 320, 240, 80, 40, 120, static_cast<long>(dib.size() - 40), 0,
            0x00CC0020, width, height},
           dib);
    int handle = 1;
    for (const Shape& s : Shapes(width, height)) {
        Record(body, 39, {handle, 0, static_cast<long>(s.color), 0});
        Record(body, 37, {handle});
        Record(body, 38, {handle + 1, 0, handle % 4 == 1 ? 9 : 0, 0, 0});
        Record(body, 37, {handle + 1});
        Record(body, s.ellipse ? 42 : 43, {s.l, s.t, s.r, s.b});
        Record(body, 40, {handle});
        Record(body, 40, {handle + 1});
        handle = handle == 1 ? 3 : 1;
    }
    std::string text;
    for (char c : std::string("Benchmark text on the picture")) text += {c, '\0'};
    Record(body, 84, {0, 0, 0, 0, 1, 0, 0, 100, 100, 29, 76, 0, 0, 0, 0, 0, 0}, text);
    std::string file;
    Put32(file, 1);
    Put32(file, 88);
    for (long v : {0L, 0L, width - 1, height - 1, 0L, 0L, 0L, 0L})
        Put32(file, static_cast<unsigned long>(v));
    Put32(file, 0x464D4520);
    Put32(file, 0x10000);
    Put32(file, 88 + body.size() + 20);
    Put32(file, 0);
    Put32(file, 8);  // handles, reserved
    for (long v : {0L, 0L, 0L, 1024L, 768L, 320L, 240L}) Put32(file, static_cast<unsigned long>(v));
    file += body;
    for (unsigned long v : {14UL, 20UL, 0UL, 16UL, 20UL}) Put32(file, v);
    return file;
}

void BM_EmfPlay_Ours(benchmark::State& state) {
    EnsureGuiApplication();
    const long width = static_cast<long>(state.range(0)), height = width * 3 / 4;
    std::string bytes = Metafile(width, height);
    for (auto _ : state) {
        CRaster image;
        if (!image.Decode(reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                          RASTER_FORMAT_WMF))
            state.SkipWithError(image.GetLastError());
        benchmark::DoNotOptimize(image.GetBits());
    }
}
BENCHMARK(BM_EmfPlay_Ours)
    ->Apply([](benchmark::internal::Benchmark* b) {
        benchsizes::Args(b, {1000, 4000});
    })
    ->Unit(benchmark::kMillisecond);

void BM_SameDrawing_QPainter(benchmark::State& state) {
    EnsureGuiApplication();
    const long width = static_cast<long>(state.range(0)), height = width * 3 / 4;
    const QImage photo = Photo().MakeBitmap().convertToFormat(QImage::Format_RGB32);
    const std::vector<Shape> shapes = Shapes(width, height);
    for (auto _ : state) {
        QImage page(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
        page.fill(Qt::white);
        {
            QPainter p(&page);
            p.drawImage(QRect(0, 0, static_cast<int>(width), static_cast<int>(height)), photo);
            int i = 0;
            for (const Shape& s : shapes) {
                p.setPen(QPen(Qt::black, (i++ % 2 == 0) ? 9 : 1));
                p.setBrush(QColor(GetRValue(s.color), GetGValue(s.color), GetBValue(s.color)));
                const QRect r(static_cast<int>(s.l), static_cast<int>(s.t),
                              static_cast<int>(s.r - s.l), static_cast<int>(s.b - s.t));
                s.ellipse ? p.drawEllipse(r) : p.drawRect(r);
            }
            p.drawText(100, 100, QStringLiteral("Benchmark text on the picture"));
        }
        // The image the decoder hands out has 24 bits a pixel.
        benchmark::DoNotOptimize(page.convertToFormat(QImage::Format_RGB888).constBits());
    }
}
BENCHMARK(BM_SameDrawing_QPainter)
    ->Apply([](benchmark::internal::Benchmark* b) {
        benchsizes::Args(b, {1000, 4000});
    })
    ->Unit(benchmark::kMillisecond);

}  // namespace
