#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/sketch/stSketch.h>

#include <vector>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;
class utRegionMask_c;
struct utGridPoint_c;
struct utRegion_c;

// Traces the rim of one region of a colour drawing (a wall, a coloured part, a felt-pen area):
// from a seed pixel the 8-connected region of pixels whose colour is close to the seed's grows,
// and the line between the region and the pixels around it is followed on a grid four times as
// fine and emitted as closed polygonal splines, in pixel coordinates: the outer rim and the rim
// of every hole. Where the region reaches the end of the working area (the image's outermost
// pixels, the corner of the selection, the maximum size), that end closes the rim.
//
// Registered as "ColoredOutlineAlgorithm". Settings (configuration keys, defaults):
// "MaxColorsDistance" 10 (a pixel joins when its distance to the seed colour is below it),
// "ColorSpace" 0, "MeasureType" 0 (the spaces and measures are those of the tracer's colour
// comparison: 0 raw bytes, 1 XYZ, 2 HSV, 3 L*a*b*, 4 L*u*v*, 5 and 6 lightness-hue-chroma of 3 and
// 4; measure 0 the squared distance, 1 the cylinder distance of lightness, hue and chroma, any
// other only the seed colour itself).
class VEMORA_API stColoredOutlineAlgorithm_c : public stTracingAlgorithm_c {
public:
    stColoredOutlineAlgorithm_c();
    stColoredOutlineAlgorithm_c(const stColoredOutlineAlgorithm_c&) = default;
    stColoredOutlineAlgorithm_c& operator=(const stColoredOutlineAlgorithm_c&) = default;
    ~stColoredOutlineAlgorithm_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0.
    void fromXml(stXmlElement_c* element) override;

    // Grows the region from pickPoint, or without one from (offsetX, offsetY), and returns its
    // rim in a new sketch owned by the caller; null when no contour came out (a seed outside the
    // working area, a refused step, scratch memory that could not be had). The working area
    // starts one pixel before (offsetX, offsetY) and ends at the image's edges or at the maximum
    // size. A null raster gives null. The raster is read, not kept.
    stSketch_c* trace(utRasterData_c* raster, const utPoint_c* pickPoint, double offsetX,
                      double offsetY) override;

    int maxColorsDistance() const { return maxColorsDistance_; }
    // Refuses a negative distance: false, value unchanged.
    bool setMaxColorsDistance(int distance);
    int colorSpace() const { return colorSpace_; }
    void setColorSpace(int space) { colorSpace_ = space; }
    int measureType() const { return measureType_; }
    void setMeasureType(int measure) { measureType_ = measure; }
    // The working area's right and bottom end, in pixels; 0 x 0 (the default) for none. A size
    // beyond the image ends at the image.
    void maxSize(int& x, int& y) const;
    // Refuses sizes that are not both positive: false, values unchanged.
    bool setMaxSize(int x, int y);
    // 1 once scratch memory for a seed could not be had, else 0; never reset by a run.
    int errorCode() const { return errorCode_; }

private:
    static const tmpPropertyTable_c<stColoredOutlineAlgorithm_c>& properties();

    // The "Outline vectorization for felt rendered images..." step over every seed; null when
    // no seed gave a contour.
    stSketch_c* internalTrace(utRasterData_c* raster, const std::vector<utPoint_c>& seeds,
                              double offsetX, double offsetY);
    // The region of one seed and the rim cells around it on the four-times grid. Throws
    // std::bad_alloc when scratch memory cannot be had.
    std::vector<utGridPoint_c> findOutline(const utRasterData_c& raster, utRegionMask_c& mask,
                                           long maxX, long maxY, utGridPoint_c seed,
                                           utRegion_c& region);
    // Deletes from sketch every entity with fewer than minPoints points.
    static void Filtration(stSketch_c* sketch, int minPoints);

    int maxColorsDistance_ = 10;
    int colorSpace_ = 0;
    int measureType_ = 0;
    int maxSizeX_ = 0;
    int maxSizeY_ = 0;
    int errorCode_ = 0;
};

}  // namespace Vemora
