#pragma once

// The tracking of the sparse tracer driven by hand, for tests and benchmarks: a tracer's private
// implementation with its default settings, which impl() changes.

#include <vemora/spv/stSpvAlgorithm.h>

#include "spv/stSpvAlgorithmImpl.h"

namespace Vemora {

class stSpvAlgorithmTestAccess_c {
public:
    stSpvAlgorithmImpl_c& impl() { return a_; }

    // Raster to SPV sketch: every stroke, or the one through start.
    const stSpvSketch_c& run(utRasterData_c& raster, const utPoint_c* start = nullptr) {
        a_.prepareRun(&raster);
        a_.runTracking(start);
        return a_.sketch();
    }
    // Only the preparation, for driving the steps by hand.
    void prepare(utRasterData_c& raster) { a_.prepareRun(&raster); }

    bool isBlack(int x, int y) const { return a_.isBlack(x, y); }
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
    void appendTrack(const stSpvTrackInfo_c& track) { a_.appendTrack(track); }
    stSketch_c* translate(double dx, double dy) const {
        return stSpvAlgorithmImpl_c::translate(a_.sketch(), dx, dy);
    }
    size_t seedCount() const { return a_.seedCount(); }
    const stSpvSketch_c& sketch() const { return a_.sketch(); }
    const stPiCoverage_c& index() const { return a_.index(); }

private:
    stSpvAlgorithmImpl_c a_;
};

}  // namespace Vemora
