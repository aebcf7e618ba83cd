// Encoding and decoding speed of a form-sized record: 5,000 objects, each a
// nested store with the usual keys (ids, kind, a rectangle as four integers
// and as text, a few texts), next to a plain memcpy of the same byte count.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/fxrevpropstore.h"

namespace {

constexpr int kObjects = 5000;

std::vector<CFxRevPropStore> MakeObjects() {
    std::vector<CFxRevPropStore> objects(kObjects);
    for (int i = 0; i < kObjects; ++i) {
        CFxRevPropStore& o = objects[static_cast<size_t>(i)];
        o.SetInt("NTP.woid", i);
        o.SetInt("NTP.wokind", 2 + i % 11);
        o.SetInt("NTP.lmhuge_left", i * 10000);
        o.SetInt("NTP.lmhuge_top", (i % 64) * 10000);
        o.SetInt("NTP.lmhuge_right", i * 10000 + 200000);
        o.SetInt("NTP.lmhuge_bottom", (i % 64) * 10000 + 80000);
        o.SetRectText("UTP.rect", CRect(i, i % 64, i + 20, i % 64 + 8));
        o.SetString("UTP.text", "Label number " + std::to_string(i));
        o.SetString("UTP.fontname", "Gulim");
        o.SetString("UTP.linestyle", "0");
        o.SetString("UTP.fillcolor", "16777215");
        o.SetString("UTP.textalign", "1");
    }
    return objects;
}

// The whole record: every object encoded into its own byte block.
CFxRevPropStore MakeRecord(const std::vector<CFxRevPropStore>& objects) {
    CFxRevPropStore record;
    record.SetInt("WOS.wocount", kObjects);
    CRevolver block;
    for (int i = 0; i < kObjects; ++i) {
        objects[static_cast<size_t>(i)].ToRevolver(block);
        record.SetRevolver("WOS.wo" + std::to_string(i), block);
    }
    return record;
}

void BM_Encode(benchmark::State& state) {
    const std::vector<CFxRevPropStore> objects = MakeObjects();
    int bytes = 0;
    for (auto _ : state) {
        CFxRevPropStore record = MakeRecord(objects);
        CRevolver out;
        record.ToRevolver(out);
        bytes = out.GetLength();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
    state.counters["record_bytes"] = bytes;
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State& state) {
    CRevolver encoded;
    MakeRecord(MakeObjects()).ToRevolver(encoded);
    for (auto _ : state) {
        CFxRevPropStore record;
        record.FromRevolver(encoded);
        CRevolver block;
        int ids = 0;
        for (int i = 0; i < kObjects; ++i) {
            CFxRevPropStore object;
            record.LookupRevolver("WOS.wo" + std::to_string(i), block);
            object.FromRevolver(block);
            ids += object.GetInt("NTP.woid", 0);
        }
        benchmark::DoNotOptimize(ids);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * encoded.GetLength());
    state.counters["record_bytes"] = encoded.GetLength();
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
    CRevolver encoded;
    MakeRecord(MakeObjects()).ToRevolver(encoded);
    const size_t n = static_cast<size_t>(encoded.GetLength());
    std::vector<char> from(n, 'x'), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
    state.counters["record_bytes"] = static_cast<double>(n);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace
