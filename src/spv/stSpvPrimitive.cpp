#include <vemora/spv/stSpvSketch.h>

#include <cassert>
#include <cmath>
#include <utility>

#include "foundation/mathConstants.h"

namespace Vemora {

namespace {
constexpr double kHalfPi = kPi / 2.0;
}  // namespace

// ---------------------------------------------------------------------------------------------
// Bar

stSpvBar_c::stSpvBar_c(const stSpvPoint_c& a, const stSpvPoint_c& b)
    : p1_(a.position()), p2_(b.position()), w_(stSpvSkewRect_c(a, b).w()) {
    updateExtents();
}

stSpvBar_c::stSpvBar_c(double x1, double y1, double x2, double y2, double w)
    : p1_(x1, y1), p2_(x2, y2), w_(w) {
    updateExtents();
}

stSpvBar_c* stSpvBar_c::clone() const { return new stSpvBar_c(*this); }

void stSpvBar_c::visit(stSpvPrimitiveVisitor_c& v, stSpvVisitorProgressListener_c*) const {
    v.visitSpvBar(*this);
}

// The full width on every side, not half of it: the box is deliberately generous.
void stSpvBar_c::updateExtents() {
    utRect_c& e = extentsRef();
    e.inflate(p1_);
    e.inflate(p2_);
    e.inflate(w_);
}

// ---------------------------------------------------------------------------------------------
// Polybar

stSpvPolybar_c::stSpvPolybar_c() { updateWidthAndExtents(); }

stSpvPolybar_c::stSpvPolybar_c(const std::vector<stSpvPoint_c>& points) : points_(points) {
    updateWidthAndExtents();
}

stSpvPolybar_c::stSpvPolybar_c(std::vector<stSpvPoint_c>&& points) : points_(std::move(points)) {
    updateWidthAndExtents();
}

stSpvPolybar_c::stSpvPolybar_c(const stSpvPoint_c* points, int count) {
    assert(count >= 0 && (points != nullptr || count == 0));
    if (points != nullptr && count > 0) points_.assign(points, points + count);
    updateWidthAndExtents();
}

stSpvPolybar_c::stSpvPolybar_c(const stSpvPolybar_c& other)
    : stSpvPrimitive_c(), points_(other.points_) {
    updateWidthAndExtents();
}

stSpvPolybar_c* stSpvPolybar_c::clone() const { return new stSpvPolybar_c(*this); }

void stSpvPolybar_c::visit(stSpvPrimitiveVisitor_c& v, stSpvVisitorProgressListener_c*) const {
    v.visitSpvPolybar(*this);
}

const stSpvPoint_c& stSpvPolybar_c::pointAt(int i) const {
    assert(i >= 0 && i < pointCount());
    return points_[static_cast<size_t>(i)];
}

void stSpvPolybar_c::setPointAt(int i, const stSpvPoint_c& p) {
    assert(i >= 0 && i < pointCount());
    points_[static_cast<size_t>(i)] = p;
}

void stSpvPolybar_c::movePointAt(int i, const utPoint_c& p) {
    assert(i >= 0 && i < pointCount());
    points_[static_cast<size_t>(i)].set(p.x(), p.y());
}

void stSpvPolybar_c::setFirstVertex(const utPoint_c& p) {
    assert(!points_.empty());
    if (!points_.empty()) points_.front().set(p.x(), p.y());
}

void stSpvPolybar_c::setLastVertex(const utPoint_c& p) {
    assert(!points_.empty());
    if (!points_.empty()) points_.back().set(p.x(), p.y());
}

void stSpvPolybar_c::cutFirstVertex() {
    if (!points_.empty()) points_.erase(points_.begin());
}

void stSpvPolybar_c::cutLastVertex() {
    if (!points_.empty()) points_.pop_back();
}

void stSpvPolybar_c::setPoints(const std::vector<stSpvPoint_c>& points) {
    points_ = points;
    updateWidthAndExtents();
}

// The box is rebuilt from the points alone, so replacing the points never keeps the old box and
// a copy gets the same box as its original.
void stSpvPolybar_c::updateWidthAndExtents() {
    // The mean over no points is taken as 0: a polybar without points has no width.
    double sum = 0.0;
    for (const stSpvPoint_c& p : points_) sum += p.w();
    w_ = points_.empty() ? 0.0 : sum / static_cast<double>(points_.size());

    utRect_c box;
    if (!points_.empty()) {
        for (const stSpvPoint_c& p : points_) box.inflate(p.position());
        box.inflate(w_);
    }
    extentsRef() = box;
}

// ---------------------------------------------------------------------------------------------
// Arc

stSpvArc_c::stSpvArc_c(double cx, double cy, double r, double startAngle, double endAngle, double w)
    : center_(cx, cy), startAngle_(startAngle), endAngle_(endAngle), r_(r), w_(w) {
    updateExtents();
}

stSpvArc_c* stSpvArc_c::clone() const { return new stSpvArc_c(*this); }

void stSpvArc_c::visit(stSpvPrimitiveVisitor_c& v, stSpvVisitorProgressListener_c*) const {
    v.visitSpvArc(*this);
}

void stSpvArc_c::pointAtAngle(double t, double& x, double& y) const {
    x = center_.x() + r_ * std::cos(t);
    y = center_.y() + r_ * std::sin(t);
}

// The arc runs from the smaller to the larger of its two angles, through their mean; equal
// angles make a full circle. Besides its ends and its middle the box takes every quadrant point
// the arc passes, so it holds the whole curve.
void stSpvArc_c::updateExtents() {
    utRect_c box;
    double x = 0.0;
    double y = 0.0;
    startPoint(x, y);
    box.inflate(x, y);
    endPoint(x, y);
    box.inflate(x, y);
    pointAtAngle((startAngle_ + endAngle_) / 2.0, x, y);
    box.inflate(x, y);

    const double lo = std::fmin(startAngle_, endAngle_);
    const double hi = std::fmax(startAngle_, endAngle_);
    static constexpr double kQuadrantCos[4] = {1.0, 0.0, -1.0, 0.0};
    static constexpr double kQuadrantSin[4] = {0.0, 1.0, 0.0, -1.0};
    const auto addQuadrant = [&](int q) {
        box.inflate(center_.x() + r_ * kQuadrantCos[q], center_.y() + r_ * kQuadrantSin[q]);
    };
    if (!(hi - lo < 2.0 * kPi) || hi == lo) {
        for (int q = 0; q < 4; ++q) addQuadrant(q);
    } else {
        // At most four multiples of pi/2 lie in a range shorter than 2 pi; the bounded count
        // also keeps huge angles, where k + 1 == k, from looping.
        const double k0 = std::ceil(lo / kHalfPi);
        for (int i = 0; i < 5 && (k0 + i) * kHalfPi <= hi; ++i) {
            double q = std::fmod(k0 + i, 4.0);
            if (q < 0.0) q += 4.0;
            addQuadrant(static_cast<int>(q));
        }
    }
    box.inflate(w_);
    extentsRef() = box;
}

}  // namespace Vemora
