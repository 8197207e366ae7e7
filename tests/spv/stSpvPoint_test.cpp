#include <gtest/gtest.h>

#include <vemora.h>
#include "expectBox.h"
#include "foundation/mathConstants.h"

#include <cmath>

using namespace Vemora;
using vemora_test::expectBox;

namespace {
constexpr double kTol = 1e-9;

}  // namespace

TEST(stSpvPointTest, IsEqualAllowsTheToleranceOnBothAxesInclusive) {
    struct Row {
        const char* name;
        int x1, y1, x2, y2, tol;
        bool equal;
    };
    const Row rows[] = {
        {"same", 3, 4, 3, 4, 0, true},
        {"x at tolerance", 3, 4, 5, 4, 2, true},
        {"y beyond tolerance", 3, 4, 3, 7, 2, false},
        {"negative difference", 5, 4, 3, 2, 2, true},
        {"x beyond, y within", 0, 0, 3, 0, 2, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(stSpvPoint_c::isEqual(r.x1, r.y1, r.x2, r.y2, r.tol), r.equal);
    }
}

TEST(stSpvRectTest, InflateSpvPtGrowsByTheEndsOfTheWidthRun) {
    stSpvRect_c alongY;
    EXPECT_TRUE(alongY.isUninitialized());
    alongY.inflateSpvPt(stSpvPoint_c(5, 5, 4, 1));
    expectBox(alongY, 5, 3, 5, 7);

    stSpvRect_c alongX;
    alongX.inflateSpvPt(stSpvPoint_c(5, 5, 4, 0));
    expectBox(alongX, 3, 5, 7, 5);

    // An unmeasured run is taken along y.
    stSpvRect_c unmeasured;
    unmeasured.inflateSpvPt(stSpvPoint_c(5, 5, 2, -1));
    expectBox(unmeasured, 5, 4, 5, 6);

    // It keeps growing like any box.
    alongY.inflateSpvPt(stSpvPoint_c(10, 5, 2, 0));
    expectBox(alongY, 5, 3, 11, 7);
}

TEST(stSpvSkewRectTest, WidthFromTwoPointsIsTheRunTurnedAcrossTheAxis) {
    struct Row {
        const char* name;
        stSpvPoint_c a, b;
        double w;
    };
    const Row rows[] = {
        {"horizontal stroke, runs along y", {0, 0, 4, 1}, {10, 0, 4, 1}, 4.0},
        {"horizontal axis, runs along x", {0, 0, 4, 0}, {10, 0, 4, 0}, 0.0},
        {"zero-width runs give 1", {0, 0, 0, 1}, {10, 0, 0, 1}, 1.0},
        {"vertical stroke, runs along x", {0, 0, 3, 0}, {0, 10, 5, 0}, 4.0},
        // A 3-4-5 axis: a vertical run of 10 crosses the axis at 3/5 of it.
        {"3-4-5 runs along y", {0, 0, 10, 1}, {3, 4, 10, 1}, 6.0},
        {"3-4-5 one run along x", {0, 0, 10, 1}, {3, 4, 10, 0}, 8.0},
        {"unmeasured counts as along y", {0, 0, 10, -1}, {3, 4, 10, 1}, 6.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const stSpvSkewRect_c rect(r.a, r.b);
        EXPECT_NEAR(rect.w(), r.w, kTol);
        EXPECT_EQ(rect.start(), r.a.position());
        EXPECT_EQ(rect.end(), r.b.position());
    }
}

TEST(stSpvSkewRectTest, OrientationTestsFollowTheAxisAngle) {
    struct Row {
        const char* name;
        double x1, y1, x2, y2;
        double angle;
        bool horizontal, vertical, diagonal;
    };
    // Angles with y pointing up; raster y points down, so (0,0)->(0,10) points down (-pi/2).
    const Row rows[] = {
        {"right", 0, 0, 10, 0, 0.0, true, false, false},
        {"left is pi, not horizontal", 10, 0, 0, 0, kPi, false, false, false},
        {"left at -pi is horizontal", 10, -0.0, 0, 0, -kPi, true, false, false},
        {"down", 0, 0, 0, 10, -kPi / 2, false, true, false},
        {"up", 0, 10, 0, 0, kPi / 2, false, true, false},
        {"down right", 0, 0, 10, 10, -kPi / 4, false, false, true},
        {"up right", 0, 0, 10, -10, kPi / 4, false, false, true},
        {"up left", 0, 0, -10, -10, 3 * kPi / 4, false, false, true},
        {"down left", 0, 0, -10, 10, -3 * kPi / 4, false, false, true},
        {"slightly off right", 0, 0, 100, 1, std::atan2(-1.0, 100.0), true, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const stSpvSkewRect_c rect(r.x1, r.y1, r.x2, r.y2, 1);
        EXPECT_NEAR(rect.angle(), r.angle, kTol);
        EXPECT_EQ(rect.isHorizontal(0.05), r.horizontal);
        EXPECT_EQ(rect.isVertical(0.05), r.vertical);
        EXPECT_EQ(rect.isDiagonal(0.05), r.diagonal);
    }
    // The tolerance is strict and in radians.
    EXPECT_FALSE(stSpvSkewRect_c(0, 0, 100, 1, 1).isHorizontal(0.005));
}
