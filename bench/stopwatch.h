#pragma once

// Wall-clock seconds of one piece of work, for benchmarks that time parts of an iteration apart.

#include <chrono>
#include <functional>

namespace vemora_bench {

inline double secondsOf(const std::function<void()>& work) {
    const auto t0 = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace vemora_bench
