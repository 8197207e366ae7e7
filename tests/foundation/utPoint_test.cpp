#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/mathConstants.h"

using namespace Vemora;

namespace {
constexpr double kTol = 1e-12;
}  // namespace

TEST(utPointTest, ArithmeticMixesPointsAndVectors) {
    const utPoint_c a(1, 2), b(4, 6);
    const utVector_c d = b - a;
    EXPECT_EQ(d.x(), 3);
    EXPECT_EQ(d.y(), 4);
    EXPECT_EQ(a + d, b);
    EXPECT_EQ(b - d, a);
    EXPECT_DOUBLE_EQ(d.length(), 5.0);
    EXPECT_DOUBLE_EQ(a * b, 16.0);
    EXPECT_DOUBLE_EQ(d * utVector_c(1, 1), 7.0);
    EXPECT_EQ(a * 2.0, utPoint_c(2, 4));
}

TEST(utPointTest, CoordinatesAreContiguousAndIndexed) {
    utPoint_c p(7, 8, 99);  // the third value is ignored
    const double* raw = p;
    EXPECT_EQ(raw[0], 7);
    EXPECT_EQ(raw[1], 8);
    p.setCoord(1, -3);
    EXPECT_EQ(p.coord(1), -3);
    EXPECT_EQ(p.getDim(), 2);
    const double src[2] = {5, 6};
    EXPECT_EQ(utPoint_c(src), utPoint_c(5, 6));
}

TEST(utPointTest, NotEqualToUsesEachCoordinateSeparately) {
    const utPoint_c p(0, 0);
    EXPECT_FALSE(p.notEqualTo(utPoint_c(0.5, -0.5), 0.5));
    EXPECT_TRUE(p.notEqualTo(utPoint_c(0.0, 0.51), 0.5));
    EXPECT_EQ(utPoint_c::ptZero(), utPoint_c(0, 0));
}

TEST(utVectorTest, FlipTurnsByPlusNinetyDegrees) {
    const utVector_c f = utVector_c(3, 4).flip();
    EXPECT_EQ(f.x(), -4);
    EXPECT_EQ(f.y(), 3);
}

TEST(utVectorTest, RotateKeepsLengthAndDiscardsDirection) {
    const utVector_c r = utVector_c(3, 4).rotate(0);
    EXPECT_NEAR(r.x(), 5, kTol);
    EXPECT_NEAR(r.y(), 0, kTol);
    const utVector_c up = utVector_c(0, 2).rotate(kPi / 2);
    EXPECT_NEAR(up.x(), 0, kTol);
    EXPECT_NEAR(up.y(), 2, kTol);
}

TEST(utVectorTest, AngleTakesXAsFirstArgument) {
    EXPECT_NEAR(utVector_c(1, 0).angle(), kPi / 2, kTol);
    EXPECT_NEAR(utVector_c(0, 1).angle(), 0, kTol);
    EXPECT_NEAR(utVector_c(0, -1).angle(), kPi, kTol);
}

TEST(utVectorTest, ProjectionUnitAndCollinearity) {
    const utVector_c axis(2, 0);
    const utVector_c p = axis.project(utVector_c(3, 5));
    EXPECT_NEAR(p.x(), 3, kTol);
    EXPECT_NEAR(p.y(), 0, kTol);

    utVector_c v(0, -8);
    v.normalize();
    EXPECT_NEAR(v.y(), -1, kTol);
    EXPECT_NEAR(utVector_c(3, 4).unit().length(), 1, kTol);

    EXPECT_NEAR(utVector_c(1, 0).cosAlpha(utVector_c(1, 1)), std::sqrt(0.5), kTol);
    EXPECT_TRUE(utVector_c(1, 0).isCollinear(utVector_c(-3, 0), 0.999));  // opposite counts
    EXPECT_FALSE(utVector_c(1, 0).isCollinear(utVector_c(1, 1), 0.999));
}

