#include <vemora/engine/stSketchTracer.h>

#include <vemora/foundation/utException.h>
#include <vemora/spv/stSpvAlgorithm.h>
#include <vemora/vector/stEntityRecognizer.h>

#include <cassert>
#include <memory>

#include "vector/sketchRefinerEngines.h"

namespace Vemora {

namespace {
// White pixels a link between two ends may cross and still count as running over ink.
constexpr int kMaxWhitePixels = 2;

constexpr wchar_t kNoPixels[] = L"No pixels!";

// The host's pixels copied into a raster of the tracer's own. An image of no pixels needs no
// block; one of some pixels without a block is refused.
utRasterData_c copyPixels(const int* pixels, int width, int height) {
    if (!pixels && width != 0 && height != 0) throw utException_c(kNoPixels);
    return utRasterData_c(unsigned(width), unsigned(height), pixels);
}
}  // namespace

stSketch_c* stSketchTracer_c::trace(int* pixels, int width, int height, int dx, int dy) {
    utRasterData_c raster = copyPixels(pixels, width, height);
    return trace(&raster, nullptr, dx, dy);
}

stSketch_c* stSketchTracer_c::traceFromPoint(int* pixels, int width, int height, int x, int y) {
    utRasterData_c raster = copyPixels(pixels, width, height);
    assert(x >= 0 && y >= 0 && x < width && y < height && "the start pixel lies inside the image");
    const utPoint_c start(x, y);
    return trace(&raster, &start, 0, 0);
}

stSketch_c* stSketchTracer_c::trace(utRasterData_c* raster, const utPoint_c* start, int dx,
                                    int dy) {
    std::unique_ptr<stSketch_c> sketch;
    {
        // The tracer's working memory (its index and SPV sketch) is gone before the refiners run.
        stSpvAlgorithm_c spv;
        spv.setParams(params);
        sketch.reset(spv.trace(raster, start, double(dx), double(dy)));
    }
    if (!sketch) return nullptr;

    if (params.runRefiner) {
        // The refiners look at the raster under the sketch: the host's offset is taken off again
        // to find the pixel of a sketch point.
        if (params.mergeGaps) {
            tmpGapsRefiner_c gaps(sketch.get(), raster, params.blackLevel, kMaxWhitePixels,
                                  params.mergeGapsMaxDistance, 1.0, 1.0, double(dx), double(dy),
                                  0.0, nullptr);
            gaps.run(sketch.get());
        }
        if (params.linkCollinear) {
            tmpLinkCollinear_c link(
                sketch.get(), params.linkCollinearMaxDistance, params.linkCollinearMaxDistance,
                params.linkCollinearMaxDeviation, params.linkCollinearMaxWidthDeviation, 1.0, 1.0,
                double(dx), double(dy), kMaxWhitePixels, params.blackLevel, raster);
            link.run(sketch.get());
        }
    }

    if (params.runRecognizer) {
        stEntityRecognizer_c recognizer(sketch.get(), 1.0, 0.65, 1.0);
        recognizer.setMaxError(params.recognizerMaxError);
        recognizer.setApproximationMaxError(params.approximationMaxError);
        recognizer.setEllipseRecognition(params.ellipseRecognition);
        recognizer.setEllipseTolerance(params.ellipseTolerance);
        recognizer.setEllipseDeviation(params.ellipseDeviation);
        recognizer.setEllipseMaxEccentricity(params.ellipseMaxEccentricity);
        recognizer.setEllipseMinEccentricity(params.ellipseMinEccentricity);
        // The recognizer deletes the sketch it is given once it has made the new one.
        stSketch_c* recognised = recognizer.process(sketch.get());
        sketch.release();
        sketch.reset(recognised);
    }
    return sketch.release();
}

}  // namespace Vemora
