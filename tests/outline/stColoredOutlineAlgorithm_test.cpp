// The coloured outline tracer: a region grown from a seed in a colour space, and its rim followed
// on the four-times grid; the colour spaces and measures it compares with.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "outline/colorSimilarity.h"
#include "rasterDrawing.h"
#include "xmlFromText.h"

using namespace Vemora;

namespace {

constexpr uint32_t kRed = 0x00FF0000u;
constexpr uint32_t kBlue = 0x000000FFu;

utRasterData_c uniform(unsigned w, unsigned h, uint32_t colour) {
    utRasterData_c r(w, h);
    std::fill(r.data(), r.data() + size_t(w) * h, colour);
    return r;
}

// Pixels whose centres lie within radius of (cx, cy).
void fillDisc(utRasterData_c& r, double cx, double cy, double radius, uint32_t colour) {
    for (unsigned y = 0; y < r.height(); ++y)
        for (unsigned x = 0; x < r.width(); ++x)
            if (std::hypot(x - cx, y - cy) <= radius) r.setPixel(x, y, colour);
}

std::unique_ptr<stSketch_c> traceFrom(stColoredOutlineAlgorithm_c& a, utRasterData_c& r, double x,
                                      double y, double dx = 0.0, double dy = 0.0) {
    const utPoint_c seed(x, y);
    return std::unique_ptr<stSketch_c>(a.trace(&r, &seed, dx, dy));
}

std::vector<utPoint_c> pointsOf(const stSketch_c& s, int i) {
    const auto* spline = dynamic_cast<const stSpline_c*>(s.entityAt(i));
    return spline ? spline->points() : std::vector<utPoint_c>{};
}

struct Box {
    double x1 = 1e99, y1 = 1e99, x2 = -1e99, y2 = -1e99;
};

Box boxOf(const std::vector<utPoint_c>& points) {
    Box b;
    for (const utPoint_c& p : points) {
        b.x1 = std::min(b.x1, p.x());
        b.y1 = std::min(b.y1, p.y());
        b.x2 = std::max(b.x2, p.x());
        b.y2 = std::max(b.y2, p.y());
    }
    return b;
}

// Contours pass through pixel positions (pixel (i, j) at the point (i, j)) of the region or of its
// rim: either inside the disc next to a pixel outside it, or outside next to one inside.
void expectOnDiscRim(const std::vector<utPoint_c>& points, double cx, double cy, double radius) {
    ASSERT_GE(points.size(), 9u);
    EXPECT_EQ(points.front(), points.back());
    for (const utPoint_c& p : points) {
        const double d = std::hypot(p.x() - cx, p.y() - cy);
        EXPECT_GT(d, radius - std::sqrt(2.0)) << p.x() << ", " << p.y();
        EXPECT_LE(d, radius + std::sqrt(2.0)) << p.x() << ", " << p.y();
    }
}

}  // namespace

TEST(stColoredOutlineAlgorithmTest, RedDiscOnBlueGivesTheDiscsRimFromEitherSide) {
    utRasterData_c r = uniform(80, 70, kBlue);
    fillDisc(r, 40, 34, 20, kRed);
    stColoredOutlineAlgorithm_c a;  // RGB, squared distance, below 10

    auto disc = traceFrom(a, r, 40, 34);
    ASSERT_NE(disc, nullptr);
    ASSERT_EQ(disc->entitiesCount(), 1);
    expectOnDiscRim(pointsOf(*disc, 0), 40, 34, 20);

    // From the background: the border of the working area, and the disc as the background's hole.
    auto background = traceFrom(a, r, 3, 60);
    ASSERT_NE(background, nullptr);
    ASSERT_EQ(background->entitiesCount(), 2);
    const std::vector<utPoint_c> frame = pointsOf(*background, 0);
    const Box b = boxOf(frame);
    EXPECT_EQ(frame.front(), frame.back());
    EXPECT_LE(b.x1, 1.0);
    EXPECT_LE(b.y1, 1.0);
    EXPECT_GE(b.x2, 79.0);
    EXPECT_GE(b.y2, 69.0);
    expectOnDiscRim(pointsOf(*background, 1), 40, 34, 20);
    EXPECT_EQ(a.errorCode(), 0);
}

