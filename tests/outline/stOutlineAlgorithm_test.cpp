// The outline tracer: contours of dark regions walked on a grid of cells, in the normal mode and
// on the four-times-enlarged grid, and the contour component it shares with its colour sibling.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "outline/outlineContours.h"
#include "rasterDrawing.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::blankRaster;
using vemora_test::kInk;
using vemora_test::rasterFromAscii;

namespace {

std::unique_ptr<stSketch_c> traceOf(stOutlineAlgorithm_c& a, utRasterData_c raster, double dx = 0.0,
                                    double dy = 0.0, const utPoint_c* pick = nullptr) {
    return std::unique_ptr<stSketch_c>(a.trace(&raster, pick, dx, dy));
}

std::vector<utPoint_c> pointsOf(const stSketch_c& s, int i) {
    const auto* spline = dynamic_cast<const stSpline_c*>(s.entityAt(i));
    return spline ? spline->points() : std::vector<utPoint_c>{};
}

bool isInk(const utRasterData_c& r, long x, long y) {
    return x >= 0 && y >= 0 && x < long(r.width()) && y < long(r.height()) &&
           r.pixel(unsigned(x), unsigned(y)) == kInk;
}

// Normal mode: every point is the cell of a paper pixel with ink beside it in its row or column.
void expectOnMarkedCells(const utRasterData_c& r, const std::vector<utPoint_c>& points) {
    for (const utPoint_c& p : points) {
        const long x = long(p.x()) - 1, y = long(p.y()) - 1;
        EXPECT_TRUE(!isInk(r, x, y) && (isInk(r, x - 1, y) || isInk(r, x + 1, y) ||
                                        isInk(r, x, y - 1) || isInk(r, x, y + 1)))
            << "(" << p.x() << ", " << p.y() << ")";
    }
}

// Enlarged mode: the shrunk chains run along the pixels' edges (pixel (i, j) spans [i, i + 1] x
// [j, j + 1]); every point lies within tolerance of the middle of an edge between ink and paper.
void expectNearInkEdges(const utRasterData_c& r, const std::vector<utPoint_c>& points,
                        double tolerance) {
    std::vector<utPoint_c> edges;
    for (long y = 0; y < long(r.height()); ++y)
        for (long x = 0; x < long(r.width()); ++x) {
            if (!isInk(r, x, y)) continue;
            if (!isInk(r, x - 1, y)) edges.emplace_back(x, y + 0.5);
            if (!isInk(r, x + 1, y)) edges.emplace_back(x + 1, y + 0.5);
            if (!isInk(r, x, y - 1)) edges.emplace_back(x + 0.5, y);
            if (!isInk(r, x, y + 1)) edges.emplace_back(x + 0.5, y + 1);
        }
    for (const utPoint_c& p : points) {
        double best = 1e99;
        for (const utPoint_c& e : edges) best = std::min(best, (p - e).length());
        EXPECT_LE(best, tolerance) << "(" << p.x() << ", " << p.y() << ")";
    }
}

double distanceToSegment(const utPoint_c& p, const utPoint_c& a, const utPoint_c& b) {
    const utVector_c ab = b - a, ap = p - a;
    const double t = std::clamp((ab * ap) / ab.length2(), 0.0, 1.0);
    return (p - (a + ab * t)).length();
}

utRasterData_c annulus(unsigned size, double inner, double outer) {
    utRasterData_c r = blankRaster(size, size);
    const double c = size / 2.0;
    for (unsigned y = 0; y < size; ++y)
        for (unsigned x = 0; x < size; ++x) {
            const double d = std::hypot(x - c, y - c);
            if (d <= outer && d >= inner) r.setPixel(x, y, kInk);
        }
    return r;
}

struct RecordingListener : stToolListener_c {
    std::vector<std::wstring> steps;
    std::vector<int> progress;
    int refuseAt = -1;  // a percentage, or 0 for the step's start
    bool onStepStart(const stTool_c*, const wchar_t* s) override {
        steps.push_back(s);
        return refuseAt != 0;
    }
    bool onProgress(const stTool_c*, int percent) override {
        progress.push_back(percent);
        return percent != refuseAt;
    }
    void onStepFinish(const stTool_c*, const wchar_t* s) override {
        steps.push_back(std::wstring(L"/") + s);
    }
};

stXmlElement_c* toolElement(stXmlDocument_c& doc) {
    return static_cast<stXmlElement_c*>(doc.getDocumentElement()->selectNode(L"Tool"));
}

}  // namespace

