#pragma once

// Where the processors that rebuild a sketch entity by entity start from: a visitor that carries
// every entity into the output sketch as a clone (polylines and regions whole, without visiting
// their members). The recognizers replace visitSpline, the segmentizer visitLine too.

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
    void keep(const stEntity_c& e) { output_.addEntity(e.clone()); }
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
