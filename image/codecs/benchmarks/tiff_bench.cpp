// TIFF decoding next to QImage, side by side in one run: a photo-like
// picture of 4000 x 3000 (400 x 300 in the smoke run) written by our
// encoder, uncompressed and LZW, in 24-bit colour and in 8-bit palette,
// decoded by us and by QImage's TIFF reader, with the peak heap each decode
// takes as a multiple of the decoded image.
//
// Heap use is counted by wrapping the C allocator of this program, which
// libtiff allocates through as well.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <tiffio.h>

#include <QByteArray>
#include <QImage>
#include <atomic>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "image/benchmarks/benchphoto.h"
#include "image/codecs/benchmarks/decodebench.h"
#include "image/codecs/rastercodecs.h"
#include "platform/testing/benchsizes.h"
#include "platform/testing/heapcount.h"

namespace {

// The file of one size, depth and compression, made once.
const std::string& TiffFile(LONG width, int bpp, DWORD compression) {
    static std::map<std::tuple<LONG, int, DWORD>, std::string> files;
    const auto key = std::make_tuple(width, bpp, compression);
    auto found = files.find(key);
    if (found != files.end()) return found->second;
    CRaster photo = BenchPhoto(width, width * 3 / 4);
    if (bpp == 8) photo.DecreaseBpp(8, false);
    photo.SetCodecOption(compression, RASTER_FORMAT_TIF);
    BYTE* buffer = nullptr;
    LONG size = 0;
    std::string bytes;
    if (photo.Encode(buffer, size, RASTER_FORMAT_TIF))
        bytes.assign(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
    CRaster::FreeMemory(buffer);
    return files.emplace(key, std::move(bytes)).first->second;
}

void TiffDecodeOurs(benchmark::State& state, int bpp, DWORD compression) {
    decodebench::DecodeOurs(state, TiffFile(static_cast<LONG>(state.range(0)), bpp, compression),
                            RASTER_FORMAT_TIF);
}

void TiffDecodeQImage(benchmark::State& state, int bpp, DWORD compression) {
    decodebench::DecodeQImage(state, TiffFile(static_cast<LONG>(state.range(0)), bpp, compression),
                              "TIFF");
}

const bool registered = [] {
    const struct {
        const char* name;
        int bpp;
        DWORD compression;
    } files[] = {{"24/none", 24, COMPRESSION_NONE},
                 {"24/lzw", 24, COMPRESSION_LZW},
                 {"8/lzw", 8, COMPRESSION_LZW}};
    for (const auto& f : files) {
        for (const bool ours : {true, false}) {
            const std::string name =
                std::string(ours ? "BM_TiffDecode_Ours/" : "BM_TiffDecode_QImage/") + f.name;
            auto* bench = benchmark::RegisterBenchmark(
                name.c_str(), ours ? TiffDecodeOurs : TiffDecodeQImage, f.bpp, f.compression);
            benchsizes::Args(bench, {400, 4000})->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

}  // namespace
