#pragma once

// The centre line of an entity as a polyline in sketch coordinates: the two ends of a line, the
// run of an arc or an elliptic arc, a whole circle or ellipse, the Bezier chain or the polygon of
// a spline, a point alone. Curves are cut into chords of about one pixel, which keeps them within
// a few hundredths of a pixel of the curve at the radii of drawn strokes. Entities without
// geometry, and values that are not finite, give no points.

#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

class stEntity_c;

std::vector<utPoint_c> centreLine(stEntity_c& entity);

double polylineLength(const std::vector<utPoint_c>& points);

}  // namespace Vemora
