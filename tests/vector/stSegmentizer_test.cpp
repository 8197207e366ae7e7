// The segmentizer: cutting splines into runs, classifying them, snapping level runs while keeping
// the chain connected, and the Bézier refit of free curves.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "curvePoints.h"
#include "vector/bezierFit.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::circlePoints;
using vemora_test::ellipsePoints;
using vemora_test::withNoise;

namespace {

constexpr double kExact = 1e-9;

void expectPoint(const utPoint_c& p, double x, double y, double tol = kExact) {
    EXPECT_NEAR(p.x(), x, tol);
    EXPECT_NEAR(p.y(), y, tol);
}

template <class T>
T* entityAt(stSketch_c& s, int i) {
    return dynamic_cast<T*>(s.entityAt(i));
}

std::vector<utPoint_c> straight(const utPoint_c& from, const utPoint_c& to, int legs) {
    std::vector<utPoint_c> out;
    for (int i = 0; i <= legs; ++i) {
        const double t = double(i) / legs;
        out.emplace_back(from.x() + (to.x() - from.x()) * t, from.y() + (to.y() - from.y()) * t);
    }
    return out;
}

// A polyline through the corners, `legs` legs per side; the corners appear once.
std::vector<utPoint_c> polyline(const std::vector<utPoint_c>& corners, int legs) {
    std::vector<utPoint_c> out{corners.front()};
    for (size_t i = 1; i < corners.size(); ++i) {
        const auto side = straight(corners[i - 1], corners[i], legs);
        out.insert(out.end(), side.begin() + 1, side.end());
    }
    return out;
}

std::unique_ptr<stSketch_c> sketchOf(std::vector<stEntity_c*> entities) {
    auto s = std::make_unique<stSketch_c>();
    for (stEntity_c* e : entities) s->addEntity(e);
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The processor contract

TEST(stSegmentizerTest, EditsTheSketchInPlaceAndKeepsIt) {
    stSegmentizer_c seg;
    EXPECT_TRUE(seg.useSegmentizer());
    EXPECT_FALSE(seg.consumesInput());
    EXPECT_EQ(seg.process(nullptr), nullptr);
    auto sketch = sketchOf({new stLine_c({0, 10}, {50, 11})});
    EXPECT_EQ(seg.process(sketch.get()), sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 1);
    EXPECT_EQ(entityAt<stLine_c>(*sketch, 0)->owner(), sketch.get());
}

TEST(stSegmentizerTest, SwitchedOffLeavesSketchAndTolerancesAlone) {
    stToolContextImpl_c context;
    context.setScalingInfo(0.5, 0.5);
    stSegmentizer_c seg(&context);
    seg.setUseSegmentizer(false);
    auto sketch = sketchOf({new stLine_c({0, 10}, {50, 11})});
    EXPECT_EQ(seg.process(sketch.get()), sketch.get());
    expectPoint(entityAt<stLine_c>(*sketch, 0)->p2(), 50, 11);
    EXPECT_EQ(seg.recognizerMaxError(), 1.25);
    EXPECT_EQ(seg.maxSegmentLength(), 25.0);
}

TEST(stSegmentizerTest, SmallerScaleFactorAccumulatesOverRuns) {
    stToolContextImpl_c context;
    context.setScalingInfo(2.0, 0.5);
    stSegmentizer_c seg(&context);
    stSketch_c sketch;
    seg.process(&sketch);
    EXPECT_DOUBLE_EQ(seg.recognizerMaxError(), 0.625);
    EXPECT_DOUBLE_EQ(seg.maxSegmentLength(), 12.5);
    seg.process(&sketch);
    EXPECT_DOUBLE_EQ(seg.recognizerMaxError(), 0.3125);
    EXPECT_DOUBLE_EQ(seg.maxSegmentLength(), 6.25);
    EXPECT_TRUE(sketch.isEmpty());
}

TEST(stSegmentizerTest, ReadsEverySettingFromXmlAndIsRegistered) {
    stSegmentizer_c seg;
    auto doc = vemora_test::xmlFromText(
        L"<P><UseSegmentizer>true</UseSegmentizer><MaxSegmentLength>10</MaxSegmentLength>"
        L"<UseAdaptiveSegmentation>true</UseAdaptiveSegmentation>"
        L"<MaxRecognizerDeviation>2.5</MaxRecognizerDeviation></P>");
    seg.fromXml(doc->getDocumentElement());
    EXPECT_TRUE(seg.useSegmentizer());
    EXPECT_EQ(seg.maxSegmentLength(), 10.0);
    EXPECT_TRUE(seg.useAdaptiveSegmentation());
    EXPECT_EQ(seg.recognizerMaxError(), 2.5);
    EXPECT_FALSE(seg.useDirectionDeviation());  // missing: false, not the default
    EXPECT_EQ(seg.maxDirectionDeviation(), 0.0);
    EXPECT_EQ(seg.recognizerMaxLinesError(), 3.0);  // has no key

    EXPECT_EQ(seg.isA(), stSegmentizer_c::desc());
    std::unique_ptr<stConfigurable_c> made(
        stVMREngine_c::getEngine().createConfigurable(L"Segmentizer"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->isA(), stSegmentizer_c::desc());
}

TEST(stSegmentizerTest, OtherEntitiesPassThroughInOrder) {
    stSegmentizer_c seg;
    auto sketch =
        sketchOf({new stArc_c({0, 0}, 5, 0, 1), new stCircle_c({3, 4}, 2), new stPoint_c({1, 1}),
                  new stPolyline_c(), new stRegion_c(), new stEllipse_c(4, 2, 30, {9, 9})});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 6);
    EXPECT_NE(entityAt<stArc_c>(*sketch, 0), nullptr);
    EXPECT_EQ(entityAt<stCircle_c>(*sketch, 1)->radius(), 2.0);
    EXPECT_NE(entityAt<stPoint_c>(*sketch, 2), nullptr);
    EXPECT_NE(entityAt<stPolyline_c>(*sketch, 3), nullptr);
    EXPECT_NE(entityAt<stRegion_c>(*sketch, 4), nullptr);
    EXPECT_EQ(entityAt<stEllipse_c>(*sketch, 5)->phi(), 30.0);
}

// ---------------------------------------------------------------------------------------------
// Lines

TEST(stSegmentizerTest, LinesBecomeExactlyLevelOrStayAsTheyAre) {
    stSegmentizer_c seg;
    stLine_c* oblique = new stLine_c({0, 0}, {30, 40});
    auto sketch =
        sketchOf({new stLine_c({0, 10}, {50, 11}), new stLine_c({20, 0}, {21.5, 40}), oblique});
    const stEntityAttributes_c marked(7, 2, 3.0);
    sketch->entityAt(0)->setAttributes(&marked);
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 3);
    // Level at the mean of the two ends.
    stLine_c* h = entityAt<stLine_c>(*sketch, 0);
    expectPoint(h->p1(), 0, 10.5);
    expectPoint(h->p2(), 50, 10.5);
    EXPECT_EQ(h->attributes().color(), 7);
    EXPECT_EQ(h->attributes().width(), 3.0);
    stLine_c* v = entityAt<stLine_c>(*sketch, 1);
    expectPoint(v->p1(), 20.75, 0);
    expectPoint(v->p2(), 20.75, 40);
    stLine_c* o = entityAt<stLine_c>(*sketch, 2);
    expectPoint(o->p1(), 0, 0);
    expectPoint(o->p2(), 30, 40);
}

TEST(stSegmentizerTest, WithoutClassificationLinesBecomeTwoPointSplines) {
    stSegmentizer_c seg;
    seg.setRecognizeSegmentType(false);
    auto sketch = sketchOf({new stLine_c({0, 10}, {50, 11})});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 1);
    stSpline_c* s = entityAt<stSpline_c>(*sketch, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pointCount(), 2);
    EXPECT_FALSE(s->hasControlPoints());
}

