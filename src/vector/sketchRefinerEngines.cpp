#include "vector/sketchRefinerEngines.h"

#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utRect.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <unordered_map>

#include "raster/inkTest.h"

namespace Vemora {

// ---------------------------------------------------------------------------------------------
// Vertices, read and moved through entity visitors

namespace {

class tmpPointCounter_c : public stEntityVisitor_c {
public:
    int count = 0;
    void visitLine(stLine_c&) override { count = 2; }
    void visitArc(stArc_c&) override { count = 2; }
    void visitSpline(stSpline_c& spline) override { count = spline.pointCount(); }
    bool enterSketch(stSketch_c&) override { return false; }
};

class tmpPointGetter_c : public stEntityVisitor_c {
public:
    explicit tmpPointGetter_c(int i) : i_(i) {}
    utPoint_c point;
    void visitLine(stLine_c& line) override { point = i_ == 0 ? line.p1() : line.p2(); }
    // Vertex 0 is the end-angle point: the arc's vertices run against its angles.
    void visitArc(stArc_c& arc) override {
        const double t = i_ == 0 ? arc.endAngle() : arc.startAngle();
        arc.pointAtAngle(t, point[0], point[1]);
    }
    void visitSpline(stSpline_c& spline) override { point = spline.pointAt(i_); }
    bool enterSketch(stSketch_c&) override { return false; }

private:
    int i_;
};

class tmpPointSetter_c : public stEntityVisitor_c {
public:
    tmpPointSetter_c(int i, const utPoint_c& p) : i_(i), p_(p) {}
    void visitLine(stLine_c& line) override {
        if (i_ == 0) {
            line.setP1(p_);
        } else {
            line.setP2(p_);
        }
    }
    void visitSpline(stSpline_c& spline) override { spline.movePointAt(i_, p_); }
    bool enterSketch(stSketch_c&) override { return false; }

private:
    int i_;
    utPoint_c p_;
};

bool isLine(stEntity_c& e) { return dynamic_cast<stLine_c*>(&e) != nullptr; }
bool isLineOrSpline(stEntity_c& e) { return isLine(e) || dynamic_cast<stSpline_c*>(&e) != nullptr; }

}  // namespace

int refinerVertexCount(stEntity_c& entity) {
    tmpPointCounter_c counter;
    entity.visit(counter);
    return counter.count;
}

utPoint_c refinerVertexAt(stEntity_c& entity, int i) {
    tmpPointGetter_c getter(i);
    entity.visit(getter);
    return getter.point;
}

void refinerMoveVertex(stEntity_c& entity, int i, const utPoint_c& p) {
    tmpPointSetter_c setter(i, p);
    entity.visit(setter);
}

// ---------------------------------------------------------------------------------------------
// Gap entries

stEntity_c* tmpGapVertexEntry_c::entity() const { return info_->entity; }

bool tmpGapVertexEntry_c::isLast() const { return refinerVertexCount(*entity()) == index_ + 1; }

bool tmpGapInfo_c::removeVertex(const tmpEntityInfo_c* info, int index) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if ((*it)->info() == info && (*it)->index() == index) {
            entries.erase(it);
            return true;
        }
    }
    return false;
}

namespace {
// Whether p lies more than reach away in x or in y from a box {minX, minY, maxX, maxY}.
bool outside(const utPoint_c& p, const std::array<double, 4>& box, double reach) {
    return p.x() < box[0] - reach || p.x() > box[2] + reach || p.y() < box[1] - reach ||
           p.y() > box[3] + reach;
}

std::array<double, 4> boxOf(const utPoint_c& u, const utPoint_c& v) {
    return {std::min(u.x(), v.x()), std::min(u.y(), v.y()), std::max(u.x(), v.x()),
            std::max(u.y(), v.y())};
}

bool isFinite(const utPoint_c& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// How far from an end point P a vertex or a segment foot can lie and still be within the search
// distance d, whatever the rounding of the distances measured: anything farther than this in x or
// in y is passed over unmeasured.
double reachOf(double d, const utPoint_c& p) {
    return d + 1.0 + 1e-9 * (std::fabs(d) + std::fabs(p.x()) + std::fabs(p.y()));
}
}  // namespace

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

tmpSearchCache_c::tmpSearchCache_c(const std::vector<tmpEntityInfo_c>& infos) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    firstVertex_.reserve(infos.size() + 1);
    firstRun_.reserve(infos.size() + 1);
    for (const tmpEntityInfo_c& info : infos) {
        firstVertex_.push_back(vertices_.size());
        firstRun_.push_back(runs_.size());
        const int n = refinerVertexCount(*info.entity);
        if (n < 2) continue;
        const size_t first = vertices_.size();
        for (int i = 0; i < n; ++i) vertices_.push_back(refinerVertexAt(*info.entity, i));
        for (int c = 0; c < n; c += kRun) {
            std::array<double, 4> box{inf, inf, -inf, -inf};
            bool finite = true;
            for (int i = std::max(c - 1, 0); i < std::min(c + kRun, n); ++i) {
                const utPoint_c& v = vertices_[first + size_t(i)];
                finite = finite && isFinite(v);
                box = {std::min(box[0], v.x()), std::min(box[1], v.y()), std::max(box[2], v.x()),
                       std::max(box[3], v.y())};
            }
            if (!finite) box = {-inf, -inf, inf, inf};
            runs_.push_back(box);
        }
    }
    firstVertex_.push_back(vertices_.size());
    firstRun_.push_back(runs_.size());
}

