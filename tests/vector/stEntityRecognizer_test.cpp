// The entity recognizer: its rules for short splines and arcs, its run inside a tool, and the
// shape tests it shares.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "curvePoints.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::circlePoints;
using vemora_test::ellipsePoints;
using vemora_test::radians;
using vemora_test::withNoise;
using vemora_test::xmlFromText;

namespace {

// The recognizer as the one-call tracer sets it up by default.
stEntityRecognizer_c tracerRecognizer() {
    stEntityRecognizer_c r(1.0, 0.65, 1.0);
    r.setMaxError(0.45);
    r.setApproximationMaxError(0.91);
    r.setEllipseRecognition(true);
    r.setEllipseTolerance(0.7);
    r.setEllipseDeviation(2.0);
    r.setEllipseMaxEccentricity(0.99);
    r.setEllipseMinEccentricity(0.05);
    return r;
}

// Only the spline rules of the recognizer itself.
stEntityRecognizer_c splineRules(double maxError) {
    stEntityRecognizer_c r(maxError, 0.65, 1.0);
    r.setEllipseRecognition(false);
    return r;
}

std::unique_ptr<stSketch_c> recognize(stEntityRecognizer_c& r,
                                      const std::vector<utPoint_c>& points) {
    auto sketch = std::make_unique<stSketch_c>();
    sketch->addEntity(new stSpline_c(points));
    return std::unique_ptr<stSketch_c>(r.process(sketch.release()));
}

std::vector<std::vector<utPoint_c>> splinePoints(const stSketch_c& sketch) {
    std::vector<std::vector<utPoint_c>> out;
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        const auto* s = dynamic_cast<const stSpline_c*>(sketch.entityAt(i));
        if (s) out.push_back(s->points());
    }
    return out;
}

