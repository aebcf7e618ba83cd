// JPEG decoding side by side in one run: our codec, the bare library (a
// jpeg_read_scanlines loop into one buffer for the whole picture) and
// QImage, on a photo-like picture at 640 x 480 and 4000 x 3000 (12 MP),
// baseline and progressive. Each reports the peak heap its decode takes as
// a multiple of the decoded picture's size.
//
// Heap use is counted by wrapping the C allocator of this program.

#include <benchmark/benchmark.h>
#include <malloc.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/rastercodecs.h"
#include "platform/testing/benchsizes.h"
#include "platform/testing/heapcount.h"

namespace {

// The photo at width x 3/4 width as a JPEG of quality 90 (1: progressive).
const std::string& PhotoJpeg(long width, long progressive) {
    static std::map<std::pair<long, long>, std::string> files;
    std::string& bytes = files[{width, progressive}];
    if (!bytes.empty()) return bytes;
    CRaster photo = BenchPhoto(static_cast<LONG>(width), static_cast<LONG>(width * 3 / 4));
    photo.SetJpegQuality(90);
    photo.SetCodecOption(progressive != 0 ? 0x10 : 0, RASTER_FORMAT_JPG);
    BYTE* buffer = nullptr;
    LONG size = 0;
    if (photo.Encode(buffer, size, RASTER_FORMAT_JPG)) {
        bytes.assign(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
        CRaster::FreeMemory(buffer);
    }
    return bytes;
}

// Runs one decode between heap marks; the peak above the start over the
// decoded size.
template <class Body>
double PeakRatio(Body&& body) {
    g_peak = g_heap.load();
    const long long base = g_heap.load();
    const double decoded = static_cast<double>(body());
    return decoded > 0 ? static_cast<double>(g_peak.load() - base) / decoded : 0;
}

void Report(benchmark::State& state, const std::string& bytes, double ratio) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["peak_heap_x_image"] = ratio;
    state.counters["megapixels"] =
        static_cast<double>(state.range(0)) * (state.range(0) * 3 / 4) / 1e6;
}

void BM_JpegDecode_Ours(benchmark::State& state) {
    const std::string& bytes = PhotoJpeg(state.range(0), state.range(1));
    if (bytes.empty()) state.SkipWithError("no JPEG");
    double ratio = 0;
    for (auto _ : state) {
        CRaster image;
        ratio = PeakRatio([&] {
            if (!image.Decode(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                              static_cast<DWORD>(bytes.size()), RASTER_FORMAT_JPG))
                state.SkipWithError(image.GetLastError());
            return image.GetSize();
        });
        benchmark::DoNotOptimize(image.GetBits(0));
    }
    Report(state, bytes, ratio);
}

struct BareError {
    jpeg_error_mgr pub;
};
void BareExit(j_common_ptr) { std::abort(); }

void BM_JpegDecode_Bare(benchmark::State& state) {
    const std::string& bytes = PhotoJpeg(state.range(0), state.range(1));
    if (bytes.empty()) state.SkipWithError("no JPEG");
    double ratio = 0;
    for (auto _ : state) {
        unsigned char* pixels = nullptr;
        ratio = PeakRatio([&] {
            jpeg_decompress_struct cinfo;
            BareError err;
            cinfo.err = jpeg_std_error(&err.pub);
            err.pub.error_exit = BareExit;
            jpeg_create_decompress(&cinfo);
            jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
                         static_cast<unsigned long>(bytes.size()));
            jpeg_read_header(&cinfo, TRUE);
            jpeg_start_decompress(&cinfo);
            const std::size_t stride =
                static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
            const std::size_t size = stride * cinfo.output_height;
            pixels = static_cast<unsigned char*>(std::malloc(size));
            while (cinfo.output_scanline < cinfo.output_height) {
                JSAMPROW row = pixels + cinfo.output_scanline * stride;
                jpeg_read_scanlines(&cinfo, &row, 1);
            }
            jpeg_finish_decompress(&cinfo);
            jpeg_destroy_decompress(&cinfo);
            return size;
        });
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
    Report(state, bytes, ratio);
}

void BM_JpegDecode_QImage(benchmark::State& state) {
    const std::string& bytes = PhotoJpeg(state.range(0), state.range(1));
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size()));
    double ratio = 0;
    for (auto _ : state) {
        QImage image;
        ratio = PeakRatio([&] {
            if (!image.loadFromData(data, "JPG")) state.SkipWithError("QImage failed");
            return image.sizeInBytes();
        });
        benchmark::DoNotOptimize(image.constBits());
    }
    Report(state, bytes, ratio);
}

// Sizes from the smallest (the smoke run takes only that), baseline and
// progressive.
void Sizes(benchmark::internal::Benchmark* bench) {
    for (const long progressive : {0L, 1L}) {
        for (const long width : {640L, 4000L}) {
            bench->Args({width, progressive});
            if (benchsizes::Smoke()) break;
        }
        if (benchsizes::Smoke()) break;
    }
    bench->ArgNames({"width", "progressive"})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_JpegDecode_Ours)->Apply(Sizes);
BENCHMARK(BM_JpegDecode_Bare)->Apply(Sizes);
BENCHMARK(BM_JpegDecode_QImage)->Apply(Sizes);

}  // namespace
