#include <vemora/spv/stSpvPoint.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "foundation/mathConstants.h"

namespace Vemora {

bool stSpvPoint_c::isEqual(int x1, int y1, int x2, int y2, int tol) {
    return std::abs(x1 - x2) <= tol && std::abs(y1 - y2) <= tol;
}

void stSpvRect_c::inflateSpvPt(const stSpvPoint_c& p) {
    const double h = p.w() / 2.0;
    if (p.wDir() != stSpvPoint_c::kAlongX) {
        inflate(p.x(), p.y() - h);
        inflate(p.x(), p.y() + h);
    } else {
        inflate(p.x() - h, p.y());
        inflate(p.x() + h, p.y());
    }
}

stSpvSkewRect_c::stSpvSkewRect_c(const stSpvPoint_c& a, const stSpvPoint_c& b)
    : utSkewRect_c(a.position(), b.position(), 0.0) {
    // The runs were measured along an image axis; only their component across the stroke axis
    // is the stroke width.
    const double m = (a.w() + b.w()) / 2.0;
    if (m == 0.0) {
        setW(1.0);
        return;
    }
    const bool alongY = a.wDir() != stSpvPoint_c::kAlongX && b.wDir() != stSpvPoint_c::kAlongX;
    const double across = alongY ? std::fabs(x2() - x1()) : std::fabs(y2() - y1());
    setW(across / l() * m);
}

bool stSpvSkewRect_c::isHorizontal(double tol) const {
    const double a = angle();
    return std::fabs(a) < tol || std::fabs(a + kPi) < tol;
}

bool stSpvSkewRect_c::isVertical(double tol) const {
    const double a = angle();
    return std::fabs(a + kPi / 2.0) < tol || std::fabs(a - kPi / 2.0) < tol;
}

bool stSpvSkewRect_c::isDiagonal(double tol) const {
    const double a = angle();
    for (const double d : {-3.0 * kPi / 4.0, -kPi / 4.0, kPi / 4.0, 3.0 * kPi / 4.0}) {
        if (std::fabs(a - d) < tol) return true;
    }
    return false;
}

}  // namespace Vemora
