#include <gtest/gtest.h>

#include <vemora.h>
#include "expectBox.h"
#include "foundation/mathConstants.h"

#include <cmath>
#include <string>
#include <vector>

using namespace Vemora;
using vemora_test::expectBox;

namespace {
constexpr double kTol = 1e-9;

// Records the visitor calls as short tags ("bar 2" = a bar of width 2).
struct Recorder : stSpvPrimitiveVisitor_c {
    bool enterSpvSketch(const stSpvSketch_c& s) override {
        calls.push_back("enter " + std::to_string(s.countPrimitives()));
        return enter;
    }
    void leaveSpvSketch(const stSpvSketch_c& s) override {
        calls.push_back("leave " + std::to_string(s.countPrimitives()));
    }
    void visitSpvBar(const stSpvBar_c& b) override { calls.push_back("bar " + num(b.w())); }
    void visitSpvPolybar(const stSpvPolybar_c& p) override {
        calls.push_back("polybar " + num(p.w()));
    }
    void visitSpvArc(const stSpvArc_c& a) override { calls.push_back("arc " + num(a.w())); }

    static std::string num(double w) { return std::to_string(static_cast<int>(w)); }

    bool enter = true;
    std::vector<std::string> calls;
};

// Records progress; answers false from onVisitProgress at stopAt.
struct ProgressLog : stSpvVisitorProgressListener_c {
    bool onVisitStart() override {
        ++starts;
        return start;
    }
    bool onVisitProgress(int percent) override {
        progress.push_back(percent);
        return percent != stopAt;
    }
    void onVisitEnd() override { ++ends; }

    bool start = true;
    int stopAt = -1;
    int starts = 0;
    int ends = 0;
    std::vector<int> progress;
};

stSpvSketch_c sketchOfBars(int n) {
    stSpvSketch_c s;
    for (int i = 0; i < n; ++i) s.append(new stSpvBar_c(i, 0, i, 10, 1));
    return s;
}
}  // namespace

// ---------------------------------------------------------------------------------------------

// The width is the skew rectangle's between the two points (its cases are in stSpvPoint_test):
// along a 3-4-5 axis a vertical run of 10 crosses the axis at 3/5 of it.
TEST(stSpvBarTest, TakesTheWidthOfTheRectangleBetweenItsPoints) {
    const stSpvBar_c bar(stSpvPoint_c(0, 0, 10, 1), stSpvPoint_c(3, 4, 10, 1));
    EXPECT_NEAR(bar.w(), 6.0, kTol);
    EXPECT_EQ(bar.p1(), utPoint_c(0, 0));
    EXPECT_EQ(bar.p2(), utPoint_c(3, 4));
}

TEST(stSpvBarTest, ExtentsReachTheFullWidthBeyondTheEnds) {
    EXPECT_TRUE(stSpvBar_c().extents().isUninitialized());
    stSpvBar_c bar(0, 0, 10, 5, 2);
    expectBox(bar.extents(), -2, -2, 12, 7);
    // Editing leaves the box alone.
    bar.setP2(utPoint_c(100, 100));
    bar.setW(9);
    expectBox(bar.extents(), -2, -2, 12, 7);
}

TEST(stSpvPolybarTest, WidthIsTheMeanAndExtentsReachItBeyondThePoints) {
    const std::vector<stSpvPoint_c> pts = {{0, 0, 2, 1}, {10, 0, 3, 1}, {20, 5, 4, 1}};
    const stSpvPolybar_c fromVector(pts);
    const stSpvPolybar_c fromArray(pts.data(), 3);
    for (const stSpvPolybar_c* p : {&fromVector, &fromArray}) {
        EXPECT_EQ(p->pointCount(), 3);
        EXPECT_NEAR(p->w(), 3.0, kTol);
        expectBox(p->extents(), -3, -3, 23, 8);
    }
    EXPECT_EQ(fromArray.pointAt(2).wDir(), 1);
}

