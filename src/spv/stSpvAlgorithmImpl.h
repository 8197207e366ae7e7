#pragma once

// The sparse tracer behind stSpvAlgorithm_c: its settings, the working state of a run and the
// tracking itself (pixel beams, the seed scan, step-by-step tracking, keeping a track).

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/spv/stSpvSketch.h>
#include <vemora/spv/stSpvTrackInfo.h>
#include <vemora/spv/stVectorizationParams.h>

#include <climits>
#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "raster/stPiCoverage.h"

namespace Vemora {

class stSketch_c;
class utInkMask_c;

class stSpvAlgorithmImpl_c {
public:
    // The configuration keys are "BlackLevel", "LengthStepLength", "MaxWidthDeviation" and
    // "ScanLineThreshold"; only the clusterization entries of the parameter set reach the tracing
    // (width correction).
    struct Settings {
        int blackLevel = 187;
        int lengthStep = 17;  // pixels
        double maxWidthDeviation = 3.0;
        int scanStep = 2;  // pixels between scanned rows and between scanned columns
        stVectorizationParams_c params;
    };
    // Told the seed scan's progress in percent; false cancels the scan.
    using Progress = std::function<bool(int)>;

    stSpvAlgorithmImpl_c();
    stSpvAlgorithmImpl_c(const stSpvAlgorithmImpl_c& other);
    stSpvAlgorithmImpl_c& operator=(const stSpvAlgorithmImpl_c& other);
    ~stSpvAlgorithmImpl_c();

    Settings settings;

    // ---- a run --------------------------------------------------------------------------------
    // Takes the raster (not null, not owned) and resets the sketch, the index, the scan position
    // and the seeds.
    void prepareRun(utRasterData_c* raster);
    // Drops the run's working state and its raster.
    void endRun();
    // Traces every stroke, or only the one through start when it is given and black. progress,
    // when given, hears the seed scan's progress.
    void runTracking(const utPoint_c* start, const Progress* progress = nullptr);
    // A new sketch of the SPV primitives, every coordinate shifted by (dx, dy).
    static stSketch_c* translate(const stSpvSketch_c& spvSketch, double dx, double dy);

    // The primitives of the last run; they stay until the next one starts.
    const stSpvSketch_c& sketch() const { return spvSketch_; }
    // Where the traced strokes lie, during a run.
    const stPiCoverage_c& index() const { return index_; }
    std::size_t seedCount() const { return seeds_.size(); }

    // The ink test of the raster of the run at the black level; outside a run nothing is black.
    bool isBlack(int col, int row) const;

