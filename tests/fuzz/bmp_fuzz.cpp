// Feeds arbitrary bytes to the BMP reader: it must throw stFileError_c or return an image, never
// crash, hang or read out of bounds.
#include "io/imageReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return 0;
    try {
        // A small limit keeps each run fast; the size checks are exercised all the same.
        Vemora::decodeImage(data, size, "fuzz", uint64_t(1) << 20);
    } catch (const Vemora::stFileError_c&) {
    }
    return 0;
}
