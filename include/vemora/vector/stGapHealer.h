#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stSketch_c;

// Closes the gaps between the ends of lines, arcs and splines: two ends closer than the healing
// distance (and not yet paired) are moved onto one point, the middle of the two, or the arc's end
// when one of them belongs to an arc; arcs never move. Ends are paired in sketch order, each at
// most once. Every entity comes out, in its place.
//
// Not registered: hosts construct it directly.
class VEMORA_API stGapHealer_c : public stSketchProcessor_c {
public:
    // Sketch units.
    explicit stGapHealer_c(double distance) : distance_(distance) {}
    stGapHealer_c(const stGapHealer_c&) = default;
    stGapHealer_c& operator=(const stGapHealer_c&) = default;
    ~stGapHealer_c() override;

    // Consumes sketch and returns a new one, owned by the caller; null gives null. If it throws,
    // sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }

    double distance() const { return distance_; }
    void setDistance(double d) { distance_ = d; }

    // Ends are paired through a grid (the default) or by comparing every pair; both compare in
    // the same order and give the same sketch.
    void setUseSpatialIndex(bool on) { useIndex_ = on; }
    bool useSpatialIndex() const { return useIndex_; }

private:
    double distance_;
    bool useIndex_ = true;
};

}  // namespace Vemora
