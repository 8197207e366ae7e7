// The conic and circle fitting recognizers: which splines become which entities, and with what
// geometry.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "curvePoints.h"

using namespace Vemora;
using vemora_test::circlePoints;
using vemora_test::ellipsePoints;
using vemora_test::radians;
using vemora_test::withNoise;

namespace {

constexpr double kExact = 1e-6;  // fits of exact points

std::unique_ptr<stSketch_c> sketchOf(const std::vector<utPoint_c>& points) {
    auto sketch = std::make_unique<stSketch_c>();
    sketch->addEntity(new stSpline_c(points));
    return sketch;
}

// Runs a consuming processor over a sketch holding one spline and returns the result.
template <class Processor>
std::unique_ptr<stSketch_c> run(Processor& processor, const std::vector<utPoint_c>& points) {
    return std::unique_ptr<stSketch_c>(processor.process(sketchOf(points).release()));
}

template <class Entity>
const Entity* only(const stSketch_c& sketch) {
    if (sketch.entitiesCount() != 1) return nullptr;
    return dynamic_cast<const Entity*>(sketch.entityAt(0));
}

// The same direction, whole turns apart (radians).
::testing::AssertionResult sameAngle(double a, double b, double tol) {
    const double d = std::remainder(a - b, 2.0 * vemora_test::kPi);
    if (std::fabs(d) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " and " << b << " differ by " << d;
}

void expectNearPoint(const utPoint_c& p, double x, double y, double tol) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
}

// The test ellipse of semi-axes 40 and 20 with its long axis at +30 degrees: the entity turns its
// frame by -phi.
template <class Ellipse>
void expectTheTestEllipse(const Ellipse& e) {
    EXPECT_NEAR(e.a(), 40.0, kExact);
    EXPECT_NEAR(e.b(), 20.0, kExact);
    EXPECT_NEAR(e.phi(), -30.0, kExact);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// stEllipticCurveRecognizer_c

TEST(stEllipticCurveRecognizerTest, ARotatedEllipseGoingOnceRoundBecomesAnEllipse) {
    stEllipticCurveRecognizer_c recognizer(0.65);
    const auto out = run(recognizer, ellipsePoints(100, 80, 40, 20, 30, 0, 354, 60));
    const auto* e = only<stEllipse_c>(*out);
    ASSERT_NE(e, nullptr);
    expectTheTestEllipse(*e);
    expectNearPoint(e->center(), 100, 80, kExact);
}

TEST(stEllipticCurveRecognizerTest, APartOfAnEllipseBecomesAnEllipticArcOverItsAngles) {
    stEllipticCurveRecognizer_c recognizer(0.65);
    const auto points = ellipsePoints(100, 80, 40, 20, 30, 0, 120, 25);
    const auto out = run(recognizer, points);
    const auto* e = only<stEllipseArc_c>(*out);
    ASSERT_NE(e, nullptr);
    expectTheTestEllipse(*e);
    EXPECT_TRUE(sameAngle(radians(e->startAngle()), 0.0, 1e-6));
    EXPECT_NEAR(e->endAngle() - e->startAngle(), 120.0, kExact);
    // The arc's own end points are the run's.
    expectNearPoint(e->pointAtAngle(e->startAngle()), points.front().x(), points.front().y(), 1e-6);
    expectNearPoint(e->pointAtAngle(e->endAngle()), points.back().x(), points.back().y(), 1e-6);
}

TEST(stEllipticCurveRecognizerTest, CircleRunsBecomeCirclesOrArcsThatMeetTheirEndPoints) {
    struct Row {
        const char* name;
        double from, to;  // degrees
        bool circle;
    };
    // A half turn, a short run across angle 0 (not closed however near its ends are on the unit
    // circle of the frame), a run that starts far from angle 0 and goes once round.
    const Row rows[] = {{"half", 20, 200, false},
                        {"short run across zero", -20, 20, false},
                        {"whole turn from 90", 90, 444, true},
                        {"whole turn from 0", 0, 354, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stEllipticCurveRecognizer_c recognizer(0.65);
        const auto points = circlePoints(200, 150, 50, row.from, row.to, 40);
        const auto out = run(recognizer, points);
        ASSERT_EQ(out->entitiesCount(), 1);
        if (row.circle) {
            const auto* c = only<stCircle_c>(*out);
            ASSERT_NE(c, nullptr);
            EXPECT_NEAR(c->radius(), 50.0, kExact);
            expectNearPoint(c->center(), 200, 150, kExact);
            continue;
        }
        const auto* arc = only<stArc_c>(*out);
        ASSERT_NE(arc, nullptr);
        EXPECT_NEAR(arc->radius(), 50.0, kExact);
        // Radians, counter-clockwise from the first point of the run to its last.
        EXPECT_TRUE(sameAngle(arc->startAngle(), radians(row.from), 1e-6));
        EXPECT_TRUE(sameAngle(arc->endAngle(), radians(row.to), 1e-6));
        EXPECT_NEAR(arc->endAngle() - arc->startAngle(), radians(row.to - row.from), 1e-6);
        double c0 = 0, c2 = 0;
        arc->polynomialCoefficients(&c0, nullptr, &c2, nullptr, nullptr, nullptr);
        EXPECT_NEAR(c0 / c2, 1.0, 1e-6);  // the fitted conic is a circle
    }
}

TEST(stEllipticCurveRecognizerTest, SplinesThatCannotBeFittedPassThroughAsClones) {
    struct Row {
        const char* name;
        std::vector<utPoint_c> points;
    };
    const Row rows[] = {
        {"four points", circlePoints(0, 0, 50, 0, 90, 4)},
        {"too flat (eccentricity 0.995)",
         ellipsePoints(0, 0, 100, 100 * std::sqrt(1 - 0.995 * 0.995), 0, 0, 354, 60)},
        {"one y coordinate", {{0, 5}, {1, 5}, {2, 5}, {3, 5}, {4, 5}, {5, 5}}},
        {"one x coordinate", {{5, 0}, {5, 1}, {5, 2}, {5, 3}, {5, 4}, {5, 5}}},
        {"slanted straight run", {{0, 0}, {1, 2}, {2, 4}, {3, 6}, {4, 8}, {5, 10}}},
        {"coincident points", std::vector<utPoint_c>(8, utPoint_c(3, 3))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stEllipticCurveRecognizer_c recognizer(0.65);
        const auto out = run(recognizer, row.points);
        const auto* spline = only<stSpline_c>(*out);
        ASSERT_NE(spline, nullptr);
        EXPECT_EQ(spline->points(), row.points);
    }
}

TEST(stEllipticCurveRecognizerTest, AFitNeedsTheSupportOfItsShareOfThePoints) {
    // 100 exact points support the fit (up to those that rounding puts just beyond the ends of an
    // axis): a share of 0.95 passes, 1.01 (101 points) cannot.
    const auto points = circlePoints(0, 0, 50, 0, 354, 100);
    stEllipticCurveRecognizer_c all(0.95);
    EXPECT_EQ(only<stSpline_c>(*run(all, points)), nullptr);
    stEllipticCurveRecognizer_c more(1.01);
    EXPECT_NE(only<stSpline_c>(*run(more, points)), nullptr);
}

TEST(stEllipticCurveRecognizerTest, OtherEntitiesAreClonedAndTheNewOnesKeepTheSplinesLook) {
    auto sketch = std::make_unique<stSketch_c>();
    sketch->addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(5, 5)));
    auto* spline = new stSpline_c(circlePoints(0, 0, 30, 0, 354, 30));
    const stEntityAttributes_c look(0xFF0000, 2, 3.5);
    spline->setAttributes(&look);
    sketch->addEntity(spline);
    sketch->addEntity(new stPolyline_c());

    stEllipticCurveRecognizer_c recognizer(0.65);
    EXPECT_TRUE(recognizer.consumesInput());
    EXPECT_EQ(recognizer.process(nullptr), nullptr);
    const std::unique_ptr<stSketch_c> out(recognizer.process(sketch.release()));
    ASSERT_EQ(out->entitiesCount(), 3);
    EXPECT_NE(dynamic_cast<stLine_c*>(out->entityAt(0)), nullptr);
    const auto* circle = dynamic_cast<stCircle_c*>(out->entityAt(1));
    ASSERT_NE(circle, nullptr);
    EXPECT_EQ(circle->attributes().color(), 0xFF0000);
    EXPECT_EQ(circle->attributes().lineType(), 2);
    EXPECT_EQ(circle->attributes().width(), 3.5);
    EXPECT_EQ(circle->owner(), out.get());
    EXPECT_NE(dynamic_cast<stPolyline_c*>(out->entityAt(2)), nullptr);
}

// ---------------------------------------------------------------------------------------------
// stFeatureRecognizerA_c

TEST(stFeatureRecognizerATest, ANoisyCircleRunBecomesAnArc) {
    stFeatureRecognizerA_c recognizer(1.0);
    const auto out = run(recognizer, withNoise(circlePoints(120, 90, 50, 0, 342, 20), 0.2, 7));
    const auto* arc = only<stArc_c>(*out);
    ASSERT_NE(arc, nullptr);
    EXPECT_NEAR(arc->radius(), 50.0, 0.5);
    expectNearPoint(arc->center(), 120, 90, 0.5);
}

TEST(stFeatureRecognizerATest, ArcsKeepTheTurnOfAtMostHalfBetweenTheirEnds) {
    struct Row {
        const char* name;
        double from, to;    // degrees of the run
        double start, end;  // degrees of the arc
    };
    const Row rows[] = {{"quarter", 10, 100, 10, 100},
                        {"quarter backwards", 100, 10, 10, 100},
                        {"three quarters give the other quarter", 0, 270, 270, 360}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stFeatureRecognizerA_c recognizer(1.0);
        const auto out = run(recognizer, circlePoints(0, 0, 50, row.from, row.to, 12));
        const auto* arc = only<stArc_c>(*out);
        ASSERT_NE(arc, nullptr);
        // The fixed-point steps creep on short runs; 300 of them leave the fit a little short.
        EXPECT_NEAR(arc->radius(), 50.0, 0.5);
        EXPECT_TRUE(sameAngle(arc->startAngle(), radians(row.start), 0.01));
        EXPECT_TRUE(sameAngle(arc->endAngle(), radians(row.end), 0.01));
    }
}

TEST(stFeatureRecognizerATest, ShortSplinesBecomeLinesOrStayAndPoorFitsStay) {
    stFeatureRecognizerA_c recognizer(1.0);
    const auto two = run(recognizer, {{0, 0}, {3, 4}});
    const auto* line = only<stLine_c>(*two);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->p2(), utPoint_c(3, 4));
    EXPECT_NE(only<stSpline_c>(*run(recognizer, {{0, 0}, {3, 4}, {6, 0}})), nullptr);
    // A zigzag is no circle.
    EXPECT_NE(only<stSpline_c>(*run(recognizer, {{0, 0}, {10, 10}, {20, 0}, {30, 10}, {40, 0}})),
              nullptr);
}

// ---------------------------------------------------------------------------------------------
// stFeatureRecognizer_c

TEST(stFeatureRecognizerTest, StraightRunsBecomeLinesEllipseRunsEllipticArcs) {
    stFeatureRecognizer_c recognizer;
    EXPECT_EQ(recognizer.maxMeanDeviation(), 1.0);

    // Heading up the sketch (-y), where the direction of a leg jumps between +pi and -pi.
    const auto up =
        run(recognizer, withNoise({{50, 100}, {50, 80}, {50, 60}, {50, 40}, {50, 20}}, 0.3, 3));
    const auto* line = only<stLine_c>(*up);
    ASSERT_NE(line, nullptr);

    const auto points = ellipsePoints(100, 80, 40, 20, 30, 10, 200, 30);
    const auto out = run(recognizer, points);
    const auto* e = only<stEllipseArc_c>(*out);
    ASSERT_NE(e, nullptr);
    expectTheTestEllipse(*e);
    EXPECT_NEAR(e->endAngle() - e->startAngle(), 190.0, kExact);
    expectNearPoint(e->pointAtAngle(e->startAngle()), points.front().x(), points.front().y(), 1e-6);
    expectNearPoint(e->pointAtAngle(e->endAngle()), points.back().x(), points.back().y(), 1e-6);
}

TEST(stFeatureRecognizerTest, BentShortRunsAndPoorFitsStaySplines) {
    stFeatureRecognizer_c recognizer;
    EXPECT_NE(only<stSpline_c>(*run(recognizer, {{0, 0}, {20, 20}, {40, 0}, {60, 20}, {80, 0}})),
              nullptr);
    EXPECT_NE(only<stSpline_c>(*run(recognizer, {{0, 0}, {30, 30}})), nullptr);
    // A square's corners are no ellipse within one unit.
    EXPECT_NE(
        only<stSpline_c>(*run(
            recognizer,
            {{0, 0}, {20, 0}, {40, 0}, {40, 20}, {40, 40}, {20, 40}, {0, 40}, {0, 20}, {0, 1}})),
        nullptr);
}
