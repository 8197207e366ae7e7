#pragma once

// When two colours count as alike for the coloured outline tracer: both are turned into three
// components of a colour space, and a measure of their difference is held against a limit.
//
// A pixel's bytes are c0 (bits 0-7), c1 (bits 8-15) and c2 (bits 16-23); the spaces read them
// in that order, whatever the channels are called elsewhere.
//
// Colour spaces:
//   0  (c0, c1, c2) as they are;
//   1  XYZ-like, a linear mix of the bytes, not scaled to 0-1;
//   2  HSV (H in degrees, S 0-1, V 0-255) with (r, g, b) = (c0, c1, c2);
//   3  L*a*b* from space 1, without a white point;
//   4  L*u*v* from space 1, without a white point;
//   5  (L, H, C) from space 3: hue in degrees and chroma;
//   6  (L, H, C) from space 4, the chroma weighed by 1.3.
//   Other values read as space 0.
// Measures:
//   0  the squared distance of the components;
//   1  the squared distance in a lightness-hue-chroma cylinder, taking the first component as
//      lightness, the second as hue in degrees and the third as chroma:
//      dL^2 + C1^2 + C2^2 - 2 C1 C2 cos(dH);
//   other values: nothing is alike but the very same colour.

#include <cstdint>

namespace Vemora {

struct utColorComponents_c {
    double v1 = 0.0;
    double v2 = 0.0;
    double v3 = 0.0;
};

// The components of a pixel in a colour space.
utColorComponents_c colorComponents(uint32_t pixel, int colorSpace);

// The difference of two colours' components under a measure; negative for a measure that
// compares nothing (only equal colours are alike then).
double colorDistance(const utColorComponents_c& a, const utColorComponents_c& b, int measure);

// Answers whether pixels are alike to one seed colour: their distance to it is below the limit,
// or they are the seed colour itself (the top byte of a pixel plays no part).
class utColorSimilarity_c {
public:
    utColorSimilarity_c(uint32_t seed, int colorSpace, int measure, int maxDistance);

    bool similar(uint32_t pixel) {
        pixel &= 0xFFFFFFu;
        // Drawings are mostly runs of one colour: the last answer serves the next pixel often.
        if (pixel != lastPixel_) {
            lastPixel_ = pixel;
            lastAnswer_ = compare(pixel);
        }
        return lastAnswer_;
    }

private:
    bool compare(uint32_t pixel) const;

    uint32_t seed_;
    int colorSpace_;
    int measure_;
    double maxDistance_;
    utColorComponents_c seedComponents_;
    uint32_t lastPixel_;
    bool lastAnswer_ = true;
};

}  // namespace Vemora