TEST(stColoredOutlineAlgorithmTest, TheRegionIsTheSeedsOwnColourAndItsNeighbours) {
    // A stripe of a near colour (one step in one byte) beside a square of the seed's colour.
    utRasterData_c r = uniform(40, 40, 0x00FFFFFF);
    vemora_test::fillBox(r, 10, 10, 19, 29, kBlue);
    vemora_test::fillBox(r, 20, 10, 29, 29, kBlue - 1);
    stColoredOutlineAlgorithm_c a;
    const struct {
        const char* name;
        int space, measure;
        double width;  // of the region
    } rows[] = {
        {"RGB, squared distance 1 below 10", 0, 0, 20},
        {"only the seed's colour", 0, 2, 10},
        {"L*C*h, cylinder distance", 5, 1, 20},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        a.setColorSpace(row.space);
        a.setMeasureType(row.measure);
        const auto s = traceFrom(a, r, 12, 12);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->entitiesCount(), 1);
        const Box b = boxOf(pointsOf(*s, 0));
        EXPECT_NEAR(b.x2 - b.x1, row.width, 1.0);
        EXPECT_NEAR(b.y2 - b.y1, 20.0, 1.0);
    }
    ASSERT_TRUE(a.setMaxColorsDistance(0));  // below 0: the seed's colour still joins
    a.setMeasureType(0);
    const Box b = boxOf(pointsOf(*traceFrom(a, r, 12, 12), 0));
    EXPECT_NEAR(b.x2 - b.x1, 10.0, 1.0);
}

TEST(stColoredOutlineAlgorithmTest, UniformImageIsClosedByTheEndOfTheWorkingArea) {
    const struct {
        const char* name;
        int sizeX, sizeY;       // 0: no maximum size
        double dx, dy;          // the offsets, the selection's corner
        double x1, y1, x2, y2;  // where the working area ends
    } rows[] = {
        {"the image", 0, 0, 0, 0, 0, 0, 60, 40},
        {"a maximum size", 30, 25, 0, 0, 0, 0, 29, 24},
        {"a maximum size beyond the image, clamped to it", 1000, 5000, 0, 0, 0, 0, 60, 40},
        {"a selection's corner", 0, 0, 11, 7, 10, 6, 60, 40},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        utRasterData_c r = uniform(60, 40, kRed);
        stColoredOutlineAlgorithm_c a;
        if (row.sizeX) {
            ASSERT_TRUE(a.setMaxSize(row.sizeX, row.sizeY));
        }
        const auto s = traceFrom(a, r, 20, 20, row.dx, row.dy);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->entitiesCount(), 1);
        const std::vector<utPoint_c> points = pointsOf(*s, 0);
        EXPECT_EQ(points.front(), points.back());
        const Box b = boxOf(points);
        EXPECT_NEAR(b.x1, row.x1, 1.0);
        EXPECT_NEAR(b.y1, row.y1, 1.0);
        EXPECT_NEAR(b.x2, row.x2, 1.0);
        EXPECT_NEAR(b.y2, row.y2, 1.0);
    }
}

TEST(stColoredOutlineAlgorithmTest, SeedsOutsideTheWorkingAreaAreSkipped) {
    utRasterData_c r = uniform(30, 20, kRed);
    stColoredOutlineAlgorithm_c a;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double outside[][2] = {{-1, 5},  {5, -1.5}, {30, 5}, {5, 20}, {1e12, 5},
                                 {nan, 5}, {29, 5},   {0, 5},  {3, 3}};
    ASSERT_TRUE(a.setMaxSize(20, 10));  // (3, 3) lies beyond the selection's corner below
    for (const auto& seed : outside) {
        SCOPED_TRACE(std::to_string(seed[0]) + ", " + std::to_string(seed[1]));
        EXPECT_EQ(traceFrom(a, r, seed[0], seed[1], 6, 6), nullptr);
    }
    // Without a pick point the corner of the working area is the seed, and (0, 0) moves to (1, 1).
    std::unique_ptr<stSketch_c> s(a.trace(&r, nullptr, 0, 0));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->entitiesCount(), 1);
    EXPECT_EQ(a.trace(nullptr, nullptr, 0, 0), nullptr);
}