::testing::AssertionResult sameAngle(double a, double b, double tol) {
    const double d = std::remainder(a - b, 2.0 * vemora_test::kPi);
    if (std::fabs(d) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a << " and " << b << " differ by " << d;
}

struct StepListener : stToolListener_c {
    std::vector<std::wstring> calls;
    bool answer = true;
    bool onStart(const stTool_c*) override { return add(L"start"), answer; }
    bool onStepStart(const stTool_c*, const wchar_t* s) override { return add(s), answer; }
    bool onProgress(const stTool_c*, int) override { return true; }
    void onStepFinish(const stTool_c*, const wchar_t* s) override { add(std::wstring(L"/") + s); }
    void onFinish(const stTool_c*) override { add(L"finish"); }
    void add(std::wstring s) { calls.push_back(std::move(s)); }
};

const wchar_t* const kRecognizerTool =
    L"<Tool name=\"Recognize\"><Sketch><Processor processorName=\"EntityRecognizer\" name=\"r\">"
    L"<UseRecognizer>true</UseRecognizer><MaxError>2</MaxError>"
    L"<ApproximationMaxError>0.91</ApproximationMaxError><EllipseRecognition>true</"
    L"EllipseRecognition>"
    L"<EllipseTolerance>0.65</EllipseTolerance><EllipseDeviation>1</EllipseDeviation>"
    L"<EllipseMaxEccentricity>0.99</EllipseMaxEccentricity>"
    L"<EllipseMinEccentricity>0.05</EllipseMinEccentricity>"
    L"</Processor></Sketch></Tool>";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Spline rules

TEST(stEntityRecognizerTest, ShortSplinesBecomeStraightPiecesWithoutTheirHooks) {
    struct Row {
        const char* name;
        std::vector<utPoint_c> points;
        double maxError;
        std::vector<std::vector<utPoint_c>> pieces;  // empty: the spline itself stays
    };
    const Row rows[] = {
        {"two points", {{0, 0}, {3, 4}}, 1.0, {{{0, 0}, {3, 4}}}},
        {"two points within the error", {{0, 0}, {3, 4}}, 5.0, {}},
        {"hook at the start (ratio 0.1)", {{0, 0}, {1, 0}, {1, 10}}, 1.0, {{{1, 0}, {1, 10}}}},
        {"hook at the end", {{0, 0}, {10, 0}, {10, 1}}, 1.0, {{{0, 0}, {10, 0}}}},
        {"corner", {{0, 0}, {10, 0}, {10, 10}}, 1.0, {{{0, 0}, {10, 0}}, {{10, 0}, {10, 10}}}},
        {"corner within the error", {{0, 0}, {10, 0}, {10, 10}}, 15.0, {}},
        {"hooks at both ends", {{0, 1}, {0, 0}, {100, 0}, {100, -1}}, 1.0, {{{0, 0}, {100, 0}}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto r = splineRules(row.maxError);
        const auto out = recognize(r, row.points);
        EXPECT_EQ(splinePoints(*out), row.pieces);
        EXPECT_EQ(out->entitiesCount(), int(row.pieces.size()));
    }
}

TEST(stEntityRecognizerTest, AmbiguousShortSplinesStayAsTheyAre) {
    struct Row {
        const char* name;
        std::vector<utPoint_c> points;
    };
    const Row rows[] = {
        {"ratio 0.28", {{0, 0}, {2.8, 0}, {2.8, 10}}},
        {"ratio 3.5", {{0, 0}, {35, 0}, {35, 10}}},
        {"four points, no long leg", {{0, 0}, {10, 0}, {10, 10}, {20, 10}}},
        {"one point", {{4, 4}}},
        {"coincident", {{4, 4}, {4, 4}, {4, 4}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto r = splineRules(0.5);
        const auto out = recognize(r, row.points);
        EXPECT_EQ(splinePoints(*out), std::vector<std::vector<utPoint_c>>{row.points});
    }
}

TEST(stEntityRecognizerTest, PiecesKeepOnlyTheWidthOfTheirSpline) {
    auto sketch = std::make_unique<stSketch_c>();
    auto* spline = new stSpline_c({{0, 0}, {10, 0}});
    const stEntityAttributes_c look(0x00FF00, 3, 2.5);
    spline->setAttributes(&look);
    sketch->addEntity(spline);
    auto r = splineRules(1.0);
    const std::unique_ptr<stSketch_c> out(r.process(sketch.release()));
    ASSERT_EQ(out->entitiesCount(), 1);
    EXPECT_EQ(out->entityAt(0)->attributes().color(), 0);
    EXPECT_EQ(out->entityAt(0)->attributes().lineType(), 0);
    EXPECT_EQ(out->entityAt(0)->attributes().width(), 2.5);
    EXPECT_EQ(out->entityAt(0)->owner(), out.get());
}

TEST(stEntityRecognizerTest, CircleRunsUpToHalfATurnBecomeArcsClosedOnesCircles) {
    auto r = splineRules(0.5);
    for (const bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed" : "forward");
        auto points = circlePoints(100, 100, 50, 10, 100, 12);
        if (reversed) std::reverse(points.begin(), points.end());
        const auto out = recognize(r, points);
        ASSERT_EQ(out->entitiesCount(), 1);
        const auto* arc = dynamic_cast<const stArc_c*>(out->entityAt(0));
        ASSERT_NE(arc, nullptr);
        // The fixed-point circle fit creeps on a short run and stops a little short.
        EXPECT_NEAR(arc->radius(), 50.0, 0.5);
        EXPECT_TRUE(sameAngle(arc->startAngle(), radians(10), 0.01));
        EXPECT_TRUE(sameAngle(arc->endAngle(), radians(100), 0.01));
    }
    // Three quarters: the centre through the end points lands on the wrong side.
    const auto threeQuarters = circlePoints(100, 100, 50, 0, 270, 12);
    EXPECT_EQ(splinePoints(*recognize(r, threeQuarters)),
              std::vector<std::vector<utPoint_c>>{threeQuarters});

    auto ring = circlePoints(100, 100, 50, 0, 360, 30);
    ring.back() = ring.front();
    const auto out = recognize(r, ring);
    ASSERT_EQ(out->entitiesCount(), 1);
    const auto* circle = dynamic_cast<const stCircle_c*>(out->entityAt(0));
    ASSERT_NE(circle, nullptr);
    EXPECT_NEAR(circle->radius(), 50.0, 0.1);
}

TEST(stEntityRecognizerTest, ClosedSplinesOfFewPointsStaySplines) {
    // An L drawn back to its start, and a square.
    const std::vector<utPoint_c> shapes[] = {
        {{0, 0}, {40, 0}, {40, 10}, {10, 10}, {10, 40}, {0, 40}, {0, 0}},
        {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}},
    };
    for (const auto& points : shapes) {
        auto r = tracerRecognizer();
        EXPECT_EQ(splinePoints(*recognize(r, points)), std::vector<std::vector<utPoint_c>>{points});
    }
}

// ---------------------------------------------------------------------------------------------
// The processor

TEST(stEntityRecognizerTest, OtherEntitiesAreClonedIntoANewSketch) {
    auto sketch = std::make_unique<stSketch_c>();
    sketch->addEntity(new stCircle_c(utPoint_c(5, 5), 3));
    sketch->addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(9, 9)));
    sketch->addEntity(new stPolyline_c());
    sketch->addEntity(new stPoint_c(utPoint_c(1, 2)));
    stSketch_c* input = sketch.get();
    auto r = tracerRecognizer();
    const std::unique_ptr<stSketch_c> out(r.process(sketch.release()));  // deletes the input
    ASSERT_NE(out.get(), input);
    ASSERT_EQ(out->entitiesCount(), 4);
    EXPECT_NE(dynamic_cast<stCircle_c*>(out->entityAt(0)), nullptr);
    EXPECT_NE(dynamic_cast<stLine_c*>(out->entityAt(1)), nullptr);
    EXPECT_NE(dynamic_cast<stPolyline_c*>(out->entityAt(2)), nullptr);
    EXPECT_NE(dynamic_cast<stPoint_c*>(out->entityAt(3)), nullptr);
    EXPECT_GE(out->extents().x2(), 9.0);
}

TEST(stEntityRecognizerTest, SwitchedOffItReturnsTheSameSketch) {
    auto r = tracerRecognizer();
    r.setUseRecognizer(false);
    auto sketch = std::make_unique<stSketch_c>();
    sketch->addEntity(new stSpline_c({{0, 0}, {3, 4}}));
    EXPECT_EQ(r.process(sketch.get()), sketch.get());
    EXPECT_EQ(sketch->entitiesCount(), 1);
    EXPECT_EQ(r.process(nullptr), nullptr);
}

TEST(stEntityRecognizerTest, ErrorsAreScaledInPlaceOnlyByAToolContext) {
    auto r = splineRules(2.0);
    delete r.process(new stSketch_c());
    EXPECT_EQ(r.maxError(), 2.0);  // no context: a scale of 1
    EXPECT_EQ(r.approximationMaxError(), 0.91);

    stToolContextImpl_c context;
    context.setScalingInfo(3.0, 0.5);
    context.setVectors(new stSketch_c());
    ASSERT_TRUE(r.apply(&context));
    EXPECT_EQ(r.maxError(), 1.0);
    EXPECT_EQ(r.approximationMaxError(), 0.455);
    ASSERT_TRUE(r.apply(&context));  // and again
    EXPECT_EQ(r.maxError(), 0.5);
}

TEST(stEntityRecognizerTest, ReadsEverySettingAndIsRegistered) {
    auto doc = xmlFromText(kRecognizerTool);
    ASSERT_NE(doc, nullptr);
    stXmlElement_c* entry =
        stToolDefinition_c(doc->getDocumentElement()).vectorProcessorConfiguration(0);
    ASSERT_NE(entry, nullptr);
    std::unique_ptr<stConfigurable_c> made(
        stVMREngine_c::getEngine().createConfigurable(L"EntityRecognizer"));
    auto* r = dynamic_cast<stEntityRecognizer_c*>(made.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->isA(), stEntityRecognizer_c::desc());
    EXPECT_TRUE(r->isKindOf(stSketchProcessor_c::desc()));
    EXPECT_FALSE(r->useRecognizer());  // nothing of its own until it is configured
    r->fromXml(entry);
    EXPECT_TRUE(r->useRecognizer());
    EXPECT_EQ(r->maxError(), 2.0);
    EXPECT_EQ(r->approximationMaxError(), 0.91);
    EXPECT_TRUE(r->ellipseRecognition());
    EXPECT_EQ(r->ellipseTolerance(), 0.65);
    EXPECT_EQ(r->ellipseDeviation(), 1.0);
    EXPECT_EQ(r->ellipseMaxEccentricity(), 0.99);
    EXPECT_EQ(r->ellipseMinEccentricity(), 0.05);
    r->fromXml(nullptr);
    EXPECT_FALSE(r->useRecognizer());
    EXPECT_EQ(r->ellipseMinEccentricity(), 0.0);
}

TEST(stEntityRecognizerTest, RunsInsideAToolAndReportsItsStep) {
    auto doc = xmlFromText(kRecognizerTool);
    stTool_c tool{stToolDefinition_c(doc->getDocumentElement())};
    ASSERT_EQ(tool.countPostProcessors(), 1);
    StepListener listener;
    tool.addListener(&listener);

    stToolContextImpl_c context;
    auto* sketch = new stSketch_c();
    sketch->addEntity(new stSpline_c(circlePoints(50, 50, 20, 0, 354, 40)));
    sketch->addEntity(new stSpline_c({{0, 0}, {10, 0}, {10, 10}}));
    context.setVectors(sketch);
    ASSERT_TRUE(tool.apply(&context));
    ASSERT_NE(context.getVectors(), nullptr);
    ASSERT_EQ(context.getVectors()->entitiesCount(), 3);
    EXPECT_NE(dynamic_cast<stCircle_c*>(context.getVectors()->entityAt(0)), nullptr);
    EXPECT_EQ(listener.calls, (std::vector<std::wstring>{L"start", L"Recognizer...",
                                                         L"/Recognizer...", L"finish"}));

    // A cancelled run leaves the context's sketch in place, untouched.
    listener.calls.clear();
    listener.answer = false;
    stSketch_c* before = context.getVectors();
    ASSERT_TRUE(tool.apply(&context));
    EXPECT_EQ(context.getVectors(), before);
    EXPECT_EQ(context.getVectors()->entitiesCount(), 3);
    EXPECT_EQ(listener.calls, (std::vector<std::wstring>{L"start", L"finish"}));
}

// ---------------------------------------------------------------------------------------------
// What a traced drawing looks like to it

TEST(stEntityRecognizerTest, NoisySplinesOfKnownShapesComeOutAsThoseShapes) {
    const double within = 0.01;  // of the true size
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        auto sketch = std::make_unique<stSketch_c>();
        sketch->addEntity(
            new stSpline_c(withNoise(circlePoints(200, 200, 60, 30, 386, 80), 0.15, seed)));
        sketch->addEntity(
            new stSpline_c(withNoise(ellipsePoints(300, 600, 90, 45, 25, 0, 354, 80), 0.15, seed)));
        sketch->addEntity(new stSpline_c(
            withNoise(ellipsePoints(700, 600, 70, 30, -40, 20, 200, 60), 0.15, seed)));
        sketch->addEntity(new stSpline_c(withNoise({{10, 10}, {110, 12}, {112, 90}}, 0.15, seed)));

        auto r = tracerRecognizer();
        const std::unique_ptr<stSketch_c> out(r.process(sketch.release()));
        ASSERT_EQ(out->entitiesCount(), 5);

        const auto* circle = dynamic_cast<const stCircle_c*>(out->entityAt(0));
        ASSERT_NE(circle, nullptr);
        EXPECT_NEAR(circle->radius(), 60, 60 * within);
        EXPECT_NEAR(circle->center().x(), 200, 60 * within);
        EXPECT_NEAR(circle->center().y(), 200, 60 * within);

        const auto* ellipse = dynamic_cast<const stEllipse_c*>(out->entityAt(1));
        ASSERT_NE(ellipse, nullptr);
        EXPECT_NEAR(ellipse->a(), 90, 90 * within);
        EXPECT_NEAR(ellipse->b(), 45, 45 * within);
        EXPECT_NEAR(ellipse->phi(), -25, 1.0);
        EXPECT_NEAR(ellipse->center().x(), 300, 45 * within);
        EXPECT_NEAR(ellipse->center().y(), 600, 45 * within);

        const auto* ellipseArc = dynamic_cast<const stEllipseArc_c*>(out->entityAt(2));
        ASSERT_NE(ellipseArc, nullptr);
        EXPECT_NEAR(ellipseArc->a(), 70, 70 * within);
        EXPECT_NEAR(ellipseArc->b(), 30, 30 * within);
        EXPECT_NEAR(ellipseArc->center().x(), 700, 30 * within);
        EXPECT_NEAR(ellipseArc->center().y(), 600, 30 * within);
        EXPECT_NEAR(ellipseArc->endAngle() - ellipseArc->startAngle(), 180, 2.0);

        // The polyline's corner gives two straight pieces.
        const auto pieces = splinePoints(*out);
        ASSERT_EQ(pieces.size(), 2u);
        EXPECT_NEAR(pieces[0][1].x(), 110, 0.5);
        EXPECT_NEAR(pieces[1][1].y(), 90, 0.5);
    }
}

TEST(stEntityRecognizerTest, NoisyCircularSplinesComeOutAsArcsAndCirclesByTheirOwnRule) {
    // Without the conic fit, circular runs go through the arc test. (With it, the eccentricity
    // of a fit to a noisy partial arc rarely stays below 0.05, and such an arc becomes an
    // elliptic arc of nearly equal semi-axes.)
    const double within = 0.01;
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        auto sketch = std::make_unique<stSketch_c>();
        auto ring = withNoise(circlePoints(200, 200, 60, 30, 384, 60), 0.15, seed);
        ring.back() = ring.front();  // traced closed strokes end where they start
        sketch->addEntity(new stSpline_c(ring));
        sketch->addEntity(
            new stSpline_c(withNoise(circlePoints(500, 300, 80, 200, 330, 40), 0.15, seed)));
        auto r = tracerRecognizer();
        r.setEllipseRecognition(false);
        const std::unique_ptr<stSketch_c> out(r.process(sketch.release()));
        ASSERT_EQ(out->entitiesCount(), 2);

        const auto* circle = dynamic_cast<const stCircle_c*>(out->entityAt(0));
        ASSERT_NE(circle, nullptr);
        EXPECT_NEAR(circle->radius(), 60, 60 * within);
        EXPECT_NEAR(circle->center().x(), 200, 60 * within);

        const auto* arc = dynamic_cast<const stArc_c*>(out->entityAt(1));
        ASSERT_NE(arc, nullptr);
        EXPECT_NEAR(arc->radius(), 80, 80 * within);
        EXPECT_NEAR(arc->center().x(), 500, 80 * within);
        EXPECT_NEAR(arc->center().y(), 300, 80 * within);
        EXPECT_TRUE(sameAngle(arc->startAngle(), radians(200), 0.02));
        EXPECT_TRUE(sameAngle(arc->endAngle(), radians(330), 0.02));
    }
}

