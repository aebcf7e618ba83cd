// Resampling a 4000 x 3000 photo to 320 x 240, side by side in one run:
//  - the picture import path: Resample2 with the generalized cubic, the
//    repeat rule and area averaging;
//  - bilinear and bicubic without averaging;
//  - QImage::scaled, smooth (on Qt's thread pool and on one thread) and
//    fast, on the same picture;
//  - a memcpy of the source's pixel bytes, as the floor.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QThreadPool>
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/benchmarks/benchphoto.h"
#include "image/raster.h"

namespace {

constexpr LONG kWidth = 4000, kHeight = 3000, kToWidth = 320, kToHeight = 240;

const CRaster& Photo() {
    static const CRaster photo = BenchPhoto(kWidth, kHeight);
    return photo;
}

const QImage& PhotoQt() {
    static const QImage qt = [] {
        const CRaster& photo = Photo();
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        for (LONG y = 0; y < kHeight; ++y) {
            const BYTE* src = photo.GetBits(kHeight - 1 - y);
            QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (LONG x = 0; x < kWidth; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        }
        return image;
    }();
    return qt;
}

void Resample2(benchmark::State& state, CRaster::InterpolationMethod method, bool averaging) {
    CRaster& photo = const_cast<CRaster&>(Photo());
    for (auto _ : state) {
        CRaster out;
        if (!photo.Resample2(kToWidth, kToHeight, method, CRaster::OverflowRepeat, &out,
                             !averaging))
            state.SkipWithError("Resample2 failed");
        benchmark::DoNotOptimize(out.GetBits(0));
    }
}

void BM_Resample2_Import(benchmark::State& state) {
    Resample2(state, CRaster::InterpGeneralizedCubic, true);
}
BENCHMARK(BM_Resample2_Import)->Unit(benchmark::kMillisecond);

void BM_Resample2_Bilinear(benchmark::State& state) {
    Resample2(state, CRaster::InterpBilinear, false);
}
BENCHMARK(BM_Resample2_Bilinear)->Unit(benchmark::kMillisecond);

void BM_Resample2_Bicubic(benchmark::State& state) {
    Resample2(state, CRaster::InterpCubic, false);
}
BENCHMARK(BM_Resample2_Bicubic)->Unit(benchmark::kMillisecond);

void BM_QImageScaled(benchmark::State& state) {
    const QImage& photo = PhotoQt();
    const Qt::TransformationMode mode =
        state.range(0) != 0 ? Qt::SmoothTransformation : Qt::FastTransformation;
    for (auto _ : state) {
        const QImage out = photo.scaled(kToWidth, kToHeight, Qt::IgnoreAspectRatio, mode);
        benchmark::DoNotOptimize(out.constBits());
    }
}
BENCHMARK(BM_QImageScaled)->ArgName("smooth")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Smooth scaling on one thread, as Resample2 works: Qt otherwise spreads it
// over its thread pool.
void BM_QImageScaledOneThread(benchmark::State& state) {
    const QImage& photo = PhotoQt();
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    for (auto _ : state) {
        const QImage out =
            photo.scaled(kToWidth, kToHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(out.constBits());
    }
    pool->setMaxThreadCount(threads);
}
BENCHMARK(BM_QImageScaledOneThread)->Unit(benchmark::kMillisecond);

void BM_MemcpySource(benchmark::State& state) {
    const CRaster& photo = Photo();
    const std::size_t bytes = photo.GetHeader().biSizeImage;
    std::vector<BYTE> copy(bytes);
    for (auto _ : state) {
        std::memcpy(copy.data(), photo.GetBits(0), bytes);
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpySource)->Unit(benchmark::kMillisecond);

}  // namespace