TEST(stColoredOutlineAlgorithmTest, SpecksAreDeletedAndHolesKept) {
    // A 2 x 2 speck gives a rim of six points, too short to keep (a single pixel gives none at
    // all); a 6 x 6 hole stays. Leaks of the dropped contours show under the sanitizer.
    utRasterData_c r = uniform(50, 50, kBlue);
    vemora_test::fillBox(r, 10, 10, 11, 11, kRed);
    vemora_test::fillBox(r, 30, 30, 35, 35, kRed);
    stColoredOutlineAlgorithm_c a;
    const auto s = traceFrom(a, r, 25, 5);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->entitiesCount(), 2);  // the frame and the hole
    const Box hole = boxOf(pointsOf(*s, 1));
    EXPECT_NEAR(hole.x1, 30, 1.0);
    EXPECT_NEAR(hole.x2, 36, 1.0);
}

TEST(stColoredOutlineAlgorithmTest, RimsOfMillionsOfCellsAreFollowedWhole) {
    // 62,001 holes of 3 x 3 pixels: 44 rim cells each, 2.7 million in all, more than scratch
    // lists of a fixed 10 MB of 4-byte cells could hold. Every hole keeps its rim.
    utRasterData_c r = uniform(1000, 1000, kBlue);
    for (int y = 2; y + 2 < 1000; y += 4)
        for (int x = 2; x + 2 < 1000; x += 4) vemora_test::fillBox(r, x, y, x + 2, y + 2, kRed);
    stColoredOutlineAlgorithm_c a;
    const auto s = traceFrom(a, r, 1, 1);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->entitiesCount(), 1 + 249 * 249);
    const Box last = boxOf(pointsOf(*s, s->entitiesCount() - 1));
    EXPECT_NEAR(last.x1, 994, 1.0);
    EXPECT_NEAR(last.y2, 997, 1.0);
}

TEST(stColoredOutlineAlgorithmTest, ContoursMoveWithTheirRegion) {
    // The contour grid covers only the region's box; a region drawn elsewhere comes out moved by
    // exactly as much.
    const auto traced = [](unsigned dx, unsigned dy) {
        utRasterData_c r = uniform(120, 100, kBlue);
        fillDisc(r, 20 + dx, 18 + dy, 9, kRed);
        vemora_test::fillBox(r, 16 + dx, 16 + dy, 22 + dx, 19 + dy, kBlue);  // a hole
        stColoredOutlineAlgorithm_c a;
        return traceFrom(a, r, 20 + dx, 10 + dy);
    };
    const auto here = traced(0, 0), there = traced(57, 41);
    ASSERT_NE(here, nullptr);
    ASSERT_NE(there, nullptr);
    ASSERT_EQ(here->entitiesCount(), 2);
    ASSERT_EQ(there->entitiesCount(), 2);
    for (int i = 0; i < 2; ++i) {
        std::vector<utPoint_c> moved = pointsOf(*here, i);
        for (utPoint_c& p : moved) p = p + utVector_c(57, 41);
        EXPECT_EQ(pointsOf(*there, i), moved);
    }
}

TEST(stColoredOutlineAlgorithmTest, WideImageKeepsCoordinatesBeyondSixteenBits) {
    // Four times 20,000 columns: far past what 16-bit cells could hold.
    utRasterData_c r = uniform(20000, 2000, 0x00FFFFFF);
    vemora_test::fillBox(r, 100, 1500, 19899, 1519, kRed);
    stColoredOutlineAlgorithm_c a;
    const auto s = traceFrom(a, r, 19000, 1510);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->entitiesCount(), 1);
    const Box b = boxOf(pointsOf(*s, 0));
    EXPECT_NEAR(b.x1, 100, 1.0);
    EXPECT_NEAR(b.x2, 19900, 1.0);
    EXPECT_NEAR(b.y1, 1500, 1.0);
    EXPECT_NEAR(b.y2, 1520, 1.0);
}

