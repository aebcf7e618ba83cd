// GIF, TGA and PCX decoding side by side in one run, each with the peak
// heap it takes as a multiple of the decoded image:
//  - an 8-bit GIF (LZW) and a 24-bit TGA, ours next to QImage's readers;
//  - a 24-bit PCX next to our BMP decoder of the same picture.
// The pictures are 4000 x 3000 (400 x 300 in the smoke run).
//
// Heap use is counted by wrapping the C allocator of this program.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <map>
#include <string>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/benchmarks/decodebench.h"
#include "image/codecs/rastercodecs.h"
#include "platform/testing/benchsizes.h"
#include "platform/testing/heapcount.h"

namespace {

// The picture of a width (height three quarters of it) in one format.
const std::string& FileOf(DWORD format, long width) {
    static std::map<std::pair<DWORD, long>, std::string> files;
    std::string& bytes = files[{format, width}];
    if (bytes.empty()) {
        CRaster photo = BenchPhoto(width, width * 3 / 4);
        if (format == RASTER_FORMAT_GIF) photo.DecreaseBpp(8, false);
        BYTE* buffer = nullptr;
        LONG size = 0;
        if (photo.Encode(buffer, size, format)) {
            bytes.assign(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
            CRaster::FreeMemory(buffer);
        }
    }
    return bytes;
}

void DecodeOurs(benchmark::State& state, DWORD format) {
    decodebench::DecodeOurs(state, FileOf(format, static_cast<long>(state.range(0))), format);
}

void DecodeQImage(benchmark::State& state, DWORD format, const char* name) {
    decodebench::DecodeQImage(state, FileOf(format, static_cast<long>(state.range(0))), name);
}

void BM_GifDecode_Ours(benchmark::State& state) { DecodeOurs(state, RASTER_FORMAT_GIF); }
void BM_GifDecode_QImage(benchmark::State& state) { DecodeQImage(state, RASTER_FORMAT_GIF, "GIF"); }
void BM_TgaDecode_Ours(benchmark::State& state) { DecodeOurs(state, RASTER_FORMAT_TGA); }
void BM_TgaDecode_QImage(benchmark::State& state) { DecodeQImage(state, RASTER_FORMAT_TGA, "TGA"); }
void BM_PcxDecode_Ours(benchmark::State& state) { DecodeOurs(state, RASTER_FORMAT_PCX); }
void BM_BmpDecode_Ours(benchmark::State& state) { DecodeOurs(state, RASTER_FORMAT_BMP); }

void Sizes(benchmark::internal::Benchmark* b) { benchsizes::Args(b, {400, 4000}); }

#define DECODE_BENCHMARK(fn) BENCHMARK(fn)->Apply(Sizes)->Unit(benchmark::kMillisecond)

DECODE_BENCHMARK(BM_GifDecode_Ours);
DECODE_BENCHMARK(BM_GifDecode_QImage);
DECODE_BENCHMARK(BM_TgaDecode_Ours);
DECODE_BENCHMARK(BM_TgaDecode_QImage);
DECODE_BENCHMARK(BM_PcxDecode_Ours);
DECODE_BENCHMARK(BM_BmpDecode_Ours);

}  // namespace
