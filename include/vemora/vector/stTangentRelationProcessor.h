#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stEntity_c;
class stLine_c;
class stSketch_c;

// Examines lines that end near an end of an arc or an elliptic arc for tangency there. It changes
// nothing: the count of tangent meetings found is all it leaves.
//
// Not registered: hosts construct it directly.
class VEMORA_API stTangentRelationProcessor_c : public stSketchProcessor_c {
public:
    // sketch is not owned (process takes the sketch to work on). distance: how close a line's end
    // must come to an arc's end, sketch units; tolerance: the largest sine of the angle between
    // the line and the arc's tangent.
    stTangentRelationProcessor_c(stSketch_c* sketch, double distance, double tolerance)
        : sketch_(sketch), distance_(distance), tolerance_(tolerance) {}
    stTangentRelationProcessor_c(const stTangentRelationProcessor_c&) = default;
    stTangentRelationProcessor_c& operator=(const stTangentRelationProcessor_c&) = default;
    ~stTangentRelationProcessor_c() override;

    // Returns sketch itself, unchanged; null gives null.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return false; }

    // Tangent line ends met by the last process.
    int tangentCount() const { return tangentCount_; }

private:
    // An arc or an elliptic arc and one of its end points.
    class stArcInfo_c {
    public:
        stArcInfo_c(const stEntity_c* arc, const utPoint_c& point) : arc_(arc), point_(point) {}
        const stEntity_c* arc() const { return arc_; }
        const utPoint_c& point() const { return point_; }

    private:
        const stEntity_c* arc_;
        utPoint_c point_;
    };

    // True when p and q are strictly closer than d.
    static bool checkPoint(utPoint_c p, const utPoint_c& q, double d);
    // Compares the unit-normal form of the line with that of the arc's tangent at the point.
    bool isTangentLine(const stArcInfo_c& info, const stLine_c& line, double tolerance) const;

    stSketch_c* sketch_;
    double distance_;
    double tolerance_;
    int tangentCount_ = 0;
};

}  // namespace Vemora