TEST(stSpvPolybarTest, WithoutPointsWidthIsZeroAndExtentsUninitialized) {
    for (const stSpvPolybar_c& p : {stSpvPolybar_c(), stSpvPolybar_c(nullptr, 0),
                                    stSpvPolybar_c(std::vector<stSpvPoint_c>())}) {
        EXPECT_EQ(p.w(), 0.0);
        EXPECT_FALSE(std::isnan(p.w()));
        EXPECT_TRUE(p.extents().isUninitialized());
    }
}

TEST(stSpvPolybarTest, CopyAndSetPointsRebuildTheBoxFromThePointsOnly) {
    stSpvPolybar_c p(std::vector<stSpvPoint_c>{{0, 0, 2, 1}, {10, 0, 2, 1}});
    expectBox(p.extents(), -2, -2, 12, 2);
    // A copy is not inflated a second time.
    const stSpvPolybar_c copy(p);
    expectBox(copy.extents(), -2, -2, 12, 2);

    // New points replace the old box instead of growing it.
    p.setPoints({{50, 50, 4, 1}, {60, 50, 6, 1}});
    EXPECT_NEAR(p.w(), 5.0, kTol);
    expectBox(p.extents(), 45, 45, 65, 55);
}

TEST(stSpvPolybarTest, EditingOperationsKeepWidthAndExtents) {
    stSpvPolybar_c p(std::vector<stSpvPoint_c>{{0, 0, 2, 1}, {10, 0, 2, 1}, {20, 0, 2, 1}});
    p.setPointAt(1, stSpvPoint_c(10, 3, 8, 0));
    EXPECT_EQ(p.pointAt(1).w(), 8.0);
    EXPECT_EQ(p.pointAt(1).wDir(), 0);

    p.movePointAt(1, utPoint_c(11, 4));
    p.setLastVertex(utPoint_c(25, 0));
    EXPECT_EQ(p.pointAt(1).position(), utPoint_c(11, 4));
    EXPECT_EQ(p.pointAt(1).w(), 8.0);  // position only
    EXPECT_EQ(p.pointAt(2).position(), utPoint_c(25, 0));

    p.cutFirstVertex();
    p.cutLastVertex();
    ASSERT_EQ(p.pointCount(), 1);
    EXPECT_EQ(p.pointAt(0).position(), utPoint_c(11, 4));
    EXPECT_NEAR(p.w(), 2.0, kTol);
    expectBox(p.extents(), -2, -2, 22, 2);
    p.cutLastVertex();
    p.cutFirstVertex();  // harmless on an empty chain
    EXPECT_EQ(p.pointCount(), 0);

    // A clone recomputes from its points.
    p.setPoints({{0, 0, 2, 1}, {10, 0, 2, 1}});
    p.setPointAt(0, stSpvPoint_c(0, 0, 6, 1));
    const std::unique_ptr<stSpvPolybar_c> clone(p.clone());
    EXPECT_NEAR(clone->w(), 4.0, kTol);
}

TEST(stSpvArcTest, ExtentsHoldTheWholeArcPlusTheWidth) {
    struct Row {
        const char* name;
        double start, end;
        double x1, y1, x2, y2;  // box of the curve, before the width
    };
    const double h = 10 * std::sqrt(0.5);
    const Row rows[] = {
        {"first quadrant", 0, kPi / 2, 0, 0, 10, 10},
        {"half through +y", 0, kPi, -10, 0, 10, 10},
        {"symmetric about +x", -kPi / 4, kPi / 4, h, -h, 10, h},
        {"angles given high to low", kPi / 2, 0, 0, 0, 10, 10},
        // The ends and the middle miss the extremes at 0 and pi/2.
        {"three quarters", -kPi / 4, kPi, -10, -h, 10, 10},
        {"full circle", 1, 1, -10, -10, 10, 10},
        {"beyond a full turn", 0, 7, -10, -10, 10, 10},
        {"shifted by whole turns", -4 * kPi, -4 * kPi + kPi / 2, 0, 0, 10, 10},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const stSpvArc_c arc(0, 0, 10, r.start, r.end, 2);
        expectBox(arc.extents(), r.x1 - 2, r.y1 - 2, r.x2 + 2, r.y2 + 2);
    }
    EXPECT_TRUE(stSpvArc_c().extents().isUninitialized());
}