TEST(utRectTest, DefaultIsUninitializedUntilInflatedByAPoint) {
    utRect_c r;
    EXPECT_TRUE(r.isUninitialized());
    EXPECT_FALSE(r.isEmpty());
    r.inflate(utPoint_c(3, 4));
    EXPECT_FALSE(r.isUninitialized());
    EXPECT_EQ(r.x1(), 3);
    EXPECT_EQ(r.x2(), 3);
    EXPECT_EQ(r.y1(), 4);
    EXPECT_EQ(r.y2(), 4);
    EXPECT_EQ(r.width(), 0);
    EXPECT_TRUE(r.isDegenerated());
    r.inflate(1, 10);
    EXPECT_EQ(r.x1(), 1);
    EXPECT_EQ(r.y2(), 10);
}

TEST(utRectTest, SettersPastTheOppositeEdgeSwap) {
    struct Row {
        const char* name;
        void (utRect_c::*setter)(double);
        double value;
        double x1, y1, x2, y2;
    };
    const Row rows[] = {
        {"x1 beyond x2", &utRect_c::setX1, 10, 5, 0, 10, 5},
        {"x1 inside", &utRect_c::setX1, 2, 2, 0, 5, 5},
        {"y1 beyond y2", &utRect_c::setY1, 7, 0, 5, 5, 7},
        {"x2 below x1", &utRect_c::setX2, -3, -3, 0, 0, 5},
        {"y2 below y1", &utRect_c::setY2, -1, 0, -1, 5, 0},
        {"y2 inside", &utRect_c::setY2, 4, 0, 0, 5, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utRect_c r;
        r.set(0, 0, 5, 5);
        (r.*row.setter)(row.value);
        EXPECT_EQ(r.x1(), row.x1);
        EXPECT_EQ(r.y1(), row.y1);
        EXPECT_EQ(r.x2(), row.x2);
        EXPECT_EQ(r.y2(), row.y2);
    }
}

TEST(utRectTest, ConstructionSetAndContainment) {
    const utRect_c r(2, 3, 1);
    EXPECT_EQ(r.x1(), 1);
    EXPECT_EQ(r.y1(), 2);
    EXPECT_EQ(r.x2(), 3);
    EXPECT_EQ(r.y2(), 4);
    EXPECT_TRUE(r.contains(3, 4));  // edges included
    EXPECT_FALSE(r.contains(3.01, 4));
    EXPECT_TRUE(r.isEmpty());  // positive area

    utRect_c s;
    s.set(5, 1, -1, 0);
    EXPECT_EQ(s.x1(), -1);
    EXPECT_EQ(s.x2(), 5);
    EXPECT_EQ(s.y1(), 0);
    EXPECT_EQ(s.y2(), 1);
    s.offset(1, 2);
    EXPECT_EQ(s.x1(), 0);
    EXPECT_EQ(s.y2(), 3);
    s.inflate(0.5);
    EXPECT_EQ(s.x1(), -0.5);
    EXPECT_EQ(s.y2(), 3.5);
}

TEST(utRectTest, IntersectionCountsTouchingAndCovering) {
    utRect_c a;
    a.set(0, 0, 10, 10);
    struct Row {
        const char* name;
        double x1, y1, x2, y2;
        bool expected;
    };
    const Row rows[] = {
        {"shared edge", 10, 0, 20, 10, true},   {"shared corner", 10, 10, 12, 12, true},
        {"inside", 2, 2, 3, 3, true},           {"covering", -5, -5, 15, 15, true},
        {"cross shape", 4, -5, 6, 15, true},    {"apart in x", 11, 0, 12, 10, false},
        {"apart in y", 0, -3, 10, -0.1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utRect_c b;
        b.set(row.x1, row.y1, row.x2, row.y2);
        EXPECT_EQ(a.intersects(b), row.expected);
        EXPECT_EQ(b.intersects(a), row.expected);
    }
}

TEST(utRectTest, DegenerateBoxesAndRectInflation) {
    utRect_c line;
    line.set(0, 2, 5, 2);
    EXPECT_FALSE(line.isEmpty());
    EXPECT_TRUE(line.isDegenerated());

    utRect_c r;
    utRect_c other;
    other.set(-1, -2, 3, 4);
    r.inflate(other);
    EXPECT_EQ(r.x1(), -1);
    EXPECT_EQ(r.y1(), -2);
    EXPECT_EQ(r.x2(), 3);
    EXPECT_EQ(r.y2(), 4);
}

TEST(utRectTest, CutsKeepTheChosenSide) {
    struct Row {
        const char* name;
        double at;
        bool keepLow;
        double lo, hi;
    };
    const Row rows[] = {
        {"inside keep low", 4, true, 0, 4},
        {"inside keep high", 4, false, 4, 10},
        {"below keep low collapses", -1, true, 0, 0},
        {"below keep high unchanged", -1, false, 0, 10},
        {"above keep low unchanged", 11, true, 0, 10},
        {"above keep high collapses", 11, false, 10, 10},
        {"at low edge keep low unchanged", 0, true, 0, 10},
        {"at low edge keep high collapses", 0, false, 10, 10},
        {"at high edge keep high collapses", 10, false, 10, 10},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        utRect_c h;
        h.set(0, 0, 10, 10);
        h.cutHorizontally(row.at, row.keepLow);
        EXPECT_EQ(h.x1(), row.lo);
        EXPECT_EQ(h.x2(), row.hi);
        EXPECT_EQ(h.y1(), 0);
        EXPECT_EQ(h.y2(), 10);

        utRect_c v;
        v.set(0, 0, 10, 10);
        v.cutVertically(row.at, row.keepLow);
        EXPECT_EQ(v.y1(), row.lo);
        EXPECT_EQ(v.y2(), row.hi);
        EXPECT_EQ(v.x1(), 0);
        EXPECT_EQ(v.x2(), 10);
    }
}

TEST(utSkewRectTest, HorizontalRectangleCornersWalkTheOutline) {
    const utSkewRect_c r(utPoint_c(0, 0), utPoint_c(10, 0), 2);
    EXPECT_NEAR(r.wDir().x(), 0, kTol);
    EXPECT_NEAR(r.wDir().y(), 1, kTol);
    EXPECT_NEAR(r.angle(), 0, kTol);
    EXPECT_DOUBLE_EQ(r.l(), 10);
    const utPoint_c expected[4] = {{0, 1}, {10, 1}, {10, -1}, {0, -1}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(r.getPoint(i).x(), expected[i].x(), kTol);
        EXPECT_NEAR(r.getPoint(i).y(), expected[i].y(), kTol);
    }
    EXPECT_EQ(r.getPoint(5), r.getPoint(1));
    EXPECT_EQ(r.getPoint(-1), r.getPoint(0));  // negative remainders give corner 0
    EXPECT_EQ(r.getPoint(-4), r.getPoint(0));
}

TEST(utSkewRectTest, AngleMeasuresTheAxisWithYUp) {
    struct Row {
        const char* name;
        double x2, y2, angle;
    };
    const Row rows[] = {
        {"right", 5, 0, 0},
        {"down the raster is minus ninety", 0, 5, -kPi / 2},
        {"up the raster is plus ninety", 0, -5, kPi / 2},
        {"left", -5, 0, kPi},
        {"diagonal up-right", 3, -3, kPi / 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const utSkewRect_c r(0, 0, row.x2, row.y2, 1);
        EXPECT_NEAR(r.angle(), row.angle, kTol);
        EXPECT_NEAR(r.wDir().length(), 1, kTol);
    }
}

TEST(utSkewRectTest, SetWidthKeepsDirection) {
    utSkewRect_c r(1, 1, 4, 5, 2);
    const utVector_c before = r.wDir();
    r.setW(6);
    EXPECT_EQ(r.w(), 6);
    EXPECT_EQ(r.wDir().x(), before.x());
    EXPECT_EQ(r.wDir().y(), before.y());
    EXPECT_DOUBLE_EQ(r.l(), 5);
    // Half the width across a 3-4-5 axis.
    EXPECT_NEAR((r.getPoint(0) - r.start()).length(), 3, kTol);
}
