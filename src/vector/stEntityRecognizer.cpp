#include <vemora/vector/stEntityRecognizer.h>

#include <vemora/engine/stToolContext.h>
#include <vemora/sketch/stSketch.h>
#include <vemora/vector/stCurveRecognizers.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "config/propertyTable.h"
#include "foundation/mathConstants.h"
#include "vector/circleFit.h"
#include "vector/cloningVisitor.h"
#include "vector/conicFit.h"

namespace Vemora {

namespace {
// A spline of five or more points becomes an arc when it stays this close to its circle.
constexpr double kArcTolerance = 1.01;  // sketch units
// End points closer than this in x and in y make a closed run.
constexpr double kClosedRun = 0.01;
// A four-point spline is one straight piece when its two shorter legs are this small a share of
// the longest.
constexpr double kHookShare = 0.15;
// Three-point splines: a leg shorter than this share of the other is a hook to cut off; legs
// whose ratio lies strictly between the two bounds below make a corner of two pieces.
constexpr double kHookRatio = 0.25;
constexpr double kCornerMinRatio = 0.3;
constexpr double kCornerMaxRatio = 3.0;

bool isClosedRun(const std::vector<utPoint_c>& points) {
    const utPoint_c& first = points.front();
    const utPoint_c& last = points.back();
    return std::fabs(first.x() - last.x()) <= kClosedRun &&
           std::fabs(first.y() - last.y()) <= kClosedRun;
}

// The foot of p on the line through u and v (u != v).
utPoint_c foot(const utPoint_c& p, const utPoint_c& u, const utPoint_c& v) {
    const utVector_c d = v - u;
    return u + d * (((p - u) * d) / d.length2());
}

double distance(const utPoint_c& p, const utPoint_c& q) { return (p - q).length(); }

// Recognizes the splines of a sketch into a result sketch; everything else is cloned into it,
// polylines and regions whole.
class tmpEntityProcessor_c : public tmpCloningVisitor_c {
public:
    tmpEntityProcessor_c(stSketch_c& result, double maxError)
        : tmpCloningVisitor_c(result), maxError_(maxError) {}

    void visitSpline(stSpline_c& spline) override {
        const std::vector<utPoint_c>& p = spline.points();
        const double width = spline.attributes().width();
        switch (p.size()) {
            case 0:
            case 1:
                keep(spline);
                return;
            case 2:
                piece(p[0], p[1], width);
                return;
            case 3:
                recognizeThree(spline, p[0], p[1], p[2], width);
                return;
            case 4:
                recognizeFour(spline, p[0], p[1], p[2], p[3], width);
                return;
            default:
                recognizeArc(spline);
                return;
        }
    }

private:
    // A two-point spline of colour 0 and line type 0; dropped unless longer than the maximum error.
    void piece(const utPoint_c& p, const utPoint_c& q, double width) {
        if (!(distance(p, q) > maxError_)) return;
        auto spline = std::make_unique<stSpline_c>(std::vector<utPoint_c>{p, q});
        const stEntityAttributes_c attributes(0, 0, width);
        spline->setAttributes(&attributes);
        add(spline.release());
    }

    void recognizeArc(const stSpline_c& spline) {
        double cx = 0.0, cy = 0.0, r = 0.0, start = 0.0, end = 0.0;
        if (!stEntityRecognizer_c::checkIfArc(spline.points(), cx, cy, r, start, end,
                                              kArcTolerance)) {
            keep(spline);
            return;
        }
        // A run that comes back to its start is the whole circle, not the arc between its ends.
        std::unique_ptr<stEntity_c> made;
        if (isClosedRun(spline.points())) {
            made = std::make_unique<stCircle_c>(utPoint_c(cx, cy), r);
        } else {
            made = std::make_unique<stArc_c>(utPoint_c(cx, cy), r, start, end);
        }
        replace(spline, made.release());
    }

