#include <gtest/gtest.h>

#include <vemora/foundation/utRasterData.h>

#include <random>
#include <utility>
#include <vector>

#include "raster/utInkMask.h"

using namespace Vemora;

namespace {

// The ink rule as it is stated: the mean of the channels, in floating point, below the level.
bool ink(const utRasterData_c& r, int x, int y, int level) {
    const uint32_t p = r.pixel(unsigned(x), unsigned(y));
    return (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3.0 < level;
}

// Random ink in runs of random length, grey levels near the threshold included.
utRasterData_c randomRaster(unsigned w, unsigned h, unsigned seed) {
    utRasterData_c r(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> len(1, 90), grey(180, 195);
    for (unsigned y = 0; y < h; ++y) {
        bool black = rng() & 1u;
        unsigned x = 0;
        while (x < w) {
            const int n = len(rng);
            for (int k = 0; k < n && x < w; ++k, ++x) {
                const uint32_t g = black ? uint32_t(grey(rng) - 10) : uint32_t(grey(rng) + 10);
                r.setPixel(x, y, (g << 16) | (g << 8) | (g + ((rng() & 1u) ? 1u : 0u)));
            }
            black = !black;
        }
    }
    return r;
}

int bruteRun(const utRasterData_c& r, int x, int y, int dx, int dy, int limit, int level) {
    int n = 0;
    while (n < limit && x >= 0 && y >= 0 && x < int(r.width()) && y < int(r.height()) &&
           ink(r, x, y, level)) {
        ++n;
        x += dx;
        y += dy;
    }
    return n;
}

std::vector<std::pair<int, int>> bruteRuns(const utRasterData_c& r, int fixed, bool alongRow,
                                           int level) {
    std::vector<std::pair<int, int>> runs;
    const int n = alongRow ? int(r.width()) : int(r.height());
    for (int i = 0; i < n;) {
        auto at = [&](int k) {
            return alongRow ? ink(r, k, fixed, level) : ink(r, fixed, k, level);
        };
        if (!at(i)) {
            ++i;
            continue;
        }
        const int s = i;
        while (i < n && at(i)) ++i;
        runs.emplace_back(s, i);
    }
    return runs;
}

}  // namespace

// Every answer of the mask against a pixel-by-pixel walk, on sizes around the 64-bit word and
// block boundaries, so padding bits and partial transposed blocks are exercised.
TEST(InkMask, AgreesWithPixelWalksOnEverySize) {
    const std::pair<unsigned, unsigned> sizes[] = {
        {1, 1}, {63, 65}, {64, 128}, {130, 70}, {200, 3}};
    const int level = 187;
    unsigned seed = 1;
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const utRasterData_c r = randomRaster(w, h, seed++);
        const utInkMask_c mask(r, level);
        for (int y = 0; y < int(h); ++y) {
            for (int x = 0; x < int(w); ++x) {
                ASSERT_EQ(mask.at(x, y), ink(r, x, y, level)) << x << "," << y;
                for (int limit : {1, 5, 70, 1000}) {
                    ASSERT_EQ(mask.rowRun(x, y, 1, limit), bruteRun(r, x, y, 1, 0, limit, level));
                    ASSERT_EQ(mask.rowRun(x, y, -1, limit), bruteRun(r, x, y, -1, 0, limit, level));
                    ASSERT_EQ(mask.columnRun(x, y, 1, limit),
                              bruteRun(r, x, y, 0, 1, limit, level));
                    ASSERT_EQ(mask.columnRun(x, y, -1, limit),
                              bruteRun(r, x, y, 0, -1, limit, level));
                }
            }
        }
        for (int y = 0; y < int(h); ++y) {
            std::vector<std::pair<int, int>> runs;
            mask.forEachRowRun(y, [&](int b, int e) { runs.emplace_back(b, e); });
            ASSERT_EQ(runs, bruteRuns(r, y, true, level)) << "row " << y;
        }
        for (int x = 0; x < int(w); ++x) {
            std::vector<std::pair<int, int>> runs;
            mask.forEachColumnRun(x, [&](int b, int e) { runs.emplace_back(b, e); });
            ASSERT_EQ(runs, bruteRuns(r, x, false, level)) << "column " << x;
        }
    }
}

// Pixels of independent channels and alpha, at several levels: only R + G + B counts, exactly.
TEST(InkMask, EveryChannelCountsAndAlphaDoesNot) {
    utRasterData_c r(200, 6);
    std::mt19937 rng(9);
    for (unsigned y = 0; y < r.height(); ++y)
        for (unsigned x = 0; x < r.width(); ++x) r.setPixel(x, y, uint32_t(rng()));
    for (int level : {0, 1, 100, 187, 255}) {
        const utInkMask_c mask(r, level);
        for (int y = 0; y < int(r.height()); ++y)
            for (int x = 0; x < int(r.width()); ++x)
                ASSERT_EQ(mask.at(x, y), ink(r, x, y, level))
                    << x << "," << y << " level " << level;
    }
}

TEST(InkMask, EmptyRasterHasNoRuns) {
    const utRasterData_c r;
    const utInkMask_c mask(r, 187);
    EXPECT_EQ(mask.width(), 0);
    EXPECT_EQ(mask.height(), 0);
}
