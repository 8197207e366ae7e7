// The junctions processor: cleaning, junctions, straightening, ends onto junctions, splines.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "foundation/mathConstants.h"
#include "junctionScene.h"
#include "xmlFromText.h"

using namespace Vemora;

namespace {

constexpr double kTol = 1e-9;

using Sketch = std::unique_ptr<stSketch_c>;

Sketch run(stJunctionsProcessor_c& p, const stSketch_c& in) {
    stSketch_c copy(in);
    stSketch_c* out = p.process(&copy);
    EXPECT_NE(out, &copy);
    return Sketch(out);
}

Sketch run(const stSketch_c& in) {
    stJunctionsProcessor_c p;
    return run(p, in);
}

template <class T>
const T* at(const stSketch_c& s, int i) {
    const T* e = dynamic_cast<const T*>(s.entityAt(i));
    EXPECT_NE(e, nullptr) << "entity " << i;
    return e;
}

void expectPoint(const utPoint_c& p, double x, double y, double tol = kTol) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Settings and the run around the work

TEST(stJunctionsProcessorTest, ReadsEverySettingFromXmlAndIsRegistered) {
    stJunctionsProcessor_c p;
    EXPECT_TRUE(p.getUseProcessor());
    auto doc = vemora_test::xmlFromText(
        L"<P><UseJunctionsProcessor>true</UseJunctionsProcessor>"
        L"<JunctionsDeviation>2.5</JunctionsDeviation><AngleTolerance>0.5</AngleTolerance>"
        L"<UseMetricTolerance>true</UseMetricTolerance></P>");
    p.fromXml(doc->getDocumentElement());
    EXPECT_TRUE(p.getUseProcessor());
    EXPECT_EQ(p.deviation(), 2.5);
    EXPECT_EQ(p.angleTolerance(), 0.5);
    EXPECT_EQ(p.pixelDeviation(), 0.0);  // missing: zero, not the default
    EXPECT_TRUE(p.useMetricTolerance());

    std::unique_ptr<stConfigurable_c> made(
        stVMREngine_c::getEngine().createConfigurable(L"JunctionsProcessor"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->isA(), stJunctionsProcessor_c::desc());
    EXPECT_TRUE(stJunctionsProcessor_c::desc()->isDerivedFrom(stSketchProcessor_c::desc()));
}

TEST(stJunctionsProcessorTest, SwitchedOffOrGivenNullReturnsItsArgument) {
    stJunctionsProcessor_c p;
    EXPECT_EQ(p.process(nullptr), nullptr);
    p.useProcessor(false);
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(0, 0)));
    EXPECT_EQ(p.process(&sketch), &sketch);
    EXPECT_EQ(sketch.entitiesCount(), 1);
    EXPECT_FALSE(p.consumesInput());
}

TEST(stJunctionsProcessorTest, CleaningKeepsTheLastOfEqualEntitiesAndDropsDegenerateOnes) {
    stSketch_c in;
    auto* first = new stLine_c(utPoint_c(0, 0), utPoint_c(30, 17));
    const stEntityAttributes_c firstAttributes(1, 0, 1.0);
    first->setAttributes(&firstAttributes);
    in.addEntity(first);
    in.addEntity(new stLine_c(utPoint_c(5, 5), utPoint_c(5, 5)));
    in.addEntity(new stSpline_c(std::vector<utPoint_c>{{7, 7}, {7, 7}}));
    in.addEntity(new stCircle_c(utPoint_c(80, 80), 5));
    auto* last = new stLine_c(utPoint_c(0, 0), utPoint_c(30, 17));
    const stEntityAttributes_c lastAttributes(2, 0, 1.0);
    last->setAttributes(&lastAttributes);
    in.addEntity(last);
    in.addEntity(new stCircle_c(utPoint_c(80, 80), 6));  // not equal: kept

    Sketch out = run(in);
    ASSERT_EQ(out->entitiesCount(), 3);
    EXPECT_EQ(at<stCircle_c>(*out, 0)->radius(), 5.0);
    EXPECT_EQ(at<stLine_c>(*out, 1)->attributes().color(), 2);
    EXPECT_EQ(at<stCircle_c>(*out, 2)->radius(), 6.0);
    EXPECT_EQ(in.entitiesCount(), 6);  // the input is left as it was
}