    // The longest leg carries the spline; hooks at both ends are cut off when the other two legs
    // are short beside it.
    void recognizeFour(const stSpline_c& spline, const utPoint_c& a, const utPoint_c& b,
                       const utPoint_c& c, const utPoint_c& d, double width) {
        const double ab = distance(a, b), bc = distance(b, c), cd = distance(c, d);
        const utPoint_c* u = &c;
        const utPoint_c* v = &d;
        double longest = cd, others = ab + bc;
        if (ab > bc) {
            if (ab > cd) u = &a, v = &b, longest = ab, others = bc + cd;
        } else if (bc > cd) {
            u = &b, v = &c, longest = bc, others = ab + cd;
        }
        if (!(others < kHookShare * longest)) {
            keep(spline);
            return;
        }
        piece(foot(a, *u, *v), foot(d, *u, *v), width);
    }

    void recognizeThree(const stSpline_c& spline, const utPoint_c& a, const utPoint_c& b,
                        const utPoint_c& c, double width) {
        const double ab = distance(a, b), bc = distance(b, c);
        if (bc > 0.0 && ab / bc < kHookRatio) {
            piece(foot(a, b, c), c, width);  // a hook at the start
        } else if (ab > 0.0 && bc / ab < kHookRatio) {
            piece(a, foot(c, a, b), width);  // a hook at the end
        } else if (bc > 0.0 && ab / bc > kCornerMinRatio && ab / bc < kCornerMaxRatio) {
            piece(a, b, width);
            piece(b, c, width);
        } else {
            keep(spline);
        }
    }

