#pragma once

// The tracer's parameter set addressed by its keys ("Vector\Refiner\MergeGaps", ...), for
// `--set KEY=VALUE` on the command line.

#include <vemora/spv/stVectorizationParams.h>

#include <string>
#include <vector>

namespace Vemora {

// Every key the parameter set reads, in its own order.
const std::vector<std::string>& parameterKeys();

// Sets one parameter from its text. Throws std::invalid_argument with a one-line message naming
// the key when the key is unknown or the text is not a value of the key's type (booleans: true,
// false, yes, no, on, off, 1, 0; integers: decimal; reals: decimal or exponent notation, finite)
// within the key's bounds (stVectorizationParams_c::range).
void setParameter(stVectorizationParams_c& params, const std::string& key,
                  const std::string& value);

// Loads the parameter set from a parameter file's element (`fromXml`: a key missing from it reads
// as 0 or false) once every value the element holds has passed the checks of setParameter; else
// throws std::invalid_argument with a one-line message naming the file and the key. The values
// present are then set as setParameter reads them, whatever blanks surround them.
void setParameters(stVectorizationParams_c& params, stXmlElement_c* element,
                   const std::string& file);

}  // namespace Vemora
