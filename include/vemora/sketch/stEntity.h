#pragma once

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/vemoraApi.h>

#include <initializer_list>
#include <vector>

namespace Vemora {

class stSketch_c;
class stPoint_c;
class stLine_c;
class stArc_c;
class stCircle_c;
class stEllipse_c;
class stEllipseArc_c;
class stSpline_c;
class stPolyline_c;
class stRegion_c;

// Colour, line style and stroke width of an entity.
class VEMORA_API stEntityAttributes_c {
public:
    stEntityAttributes_c() = default;
    // Stored as given, without the setters' checks.
    stEntityAttributes_c(long color, int lineType, double width)
        : color_(color), lineType_(lineType), width_(width) {}

    long color() const { return color_; }
    int lineType() const { return lineType_; }
    // Pixels.
    double width() const { return width_; }

    void setColor(long color) { color_ = color; }
    // A negative line type is locked: the setter then refuses and returns false.
    bool setLineType(int lineType);
    // Refuses a negative width.
    bool setWidth(double width);
    // Colour always; line type and width under their setters' rules. True when both were stored.
    bool setAllAttributes(long color, int lineType, double width);
    void allAttributes(long& color, int& lineType, double& width) const;

private:
    long color_ = 0;
    int lineType_ = 0;
    double width_ = 1.0;
};

// Walks a sketch by double dispatch; every operation of the base does nothing (the enter
// operations answer true).
class VEMORA_API stEntityVisitor_c {
public:
    // True to visit the sketch's entities.
    virtual bool enterSketch(stSketch_c& sketch);
    virtual void leaveSketch(stSketch_c& sketch);
    virtual void visitPoint(stPoint_c& point);
    virtual void visitLine(stLine_c& line);
    virtual void visitArc(stArc_c& arc);
    virtual void visitCircle(stCircle_c& circle);
    virtual void visitEllipse(stEllipse_c& ellipse);
    virtual void visitEllipseArc(stEllipseArc_c& arc);
    virtual void visitSpline(stSpline_c& spline);
    // The answer is not used: polylines and regions have no members to visit.
    virtual bool enterPolyline(stPolyline_c& polyline);
    virtual void leavePolyline(stPolyline_c& polyline);
    virtual bool enterRegion(stRegion_c& region);
    virtual void leaveRegion(stRegion_c& region);
    virtual ~stEntityVisitor_c();
};

// The base of everything a sketch holds.
class VEMORA_API stEntity_c {
public:
    // Free: no owner, handle -1.
    stEntity_c() = default;
    // Owned by `sketch` (not added to its list: the caller still calls addEntity) with the next
    // handle of that sketch; a null sketch gives a free entity.
    explicit stEntity_c(stSketch_c* sketch);
    stEntity_c(const stEntity_c&) = default;
    stEntity_c& operator=(const stEntity_c&) = default;
    virtual ~stEntity_c();

    // Calls the visitor operation of the entity's own type.
    virtual void visit(stEntityVisitor_c& visitor) = 0;
    // Grows the extents to cover the geometry; never shrinks them.
    virtual void updateExtents() = 0;
    // A new copy with the same handle, attributes and owner pointer; the caller owns it.
    virtual stEntity_c* clone() const;
    // Same dynamic type and exactly the same defining values; attributes and handles are not
    // compared.
    virtual bool isEqual(const stEntity_c* other) const;

    const utRect_c& extents() const { return extents_; }
    const stEntityAttributes_c& attributes() const { return attributes_; }
    // The rules of stEntityAttributes_c::setAllAttributes; null changes nothing and gives false.
    bool setAttributes(const stEntityAttributes_c* attributes);
    stSketch_c* owner() const { return owner_; }
    int handle() const { return handle_; }

protected:
    // Grows the extents by the box of the points, moved outward by d on every side. A repeated
    // call with the same points leaves the box as it is.
    void growExtents(const std::vector<utPoint_c>& points, double d);
    void growExtents(std::initializer_list<utPoint_c> points, double d);
    utRect_c& mutableExtents() { return extents_; }

private:
    friend class stSketch_c;

