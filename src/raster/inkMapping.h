#pragma once

// The two ways the binarization writes ink (0) and paper (0xFFFFFF) over a raster in place: below
// one level for the whole page, or below a level of Sauvola's drawn from the square window
// around each pixel. Both return the number of ink pixels and report progress(percent of the
// rows done) after each row whose percent changed.

#include <vemora/foundation/utRasterData.h>

#include <cstdint>
#include <functional>

namespace Vemora {

// Ink where the channel sum is below sumLimit.
uint64_t inkBelowSum(utRasterData_c& r, int sumLimit, const std::function<void(int)>& progress);

// Ink where the grey g of a pixel lies below m (1 + k (s / 128 - 1)), m and s the mean and the
// standard deviation of the grey over the window of side `window` (odd, at least 3) centred on
// it and clipped to the raster. The window's sums come from an integral image of which only the
// rows the window spans are kept, so the work per pixel does not grow with the window.
uint64_t inkBelowSauvola(utRasterData_c& r, int window, double k,
                         const std::function<void(int)>& progress);

}  // namespace Vemora