std::vector<unsigned char> tmpSearchCache_c::crowdedEnds(double side, double areaPerEnd) const {
    const size_t n = firstVertex_.size() - 1;
    std::vector<unsigned char> marks(n, 0);
    const auto forEnds = [&](auto&& f) {
        for (size_t i = 0; i < n; ++i) {
            const int count = vertexCount(i);
            if (count < 2) continue;
            const utPoint_c* v = vertices(i);
            if (isFinite(v[0])) f(i, 1, v[0]);
            if (isFinite(v[count - 1])) f(i, 2, v[count - 1]);
        }
    };
    constexpr double inf = std::numeric_limits<double>::infinity();
    double x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
    forEnds([&](size_t, unsigned char, const utPoint_c& p) {
        x0 = std::min(x0, p.x());
        y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x());
        y1 = std::max(y1, p.y());
    });
    if (!(x0 <= x1)) return marks;  // no end to search from

    // The box of the ends is cut into equal squares (rectangles) of one to two sides each way, so
    // that none at its border is a sliver holding too few ends to count; a box thinner than a side
    // counts as one side thick.
    struct Axis {
        double origin, step;
        uint64_t count;
        uint64_t at(double v) const {
            if (!(step > 0.0)) return 0;
            return uint64_t(std::clamp(std::floor((v - origin) / step), 0.0, double(count - 1)));
        }
    };
    const auto axis = [&](double lo, double hi) {
        const double cells = std::clamp(std::floor((hi - lo) / side), 1.0, double(1 << 30));
        return Axis{lo, (hi - lo) / cells, uint64_t(cells)};
    };
    const Axis ax = axis(x0, x1), ay = axis(y0, y1);
    const double area = std::max(ax.step, side) * std::max(ay.step, side);
    std::unordered_map<uint64_t, double> ends;
    ends.reserve(n / 64 + 16);
    const auto key = [&](const utPoint_c& p) { return ax.at(p.x()) << 32 | ay.at(p.y()); };
    forEnds([&](size_t, unsigned char, const utPoint_c& p) { ends[key(p)] += 1.0; });
    forEnds([&](size_t i, unsigned char bit, const utPoint_c& p) {
        if (ends[key(p)] * areaPerEnd > area) marks[i] |= bit;
    });
    return marks;
}

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

template <class F>
void tmpCandidateGrid_c::forCells(const tmpSearchCache_c& cache, int i, F&& f) {
    const auto enter = [&](const std::array<double, 4>& b) {
        const int c1 = column(b[0]), c2 = column(b[2]), r1 = row(b[1]), r2 = row(b[3]);
        for (int y = r1; y <= r2; ++y) {
            for (int x = c1; x <= c2; ++x) {
                const size_t c = size_t(y) * size_t(columns_) + size_t(x);
                if (cellLast_[c] == i) continue;
                cellLast_[c] = i;
                f(c);
            }
        }
    };
    const utPoint_c* v = cache.vertices(size_t(i));
    const int n = cache.vertexCount(size_t(i));
    constexpr int k = tmpSearchCache_c::kRun;
    for (int chunk = 0; chunk < cache.runCount(size_t(i)); ++chunk) {
        const std::array<double, 4>& box = cache.runs(size_t(i))[chunk];
        if (cellSpan(box) <= kMaxCellsPerRun) {
            enter(box);
            continue;
        }
        // The segments of the run (with the one into it); a long one in pieces of about a cell.
        const int first = std::max(chunk * k - 1, 0), last = std::min(chunk * k + k, n);
        for (int j = first; j + 1 < last; ++j) {
            const utPoint_c a = v[size_t(j)], b = v[size_t(j + 1)];
            const double along = std::max(std::fabs(b.x() - a.x()), std::fabs(b.y() - a.y()));
            const int pieces = int(std::min(std::ceil(along / cell_), 65536.0 * 4));
            utPoint_c from = a;
            for (int t = 1; t <= pieces; ++t) {
                const utPoint_c to = t == pieces ? b : a + (b - a) * (double(t) / pieces);
                enter(boxOf(from, to));
                from = to;
            }
            if (pieces < 1) enter(boxOf(a, b));
        }
    }
}

