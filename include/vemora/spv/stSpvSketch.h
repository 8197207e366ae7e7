#pragma once

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/spv/stSpvPoint.h>

#include <memory>
#include <vector>

namespace Vemora {

// The sparse tracer's own light-weight vector model. Every traced stroke is a bar, a polybar or
// an arc in raster pixel coordinates (y downward); the SPV sketch collects them and is itself a
// primitive. Widths are full stroke widths in pixels.

class stSpvPrimitiveVisitor_c;
class stSpvVisitorProgressListener_c;
class stSpvBar_c;
class stSpvPolybar_c;
class stSpvArc_c;
class stSpvSketch_c;

// Progress of a sketch walk. onVisitStart answering false skips the walk; onVisitProgress
// answering false stops it.
class VEMORA_API stSpvVisitorProgressListener_c {
public:
    virtual ~stSpvVisitorProgressListener_c() = default;
    virtual bool onVisitStart() = 0;
    // percent counts up from 0; see stSpvSketch_c::visit.
    virtual bool onVisitProgress(int percent) = 0;
    virtual void onVisitEnd() = 0;
};

// Listens and never interrupts.
class VEMORA_API stSpvVisitorProgressListenerBase_c : public stSpvVisitorProgressListener_c {
public:
    bool onVisitStart() override { return true; }
    bool onVisitProgress(int) override { return true; }
    void onVisitEnd() override {}
};

// Double dispatch over the primitive kinds; every operation does nothing by default.
class VEMORA_API stSpvPrimitiveVisitor_c {
public:
    virtual ~stSpvPrimitiveVisitor_c() = default;
    // False skips the sketch's primitives and its leaveSpvSketch.
    virtual bool enterSpvSketch(const stSpvSketch_c&) { return true; }
    virtual void leaveSpvSketch(const stSpvSketch_c&) {}
    virtual void visitSpvBar(const stSpvBar_c&) {}
    virtual void visitSpvPolybar(const stSpvPolybar_c&) {}
    virtual void visitSpvArc(const stSpvArc_c&) {}
};

// Base of every primitive and of the SPV sketch.
class VEMORA_API stSpvPrimitive_c {
public:
    virtual ~stSpvPrimitive_c() = default;
    // A new deep copy; the caller owns it.
    virtual stSpvPrimitive_c* clone() const = 0;
    // Calls the visitor's operation for this kind. Only the SPV sketch reports to the listener,
    // which may be null.
    virtual void visit(stSpvPrimitiveVisitor_c& v,
                       stSpvVisitorProgressListener_c* listener = nullptr) const = 0;

    // Bounding box; uninitialized until the primitive has geometry.
    const utRect_c& extents() const { return extents_; }

protected:
    stSpvPrimitive_c() = default;
    stSpvPrimitive_c(const stSpvPrimitive_c&) = default;
    stSpvPrimitive_c& operator=(const stSpvPrimitive_c&) = default;

    utRect_c& extentsRef() { return extents_; }

private:
    utRect_c extents_;
};

// A straight stroke of constant width.
class VEMORA_API stSpvBar_c : public stSpvPrimitive_c {
public:
    stSpvBar_c() = default;
    // From p1 to p2 with the width of the skew rectangle between the two points.
    stSpvBar_c(const stSpvPoint_c& a, const stSpvPoint_c& b);
    stSpvBar_c(double x1, double y1, double x2, double y2, double w);
    stSpvBar_c(const stSpvBar_c&) = default;
    stSpvBar_c& operator=(const stSpvBar_c&) = default;

    stSpvBar_c* clone() const override;
    void visit(stSpvPrimitiveVisitor_c& v,
               stSpvVisitorProgressListener_c* listener = nullptr) const override;

    const utPoint_c& p1() const { return p1_; }
    const utPoint_c& p2() const { return p2_; }
    double x1() const { return p1_.x(); }
    double y1() const { return p1_.y(); }
    double x2() const { return p2_.x(); }
    double y2() const { return p2_.y(); }
    double w() const { return w_; }
    // The setters leave the extents as they are.
    void setP1(const utPoint_c& p) { p1_ = p; }
    void setP2(const utPoint_c& p) { p2_ = p; }
    void setW(double w) { w_ = w; }

private:
    void updateExtents();

    utPoint_c p1_;
    utPoint_c p2_;
    double w_ = 0.0;
};

// A chain of centre points, each with its own measured width.
class VEMORA_API stSpvPolybar_c : public stSpvPrimitive_c {
public:
    stSpvPolybar_c();
    explicit stSpvPolybar_c(const std::vector<stSpvPoint_c>& points);
    // Takes the points over.
    explicit stSpvPolybar_c(std::vector<stSpvPoint_c>&& points);
    // count points from points (which may be null when count is 0).
    stSpvPolybar_c(const stSpvPoint_c* points, int count);
    stSpvPolybar_c(const stSpvPolybar_c& other);
    stSpvPolybar_c& operator=(const stSpvPolybar_c&) = default;

    stSpvPolybar_c* clone() const override;
    void visit(stSpvPrimitiveVisitor_c& v,
               stSpvVisitorProgressListener_c* listener = nullptr) const override;

