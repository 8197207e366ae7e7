// Tracking of the sparse tracer, driven on rasters drawn in code.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "rasterDrawing.h"
#include "spvAlgorithmAccess.h"
#include "xmlFromText.h"

using namespace Vemora;
using namespace vemora_test;
using vemora_test::xmlFromText;

namespace {

constexpr int kLeft = 0, kUp = 1, kRight = 2, kDown = 3;

// Every traced point, primitive by primitive, in order.
struct PointCollector : stSpvPrimitiveVisitor_c {
    std::vector<std::vector<stSpvPoint_c>> tracks;
    void visitSpvBar(const stSpvBar_c& b) override {
        tracks.push_back(
            {stSpvPoint_c(b.x1(), b.y1(), b.w(), -1), stSpvPoint_c(b.x2(), b.p2().y(), b.w(), -1)});
    }
    void visitSpvPolybar(const stSpvPolybar_c& p) override {
        tracks.emplace_back();
        for (int i = 0; i < p.pointCount(); ++i) tracks.back().push_back(p.pointAt(i));
    }
};

std::vector<std::vector<stSpvPoint_c>> tracesOf(utRasterData_c& raster,
                                                const utPoint_c* start = nullptr) {
    stSpvAlgorithmTestAccess_c access;
    PointCollector collector;
    access.run(raster, start).visit(collector);
    return collector.tracks;
}

std::vector<double> xsOf(const std::vector<stSpvPoint_c>& track) {
    std::vector<double> xs;
    for (const stSpvPoint_c& p : track) xs.push_back(p.x());
    return xs;
}

}  // namespace

TEST(stSpvTrackInfoTest, PassesGrowOppositeEndsAndKeepARunningMeanWidth) {
    stSpvTrackInfo_c track(stSpvPoint_c(10, 5, 4, -1), kRight);
    EXPECT_EQ(track.state(), stSpvTrackInfo_c::kSeeded);
    EXPECT_EQ(track.averageWidth(), 4);

    EXPECT_EQ(track.addPoint(20, 5, 6, 1), 2);  // seeded moves on to forward
    EXPECT_EQ(track.state(), stSpvTrackInfo_c::kForward);
    EXPECT_EQ(track.currentPoint().x(), 20);
    EXPECT_EQ(track.currentDirection(), kRight);
    EXPECT_DOUBLE_EQ(track.averageWidth(), 5);

    ASSERT_TRUE(track.nextState());
    EXPECT_EQ(track.currentPoint().x(), 10);  // backward grows the front
    EXPECT_EQ(track.currentDirection(), kLeft);
    EXPECT_EQ(track.addPoint(7, 9, 8, 1), 3);
    EXPECT_EQ(track.points().front().x(), 7);
    EXPECT_DOUBLE_EQ(track.averageWidth(), 6);
    EXPECT_DOUBLE_EQ(track.length(), 5 + 10);  // 3-4-5, then 10

    ASSERT_TRUE(track.nextState());
    EXPECT_TRUE(track.isReady());
    EXPECT_EQ(track.addPoint(0, 0, 6, 1), 3);  // a ready track stores nothing
    EXPECT_FALSE(track.nextState());
    EXPECT_FALSE(stSpvTrackInfo_c().nextState());
}

TEST(stSpvAlgorithmTest, BlackMeansAChannelMeanStrictlyBelowTheLevel) {
    utRasterData_c r = blankRaster(6, 1);
    r.setPixel(0, 0, 0x00BBBBBBu);  // mean 187: the level itself is white
    r.setPixel(1, 0, 0x00BABBBBu);  // mean 186.67
    r.setPixel(2, 0, 0xFF000000u);  // the top byte is not colour
    r.setPixel(3, 0, 0x00FF0000u);  // pure red, mean 85
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    EXPECT_FALSE(access.isBlack(0, 0));
    EXPECT_TRUE(access.isBlack(1, 0));
    EXPECT_TRUE(access.isBlack(2, 0));
    EXPECT_TRUE(access.isBlack(3, 0));
    EXPECT_FALSE(access.isBlack(4, 0));
    access.impl().settings.blackLevel = 0;
    EXPECT_FALSE(access.isBlack(2, 0));  // nothing is below 0

    stSpvAlgorithm_c a;
    EXPECT_FALSE(a.setBlackLevel(256));
    EXPECT_FALSE(a.setBlackLevel(-1));
    EXPECT_EQ(a.blackLevel(), 187);
    ASSERT_TRUE(a.setBlackLevel(0));
    EXPECT_EQ(a.blackLevel(), 0);
}