// ---------------------------------------------------------------------------------------------
// Splines: cutting and snapping

TEST(stSegmentizerTest, LShapeSplitsAtTheCornerAndStaysConnectedWhenSnapped) {
    // A wavy horizontal stroke at y ~ 10 starting at 10.4, then down to (50.3, 50).
    std::vector<utPoint_c> pts{{0, 10.4},  {5, 10.2},  {10, 9.8},  {15, 10.2}, {20, 9.8},
                               {25, 10},   {30, 10.2}, {35, 9.8},  {40, 10.2}, {45, 9.8},
                               {50, 10},   {50.2, 15}, {49.8, 20}, {50.2, 25}, {49.8, 30},
                               {50.2, 35}, {49.8, 40}, {50, 45},   {50.3, 50}};
    stSegmentizer_c seg;
    auto sketch = sketchOf({new stSpline_c(pts)});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 2);
    stLine_c* h = entityAt<stLine_c>(*sketch, 0);
    stLine_c* v = entityAt<stLine_c>(*sketch, 1);
    ASSERT_NE(h, nullptr);
    ASSERT_NE(v, nullptr);
    // The horizontal run, with only a next neighbour, levels at its free start; the vertical
    // run, with only a previous one, at its free end; the shared corner follows both.
    expectPoint(h->p1(), 0, 10.4);
    expectPoint(h->p2(), 50.3, 10.4);
    expectPoint(v->p1(), 50.3, 10.4);
    expectPoint(v->p2(), 50.3, 50);
}