    const double maxError_;
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction and configuration

stEntityRecognizer_c::stEntityRecognizer_c() = default;

stEntityRecognizer_c::stEntityRecognizer_c(stSketch_c* sketch, double maxError,
                                           double ellipseTolerance, double ellipseDeviation)
    : sketch_(sketch),
      useRecognizer_(true),
      maxError_(maxError),
      approximationMaxError_(0.91),
      ellipseRecognition_(true),
      ellipseTolerance_(ellipseTolerance),
      ellipseDeviation_(ellipseDeviation),
      ellipseMaxEccentricity_(0.99),
      ellipseMinEccentricity_(0.05) {}

stEntityRecognizer_c::stEntityRecognizer_c(double maxError, double ellipseTolerance,
                                           double ellipseDeviation)
    : stEntityRecognizer_c(nullptr, maxError, ellipseTolerance, ellipseDeviation) {}

stEntityRecognizer_c::stEntityRecognizer_c(const stEntityRecognizer_c& other) = default;
stEntityRecognizer_c& stEntityRecognizer_c::operator=(const stEntityRecognizer_c& other) = default;
stEntityRecognizer_c::~stEntityRecognizer_c() = default;

const tmpPropertyTable_c<stEntityRecognizer_c>& stEntityRecognizer_c::properties() {
    static const tmpPropertyTable_c<stEntityRecognizer_c> table = [] {
        tmpPropertyTable_c<stEntityRecognizer_c> t;
        t.boolean(L"UseRecognizer", &stEntityRecognizer_c::useRecognizer_)
            .real(L"MaxError", &stEntityRecognizer_c::maxError_)
            .real(L"ApproximationMaxError", &stEntityRecognizer_c::approximationMaxError_)
            .boolean(L"EllipseRecognition", &stEntityRecognizer_c::ellipseRecognition_)
            .real(L"EllipseTolerance", &stEntityRecognizer_c::ellipseTolerance_)
            .real(L"EllipseDeviation", &stEntityRecognizer_c::ellipseDeviation_)
            .real(L"EllipseMaxEccentricity", &stEntityRecognizer_c::ellipseMaxEccentricity_)
            .real(L"EllipseMinEccentricity", &stEntityRecognizer_c::ellipseMinEccentricity_);
        return t;
    }();
    return table;
}

namespace {
stConfigurable_c* create() { return new stEntityRecognizer_c(); }
}  // namespace

stDescriptor_c* stEntityRecognizer_c::desc() {
    static stDescriptor_c d(L"EntityRecognizer", &create, stSketchProcessor_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stEntityRecognizer_c::isA() { return desc(); }

stXmlElement_c* stEntityRecognizer_c::toXml(stXmlElement_c* element) const { return element; }

void stEntityRecognizer_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

// ---------------------------------------------------------------------------------------------
// A run

stSketch_c* stEntityRecognizer_c::process(stSketch_c* sketch) {
    sketch_ = sketch;
    double sx = 1.0, sy = 1.0;
    if (stToolContext_c* tool = context()) tool->getScalingInfo(sx, sy);
    const double scale = std::min(sx, sy);
    maxError_ *= scale;
    approximationMaxError_ *= scale;
    if (!sketch) return nullptr;
    return recognize();
}

stSketch_c* stEntityRecognizer_c::recognize() {
    static const wchar_t* const kStep = L"Recognizer...";
    stSketch_c* const input = sketch_;
    sketch_ = nullptr;  // the input is gone or handed back when the run ends
    if (!useRecognizer_) return input;
    if (!notifyStarted()) {
        notifyFinished();
        return input;
    }
    if (!notifyStepStarted(kStep)) {
        notifyFinished();
        return input;
    }
    std::unique_ptr<stSketch_c> result;
    try {
        // The input is deleted only once everything else has succeeded, so that a failure leaves
        // it to the caller.
        std::unique_ptr<stSketch_c> fitted;
        stSketch_c* source = input;
        if (ellipseRecognition_) {
            stEllipticCurveRecognizer_c ellipses(ellipseTolerance_);
            ellipses.setDeviation(ellipseDeviation_);
            ellipses.setMaxEccentricity(ellipseMaxEccentricity_);
            ellipses.setMinEccentricity(ellipseMinEccentricity_);
            fitted.reset(ellipses.recognize(*input));
            source = fitted.get();
        }
        result = std::make_unique<stSketch_c>();
        tmpEntityProcessor_c visitor(*result, maxError_);
        source->visit(visitor);
    } catch (...) {
        notifyStepFinished(kStep);
        notifyFinished();
        throw;
    }
    delete input;
    notifyStepFinished(kStep);
    notifyFinished();
    return result.release();
}

// ---------------------------------------------------------------------------------------------
// Shape tests

namespace {
constexpr int kMinEllipticArcPoints = 11;
constexpr double kEllipticArcDeviation = 1.0;  // sketch units
constexpr double kEllipticArcSupport = 0.9;
constexpr double kEllipticArcMaxEccentricity = 0.99;
}  // namespace

bool stEntityRecognizer_c::checkIfArc(const std::vector<utPoint_c>& points, double& cx, double& cy,
                                      double& radius, double& startAngle, double& endAngle,
                                      double tolerance) {
    const size_t n = points.size();
    if (n < 5) return false;

    utPoint_c centre;
    double r = 0.0;
    eberlyCircle(points, kArcTestCircleFit, centre, r);

    // An open run: the circle of that radius through both end points, on the side away from the
    // run's middle point (arcs of at most half a turn).
    const utPoint_c& first = points.front();
    const utPoint_c& last = points.back();
    if (!isClosedRun(points)) {
        const utVector_c chord = last - first;
        const double half = chord.length() / 2.0;
        if (half > r) return false;
        const utPoint_c middle((first.x() + last.x()) / 2.0, (first.y() + last.y()) / 2.0);
        const utVector_c across = chord.flip().unit() * std::sqrt(r * r - half * half);
        const utPoint_c one = middle + across;
        const utPoint_c other = middle - across;
        const utPoint_c& runMiddle = points[n / 2];
        centre = distance(one, runMiddle) > distance(other, runMiddle) ? one : other;
    }

    // Deviation of the points and of the midpoints between neighbours.
    double sum = 0.0, worst = 0.0;
    auto account = [&](const utPoint_c& p) {
        const double d = std::fabs(distance(p, centre) - r);
        sum += d;
        worst = std::max(worst, d);
    };
    for (size_t i = 0; i < n; ++i) {
        account(points[i]);
        if (i + 1 < n)
            account(utPoint_c((points[i].x() + points[i + 1].x()) / 2.0,
                              (points[i].y() + points[i + 1].y()) / 2.0));
    }
    const double mean = sum / double(2 * n - 1);
    if (!(tolerance > worst && tolerance > mean)) return false;

    // Counter-clockwise from start to end over at most half a turn.
    auto angleOf = [&](const utPoint_c& p) {
        double a = std::atan2(p.y() - centre.y(), p.x() - centre.x());
        if (a < 0.0) a += 2.0 * kPi;
        return a;
    };
    double a0 = angleOf(first), a1 = angleOf(last);
    if ((a0 < a1 && a1 - a0 > kPi) || (a0 >= a1 && a0 - a1 <= kPi)) std::swap(a0, a1);
    cx = centre.x();
    cy = centre.y();
    radius = r;
    startAngle = a0;
    endAngle = a1;
    return true;
}

bool stEntityRecognizer_c::checkIfArc(const stSpline_c* spline, double& cx, double& cy,
                                      double& radius, double& startAngle, double& endAngle,
                                      double tolerance) {
    return spline && checkIfArc(spline->points(), cx, cy, radius, startAngle, endAngle, tolerance);
}

bool stEntityRecognizer_c::checkIfEllipticArc(const std::vector<utPoint_c>& points, double& cx,
                                              double& cy, double& phi, double& a, double& b,
                                              double& startAngle, double& endAngle,
                                              double /*tolerance*/) {
    if (points.size() < size_t(kMinEllipticArcPoints)) return false;
    utConic_c conic;
    utConicEllipse_c e;
    if (!fitConic(points, conic) || !conicToEllipse(conic, points, kEllipticArcDeviation, e))
        return false;
    const double needed = std::trunc(kEllipticArcSupport * double(points.size()));
    if (double(e.support) < needed || !(e.eccentricity <= kEllipticArcMaxEccentricity))
        return false;
    cx = e.centre.x();
    cy = e.centre.y();
    phi = e.phi;
    a = e.a;
    b = e.b;
    startAngle = e.start;
    endAngle = e.end;
    return true;
}

bool stEntityRecognizer_c::checkIfStraightLineSegment(const std::vector<utPoint_c>& points,
                                                      double& x1, double& y1, double& x2,
                                                      double& y2, double tolerance) {
    const size_t n = points.size();
    if (n < 2) return false;
    const utPoint_c& first = points.front();
    const utPoint_c& last = points.back();
    if (n > 2) {
        const utVector_c chord = last - first;
        const double length = chord.length();
        double sum = 0.0, worst = 0.0;
        for (size_t i = 1; i + 1 < n; ++i) {
            const utVector_c d = points[i] - first;
            // A run that returns to its start is measured from that point.
            const double dist = length > 0.0
                                    ? std::fabs(chord.x() * d.y() - chord.y() * d.x()) / length
                                    : d.length();
            sum += dist;
            worst = std::max(worst, dist);
        }
        const double mean = sum / double(n - 2);
        if (worst > tolerance && !(mean < tolerance)) return false;
    }
    x1 = first.x();
    y1 = first.y();
    x2 = last.x();
    y2 = last.y();
    return true;
}

bool stEntityRecognizer_c::checkIfStraightLineSegment(const stSpline_c* spline, double& x1,
                                                      double& y1, double& x2, double& y2,
                                                      double tolerance) {
    return spline && checkIfStraightLineSegment(spline->points(), x1, y1, x2, y2, tolerance);
}

namespace {
// The flatness test along one coordinate: `along` runs with the line, `across` is tested.
bool checkIfLevel(const std::vector<utPoint_c>& points, int along, int across, double& level,
                  double tolerance) {
    if (points.empty()) return false;
    const double dAlong = std::fabs(points.front().coord(along) - points.back().coord(along));
    const double dAcross = std::fabs(points.front().coord(across) - points.back().coord(across));
    if (!(dAcross < 2.0 * tolerance && dAcross < dAlong)) return false;
    const double n = double(points.size());
    double mean = 0.0;
    for (const utPoint_c& p : points) mean += p.coord(across);
    mean /= n;
    double squares = 0.0;
    for (const utPoint_c& p : points)
        squares += (p.coord(across) - mean) * (p.coord(across) - mean);
    if (!(std::sqrt(squares) / n < tolerance)) return false;
    level = mean;
    return true;
}
}  // namespace

bool stEntityRecognizer_c::checkIfHorizontal(const std::vector<utPoint_c>& points, double& level,
                                             double tolerance) {
    return checkIfLevel(points, 0, 1, level, tolerance);
}

bool stEntityRecognizer_c::checkIfVertical(const std::vector<utPoint_c>& points, double& level,
                                           double tolerance) {
    return checkIfLevel(points, 1, 0, level, tolerance);
}

}  // namespace Vemora
