#pragma once

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/sketch/stSketch.h>

#include <cstddef>

namespace Vemora {

template <class Owner>
class tmpPropertyTable_c;

// Follows the boundaries of the dark regions of a raster instead of the centre lines of its
// strokes: the image is thresholded into a grid of cells, the background cells next to dark ones
// (in a row or a column) are marked, and every chain of marked cells is walked with an
// 8-direction chain code and emitted as a closed polygonal spline. Filled shapes (silhouettes,
// bold text, logos) come out as their outlines, holes as contours of their own.
//
// Coordinates: the grid has a border of background cells, so in the normal mode pixel (i, j) is
// cell (i + 1, j + 1) and the contours pass through the cell coordinates of the marked cells. With
// the four-times enlargement pixel (i, j) covers cells 4i + 2 to 4i + 5 and 4j + 2 to 4j + 5, and
// the chains are shrunk back to the scale of the image.
//
// Registered as "OutlineAlgorithm". Settings (configuration keys, defaults):
// "ExternalContourOnly" false (only the first contour found), "BlackLevel" 150 (a pixel is dark
// when the root mean square of its channels is below it), "UseX4Rescaling" false,
// "SuppressNoise" true, "MaxNoiseSize" 8 (contours whose box is smaller, in grid cells, are
// dropped).
class VEMORA_API stOutlineAlgorithm_c : public stTracingAlgorithm_c {
public:
    stOutlineAlgorithm_c();
    stOutlineAlgorithm_c(const stOutlineAlgorithm_c&) = default;
    stOutlineAlgorithm_c& operator=(const stOutlineAlgorithm_c&) = default;
    ~stOutlineAlgorithm_c() override;

    stDescriptor_c* isA() override;
    static stDescriptor_c* desc();
    stXmlElement_c* toXml(stXmlElement_c* element) const override;
    // Every setting is read; a missing one becomes 0 or false.
    void fromXml(stXmlElement_c* element) override;

    // Traces the contours of the whole raster and returns them in a new sketch, owned by the
    // caller, shifted by the integer parts of (offsetX, offsetY). With a pick point nothing is
    // traced. A listener that cancels leaves the sketch empty. raster must not be null; it is
    // read, not kept. Throws std::bad_alloc when the grid cannot be had.
    stSketch_c* trace(utRasterData_c* raster, const utPoint_c* pickPoint, double offsetX,
                      double offsetY) override;

    // (r^2 + g^2 + b^2) / 3 < BlackLevel^2 for the pixel's 8-bit channels. Only a run has a
    // raster: outside one nothing is dark. No bounds check.
    bool isBlack(int column, int row) const;

    // The grid's size for a raster of width x height pixels, in the normal or the enlarged mode.
    static void gridSize(unsigned width, unsigned height, bool x4, size_t& gridWidth,
                         size_t& gridHeight);

    bool externalContourOnly() const { return externalContourOnly_; }
    void setExternalContourOnly(bool on) { externalContourOnly_ = on; }
    int blackLevel() const { return blackLevel_; }
    void setBlackLevel(int level) { blackLevel_ = level; }
    bool useX4Rescaling() const { return useX4Rescaling_; }
    void setUseX4Rescaling(bool on) { useX4Rescaling_ = on; }
    bool suppressNoise() const { return suppressNoise_; }
    void setSuppressNoise(bool on) { suppressNoise_ = on; }
    // Grid cells.
    int maxNoiseSize() const { return maxNoiseSize_; }
    void setMaxNoiseSize(int cells) { maxNoiseSize_ = cells; }

private:
    static const tmpPropertyTable_c<stOutlineAlgorithm_c>& properties();

    // The "Outline vectorization..." step.
    void internalTrace(const utPoint_c* pickPoint, double offsetX, double offsetY);
    // Grid, marking, contours, emission into the working sketch.
    void outlinePass(int offsetX, int offsetY);

    bool externalContourOnly_ = false;
    int blackLevel_ = 150;
    bool useX4Rescaling_ = false;
    bool suppressNoise_ = true;
    int maxNoiseSize_ = 8;

    // Set during a run only (not owned).
    utRasterData_c* raster_ = nullptr;
    // Collects the contours of a run; handed over at its end.
    stSketch_c sketch_;
};

}  // namespace Vemora
