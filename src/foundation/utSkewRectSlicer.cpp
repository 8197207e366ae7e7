#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utSkewRectSlicer.h>

#include "foundation/sortFour.h"

#include <cmath>
#include <utility>

namespace Vemora {

namespace {

void sortCorners(const utPoint_c (&corners)[4], int axis, int (&order)[4]) {
    const double key[4] = {corners[0].coord(axis), corners[1].coord(axis), corners[2].coord(axis),
                           corners[3].coord(axis)};
    sortFourStably(key, order);
}

// The other coordinate of the straight line through a and b where the cut coordinate is v.
// An edge lying on the cut line (possible at the extreme corners of a degenerate or nearly
// axis-parallel rectangle) contributes its far end, so the span covers the whole edge instead
// of turning into 0/0.
double edgeAt(const utPoint_c& a, const utPoint_c& b, int cutAxis, double v) {
    const int other = 1 - cutAxis;
    const double da = b.coord(cutAxis) - a.coord(cutAxis);
    if (da == 0.0) return b.coord(other);
    return a.coord(other) + (v - a.coord(cutAxis)) * (b.coord(other) - a.coord(other)) / da;
}

}  // namespace

utSkewRectSlicer_c::utSkewRectSlicer_c(const utSkewRect_c& r) {
    const utVector_c h = r.wDir() * (r.w() / 2.0);
    corners_[0] = r.start() - h;
    corners_[1] = r.start() + h;
    corners_[2] = r.end() + h;
    corners_[3] = r.end() - h;
    if (r.wDir().x() == 0.0) {
        kind_ = 0;
    } else if (r.wDir().y() == 0.0) {
        kind_ = 1;
    } else {
        kind_ = 2;
    }
    sortCorners(corners_, 0, xOrder_);
    sortCorners(corners_, 1, yOrder_);
    if (kind_ != 2) {
        // What slice gives for a cut Y = y inside, which does not depend on y.
        cutLo_ = corners_[0].x();
        cutHi_ = corners_[kind_ == 0 ? 3 : 1].x();
        if (cutLo_ > cutHi_) std::swap(cutLo_, cutHi_);
    }
}

bool utSkewRectSlicer_c::sliceY(double y, double& x1, double& x2) const {
    return slice(1, y, x1, x2);
}

bool utSkewRectSlicer_c::sliceX(double x, double& y1, double& y2) const {
    return slice(0, x, y1, y2);
}

// cutAxis is the coordinate held fixed by the cut line (1 for Y = v, 0 for X = v).
bool utSkewRectSlicer_c::slice(int cutAxis, double v, double& lo, double& hi) const {
    const int* order = cutAxis == 1 ? yOrder_ : xOrder_;
    const utPoint_c& c0 = corners_[order[0]];
    const utPoint_c& c1 = corners_[order[1]];
    const utPoint_c& c2 = corners_[order[2]];
    const utPoint_c& c3 = corners_[order[3]];

    // A cut exactly through a corner belongs to the lower band.
    int band = 0;
    if (v <= c2.coord(cutAxis)) {
        if (v > c1.coord(cutAxis)) {
            band = 2;
        } else if (v >= c0.coord(cutAxis)) {
            band = 1;
        }
    } else if (v <= c3.coord(cutAxis)) {
        band = 3;
    }
    if (band == 0) return false;

    const int other = 1 - cutAxis;
    double a = 0.0;
    double b = 0.0;
    if (kind_ != 2) {
        // Axis parallel: the cut runs either along the axis (from corner 0 to corner 3) or
        // across the width (from corner 0 to corner 1).
        const bool alongAxis = (kind_ == 0) == (cutAxis == 1);
        a = corners_[0].coord(other);
        b = corners_[alongAxis ? 3 : 1].coord(other);
    } else if (band == 1) {
        a = edgeAt(c0, c1, cutAxis, v);
        b = edgeAt(c0, c2, cutAxis, v);
    } else if (band == 2) {
        a = edgeAt(c1, c3, cutAxis, v);
        b = edgeAt(c0, c2, cutAxis, v);
    } else {
        a = edgeAt(c3, c2, cutAxis, v);
        b = edgeAt(c3, c1, cutAxis, v);
    }
    if (a > b) std::swap(a, b);
    lo = a;
    hi = b;
    return true;
}

}  // namespace Vemora