// ---------------------------------------------------------------------------------------------
// Junctions

TEST(stJunctionsProcessorTest, EndsOfTLAndXMeetOnTheirJunctions) {
    stSketch_c t;  // a stem ending 3 below a bar
    t.addEntity(new stLine_c(utPoint_c(0, 50), utPoint_c(100, 50)));
    t.addEntity(new stLine_c(utPoint_c(50, 53), utPoint_c(50, 100)));
    Sketch out = run(t);
    ASSERT_EQ(out->entitiesCount(), 2);
    expectPoint(at<stLine_c>(*out, 0)->p1(), 0, 50);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 100, 50);
    expectPoint(at<stLine_c>(*out, 1)->p1(), 50, 50);

    stSketch_c l;  // both arms 2 short of the corner
    l.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(60, 10)));
    l.addEntity(new stLine_c(utPoint_c(62, 12), utPoint_c(62, 60)));
    out = run(l);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 62, 10);
    expectPoint(at<stLine_c>(*out, 1)->p1(), 62, 10);

    stSketch_c x;  // four arms stopping short of the centre
    x.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(48, 48)));
    x.addEntity(new stLine_c(utPoint_c(52, 52), utPoint_c(90, 90)));
    x.addEntity(new stLine_c(utPoint_c(90, 10), utPoint_c(52, 48)));
    x.addEntity(new stLine_c(utPoint_c(48, 52), utPoint_c(10, 90)));
    out = run(x);
    ASSERT_EQ(out->entitiesCount(), 4);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 50, 50);
    expectPoint(at<stLine_c>(*out, 1)->p1(), 50, 50);
    expectPoint(at<stLine_c>(*out, 2)->p2(), 50, 50);
    expectPoint(at<stLine_c>(*out, 3)->p1(), 50, 50);
    expectPoint(at<stLine_c>(*out, 3)->p2(), 10, 90);
}

TEST(stJunctionsProcessorTest, ALineEndingNearACircleOfEllipticArcsMeetsItsJoint) {
    // A circle as the recognizers leave it: two elliptic arcs without coefficients.
    stSketch_c in;
    in.addEntity(new stEllipseArc_c(20, 20, 0, 0, 180, utPoint_c(50, 50)));
    in.addEntity(new stEllipseArc_c(20, 20, 0, 180, 360, utPoint_c(50, 50)));
    in.addEntity(new stLine_c(utPoint_c(73, 50), utPoint_c(120, 50)));
    Sketch out = run(in);
    ASSERT_EQ(out->entitiesCount(), 3);
    expectPoint(at<stLine_c>(*out, 2)->p1(), 70, 50);
    // The arcs' ends were on the junctions already; an end at 360 keeps its turn.
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 0)->startAngle(), 0.0, kTol);
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 1)->endAngle(), 360.0, kTol);
}

TEST(stJunctionsProcessorTest, ArcEndsMoveOnlyOntoPointsOfTheirConic) {
    // Two arcs of different circles whose ends lie 2 apart: the junction is the middle of the
    // two ends, which lies on neither circle. All-zero coefficients used to accept any point.
    stSketch_c in;
    in.addEntity(new stEllipseArc_c(10, 10, 0, 90, 180, utPoint_c(10, 0)));  // ends at (0, 0)
    in.addEntity(new stEllipseArc_c(10, 10, 0, 0, 90, utPoint_c(-10, 2)));   // starts at (0, 2)
    Sketch out = run(in);
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 0)->endAngle(), 180.0, kTol);
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 1)->startAngle(), 0.0, kTol);

    // A junction on the circle ((x - 10)^2 + y^2 = 100), where two lines cross 0.9 from the arc's
    // end, one of them starting there: the arc's end moves onto it.
    stSketch_c on;
    auto* arc = new stEllipseArc_c(10, 10, 0, 90, 180, utPoint_c(10, 0));
    arc->setPolynomialCoefficients(1, 0, 1, -20, 0, 0);
    const utPoint_c x = arc->pointAtAngle(185.0);
    on.addEntity(new stLine_c(x, utPoint_c(x.x() - 30, x.y() - 20)));
    on.addEntity(
        new stLine_c(utPoint_c(x.x() - 20, x.y() + 20), utPoint_c(x.x() + 20, x.y() - 20)));
    on.addEntity(arc);
    out = run(on);
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 2)->endAngle(), 185.0, 1e-6);
}

