// Speed and peak memory of the outline tracer on the synthetic line drawing at A3 and A0 (300 dpi),
// on the normal grid and on the four-times-enlarged one. Run: build/bench/bench_outline
// Each timing is one trace, repeated three times; the rows ending in _median give the figures to
// quote. Counters: MPix/s, contours and points traced, gridMB (the grid's own bytes) and rasterMB.
// The peak memory rows trace in a child process of their own (this program started again), so
// that nothing this one keeps for the timings counts: peakMB is the child's peak resident memory,
// baseMB what it held before it drew the raster.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <vemora/outline/stOutlineAlgorithm.h>
#include <vemora/sketch/stSketch.h>

#include "syntheticDrawing.h"

using namespace Vemora;

namespace {

const char* const kChildFlag = "--trace-in-child";

struct Size {
    const char* name;
    unsigned w, h;
    int strokes;
};
// As the tracer's speed benchmark: a busy engineering drawing at A3 and A0.
const Size kSizes[] = {{"A3", 3508, 4961, 900}, {"A0", 9933, 14043, 7000}};

const utRasterData_c& drawing(int i) {
    static std::map<int, std::unique_ptr<utRasterData_c>> cache;
    auto& slot = cache[i];
    if (!slot) {
        const Size& s = kSizes[i];
        slot =
            std::make_unique<utRasterData_c>(vemora_bench::syntheticDrawing(s.w, s.h, s.strokes));
    }
    return *slot;
}

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

// A figure of this process's /proc/self/status in kB ("VmHWM" the peak resident memory so far,
// "VmRSS" the resident memory now); 0 when unknown.
long statusKB(const char* key) {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    const std::string format = std::string(key) + ": %ld kB";
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, format.c_str(), &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// The child's work: draw the raster, trace it and print the peak and the base resident memory.
int traceInChild(int size, bool x4) {
    const Size& s = kSizes[size];
    const long baseKB = statusKB("VmRSS");
    utRasterData_c raster = vemora_bench::syntheticDrawing(s.w, s.h, s.strokes);
    stOutlineAlgorithm_c algorithm;
    algorithm.setUseX4Rescaling(x4);
    std::unique_ptr<stSketch_c> sketch(algorithm.trace(&raster, nullptr, 0, 0));
    std::printf("%ld %ld\n", statusKB("VmHWM"), baseKB);
    return sketch && sketch->entitiesCount() > 0 ? 0 : 1;
}

void BM_OutlinePeakMemory(benchmark::State& state) {
    const Size& s = kSizes[state.range(0)];
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        state.SkipWithError("cannot find this program");
        return;
    }
    const std::string command = std::string("'") + self + "' " + kChildFlag + " " +
                                std::to_string(state.range(0)) + " " +
                                std::to_string(state.range(1));
    long peakKB = 0, baseKB = 0;
    for (auto _ : state) {
        std::FILE* child = popen(command.c_str(), "r");
        if (!child || std::fscanf(child, "%ld %ld", &peakKB, &baseKB) != 2 || pclose(child) != 0 ||
            peakKB <= 0) {
            state.SkipWithError("the tracing child failed");
            return;
        }
    }
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

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], kChildFlag) == 0) {
        const int size = std::atoi(argv[2]);
        if (size < 0 || size > 1) return 2;
        return traceInChild(size, std::atoi(argv[3]) != 0);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