TEST(stSpvAlgorithmTest, BeamsCountStepsWithTheOneStepWalkAsZero) {
    utRasterData_c r = rasterFromAscii({
        "####..#",
        "#......",
        "#......",
        "##.....",
    });
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    struct Row {
        const char* name;
        int x, y, direction, maxSteps, expected;
    };
    const Row rows[] = {
        {"white neighbour", 3, 0, kRight, 100, 0},
        {"black run then white", 0, 0, kRight, 100, 4},  // 3 black, then the white that stops it
        {"ink up to the border", 3, 0, kLeft, 100, 3},
        {"no neighbour at the border", 0, 0, kLeft, 100, 0},
        {"capped by maxSteps", 0, 0, kRight, 2, 2},
        {"one black pixel then border", 5, 0, kRight, 100, 0},
        {"down to the border", 0, 0, kDown, 100, 3},
        {"up through ink", 0, 3, kUp, 100, 3},
        {"unknown direction", 0, 0, 4, 100, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(access.beam(row.x, row.y, row.direction, row.maxSteps), row.expected);
    }
}

// Beams count on a mask of the raster's ink; every beam from every pixel, in every direction and
// with limits around the run lengths, must count what a walk over the pixels themselves counts.
TEST(stSpvAlgorithmTest, BeamsAgreeWithAPixelWalkEverywhere) {
    utRasterData_c r = blankRaster(70, 67);  // more than one 64-pixel word each way
    drawStroke(r, 2, 3, 68, 60, 5);
    drawStroke(r, 0, 40, 69, 40, 3);  // touches both side borders
    drawStroke(r, 30, 0, 30, 66, 1);  // touches the top and bottom borders
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    const int dx[] = {-1, 0, 1, 0}, dy[] = {0, -1, 0, 1};
    auto walk = [&](int x, int y, int direction, int maxSteps) {
        int steps = 0, black = 0;
        for (;;) {
            x += dx[direction];
            y += dy[direction];
            if (x < 0 || y < 0 || x >= int(r.width()) || y >= int(r.height())) break;
            ++steps;
            if (!access.isBlack(x, y) || ++black == maxSteps) break;
        }
        return steps == 1 ? 0 : steps;
    };
    for (int y = 0; y < int(r.height()); ++y) {
        for (int x = 0; x < int(r.width()); ++x) {
            for (int direction = 0; direction < 4; ++direction) {
                for (int maxSteps : {0, 1, 2, 5, 17, 60, 30000}) {
                    ASSERT_EQ(access.beam(x, y, direction, maxSteps),
                              walk(x, y, direction, maxSteps))
                        << "from " << x << "," << y << " direction " << direction << " limit "
                        << maxSteps;
                }
            }
        }
    }
}

// Seed searches remember the last run measured on each row and column; what they find must not
// depend on which seeds were searched before.
TEST(stSpvAlgorithmTest, SeedsDoNotDependOnTheOrderOfTheSearches) {
    utRasterData_c r = blankRaster(90, 80);
    drawStroke(r, 5, 10, 85, 70, 4);
    drawStroke(r, 10, 60, 80, 12, 3);
    fillBox(r, 40, 2, 44, 77);
    auto seedsIn = [&r](bool backwards) {
        stSpvAlgorithmTestAccess_c access;
        access.prepare(r);
        std::vector<std::vector<double>> seeds;
        const int n = int(r.width() * r.height());
        for (int k = 0; k < n; ++k) {
            const int i = backwards ? n - 1 - k : k;
            const int x = i % int(r.width()), y = i / int(r.width());
            if (!access.isBlack(x, y)) continue;
            stSpvPoint_c seed;
            int direction = -1;
            access.findInitialPoint(x, y, seed, direction);
            seeds.push_back(
                {double(x), double(y), seed.x(), seed.y(), double(seed.w()), double(direction)});
        }
        if (backwards) std::reverse(seeds.begin(), seeds.end());
        return seeds;
    };
    const auto forward = seedsIn(false);
    ASSERT_GT(forward.size(), 500u);
    EXPECT_EQ(forward, seedsIn(true));
}

TEST(stSpvAlgorithmTest, SeedIsCentredAndRunsAlongTheLongerExtent) {
    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);  // 100 x 5
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    stSpvPoint_c seed;
    int direction = -1;
    ASSERT_TRUE(access.findInitialPoint(30, 10, seed, direction));
    EXPECT_EQ(seed.y(), 12);
    EXPECT_NEAR(seed.x(), 69.5, 1);
    EXPECT_EQ(direction, kRight);
    EXPECT_EQ(seed.w(), 5);  // up and down beams: 0 from the top row, 5 steps down to the paper
    EXPECT_EQ(seed.wDir(), -1);
}

