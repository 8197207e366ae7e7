#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

#include <vector>

namespace Vemora {

class stSketch_c;
class stSpline_c;
template <class Owner>
class tmpPropertyTable_c;

// Reduces the splines of a sketch to the few vertices that keep every point within a corridor of
// half-width "MaxError" around the polygon: a spline of two points becomes a line, one whose
// vertices are three nearly collinear points a line too, any other a spline through its
// vertices. A spline still left with more than 70 vertices is reduced again with the corridor
// one unit wider, up to three times. Other entities are carried over as clones.
//
// Registered as "PolygonalApproximator". Settings (configuration keys, defaults):
// "UsePolygonalApproximation" true, "MaxError" 0.91 (sketch units), "MaxErrorUseWidth" false
// (kept, not used). Each run multiplies "MaxError" by the smaller scale factor of the tool
// context (1 without one) and keeps the product.
class VEMORA_API stPolygonalApproximator_c : public stSketchProcessor_c {
public:
    stPolygonalApproximator_c();
    // "MaxError" tolerance; the switches as by default.
    explicit stPolygonalApproximator_c(double tolerance);
    stPolygonalApproximator_c(const stPolygonalApproximator_c&) = default;
    stPolygonalApproximator_c& operator=(const stPolygonalApproximator_c&) = default;
    ~stPolygonalApproximator_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // 1 when switched on, 0 when off.
    int countSubProcessors() const override;

    // Returns a new sketch, owned by the caller, and leaves sketch to the caller. Switched off, or
    // cancelled by a listener at the step's start, sketch itself comes back. Null gives null.
    stSketch_c* process(stSketch_c* sketch) override;

    // Replaces points by the vertices the cone pass keeps with half-width tolerance, in order:
    // the first point, each corner (always one of the points), the last point. Fewer than three
    // points are left as they are.
    static void PolygonalApproximation(std::vector<utPoint_c>& points, double tolerance);

    bool usePolygonalApproximation() const { return usePolygonalApproximation_; }
    void setUsePolygonalApproximation(bool on) { usePolygonalApproximation_ = on; }
    // Sketch units.
    double maxError() const { return maxError_; }
    void setMaxError(double tolerance) { maxError_ = tolerance; }
    bool maxErrorUseWidth() const { return maxErrorUseWidth_; }
    void setMaxErrorUseWidth(bool on) { maxErrorUseWidth_ = on; }

private:
    static const tmpPropertyTable_c<stPolygonalApproximator_c>& properties();
    // The approximated copy of sketch, owned by the caller; sketch is only read.
    stSketch_c* iProcessApproximation(stSketch_c* sketch);

    bool usePolygonalApproximation_ = true;
    double maxError_ = 0.91;
    bool maxErrorUseWidth_ = false;
};

// The same reduction with a fixed corridor of width 1.9 (half-width 0.95) and none of the
// processor's rules for long or three-point results: a spline of three or more points becomes a
// spline through its vertices, one of two points a line; a spline of fewer points is dropped and
// every other entity carried over as a clone. Not registered and without settings.
class VEMORA_API stSkleskyGonzalesApproximation_c : public stSketchProcessor_c {
public:
    stSkleskyGonzalesApproximation_c() = default;
    stSkleskyGonzalesApproximation_c(const stSkleskyGonzalesApproximation_c&) = default;
    stSkleskyGonzalesApproximation_c& operator=(const stSkleskyGonzalesApproximation_c&) = default;
    ~stSkleskyGonzalesApproximation_c() override;

    // Deletes sketch and returns a new one, owned by the caller. Null gives null. If it throws,
    // sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }

private:
    double width_ = 1.9;  // full corridor width
};

}  // namespace Vemora
