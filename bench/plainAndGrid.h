#pragma once

// The runs of a benchmark that compares a plain scan over every entity with a grid: arguments
// entity count, then 0 for the scan or 1 for the grid.

#include <benchmark/benchmark.h>

namespace vemora_bench {

// 1,000 and 10,000 entities both ways, 100,000 through the grid.
inline void plainAndGrid(benchmark::internal::Benchmark* b) {
    b->Args({1000, 0})
        ->Args({1000, 1})
        ->Args({10000, 0})
        ->Args({10000, 1})
        ->Args({100000, 1})
        ->Unit(benchmark::kMillisecond);
}

// The quadratic scan on the largest sketch takes minutes: measured once.
inline void plainOnceAtTheLargest(benchmark::internal::Benchmark* b) {
    b->Args({100000, 0})->Iterations(1)->Unit(benchmark::kMillisecond);
}

}  // namespace vemora_bench
