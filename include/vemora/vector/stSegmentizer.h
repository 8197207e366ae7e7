#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/sketch/stEntity.h>

#include <vector>

namespace Vemora {

class stSketch_c;
class stToolContext_c;
template <class Owner>
class tmpPropertyTable_c;

// One run of points of a chain, with what it was recognised as and links to its neighbours in
// the same chain. Moving an end point through the setters keeps the neighbours connected.
//
// Segment types: 0 straight line, 1 horizontal line, 2 vertical line (a = level of either),
// 3 free curve, 4 circle, 5 circular arc (radians), 6 ellipse, 7 elliptic arc (phi and angles
// in degrees); -1 when not set.
class VEMORA_API stSegmentInfo_c {
public:
    stSegmentInfo_c() = default;
    stSegmentInfo_c(const stEntityAttributes_c& attributes, const std::vector<utPoint_c>& points,
                    int segmentType);
    stSegmentInfo_c(const stSegmentInfo_c&) = default;
    stSegmentInfo_c& operator=(const stSegmentInfo_c&) = default;
    ~stSegmentInfo_c() = default;

    const stEntityAttributes_c& attrs() const { return attributes_; }
    void setAttrs(const stEntityAttributes_c& attributes) { attributes_ = attributes; }
    const std::vector<utPoint_c>& points() const { return points_; }
    // The run must have points.
    const utPoint_c& startPoint() const;
    const utPoint_c& endPoint() const;

    // Neighbours in the chain (not owned); null at an open end.
    stSegmentInfo_c* prev() const { return previous_; }
    void setPrev(stSegmentInfo_c* s) { previous_ = s; }
    stSegmentInfo_c* next() const { return next_; }
    void setNext(stSegmentInfo_c* s) { next_ = s; }

    int getSegmentType() const { return segmentType_; }
    void setSegmentType(int type) { segmentType_ = type; }
    double startAngle() const { return startAngle_; }
    void setStartAngle(double a) { startAngle_ = a; }
    double endAngle() const { return endAngle_; }
    void setEndAngle(double a) { endAngle_ = a; }
    const utPoint_c& center() const { return center_; }
    void setCenter(const utPoint_c& c) { center_ = c; }
    double phi() const { return phi_; }
    void setPhi(double phi) { phi_ = phi; }
    double a() const { return a_; }
    void setA(double a) { a_ = a; }
    // The radius is stored as a.
    double r() const { return a_; }
    void setR(double r) { a_ = r; }
    double b() const { return b_; }
    void setB(double b) { b_ = b; }
    const std::vector<utPoint_c>& controlPoints() const { return controlPoints_; }
    void setControlPoints(const std::vector<utPoint_c>& points) { controlPoints_ = points; }
    const utVector_c& startTangent() const { return startTangent_; }
    void setStartTangent(const utVector_c& t) { startTangent_ = t; }
    const utVector_c& endTangent() const { return endTangent_; }
    void setEndTangent(const utVector_c& t) { endTangent_ = t; }

    // Start and end closer than 1.0.
    bool isClosed() const;

    // Move the first (last) point and carry the move along the chain: horizontal and vertical
    // runs shift as a whole to stay level, arcs recompute their centre, and the neighbour on the
    // far side follows. originator is the run that started the move (null: this one); the
    // propagation stops when it comes back to it.
    void setStartPoint(const utPoint_c& p, stSegmentInfo_c* originator);
    void setEndPoint(const utPoint_c& p, stSegmentInfo_c* originator);
    // Both ends; the neighbours follow.
    void setStartAndEnd(const utPoint_c& start, const utPoint_c& end);

    // Circular arcs only: keeps the radius and refits centre and angles to the current end points.
    // A chord longer than the diameter gives the half circle over the chord (the radius grows to
    // half the chord); coincident end points leave the arc as it is.
    void recalculateParameters();

