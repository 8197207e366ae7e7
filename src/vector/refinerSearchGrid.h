#pragma once

// What the gap search of the sketch refiner reads: a cache of every entity's vertices and a grid
// that narrows a search to the entities near its end point.

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRect.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace Vemora {

class tmpEntityInfo_c;

// Whether p lies more than reach away in x or in y from a box {minX, minY, maxX, maxY}.
inline bool outside(const utPoint_c& p, const std::array<double, 4>& box, double reach) {
    return p.x() < box[0] - reach || p.x() > box[2] + reach || p.y() < box[1] - reach ||
           p.y() > box[3] + reach;
}

inline std::array<double, 4> boxOf(const utPoint_c& u, const utPoint_c& v) {
    return {std::min(u.x(), v.x()), std::min(u.y(), v.y()), std::max(u.x(), v.x()),
            std::max(u.y(), v.y())};
}

inline bool isFinite(const utPoint_c& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// How far from an end point P a vertex or a segment foot can lie and still be within the search
// distance d, whatever the rounding of the distances measured: anything farther than this in x or
// in y is passed over unmeasured.
inline double reachOf(double d, const utPoint_c& p) {
    return d + 1.0 + 1e-9 * (std::fabs(d) + std::fabs(p.x()) + std::fabs(p.y()));
}

// ---------------------------------------------------------------------------------------------
// The search cache: what the gap search reads of every entity, kept side by side in sketch order
// (the search moves nothing, so it stays valid throughout, and neighbours in the sketch are mostly
// neighbours on the page, so one search reads few places).

class tmpSearchCache_c {
public:
    // Runs of this many vertices share one box, so that a run far from an end point is passed
    // over whole.
    static constexpr int kRun = 16;

    explicit tmpSearchCache_c(const std::vector<tmpEntityInfo_c>& infos);

    // The vertices of info i (none for an entity with fewer than two).
    const utPoint_c* vertices(size_t i) const { return &vertices_[firstVertex_[i]]; }
    int vertexCount(size_t i) const { return int(firstVertex_[i + 1] - firstVertex_[i]); }
    // The box {minX, minY, maxX, maxY} of run k of info i: its vertices and the one before them.
    // A run holding a coordinate that is not finite has an endless box, so it is never passed
    // over.
    const std::array<double, 4>* runs(size_t i) const { return &runs_[firstRun_[i]]; }
    int runCount(size_t i) const { return int(firstRun_[i + 1] - firstRun_[i]); }

    // Per info: bit 1 when its first vertex, bit 2 when its last vertex lies in a square of about
    // the given side that holds more than one end vertex per areaPerEnd.
    std::vector<unsigned char> crowdedEnds(double side, double areaPerEnd) const;

private:
    std::vector<utPoint_c> vertices_;
    std::vector<std::array<double, 4>> runs_;
    std::vector<size_t> firstVertex_;  // per info, and one past the last
    std::vector<size_t> firstRun_;
};

// ---------------------------------------------------------------------------------------------
// The candidate index: a uniform grid over the vertices of the entities that take part.
//
// A search from P at distance d can only take a vertex closer than d to P or the foot of a
// segment closer than d; an entity none of whose vertices and segments comes within reach of P
// leaves the search unchanged however its extents lie. The grid therefore holds, for every entity
// with two vertices or more, the cells its runs of vertices cover (a run that spans many cells is
// entered segment by segment, a long segment piece by piece), and a query for P returns a
// superset of the entities with a vertex or a segment within reach of P, in sketch order. The
// caller still applies the extents test, so the grid decides nothing by itself. Entities holding a
// coordinate that is not finite are returned by every query.

class tmpCandidateGrid_c {
public:
    // reach is the search distance plus its margin.
    tmpCandidateGrid_c(const std::vector<tmpEntityInfo_c>& infos, const tmpSearchCache_c& cache,
                       double reach);

    // The indices of the infos that may have a vertex or a segment within reach of p, ascending.
    void query(const utPoint_c& p, double reach, std::vector<int>& out);
    // Whether info i is worth a candidate test from p: it has two vertices or more, its extents
    // meet box and its vertices come within reach of p. Answered from copies kept side by side.
    bool mayMeet(int i, const utRect_c& box, const utPoint_c& p, double reach) const {
        return searchable_[size_t(i)] && !outside(p, vertexBox_[size_t(i)], reach) &&
               extents_[size_t(i)].intersects(box);
    }

private:
    int column(double x) const {
        const double c = std::floor((x - x0_) / cell_);
        return int(std::clamp(c, 0.0, double(columns_ - 1)));
    }
    int row(double y) const {
        const double r = std::floor((y - y0_) / cell_);
        return int(std::clamp(r, 0.0, double(rows_ - 1)));
    }
    long long cellSpan(const std::array<double, 4>& b) const {
        return (long long)(column(b[2]) - column(b[0]) + 1) *
               (long long)(row(b[3]) - row(b[1]) + 1);
    }
    // Calls f(cell) for every cell that info i covers, each cell once.
    template <class F>
    void forCells(const tmpSearchCache_c& cache, int i, F&& f);

    // A run of vertices spanning more cells than this is entered segment by segment.
    static constexpr long long kMaxCellsPerRun = 9;

    double x0_ = 0.0, y0_ = 0.0, cell_ = 1.0;
    int columns_ = 0, rows_ = 0;
    std::array<double, 4> domain_{};  // the box of every vertex entered
    std::vector<int> cellStart_;      // cell c holds members[cellStart_[c] .. cellStart_[c + 1])
    std::vector<int> members_;
    std::vector<int> cellLast_;    // while building: the last info entered into each cell
    std::vector<int> everywhere_;  // returned by every query
    std::vector<unsigned> stamp_;  // per info: the query that returned it last
    unsigned query_ = 0;
    std::vector<utRect_c> extents_;  // per info, as at construction (the search moves nothing)
    std::vector<std::array<double, 4>> vertexBox_;  // per info: the box of its vertices
    std::vector<char> searchable_;                  // per info: two vertices or more
};

}  // namespace Vemora