TEST(stSpvAlgorithmTest, HorizontalBarGivesOneTrackOnItsCentreLine) {
    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);
    const auto tracks = tracesOf(r);
    ASSERT_EQ(tracks.size(), 1u);
    for (const stSpvPoint_c& p : tracks[0]) EXPECT_EQ(p.y(), 12);
    EXPECT_LE(tracks[0].front().x(), 22);
    EXPECT_GE(tracks[0].back().x(), 117);
    // Width beams count the white pixel that ends them: 6 measured, 5 after the correction.
    EXPECT_EQ(tracks[0][2].w(), 5);

    // The same raster traced again by the same object gives the same track.
    stSpvAlgorithmTestAccess_c access;
    const int first = access.run(r).countPrimitives();
    EXPECT_EQ(access.run(r).countPrimitives(), first);
}

// Seeds are traced last found first. Row 10 finds only the left bar, which is traced whole; row 30
// then crosses all three bars, and of its seeds the one on the traced bar is dropped while the
// other two keep their turn: the right bar is traced before the middle one.
TEST(stSpvAlgorithmTest, SeedsOfOneScanLineAreTracedLastFoundFirst) {
    utRasterData_c r = blankRaster(140, 70);
    fillBox(r, 30, 10, 34, 55);
    fillBox(r, 60, 30, 64, 55);
    fillBox(r, 90, 30, 94, 55);
    std::vector<double> columns;
    for (const auto& track : tracesOf(r)) {
        for (const stSpvPoint_c& p : track) EXPECT_EQ(p.x(), track.front().x());
        columns.push_back(track.front().x());
    }
    EXPECT_EQ(columns, (std::vector<double>{32, 92, 62}));
}

TEST(stSpvAlgorithmTest, VerticalBarGivesOneTrackOnItsCentreLine) {
    utRasterData_c r = blankRaster(40, 140);
    fillBox(r, 10, 20, 14, 119);
    const auto tracks = tracesOf(r);
    ASSERT_EQ(tracks.size(), 1u);
    for (const stSpvPoint_c& p : tracks[0]) EXPECT_EQ(p.x(), 12);
    EXPECT_LE(tracks[0].front().y(), 22);
    EXPECT_GE(tracks[0].back().y(), 117);
}

TEST(stSpvAlgorithmTest, SlantedStrokeIsFollowedAlongItsAxis) {
    const double x0 = 20, y0 = 120, x1 = 20 + 150 * std::cos(M_PI / 6),
                 y1 = 120 - 150 * std::sin(M_PI / 6);
    utRasterData_c r = blankRaster(200, 140);
    drawStroke(r, x0, y0, x1, y1, 5);
    const auto tracks = tracesOf(r);
    ASSERT_EQ(tracks.size(), 1u);
    const double len = std::hypot(x1 - x0, y1 - y0);
    double lo = 1e9, hi = -1e9;
    for (const stSpvPoint_c& p : tracks[0]) {
        const double along = ((p.x() - x0) * (x1 - x0) + (p.y() - y0) * (y1 - y0)) / len;
        const double across = std::fabs((p.x() - x0) * (y1 - y0) - (p.y() - y0) * (x1 - x0)) / len;
        EXPECT_LE(across, 2.0) << "(" << p.x() << ", " << p.y() << ")";
        lo = std::min(lo, along);
        hi = std::max(hi, along);
    }
    EXPECT_GE(hi - lo, 0.9 * len);
}

