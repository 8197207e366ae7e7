#include <vemora/foundation/utGeCurve.h>
#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <typeinfo>
#include <utility>

#include "foundation/mathConstants.h"

namespace Vemora {

namespace {
// Radius of a three-point arc whose points fix no circle.
constexpr double kNoCircleRadius = 1e99;

// The other entity as T when it has exactly the dynamic type T.
template <class T>
const T* sameType(const T& self, const stEntity_c* other) {
    if (!other || typeid(*other) != typeid(self)) return nullptr;
    return static_cast<const T*>(other);
}

void readCoefficients(const double (&c)[6], double* c0, double* c1, double* c2, double* c3,
                      double* c4, double* c5) {
    double* out[6] = {c0, c1, c2, c3, c4, c5};
    for (int i = 0; i < 6; ++i) {
        if (out[i]) *out[i] = c[i];
    }
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Attributes

bool stEntityAttributes_c::setLineType(int lineType) {
    if (lineType_ < 0) return false;
    lineType_ = lineType;
    return true;
}

bool stEntityAttributes_c::setWidth(double width) {
    if (!(width >= 0.0)) return false;  // negative or NaN
    width_ = width;
    return true;
}

bool stEntityAttributes_c::setAllAttributes(long color, int lineType, double width) {
    color_ = color;
    const bool lineTypeStored = setLineType(lineType);
    const bool widthStored = setWidth(width);
    return lineTypeStored && widthStored;
}

void stEntityAttributes_c::allAttributes(long& color, int& lineType, double& width) const {
    color = color_;
    lineType = lineType_;
    width = width_;
}

// ---------------------------------------------------------------------------------------------
// Visitor

bool stEntityVisitor_c::enterSketch(stSketch_c&) { return true; }
void stEntityVisitor_c::leaveSketch(stSketch_c&) {}
void stEntityVisitor_c::visitPoint(stPoint_c&) {}
void stEntityVisitor_c::visitLine(stLine_c&) {}
void stEntityVisitor_c::visitArc(stArc_c&) {}
void stEntityVisitor_c::visitCircle(stCircle_c&) {}
void stEntityVisitor_c::visitEllipse(stEllipse_c&) {}
void stEntityVisitor_c::visitEllipseArc(stEllipseArc_c&) {}
void stEntityVisitor_c::visitSpline(stSpline_c&) {}
bool stEntityVisitor_c::enterPolyline(stPolyline_c&) { return true; }
void stEntityVisitor_c::leavePolyline(stPolyline_c&) {}
bool stEntityVisitor_c::enterRegion(stRegion_c&) { return true; }
void stEntityVisitor_c::leaveRegion(stRegion_c&) {}
stEntityVisitor_c::~stEntityVisitor_c() = default;

// ---------------------------------------------------------------------------------------------
// Entity base

stEntity_c::stEntity_c(stSketch_c* sketch)
    : owner_(sketch), handle_(sketch ? sketch->newHandle() : -1) {}

stEntity_c::~stEntity_c() = default;

stEntity_c* stEntity_c::clone() const { return nullptr; }

bool stEntity_c::isEqual(const stEntity_c*) const { return false; }

bool stEntity_c::setAttributes(const stEntityAttributes_c* attributes) {
    if (!attributes) return false;
    return attributes_.setAllAttributes(attributes->color(), attributes->lineType(),
                                        attributes->width());
}

namespace {
// Grows `extents` by the box of [first, last) widened by d; nothing for no points. Growing by the
// widened box rather than widening the grown box keeps repeated updates from drifting outward.
void growBox(utRect_c& extents, const utPoint_c* first, const utPoint_c* last, double d) {
    if (first == last) return;
    utRect_c box;
    for (; first != last; ++first) box.inflate(*first);
    box.inflate(d);
    extents.inflate(box);
}
}  // namespace

void stEntity_c::growExtents(const std::vector<utPoint_c>& points, double d) {
    growBox(extents_, points.data(), points.data() + points.size(), d);
}

void stEntity_c::growExtents(std::initializer_list<utPoint_c> points, double d) {
    growBox(extents_, points.begin(), points.end(), d);
}

// ---------------------------------------------------------------------------------------------
// Points

stPoint_c::stPoint_c(const utPoint_c& p) : p_(p) { updateExtents(); }

stPoint_c::stPoint_c(stSketch_c* sketch, const utPoint_c& p) : stEntity_c(sketch), p_(p) {
    updateExtents();
}

void stPoint_c::visit(stEntityVisitor_c& visitor) { visitor.visitPoint(*this); }
void stPoint_c::updateExtents() { mutableExtents().inflate(p_); }
stEntity_c* stPoint_c::clone() const { return new stPoint_c(*this); }

bool stPoint_c::isEqual(const stEntity_c* other) const {
    const stPoint_c* o = sameType(*this, other);
    return o && o->p_ == p_;
}

// ---------------------------------------------------------------------------------------------
// Lines

stLine_c::stLine_c(const utPoint_c& p1, const utPoint_c& p2) : p1_(p1), p2_(p2) { updateExtents(); }

stLine_c::stLine_c(stSketch_c* sketch, const utPoint_c& p1, const utPoint_c& p2)
    : stEntity_c(sketch), p1_(p1), p2_(p2) {
    updateExtents();
}

void stLine_c::visit(stEntityVisitor_c& visitor) { visitor.visitLine(*this); }
void stLine_c::updateExtents() { growExtents({p1_, p2_}, attributes().width()); }
stEntity_c* stLine_c::clone() const { return new stLine_c(*this); }

bool stLine_c::isEqual(const stEntity_c* other) const {
    const stLine_c* o = sameType(*this, other);
    return o && o->p1_ == p1_ && o->p2_ == p2_;
}

// ---------------------------------------------------------------------------------------------
// Circular arcs (radians)

stArc_c::stArc_c(const utPoint_c& p1, const utPoint_c& p2, const utPoint_c& p3)
    : p1_(p1), p2_(p2), p3_(p3) {
    const utGeArc_c circle(p1, p2, p3);
    center_ = circle.centre();
    radius_ = circle.radius();
    startAngle_ = std::atan2(p1.y() - center_.y(), p1.x() - center_.x());
    endAngle_ = std::atan2(p3.y() - center_.y(), p3.x() - center_.x());
    updateExtents();
}

stArc_c::stArc_c(const utPoint_c& center, double radius, double startAngle, double endAngle)
    : radius_(radius), startAngle_(startAngle), endAngle_(endAngle), center_(center) {
    pointAtAngle(startAngle, p1_[0], p1_[1]);
    pointAtAngle(endAngle, p3_[0], p3_[1]);
    const utVector_c bisector = (p1_ - center) + (p3_ - center);
    if (bisector.length() > 1e-12 * radius) {
        p2_ = center + bisector.unit() * radius;
    } else {
        // Opposite end points (a half turn) leave the bisector without direction; the middle
        // angle names the same point of the arc.
        pointAtAngle((startAngle + endAngle) / 2.0, p2_[0], p2_[1]);
    }
    updateExtents();
}

void stArc_c::pointAtAngle(double t, double& x, double& y) const {
    x = center_.x() + radius_ * std::cos(t);
    y = center_.y() + radius_ * std::sin(t);
}

void stArc_c::startPoint(double& x, double& y) const {
    x = p1_.x();
    y = p1_.y();
}

void stArc_c::endPoint(double& x, double& y) const {
    x = p3_.x();
    y = p3_.y();
}

void stArc_c::polynomialCoefficients(double* c0, double* c1, double* c2, double* c3, double* c4,
                                     double* c5) const {
    readCoefficients(coefficients_, c0, c1, c2, c3, c4, c5);
}

void stArc_c::setPolynomialCoefficients(double c0, double c1, double c2, double c3, double c4,
                                        double c5) {
    const double c[6] = {c0, c1, c2, c3, c4, c5};
    std::copy(c, c + 6, coefficients_);
}

void stArc_c::visit(stEntityVisitor_c& visitor) { visitor.visitArc(*this); }

void stArc_c::updateExtents() {
    if (radius_ >= kNoCircleRadius) {
        // No circle: the points themselves, not points a radius of 1e99 away.
        growExtents({p1_, p2_, p3_}, 0.0);
        return;
    }
    utPoint_c mid;
    pointAtAngle((startAngle_ + endAngle_) / 2.0, mid[0], mid[1]);
    // p2 lies on the arc too; a three-point arc that runs clockwise passes it rather than the
    // point at the middle angle.
    growExtents({p1_, p3_, mid, p2_}, 0.0);
}

stEntity_c* stArc_c::clone() const { return new stArc_c(*this); }

bool stArc_c::isEqual(const stEntity_c* other) const {
    const stArc_c* o = sameType(*this, other);
    return o && o->radius_ == radius_ && o->startAngle_ == startAngle_ &&
           o->endAngle_ == endAngle_ && o->center_ == center_;
}

// ---------------------------------------------------------------------------------------------
// Circles

stCircle_c::stCircle_c(const utPoint_c& center, double radius) : center_(center), radius_(radius) {
    updateExtents();
}

void stCircle_c::visit(stEntityVisitor_c& visitor) { visitor.visitCircle(*this); }

void stCircle_c::updateExtents() {
    growExtents({{center_.x() - radius_, center_.y() + radius_},
                 {center_.x() + radius_, center_.y() - radius_}},
                0.0);
}

stEntity_c* stCircle_c::clone() const { return new stCircle_c(*this); }

bool stCircle_c::isEqual(const stEntity_c* other) const {
    const stCircle_c* o = sameType(*this, other);
    return o && o->radius_ == radius_ && o->center_ == center_;
}

// ---------------------------------------------------------------------------------------------
// Elliptic arcs (degrees)

stEllipseArc_c::stEllipseArc_c(double a, double b, double phi, double startAngle, double endAngle,
                               const utPoint_c& center)
    : a_(a), b_(b), phi_(phi), startAngle_(startAngle), endAngle_(endAngle), center_(center) {
    updateExtents();
}

utPoint_c stEllipseArc_c::pointAtAngle(double g) const {
    return ellipsePointAtAngle(g, a_, b_, phi_, center_.x(), center_.y());
}

void stEllipseArc_c::setParameters(const double* a, const double* b, const double* phi,
                                   const double* startAngle, const double* endAngle,
                                   const utPoint_c* center) {
    if (a) a_ = *a;
    if (b) b_ = *b;
    if (phi) phi_ = *phi;
    if (startAngle) startAngle_ = *startAngle;
    if (endAngle) endAngle_ = *endAngle;
    if (center) center_ = *center;
}

void stEllipseArc_c::polynomialCoefficients(double* c0, double* c1, double* c2, double* c3,
                                            double* c4, double* c5) const {
    readCoefficients(coefficients_, c0, c1, c2, c3, c4, c5);
}

void stEllipseArc_c::setPolynomialCoefficients(double c0, double c1, double c2, double c3,
                                               double c4, double c5) {
    const double c[6] = {c0, c1, c2, c3, c4, c5};
    std::copy(c, c + 6, coefficients_);
}

void stEllipseArc_c::visit(stEntityVisitor_c& visitor) { visitor.visitEllipseArc(*this); }

void stEllipseArc_c::updateExtents() {
    growExtents({pointAtAngle(startAngle_), pointAtAngle(endAngle_)}, 0.0);
}

stEntity_c* stEllipseArc_c::clone() const { return new stEllipseArc_c(*this); }

bool stEllipseArc_c::isEqual(const stEntity_c* other) const {
    const stEllipseArc_c* o = sameType(*this, other);
    return o && o->a_ == a_ && o->b_ == b_ && o->phi_ == phi_ && o->center_ == center_ &&
           o->startAngle_ == startAngle_ && o->endAngle_ == endAngle_;
}

// ---------------------------------------------------------------------------------------------
// Ellipses (degrees)

stEllipse_c::stEllipse_c(double a, double b, double phi, const utPoint_c& center)
    : a_(a), b_(b), phi_(phi), center_(center) {
    updateExtents();
}

void stEllipse_c::setParameters(const double* a, const double* b, const double* phi,
                                const utPoint_c* center) {
    if (a) a_ = *a;
    if (b) b_ = *b;
    if (phi) phi_ = *phi;
    if (center) center_ = *center;
}

void stEllipse_c::visit(stEntityVisitor_c& visitor) { visitor.visitEllipse(*this); }

void stEllipse_c::updateExtents() {
    // The same rotation as ellipsePointAtAngle.
    const double c = std::cos(phi_ * kDegree);
    const double s = std::sin(phi_ * kDegree);
    const auto corner = [&](double x, double y) {
        return utPoint_c(center_.x() + x * c + y * s, center_.y() - x * s + y * c);
    };
    growExtents({corner(-a_, -b_), corner(-a_, b_), corner(a_, -b_), corner(a_, b_)}, 0.0);
}

stEntity_c* stEllipse_c::clone() const { return new stEllipse_c(*this); }

bool stEllipse_c::isEqual(const stEntity_c* other) const {
    const stEllipse_c* o = sameType(*this, other);
    return o && o->a_ == a_ && o->b_ == b_ && o->phi_ == phi_ && o->center_ == center_;
}

// ---------------------------------------------------------------------------------------------
// Splines

stSpline_c::stSpline_c(const std::vector<utPoint_c>& points) : points_(points) { updateExtents(); }

stSpline_c::stSpline_c(std::vector<utPoint_c>&& points) : points_(std::move(points)) {
    updateExtents();
}

stSpline_c::stSpline_c(stSketch_c* sketch, const std::vector<utPoint_c>& points)
    : stEntity_c(sketch), points_(points) {
    updateExtents();
}

const utPoint_c& stSpline_c::pointAt(int i) const {
    assert(i >= 0 && i < pointCount());
    return points_[static_cast<size_t>(i)];
}

void stSpline_c::movePointAt(int i, const utPoint_c& p) {
    assert(i >= 0 && i < pointCount());
    points_[static_cast<size_t>(i)] = p;
}

void stSpline_c::setPoints(const std::vector<utPoint_c>& points) {
    points_ = points;
    controlPoints_.clear();
    updateExtents();
}

void stSpline_c::setControlPoints(const std::vector<utPoint_c>& controlPoints) {
    controlPoints_ = controlPoints;
    updateExtents();
}

bool stSpline_c::isClosed(double tol) const {
    return points_.size() >= 2 && (points_.front() - points_.back()).length() < tol;
}

void stSpline_c::visit(stEntityVisitor_c& visitor) { visitor.visitSpline(*this); }

void stSpline_c::updateExtents() {
    growExtents(hasControlPoints() ? controlPoints_ : points_, attributes().width());
}

stEntity_c* stSpline_c::clone() const { return new stSpline_c(*this); }

bool stSpline_c::isEqual(const stEntity_c* other) const {
    const stSpline_c* o = sameType(*this, other);
    return o && o->points_ == points_ && o->controlPoints_ == controlPoints_;
}

// ---------------------------------------------------------------------------------------------
// Polylines and regions

void stPolyline_c::visit(stEntityVisitor_c& visitor) {
    visitor.enterPolyline(*this);
    visitor.leavePolyline(*this);
}

stEntity_c* stPolyline_c::clone() const { return new stPolyline_c(*this); }

void stRegion_c::visit(stEntityVisitor_c& visitor) {
    visitor.enterRegion(*this);
    visitor.leaveRegion(*this);
}

stEntity_c* stRegion_c::clone() const { return new stRegion_c(*this); }

}  // namespace Vemora
