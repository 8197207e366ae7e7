#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

class stSketch_c;

// Replaces the splines of a sketch by fitted conics: a direct least-squares conic fit per spline,
// read as an ellipse; a fit supported by enough of the spline's points becomes a circle, a
// circular arc, an ellipse or an elliptic arc. Every other entity is carried over as a clone;
// polylines and regions whole. Constructed in code; it has no registered name and no settings in
// the configuration document.
class VEMORA_API stEllipticCurveRecognizer_c : public stSketchProcessor_c {
public:
    explicit stEllipticCurveRecognizer_c(double supportFraction);
    stEllipticCurveRecognizer_c(const stEllipticCurveRecognizer_c& other) = default;
    stEllipticCurveRecognizer_c& operator=(const stEllipticCurveRecognizer_c& other) = default;
    ~stEllipticCurveRecognizer_c() override;

    // Consumes sketch and returns a new sketch owned by the caller; null for null. If it throws,
    // sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }
    // The same fitting, leaving sketch as it is; the caller owns the result.
    stSketch_c* recognize(stSketch_c& sketch) const;

    // Smallest share of a spline's points that must lie near the fitted curve; also the closure
    // threshold of a run that goes round.
    double supportFraction() const { return supportFraction_; }
    void setSupportFraction(double v) { supportFraction_ = v; }
    // Half-width, in sketch units, of the band around the curve in which a point supports it.
    double deviation() const { return deviation_; }
    void setDeviation(double v) { deviation_ = v; }
    // Fits more eccentric than this are rejected.
    double maxEccentricity() const { return maxEccentricity_; }
    void setMaxEccentricity(double v) { maxEccentricity_ = v; }
    // Fits less eccentric than this become circles or circular arcs.
    double minEccentricity() const { return minEccentricity_; }
    void setMinEccentricity(double v) { minEccentricity_ = v; }

private:
    stSketch_c* iProcessFitting(stSketch_c* sketch);

    double supportFraction_;
    double deviation_ = 1.0;  // sketch units
    double maxEccentricity_ = 0.99;
    double minEccentricity_ = 0.05;
};

// Replaces splines that follow a circle by circular arcs, fitted by iterative geometric least
// squares; two-point splines become lines. Every other entity is carried over as a clone.
class VEMORA_API stFeatureRecognizerA_c : public stSketchProcessor_c {
public:
    explicit stFeatureRecognizerA_c(double maxMeanDeviation);
    stFeatureRecognizerA_c(const stFeatureRecognizerA_c& other) = default;
    stFeatureRecognizerA_c& operator=(const stFeatureRecognizerA_c& other) = default;
    ~stFeatureRecognizerA_c() override;

    // Consumes sketch and returns a new sketch owned by the caller; null for null. If it throws,
    // sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }

    // Largest mean distance, in sketch units, of a spline's points from its fitted circle.
    double maxMeanDeviation() const { return maxMeanDeviation_; }
    void setMaxMeanDeviation(double v) { maxMeanDeviation_ = v; }

private:
    stSketch_c* iProcessLSEberlyIterative(stSketch_c* sketch);

    double maxMeanDeviation_;
};

// The older ellipse recognizer: a spline whose legs keep their direction becomes a line, one of
// six or more points that an ellipse fits (under the constraint 4 A C - B^2 = 1) becomes an
// elliptic arc. Every other entity is carried over as a clone.
class VEMORA_API stFeatureRecognizer_c : public stSketchProcessor_c {
public:
    stFeatureRecognizer_c();
    stFeatureRecognizer_c(const stFeatureRecognizer_c& other) = default;
    stFeatureRecognizer_c& operator=(const stFeatureRecognizer_c& other) = default;
    ~stFeatureRecognizer_c() override;

    // Consumes sketch and returns a new sketch owned by the caller; null for null. If it throws,
    // sketch is still the caller's.
    stSketch_c* process(stSketch_c* sketch) override;
    bool consumesInput() const override { return true; }

    // Largest mean distance, in sketch units, of a spline's points from its fitted ellipse.
    double maxMeanDeviation() const { return maxMeanDeviation_; }
    void setMaxMeanDeviation(double v) { maxMeanDeviation_ = v; }

private:
    double maxMeanDeviation_ = 1.0;
};

}  // namespace Vemora