    utRect_c extents_;
    stEntityAttributes_c attributes_;
    stSketch_c* owner_ = nullptr;
    int handle_ = -1;
};

class VEMORA_API stPoint_c : public stEntity_c {
public:
    stPoint_c() = default;
    explicit stPoint_c(const utPoint_c& p);
    stPoint_c(stSketch_c* sketch, const utPoint_c& p);
    stPoint_c(const stPoint_c&) = default;

    const utPoint_c& p() const { return p_; }

    void visit(stEntityVisitor_c& visitor) override;
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    utPoint_c p_;
};

class VEMORA_API stLine_c : public stEntity_c {
public:
    stLine_c() = default;
    stLine_c(const utPoint_c& p1, const utPoint_c& p2);
    stLine_c(stSketch_c* sketch, const utPoint_c& p1, const utPoint_c& p2);
    stLine_c(const stLine_c&) = default;

    const utPoint_c& p1() const { return p1_; }
    const utPoint_c& p2() const { return p2_; }
    // The setters leave the extents as they are.
    void setP1(const utPoint_c& p) { p1_ = p; }
    void setP2(const utPoint_c& p) { p2_ = p; }

    void visit(stEntityVisitor_c& visitor) override;
    // The end points, widened by the attribute width on every side.
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    utPoint_c p1_;
    utPoint_c p2_;
};

// A circular arc: points center + radius (cos t, sin t), t running from startAngle to endAngle.
// Angles are in radians.
class VEMORA_API stArc_c : public stEntity_c {
public:
    stArc_c() = default;
    // The circle through three points: p1 start, p2 on the way, p3 end. The angles are the polar
    // angles of p1 and p3 about the centre, in (-pi, pi]. Collinear points fix no circle: the
    // radius is then 1e99.
    stArc_c(const utPoint_c& p1, const utPoint_c& p2, const utPoint_c& p3);
    stArc_c(const utPoint_c& center, double radius, double startAngle, double endAngle);
    stArc_c(const stArc_c&) = default;

    const utPoint_c& p1() const { return p1_; }
    const utPoint_c& p2() const { return p2_; }
    const utPoint_c& p3() const { return p3_; }
    const utPoint_c& center() const { return center_; }
    double radius() const { return radius_; }
    double startAngle() const { return startAngle_; }
    double endAngle() const { return endAngle_; }
    // The point at angle t (radians).
    void pointAtAngle(double t, double& x, double& y) const;
    // p1 and p3.
    void startPoint(double& x, double& y) const;
    void endPoint(double& x, double& y) const;
    // Free-standing storage for a fitted polynomial; null pointers are skipped.
    void polynomialCoefficients(double* c0, double* c1, double* c2, double* c3, double* c4,
                                double* c5) const;
    void setPolynomialCoefficients(double c0, double c1, double c2, double c3, double c4,
                                   double c5);

    void visit(stEntityVisitor_c& visitor) override;
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    double coefficients_[6] = {0, 0, 0, 0, 0, 0};
    utPoint_c p1_;
    utPoint_c p2_;
    utPoint_c p3_;
    double radius_ = 0.0;
    double startAngle_ = 0.0;  // radians
    double endAngle_ = 0.0;    // radians
    utPoint_c center_;
};

class VEMORA_API stCircle_c : public stEntity_c {
public:
    stCircle_c() = default;
    stCircle_c(const utPoint_c& center, double radius);
    stCircle_c(const stCircle_c&) = default;

    const utPoint_c& center() const { return center_; }
    double radius() const { return radius_; }

    void visit(stEntityVisitor_c& visitor) override;
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    utPoint_c center_;
    double radius_ = 0.0;
};

// An elliptic arc. phi (the rotation of the a axis), startAngle and endAngle are in degrees;
// the angles may run up to 720. Points come from ellipsePointAtAngle.
class VEMORA_API stEllipseArc_c : public stEntity_c {
public:
    stEllipseArc_c() = default;
    stEllipseArc_c(double a, double b, double phi, double startAngle, double endAngle,
                   const utPoint_c& center);
    stEllipseArc_c(const stEllipseArc_c&) = default;

