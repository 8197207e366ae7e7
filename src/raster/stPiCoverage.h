#pragma once

// The covered set of the row interval index: which places some footprint covers, without telling
// by which object. The index keeps one beside its nodes to answer yes-or-no questions without
// splitting them; a tracer, which asks nothing else, keeps one alone.

#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utSkewRectSlicer.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vemora {

class stPiRow_c;

// (int)y / step, with values beyond the int range (and NaN) pinned instead of being converted
// with undefined behaviour.
inline int piRowOf(double y, int step) {
    int iy = INT_MIN;
    if (y >= 2147483647.0) {
        iy = INT_MAX;
    } else if (y > -2147483648.0) {
        iy = static_cast<int>(y);
    }
    return step == 1 ? iy : iy / step;  // nearly always 1: no division
}

// Calls f(row, a, b) for every row of the footprint of r in an index of `rows` rows of `step`
// raster rows each, until f returns true; returns whether it did. The rows run from
// (int)minY / step to (int)maxY / step, clamped to the index. Within one row the whole x range of
// the corners is used; otherwise each row takes the span of the cut at y = row * step, and rows
// whose cut misses the rectangle are skipped.
template <class F>
bool walkPiFootprint(const utSkewRect_c& r, int step, int rows, F&& f) {
    if (rows <= 0) return false;
    const utSkewRectSlicer_c slicer(r);
    const double y0 = slicer.minY();
    const double y1 = slicer.maxY();
    const double x0 = slicer.minX();
    const double x1 = slicer.maxX();
    if (!std::isfinite(y0) || !std::isfinite(y1) || !std::isfinite(x0) || !std::isfinite(x1)) {
        return false;
    }
    const int first = std::max(piRowOf(y0, step), 0);
    const int last = std::min(piRowOf(y1, step), rows - 1);
    if (first > last) return false;
    if (first == last) return f(first, x0, x1);
    double a = 0.0;
    double b = 0.0;
    if (slicer.sameCutY(a, b)) {
        // Axis parallel: each row's cut within the rectangle is the same span.
        for (int row = first; row <= last; ++row) {
            const double y = static_cast<double>(row) * step;
            if (y >= y0 && y <= y1 && f(row, a, b)) return true;
        }
        return false;
    }
    for (int row = first; row <= last; ++row) {
        if (slicer.sliceY(static_cast<double>(row) * step, a, b) && f(row, a, b)) return true;
    }
    return false;
}

// The covered set of one row: the union of the spans added, as merged spans and, for quick
// answers, as bits.
class stPiCoveredRow_c {
public:
    // Rows keep bits for x from 0 up to here; anything beyond is looked up in the spans.
    static constexpr double kBitLimit = double(1 << 20);

    // Adds [a, b] (a <= b, neither NaN); bits that must grow take at least `words` words.
    void cover(double a, double b, std::size_t words = 0);
    // The covered set anew from the nodes of a row, after some were dropped.
    void coverNodes(const stPiRow_c& row);

    // Whether x is covered.
    bool covers(double x) const;
    // covers(x) for a whole x, without the conversions.
    bool coversWhole(int x) const {
        if (x < 0 || double(x) >= kBitLimit) return covers(double(x));
        return hasPoint(std::size_t(x));
    }
    // Whether something covered meets [a, b] (a <= b).
    bool coversSome(double a, double b) const;

    // How many words the bits take.
    std::size_t bitWords() const { return points_.size(); }

private:
    // A piece of the covered set: disjoint, sorted, merged where pieces touch.
    struct Span {
        double a;
        double b;
    };

    // Merges the spans waiting into the merged ones.
    void mergeFresh();
    // Whether a covered span, merged or waiting, meets [a, b] (a <= b).
    bool spansMeet(double a, double b) const;
    // Bit k of points_ (k < 2^20).
    bool hasPoint(std::size_t k) const {
        return k / 64 < points_.size() && ((points_[k / 64] >> (k % 64)) & 1u) != 0;
    }

