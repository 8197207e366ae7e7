#pragma once

#include <vemora/foundation/utRasterData.h>

#include <cstddef>
#include <cstdint>
#include <thread>

namespace Vemora {

// The whole pages inside [address, address + size) for pages of `page` bytes: [begin, end),
// empty (begin == end) when no whole page fits.
void wholePagesWithin(std::uintptr_t address, std::size_t size, std::size_t page,
                      std::uintptr_t& begin, std::uintptr_t& end);

// Takes over a raster nobody reads any more and gives the memory of its pixels back to the
// system on a thread of its own, so that this overlaps with what the caller does next (writing
// the output). Returning hundreds of megabytes takes tens of milliseconds; done when the raster
// is destroyed instead, it would hold everything up at the end. Small rasters are simply kept
// until then. The raster is freed when this object goes.
class stRasterRelease_c {
public:
    explicit stRasterRelease_c(utRasterData_c&& raster);
    ~stRasterRelease_c();
    stRasterRelease_c(const stRasterRelease_c&) = delete;
    stRasterRelease_c& operator=(const stRasterRelease_c&) = delete;

private:
    utRasterData_c raster_;
    std::thread thread_;
};

}  // namespace Vemora
