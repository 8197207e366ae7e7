#pragma once

// Rasters drawn in code for tests and benchmarks: ink is 0x00000000, paper 0x00FFFFFF.

#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace vemora_test {

constexpr uint32_t kInk = 0x00000000u;
constexpr uint32_t kPaper = 0x00FFFFFFu;

// '#' is ink, anything else paper; all rows must have the same length.
inline Vemora::utRasterData_c rasterFromAscii(std::initializer_list<const char*> rows) {
    const unsigned h = unsigned(rows.size());
    const unsigned w = h ? unsigned(std::strlen(*rows.begin())) : 0u;
    Vemora::utRasterData_c r(w, h);
    unsigned y = 0;
    for (const char* row : rows) {
        for (unsigned x = 0; x < w; ++x) r.setPixel(x, y, row[x] == '#' ? kInk : kPaper);
        ++y;
    }
    return r;
}

inline Vemora::utRasterData_c blankRaster(unsigned w, unsigned h) {
    Vemora::utRasterData_c r(w, h);
    std::fill(r.data(), r.data() + size_t(w) * h, kPaper);
    return r;
}

// Inks the pixels whose centres lie within width/2 of the segment (x1, y1)-(x2, y2).
inline void drawStroke(Vemora::utRasterData_c& r, double x1, double y1, double x2, double y2,
                       double width, uint32_t ink = kInk) {
    const double half = width / 2.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double len2 = dx * dx + dy * dy;
    const int xa = std::max(0, int(std::floor(std::min(x1, x2) - half)));
    const int xb = std::min(int(r.width()) - 1, int(std::ceil(std::max(x1, x2) + half)));
    const int ya = std::max(0, int(std::floor(std::min(y1, y2) - half)));
    const int yb = std::min(int(r.height()) - 1, int(std::ceil(std::max(y1, y2) + half)));
    for (int y = ya; y <= yb; ++y) {
        for (int x = xa; x <= xb; ++x) {
            double t = len2 > 0 ? ((x - x1) * dx + (y - y1) * dy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = x - (x1 + t * dx), ey = y - (y1 + t * dy);
            if (ex * ex + ey * ey <= half * half) r.setPixel(unsigned(x), unsigned(y), ink);
        }
    }
}

// Inks the box [x1, x2] x [y1, y2], ends included.
inline void fillBox(Vemora::utRasterData_c& r, int x1, int y1, int x2, int y2,
                    uint32_t ink = kInk) {
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) r.setPixel(unsigned(x), unsigned(y), ink);
}

}  // namespace vemora_test
