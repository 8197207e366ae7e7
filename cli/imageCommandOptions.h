#pragma once

// The options `vemora trace` and `vemora tool` share: the image file in, the sketch file out and
// how the drawing is written. Each command declares them in two groups, its own options between.

#include <cstdint>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace Vemora {

struct stImageCommandOptions_c {
    std::string input;
    std::string output;         // "-" for standard output
    std::string format;         // dxf, svg or json; needed with "-"
    std::optional<double> dpi;  // none: the image file's
    std::string units = "px";   // px, mm or in
    bool overlay = false;
    bool quiet = false;
    uint64_t maxPixels = uint64_t(1) << 28;
};

// The texts of the options whose values are checked once the command line is parsed.
struct stDrawingOptionTexts_c {
    std::string dpi;
    std::string maxPixels;
};

// INPUT and -o,--output, both required.
void addInputAndOutput(CLI::App& command, stImageCommandOptions_c& options);

// --dpi, --units, --max-pixels, --overlay and -q,--quiet.
void addDrawingOptions(CLI::App& command, stImageCommandOptions_c& options,
                       stDrawingOptionTexts_c& texts);

// The values of --dpi and --max-pixels where the command line gave them; throws
// std::runtime_error with one line naming the option for a value it refuses.
void readDrawingOptions(const CLI::App& command, const stDrawingOptionTexts_c& texts,
                        stImageCommandOptions_c& options);

}  // namespace Vemora
