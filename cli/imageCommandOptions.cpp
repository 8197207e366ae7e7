#include "imageCommandOptions.h"

#include <CLI/CLI.hpp>

#include "optionValues.h"

namespace Vemora {

void addInputAndOutput(CLI::App& command, stImageCommandOptions_c& o) {
    command.add_option("INPUT", o.input, "Image file")->required();
    command
        .add_option("-o,--output", o.output,
                    "Output file: .dxf, .svg or .json; - for standard output")
        ->required();
}

void addDrawingOptions(CLI::App& command, stImageCommandOptions_c& o,
                       stDrawingOptionTexts_c& texts) {
    command
        .add_option("--dpi", texts.dpi, "Resolution in dots per inch (default: the image file's)")
        ->type_name("DPI");
    command.add_option("--units", o.units, "Drawing units: px, mm or in (default px)");
    command
        .add_option("--max-pixels", texts.maxPixels, "Refuse images of more pixels (default 2^28)")
        ->type_name("N");
    command.add_flag("--overlay", o.overlay, "SVG: draw the image underneath the vectors");
    command.add_flag("-q,--quiet", o.quiet, "No progress display and no summary");
}

void readDrawingOptions(const CLI::App& command, const stDrawingOptionTexts_c& texts,
                        stImageCommandOptions_c& o) {
    if (command.count("--dpi")) o.dpi = parseDpi("--dpi", texts.dpi);
    if (command.count("--max-pixels"))
        o.maxPixels = parsePositiveCount("--max-pixels", texts.maxPixels);
}

}  // namespace Vemora
