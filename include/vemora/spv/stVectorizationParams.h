#pragma once

#include <vemora/config/stConfigurable.h>
#include <vemora/foundation/vemoraApi.h>

namespace Vemora {

// The parameter set of the one-call sketch tracer: which stages of the chain run and with which
// tolerances. It reads from nested elements named by the keys' backslash paths; a key missing from
// the element reads as 0 or false. Its fields are public.
class VEMORA_API stVectorizationParams_c : public stConfigurable_c {
public:
    stVectorizationParams_c() = default;
    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    void fromXml(stXmlElement_c* element) override;

    // The bounds of the distance and size keys, far outside any drawing; false for the other keys
    // (switches, the black level, cosines and ratios), whose every value is one the chain can work
    // with. Where the chain reads such a key it takes a value beyond the bounds as the nearer one.
    static bool range(const wchar_t* key, double& low, double& high);
    // The upper bound of the cluster size, in pixels (a width correction of 1700 pixels).
    static constexpr int kMaxPixelClasterSize = 1000;

    // Raster\Clasterizer: width correction of traced strokes by (int)(size * 1.7).
    bool runClasterization = true;
    int pixelClasterSize = 1;
    // Algorithm\Sparse: only the black level is read, as the refiners' darkness threshold.
    int blackLevel = 187;
    int initialLengthStep = 17;
    double widthDeviationThreshold = 3.0;
    int scanLineThreshold = 2;
    // Vector\Approximator
    bool polygonalApproximation = true;
    double approximationMaxError = 0.91;
    bool approximationMaxErrorUseWidth = false;
    // Vector\Refiner
    bool runRefiner = true;
    bool linkCollinear = false;
    double linkCollinearMaxDeviation = 0.85;
    bool linkCollinearUseWidth = false;
    double linkCollinearMaxDistance = 5.0;
    double linkCollinearMaxWidthDeviation = 2.0;
    bool mergeGaps = true;
    double mergeGapsMaxDistance = 8.0;
    bool mergeGapsUseWidth = true;
    // Vector\Recognizer
    bool runRecognizer = true;
    bool roundedCornersRectangle = true;
    bool rectangle = true;
    bool triangle = true;
    bool straightLine = true;
    bool arc = true;
    double recognizerMaxError = 0.45;
    bool useWidth = true;
    bool ellipseRecognition = true;
    double ellipseDeviation = 2.0;
    double ellipseTolerance = 0.7;
    double ellipseMaxEccentricity = 0.99;
    double ellipseMinEccentricity = 0.05;
};

}  // namespace Vemora