TEST(stOutlineAlgorithmTest, SinglePixelIsWalkedThroughItsFourSideNeighbours) {
    // Pixel (2, 2) is cell (3, 3): the walk from (3, 2) takes '5', '7', '1' and closes with '3'.
    stOutlineAlgorithm_c a;
    a.setSuppressNoise(false);
    const auto middle = rasterFromAscii({".....", ".....", "..#..", ".....", "....."});
    auto s = traceOf(a, middle, 10.7, 20.2);
    ASSERT_EQ(s->entitiesCount(), 1);
    EXPECT_EQ(pointsOf(*s, 0),
              (std::vector<utPoint_c>{{13, 22}, {12, 23}, {13, 24}, {14, 23}, {13, 22}}));

    // In the corner the ring of cells lies on the grid's border; beyond it is background.
    s = traceOf(a, rasterFromAscii({"#..", "...", "..."}));
    ASSERT_EQ(s->entitiesCount(), 1);
    EXPECT_EQ(pointsOf(*s, 0), (std::vector<utPoint_c>{{1, 0}, {0, 1}, {1, 2}, {2, 1}, {1, 0}}));

    // Its box is 2 by 2 cells: noise below 8, kept from 4 on.
    a.setSuppressNoise(true);
    EXPECT_EQ(traceOf(a, middle)->entitiesCount(), 0);
    a.setMaxNoiseSize(4);
    EXPECT_EQ(traceOf(a, middle)->entitiesCount(), 1);
}

TEST(stOutlineAlgorithmTest, PaperOrAPickPointGiveAnEmptySketch) {
    stOutlineAlgorithm_c a;
    EXPECT_EQ(traceOf(a, blankRaster(20, 10))->entitiesCount(), 0);
    utRasterData_c r = blankRaster(20, 20);
    vemora_test::fillBox(r, 5, 5, 14, 14);
    const utPoint_c pick(8, 8);
    EXPECT_EQ(traceOf(a, r, 0, 0, &pick)->entitiesCount(), 0);
    EXPECT_EQ(traceOf(a, r)->entitiesCount(), 1);  // the same object traces again
}

TEST(stOutlineAlgorithmTest, DarknessIsTheRootMeanSquareOfTheChannels) {
    const struct {
        const char* name;
        uint32_t pixel;
        bool dark;
    } rows[] = {
        {"grey 100", 0x646464, true},
        {"grey 200", 0xC8C8C8, false},
        {"pure red, about 147.2", 0xFF0000, true},
        {"pure blue, about 147.2", 0x0000FF, true},
        {"red and green, about 208", 0xFFFF00, false},
    };
    stOutlineAlgorithm_c a;
    a.setSuppressNoise(false);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        utRasterData_c r = blankRaster(3, 3);
        r.setPixel(1, 1, row.pixel);
        EXPECT_EQ(traceOf(a, r)->entitiesCount(), row.dark ? 1 : 0);
    }
    EXPECT_FALSE(a.isBlack(0, 0));  // outside a run there is no raster
}

TEST(stOutlineAlgorithmTest, FilledShapesGiveClosedContoursOnTheirBoundary) {
    utRasterData_c rectangle = blankRaster(40, 30);
    vemora_test::fillBox(rectangle, 6, 5, 29, 21);
    const struct {
        const char* name;
        utRasterData_c raster;
        int contours;
    } rows[] = {
        {"disc", annulus(60, 0.0, 20.0), 1},
        {"ring", annulus(60, 10.0, 20.0), 2},
        {"rectangle", rectangle, 1},
    };
    for (bool x4 : {false, true}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (x4 ? " enlarged" : ""));
            stOutlineAlgorithm_c a;
            a.setUseX4Rescaling(x4);
            const auto s = traceOf(a, row.raster);
            ASSERT_EQ(s->entitiesCount(), row.contours);
            for (int i = 0; i < s->entitiesCount(); ++i) {
                const std::vector<utPoint_c> points = pointsOf(*s, i);
                ASSERT_GE(points.size(), 8u);
                EXPECT_EQ(points.front(), points.back());
                if (x4)
                    expectNearInkEdges(row.raster, points, 1.5);
                else
                    expectOnMarkedCells(row.raster, points);
            }
        }
    }
    // Only the first contour found, the ring's outer one.
    stOutlineAlgorithm_c outer;
    outer.setExternalContourOnly(true);
    const auto s = traceOf(outer, rows[1].raster);
    ASSERT_EQ(s->entitiesCount(), 1);
    double left = 1e99, right = -1e99;
    for (const utPoint_c& p : pointsOf(*s, 0)) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
    }
    EXPECT_NEAR(right - left, 42.0, 1.0);  // across the paper cells around the outer rim
}