    double a() const { return a_; }
    double b() const { return b_; }
    double phi() const { return phi_; }
    double startAngle() const { return startAngle_; }
    double endAngle() const { return endAngle_; }
    const utPoint_c& center() const { return center_; }
    // The point at angle g (degrees).
    utPoint_c pointAtAngle(double g) const;
    // Each non-null pointer replaces its value; the extents are left as they are.
    void setParameters(const double* a, const double* b, const double* phi,
                       const double* startAngle, const double* endAngle, const utPoint_c* center);
    // Free-standing storage for a fitted polynomial; null pointers are skipped.
    void polynomialCoefficients(double* c0, double* c1, double* c2, double* c3, double* c4,
                                double* c5) const;
    void setPolynomialCoefficients(double c0, double c1, double c2, double c3, double c4,
                                   double c5);

    void visit(stEntityVisitor_c& visitor) override;
    // The points at the start and end angles.
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    double coefficients_[6] = {0, 0, 0, 0, 0, 0};
    double a_ = 0.0;
    double b_ = 0.0;
    double phi_ = 0.0;         // degrees
    double startAngle_ = 0.0;  // degrees
    double endAngle_ = 0.0;    // degrees
    utPoint_c center_;
};

// A full ellipse with semi-axes a and b; phi is the rotation of the a axis in degrees.
class VEMORA_API stEllipse_c : public stEntity_c {
public:
    stEllipse_c() = default;
    stEllipse_c(double a, double b, double phi, const utPoint_c& center);
    stEllipse_c(const stEllipse_c&) = default;

    double a() const { return a_; }
    double b() const { return b_; }
    double phi() const { return phi_; }
    const utPoint_c& center() const { return center_; }
    // Each non-null pointer replaces its value; the extents are left as they are.
    void setParameters(const double* a, const double* b, const double* phi,
                       const utPoint_c* center);

    void visit(stEntityVisitor_c& visitor) override;
    // The rotated box of half-sizes a and b.
    void updateExtents() override;
    stEntity_c* clone() const override;
    bool isEqual(const stEntity_c* other) const override;

private:
    double a_ = 0.0;
    double b_ = 0.0;
    double phi_ = 0.0;  // degrees
    utPoint_c center_;
};

// A curve through `points`; `controlPoints`, when there are any, are its control polygon.
class VEMORA_API stSpline_c : public stEntity_c {
public:
    stSpline_c() = default;
    explicit stSpline_c(const std::vector<utPoint_c>& points);
    // Takes the points over.
    explicit stSpline_c(std::vector<utPoint_c>&& points);
    stSpline_c(stSketch_c* sketch, const std::vector<utPoint_c>& points);
    stSpline_c(const stSpline_c&) = default;

    const std::vector<utPoint_c>& points() const { return points_; }
    const std::vector<utPoint_c>& controlPoints() const { return controlPoints_; }
    int pointCount() const { return static_cast<int>(points_.size()); }
    // i below pointCount().
    const utPoint_c& pointAt(int i) const;
    // Leaves the extents as they are.
    void movePointAt(int i, const utPoint_c& p);
    // Replaces the points and drops the control points.
    void setPoints(const std::vector<utPoint_c>& points);
    void setControlPoints(const std::vector<utPoint_c>& controlPoints);
    // At least two points, the first and last closer than tol.
    bool isClosed(double tol) const;
    bool hasControlPoints() const { return !controlPoints_.empty(); }

    void visit(stEntityVisitor_c& visitor) override;
    // The control points, or the points when there are none, widened by the attribute width.
    void updateExtents() override;
    stEntity_c* clone() const override;
    // Compares the points and the control points, element by element.
    bool isEqual(const stEntity_c* other) const override;

private:
    std::vector<utPoint_c> controlPoints_;
    std::vector<utPoint_c> points_;
};

// Placeholders without geometry; never equal to anything.
class VEMORA_API stPolyline_c : public stEntity_c {
public:
    stPolyline_c() = default;
    stPolyline_c(const stPolyline_c&) = default;

    // enterPolyline then leavePolyline.
    void visit(stEntityVisitor_c& visitor) override;
    void updateExtents() override {}
    stEntity_c* clone() const override;
};

class VEMORA_API stRegion_c : public stEntity_c {
public:
    stRegion_c() = default;
    stRegion_c(const stRegion_c&) = default;

    // enterRegion then leaveRegion.
    void visit(stEntityVisitor_c& visitor) override;
    void updateExtents() override {}
    stEntity_c* clone() const override;
};

}  // namespace Vemora
