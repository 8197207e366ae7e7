#pragma once

#include <vemora/foundation/utPoint.h>

namespace Vemora {

// An axis-aligned box. The setters keep x1 <= x2 and y1 <= y2, except in the uninitialized state
// (1e99, 1e99, -1e99, -1e99) that the default constructor makes: inflating it by a point turns it
// into the degenerate box of that point, so extents are accumulated point by point.
class VEMORA_API utRect_c {
public:
    utRect_c() = default;
    // The square of half-side r around (cx, cy).
    utRect_c(double cx, double cy, double r) : x1_(cx - r), y1_(cy - r), x2_(cx + r), y2_(cy + r) {}
    utRect_c(const utPoint_c& c, double r) : utRect_c(c.x(), c.y(), r) {}

    double x1() const { return x1_; }
    double y1() const { return y1_; }
    double x2() const { return x2_; }
    double y2() const { return y2_; }
    // A value beyond the opposite edge swaps the two edges.
    void setX1(double v);
    void setY1(double v);
    void setX2(double v);
    void setY2(double v);
    void set(double a, double b, double c, double d);
    void offset(double dx, double dy);

    // Edges included.
    bool contains(double x, double y) const { return x1_ <= x && x <= x2_ && y1_ <= y && y <= y2_; }
    bool contains(const utPoint_c& p) const { return contains(p.x(), p.y()); }
    // Closed intervals: boxes that only touch intersect.
    bool intersects(const utRect_c& r) const;

    double width() const { return x2_ - x1_; }
    double height() const { return y2_ - y1_; }
    // True for a box of positive area (the historical name says the opposite).
    bool isEmpty() const { return x2_ > x1_ && y2_ > y1_; }
    bool isDegenerated() const { return isEmpty() || x2_ == x1_ || y2_ == y1_; }
    bool isUninitialized() const;

    // Grows every edge outward by d.
    void inflate(double d);
    // Grows to include the point.
    void inflate(double x, double y);
    void inflate(const utPoint_c& p) { inflate(p.x(), p.y()); }
    void inflate(const utRect_c& r);

    // Cuts with the vertical line X = x, keeping the low or the high side.
    void cutHorizontally(double x, bool keepLow);
    // Cuts with the horizontal line Y = y.
    void cutVertically(double y, bool keepLow);

private:
    static void cut(double& lo, double& hi, double v, bool keepLow);

    double x1_ = 1e99;
    double y1_ = 1e99;
    double x2_ = -1e99;
    double y2_ = -1e99;
};

}  // namespace Vemora
