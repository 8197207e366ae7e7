#pragma once

// The one ink test of the library: a pixel 0x00RRGGBB is ink when the mean of its three channels,
// (R + G + B) / 3, lies strictly below the black level. The mean is never divided out: a sum s of
// three channels lies a third away from any multiple of 3 unless it is one, so s / 3 < level
// exactly when s < 3 level.

#include <algorithm>
#include <cstdint>

namespace Vemora {

// R + G + B of a pixel; the top byte is not colour.
constexpr int channelSum(uint32_t pixel) {
    return int(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}

// What the channel sum of an ink pixel stays below: 3 x level. A level below 0 makes nothing ink
// and one above 256 everything, as 0 and 256 do, so any level gives a bound without overflow.
constexpr int inkSumLimit(long long level) { return int(3 * std::clamp(level, 0LL, 256LL)); }

// The test for loops that work out the bound once.
constexpr bool isInkBelow(uint32_t pixel, int sumLimit) { return channelSum(pixel) < sumLimit; }

constexpr bool isInk(uint32_t pixel, long long level) {
    return isInkBelow(pixel, inkSumLimit(level));
}

}  // namespace Vemora
