#include <vemora.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Vemora;

namespace {
// Records every visitor call in order.
struct tmpRecorder_c : stEntityVisitor_c {
    std::vector<std::string> calls;
    bool enterSketches = true;
    bool enterPolylines = true;

    bool enterSketch(stSketch_c&) override {
        calls.push_back("enterSketch");
        return enterSketches;
    }
    void leaveSketch(stSketch_c&) override { calls.push_back("leaveSketch"); }
    void visitPoint(stPoint_c&) override { calls.push_back("point"); }
    void visitLine(stLine_c&) override { calls.push_back("line"); }
    void visitArc(stArc_c&) override { calls.push_back("arc"); }
    void visitCircle(stCircle_c&) override { calls.push_back("circle"); }
    void visitEllipse(stEllipse_c&) override { calls.push_back("ellipse"); }
    void visitEllipseArc(stEllipseArc_c&) override { calls.push_back("ellipseArc"); }
    void visitSpline(stSpline_c&) override { calls.push_back("spline"); }
    bool enterPolyline(stPolyline_c&) override {
        calls.push_back("enterPolyline");
        return enterPolylines;
    }
    void leavePolyline(stPolyline_c&) override { calls.push_back("leavePolyline"); }
    bool enterRegion(stRegion_c&) override {
        calls.push_back("enterRegion");
        return false;
    }
    void leaveRegion(stRegion_c&) override { calls.push_back("leaveRegion"); }
};

// One entity of every kind, each drawing its handle from the sketch.
void fillWithEveryKind(stSketch_c& s) {
    s.addEntity(new stPoint_c(&s, utPoint_c(1, 1)));
    s.addEntity(new stLine_c(&s, utPoint_c(0, 0), utPoint_c(10, 0)));
    s.addEntity(new stArc_c(utPoint_c(1, 0), utPoint_c(0, 1), utPoint_c(-1, 0)));
    s.addEntity(new stCircle_c(utPoint_c(5, 5), 1));
    s.addEntity(new stEllipse_c(2, 1, 0, utPoint_c(3, 3)));
    s.addEntity(new stEllipseArc_c(2, 1, 0, 0, 90, utPoint_c(3, 3)));
    s.addEntity(new stSpline_c(&s, {{0, 0}, {1, 2}, {2, 0}}));
    s.addEntity(new stPolyline_c());
    s.addEntity(new stRegion_c());
}
}  // namespace

TEST(stSketchTest, VisitorSeesEveryKindInListOrder) {
    stSketch_c sketch;
    fillWithEveryKind(sketch);
    tmpRecorder_c recorder;
    recorder.enterPolylines = false;  // polylines are left whatever enter answers
    sketch.visit(recorder);
    const std::vector<std::string> expected = {
        "enterSketch", "point",       "line",       "arc",           "circle",
        "ellipse",     "ellipseArc",  "spline",     "enterPolyline", "leavePolyline",
        "enterRegion", "leaveRegion", "leaveSketch"};
    EXPECT_EQ(recorder.calls, expected);

    tmpRecorder_c refusing;
    refusing.enterSketches = false;
    sketch.visit(refusing);
    EXPECT_EQ(refusing.calls, (std::vector<std::string>{"enterSketch", "leaveSketch"}));
}

TEST(stSketchTest, HandlesComeFromTheSketchAndSurviveAdding) {
    stSketch_c sketch;
    auto* a = new stLine_c(&sketch, utPoint_c(0, 0), utPoint_c(1, 0));
    auto* b = new stPoint_c(&sketch, utPoint_c(2, 2));
    auto* free = new stCircle_c(utPoint_c(0, 0), 1);
    EXPECT_EQ(a->handle(), 0);
    EXPECT_EQ(b->handle(), 1);
    EXPECT_EQ(free->handle(), -1);
    EXPECT_EQ(free->owner(), nullptr);
    EXPECT_EQ(sketch.newHandle(), 2);
    EXPECT_TRUE(sketch.isEmpty());

    sketch.addEntity(a);
    sketch.addEntity(b);
    sketch.addEntity(free);
    sketch.addEntity(nullptr);
    EXPECT_EQ(sketch.entitiesCount(), 3);
    EXPECT_EQ(free->owner(), &sketch);
    EXPECT_EQ(free->handle(), -1);
    EXPECT_EQ(sketch.findEntity(1), b);
    EXPECT_EQ(sketch.findEntity(7), nullptr);
    EXPECT_EQ(sketch.findEntity(-1), nullptr);
}

