#pragma once

// The two engines of the sketch refiner, shared by the registered processor and the one-call
// tracer.
//
// Glossary
//   vertex      a point of an entity that the engines read and move: the two ends of a line, the
//               two ends of an arc (index 0 at its end angle), every point of a spline. Other
//               entity kinds have none and take no part.
//   end vertex  index 0 or the last index; the others are interior vertices.
//   gap         the set of vertices (and segments) found around one end vertex: the first entry is
//               the vertex searched from, the others what its search (and later searches) found.
//   link        the straight pixel walk between two points; it is visible when it crosses no more
//               white pixels than the allowance. A search admits a link from an end only when it
//               leaves that end ahead (and, to another end, enters that one ahead too) and no run
//               of paper along it is longer than the strokes at its two ends are wide; an end then
//               moves onto its gap's merge point only when that move, too, is visible.
//
// A run collects one info per entity, searches from every end vertex, computes a merge point per
// gap and then refines: gap merging moves end vertices onto the merge points, collinear linking
// lets lines and splines absorb their straight continuations. Nothing moves before the refine
// step, so entity extents stay as they were for the whole search.
//
// Vertex access is in refinerVertices.*, a run's infos and gaps in refinerGaps.h, the grid that
// narrows the search in refinerSearchGrid.*; the engines are refinerGapMerging.cpp (search, link
// walk, merge points) and refinerCollinearLinking.cpp.

#include <vemora/foundation/utGeCurve.h>
#include <vemora/foundation/utPoint.h>

#include <deque>
#include <memory>
#include <vector>

#include "vector/refinerGaps.h"
#include "vector/refinerVertices.h"

namespace Vemora {

class stSketch_c;
class utRasterData_c;
class tmpCandidateGrid_c;
class tmpSearchCache_c;

// The largest search distance the engines work with, in pixels of the raster they look at (sketch
// units divided by the smaller scale factor). A gap or a collinear continuation wider than this is
// no longer one stroke in any drawing: larger distances are taken as this one, and distances below
// zero (or not a number) as zero, which finds nothing.
constexpr double kMaxRefinerDistance = 64.0;

// Gap merging: every end vertex that found a visible neighbour moves onto its gap's merge point.
class tmpGapsRefiner_c {
public:
    // sketch and raster are not owned; a null raster is all paper. Lengths are
    // in sketch units; the link walk maps a sketch point (x, y), turned by rotationAngle (radians)
    // about rotationCentre ((0, 0) when null), to the pixel (x / scaleX - offsetX,
    // y / scaleY - offsetY). searchDistance is kept within 0 ... kMaxRefinerDistance pixels.
    tmpGapsRefiner_c(stSketch_c* sketch, const utRasterData_c* raster, int darknessThreshold,
                     int maxWhitePixelCount, double searchDistance, double scaleX, double scaleY,
                     double offsetX, double offsetY, double rotationAngle,
                     const utPoint_c* rotationCentre);
    tmpGapsRefiner_c(const tmpGapsRefiner_c&) = delete;
    tmpGapsRefiner_c& operator=(const tmpGapsRefiner_c&) = delete;
    virtual ~tmpGapsRefiner_c();

    // Collects, searches, computes the merge points, refines and finishes, on `sketch` (which
    // replaces the one given at construction).
    void run(stSketch_c* sketch);

    // Candidate entities of a search come from a grid over their vertices (the default) or from a
    // scan of every entity; both visit them in sketch order and give the same result.
    void setUseSpatialIndex(bool on) { useIndex_ = on; }
    bool useSpatialIndex() const { return useIndex_; }

    // What the last run left behind, for inspection.
    int gapCount() const { return int(gaps_.size()); }
    const tmpGapInfo_c& gapAt(int i) const { return gaps_[size_t(i)]; }
    // The search distance in use.
    double distance() const { return searchDistance(); }
    int infoCount() const { return int(infos_.size()); }
    const tmpEntityInfo_c& infoAt(int i) const { return infos_[size_t(i)]; }

protected:
    // The final step; here it moves the end vertices onto their merge points.
    virtual void refine();
    virtual void finish() {}
    virtual double searchDistance() const { return searchDistance_; }

    // d within 0 ... kMaxRefinerDistance pixels of a raster mapped by the two scales.
    static double clampedDistance(double d, double scaleX, double scaleY);
    // The absolute cosine between two directions; NaN when one of them has no length.
    static double absCos(const utVector_c& u, const utVector_c& v);
    // The direction of the entity at vertex k: into it at vertex 0, along its last piece elsewhere.
    static utVector_c directionAt(stEntity_c& entity, int k);