    // The entity the run stands for, with the run's attributes; owned by the caller. Null for an
    // unknown type. tolerance bounds the Bézier refit of free curves (sketch units).
    stEntity_c* makeEntity(double tolerance) const;

private:
    stEntityAttributes_c attributes_;
    stSegmentInfo_c* previous_ = nullptr;
    stSegmentInfo_c* next_ = nullptr;
    std::vector<utPoint_c> points_;
    int segmentType_ = -1;
    double startAngle_ = 0.0;
    utPoint_c center_;
    double endAngle_ = 0.0;
    double phi_ = 0.0;
    double a_ = 0.0;
    double b_ = 0.0;
    std::vector<utPoint_c> controlPoints_;
    utVector_c startTangent_;
    utVector_c endTangent_;
};

// Cuts every spline of a sketch into runs at sharp turns and over-long legs, recognises each run
// as a line (exactly horizontal or vertical where it nearly is), arc, circle, elliptic arc,
// ellipse or free curve, snaps horizontal and vertical runs while keeping neighbours connected,
// and replaces the spline by the resulting entities; free curves are refitted as chains of cubic
// Bézier pieces. Lines go through the same classification; every other entity is copied as is.
//
// Registered as "Segmentizer". Settings (configuration keys, defaults): "UseSegmentizer" true
// (a configuration is expected to set it; an object built in code starts switched on),
// "UseDirectionDeviation" true, "MaxDirectionDeviation" 0.8 (a cosine), "UseMaxLengthOfASegment"
// true, "MaxSegmentLength" 25, "UseSegmentLengthDeviation" false,
// "MaxLengthDeviationFromRuningAverage" 3, "UseAdaptiveSegmentation" false,
// "AdaptiveDeviationRate" 1 (percent per unit of size above 100), "RecognizeSegmentType" true,
// "RecognizeLineSegments" true, "RecognizeLineSegmentsHorizontal" true,
// "RecognizeLineSegmentsVertical" true, "RecognizeArcSegments" true, "RecognizeCircles" true,
// "RecognizeEllipticArcSegments" false, "RecognizeEllipses" false, "RecognizeSplineSegments" true
// (kept only), "MaxRecognizerDeviation" 1.25. The tolerance of the horizontal and vertical tests
// (3.0) has no key. Lengths are sketch units; each run multiplies "MaxRecognizerDeviation" and
// "MaxSegmentLength" by the smaller scale factor of the tool context (1 without one) and keeps the
// products.
class VEMORA_API stSegmentizer_c : public stSketchProcessor_c {
public:
    // context is not owned; null for a segmentizer used on its own.
    explicit stSegmentizer_c(stToolContext_c* context = nullptr);
    stSegmentizer_c(const stSegmentizer_c&) = default;
    stSegmentizer_c& operator=(const stSegmentizer_c&) = default;
    ~stSegmentizer_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting with a key is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // Replaces the content of sketch by the segmented entities and returns sketch (edited in
    // place, never deleted). Null gives null. If it throws, sketch is left as it was.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return false; }

    bool useSegmentizer() const { return useSegmentizer_; }
    void setUseSegmentizer(bool on) { useSegmentizer_ = on; }
    bool useDirectionDeviation() const { return useDirectionDeviation_; }
    void setUseDirectionDeviation(bool on) { useDirectionDeviation_ = on; }
    double maxDirectionDeviation() const { return maxDirectionDeviation_; }
    void setMaxDirectionDeviation(double cosine) { maxDirectionDeviation_ = cosine; }
    bool useMaxLengthOfASegment() const { return useMaxLengthOfASegment_; }
    void setUseMaxLengthOfASegment(bool on) { useMaxLengthOfASegment_ = on; }
    double maxSegmentLength() const { return maxSegmentLength_; }
    void setMaxSegmentLength(double length) { maxSegmentLength_ = length; }
    bool useSegmentLengthDeviation() const { return useSegmentLengthDeviation_; }
    void setUseSegmentLengthDeviation(bool on) { useSegmentLengthDeviation_ = on; }
    double maxLengthDeviationFromRuningAverage() const {
        return maxLengthDeviationFromRuningAverage_;
    }
    void setMaxLengthDeviationFromRuningAverage(double ratio) {
        maxLengthDeviationFromRuningAverage_ = ratio;
    }
    bool useAdaptiveSegmentation() const { return useLinearyAdaptiveSegmentation_; }
    void setUseAdaptiveSegmentation(bool on) { useLinearyAdaptiveSegmentation_ = on; }
    // Percent per sketch unit.
    double adaptiveDeviationRate() const { return linearyAdaptiveDeviationRate_; }
    void setAdaptiveDeviationRate(double rate) { linearyAdaptiveDeviationRate_ = rate; }
    bool recognizeSegmentType() const { return recognizeSegmentType_; }
    void setRecognizeSegmentType(bool on) { recognizeSegmentType_ = on; }
    bool recognizeLineSegments() const { return recognizeLineSegments_; }
    void setRecognizeLineSegments(bool on) { recognizeLineSegments_ = on; }
    bool recognizeLineSegmentsHorizontal() const { return recognizeLineSegmentsHorizontal_; }
    void setRecognizeLineSegmentsHorizontal(bool on) { recognizeLineSegmentsHorizontal_ = on; }
    bool recognizeLineSegmentsVertical() const { return recognizeLineSegmentsVertical_; }
    void setRecognizeLineSegmentsVertical(bool on) { recognizeLineSegmentsVertical_ = on; }
    bool recognizeArcSegments() const { return recognizeArcSegments_; }
    void setRecognizeArcSegments(bool on) { recognizeArcSegments_ = on; }
    bool recognizeCircles() const { return recognizeCircles_; }
    void setRecognizeCircles(bool on) { recognizeCircles_ = on; }
    bool recognizeEllipticArcSegments() const { return recognizeEllipticArcSegments_; }
    void setRecognizeEllipticArcSegments(bool on) { recognizeEllipticArcSegments_ = on; }
    bool recognizeEllipses() const { return recognizeEllipses_; }
    void setRecognizeEllipses(bool on) { recognizeEllipses_ = on; }
    bool recognizeSplineSegments() const { return recognizeSplineSegments_; }
    void setRecognizeSplineSegments(bool on) { recognizeSplineSegments_ = on; }
    // "MaxRecognizerDeviation", sketch units.
    double recognizerMaxError() const { return recognizeMaxDeviation_; }
    void setRecognizerMaxError(double tolerance) { recognizeMaxDeviation_ = tolerance; }
    // Tolerance of the horizontal and vertical tests; never scaled.
    double recognizerMaxLinesError() const { return recognizerMaxLinesError_; }
    void setRecognizerMaxLinesError(double tolerance) { recognizerMaxLinesError_ = tolerance; }

private:
    static const tmpPropertyTable_c<stSegmentizer_c>& properties();

