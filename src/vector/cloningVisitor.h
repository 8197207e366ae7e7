#pragma once

// Where the processors that rebuild a sketch entity by entity start from: a visitor that carries
// every entity into the output sketch as a clone (polylines and regions whole, without visiting
// their members). The recognizers and the polygonal approximation replace visitSpline, the
// segmentizer visitLine too; the gap healer keeps every entity and notes the ends of some.

#include <vemora/sketch/stSketch.h>

#include <memory>

namespace Vemora {

class tmpCloningVisitor_c : public stEntityVisitor_c {
public:
    explicit tmpCloningVisitor_c(stSketch_c& output) : output_(output) {}

    void visitPoint(stPoint_c& e) override { keep(e); }
    void visitLine(stLine_c& e) override { keep(e); }
    void visitArc(stArc_c& e) override { keep(e); }
    void visitCircle(stCircle_c& e) override { keep(e); }
    void visitEllipse(stEllipse_c& e) override { keep(e); }
    void visitEllipseArc(stEllipseArc_c& e) override { keep(e); }
    void visitSpline(stSpline_c& e) override { keep(e); }
    bool enterPolyline(stPolyline_c& e) override { return keep(e), false; }
    bool enterRegion(stRegion_c& e) override { return keep(e), false; }

protected:
    // Clones e into the output; the clone, which the output owns, is returned.
    stEntity_c* keep(const stEntity_c& e) {
        stEntity_c* const clone = e.clone();
        output_.addEntity(clone);
        return clone;
    }
    // Takes `made` into the output as it is.
    void add(stEntity_c* made) { output_.addEntity(made); }
    // Adds a new entity drawn like `from`.
    void replace(const stEntity_c& from, stEntity_c* made) {
        std::unique_ptr<stEntity_c> entity(made);
        entity->setAttributes(&from.attributes());
        output_.addEntity(entity.release());
    }

private:
    stSketch_c& output_;
};

}  // namespace Vemora