// ---------------------------------------------------------------------------------------------

TEST(stSpvSketchTest, WidthStatisticsFollowAppendsAndErases) {
    stSpvSketch_c s;
    EXPECT_EQ(s.aveW(), 0.0);
    EXPECT_TRUE(s.extents().isUninitialized());

    auto* narrow = new stSpvBar_c(0, 0, 10, 0, 2);
    auto* wide = new stSpvBar_c(0, 10, 10, 10, 4);
    s.append(narrow);
    s.append(wide);
    EXPECT_NEAR(s.aveW(), 3.0, kTol);
    EXPECT_EQ(s.maxW(), 4.0);
    EXPECT_EQ(s.minW(), 0.0);

    // Polybars and arcs count with their own widths.
    s.append(new stSpvPolybar_c(std::vector<stSpvPoint_c>{{0, 20, 5, 1}, {10, 20, 7, 1}}));
    s.append(new stSpvArc_c(0, 0, 5, 0, 1, 10));
    EXPECT_NEAR(s.aveW(), (2 + 4 + 6 + 10) / 4.0, kTol);
    EXPECT_EQ(s.maxW(), 10.0);

    s.erase(wide);
    EXPECT_EQ(s.countPrimitives(), 3);
    EXPECT_NEAR(s.aveW(), (2 + 6 + 10) / 3.0, kTol);
    EXPECT_EQ(s.maxW(), 10.0);

    // A primitive the sketch does not hold changes nothing.
    stSpvBar_c stranger(0, 0, 1, 1, 100);
    s.erase(&stranger);
    EXPECT_EQ(s.countPrimitives(), 3);
    EXPECT_NEAR(s.aveW(), 6.0, kTol);

    while (s.countPrimitives() > 0) s.erase(s.primitiveAt(0));
    EXPECT_EQ(s.aveW(), 0.0);
    EXPECT_DEBUG_DEATH(s.append(nullptr), "null primitive");
    EXPECT_EQ(s.countPrimitives(), 0);
}

TEST(stSpvSketchTest, NestedSketchCountsAsZeroWidth) {
    stSpvSketch_c inner = sketchOfBars(2);
    stSpvSketch_c s;
    s.append(new stSpvBar_c(0, 0, 1, 0, 4));
    s.append(inner.clone());
    EXPECT_NEAR(s.aveW(), 2.0, kTol);
}

TEST(stSpvSketchTest, ExtentsCoverThePrimitivesHeld) {
    stSpvSketch_c s;
    auto* far = new stSpvBar_c(100, 100, 110, 100, 1);
    s.append(new stSpvBar_c(0, 0, 10, 0, 1));
    s.append(far);
    expectBox(s.extents(), -1, -1, 111, 101);

    // Primitives without geometry do not stretch the box over the plane.
    s.append(new stSpvBar_c());
    s.append(new stSpvSketch_c());
    expectBox(s.extents(), -1, -1, 111, 101);

    s.erase(far);
    expectBox(s.extents(), -1, -1, 11, 1);

    s.clear();
    EXPECT_EQ(s.countPrimitives(), 0);
    EXPECT_TRUE(s.extents().isUninitialized());
    EXPECT_NEAR(s.aveW(), 1.0 / 3.0, kTol);  // widths 1, 0, 0 outlive clear()
    EXPECT_EQ(s.maxW(), 1.0);
}

