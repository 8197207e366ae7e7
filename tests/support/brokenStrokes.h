#pragma once

// Sketches of strokes broken into short pieces, over a raster drawn to match: what a tracer leaves
// before refinement. Rows of horizontal strokes, each cut into lines of 10-19 pixels with gaps of
// 1-4 pixels; most gaps are inked, some are paper. The mixed form adds corners (a vertical piece
// starting just below a line end), splines, arcs, circles and points, a few strokes across the
// whole drawing and an entity whose extents were never computed.

#include <vemora/foundation/utRasterData.h>
#include <vemora/sketch/stSketch.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "rasterDrawing.h"

namespace vemora_test {

struct BrokenStrokes {
    Vemora::utRasterData_c raster;
    std::unique_ptr<Vemora::stSketch_c> sketch;
};

inline BrokenStrokes brokenStrokes(int entities, bool mixed, unsigned seed = 11) {
    using namespace Vemora;
    constexpr double kPitch = 9.0;  // between stroke rows
    const unsigned side = unsigned(std::sqrt(double(entities) * 19.0 * kPitch)) + 40u;
    BrokenStrokes out{blankRaster(side, side), std::make_unique<stSketch_c>()};
    std::mt19937 rng(seed);
    const auto pick = [&](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    stSketch_c& sketch = *out.sketch;
    const auto add = [&](stEntity_c* e) { sketch.addEntity(e); };

    if (mixed) {
        add(new stLine_c());  // never measured: its extents meet every box
        add(new stLine_c(utPoint_c(5, 6), utPoint_c(side - 5.0, side - 8.0)));  // across everything
    }
    int made = sketch.entitiesCount();
    for (double y = 6.0; y < side - 12.0 && made < entities; y += kPitch) {
        double x = 5.0;
        while (x < side - 30.0 && made < entities) {
            const double len = pick(10, 19), gap = pick(1, 4);
            const double y1 = y + pick(-1, 1) * 0.5, y2 = y + pick(-1, 1) * 0.5;
            const int kind = mixed ? pick(0, 19) : 0;
            const utPoint_c a(x, y1), b(x + len, y2);
            if (kind == 1) {
                add(new stSpline_c(std::vector<utPoint_c>{a, {x + len / 2, y + 0.5}, b}));
            } else if (kind == 2) {
                add(new stSpline_c(
                    std::vector<utPoint_c>{a, {x + len / 3, y}, {x + 2 * len / 3, y}, b}));
            } else if (kind == 3) {
                add(new stArc_c(a, utPoint_c(x + len / 2, y - 1.5), b));
            } else if (kind == 4) {
                add(new stCircle_c(utPoint_c(x + len / 2, y), 2.0));
            } else if (kind == 5) {
                add(new stPoint_c(utPoint_c(x + len / 2, y)));
                add(new stSpline_c(std::vector<utPoint_c>{a}));
                add(new stLine_c(a, b));
            } else {
                add(new stLine_c(a, b));
            }
            drawStroke(out.raster, a.x(), a.y(), b.x(), b.y(), 1.5);
            if (kind == 6 && y + 8 < side) {
                // A corner: a short vertical piece starting below the end just made.
                add(new stLine_c(utPoint_c(b.x() + 2, y + 2), utPoint_c(b.x() + 2, y + 7)));
                drawStroke(out.raster, b.x(), b.y(), b.x() + 2, y + 7, 1.5);
            }
            if (pick(0, 9) < 8) drawStroke(out.raster, b.x(), b.y(), b.x() + gap, y, 1.5);
            x += len + gap;
            made = sketch.entitiesCount();
        }
    }
    return out;
}

}  // namespace vemora_test
