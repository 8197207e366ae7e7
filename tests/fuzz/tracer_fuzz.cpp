// Traces arbitrary small drawings through the whole tracer chain: whatever the pixels, and
// whether or not a start point is given, tracing must return a sketch, never crash, hang or
// read out of bounds.
//
// Input: width and height (1-96) in the first two bytes; the third byte's low bit asks for a start
// point at the next two bytes (taken modulo the size); the rest gives one bit a pixel, row by row,
// 1 for ink. Pixels past the end of the input are paper.
#include <vemora/engine/stSketchTracer.h>
#include <vemora/foundation/utPoint.h>
#include <vemora/foundation/utRasterData.h>
#include <vemora/sketch/stSketch.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const unsigned w = 1u + data[0] % 96u, h = 1u + data[1] % 96u;
    const bool fromPoint = (data[2] & 1u) != 0;
    const Vemora::utPoint_c start(double(data[3] % w), double(data[4] % h));
    data += 5;
    size -= 5;
    Vemora::utRasterData_c raster(w, h);
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            const size_t k = size_t(y) * w + x;
            const bool ink = k / 8 < size && ((data[k / 8] >> (k % 8)) & 1u) != 0;
            raster.setPixel(x, y, ink ? 0x000000u : 0xFFFFFFu);
        }
    }
    Vemora::stSketchTracer_c tracer;
    std::unique_ptr<Vemora::stSketch_c> sketch(
        tracer.trace(&raster, fromPoint ? &start : nullptr, 0, 0));
    if (!sketch) std::abort();
    return 0;
}
