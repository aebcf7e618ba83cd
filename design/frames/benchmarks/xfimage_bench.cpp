// The image panel's load path on a photo: the file decoded (format found
// from the content), shrunk to a 320 x 240 LCD with the generalised cubic
// filter and encoded as the BMP the object stores. Per size in megapixels,
// for each format the image library reads that Qt can write, next to the
// decoding alone. A 12-MP photo must load in under 300 ms.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <string>

#include "design/frames/dsgxfpanels.h"
#include "design/surface/dsgimageseams.h"
#include "image/benchmarks/benchphoto.h"
#include "platform/testing/benchsizes.h"

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "xfimage_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

// A photo of about `megapixels` million pixels at 4:3, written as `format`
// into the folder; empty when Qt cannot write that format.
std::string WritePhoto(const QTemporaryDir& dir, int megapixels, const char* format) {
    const LONG width = static_cast<LONG>(std::lround(std::sqrt(megapixels * 1e6 * 4 / 3)));
    const LONG height = width * 3 / 4;
    const QImage photo = BenchPhoto(width, height).MakeBitmap();
    const std::string path = dir.path().toStdString() + "/photo" + std::to_string(megapixels) +
                             "." + QString(format).toLower().toStdString();
    QImageWriter writer(QString::fromStdString(path), format);
    writer.setQuality(90);
    return writer.write(photo) ? path : std::string();
}

void LoadPhoto(benchmark::State& state, const char* format) {
    App();
    RegisterDsgImageSeams();
    QTemporaryDir dir;
    const int megapixels = static_cast<int>(state.range(0));
    const std::string path = WritePhoto(dir, megapixels, format);
    if (path.empty()) {
        state.SkipWithError("Qt cannot write the photo");
        return;
    }
    XFImagePicture picture;
    if (!PrepareXFImagePicture(path, CSize(320, 240), picture)) {
        state.SkipWithError("the image library does not read the photo");
        return;
    }
    for (auto _ : state) {
        XFImagePicture loaded;
        benchmark::DoNotOptimize(PrepareXFImagePicture(path, CSize(320, 240), loaded));
        benchmark::DoNotOptimize(loaded.bmp.data());
    }
    state.counters["pixels"] = static_cast<double>(megapixels) * 1e6;
}

void DecodePhoto(benchmark::State& state, const char* format) {
    App();
    QTemporaryDir dir;
    const int megapixels = static_cast<int>(state.range(0));
    const std::string path = WritePhoto(dir, megapixels, format);
    if (path.empty() || !CRaster().Load(path, RASTER_FORMAT_UNKNOWN)) {
        state.SkipWithError("no photo the image library reads");
        return;
    }
    for (auto _ : state) {
        CRaster photo;
        benchmark::DoNotOptimize(photo.Load(path, RASTER_FORMAT_UNKNOWN));
    }
}

}  // namespace

BENCHMARK_CAPTURE(DecodePhoto, bmp, "BMP")->Apply([](auto* b) {
    benchsizes::Args(b, {1, 12})->Unit(benchmark::kMillisecond);
});
BENCHMARK_CAPTURE(DecodePhoto, jpeg, "JPEG")->Apply([](auto* b) {
    benchsizes::Args(b, {1, 12})->Unit(benchmark::kMillisecond);
});
BENCHMARK_CAPTURE(LoadPhoto, bmp, "BMP")->Apply([](auto* b) {
    benchsizes::Args(b, {1, 12})->Unit(benchmark::kMillisecond);
});
BENCHMARK_CAPTURE(LoadPhoto, jpeg, "JPEG")->Apply([](auto* b) {
    benchsizes::Args(b, {1, 12})->Unit(benchmark::kMillisecond);
});
BENCHMARK_CAPTURE(LoadPhoto, png, "PNG")->Apply([](auto* b) {
    benchsizes::Args(b, {1, 12})->Unit(benchmark::kMillisecond);
});