TEST(stOutlineAlgorithmTest, ListenersFollowTheStepAndMayCancelIt) {
    auto doc = vemora_test::xmlFromText(
        L"<T><Tool name=\"O\"><Algorithm><Processor processorName=\"OutlineAlgorithm\" name=\"o\">"
        L"<BlackLevel>150</BlackLevel><SuppressNoise>true</SuppressNoise>"
        L"<MaxNoiseSize>8</MaxNoiseSize></Processor></Algorithm></Tool></T>");
    stTool_c tool{stToolDefinition_c(toolElement(*doc))};
    ASSERT_EQ(tool.countProcessors(), 1);
    utRasterData_c r = blankRaster(20, 20);
    vemora_test::fillBox(r, 5, 5, 14, 14);

    RecordingListener listener;
    tool.addListener(&listener);
    stToolContextImpl_c context(r);
    context.setSelectionRectangle(100, 200, 120, 220);
    EXPECT_TRUE(tool.apply(&context));
    EXPECT_EQ(listener.steps, (std::vector<std::wstring>{L"Outline vectorization...",
                                                         L"/Outline vectorization..."}));
    EXPECT_EQ(listener.progress, (std::vector<int>{20, 40, 60, 80, 95, 95}));
    ASSERT_EQ(context.getVectors()->entitiesCount(), 1);
    // The walk starts on the top row of cells, above pixel (5, 5), shifted by the corner.
    EXPECT_EQ(pointsOf(*context.getVectors(), 0).front(), utPoint_c(106, 205));

    for (int refuse : {0, 40, 95}) {
        SCOPED_TRACE(refuse);
        listener.refuseAt = refuse;
        stToolContextImpl_c cancelled(r);
        EXPECT_TRUE(tool.apply(&cancelled));
        EXPECT_EQ(cancelled.getVectors()->entitiesCount(), 0);
    }
}

// Regression: the enlarged grid of an A0 scan (9933 x 14043 at 300 dpi) has 2.2e9 cells, more
// than an int holds; its size was counted in int and the allocation went unchecked.
TEST(stOutlineAlgorithmTest, GridSizesAreCountedBeyondTheRangeOfInt) {
    size_t w = 0, h = 0;
    stOutlineAlgorithm_c::gridSize(9933, 14043, true, w, h);
    EXPECT_EQ(w, 39736u);
    EXPECT_EQ(h, 56176u);
    EXPECT_EQ(utOutlineGrid_c::cellCount(w, h), size_t(2232209536u));
    EXPECT_GT(utOutlineGrid_c::cellCount(w, h), size_t(INT_MAX));
    stOutlineAlgorithm_c::gridSize(9933, 14043, false, w, h);
    EXPECT_EQ(utOutlineGrid_c::cellCount(w, h), size_t(9935) * 14045);
    // A size no raster can call for is refused before any memory is asked for.
    EXPECT_THROW(utOutlineGrid_c(size_t(1) << 40, size_t(1) << 40), std::bad_alloc);
    EXPECT_THROW(utOutlineGrid_c(size_t(1) << 20, size_t(1) << 20), std::bad_alloc);
}