    // ---- pixel beams ----------------------------------------------------------------------------
    // Steps walked from (x, y) in a direction until a white pixel, maxSteps black pixels or the
    // border; a walk of exactly one step counts 0. Direction outside 0-3: -1.
    int beam(int x, int y, bool& hitEdge, int direction, int maxSteps) const;
    int beamLeft(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamUp(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamRight(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamDown(int x, int y, bool& hitEdge, int maxSteps) const;

    // ---- seeds ----------------------------------------------------------------------------------
    // Centres a start point in the stroke covering (x, y) and picks the tracing direction along
    // its longer run. Returns false when the point is one found on a traced stroke before (so
    // it is on one still). slot, when given, receives where the later passes' results are kept
    // (-1 for none), for dropCoveredSeeds to mark that place covered.
    bool findInitialPoint(int x, int y, stSpvPoint_c& pt, int& direction,
                          int* slot = nullptr) const;
    // The seed of a stroke met by a scan at (x, y), centred only across the stroke there, so that
    // it stays where the scan met the stroke; false when it is the point given or lies on a
    // traced stroke.
    bool findLocalPoint(int x, int y, const stSpvPoint_c& centred, stSpvPoint_c& pt,
                        int& direction) const;
    void scanRow(int row);
    void scanColumn(int col);
    // Scans rows, then columns, from the persistent scan position until a seed is queued.
    bool findTrack(const Progress* progress = nullptr);
    // The most recently queued seed, scanning for more when none is queued.
    bool getTrack(stSpvTrackInfo_c& track);
    // Takes the queued seeds that lie on traced strokes out of the queue, keeping the others'
    // order.
    void dropCoveredSeeds();

    // ---- tracking -------------------------------------------------------------------------------
    bool lengthRun(int& x, int& y, int& len, int direction, int maxSteps) const;
    bool widthRun(int& x, int& y, int& wMinus, int& wPlus, int direction) const;
    // 0: a step was made; 1: stuck on a one-pixel spur.
    int traceStep(int& x, int& y, int& len, int& wMinus, int& wPlus, int direction,
                  int maxSteps) const;
    // Both passes of a track; false when the seed lies on a traced stroke or the track stays a
    // point.
    bool traceTrack(stSpvTrackInfo_c& track);
    // What the clusterization settings take off every measured width.
    int widthCorrection() const;
    // A bar for two points, a polybar otherwise; the caller owns it.
    stSpvPrimitive_c* createPrimitive(const stSpvTrackInfo_c& track) const;
    // Keeps a track long enough to be a stroke: its primitive joins the sketch and its footprint
    // the index. False when the track is too short to keep.
    bool appendTrack(const stSpvTrackInfo_c& track, int inkEnds = 0);

private:
    // The left and right (up and down) seed beams from (x, y) at once, as beam() counts them,
    // from the ink run through (x, y); the last run measured on each row and column is kept, as
    // seeds on one stroke keep asking about the same run.
    void seedBeamsAlongRow(int x, int y, int& left, int& right) const;
    void seedBeamsAlongColumn(int x, int y, int& up, int& down) const;
    // The passes after the first of centring, from (a, b) where the first pass moved the point;
    // g, h, hRun and vRun carry the first pass's results in and the last ones out.
    void centreFurther(int a, int b, int& g, int& h, int& hRun, int& vRun) const;
    void queueSeed(const stSpvPoint_c& seed, int direction, int slot, int scanX, int scanY);
    // Traces the seed taken last once more from where the scan met its stroke, when tracing its
    // centred point gave nothing.
    void retraceFromScan();
    // What the two scans share: queues the seeds of one row (alongRow) or column.
    template <class ForEachRun, class At>
    void scanLine(int length, std::pair<int, int>& remembered, ForEachRun&& forEachRun, At&& at,
                  bool alongRow);
    // Asks for the ink bits the width beams of the next full step from (x, y) will read.
    void prefetchWidthBeams(int x, int y, int direction) const;
    // The ink test answered from the run's ink mask; same answers as isBlack.
    bool inkAt(int col, int row) const;

    utRasterData_c* raster_ = nullptr;        // not owned; null outside a run
    std::shared_ptr<const utInkMask_c> ink_;  // the raster's ink bits during a run
    // Per row and per column, the last ink run a seed beam measured, [begin, end).
    mutable std::vector<std::pair<int, int>> rowRuns_;
    mutable std::vector<std::pair<int, int>> columnRuns_;
    std::vector<std::pair<int, int>> scannedRuns_;  // the closed runs of the line being scanned
    // Centring after its first pass depends only on where that pass ended and on its vertical
    // run, and the seeds of one stroke, a row or column apart, mostly end their first pass at the
    // same place: the later passes' results are kept by that place (a cache over the run's ink,
    // so it starts empty with each run).
    struct Centred {
        int a = INT_MIN, b = INT_MIN, vRunIn = 0;  // the first pass's end and vertical run
        int g = 0, h = 0, hRun = 0, vRun = 0;
        // (g, h) was found on a traced stroke; tracing only adds to the index, so it stays so.
        bool covered = false;
    };
    static constexpr std::size_t kCentredSlots = 4096;
    mutable std::vector<Centred> centred_;
    stSpvSketch_c spvSketch_;
    // Tracing asks only whether a place is traced already, never by which stroke: the covered
    // set of the row interval index is all it keeps.
    stPiCoverage_c index_;
    int scanColumn_ = 0;
    int scanRow_ = 0;
    stSpvTrackInfo_c track_;
    int inkEnds_ = 0;  // how many passes of the track traced last ended on ink
    // A seed waiting: the first point of a track and the direction of its forward pass. Most
    // seeds lie on strokes traced before and never become tracks.
    // Centring moves a seed along its stroke as well as across it, and where the stroke meets
    // another it may slide onto that one; the scan's own point is kept to start from instead.
    struct Seed {
        stSpvPoint_c point;
        int direction;
        int slot;          // its place among the centring results kept, -1 for none
        int scanX, scanY;  // where the scan met the stroke; scanX is -1 for a seed from there
    };
    std::vector<Seed> seeds_;         // used last in, first out
    Seed taken_{};                    // the seed getTrack took last
    std::vector<char> coveredSeeds_;  // dropCoveredSeeds' answers, kept for their memory
};

}  // namespace Vemora
