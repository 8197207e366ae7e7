#include <vemora/foundation/utRect.h>

#include <algorithm>

namespace Vemora {

void utRect_c::setX1(double v) {
    if (v > x2_) {
        x1_ = x2_;
        x2_ = v;
    } else {
        x1_ = v;
    }
}

void utRect_c::setY1(double v) {
    if (v > y2_) {
        y1_ = y2_;
        y2_ = v;
    } else {
        y1_ = v;
    }
}

void utRect_c::setX2(double v) {
    if (v < x1_) {
        x2_ = x1_;
        x1_ = v;
    } else {
        x2_ = v;
    }
}

void utRect_c::setY2(double v) {
    if (v < y1_) {
        y2_ = y1_;
        y1_ = v;
    } else {
        y2_ = v;
    }
}

void utRect_c::set(double a, double b, double c, double d) {
    x1_ = std::min(a, c);
    x2_ = std::max(a, c);
    y1_ = std::min(b, d);
    y2_ = std::max(b, d);
}

void utRect_c::offset(double dx, double dy) {
    x1_ += dx;
    x2_ += dx;
    y1_ += dy;
    y2_ += dy;
}

namespace {
// [lo, hi] against this range [a, b]: an end of the other range inside this one, or the other
// range covering this one.
bool overlaps(double a, double b, double lo, double hi) {
    return (a <= lo && lo <= b) || (a <= hi && hi <= b) || (lo <= a && b <= hi);
}
}  // namespace

bool utRect_c::intersects(const utRect_c& r) const {
    return overlaps(x1_, x2_, r.x1_, r.x2_) && overlaps(y1_, y2_, r.y1_, r.y2_);
}

bool utRect_c::isUninitialized() const {
    return x1_ == 1e99 && y1_ == 1e99 && x2_ == -1e99 && y2_ == -1e99;
}

void utRect_c::inflate(double d) {
    x1_ -= d;
    y1_ -= d;
    x2_ += d;
    y2_ += d;
}

void utRect_c::inflate(double x, double y) {
    x1_ = std::min(x1_, x);
    x2_ = std::max(x2_, x);
    y1_ = std::min(y1_, y);
    y2_ = std::max(y2_, y);
}

void utRect_c::inflate(const utRect_c& r) {
    inflate(r.x1_, r.y1_);
    inflate(r.x2_, r.y2_);
}

void utRect_c::cut(double& lo, double& hi, double v, bool keepLow) {
    if (lo < v && v < hi) {
        (keepLow ? hi : lo) = v;
    } else if (v < lo) {
        if (keepLow) hi = lo;
    } else if (!keepLow) {  // v >= hi or v == lo
        lo = hi;
    }
}

void utRect_c::cutHorizontally(double x, bool keepLow) { cut(x1_, x2_, x, keepLow); }

void utRect_c::cutVertically(double y, bool keepLow) { cut(y1_, y2_, y, keepLow); }

}  // namespace Vemora
