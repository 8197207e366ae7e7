#include <vemora.h>

#include <gtest/gtest.h>

#include "xmlFromText.h"

using namespace Vemora;

TEST(stVectorizationParamsTest, EmptyElementSwitchesEveryGateOffAndZeroesEveryNumber) {
    auto doc = vemora_test::xmlFromText(L"<Params/>");
    ASSERT_NE(doc, nullptr);
    stVectorizationParams_c p;
    p.fromXml(doc->getDocumentElement());
    const bool gates[] = {p.runClasterization,
                          p.polygonalApproximation,
                          p.approximationMaxErrorUseWidth,
                          p.runRefiner,
                          p.linkCollinear,
                          p.linkCollinearUseWidth,
                          p.mergeGaps,
                          p.mergeGapsUseWidth,
                          p.runRecognizer,
                          p.roundedCornersRectangle,
                          p.rectangle,
                          p.triangle,
                          p.straightLine,
                          p.arc,
                          p.useWidth,
                          p.ellipseRecognition};
    for (bool g : gates) EXPECT_FALSE(g);
    const double numbers[] = {
        double(p.pixelClasterSize),  double(p.blackLevel),        double(p.initialLengthStep),
        p.widthDeviationThreshold,   double(p.scanLineThreshold), p.approximationMaxError,
        p.linkCollinearMaxDeviation, p.linkCollinearMaxDistance,  p.linkCollinearMaxWidthDeviation,
        p.mergeGapsMaxDistance,      p.recognizerMaxError,        p.ellipseDeviation,
        p.ellipseTolerance,          p.ellipseMaxEccentricity,    p.ellipseMinEccentricity};
    for (double n : numbers) EXPECT_EQ(n, 0.0);
}

TEST(stVectorizationParamsTest, NestedKeysReachTheirFields) {
    auto doc = vemora_test::xmlFromText(
        L"<Params>"
        L"<Raster><Clasterizer><RunClasterization>true</RunClasterization>"
        L"<PixelClasterSize>3</PixelClasterSize></Clasterizer></Raster>"
        L"<Algorithm><Sparse><BlackLevel>120</BlackLevel></Sparse></Algorithm>"
        L"<Vector><Refiner><MergeGaps>yes</MergeGaps><MergeGapsMaxDistance>4.5</"
        L"MergeGapsMaxDistance>"
        L"</Refiner><Recognizer><EllipseMinEccentricity>0.125</EllipseMinEccentricity></Recognizer>"
        L"</Vector></Params>");
    ASSERT_NE(doc, nullptr);
    stVectorizationParams_c p;
    p.fromXml(doc->getDocumentElement());
    EXPECT_TRUE(p.runClasterization);
    EXPECT_EQ(p.pixelClasterSize, 3);
    EXPECT_EQ(p.blackLevel, 120);
    EXPECT_TRUE(p.mergeGaps);
    EXPECT_EQ(p.mergeGapsMaxDistance, 4.5);
    EXPECT_EQ(p.ellipseMinEccentricity, 0.125);
    EXPECT_FALSE(p.runRefiner);
}

TEST(stVectorizationParamsTest, DistancesAndSizesHaveBoundsThatHoldTheDefaults) {
    double low = -1, high = -1;
    ASSERT_TRUE(
        stVectorizationParams_c::range(L"Vector\\Refiner\\MergeGapsMaxDistance", low, high));
    EXPECT_EQ(low, 0.0);
    EXPECT_EQ(high, 64.0);
    EXPECT_FALSE(stVectorizationParams_c::range(L"Algorithm\\Sparse\\BlackLevel", low, high));
    EXPECT_FALSE(stVectorizationParams_c::range(L"Vector\\Refiner\\MergeGaps", low, high));

    const stVectorizationParams_c p;
    const struct {
        const wchar_t* key;
        double value;
    } defaults[] = {{L"Raster\\Clasterizer\\PixelClasterSize", double(p.pixelClasterSize)},
                    {L"Vector\\Refiner\\LinkCollinearMaxDistance", p.linkCollinearMaxDistance},
                    {L"Vector\\Approximator\\MaxError", p.approximationMaxError},
                    {L"Vector\\Recognizer\\EllipseTolerance", p.ellipseTolerance}};
    for (const auto& d : defaults) {
        ASSERT_TRUE(stVectorizationParams_c::range(d.key, low, high));
        EXPECT_TRUE(low <= d.value && d.value <= high);
    }
}
