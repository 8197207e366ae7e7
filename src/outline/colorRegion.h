#pragma once

// The region the coloured outline tracer grows from a seed, and its rim on the four-times grid.
//
// Glossary:
// - mask: one byte per pixel: open (the working area, not reached yet), blocked (outside the
//   working area), reached (pushed by the fill; at the end: a pixel of the region) and rim;
// - limits: the fill enters columns 1 to maxX - 1 and rows 1 to maxY - 1 only;
// - region: the 8-connected pixels alike to the seed's colour that the fill reaches;
// - rim: the pixels next to the region that are not part of it: pixels of another colour, and
//   the pixels where the working area ends (past the limits, or blocked), so that a region that
//   reaches the end of the working area is still closed by its rim;
// - rim cells: the cells of the four-times grid (pixel (i, j) covers columns 4i to 4i + 3 and
//   rows 4j to 4j + 3) that lie in a rim pixel and touch a region pixel's cell: the line the
//   contour follower walks.
//
// Coordinates are held in 32 bits: a raster has fewer than 2^30 pixels, so four times its width
// or height still fits.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vemora {

class utColorSimilarity_c;
class utRasterData_c;

struct utGridPoint_c {
    uint32_t x = 0;
    uint32_t y = 0;
};

// A box of pixels, ends included.
struct utRegionBox_c {
    long minX = 0;
    long minY = 0;
    long maxX = -1;
    long maxY = -1;
    void widen(long x, long y);
};

class utRegionMask_c {
public:
    static constexpr unsigned char kOpen = 0;
    static constexpr unsigned char kReached = 1;
    static constexpr unsigned char kBlocked = 2;
    static constexpr unsigned char kRim = 7;

    // width x height blocked pixels. Throws std::bad_alloc.
    utRegionMask_c(unsigned width, unsigned height);

    // Opens columns x1 to x2 and rows y1 to y2, ends excluded, clipped to the mask.
    void open(long x1, long y1, long x2, long y2);

    long width() const { return width_; }
    long height() const { return height_; }
    unsigned char at(long x, long y) const { return cells_[index(x, y)]; }
    void set(long x, long y, unsigned char value) { cells_[index(x, y)] = value; }

private:
    size_t index(long x, long y) const { return size_t(y) * size_t(width_) + size_t(x); }

    long width_;
    long height_;
    std::vector<unsigned char> cells_;
};

// What growing one region leaves: its rim pixels and the box of every pixel it reached, rim
// included.
struct utRegion_c {
    std::vector<utGridPoint_c> rim;
    utRegionBox_c box;
};

// Whether the fill may enter pixel (x, y) under the limits.
inline bool insideFillLimits(long x, long y, long maxX, long maxY) {
    return x > 0 && y > 0 && x < maxX && y < maxY;
}

// Grows the region of the seed with an explicit stack, marking the mask. The seed must be open
// and inside the limits, and the limits inside the raster and the mask (maxX below the width,
// maxY below the height). Throws std::bad_alloc when the stack cannot grow.
utRegion_c growRegion(const utRasterData_c& raster, utRegionMask_c& mask, long maxX, long maxY,
                      utGridPoint_c seed, utColorSimilarity_c& similarity);

// The rim cells of a grown region, on the four-times grid of the whole image.
std::vector<utGridPoint_c> rimCells(const utRegionMask_c& mask, const utRegion_c& region);

}  // namespace Vemora
