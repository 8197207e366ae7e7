#include "vector/sketchRefinerEngines.h"

#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utRect.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "raster/inkTest.h"
#include "vector/refinerSearchGrid.h"

namespace Vemora {

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
    // Where R's stroke leaves p, and where S's leaves its vertex i (nowhere for an interior one).
    const utVector_c out =
        a == 0 ? p - refinerVertexAt(*r.entity, 1) : p - refinerVertexAt(*r.entity, a - 1);
    const auto joinsVertex = [&](int i) {
        utVector_c qOut(0.0, 0.0);
        if (i == 0) qOut = vertices[0] - vertices[1];
        if (i == n - 1) qOut = vertices[size_t(n - 1)] - vertices[size_t(n - 2)];
        return joins(p, out, vertices[size_t(i)], qOut);
    };
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
            if (delta < best && b != 0 && b != n - 1 && joinsVertex(i)) {
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
            if (joinsVertex(i)) {
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
                    if (joins(p, out, foot, utVector_c(0.0, 0.0))) {
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

bool tmpGapsRefiner_c::pixelOf(const utPoint_c& s, long long& col, long long& row) const {
    const double dx = s.x() - rotationCentre_.x(), dy = s.y() - rotationCentre_.y();
    const double x = rotationCentre_.x() + cosAngle_ * dx - sinAngle_ * dy;
    const double y = rotationCentre_.y() + sinAngle_ * dx + cosAngle_ * dy;
    const double c = x / scaleX_ - offsetX_, r = y / scaleY_ - offsetY_;
    if (std::isnan(c) || std::isnan(r)) return false;
    col = toPixel(c);
    row = toPixel(r);
    return true;
}

bool tmpGapsRefiner_c::isVisible(const utPoint_c& p, const utPoint_c& q) const {
    long long longestRun = 0;
    return walk(p, q, longestRun);
}

bool tmpGapsRefiner_c::walk(const utPoint_c& p, const utPoint_c& q, long long& longestRun) const {
    long long col, row, col1, row1;
    if (!pixelOf(p, col, row) || !pixelOf(q, col1, row1)) return false;

    const long long t = std::llabs(col1 - col), u = std::llabs(row1 - row);
    const long long stepCol = col1 - col < 0 ? -1 : 1, stepRow = row1 - row < 0 ? -1 : 1;
    long long white = 0, run = 0;
    // False once the white pixels met exceed the allowance; the longest run of them is kept.
    const auto pass = [&](long long c, long long r) {
        if (isInk(c, r)) {
            run = 0;
            return true;
        }
        longestRun = std::max(longestRun, ++run);
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

long long tmpGapsRefiner_c::strokeWidthAt(const utPoint_c& p) const {
    long long col, row;
    if (!pixelOf(p, col, row) || !isInk(col, row)) return 1;
    // Strokes wider than this have no paper runs the white-pixel allowance would pass anyway.
    constexpr long long kFar = 64;
    const auto run = [&](long long dc, long long dr) {
        long long n = 1;
        while (n < kFar && isInk(col - dc * n, row - dr * n)) ++n;
        long long m = 1;
        while (m < kFar && isInk(col + dc * m, row + dr * m)) ++m;
        return n + m - 1;
    };
    return std::min(run(1, 0), run(0, 1));
}

bool tmpGapsRefiner_c::joins(const utPoint_c& p, const utVector_c& out, const utPoint_c& q,
                             const utVector_c& qOut) const {
    // Ends whose strokes run apart, or lie side by side, do not face each other: the link must
    // leave each end ahead of it. A direction without length says nothing either way.
    const auto ahead = [](const utVector_c& d, const utVector_c& link) {
        return d.length2() == 0.0 || link.length2() == 0.0 || d * link > 0.0;
    };
    if (!ahead(out, q - p) || !ahead(qOut, p - q)) return false;
    long long longestRun = 0;
    if (!walk(p, q, longestRun)) return false;
    // Most links run over ink all the way; the widths are measured only for those that do not.
    return longestRun <= 0 || (longestRun <= strokeWidthAt(p) && longestRun <= strokeWidthAt(q));
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
    // The links the search walked run from an end to what it found; the merge point may lie
    // elsewhere (where two tangents or a tangent and a segment cross), and an end moves there only
    // where that move, too, runs over ink.
    const auto move = [&](stEntity_c& e, int k, const utPoint_c& to) {
        if (isVisible(refinerVertexAt(e, k), to)) refinerMoveVertex(e, k, to);
    };
    for (auto& info : infos_) {
        stEntity_c& e = *info.entity;
        if (info.startGap) move(e, 0, info.startGap->mergePoint);
        if (info.endGap) move(e, refinerVertexCount(e) - 1, info.endGap->mergePoint);
    }
}

}  // namespace Vemora