TEST(stSketchTest, DeepCopyOwnsItsClones) {
    stSketch_c original;
    fillWithEveryKind(original);
    const auto checkCopy = [&](const stSketch_c& copy) {
        ASSERT_EQ(copy.entitiesCount(), original.entitiesCount());
        for (int i = 0; i < copy.entitiesCount(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_NE(copy.entityAt(i), original.entityAt(i));
            EXPECT_EQ(copy.entityAt(i)->owner(), &copy);
            EXPECT_EQ(copy.entityAt(i)->handle(), original.entityAt(i)->handle());
            EXPECT_EQ(typeid(*copy.entityAt(i)), typeid(*original.entityAt(i)));
        }
        EXPECT_TRUE(copy.entityAt(1)->isEqual(original.entityAt(1)));
    };

    const stSketch_c copied(original);
    checkCopy(copied);
    stSketch_c assigned;
    assigned.addEntity(new stPoint_c(utPoint_c(9, 9)));  // deleted by the assignment
    assigned = original;
    checkCopy(assigned);
    std::unique_ptr<stEntity_c> cloned(original.clone());
    checkCopy(static_cast<const stSketch_c&>(*cloned));

    // The handle counter travels with the copy.
    stSketch_c counted;
    counted.newHandle();
    counted.newHandle();
    EXPECT_EQ(stSketch_c(counted).newHandle(), 2);

    assigned = assigned;  // self-assignment keeps everything
    checkCopy(assigned);
}

TEST(stSketchTest, AssigningANestedSketchToItsParent) {
    stSketch_c parent;
    auto* child = new stSketch_c();
    child->addEntity(new stPoint_c(utPoint_c(4, 4)));
    parent.addEntity(child);
    parent = *child;  // the child dies in the assignment; its copy lives on
    ASSERT_EQ(parent.entitiesCount(), 1);
    EXPECT_EQ(parent.entityAt(0)->owner(), &parent);
}

TEST(stSketchTest, OwnershipTransfers) {
    // removeAll and eraseEntity hand entities back; the caller deletes them.
    stSketch_c sketch;
    auto* kept = new stPoint_c(utPoint_c(1, 1));
    sketch.addEntity(new stPoint_c(utPoint_c(0, 0)));
    sketch.addEntity(kept);
    sketch.eraseEntity(kept);
    EXPECT_EQ(sketch.entitiesCount(), 1);
    std::unique_ptr<stEntity_c> erased(kept);
    std::unique_ptr<stEntity_c> removed(sketch.entityAt(0));
    sketch.removeAll();
    EXPECT_TRUE(sketch.isEmpty());

    // mergeInSketch moves in order, empties the source, and the moved entities outlive it.
    stSketch_c target;
    target.addEntity(new stPoint_c(utPoint_c(5, 5)));
    auto source = std::make_unique<stSketch_c>();
    auto* moved = new stLine_c(source.get(), utPoint_c(0, 0), utPoint_c(2, 0));
    source->addEntity(moved);
    source->addEntity(new stCircle_c(utPoint_c(7, 7), 1));
    target.mergeInSketch(source.get());
    EXPECT_TRUE(source->isEmpty());
    source.reset();
    ASSERT_EQ(target.entitiesCount(), 3);
    EXPECT_EQ(target.entityAt(1), moved);
    EXPECT_EQ(moved->owner(), &target);
    EXPECT_EQ(moved->p2(), utPoint_c(2, 0));
    EXPECT_TRUE(target.extents().contains(8, 8));

    target.mergeInSketch(nullptr);
    // Regression: merging a sketch into itself emptied it and leaked every entity.
    target.mergeInSketch(&target);
    EXPECT_EQ(target.entitiesCount(), 3);

    target.clear();
    EXPECT_TRUE(target.isEmpty());
}

TEST(stSketchTest, ExtentsOnlyGrow) {
    stSketch_c sketch;
    EXPECT_TRUE(sketch.extents().isUninitialized());
    auto* point = new stPoint_c(utPoint_c(2, 3));
    sketch.addEntity(point);
    sketch.addEntity(new stCircle_c(utPoint_c(10, 10), 2));
    const utRect_c grown = sketch.extents();
    EXPECT_EQ(grown.x1(), 2.0);
    EXPECT_EQ(grown.y1(), 3.0);
    EXPECT_EQ(grown.x2(), 12.0);
    EXPECT_EQ(grown.y2(), 12.0);

    sketch.eraseEntity(point);
    delete point;
    sketch.clear();
    sketch.updateExtents();
    EXPECT_EQ(sketch.extents().x1(), 2.0);
    EXPECT_EQ(sketch.extents().y2(), 12.0);
}

// Regression: entities without geometry (polylines, empty sketches) still carry the "no box"
// state, whose corners stretched the sketch's box to +-1e99.
TEST(stSketchTest, EntitiesWithoutGeometryLeaveTheBoxAlone) {
    stSketch_c sketch;
    sketch.addEntity(new stPoint_c(utPoint_c(1, 1)));
    sketch.addEntity(new stPolyline_c());
    sketch.addEntity(new stSketch_c());
    sketch.updateExtents();
    EXPECT_EQ(sketch.extents().x1(), 1.0);
    EXPECT_EQ(sketch.extents().x2(), 1.0);

    stSketch_c empty;
    empty.addEntity(new stRegion_c());
    EXPECT_TRUE(empty.extents().isUninitialized());
}