    // Spans added wait unsorted in fresh_ until kFreshSpans of them are merged into covered_ at
    // once; questions look through both, which is rare, as the bits below answer nearly every one.
    std::vector<Span> covered_;
    std::vector<Span> fresh_;
    static constexpr std::size_t kFreshSpans = 128;
    // The same set by whole numbers, for quick answers (0 <= k < 2^20): bit k of points_ tells
    // whether k is covered; pieces_ lists, sorted, the k whose [k, k + 1] a span holding none of
    // these numbers meets, which few do (tens of thousands of places on a large drawing, against
    // millions of points).
    std::vector<std::uint64_t> points_;
    std::vector<std::uint32_t> pieces_;
};

// The covered set over the raster plane, row by row (row r holds the raster y values with
// (int)y / step == r), with a coarse map of where anything is covered at all.
class stPiCoverage_c {
public:
    // Drops all rows and makes `rows` empty ones of `step` raster rows each (at least 1).
    void reset(int rows, int step);

    int step() const { return step_; }
    int countRows() const { return static_cast<int>(rows_.size()); }
    const stPiCoveredRow_c& row(int r) const { return rows_[static_cast<std::size_t>(r)]; }

    // Adds [a, b] (a <= b, neither NaN) to the covered set of a row of the index.
    void cover(int row, double a, double b);
    // Adds the footprints of the rectangles; returns whether any of them met a row. The pieces
    // of one stroke cross the same rows over and over, so they are best added together.
    bool add(const utSkewRect_c* rects, std::size_t count);
    bool add(const std::vector<utSkewRect_c>& rects) { return add(rects.data(), rects.size()); }
    // The covered set of a row anew from its nodes, after some were dropped.
    void coverNodes(int row, const stPiRow_c& nodes) {
        rows_[static_cast<std::size_t>(row)].coverNodes(nodes);
    }

    // Whether the whole-numbered place (x, y) of the raster is covered.
    bool covers(int x, int y) const {
        const int r = step_ == 1 ? y : y / step_;
        if (r < 0 || r >= countRows()) return false;
        return rows_[static_cast<std::size_t>(r)].coversWhole(x);
    }
    // Whether something covered meets the footprint of r.
    bool meets(const utSkewRect_c& r) const;
    // A quick, coarse question: false when nothing covered lies in the rows (int)y1 / step to
    // (int)y2 / step within x1 <= x <= x2; true may mean only that something covered lies near.
    bool mayCover(double x1, double y1, double x2, double y2) const;

private:
    // Adds [a, b] to a row, with bits as wide as the widest row's so far.
    void coverRow(int row, double a, double b);
    // Marks the tiles that [a, b] of a row meets.
    void markTiles(int row, double a, double b);

    int step_ = 1;
    std::vector<stPiCoveredRow_c> rows_;
    std::size_t bitWords_ = 0;  // the widest bits of any row so far, in words
    // While several footprints go in together, the span each row has gathered so far; the spans
    // of one call carry its stamp.
    struct Gathered {
        double a = 0.0;
        double b = 0.0;
        std::uint32_t stamp = 0;
    };
    std::vector<Gathered> gathered_;
    std::vector<int> gatheredRows_;
    std::uint32_t stamp_ = 0;
    // The covered set in coarse tiles, for mayCover: bit i of tile row t is set when something
    // covered has met x in [8 i, 8 i + 8) on one of the rows 8 t to 8 t + 7 (x taken within the
    // rows' bits). Tiles stay marked when the covered set shrinks.
    std::vector<std::uint64_t> tiles_;
    std::size_t tileWords_ = 0;  // words per tile row
    struct Marked {
        std::size_t row = ~std::size_t(0);
        std::size_t first = 0;
        std::size_t last = 0;
    } marked_;  // the tiles marked last
};

}  // namespace Vemora
