// Speed of the one-call path at three drawing sizes, against the floor any tracer pays: copying
// the raster and testing every pixel once for ink. Run: build/bench/bench_speed
// Counters: MPix/s, xFloor (time / floor time), peakRSS_MB (the process's peak resident memory so
// far) and rasterMB (the raster's own bytes).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <vemora/spv/stSketchTracer.h>
#include <vemora/spv/stSpvAlgorithm.h>

#include <algorithm>

#include "syntheticDrawing.h"

using namespace Vemora;

namespace {

struct Size {
    unsigned w, h;
    int strokes;
};
// 1000 x 800, A3 and A0 at 300 dpi, with a stroke density like a busy engineering drawing.
const Size kSizes[] = {{1000, 800, 60}, {3508, 4961, 900}, {9933, 14043, 7000}};

const utRasterData_c& drawing(int i) {
    static std::map<int, std::unique_ptr<utRasterData_c>> cache;
    auto& slot = cache[i];
    if (!slot) {
        const Size& s = kSizes[i];
        slot = std::make_unique<utRasterData_c>(vemora_bench::syntheticDrawing(s.w, s.h, s.strokes));
    }
    return *slot;
}

double seconds(const std::function<void()>& work) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The floor: copy the raster (into memory already mapped, so page faults do not count) and test
// every pixel once for ink (mean of the channels below 187).
void floorPass(const utRasterData_c& raster, utRasterData_c& copy) {
    std::memcpy(copy.data(), raster.data(), raster.dataSize());
    size_t ink = 0;
    const uint32_t* p = copy.data();
    const size_t n = size_t(copy.width()) * copy.height();
    for (size_t i = 0; i < n; ++i) {
        const uint32_t v = p[i];
        ink += int(((v >> 16) & 0xFF) + ((v >> 8) & 0xFF) + (v & 0xFF)) < 3 * 187;
    }
    benchmark::DoNotOptimize(ink);
}

// The best of three floor passes.
double floorSeconds(const utRasterData_c& raster) {
    utRasterData_c copy(raster);
    double best = 1e30;
    for (int k = 0; k < 3; ++k) best = std::min(best, seconds([&] { floorPass(raster, copy); }));
    return best;
}

void report(benchmark::State& state, const utRasterData_c& r, double perRun) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["MPix/s"] = benchmark::Counter(double(r.width()) * r.height() / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.counters["xFloor"] = perRun / floorSeconds(r);
    state.counters["peakRSS_MB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["rasterMB"] = double(r.dataSize()) / (1024.0 * 1024.0);
}

void BM_Floor(benchmark::State& state) {
    const utRasterData_c& r = drawing(int(state.range(0)));
    utRasterData_c copy(r);
    double total = 0;
    for (auto _ : state) total += seconds([&] { floorPass(r, copy); });
    report(state, r, total / double(state.iterations()));
}

void BM_SpvTrace(benchmark::State& state) {
    utRasterData_c raster(drawing(int(state.range(0))));
    double total = 0;
    for (auto _ : state) {
        total += seconds([&] {
            stSpvAlgorithm_c spv;
            std::unique_ptr<stSketch_c> sketch(spv.trace(&raster, nullptr, 0, 0));
            benchmark::DoNotOptimize(sketch->entitiesCount());
        });
    }
    report(state, raster, total / double(state.iterations()));
}

void BM_TracerChain(benchmark::State& state) {
    utRasterData_c raster(drawing(int(state.range(0))));
    double total = 0;
    for (auto _ : state) {
        total += seconds([&] {
            stSketchTracer_c tracer;
            std::unique_ptr<stSketch_c> sketch(tracer.trace(&raster, nullptr, 0, 0));
            benchmark::DoNotOptimize(sketch->entitiesCount());
        });
    }
    report(state, raster, total / double(state.iterations()));
}

BENCHMARK(BM_Floor)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SpvTrace)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TracerChain)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