TEST(stColoredOutlineAlgorithmTest, SettingsAreReadAndCheckedAndTheClassIsRegistered) {
    stColoredOutlineAlgorithm_c a;
    EXPECT_FALSE(a.setMaxColorsDistance(-1));
    EXPECT_EQ(a.maxColorsDistance(), 10);
    EXPECT_FALSE(a.setMaxSize(0, 5));
    int x = -1, y = -1;
    a.maxSize(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    auto doc =
        vemora_test::xmlFromText(L"<P><ColorSpace>3</ColorSpace><MeasureType>1</MeasureType></P>");
    a.fromXml(doc->getDocumentElement());
    EXPECT_EQ(a.maxColorsDistance(), 0);  // missing
    EXPECT_EQ(a.colorSpace(), 3);
    EXPECT_EQ(a.measureType(), 1);

    std::unique_ptr<stConfigurable_c> made(
        stVMREngine_c::getEngine().createConfigurable(L"ColoredOutlineAlgorithm"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->isA(), stColoredOutlineAlgorithm_c::desc());
    EXPECT_EQ(static_cast<stProcessor_c*>(made.get())->processorKind(), 2u);
}

// ---------------------------------------------------------------------------------------------
// The colour comparison

TEST(colorSimilarityTest, SpacesReadTheBytesInTheirOrder) {
    constexpr double kTol = 1e-9;
    // Bits 0-7 come first.
    const utColorComponents_c raw = colorComponents(0x00332211u, 0);
    EXPECT_EQ(raw.v1, 0x11);
    EXPECT_EQ(raw.v2, 0x22);
    EXPECT_EQ(raw.v3, 0x33);

    // HSV hues of the three pure colours, each at full saturation and value; grey has no hue.
    const struct {
        uint32_t pixel;
        double h, s, v;
    } hsv[] = {{0x0000FF, 0, 1, 255},   {0x00FF00, 120, 1, 255}, {0xFF0000, 240, 1, 255},
               {0xFF00FF, 300, 1, 255}, {0x808080, 0, 0, 128},   {0x000000, 0, 0, 0}};
    for (const auto& row : hsv) {
        const utColorComponents_c c = colorComponents(row.pixel, 2);
        EXPECT_NEAR(c.v1, row.h, kTol) << std::hex << row.pixel;
        EXPECT_NEAR(c.v2, row.s, kTol) << std::hex << row.pixel;
        EXPECT_NEAR(c.v3, row.v, kTol) << std::hex << row.pixel;
    }

    // The XYZ weights of each row add up to about one: white's Y is about its bytes' value.
    EXPECT_NEAR(colorComponents(0xFFFFFF, 1).v2, 255.0, 0.01);
    // Black: no lightness, no colour, in every derived space.
    for (int space : {3, 4, 5, 6}) {
        const utColorComponents_c c = colorComponents(0, space);
        EXPECT_NEAR(c.v1, 0.0, kTol) << space;
        EXPECT_NEAR(c.v3, 0.0, kTol) << space;
    }
}

TEST(colorSimilarityTest, MeasuresCompareAsDocumented) {
    const utColorComponents_c a{10, 20, 30}, b{13, 24, 30};
    EXPECT_DOUBLE_EQ(colorDistance(a, b, 0), 25.0);  // 3-4-5
    // Opposite hues: the chromas add up across the axis; equal hues: they cancel.
    const utColorComponents_c lhc1{50, 10, 3}, lhc2{50, 190, 4}, lhc3{53, 10, 7};
    EXPECT_NEAR(colorDistance(lhc1, lhc2, 1), 49.0, 1e-9);
    EXPECT_NEAR(colorDistance(lhc1, lhc3, 1), 9.0 + 16.0, 1e-9);
    EXPECT_LT(colorDistance(a, a, 7), 0.0);

    utColorSimilarity_c exact(0xFF123456u, 0, 7, 1000);
    EXPECT_TRUE(exact.similar(0x00123456u));  // the top byte plays no part
    EXPECT_FALSE(exact.similar(0x00123457u));
}
