#pragma once

#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

// The least-squares circle of the points after Eberly: from the centroid, the centre moves to
// the centroid plus the mean distance times the mean unit vector from the points to the centre,
// for at most 300 steps and until neither coordinate changes by more than 5e-6 of itself.
// Gives the last centre and radius (the mean distance to the centre before it). The points must
// not be empty.
//
// Each step sums over the points in their order; the distances and quotients, which do not
// depend on one another, are worked out several points at a time where the processor can, with
// the same correctly rounded operations, so the result is bit for bit that of one point at a time.
void eberlyCircle(const std::vector<utPoint_c>& points, utPoint_c& centre, double& radius);

}  // namespace Vemora
