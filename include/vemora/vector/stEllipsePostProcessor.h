#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stSketch_c;

// Snaps the end points of lines and the first and last points of splines onto the end points of
// elliptic arcs closer than the snapping distance, so that straight strokes meet the arcs
// recognized from the same drawing. Works in place.
//
// Not registered: hosts construct it directly.
class VEMORA_API stEllipsePostProcessor_c : public stSketchProcessor_c {
public:
    // sketch is not owned (process takes the sketch to work on); distance in sketch units.
    stEllipsePostProcessor_c(stSketch_c* sketch, double distance)
        : sketch_(sketch), distance_(distance) {}
    stEllipsePostProcessor_c(const stEllipsePostProcessor_c&) = default;
    stEllipsePostProcessor_c& operator=(const stEllipsePostProcessor_c&) = default;
    ~stEllipsePostProcessor_c() override;

    // Edits sketch in place and returns it; null gives null. Moved entities have their extents
    // grown to their new ends.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return false; }

    double distance() const { return distance_; }

private:
    // True when p and q are strictly closer than d.
    static bool checkPoint(utPoint_c p, const utPoint_c& q, double d);

    stSketch_c* sketch_;
    double distance_;
};

}  // namespace Vemora
