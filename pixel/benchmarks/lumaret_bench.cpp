// The engine's hot paths, each next to a baseline in the same run:
// - DEFCHR text of all 208 cells next to plain hex formatting of the same
//   6,656 bytes (the code dialog regenerates on a 1000 ms tick);
// - 10,000 one-pixel steps applied, all undone and all redone; one undo and
//   redo at 1,000 and at 10,000 steps; a whole-canvas step applied and undone;
// - 10,000 short jobs through the worker pool (start delay from AddMLJob to
//   the job's first line: median and maximum) next to a thread created and
//   joined per job.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "foundation/pixel/fxmlthread.h"
#include "pixel/lmrgoption.h"
#include "pixel/lmrogjpcanvas.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_GSHFCreateAllCells(benchmark::State& state) {
    CLmrOGJPixel canvas;
    for (int i = 0; i < CLmrOGJPixel::OGJP_COUNT; i += 3) canvas.SetJPixelByOSLIndex(i, 0);
    std::string text;
    for (auto _ : state) {
        canvas.GSHFCreate(text, CRect(0, 0, 15, 12), 0xDB30);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["chars"] = static_cast<double>(text.size());
}
BENCHMARK(BM_GSHFCreateAllCells)->Unit(benchmark::kMillisecond);

void BM_PlainHexOfTheSameBytes(benchmark::State& state) {
    std::vector<unsigned char> bytes(208 * 32);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 37);
    std::string text;
    for (auto _ : state) {
        text.clear();
        char cell[8];
        for (unsigned char b : bytes) {
            snprintf(cell, sizeof cell, "&H%02X,", b);
            text += cell;
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_PlainHexOfTheSameBytes)->Unit(benchmark::kMillisecond);

// An engine with `steps` one-pixel pencil steps applied.
struct Engine {
    CLmrEGJPEState zoom;
    CLmrOGJPCanvas canvas;
    void AddPixelSteps(int steps) {
        for (int i = 0; i < steps; ++i) {
            const int x = i % 256, y = (i / 256) % 208;
            zoom.m_dwDrawColor = (i / 53248) % 2 ? 0xFFFFFF : 0x000000;
            canvas.SetPGInfo(x, y, 0, CLmrOGJPixel::kPGMark, 0);
            const CRect one(x, y, x, y);
            canvas.GJPEAANPerformByUJPixel(0, 1, &one);
        }
    }
};

void BM_TenThousandPixelStepsApplied(benchmark::State& state) {
    for (auto _ : state) {
        Engine engine;
        engine.AddPixelSteps(10000);
        benchmark::DoNotOptimize(engine.canvas.GetYUStepCount());
    }
}
BENCHMARK(BM_TenThousandPixelStepsApplied)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_TenThousandPixelStepsUndoneThenRedone(benchmark::State& state) {
    Engine engine;
    engine.AddPixelSteps(10000);
    double undoMs = 0, redoMs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        while (engine.canvas.IsYUndoable()) engine.canvas.YUndo(1, 0, 0);
        auto t1 = Clock::now();
        while (engine.canvas.IsYRedoable()) engine.canvas.YRedo(1, 0, 0);
        auto t2 = Clock::now();
        undoMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        redoMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    state.counters["undo_all_ms"] = undoMs;
    state.counters["redo_all_ms"] = redoMs;
}
BENCHMARK(BM_TenThousandPixelStepsUndoneThenRedone)->Unit(benchmark::kMillisecond)->Iterations(5);

// One undo and its redo with `range(0)` steps in the buffer.
void BM_OneUndoAndRedo(benchmark::State& state) {
    Engine engine;
    engine.AddPixelSteps(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        engine.canvas.YUndo(1, 0, 0);
        engine.canvas.YRedo(1, 0, 0);
    }
}
BENCHMARK(BM_OneUndoAndRedo)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_WholeCanvasStepAppliedAndUndone(benchmark::State& state) {
    Engine engine;
    LmrGOption().SetInt("omlegjpleft", 0);
    LmrGOption().SetInt("omlegjptop", 0);
    LmrGOption().SetInt("mlegjpwidth", 16);
    LmrGOption().SetInt("mlegjpheight", 13);
    LmrGOption().Refresh();
    double applyMs = 0, undoMs = 0;
    for (auto _ : state) {
        engine.canvas.AGJPEADelete();
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 256; ++x)
                engine.canvas.SetPGInfo(x, y, 0, CLmrOGJPixel::kPGMark, 0);
        engine.zoom.m_dwDrawColor = engine.canvas.GetJPixelByOSLPoint(0, 0) == 0 ? 0xFFFFFF : 0;
        auto t0 = Clock::now();
        engine.canvas.GJPEAANPerformByUJPixel(0, 1);
        auto t1 = Clock::now();
        engine.canvas.YUndo(1, 0, 0);
        auto t2 = Clock::now();
        applyMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        undoMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
    }
    state.counters["apply_ms"] = applyMs;
    state.counters["undo_ms"] = undoMs;
    LmrGOption().SetDefaults();
    LmrGOption().Refresh();
}
BENCHMARK(BM_WholeCanvasStepAppliedAndUndone)->Unit(benchmark::kMillisecond)->Iterations(5);

constexpr int kJobs = 10000;

void ReportDelays(benchmark::State& state, std::vector<double>& delaysUs) {
    std::sort(delaysUs.begin(), delaysUs.end());
    state.counters["median_start_us"] = delaysUs[delaysUs.size() / 2];
    state.counters["max_start_us"] = delaysUs.back();
}

void BM_ShortJobsThroughThePool(benchmark::State& state) {
    int argc = 0;
    static QCoreApplication app(argc, nullptr);
    std::vector<double> delays;
    int mostThreads = 0;
    for (auto _ : state) {
        CFxMLThreadManager manager;
        manager.StartMLThreads(30, 10, 10);
        delays.assign(kJobs, 0);
        std::atomic<int> done{0};
        for (int i = 0; i < kJobs; ++i) {
            const auto handed = Clock::now();
            auto job = [&delays, &done, i, handed](CFxRevPropStore*) {
                delays[static_cast<size_t>(i)] =
                    std::chrono::duration<double, std::micro>(Clock::now() - handed).count();
                ++done;
            };
            while (manager.AddMLJob(job, nullptr, nullptr, 0, 0, 0, 4500) == 0)
                std::this_thread::yield();
            mostThreads = std::max(mostThreads, manager.GetThreadCount());
        }
        while (done.load() < kJobs) std::this_thread::yield();
    }
    ReportDelays(state, delays);
    state.counters["most_threads"] = mostThreads;
}
BENCHMARK(BM_ShortJobsThroughThePool)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ThreadCreatedAndJoinedPerJob(benchmark::State& state) {
    std::vector<double> delays(kJobs);
    for (auto _ : state) {
        for (int i = 0; i < kJobs; ++i) {
            const auto handed = Clock::now();
            std::thread([&delays, i, handed] {
                delays[static_cast<size_t>(i)] =
                    std::chrono::duration<double, std::micro>(Clock::now() - handed).count();
            }).join();
        }
    }
    ReportDelays(state, delays);
}
BENCHMARK(BM_ThreadCreatedAndJoinedPerJob)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
