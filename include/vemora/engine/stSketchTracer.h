#pragma once

#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/foundation/vemoraApi.h>
#include <vemora/sketch/stSketch.h>
#include <vemora/spv/stVectorizationParams.h>

namespace Vemora {

// The one-call path from pixels to a sketch: sparse pixel tracing, then gap merging and collinear
// linking of the traced pieces, then recognition of lines, arcs, circles and ellipses, all steered
// by one parameter set. Every returned sketch is new and belongs to the caller.
class VEMORA_API stSketchTracer_c {
public:
    stSketchTracer_c() = default;

    // width x height pixels, row by row, 0x00RRGGBB; (dx, dy) is added to every coordinate.
    // Null pixels for an image of some pixels throw utException_c "No pixels!"; an image of no
    // pixels gives an empty sketch.
    stSketch_c* trace(int* pixels, int width, int height, int dx, int dy);
    // Only the stroke through pixel (x, y), which must lie inside the image.
    stSketch_c* traceFromPoint(int* pixels, int width, int height, int x, int y);
    // The chain on the caller's raster (not null, not kept); start null traces everything.
    stSketch_c* trace(utRasterData_c* raster, const utPoint_c* start, int dx, int dy);

    // Set its fields, or load it with fromXml, before tracing.
    stVectorizationParams_c params;
};

}  // namespace Vemora
