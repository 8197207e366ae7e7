// The one list of the library's configurable classes, in registration order. That order is the
// order of the engine's registry and of its processor name lists, so it is kept here in one place
// rather than left to the order in which static objects of different files happen to start.

#include "engine/registration.h"

#include <vemora/commands/stCommand.h>
#include <vemora/engine/stProcessor.h>
#include <vemora/engine/stVMREngine.h>
#include <vemora/spv/stSpvAlgorithm.h>
#include <vemora/spv/stVectorizationParams.h>
#include <vemora/vector/stEntityRecognizer.h>
#include <vemora/vector/stJunctionsProcessor.h>
#include <vemora/vector/stSegmentizer.h>
#include <vemora/vector/stSketchRefiner.h>

namespace Vemora {

void registerLibraryClasses(stVMREngine_c& engine) {
    stDescriptor_c* const classes[] = {
        stCommand_c::desc(),
        stProcessor_c::desc(),
        stRasterProcessor_c::desc(),
        stTracingAlgorithm_c::desc(),
        stSketchProcessor_c::desc(),
        stSegmentizer_c::desc(),
        stJunctionsProcessor_c::desc(),
        stEntityRecognizer_c::desc(),
        stSketchRefiner_c::desc(),
        stVectorizationParams_c::desc(),
        stSpvAlgorithm_c::desc(),
    };
    for (stDescriptor_c* d : classes) engine.registerConfigurable(d);
}

namespace {
// Loading the library creates the engine, and with it the registry.
[[maybe_unused]] const bool engineCreatedOnLoad = (stVMREngine_c::getEngine(), true);
}  // namespace

}  // namespace Vemora
