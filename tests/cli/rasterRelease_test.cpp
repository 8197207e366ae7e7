#include "io/rasterRelease.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace Vemora;

// Only whole pages strictly inside the block may be handed back: a page shared with whatever
// lies before or after the pixels must be left alone.
TEST(rasterReleaseTest, OnlyWholePagesInsideTheBlockAreGivenBack) {
    struct Case {
        std::uintptr_t address;
        std::size_t size;
        std::uintptr_t begin, end;
    } cases[] = {
        {4096, 8192, 4096, 12288},  // aligned both ends
        {4100, 8192, 8192, 12288},  // starts inside a page: that page stays
        {4096, 8000, 4096, 8192},   // ends inside a page: that page stays
        {4100, 8188, 8192, 12288},  // both
        {4100, 4092, 4100, 4100},   // less than a whole page after the first boundary
        {4100, 100, 4100, 4100},    // smaller than a page
        {0, 0, 0, 0},               // nothing
    };
    for (const Case& c : cases) {
        std::uintptr_t begin = 1, end = 2;
        wholePagesWithin(c.address, c.size, 4096, begin, end);
        EXPECT_EQ(begin, c.begin) << c.address << " + " << c.size;
        EXPECT_EQ(end, c.end) << c.address << " + " << c.size;
    }
}

// Rasters from 32 MB up are given back page by page while the caller goes on; the pages shared
// with the allocator's own records before and after the pixels must be left alone, or freeing the
// raster afterwards fails (the allocator checks those records, and so does the sanitizer's).
// Widths are chosen so that the pixels neither start nor end on a page boundary.
TEST(rasterReleaseTest, LargeRastersAreGivenBackAndFreedCleanly) {
    for (unsigned width : {3001u, 3000u, 4099u}) {
        SCOPED_TRACE(width);
        utRasterData_c raster(width, 3001);
        ASSERT_GE(raster.dataSize(), std::size_t(32) << 20);
        std::memset(raster.data(), 0x5A, raster.dataSize());
        {
            stRasterRelease_c release(std::move(raster));
            EXPECT_EQ(raster.data(), nullptr);
        }
    }
}
