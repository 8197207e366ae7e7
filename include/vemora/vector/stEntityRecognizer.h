#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>

#include <vector>

namespace Vemora {

class stSketch_c;
class stSpline_c;
template <class Owner>
class tmpPropertyTable_c;

// Turns the splines of a sketch into simpler entities where their points allow it: splines of five
// or more points that follow a circle become arcs (closed ones circles), splines of two to four
// points (polygonal approximations) one or two straight two-point pieces, with short hooks at
// their ends cut off. Optionally an elliptic curve recognizer runs first. Every other entity is
// carried over as a clone.
//
// Registered as "EntityRecognizer". Settings (configuration keys): "UseRecognizer",
// "MaxError" (pieces must be longer than this), "ApproximationMaxError", "EllipseRecognition",
// "EllipseTolerance", "EllipseDeviation", "EllipseMaxEccentricity", "EllipseMinEccentricity".
// Each run multiplies "MaxError" and "ApproximationMaxError" by the smaller scale factor of the
// tool context (1 without one) and keeps the products.
//
// The static shape tests are shared with the segmentizer.
class VEMORA_API stEntityRecognizer_c : public stSketchProcessor_c {
public:
    // Every setting 0 or false, to be read from the configuration.
    stEntityRecognizer_c();
    // sketch is not owned (process takes the sketch to work on). Also: "UseRecognizer" and
    // "EllipseRecognition" on, "ApproximationMaxError" 0.91, eccentricities 0.99 and 0.05.
    stEntityRecognizer_c(stSketch_c* sketch, double maxError, double ellipseTolerance,
                         double ellipseDeviation);
    stEntityRecognizer_c(double maxError, double ellipseTolerance, double ellipseDeviation);
    stEntityRecognizer_c(const stEntityRecognizer_c& other);
    stEntityRecognizer_c& operator=(const stEntityRecognizer_c& other);
    ~stEntityRecognizer_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // When recognition runs, sketch is deleted and a new sketch, owned by the caller, returned;
    // when it does not ("UseRecognizer" off, or a listener cancels) sketch itself comes back.
    // Null gives null. If it throws, sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }

    bool useRecognizer() const { return useRecognizer_; }
    void setUseRecognizer(bool v) { useRecognizer_ = v; }
    // Sketch units.
    double maxError() const { return maxError_; }
    void setMaxError(double v) { maxError_ = v; }
    double approximationMaxError() const { return approximationMaxError_; }
    void setApproximationMaxError(double v) { approximationMaxError_ = v; }
    bool ellipseRecognition() const { return ellipseRecognition_; }
    void setEllipseRecognition(bool v) { ellipseRecognition_ = v; }
    double ellipseTolerance() const { return ellipseTolerance_; }
    void setEllipseTolerance(double v) { ellipseTolerance_ = v; }
    double ellipseDeviation() const { return ellipseDeviation_; }
    void setEllipseDeviation(double v) { ellipseDeviation_ = v; }
    double ellipseMaxEccentricity() const { return ellipseMaxEccentricity_; }
    void setEllipseMaxEccentricity(double v) { ellipseMaxEccentricity_ = v; }
    double ellipseMinEccentricity() const { return ellipseMinEccentricity_; }
    void setEllipseMinEccentricity(double v) { ellipseMinEccentricity_ = v; }

    // ---- shape tests ------------------------------------------------------------------------
    // A circle fitted by geometric least squares, re-centred through the end points of an open
    // run; succeeds when the points and the midpoints between them stay within tolerance of it.
    // Angles in radians: the arc runs counter-clockwise from startAngle to endAngle over at most
    // half a turn. Fewer than five points fail.
    static bool checkIfArc(const std::vector<utPoint_c>& points, double& cx, double& cy,
                           double& radius, double& startAngle, double& endAngle, double tolerance);
    static bool checkIfArc(const stSpline_c* spline, double& cx, double& cy, double& radius,
                           double& startAngle, double& endAngle, double tolerance);
    // A direct ellipse fit that at least 90 % of the points support within 1 unit, of
    // eccentricity at most 0.99. phi and the angles in degrees (the ellipse's frame is the sketch
    // turned by +phi). The tolerance is not used. Fewer than eleven points fail.
    static bool checkIfEllipticArc(const std::vector<utPoint_c>& points, double& cx, double& cy,
                                   double& phi, double& a, double& b, double& startAngle,
                                   double& endAngle, double tolerance);
    // The chord from the first to the last point, when the interior points stay within tolerance
    // of it (at most, or on average). Two points always succeed, fewer fail.
    static bool checkIfStraightLineSegment(const std::vector<utPoint_c>& points, double& x1,
                                           double& y1, double& x2, double& y2, double tolerance);
    static bool checkIfStraightLineSegment(const stSpline_c* spline, double& x1, double& y1,
                                           double& x2, double& y2, double tolerance);
    // A flat run (end points less than 2 tolerance apart in y, and further apart in x) whose
    // y values stay near their mean; level gets that mean.
    static bool checkIfHorizontal(const std::vector<utPoint_c>& points, double& level,
                                  double tolerance);
    // checkIfHorizontal with x and y exchanged.
    static bool checkIfVertical(const std::vector<utPoint_c>& points, double& level,
                                double tolerance);

private:
    static const tmpPropertyTable_c<stEntityRecognizer_c>& properties();
    // The recognition proper, on sketch_ (not null).
    stSketch_c* recognize();

    stSketch_c* sketch_ = nullptr;  // the sketch of the current run; not owned
    bool useRecognizer_ = false;
    double maxError_ = 0.0;
    double approximationMaxError_ = 0.0;
    bool ellipseRecognition_ = false;
    double ellipseTolerance_ = 0.0;
    double ellipseDeviation_ = 0.0;
    double ellipseMaxEccentricity_ = 0.0;
    double ellipseMinEccentricity_ = 0.0;
};

}  // namespace Vemora