TEST(stSegmentizerTest, ClosedSquareStartingMidSideBecomesFourSides) {
    const auto pts = polyline({{20, 0}, {40, 0}, {40, 40}, {0, 40}, {0, 0}, {20, 0}}, 4);
    stSegmentizer_c seg;
    auto sketch = sketchOf({new stSpline_c(pts)});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 4);
    const double corners[5][2] = {{0, 0}, {40, 0}, {40, 40}, {0, 40}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        stLine_c* side = entityAt<stLine_c>(*sketch, i);
        ASSERT_NE(side, nullptr);
        expectPoint(side->p1(), corners[i][0], corners[i][1]);
        expectPoint(side->p2(), corners[i + 1][0], corners[i + 1][1]);
    }
}

TEST(stSegmentizerTest, ClosedChainOfFreeRunsIsMergedIntoOneRefittedSpline) {
    const auto pts = polyline({{20, 0}, {40, 0}, {40, 40}, {0, 40}, {0, 0}, {20, 0}}, 4);
    stSegmentizer_c seg;
    seg.setRecognizeSegmentType(false);
    auto sketch = sketchOf({new stSpline_c(pts)});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 1);
    stSpline_c* s = entityAt<stSpline_c>(*sketch, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pointCount(), int(pts.size()));
    expectPoint(s->points().front(), 0, 0);  // rotated to the corner
    expectPoint(s->points().back(), 0, 0);
    // Four sharp corners cannot sit inside one cubic piece.
    ASSERT_GE(s->controlPoints().size(), 13u);
    EXPECT_EQ(s->controlPoints().size() % 3, 1u);
    expectPoint(s->controlPoints().front(), 0, 0);
    expectPoint(s->controlPoints().back(), 0, 0);
}

TEST(stSegmentizerTest, LegLongerThanTheLimitBecomesALineOfItsOwn) {
    // An S bend without corners; the leg from (15, 6) to (41, 21) is 30 long.
    const std::vector<utPoint_c> pts{{0, 0},   {5, 1},   {10, 3},  {15, 6},   {41, 21},
                                     {46, 24}, {51, 26}, {56, 27}, {61, 27.5}};
    stSegmentizer_c seg;
    auto sketch = sketchOf({new stSpline_c(pts)});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 3);
    stLine_c* leg = entityAt<stLine_c>(*sketch, 1);
    ASSERT_NE(leg, nullptr);
    expectPoint(leg->p1(), 15, 6);
    expectPoint(leg->p2(), 41, 21);
}

