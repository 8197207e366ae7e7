// The one-call path: pixels in, a refined and recognised sketch out.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "rasterDrawing.h"

using namespace Vemora;
using namespace vemora_test;

namespace {

// Every vertex of every line and spline, in sketch order.
std::vector<utPoint_c> verticesOf(const stSketch_c& sketch) {
    std::vector<utPoint_c> out;
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        const stEntity_c* e = sketch.entityAt(i);
        if (const auto* line = dynamic_cast<const stLine_c*>(e)) {
            out.push_back(line->p1());
            out.push_back(line->p2());
        } else if (const auto* spline = dynamic_cast<const stSpline_c*>(e)) {
            out.insert(out.end(), spline->points().begin(), spline->points().end());
        }
    }
    return out;
}

// An L of two 5 px strokes meeting at (30, 120): the tracer leaves their ends apart at the corner.
utRasterData_c corner() {
    utRasterData_c r = blankRaster(200, 160);
    fillBox(r, 28, 20, 32, 122);   // vertical, centre column 30
    fillBox(r, 28, 118, 170, 122); // horizontal, centre row 120
    return r;
}

std::vector<int> pixelsOf(const utRasterData_c& r) {
    return std::vector<int>(r.data(), r.data() + size_t(r.width()) * r.height());
}

}  // namespace

TEST(stSketchTracerTest, RefinersSeeThePixelsUnderTheSketchWhateverTheOffset) {
    // Regression: the refiners were handed the sketch with the host's offset applied but read the
    // raster as if there were none, so an offset changed which gaps they merged.
    utRasterData_c r = corner();
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.linkCollinear = true;
    std::unique_ptr<stSketch_c> plain(tracer.trace(&r, nullptr, 0, 0));
    std::unique_ptr<stSketch_c> shifted(tracer.trace(&r, nullptr, 400, -250));
    const auto a = verticesOf(*plain), b = verticesOf(*shifted);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_FALSE(a.empty());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(b[i].x(), a[i].x() + 400, 1e-9) << i;
        EXPECT_NEAR(b[i].y(), a[i].y() - 250, 1e-9) << i;
    }

    tracer.params.runRefiner = false;
    std::unique_ptr<stSketch_c> unrefined(tracer.trace(&r, nullptr, 0, 0));
    EXPECT_NE(verticesOf(*unrefined), a);  // the refiners did move something here
}

TEST(stSketchTracerTest, RefinerGateSkipsBothRefinerStages) {
    utRasterData_c r = corner();
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.runRefiner = false;
    tracer.params.linkCollinear = true;
    std::unique_ptr<stSketch_c> gated(tracer.trace(&r, nullptr, 0, 0));
    stSpvAlgorithm_c spv;
    std::unique_ptr<stSketch_c> traced(spv.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(verticesOf(*gated), verticesOf(*traced));
}

TEST(stSketchTracerTest, BlackLevelParameterReachesOnlyTheRefiners) {
    // Grey ink (mean 150) is ink for the tracer's own level of 187 whatever the parameter says.
    utRasterData_c r = blankRaster(160, 60);
    fillBox(r, 10, 20, 150, 24, 0x00969696u);
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.blackLevel = 100;  // the grey is paper for the refiners
    std::unique_ptr<stSketch_c> sketch(tracer.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(sketch->entitiesCount(), 1);
}

TEST(stSketchTracerTest, PixelEntryPointsCopyTheHostsPixels) {
    utRasterData_c r = corner();
    std::vector<int> pixels = pixelsOf(r);
    stSketchTracer_c tracer;
    std::unique_ptr<stSketch_c> fromPixels(tracer.trace(pixels.data(), 200, 160, 0, 0));
    std::unique_ptr<stSketch_c> fromRaster(tracer.trace(&r, nullptr, 0, 0));
    ASSERT_EQ(fromPixels->entitiesCount(), fromRaster->entitiesCount());
    EXPECT_EQ(verticesOf(*fromPixels), verticesOf(*fromRaster));
    EXPECT_EQ(pixels, pixelsOf(r));  // the host's block is left as it was

    std::unique_ptr<stSketch_c> white(tracer.traceFromPoint(pixels.data(), 200, 160, 100, 50));
    EXPECT_EQ(white->entitiesCount(), 0);
    std::unique_ptr<stSketch_c> one(tracer.traceFromPoint(pixels.data(), 200, 160, 100, 120));
    EXPECT_EQ(one->entitiesCount(), 1);
}
