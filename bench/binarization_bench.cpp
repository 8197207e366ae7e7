// Binarization of an A0 sheet at 300 dpi (9933 x 14043 pixels) by each method, timed against one
// pass of the PNG decoder over the same drawing stored as an RGB PNG: the decoder has to run
// before any binarization can, so that pass is the yardstick. The drawing is the synthetic line
// drawing of the other benchmarks; being black and white it packs tightly and decodes quickly,
// which makes the yardstick a strict one.

#include <benchmark/benchmark.h>

#include <vemora/raster/stBinarization.h>

#include <memory>

#include "imageFixtures.h"
#include "io/imageReader.h"
#include "syntheticDrawing.h"

using namespace Vemora;

namespace {

constexpr unsigned kWidth = 9933;
constexpr unsigned kHeight = 14043;
constexpr int kStrokes = 6000;

const utRasterData_c& scan() {
    static const utRasterData_c raster = vemora_bench::syntheticDrawing(kWidth, kHeight, kStrokes);
    return raster;
}

const vemora_test::Bytes& scanPng() {
    static const vemora_test::Bytes png = [] {
        const utRasterData_c& r = scan();
        vemora_test::Bytes rows(size_t(kWidth) * kHeight * 3);
        for (size_t i = 0; i < size_t(kWidth) * kHeight; ++i) {
            const uint32_t p = r.data()[i];
            rows[3 * i] = (p >> 16) & 0xFF;
            rows[3 * i + 1] = (p >> 8) & 0xFF;
            rows[3 * i + 2] = p & 0xFF;
        }
        return vemora_test::writePng(
            vemora_test::PngSpec(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, std::move(rows)));
    }();
    return png;
}

void setRate(benchmark::State& state) {
    state.counters["MPix/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PngDecode(benchmark::State& state) {
    const vemora_test::Bytes& png = scanPng();
    for (auto _ : state) {
        stDecodedImage_c image = decodeImage(png.data(), png.size(), "A0.png");
        benchmark::DoNotOptimize(image.raster.data());
        state.PauseTiming();
        image = stDecodedImage_c();
        state.ResumeTiming();
    }
    state.counters["PNG_MB"] = double(png.size()) / (1 << 20);
    setRate(state);
}

void BM_Binarization(benchmark::State& state) {
    stBinarization_c binarization;
    binarization.setMethod(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* input = new utRasterData_c(scan());
        state.ResumeTiming();
        std::unique_ptr<utRasterData_c> out(binarization.process(input));
        benchmark::DoNotOptimize(out->data());
        state.PauseTiming();
        out.reset();
        state.ResumeTiming();
    }
    state.counters["ink_percent"] = binarization.inkShare() * 100.0;
    setRate(state);
}

BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Binarization)
    ->ArgName("method")
    ->Arg(stBinarization_c::kAuto)
    ->Arg(stBinarization_c::kGlobal)
    ->Arg(stBinarization_c::kLocal)
    ->Arg(stBinarization_c::kFixed)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
