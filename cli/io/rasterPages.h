#pragma once

#include <vemora/foundation/utRasterData.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

namespace Vemora {

// How the tool treats the memory of the rasters it decodes. A raster of an A0 scan is over half a
// gigabyte: first touching its pages and giving them back is a good part of a run.

// Whether the free memory listed in `buddyinfo` (the text of /proc/buddyinfo: per zone, the
// count of free blocks of 2^k pages for k = 0, 1, ...) holds free blocks of at least 2^order
// pages of `page` bytes for twice `bytes`. False for text that is not understood.
bool roomForHugePages(const std::string& buddyinfo, int order, std::size_t page, std::size_t bytes);

// For a raster just allocated and not yet written: asks the system to back it with huge pages
// (a fault per 2 MB instead of per 4 KB while it is filled, and fewer TLB misses after), but only
// for a large raster and only while the system has that many huge pages free, so that no time
// goes into compacting memory to make them. Nothing happens where the system says nothing.
void preferHugePages(utRasterData_c& raster);

// The whole pages inside [address, address + size) for pages of `page` bytes: [begin, end),
// empty (begin == end) when no whole page fits.
void wholePagesWithin(std::uintptr_t address, std::size_t size, std::size_t page, std::uintptr_t& begin,
                      std::uintptr_t& end);

// Takes over a raster nobody reads any more and gives the memory of its pixels back to the
// system on a thread of its own, so that this overlaps with what the caller does next (writing
// the output). Returning hundreds of megabytes takes tens of milliseconds; done when the raster
// is destroyed instead, it would hold everything up at the end. The raster is freed when this
// object goes.
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
