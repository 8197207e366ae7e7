#include "commandOutput.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>

namespace Vemora {

namespace {

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

}  // namespace

stOutputFormat_e chooseOutputFormat(const std::string& output, const std::string& format) {
    std::optional<stOutputFormat_e> asked;
    if (!format.empty()) {
        asked = outputFormatForPath("x." + format);
        if (!asked)
            throw std::runtime_error("--format: expected dxf, svg or json, not '" + format + "'");
    }
    if (output == "-") {
        if (!asked)
            throw std::runtime_error(
                "--format: writing to standard output needs --format dxf, svg or json");
        return *asked;
    }
    if (output.empty()) throw std::runtime_error("-o: expected an output file name");
    if (isFolder(output))
        throw std::runtime_error(output + ": is a folder; name the output file in it");
    const auto named = outputFormatForPath(output);
    if (!named)
        throw std::runtime_error(output + ": unknown output format (use .dxf, .svg or .json)");
    if (asked && *asked != *named) {
        throw std::runtime_error("--format " + format + ": the output name " + output +
                                 " asks for " + formatName(*named));
    }
    return *named;
}

stUnits_e unitsFromName(const std::string& name) {
    if (name == "px") return stUnits_e::Pixels;
    if (name == "mm") return stUnits_e::Millimetres;
    if (name == "in") return stUnits_e::Inches;
    throw std::runtime_error("--units: expected px, mm or in, not '" + name + "'");
}

double chooseResolution(double dpi, double imageDpi, stUnits_e units, const std::string& unitsName,
                        const std::string& input) {
    const double chosen = dpi > 0.0 ? dpi : imageDpi;
    if (units != stUnits_e::Pixels && !(chosen > 0.0)) {
        throw std::runtime_error("--units " + unitsName + ": " + input +
                                 " states no resolution; give it with --dpi");
    }
    return chosen;
}

std::string sketchSummary(stSketch_c& sketch) {
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

void reportWritten(const std::string& output, bool quiet, stSketch_c& sketch,
                   const std::string& emptyReason) {
    if (sketch.entitiesCount() == 0) {
        std::fprintf(stderr, "vemora: %s; the drawing is empty\n", emptyReason.c_str());
    } else if (!quiet) {
        const std::string line =
            (output == "-" ? std::string("vemora") : output) + ": " + sketchSummary(sketch);
        std::fprintf(output == "-" ? stderr : stdout, "%s\n", line.c_str());
    }
}

}  // namespace Vemora