    int pointCount() const { return static_cast<int>(points_.size()); }
    const stSpvPoint_c& pointAt(int i) const;
    const std::vector<stSpvPoint_c>& points() const { return points_; }
    // Mean width of the points, as of the last constructor or setPoints.
    double w() const { return w_; }

    // The editing operations below leave w and the extents as they are; setPoints recomputes
    // both.
    void setPointAt(int i, const stSpvPoint_c& p);
    // Position only; width and wDir stay.
    void movePointAt(int i, const utPoint_c& p);
    void setFirstVertex(const utPoint_c& p);
    void setLastVertex(const utPoint_c& p);
    // Remove the first or last point; nothing happens without points.
    void cutFirstVertex();
    void cutLastVertex();
    void setPoints(const std::vector<stSpvPoint_c>& points);

private:
    void updateWidthAndExtents();

    std::vector<stSpvPoint_c> points_;
    double w_ = 0.0;
};

// A circular arc stroke. Angles in radians, measured from +x towards +y (y downward); equal
// start and end angles mean a full circle.
class VEMORA_API stSpvArc_c : public stSpvPrimitive_c {
public:
    stSpvArc_c() = default;
    stSpvArc_c(double cx, double cy, double r, double startAngle, double endAngle, double w);
    stSpvArc_c(const stSpvArc_c&) = default;
    stSpvArc_c& operator=(const stSpvArc_c&) = default;

    stSpvArc_c* clone() const override;
    void visit(stSpvPrimitiveVisitor_c& v,
               stSpvVisitorProgressListener_c* listener = nullptr) const override;

    const utPoint_c& center() const { return center_; }
    double cx() const { return center_.x(); }
    double cy() const { return center_.y(); }
    double r() const { return r_; }
    double startAngle() const { return startAngle_; }
    double endAngle() const { return endAngle_; }
    double w() const { return w_; }

    // center + r * (cos t, sin t).
    void pointAtAngle(double t, double& x, double& y) const;
    void startPoint(double& x, double& y) const { pointAtAngle(startAngle_, x, y); }
    void endPoint(double& x, double& y) const { pointAtAngle(endAngle_, x, y); }

private:
    void updateExtents();

    utPoint_c center_;
    double startAngle_ = 0.0;
    double endAngle_ = 0.0;
    double r_ = 0.0;
    double w_ = 0.0;
};

// The primitives of one trace, in the order they were traced, with their width statistics.
class VEMORA_API stSpvSketch_c : public stSpvPrimitive_c {
public:
    stSpvSketch_c() = default;
    // Deep copy: extents, statistics and a clone of every primitive, in order.
    stSpvSketch_c(const stSpvSketch_c& other);
    stSpvSketch_c(stSpvSketch_c&& other) noexcept = default;
    // Appends a clone of every primitive of other after the primitives already held and merges
    // the extents and statistics; into an empty sketch this is a plain copy. Self-assignment
    // changes nothing.
    stSpvSketch_c& operator=(const stSpvSketch_c& other);
    ~stSpvSketch_c() override;

    stSpvSketch_c* clone() const override;
    // enterSpvSketch, the primitives in order (nested sketches get no listener), leaveSpvSketch.
    // A listener hears onVisitStart and onVisitProgress(0), then a count after the primitives
    // (by 1 every n / 100 primitives when n >= 100, which may pass 100; by 100 / n after each
    // one otherwise), then onVisitProgress(100) and onVisitEnd, also after it stopped the walk.
    void visit(stSpvPrimitiveVisitor_c& v,
               stSpvVisitorProgressListener_c* listener = nullptr) const override;

    int countPrimitives() const { return static_cast<int>(primitives_.size()); }
    // Non-owning; valid until the primitive is erased or the sketch cleared.
    stSpvPrimitive_c* primitiveAt(int i);
    const stSpvPrimitive_c* primitiveAt(int i) const;

    // Takes ownership of p (not null, not held already).
    void append(stSpvPrimitive_c* p);
    // Deletes p when the sketch holds it (its first occurrence); otherwise nothing happens.
    void erase(stSpvPrimitive_c* p);
    // Deletes every primitive and resets the extents; the width statistics stay.
    void clear();

    // Width statistics over the primitives appended so far. min and max start from 0.
    double minW() const { return minW_; }
    double maxW() const { return maxW_; }
    double aveW() const { return aveW_; }

    // Spatial queries are not supported by the SPV sketch: they answer false and leave out as
    // it is.
    bool primitivesIn(const utRect_c& r, std::vector<stSpvPrimitive_c*>& out) const;
    bool primitivesIn(const utSkewRect_c& r, std::vector<stSpvPrimitive_c*>& out) const;
    bool primitivesAt(double x, double y, std::vector<stSpvPrimitive_c*>& out) const;

private:
    void updateWidthStat(const stSpvPrimitive_c& p, bool added);
    void growExtents(const stSpvPrimitive_c& p);

    std::vector<std::unique_ptr<stSpvPrimitive_c>> primitives_;
    double minW_ = 0.0;
    double maxW_ = 0.0;
    double aveW_ = 0.0;
};

}  // namespace Vemora
