#include "vector/junctionsCleaning.h"

#include <vemora/sketch/stEntity.h>
#include <vemora/sketch/stSketch.h>

#include <cstdint>
#include <cstring>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>

#include "vector/cloningVisitor.h"

namespace Vemora {
namespace junctions {

namespace {

// ---------------------------------------------------------------------------------------------
// Duplicates

// A hash of the values isEqual compares (a part of them for splines' control points), so that
// equal entities always share a bucket. Kinds that are never equal to anything have none.
class tmpValueHash_c {
public:
    bool of(const stEntity_c& e, std::uint64_t& hash) {
        h_ = std::uint64_t(typeid(e).hash_code());
        if (const auto* l = dynamic_cast<const stLine_c*>(&e)) {
            add(l->p1());
            add(l->p2());
        } else if (const auto* p = dynamic_cast<const stPoint_c*>(&e)) {
            add(p->p());
        } else if (const auto* a = dynamic_cast<const stArc_c*>(&e)) {
            add(a->center());
            add(a->radius());
            add(a->startAngle());
        } else if (const auto* c = dynamic_cast<const stCircle_c*>(&e)) {
            add(c->center());
            add(c->radius());
        } else if (const auto* ea = dynamic_cast<const stEllipseArc_c*>(&e)) {
            add(ea->center());
            add(ea->a());
            add(ea->startAngle());
        } else if (const auto* el = dynamic_cast<const stEllipse_c*>(&e)) {
            add(el->center());
            add(el->a());
        } else if (const auto* s = dynamic_cast<const stSpline_c*>(&e)) {
            for (const utPoint_c& q : s->points()) add(q);
        } else {
            return false;
        }
        hash = h_;
        return true;
    }

private:
    void add(double v) {
        v += 0.0;  // -0 and +0 compare equal: give them one pattern
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        h_ ^= bits + 0x9e3779b97f4a7c15ULL + (h_ << 6) + (h_ >> 2);
    }
    void add(const utPoint_c& p) {
        add(p.x());
        add(p.y());
    }

    std::uint64_t h_ = 0;
};

bool degenerate(const stEntity_c& e) {
    if (const auto* l = dynamic_cast<const stLine_c*>(&e)) return l->p1() == l->p2();
    if (const auto* s = dynamic_cast<const stSpline_c*>(&e))
        return s->pointCount() == 2 && s->pointAt(0) == s->pointAt(1);
    return false;
}

// Marks every entity that is equal to a later one.
std::vector<char> laterDuplicates(const stSketch_c& in, bool indexed) {
    const int n = in.entitiesCount();
    std::vector<char> dropped(size_t(n), 0);
    if (!indexed) {
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n && !dropped[size_t(i)]; ++j)
                dropped[size_t(i)] = in.entityAt(i)->isEqual(in.entityAt(j));
        }
        return dropped;
    }
    // From the back, so that each bucket holds the later entities of its values.
    std::unordered_map<std::uint64_t, std::vector<const stEntity_c*>> later;
    later.reserve(size_t(n));
    tmpValueHash_c hasher;
    for (int i = n - 1; i >= 0; --i) {
        const stEntity_c* e = in.entityAt(i);
        std::uint64_t h = 0;
        if (!hasher.of(*e, h)) continue;
        std::vector<const stEntity_c*>& bucket = later[h];
        for (const stEntity_c* f : bucket) {
            if (e->isEqual(f)) {
                dropped[size_t(i)] = 1;
                break;
            }
        }
        bucket.push_back(e);
    }
    return dropped;
}

// ---------------------------------------------------------------------------------------------
// Cutting splines

class tmpSplineRemover_c : public tmpCloningVisitor_c {
public:
    tmpSplineRemover_c(stSketch_c& target, tmpSplineChains_c& chains)
        : tmpCloningVisitor_c(target), chains_(chains) {}

    void visitLine(stLine_c& e) override {
        if (e.p1() != e.p2()) keep(e);
    }
    void visitSpline(stSpline_c& e) override {
        const std::vector<utPoint_c>& p = e.points();
        if (p.size() == 2) {
            auto line = std::make_unique<stLine_c>(p[0], p[1]);
            line->setAttributes(&e.attributes());
            add(line.release());
        } else if (p.size() > 2) {
            std::vector<stLine_c*> chain;
            chain.reserve(p.size() - 1);
            for (size_t i = 1; i < p.size(); ++i) {
                auto line = std::make_unique<stLine_c>(p[i - 1], p[i]);
                chain.push_back(line.get());
                add(line.release());
            }
            chains_.push_back(std::move(chain));
        }
    }

private:
    tmpSplineChains_c& chains_;
};

}  // namespace

std::unique_ptr<stSketch_c> withoutDuplicates(const stSketch_c& in, bool indexed) {
    const std::vector<char> dropped = laterDuplicates(in, indexed);
    auto out = std::make_unique<stSketch_c>();
    for (int i = 0; i < in.entitiesCount(); ++i) {
        const stEntity_c* e = in.entityAt(i);
        if (!dropped[size_t(i)] && !degenerate(*e)) out->addEntity(e->clone());
    }
    return out;
}

std::unique_ptr<stSketch_c> cutSplines(stSketch_c& in, tmpSplineChains_c& chains) {
    auto out = std::make_unique<stSketch_c>();
    tmpSplineRemover_c remover(*out, chains);
    in.visit(remover);
    return out;
}

void rebuildSplines(stSketch_c& sketch, const tmpSplineChains_c& chains) {
    if (chains.empty()) return;
    std::unordered_set<const stEntity_c*> chained;
    std::vector<std::unique_ptr<stSpline_c>> splines;
    for (const std::vector<stLine_c*>& chain : chains) {
        if (chain.empty()) continue;
        std::vector<utPoint_c> points;
        points.reserve(chain.size() + 1);
        for (const stLine_c* line : chain) {
            if (points.empty() || points.back() != line->p1()) points.push_back(line->p1());
            chained.insert(line);
        }
        points.push_back(chain.back()->p2());
        splines.push_back(std::make_unique<stSpline_c>(std::move(points)));
    }
    // One pass over the sketch keeps the order of everything else (erasing line by line would
    // take a pass per line).
    std::vector<std::unique_ptr<stEntity_c>> all;
    all.reserve(size_t(sketch.entitiesCount()));
    for (int i = 0; i < sketch.entitiesCount(); ++i) all.emplace_back(sketch.entityAt(i));
    sketch.removeAll();
    for (auto& e : all) {
        if (!chained.count(e.get())) sketch.addEntity(e.release());
    }
    for (auto& s : splines) sketch.addEntity(s.release());
}

}  // namespace junctions
}  // namespace Vemora
