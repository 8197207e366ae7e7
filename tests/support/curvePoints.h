#pragma once

// Point runs along circles and ellipses for the recognizer tests, optionally with seeded noise.

#include <vemora/foundation/utPoint.h>

#include "foundation/mathConstants.h"

#include <cmath>
#include <random>
#include <vector>

namespace vemora_test {

using Vemora::kPi;

inline double radians(double degrees) { return degrees * kPi / 180.0; }

// count points of the circle at the polar angles from..to (degrees, both ends included).
inline std::vector<Vemora::utPoint_c> circlePoints(double cx, double cy, double r, double from,
                                                   double to, int count) {
    std::vector<Vemora::utPoint_c> out;
    for (int i = 0; i < count; ++i) {
        const double t = radians(from + (to - from) * i / (count - 1));
        out.emplace_back(cx + r * std::cos(t), cy + r * std::sin(t));
    }
    return out;
}

// The point of the ellipse with semi-axis a along the direction `axis` (degrees) and b across it,
// at the polar angle g (degrees) measured from that axis.
inline Vemora::utPoint_c ellipsePolarPoint(double cx, double cy, double a, double b, double axis,
                                           double g) {
    const double t = radians(g);
    const double r = a * b / std::hypot(b * std::cos(t), a * std::sin(t));
    const double u = r * std::cos(t), v = r * std::sin(t);
    const double c = std::cos(radians(axis)), s = std::sin(radians(axis));
    return {cx + u * c - v * s, cy + u * s + v * c};
}

// count points at the polar angles from..to (degrees, both ends included).
inline std::vector<Vemora::utPoint_c> ellipsePoints(double cx, double cy, double a, double b,
                                                    double axis, double from, double to,
                                                    int count) {
    std::vector<Vemora::utPoint_c> out;
    for (int i = 0; i < count; ++i)
        out.push_back(ellipsePolarPoint(cx, cy, a, b, axis, from + (to - from) * i / (count - 1)));
    return out;
}

// Moves every point by up to `amount` in x and in y, uniformly, from a fixed seed.
inline std::vector<Vemora::utPoint_c> withNoise(std::vector<Vemora::utPoint_c> points,
                                                double amount, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> shift(-amount, amount);
    for (Vemora::utPoint_c& p : points) {
        const double dx = shift(random);
        const double dy = shift(random);
        p.set(p.x() + dx, p.y() + dy);
    }
    return points;
}

}  // namespace vemora_test
