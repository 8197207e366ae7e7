#pragma once

// Geometry the writers share: which way an arc runs, where an elliptic arc starts and ends, and
// which entities carry values no file format can hold.

#include <vemora/sketch/stEntity.h>

#include <cmath>
#include <vector>

#include "foundation/mathConstants.h"

namespace Vemora {

// A circular arc as start angle and signed sweep in sketch coordinates (radians; positive runs
// toward increasing angles, which is clockwise on screen because y points down).
struct stArcSpan_c {
    double start;
    double sweep;
};

// The arc runs counter-clockwise (growing angles) from startAngle to endAngle, a whole turn when
// they are equal; a three-point arc whose p2 lies off that run goes the other way instead.
stArcSpan_c arcSpan(const stArc_c& arc);

// Three collinear points leave the arc without a circle (radius 1e99): it is drawn as the chord
// from p1 to p3.
bool arcIsChord(const stArc_c& arc);

// An elliptic arc's start and sweep in degrees, sweep in (0, 360]: the angle grows from start to
// end (the end is taken a turn later when it is not beyond the start).
struct stEllipseSpan_c {
    double start;
    double sweep;
};
stEllipseSpan_c ellipseSpan(const stEllipseArc_c& arc);

// Unit direction of the ellipse's a axis in sketch coordinates: phi turns it toward -y.
inline void ellipseAxis(double phiDegrees, double& ux, double& uy) {
    const double p = phiDegrees * kPi / 180.0;
    ux = std::cos(p);
    uy = -std::sin(p);
}

inline bool finite(double v) { return std::isfinite(v); }
inline bool finite(const utPoint_c& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }
bool allFinite(const std::vector<utPoint_c>& points);

// Circles, arcs and ellipses a file can hold: finite values and sizes above zero.
inline bool writableCircle(const utPoint_c& centre, double radius) {
    return finite(centre) && finite(radius) && radius > 0.0;
}
inline bool writableArc(const stArc_c& arc) {
    return writableCircle(arc.center(), arc.radius()) && finite(arc.startAngle()) &&
           finite(arc.endAngle());
}
inline bool writableEllipse(double a, double b, double phi, const utPoint_c& centre) {
    return finite(a) && finite(b) && finite(phi) && finite(centre) && a > 0.0 && b > 0.0;
}

// Control points of a chain of cubic Bezier pieces: 3k + 1 of them, k >= 1.
inline bool isBezierChain(const std::vector<utPoint_c>& controls) {
    return controls.size() >= 4 && (controls.size() - 1) % 3 == 0;
}

}  // namespace Vemora
