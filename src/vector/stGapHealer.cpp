#include <vemora/vector/stGapHealer.h>

#include <vemora/foundation/utRect.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "vector/cellGrid.h"
#include "vector/cloningVisitor.h"

namespace Vemora {

namespace {

// One line, arc or spline of the result and its two ends.
struct tmpEndRecord_c {
    enum Kind { kLine = 0, kSpline = 1, kArc = 2 };

    stEntity_c* entity = nullptr;  // the copy in the result sketch
    Kind kind = kLine;
    utPoint_c point[2];     // start, end
    utVector_c outward[2];  // the direction leaving the entity at each end
    utRect_c box;           // of the two ends
    int gap[2] = {-1, -1};  // the gap each end belongs to
};

// Two ends, each given by its record and 0 (start) or 1 (end).
struct tmpGap_c {
    std::array<int, 2> record;
    std::array<int, 2> end;
    utRect_c box;
};

class tmpGapProcessor_c : public tmpCloningVisitor_c {
public:
    tmpGapProcessor_c(stSketch_c& result, double distance)
        : tmpCloningVisitor_c(result), d_(distance) {}

    void visitLine(stLine_c& e) override {
        stEntity_c* c = keep(e);
        addRecord(c, tmpEndRecord_c::kLine, e.p1(), e.p1() - e.p2(), e.p2(), e.p2() - e.p1());
    }
    void visitArc(stArc_c& e) override {
        stEntity_c* c = keep(e);
        addRecord(c, tmpEndRecord_c::kArc, e.p1(), (e.p1() - e.center()).flip(), e.p3(),
                  (e.p3() - e.center()).flip());
    }
    void visitSpline(stSpline_c& e) override {
        stEntity_c* c = keep(e);
        const int n = e.pointCount();
        if (n < 2) return;  // no ends to pair
        const utPoint_c& p0 = e.pointAt(0);
        const utPoint_c& pn = e.pointAt(n - 1);
        addRecord(c, tmpEndRecord_c::kSpline, p0, p0 - e.pointAt(1), pn, pn - e.pointAt(n - 2));
    }

    // Pairs the ends of every record with those of the records before it.
    void pair(bool indexed);
    // Moves the paired ends onto their meeting points.
    void heal();

private:
    void addRecord(stEntity_c* entity, tmpEndRecord_c::Kind kind, const utPoint_c& start,
                   const utVector_c& startOut, const utPoint_c& end, const utVector_c& endOut) {
        tmpEndRecord_c r;
        r.entity = entity;
        r.kind = kind;
        r.point[0] = start;
        r.point[1] = end;
        r.outward[0] = startOut;
        r.outward[1] = endOut;
        r.box.inflate(start);
        r.box.inflate(end);
        records_.push_back(r);
    }
    void compare(int n, int e);
    void move(const tmpEndRecord_c& r, int end, const utPoint_c& to);

    double d_;
    std::vector<tmpEndRecord_c> records_;
    std::vector<tmpGap_c> gaps_;
};

// The first of the four pairings of N's and E's ends that lies closer than d makes the joint,
// when neither end belongs to a gap yet.
void tmpGapProcessor_c::compare(int n, int e) {
    tmpEndRecord_c& N = records_[size_t(n)];
    tmpEndRecord_c& E = records_[size_t(e)];
    utRect_c nb = N.box, eb = E.box;
    nb.inflate(d_);
    eb.inflate(d_);
    if (!nb.intersects(eb)) return;
    static constexpr int kPairings[4][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}};
    for (const auto& k : kPairings) {
        if (!((N.point[k[0]] - E.point[k[1]]).length() < d_)) continue;
        if (N.gap[k[0]] < 0 && E.gap[k[1]] < 0) {
            tmpGap_c g{{n, e}, {k[0], k[1]}, {}};
            g.box.inflate(N.point[k[0]]);
            g.box.inflate(E.point[k[1]]);
            N.gap[k[0]] = E.gap[k[1]] = int(gaps_.size());
            gaps_.push_back(g);
        }
        return;
    }
}

// Indexed, N is compared with the earlier records that have an end in a cell near one of its
// ends, in the same order: the others have no end closer than d to N's and make no joint.
void tmpGapProcessor_c::pair(bool indexed) {
    const int count = int(records_.size());
    if (!indexed || !(d_ > 0.0) || !std::isfinite(d_)) {
        for (int n = 1; n < count; ++n) {
            for (int e = 0; e < n; ++e) compare(n, e);
        }
        return;
    }
    tmpCellGrid_c grid(2.0 * d_);
    std::vector<int> near, more;
    const auto around = [&](const utPoint_c& p, std::vector<int>& out) {
        grid.queryBox(p.x() - d_, p.y() - d_, p.x() + d_, p.y() + d_, out);
    };
    for (int n = 0; n < count; ++n) {
        const tmpEndRecord_c& N = records_[size_t(n)];
        around(N.point[0], near);
        around(N.point[1], more);
        near.insert(near.end(), more.begin(), more.end());
        std::sort(near.begin(), near.end());
        near.erase(std::unique(near.begin(), near.end()), near.end());
        for (int e : near) compare(n, e);
        for (const utPoint_c& p : N.point) grid.insertBox(n, p.x(), p.y(), p.x(), p.y());
    }
}

void tmpGapProcessor_c::move(const tmpEndRecord_c& r, int end, const utPoint_c& to) {
    if (auto* line = dynamic_cast<stLine_c*>(r.entity)) {
        end == 0 ? line->setP1(to) : line->setP2(to);
    } else if (auto* spline = dynamic_cast<stSpline_c*>(r.entity)) {
        spline->movePointAt(end == 0 ? 0 : spline->pointCount() - 1, to);
    } else {
        return;  // arcs keep their shape
    }
    r.entity->updateExtents();
}

// Every end belongs to one gap at most and the meeting points come from the ends as collected,
// so the order of the moves does not matter.
void tmpGapProcessor_c::heal() {
    for (const tmpGap_c& g : gaps_) {
        const tmpEndRecord_c& a = records_[size_t(g.record[0])];
        const tmpEndRecord_c& b = records_[size_t(g.record[1])];
        const utPoint_c& pa = a.point[g.end[0]];
        const utPoint_c& pb = b.point[g.end[1]];
        const bool arcA = a.kind == tmpEndRecord_c::kArc, arcB = b.kind == tmpEndRecord_c::kArc;
        if (arcA && arcB) continue;
        const utPoint_c to = arcA   ? pa
                             : arcB ? pb
                                    : utPoint_c((pa.x() + pb.x()) / 2.0, (pa.y() + pb.y()) / 2.0);
        if (!arcA) move(a, g.end[0], to);
        if (!arcB) move(b, g.end[1], to);
    }
}

}  // namespace

stGapHealer_c::~stGapHealer_c() = default;

stSketch_c* stGapHealer_c::process(stSketch_c* sketch) {
    if (!sketch) return nullptr;
    auto healed = std::make_unique<stSketch_c>();
    tmpGapProcessor_c processor(*healed, distance_);
    sketch->visit(processor);
    processor.pair(useIndex_);
    processor.heal();
    delete sketch;
    return healed.release();
}

}  // namespace Vemora
