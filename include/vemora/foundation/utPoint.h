#pragma once

#include <cmath>

#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class utVector_c;

// The two coordinates points and vectors share: x, then y, contiguous in memory.
class VEMORA_API utCoordinates_c {
public:
    double x() const { return c_[0]; }
    double y() const { return c_[1]; }
    void setX(double x) { c_[0] = x; }
    void setY(double y) { c_[1] = y; }
    // Index 0 is x, 1 is y; no range check.
    double coord(int i) const { return c_[i]; }
    void setCoord(int i, double v) { c_[i] = v; }
    int getDim() const { return 2; }
    operator double*() { return c_; }
    operator const double*() const { return c_; }
    void clear() { c_[0] = c_[1] = 0.0; }

    double length2() const { return x() * x() + y() * y(); }
    // Distance from the origin.
    double length() const { return std::sqrt(length2()); }

protected:
    utCoordinates_c() = default;
    utCoordinates_c(double x, double y) : c_{x, y} {}

private:
    double c_[2] = {0.0, 0.0};
};

// A position in raster coordinates: x to the right (column), y downward (row).
class VEMORA_API utPoint_c : public utCoordinates_c {
public:
    utPoint_c() = default;
    // The third coordinate is accepted for source compatibility and ignored: the plane is 2-D.
    utPoint_c(double x, double y, double z = 0.0) : utCoordinates_c(x, y) { (void)z; }
    explicit utPoint_c(const double* p) : utCoordinates_c(p[0], p[1]) {}

    void set(double x, double y) {
        setX(x);
        setY(y);
    }

    utPoint_c operator+(const utPoint_c& p) const { return {x() + p.x(), y() + p.y()}; }
    utPoint_c operator+(const utVector_c& v) const;
    utPoint_c operator-(const utVector_c& v) const;
    utVector_c operator-(const utPoint_c& p) const;
    utPoint_c operator*(double s) const { return {x() * s, y() * s}; }
    // Dot products.
    double operator*(const utPoint_c& p) const { return x() * p.x() + y() * p.y(); }
    double operator*(const utVector_c& v) const;

    bool operator==(const utPoint_c& p) const { return x() == p.x() && y() == p.y(); }
    bool operator!=(const utPoint_c& p) const { return !(*this == p); }
    // True when either coordinate differs by more than tol.
    bool notEqualTo(const utPoint_c& p, double tol) const;

    static const utPoint_c& ptZero();
};

// A displacement.
class VEMORA_API utVector_c : public utCoordinates_c {
public:
    utVector_c() = default;
    utVector_c(double x, double y, double z = 0.0) : utCoordinates_c(x, y) { (void)z; }
    explicit utVector_c(const double* p) : utCoordinates_c(p[0], p[1]) {}

    utVector_c operator+(const utVector_c& v) const { return {x() + v.x(), y() + v.y()}; }
    utVector_c operator-(const utVector_c& v) const { return {x() - v.x(), y() - v.y()}; }
    utVector_c operator*(double s) const { return {x() * s, y() * s}; }
    double operator*(const utVector_c& v) const { return x() * v.x() + y() * v.y(); }
    double operator*(const utPoint_c& p) const { return x() * p.x() + y() * p.y(); }

    // The vector turned by +90 degrees, (-y, x); not the negated vector.
    utVector_c flip() const { return {-y(), x()}; }
    // Zero-length vectors are not guarded: unit, normalize and cosAlpha divide by zero.
    utVector_c unit() const;
    void normalize();
    // A vector of this length pointing at the absolute angle a (radians); the direction is
    // discarded.
    utVector_c rotate(double a) const;
    // The component of v along this vector.
    utVector_c project(const utVector_c& v) const;
    double cosAlpha(const utVector_c& v) const;
    // tol is a cosine close to 1; opposite directions count as collinear.
    bool isCollinear(const utVector_c& v, double tol) const;
    // atan2(x, y): x is the first argument. For the width direction of a skew rectangle this is
    // the axis direction measured with y pointing up.
    double angle() const;

    static utVector_c xAxis() { return {1.0, 0.0}; }
    static utVector_c yAxis() { return {0.0, 1.0}; }
};

inline utPoint_c utPoint_c::operator+(const utVector_c& v) const {
    return {x() + v.x(), y() + v.y()};
}
inline utPoint_c utPoint_c::operator-(const utVector_c& v) const {
    return {x() - v.x(), y() - v.y()};
}
inline utVector_c utPoint_c::operator-(const utPoint_c& p) const {
    return {x() - p.x(), y() - p.y()};
}
inline double utPoint_c::operator*(const utVector_c& v) const { return x() * v.x() + y() * v.y(); }

}  // namespace Vemora