tmpCandidateGrid_c::tmpCandidateGrid_c(const std::vector<tmpEntityInfo_c>& infos,
                                       const tmpSearchCache_c& cache, double reach)
    : stamp_(infos.size(), 0u) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<int> placed;
    std::vector<double> sizes;
    domain_ = {inf, inf, -inf, -inf};
    extents_.reserve(infos.size());
    vertexBox_.reserve(infos.size());
    searchable_.reserve(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        extents_.push_back(infos[i].entity->extents());
        searchable_.push_back(cache.vertexCount(i) >= 2);
        const std::array<double, 4>* runs = cache.runs(i);
        std::array<double, 4> box{inf, inf, -inf, -inf};
        for (int k = 0; k < cache.runCount(i); ++k) {
            const std::array<double, 4>& b = runs[k];
            box = {std::min(box[0], b[0]), std::min(box[1], b[1]), std::max(box[2], b[2]),
                   std::max(box[3], b[3])};
        }
        vertexBox_.push_back(box);
        if (!searchable_.back()) continue;  // never a candidate
        if (!(std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) &&
              std::isfinite(box[3]))) {
            everywhere_.push_back(int(i));
            continue;
        }
        placed.push_back(int(i));
        domain_ = {std::min(domain_[0], box[0]), std::min(domain_[1], box[1]),
                   std::max(domain_[2], box[2]), std::max(domain_[3], box[3])};
        for (int k = 0; k < cache.runCount(i); ++k)
            sizes.push_back(std::max(runs[k][2] - runs[k][0], runs[k][3] - runs[k][1]));
    }
    if (placed.empty()) return;

    // Cells about the size of a typical run of vertices, and no smaller than the reach of a query,
    // so that most runs and most queries touch a handful of cells; never many more cells than
    // runs.
    std::nth_element(sizes.begin(), sizes.begin() + long(sizes.size() / 2), sizes.end());
    double cell = std::max(sizes[sizes.size() / 2], reach);
    const double w = std::max(domain_[2] - domain_[0], 1e-9);
    const double h = std::max(domain_[3] - domain_[1], 1e-9);
    const double maxCells = 4.0 * double(sizes.size()) + 64.0;
    if (!(cell > 0.0) || (w / cell) * (h / cell) > maxCells) cell = std::sqrt(w * h / maxCells);
    cell = std::max({cell, w / 65536.0, h / 65536.0, 1e-9});
    cell_ = cell;
    x0_ = domain_[0];
    y0_ = domain_[1];
    columns_ = int(std::min(w / cell, 65536.0)) + 1;
    rows_ = int(std::min(h / cell, 65536.0)) + 1;

    // Two passes: count per cell, then fill (a compact layout for millions of entries). Infos are
    // entered in ascending order, so every cell lists its members in sketch order.
    const size_t cells = size_t(columns_) * size_t(rows_);
    cellStart_.assign(cells + 1, 0);
    cellLast_.assign(cells, -1);
    for (int i : placed) forCells(cache, i, [&](size_t c) { ++cellStart_[c + 1]; });
    for (size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    members_.resize(size_t(cellStart_[cells]));
    std::vector<int> fill(cellStart_.begin(), cellStart_.end() - 1);
    cellLast_.assign(cells, -1);
    for (int i : placed) {
        forCells(cache, i, [&](size_t c) { members_[size_t(fill[c]++)] = i; });
    }
    cellLast_ = {};
}

void tmpCandidateGrid_c::query(const utPoint_c& p, double reach, std::vector<int>& out) {
    out.clear();
    if (++query_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0u);
        query_ = 1;
    }
    if (columns_ > 0 && !outside(p, domain_, reach)) {
        const int c1 = column(p.x() - reach), c2 = column(p.x() + reach);
        const int r1 = row(p.y() - reach), r2 = row(p.y() + reach);
        for (int y = r1; y <= r2; ++y) {
            for (int x = c1; x <= c2; ++x) {
                const size_t c = size_t(y) * size_t(columns_) + size_t(x);
                for (int k = cellStart_[c]; k < cellStart_[c + 1]; ++k) {
                    const int i = members_[size_t(k)];
                    if (stamp_[size_t(i)] != query_) {
                        stamp_[size_t(i)] = query_;
                        out.push_back(i);
                    }
                }
            }
        }
    }
    // Sketch order, as a scan over every entity would meet them.
    std::sort(out.begin(), out.end());
    if (!everywhere_.empty()) {
        const size_t middle = out.size();
        out.insert(out.end(), everywhere_.begin(), everywhere_.end());
        std::inplace_merge(out.begin(), out.begin() + long(middle), out.end());
    }
}

// ---------------------------------------------------------------------------------------------
// The gap-merging engine

tmpGapsRefiner_c::tmpGapsRefiner_c(stSketch_c* sketch, const utRasterData_c* raster,
                                   int darknessThreshold, int maxWhitePixelCount,
                                   double searchDistance, double scaleX, double scaleY,
                                   double offsetX, double offsetY, double rotationAngle,
                                   const utPoint_c* rotationCentre)
    : sketch_(sketch),
      raster_(raster),
      maxWhitePixelCount_(maxWhitePixelCount),
      searchDistance_(clampedDistance(searchDistance, scaleX, scaleY)),
      darknessThreshold_(darknessThreshold),
      offsetX_(offsetX),
      offsetY_(offsetY),
      scaleX_(scaleX),
      scaleY_(scaleY),
      rotationCentre_(rotationCentre ? *rotationCentre : utPoint_c(0.0, 0.0)),
      rotationAngle_(rotationAngle),
      cosAngle_(std::cos(rotationAngle)),
      sinAngle_(std::sin(rotationAngle)) {}

tmpGapsRefiner_c::~tmpGapsRefiner_c() = default;

double tmpGapsRefiner_c::clampedDistance(double d, double scaleX, double scaleY) {
    // The bound holds in pixels; scales that map no pixel onto a positive length leave it as it
    // is. Whatever the scale, it stays far below the search's "nothing found yet" of 1e99.
    const double scale = std::min(scaleX, scaleY);
    const double pixel = std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
    const double limit = std::min(kMaxRefinerDistance * pixel, 1e90);
    if (!(d > 0.0)) return 0.0;
    return std::min(d, limit);
}

tmpGapEntry_c* tmpGapsRefiner_c::newVertexEntry(tmpEntityInfo_c* info, int index) {
    return &vertexEntries_.emplace_back(info, index);
}

tmpGapEntry_c* tmpGapsRefiner_c::newEdgeEntry(tmpEntityInfo_c* info, const utGeLine_c& line) {
    return &edgeEntries_.emplace_back(info, line);
}

void tmpGapsRefiner_c::run(stSketch_c* sketch) {
    sketch_ = sketch;
    collect();
    search();
    computeMergePoints();
    refine();
    finish();
}