// ---------------------------------------------------------------------------------------------
// Straightening

TEST(stJunctionsProcessorTest, NearlyHorizontalLineTurnsAboutItsMiddle) {
    stSketch_c in;
    in.addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(100, 2)));  // 1.15 degrees off
    const double half = std::sqrt(100.0 * 100.0 + 2.0 * 2.0) / 2.0;

    Sketch out = run(in);
    expectPoint(at<stLine_c>(*out, 0)->p1(), 50 - half, 1);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 50 + half, 1);

    stJunctionsProcessor_c narrow;
    narrow.setAngleTolerance(0.95);  // 0.75 degrees
    out = run(narrow, in);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 100, 2);

    // The ends move by about 1: allowed by 5, refused by 0.5.
    stJunctionsProcessor_c metric;
    metric.setUseMetricTolerance(true);
    out = run(metric, in);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 50 + half, 1);
    metric.setPixelDeviation(0.5);
    out = run(metric, in);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 100, 2);
}

TEST(stJunctionsProcessorTest, TurnsAboutTheJunctionAndOntoTheNearerAxis) {
    // A stem 1 degree off vertical, standing on a bar: it turns about its foot on the bar.
    stSketch_c in;
    const double lean = std::tan(kDegree) * 60.0;
    in.addEntity(new stLine_c(utPoint_c(0, 100), utPoint_c(100, 100)));
    in.addEntity(new stLine_c(utPoint_c(50, 100), utPoint_c(50 + lean, 40)));
    Sketch out = run(in);
    expectPoint(at<stLine_c>(*out, 1)->p1(), 50, 100);
    EXPECT_NEAR(at<stLine_c>(*out, 1)->p2().x(), 50, kTol);

    // A negative tolerance opens the window to 45 degrees at most: a line 30 degrees off the
    // vertical turns upright, not flat.
    stSketch_c steep;
    steep.addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(50, 86.6025403784)));
    stJunctionsProcessor_c wide;
    wide.setAngleTolerance(-10);
    out = run(wide, steep);
    const stLine_c* l = at<stLine_c>(*out, 0);
    EXPECT_NEAR(l->p1().x(), l->p2().x(), 1e-6);
}

TEST(stJunctionsProcessorTest, EllipsesTurnOntoTheAxisAndOtherKindsStay) {
    stSketch_c in;
    in.addEntity(new stEllipse_c(30, 10, 2.0, utPoint_c(50, 50)));
    in.addEntity(new stEllipseArc_c(30, 10, 88.5, 0, 90, utPoint_c(150, 50)));
    in.addEntity(new stArc_c(utPoint_c(0, 0), 10, 0.05, 1.0));
    Sketch out = run(in);
    EXPECT_NEAR(at<stEllipse_c>(*out, 0)->phi(), 0.0, 1e-6);
    EXPECT_NEAR(at<stEllipseArc_c>(*out, 1)->phi(), 90.0, 1e-6);
    EXPECT_EQ(at<stArc_c>(*out, 2)->startAngle(), 0.05);
}

// ---------------------------------------------------------------------------------------------
// Splines and repeated runs