// Regression: steep diagonal strokes traced along x step by halves, and a track ended where the
// run ahead of its centred point was the shorter half of an even run (4 px at 45 degrees, 6 px
// at 40), or where a one-pixel diagonal had no run ahead at all; such bars gave no entity.
TEST(stSpvAlgorithmTest, DiagonalBarsOfEveryPixelPatternAreFollowed) {
    struct Bar {
        double width, degrees, dx, dy;
    };
    for (const Bar& bar :
         {Bar{4, 45, 0.5, 0}, Bar{6, 40, 0, 0}, Bar{1, 45, 0.25, 0.3}, Bar{7, 45, 0.5, 0}}) {
        SCOPED_TRACE(testing::Message() << bar.width << " px at " << bar.degrees);
        const double c = std::cos(bar.degrees * M_PI / 180), s = std::sin(bar.degrees * M_PI / 180);
        const double x0 = 20 + bar.dx, y0 = 20 + bar.dy, x1 = x0 + 90 * c, y1 = y0 + 90 * s;
        utRasterData_c r = blankRaster(130, 130);
        drawStroke(r, x0, y0, x1, y1, bar.width);
        double lo = 1e9, hi = -1e9;
        for (const auto& track : tracesOf(r)) {
            for (const stSpvPoint_c& p : track) {
                const double along = (p.x() - x0) * c + (p.y() - y0) * s;
                EXPECT_LE(std::fabs((p.x() - x0) * s - (p.y() - y0) * c), bar.width / 2 + 1);
                lo = std::min(lo, along);
                hi = std::max(hi, along);
            }
        }
        EXPECT_GE(hi - lo, 80);
    }
}

TEST(stSpvAlgorithmTest, DotsAndShortBlobsGiveNothing) {
    utRasterData_c r = blankRaster(60, 40);
    fillBox(r, 10, 10, 15, 15);  // 6 x 6
    fillBox(r, 30, 20, 41, 25);  // 12 x 6: no longer than twice its width
    r.setPixel(50, 30, kInk);
    EXPECT_TRUE(tracesOf(r).empty());
}

// Regression: a small thick ring is traced a quarter at a time, and each quarter, hardly longer
// than twice the runs it measured, was dropped as a blob; the ring gave nothing.
TEST(stSpvAlgorithmTest, SmallThickRingsAreTraced) {
    struct Ring {
        double cx, cy, radius, width;
    };
    for (const Ring& ring : {Ring{30.3, 30.2, 8.5, 5}, Ring{30.5, 30, 8.02, 6}}) {
        SCOPED_TRACE(testing::Message() << "radius " << ring.radius << ", " << ring.width << " px");
        utRasterData_c r = blankRaster(60, 60);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                if (std::fabs(std::hypot(x - ring.cx, y - ring.cy) - ring.radius) <= ring.width / 2)
                    r.setPixel(unsigned(x), unsigned(y), kInk);
        // The quarters of the circle some traced point lies on or near.
        bool quarter[4] = {};
        for (const auto& track : tracesOf(r)) {
            for (const stSpvPoint_c& p : track) {
                const double dx = p.x() - ring.cx, dy = p.y() - ring.cy;
                EXPECT_NEAR(std::hypot(dx, dy), ring.radius, 2.5);
                quarter[(dx >= 0 ? 0 : 1) + (dy >= 0 ? 0 : 2)] = true;
            }
        }
        EXPECT_TRUE(quarter[0] && quarter[1] && quarter[2] && quarter[3]);
    }
}

TEST(stSpvAlgorithmTest, RunsReachingTheBorderGiveNoSeed) {
    utRasterData_c r = blankRaster(30, 30);
    fillBox(r, 20, 4, 29, 6);  // reaches the right border on rows 4-6
    fillBox(r, 2, 20, 4, 29);  // reaches the bottom border in columns 2-4
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    access.scanRow(4);
    access.scanColumn(3);
    EXPECT_EQ(access.seedCount(), 0u);
    access.scanRow(22);     // the vertical bar, closed on both sides in this row
    access.scanColumn(24);  // the horizontal bar, closed above and below
    EXPECT_EQ(access.seedCount(), 2u);
}

// Regression: the algorithm kept the raster of its last run, so isBlack() afterwards read an
// image its caller had freed.
TEST(stSpvAlgorithmTest, NoRasterIsKeptAfterARun) {
    stSpvAlgorithm_c a;
    {
        utRasterData_c r = blankRaster(200, 200);
        fillBox(r, 20, 20, 180, 30);
        std::unique_ptr<stSketch_c> sketch(a.trace(&r, nullptr, 0, 0));
        ASSERT_EQ(sketch->entitiesCount(), 1);
    }
    EXPECT_FALSE(a.isBlack(25, 25));
}

TEST(stSpvAlgorithmTest, StartPointTracesAtMostTheStrokeUnderIt) {
    utRasterData_c r = blankRaster(140, 60);
    fillBox(r, 20, 10, 119, 14);
    fillBox(r, 20, 40, 119, 44);
    const utPoint_c onWhite(5, 5);
    EXPECT_TRUE(tracesOf(r, &onWhite).empty());
    const utPoint_c onLower(60.7, 41.2);
    const auto tracks = tracesOf(r, &onLower);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].front().y(), 42);
}

