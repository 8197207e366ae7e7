#pragma once

// What the outline tracers share: a grid of one character per cell in which the cells that
// border dark regions are marked, the finder and follower that walk each chain of marked cells
// with an 8-direction chain code, the shrink of chains traced on a four-times-enlarged grid, and
// the emission of chains as closed polygonal splines.
//
// Glossary:
// - cell: one byte of the grid, '1' background (also the initial fill and the border), '0' dark,
//   'c' contour cell (background touching dark), 'v' a contour cell a walk has visited;
// - chain code: one step to one of the eight neighbours (y grows downward):
//   '0' (1, 0), '1' (1, -1), '2' (0, -1), '3' (-1, -1), '4' (-1, 0), '5' (-1, 1), '6' (0, 1),
//   '7' (1, 1);
// - contour: a start cell, the codes of the walk from it, and the box of the cells walked.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Vemora {

class stSketch_c;

class utOutlineGrid_c {
public:
    static constexpr unsigned char kBackground = '1';
    static constexpr unsigned char kDark = '0';
    static constexpr unsigned char kContour = 'c';
    static constexpr unsigned char kVisited = 'v';

    // width x height cells, counted in size_t; throws std::bad_alloc when their product does not
    // fit, exceeds what any raster of this library can call for, or the memory cannot be had.
    static size_t cellCount(size_t width, size_t height);

    // width x height background cells, with empty contour ranges. Throws std::bad_alloc as
    // cellCount does, or when the cells cannot be allocated.
    utOutlineGrid_c(size_t width, size_t height);

    long width() const { return width_; }
    long height() const { return height_; }

    // Row r, 0 <= r < height().
    unsigned char* row(long r) { return cells_.get() + size_t(r) * size_t(width_); }
    const unsigned char* row(long r) const { return cells_.get() + size_t(r) * size_t(width_); }
    // Cells outside the grid are background.
    unsigned char at(long column, long r) const {
        if (column < 0 || r < 0 || column >= width_ || r >= height_) return kBackground;
        return row(r)[column];
    }
    void set(long column, long r, unsigned char value) { row(r)[column] = value; }

    // The column range and the row range that the contour cells span, as their marking widened
    // them. Empty (minimum above maximum) until widened.
    void widenColumns(long column);
    void widenRows(long r);
    bool rangesEmpty() const { return minColumn_ > maxColumn_ || minRow_ > maxRow_; }
    long minColumn() const { return minColumn_; }
    long maxColumn() const { return maxColumn_; }
    long minRow() const { return minRow_; }
    long maxRow() const { return maxRow_; }

    // A contour cell: marked 'c', and both ranges widened by it.
    void markContour(long column, long r) {
        set(column, r, kContour);
        widenColumns(column);
        widenRows(r);
    }

private:
    struct FreeCells {
        void operator()(unsigned char* cells) const noexcept;
    };

    long width_ = 0;
    long height_ = 0;
    std::unique_ptr<unsigned char, FreeCells> cells_;
    long minColumn_;
    long maxColumn_;
    long minRow_;
    long maxRow_;
};

struct utOutlineContour_c {
    long column = 0;  // start cell
    long row = 0;
    std::string codes;
    // The box of the cells walked, start included.
    long minColumn = 0;
    long maxColumn = 0;
    long minRow = 0;
    long maxRow = 0;
};

struct utContourOptions_c {
    // Only the first contour found is followed.
    bool externalContourOnly = false;
    // Contours whose box (height times width, each as the difference of its extreme indices) is
    // smaller than maxNoiseSize cells are dropped.
    bool suppressNoise = false;
    int maxNoiseSize = 0;
};

// Finds and follows the contours of the grid's 'c' cells, marking every cell walked 'v', in the
// order found: starts are looked for row by row within the grid's ranges. Empty ranges give none.
std::vector<utOutlineContour_c> followContours(utOutlineGrid_c& grid,
                                               const utContourOptions_c& options);

// Brings contours traced on a grid enlarged four times back to the scale of the image: the start
// is divided by four, four equal codes in a row become one and three become none.
void shrinkContoursX4(std::vector<utOutlineContour_c>& contours);

// Appends one closed stSpline_c to sketch for every contour of at least two codes: the start,
// the cell reached after each code, then the start again, each cell at (offsetX + column,
// offsetY + row).
void emitContours(const std::vector<utOutlineContour_c>& contours, int offsetX, int offsetY,
                  stSketch_c& sketch);

}  // namespace Vemora
