#include "outline/outlineContours.h"

#include <vemora/sketch/stSketch.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace Vemora {

namespace {

// A raster holds fewer than 2^30 pixels, and the enlarged grid has sixteen cells for each one
// and a border of two: no grid a raster calls for comes near this.
constexpr size_t kMaxCells = size_t(1) << 36;

// The neighbours in search order: the four side neighbours, then the four diagonal ones.
constexpr int kStepX[8] = {1, 0, -1, 0, 1, -1, -1, 1};
constexpr int kStepY[8] = {0, -1, 0, 1, -1, -1, 1, 1};
constexpr char kCode[8] = {'0', '2', '4', '6', '1', '3', '5', '7'};
// The first direction a walk prefers: up and to the right.
constexpr int kFirstPreferred = 4;

// The step of a code.
void stepOf(char code, int& dx, int& dy) {
    static constexpr int x[8] = {1, 1, 0, -1, -1, -1, 0, 1};
    static constexpr int y[8] = {0, -1, -1, -1, 0, 1, 1, 1};
    const int k = code - '0';
    dx = x[k];
    dy = y[k];
}

// The code of a step to a neighbour.
char codeOf(int dx, int dy) {
    for (int k = 0; k < 8; ++k)
        if (kStepX[k] == dx && kStepY[k] == dy) return kCode[k];
    return '\0';
}

// Walks one contour from its start cell.
class tmpContourFollower_c {
public:
    explicit tmpContourFollower_c(utOutlineGrid_c& grid) : grid_(grid) {}

    utOutlineContour_c follow(long column, long row) {
        utOutlineContour_c contour;
        contour.column = column;
        contour.row = row;
        contour.minColumn = contour.maxColumn = column;
        contour.minRow = contour.maxRow = row;
        grid_.set(column, row, utOutlineGrid_c::kVisited);
        long c = column, r = row;
        int preferred = kFirstPreferred;
        for (;;) {
            if (isContour(c, r, preferred)) step(contour, c, r, preferred);
            int k = 0;
            while (k < 8 && !isContour(c, r, k)) ++k;
            if (k == 8) break;
            step(contour, c, r, k);
            preferred = k;
        }
        const long dx = column - c, dy = row - r;
        if ((dx != 0 || dy != 0) && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1)
            contour.codes += codeOf(int(dx), int(dy));
        return contour;
    }

private:
    bool isContour(long c, long r, int k) const {
        return grid_.at(c + kStepX[k], r + kStepY[k]) == utOutlineGrid_c::kContour;
    }

    void step(utOutlineContour_c& contour, long& c, long& r, int k) {
        c += kStepX[k];
        r += kStepY[k];
        grid_.set(c, r, utOutlineGrid_c::kVisited);
        contour.codes += kCode[k];
        contour.minColumn = std::min(contour.minColumn, c);
        contour.maxColumn = std::max(contour.maxColumn, c);
        contour.minRow = std::min(contour.minRow, r);
        contour.maxRow = std::max(contour.maxRow, r);
    }

    utOutlineGrid_c& grid_;
};

// Looks for starts row by row within the grid's ranges: columns from the minimum up to, not
// including, the maximum; rows likewise. Walks only ever turn 'c' cells into 'v', so the cells
// already passed over hold no start later either, and the search goes on from where the last
// start was found.
class tmpStartFinder_c {
public:
    explicit tmpStartFinder_c(const utOutlineGrid_c& grid)
        : grid_(grid), row_(grid.minRow()), column_(grid.minColumn()) {}

    bool next(long& column, long& row) {
        const long first = grid_.minColumn(), end = grid_.maxColumn();
        for (; row_ < grid_.maxRow(); ++row_, column_ = first) {
            if (column_ >= end) continue;
            const unsigned char* cells = grid_.row(row_);
            const void* hit =
                std::memchr(cells + column_, utOutlineGrid_c::kContour, size_t(end - column_));
            if (!hit) continue;
            column_ = static_cast<const unsigned char*>(hit) - cells;
            column = column_;
            row = row_;
            return true;
        }
        return false;
    }

private:
    const utOutlineGrid_c& grid_;
    long row_;
    long column_;
};

bool isNoise(const utOutlineContour_c& contour, const utContourOptions_c& options) {
    const long long area = (long long)(contour.maxRow - contour.minRow) *
                           (long long)(contour.maxColumn - contour.minColumn);
    return options.suppressNoise && area < options.maxNoiseSize;
}

}  // namespace