    void processLine(stLine_c& line, stSketch_c* output);
    void processSpline(stSpline_c& spline, stSketch_c* output);
    // The recognizer tolerance and length limit for an entity spanning these points.
    void tolerancesFor(const std::vector<utPoint_c>& points, double& tolerance,
                       double& maxLength) const;

    bool adjustClosedSplineStartPoint(std::vector<utPoint_c>& points) const;
    bool splitSegmentOnTheBaseOfDirectionConstraints(const stSegmentInfo_c& run,
                                                     std::vector<stSegmentInfo_c>& out) const;
    bool splitSegmentOnTheBaseOfLengthConstraints(const stSegmentInfo_c& run,
                                                  std::vector<stSegmentInfo_c>& out,
                                                  double maxLength, double maxRatio) const;
    bool refineSegment(stSegmentInfo_c& run) const;
    bool refineSegments(std::vector<stSegmentInfo_c>& runs, double tolerance) const;
    int findOutSegmentType(stSegmentInfo_c& run, double tolerance) const;
    void translateIntoSketch(const std::vector<stSegmentInfo_c>& runs, stSketch_c* output) const;
    bool checkMaxSegmentLengthConstraint(const utPoint_c& p, const utPoint_c& q,
                                         double maxLength) const;
    bool checkSegmentLengthDeviationConstraint(const utPoint_c& p, const utPoint_c& q,
                                               double average, double ratio) const;
    bool checkSegmentDirectonConstraints(const utPoint_c& p0, const utPoint_c& p1,
                                         const utPoint_c& p2) const;
    bool checkLengthDeviation(double length, double average, double ratio) const;

    bool useSegmentizer_ = true;
    bool useDirectionDeviation_ = true;
    double maxDirectionDeviation_ = 0.8;
    bool useMaxLengthOfASegment_ = true;
    double maxSegmentLength_ = 25.0;
    bool useSegmentLengthDeviation_ = false;
    double maxLengthDeviationFromRuningAverage_ = 3.0;
    bool useLinearyAdaptiveSegmentation_ = false;
    double linearyAdaptiveDeviationRate_ = 1.0;
    bool recognizeSegmentType_ = true;
    bool recognizeLineSegments_ = true;
    bool recognizeLineSegmentsHorizontal_ = true;
    bool recognizeLineSegmentsVertical_ = true;
    bool recognizeArcSegments_ = true;
    bool recognizeCircles_ = true;
    bool recognizeEllipticArcSegments_ = false;
    bool recognizeEllipses_ = false;
    bool recognizeSplineSegments_ = true;
    double recognizeMaxDeviation_ = 1.25;
    double recognizerMaxLinesError_ = 3.0;
};

}  // namespace Vemora