TEST(stSpvAlgorithmTest, SuddenWideningEndsThePassByStepHalving) {
    // A bar 3 high (rows 28-30) running into a block 19 high from x = 61.
    utRasterData_c r = blankRaster(200, 60);
    fillBox(r, 10, 28, 60, 30);
    fillBox(r, 61, 20, 90, 38);
    const auto tracks = tracesOf(r);
    ASSERT_EQ(tracks.size(), 1u);  // the block alone is a blob
    const std::vector<double> xs = xsOf(tracks[0]);
    // The seed is the middle of the row-28 run [10, 91): x 50. Right of it the step of 17 lands in
    // the block (width 20 against 3: rejected), the halved step of 8 reaches 57, the next full
    // step lands in the block again and is halved to 8 and 4 (both rejected), then 2 reaches 60
    // (the last ink column before the block), after which every step is rejected down to 0.
    ASSERT_GE(xs.size(), 3u);
    EXPECT_EQ(xs[xs.size() - 3], 50);
    EXPECT_EQ(xs[xs.size() - 2], 57);
    EXPECT_EQ(xs.back(), 60);
    for (const stSpvPoint_c& p : tracks[0]) EXPECT_EQ(p.y(), 29);
}

TEST(stSpvAlgorithmTest, FullStepAfterARecoveryAlsoMarksItsMiddle) {
    // A bar 3 high with a blot (rows 20-38) over columns 128-136.
    utRasterData_c r = blankRaster(200, 60);
    fillBox(r, 10, 28, 190, 30);
    fillBox(r, 128, 20, 136, 38);
    const auto tracks = tracesOf(r);
    ASSERT_EQ(tracks.size(), 1u);
    // From the seed at 100 the steps go 116, then 132 lands in the blot and is rejected; the
    // halved step of 8 reaches 123 and restores the full step, whose landing at 139 is beyond the
    // blot; that step also adds its half-step point at 130.
    const std::vector<double> xs = xsOf(tracks[0]);
    const std::vector<double> expected = {100, 116, 123, 130, 139};
    auto at = std::search(xs.begin(), xs.end(), expected.begin(), expected.end());
    EXPECT_NE(at, xs.end()) << testing::PrintToString(xs);
    EXPECT_EQ(xs.front(), 10);
    EXPECT_EQ(xs.back(), 190);
}

TEST(stSpvAlgorithmTest, JunctionsFollowTheSeedRules) {
    {
        SCOPED_TRACE("T with the stem off the middle of the bar");
        utRasterData_c r = blankRaster(160, 160);
        fillBox(r, 20, 40, 139, 44);  // bar, centre row 42
        fillBox(r, 48, 45, 52, 139);  // stem, centre column 50
        const auto tracks = tracesOf(r);
        // The bar is seeded first (row 40) and crosses the stem's top; the stem is seeded later
        // below the bar and stops where the bar's footprint begins.
        ASSERT_EQ(tracks.size(), 2u);
        for (const stSpvPoint_c& p : tracks[0]) EXPECT_EQ(p.y(), 42) << p.x();
        EXPECT_EQ(tracks[0].front().x(), 20);
        EXPECT_EQ(tracks[0].back().x(), 139);
        for (const stSpvPoint_c& p : tracks[1]) EXPECT_EQ(p.x(), 50) << p.y();
        EXPECT_LE(tracks[1].front().y(), 47);
    }
    {
        // Regression: every seed of the bar was centred on its whole run, then down the stem
        // hanging from its middle, onto the traced stem; the bar gave nothing.
        SCOPED_TRACE("T with the stem from the middle of the bar");
        utRasterData_c r = blankRaster(220, 200);
        fillBox(r, 40, 101, 180, 108);   // bar, 8 px
        fillBox(r, 108, 109, 112, 175);  // stem, 5 px
        double left = 1e9, right = -1e9;
        for (const auto& track : tracesOf(r)) {
            if (track.front().y() != track.back().y()) continue;  // the stem
            for (const stSpvPoint_c& p : track) {
                EXPECT_NEAR(p.y(), 104.5, 1);
                left = std::min(left, p.x());
                right = std::max(right, p.x());
            }
        }
        EXPECT_LE(left, 42);
        EXPECT_GE(right, 178);
    }
    {
        SCOPED_TRACE("X off the middle of both bars");
        utRasterData_c r = blankRaster(160, 160);
        fillBox(r, 20, 58, 139, 62);  // horizontal, centre row 60
        fillBox(r, 48, 20, 52, 139);  // vertical, centre column 50
        const auto tracks = tracesOf(r);
        // Row 20 seeds the vertical bar, which runs straight through the crossing. Every seed of
        // the horizontal bar is centred on its whole run through the crossing (x 20-139, middle
        // 79): the arm right of the vertical bar is traced from there and ends where the vertical
        // bar's footprint begins. Regression: the left arm's seeds, centred onto the traced right
        // arm, were dropped; the column scans now seed it where they meet it.
        ASSERT_EQ(tracks.size(), 3u);
        for (const stSpvPoint_c& p : tracks[0]) EXPECT_EQ(p.x(), 50);
        EXPECT_EQ(tracks[0].front().y(), 20);
        EXPECT_EQ(tracks[0].back().y(), 139);
        for (const stSpvPoint_c& p : tracks[1]) EXPECT_EQ(p.y(), 60);
        EXPECT_GE(tracks[1].front().x(), 53);
        EXPECT_EQ(tracks[1].back().x(), 139);
        for (const stSpvPoint_c& p : tracks[2]) EXPECT_EQ(p.y(), 60);
        EXPECT_EQ(tracks[2].front().x(), 20);
        EXPECT_LE(tracks[2].back().x(), 47);
    }
}

