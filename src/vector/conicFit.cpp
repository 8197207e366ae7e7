#include "vector/conicFit.h"

#include <vemora/foundation/utMatrix.h>

#include <algorithm>
#include <cmath>

#include "foundation/mathConstants.h"

namespace Vemora {

namespace {
// The rotation is handed out in degrees with this value of pi, deliberately cut short: the
// degrees of every recognised ellipse and elliptic arc are worked out with it, so the full value
// would move them in their last digits and change the traced output.
constexpr double kPhiPi = 3.141592654;
// Eigenvalues of the reduced system at or below this belong to the ellipse solution.
constexpr double kEllipseEigenvalue = 1e-8;

bool finite(const utConic_c& c) {
    return std::isfinite(c.A) && std::isfinite(c.B) && std::isfinite(c.C) && std::isfinite(c.D) &&
           std::isfinite(c.E) && std::isfinite(c.F);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Direct least-squares fit. The 6-by-6 scatter matrix S = D'D of the design rows
// (x^2, xy, y^2, x, y, 1) is split into the quadratic block S1, the mixed block S2 and the linear
// block S3; the linear coefficients are eliminated (T = S3^-1 S2'), which leaves the 3-by-3
// eigenproblem C1^-1 (S1 - S2 T) a = l a for the quadratic ones. C1 is the constraint matrix
// written so that ellipses have aC1a = B^2 - 4AC < 0: their eigenvalue is the one at or below 0.

bool fitConic(const std::vector<utPoint_c>& points, utConic_c& conic) {
    const int n = int(points.size());
    if (n < 5) return false;

    double minX = points[0].x(), maxX = minX, minY = points[0].y(), maxY = minY;
    double mx = 0.0, my = 0.0;
    for (const utPoint_c& p : points) {
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
        mx += p.x();
        my += p.y();
    }
    mx /= n;
    my /= n;
    const double sx = (maxX - minX) / 2.0;
    const double sy = (maxY - minY) / 2.0;
    // A run along one coordinate line has no extent to normalise by, and no conic to find.
    if (!(sx > 0.0) || !(sy > 0.0)) return false;

    utMatrix_c design(n, 6);
    for (int i = 0; i < n; ++i) {
        const double x = (points[size_t(i)].x() - mx) / sx;
        const double y = (points[size_t(i)].y() - my) / sy;
        double* row = design[i];
        row[0] = x * x;
        row[1] = x * y;
        row[2] = y * y;
        row[3] = x;
        row[4] = y;
        row[5] = 1.0;
    }
    utMatrix_c scatter(6, 6);
    design.trMul(design, scatter);

    utSquireMatrix_c s1(3), s3(3);
    utMatrix_c s2(3, 3);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            s1[i][j] = scatter[i][j];
            s2[i][j] = scatter[i][j + 3];
            s3[i][j] = scatter[i + 3][j + 3];
        }
    }
    utSquireMatrix_c s3Inverse(s3);
    if (!s3.inverceMatrix(s3Inverse)) return false;
    utMatrix_c t(3, 3);
    s3Inverse.mulTr(s2, t);  // S3^-1 S2'
    const utMatrix_c reduced = s1 - s2 * t;

    // C1 = [[0, 0, -2], [0, 1, 0], [-2, 0, 0]] and its inverse.
    utMatrix_c c1Inverse(3, 3);
    c1Inverse[0][2] = c1Inverse[2][0] = -0.5;
    c1Inverse[1][1] = 1.0;
    const utSquireMatrix_c m(c1Inverse * reduced);

    double values[3] = {0.0, 0.0, 0.0};
    utSquireMatrix_c vectors(3);
    if (!m.eigenSystem(values, vectors)) return false;
    int chosen = -1;
    for (int k = 0; k < 3; ++k)
        if (values[k] < kEllipseEigenvalue) chosen = k;  // the last one qualifying
    if (chosen < 0) return false;

    const double A = vectors[0][chosen], B = vectors[1][chosen], C = vectors[2][chosen];
    const double D = -(t[0][0] * A + t[0][1] * B + t[0][2] * C);
    const double E = -(t[1][0] * A + t[1][1] * B + t[1][2] * C);
    const double F = -(t[2][0] * A + t[2][1] * B + t[2][2] * C);

