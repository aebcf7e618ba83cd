// Encoding and decoding speed of a form-sized record: N objects, each a nested
// store with the usual keys (ids, kind, a rectangle as four integers and as
// text, a few texts), next to a plain memcpy of the same byte count. 5,000
// objects make the 1.3 MB form; the sizes around it show how the cost grows.
//
// Encode: every object into its own byte block, the blocks into the record,
// the record into bytes (what saving a form does). Decode: the record from
// its bytes, then every object from its block (what opening one does). Both
// include the store's own work (map entries, copies of the blocks);
// EncodeRecord and DecodeRecord time the byte format alone on the same
// record: the built record into bytes, and the bytes into a record.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "foundation/fxrevpropstore.h"
#include "platform/testing/benchsizes.h"

namespace {

std::vector<CFxRevPropStore> MakeObjects(int count) {
    std::vector<CFxRevPropStore> objects(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
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
    const int count = static_cast<int>(objects.size());
    record.SetInt("WOS.wocount", count);
    CRevolver block;
    for (int i = 0; i < count; ++i) {
        objects[static_cast<size_t>(i)].ToRevolver(block);
        record.SetRevolver("WOS.wo" + std::to_string(i), block);
    }
    return record;
}

CRevolver EncodedRecord(int count) {
    CRevolver encoded;
    MakeRecord(MakeObjects(count)).ToRevolver(encoded);
    return encoded;
}

void Report(benchmark::State& state, int64_t bytes) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
    state.SetComplexityN(state.range(0));
    state.counters["record_bytes"] = static_cast<double>(bytes);
}

void BM_Encode(benchmark::State& state) {
    const std::vector<CFxRevPropStore> objects = MakeObjects(static_cast<int>(state.range(0)));
    int bytes = 0;
    for (auto _ : state) {
        CFxRevPropStore record = MakeRecord(objects);
        CRevolver out;
        record.ToRevolver(out);
        bytes = out.GetLength();
        benchmark::DoNotOptimize(bytes);
    }
    Report(state, bytes);
}

void BM_Decode(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const CRevolver encoded = EncodedRecord(count);
    for (auto _ : state) {
        CFxRevPropStore record;
        record.FromRevolver(encoded);
        CRevolver block;
        int ids = 0;
        for (int i = 0; i < count; ++i) {
            CFxRevPropStore object;
            record.LookupRevolver("WOS.wo" + std::to_string(i), block);
            object.FromRevolver(block);
            ids += object.GetInt("NTP.woid", 0);
        }
        benchmark::DoNotOptimize(ids);
    }
    Report(state, encoded.GetLength());
}

void BM_EncodeRecord(benchmark::State& state) {
    const CFxRevPropStore record = MakeRecord(MakeObjects(static_cast<int>(state.range(0))));
    int bytes = 0;
    for (auto _ : state) {
        CRevolver out;
        record.ToRevolver(out);
        bytes = out.GetLength();
        benchmark::DoNotOptimize(bytes);
    }
    Report(state, bytes);
}

void BM_DecodeRecord(benchmark::State& state) {
    const CRevolver encoded = EncodedRecord(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CFxRevPropStore record;
        record.FromRevolver(encoded);
        benchmark::DoNotOptimize(record.GetCount());
    }
    Report(state, encoded.GetLength());
}

// The floor: the same number of bytes copied once.
void BM_Memcpy(benchmark::State& state) {
    const size_t n =
        static_cast<size_t>(EncodedRecord(static_cast<int>(state.range(0))).GetLength());
    std::vector<char> from(n, 'x'), to(n);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), n);
        benchmark::ClobberMemory();
    }
    Report(state, static_cast<int64_t>(n));
}

// Each at three sizes, with how its time grows printed after them.
const bool kRegistered = [] {
    const std::pair<const char*, void (*)(benchmark::State&)> benches[] = {
        {"BM_Encode", BM_Encode},
        {"BM_Decode", BM_Decode},
        {"BM_EncodeRecord", BM_EncodeRecord},
        {"BM_DecodeRecord", BM_DecodeRecord},
        {"BM_Memcpy", BM_Memcpy}};
    for (const auto& [name, fn] : benches)
        benchsizes::Args(benchmark::RegisterBenchmark(name, fn), {500, 5000, 50000})
            ->Unit(benchmark::kMillisecond)
            ->Complexity(benchmark::oN);
    return true;
}();

}  // namespace