TEST(stSpvAlgorithmTest, HalfStepPointBesideAJunctionStaysOnTheStroke) {
    // Regression: the half-step point of the bar, centred at column 50 where the stem hangs
    // below, slid 28 pixels down the stem and put a spike into the bar.
    utRasterData_c r = blankRaster(160, 160);
    fillBox(r, 20, 40, 139, 44);
    fillBox(r, 48, 45, 52, 139);
    for (const auto& track : tracesOf(r)) {
        const bool horizontal = track.front().y() == track.back().y();
        for (const stSpvPoint_c& p : track) {
            if (horizontal)
                EXPECT_NEAR(p.y(), 42, 2);
            else
                EXPECT_NEAR(p.x(), 50, 2);
        }
    }
}

TEST(stSpvAlgorithmTest, RepeatedTrackPointsLeaveNoDegenerateFootprint) {
    utRasterData_c r = blankRaster(60, 20);
    stSpvAlgorithmTestAccess_c access;
    access.prepare(r);
    stSpvTrackInfo_c track(stSpvPoint_c(10, 10, 3, 1), kRight);
    track.addPoint(10, 10, 3, 1);
    track.addPoint(40, 10, 3, 1);
    access.appendTrack(track);
    EXPECT_EQ(access.sketch().countPrimitives(), 1);
    EXPECT_TRUE(access.index().covers(25, 10));
    EXPECT_FALSE(access.index().covers(25, 14));
}

TEST(stSpvAlgorithmTest, ScanStepBelowOneStillEndsTheScan) {
    utRasterData_c r = blankRaster(60, 20);
    fillBox(r, 5, 8, 50, 10);
    stSpvAlgorithmTestAccess_c access;
    access.impl().settings.scanStep = 0;
    EXPECT_EQ(access.run(r).countPrimitives(), 1);
}

// ---------------------------------------------------------------------------------------------
// The registered tracing algorithm

namespace {
struct ProgressCanceller : stToolListener_c {
    std::vector<int> seen;
    int cancelAt = 1000;
    bool onProgress(const stTool_c*, int percent) override {
        seen.push_back(percent);
        return percent < cancelAt;
    }
};
}  // namespace

TEST(stSpvAlgorithmTest, TraceGivesLinesAndSplinesShiftedByTheOffset) {
    utRasterData_c white = blankRaster(50, 50);
    stSpvAlgorithm_c a;
    std::unique_ptr<stSketch_c> empty(a.trace(&white, nullptr, 0, 0));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->entitiesCount(), 0);

    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);
    std::unique_ptr<stSketch_c> first(a.trace(&r, nullptr, 100, -5));
    ASSERT_EQ(first->entitiesCount(), 1);
    const auto* spline = dynamic_cast<const stSpline_c*>(first->entityAt(0));
    ASSERT_NE(spline, nullptr);
    EXPECT_FALSE(spline->hasControlPoints());
    for (const utPoint_c& p : spline->points()) EXPECT_EQ(p.y(), 12 - 5);
    EXPECT_LE(spline->points().front().x(), 122);
    EXPECT_GE(spline->points().back().x(), 217);
    EXPECT_EQ(spline->handle(), -1);
    EXPECT_EQ(spline->owner(), first.get());
    EXPECT_TRUE(first->extents().contains(150, 7));

    std::unique_ptr<stSketch_c> second(a.trace(&r, nullptr, 100, -5));
    ASSERT_EQ(second->entitiesCount(), 1);
    EXPECT_TRUE(second->entityAt(0)->isEqual(first->entityAt(0)));
}

