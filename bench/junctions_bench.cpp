// Speed of the junctions processor and the gap healer on sketches of broken strokes with corners,
// crossings, splines, arcs, elliptic arcs and duplicates, with duplicates, crossings, junctions
// and gap ends looked up by scanning everything and through grids. The scans grow with the square
// of the entity count, the grids about linearly. Both must give the same sketch: each plain run
// compares its result with the grids' (counter "same", 1 when every entity is equal).
//
// Arguments: entity count, then 0 for the plain scan or 1 for the grids.

#include <vemora.h>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "junctionScene.h"
#include "plainAndGrid.h"

using namespace Vemora;

namespace {

using Sketch = std::unique_ptr<stSketch_c>;

const stSketch_c& scene(int entities) {
    static std::map<int, Sketch> scenes;
    auto it = scenes.find(entities);
    if (it == scenes.end())
        it = scenes.emplace(entities, vemora_test::junctionScene(entities)).first;
    return *it->second;
}

Sketch junctions(const stSketch_c& in, bool indexed) {
    stJunctionsProcessor_c p;
    p.setUseSpatialIndex(indexed);
    stSketch_c copy(in);
    return Sketch(p.process(&copy));
}

Sketch heal(const stSketch_c& in, bool indexed) {
    stGapHealer_c healer(4.0);
    healer.setUseSpatialIndex(indexed);
    return Sketch(healer.process(static_cast<stSketch_c*>(in.clone())));
}

bool same(const stSketch_c& a, const stSketch_c& b) {
    if (a.entitiesCount() != b.entitiesCount()) return false;
    for (int i = 0; i < a.entitiesCount(); ++i) {
        if (!a.entityAt(i)->isEqual(b.entityAt(i))) return false;
    }
    return true;
}

template <Sketch (*Run)(const stSketch_c&, bool)>
void bench(benchmark::State& state, const char* compared) {
    const int entities = int(state.range(0));
    const bool indexed = state.range(1) != 0;
    const stSketch_c& in = scene(entities);
    Sketch last;
    for (auto _ : state) {
        Sketch out = Run(in, indexed);
        state.PauseTiming();
        last = std::move(out);
        state.ResumeTiming();
    }
    const int left = last->entitiesCount();
    // The plain runs are the reference the grids must match.
    if (!indexed) state.counters["same"] = same(*last, *Run(in, true)) ? 1 : 0;
    state.SetLabel(indexed ? "grid" : compared);
    state.counters["entities"] = double(in.entitiesCount());
    state.counters["left"] = double(left);
}

void BM_JunctionsProcessor(benchmark::State& state) { bench<junctions>(state, "plain scan"); }
void BM_GapHealer(benchmark::State& state) { bench<heal>(state, "plain scan"); }

BENCHMARK(BM_JunctionsProcessor)->Apply(vemora_bench::plainAndGrid);
BENCHMARK(BM_GapHealer)->Apply(vemora_bench::plainAndGrid);
BENCHMARK(BM_JunctionsProcessor)->Apply(vemora_bench::plainOnceAtTheLargest);
BENCHMARK(BM_GapHealer)->Apply(vemora_bench::plainOnceAtTheLargest);

}  // namespace

BENCHMARK_MAIN();
