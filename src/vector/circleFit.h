#pragma once

#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

// How a circle fit measures and when it stops. The recognisers that fit circles were tuned apart
// and what they recognise depends on these details, so each keeps its own.
struct utCircleFitRule_c {
    // A step settles when neither coordinate of the centre changes by this part of itself.
    double tolerance;
    // The mean distance must settle too, by the same part.
    bool radiusSettles;
    // Distances by std::hypot rather than the square root of the sum of squares (the two differ in
    // their last bit now and then).
    bool hypotDistances;
};

// The entity recognizer's arc test.
constexpr utCircleFitRule_c kArcTestCircleFit{5e-6, false, false};
// The circle recognizer of the curve recognizers.
constexpr utCircleFitRule_c kCurveRecognizerCircleFit{5e-5, true, true};

// The least-squares circle of the points after Eberly: from the centroid, the centre moves to
// the centroid plus the mean distance times the mean unit vector from the points to the centre,
// for at most 300 steps and until the rule finds a step settled. Gives the last centre and
// radius (the mean distance to the centre before it). The points must not be empty.
//
// Each step sums over the points in their order. With the square root distances, the distances
// and quotients, which do not depend on one another, are worked out several points at a time
// where the processor can, with the same correctly rounded operations, so the result is bit for
// bit that of one point at a time.
void eberlyCircle(const std::vector<utPoint_c>& points, const utCircleFitRule_c& rule,
                  utPoint_c& centre, double& radius);

}  // namespace Vemora