// ---------------------------------------------------------------------------------------------
// Shape tests

TEST(stEntityRecognizerShapeTest, StraightHorizontalAndVerticalRuns) {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0, level = 0;
    const std::vector<utPoint_c> flat = {{0, 10}, {5, 10.4}, {10, 9.6}, {15, 10}};
    EXPECT_TRUE(stEntityRecognizer_c::checkIfStraightLineSegment(flat, x1, y1, x2, y2, 1.0));
    EXPECT_EQ(utPoint_c(x2, y2), utPoint_c(15, 10));
    EXPECT_TRUE(stEntityRecognizer_c::checkIfHorizontal(flat, level, 1.0));
    EXPECT_DOUBLE_EQ(level, 10.0);
    EXPECT_FALSE(stEntityRecognizer_c::checkIfVertical(flat, level, 1.0));

    // One point 3 off the chord among many on it: too far, but fine on average.
    const std::vector<utPoint_c> bump = {{0, 0}, {1, 0}, {2, 3}, {3, 0},
                                         {4, 0}, {5, 0}, {6, 0}, {7, 0}};
    EXPECT_TRUE(stEntityRecognizer_c::checkIfStraightLineSegment(bump, x1, y1, x2, y2, 1.0));
    const std::vector<utPoint_c> bent = {{0, 0}, {5, 5}, {10, 0}};
    EXPECT_FALSE(stEntityRecognizer_c::checkIfStraightLineSegment(bent, x1, y1, x2, y2, 1.0));
    EXPECT_TRUE(
        stEntityRecognizer_c::checkIfStraightLineSegment({{0, 0}, {9, 9}}, x1, y1, x2, y2, 0.1));
    EXPECT_FALSE(stEntityRecognizer_c::checkIfStraightLineSegment({{0, 0}}, x1, y1, x2, y2, 0.1));

    const std::vector<utPoint_c> upright = {{20, 0}, {20.5, 10}, {19.5, 20}, {20, 30}};
    EXPECT_TRUE(stEntityRecognizer_c::checkIfVertical(upright, level, 1.0));
    EXPECT_DOUBLE_EQ(level, 20.0);
    EXPECT_FALSE(stEntityRecognizer_c::checkIfHorizontal(upright, level, 1.0));
    EXPECT_FALSE(stEntityRecognizer_c::checkIfHorizontal({}, level, 1.0));
}