    // Back to sketch coordinates: substitute x -> (x - mx) / sx, y -> (y - my) / sy and multiply
    // by sx^2 sy^2.
    const double sxx = sx * sx, syy = sy * sy, sxy = sx * sy;
    conic.A = A * syy;
    conic.B = B * sxy;
    conic.C = C * sxx;
    conic.D = -2.0 * A * syy * mx - B * sxy * my + D * sx * syy;
    conic.E = -2.0 * C * sxx * my - B * sxy * mx + E * sxx * sy;
    conic.F = A * syy * mx * mx + B * sxy * mx * my + C * sxx * my * my - D * sx * syy * mx -
              E * sxx * sy * my + F * sxx * syy;
    return finite(conic);
}

double angleInFrame(const utPoint_c& p, const utPoint_c& centre, double phi) {
    const double dx = p.x() - centre.x(), dy = p.y() - centre.y();
    const double x = dx * std::cos(phi) - dy * std::sin(phi);
    const double y = dx * std::sin(phi) + dy * std::cos(phi);
    const double r = std::sqrt(x * x + y * y);
    if (r == 0.0) return 0.0;
    const double g = std::acos(std::clamp(x / r, -1.0, 1.0)) * 180.0 / kPi;
    return y < 0.0 ? 360.0 - g : g;
}

namespace {
// Points whose ordinate in the frame lies within `deviation` of the ellipse with semi-axis `along`
// on the first axis and `across` on the second.
int countSupport(const std::vector<utPoint_c>& points, const utPoint_c& centre, double phi,
                 double along, double across, double deviation) {
    const double c = std::cos(phi), s = std::sin(phi);
    int count = 0;
    for (const utPoint_c& p : points) {
        const double dx = p.x() - centre.x(), dy = p.y() - centre.y();
        const double u = dx * c - dy * s;
        const double v = dx * s + dy * c;
        if (std::fabs(u) > along) continue;
        const double z = across / along * std::sqrt(along * along - u * u);
        if (std::fabs(std::fabs(v) - z) <= deviation) ++count;
    }
    return count;
}
}  // namespace

bool conicCentreAndAxes(const utConic_c& k, utPoint_c& centre, double& larger, double& smaller) {
    const double den = k.B * k.B - 4.0 * k.A * k.C;
    if (!(den < 0.0)) return false;  // no ellipse
    const double cx = (2.0 * k.C * k.D - k.B * k.E) / den;
    const double cy = (2.0 * k.A * k.E - k.B * k.D) / den;
    if (!std::isfinite(cx) || !std::isfinite(cy)) return false;

    // Centred form A' x^2 + B' x y + C' y^2 = 1.
    const double scale = 1.0 / (k.A * cx * cx + k.B * cx * cy + k.C * cy * cy - k.F);
    const double a2 = k.A * scale, b2 = k.B * scale, c2 = k.C * scale;
    const double q = std::sqrt((a2 - c2) * (a2 - c2) + b2 * b2);
    const double l1 = (a2 + c2 + q) / 2.0;
    const double l2 = (a2 + c2 - q) / 2.0;
    if (!(l2 > 0.0) || !std::isfinite(l1)) return false;  // imaginary or degenerate
    centre.set(cx, cy);
    larger = 1.0 / std::sqrt(l2);
    smaller = 1.0 / std::sqrt(l1);
    return true;
}

void orderRunAngles(double& start, double& end, double middle) {
    if (end < start) std::swap(start, end);
    if (middle < start || middle > end) {
        const double oldStart = start;
        start = end;
        end = oldStart + 360.0;
    }
    if (start == end) end += 360.0;
}

bool conicToEllipse(const utConic_c& k, const std::vector<utPoint_c>& points, double deviation,
                    utConicEllipse_c& e) {
    if (points.empty()) return false;
    utPoint_c centre;
    double a = 0.0, b = 0.0;
    if (!conicCentreAndAxes(k, centre, a, b)) return false;

    // Half the angle whose tangent is B / (C - A); a circle (B = 0, C = A) has no preferred axes.
    const double dca = k.C - k.A;
    double phi = 0.0;
    if (dca != 0.0) {
        phi = std::atan(k.B / dca) / 2.0;
    } else if (k.B != 0.0) {
        phi = (k.B > 0.0 ? kPi : -kPi) / 4.0;
    }

    // The run's angles: start <= end, and the arc runs through the middle point.
    const size_t n = points.size();
    double start = angleInFrame(points.front(), centre, phi);
    double end = angleInFrame(points.back(), centre, phi);
    orderRunAngles(start, end, angleInFrame(points[n / 2], centre, phi));

    const int supportAsIs = countSupport(points, centre, phi, a, b, deviation);
    const int supportExchanged = countSupport(points, centre, phi, b, a, deviation);
    if (supportExchanged >= supportAsIs) std::swap(a, b);

    const double larger = std::max(a, b), smaller = std::min(a, b);
    e.centre = centre;
    e.a = a;
    e.b = b;
    e.phi = phi / kPhiPi * 180.0;
    e.start = start;
    e.end = end;
    e.support = std::max(supportAsIs, supportExchanged);
    e.eccentricity = std::sqrt(larger * larger - smaller * smaller) / larger;
    return true;
}

}  // namespace Vemora
