#pragma once

// The tracking internals of the sparse tracer, opened for tests and benchmarks only.

#include <vemora/spv/stSpvAlgorithm.h>

namespace Vemora {

class stSpvAlgorithmTestAccess_c {
public:
    explicit stSpvAlgorithmTestAccess_c(stSpvAlgorithm_c& algorithm) : a_(algorithm) {}

    // Raster to SPV sketch: every stroke, or the one through start.
    const stSpvSketch_c& run(utRasterData_c& raster, const utPoint_c* start = nullptr) {
        a_.prepareRun(&raster);
        a_.runTracking(start);
        return a_.spvSketch_;
    }
    // Only the preparation, for driving the steps by hand.
    void prepare(utRasterData_c& raster) { a_.prepareRun(&raster); }

    int beam(int x, int y, int direction, int maxSteps) const {
        bool edge = true;
        const int n = a_.beam(x, y, edge, direction, maxSteps);
        return edge ? -1000 : n;  // the edge flag must never be raised
    }
    bool findInitialPoint(int x, int y, stSpvPoint_c& pt, int& direction) const {
        return a_.findInitialPoint(x, y, pt, direction);
    }
    void scanRow(int row) { a_.scanRow(row); }
    void scanColumn(int col) { a_.scanColumn(col); }
    bool getTrack(stSpvTrackInfo_c& track) { return a_.getTrack(track); }
    void dropCoveredSeeds() { a_.dropCoveredSeeds(); }
    bool traceTrack(stSpvTrackInfo_c& track) { return a_.traceTrack(track); }
    void appendTrack(const stSpvTrackInfo_c& track) { a_.appendTrack(track); }
    int traceStep(int& x, int& y, int& len, int& wMinus, int& wPlus, int direction,
                  int maxSteps) const {
        return a_.traceStep(x, y, len, wMinus, wPlus, direction, maxSteps);
    }
    stSketch_c* translate(double dx, double dy) const {
        return stSpvAlgorithm_c::translateSketch(a_.spvSketch_, dx, dy);
    }
    size_t seedCount() const { return a_.seeds_.size(); }
    const stSpvSketch_c& sketch() const { return a_.spvSketch_; }
    const stPiIndexing_c& index() const { return a_.index_; }

private:
    stSpvAlgorithm_c& a_;
};

}  // namespace Vemora