TEST(stSegmentizerTest, LegMuchLongerThanTheRunningAverageStartsANewRun) {
    stSegmentizer_c seg;
    seg.setRecognizeSegmentType(false);
    seg.setUseSegmentLengthDeviation(true);
    // Legs 1, 1, 1, 4: 4 / 1 > 3.
    auto sketch = sketchOf({new stSpline_c({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {7, 0}})});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 2);
    EXPECT_EQ(entityAt<stSpline_c>(*sketch, 0)->pointCount(), 4);
    const stSpline_c* tail = entityAt<stSpline_c>(*sketch, 1);
    ASSERT_EQ(tail->pointCount(), 2);
    expectPoint(tail->pointAt(0), 3, 0);
}

TEST(stSegmentizerTest, DegenerateSplinesAreKept) {
    stSegmentizer_c seg;
    seg.setRecognizeSegmentType(false);
    // There and back: a closed free run of three points.
    auto sketch = sketchOf(
        {new stSpline_c({{0, 0}, {10, 0}, {0, 0.5}}), new stSpline_c({{4, 4}}), new stSpline_c()});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 3);
    stSpline_c* back = entityAt<stSpline_c>(*sketch, 0);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->pointCount(), 3);
    EXPECT_FALSE(back->hasControlPoints());
    EXPECT_EQ(entityAt<stSpline_c>(*sketch, 1)->pointCount(), 1);
    EXPECT_EQ(entityAt<stSpline_c>(*sketch, 2)->pointCount(), 0);
}

TEST(stSegmentizerTest, AdaptiveToleranceGrowsWithTheSize) {
    // Radius 150 (size 300): with rate 1 the circle test allows three times 1.25 / 2, enough for
    // noise of up to 1 in x and y, which the base tolerance is not.
    auto pts = withNoise(circlePoints(200, 200, 150, 0, 360, 240), 1.0, 7);
    pts.back() = pts.front();
    for (bool adaptive : {false, true}) {
        SCOPED_TRACE(adaptive);
        stSegmentizer_c seg;
        seg.setUseAdaptiveSegmentation(adaptive);
        auto sketch = sketchOf({new stSpline_c(pts)});
        seg.process(sketch.get());
        const bool circle = sketch->entitiesCount() == 1 && entityAt<stCircle_c>(*sketch, 0);
        EXPECT_EQ(circle, adaptive);
    }
}

// ---------------------------------------------------------------------------------------------
// Noisy drawings of known shapes

TEST(stSegmentizerTest, NoisyShapesComeOutAsTheirEntityKinds) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        auto circle = withNoise(circlePoints(100, 100, 40, 0, 360, 90), 0.2, seed);
        circle.back() = circle.front();
        const auto arc = withNoise(circlePoints(300, 100, 50, 200, 320, 40), 0.2, seed);
        auto ellipse = withNoise(ellipsePoints(150, 300, 60, 30, 25, 0, 360, 90), 0.15, seed);
        ellipse.back() = ellipse.front();
        const auto ellipticArc =
            withNoise(ellipsePoints(400, 300, 70, 30, -40, 20, 200, 60), 0.15, seed);
        const auto zigzag =
            withNoise(polyline({{500, 0}, {560, 0}, {500, 50}, {560, 50}}, 12), 0.2, seed);

        stSegmentizer_c seg;
        seg.setRecognizeEllipses(true);
        seg.setRecognizeEllipticArcSegments(true);
        auto sketch =
            sketchOf({new stSpline_c(circle), new stSpline_c(arc), new stSpline_c(ellipse),
                      new stSpline_c(ellipticArc), new stSpline_c(zigzag)});
        seg.process(sketch.get());
        ASSERT_EQ(sketch->entitiesCount(), 7);

        const stCircle_c* c = entityAt<stCircle_c>(*sketch, 0);
        ASSERT_NE(c, nullptr);
        EXPECT_NEAR(c->radius(), 40, 0.4);
        expectPoint(c->center(), 100, 100, 0.4);

        const stArc_c* a = entityAt<stArc_c>(*sketch, 1);
        ASSERT_NE(a, nullptr);
        EXPECT_NEAR(a->radius(), 50, 0.5);
        expectPoint(a->center(), 300, 100, 0.5);

        const stEllipse_c* e = entityAt<stEllipse_c>(*sketch, 2);
        ASSERT_NE(e, nullptr);
        EXPECT_NEAR(e->a(), 60, 0.6);
        EXPECT_NEAR(e->b(), 30, 0.3);
        expectPoint(e->center(), 150, 300, 0.3);

        const stEllipseArc_c* ea = entityAt<stEllipseArc_c>(*sketch, 3);
        ASSERT_NE(ea, nullptr);
        EXPECT_NEAR(ea->a(), 70, 0.7);
        EXPECT_NEAR(ea->b(), 30, 0.3);
        expectPoint(ea->center(), 400, 300, 0.3);

        // The zigzag: level top and bottom strokes joined by a slanted one, all connected.
        const stLine_c* top = entityAt<stLine_c>(*sketch, 4);
        const stLine_c* slant = entityAt<stLine_c>(*sketch, 5);
        const stLine_c* bottom = entityAt<stLine_c>(*sketch, 6);
        ASSERT_TRUE(top && slant && bottom);
        EXPECT_EQ(top->p1().y(), top->p2().y());
        EXPECT_EQ(bottom->p1().y(), bottom->p2().y());
        EXPECT_EQ(top->p2(), slant->p1());
        EXPECT_EQ(slant->p2(), bottom->p1());
        expectPoint(top->p1(), 500, 0, 0.5);
        expectPoint(top->p2(), 560, 0, 0.5);
        expectPoint(bottom->p1(), 500, 50, 0.5);
        expectPoint(bottom->p2(), 560, 50, 0.5);
    }
}

