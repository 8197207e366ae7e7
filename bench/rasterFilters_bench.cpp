// Each raster filter over an A0 scan at 300 dpi (9933 x 14043 pixels, 558 MB a raster): time per
// run and the peak memory the run adds, also counted in rasters. A filter takes its input over
// and returns a new raster, so two rasters (input and result) is what a run has to hold.
//
// The peak is the process's high-water mark of resident memory, reset before each run through
// /proc/self/clear_refs; it reads 0 where that file cannot be written.

#include <benchmark/benchmark.h>

#include <vemora/raster/stClusterization.h>
#include <vemora/raster/stRasterFilters.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "syntheticDrawing.h"

using namespace Vemora;

namespace {

constexpr unsigned kWidth = 9933;
constexpr unsigned kHeight = 14043;
constexpr int kStrokes = 6000;
constexpr double kRasterMB = double(kWidth) * kHeight * 4 / (1 << 20);

const utRasterData_c& scan() {
    static const utRasterData_c raster = vemora_bench::syntheticDrawing(kWidth, kHeight, kStrokes);
    return raster;
}

// "VmHWM" or "VmRSS" of this process, in MB.
double statusMB(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, std::string(key).size(), key) == 0)
            return std::stod(line.substr(line.find(':') + 1)) / 1024.0;
    return 0.0;
}

bool resetPeak() {
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    return bool(refs.flush());
}

void runFilter(benchmark::State& state, const std::function<stRasterProcessor_c*()>& make) {
    const std::unique_ptr<stRasterProcessor_c> filter(make());
    (void)scan();
    double peak = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        const double before = statusMB("VmRSS");
        const bool measured = resetPeak();
        auto* input = new utRasterData_c(scan());
        state.ResumeTiming();
        std::unique_ptr<utRasterData_c> out(filter->process(input));
        benchmark::DoNotOptimize(out->data());
        state.PauseTiming();
        if (measured) peak = std::max(peak, statusMB("VmHWM") - before);
        out.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak;
    state.counters["rasters"] = peak / kRasterMB;
    state.counters["MPix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

template <class Filter>
stRasterProcessor_c* plain() {
    return new Filter();
}

stRasterProcessor_c* thresholdInverted() {
    auto* f = new stThresholdFilter_c();
    f->setInverted(true);
    return f;
}

template <int size>
stRasterProcessor_c* clusterization() {
    auto* f = new stClusterization_c();
    f->setUseClusterization(true);
    f->setClusterSize(size);
    return f;
}

#define FILTER_BENCH(name, maker)                                        \
    void BM_##name(benchmark::State& state) { runFilter(state, maker); } \
    BENCHMARK(BM_##name)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime()

FILTER_BENCH(BrightnessAndContrast, plain<stBrightnessAndContrast_c>);
FILTER_BENCH(GaussianFilter, plain<stGaussianFilter_c>);
FILTER_BENCH(EdgeFilter, plain<stEdgeFilter_c>);
FILTER_BENCH(SharpenFilter, plain<stSharpenFilter_c>);
FILTER_BENCH(CustomFilter, plain<stCustomFilter_c>);
FILTER_BENCH(ThresholdFilter, thresholdInverted);
FILTER_BENCH(NoiseFilter, plain<stNoiseFilter_c>);
FILTER_BENCH(ThiningFilter, plain<stThiningFilter_c>);
FILTER_BENCH(Clusterization_1, clusterization<1>);
FILTER_BENCH(Clusterization_8, clusterization<8>);

}  // namespace

BENCHMARK_MAIN();
