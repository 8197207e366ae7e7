#include "traceCommand.h"

#include <vemora/engine/stSketchTracer.h>
#include <vemora/xml/stXmlParser.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "commandOutput.h"
#include "io/imageReader.h"
#include "io/rasterRelease.h"
#include "io/sketchWriter.h"
#include "parameterKeys.h"
#include "pathText.h"
#include "progress.h"
#include "raster/inkTest.h"

namespace Vemora {

namespace {

bool isInk(const utRasterData_c& raster, int x, int y, int blackLevel) {
    return Vemora::isInk(raster.pixel(unsigned(x), unsigned(y)), blackLevel);
}

// Why a sketch is empty, for the line that says so: nobody should take an empty drawing for a
// success without a word.
std::string emptyReason(const stTraceOptions_c& o, bool startIsInk) {
    if (!o.from) return o.input + ": no strokes were found";
    return "--from " + std::to_string(o.from->first) + "," + std::to_string(o.from->second) +
           (startIsInk ? ": no stroke could be traced from this pixel"
                       : ": this pixel is paper, not ink");
}

}  // namespace

stVectorizationParams_c traceParameters(const stTraceOptions_c& o) {
    stVectorizationParams_c params;
    if (!o.paramsFile.empty()) {
        std::unique_ptr<stXmlParser_c> parser(stXmlParser_c::createParser(nullptr));
        std::unique_ptr<stXmlDocument_c> doc(parser->parse(widePath(o.paramsFile).c_str()));
        if (!doc || !doc->getDocumentElement())
            throw std::runtime_error(o.paramsFile + ": not a readable XML parameter file");
        setParameters(params, doc->getDocumentElement(), o.paramsFile);
    }
    for (const std::string& s : o.settings) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos)
            throw std::runtime_error("--set " + s + ": expected KEY=VALUE");
        try {
            setParameter(params, s.substr(0, eq), s.substr(eq + 1));
        } catch (const std::invalid_argument& e) {
            throw std::runtime_error(e.what());
        }
    }
    return params;
}

void runTrace(const stTraceOptions_c& o) {
    // Everything that can be refused is checked before the work starts.
    const stOutputFormat_e format = chooseOutputFormat(o.output, o.format);
    const stUnits_e units = unitsFromName(o.units);
    if (o.overlay && format != stOutputFormat_e::Svg)
        throw std::runtime_error("--overlay: only SVG output can hold the image");
    stSketchTracer_c tracer;
    tracer.params = traceParameters(o);

    stProgressDisplay_c progress(!o.quiet);
    progress.phase("reading " + o.input);
    stDecodedImage_c image = readImageFile(o.input, o.maxPixels);
    const unsigned w = image.raster.width(), h = image.raster.height();
    if (o.from && (o.from->first < 0 || o.from->second < 0 || unsigned(o.from->first) >= w ||
                   unsigned(o.from->second) >= h)) {
        throw std::runtime_error("--from " + std::to_string(o.from->first) + "," +
                                 std::to_string(o.from->second) + ": outside the " +
                                 std::to_string(w) + " x " + std::to_string(h) + " image");
    }

    const double dpi = chooseResolution(o.dpi.value_or(0.0), image.dpiX, units, o.units, o.input);

    progress.phase("tracing");
    std::unique_ptr<utPoint_c> start;
    if (o.from) start = std::make_unique<utPoint_c>(o.from->first, o.from->second);
    std::unique_ptr<stSketch_c> sketch(
        tracer.trace(&image.raster, start.get(), o.offset.first, o.offset.second));
    if (!sketch) sketch = std::make_unique<stSketch_c>();
    const bool startIsInk =
        o.from && isInk(image.raster, o.from->first, o.from->second, tracer.params.blackLevel);

    progress.phase("writing " + o.output);
    const stDrawingFrame_c frame = stDrawingFrame_c::forImage(w, h, dpi, units);
    // Only an overlay still needs the pixels; otherwise their memory goes back while writing.
    std::unique_ptr<stRasterRelease_c> release;
    if (!o.overlay) release = std::make_unique<stRasterRelease_c>(std::move(image.raster));
    writeSketchFile(o.output, format, *sketch, frame, o.overlay ? &image.raster : nullptr);
    progress.finish();

    reportWritten(o.output, o.quiet, *sketch, emptyReason(o, startIsInk));
}

}  // namespace Vemora