// The width correction of a cluster size near the integer limit overflowed its conversion; sizes
// beyond the bound correct like the bound (1700 pixels off every traced width).
TEST(stSpvAlgorithmTest, ClusterSizesBeyondTheBoundCorrectLikeTheBound) {
    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);
    std::vector<double> widths[2];
    const int sizes[2] = {stVectorizationParams_c::kMaxPixelClasterSize, 2147483647};
    for (int i = 0; i < 2; ++i) {
        stVectorizationParams_c params;
        params.pixelClasterSize = sizes[i];
        stSpvAlgorithmTestAccess_c access;
        access.impl().settings.params = params;
        PointCollector collector;
        access.run(r).visit(collector);
        ASSERT_EQ(collector.tracks.size(), 1u);
        for (const stSpvPoint_c& p : collector.tracks[0]) widths[i].push_back(p.w());
    }
    EXPECT_EQ(widths[0], widths[1]);
    EXPECT_LT(widths[0].front(), -1690);
}

TEST(stSpvAlgorithmTest, TwoPointTracksBecomeLinesAndLongerOnesSplines) {
    stSpvAlgorithmTestAccess_c access;
    utRasterData_c r = blankRaster(60, 20);
    access.prepare(r);
    stSpvTrackInfo_c bar(stSpvPoint_c(10, 10, 3, 1), kRight);
    bar.addPoint(40, 10, 3, 1);
    access.appendTrack(bar);
    stSpvTrackInfo_c poly(stSpvPoint_c(10, 2, 1, 1), kRight);
    poly.addPoint(20, 3, 1, 1);
    poly.addPoint(30, 2, 1, 1);
    access.appendTrack(poly);
    std::unique_ptr<stSketch_c> sketch(access.translate(1, 2));
    ASSERT_EQ(sketch->entitiesCount(), 2);
    const auto* line = dynamic_cast<const stLine_c*>(sketch->entityAt(0));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(
        line->isEqual(std::make_unique<stLine_c>(utPoint_c(11, 12), utPoint_c(41, 12)).get()));
    const auto* spline = dynamic_cast<const stSpline_c*>(sketch->entityAt(1));
    ASSERT_NE(spline, nullptr);
    EXPECT_EQ(spline->points(), (std::vector<utPoint_c>{{11, 4}, {21, 5}, {31, 4}}));
}

TEST(stSpvAlgorithmTest, MissingBlackLevelSettingMeansNothingIsInk) {
    auto doc = xmlFromText(L"<Processor><LengthStepLength>17</LengthStepLength></Processor>");
    stSpvAlgorithm_c a;
    a.fromXml(doc->getDocumentElement());
    EXPECT_EQ(a.blackLevel(), 0);
    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);
    std::unique_ptr<stSketch_c> sketch(a.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(sketch->entitiesCount(), 0);
}

// Regression: three times a black level read from a configuration overflowed an int; 1431655766
// became 2, which left black strokes ink and the paper white. Past 255 every pixel is ink, as at
// 256: the whole raster is one blot reaching every border, and no stroke is traced.
TEST(stSpvAlgorithmTest, BlackLevelsBeyondTheChannelRangeMakeEveryPixelInk) {
    utRasterData_c r = blankRaster(140, 40);
    fillBox(r, 20, 10, 119, 14);
    auto strokesAt = [&r](const wchar_t* level) {
        const std::wstring text = std::wstring(L"<Processor><BlackLevel>") + level +
                                  L"</BlackLevel><LengthStepLength>17</LengthStepLength>"
                                  L"<MaxWidthDeviation>3</MaxWidthDeviation>"
                                  L"<ScanLineThreshold>2</ScanLineThreshold></Processor>";
        auto doc = xmlFromText(text.c_str());
        stSpvAlgorithm_c a;
        a.fromXml(doc->getDocumentElement());
        return std::unique_ptr<stSketch_c>(a.trace(&r, nullptr, 0, 0))->entitiesCount();
    };
    EXPECT_EQ(strokesAt(L"187"), 1);
    EXPECT_EQ(strokesAt(L"256"), 0);
    EXPECT_EQ(strokesAt(L"1431655766"), 0);
    EXPECT_EQ(strokesAt(L"2147483647"), 0);
}