// =============================================================================================
// The grid

size_t utOutlineGrid_c::cellCount(size_t width, size_t height) {
    if (height != 0 && width > kMaxCells / height) throw std::bad_alloc();
    return width * height;
}

void utOutlineGrid_c::FreeCells::operator()(unsigned char* cells) const noexcept {
    std::free(cells);
}

utOutlineGrid_c::utOutlineGrid_c(size_t width, size_t height)
    : width_(long(width)),
      height_(long(height)),
      minColumn_(LONG_MAX),
      maxColumn_(LONG_MIN),
      minRow_(LONG_MAX),
      maxRow_(LONG_MIN) {
    const size_t n = cellCount(width, height);
    cells_.reset(static_cast<unsigned char*>(std::malloc(n ? n : 1)));
    if (!cells_) throw std::bad_alloc();
    std::memset(cells_.get(), kBackground, n);
}

void utOutlineGrid_c::widenColumns(long column) {
    minColumn_ = std::min(minColumn_, column);
    maxColumn_ = std::max(maxColumn_, column);
}

void utOutlineGrid_c::widenRows(long r) {
    minRow_ = std::min(minRow_, r);
    maxRow_ = std::max(maxRow_, r);
}

// =============================================================================================
// Finding and following

std::vector<utOutlineContour_c> followContours(utOutlineGrid_c& grid,
                                               const utContourOptions_c& options) {
    std::vector<utOutlineContour_c> contours;
    if (grid.rangesEmpty()) return contours;
    tmpStartFinder_c finder(grid);
    tmpContourFollower_c follower(grid);
    long column = 0, row = 0;
    while (finder.next(column, row)) {
        utOutlineContour_c contour = follower.follow(column, row);
        if (!isNoise(contour, options)) contours.push_back(std::move(contour));
        if (options.externalContourOnly) break;
    }
    return contours;
}

// =============================================================================================
// Shrinking

void shrinkContoursX4(std::vector<utOutlineContour_c>& contours) {
    for (utOutlineContour_c& contour : contours) {
        contour.column /= 4;
        contour.row /= 4;
        const std::string& in = contour.codes;
        std::string out;
        const size_t n = in.size();
        size_t i = 0;
        while (i < n) {
            const char c = in[i];
            if (i + 3 < n && in[i + 1] == c && in[i + 2] == c && in[i + 3] == c) {
                out += c;
                i += 4;
            } else if (i + 2 < n && in[i + 1] == c && in[i + 2] == c) {
                i += 3;
            } else {
                out += c;
                i += 1;
            }
        }
        contour.codes = std::move(out);
    }
}

// =============================================================================================
// Emission

void emitContours(const std::vector<utOutlineContour_c>& contours, int offsetX, int offsetY,
                  stSketch_c& sketch) {
    for (const utOutlineContour_c& contour : contours) {
        if (contour.codes.size() < 2) continue;
        std::vector<utPoint_c> points;
        points.reserve(contour.codes.size() + 2);
        long c = contour.column, r = contour.row;
        const utPoint_c first(double(offsetX) + double(c), double(offsetY) + double(r));
        points.push_back(first);
        for (char code : contour.codes) {
            int dx = 0, dy = 0;
            stepOf(code, dx, dy);
            c += dx;
            r += dy;
            points.emplace_back(double(offsetX) + double(c), double(offsetY) + double(r));
        }
        // A closed walk's last code leads back to the start, which is then the last point
        // already; an open walk keeps its last cell and closes from there.
        if (c != contour.column || r != contour.row) points.push_back(first);
        sketch.addEntity(new stSpline_c(std::move(points)));
    }
}

}  // namespace Vemora
