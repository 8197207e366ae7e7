#include "outline/colorSimilarity.h"

#include <algorithm>
#include <cmath>

namespace Vemora {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 57.29577951308232;
// Below this a cube root gives way to the straight piece of the CIE curves.
constexpr double kCieEpsilon = 0.008856;

utColorComponents_c bytesOf(uint32_t pixel) {
    return {double(pixel & 0xFF), double((pixel >> 8) & 0xFF), double((pixel >> 16) & 0xFF)};
}

utColorComponents_c xyzOf(uint32_t pixel) {
    const utColorComponents_c c = bytesOf(pixel);
    const double c0 = c.v1, c1 = c.v2, c2 = c.v3;
    return {0.3415412704942 * c1 + 0.4305708878245 * c0 + 0.1783247209905 * c2,
            0.7066493057353 * c1 + 0.2220126727173 * c0 + 0.0713296152812 * c2,
            0.1295529924681 * c1 + 0.020182971288 * c0 + 0.9391812116413 * c2};
}

utColorComponents_c hsvOf(uint32_t pixel) {
    const utColorComponents_c c = bytesOf(pixel);
    const double r = c.v1, g = c.v2, b = c.v3;
    const double max = std::max({r, g, b}), min = std::min({r, g, b});
    const double s = max == 0.0 ? 0.0 : 1.0 - min / max;
    double h = 0.0;
    if (max != min) {
        const double range = max - min;
        if (max == r) {
            h = 60.0 * (g - b) / range;
            if (h < 0.0) h += 360.0;
        } else if (max == g) {
            h = 60.0 * (b - r) / range + 120.0;
        } else {
            h = 60.0 * (r - g) / range + 240.0;
        }
    }
    return {h, s, max};
}

double lightness(double y) { return y > kCieEpsilon ? 116.0 * std::cbrt(y) - 16.0 : 903.3 * y; }

double cieCurve(double t) { return t > kCieEpsilon ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }

utColorComponents_c labOf(uint32_t pixel) {
    const utColorComponents_c xyz = xyzOf(pixel);
    const double fx = cieCurve(xyz.v1), fy = cieCurve(xyz.v2), fz = cieCurve(xyz.v3);
    return {lightness(xyz.v2), 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

utColorComponents_c luvOf(uint32_t pixel) {
    const utColorComponents_c xyz = xyzOf(pixel);
    const double l = lightness(xyz.v2);
    const double denominator = xyz.v1 + 15.0 * xyz.v2 + 3.0 * xyz.v3;
    if (denominator == 0.0) return {l, 0.0, 0.0};
    const double u = 4.0 * xyz.v1 / denominator, v = 9.0 * xyz.v2 / denominator;
    return {l, 13.0 * l * u, 13.0 * l * v};
}

// Hue in degrees as the tracer has always measured it: from the slope alone, so opposite hues
// coincide.
double hueOf(double a, double b) {
    return a == 0.0 ? 0.0 : (std::atan(b / a) + kPi) * kDegreesPerRadian;
}

}  // namespace

utColorComponents_c colorComponents(uint32_t pixel, int colorSpace) {
    switch (colorSpace) {
        case 1:
            return xyzOf(pixel);
        case 2:
            return hsvOf(pixel);
        case 3:
            return labOf(pixel);
        case 4:
            return luvOf(pixel);
        case 5: {
            const utColorComponents_c lab = labOf(pixel);
            return {lab.v1, hueOf(lab.v2, lab.v3), std::hypot(lab.v2, lab.v3)};
        }
        case 6: {
            const utColorComponents_c luv = luvOf(pixel);
            return {luv.v1, hueOf(luv.v2, luv.v3), 1.3 * std::hypot(luv.v2, luv.v3)};
        }
        default:
            return bytesOf(pixel);
    }
}

double colorDistance(const utColorComponents_c& a, const utColorComponents_c& b, int measure) {
    const double d1 = a.v1 - b.v1;
    switch (measure) {
        case 0: {
            const double d2 = a.v2 - b.v2, d3 = a.v3 - b.v3;
            return d1 * d1 + d2 * d2 + d3 * d3;
        }
        case 1: {
            // The law of cosines in the hue-chroma plane.
            const double dh = (a.v2 - b.v2) / kDegreesPerRadian;
            // Rounding may leave a hair below zero for close colours.
            return std::max(0.0,
                            d1 * d1 + a.v3 * a.v3 + b.v3 * b.v3 - 2.0 * a.v3 * b.v3 * std::cos(dh));
        }
        default:
            return -1.0;
    }
}

utColorSimilarity_c::utColorSimilarity_c(uint32_t seed, int colorSpace, int measure,
                                         int maxDistance)
    : seed_(seed & 0xFFFFFFu),
      colorSpace_(colorSpace),
      measure_(measure),
      maxDistance_(maxDistance),
      seedComponents_(colorComponents(seed_, colorSpace)),
      lastPixel_(seed_) {}

bool utColorSimilarity_c::compare(uint32_t pixel) const {
    if (pixel == seed_) return true;
    const double d = colorDistance(seedComponents_, colorComponents(pixel, colorSpace_), measure_);
    return d >= 0.0 && d < maxDistance_;
}

}  // namespace Vemora