TEST(stEntityRecognizerShapeTest, EllipticArcsNeedElevenSupportedPoints) {
    double cx = 0, cy = 0, phi = 0, a = 0, b = 0, s = 0, e = 0;
    const auto arc = ellipsePoints(100, 80, 40, 20, 30, 0, 120, 11);
    ASSERT_TRUE(stEntityRecognizer_c::checkIfEllipticArc(arc, cx, cy, phi, a, b, s, e, 0.0));
    EXPECT_NEAR(a, 40, 1e-6);
    EXPECT_NEAR(b, 20, 1e-6);
    EXPECT_NEAR(phi, -30, 1e-6);
    EXPECT_NEAR(cx, 100, 1e-6);
    EXPECT_NEAR(e - s, 120, 1e-6);
    const std::vector<utPoint_c> ten(arc.begin(), arc.begin() + 10);
    EXPECT_FALSE(stEntityRecognizer_c::checkIfEllipticArc(ten, cx, cy, phi, a, b, s, e, 0.0));
    std::vector<utPoint_c> row;
    for (int i = 0; i < 12; ++i) row.emplace_back(i, 4.0);
    EXPECT_FALSE(stEntityRecognizer_c::checkIfEllipticArc(row, cx, cy, phi, a, b, s, e, 0.0));
}
