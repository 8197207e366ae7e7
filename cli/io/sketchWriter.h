#pragma once

// Sketches out: DXF for CAD, SVG for eyes, JSON for tools. Every writer takes the sketch in its
// own coordinates (pixels, y downward) and a drawing frame that says how large the image was and
// how a pixel converts to drawing units.

#include <vemora/foundation/utRasterData.h>
#include <vemora/sketch/stSketch.h>

#include <optional>
#include <ostream>
#include <string>

namespace Vemora {

enum class stUnits_e { Pixels, Millimetres, Inches };

struct stDrawingFrame_c {
    // The traced image's size in pixels: the DXF writer flips y about `height`.
    unsigned width = 0;
    unsigned height = 0;
    // Drawing units per pixel.
    double scale = 1.0;
    stUnits_e units = stUnits_e::Pixels;

    // Millimetres or inches from a resolution in dots per inch; pixels (scale 1) when the
    // resolution is not positive or the units are pixels.
    static stDrawingFrame_c forImage(unsigned width, unsigned height, double dpi, stUnits_e units);
};

// "px", "mm" or "in".
const char* unitsName(stUnits_e units);

enum class stOutputFormat_e { Dxf, Svg, Json };

// By the file name's extension, in any case; none for other names.
std::optional<stOutputFormat_e> outputFormatForPath(const std::string& path);

// R2000 ASCII DXF; y flipped about the image height and scaled, so the drawing is not mirrored.
void writeDxf(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out);

// SVG in pixel coordinates (y downward). With `overlay` the image is embedded underneath at
// reduced opacity.
void writeSvg(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out,
              const utRasterData_c* overlay = nullptr);

// Every entity with all its defining values, in sketch coordinates; the schema is in
// cli/README.md.
void writeJson(const stSketch_c& sketch, const stDrawingFrame_c& frame, std::ostream& out);

// Writes to `path` through a temporary file renamed on success, or to standard output for "-".
// Throws stFileError_c naming the path.
void writeSketchFile(const std::string& path, stOutputFormat_e format, const stSketch_c& sketch,
                     const stDrawingFrame_c& frame, const utRasterData_c* overlay = nullptr);

}  // namespace Vemora
