#include <vemora/spv/stSketchTracer.h>

#include <vemora/spv/stSpvAlgorithm.h>

#include <cassert>

namespace Vemora {

stSketch_c* stSketchTracer_c::trace(int* pixels, int width, int height, int dx, int dy) {
    utRasterData_c raster(unsigned(width), unsigned(height), pixels);
    return trace(&raster, nullptr, dx, dy);
}

stSketch_c* stSketchTracer_c::traceFromPoint(int* pixels, int width, int height, int x, int y) {
    assert(x >= 0 && y >= 0 && x < width && y < height && "the start pixel lies inside the image");
    utRasterData_c raster(unsigned(width), unsigned(height), pixels);
    const utPoint_c start(x, y);
    return trace(&raster, &start, 0, 0);
}

stSketch_c* stSketchTracer_c::trace(utRasterData_c* raster, const utPoint_c* start, int dx, int dy) {
    stSpvAlgorithm_c spv;
    spv.setParams(params);
    stSketch_c* sketch = spv.trace(raster, start, double(dx), double(dy));
    return sketch;
}

}  // namespace Vemora
