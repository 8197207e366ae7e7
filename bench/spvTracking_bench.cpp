// Speed of the sparse tracker from raster to SPV sketch, against the floor any tracer pays: one
// pass of the ink test over every pixel.

#include <benchmark/benchmark.h>

#include <algorithm>

#include "spvAlgorithmAccess.h"
#include "stopwatch.h"
#include "syntheticDrawing.h"

using namespace Vemora;

namespace {

constexpr unsigned kWidth = 4000;
constexpr unsigned kHeight = 3000;
constexpr int kStrokes = 600;

utRasterData_c& drawing() {
    static utRasterData_c raster = vemora_bench::syntheticDrawing(kWidth, kHeight, kStrokes);
    return raster;
}

// Ink pixels counted with the tracer's own test.
size_t floorPass(const stSpvAlgorithmTestAccess_c& tracer, const utRasterData_c& raster) {
    size_t black = 0;
    for (int y = 0; y < int(raster.height()); ++y)
        for (int x = 0; x < int(raster.width()); ++x) black += tracer.isBlack(x, y);
    return black;
}

void setPixelRate(benchmark::State& state) {
    state.counters["MPix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_InkTestFloor(benchmark::State& state) {
    stSpvAlgorithmTestAccess_c access;
    access.prepare(drawing());
    for (auto _ : state) benchmark::DoNotOptimize(floorPass(access, drawing()));
    setPixelRate(state);
}
BENCHMARK(BM_InkTestFloor)->Unit(benchmark::kMillisecond);

void BM_SpvTracking(benchmark::State& state) {
    stSpvAlgorithmTestAccess_c access;
    access.prepare(drawing());
    double floor = 1e9;
    for (int i = 0; i < 3; ++i)
        floor = std::min(floor, vemora_bench::secondsOf([&] {
                             benchmark::DoNotOptimize(floorPass(access, drawing()));
                         }));

    double traced = 0.0;
    size_t primitives = 0;
    for (auto _ : state) {
        traced +=
            vemora_bench::secondsOf([&] { primitives = access.run(drawing()).countPrimitives(); });
    }
    setPixelRate(state);
    state.counters["primitives"] = double(primitives);
    state.counters["xFloor"] = traced / double(state.iterations()) / floor;
}
BENCHMARK(BM_SpvTracking)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
