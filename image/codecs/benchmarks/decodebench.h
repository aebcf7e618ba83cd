#pragma once

// The decode loops the codec benchmarks share: one file decoded every
// iteration, by our codec or by QImage's reader, with its throughput and
// the peak heap the decode takes as a multiple of the decoded image.
// It brings the heap counter with it: include it in one source file of a
// benchmark program only.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QImage>
#include <string>

#include "image/codecs/rastercodecs.h"
#include "platform/testing/heapcount.h"

namespace decodebench {

// Starts counting a decode's heap from what is held now.
inline long long StartCounting() {
    heapcount::g_peak = heapcount::g_heap.load();
    return heapcount::g_heap.load();
}

inline void Report(benchmark::State& state, const std::string& bytes, double ratio) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
    state.counters["peak_heap_x_image"] = ratio;
}

inline void DecodeOurs(benchmark::State& state, const std::string& bytes, DWORD format) {
    if (bytes.empty()) state.SkipWithError("encoding failed");
    double ratio = 0;
    for (auto _ : state) {
        CRaster image;
        const long long base = StartCounting();
        if (!image.Decode(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                          static_cast<DWORD>(bytes.size()), format))
            state.SkipWithError(image.GetLastError());
        ratio = static_cast<double>(heapcount::g_peak.load() - base) / image.GetSize();
        benchmark::DoNotOptimize(image.GetBits(0));
    }
    Report(state, bytes, ratio);
}

inline void DecodeQImage(benchmark::State& state, const std::string& bytes, const char* format) {
    const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<int>(bytes.size()));
    double ratio = 0;
    for (auto _ : state) {
        const long long base = StartCounting();
        QImage image;
        if (!image.loadFromData(data, format)) state.SkipWithError("QImage failed");
        ratio = static_cast<double>(heapcount::g_peak.load() - base) /
                static_cast<double>(image.sizeInBytes());
        benchmark::DoNotOptimize(image.constBits());
    }
    Report(state, bytes, ratio);
}

}  // namespace decodebench
