// Speed of the sketch refiner's two engines (gap merging, then collinear linking) on sketches of
// short broken lines over a raster drawn to match, with candidates found by scanning every entity
// and through the grid over their extents. The scan grows with the square of the entity count,
// the grid about linearly.
//
// Arguments: entity count, then 0 for the plain scan or 1 for the grid.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "brokenStrokes.h"
#include "plainAndGrid.h"
#include "vector/sketchRefinerEngines.h"

using namespace Vemora;

namespace {

const vemora_test::BrokenStrokes& scene(int entities) {
    static std::map<int, vemora_test::BrokenStrokes> scenes;
    auto it = scenes.find(entities);
    if (it == scenes.end())
        it = scenes.emplace(entities, vemora_test::brokenStrokes(entities, false)).first;
    return it->second;
}

void refine(stSketch_c& sketch, const utRasterData_c& raster, bool indexed) {
    tmpGapsRefiner_c gaps(&sketch, &raster, 197, 2, 8.0, 1, 1, 0, 0, 0, nullptr);
    gaps.setUseSpatialIndex(indexed);
    gaps.run(&sketch);
    tmpLinkCollinear_c link(&sketch, 5.0, 5.0, 0.9, 2.0, 1, 1, 0, 0, 2, 197, &raster);
    link.setUseSpatialIndex(indexed);
    link.run(&sketch);
}

void BM_SketchRefiner(benchmark::State& state) {
    const int entities = int(state.range(0));
    const bool indexed = state.range(1) != 0;
    const vemora_test::BrokenStrokes& s = scene(entities);
    int left = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<stSketch_c> sketch(static_cast<stSketch_c*>(s.sketch->clone()));
        state.ResumeTiming();
        refine(*sketch, s.raster, indexed);
        left = sketch->entitiesCount();
        state.PauseTiming();
        sketch.reset();
        state.ResumeTiming();
    }
    state.SetLabel(indexed ? "grid" : "plain scan");
    state.counters["entities"] = double(s.sketch->entitiesCount());
    state.counters["left"] = double(left);
    state.counters["us/entity"] = benchmark::Counter(
        double(s.sketch->entitiesCount()) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_SketchRefiner)->Apply(vemora_bench::plainAndGrid);
BENCHMARK(BM_SketchRefiner)->Apply(vemora_bench::plainOnceAtTheLargest);

}  // namespace

BENCHMARK_MAIN();
