#include "vector/sketchRefinerEngines.h"

#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Vemora {

namespace {
bool isLine(stEntity_c& e) { return dynamic_cast<stLine_c*>(&e) != nullptr; }
bool isLineOrSpline(stEntity_c& e) { return isLine(e) || dynamic_cast<stSpline_c*>(&e) != nullptr; }
}  // namespace

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
