#pragma once

// What `vemora trace` and `vemora tool` share about their output: its format and units, checked
// before any work starts, and the line that tells what was written.

#include <vemora/sketch/stSketch.h>

#include <string>

#include "io/sketchWriter.h"

namespace Vemora {

// The output's format: the file name's extension, or `format` (dxf, svg or json) for standard
// output ("-"); given both, they must agree. Throws std::runtime_error with one line otherwise,
// and for a name that is a folder.
stOutputFormat_e chooseOutputFormat(const std::string& output, const std::string& format);

// "px", "mm" or "in"; throws std::runtime_error for anything else.
stUnits_e unitsFromName(const std::string& name);

// The resolution the drawing is written with: `dpi` when given (positive), else the image's.
// Units other than pixels need one: throws std::runtime_error naming the input otherwise.
double chooseResolution(double dpi, double imageDpi, stUnits_e units, const std::string& unitsName,
                        const std::string& input);

// "N entities: A lines, B arcs, ..." (kinds with none left out).
std::string sketchSummary(stSketch_c& sketch);

// After writing: the summary on standard output (on standard error when the sketch went to
// standard output), unless quiet; an empty sketch is told on standard error in any case, with
// `emptyReason` ("no strokes were found", ...).
void reportWritten(const std::string& output, bool quiet, stSketch_c& sketch,
                   const std::string& emptyReason);

}  // namespace Vemora
