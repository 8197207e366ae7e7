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

tmpGapVertexEntry_c::tmpGapVertexEntry_c(tmpEntityInfo_c* info, int index)
    : tmpGapEntry_c(info), entity_(info->entity), index_(index) {}

bool tmpGapVertexEntry_c::isLast() const { return refinerVertexCount(*entity_) == index_ + 1; }

bool tmpGapInfo_c::removeVertex(const tmpEntityInfo_c* info, int index) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if ((*it)->info() == info && (*it)->index() == index) {
            entries.erase(it);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// The candidate index: a uniform grid over the extents of the entities that take part.
//
// A query returns a superset of the entities whose extents meet the box, in sketch order; the
// caller applies the exact extents test, so the grid decides nothing by itself. Extents that are
// not an ordinary finite box (the uninitialised box, for one, meets every box) or that would cover
// too many cells are kept in a list that every query returns.

class tmpExtentsGrid_c {
public:
    tmpExtentsGrid_c(const std::vector<tmpEntityInfo_c>& infos, double queryHalfSide);

    // The indices of the infos that may meet box, ascending.
    void query(const utRect_c& box, std::vector<int>& out);
    // Whether info i is worth a closer look for box: it has two vertices or more and its extents
    // meet box. Answered from copies kept side by side, without a visit to the entity.
    bool mayMeet(int i, const utRect_c& box) const {
        return searchable_[size_t(i)] && extents_[size_t(i)].intersects(box);
    }

private:
    static bool isOrdinary(const utRect_c& r) {
        return std::isfinite(r.x1()) && std::isfinite(r.y1()) && std::isfinite(r.x2()) &&
               std::isfinite(r.y2()) && r.x1() <= r.x2() && r.y1() <= r.y2();
    }
    int column(double x) const {
        const double c = std::floor((x - x0_) / cell_);
        return int(std::clamp(c, 0.0, double(columns_ - 1)));
    }
    int row(double y) const {
        const double r = std::floor((y - y0_) / cell_);
        return int(std::clamp(r, 0.0, double(rows_ - 1)));
    }

    static constexpr long long kMaxCellsPerEntity = 256;

    size_t total_ = 0;
    double x0_ = 0.0, y0_ = 0.0, cell_ = 1.0;
    int columns_ = 0, rows_ = 0;
    std::vector<int> cellStart_;  // cell c holds members[cellStart_[c] .. cellStart_[c + 1])
    std::vector<int> members_;
    std::vector<int> everywhere_;  // returned by every query
    std::vector<unsigned> stamp_;  // per info: the query that returned it last
    unsigned query_ = 0;
    std::vector<utRect_c> extents_;  // per info, as at construction (the search moves nothing)
    std::vector<char> searchable_;   // per info: two vertices or more
};

tmpExtentsGrid_c::tmpExtentsGrid_c(const std::vector<tmpEntityInfo_c>& infos, double queryHalfSide)
    : total_(infos.size()), stamp_(infos.size(), 0u) {
    std::vector<int> placed;
    utRect_c domain;
    std::vector<double> sizes;
    extents_.reserve(infos.size());
    searchable_.reserve(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        stEntity_c& e = *infos[i].entity;
        const utRect_c& r = e.extents();
        extents_.push_back(r);
        searchable_.push_back(refinerVertexCount(e) >= 2);
        if (!searchable_.back()) continue;  // never a candidate
        if (!isOrdinary(r)) {
            everywhere_.push_back(int(i));
            continue;
        }
        placed.push_back(int(i));
        domain.inflate(r);
        sizes.push_back(std::max(r.width(), r.height()));
    }
    if (placed.empty()) return;

    // Cells about the size of a typical entity, and no smaller than a query box, so that most
    // entities and most queries touch a handful of cells; never many more cells than entities.
    std::nth_element(sizes.begin(), sizes.begin() + long(sizes.size() / 2), sizes.end());
    double cell = std::max(sizes[sizes.size() / 2], 2.0 * queryHalfSide);
    const double w = std::max(domain.width(), 1e-9), h = std::max(domain.height(), 1e-9);
    const double maxCells = 4.0 * double(placed.size()) + 64.0;
    if (!(cell > 0.0) || (w / cell) * (h / cell) > maxCells) cell = std::sqrt(w * h / maxCells);
    cell = std::max({cell, w / 65536.0, h / 65536.0, 1e-9});
    cell_ = cell;
    x0_ = domain.x1();
    y0_ = domain.y1();
    columns_ = int(std::min(w / cell, 65536.0)) + 1;
    rows_ = int(std::min(h / cell, 65536.0)) + 1;

    // Two passes: count per cell, then fill (a compact layout for millions of entries).
    const size_t cells = size_t(columns_) * size_t(rows_);
    cellStart_.assign(cells + 1, 0);
    auto forCells = [&](const utRect_c& r, auto&& f) {
        const int c1 = column(r.x1()), c2 = column(r.x2()), r1 = row(r.y1()), r2 = row(r.y2());
        for (int y = r1; y <= r2; ++y)
            for (int x = c1; x <= c2; ++x) f(size_t(y) * size_t(columns_) + size_t(x));
    };
    std::vector<int> kept;
    kept.reserve(placed.size());
    for (int i : placed) {
        const utRect_c& r = infos[size_t(i)].entity->extents();
        const long long span = (long long)(column(r.x2()) - column(r.x1()) + 1) *
                               (long long)(row(r.y2()) - row(r.y1()) + 1);
        if (span > kMaxCellsPerEntity) {
            everywhere_.push_back(i);
            continue;
        }
        kept.push_back(i);
        forCells(r, [&](size_t c) { ++cellStart_[c + 1]; });
    }
    std::sort(everywhere_.begin(), everywhere_.end());
    for (size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    members_.resize(size_t(cellStart_[cells]));
    std::vector<int> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (int i : kept) {
        forCells(infos[size_t(i)].entity->extents(),
                 [&](size_t c) { members_[size_t(fill[c]++)] = i; });
    }
}

void tmpExtentsGrid_c::query(const utRect_c& box, std::vector<int>& out) {
    out.clear();
    if (!isOrdinary(box)) {
        // A box of no ordinary shape (a NaN vertex, say): leave the decision to the exact test.
        for (size_t i = 0; i < total_; ++i) out.push_back(int(i));
        return;
    }
    if (++query_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0u);
        query_ = 1;
    }
    if (columns_ > 0) {
        const int c1 = column(box.x1()), c2 = column(box.x2()), r1 = row(box.y1()),
                  r2 = row(box.y2());
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
      searchDistance_(searchDistance),
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

void tmpGapsRefiner_c::search() {
    gaps_.clear();
    // Built once: the search moves nothing, so the extents it indexes stay valid throughout.
    grid_.reset();
    if (useIndex_) grid_ = std::make_unique<tmpExtentsGrid_c>(infos_, 2.0 * searchDistance());
    for (auto& info : infos_) {
        const int n = refinerVertexCount(*info.entity);
        if (n < 2) continue;
        if (!info.startSearched) {
            searchFrom(info, 0);
            info.startSearched = true;
        }
        if (!info.endSearched) {
            searchFrom(info, n - 1);
            info.endSearched = true;
        }
    }
    grid_.reset();
    for (auto& info : infos_) {
        info.searchVertices = {};
        info.searchChunks = {};
    }
}

namespace {
// What the grid's mayMeet answers, asked of the entity itself.
bool candidateFor(tmpEntityInfo_c& s, const utRect_c& box) {
    return s.entity->extents().intersects(box) && refinerVertexCount(*s.entity) >= 2;
}
}  // namespace

void tmpGapsRefiner_c::searchFrom(tmpEntityInfo_c& r, int a) {
    const utPoint_c p = refinerVertexAt(*r.entity, a);
    const double d = searchDistance();
    const utRect_c box(p, 2.0 * d);
    if (grid_) {
        grid_->query(box, candidates_);
    } else {
        candidates_.resize(infos_.size());
        for (size_t i = 0; i < infos_.size(); ++i) candidates_[i] = int(i);
    }
    for (int i : candidates_) {
        if (grid_ ? !grid_->mayMeet(i, box) : !candidateFor(infos_[size_t(i)], box)) continue;
        testCandidate(r, a, p, infos_[size_t(i)]);
    }
}

namespace {
// Fills the search cache of an entity: its vertices and the box of every run of them (with the
// vertex before the run). A run holding a coordinate that is not finite gets an endless box, so
// it is never passed over.
void cacheSearchVertices(tmpEntityInfo_c& s) {
    const int n = refinerVertexCount(*s.entity);
    s.searchVertices.reserve(size_t(n));
    for (int i = 0; i < n; ++i) s.searchVertices.push_back(refinerVertexAt(*s.entity, i));
    constexpr int k = tmpEntityInfo_c::kSearchChunk;
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (int c = 0; c < n; c += k) {
        std::array<double, 4> box{inf, inf, -inf, -inf};
        bool finite = true;
        for (int i = std::max(c - 1, 0); i < std::min(c + k, n); ++i) {
            const utPoint_c& v = s.searchVertices[size_t(i)];
            finite = finite && std::isfinite(v.x()) && std::isfinite(v.y());
            box = {std::min(box[0], v.x()), std::min(box[1], v.y()), std::max(box[2], v.x()),
                   std::max(box[3], v.y())};
        }
        if (!finite) box = {-inf, -inf, inf, inf};
        s.searchChunks.push_back(box);
    }
}

// Whether p lies more than reach away in x or in y from a box {minX, minY, maxX, maxY}.
bool outside(const utPoint_c& p, const std::array<double, 4>& box, double reach) {
    return p.x() < box[0] - reach || p.x() > box[2] + reach || p.y() < box[1] - reach ||
           p.y() > box[3] + reach;
}

std::array<double, 4> boxOf(const utPoint_c& u, const utPoint_c& v) {
    return {std::min(u.x(), v.x()), std::min(u.y(), v.y()), std::max(u.x(), v.x()),
            std::max(u.y(), v.y())};
}
}  // namespace

// Pairs vertex a of R (at p) with the nearest visible vertex of each run of S's vertices within
// the search distance, or else with the nearest visible foot on one of S's segments.
void tmpGapsRefiner_c::testCandidate(tmpEntityInfo_c& r, int a, const utPoint_c& p,
                                     tmpEntityInfo_c& s) {
    const double d = searchDistance();
    tmpGapInfo_c* g = a == 0 ? r.startGap : r.endGap;
    auto ensureGap = [&] {
        if (g) return;
        auto gap = std::make_unique<tmpGapInfo_c>();
        gap->append(std::make_unique<tmpGapVertexEntry_c>(&r, a));
        g = gap.get();
        (a == 0 ? r.startGap : r.endGap) = g;
        gaps_.push_back(std::move(gap));
    };

    double best = 1e99;
    int b = -1;
    bool inRun = false;
    double bestLine = 1e99;
    utGeLine_c bestEdge;
    if (s.searchVertices.empty()) cacheSearchVertices(s);
    const std::vector<utPoint_c>& vertices = s.searchVertices;
    const int n = int(vertices.size());
    utPoint_c previous;
    // Vertices and segments farther than `reach` from p in x or in y lie beyond the search
    // distance whatever the rounding, so they are passed over without measuring them: outside a
    // run such a vertex changes nothing, and a segment that far could only give an edge too far
    // to be taken.
    const double reach = d + 1.0 + 1e-9 * (std::fabs(d) + std::fabs(p.x()) + std::fabs(p.y()));
    constexpr int chunk = tmpEntityInfo_c::kSearchChunk;
    for (int i = 0; i < n; ++i) {
        if (!inRun && i % chunk == 0 && outside(p, s.searchChunks[size_t(i / chunk)], reach)) {
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
                    g->append(std::make_unique<tmpGapVertexEntry_c>(&s, b));
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
        g->append(std::make_unique<tmpGapVertexEntry_c>(&s, b));
        if (b == 0) {
            s.startGap = g;
        } else if (b == n - 1) {
            s.endGap = g;
        }
        return;
    }
    if (bestLine < d) {
        ensureGap();
        g->append(std::make_unique<tmpGapEdgeEntry_c>(&s, bestEdge));
    }
}

// ---------------------------------------------------------------------------------------------
// Visibility: a Bresenham walk over the raster between the two points

bool tmpGapsRefiner_c::isInk(long long col, long long row) const {
    if (!raster_ || col < 0 || row < 0 || col >= (long long)raster_->width() ||
        row >= (long long)raster_->height()) {
        return false;
    }
    const uint32_t px = raster_->pixel(unsigned(col), unsigned(row));
    // The mean of the channels below the threshold, in whole numbers: a sum s of three channels
    // lies a third away from any multiple of 3 unless it is one, so s / 3 < t exactly when s < 3t.
    const long long sum = ((px >> 16) & 0xFF) + ((px >> 8) & 0xFF) + (px & 0xFF);
    return sum < 3 * (long long)darknessThreshold_;
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
    for (auto& gap : gaps_) computeMergePoint(*gap);
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
                next->append(std::make_unique<tmpGapVertexEntry_c>(&r, rIndex));
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
                next->append(std::make_unique<tmpGapVertexEntry_c>(&r, atEnd ? n - 1 : 0));
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
