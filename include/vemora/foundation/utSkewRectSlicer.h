#pragma once

#include <vemora/foundation/utPoint.h>

namespace Vemora {

class utSkewRect_c;

// Cuts an oriented rectangle with horizontal and vertical lines. Built once per rectangle, it
// keeps the corners sorted along both axes so that every cut is a handful of comparisons.
//
// Corner numbering (h = wDir * w/2): 0 start-h, 1 start+h, 2 end+h, 3 end-h, walking around
// the outline. y points down, as everywhere in raster coordinates.
class VEMORA_API utSkewRectSlicer_c {
public:
    // The rectangle's ends must differ.
    explicit utSkewRectSlicer_c(const utSkewRect_c& r);

    double minX() const { return corners_[xOrder_[0]].x(); }
    double maxX() const { return corners_[xOrder_[3]].x(); }
    double minY() const { return corners_[yOrder_[0]].y(); }
    double maxY() const { return corners_[yOrder_[3]].y(); }

    // The x-span [x1, x2] (x1 <= x2) of the rectangle on the line Y = y. False, outputs
    // untouched, when y lies outside [minY, maxY].
    bool sliceY(double y, double& x1, double& x2) const;
    // The y-span [y1, y2] (y1 <= y2) on the line X = x; false when x lies outside [minX, maxX].
    bool sliceX(double x, double& y1, double& y2) const;

    // 0: axis parallel to x, 1: axis parallel to y, 2: skewed.
    int kind() const { return kind_; }

    // An axis-parallel rectangle (kind 0 or 1) is cut by every line Y = y with y in [minY, maxY]
    // in the same span, [x1, x2] as sliceY gives it; false for a skewed one.
    bool sameCutY(double& x1, double& x2) const {
        x1 = cutLo_;
        x2 = cutHi_;
        return kind_ != 2;
    }

private:
    bool slice(int cutAxis, double v, double& lo, double& hi) const;

    int xOrder_[4] = {0, 1, 2, 3};
    int yOrder_[4] = {0, 1, 2, 3};
    utPoint_c corners_[4];
    int kind_ = 0;
    double cutLo_ = 0.0, cutHi_ = 0.0;  // sameCutY's span
};

}  // namespace Vemora
