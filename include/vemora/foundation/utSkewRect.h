#pragma once

#include <vemora/foundation/utPoint.h>

namespace Vemora {

// An oriented rectangle: a straight axis from start to end with a full width across it, the
// footprint of a traced stroke. The two ends must differ.
class VEMORA_API utSkewRect_c {
public:
    utSkewRect_c() = default;
    utSkewRect_c(const utPoint_c& start, const utPoint_c& end, double w);
    utSkewRect_c(double x1, double y1, double x2, double y2, double w);

    const utPoint_c& start() const { return start_; }
    const utPoint_c& end() const { return end_; }
    double x1() const { return start_.x(); }
    double y1() const { return start_.y(); }
    double x2() const { return end_.x(); }
    double y2() const { return end_.y(); }
    double w() const { return w_; }
    // Does not touch the width direction.
    void setW(double w) { w_ = w; }
    double l() const { return (end_ - start_).length(); }
    // Unit vector across the axis: the axis direction turned by +90 degrees.
    const utVector_c& wDir() const { return wDir_; }
    // Direction of the axis from start to end with y pointing up (radians).
    double angle() const { return wDir_.angle(); }
    // Corner i mod 4 walking around the outline: 0 start+h, 1 end+h, 2 end-h, 3 start-h with
    // h = wDir * w/2; a negative remainder gives corner 0.
    utPoint_c getPoint(int i) const;

private:
    void calcWidthDir();

    utVector_c wDir_;
    utPoint_c start_;
    utPoint_c end_;
    double w_ = 0.0;
};

}  // namespace Vemora
