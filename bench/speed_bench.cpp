// Speed of the one-call path at three drawing sizes, against the floor any tracer pays: copying
// the raster and testing every pixel once for ink. Run: build/bench/bench_speed
// Each timing is repeated five times, each repetition three iterations after an untimed one; the
// rows ending in _median give the figures to quote (also _mean, _stddev and _cv).
// Counters: MPix/s, xFloor (time / floor time), rasterMB (the raster's own bytes) and, for the
// tracers, coldMs (the first trace, which maps fresh memory; not in the time) and deleteMs
// (deleting the returned sketch and the tracer, not in the time either). The peak
// memory benchmarks trace in a child process of their own, so that nothing this program keeps
// for the other benchmarks counts: peakMB is the child's peak resident memory, xRaster that peak
// over the raster's bytes, baseMB what the child held before it drew the raster (code, libraries)
// and xRasterAdded the peak above that base over the raster's bytes.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include <vemora/engine/stSketchTracer.h>
#include <vemora/spv/stSpvAlgorithm.h>

#include "childPeakMemory.h"
#include "raster/inkTest.h"
#include "stopwatch.h"
#include "syntheticDrawing.h"

using namespace Vemora;
using namespace vemora_bench;

namespace {

// 1000 x 800, A3 and A0, with a stroke density like a busy engineering drawing.
const DrawingSize kSizes[] = {{1000, 800, 60}, kA3, kA0};
constexpr int kSizeCount = int(sizeof kSizes / sizeof kSizes[0]);

const utRasterData_c& drawing(int i) { return cachedDrawing(kSizes[i]); }

// The floor: copy the raster (into memory already mapped, so page faults do not count) and test
// every pixel once for ink (mean of the channels below 187).
void floorPass(const utRasterData_c& raster, utRasterData_c& copy) {
    std::memcpy(copy.data(), raster.data(), raster.dataSize());
    size_t ink = 0;
    const uint32_t* p = copy.data();
    const size_t n = size_t(copy.width()) * copy.height();
    const int limit = inkSumLimit(187);
    for (size_t i = 0; i < n; ++i) ink += isInkBelow(p[i], limit);
    benchmark::DoNotOptimize(ink);
}

// The best of three floor passes.
double floorSeconds(const utRasterData_c& raster) {
    utRasterData_c copy(raster);
    double best = 1e30;
    for (int k = 0; k < 3; ++k) best = std::min(best, secondsOf([&] { floorPass(raster, copy); }));
    return best;
}

void report(benchmark::State& state, const utRasterData_c& r, double perRun) {
    state.counters["MPix/s"] = benchmark::Counter(double(r.width()) * r.height() / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.counters["xFloor"] = perRun / floorSeconds(r);
    state.counters["rasterMB"] = double(r.dataSize()) / (1024.0 * 1024.0);
}

void BM_Floor(benchmark::State& state) {
    const utRasterData_c& r = drawing(int(state.range(0)));
    utRasterData_c copy(r);
    double total = 0;
    for (auto _ : state) total += secondsOf([&] { floorPass(r, copy); });
    report(state, r, total / double(state.iterations()));
}

// Times the tracer's trace call alone (Time and xFloor), the way the floor is timed: in memory
// mapped before (an untimed first trace does that; its time is coldMs, fresh pages included), and
// without deleting the sketch it returns and the tracer afterwards (the host's business, when it
// is done with them), which is timed apart as deleteMs.
template <class Tracer>
void timeTrace(benchmark::State& state) {
    utRasterData_c raster(drawing(int(state.range(0))));
    double total = 0, deleting = 0;
    {
        Tracer first;
        std::unique_ptr<stSketch_c> sketch;
        state.counters["coldMs"] =
            secondsOf([&] { sketch.reset(first.trace(&raster, nullptr, 0, 0)); }) * 1e3;
    }
    for (auto _ : state) {
        auto tracer = std::make_unique<Tracer>();
        std::unique_ptr<stSketch_c> sketch;
        const double t = secondsOf([&] { sketch.reset(tracer->trace(&raster, nullptr, 0, 0)); });
        state.SetIterationTime(t);
        total += t;
        benchmark::DoNotOptimize(sketch->entitiesCount());
        deleting += secondsOf([&] {
            sketch.reset();
            tracer.reset();
        });
    }
    report(state, raster, total / double(state.iterations()));
    state.counters["deleteMs"] = deleting / double(state.iterations()) * 1e3;
}

void BM_SpvTrace(benchmark::State& state) { timeTrace<stSpvAlgorithm_c>(state); }
void BM_TracerChain(benchmark::State& state) { timeTrace<stSketchTracer_c>(state); }

// The child's work for the peak memory benchmark: draw the raster, trace it (SPV only for chain
// 0, else the whole chain) and print the process's peak resident memory. Exits 0 when something
// was traced.
int traceInChild(int size, bool chain) {
    const DrawingSize& s = kSizes[size];
    const long baseKB = statusKB("VmRSS");
    utRasterData_c raster = syntheticDrawing(s.w, s.h, s.strokes);
    std::unique_ptr<stSketch_c> sketch;
    if (chain) {
        stSketchTracer_c tracer;
        sketch.reset(tracer.trace(&raster, nullptr, 0, 0));
    } else {
        stSpvAlgorithm_c spv;
        sketch.reset(spv.trace(&raster, nullptr, 0, 0));
    }
    printPeak(baseKB);
    return sketch && sketch->entitiesCount() > 0 ? 0 : 1;
}

// Peak resident memory of a fresh process (this program started again, so none of this one's
// memory counts) that draws the raster and traces it: the raster plus everything the trace adds
// at its highest. Args: size 0/1/2; 0 for SPV only, 1 for the chain.
void BM_PeakMemory(benchmark::State& state) {
    const int size = int(state.range(0));
    const DrawingSize& s = kSizes[size];
    long peakKB = 0, baseKB = 0;
    if (!peakOfChild(state, size, state.range(1), peakKB, baseKB)) return;
    const double peakMB = double(peakKB) / 1024.0;
    const double rasterMB = double(s.w) * s.h * 4 / (1024.0 * 1024.0);
    state.counters["peakMB"] = peakMB;
    state.counters["rasterMB"] = rasterMB;
    state.counters["xRaster"] = peakMB / rasterMB;
    // What the process held before the raster was drawn (code, libraries, the allocator's first
    // blocks), and the peak above it in raster sizes: what drawing and tracing added.
    const double baseMB = double(baseKB) / 1024.0;
    state.counters["baseMB"] = baseMB;
    state.counters["xRasterAdded"] = (peakMB - baseMB) / rasterMB;
}

// The machine is shared: each timing is repeated, and the median of the repetitions is quoted.
void repeatedAtEachSize(benchmark::internal::Benchmark* b) {
    b->DenseRange(0, kSizeCount - 1)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_Floor)->Apply(repeatedAtEachSize);
BENCHMARK(BM_SpvTrace)->Apply(repeatedAtEachSize)->UseManualTime();
BENCHMARK(BM_TracerChain)->Apply(repeatedAtEachSize)->UseManualTime();
BENCHMARK(BM_PeakMemory)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) { return mainWithChild(argc, argv, kSizeCount, traceInChild); }