TEST(stSpvSketchTest, CopyDuplicatesButAssignmentAppends) {
    stSpvSketch_c source;
    source.append(new stSpvBar_c(0, 0, 10, 0, 2));
    source.append(new stSpvBar_c(0, 5, 10, 5, 4));

    const stSpvSketch_c copy(source);
    ASSERT_EQ(copy.countPrimitives(), 2);
    EXPECT_NE(copy.primitiveAt(0), source.primitiveAt(0));
    EXPECT_NEAR(copy.aveW(), 3.0, kTol);
    expectBox(copy.extents(), -4, -2, 14, 9);

    stSpvSketch_c empty;
    empty = source;
    EXPECT_EQ(empty.countPrimitives(), 2);
    EXPECT_NEAR(empty.aveW(), 3.0, kTol);
    expectBox(empty.extents(), -4, -2, 14, 9);

    stSpvSketch_c target;
    target.append(new stSpvBar_c(100, 100, 110, 100, 6));
    const stSpvPrimitive_c* kept = target.primitiveAt(0);
    target = source;
    ASSERT_EQ(target.countPrimitives(), 3);
    EXPECT_EQ(target.primitiveAt(0), kept);
    EXPECT_EQ(dynamic_cast<const stSpvBar_c&>(*target.primitiveAt(2)).w(), 4.0);
    EXPECT_NEAR(target.aveW(), 4.0, kTol);
    EXPECT_EQ(target.maxW(), 6.0);
    expectBox(target.extents(), -4, -2, 116, 106);

    target = target;  // NOLINT: self-assignment on purpose
    EXPECT_EQ(target.countPrimitives(), 3);
}

TEST(stSpvSketchTest, CloneIsDeepAtEveryLevel) {
    stSpvSketch_c inner;
    inner.append(new stSpvBar_c(0, 0, 10, 0, 2));
    stSpvSketch_c outer;
    outer.append(inner.clone());
    outer.append(new stSpvArc_c(0, 0, 5, 0, 1, 1));

    const std::unique_ptr<stSpvSketch_c> clone(outer.clone());
    ASSERT_EQ(clone->countPrimitives(), 2);
    auto& origInner = dynamic_cast<stSpvSketch_c&>(*outer.primitiveAt(0));
    auto& cloneInner = dynamic_cast<const stSpvSketch_c&>(*clone->primitiveAt(0));
    ASSERT_EQ(cloneInner.countPrimitives(), 1);
    EXPECT_NE(cloneInner.primitiveAt(0), origInner.primitiveAt(0));

    dynamic_cast<stSpvBar_c&>(*origInner.primitiveAt(0)).setW(99);
    origInner.clear();
    EXPECT_EQ(dynamic_cast<const stSpvBar_c&>(*cloneInner.primitiveAt(0)).w(), 2.0);
    EXPECT_NE(dynamic_cast<const stSpvArc_c*>(clone->primitiveAt(1)), nullptr);
}

TEST(stSpvSketchTest, SpatialQueriesAnswerFalseAndLeaveTheOutputAlone) {
    const stSpvSketch_c s = sketchOfBars(3);
    stSpvBar_c marker;
    std::vector<stSpvPrimitive_c*> out = {&marker};
    EXPECT_FALSE(s.primitivesIn(utRect_c(0, 0, 100), out));
    EXPECT_FALSE(s.primitivesIn(utSkewRect_c(0, 0, 10, 0, 5), out));
    EXPECT_FALSE(s.primitivesAt(0, 5, out));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], &marker);
}

// ---------------------------------------------------------------------------------------------

TEST(stSpvSketchTest, WalkVisitsPrimitivesInOrderBetweenEnterAndLeave) {
    stSpvSketch_c inner = sketchOfBars(1);
    stSpvSketch_c s;
    s.append(new stSpvBar_c(0, 0, 1, 0, 2));
    s.append(new stSpvPolybar_c(std::vector<stSpvPoint_c>{{0, 0, 3, 1}, {5, 0, 3, 1}}));
    s.append(inner.clone());
    s.append(new stSpvArc_c(0, 0, 1, 0, 1, 4));

    Recorder v;
    ProgressLog log;
    s.visit(v, &log);
    const std::vector<std::string> expected = {"enter 4", "bar 2",   "polybar 3", "enter 1",
                                               "bar 1",   "leave 1", "arc 4",     "leave 4"};
    EXPECT_EQ(v.calls, expected);
    // The nested sketch does not report to the listener.
    EXPECT_EQ(log.progress, (std::vector<int>{0, 25, 50, 75, 100, 100}));
    EXPECT_EQ(log.starts, 1);
    EXPECT_EQ(log.ends, 1);
}

