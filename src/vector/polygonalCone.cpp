#include "vector/polygonalCone.h"

namespace Vemora {

namespace {
// Distances this close to an edge count as on it.
constexpr double kOnLine = 1e-7;
bool positive(double d) { return d > kOnLine; }
bool negative(double d) { return d < -kOnLine; }
}  // namespace

utPolygonalCone_c::Line utPolygonalCone_c::lineTo(const utPoint_c& q) const {
    const double length = (q - anchor_).length();
    Line line;
    line.n = utVector_c(-(q.y() - anchor_.y()) / length, (q.x() - anchor_.x()) / length);
    line.offset = line.n * anchor_;
    return line;
}

void utPolygonalCone_c::sidePoints(const utPoint_c& p, utPoint_c& left, utPoint_c& right) const {
    const utVector_c across = (p - anchor_).flip().unit() * halfWidth_;
    left = p + across;
    right = p - across;
}

bool utPolygonalCone_c::open(const utPoint_c& anchor, const utPoint_c& p, double halfWidth) {
    // The normal of a point on the anchor would be 0/0, and every distance to its edges NaN,
    // which no side test rejects: the cone would swallow the rest of the chain.
    if ((p - anchor).length2() == 0.0) return false;
    anchor_ = anchor;
    halfWidth_ = halfWidth;
    utPoint_c left, right;
    sidePoints(p, left, right);
    left_ = lineTo(left);
    right_ = lineTo(right);
    return true;
}

utPolygonalCone_c::Where utPolygonalCone_c::admit(const utPoint_c& p) {
    const double l = left_.distance(p);
    const double r = right_.distance(p);
    if (!positive(l) && !negative(l)) return kOnEdge;
    if (!positive(r) && !negative(r)) return kOnEdge;
    if (!negative(l) || !positive(r)) return kOutside;
    // Inside: each edge swings in to p's own corridor where that is narrower.
    utPoint_c left, right;
    sidePoints(p, left, right);
    if (negative(left_.distance(left))) left_ = lineTo(left);
    if (positive(right_.distance(right))) right_ = lineTo(right);
    return kInside;
}

}  // namespace Vemora
