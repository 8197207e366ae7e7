#include <vemora/foundation/utPoint.h>

#include <cmath>

namespace Vemora {

bool utPoint_c::notEqualTo(const utPoint_c& p, double tol) const {
    return std::fabs(x() - p.x()) > tol || std::fabs(y() - p.y()) > tol;
}

const utPoint_c& utPoint_c::ptZero() {
    static const utPoint_c zero;
    return zero;
}

utVector_c utVector_c::unit() const {
    const double l = length();
    return {x() / l, y() / l};
}

void utVector_c::normalize() { *this = unit(); }

utVector_c utVector_c::rotate(double a) const {
    const double l = length();
    return {l * std::cos(a), l * std::sin(a)};
}

utVector_c utVector_c::project(const utVector_c& v) const {
    const utVector_c u = unit();
    return u * (u * v);
}

double utVector_c::cosAlpha(const utVector_c& v) const {
    return (*this * v) / (length() * v.length());
}

bool utVector_c::isCollinear(const utVector_c& v, double tol) const {
    return std::fabs(cosAlpha(v)) > tol;
}

double utVector_c::angle() const { return std::atan2(x(), y()); }

}  // namespace Vemora
