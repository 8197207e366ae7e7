#pragma once

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

// The questions the processors ask of an analytic curve. Curves are values: held on the stack or
// inside other objects, never shared.
class VEMORA_API utGeCurve_c {
public:
    virtual ~utGeCurve_c();
    // How far p is from the curve (for conics the signed algebraic value, see utGeEllipse_c).
    virtual double distance(const utPoint_c& p) const = 0;
    // Which side of the curve p lies on; the codes are those of each curve.
    virtual int side(const utPoint_c& p, double eps) const = 0;
    // The foot of p on the curve.
    virtual utPoint_c project(const utPoint_c& p) const = 0;
    // The point at curve parameter t, starting from the foot of p.
    virtual utPoint_c pointAt(const utPoint_c& p, double t) const = 0;
    virtual utVector_c tangent(const utPoint_c& p) const = 0;
    virtual utVector_c normal(const utPoint_c& p) const = 0;
    virtual double curvature(const utPoint_c& p) const = 0;
    virtual bool isClosed() const;
    virtual bool isBounded() const;
};

// The infinite line a x + b y + c = 0 with (a, b) a unit normal.
class VEMORA_API utGeLine_c : public utGeCurve_c {
public:
    utGeLine_c() = default;
    // Through A and B; the normal points to the left of the direction A to B. A != B.
    utGeLine_c(const utPoint_c& A, const utPoint_c& B);
    // Through P along v; v must not be zero.
    utGeLine_c(const utPoint_c& P, const utVector_c& v);

    double a() const { return a_; }
    double b() const { return b_; }
    double c() const { return c_; }
    // a x + b y + c: positive on the side the normal points to.
    double signedDistance(const utPoint_c& p) const { return a_ * p.x() + b_ * p.y() + c_; }

    double distance(const utPoint_c& p) const override;
    // 1 on the normal's side beyond eps, 2 on the other side beyond eps, 0 within eps.
    int side(const utPoint_c& p, double eps) const override;
    utPoint_c project(const utPoint_c& p) const override;
    // The foot of p moved by t along tangent().
    utPoint_c pointAt(const utPoint_c& p, double t) const override;
    // The unit direction (-b, a): for a line made from A and B it points from B towards A.
    utVector_c tangent(const utPoint_c& p) const override;
    utVector_c normal(const utPoint_c& p) const override;
    double curvature(const utPoint_c& p) const override;

private:
    double a_ = 0.0;
    double b_ = 0.0;
    double c_ = 0.0;
};

// Intersects two lines. Returns 3 and writes out (when given) for one crossing point; 2 for the
// same line and 0 for distinct parallel lines, leaving out untouched.
VEMORA_API int intersect(const utGeLine_c& L1, const utGeLine_c& L2, utPoint_c* out);

// A circular arc. Angles are in radians, measured from the x axis towards +y; with raster y
// pointing down, increasing angles turn clockwise on screen.
class VEMORA_API utGeArc_c : public utGeCurve_c {
public:
    utGeArc_c() = default;
    // The circle through three points, from p1 to p3. Without such a circle (collinear or equal
    // points) the radius is 1e99, the sweep 0 and the centre stays at the origin.
    utGeArc_c(const utPoint_c& p1, const utPoint_c& p2, const utPoint_c& p3);
    // From start angle s to end angle e about centre (radians); the sweep is e - s.
    utGeArc_c(double r, double s, double e, const utPoint_c& centre);

    const utPoint_c& centre() const { return centre_; }
    const utPoint_c& startPoint() const { return start_; }
    const utPoint_c& endPoint() const { return end_; }
    // Radians, positive counter-clockwise (towards +y).
    double sweep() const { return sweep_; }
    double radius() const { return radius_; }
    // The point of the circle on the bisector of the two end radii.
    utPoint_c midPoint() const;
    // True when p lies strictly within the arc's angular range.
    bool inWedge(const utPoint_c& p) const;

