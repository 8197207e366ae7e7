// Speed and peak memory of the outline tracer on the synthetic line drawing at A3 and A0 (300 dpi),
// on the normal grid and on the four-times-enlarged one. Run: build/bench/bench_outline
// Each timing is one trace, repeated three times; the rows ending in _median give the figures to
// quote. Counters: MPix/s, contours and points traced, gridMB (the grid's own bytes) and rasterMB.
// The peak memory rows trace in a child process of their own (this program started again), so
// that nothing this one keeps for the timings counts: peakMB is the child's peak resident memory,
// baseMB what it held before it drew the raster.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include <vemora/outline/stOutlineAlgorithm.h>
#include <vemora/sketch/stSketch.h>

#include "childPeakMemory.h"
#include "syntheticDrawing.h"

using namespace Vemora;
using namespace vemora_bench;

namespace {

// As the tracer's speed benchmark: a busy engineering drawing at A3 and A0.
const DrawingSize kSizes[] = {kA3, kA0};
constexpr int kSizeCount = int(sizeof kSizes / sizeof kSizes[0]);

const utRasterData_c& drawing(int i) { return cachedDrawing(kSizes[i]); }

double mb(double bytes) { return bytes / (1024.0 * 1024.0); }

double gridMB(unsigned width, unsigned height, bool x4) {
    size_t w = 0, h = 0;
    stOutlineAlgorithm_c::gridSize(width, height, x4, w, h);
    return mb(double(w) * double(h));
}

size_t pointsOf(const stSketch_c& s) {
    size_t n = 0;
    for (int i = 0; i < s.entitiesCount(); ++i)
        if (const auto* spline = dynamic_cast<const stSpline_c*>(s.entityAt(i)))
            n += spline->points().size();
    return n;
}

// Args: size 0 (A3) or 1 (A0); x4 0 or 1.
void BM_OutlineTrace(benchmark::State& state) {
    utRasterData_c raster(drawing(int(state.range(0))));
    stOutlineAlgorithm_c algorithm;
    algorithm.setUseX4Rescaling(state.range(1) != 0);
    std::unique_ptr<stSketch_c> sketch;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        sketch.reset(algorithm.trace(&raster, nullptr, 0, 0));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        state.PauseTiming();
        state.counters["contours"] = double(sketch->entitiesCount());
        state.counters["points"] = double(pointsOf(*sketch));
        sketch.reset();
        state.ResumeTiming();
    }
    state.counters["MPix/s"] = benchmark::Counter(double(raster.width()) * raster.height() / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.counters["gridMB"] = gridMB(raster.width(), raster.height(), state.range(1) != 0);
    state.counters["rasterMB"] = mb(double(raster.dataSize()));
}

// The child's work: draw the raster, trace it and print the peak and the base resident memory.
int traceInChild(int size, bool x4) {
    const DrawingSize& s = kSizes[size];
    const long baseKB = statusKB("VmRSS");
    utRasterData_c raster = syntheticDrawing(s.w, s.h, s.strokes);
    stOutlineAlgorithm_c algorithm;
    algorithm.setUseX4Rescaling(x4);
    std::unique_ptr<stSketch_c> sketch(algorithm.trace(&raster, nullptr, 0, 0));
    printPeak(baseKB);
    return sketch && sketch->entitiesCount() > 0 ? 0 : 1;
}

void BM_OutlinePeakMemory(benchmark::State& state) {
    const DrawingSize& s = kSizes[state.range(0)];
    long peakKB = 0, baseKB = 0;
    if (!peakOfChild(state, state.range(0), state.range(1), peakKB, baseKB)) return;
    const double rasterMB = mb(double(s.w) * s.h * 4);
    state.counters["peakMB"] = double(peakKB) / 1024.0;
    state.counters["baseMB"] = double(baseKB) / 1024.0;
    state.counters["rasterMB"] = rasterMB;
    state.counters["gridMB"] = gridMB(s.w, s.h, state.range(1) != 0);
}

BENCHMARK(BM_OutlineTrace)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"size", "x4"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OutlinePeakMemory)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"size", "x4"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return mainWithChild(argc, argv, kSizeCount, traceInChild); }
