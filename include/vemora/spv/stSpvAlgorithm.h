#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/raster/stPiIndexing.h>
#include <vemora/spv/stSpvSketch.h>
#include <vemora/spv/stSpvTrackInfo.h>
#include <vemora/spv/stVectorizationParams.h>

#include <climits>
#include <memory>
#include <utility>
#include <vector>

namespace Vemora {

class stSpvAlgorithmTestAccess_c;
class utInkMask_c;
template <class Owner>
class tmpPropertyTable_c;

// Sparse pixel vectorization: finds the strokes of a black-on-white line drawing on scan lines a
// few pixels apart, follows each one in jumps of up to a length step while its width stays steady,
// and collects them as bars and polybars along the stroke centres. Pixels already explained by a
// traced stroke are known through a row interval index over the strokes' footprints.
//
// The result is a sketch of lines (strokes traced as two points) and splines through the stroke
// centres. Settings (configuration keys): "BlackLevel" 187, "LengthStepLength" 17 pixels,
// "MaxWidthDeviation" 3.0, "ScanLineThreshold" 2 pixels.
//
// Directions: 0 left (-x), 1 up (-y), 2 right (+x), 3 down (+y); y points down the raster.
class VEMORA_API stSpvAlgorithm_c : public stTracingAlgorithm_c {
public:
    stSpvAlgorithm_c();
    stSpvAlgorithm_c(const stSpvAlgorithm_c& other);
    stSpvAlgorithm_c& operator=(const stSpvAlgorithm_c& other);
    ~stSpvAlgorithm_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0.
    void fromXml(stXmlElement_c* element) override;

    // Traces the whole raster, or with start (a pixel inside the raster) only the stroke through
    // it, and returns a new sketch, owned by the caller, shifted by (dx, dy). raster must not be
    // null; it is read, not kept.
    stSketch_c* trace(utRasterData_c* raster, const utPoint_c* start, double dx,
                      double dy) override;

    // Keeps only the corner points of a polybar: a cone of half-width tolerance is opened from the
    // last corner towards each point and narrowed, and the point before the first one outside it
    // becomes the next corner. The caller owns the result.
    static stSpvPolybar_c* polygonalApproximation(const stSpvPolybar_c& polybar, double tolerance);

    // The parameter set; only its clusterization entries reach the tracing (width correction).
    const stVectorizationParams_c& params() const { return params_; }
    void setParams(const stVectorizationParams_c& params) { params_ = params; }
    int lengthStep() const { return lengthStep_; }
    void setLengthStep(int step) { lengthStep_ = step; }
    double maxWidthDeviation() const { return maxWidthDeviation_; }
    void setMaxWidthDeviation(double deviation) { maxWidthDeviation_ = deviation; }
    int scanStep() const { return scanStep_; }
    void setScanStep(int step) { scanStep_ = step; }

    int blackLevel() const { return blackLevel_; }
    // Refuses values outside 0-255 (false, level unchanged).
    bool setBlackLevel(int level);

    // Ink test: the mean of the three channels is strictly below the black level. No bounds check.
    // Only a run has a raster: outside one nothing is black.
    bool isBlack(int col, int row) const;

private:
    friend class stSpvAlgorithmTestAccess_c;
    static const tmpPropertyTable_c<stSpvAlgorithm_c>& properties();

    // ---- a run --------------------------------------------------------------------------------
    // Takes the raster (not owned) and resets the sketch, the index, the scan position and seeds.
    void prepareRun(utRasterData_c* raster);
    // Drops the run's working state and its raster.
    void endRun();
    // Traces every stroke, or only the one through start when it is given and black.
    void runTracking(const utPoint_c* start);
    // The "Vectorization..." step around the tracking; a cancel at its start traces nothing.
    void internalTrace(const utPoint_c* start);
    // A new sketch of the SPV primitives, every coordinate shifted by (dx, dy).
    static stSketch_c* translateSketch(const stSpvSketch_c& spvSketch, double dx, double dy);

