#include "traceCommand.h"

#include <vemora/engine/stSketchTracer.h>
#include <vemora/xml/stXmlParser.h>

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "io/imageReader.h"
#include "io/rasterRelease.h"
#include "io/sketchWriter.h"
#include "parameterKeys.h"
#include "pathText.h"
#include "progress.h"
#include "raster/inkTest.h"

namespace Vemora {

namespace {

stUnits_e unitsFromName(const std::string& name) {
    if (name == "px") return stUnits_e::Pixels;
    if (name == "mm") return stUnits_e::Millimetres;
    if (name == "in") return stUnits_e::Inches;
    throw std::runtime_error("--units: expected px, mm or in, not '" + name + "'");
}

const char* formatName(stOutputFormat_e format) {
    switch (format) {
        case stOutputFormat_e::Svg:
            return "svg";
        case stOutputFormat_e::Json:
            return "json";
        case stOutputFormat_e::Dxf:
            break;
    }
    return "dxf";
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return path.back() == '/' || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

// The output's format: the file name's extension, or --format for standard output. Given both,
// they must agree.
stOutputFormat_e outputFormat(const stTraceOptions_c& o) {
    std::optional<stOutputFormat_e> asked;
    if (!o.format.empty()) {
        asked = outputFormatForPath("x." + o.format);
        if (!asked) {
            throw std::runtime_error("--format: expected dxf, svg or json, not '" + o.format + "'");
        }
    }
    if (o.output == "-") {
        if (!asked)
            throw std::runtime_error(
                "--format: writing to standard output needs --format dxf, svg or json");
        return *asked;
    }
    if (o.output.empty()) throw std::runtime_error("-o: expected an output file name");
    if (isFolder(o.output)) {
        throw std::runtime_error(o.output + ": is a folder; name the output file in it");
    }
    const auto named = outputFormatForPath(o.output);
    if (!named)
        throw std::runtime_error(o.output + ": unknown output format (use .dxf, .svg or .json)");
    if (asked && *asked != *named) {
        throw std::runtime_error("--format " + o.format + ": the output name " + o.output +
                                 " asks for " + formatName(*named));
    }
    return *named;
}

bool isInk(const utRasterData_c& raster, int x, int y, int blackLevel) {
    return Vemora::isInk(raster.pixel(unsigned(x), unsigned(y)), blackLevel);
}

// One line on an empty result: it is written as asked, but nobody should take it for a success
// without a word.
void reportEmpty(const stTraceOptions_c& o, bool startIsInk) {
    std::string line;
    if (o.from) {
        line = "--from " + std::to_string(o.from->first) + "," + std::to_string(o.from->second) +
               (startIsInk ? ": no stroke could be traced from this pixel"
                           : ": this pixel is paper, not ink");
    } else {
        line = o.input + ": no strokes were found";
    }
    std::fprintf(stderr, "vemora: %s; the drawing is empty\n", line.c_str());
}

// Counts the entities of each kind, for the summary line.
class tmpKindCounter_c : public stEntityVisitor_c {
public:
    std::map<std::string, int> counts;
    void visitPoint(stPoint_c&) override { ++counts["points"]; }
    void visitLine(stLine_c&) override { ++counts["lines"]; }
    void visitArc(stArc_c&) override { ++counts["arcs"]; }
    void visitCircle(stCircle_c&) override { ++counts["circles"]; }
    void visitEllipse(stEllipse_c&) override { ++counts["ellipses"]; }
    void visitEllipseArc(stEllipseArc_c&) override { ++counts["elliptic arcs"]; }
    void visitSpline(stSpline_c&) override { ++counts["splines"]; }
    bool enterPolyline(stPolyline_c&) override { return ++counts["polylines"], false; }
    bool enterRegion(stRegion_c&) override { return ++counts["regions"], false; }
};

std::string summary(stSketch_c& sketch) {
    tmpKindCounter_c counter;
    sketch.visit(counter);
    std::string line = std::to_string(sketch.entitiesCount()) + " entities";
    const char* const order[] = {"lines",   "arcs",   "circles",   "ellipses", "elliptic arcs",
                                 "splines", "points", "polylines", "regions"};
    const char* sep = ": ";
    for (const char* kind : order) {
        const int n = counter.counts[kind];
        if (n == 0) continue;
        line += sep + std::to_string(n) + " " + kind;
        sep = ", ";
    }
    return line;
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
    const stOutputFormat_e format = outputFormat(o);
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

    const double dpi = o.dpi ? *o.dpi : image.dpiX;
    if (units != stUnits_e::Pixels && !(dpi > 0.0)) {
        throw std::runtime_error("--units " + o.units + ": " + o.input +
                                 " states no resolution; give it with --dpi");
    }

    progress.phase("tracing");
    std::unique_ptr<utPoint_c> start;
    if (o.from) start = std::make_unique<utPoint_c>(o.from->first, o.from->second);
    std::unique_ptr<stSketch_c> sketch(
        tracer.trace(&image.raster, start.get(), o.offset.first, o.offset.second));
    if (!sketch) sketch = std::make_unique<stSketch_c>();
    const bool empty = sketch->entitiesCount() == 0;
    const bool startIsInk =
        o.from && isInk(image.raster, o.from->first, o.from->second, tracer.params.blackLevel);

    progress.phase("writing " + o.output);
    const stDrawingFrame_c frame = stDrawingFrame_c::forImage(w, h, dpi, units);
    // Only an overlay still needs the pixels; otherwise their memory goes back while writing.
    std::unique_ptr<stRasterRelease_c> release;
    if (!o.overlay) release = std::make_unique<stRasterRelease_c>(std::move(image.raster));
    writeSketchFile(o.output, format, *sketch, frame, o.overlay ? &image.raster : nullptr);
    progress.finish();

    if (empty) {
        reportEmpty(o, startIsInk);
    } else if (!o.quiet) {
        const std::string line =
            (o.output == "-" ? std::string("vemora") : o.output) + ": " + summary(*sketch);
        std::fprintf(o.output == "-" ? stderr : stdout, "%s\n", line.c_str());
    }
}

}  // namespace Vemora
