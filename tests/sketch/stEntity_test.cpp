#include <vemora.h>

#include <gtest/gtest.h>

#include "expectBox.h"
#include "foundation/mathConstants.h"

#include <cmath>
#include <string>
#include <vector>

using namespace Vemora;
using vemora_test::expectBox;

namespace {
constexpr double kTol = 1e-9;

}  // namespace

TEST(stEntityAttributesTest, SetterRules) {
    const struct {
        const char* name;
        stEntityAttributes_c start;
        int lineType;
        double width;
        bool lineTypeStored, widthStored;
    } rows[] = {
        {"defaults accept anything valid", {}, 3, 2.5, true, true},
        {"negative width refused", {}, 3, -1.0, true, false},
        {"zero width accepted", {}, 3, 0.0, true, true},
        {"NaN width refused", {}, 3, NAN, true, false},
        {"locked line type refuses", {7, -1, 1.0}, 5, 2.0, false, true},
        {"a negative line type may be stored once", {}, -2, 2.0, true, true},
        {"both refused", {7, -1, 1.0}, 5, -3.0, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        stEntityAttributes_c single = row.start;
        EXPECT_EQ(single.setLineType(row.lineType), row.lineTypeStored);
        EXPECT_EQ(single.setWidth(row.width), row.widthStored);

        stEntityAttributes_c all = row.start;
        EXPECT_EQ(all.setAllAttributes(42, row.lineType, row.width),
                  row.lineTypeStored && row.widthStored);
        long color = 0;
        int lineType = 0;
        double width = 0;
        all.allAttributes(color, lineType, width);
        EXPECT_EQ(color, 42);
        EXPECT_EQ(lineType, row.lineTypeStored ? row.lineType : row.start.lineType());
        EXPECT_EQ(width, row.widthStored ? row.width : row.start.width());
        EXPECT_EQ(single.lineType(), lineType);
        EXPECT_EQ(single.width(), width);
    }
    EXPECT_FALSE(stLine_c().setAttributes(nullptr));
}

TEST(stArcTest, ThreePointArc) {
    const stArc_c arc(utPoint_c(1, 0), utPoint_c(0, 1), utPoint_c(-1, 0));
    EXPECT_NEAR(arc.center().x(), 0.0, kTol);
    EXPECT_NEAR(arc.center().y(), 0.0, kTol);
    EXPECT_NEAR(arc.radius(), 1.0, kTol);
    EXPECT_NEAR(arc.startAngle(), 0.0, kTol);
    EXPECT_NEAR(arc.endAngle(), kPi, kTol);
    double x = 0, y = 0;
    arc.startPoint(x, y);
    EXPECT_EQ(x, 1.0);
    EXPECT_EQ(y, 0.0);
    arc.pointAtAngle(kPi / 2, x, y);
    EXPECT_NEAR(x, 0.0, kTol);
    EXPECT_NEAR(y, 1.0, kTol);
    expectBox(arc.extents(), -1, 0, 1, 1);

    // Clockwise through the lower half: the same angles, but the box holds the point passed.
    const stArc_c lower(utPoint_c(1, 0), utPoint_c(0, -1), utPoint_c(-1, 0));
    EXPECT_TRUE(lower.extents().contains(0, -1));
}

TEST(stArcTest, AngleConstructorPlacesTheThreePoints) {
    const struct {
        const char* name;
        double s, e;
        double x1, y1, x2, y2, x3, y3;
    } rows[] = {
        {"quarter", 0, kPi / 2, 3, 1, 1 + std::sqrt(2.0), 1 + std::sqrt(2.0), 1, 3},
        // Regression: opposite end points gave a middle point of NaN.
        {"half turn", 0, kPi, 3, 1, 1, 3, -1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const stArc_c arc(utPoint_c(1, 1), 2.0, row.s, row.e);
        EXPECT_NEAR(arc.p1().x(), row.x1, kTol);
        EXPECT_NEAR(arc.p1().y(), row.y1, kTol);
        EXPECT_NEAR(arc.p2().x(), row.x2, kTol);
        EXPECT_NEAR(arc.p2().y(), row.y2, kTol);
        EXPECT_NEAR(arc.p3().x(), row.x3, kTol);
        EXPECT_NEAR(arc.p3().y(), row.y3, kTol);
    }
}

// Regression: an arc through collinear points (radius 1e99) stretched its box, and every sketch
// holding it, to 1e99.
TEST(stArcTest, CollinearArcKeepsAFiniteBox) {
    const stArc_c arc(utPoint_c(0, 0), utPoint_c(1, 1), utPoint_c(3, 3));
    EXPECT_EQ(arc.radius(), 1e99);
    expectBox(arc.extents(), 0, 0, 3, 3);
}

TEST(stArcTest, PolynomialCoefficientsSkipNullPointers) {
    stArc_c arc;
    arc.setPolynomialCoefficients(1, 2, 3, 4, 5, 6);
    double c0 = 0, c5 = 0;
    arc.polynomialCoefficients(&c0, nullptr, nullptr, nullptr, nullptr, &c5);
    EXPECT_EQ(c0, 1.0);
    EXPECT_EQ(c5, 6.0);
}

TEST(stEntityTest, ExtentsOfEachKind) {
    const stCircle_c circle(utPoint_c(5, 5), 2);
    expectBox(circle.extents(), 3, 3, 7, 7);

    const stLine_c line(utPoint_c(0, 0), utPoint_c(4, 3));  // width 1
    expectBox(line.extents(), -1, -1, 5, 4);

    // a = 2 along the rotated x axis: at phi 90 the box is 1 wide and 2 high.
    const stEllipse_c ellipse(2, 1, 90, utPoint_c(10, 10));
    expectBox(ellipse.extents(), 9, 8, 11, 12);

    // From 0 to 90 degrees of a = 2, b = 1: the points (2, 0) and (0, 1).
    const stEllipseArc_c ellipseArc(2, 1, 0, 0, 90, utPoint_c(0, 0));
    expectBox(ellipseArc.extents(), 0, 0, 2, 1);

    stSpline_c spline({{0, 0}, {2, 2}});
    expectBox(spline.extents(), -1, -1, 3, 3);
    spline.setControlPoints({{0, 0}, {10, 0}});
    expectBox(spline.extents(), -1, -1, 11, 3);  // grown, never shrunk

    EXPECT_TRUE(stPolyline_c().extents().isUninitialized());
}

// Regression: every update widened the box of lines and splines once more by the stroke width.
TEST(stEntityTest, RepeatedUpdatesDoNotDrift) {
    stLine_c line(utPoint_c(0, 0), utPoint_c(4, 3));
    line.updateExtents();
    line.updateExtents();
    expectBox(line.extents(), -1, -1, 5, 4);
}

TEST(stSplineTest, PointsAndClosure) {
    EXPECT_FALSE(stSpline_c({{1, 1}}).isClosed(1e9));
    EXPECT_TRUE(stSpline_c({{0, 0}, {5, 0}, {0, 0.5}}).isClosed(1.0));
    EXPECT_FALSE(stSpline_c({{0, 0}, {5, 0}, {0, 0.5}}).isClosed(0.5));

    stSpline_c spline({{0, 0}, {1, 1}});
    spline.setControlPoints({{0, 0}, {0, 1}, {1, 1}});
    EXPECT_TRUE(spline.hasControlPoints());
    spline.setPoints({{0, 0}, {2, 2}, {4, 0}});
    EXPECT_FALSE(spline.hasControlPoints());
    EXPECT_EQ(spline.pointCount(), 3);
    spline.movePointAt(1, utPoint_c(2, 5));
    EXPECT_EQ(spline.pointAt(1), utPoint_c(2, 5));
}

namespace {
struct tmpOtherLine_c : stLine_c {
    using stLine_c::stLine_c;
};
}  // namespace

TEST(stEntityTest, EqualityNeedsTheSameTypeAndValues) {
    stLine_c line(utPoint_c(0, 0), utPoint_c(3, 4));
    const stLine_c copy(line);
    EXPECT_TRUE(line.isEqual(&copy));
    line.setP2(utPoint_c(3, 5));
    EXPECT_FALSE(line.isEqual(&copy));
    EXPECT_FALSE(copy.isEqual(nullptr));

    const tmpOtherLine_c other(utPoint_c(0, 0), utPoint_c(3, 4));
    EXPECT_FALSE(copy.isEqual(&other));
    EXPECT_FALSE(other.isEqual(&copy));

    const stPolyline_c p1, p2;
    EXPECT_FALSE(p1.isEqual(&p2));
    EXPECT_FALSE(stRegion_c().isEqual(&p1));

    // Attributes do not count.
    stCircle_c c1(utPoint_c(1, 1), 2), c2(utPoint_c(1, 1), 2);
    const stEntityAttributes_c red(0xff0000, 2, 3.0);
    c2.setAttributes(&red);
    EXPECT_TRUE(c1.isEqual(&c2));

    stEllipseArc_c e1(2, 1, 30, 0, 90, utPoint_c()), e2(e1);
    const double end = 100;
    e2.setParameters(nullptr, nullptr, nullptr, nullptr, &end, nullptr);
    EXPECT_EQ(e2.endAngle(), 100.0);
    EXPECT_EQ(e2.a(), 2.0);
    EXPECT_FALSE(e1.isEqual(&e2));

    stSpline_c s1({{0, 0}, {1, 1}}), s2({{0, 0}, {1, 1}});
    EXPECT_TRUE(s1.isEqual(&s2));
    s2.setPoints({{0, 0}, {1, 1}, {2, 2}});
    EXPECT_FALSE(s1.isEqual(&s2));
}

TEST(stEntityTest, ClonesKeepHandleAttributesAndOwner) {
    stSketch_c sketch;
    sketch.newHandle();
    const stPoint_c point(&sketch, utPoint_c(2, 3));
    std::unique_ptr<stEntity_c> copy(point.clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->handle(), 1);
    EXPECT_EQ(copy->owner(), &sketch);
    EXPECT_TRUE(copy->isEqual(&point));
    EXPECT_TRUE(sketch.isEmpty());  // the sketch-taking constructor does not add
}
