#pragma once

// `vemora trace`: an image file in, a DXF, SVG or JSON sketch out.

#include <vemora/spv/stVectorizationParams.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "imageCommandOptions.h"

namespace Vemora {

struct stTraceOptions_c : stImageCommandOptions_c {
    std::pair<int, int> offset{0, 0};         // added to every coordinate, pixels
    std::optional<std::pair<int, int>> from;  // trace only the stroke through this pixel
    std::vector<std::string> settings;        // KEY=VALUE
    std::string paramsFile;                   // parameter set as XML
};

// Runs the command. Bad input (files, options, values) throws std::runtime_error with one line
// naming the file or option; nothing is written then.
void runTrace(const stTraceOptions_c& options);

// The parameter set the options ask for: defaults, then the XML file, then every --set in order.
stVectorizationParams_c traceParameters(const stTraceOptions_c& options);

}  // namespace Vemora