// Regression: the emitted polygon dropped the last code of every walk, so a walk that did not
// end beside its start lost its last cell.
TEST(utOutlineContoursTest, OnlyTheClosingCodeIsLeftToTheClosingPoint) {
    utOutlineContour_c open;
    open.column = 2;
    open.row = 3;
    open.codes = "006";
    utOutlineContour_c closed = open;
    closed.codes = "0642";
    stSketch_c sketch;
    emitContours({open, closed}, 10, 20, sketch);
    ASSERT_EQ(sketch.entitiesCount(), 2);
    EXPECT_EQ(pointsOf(sketch, 0),
              (std::vector<utPoint_c>{{12, 23}, {13, 23}, {14, 23}, {14, 24}, {12, 23}}));
    EXPECT_EQ(pointsOf(sketch, 1),
              (std::vector<utPoint_c>{{12, 23}, {13, 23}, {13, 24}, {12, 24}, {12, 23}}));
}

TEST(utOutlineContoursTest, ShrinkTurnsFourEqualCodesIntoOneAndThreeIntoNone) {
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"0000", "0"},    {"000", ""},           {"00", "00"},        {"00000", "00"},
        {"0000000", "0"}, {"00001111222", "01"}, {"7666676", "7676"}, {"12341234", "12341234"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.in);
        std::vector<utOutlineContour_c> contours(1);
        contours[0].column = 9;
        contours[0].row = 7;
        contours[0].codes = row.in;
        shrinkContoursX4(contours);
        EXPECT_EQ(contours[0].codes, row.out);
        EXPECT_EQ(contours[0].column, 2);
        EXPECT_EQ(contours[0].row, 1);
    }
}

// The outline tool: contours of a filled drawing, reduced to their corners.
TEST(stOutlineToolTest, TracesFilledShapesAndKeepsTheirCorners) {
    auto doc = vemora_test::xmlFromText(
        L"<T><Tool name=\"Outline\"><General><Description>Outlines</Description></General>"
        L"<Algorithm><Processor processorName=\"OutlineAlgorithm\" name=\"Outline\">"
        L"<ExternalContourOnly>false</ExternalContourOnly><BlackLevel>150</BlackLevel>"
        L"<UseX4Rescaling>false</UseX4Rescaling><SuppressNoise>true</SuppressNoise>"
        L"<MaxNoiseSize>8</MaxNoiseSize></Processor></Algorithm>"
        L"<Sketch><Processor processorName=\"PolygonalApproximator\" name=\"Approximation\">"
        L"<UsePolygonalApproximation>true</UsePolygonalApproximation><MaxError>0.91</MaxError>"
        L"<MaxErrorUseWidth>false</MaxErrorUseWidth></Processor></Sketch></Tool></T>");
    stTool_c tool{stToolDefinition_c(toolElement(*doc))};
    ASSERT_EQ(tool.countProcessors(), 1);
    ASSERT_EQ(tool.countPostProcessors(), 1);

    // A filled rectangle and a filled L, apart.
    utRasterData_c r = blankRaster(80, 50);
    vemora_test::fillBox(r, 5, 5, 30, 20);
    vemora_test::fillBox(r, 45, 5, 52, 40);
    vemora_test::fillBox(r, 45, 33, 70, 40);
    stToolContextImpl_c context(r);
    ASSERT_TRUE(tool.apply(&context));
    const stSketch_c* s = context.getVectors();
    stOutlineAlgorithm_c alone;
    const auto contours = traceOf(alone, r);
    ASSERT_EQ(s->entitiesCount(), 2);
    ASSERT_EQ(contours->entitiesCount(), 2);

    // Every corner of a contour is cut by one diagonal step, which may keep a vertex at either
    // end: at most two vertices a corner, plus the closing point. Every traced point stays
    // within the corridor.
    const size_t corners[] = {4, 6};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const std::vector<utPoint_c> kept = pointsOf(*s, i), traced = pointsOf(*contours, i);
        EXPECT_GE(kept.size(), corners[i] + 1);
        EXPECT_LE(kept.size(), 2 * corners[i] + 1);
        EXPECT_EQ(kept.front(), kept.back());
        expectOnMarkedCells(r, kept);
        for (const utPoint_c& p : traced) {
            double best = 1e99;
            for (size_t k = 0; k + 1 < kept.size(); ++k)
                best = std::min(best, distanceToSegment(p, kept[k], kept[k + 1]));
            EXPECT_LE(best, 0.91) << "(" << p.x() << ", " << p.y() << ")";
        }
    }
}
