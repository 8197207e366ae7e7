// vemora: raster drawings in, sketches out.

#include <vemora/foundation/utException.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "parameterKeys.h"
#include "traceCommand.h"

using namespace Vemora;

namespace {

constexpr int kBadInput = 2;

// "X,Y" as two integers.
std::pair<int, int> parsePair(const std::string& option, const std::string& text) {
    const size_t comma = text.find(',');
    try {
        if (comma != std::string::npos) {
            size_t a = 0, b = 0;
            const int x = std::stoi(text.substr(0, comma), &a);
            const int y = std::stoi(text.substr(comma + 1), &b);
            if (a == comma && b == text.size() - comma - 1) return {x, y};
        }
    } catch (const std::exception&) {
    }
    throw std::runtime_error(option + ": expected two integers as X,Y, not '" + text + "'");
}

std::string keysHelp() {
    std::string text = "Keys for --set (the tracer's parameter set):\n";
    for (const std::string& k : parameterKeys()) text += "  " + k + "\n";
    return text;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "vemora: %s\n", message.c_str());
    return kBadInput;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "vemora: vectorize raster drawings into sketches of lines, arcs, circles, ellipses and "
        "splines"};
    app.set_version_flag("--version", std::string("vemora ") + VEMORA_VERSION);
    app.require_subcommand(1);

    stTraceOptions_c o;
    std::string offset, from;
    CLI::App* trace = app.add_subcommand(
        "trace", "Trace an image file (PNG, TIFF, JPEG, PNM, BMP) into DXF, SVG or JSON");
    trace->add_option("INPUT", o.input, "Image file")->required();
    trace
        ->add_option("-o,--output", o.output,
                     "Output file: .dxf, .svg or .json; - for standard output")
        ->required();
    trace->add_option("--format", o.format, "Output format with -o -: dxf, svg or json");
    trace->add_option("--offset", offset, "DX,DY added to every coordinate (pixels)");
    trace->add_option("--from", from, "X,Y: trace only the stroke through this pixel");
    trace->add_option("--set", o.settings, "KEY=VALUE of the parameter set (repeatable)");
    trace->add_option("--params", o.paramsFile, "Parameter set as an XML file");
    trace->add_option("--dpi", o.dpi, "Resolution in dots per inch (default: the image file's)");
    trace->add_option("--units", o.units, "Drawing units: px, mm or in (default px)");
    trace->add_option("--max-pixels", o.maxPixels, "Refuse images of more pixels (default 2^28)");
    trace->add_flag("--overlay", o.overlay, "SVG: draw the image underneath the vectors");
    trace->add_flag("-q,--quiet", o.quiet, "No progress display and no summary");
    trace->footer(keysHelp());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        return fail(e.what());
    }

    try {
        if (trace->parsed()) {
            if (!offset.empty()) o.offset = parsePair("--offset", offset);
            if (!from.empty()) o.from = parsePair("--from", from);
            runTrace(o);
        }
        return EXIT_SUCCESS;
    } catch (const std::bad_alloc&) {
        return fail(o.input + ": not enough memory for this image");
    } catch (const utException_c& e) {
        const wchar_t* w = e.what();
        return fail(w ? std::string(w, w + std::wcslen(w)) : "failed");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
