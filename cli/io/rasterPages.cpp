#include "rasterPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

namespace Vemora {

namespace {

// Rasters below this many bytes are left as they come.
constexpr std::size_t kHugePagesFrom = std::size_t(32) << 20;

std::string fileText(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

}  // namespace

bool roomForHugePages(const std::string& buddyinfo, int order, std::size_t page, std::size_t bytes) {
    if (order < 0 || order > 30 || page == 0) return false;
    // "Node 0, zone   Normal  37035  24500 ... 380": the counts follow the zone's name.
    double freeBytes = 0.0;
    bool understood = false;
    std::istringstream lines(buddyinfo);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        while (words >> word && word != "zone") {
        }
        if (!(words >> word)) continue;  // no zone name: not a line of counts
        double count = 0.0;
        for (int k = 0; words >> count; ++k) {
            understood = true;
            if (k >= order) freeBytes += count * double(std::size_t(1) << k) * double(page);
        }
    }
    return understood && freeBytes >= 2.0 * double(bytes);
}

void preferHugePages(utRasterData_c& raster) {
    const std::size_t bytes = raster.dataSize();
    if (bytes < kHugePagesFrom || raster.data() == nullptr) return;
    const long page = sysconf(_SC_PAGESIZE);
    const std::size_t huge = std::size_t(std::strtoull(
        fileText("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size").c_str(), nullptr, 10));
    if (page <= 0 || huge <= std::size_t(page) || huge % std::size_t(page) != 0) return;
    int order = 0;
    while ((std::size_t(page) << order) < huge) ++order;
    if (!roomForHugePages(fileText("/proc/buddyinfo"), order, std::size_t(page), bytes)) return;
    std::uintptr_t begin = 0, end = 0;
    wholePagesWithin(reinterpret_cast<std::uintptr_t>(raster.data()), bytes, huge, begin, end);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

void wholePagesWithin(std::uintptr_t address, std::size_t size, std::size_t page, std::uintptr_t& begin,
                      std::uintptr_t& end) {
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
    const long page = sysconf(_SC_PAGESIZE);
    std::uintptr_t begin = 0, end = 0;
    wholePagesWithin(reinterpret_cast<std::uintptr_t>(raster_.data()), raster_.dataSize(),
                     page > 0 ? std::size_t(page) : 0, begin, end);
    if (begin == end) return;
    try {
        // The pages read as zeros afterwards, which nobody looks at; the block itself stays the
        // allocator's until the raster is destroyed.
        thread_ = std::thread([begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED); });
    } catch (const std::system_error&) {
        // No thread to be had: the memory goes back when the raster is destroyed.
    }
}

stRasterRelease_c::~stRasterRelease_c() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace Vemora