TEST(stSpvAlgorithmTest, CancelledProgressEndsTheSeedScan) {
    utRasterData_c r = blankRaster(200, 200);
    fillBox(r, 20, 20, 180, 24);    // found by the row scan near the top
    fillBox(r, 20, 170, 180, 174);  // found only later
    stTool_c tool;
    ProgressCanceller listener;
    tool.addListener(&listener);
    stSpvAlgorithm_c a;
    a.setOwner(&tool);
    std::unique_ptr<stSketch_c> all(a.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(all->entitiesCount(), 2);
    ASSERT_FALSE(listener.seen.empty());
    for (int p : listener.seen) EXPECT_EQ(p % 5, 0);

    listener.seen.clear();
    listener.cancelAt = 10;
    std::unique_ptr<stSketch_c> cut(a.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(cut->entitiesCount(), 1);
    EXPECT_EQ(listener.seen.back(), 10);
}

TEST(stSpvAlgorithmTest, PolygonalApproximationKeepsTheCorners) {
    const std::vector<stSpvPoint_c> points = {
        {0, 0, 2, 1}, {5, 0.1, 2, 1}, {10, 0, 2, 1}, {10, 10, 2, 0}};
    const stSpvPolybar_c polybar(points);
    std::unique_ptr<stSpvPolybar_c> reduced(stSpvAlgorithm_c::polygonalApproximation(polybar, 1.0));
    ASSERT_EQ(reduced->pointCount(), 3);
    EXPECT_EQ(reduced->pointAt(0).position(), utPoint_c(0, 0));
    EXPECT_EQ(reduced->pointAt(1).position(), utPoint_c(10, 0));
    EXPECT_EQ(reduced->pointAt(2).position(), utPoint_c(10, 10));
    EXPECT_EQ(reduced->pointAt(2).wDir(), 0);

    // A gentle arc within tolerance collapses to its ends; a tighter tolerance keeps more.
    std::vector<stSpvPoint_c> arc;
    for (int i = 0; i <= 20; ++i) arc.emplace_back(i * 5.0, 0.02 * (i - 10) * (i - 10), 1, 1);
    const stSpvPolybar_c gentle(arc);
    std::unique_ptr<stSpvPolybar_c> loose(stSpvAlgorithm_c::polygonalApproximation(gentle, 2.5));
    std::unique_ptr<stSpvPolybar_c> tight(stSpvAlgorithm_c::polygonalApproximation(gentle, 0.2));
    EXPECT_LT(loose->pointCount(), tight->pointCount());
    EXPECT_EQ(loose->pointAt(0).position(), utPoint_c(0, 2));
    EXPECT_EQ(loose->pointAt(loose->pointCount() - 1).position(), utPoint_c(100, 2));

    const stSpvPolybar_c two(std::vector<stSpvPoint_c>{{0, 0, 1, 1}, {3, 4, 1, 1}});
    std::unique_ptr<stSpvPolybar_c> same(stSpvAlgorithm_c::polygonalApproximation(two, 1.0));
    ASSERT_EQ(same->pointCount(), 2);
    EXPECT_EQ(same->pointAt(1).position(), utPoint_c(3, 4));

    // A point on the anchor opens no cone; copies of one point never open one, and the last copy
    // is not appended again.
    const stSpvPolybar_c onAnchor(
        std::vector<stSpvPoint_c>{{0, 0, 1, 1}, {0, 0, 1, 1}, {5, 5, 1, 1}, {10, 0, 1, 1}});
    std::unique_ptr<stSpvPolybar_c> corners(
        stSpvAlgorithm_c::polygonalApproximation(onAnchor, 0.5));
    ASSERT_EQ(corners->pointCount(), 3);
    EXPECT_EQ(corners->pointAt(1).position(), utPoint_c(5, 5));
    const stSpvPolybar_c copies(
        std::vector<stSpvPoint_c>{{3, 3, 1, 1}, {3, 3, 1, 1}, {3, 3, 1, 0}});
    std::unique_ptr<stSpvPolybar_c> one(stSpvAlgorithm_c::polygonalApproximation(copies, 0.5));
    EXPECT_EQ(one->pointCount(), 1);
}
