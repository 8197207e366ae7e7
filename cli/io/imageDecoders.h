#pragma once

// The per-format decoders behind decodeImage. They throw stDecodeFailure_c with the reason only;
// decodeImage puts the file name in front.

#include "imageReader.h"

namespace Vemora {

class stDecodeFailure_c : public std::runtime_error {
public:
    explicit stDecodeFailure_c(const std::string& reason) : std::runtime_error(reason) {}
};

// The bytes of one file and the caller's pixel limit.
struct stImageBytes_c {
    const unsigned char* data;
    size_t size;
    uint64_t maxPixels;
};

// Refuses a declared size of zero, beyond `maxPixels`, or beyond what a raster can hold; called
// before any pixel memory is taken.
void checkImageSize(uint64_t width, uint64_t height, uint64_t maxPixels);

// Lays a pixel of coverage `alpha` (0..255) on white paper.
inline uint32_t onWhite(unsigned r, unsigned g, unsigned b, unsigned alpha) {
    const auto mix = [alpha](unsigned c) {
        return (c * alpha + 255u * (255u - alpha) + 127u) / 255u;
    };
    return (mix(r) << 16) | (mix(g) << 8) | mix(b);
}

inline uint32_t rgb(unsigned r, unsigned g, unsigned b) { return (r << 16) | (g << 8) | b; }

stDecodedImage_c decodePng(const stImageBytes_c& in);
stDecodedImage_c decodeTiff(const stImageBytes_c& in);
stDecodedImage_c decodeJpeg(const stImageBytes_c& in);
stDecodedImage_c decodePnm(const stImageBytes_c& in);
stDecodedImage_c decodeBmp(const stImageBytes_c& in);

}  // namespace Vemora
