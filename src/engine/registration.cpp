// The one list of the library's configurable classes, in registration order. That order is the
// order of the engine's registry and of its processor name lists, so it is kept here in one place
// rather than left to the order in which static objects of different files happen to start.

#include "engine/registration.h"

#include <vemora/commands/stCommand.h>
#include <vemora/engine/stProcessor.h>
#include <vemora/engine/stVMREngine.h>
#include <vemora/outline/stColoredOutlineAlgorithm.h>
#include <vemora/outline/stOutlineAlgorithm.h>
#include <vemora/raster/stBinarization.h>
#include <vemora/raster/stClusterization.h>
#include <vemora/raster/stRasterFilters.h>
#include <vemora/spv/stSpvAlgorithm.h>
#include <vemora/spv/stVectorizationParams.h>
#include <vemora/vector/stEntityRecognizer.h>
#include <vemora/vector/stJunctionsProcessor.h>
#include <vemora/vector/stPolygonalApproximator.h>
#include <vemora/vector/stSegmentizer.h>
#include <vemora/vector/stSketchRefiner.h>
#include <vemora/vector/stStrokeWidthMeter.h>

namespace Vemora {

void registerLibraryClasses(stVMREngine_c& engine) {
    stDescriptor_c* const classes[] = {
        // One class a line, in the order of the registration table (the classes of rows
        // not listed here are not built yet).
        stColoredOutlineAlgorithm_c::desc(),  // 1
        stCommand_c::desc(),                  // 2
        stOutlineAlgorithm_c::desc(),         // 3
        stProcessor_c::desc(),                // 4
        stRasterProcessor_c::desc(),          // 5
        stTracingAlgorithm_c::desc(),         // 6
        stSketchProcessor_c::desc(),          // 7
        stSegmentizer_c::desc(),              // 8
        stPolygonalApproximator_c::desc(),    // 9
        stJunctionsProcessor_c::desc(),       // 10
        stThresholdFilter_c::desc(),          // 11
        stThiningFilter_c::desc(),            // 12
        stSharpenFilter_c::desc(),            // 13
        stNoiseFilter_c::desc(),              // 14
        stGaussianFilter_c::desc(),           // 15
        stEdgeFilter_c::desc(),               // 16
        stCustomFilter_c::desc(),             // 17
        stClusterization_c::desc(),           // 18
        stBrightnessAndContrast_c::desc(),    // 19
        stEntityRecognizer_c::desc(),         // 20
        stSketchRefiner_c::desc(),            // 21
        stVectorizationParams_c::desc(),      // 22
        stSpvAlgorithm_c::desc(),             // 23
        // Our own classes, after the table's rows.
        stBinarization_c::desc(),
        stStrokeWidthMeter_c::desc(),
    };
    for (stDescriptor_c* d : classes) engine.registerConfigurable(d);
}

namespace {
// Loading the library creates the engine, and with it the registry.
[[maybe_unused]] const bool engineCreatedOnLoad = (stVMREngine_c::getEngine(), true);
}  // namespace

}  // namespace Vemora
