#include "vector/refinerVertices.h"

#include <vemora/sketch/stSketch.h>

namespace Vemora {

// ---------------------------------------------------------------------------------------------
// Vertices, read and moved through entity visitors

namespace {

class tmpPointCounter_c : public stEntityVisitor_c {
public:
    int count = 0;
    void visitLine(stLine_c&) override { count = 2; }
    void visitArc(stArc_c&) override { count = 2; }
    void visitSpline(stSpline_c& spline) override { count = spline.pointCount(); }
    bool enterSketch(stSketch_c&) override { return false; }
};

class tmpPointGetter_c : public stEntityVisitor_c {
public:
    explicit tmpPointGetter_c(int i) : i_(i) {}
    utPoint_c point;
    void visitLine(stLine_c& line) override { point = i_ == 0 ? line.p1() : line.p2(); }
    // Vertex 0 is the end-angle point: the arc's vertices run against its angles.
    void visitArc(stArc_c& arc) override {
        const double t = i_ == 0 ? arc.endAngle() : arc.startAngle();
        arc.pointAtAngle(t, point[0], point[1]);
    }
    void visitSpline(stSpline_c& spline) override { point = spline.pointAt(i_); }
    bool enterSketch(stSketch_c&) override { return false; }

private:
    int i_;
};

class tmpPointSetter_c : public stEntityVisitor_c {
public:
    tmpPointSetter_c(int i, const utPoint_c& p) : i_(i), p_(p) {}
    void visitLine(stLine_c& line) override {
        if (i_ == 0) {
            line.setP1(p_);
        } else {
            line.setP2(p_);
        }
    }
    void visitSpline(stSpline_c& spline) override { spline.movePointAt(i_, p_); }
    bool enterSketch(stSketch_c&) override { return false; }

private:
    int i_;
    utPoint_c p_;
};

}  // namespace

int refinerVertexCount(stEntity_c& entity) {
    tmpPointCounter_c counter;
    entity.visit(counter);
    return counter.count;
}

utPoint_c refinerVertexAt(stEntity_c& entity, int i) {
    tmpPointGetter_c getter(i);
    entity.visit(getter);
    return getter.point;
}

void refinerMoveVertex(stEntity_c& entity, int i, const utPoint_c& p) {
    tmpPointSetter_c setter(i, p);
    entity.visit(setter);
}

}  // namespace Vemora
