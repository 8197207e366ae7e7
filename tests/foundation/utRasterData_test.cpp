#include <vemora.h>

#include <gtest/gtest.h>

#include <new>
#include <vector>

using namespace Vemora;

namespace {
// Pixel value that encodes its own position, so misplaced copies show.
uint32_t tag(unsigned x, unsigned y) { return (x << 8) | y; }

utRasterData_c tagged(unsigned w, unsigned h) {
    utRasterData_c r(w, h);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) r.setPixel(x, y, tag(x, y));
    return r;
}
}  // namespace

TEST(utRasterDataTest, NewImageIsBlackAndRowMajor) {
    utRasterData_c r(3, 2);
    EXPECT_EQ(r.pixel(2, 1), 0u);
    r.setPixel(2, 1, 0x00FF00FFu);
    EXPECT_EQ(r.data()[2 + 1 * 3], 0x00FF00FFu);
    EXPECT_EQ(r.rowSize(), 12u);
    EXPECT_EQ(r.dataSize(), 24u);
    EXPECT_EQ(r.pixelSize(), 4u);
}

TEST(utRasterDataTest, CopiesOwnTheirPixels) {
    std::vector<uint32_t> src = {1, 2, 3, 4};
    utRasterData_c fromBlock(2, 2, src.data());
    src[0] = 99;  // the caller keeps its block
    EXPECT_EQ(fromBlock.pixel(0, 0), 1u);

    utRasterData_c copy(fromBlock);
    EXPECT_NE(copy.data(), fromBlock.data());
    EXPECT_TRUE(copy == fromBlock);
    copy.setPixel(1, 1, 7);
    EXPECT_FALSE(copy == fromBlock);
    EXPECT_EQ(fromBlock.pixel(1, 1), 4u);
}

TEST(utRasterDataTest, SubImageIsClippedNeverPadded) {
    const utRasterData_c src = tagged(10, 10);
    const utRasterData_c sub(src, 8, 3, 5, 4);
    ASSERT_EQ(sub.width(), 2u);
    ASSERT_EQ(sub.height(), 4u);
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned i = 0; i < 2; ++i) EXPECT_EQ(sub.pixel(i, j), tag(8 + i, 3 + j));

    const utRasterData_c atCorner(src, 10, 10, 5, 5);
    EXPECT_EQ(atCorner.width(), 0u);
    EXPECT_EQ(atCorner.height(), 0u);

    // Regression: a start beyond the source wrapped the clipping difference and copied from
    // outside the source.
    const utRasterData_c pastRight(src, 12, 3, 5, 4);
    EXPECT_EQ(pastRight.width(), 0u);
    EXPECT_EQ(pastRight.height(), 4u);
    const utRasterData_c pastBottom(src, 3, 4000000000u, 5, 4);
    EXPECT_EQ(pastBottom.width(), 5u);
    EXPECT_EQ(pastBottom.height(), 0u);
}

TEST(utRasterDataTest, PasteWritesOnlyTheOverlap) {
    utRasterData_c dst(10, 10);
    utRasterData_c patch(5, 5);
    for (unsigned y = 0; y < 5; ++y)
        for (unsigned x = 0; x < 5; ++x) patch.setPixel(x, y, 0x00FFFFFFu);
    dst.setRectRasterData(patch, 8, 8);
    unsigned white = 0;
    for (unsigned y = 0; y < 10; ++y)
        for (unsigned x = 0; x < 10; ++x) white += dst.pixel(x, y) == 0x00FFFFFFu;
    EXPECT_EQ(white, 4u);
    EXPECT_EQ(dst.pixel(9, 9), 0x00FFFFFFu);
    EXPECT_EQ(dst.pixel(7, 9), 0u);

    const utRasterData_c src = tagged(3, 2);
    utRasterData_c target(6, 6);
    target.setRectRasterData(src, 1, 2);
    EXPECT_EQ(target.pixel(1, 2), tag(0, 0));
    EXPECT_EQ(target.pixel(3, 3), tag(2, 1));
    EXPECT_EQ(target.pixel(4, 3), 0u);

    target.setRectRasterData(src, 6, 0);  // nothing overlaps
    EXPECT_EQ(target.pixel(5, 0), 0u);
    const utRasterData_c before = target;
    target.setRectRasterData(src, 7, 0);  // beyond the right edge
    target.setRectRasterData(src, 0, 4000000000u);
    EXPECT_TRUE(target == before);
}

TEST(utRasterDataTest, AssignmentResizesAndCopies) {
    utRasterData_c a = tagged(4, 3);
    utRasterData_c b(1, 1);
    b = a;
    EXPECT_TRUE(b == a);
    EXPECT_NE(b.data(), a.data());

    utRasterData_c c(4, 3);
    uint32_t* const block = c.data();
    c = a;  // same size: the block is reused
    EXPECT_EQ(c.data(), block);
    EXPECT_TRUE(c == a);

    c = c;  // self-assignment keeps the pixels
    EXPECT_TRUE(c == a);
}

// Readers build an image and move it into place: the pixels change hands without a second block.
TEST(utRasterDataTest, MovesHandThePixelsOver) {
    utRasterData_c a = tagged(4, 3);
    const utRasterData_c expected(a);
    const uint32_t* const block = a.data();
    utRasterData_c b(std::move(a));
    EXPECT_EQ(b.data(), block);
    EXPECT_TRUE(b == expected);
    EXPECT_EQ(a.width(), 0u);  // NOLINT: the moved-from image is empty
    EXPECT_EQ(a.dataSize(), 0u);

    utRasterData_c c(2, 2);
    c = std::move(b);
    EXPECT_EQ(c.data(), block);
    EXPECT_TRUE(c == expected);
    EXPECT_EQ(b.height(), 0u);  // NOLINT
}

TEST(utRasterDataTest, AssignFromEmptySourceLeavesNoBlock) {
    utRasterData_c r = tagged(3, 3);
    const utRasterData_c empty(0, 5);
    r.assign(empty);
    EXPECT_EQ(r.width(), 0u);
    EXPECT_EQ(r.height(), 5u);
    EXPECT_EQ(r.data(), nullptr);
    EXPECT_TRUE(r == empty);
}

TEST(utRasterDataTest, TooManyPixelsIsAnAllocationFailureNotAWrap) {
    // 2^15 x 2^15 = 2^30 pixels: 4 GiB that would wrap to 0 in 32-bit byte counts.
    EXPECT_THROW(utRasterData_c(1u << 15, 1u << 15), std::bad_alloc);
    EXPECT_THROW(utRasterData_c(1u << 16, 1u << 16),
                 std::bad_alloc);  // wraps to 0 pixels in 32 bits
    EXPECT_THROW(utRasterData_c(0xFFFFFFFFu, 2), std::bad_alloc);

    utRasterData_c kept = tagged(2, 2);
    const utRasterData_c before(kept);
    EXPECT_THROW(kept = utRasterData_c(1u << 15, 1u << 15), std::bad_alloc);
    EXPECT_TRUE(kept == before);  // a failed assignment leaves the target whole
}
