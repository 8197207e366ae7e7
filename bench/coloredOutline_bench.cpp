// Speed and peak memory of the coloured outline tracer on a 20,000 x 2,000 colour image: a small
// region (a disc of radius 300 px) and the large one around it (the background, which reaches the
// image's edges). Run: build/bench/bench_coloredOutline
// Counters: MPix/s (of the whole image), contours, points, regionMPix (the region's box); the
// peak memory rows trace in a child process of their own (this program started again): peakMB is
// the child's peak resident memory, rasterMB the raster's own bytes.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <vemora/outline/stColoredOutlineAlgorithm.h>
#include <vemora/sketch/stSketch.h>

using namespace Vemora;

namespace {

const char* const kChildFlag = "--trace-in-child";
constexpr unsigned kWidth = 20000, kHeight = 2000;
constexpr long kDiscX = 10000, kDiscY = 1000, kRadius = 300;

// A blue background with a red disc.
utRasterData_c drawing() {
    utRasterData_c r(kWidth, kHeight);
    std::fill(r.data(), r.data() + size_t(kWidth) * kHeight, 0x000000FFu);
    for (long y = kDiscY - kRadius; y <= kDiscY + kRadius; ++y)
        for (long x = kDiscX - kRadius; x <= kDiscX + kRadius; ++x)
            if ((x - kDiscX) * (x - kDiscX) + (y - kDiscY) * (y - kDiscY) <= kRadius * kRadius)
                r.setPixel(unsigned(x), unsigned(y), 0x00FF0000u);
    return r;
}

// Region 0: the disc; 1: the background.
utPoint_c seedOf(int region) { return region == 0 ? utPoint_c(kDiscX, kDiscY) : utPoint_c(10, 10); }

double regionMPix(int region) {
    return region == 0 ? (2.0 * kRadius + 3) * (2.0 * kRadius + 3) / 1e6
                       : double(kWidth) * kHeight / 1e6;
}

size_t pointsOf(const stSketch_c& s) {
    size_t n = 0;
    for (int i = 0; i < s.entitiesCount(); ++i)
        if (const auto* spline = dynamic_cast<const stSpline_c*>(s.entityAt(i)))
            n += spline->points().size();
    return n;
}

void BM_ColoredOutlineTrace(benchmark::State& state) {
    utRasterData_c raster = drawing();
    const utPoint_c seed = seedOf(int(state.range(0)));
    stColoredOutlineAlgorithm_c algorithm;
    std::unique_ptr<stSketch_c> sketch;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        sketch.reset(algorithm.trace(&raster, &seed, 0, 0));
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (!sketch) {
            state.SkipWithError("no contour");
            return;
        }
        state.counters["contours"] = double(sketch->entitiesCount());
        state.counters["points"] = double(pointsOf(*sketch));
    }
    state.counters["MPix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    state.counters["regionMPix"] = regionMPix(int(state.range(0)));
}

long peakKB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

int traceInChild(int region) {
    utRasterData_c raster = drawing();
    const utPoint_c seed = seedOf(region);
    stColoredOutlineAlgorithm_c algorithm;
    std::unique_ptr<stSketch_c> sketch(algorithm.trace(&raster, &seed, 0, 0));
    std::printf("%ld\n", peakKB());
    return sketch && sketch->entitiesCount() > 0 ? 0 : 1;
}

void BM_ColoredOutlinePeakMemory(benchmark::State& state) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        state.SkipWithError("cannot find this program");
        return;
    }
    const std::string command =
        std::string("'") + self + "' " + kChildFlag + " " + std::to_string(state.range(0));
    long kb = 0;
    for (auto _ : state) {
        std::FILE* child = popen(command.c_str(), "r");
        if (!child || std::fscanf(child, "%ld", &kb) != 1 || pclose(child) != 0 || kb <= 0) {
            state.SkipWithError("the tracing child failed");
            return;
        }
    }
    state.counters["peakMB"] = double(kb) / 1024.0;
    state.counters["rasterMB"] = double(kWidth) * kHeight * 4 / (1024.0 * 1024.0);
    state.counters["regionMPix"] = regionMPix(int(state.range(0)));
}

BENCHMARK(BM_ColoredOutlineTrace)
    ->DenseRange(0, 1)
    ->ArgName("region")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseManualTime()
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_ColoredOutlinePeakMemory)
    ->DenseRange(0, 1)
    ->ArgName("region")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        const int region = std::atoi(argv[2]);
        if (region < 0 || region > 1) return 2;
        return traceInChild(region);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
