#include <vemora/outline/stOutlineAlgorithm.h>

#include <cassert>
#include <cstring>
#include <memory>
#include <vector>

#include "config/propertyTable.h"
#include "outline/outlineContours.h"

namespace Vemora {

namespace {

const wchar_t* const kStep = L"Outline vectorization...";

stConfigurable_c* create() { return new stOutlineAlgorithm_c(); }

using Grid = utOutlineGrid_c;

// Calls f(first, end) for every run of dark cells of a row, end one past the run's last cell.
template <class F>
void forEachDarkRun(const unsigned char* cells, long width, F&& f) {
    long c = 0;
    while (c < width) {
        const void* hit = std::memchr(cells + c, Grid::kDark, size_t(width - c));
        if (!hit) return;
        const long first = static_cast<const unsigned char*>(hit) - cells;
        long end = first + 1;
        while (end < width && cells[end] == Grid::kDark) ++end;
        f(first, end);
        c = end;
    }
}

// Dark cells never touch the border, so the cell before and after every run lies in the grid.

// Rows from right to left: the cell to the right of each run.
void markRowsFromTheRight(Grid& grid) {
    for (long r = 0; r < grid.height(); ++r) {
        unsigned char* cells = grid.row(r);
        forEachDarkRun(cells, grid.width(), [&](long, long end) {
            cells[end] = Grid::kContour;
            grid.widenColumns(end);
        });
    }
}

// Rows from left to right: the cell to the left of each run.
void markRowsFromTheLeft(Grid& grid) {
    for (long r = 0; r < grid.height(); ++r) {
        unsigned char* cells = grid.row(r);
        forEachDarkRun(cells, grid.width(), [&](long first, long) {
            cells[first - 1] = Grid::kContour;
            grid.widenColumns(first - 1);
        });
    }
}

// Columns from bottom to top (the cell below each run) or from top to bottom (the cell above),
// worked row by row so that the grid is read in memory order.
void markColumns(Grid& grid, bool fromTheBottom) {
    const long before = fromTheBottom ? 1 : -1;  // the row of the cell before a run's first cell
    for (long r = 0; r < grid.height(); ++r) {
        const unsigned char* cells = grid.row(r);
        unsigned char* neighbour = nullptr;
        forEachDarkRun(cells, grid.width(), [&](long first, long end) {
            if (!neighbour) neighbour = grid.row(r + before);
            bool marked = false;
            for (long c = first; c < end; ++c) {
                if (neighbour[c] == Grid::kDark) continue;
                neighbour[c] = Grid::kContour;
                marked = true;
            }
            if (marked) grid.widenRows(r + before);
        });
    }
}

}  // namespace

// =============================================================================================
// Configuration

stOutlineAlgorithm_c::stOutlineAlgorithm_c() = default;

stOutlineAlgorithm_c::~stOutlineAlgorithm_c() = default;

const tmpPropertyTable_c<stOutlineAlgorithm_c>& stOutlineAlgorithm_c::properties() {
    static const tmpPropertyTable_c<stOutlineAlgorithm_c> table = [] {
        using A = stOutlineAlgorithm_c;
        tmpPropertyTable_c<A> t;
        t.boolean(L"ExternalContourOnly", &A::externalContourOnly_)
            .integer(L"BlackLevel", &A::blackLevel_)
            .boolean(L"UseX4Rescaling", &A::useX4Rescaling_)
            .boolean(L"SuppressNoise", &A::suppressNoise_)
            .integer(L"MaxNoiseSize", &A::maxNoiseSize_);
        return t;
    }();
    return table;
}

stDescriptor_c* stOutlineAlgorithm_c::desc() {
    static stDescriptor_c d(L"OutlineAlgorithm", &create, stTracingAlgorithm_c::desc(), nullptr);
    return &d;
}

stDescriptor_c* stOutlineAlgorithm_c::isA() { return desc(); }

stXmlElement_c* stOutlineAlgorithm_c::toXml(stXmlElement_c* element) const { return element; }

void stOutlineAlgorithm_c::fromXml(stXmlElement_c* element) { properties().read(*this, element); }

bool stOutlineAlgorithm_c::isBlack(int column, int row) const {
    if (!raster_) return false;
    const uint32_t p = raster_->pixel(unsigned(column), unsigned(row));
    const long long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    const long long level = blackLevel_;
    // (r^2 + g^2 + b^2) / 3 < level^2, exactly, without the division.
    return r * r + g * g + b * b < 3 * level * level;
}

void stOutlineAlgorithm_c::gridSize(unsigned width, unsigned height, bool x4, size_t& gridWidth,
                                    size_t& gridHeight) {
    gridWidth = x4 ? 4 * size_t(width) + 4 : size_t(width) + 2;
    gridHeight = x4 ? 4 * size_t(height) + 4 : size_t(height) + 2;
}

// =============================================================================================
// A run

stSketch_c* stOutlineAlgorithm_c::trace(utRasterData_c* raster, const utPoint_c* pickPoint,
                                        double offsetX, double offsetY) {
    assert(raster);
    notifyStarted();
    raster_ = raster;
    sketch_.clear();
    try {
        internalTrace(pickPoint, offsetX, offsetY);
    } catch (...) {
        raster_ = nullptr;
        sketch_.clear();
        notifyFinished();
        throw;
    }
    raster_ = nullptr;
    auto result = std::make_unique<stSketch_c>();
    result->mergeInSketch(&sketch_);
    notifyFinished();
    return result.release();
}

void stOutlineAlgorithm_c::internalTrace(const utPoint_c* pickPoint, double offsetX,
                                         double offsetY) {
    if (!notifyStepStarted(kStep)) return;
    // Contours are traced over the whole image only; a pick point asks for nothing.
    if (!pickPoint) {
        try {
            outlinePass(int(offsetX), int(offsetY));
        } catch (...) {
            notifyStepFinished(kStep);
            throw;
        }
    }
    notifyStepFinished(kStep);
}

void stOutlineAlgorithm_c::outlinePass(int offsetX, int offsetY) {
    const utRasterData_c& raster = *raster_;
    const bool x4 = useX4Rescaling_;
    std::vector<utOutlineContour_c> contours;
    {
        size_t width = 0, height = 0;
        gridSize(raster.width(), raster.height(), x4, width, height);
        Grid grid(width, height);

        // ---- the dark cells
        const int scale = x4 ? 4 : 1;
        const long margin = x4 ? 2 : 1;
        for (unsigned j = 0; j < raster.height(); ++j) {
            unsigned char* cells = grid.row(long(j) * scale + margin);
            for (unsigned i = 0; i < raster.width(); ++i)
                if (isBlack(int(i), int(j)))
                    std::memset(cells + long(i) * scale + margin, Grid::kDark, size_t(scale));
            for (int k = 1; k < scale; ++k)
                std::memcpy(grid.row(long(j) * scale + margin + k), cells, size_t(grid.width()));
        }

        // ---- the contour cells, in four scans
        markRowsFromTheRight(grid);
        if (!notifyProgress(20)) return;
        markRowsFromTheLeft(grid);
        if (!notifyProgress(40)) return;
        markColumns(grid, true);
        if (!notifyProgress(60)) return;
        markColumns(grid, false);
        if (!notifyProgress(80)) return;

        utContourOptions_c options;
        options.externalContourOnly = externalContourOnly_;
        options.suppressNoise = suppressNoise_;
        options.maxNoiseSize = maxNoiseSize_;
        contours = followContours(grid, options);
    }
    if (x4) shrinkContoursX4(contours);
    if (!notifyProgress(95)) return;
    emitContours(contours, offsetX, offsetY, sketch_);
    notifyProgress(95);
}

}  // namespace Vemora
