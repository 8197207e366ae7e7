#include <vemora/spv/stVectorizationParams.h>

#include <cwchar>

#include "config/propertyTable.h"
#include "vector/sketchRefinerEngines.h"

namespace Vemora {

namespace {
using Params = stVectorizationParams_c;

const tmpPropertyTable_c<Params>& properties() {
    static const tmpPropertyTable_c<Params> table = [] {
        tmpPropertyTable_c<Params> t;
        t.boolean(L"Raster\\Clasterizer\\RunClasterization", &Params::runClasterization)
            .integer(L"Raster\\Clasterizer\\PixelClasterSize", &Params::pixelClasterSize)
            .integer(L"Algorithm\\Sparse\\BlackLevel", &Params::blackLevel)
            .integer(L"Algorithm\\Sparse\\InitialLengthStep", &Params::initialLengthStep)
            .real(L"Algorithm\\Sparse\\WidthDeviationThreshold", &Params::widthDeviationThreshold)
            .integer(L"Algorithm\\Sparse\\ScanLineThreshold", &Params::scanLineThreshold)
            .boolean(L"Vector\\Approximator\\PolygonalApproximation",
                     &Params::polygonalApproximation)
            .real(L"Vector\\Approximator\\MaxError", &Params::approximationMaxError)
            .boolean(L"Vector\\Approximator\\MaxErrorUseWidth",
                     &Params::approximationMaxErrorUseWidth)
            .boolean(L"Vector\\Refiner\\RunRefiner", &Params::runRefiner)
            .boolean(L"Vector\\Refiner\\LinkCollinear", &Params::linkCollinear)
            .real(L"Vector\\Refiner\\LinkCollinearMaxDeviation", &Params::linkCollinearMaxDeviation)
            .boolean(L"Vector\\Refiner\\LinkCollinearUseWidth", &Params::linkCollinearUseWidth)
            .real(L"Vector\\Refiner\\LinkCollinearMaxDistance", &Params::linkCollinearMaxDistance)
            .real(L"Vector\\Refiner\\LinkCollinearMaxWidthDeviation",
                  &Params::linkCollinearMaxWidthDeviation)
            .boolean(L"Vector\\Refiner\\MergeGaps", &Params::mergeGaps)
            .real(L"Vector\\Refiner\\MergeGapsMaxDistance", &Params::mergeGapsMaxDistance)
            .boolean(L"Vector\\Refiner\\MergeGapsUseWidth", &Params::mergeGapsUseWidth)
            .boolean(L"Vector\\Recognizer\\RunRecognizer", &Params::runRecognizer)
            .boolean(L"Vector\\Recognizer\\RoundedCornersRectangle",
                     &Params::roundedCornersRectangle)
            .boolean(L"Vector\\Recognizer\\Rectangle", &Params::rectangle)
            .boolean(L"Vector\\Recognizer\\Triangle", &Params::triangle)
            .boolean(L"Vector\\Recognizer\\StraightLine", &Params::straightLine)
            .boolean(L"Vector\\Recognizer\\Arc", &Params::arc)
            .real(L"Vector\\Recognizer\\MaxError", &Params::recognizerMaxError)
            .boolean(L"Vector\\Recognizer\\UseWidth", &Params::useWidth)
            .boolean(L"Vector\\Recognizer\\EllipseRecognition", &Params::ellipseRecognition)
            .real(L"Vector\\Recognizer\\EllipseDeviation", &Params::ellipseDeviation)
            .real(L"Vector\\Recognizer\\EllipseTolerance", &Params::ellipseTolerance)
            .real(L"Vector\\Recognizer\\EllipseMaxEccentricity", &Params::ellipseMaxEccentricity)
            .real(L"Vector\\Recognizer\\EllipseMinEccentricity", &Params::ellipseMinEccentricity);
        return t;
    }();
    return table;
}

stConfigurable_c* create() { return new stVectorizationParams_c(); }

// Sizes and tolerances in pixels above this describe no drawing.
constexpr double kMaxLength = 1000.0;

struct tmpRange_c {
    const wchar_t* key;
    double low, high;
};

const tmpRange_c kRanges[] = {
    {L"Raster\\Clasterizer\\PixelClasterSize", 0.0, Params::kMaxPixelClasterSize},
    {L"Algorithm\\Sparse\\InitialLengthStep", 0.0, kMaxLength},
    {L"Algorithm\\Sparse\\WidthDeviationThreshold", 0.0, kMaxLength},
    {L"Algorithm\\Sparse\\ScanLineThreshold", 0.0, kMaxLength},
    {L"Vector\\Approximator\\MaxError", 0.0, kMaxLength},
    {L"Vector\\Refiner\\LinkCollinearMaxDistance", 0.0, kMaxRefinerDistance},
    {L"Vector\\Refiner\\MergeGapsMaxDistance", 0.0, kMaxRefinerDistance},
    {L"Vector\\Recognizer\\MaxError", 0.0, kMaxLength},
    {L"Vector\\Recognizer\\EllipseDeviation", 0.0, kMaxLength},
    {L"Vector\\Recognizer\\EllipseTolerance", 0.0, kMaxLength},
};
}  // namespace

bool stVectorizationParams_c::range(const wchar_t* key, double& low, double& high) {
    if (!key) return false;
    for (const tmpRange_c& r : kRanges) {
        if (std::wcscmp(key, r.key) != 0) continue;
        low = r.low;
        high = r.high;
        return true;
    }
    return false;
}

stDescriptor_c* stVectorizationParams_c::desc() {
    static stDescriptor_c d(L"SpvVectorizationParams", &create, stConfigurable_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stVectorizationParams_c::isA() { return desc(); }

stXmlElement_c* stVectorizationParams_c::toXml(stXmlElement_c* element) const { return element; }

void stVectorizationParams_c::fromXml(stXmlElement_c* element) {
    properties().read(*this, element);
}

}  // namespace Vemora