    // Inside the wedge: |p - centre| - r; outside: the larger distance to an end point.
    double distance(const utPoint_c& p) const override;
    // 3 outside the wedge; else 0 on the circle within eps, 2 outside the circle, 1 inside.
    int side(const utPoint_c& p, double eps) const override;
    // Inside the wedge: the radial foot; outside: the end point farther from p.
    utPoint_c project(const utPoint_c& p) const override;
    // On the circle through project(p), at the absolute angle t / r.
    utPoint_c pointAt(const utPoint_c& p, double t) const override;
    utVector_c tangent(const utPoint_c& p) const override;
    utVector_c normal(const utPoint_c& p) const override;
    double curvature(const utPoint_c& p) const override;
    bool isClosed() const override;
    bool isBounded() const override;

private:
    utPoint_c centre_;
    utPoint_c start_;
    utPoint_c end_;
    double sweep_ = 0.0;
    double radius_ = 0.0;
};

// The general conic A x^2 + B x y + C y^2 + D x + E y + F = 0.
class VEMORA_API utGeConica_c : public utGeCurve_c {};

// A conic read as an ellipse. computeGeometry derives the centre, the semi-axes and the axis
// direction; the queries work on the algebraic value alone.
class VEMORA_API utGeEllipse_c : public utGeConica_c {
public:
    utGeEllipse_c() = default;
    utGeEllipse_c(double A, double B, double C, double D, double E, double F);

    // Derives the geometry; returns the validity flag. A conic that is no real ellipse leaves the
    // flag false and the derived values as they were.
    bool computeGeometry();
    bool isValid() const { return valid_; }
    // Semi-axes: a is the larger.
    double a() const { return a_; }
    double b() const { return b_; }
    // Unit direction of the b (minor) axis.
    utVector_c axisDirection() const { return {ux_, uy_}; }
    const utPoint_c& centre() const { return centre_; }

    // The algebraic value at p, signed; not a Euclidean distance.
    double distance(const utPoint_c& p) const override;
    // As for lines, on the algebraic value.
    int side(const utPoint_c& p, double eps) const override;
    // p itself.
    utPoint_c project(const utPoint_c& p) const override;
    utPoint_c pointAt(const utPoint_c& p, double t) const override;
    // The zero vector.
    utVector_c tangent(const utPoint_c& p) const override;
    utVector_c normal(const utPoint_c& p) const override;
    double curvature(const utPoint_c& p) const override;
    bool isClosed() const override;
    bool isBounded() const override;

private:
    double A_ = 0.0, B_ = 0.0, C_ = 0.0, D_ = 0.0, E_ = 0.0, F_ = 0.0;
    double a_ = 0.0;
    double b_ = 0.0;
    double ux_ = 0.0;
    double uy_ = 0.0;
    utPoint_c centre_;
    bool valid_ = false;
};

// A cubic Bezier segment from P0 to P3 with the inner control points P1 and P2. Only evaluation
// is available; the geometric queries throw utException_c("Not implemented").
class VEMORA_API utGeBezierSegment_c : public utGeCurve_c {
public:
    utGeBezierSegment_c() = default;
    utGeBezierSegment_c(const utPoint_c& P0, const utPoint_c& P1, const utPoint_c& P2,
                        const utPoint_c& P3);
    utGeBezierSegment_c(const utGeBezierSegment_c&) = default;
    utGeBezierSegment_c& operator=(const utGeBezierSegment_c&) = default;

    // i in [0, 3].
    const utPoint_c& controlPoint(int i) const { return P_[i]; }
    // The point at parameter t in [0, 1], by repeated linear interpolation of the control points.
    utPoint_c pointAtParameter(double t) const;

    double distance(const utPoint_c& p) const override;
    int side(const utPoint_c& p, double eps) const override;
    utPoint_c project(const utPoint_c& p) const override;
    utPoint_c pointAt(const utPoint_c& p, double t) const override;
    utVector_c tangent(const utPoint_c& p) const override;
    utVector_c normal(const utPoint_c& p) const override;
    double curvature(const utPoint_c& p) const override;
    bool isClosed() const override;
    bool isBounded() const override;

private:
    utPoint_c P_[4];
};

// The point of the ellipse with semi-axes a (along the rotated x axis) and b at the polar angle g,
// rotated by phi about (cx, cy). Degrees, both g and phi; g runs over [0, 720] (the arcs of an
// ellipse may pass 360), other values are taken modulo 360.
VEMORA_API utPoint_c ellipsePointAtAngle(double g, double a, double b, double phi, double cx,
                                         double cy);

}  // namespace Vemora