void tmpGapsRefiner_c::collect() {
    infos_.clear();
    if (!sketch_) return;
    infos_.reserve(size_t(sketch_->entitiesCount()));
    for (int i = 0; i < sketch_->entitiesCount(); ++i) {
        infos_.emplace_back(sketch_->entityAt(i));
    }
}

// Speckle fields. Scanned noise, a screened or textured area traces into specks packed a few
// pixels apart: every end there has dozens of specks within the search distance, the search
// would weigh each of them and cost many times the tracing itself, and there is no broken stroke
// to join. Ends in a square of about kSpeckleSquare pixels that holds more than one end per
// kSpeckleArea square pixels are therefore not searched from (they can still be found from ends
// outside). Drawings stay well below that density: a dense A0 sheet reaches a third of it, small
// lettering set line on line about half.
namespace {
constexpr double kSpeckleSquare = 64.0;  // pixels
constexpr double kSpeckleArea = 20.0;    // square pixels
}  // namespace

void tmpGapsRefiner_c::search() {
    gaps_.clear();
    vertexEntries_.clear();
    edgeEntries_.clear();
    // Nothing lies closer than a distance of zero: every search would come back empty.
    const bool searching = searchDistance() > 0.0;
    // Built once: the search moves nothing, so the vertices it indexes stay valid throughout.
    grid_.reset();
    std::vector<unsigned char> crowded;
    if (searching) {
        cache_ = std::make_unique<tmpSearchCache_c>(infos_);
        if (useIndex_)
            grid_ = std::make_unique<tmpCandidateGrid_c>(infos_, *cache_, searchDistance() + 1.0);
        const double scale = std::min(scaleX_, scaleY_);
        const double pixel = std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
        crowded = cache_->crowdedEnds(kSpeckleSquare * pixel, kSpeckleArea * pixel * pixel);
    }
    for (size_t i = 0; i < infos_.size(); ++i) {
        tmpEntityInfo_c& info = infos_[i];
        const int n = refinerVertexCount(*info.entity);
        if (n < 2) continue;
        if (!info.startSearched) {
            if (searching && !(crowded[i] & 1)) searchFrom(info, 0);
            info.startSearched = true;
        }
        if (!info.endSearched) {
            if (searching && !(crowded[i] & 2)) searchFrom(info, n - 1);
            info.endSearched = true;
        }
    }
    grid_.reset();
    cache_.reset();
}

namespace {
// The candidate rule itself, for the scan over every entity.
bool candidateFor(tmpEntityInfo_c& s, const utRect_c& box) {
    return s.entity->extents().intersects(box) && refinerVertexCount(*s.entity) >= 2;
}
}  // namespace

void tmpGapsRefiner_c::searchFrom(tmpEntityInfo_c& r, int a) {
    const utPoint_c p = refinerVertexAt(*r.entity, a);
    // No distance to a point without finite coordinates is below the search distance.
    if (!isFinite(p)) return;
    const double d = searchDistance();
    const utRect_c box(p, 2.0 * d);
    if (grid_) {
        const double reach = reachOf(d, p);
        grid_->query(p, reach, candidates_);
        for (int i : candidates_) {
            if (grid_->mayMeet(i, box, p, reach)) testCandidate(r, a, p, i);
        }
        return;
    }
    for (size_t i = 0; i < infos_.size(); ++i) {
        if (candidateFor(infos_[i], box)) testCandidate(r, a, p, int(i));
    }
}

// Pairs vertex a of R (at p) with the nearest visible vertex of each run of S's vertices within
// the search distance, or else with the nearest visible foot on one of S's segments.
void tmpGapsRefiner_c::testCandidate(tmpEntityInfo_c& r, int a, const utPoint_c& p, int si) {
    tmpEntityInfo_c& s = infos_[size_t(si)];
    const double d = searchDistance();
    tmpGapInfo_c* g = a == 0 ? r.startGap : r.endGap;
    auto ensureGap = [&] {
        if (g) return;
        g = &gaps_.emplace_back();
        g->append(newVertexEntry(&r, a));
        (a == 0 ? r.startGap : r.endGap) = g;
    };

    double best = 1e99;
    int b = -1;
    bool inRun = false;
    double bestLine = 1e99;
    utGeLine_c bestEdge;
    const utPoint_c* vertices = cache_->vertices(size_t(si));
    const std::array<double, 4>* runs = cache_->runs(size_t(si));
    const int n = cache_->vertexCount(size_t(si));
    utPoint_c previous;
    // Vertices and segments farther than `reach` from p in x or in y lie beyond the search
    // distance whatever the rounding, so they are passed over without measuring them: outside a
    // run such a vertex changes nothing, and a segment that far could only give an edge too far
    // to be taken.
    const double reach = reachOf(d, p);
    constexpr int chunk = tmpSearchCache_c::kRun;
    for (int i = 0; i < n; ++i) {
        if (!inRun && i % chunk == 0 && outside(p, runs[i / chunk], reach)) {
            // A whole run of vertices, with the segment into it, far from p.
            i = std::min(i + chunk, n) - 1;
            previous = vertices[size_t(i)];
            continue;
        }
        const utPoint_c v = vertices[size_t(i)];
        // One vertex far from p, with the segment into it (the first vertex is never in a run).
        if (!inRun && outside(p, boxOf(v, i > 0 ? previous : v), reach)) {
            previous = v;
            continue;
        }
        const double delta = (p - v).length();
        if (inRun) {
            // An end vertex of S, once chosen, stays the best for the rest of the run.
            if (delta < best && b != 0 && b != n - 1 && isVisible(p, v)) {
                best = delta;
                b = i;
            }
            if (d < delta) {
                if (b != -1 && !(&s == &r && b == a)) {
                    ensureGap();
                    g->append(newVertexEntry(&s, b));
                    if (b == 0 && s.endGap != g) s.startGap = g;
                    if (b == n - 1 && b != 0 && s.startGap != g) s.endGap = g;
                }
                best = 1e99;
                b = -1;
                inRun = false;
            }
        } else if (delta < d) {
            if (isVisible(p, v)) {
                best = delta;
                b = i;
            }
            inRun = true;
        }
        if (i > 0) {
            const utVector_c step = v - previous;
            const double length = step.length();
            if (length > 0.0) {
                const utGeLine_c line(previous, step);  // normal (-dy, dx) / length
                const double t = ((p - previous) * step) / length;
                const double e = std::fabs(line.signedDistance(p));
                if (t > 0.0 && t < length && e < bestLine) {
                    const utPoint_c foot = line.project(p);
                    if (isVisible(p, foot)) {
                        bestLine = e;
                        bestEdge = line;
                    }
                }
            }
        }
        previous = v;
    }

    if (inRun && best < d && best <= bestLine && b != -1) {
        if (&s == &r && b == a) return;
        ensureGap();
        g->append(newVertexEntry(&s, b));
        if (b == 0) {
            s.startGap = g;
        } else if (b == n - 1) {
            s.endGap = g;
        }
        return;
    }
    if (bestLine < d) {
        ensureGap();
        g->append(newEdgeEntry(&s, bestEdge));
    }
}

