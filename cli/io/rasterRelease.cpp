#include "rasterRelease.h"

#include "atomicFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <system_error>
#include <utility>

namespace Vemora {

void wholePagesWithin(std::uintptr_t address, std::size_t size, std::size_t page,
                      std::uintptr_t& begin, std::uintptr_t& end) {
    begin = end = address;
    if (page == 0 || size < page) return;
    const std::uintptr_t first = (address + page - 1) / page * page;
    const std::uintptr_t last = (address + size) / page * page;
    if (last > first) {
        begin = first;
        end = last;
    }
}

stRasterRelease_c::stRasterRelease_c(utRasterData_c&& raster) : raster_(std::move(raster)) {
    // Below this a thread costs more than it saves: starting it (and the allocator's arena for it)
    // takes a few tenths of a millisecond, and a small block is unmapped as quickly at the end.
    const std::size_t worthwhile = std::size_t(32) << 20;
    if (raster_.dataSize() < worthwhile) return;
    const long page = sysconf(_SC_PAGESIZE);
    std::uintptr_t begin = 0, end = 0;
    wholePagesWithin(reinterpret_cast<std::uintptr_t>(raster_.data()), raster_.dataSize(),
                     page > 0 ? std::size_t(page) : 0, begin, end);
    if (begin == end) return;
    try {
        // The pages read as zeros afterwards, which nobody looks at; the block itself stays the
        // allocator's until the raster is destroyed.
        const stInterruptsHeld_c held;
        thread_ = std::thread(
            [begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED); });
    } catch (const std::system_error&) {
        // No thread to be had: the memory goes back when the raster is destroyed.
    }
}

stRasterRelease_c::~stRasterRelease_c() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace Vemora
