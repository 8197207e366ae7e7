#pragma once

// A deterministic synthetic line drawing for speed measurements: straight strokes at many angles,
// stroke widths 1 to 6, plus rectangles and polyline "circles" made of short strokes.

#include "rasterDrawing.h"

#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <tuple>

namespace vemora_bench {

inline Vemora::utRasterData_c syntheticDrawing(unsigned w, unsigned h, int strokes,
                                               unsigned seed = 7) {
    Vemora::utRasterData_c r = vemora_test::blankRaster(w, h);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(20.0, w - 20.0), uy(20.0, h - 20.0);
    std::uniform_real_distribution<double> ulen(40.0, 600.0), uangle(0.0, 2 * M_PI);
    std::uniform_int_distribution<int> uwidth(1, 6), ukind(0, 9);
    for (int i = 0; i < strokes; ++i) {
        const double x = ux(rng), y = uy(rng), width = uwidth(rng);
        const int kind = ukind(rng);
        if (kind < 7) {  // a straight stroke, a third of them axis-parallel
            const double a = kind < 2 ? 0.0 : kind < 3 ? M_PI / 2 : uangle(rng);
            const double l = ulen(rng);
            vemora_test::drawStroke(r, x, y, std::clamp(x + l * std::cos(a), 1.0, w - 2.0),
                                    std::clamp(y + l * std::sin(a), 1.0, h - 2.0), width);
        } else if (kind < 9) {  // a circle of 48 chords
            const double rad = std::min({ulen(rng) / 3.0, x - 5, y - 5, w - x - 5, h - y - 5});
            for (int k = 0; k < 48; ++k) {
                const double a0 = k * 2 * M_PI / 48, a1 = (k + 1) * 2 * M_PI / 48;
                vemora_test::drawStroke(r, x + rad * std::cos(a0), y + rad * std::sin(a0),
                                        x + rad * std::cos(a1), y + rad * std::sin(a1), width);
            }
        } else {  // an axis-parallel rectangle
            const double x2 = std::min(x + ulen(rng) / 2, w - 5.0),
                         y2 = std::min(y + ulen(rng) / 2, h - 5.0);
            vemora_test::drawStroke(r, x, y, x2, y, width);
            vemora_test::drawStroke(r, x2, y, x2, y2, width);
            vemora_test::drawStroke(r, x2, y2, x, y2, width);
            vemora_test::drawStroke(r, x, y2, x, y, width);
        }
    }
    return r;
}

struct DrawingSize {
    unsigned w, h;
    int strokes;
};
// A3 and A0 at 300 dpi, with a stroke density like a busy engineering drawing.
constexpr DrawingSize kA3{3508, 4961, 900};
constexpr DrawingSize kA0{9933, 14043, 7000};

// The drawing of that size, drawn on the first call and kept for the program's run.
inline const Vemora::utRasterData_c& cachedDrawing(const DrawingSize& s) {
    static std::map<std::tuple<unsigned, unsigned, int>, std::unique_ptr<Vemora::utRasterData_c>>
        cache;
    auto& slot = cache[{s.w, s.h, s.strokes}];
    if (!slot)
        slot = std::make_unique<Vemora::utRasterData_c>(syntheticDrawing(s.w, s.h, s.strokes));
    return *slot;
}

}  // namespace vemora_bench
