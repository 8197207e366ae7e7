#pragma once

// The conic fit shared by the curve recognizers and the elliptic arc test: a direct least-squares
// ellipse fit and the reading of its coefficients as an ellipse through a run of points.

#include <vemora/foundation/utPoint.h>

#include <vector>

namespace Vemora {

// A x^2 + B x y + C y^2 + D x + E y + F = 0, in sketch coordinates.
struct utConic_c {
    double A = 0.0, B = 0.0, C = 0.0, D = 0.0, E = 0.0, F = 0.0;
};

// Fits a conic to the points under the ellipse constraint 4 A C - B^2 = 1 (Halir and Flusser's
// stable form of the direct fit), on points normalised to their mean and half ranges. False for
// fewer than five points, for points that share one x or one y coordinate (the normalisation
// would divide by zero), and when the eigen-solver fails or gives no finite coefficients.
bool fitConic(const std::vector<utPoint_c>& points, utConic_c& conic);

// The centre and the semi-axes (larger first) of an ellipse conic. False when the conic is no real
// ellipse (a hyperbola, a parabola, an imaginary ellipse, or non-finite values).
bool conicCentreAndAxes(const utConic_c& conic, utPoint_c& centre, double& larger, double& smaller);

// A fitted conic read as an ellipse through a run of points.
struct utConicEllipse_c {
    utPoint_c centre;
    double a = 0.0;      // semi-axis along the frame's first axis
    double b = 0.0;      // semi-axis along the frame's second axis
    double phi = 0.0;    // degrees; the ellipse's frame is the sketch turned by +phi
    double start = 0.0;  // degrees, in the ellipse's frame
    double end = 0.0;    // degrees, start <= end <= start + 360
    int support = 0;     // points within the deviation band
    double eccentricity = 0.0;
};

// Centre, semi-axes, rotation, the angles of the run and its support. The semi-axes are assigned
// to the frame's axes so that the support is largest (the exchanged assignment on ties). False
// when the conic is no real ellipse (a hyperbola, a parabola, or non-finite values).
bool conicToEllipse(const utConic_c& conic, const std::vector<utPoint_c>& points, double deviation,
                    utConicEllipse_c& ellipse);

// Orders the angles (degrees) of a run's first, middle and last point into start <= end so that
// the arc from start to end passes the middle; equal angles make a whole turn.
void orderRunAngles(double& start, double& end, double middle);

// The polar angle, in degrees in [0, 360), of p in the frame centred at `centre` and turned by
// +phi radians.
double angleInFrame(const utPoint_c& p, const utPoint_c& centre, double phi);

}  // namespace Vemora
