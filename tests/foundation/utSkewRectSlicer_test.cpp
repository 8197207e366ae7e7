#include <gtest/gtest.h>
#include <vemora.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

using namespace Vemora;

namespace {

constexpr double kTol = 1e-9;

struct SliceRow {
    const char* name;
    double cut;
    bool hit;
    double lo;
    double hi;
};

void checkSlices(const utSkewRectSlicer_c& s, bool horizontal, const std::vector<SliceRow>& rows) {
    for (const SliceRow& row : rows) {
        SCOPED_TRACE(row.name);
        double lo = 1234.0;
        double hi = 5678.0;
        const bool hit = horizontal ? s.sliceY(row.cut, lo, hi) : s.sliceX(row.cut, lo, hi);
        ASSERT_EQ(hit, row.hit);
        if (row.hit) {
            EXPECT_NEAR(lo, row.lo, kTol);
            EXPECT_NEAR(hi, row.hi, kTol);
        } else {
            // A miss leaves the outputs alone.
            EXPECT_EQ(lo, 1234.0);
            EXPECT_EQ(hi, 5678.0);
        }
    }
}

}  // namespace

TEST(utSkewRectSlicerTest, HorizontalRectangleIsCutAlongAndAcrossItsAxis) {
    const utSkewRectSlicer_c s(utSkewRect_c(0, 0, 10, 0, 4));
    EXPECT_EQ(s.kind(), 0);
    EXPECT_DOUBLE_EQ(s.minX(), 0.0);
    EXPECT_DOUBLE_EQ(s.maxX(), 10.0);
    EXPECT_DOUBLE_EQ(s.minY(), -2.0);
    EXPECT_DOUBLE_EQ(s.maxY(), 2.0);
    checkSlices(s, true,
                {{"inside", 1.0, true, 0.0, 10.0},
                 {"top edge", -2.0, true, 0.0, 10.0},
                 {"bottom edge", 2.0, true, 0.0, 10.0},
                 {"below", 3.0, false, 0, 0},
                 {"above", -2.5, false, 0, 0}});
    checkSlices(s, false,
                {{"middle", 5.0, true, -2.0, 2.0},
                 {"start edge", 0.0, true, -2.0, 2.0},
                 {"end edge", 10.0, true, -2.0, 2.0},
                 {"beyond end", 10.5, false, 0, 0}});
}

TEST(utSkewRectSlicerTest, VerticalRectangleIsCutAlongAndAcrossItsAxis) {
    const utSkewRectSlicer_c s(utSkewRect_c(0, 0, 0, 10, 2));
    EXPECT_EQ(s.kind(), 1);
    checkSlices(s, true,
                {{"middle", 5.0, true, -1.0, 1.0},
                 {"start", 0.0, true, -1.0, 1.0},
                 {"past end", 10.01, false, 0, 0}});
    checkSlices(s, false,
                {{"axis", 0.0, true, 0.0, 10.0},
                 {"side", -1.0, true, 0.0, 10.0},
                 {"outside", 1.5, false, 0, 0}});
}

TEST(utSkewRectSlicerTest, SkewedRectangleBandsFollowItsEdges) {
    // Axis (0,0)->(3,4), width 10: h = (-4, 3), corners (4,-3), (-4,3), (-1,7), (7,1).
    const utSkewRectSlicer_c s(utSkewRect_c(0, 0, 3, 4, 10));
    EXPECT_EQ(s.kind(), 2);
    EXPECT_NEAR(s.minX(), -4.0, kTol);
    EXPECT_NEAR(s.maxX(), 7.0, kTol);
    EXPECT_NEAR(s.minY(), -3.0, kTol);
    EXPECT_NEAR(s.maxY(), 7.0, kTol);
    checkSlices(s, true,
                {{"top corner", -3.0, true, 4.0, 4.0},
                 {"band 1", -1.0, true, 4.0 - 8.0 / 3.0, 5.5},
                 {"second corner", 1.0, true, -4.0 / 3.0, 7.0},
                 {"band 2", 2.0, true, -8.0 / 3.0, 17.0 / 3.0},
                 {"third corner", 3.0, true, -4.0, 13.0 / 3.0},
                 {"band 3", 5.0, true, -2.5, 5.0 / 3.0},
                 {"bottom corner", 7.0, true, -1.0, -1.0},
                 {"above", -3.001, false, 0, 0},
                 {"below", 7.001, false, 0, 0}});
    checkSlices(s, false,
                {{"left corner", -4.0, true, 3.0, 3.0},
                 {"band 1", -2.0, true, 1.5, 17.0 / 3.0},
                 {"through the start point", 0.0, true, 0.0, 6.25},
                 {"band 3", 5.0, true, -5.0 / 3.0, 2.5},
                 {"right corner", 7.0, true, 1.0, 1.0},
                 {"right of it", 7.5, false, 0, 0}});
}