    // ---- pixel beams ----------------------------------------------------------------------------
    // Steps walked from (x, y) in a direction until a white pixel, maxSteps black pixels or the
    // border; a walk of exactly one step counts 0. Direction outside 0-3: -1.
    int beam(int x, int y, bool& hitEdge, int direction, int maxSteps) const;
    int beamLeft(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamUp(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamRight(int x, int y, bool& hitEdge, int maxSteps) const;
    int beamDown(int x, int y, bool& hitEdge, int maxSteps) const;

    // ---- seeds ----------------------------------------------------------------------------------
    // The left and right (up and down) seed beams from (x, y) at once, as beam() counts them,
    // from the ink run through (x, y); the last run measured on each row and column is kept, as
    // seeds on one stroke keep asking about the same run.
    void seedBeamsAlongRow(int x, int y, int& left, int& right) const;
    void seedBeamsAlongColumn(int x, int y, int& up, int& down) const;
    // Centres a start point in the stroke covering (x, y) and picks the tracing direction along
    // its longer run. Returns false when the point is one found on a traced stroke before (so
    // it is on one still). slot, when given, receives where the later passes' results are kept
    // (-1 for none), for dropCoveredSeeds to mark that place covered.
    bool findInitialPoint(int x, int y, stSpvPoint_c& pt, int& direction,
                          int* slot = nullptr) const;
    // The passes after the first of centring, from (a, b) where the first pass moved the point;
    // g, h, hRun and vRun carry the first pass's results in and the last ones out.
    void centreFurther(int a, int b, int& g, int& h, int& hRun, int& vRun) const;
    void queueSeed(const stSpvPoint_c& seed, int direction, int slot = -1);
    void scanRow(int row);
    void scanColumn(int col);
    // What the two scans share: queues the seeds of one row (alongRow) or column.
    template <class ForEachRun, class At>
    void scanLine(int length, std::pair<int, int>& remembered, ForEachRun&& forEachRun, At&& at,
                  bool alongRow);
    // Scans rows, then columns, from the persistent scan position until a seed is queued.
    bool findTrack();
    // The most recently queued seed, scanning for more when none is queued.
    bool getTrack(stSpvTrackInfo_c& track);
    // Takes the queued seeds that lie on traced strokes out of the queue, keeping the others'
    // order.
    void dropCoveredSeeds();

    // ---- tracking -------------------------------------------------------------------------------
    bool lengthRun(int& x, int& y, int& len, int direction, int maxSteps) const;
    bool widthRun(int& x, int& y, int& wMinus, int& wPlus, int direction) const;
    // Asks for the ink bits the width beams of the next full step from (x, y) will read.
    void prefetchWidthBeams(int x, int y, int direction) const;
    // 0: a step was made; 1: stuck on a one-pixel spur.
    int traceStep(int& x, int& y, int& len, int& wMinus, int& wPlus, int direction,
                  int maxSteps) const;
    // Both passes of a track; false when the seed lies on a traced stroke or the track stays a
    // point.
    bool traceTrack(stSpvTrackInfo_c& track);
    // A bar for two points, a polybar otherwise; the caller owns it.
    stSpvPrimitive_c* createPrimitive(const stSpvTrackInfo_c& track) const;
    // Keeps a track long enough to be a stroke: its primitive joins the sketch and its footprint
    // the index.
    void appendTrack(const stSpvTrackInfo_c& track);

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
    stPiIndexing_c index_;
    int scanColumn_ = 0;
    int scanRow_ = 0;
    stSpvTrackInfo_c track_;
    // A seed waiting: the first point of a track and the direction of its forward pass. Most
    // seeds lie on strokes traced before and never become tracks.
    struct Seed {
        stSpvPoint_c point;
        int direction;
        int slot;  // its place among the centring results kept, -1 for none
    };
    std::vector<Seed> seeds_;         // used last in, first out
    std::vector<char> coveredSeeds_;  // dropCoveredSeeds' answers, kept for their memory
    int blackLevel_ = 187;
    int lengthStep_ = 17;  // pixels
    double maxWidthDeviation_ = 3.0;
    int scanStep_ = 2;  // pixels between scanned rows and between scanned columns
    stVectorizationParams_c params_;
};

}  // namespace Vemora
