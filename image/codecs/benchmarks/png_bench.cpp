// PNG decoding side by side in one run: the same photo-like picture (up to
// 4000 x 3000, 24 bits) decoded by our codec, by libpng's simplified API
// into a blue-green-red buffer of the image's own stride, and by QImage.
// Each reports the peak heap of one decode as a multiple of the decoded
// picture's bytes; ours also checks its pixels against libpng's.
//
// Heap use is counted by wrapping the C allocator of this program (C++'s
// operator new lands there too).

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <png.h>

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/rastercodecs.h"
#include "platform/testing/benchsizes.h"
#include "platform/testing/heapcount.h"

namespace {

// The picture `width` wide at 4:3, encoded once by our codec.
const std::string& PngOf(long width) {
    static std::map<long, std::string> files;
    auto it = files.find(width);
    if (it != files.end()) return it->second;
    CRaster photo = BenchPhoto(static_cast<LONG>(width), static_cast<LONG>(width * 3 / 4));
    BYTE* buffer = nullptr;
    LONG size = 0;
    photo.Encode(buffer, size, RASTER_FORMAT_PNG);
    std::string bytes(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
    CRaster::FreeMemory(buffer);
    return files[width] = std::move(bytes);
}

// Starts counting a decode's heap from what is held now.
long long StartCounting() {
    g_peak = g_heap.load();
    return g_heap.load();
}

void BM_PngDecode_Ours(benchmark::State& state) {
    const std::string& bytes = PngOf(state.range(0));
    double ratio = 0;
    for (auto _ : state) {
        CRaster image;
        const long long base = StartCounting();
        if (!image.Decode(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                          static_cast<DWORD>(bytes.size()), RASTER_FORMAT_PNG))
            state.SkipWithError(image.GetLastError());
        ratio = static_cast<double>(g_peak.load() - base) / image.GetSize();
        benchmark::DoNotOptimize(image.GetBits(0));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["peak_heap_x_image"] = ratio;
}

// libpng's simplified API into rows of the stride a DIB has, bottom-up as
// ours are (a negative row stride).
bool LibpngDecode(const std::string& bytes, std::vector<png_byte>& pixels, png_uint_32& width,
                  png_uint_32& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return false;
    image.format = PNG_FORMAT_BGR;
    const png_int_32 stride = static_cast<png_int_32>((image.width * 3 + 3) & ~3u);
    pixels.resize(static_cast<std::size_t>(stride) * image.height);
    width = image.width;
    height = image.height;
    return png_image_finish_read(&image, nullptr, pixels.data(), -stride, nullptr) != 0;
}

void BM_PngDecode_Libpng(benchmark::State& state) {
    const std::string& bytes = PngOf(state.range(0));
    double ratio = 0;
    for (auto _ : state) {
        std::vector<png_byte> pixels;
        png_uint_32 width = 0, height = 0;
        const long long base = StartCounting();
        if (!LibpngDecode(bytes, pixels, width, height)) state.SkipWithError("libpng failed");
        ratio = static_cast<double>(g_peak.load() - base) / static_cast<double>(pixels.size());
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["peak_heap_x_image"] = ratio;
}

void BM_PngDecode_QImage(benchmark::State& state) {
    const std::string& bytes = PngOf(state.range(0));
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size()));
    double ratio = 0;
    for (auto _ : state) {
        const long long base = StartCounting();
        QImage image;
        if (!image.loadFromData(data, "PNG")) state.SkipWithError("QImage failed");
        ratio =
            static_cast<double>(g_peak.load() - base) / static_cast<double>(image.sizeInBytes());
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["peak_heap_x_image"] = ratio;
}

// Ours and libpng's pixels agree byte for byte before anything is timed.
void BM_PngDecode_Agree(benchmark::State& state) {
    const std::string& bytes = PngOf(state.range(0));
    CRaster ours;
    ours.Decode(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                static_cast<DWORD>(bytes.size()), RASTER_FORMAT_PNG);
    std::vector<png_byte> pixels;
    png_uint_32 width = 0, height = 0;
    if (!LibpngDecode(bytes, pixels, width, height) || ours.GetWidth() != width ||
        ours.GetHeight() != height ||
        std::memcmp(ours.GetBits(0), pixels.data(), pixels.size()) != 0)
        state.SkipWithError("our pixels differ from libpng's");
    for (auto _ : state) benchmark::DoNotOptimize(pixels.data());
}

void Sizes(benchmark::internal::Benchmark* b) { benchsizes::Args(b, {400, 4000}); }

}  // namespace

BENCHMARK(BM_PngDecode_Agree)->Apply(Sizes)->Iterations(1);
BENCHMARK(BM_PngDecode_Ours)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode_Libpng)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecode_QImage)->Apply(Sizes)->Unit(benchmark::kMillisecond);