TEST(stSpvSketchTest, WalkOfManyPrimitivesCountsOnePercentPerHundredth) {
    const stSpvSketch_c s = sketchOfBars(250);
    Recorder v;
    ProgressLog log;
    s.visit(v, &log);

    // 0; then 1 after the third primitive and one more after every second one: 124 reports.
    std::vector<int> expected = {0};
    for (int p = 1; p <= 124; ++p) expected.push_back(p);
    expected.push_back(100);
    EXPECT_EQ(log.progress, expected);
    EXPECT_EQ(log.ends, 1);
    EXPECT_EQ(v.calls.size(), 252u);
    EXPECT_EQ(v.calls.back(), "leave 250");
}

TEST(stSpvSketchTest, ProgressAfterEachPrimitiveIsReportedAtTheRightPrimitive) {
    // Progress is reported after the primitive has been visited.
    struct Interleaved : stSpvPrimitiveVisitor_c, stSpvVisitorProgressListenerBase_c {
        void visitSpvBar(const stSpvBar_c&) override { events.push_back(-1); }
        bool onVisitProgress(int percent) override {
            events.push_back(percent);
            return true;
        }
        std::vector<int> events;
    } both;
    sketchOfBars(2).visit(both, &both);
    EXPECT_EQ(both.events, (std::vector<int>{0, -1, 50, -1, 100, 100}));
}

TEST(stSpvSketchTest, CancelledWalkStopsButStillEnds) {
    const stSpvSketch_c s = sketchOfBars(250);
    Recorder v;
    ProgressLog log;
    log.stopAt = 10;
    s.visit(v, &log);

    std::vector<int> expected;
    for (int p = 0; p <= 10; ++p) expected.push_back(p);
    expected.push_back(100);
    EXPECT_EQ(log.progress, expected);
    EXPECT_EQ(log.ends, 1);
    // Progress 10 follows the 21st primitive.
    EXPECT_EQ(v.calls.size(), 1u + 21u + 1u);
    EXPECT_EQ(v.calls.back(), "leave 250");
}

TEST(stSpvSketchTest, WalkCornerCases) {
    {
        SCOPED_TRACE("visitor refuses the sketch");
        Recorder v;
        v.enter = false;
        ProgressLog log;
        sketchOfBars(3).visit(v, &log);
        EXPECT_EQ(v.calls, std::vector<std::string>{"enter 3"});
        EXPECT_EQ(log.starts, 0);
        EXPECT_TRUE(log.progress.empty());
    }
    {
        SCOPED_TRACE("listener refuses the start");
        Recorder v;
        ProgressLog log;
        log.start = false;
        sketchOfBars(3).visit(v, &log);
        EXPECT_EQ(v.calls, (std::vector<std::string>{"enter 3", "leave 3"}));
        EXPECT_TRUE(log.progress.empty());
        EXPECT_EQ(log.ends, 0);
    }
    {
        SCOPED_TRACE("listener refuses progress 0");
        Recorder v;
        ProgressLog log;
        log.stopAt = 0;
        sketchOfBars(3).visit(v, &log);
        EXPECT_EQ(v.calls, (std::vector<std::string>{"enter 3", "leave 3"}));
        EXPECT_EQ(log.progress, std::vector<int>{0});
        EXPECT_EQ(log.ends, 0);
    }
    {
        SCOPED_TRACE("empty sketch");
        Recorder v;
        ProgressLog log;
        stSpvSketch_c().visit(v, &log);
        EXPECT_EQ(v.calls, (std::vector<std::string>{"enter 0", "leave 0"}));
        EXPECT_EQ(log.progress, (std::vector<int>{0, 100}));
        EXPECT_EQ(log.ends, 1);
    }
    {
        SCOPED_TRACE("no listener");
        Recorder v;
        sketchOfBars(2).visit(v);
        EXPECT_EQ(v.calls, (std::vector<std::string>{"enter 2", "bar 1", "bar 1", "leave 2"}));
    }
}
