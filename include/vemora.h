#pragma once

// Everything a host needs from libvmrkeru.

// Foundation
#include <vemora/foundation/utException.h>
#include <vemora/foundation/utGeCurve.h>
#include <vemora/foundation/utMatrix.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utSkewRectSlicer.h>
#include <vemora/foundation/utString.h>

// Properties and configurables
#include <vemora/config/stConfigurable.h>
#include <vemora/config/utDictionary.h>
#include <vemora/config/utValue.h>

// Engine and tools
#include <vemora/engine/stEngineConfiguration.h>
#include <vemora/engine/stProcessor.h>
#include <vemora/engine/stSketchTracer.h>
#include <vemora/engine/stTool.h>
#include <vemora/engine/stToolContext.h>
#include <vemora/engine/stToolListener.h>
#include <vemora/engine/stVMREngine.h>

// Sparse pixel vectorization
#include <vemora/spv/stSpvAlgorithm.h>
#include <vemora/spv/stSpvPoint.h>
#include <vemora/spv/stSpvSketch.h>
#include <vemora/spv/stSpvTrackInfo.h>
#include <vemora/spv/stVectorizationParams.h>

// Vector post-processing
#include <vemora/vector/stCurveRecognizers.h>
#include <vemora/vector/stEllipsePostProcessor.h>
#include <vemora/vector/stEntityRecognizer.h>
#include <vemora/vector/stGapHealer.h>
#include <vemora/vector/stJunctionsProcessor.h>
#include <vemora/vector/stPolygonalApproximator.h>
#include <vemora/vector/stSegmentizer.h>
#include <vemora/vector/stSketchRefiner.h>
#include <vemora/vector/stStrokeWidthMeter.h>
#include <vemora/vector/stTangentRelationProcessor.h>

// Outline tracing
#include <vemora/outline/stColoredOutlineAlgorithm.h>
#include <vemora/outline/stOutlineAlgorithm.h>

// Sketch
#include <vemora/sketch/stEntity.h>
#include <vemora/sketch/stSketch.h>

// Raster
#include <vemora/raster/stBinarization.h>
#include <vemora/raster/stClusterization.h>
#include <vemora/raster/stPiIndexing.h>
#include <vemora/raster/stRasterFilters.h>

// Interactive commands
#include <vemora/commands/stCommand.h>
#include <vemora/commands/stCommandContext.h>
#include <vemora/commands/stCommandScript.h>

// XML
#include <vemora/xml/stXmlElementHandle.h>
#include <vemora/xml/stXmlNode.h>
#include <vemora/xml/stXmlParser.h>
#include <vemora/xml/stXmlSax.h>
#include <vemora/xml/stXmlXPathFactory.h>
