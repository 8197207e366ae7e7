#include <vemora/foundation/utException.h>
#include <vemora/foundation/utGeCurve.h>

#include <cmath>

#include "foundation/mathConstants.h"

namespace Vemora {

namespace {
// Lines whose normals are this close to parallel do not cross.
constexpr double kParallelDet = 1e-10;
// A point this close to a bounding ray of an arc counts as on it.
constexpr double kWedgeEps = 1e-7;
// The radius of an arc through points that fix no circle.
constexpr double kNoCircleRadius = 1e99;

int sideOf(double s, double eps) {
    if (s > eps) return 1;
    if (s < -eps) return 2;
    return 0;
}

// The angle in [0, 2 pi).
double positiveAngle(double t) {
    t = std::fmod(t, 2.0 * kPi);
    return t < 0.0 ? t + 2.0 * kPi : t;
}
}  // namespace

utGeCurve_c::~utGeCurve_c() = default;
bool utGeCurve_c::isClosed() const { return false; }
bool utGeCurve_c::isBounded() const { return false; }

// ---------------------------------------------------------------------------------------------
// Lines

utGeLine_c::utGeLine_c(const utPoint_c& A, const utPoint_c& B) : utGeLine_c(A, B - A) {}

utGeLine_c::utGeLine_c(const utPoint_c& P, const utVector_c& v) {
    const double l = v.length();
    a_ = -v.y() / l;
    b_ = v.x() / l;
    c_ = -(a_ * P.x() + b_ * P.y());
}

double utGeLine_c::distance(const utPoint_c& p) const { return std::fabs(signedDistance(p)); }

int utGeLine_c::side(const utPoint_c& p, double eps) const {
    return sideOf(signedDistance(p), eps);
}

utPoint_c utGeLine_c::project(const utPoint_c& p) const {
    const double s = signedDistance(p);
    return {p.x() - s * a_, p.y() - s * b_};
}

utPoint_c utGeLine_c::pointAt(const utPoint_c& p, double t) const {
    return project(p) + tangent(p) * t;
}

utVector_c utGeLine_c::tangent(const utPoint_c&) const { return {-b_, a_}; }
utVector_c utGeLine_c::normal(const utPoint_c&) const { return {a_, b_}; }
double utGeLine_c::curvature(const utPoint_c&) const { return 0.0; }

int intersect(const utGeLine_c& L1, const utGeLine_c& L2, utPoint_c* out) {
    const double det = L2.a() * L1.b() - L1.a() * L2.b();
    if (std::fabs(det) < kParallelDet) {
        // The same line may come with the opposite normal, and then with the opposite c.
        const bool sameNormal = L1.a() * L2.a() + L1.b() * L2.b() > 0.0;
        const bool same = sameNormal ? L1.c() == L2.c() : L1.c() == -L2.c();
        return same ? 2 : 0;
    }
    if (out) {
        out->set((L2.b() * L1.c() - L1.b() * L2.c()) / det,
                 (L1.a() * L2.c() - L2.a() * L1.c()) / det);
    }
    return 3;
}

// ---------------------------------------------------------------------------------------------
// Circular arcs (radians)

utGeArc_c::utGeArc_c(const utPoint_c& p1, const utPoint_c& p2, const utPoint_c& p3)
    : start_(p1), end_(p3), radius_(kNoCircleRadius) {
    // Equal neighbours give a chord without direction and so no bisector.
    if (p1 == p2 || p2 == p3) return;
    const utPoint_c m12 = (p1 + p2) * 0.5;
    const utPoint_c m23 = (p2 + p3) * 0.5;
    const utGeLine_c bis12(m12, (p2 - p1).flip());
    const utGeLine_c bis23(m23, (p3 - p2).flip());
    utPoint_c c;
    if (intersect(bis12, bis23, &c) != 3) return;
    centre_ = c;
    radius_ = (p1 - c).length();

    // The sweep is the signed angle from p1 to p3 along the arc that passes p2: positive when
    // the arc turns counter-clockwise (towards +y), negative otherwise.
    const double t1 = std::atan2(p1.y() - c.y(), p1.x() - c.x());
    const double ccwToEnd = positiveAngle(std::atan2(p3.y() - c.y(), p3.x() - c.x()) - t1);
    const double ccwToMid = positiveAngle(std::atan2(p2.y() - c.y(), p2.x() - c.x()) - t1);
    sweep_ = ccwToMid < ccwToEnd ? ccwToEnd : ccwToEnd - 2.0 * kPi;
}

utGeArc_c::utGeArc_c(double r, double s, double e, const utPoint_c& centre)
    : centre_(centre),
      start_(centre.x() + r * std::cos(s), centre.y() + r * std::sin(s)),
      end_(centre.x() + r * std::cos(e), centre.y() + r * std::sin(e)),
      sweep_(e - s),
      radius_(r) {}

utPoint_c utGeArc_c::midPoint() const {
    const utVector_c bisector = (start_ - centre_) + (end_ - centre_);
    return centre_ + bisector.unit() * radius_;
}

bool utGeArc_c::inWedge(const utPoint_c& p) const {
    const double fromStart = utGeLine_c(centre_, start_).signedDistance(p);
    const double fromEnd = utGeLine_c(centre_, end_).signedDistance(p);
    // The angular range runs counter-clockwise from the first ray to the second: from start to
    // end for a positive sweep, from end to start for a negative one. Beyond a half turn the
    // range is the union of the two half-planes rather than their intersection.
    const bool ccw = sweep_ >= 0.0;
    const bool afterFirst = (ccw ? fromStart : fromEnd) > kWedgeEps;
    const bool beforeSecond = (ccw ? fromEnd : fromStart) < kWedgeEps;
    if (std::fabs(sweep_) > kPi) return afterFirst || beforeSecond;
    return afterFirst && beforeSecond;
}

double utGeArc_c::distance(const utPoint_c& p) const {
    if (inWedge(p)) return std::fabs((p - centre_).length() - radius_);
    return std::fmax((p - start_).length(), (p - end_).length());
}

int utGeArc_c::side(const utPoint_c& p, double eps) const {
    if (!inWedge(p)) return 3;
    const double d = (p - centre_).length() - radius_;
    if (std::fabs(d) < eps) return 0;
    return d > 0.0 ? 2 : 1;
}

utPoint_c utGeArc_c::project(const utPoint_c& p) const {
    if (inWedge(p)) return centre_ + (p - centre_).unit() * radius_;
    return (p - end_).length() < (p - start_).length() ? start_ : end_;
}

utPoint_c utGeArc_c::pointAt(const utPoint_c& p, double t) const {
    const double l = (project(p) - centre_).length();
    return {centre_.x() + l * std::cos(t / radius_), centre_.y() + l * std::sin(t / radius_)};
}

utVector_c utGeArc_c::normal(const utPoint_c& p) const { return (project(p) - centre_).unit(); }
utVector_c utGeArc_c::tangent(const utPoint_c& p) const { return normal(p).flip(); }
double utGeArc_c::curvature(const utPoint_c&) const { return 1.0 / radius_; }
bool utGeArc_c::isClosed() const { return start_ == end_; }
bool utGeArc_c::isBounded() const { return true; }

// ---------------------------------------------------------------------------------------------
// Conics read as ellipses

utGeEllipse_c::utGeEllipse_c(double A, double B, double C, double D, double E, double F)
    : A_(A), B_(B), C_(C), D_(D), E_(E), F_(F) {}

bool utGeEllipse_c::computeGeometry() {
    const double disc = A_ * C_ - B_ * B_ / 4.0;
    if (disc <= 0.0) {
        valid_ = false;
        return false;
    }
    const double d = -2.0 * disc;
    const double cx = (D_ * C_ - (B_ / 2.0) * E_) / d;
    const double cy = (E_ * A_ - (B_ / 2.0) * D_) / d;

    // Moved to its centre the conic reads l x^2 + 2 m x y + o y^2 = 1.
    const double k = 1.0 / (B_ * cx * cy + A_ * cx * cx + C_ * cy * cy - F_);
    const double l = k * A_;
    const double m = k * B_ / 2.0;
    const double o = k * C_;
    const double q = std::sqrt(4.0 * m * m + (l - o) * (l - o));
    const double smaller = (l + o - q) / 2.0;
    const double larger = (l + o + q) / 2.0;
    // A point or an imaginary ellipse (the value at the centre has the wrong sign) has no real
    // semi-axes.
    if (!(smaller > 0.0) || !std::isfinite(larger)) {
        valid_ = false;
        return false;
    }

    utVector_c dir = o <= l ? utVector_c(larger - o, m) : utVector_c(m, larger - l);
    // A circle has every direction as axis; take the x axis rather than divide by zero.
    if (dir.length2() == 0.0) dir = utVector_c::xAxis();
    dir.normalize();

    centre_.set(cx, cy);
    a_ = 1.0 / std::sqrt(smaller);
    b_ = 1.0 / std::sqrt(larger);
    ux_ = dir.x();
    uy_ = dir.y();
    valid_ = true;
    return true;
}

double utGeEllipse_c::distance(const utPoint_c& p) const {
    const double x = p.x();
    const double y = p.y();
    return A_ * x * x + B_ * x * y + C_ * y * y + D_ * x + E_ * y + F_;
}

int utGeEllipse_c::side(const utPoint_c& p, double eps) const { return sideOf(distance(p), eps); }
utPoint_c utGeEllipse_c::project(const utPoint_c& p) const { return p; }
utPoint_c utGeEllipse_c::pointAt(const utPoint_c& p, double) const { return p; }
utVector_c utGeEllipse_c::tangent(const utPoint_c&) const { return {}; }
utVector_c utGeEllipse_c::normal(const utPoint_c&) const { return {}; }
double utGeEllipse_c::curvature(const utPoint_c&) const { return 0.0; }
bool utGeEllipse_c::isClosed() const { return A_ * C_ - B_ * B_ / 4.0 > 0.0; }
bool utGeEllipse_c::isBounded() const { return isClosed(); }

// ---------------------------------------------------------------------------------------------
// Cubic Bezier segments

namespace {
constexpr wchar_t kNotImplemented[] = L"Not implemented";

utPoint_c lerp(const utPoint_c& p, const utPoint_c& q, double t) {
    return {p.x() + (q.x() - p.x()) * t, p.y() + (q.y() - p.y()) * t};
}
}  // namespace

utGeBezierSegment_c::utGeBezierSegment_c(const utPoint_c& P0, const utPoint_c& P1,
                                         const utPoint_c& P2, const utPoint_c& P3)
    : P_{P0, P1, P2, P3} {}

utPoint_c utGeBezierSegment_c::pointAtParameter(double t) const {
    const utPoint_c q0 = lerp(P_[0], P_[1], t);
    const utPoint_c q1 = lerp(P_[1], P_[2], t);
    const utPoint_c q2 = lerp(P_[2], P_[3], t);
    const utPoint_c r0 = lerp(q0, q1, t);
    const utPoint_c r1 = lerp(q1, q2, t);
    return lerp(r0, r1, t);
}

double utGeBezierSegment_c::distance(const utPoint_c&) const {
    throw utException_c(kNotImplemented);
}
int utGeBezierSegment_c::side(const utPoint_c&, double) const {
    throw utException_c(kNotImplemented);
}
utPoint_c utGeBezierSegment_c::project(const utPoint_c&) const {
    throw utException_c(kNotImplemented);
}
utPoint_c utGeBezierSegment_c::pointAt(const utPoint_c&, double) const {
    throw utException_c(kNotImplemented);
}
utVector_c utGeBezierSegment_c::tangent(const utPoint_c&) const {
    throw utException_c(kNotImplemented);
}
utVector_c utGeBezierSegment_c::normal(const utPoint_c&) const {
    throw utException_c(kNotImplemented);
}
double utGeBezierSegment_c::curvature(const utPoint_c&) const {
    throw utException_c(kNotImplemented);
}
bool utGeBezierSegment_c::isClosed() const { return false; }
bool utGeBezierSegment_c::isBounded() const { return true; }

// ---------------------------------------------------------------------------------------------
// Points of rotated ellipses (degrees)

utPoint_c ellipsePointAtAngle(double g, double a, double b, double phi, double cx, double cy) {
    // The folding below covers [0, 720]; anything else is the same point a whole turn away.
    if (g < 0.0 || g > 720.0) {
        g = std::fmod(g, 360.0);
        if (g < 0.0) g += 360.0;
    }
    double h = g > 360.0 ? g - 360.0 : g;
    if (h > 270.0) {
        h = 360.0 - h;
    } else if (h > 180.0) {
        h -= 180.0;
    } else if (h > 90.0) {
        h = 180.0 - h;
    }

    const double l = std::tan(h * kDegree);
    double x = a * b / std::sqrt(l * l * a * a + b * b);
    if ((g > 90.0 && g <= 270.0) || (g > 450.0 && g <= 630.0)) x = -x;
    const double r = a * a - x * x;
    double y = r <= 0.0 ? 0.0 : b * std::sqrt(r) / a;
    if ((g > 180.0 && g <= 360.0) || (g > 540.0 && g <= 720.0)) y = -y;

    const double p = phi * kDegree;
    return {cx + x * std::cos(p) + y * std::sin(p), cy - x * std::sin(p) + y * std::cos(p)};
}

}  // namespace Vemora
