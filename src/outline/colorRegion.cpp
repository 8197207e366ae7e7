#include "outline/colorRegion.h"

#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <array>

#include "outline/colorSimilarity.h"

namespace Vemora {

namespace {

using Mask = utRegionMask_c;

// The eight neighbours in the order the fill pushes them: right, down-right, down, down-left,
// left, up-left, up, up-right (y grows downward).
constexpr int kStepX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int kStepY[8] = {0, 1, 1, 1, 0, -1, -1, -1};

// The bit of the neighbour pixel at offset (ox, oy), each -1, 0 or 1, not both 0.
constexpr int neighbourBit(int ox, int oy) {
    for (int k = 0; k < 8; ++k)
        if (kStepX[k] == ox && kStepY[k] == oy) return 1 << k;
    return 0;
}

// For each of the 16 cells of a pixel on the four-times grid (row by row), the neighbour pixels
// that one of the cell's eight neighbouring cells lies in.
constexpr std::array<int, 16> kCellTouches = [] {
    std::array<int, 16> touches{};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int ox = i + dx < 0 ? -1 : (i + dx > 3 ? 1 : 0);
                    const int oy = j + dy < 0 ? -1 : (j + dy > 3 ? 1 : 0);
                    if (ox != 0 || oy != 0) touches[size_t(j * 4 + i)] |= neighbourBit(ox, oy);
                }
    return touches;
}();

}  // namespace

void utRegionBox_c::widen(long x, long y) {
    if (minX > maxX) {
        minX = maxX = x;
        minY = maxY = y;
        return;
    }
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
}

utRegionMask_c::utRegionMask_c(unsigned width, unsigned height)
    : width_(long(width)), height_(long(height)), cells_(size_t(width) * height, kBlocked) {}

void utRegionMask_c::open(long x1, long y1, long x2, long y2) {
    x1 = std::max(x1, 0L);
    y1 = std::max(y1, 0L);
    x2 = std::min(x2, width_);
    y2 = std::min(y2, height_);
    for (long y = y1; y < y2; ++y)
        std::fill(cells_.begin() + long(index(x1, y)), cells_.begin() + long(index(x2, y)), kOpen);
}

// =============================================================================================
// The fill

utRegion_c growRegion(const utRasterData_c& raster, Mask& mask, long maxX, long maxY,
                      utGridPoint_c seed, utColorSimilarity_c& similarity) {
    utRegion_c region;
    std::vector<utGridPoint_c> stack{seed};
    mask.set(seed.x, seed.y, Mask::kReached);
    region.box.widen(seed.x, seed.y);
    while (!stack.empty()) {
        const utGridPoint_c p = stack.back();
        stack.pop_back();
        if (!similarity.similar(raster.pixel(p.x, p.y))) {
            mask.set(p.x, p.y, Mask::kRim);
            region.rim.push_back(p);
            continue;
        }
        // Region pixels lie inside the limits, so every neighbour lies in the raster.
        for (int k = 0; k < 8; ++k) {
            const long x = long(p.x) + kStepX[k], y = long(p.y) + kStepY[k];
            const unsigned char v = mask.at(x, y);
            if (v == Mask::kOpen && insideFillLimits(x, y, maxX, maxY)) {
                mask.set(x, y, Mask::kReached);
                stack.push_back({uint32_t(x), uint32_t(y)});
            } else if (v == Mask::kOpen || v == Mask::kBlocked) {
                // The working area ends here.
                mask.set(x, y, Mask::kRim);
                region.rim.push_back({uint32_t(x), uint32_t(y)});
            } else {
                continue;
            }
            region.box.widen(x, y);
        }
    }
    return region;
}

// =============================================================================================
// The rim on the four-times grid

std::vector<utGridPoint_c> rimCells(const Mask& mask, const utRegion_c& region) {
    std::vector<utGridPoint_c> cells;
    const auto reached = [&](long x, long y) {
        return x >= 0 && y >= 0 && x < mask.width() && y < mask.height() &&
               mask.at(x, y) == Mask::kReached;
    };
    for (const utGridPoint_c& p : region.rim) {
        int around = 0;
        for (int k = 0; k < 8; ++k)
            if (reached(long(p.x) + kStepX[k], long(p.y) + kStepY[k])) around |= 1 << k;
        if (!around) continue;
        for (uint32_t c = 0; c < 16; ++c)
            if (kCellTouches[c] & around) cells.push_back({4 * p.x + c % 4, 4 * p.y + c / 4});
    }
    return cells;
}

}  // namespace Vemora