TEST(stSegmentizerTest, ByDefaultAClosedEllipseStaysOneRefittedSpline) {
    auto ellipse = withNoise(ellipsePoints(150, 300, 60, 30, 25, 0, 360, 90), 0.15, 4);
    ellipse.back() = ellipse.front();
    stSegmentizer_c seg;
    auto sketch = sketchOf({new stSpline_c(ellipse)});
    seg.process(sketch.get());
    ASSERT_EQ(sketch->entitiesCount(), 1);
    const stSpline_c* s = entityAt<stSpline_c>(*sketch, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->hasControlPoints());
}

// ---------------------------------------------------------------------------------------------
// Runs

TEST(stSegmentInfoTest, MovingAnEndShiftsLevelNeighboursAndKeepsTheChainConnected) {
    // A U: down the left side, along the bottom, up the right side (y down).
    std::vector<stSegmentInfo_c> runs{{{}, straight({0, 0}, {0, 20}, 4), 2},
                                      {{}, straight({0, 20}, {30, 20}, 6), 1},
                                      {{}, straight({30, 20}, {30, 0}, 4), 2}};
    runs[0].setNext(&runs[1]);
    runs[1].setPrev(&runs[0]);
    runs[1].setNext(&runs[2]);
    runs[2].setPrev(&runs[1]);
    // Moving the bottom down by 2 drags the lower ends of both sides with it.
    runs[1].setStartAndEnd({0, 22}, {30, 22});
    expectPoint(runs[0].endPoint(), 0, 22);
    expectPoint(runs[0].startPoint(), 0, 0);
    expectPoint(runs[2].startPoint(), 30, 22);
    // Moving the left side right by 1 shifts it whole, and the bottom's start follows.
    runs[0].setStartAndEnd({1, 0}, {1, 22});
    expectPoint(runs[1].startPoint(), 1, 22);
    expectPoint(runs[1].endPoint(), 30, 22);
    // Either end of the bottom moved across it takes the whole bottom along, and both sides follow.
    runs[1].setEndPoint({30, 25}, nullptr);
    expectPoint(runs[0].endPoint(), 1, 25);
    expectPoint(runs[0].startPoint(), 1, 0);
    expectPoint(runs[2].startPoint(), 30, 25);
    runs[1].setStartPoint({1, 28}, nullptr);
    expectPoint(runs[2].startPoint(), 30, 28);
    expectPoint(runs[2].endPoint(), 30, 0);
    expectPoint(runs[0].endPoint(), 1, 28);
}

