#include <vemora/vector/stCurveRecognizers.h>

#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "foundation/mathConstants.h"
#include "vector/circleFit.h"
#include "vector/cloningVisitor.h"
#include "vector/conicFit.h"

namespace Vemora {

namespace {

// Runs a visitor over `input` into a new sketch; the caller owns the result.
template <class Visitor, class... Args>
stSketch_c* visitInto(stSketch_c& input, const Args&... args) {
    auto output = std::make_unique<stSketch_c>();
    Visitor visitor(*output, args...);
    input.visit(visitor);
    return output.release();
}

// Turns degrees into [0, 360) together with a second angle that keeps its distance.
void normaliseAngles(double& start, double& end) {
    const double turns = std::floor(start / 360.0);
    start -= turns * 360.0;
    end -= turns * 360.0;
}
}  // namespace

// =============================================================================================
// Elliptic curve recognizer

namespace {
class tmpEllipticCurveProcessor_c : public tmpCloningVisitor_c {
public:
    tmpEllipticCurveProcessor_c(stSketch_c& output, const stEllipticCurveRecognizer_c& params)
        : tmpCloningVisitor_c(output), params_(params) {}

    void visitSpline(stSpline_c& spline) override {
        const std::vector<utPoint_c>& points = spline.points();
        utConic_c conic;
        utConicEllipse_c e;
        if (points.size() < 5 || !fitConic(points, conic) ||
            !conicToEllipse(conic, points, params_.deviation(), e) || !accepted(e, points.size())) {
            keep(spline);
            return;
        }
        const bool nearlyCircular = e.eccentricity < params_.minEccentricity();
        // A run that goes most of the way round and whose ends meet closely is taken as closed.
        const double gap = (e.end - e.start) * kPi / 180.0;
        const double endDistance = 2.0 * std::fabs(std::sin(gap / 2.0));
        const bool closed =
            e.end - e.start > 180.0 && 1.0 / (1.0 + endDistance) > params_.supportFraction();

        if (nearlyCircular && closed) {
            replace(spline, new stCircle_c(e.centre, e.a));
        } else if (nearlyCircular) {
            // The run's angles are measured in the ellipse's frame, turned by phi; the arc's
            // angles are plain polar angles.
            double start = e.start - e.phi, end = e.end - e.phi;
            normaliseAngles(start, end);
            auto* arc = new stArc_c(e.centre, e.a, start * kPi / 180.0, end * kPi / 180.0);
            arc->setPolynomialCoefficients(conic.A, conic.B, conic.C, conic.D, conic.E, conic.F);
            replace(spline, arc);
        } else if (closed) {
            replace(spline, new stEllipse_c(e.a, e.b, e.phi, e.centre));
        } else {
            auto* arc = new stEllipseArc_c(e.a, e.b, e.phi, e.start, e.end, e.centre);
            arc->setPolynomialCoefficients(conic.A, conic.B, conic.C, conic.D, conic.E, conic.F);
            replace(spline, arc);
        }
    }

private:
    bool accepted(const utConicEllipse_c& e, size_t n) const {
        const double needed = std::trunc(double(n) * params_.supportFraction());
        return double(e.support) >= needed && e.eccentricity <= params_.maxEccentricity();
    }

    const stEllipticCurveRecognizer_c& params_;
};
}  // namespace

stEllipticCurveRecognizer_c::stEllipticCurveRecognizer_c(double supportFraction)
    : supportFraction_(supportFraction) {}

stEllipticCurveRecognizer_c::~stEllipticCurveRecognizer_c() = default;

stSketch_c* stEllipticCurveRecognizer_c::process(stSketch_c* sketch) {
    return sketch ? iProcessFitting(sketch) : nullptr;
}

stSketch_c* stEllipticCurveRecognizer_c::recognize(stSketch_c& sketch) const {
    return visitInto<tmpEllipticCurveProcessor_c>(sketch, *this);
}

stSketch_c* stEllipticCurveRecognizer_c::iProcessFitting(stSketch_c* sketch) {
    stSketch_c* output = recognize(*sketch);
    delete sketch;
    return output;
}

// =============================================================================================
// Circle recognizer by iterative geometric least squares

namespace {
class tmpFeatureRecognizer_c : public tmpCloningVisitor_c {
public:
    tmpFeatureRecognizer_c(stSketch_c& output, double maxMeanDeviation)
        : tmpCloningVisitor_c(output), maxMeanDeviation_(maxMeanDeviation) {}

