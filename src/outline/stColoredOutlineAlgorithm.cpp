#include <vemora/outline/stColoredOutlineAlgorithm.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "config/propertyTable.h"
#include "outline/colorRegion.h"
#include "outline/colorSimilarity.h"
#include "outline/outlineContours.h"

namespace Vemora {

namespace {

const wchar_t* const kStep = L"Outline vectorization for felt rendered images...";

// Contours of fewer points are the rims of specks, a few odd pixels together.
constexpr int kMinContourPoints = 9;

stConfigurable_c* create() { return new stColoredOutlineAlgorithm_c(); }

using Mask = utRegionMask_c;

// The column (row) where the working area starts for an offset: one before it, within
// [0, size].
long areaStart(double offset, long size) {
    if (!(offset > 0.0)) return 0;  // negative, zero or not a number
    return long(std::min(offset - 1.0, double(size)));
}

// The seed's pixel, truncated; false when it lies outside the raster.
bool seedPixel(const utPoint_c& seed, long width, long height, long& x, long& y) {
    const double sx = std::trunc(seed.x()), sy = std::trunc(seed.y());
    if (!(sx >= 0.0 && sy >= 0.0 && sx < double(width) && sy < double(height))) return false;
    x = long(sx);
    y = long(sy);
    return true;
}

}  // namespace

// =============================================================================================
// Configuration

stColoredOutlineAlgorithm_c::stColoredOutlineAlgorithm_c() = default;

stColoredOutlineAlgorithm_c::~stColoredOutlineAlgorithm_c() = default;

const tmpPropertyTable_c<stColoredOutlineAlgorithm_c>& stColoredOutlineAlgorithm_c::properties() {
    static const tmpPropertyTable_c<stColoredOutlineAlgorithm_c> table = [] {
        using A = stColoredOutlineAlgorithm_c;
        tmpPropertyTable_c<A> t;
        t.integer(L"MaxColorsDistance", &A::maxColorsDistance_)
            .integer(L"ColorSpace", &A::colorSpace_)
            .integer(L"MeasureType", &A::measureType_);
        return t;
    }();
    return table;
}

stDescriptor_c* stColoredOutlineAlgorithm_c::desc() {
    static stDescriptor_c d(L"ColoredOutlineAlgorithm", &create, stTracingAlgorithm_c::desc(),
                            nullptr);
    return &d;
}

stDescriptor_c* stColoredOutlineAlgorithm_c::isA() { return desc(); }

stXmlElement_c* stColoredOutlineAlgorithm_c::toXml(stXmlElement_c* element) const {
    return element;
}

void stColoredOutlineAlgorithm_c::fromXml(stXmlElement_c* element) {
    properties().read(*this, element);
}

bool stColoredOutlineAlgorithm_c::setMaxColorsDistance(int distance) {
    if (distance < 0) return false;
    maxColorsDistance_ = distance;
    return true;
}

void stColoredOutlineAlgorithm_c::maxSize(int& x, int& y) const {
    x = maxSizeX_;
    y = maxSizeY_;
}

bool stColoredOutlineAlgorithm_c::setMaxSize(int x, int y) {
    if (x <= 0 || y <= 0) return false;
    maxSizeX_ = x;
    maxSizeY_ = y;
    return true;
}

// =============================================================================================
// A run

stSketch_c* stColoredOutlineAlgorithm_c::trace(utRasterData_c* raster, const utPoint_c* pickPoint,
                                               double offsetX, double offsetY) {
    notifyStarted();
    stSketch_c* result = nullptr;
    if (raster) {
        const std::vector<utPoint_c> seeds{pickPoint ? *pickPoint : utPoint_c(offsetX, offsetY)};
        try {
            result = internalTrace(raster, seeds, offsetX, offsetY);
        } catch (...) {
            notifyFinished();
            throw;
        }
    }
    notifyFinished();
    return result;
}

stSketch_c* stColoredOutlineAlgorithm_c::internalTrace(utRasterData_c* raster,
                                                       const std::vector<utPoint_c>& seeds,
                                                       double offsetX, double offsetY) {
    if (!notifyStepStarted(kStep)) return nullptr;
    const long width = long(raster->width()), height = long(raster->height());

    // ---- the working area and the fill's limits
    const bool sized = maxSizeX_ > 0 && maxSizeY_ > 0;
    const long sizeX = sized ? std::min(long(maxSizeX_), width) : width;
    const long sizeY = sized ? std::min(long(maxSizeY_), height) : height;
    const long areaX1 = areaStart(offsetX, width), areaY1 = areaStart(offsetY, height);
    const long areaX2 = sized ? sizeX - 1 : width, areaY2 = sized ? sizeY - 1 : height;
    const long maxX = sizeX - 1, maxY = sizeY - 1;

    std::unique_ptr<stSketch_c> result;
    try {
        for (const utPoint_c& seed : seeds) {
            long x = 0, y = 0;
            if (!seedPixel(seed, width, height, x, y)) continue;
            if (x == 0 && y == 0) x = y = 1;
            try {
                Mask mask(raster->width(), raster->height());
                mask.open(areaX1, areaY1, areaX2, areaY2);
                if (!insideFillLimits(x, y, maxX, maxY) || mask.at(x, y) != Mask::kOpen) continue;

                utRegion_c region;
                const std::vector<utGridPoint_c> cells =
                    findOutline(*raster, mask, maxX, maxY, {uint32_t(x), uint32_t(y)}, region);
                if (cells.empty()) continue;

                // ---- the contours, on the four-times grid of the region's box only
                const utRegionBox_c& box = region.box;
                std::vector<utOutlineContour_c> contours;
                {
                    utOutlineGrid_c grid(4 * size_t(box.maxX - box.minX + 1),
                                         4 * size_t(box.maxY - box.minY + 1));
                    for (const utGridPoint_c& c : cells)
                        grid.markContour(long(c.x) - 4 * box.minX, long(c.y) - 4 * box.minY);
                    contours = followContours(grid, utContourOptions_c());
                }
                shrinkContoursX4(contours);
                // The box starts on a whole pixel, so shrinking there and moving by its corner
                // is shrinking on the image's grid.
                stSketch_c found;
                emitContours(contours, int(box.minX), int(box.minY), found);
                if (found.isEmpty()) continue;
                Filtration(&found, kMinContourPoints);
                if (!result) result = std::make_unique<stSketch_c>();
                result->mergeInSketch(&found);
            } catch (const std::bad_alloc&) {
                errorCode_ = 1;
            }
        }
    } catch (...) {
        notifyStepFinished(kStep);
        throw;
    }
    notifyStepFinished(kStep);
    return result.release();
}

std::vector<utGridPoint_c> stColoredOutlineAlgorithm_c::findOutline(const utRasterData_c& raster,
                                                                    Mask& mask, long maxX,
                                                                    long maxY, utGridPoint_c seed,
                                                                    utRegion_c& region) {
    utColorSimilarity_c similarity(raster.pixel(seed.x, seed.y), colorSpace_, measureType_,
                                   maxColorsDistance_);
    region = growRegion(raster, mask, maxX, maxY, seed, similarity);
    return rimCells(mask, region);
}

void stColoredOutlineAlgorithm_c::Filtration(stSketch_c* sketch, int minPoints) {
    for (int i = 0; i < sketch->entitiesCount();) {
        auto* spline = dynamic_cast<stSpline_c*>(sketch->entityAt(i));
        if (spline && spline->pointCount() < minPoints) {
            sketch->eraseEntity(spline);
            delete spline;
        } else {
            ++i;
        }
    }
}

}  // namespace Vemora