TEST(stSegmentInfoTest, ArcKeepsItsRadiusThroughMovedEnds) {
    // Ends 12 apart, radius 10: the centre lies 8 from the chord, away from the run's middle.
    stSegmentInfo_c arc({}, {{0, 0}, {3, 1.5}, {6, 2}, {9, 1.5}, {12, 0}}, 5);
    arc.setR(10);
    arc.recalculateParameters();
    expectPoint(arc.center(), 6, -8);
    EXPECT_NEAR(arc.startAngle(), std::atan2(8.0, 6.0), kExact);
    EXPECT_NEAR(arc.endAngle(), std::atan2(8.0, -6.0), kExact);

    // A radius too short for the chord becomes the half circle over it.
    arc.setR(4);
    arc.recalculateParameters();
    EXPECT_EQ(arc.r(), 6.0);
    expectPoint(arc.center(), 6, 0);
}

TEST(stSegmentInfoTest, MakesTheEntityOfItsType) {
    const stEntityAttributes_c attrs(3, 1, 2.0);
    stSegmentInfo_c run(attrs, {{0, 0}, {10, 0}}, 4);
    run.setCenter({1, 2});
    run.setR(5);
    std::unique_ptr<stEntity_c> circle(run.makeEntity(1.0));
    ASSERT_NE(dynamic_cast<stCircle_c*>(circle.get()), nullptr);
    EXPECT_EQ(circle->attributes().color(), 3);
    EXPECT_EQ(circle->attributes().width(), 2.0);
    run.setSegmentType(-1);
    EXPECT_EQ(run.makeEntity(1.0), nullptr);
    run.setSegmentType(8);
    EXPECT_EQ(run.makeEntity(1.0), nullptr);
    EXPECT_TRUE(stSegmentInfo_c({}, {{0, 0}, {0.6, 0.6}}, 3).isClosed());
    EXPECT_FALSE(stSegmentInfo_c({}, {{0, 0}, {1, 0}}, 3).isClosed());
}

// ---------------------------------------------------------------------------------------------
// Bézier refit

TEST(BezierFitTest, ZeroToleranceEndsWithOnePiecePerLeg) {
    const auto pts = straight({0, 0}, {40, 0}, 4);
    std::vector<utGeBezierSegment_c> pieces;
    fitCubicBeziers(pts, 0.0, pieces);
    ASSERT_EQ(pieces.size(), 4u);
    for (size_t i = 0; i < pieces.size(); ++i) {
        expectPoint(pieces[i].controlPoint(0), 10.0 * double(i), 0);
        expectPoint(pieces[i].controlPoint(3), 10.0 * double(i + 1), 0);
    }
}

TEST(BezierFitTest, PiecesFollowTheRunWithinTolerance) {
    const auto pts = circlePoints(0, 0, 50, 0, 180, 60);
    std::vector<utGeBezierSegment_c> pieces;
    fitCubicBeziers(pts, 0.2, pieces);
    ASSERT_FALSE(pieces.empty());
    EXPECT_LT(pieces.size(), pts.size() / 4);  // a smooth run needs few cubics
    expectPoint(pieces.front().controlPoint(0), 50, 0);
    expectPoint(pieces.back().controlPoint(3), -50, 0, 1e-9);
    for (size_t i = 1; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i].controlPoint(0), pieces[i - 1].controlPoint(3));
    for (const utPoint_c& p : pts) {
        double nearest = 1e99;
        for (const auto& q : pieces)
            for (int k = 0; k <= 1000; ++k)
                nearest = std::min(nearest, (q.pointAtParameter(k / 1000.0) - p).length());
        EXPECT_LT(nearest, 0.2);
    }
}

TEST(BezierFitTest, RepeatedPointsGiveFiniteControlPoints) {
    const std::vector<utPoint_c> pts{{0, 0}, {0, 0}, {10, 0}, {10, 0}, {20, 5}, {20, 5}};
    for (double tolerance : {0.0, 0.5}) {
        std::vector<utGeBezierSegment_c> pieces;
        fitCubicBeziers(pts, tolerance, pieces);
        ASSERT_FALSE(pieces.empty());
        for (const auto& q : pieces)
            for (int i = 0; i < 4; ++i)
                EXPECT_TRUE(std::isfinite(q.controlPoint(i).x()) &&
                            std::isfinite(q.controlPoint(i).y()));
    }
}
