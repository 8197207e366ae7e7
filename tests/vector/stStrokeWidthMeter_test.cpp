// Stroke widths measured on rasters drawn here, and the split of a drawing's widths into thin and
// thick.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "rasterDrawing.h"

using namespace Vemora;
using vemora_test::kInk;

namespace {

constexpr double kWidthTol = 0.5;  // px

// A ring of ink: the pixels whose centres lie within width / 2 of the circle.
void drawRing(utRasterData_c& r, double cx, double cy, double radius, double width) {
    for (unsigned y = 0; y < r.height(); ++y)
        for (unsigned x = 0; x < r.width(); ++x)
            if (std::fabs(std::hypot(x - cx, y - cy) - radius) <= width / 2.0)
                r.setPixel(x, y, kInk);
}

stEntity_c* withWidth(stEntity_c* e, double width) {
    const stEntityAttributes_c a(0, 0, width);
    e->setAttributes(&a);
    return e;
}

}  // namespace

TEST(stStrokeWidthMeterTest, EntitiesTakeTheWidthOfTheirStrokesInATool) {
    // Drawn at (20, 10) of the raster; the sketch lies where a selection starting there puts it.
    utRasterData_c raster = vemora_test::blankRaster(220, 160);
    vemora_test::drawStroke(raster, 30, 40, 200, 40, 7.0);    // thick, horizontal
    vemora_test::drawStroke(raster, 40, 20, 180, 130, 2.0);   // thin, slanted, crosses the thick
    vemora_test::drawStroke(raster, 120, 20, 120, 150, 3.0);  // crosses both
    drawRing(raster, 60, 110, 25, 4.0);
    stSketch_c* sketch = new stSketch_c();
    const double dx = 20, dy = 10;
    sketch->addEntity(new stLine_c({30 + dx, 40 + dy}, {200 + dx, 40 + dy}));
    sketch->addEntity(new stLine_c({40 + dx, 20 + dy}, {180 + dx, 130 + dy}));
    sketch->addEntity(new stLine_c({120 + dx, 20 + dy}, {120 + dx, 150 + dy}));
    sketch->addEntity(new stCircle_c({60 + dx, 110 + dy}, 25));
    // Over paper only: nothing to measure, the width stays.
    sketch->addEntity(withWidth(new stLine_c({150 + dx, 140 + dy}, {210 + dx, 140 + dy}), 1.0));

    stToolContextImpl_c context(raster);
    context.setSelectionRectangle(dx, dy, dx + 220, dy + 160);
    context.setVectors(sketch);
    stStrokeWidthMeter_c meter;
    ASSERT_TRUE(meter.apply(&context));
    ASSERT_EQ(context.getVectors(), sketch);  // edited in place
    const double expected[] = {7.0, 2.0, 3.0, 4.0, 1.0};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(sketch->entityAt(i)->attributes().width(), expected[i], kWidthTol);
    }
}

TEST(stStrokeWidthMeterTest, WidthsSplitIntoThinAndThickOnlyWhenTheyFormTwoClasses) {
    stSketch_c two;
    // Long thick outlines of 6 to 7 px, thin lines of 2 to 2.5 px, one short line between.
    two.addEntity(withWidth(new stLine_c({0, 0}, {400, 0}), 7.0));
    two.addEntity(withWidth(new stLine_c({0, 10}, {400, 10}), 6.0));
    two.addEntity(withWidth(new stLine_c({0, 20}, {300, 20}), 2.0));
    two.addEntity(withWidth(new stLine_c({0, 30}, {300, 30}), 2.5));
    two.addEntity(withWidth(new stCircle_c({50, 50}, 20), 2.25));
    two.addEntity(withWidth(new stLine_c({0, 40}, {5, 40}), 3.0));
    const double thick = thickStrokeWidth(two);
    EXPECT_GT(thick, 3.0);
    EXPECT_LE(thick, 6.0);

    // One width, or widths close to each other, or none measured: no split.
    stSketch_c one;
    one.addEntity(withWidth(new stLine_c({0, 0}, {100, 0}), 3.0));
    one.addEntity(withWidth(new stLine_c({0, 10}, {100, 10}), 3.5));
    EXPECT_EQ(thickStrokeWidth(one), 0.0);
    // Widths of 3 to 8 px in one broad hump: the two halves lie 1.7 times apart, yet no width
    // class stands apart from another.
    stSketch_c hump;
    const double lengths[] = {100, 200, 300, 300, 200, 100};
    for (int w = 3; w <= 8; ++w)
        hump.addEntity(withWidth(new stLine_c({0, 10.0 * w}, {lengths[w - 3], 10.0 * w}), w));
    EXPECT_EQ(thickStrokeWidth(hump), 0.0);
    stSketch_c unmeasured;
    unmeasured.addEntity(new stLine_c({0, 0}, {100, 0}));
    unmeasured.addEntity(new stCircle_c({50, 50}, 20));
    EXPECT_EQ(thickStrokeWidth(unmeasured), 0.0);
    EXPECT_EQ(thickStrokeWidth(stSketch_c()), 0.0);
}
