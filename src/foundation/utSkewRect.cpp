#include <vemora/foundation/utSkewRect.h>

#include <cassert>

namespace Vemora {

utSkewRect_c::utSkewRect_c(const utPoint_c& start, const utPoint_c& end, double w)
    : start_(start), end_(end), w_(w) {
    calcWidthDir();
}

utSkewRect_c::utSkewRect_c(double x1, double y1, double x2, double y2, double w)
    : start_(x1, y1), end_(x2, y2), w_(w) {
    calcWidthDir();
}

void utSkewRect_c::calcWidthDir() {
    const double len = l();
    assert(len > 0.0 && "a skew rectangle needs two distinct ends");
    wDir_ = utVector_c((start_.y() - end_.y()) / len, (end_.x() - start_.x()) / len);
}

utPoint_c utSkewRect_c::getPoint(int i) const {
    const utVector_c h = wDir_ * (w_ / 2.0);
    switch (i % 4) {
        case 1:
            return end_ + h;
        case 2:
            return end_ - h;
        case 3:
            return start_ - h;
        default:  // 0 and the negative remainders
            return start_ + h;
    }
}

}  // namespace Vemora
