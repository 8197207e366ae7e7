#include "sketchWriter.h"

#include "atomicFile.h"
#include "imageReader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>

namespace Vemora {

stDrawingFrame_c stDrawingFrame_c::forImage(unsigned width, unsigned height, double dpi,
                                            stUnits_e units) {
    stDrawingFrame_c f;
    f.width = width;
    f.height = height;
    if (units == stUnits_e::Pixels || !(dpi > 0.0) || !std::isfinite(dpi)) return f;
    f.units = units;
    f.scale = units == stUnits_e::Inches ? 1.0 / dpi : 25.4 / dpi;
    return f;
}

const char* unitsName(stUnits_e units) {
    switch (units) {
        case stUnits_e::Millimetres:
            return "mm";
        case stUnits_e::Inches:
            return "in";
        case stUnits_e::Pixels:
            break;
    }
    return "px";
}

std::optional<stOutputFormat_e> outputFormatForPath(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (ext == "dxf") return stOutputFormat_e::Dxf;
    if (ext == "svg") return stOutputFormat_e::Svg;
    if (ext == "json") return stOutputFormat_e::Json;
    return {};
}

namespace {

void writeTo(std::ostream& out, stOutputFormat_e format, const stSketch_c& sketch,
             const stDrawingFrame_c& frame, const utRasterData_c* overlay) {
    switch (format) {
        case stOutputFormat_e::Dxf:
            writeDxf(sketch, frame, out);
            break;
        case stOutputFormat_e::Svg:
            writeSvg(sketch, frame, out, overlay);
            break;
        case stOutputFormat_e::Json:
            writeJson(sketch, frame, out);
            break;
    }
}

}  // namespace

void writeSketchFile(const std::string& path, stOutputFormat_e format, const stSketch_c& sketch,
                     const stDrawingFrame_c& frame, const utRasterData_c* overlay) {
    try {
        if (path == "-") {
            writeTo(std::cout, format, sketch, frame, overlay);
            std::cout.flush();
            if (!std::cout) throw stFileError_c("standard output: write failed");
            return;
        }
        stAtomicFile_c file(path);
        writeTo(file.stream(), format, sketch, frame, overlay);
        file.commit();
    } catch (const std::bad_alloc&) {
        throw stFileError_c(path + ": out of memory while writing");
    }
}

}  // namespace Vemora