// ---------------------------------------------------------------------------------------------
// Visibility: a Bresenham walk over the raster between the two points

bool tmpGapsRefiner_c::isInk(long long col, long long row) const {
    if (!raster_ || col < 0 || row < 0 || col >= (long long)raster_->width() ||
        row >= (long long)raster_->height()) {
        return false;
    }
    return Vemora::isInk(raster_->pixel(unsigned(col), unsigned(row)), darknessThreshold_);
}

namespace {
// Pixel coordinates far outside any raster still walk the same way; the clamp only keeps the
// conversion to an integer defined.
long long toPixel(double v) {
    constexpr double kLimit = 1e12;
    return (long long)std::trunc(std::clamp(v, -kLimit, kLimit));
}
}  // namespace

bool tmpGapsRefiner_c::isVisible(const utPoint_c& p, const utPoint_c& q) const {
    const auto pixelOf = [&](const utPoint_c& s, long long& col, long long& row) {
        const double dx = s.x() - rotationCentre_.x(), dy = s.y() - rotationCentre_.y();
        const double x = rotationCentre_.x() + cosAngle_ * dx - sinAngle_ * dy;
        const double y = rotationCentre_.y() + sinAngle_ * dx + cosAngle_ * dy;
        const double c = x / scaleX_ - offsetX_, r = y / scaleY_ - offsetY_;
        if (std::isnan(c) || std::isnan(r)) return false;
        col = toPixel(c);
        row = toPixel(r);
        return true;
    };
    long long col, row, col1, row1;
    if (!pixelOf(p, col, row) || !pixelOf(q, col1, row1)) return false;

    const long long t = std::llabs(col1 - col), u = std::llabs(row1 - row);
    const long long stepCol = col1 - col < 0 ? -1 : 1, stepRow = row1 - row < 0 ? -1 : 1;
    long long white = 0;
    // False once the white pixels met exceed the allowance.
    const auto pass = [&](long long c, long long r) {
        if (isInk(c, r)) return true;
        return ++white <= maxWhitePixelCount_;
    };
    if (u < t) {  // x is the major axis
        long long v = 2 * u - t;
        for (;;) {
            if (!pass(col, row)) return false;
            if (col == col1) return true;
            const bool up = v >= 0;
            if (up) row += stepRow;
            v += 2 * u - (up ? 2 * t : 0);
            col += stepCol;
        }
    }
    long long v = 2 * t - u;
    for (;;) {
        if (!pass(col, row)) return false;
        if (row == row1) return true;
        row += stepRow;
        const bool up = v >= 0;
        if (up) col += stepCol;
        v += 2 * t - (up ? 2 * u : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Merge points

utVector_c tmpGapsRefiner_c::directionAt(stEntity_c& entity, int k) {
    if (k == 0) return refinerVertexAt(entity, 1) - refinerVertexAt(entity, 0);
    return refinerVertexAt(entity, k) - refinerVertexAt(entity, k - 1);
}

double tmpGapsRefiner_c::absCos(const utVector_c& u, const utVector_c& v) {
    if (u.length2() == 0.0 || v.length2() == 0.0) return std::nan("");  // compares false with all
    return std::fabs(u.cosAlpha(v));
}

namespace {

// Sorts a gap's entries: end vertices (direction and point), interior points, edge lines.
class tmpGapInfoProcessor_c : public tmpGapEntryVisitor_c {
public:
    std::vector<utVector_c> endDirections;
    std::vector<utPoint_c> endPoints;
    std::vector<utPoint_c> interiorPoints;
    std::vector<utGeLine_c> edgeLines;

    void visitVertex(tmpGapVertexEntry_c& entry) override {
        stEntity_c& e = *entry.entity();
        if (entry.isFirst() || entry.isLast()) {
            const int k = entry.index();
            endDirections.push_back(k == 0 ? refinerVertexAt(e, 1) - refinerVertexAt(e, 0)
                                           : refinerVertexAt(e, k) - refinerVertexAt(e, k - 1));
            endPoints.push_back(refinerVertexAt(e, k));
        } else {
            interiorPoints.push_back(refinerVertexAt(e, entry.index()));
        }
    }
    void visitEdge(tmpGapEdgeEntry_c& entry) override { edgeLines.push_back(entry.line()); }
};

// The crossing of the line through p along u with the line through q along v; false when the two
// are (nearly) parallel or a direction has no length.
bool crossTangents(const utPoint_c& p, const utVector_c& u, const utPoint_c& q, const utVector_c& v,
                   utPoint_c& out) {
    if (u.length2() == 0.0 || v.length2() == 0.0) return false;
    return intersect(utGeLine_c(p, u), utGeLine_c(q, v), &out) == 3;
}

}  // namespace

void tmpGapsRefiner_c::computeMergePoints() {
    for (auto& gap : gaps_) computeMergePoint(gap);
}

void tmpGapsRefiner_c::computeMergePoint(tmpGapInfo_c& gap) const {
    constexpr double kParallelCos = 0.82;
    tmpGapInfoProcessor_c sorted;
    for (auto& entry : gap.entries) entry->accept(sorted);
    const auto& dirs = sorted.endDirections;
    const auto& ends = sorted.endPoints;

    // 1. A segment: where the end vertices' tangents cross the first one, on average.
    if (!sorted.edgeLines.empty()) {
        const utGeLine_c& edge = sorted.edgeLines.front();
        double sx = 0.0, sy = 0.0;
        int found = 0;
        for (size_t i = 0; i < ends.size(); ++i) {
            // A direction without length has no tangent: that vertex is skipped like a parallel
            // one.
            if (dirs[i].length2() == 0.0) continue;
            const utGeLine_c tangent(ends[i], dirs[i]);
            const double det = tangent.a() * edge.b() - tangent.b() * edge.a();
            if (!(std::fabs(det) >= 1e-10)) continue;
            utPoint_c x;
            if (intersect(tangent, edge, &x) != 3) continue;
            sx += x.x();
            sy += x.y();
            ++found;
        }
        if (found > 0) {
            gap.mergePoint = utPoint_c(sx / found, sy / found);
        } else if (!ends.empty()) {
            gap.mergePoint = ends.front();
        }
        return;
    }
    // 2. Two ends: the second one when they run alike, else where their tangents cross.
    if (ends.size() == 2) {
        gap.mergePoint = ends[1];
        if (absCos(dirs[0], dirs[1]) < kParallelCos) {
            crossTangents(ends[0], dirs[0], ends[1], dirs[1], gap.mergePoint);
        }
        return;
    }
    // 3. An interior vertex is where the others join.
    if (!sorted.interiorPoints.empty()) {
        gap.mergePoint = sorted.interiorPoints.front();
        return;
    }
    // 4. The pair of ends that crosses most steeply.
    if (ends.empty()) return;
    double smallest = 1.0;
    size_t pi = 0, pj = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        for (size_t j = i + 1; j < ends.size(); ++j) {
            const double c = absCos(dirs[i], dirs[j]);
            if (c < smallest) {
                smallest = c;
                pi = i;
                pj = j;
            }
        }
    }
    gap.mergePoint = ends[pi];
    if (smallest < kParallelCos)
        crossTangents(ends[pi], dirs[pi], ends[pj], dirs[pj], gap.mergePoint);
}

void tmpGapsRefiner_c::refine() {
    for (auto& info : infos_) {
        stEntity_c& e = *info.entity;
        if (info.startGap) refinerMoveVertex(e, 0, info.startGap->mergePoint);
        if (info.endGap) refinerMoveVertex(e, refinerVertexCount(e) - 1, info.endGap->mergePoint);
    }
}

// ---------------------------------------------------------------------------------------------
// Collinear linking

tmpLinkCollinear_c::tmpLinkCollinear_c(stSketch_c* sketch, double searchDistance,
                                       double linkDistance, double maxDeviation,
                                       double maxWidthDeviation, double scaleX, double scaleY,
                                       double offsetX, double offsetY, int maxWhitePixelCount,
                                       int darknessThreshold, const utRasterData_c* raster)
    : tmpGapsRefiner_c(sketch, raster, darknessThreshold, maxWhitePixelCount, searchDistance,
                       scaleX, scaleY, offsetX, offsetY, 0.0, nullptr),
      linkDistance_(linkDistance),
      maxDeviation_(maxDeviation),
      maxWidthDeviation_(maxWidthDeviation) {}

void tmpLinkCollinear_c::refine() {
    absorbedOrder_.clear();
    for (auto& info : infos_) {
        if (!info.absorbed && isLine(*info.entity)) linkLine(info);
    }
    for (auto& info : infos_) {
        if (info.absorbed || refinerVertexCount(*info.entity) <= 2) continue;
        linkSpline(info);
        info.absorbed = true;  // processed: no later spline may absorb it
    }
    removeAbsorbed();
}

void tmpLinkCollinear_c::absorb(tmpEntityInfo_c& c) {
    c.absorbed = true;
    absorbedOrder_.push_back(&c);
}

// Removing entities one by one would search and re-measure the sketch for each of them. The first
// removal grows the sketch's extents by every other entity; the later ones cannot grow them
// further, so the rest are dropped in one pass with the same result.
void tmpLinkCollinear_c::removeAbsorbed() {
    if (absorbedOrder_.empty() || !sketch_) return;
    stEntity_c* const first = absorbedOrder_.front()->entity;
    sketch_->eraseEntity(first);
    delete first;
    if (absorbedOrder_.size() == 1) return;

    std::vector<stEntity_c*> gone;
    gone.reserve(absorbedOrder_.size() - 1);
    for (size_t i = 1; i < absorbedOrder_.size(); ++i) gone.push_back(absorbedOrder_[i]->entity);
    std::sort(gone.begin(), gone.end());
    std::vector<stEntity_c*> kept;
    kept.reserve(size_t(sketch_->entitiesCount()));
    for (int i = 0; i < sketch_->entitiesCount(); ++i) {
        stEntity_c* e = sketch_->entityAt(i);
        if (!std::binary_search(gone.begin(), gone.end(), e)) kept.push_back(e);
    }
    sketch_->removeAll();  // ownership of every entity is ours until re-added or deleted
    for (stEntity_c* e : kept) sketch_->addEntity(e);
    for (size_t i = 1; i < absorbedOrder_.size(); ++i) delete absorbedOrder_[i]->entity;
}

utVector_c tmpLinkCollinear_c::junctionDirection(tmpEntityInfo_c& r, const tmpGapInfo_c& gap) {
    stEntity_c& e = *r.entity;
    if (&gap == r.startGap) return directionAt(e, 0);
    return directionAt(e, refinerVertexCount(e) - 1);
}

tmpEntityInfo_c* tmpLinkCollinear_c::findCollinearLine(tmpEntityInfo_c& r,
                                                       tmpGapInfo_c& gap) const {
    // The best straight continuation of R among the line ends of the gap.
    class tmpJunctionProcessor_c : public tmpGapEntryVisitor_c {
    public:
        tmpJunctionProcessor_c(tmpEntityInfo_c& r, const utVector_c& direction, double maxDeviation,
                               double maxWidthDeviation)
            : r_(r),
              direction_(direction),
              maxDeviation_(maxDeviation),
              maxWidthDeviation_(maxWidthDeviation) {}
        tmpEntityInfo_c* result = nullptr;

        void visitVertex(tmpGapVertexEntry_c& entry) override {
            tmpEntityInfo_c* info = entry.info();
            if (info->absorbed || info == &r_ || !(entry.isFirst() || entry.isLast())) return;
            if (!isLine(*entry.entity())) return;
            const double c = absCos(direction_, directionAt(*entry.entity(), entry.index()));
            const double w = entry.entity()->attributes().width() / r_.entity->attributes().width();
            if (c > maxDeviation_ && 1.0 / maxWidthDeviation_ < w && w < maxWidthDeviation_ &&
                c > best_) {
                best_ = c;
                result = info;
            }
        }
        void visitEdge(tmpGapEdgeEntry_c&) override {}

    private:
        tmpEntityInfo_c& r_;
        utVector_c direction_;
        double maxDeviation_, maxWidthDeviation_;
        double best_ = 0.0;
    };
    tmpJunctionProcessor_c processor(r, junctionDirection(r, gap), maxDeviation_,
                                     maxWidthDeviation_);
    for (auto& entry : gap.entries) entry->accept(processor);
    return processor.result;
}

tmpEntityInfo_c* tmpLinkCollinear_c::findCollinearEntity(tmpEntityInfo_c& r,
                                                         tmpGapInfo_c& gap) const {
    // The end of the gap that continues R most nearly straight, with no thresholds.
    class tmpJunctionProcessor_c : public tmpGapEntryVisitor_c {
    public:
        tmpJunctionProcessor_c(tmpEntityInfo_c& r, const utVector_c& direction)
            : r_(r), direction_(direction) {}
        tmpEntityInfo_c* result = nullptr;
        int vertices = 0;
        int edges = 0;

        void visitVertex(tmpGapVertexEntry_c& entry) override {
            tmpEntityInfo_c* info = entry.info();
            if (info->absorbed || info == &r_) return;
            ++vertices;
            if (!(entry.isFirst() || entry.isLast())) return;
            // Only lines and splines are absorbed; an arc end is counted but never taken.
            if (!isLineOrSpline(*entry.entity())) return;
            const double c = absCos(direction_, directionAt(*entry.entity(), entry.index()));
            if (c > best_) {
                best_ = c;
                result = info;
            }
        }
        void visitEdge(tmpGapEdgeEntry_c&) override { ++edges; }

    private:
        tmpEntityInfo_c& r_;
        utVector_c direction_;
        double best_ = 0.0;
    };
    tmpJunctionProcessor_c processor(r, junctionDirection(r, gap));
    for (auto& entry : gap.entries) entry->accept(processor);
    if (processor.result || processor.vertices != 2 || gap.entries.empty()) return processor.result;

    tmpEntityInfo_c* fallback = gap.entries.front()->info();
    if (fallback == &r) fallback = gap.entries.size() > 1 ? gap.entries[1]->info() : nullptr;
    // The fallback must name another live line or spline: absorbing R itself or an entity absorbed
    // before would delete it twice.
    if (!fallback || fallback == &r || fallback->absorbed || !isLineOrSpline(*fallback->entity)) {
        return nullptr;
    }
    return fallback;
}

void tmpLinkCollinear_c::linkLine(tmpEntityInfo_c& r) {
    auto* line = static_cast<stLine_c*>(r.entity);
    const double d = searchDistance();
    for (int side = 0; side < 2; ++side) {
        const bool atEnd = side == 1;
        tmpGapInfo_c* g = atEnd ? r.endGap : r.startGap;
        while (g) {
            tmpEntityInfo_c* c = findCollinearLine(r, *g);
            if (!c) break;
            auto* other = static_cast<stLine_c*>(c->entity);
            const bool cAtFirst = g == c->startGap;
            const utPoint_c farR = atEnd ? line->p1() : line->p2();
            const utPoint_c joinR = atEnd ? line->p2() : line->p1();
            const utPoint_c farC = cAtFirst ? other->p2() : other->p1();
            const utPoint_c joinC = cAtFirst ? other->p1() : other->p2();
            // Both junction ends must lie near the line through the two far ends; one point fixes
            // no line, and nothing links.
            if ((farC - farR).length2() == 0.0) break;
            const utGeLine_c through(farR, farC - farR);
            if (!(through.distance(joinR) < d && through.distance(joinC) < d)) break;
            if (atEnd) {
                line->setP2(farC);
            } else {
                line->setP1(farC);
            }
            const int rIndex = atEnd ? 1 : 0;
            g->removeVertex(&r, rIndex);
            g->removeVertex(c, cAtFirst ? 0 : 1);
            tmpGapInfo_c* next = cAtFirst ? c->endGap : c->startGap;
            (atEnd ? r.endGap : r.startGap) = next;
            if (next) {
                next->removeVertex(c, cAtFirst ? 1 : 0);
                next->append(newVertexEntry(&r, rIndex));
            }
            absorb(*c);
            g = next;
        }
    }
}

void tmpLinkCollinear_c::linkSpline(tmpEntityInfo_c& r) {
    for (int side = 0; side < 2; ++side) {
        const bool atEnd = side == 1;
        tmpGapInfo_c* g = atEnd ? r.endGap : r.startGap;
        while (g) {
            // Recomputed on every turn: absorbing a spline at the end adds points.
            const int junction = atEnd ? refinerVertexCount(*r.entity) - 1 : 0;
            tmpEntityInfo_c* c = findCollinearEntity(r, *g);
            if (!c) break;
            const int m = refinerVertexCount(*c->entity);
            const int k = g == c->startGap ? 0 : m - 1;
            const bool joined =
                m > 2 ? joinSplines(r, atEnd, *c, k) : joinSplineAndLine(r, atEnd, *c, k);
            if (!joined) break;
            const int n = refinerVertexCount(*r.entity);
            g->removeVertex(&r, junction);
            g->removeVertex(c, k);
            tmpGapInfo_c* next = k != 0 ? c->startGap : c->endGap;
            (atEnd ? r.endGap : r.startGap) = next;
            if (next) {
                next->removeVertex(c, k != 0 ? 0 : m - 1);
                next->append(newVertexEntry(&r, atEnd ? n - 1 : 0));
            }
            absorb(*c);
            g = next;
        }
    }
}

bool tmpLinkCollinear_c::joinSplines(tmpEntityInfo_c& r, bool atEnd, tmpEntityInfo_c& c,
                                     int k) const {
    auto* spline = static_cast<stSpline_c*>(r.entity);
    auto* other = static_cast<stSpline_c*>(c.entity);
    const std::vector<utPoint_c>& pr = spline->points();
    const std::vector<utPoint_c>& pc = other->points();
    const size_t n = pr.size(), m = pc.size();
    const utPoint_c& qR = atEnd ? pr[n - 2] : pr[1];
    const utPoint_c& jR = atEnd ? pr[n - 1] : pr[0];
    const bool cAtFirst = k == 0;
    const utPoint_c& qC = cAtFirst ? pc[1] : pc[m - 2];
    const utPoint_c& jC = cAtFirst ? pc[0] : pc[m - 1];
    const double d = searchDistance();
    if ((qC - qR).length2() == 0.0) return false;  // no line through one point
    const utGeLine_c through(qR, qC - qR);
    if (!(through.distance(jR) < d && through.distance(jC) < d)) return false;

    std::vector<utPoint_c> joined;
    joined.reserve(n + m - 1);
    if (atEnd) {
        joined.assign(pr.begin(), pr.end());
        if (cAtFirst) {
            joined.insert(joined.end(), pc.begin() + 1, pc.end());
        } else {
            joined.insert(joined.end(), pc.rbegin() + 1, pc.rend());
        }
    } else {
        if (cAtFirst) {
            joined.assign(pc.rbegin(), pc.rend());
        } else {
            joined.assign(pc.begin(), pc.end());
        }
        joined.insert(joined.end(), pr.begin() + 1, pr.end());
    }
    spline->setPoints(joined);  // drops the control points and grows the extents
    return true;
}

bool tmpLinkCollinear_c::joinSplineAndLine(tmpEntityInfo_c& r, bool atEnd, tmpEntityInfo_c& c,
                                           int k) const {
    auto* spline = static_cast<stSpline_c*>(r.entity);
    const int n = spline->pointCount();
    const utPoint_c qR = spline->pointAt(atEnd ? n - 2 : 1);
    const utPoint_c jR = spline->pointAt(atEnd ? n - 1 : 0);
    const utPoint_c nC = refinerVertexAt(*c.entity, k);
    const utPoint_c fC = refinerVertexAt(*c.entity, k == 0 ? 1 : 0);
    const double d = searchDistance();
    if ((fC - qR).length2() == 0.0) return false;
    const utGeLine_c through(qR, fC - qR);
    if (!(through.distance(jR) < d && through.distance(nC) < d)) return false;
    spline->movePointAt(atEnd ? n - 1 : 0, fC);
    return true;
}

}  // namespace Vemora
