#include "entityGeometry.h"

namespace Vemora {

namespace {

constexpr double kTwoPi = 2.0 * kPi;
constexpr double kNoCircle = 1e99;

double distance(const utPoint_c& a, const utPoint_c& b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

// a - b reduced into [0, 2 pi).
double turnFrom(double a, double b) {
    double d = std::fmod(a - b, kTwoPi);
    if (d < 0.0) d += kTwoPi;
    return d;
}

}  // namespace

bool arcIsChord(const stArc_c& arc) { return !(arc.radius() < kNoCircle); }

stArcSpan_c arcSpan(const stArc_c& arc) {
    // The producers build arcs from centre, radius and angles and mean the counter-clockwise
    // (growing-angle) run from start to end.
    const double s = arc.startAngle();
    double sweep = turnFrom(arc.endAngle(), s);
    if (sweep == 0.0) sweep = kTwoPi;

    // A three-point arc may run the other way: its p2 is then an intermediate point off the
    // growing run. An arc built from angles has p2 in the middle of the shorter arc between its
    // ends, which says nothing about the direction, so such a p2 is not consulted.
    const double r = arc.radius();
    const double tol = 1e-9 * std::max(r, 1.0);
    const utPoint_c& c = arc.center();
    if (distance(arc.p2(), arc.p1()) <= tol || distance(arc.p2(), arc.p3()) <= tol) {
        return {s, sweep};
    }
    const double bx = (arc.p1().x() - c.x()) + (arc.p3().x() - c.x());
    const double by = (arc.p1().y() - c.y()) + (arc.p3().y() - c.y());
    const double b = std::hypot(bx, by);
    if (b > tol && distance(arc.p2(), {c.x() + bx / b * r, c.y() + by / b * r}) <= 1e-7 * r) {
        return {s, sweep};
    }
    const double m = std::atan2(arc.p2().y() - c.y(), arc.p2().x() - c.x());
    if (turnFrom(m, s) <= sweep) return {s, sweep};
    return {s, sweep - kTwoPi};
}

stEllipseSpan_c ellipseSpan(const stEllipseArc_c& arc) {
    double sweep = arc.endAngle() - arc.startAngle();
    if (sweep <= 0.0) sweep += 360.0 * std::ceil((-sweep + 1e-12) / 360.0);
    if (sweep > 360.0) sweep = 360.0;
    return {arc.startAngle(), sweep};
}

bool allFinite(const std::vector<utPoint_c>& points) {
    for (const utPoint_c& p : points) {
        if (!finite(p)) return false;
    }
    return true;
}

}  // namespace Vemora
