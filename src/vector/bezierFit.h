#pragma once

// Least-squares fitting of a point run with a chain of cubic Bézier pieces, in the classic
// manner: chord-length parameters, end tangents held fixed, a few Newton-Raphson
// re-parameterisations when the fit is close, and a split at the worst point otherwise.

#include <vemora/foundation/utGeCurve.h>
#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

// Appends to `pieces`, in order, cubic pieces from points.front() to points.back() whose distance
// to every point (and to the midpoint of every pair of neighbours) is below tolerance. The end
// tangents follow the first and last legs. A tolerance of 0 (or less) accepts nothing but
// two-point pieces, so the run is then cut at every inner point. Fewer than two points give no
// pieces.
void fitCubicBeziers(const std::vector<utPoint_c>& points, double tolerance,
                     std::vector<utGeBezierSegment_c>& pieces);

}  // namespace Vemora