    // A new entry, owned by the engine until it is destroyed.
    tmpGapEntry_c* newVertexEntry(tmpEntityInfo_c* info, int index);
    tmpGapEntry_c* newEdgeEntry(tmpEntityInfo_c* info, const utGeLine_c& line);

    stSketch_c* sketch_;  // not owned
    // Made in full by collect() and not grown after, so that the pointers gaps hold stay valid.
    std::vector<tmpEntityInfo_c> infos_;
    std::deque<tmpGapInfo_c> gaps_;  // a deque: appending keeps the gaps where they are

private:
    void collect();
    void search();
    void computeMergePoints();
    void computeMergePoint(tmpGapInfo_c& gap) const;
    void searchFrom(tmpEntityInfo_c& r, int a);
    void testCandidate(tmpEntityInfo_c& r, int a, const utPoint_c& p, int si);
    bool isVisible(const utPoint_c& p, const utPoint_c& q) const;
    // The link from an end at p, whose stroke leaves it along `out`, to q, the end of a stroke
    // leaving along `qOut` (no length: q lies on a stroke, not at its end): both ends face each
    // other, and the link is visible without a run of paper longer than the strokes are wide.
    bool joins(const utPoint_c& p, const utVector_c& out, const utPoint_c& q,
               const utVector_c& qOut) const;
    // The walk of isVisible; longestRun grows to the longest run of white pixels met in a row.
    bool walk(const utPoint_c& p, const utPoint_c& q, long long& longestRun) const;
    // The width of the stroke under p in pixels: its shorter ink run along a row or a column, at
    // least 1.
    long long strokeWidthAt(const utPoint_c& p) const;
    // The pixel of a sketch point; false when it has none.
    bool pixelOf(const utPoint_c& s, long long& col, long long& row) const;
    bool isInk(long long col, long long row) const;

    const utRasterData_c* raster_;  // not owned
    int maxWhitePixelCount_;
    double searchDistance_;
    int darknessThreshold_;
    double offsetX_, offsetY_;
    double scaleX_, scaleY_;
    utPoint_c rotationCentre_;
    [[maybe_unused]] double rotationAngle_;  // radians; the walk uses its cosine and sine
    double cosAngle_, sinAngle_;

    bool useIndex_ = true;
    std::unique_ptr<tmpSearchCache_c> cache_;  // while searching
    std::unique_ptr<tmpCandidateGrid_c> grid_;
    std::vector<int> candidates_;  // scratch of one search, in sketch order
    std::deque<tmpGapVertexEntry_c> vertexEntries_;
    std::deque<tmpGapEdgeEntry_c> edgeEntries_;
};

// Collinear linking: a line (then a spline) absorbs the entities that continue it straight across
// its gaps; absorbed entities leave the sketch at the end.
class tmpLinkCollinear_c : public tmpGapsRefiner_c {
public:
    // maxDeviation is the smallest absolute cosine between two directions that still links;
    // widths of two linked lines differ at most by the factor maxWidthDeviation. linkDistance is
    // kept for callers that pass it and not used.
    tmpLinkCollinear_c(stSketch_c* sketch, double searchDistance, double linkDistance,
                       double maxDeviation, double maxWidthDeviation, double scaleX, double scaleY,
                       double offsetX, double offsetY, int maxWhitePixelCount,
                       int darknessThreshold, const utRasterData_c* raster);

protected:
    void refine() override;

private:
    void linkLine(tmpEntityInfo_c& r);
    void linkSpline(tmpEntityInfo_c& r);
    tmpEntityInfo_c* findCollinearLine(tmpEntityInfo_c& r, tmpGapInfo_c& gap) const;
    tmpEntityInfo_c* findCollinearEntity(tmpEntityInfo_c& r, tmpGapInfo_c& gap) const;
    // R's direction at the junction that gap belongs to.
    static utVector_c junctionDirection(tmpEntityInfo_c& r, const tmpGapInfo_c& gap);
    bool joinSplines(tmpEntityInfo_c& r, bool atEnd, tmpEntityInfo_c& c, int k) const;
    bool joinSplineAndLine(tmpEntityInfo_c& r, bool atEnd, tmpEntityInfo_c& c, int k) const;
    void absorb(tmpEntityInfo_c& c);
    void removeAbsorbed();

    [[maybe_unused]] double
        linkDistance_;  // kept with the settings; links are searched within the search distance
    double maxDeviation_;
    double maxWidthDeviation_;
    std::vector<tmpEntityInfo_c*> absorbedOrder_;
};

}  // namespace Vemora
