#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/spv/stSpvSketch.h>
#include <vemora/spv/stVectorizationParams.h>

#include <memory>

namespace Vemora {

class stSpvAlgorithmImpl_c;

// Sparse pixel vectorization: finds the strokes of a black-on-white line drawing on scan lines a
// few pixels apart, follows each one in jumps of up to a length step while its width stays steady,
// and collects them as bars and polybars along the stroke centres. Pixels already explained by a
// traced stroke are known through a row interval index over the strokes' footprints.
//
// The result is a sketch of lines (strokes traced as two points) and splines through the stroke
// centres. Settings (configuration keys): "BlackLevel" 187, "LengthStepLength" 17 pixels,
// "MaxWidthDeviation" 3.0, "ScanLineThreshold" 2 pixels.
//
// Directions: 0 left (-x), 1 up (-y), 2 right (+x), 3 down (+y); y points down the raster.
class VEMORA_API stSpvAlgorithm_c : public stTracingAlgorithm_c {
public:
    stSpvAlgorithm_c();
    stSpvAlgorithm_c(const stSpvAlgorithm_c& other);
    stSpvAlgorithm_c& operator=(const stSpvAlgorithm_c& other);
    ~stSpvAlgorithm_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0.
    void fromXml(stXmlElement_c* element) override;

    // Traces the whole raster, or with start (a pixel inside the raster) only the stroke through
    // it, and returns a new sketch, owned by the caller, shifted by (dx, dy). raster must not be
    // null; it is read, not kept.
    stSketch_c* trace(utRasterData_c* raster, const utPoint_c* start, double dx,
                      double dy) override;

    // Keeps only the corner points of a polybar: a cone of half-width tolerance is opened from the
    // last corner towards each point and narrowed, and the point before the first one outside it
    // becomes the next corner. The caller owns the result.
    static stSpvPolybar_c* polygonalApproximation(const stSpvPolybar_c& polybar, double tolerance);

    // The parameter set; only its clusterization entries reach the tracing (width correction).
    const stVectorizationParams_c& params() const;
    void setParams(const stVectorizationParams_c& params);
    int lengthStep() const;
    void setLengthStep(int step);
    double maxWidthDeviation() const;
    void setMaxWidthDeviation(double deviation);
    int scanStep() const;
    void setScanStep(int step);

    int blackLevel() const;
    // Refuses values outside 0-255 (false, level unchanged).
    bool setBlackLevel(int level);

    // Ink test: the mean of the three channels is strictly below the black level. No bounds check.
    // Only a run has a raster: outside one nothing is black.
    bool isBlack(int col, int row) const;

private:
    // The settings, the primitives of the last run and the working state of a run.
    std::unique_ptr<stSpvAlgorithmImpl_c> impl_;
};

}  // namespace Vemora