    void visitSpline(stSpline_c& spline) override {
        const std::vector<utPoint_c>& points = spline.points();
        if (points.size() == 2) {
            replace(spline, new stLine_c(points[0], points[1]));
            return;
        }
        if (points.size() < 4) {
            keep(spline);
            return;
        }
        utPoint_c centre;
        double radius = 0.0;
        eberlyCircle(points, kCurveRecognizerCircleFit, centre, radius);
        double deviation = 0.0;
        for (const utPoint_c& p : points) deviation += std::fabs((p - centre).length() - radius);
        deviation /= double(points.size());
        if (!(deviation < maxMeanDeviation_)) {
            keep(spline);
            return;
        }

        // The arc runs counter-clockwise between the end points over at most half a turn.
        // Both values are deliberately cut short: a negative angle is lifted by this two pi into
        // the arc's angles, and this half turn decides which way an arc of nearly half a turn
        // runs, so the full values would change the arcs this recognizer makes.
        constexpr double kTwoPi = 6.2831853, kHalfTurn = 3.14159;
        auto angleOf = [&](const utPoint_c& p) {
            double a = std::atan2(p.y() - centre.y(), p.x() - centre.x());
            if (a < 0.0) a += kTwoPi;
            return a;
        };
        double start = angleOf(points.front()), end = angleOf(points.back());
        if ((start < end && end - start > kHalfTurn) || (start >= end && start - end <= kHalfTurn))
            std::swap(start, end);
        replace(spline, new stArc_c(centre, radius, start, end));
    }

private:
    double maxMeanDeviation_;
};
}  // namespace

stFeatureRecognizerA_c::stFeatureRecognizerA_c(double maxMeanDeviation)
    : maxMeanDeviation_(maxMeanDeviation) {}

stFeatureRecognizerA_c::~stFeatureRecognizerA_c() = default;

stSketch_c* stFeatureRecognizerA_c::process(stSketch_c* sketch) {
    return sketch ? iProcessLSEberlyIterative(sketch) : nullptr;
}

stSketch_c* stFeatureRecognizerA_c::iProcessLSEberlyIterative(stSketch_c* sketch) {
    stSketch_c* output = visitInto<tmpFeatureRecognizer_c>(*sketch, maxMeanDeviation_);
    delete sketch;
    return output;
}

// =============================================================================================
// Line and ellipse recognizer

namespace {
// Beyond this distance from the chord a spline is no straight line.
constexpr double kLineBand = 5.0;  // sketch units
constexpr int kMinEllipsePoints = 6;

class tmpLineEllipseRecognizer_c : public tmpCloningVisitor_c {
public:
    tmpLineEllipseRecognizer_c(stSketch_c& output, double maxMeanDeviation)
        : tmpCloningVisitor_c(output), maxMeanDeviation_(maxMeanDeviation) {}

    void visitSpline(stSpline_c& spline) override {
        const std::vector<utPoint_c>& points = spline.points();
        if (points.size() < 3) {
            keep(spline);
            return;
        }
        if (isStraight(points)) {
            replace(spline, new stLine_c(points.front(), points.back()));
            return;
        }
        if (points.size() < size_t(kMinEllipsePoints) || !fitEllipse(spline)) keep(spline);
    }

private:
    // The legs keep their direction: the variance of their directions stays below the square of
    // the angle under which the band around the chord appears at the chord's length. Directions
    // are taken relative to the chord, so that a run along the cut of atan2 is not torn apart.
    static bool isStraight(const std::vector<utPoint_c>& points) {
        const utVector_c chord = points.back() - points.front();
        const double length = chord.length();
        if (length == 0.0) return false;
        const double chordDirection = std::atan2(chord.x(), chord.y());
        double sum = 0.0, sum2 = 0.0;
        int legs = 0;
        for (size_t i = 1; i < points.size(); ++i) {
            const utVector_c leg = points[i] - points[i - 1];
            if (leg.length2() == 0.0) continue;
            double d = std::atan2(leg.x(), leg.y()) - chordDirection;
            if (d > kPi) d -= 2.0 * kPi;
            if (d <= -kPi) d += 2.0 * kPi;
            sum += d;
            sum2 += d * d;
            ++legs;
        }
        if (legs == 0) return false;
        const double mean = sum / legs;
        const double variance = sum2 / legs - mean * mean;
        const double tolerance = std::atan2(kLineBand, length);
        return tolerance * tolerance > variance;
    }

    bool fitEllipse(const stSpline_c& spline) {
        const std::vector<utPoint_c>& points = spline.points();
        utConic_c k;
        utPoint_c centre;
        double a = 0.0, b = 0.0;
        if (!fitConic(points, k) || !conicCentreAndAxes(k, centre, a, b)) return false;

        // Mean first-order (Sampson) distance of the points from the conic.
        double deviation = 0.0;
        for (const utPoint_c& p : points) {
            const double x = p.x(), y = p.y();
            const double f = k.A * x * x + k.B * x * y + k.C * y * y + k.D * x + k.E * y + k.F;
            const double gx = 2.0 * k.A * x + k.B * y + k.D;
            const double gy = k.B * x + 2.0 * k.C * y + k.E;
            const double g = std::hypot(gx, gy);
            deviation += g > 0.0 ? std::fabs(f) / g : 0.0;
        }
        deviation /= double(points.size());
        if (!(deviation <= maxMeanDeviation_)) return false;

        // Turning by phi lays the larger semi-axis along the frame's first axis. The fit leaves
        // the sign of the coefficients open; that of an ellipse with A + C > 0 is meant.
        const double sign = k.A + k.C < 0.0 ? -1.0 : 1.0;
        const double phi = std::atan2(sign * k.B, sign * (k.C - k.A)) / 2.0;
        double start = angleInFrame(points.front(), centre, phi);
        double end = angleInFrame(points.back(), centre, phi);
        orderRunAngles(start, end, angleInFrame(points[points.size() / 2], centre, phi));
        auto* arc = new stEllipseArc_c(a, b, phi * 180.0 / kPi, start, end, centre);
        arc->setPolynomialCoefficients(k.A, k.B, k.C, k.D, k.E, k.F);
        replace(spline, arc);
        return true;
    }

    double maxMeanDeviation_;
};
}  // namespace

stFeatureRecognizer_c::stFeatureRecognizer_c() = default;

stFeatureRecognizer_c::~stFeatureRecognizer_c() = default;

stSketch_c* stFeatureRecognizer_c::process(stSketch_c* sketch) {
    if (!sketch) return nullptr;
    stSketch_c* output = visitInto<tmpLineEllipseRecognizer_c>(*sketch, maxMeanDeviation_);
    delete sketch;
    return output;
}

}  // namespace Vemora