TEST(utSkewRectSlicerTest, FortyFiveDegreeMiddleBandHasConstantSpan) {
    // Axis (0,0)->(4,4), width 2*sqrt(2): h = (-1, 1); corners (1,-1), (-1,1), (3,5), (5,3).
    const utSkewRectSlicer_c s(utSkewRect_c(0, 0, 4, 4, 2.0 * std::sqrt(2.0)));
    EXPECT_EQ(s.kind(), 2);
    checkSlices(s, true,
                {{"near the top corner", -0.5, true, 0.5, 1.5},
                 {"band 1", 0.0, true, 0.0, 2.0},
                 {"corner at y=1", 1.0, true, -1.0, 3.0},
                 {"band 2 near top", 1.25, true, -0.75, 3.25},
                 {"band 2 middle", 2.0, true, 0.0, 4.0},
                 {"corner at y=3", 3.0, true, 1.0, 5.0},
                 {"band 3", 4.0, true, 2.0, 4.0},
                 {"near the bottom corner", 4.5, true, 2.5, 3.5}});
    for (double y = 1.0; y <= 3.0; y += 0.125) {
        double a = 0, b = 0;
        ASSERT_TRUE(s.sliceY(y, a, b));
        EXPECT_NEAR(b - a, 4.0, kTol) << "y = " << y;
    }
}

TEST(utSkewRectSlicerTest, EdgeLyingOnTheCutGivesTheWholeEdgeNotNaN) {
    // Skewed by a hair: the long edges are exactly horizontal in floating point.
    const utSkewRectSlicer_c almostFlat(utSkewRect_c(0, 0, 10, 1e-300, 4));
    ASSERT_EQ(almostFlat.kind(), 2);
    double a = 0, b = 0;
    ASSERT_TRUE(almostFlat.sliceY(-2.0, a, b));
    EXPECT_NEAR(a, 0.0, kTol);
    EXPECT_NEAR(b, 10.0, kTol);

    // A zero-width diagonal: corners coincide in pairs.
    const utSkewRectSlicer_c hairline(utSkewRect_c(0, 0, 4, 4, 0));
    const double cuts[] = {0.0, 1.5, 4.0};
    for (double y : cuts) {
        SCOPED_TRACE(y);
        ASSERT_TRUE(hairline.sliceY(y, a, b));
        EXPECT_NEAR(a, y, kTol);
        EXPECT_NEAR(b, y, kTol);
        ASSERT_TRUE(hairline.sliceX(y, a, b));
        EXPECT_NEAR(a, y, kTol);
        EXPECT_NEAR(b, y, kTol);
    }
}

// The span sameCutY promises for an axis-parallel rectangle is what sliceY gives for every cut
// within it, bit for bit, and sliceY misses exactly outside [minY, maxY].
TEST(utSkewRectSlicerTest, AxisParallelCutsAreOneSpan) {
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> coord(-40, 40), width(0, 12);
    int parallel = 0;
    for (int k = 0; k < 2000; ++k) {
        const double x = coord(rng) / 4.0, y = coord(rng) / 4.0, d = coord(rng) / 4.0;
        const bool alongX = k % 2 == 0;
        if (d == 0.0) continue;
        const utSkewRect_c r(x, y, alongX ? x + d : x, alongX ? y : y + d, width(rng) / 2.0);
        const utSkewRectSlicer_c s(r);
        double lo = 0.0, hi = 0.0;
        ASSERT_TRUE(s.sameCutY(lo, hi)) << k;
        ++parallel;
        for (int q = -60; q <= 60; ++q) {
            const double cut = q / 8.0;
            double a = 0.0, b = 0.0;
            const bool hit = s.sliceY(cut, a, b);
            ASSERT_EQ(hit, cut >= s.minY() && cut <= s.maxY()) << k << " at " << cut;
            if (!hit) continue;
            ASSERT_EQ(std::memcmp(&a, &lo, sizeof a), 0) << k << " at " << cut;
            ASSERT_EQ(std::memcmp(&b, &hi, sizeof b), 0) << k << " at " << cut;
        }
    }
    EXPECT_GT(parallel, 1500);
    double lo = 0.0, hi = 0.0;
    EXPECT_FALSE(utSkewRectSlicer_c(utSkewRect_c(0, 0, 3, 1, 1)).sameCutY(lo, hi));
}