TEST(stJunctionsProcessorTest, SplinesComeBackWholeAndRepeatedRunsStartAfresh) {
    stSketch_c in;
    auto* spline = new stSpline_c(std::vector<utPoint_c>{{0, 0}, {20, 30}, {40, 10}, {70, 45}});
    const stEntityAttributes_c splineAttributes(7, 0, 3.0);
    spline->setAttributes(&splineAttributes);
    in.addEntity(spline);
    in.addEntity(new stSpline_c(std::vector<utPoint_c>{{200, 0}, {230, 40}}));
    in.addEntity(new stCircle_c(utPoint_c(300, 300), 4));

    stJunctionsProcessor_c p;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        Sketch out = run(p, in);
        // A two-point spline stays a line; the chain comes back last, with default attributes.
        ASSERT_EQ(out->entitiesCount(), 3);
        EXPECT_NE(dynamic_cast<const stLine_c*>(out->entityAt(0)), nullptr);
        EXPECT_NE(dynamic_cast<const stCircle_c*>(out->entityAt(1)), nullptr);
        const stSpline_c* back = at<stSpline_c>(*out, 2);
        ASSERT_EQ(back->pointCount(), 4);
        expectPoint(back->pointAt(2), 40, 10);
        EXPECT_EQ(back->attributes().color(), 0);
        // The records of the run no longer point into the sketch it deleted.
        for (int i = 0; i < p.junctionsInfosCount(); ++i)
            EXPECT_EQ(p.junctionsInfoAt(i)->entity(), nullptr);
    }
    // The chain's inner corners are junctions of its own lines.
    EXPECT_GE(p.junctionsCount(), 2);

    stJunctionsProcessor_c copy(p);
    EXPECT_EQ(copy.junctionsCount(), 0);
    EXPECT_EQ(copy.junctionsInfosCount(), 0);
    copy = p;
    EXPECT_EQ(copy.junctionsCount(), 0);
}

TEST(stJunctionsProcessorTest, JunctionsTakeTheEndPlaceTheyLieAt) {
    stSketch_c in;
    in.addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(50, 0)));
    in.addEntity(new stLine_c(utPoint_c(50, -20), utPoint_c(52, 30)));  // crosses at the end
    in.addEntity(new stLine_c(utPoint_c(20, -20), utPoint_c(21, 30)));  // crosses in the middle
    stJunctionsProcessor_c p;
    Sketch out = run(p, in);
    const stJunctionsProcessor_c::stEntityJunctionsInfo_c* first = p.junctionsInfoAt(0);
    ASSERT_EQ(first->junctionsCount(), 2);
    EXPECT_EQ(first->junctionAt(0), nullptr);  // nothing at its start
    ASSERT_NE(first->junctionAt(1), nullptr);
    EXPECT_NEAR(first->junctionAt(1)->point().x(), 50.8, 1e-9);
    ASSERT_EQ(first->junctionPlaces(), 3);
    EXPECT_NEAR(first->junctionAt(2)->point().x(), 20.4, 1e-9);
    EXPECT_EQ(p.findJunction(utPoint_c(23, 3)), first->junctionAt(2));
    EXPECT_EQ(p.findJunction(utPoint_c(25, 0)), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The grid against the scan

TEST(stJunctionsProcessorTest, IndexedAndPlainSearchesGiveTheSameSketch) {
    const Sketch in = vemora_test::junctionScene(3000, 5);
    stJunctionsProcessor_c indexed, plain;
    plain.setUseSpatialIndex(false);
    const Sketch a = run(indexed, *in), b = run(plain, *in);
    ASSERT_EQ(a->entitiesCount(), b->entitiesCount());
    EXPECT_LT(a->entitiesCount(), in->entitiesCount());  // duplicates went
    int same = 0;
    for (int i = 0; i < a->entitiesCount(); ++i) same += a->entityAt(i)->isEqual(b->entityAt(i));
    EXPECT_EQ(same, a->entitiesCount());
    EXPECT_EQ(indexed.junctionsCount(), plain.junctionsCount());
}
