#pragma once

// The cone pass of polygonal approximation (a sector intersection in the manner of Sklansky and
// Gonzalez): from an anchor, a cone is opened towards the next point, widened by the corridor's
// half-width either side of it, and narrowed by every later point that falls inside. The point
// before the first one that leaves the cone becomes a vertex and the next anchor. One linear pass
// with constant work per point.
//
// The pass is shared by every reduction of point chains to their corners; what each does with
// the last point differs, so the pass leaves it to the caller.

#include <vemora/foundation/utPoint.h>

#include <cstddef>
#include <vector>

namespace Vemora {

class utPolygonalCone_c {
public:
    enum Where { kInside, kOnEdge, kOutside };

    // Opens the cone from anchor towards p. A point on the anchor itself gives no direction, so
    // no cone: the answer is then false and the cone is left as it was.
    bool open(const utPoint_c& anchor, const utPoint_c& p, double halfWidth);
    // Where p lies against the open cone; a point inside narrows it to p's own corridor.
    Where admit(const utPoint_c& p);

private:
    // A line through the anchor and a point q, as unit normal and offset: the signed distance of
    // x is n.x - offset, positive to the left of the direction anchor -> q.
    struct Line {
        utVector_c n;
        double offset = 0.0;
        double distance(const utPoint_c& x) const { return n * x - offset; }
    };
    Line lineTo(const utPoint_c& q) const;
    // p moved by the half-width to the left and to the right of the direction anchor -> p.
    void sidePoints(const utPoint_c& p, utPoint_c& left, utPoint_c& right) const;

    utPoint_c anchor_;
    double halfWidth_ = 0.0;
    Line left_;
    Line right_;
};

// Runs the pass over points 0 .. n-1 (pointAt(i) gives a const utPoint_c&) and fills vertices
// with the indices of the kept vertices in order: 0 first, then each corner. The last point is
// not among them. Returns true when a cone was open after the last point, false when every point
// after the last vertex lay on it (a chain of one point, or of copies of one point).
template <class PointAt>
bool polygonalConeVertices(size_t n, PointAt&& pointAt, double halfWidth,
                           std::vector<size_t>& vertices) {
    vertices.clear();
    if (n == 0) return false;
    vertices.push_back(0);
    utPolygonalCone_c cone;
    bool hasCone = false;
    for (size_t i = 1; i < n; ++i) {
        const utPoint_c& p = pointAt(i);
        if (!hasCone) {
            hasCone = cone.open(pointAt(vertices.back()), p, halfWidth);
        } else if (cone.admit(p) == utPolygonalCone_c::kOutside) {
            vertices.push_back(i - 1);
            hasCone = cone.open(pointAt(i - 1), p, halfWidth);
        }
    }
    return hasCone;
}

}  // namespace Vemora
