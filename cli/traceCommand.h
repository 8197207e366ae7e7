#pragma once

// `vemora trace`: an image file in, a DXF, SVG or JSON sketch out.

#include <vemora/spv/stVectorizationParams.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Vemora {

struct stTraceOptions_c {
    std::string input;
    std::string output;                       // "-" for standard output
    std::string format;                       // dxf, svg or json; needed with "-"
    std::pair<int, int> offset{0, 0};         // added to every coordinate, pixels
    std::optional<std::pair<int, int>> from;  // trace only the stroke through this pixel
    std::vector<std::string> settings;        // KEY=VALUE
    std::string paramsFile;                   // parameter set as XML
    std::optional<double> dpi;                // none: the image file's
    std::string units = "px";                 // px, mm or in
    bool overlay = false;
    bool quiet = false;
    uint64_t maxPixels = uint64_t(1) << 28;
};

// Runs the command. Bad input (files, options, values) throws std::runtime_error with one line
// naming the file or option; nothing is written then.
void runTrace(const stTraceOptions_c& options);

// The parameter set the options ask for: defaults, then the XML file, then every --set in order.
stVectorizationParams_c traceParameters(const stTraceOptions_c& options);

}  // namespace Vemora
