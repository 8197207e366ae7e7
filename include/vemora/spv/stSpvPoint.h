#pragma once

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

// A centre point of a traced stroke with the width of the black run measured through it.
// The position is the point itself (raster pixels, y downward); == compares positions only.
class VEMORA_API stSpvPoint_c : public utPoint_c {
public:
    // Direction of the width measurement.
    static constexpr int kAlongX = 0;  // a horizontal run: the stroke runs vertically
    static constexpr int kAlongY = 1;  // a vertical run: the stroke runs horizontally
    static constexpr int kUnmeasured = -1;

    stSpvPoint_c() = default;
    stSpvPoint_c(double x, double y, double w, int wDir) : utPoint_c(x, y), w_(w), wDir_(wDir) {}

    const utPoint_c& position() const { return *this; }
    // Width of the run in pixels.
    double w() const { return w_; }
    void setW(double w) { w_ = w; }
    int wDir() const { return wDir_; }
    // True when the width was measured along x.
    bool isHorizontal() const { return wDir_ == kAlongX; }

    // True when both coordinates differ by at most tol.
    static bool isEqual(int x1, int y1, int x2, int y2, int tol);

private:
    double w_ = 0.0;
    int wDir_ = kUnmeasured;
};

// An axis-aligned box that also knows how far a width run reaches.
class VEMORA_API stSpvRect_c : public utRect_c {
public:
    using utRect_c::utRect_c;
    stSpvRect_c() = default;
    stSpvRect_c(const utRect_c& r) : utRect_c(r) {}

    // Grows the box by both ends of the width run through p.
    void inflateSpvPt(const stSpvPoint_c& p);
};

// The footprint of a stroke between two traced points.
class VEMORA_API stSpvSkewRect_c : public utSkewRect_c {
public:
    using utSkewRect_c::utSkewRect_c;
    stSpvSkewRect_c() = default;
    // The axis runs from a to b (they must differ); the width is the mean run width of the two
    // points turned across the axis, or 1 when both runs are empty.
    stSpvSkewRect_c(const stSpvPoint_c& a, const stSpvPoint_c& b);

    // Orientation of the axis within tol radians. The horizontal test looks at 0 and -pi only, so
    // an axis pointing left (angle() = pi) is not horizontal.
    bool isHorizontal(double tol) const;
    bool isVertical(double tol) const;
    bool isDiagonal(double tol) const;
};

}  // namespace Vemora
