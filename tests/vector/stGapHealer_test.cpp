// The gap healer, the ellipse post-processor and the tangent relation processor.

#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "junctionScene.h"

using namespace Vemora;

namespace {

constexpr double kTol = 1e-12;

void expectPoint(const utPoint_c& p, double x, double y) {
    EXPECT_NEAR(p.x(), x, kTol);
    EXPECT_NEAR(p.y(), y, kTol);
}

template <class T>
const T* at(const stSketch_c& s, int i) {
    const T* e = dynamic_cast<const T*>(s.entityAt(i));
    EXPECT_NE(e, nullptr) << "entity " << i;
    return e;
}

std::unique_ptr<stSketch_c> heal(stSketch_c* in, double d, bool indexed = true) {
    stGapHealer_c healer(d);
    healer.setUseSpatialIndex(indexed);
    return std::unique_ptr<stSketch_c>(healer.process(in));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Gap healer

TEST(stGapHealerTest, CollinearLinesAcrossAGapMeetInTheMiddleAndNothingIsLost) {
    auto* in = new stSketch_c();
    in->addEntity(new stLine_c(utPoint_c(0, 0), utPoint_c(10, 0)));
    in->addEntity(new stCircle_c(utPoint_c(50, 50), 3));
    in->addEntity(new stLine_c(utPoint_c(13, 0), utPoint_c(30, 0)));  // 3 past the first
    in->addEntity(new stPoint_c(utPoint_c(80, 80)));
    in->addEntity(new stEllipse_c(5, 3, 0, utPoint_c(90, 10)));
    in->addEntity(new stEllipseArc_c(5, 3, 0, 0, 90, utPoint_c(90, 30)));
    in->addEntity(new stPolyline_c());
    in->addEntity(new stRegion_c());
    stGapHealer_c healer(4.0);
    EXPECT_TRUE(healer.consumesInput());
    std::unique_ptr<stSketch_c> out(healer.process(in));  // in is deleted (ASan checks)
    ASSERT_EQ(out->entitiesCount(), 8);
    expectPoint(at<stLine_c>(*out, 0)->p2(), 11.5, 0);
    expectPoint(at<stLine_c>(*out, 2)->p1(), 11.5, 0);
    expectPoint(at<stLine_c>(*out, 2)->p2(), 30, 0);
    EXPECT_NE(dynamic_cast<const stCircle_c*>(out->entityAt(1)), nullptr);
    EXPECT_NE(dynamic_cast<const stRegion_c*>(out->entityAt(7)), nullptr);
    EXPECT_GE(at<stLine_c>(*out, 0)->extents().x2(), 11.5);
    EXPECT_EQ(healer.process(nullptr), nullptr);
}

TEST(stGapHealerTest, EndsMoveOntoArcsAndPairOnlyOnce) {
    auto* in = new stSketch_c();
    in->addEntity(new stArc_c(utPoint_c(0, 0), 10, 0.0, 1.5707963267948966));  // (10,0)..(0,10)
    in->addEntity(new stSpline_c(std::vector<utPoint_c>{{12, 1}, {20, 5}, {30, 0}}));
    in->addEntity(new stLine_c(utPoint_c(11, -1), utPoint_c(11, -20)));  // its end is paired
    in->addEntity(new stLine_c(utPoint_c(29, 2), utPoint_c(40, 2)));
    in->addEntity(new stLine_c(utPoint_c(5, 5), utPoint_c(7, 7)));  // closer than 4 to nothing
    std::unique_ptr<stSketch_c> out = heal(in, 4.0);
    ASSERT_EQ(out->entitiesCount(), 5);
    expectPoint(at<stArc_c>(*out, 0)->p1(), 10, 0);  // arcs never move
    const stSpline_c* s = at<stSpline_c>(*out, 1);
    expectPoint(s->pointAt(0), 10, 0);
    expectPoint(s->pointAt(1), 20, 5);
    expectPoint(s->pointAt(2), 29.5, 1);
    // The arc's start was taken by the spline: the second line finds it paired.
    expectPoint(at<stLine_c>(*out, 2)->p1(), 11, -1);
    expectPoint(at<stLine_c>(*out, 3)->p1(), 29.5, 1);
    expectPoint(at<stLine_c>(*out, 4)->p1(), 5, 5);
}

TEST(stGapHealerTest, IndexedAndPlainPairingGiveTheSameSketch) {
    const std::unique_ptr<stSketch_c> scene = vemora_test::junctionScene(3000, 3);
    const auto a = heal(static_cast<stSketch_c*>(scene->clone()), 4.0, true);
    const auto b = heal(static_cast<stSketch_c*>(scene->clone()), 4.0, false);
    ASSERT_EQ(a->entitiesCount(), scene->entitiesCount());
    ASSERT_EQ(b->entitiesCount(), scene->entitiesCount());
    int same = 0, moved = 0;
    for (int i = 0; i < a->entitiesCount(); ++i) {
        same += a->entityAt(i)->isEqual(b->entityAt(i));
        moved += !a->entityAt(i)->isEqual(scene->entityAt(i));
    }
    EXPECT_EQ(same, a->entitiesCount());
    EXPECT_GT(moved, scene->entitiesCount() / 4);
}

// ---------------------------------------------------------------------------------------------
// Ellipse post-processor

TEST(stEllipsePostProcessorTest, LineAndSplineEndsSnapOntoArcEndsCloserThanTheDistance) {
    stSketch_c sketch;
    sketch.addEntity(new stEllipseArc_c(10, 5, 0, 0, 90, utPoint_c(0, 0)));  // (10,0)..(0,5)
    sketch.addEntity(new stLine_c(utPoint_c(40, 0), utPoint_c(12, 0)));
    sketch.addEntity(new stLine_c(utPoint_c(20, 0), utPoint_c(40, 40)));  // exactly 10 away
    sketch.addEntity(new stSpline_c(std::vector<utPoint_c>{{3, 9}, {30, 30}, {50, 30}}));
    stEllipsePostProcessor_c p(&sketch, 10.0);
    EXPECT_FALSE(p.consumesInput());
    EXPECT_EQ(p.process(&sketch), &sketch);
    expectPoint(at<stLine_c>(sketch, 1)->p2(), 10, 0);
    expectPoint(at<stLine_c>(sketch, 1)->p1(), 40, 0);
    expectPoint(at<stLine_c>(sketch, 2)->p1(), 20, 0);
    const stSpline_c* s = at<stSpline_c>(sketch, 3);
    expectPoint(s->pointAt(0), 0, 5);
    expectPoint(s->pointAt(1), 30, 30);
    // Extents follow the moved ends, for the searches that come after.
    EXPECT_LE(at<stLine_c>(sketch, 1)->extents().x1(), 10.0);
    EXPECT_LE(s->extents().x1(), 0.0);
    EXPECT_EQ(p.process(nullptr), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Tangent relations

TEST(stTangentRelationProcessorTest, CountsTangentLineEndsAndChangesNothing) {
    stSketch_c sketch;
    sketch.addEntity(new stArc_c(utPoint_c(0, 0), 10, 0.0, 1.5707963267948966));  // (10,0)..(0,10)
    sketch.addEntity(new stLine_c(utPoint_c(10, 0.5), utPoint_c(10, -30)));  // tangent at (10,0)
    sketch.addEntity(new stLine_c(utPoint_c(0, 10), utPoint_c(0, 40)));      // radial at (0,10)
    sketch.addEntity(new stEllipseArc_c(20, 10, 0, 90, 180, utPoint_c(100, 0)));  // (100,10)..
    sketch.addEntity(new stLine_c(utPoint_c(101, 10), utPoint_c(140, 10)));       // tangent there
    const stSketch_c before(sketch);
    stTangentRelationProcessor_c p(&sketch, 2.0, 0.01);
    EXPECT_EQ(p.process(&sketch), &sketch);
    EXPECT_EQ(p.tangentCount(), 2);
    for (int i = 0; i < sketch.entitiesCount(); ++i)
        EXPECT_TRUE(sketch.entityAt(i)->isEqual(before.entityAt(i))) << i;
    EXPECT_EQ(p.process(nullptr), nullptr);
}
