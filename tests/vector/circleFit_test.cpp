// The least-squares circle fit, under the rules of both recognisers that use it.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "curvePoints.h"
#include "vector/circleFit.h"

using namespace Vemora;
using vemora_test::circlePoints;
using vemora_test::withNoise;

namespace {

struct RuleRow {
    const char* name;
    utCircleFitRule_c rule;
    double tol;  // how close an iterated fit comes; the curve recognizer stops at a coarser change
};

const RuleRow kRules[] = {{"arc test", kArcTestCircleFit, 1e-3},
                          {"curve recognizer", kCurveRecognizerCircleFit, 1e-2}};

}  // namespace

// Points of the 3-4-5 circle about (3, 4): the centroid is well off the centre, so the fit has to
// walk there.
TEST(eberlyCircleTest, FindsTheCircleThroughHandPickedPoints) {
    const std::vector<std::vector<utPoint_c>> runs = {
        {{8, 4}, {7, 7}, {6, 8}, {3, 9}, {0, 8}},
        {{8, 4}, {7, 7}, {3, 9}, {-2, 4}, {3, -1}},
        {{8, 4}, {7, 7}, {6, 8}, {3, 9}, {0, 8}, {-1, 7}, {-2, 4}}};
    for (const RuleRow& row : kRules) {
        for (size_t i = 0; i < runs.size(); ++i) {
            SCOPED_TRACE(testing::Message() << row.name << ", run " << i);
            utPoint_c centre;
            double radius = 0.0;
            eberlyCircle(runs[i], row.rule, centre, radius);
            EXPECT_NEAR(centre.x(), 3.0, row.tol);
            EXPECT_NEAR(centre.y(), 4.0, row.tol);
            EXPECT_NEAR(radius, 5.0, row.tol);
        }
    }
}

TEST(eberlyCircleTest, NoisyPointsOfThreeQuartersStayNearTheirCircle) {
    const std::vector<utPoint_c> points =
        withNoise(circlePoints(50, -20, 30, -30, 240, 41), 0.25, 7);
    for (const RuleRow& row : kRules) {
        SCOPED_TRACE(row.name);
        utPoint_c centre;
        double radius = 0.0;
        eberlyCircle(points, row.rule, centre, radius);
        EXPECT_NEAR(centre.x(), 50.0, 0.1);
        EXPECT_NEAR(centre.y(), -20.0, 0.1);
        EXPECT_NEAR(radius, 30.0, 0.1);
    }
}

// A point on the centre has no direction: it adds its zero distance and nothing else. It comes
// first so that the several-at-a-time steps meet it.
TEST(eberlyCircleTest, DegenerateRunsGiveFiniteCircles) {
    const std::vector<utPoint_c> onCentre = {{0, 0}, {2, 0}, {-2, 0}, {0, 2}, {0, -2}};
    const std::vector<utPoint_c> single = {{4, 5}};
    const std::vector<utPoint_c> repeated(6, utPoint_c(4, 5));
    for (const RuleRow& row : kRules) {
        SCOPED_TRACE(row.name);
        utPoint_c centre;
        double radius = -1.0;
        eberlyCircle(onCentre, row.rule, centre, radius);
        EXPECT_EQ(centre.x(), 0.0);
        EXPECT_EQ(centre.y(), 0.0);
        EXPECT_DOUBLE_EQ(radius, 8.0 / 5.0);
        for (const auto* run : {&single, &repeated}) {
            eberlyCircle(*run, row.rule, centre, radius);
            EXPECT_EQ(centre.x(), 4.0);
            EXPECT_EQ(centre.y(), 5.0);
            EXPECT_EQ(radius, 0.0);
        }
    }
}
