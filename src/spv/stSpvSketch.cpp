#include <vemora/spv/stSpvSketch.h>

#include <algorithm>
#include <cassert>

namespace Vemora {

namespace {

// Reads the stroke width of one primitive. A nested sketch has no single width and counts as 0.
class tmpWidthGetter_c : public stSpvPrimitiveVisitor_c {
public:
    bool enterSpvSketch(const stSpvSketch_c&) override { return false; }
    void visitSpvBar(const stSpvBar_c& bar) override { w = bar.w(); }
    void visitSpvPolybar(const stSpvPolybar_c& polybar) override { w = polybar.w(); }
    void visitSpvArc(const stSpvArc_c& arc) override { w = arc.w(); }

    double w = 0.0;
};

double widthOf(const stSpvPrimitive_c& p) {
    tmpWidthGetter_c getter;
    p.visit(getter, nullptr);
    return getter.w;
}

}  // namespace

stSpvSketch_c::stSpvSketch_c(const stSpvSketch_c& other)
    : stSpvPrimitive_c(other), minW_(other.minW_), maxW_(other.maxW_), aveW_(other.aveW_) {
    primitives_.reserve(other.primitives_.size());
    for (const auto& p : other.primitives_) primitives_.emplace_back(p->clone());
}

stSpvSketch_c& stSpvSketch_c::operator=(const stSpvSketch_c& other) {
    if (&other == this) return *this;
    const size_t held = primitives_.size();
    const size_t added = other.primitives_.size();
    if (held == 0) {
        extentsRef() = other.extents();
        minW_ = other.minW_;
        maxW_ = other.maxW_;
        aveW_ = other.aveW_;
    } else {
        // The primitives already held stay, so the box and the statistics cover both sets.
        if (!other.extents().isUninitialized()) extentsRef().inflate(other.extents());
        minW_ = std::min(minW_, other.minW_);
        maxW_ = std::max(maxW_, other.maxW_);
        aveW_ = (aveW_ * static_cast<double>(held) + other.aveW_ * static_cast<double>(added)) /
                static_cast<double>(held + added);
    }
    primitives_.reserve(held + added);
    for (const auto& p : other.primitives_) primitives_.emplace_back(p->clone());
    return *this;
}

stSpvSketch_c::~stSpvSketch_c() = default;

stSpvSketch_c* stSpvSketch_c::clone() const { return new stSpvSketch_c(*this); }

stSpvPrimitive_c* stSpvSketch_c::primitiveAt(int i) {
    assert(i >= 0 && i < countPrimitives());
    return primitives_[static_cast<size_t>(i)].get();
}

const stSpvPrimitive_c* stSpvSketch_c::primitiveAt(int i) const {
    assert(i >= 0 && i < countPrimitives());
    return primitives_[static_cast<size_t>(i)].get();
}

void stSpvSketch_c::append(stSpvPrimitive_c* p) {
    assert(p != nullptr && "a null primitive cannot be appended");
    if (p == nullptr) return;
    primitives_.emplace_back(p);
    growExtents(*p);
    updateWidthStat(*p, true);
}

void stSpvSketch_c::erase(stSpvPrimitive_c* p) {
    assert(p != nullptr && "a null primitive cannot be erased");
    const auto it = std::find_if(primitives_.begin(), primitives_.end(),
                                 [p](const auto& held) { return held.get() == p; });
    if (it == primitives_.end()) return;
    updateWidthStat(*p, false);
    primitives_.erase(it);  // deletes p

    // The box shrinks back to what remains, like the mean width.
    extentsRef() = utRect_c();
    for (const auto& held : primitives_) growExtents(*held);
}

void stSpvSketch_c::clear() {
    primitives_.clear();
    extentsRef() = utRect_c();
}

bool stSpvSketch_c::primitivesIn(const utRect_c&, std::vector<stSpvPrimitive_c*>&) const {
    return false;
}

bool stSpvSketch_c::primitivesIn(const utSkewRect_c&, std::vector<stSpvPrimitive_c*>&) const {
    return false;
}

bool stSpvSketch_c::primitivesAt(double, double, std::vector<stSpvPrimitive_c*>&) const {
    return false;
}

// A primitive without geometry (its box still uninitialized) leaves the box alone: its corners
// would otherwise stretch the box over the whole plane.
void stSpvSketch_c::growExtents(const stSpvPrimitive_c& p) {
    if (!p.extents().isUninitialized()) extentsRef().inflate(p.extents());
}

// Called after p was appended, or before p is removed. Min and max start from 0 and only ever
// widen; an addition moves the mean in O(1), a removal recomputes it over what remains.
void stSpvSketch_c::updateWidthStat(const stSpvPrimitive_c& p, bool added) {
    const double x = widthOf(p);
    minW_ = std::min(minW_, x);
    maxW_ = std::max(maxW_, x);
    if (added) {
        const double n = static_cast<double>(primitives_.size());
        aveW_ = (x + aveW_ * (n - 1.0)) / n;
        return;
    }
    double sum = 0.0;
    size_t remaining = 0;
    bool skipped = false;
    for (const auto& held : primitives_) {
        if (!skipped && held.get() == &p) {
            skipped = true;
            continue;
        }
        sum += widthOf(*held);
        ++remaining;
    }
    // With nothing left the mean is 0 rather than 0 / 0.
    aveW_ = remaining == 0 ? 0.0 : sum / static_cast<double>(remaining);
}

// ---------------------------------------------------------------------------------------------
// The walk. Progress counts in whole percent: with at least 100 primitives it rises by 1 every
// n / 100 primitives (so it may pass 100 before the final 100), with fewer it rises by 100 / n
// after each primitive. The final 100 and onVisitEnd always follow a started walk, stopped or
// not.
void stSpvSketch_c::visit(stSpvPrimitiveVisitor_c& v,
                          stSpvVisitorProgressListener_c* listener) const {
    const int n = countPrimitives();
    const int per = n == 0 ? 100 : 100 / n;

    if (!v.enterSpvSketch(*this)) return;

    if (listener == nullptr || (listener->onVisitStart() && listener->onVisitProgress(0))) {
        const int step = n / 100;
        int percent = 0;
        int countdown = step;
        for (const auto& p : primitives_) {
            p->visit(v, nullptr);
            if (listener == nullptr) continue;
            if (countdown < 1) {
                percent += step > 0 ? 1 : per;
                if (!listener->onVisitProgress(percent)) break;
                if (step > 0) countdown = step;
            }
            --countdown;
        }
        if (listener != nullptr) {
            listener->onVisitProgress(100);
            listener->onVisitEnd();
        }
    }

    v.leaveSpvSketch(*this);
}

}  // namespace Vemora
