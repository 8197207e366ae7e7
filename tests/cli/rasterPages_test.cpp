#include "io/rasterPages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace Vemora;

// Only whole pages strictly inside the block may be handed back: a page shared with whatever
// lies before or after the pixels must be left alone.
TEST(rasterPagesTest, OnlyWholePagesInsideTheBlockAreGivenBack) {
    struct Case {
        std::uintptr_t address;
        std::size_t size;
        std::uintptr_t begin, end;
    } cases[] = {
        {4096, 8192, 4096, 12288},   // aligned both ends
        {4100, 8192, 8192, 12288},   // starts inside a page: that page stays
        {4096, 8000, 4096, 8192},    // ends inside a page: that page stays
        {4100, 8188, 8192, 12288},   // both
        {4100, 4092, 4100, 4100},    // less than a whole page after the first boundary
        {4100, 100, 4100, 4100},     // smaller than a page
        {0, 0, 0, 0},                // nothing
    };
    for (const Case& c : cases) {
        std::uintptr_t begin = 1, end = 2;
        wholePagesWithin(c.address, c.size, 4096, begin, end);
        EXPECT_EQ(begin, c.begin) << c.address << " + " << c.size;
        EXPECT_EQ(end, c.end) << c.address << " + " << c.size;
    }
}

// Whatever was allocated around the raster keeps its contents.
TEST(rasterPagesTest, MemoryAroundTheRasterIsUntouched) {
    std::vector<std::vector<unsigned char>> around;
    for (unsigned size : {3u, 700u, 5000u, 70000u}) {
        around.emplace_back(1000, 0xAB);
        {
            utRasterData_c raster(size, 7);
            std::memset(raster.data(), 0x5A, raster.dataSize());
            stRasterRelease_c release(std::move(raster));
            EXPECT_EQ(raster.data(), nullptr);
        }
        around.emplace_back(1000, 0xCD);
    }
    for (size_t i = 0; i < around.size(); ++i)
        for (unsigned char b : around[i]) ASSERT_EQ(b, i % 2 ? 0xCD : 0xAB);
}

// Huge pages are asked for only while the free blocks of their size and up hold twice the raster.
TEST(rasterPagesTest, HugePagesOnlyWhileEnoughAreFree) {
    const std::string info =
        "Node 0, zone      DMA      0      0      0      0      0      0      0      0      1      1      3 \n"
        "Node 0, zone    DMA32      2      3      4      2      2      3      3      1      1      2    753 \n"
        "Node 0, zone   Normal  37035  24500   9509   3722   1787    789    410    198    132     68    380 \n";
    const size_t page = 4096;
    // Order 9 and up: (1 + 2 + 68) blocks of 2 MB and (3 + 753 + 380) of 4 MB, 4686 MB in all.
    const size_t freeMB = (1 + 2 + 68) * 2 + (3 + 753 + 380) * 4;
    EXPECT_TRUE(roomForHugePages(info, 9, page, freeMB / 2 << 20));
    EXPECT_FALSE(roomForHugePages(info, 9, page, (freeMB / 2 + 1) << 20));
    // Smaller blocks do not count: at order 10 only the 4 MB blocks are left.
    EXPECT_FALSE(roomForHugePages(info, 10, page, freeMB / 2 << 20));
    EXPECT_TRUE(roomForHugePages(info, 10, page, size_t(1136 * 4 / 2) << 20));
    // Text that is not understood never says yes.
    EXPECT_FALSE(roomForHugePages("", 9, page, 1));
    EXPECT_FALSE(roomForHugePages("no zones here\n", 9, page, 1));
    EXPECT_FALSE(roomForHugePages(info, 9, 0, 1));
}
