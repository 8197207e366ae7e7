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

#include "optionValues.h"
#include "parameterKeys.h"
#include "pathText.h"
#include "toolCommand.h"
#include "traceCommand.h"

using namespace Vemora;

namespace {

constexpr int kBadInput = 2;

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
        "splines",
        "vemora"};
    app.set_version_flag("--version", std::string("vemora ") + VEMORA_VERSION);
    app.require_subcommand(1);

    stTraceOptions_c o;
    std::string offset, from;
    stDrawingOptionTexts_c drawingTexts;
    CLI::App* trace = app.add_subcommand(
        "trace", "Trace an image file (PNG, TIFF, JPEG, PNM, BMP) into DXF, SVG or JSON");
    addInputAndOutput(*trace, o);
    trace->add_option("--format", o.format,
                      "Output format: dxf, svg or json; needed with -o -, agrees with a file's "
                      "extension");
    trace->add_option("--offset", offset, "DX,DY added to every coordinate (pixels)")
        ->type_name("DX,DY");
    trace->add_option("--from", from, "X,Y: trace only the stroke through this pixel")
        ->type_name("X,Y");
    trace->add_option("--set", o.settings, "KEY=VALUE of the parameter set (repeatable)");
    trace->add_option("--params", o.paramsFile, "Parameter set as an XML file");
    addDrawingOptions(*trace, o, drawingTexts);
    trace->footer(keysHelp());
    stToolCommands_c toolCommands(app);

    if (argc <= 1) {
        std::fputs(app.help().c_str(), stderr);
        return kBadInput;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return app.exit(e);  // --help, --version
        return fail(e.what());
    }

    try {
        if (trace->parsed()) {
            if (trace->count("--offset")) o.offset = parseIntPair("--offset", offset);
            if (trace->count("--from")) o.from = parseIntPair("--from", from);
            readDrawingOptions(*trace, drawingTexts, o);
            runTrace(o);
        }
        if (toolCommands.parsed()) toolCommands.run();
        return EXIT_SUCCESS;
    } catch (const std::bad_alloc&) {
        return fail(o.input + ": not enough memory for this image");
    } catch (const utException_c& e) {
        return fail(e.what() ? narrowText(e.what()) : "failed");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
}
