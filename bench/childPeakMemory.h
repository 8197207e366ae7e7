#pragma once

// Peak memory of a trace measured in a process of its own: the benchmark program starts itself
// again with a flag, the child draws and traces and prints its figures, and the parent reads
// them, so that nothing the parent keeps for its other benchmarks counts.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vemora_bench {

constexpr const char* kChildFlag = "--trace-in-child";

// A figure of this process's /proc/self/status in kB, such as "VmHWM" (the peak resident memory
// so far) or "VmRSS" (the resident memory now); 0 when unknown.
inline long statusKB(const char* key) {
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

// The child's last word: its peak resident memory and the base it measured before drawing.
inline void printPeak(long baseKB) { std::printf("%ld %ld\n", statusKB("VmHWM"), baseKB); }

// Runs the child once per iteration with arguments size and variant and reads its peak and base
// in kB. False, with the benchmark skipped, when the child cannot be started or failed.
inline bool peakOfChild(benchmark::State& state, long size, long variant, long& peakKB,
                        long& baseKB) {
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) {
        state.SkipWithError("cannot find this program");
        return false;
    }
    const std::string command = std::string("'") + self + "' " + kChildFlag + " " +
                                std::to_string(size) + " " + std::to_string(variant);
    for (auto _ : state) {
        std::FILE* child = popen(command.c_str(), "r");
        if (!child || std::fscanf(child, "%ld %ld", &peakKB, &baseKB) != 2 || pclose(child) != 0 ||
            peakKB <= 0) {
            state.SkipWithError("the tracing child failed");
            return false;
        }
    }
    return true;
}

// main of a program whose benchmarks use a child: `PROGRAM --trace-in-child SIZE VARIANT` runs
// child(size, variant != 0) for sizes 0 .. sizes-1, anything else the benchmarks.
inline int mainWithChild(int argc, char** argv, int sizes, int (*child)(int size, bool variant)) {
    if (argc == 4 && std::strcmp(argv[1], kChildFlag) == 0) {
        const int size = std::atoi(argv[2]);
        if (size < 0 || size >= sizes) return 2;
        return child(size, std::atoi(argv[3]) != 0);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace vemora_bench
