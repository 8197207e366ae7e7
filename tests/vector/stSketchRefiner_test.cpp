// Gap merging, collinear linking and the refiner processor around them.

#include <vemora.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "brokenStrokes.h"
#include "rasterDrawing.h"
#include "vector/sketchRefinerEngines.h"
#include "xmlFromText.h"

using namespace Vemora;
using vemora_test::blankRaster;
using vemora_test::drawStroke;

namespace {

constexpr double kTol = 1e-9;
constexpr int kThreshold = 197;

void expectPoint(const utPoint_c& p, double x, double y) {
    EXPECT_NEAR(p.x(), x, kTol);
    EXPECT_NEAR(p.y(), y, kTol);
}

// One-pixel strokes along every (x1, y1, x2, y2).
utRasterData_c inked(std::initializer_list<std::array<double, 4>> strokes) {
    utRasterData_c r = blankRaster(64, 64);
    for (const auto& s : strokes) drawStroke(r, s[0], s[1], s[2], s[3], 1.0);
    return r;
}

// Gap merging as the one-call tracer builds it: unscaled, allowance 2.
void mergeGaps(stSketch_c& sketch, const utRasterData_c& raster, double distance = 8.0,
               int allowance = 2) {
    tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, allowance, distance, 1, 1, 0, 0, 0,
                            nullptr);
    engine.run(&sketch);
}

void linkCollinear(stSketch_c& sketch, const utRasterData_c& raster, double distance = 5.0) {
    tmpLinkCollinear_c engine(&sketch, distance, distance, 0.9, 2.0, 1, 1, 0, 0, 2, kThreshold,
                              &raster);
    engine.run(&sketch);
}

stLine_c* lineAt(stSketch_c& s, int i) { return dynamic_cast<stLine_c*>(s.entityAt(i)); }
stSpline_c* splineAt(stSketch_c& s, int i) { return dynamic_cast<stSpline_c*>(s.entityAt(i)); }

stEntityAttributes_c widthOf(double w) { return stEntityAttributes_c(0, 0, w); }

struct RecordingListener : stToolListener_c {
    std::vector<std::wstring> calls;
    std::wstring refuse;  // the step whose start is answered false
    bool onStepStart(const stTool_c*, const wchar_t* step) override {
        calls.push_back(L"step " + std::wstring(step));
        return refuse != step;
    }
    void onStepFinish(const stTool_c*, const wchar_t* step) override {
        calls.push_back(L"done " + std::wstring(step));
    }
    void onLogError(const stTool_c*, const wchar_t* a, const wchar_t* b) override {
        calls.push_back(L"error " + std::wstring(a) + L" " + b);
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Gap merging

TEST(tmpGapsRefinerTest, CollinearLinesMeetAtTheEarlierLinesEnd) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(23, 10), utPoint_c(33, 10)));
    const utRasterData_c raster = inked({{10, 10, 33, 10}});

    tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 2, 8.0, 1, 1, 0, 0, 0, nullptr);
    engine.run(&sketch);

    // A's end, B's start, and A's end again when B's search finds it back.
    ASSERT_EQ(engine.gapCount(), 1);
    const tmpGapInfo_c& gap = engine.gapAt(0);
    ASSERT_EQ(gap.entries.size(), 3u);
    const tmpEntityInfo_c* a = &engine.infoAt(0);
    const tmpEntityInfo_c* b = &engine.infoAt(1);
    EXPECT_TRUE(gap.entries[0]->info() == a && gap.entries[0]->index() == 1);
    EXPECT_TRUE(gap.entries[1]->info() == b && gap.entries[1]->index() == 0);
    EXPECT_TRUE(gap.entries[2]->info() == a && gap.entries[2]->index() == 1);

    expectPoint(lineAt(sketch, 0)->p1(), 10, 10);
    expectPoint(lineAt(sketch, 0)->p2(), 20, 10);
    expectPoint(lineAt(sketch, 1)->p1(), 20, 10);
    expectPoint(lineAt(sketch, 1)->p2(), 33, 10);
}

// Ink is a mean of the three channels below the threshold: a grey whose mean is the threshold
// itself is paper, one a third of a level darker is ink. No white pixel is allowed here, so the
// two pixels of the gap alone decide whether the ends see each other.
TEST(tmpGapsRefinerTest, AGapIsBridgedOnlyByPixelsDarkerThanTheThreshold) {
    const uint32_t t = kThreshold;
    for (const auto& [grey, merged] : {std::pair{(t << 16) | (t << 8) | t, false},
                                       std::pair{(t << 16) | (t << 8) | (t - 1), true}}) {
        stSketch_c sketch;
        sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
        sketch.addEntity(new stLine_c(utPoint_c(23, 10), utPoint_c(33, 10)));
        utRasterData_c raster = inked({{10, 10, 20, 10}, {23, 10, 33, 10}});
        raster.setPixel(21, 10, grey);
        raster.setPixel(22, 10, grey);
        tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 0, 8.0, 1, 1, 0, 0, 0, nullptr);
        engine.run(&sketch);
        EXPECT_EQ(engine.gapCount(), merged ? 1 : 0) << std::hex << grey;
    }
}

TEST(tmpGapsRefinerTest, ACornerClosesWhereTheTangentsCross) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(22, 12), utPoint_c(22, 22)));
    mergeGaps(sketch, inked({{10, 10, 20, 10}, {20, 10, 22, 12}, {22, 12, 22, 22}}));
    expectPoint(lineAt(sketch, 0)->p2(), 22, 10);
    expectPoint(lineAt(sketch, 1)->p1(), 22, 10);
    expectPoint(lineAt(sketch, 0)->p1(), 10, 10);
    expectPoint(lineAt(sketch, 1)->p2(), 22, 22);
}

TEST(tmpGapsRefinerTest, AnEndNearTheMiddleOfALineMovesOntoIt) {
    struct Row {
        const char* name;
        double width;  // of both strokes in the raster
        int paper;     // white rows between the long stroke and the short one's ink
        int allowance;
        bool joined;
    };
    // Paper between the long line at y = 10 and the short line's start: 2 white pixels pass, 3 do
    // not unless allowed, and no run of paper wider than the strokes passes (regression: links
    // of one-pixel hatching crossed the 2 px of paper between its strokes).
    const Row rows[] = {
        {"two white pixels", 3, 2, 2, true},
        {"three white pixels", 3, 3, 2, false},
        {"three white pixels, allowance 3", 3, 3, 3, true},
        {"two white pixels beside one-pixel strokes", 1, 2, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const double inkTop = 10 + (row.width - 1) / 2 + row.paper + 1;  // first ink row below
        const double startY = inkTop + 1;
        stSketch_c sketch;
        sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(50, 10)));
        sketch.addEntity(new stLine_c(utPoint_c(30, startY), utPoint_c(30, 30)));
        utRasterData_c raster = blankRaster(64, 64);
        drawStroke(raster, 10, 10, 50, 10, row.width);
        drawStroke(raster, 30, inkTop + (row.width - 1) / 2, 30, 30, row.width);
        mergeGaps(sketch, raster, 8.0, row.allowance);
        expectPoint(lineAt(sketch, 1)->p1(), 30, row.joined ? 10 : startY);
        expectPoint(lineAt(sketch, 0)->p1(), 10, 10);
        expectPoint(lineAt(sketch, 0)->p2(), 50, 10);
    }
}

// Regression: gap merging cross-linked hatching and parallel strokes, folded short dashes onto
// themselves, and moved ends to tangent crossings far across paper that no walk had looked at.
TEST(tmpGapsRefinerTest, LinksJoinEndsThatFaceEachOtherAndMovesRunOverInk) {
    struct Row {
        const char* name;
        std::vector<std::array<double, 4>> lines, ink;  // 3 px strokes: the lines and more ink
    };
    const Row rows[] = {
        {"ends side by side", {{10, 10, 30, 10}, {10, 14, 30, 14}}, {}},
        {"a dash shorter than the search distance", {{10, 30, 16, 30}}, {}},
        // The end's tangent crosses the long line at (90, 10), beyond the raster.
        {"a tangent crossing the segment across paper",
         {{10, 10, 50, 10}, {10, 14, 30, 13}},
         {{30, 10, 30, 13}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stSketch_c sketch;
        utRasterData_c raster = blankRaster(64, 64);
        for (const auto& l : row.lines) {
            sketch.addEntity(new stLine_c(utPoint_c(l[0], l[1]), utPoint_c(l[2], l[3])));
            drawStroke(raster, l[0], l[1], l[2], l[3], 3);
        }
        for (const auto& l : row.ink) drawStroke(raster, l[0], l[1], l[2], l[3], 3);
        mergeGaps(sketch, raster);
        for (int i = 0; i < sketch.entitiesCount(); ++i) {
            expectPoint(lineAt(sketch, i)->p1(), row.lines[size_t(i)][0], row.lines[size_t(i)][1]);
            expectPoint(lineAt(sketch, i)->p2(), row.lines[size_t(i)][2], row.lines[size_t(i)][3]);
        }
    }
}

TEST(tmpGapsRefinerTest, AnEndWithoutDirectionKeepsItsPlaceBesideASegment) {
    // A zero-length line near the middle of a long one has no tangent to cross the segment with.
    // Regression: its points became NaN.
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(50, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(30, 13), utPoint_c(30, 13)));
    mergeGaps(sketch, inked({{10, 10, 50, 10}, {30, 10, 30, 13}}));
    expectPoint(lineAt(sketch, 1)->p1(), 30, 13);
    expectPoint(lineAt(sketch, 1)->p2(), 30, 13);
}

TEST(tmpGapsRefinerTest, ALineEndJoinsAnArcEndAndTheArcStays) {
    stSketch_c sketch;
    // Centre (20, 20), radius 10, from angle 0 at (30, 20) to pi/2 at (20, 30).
    auto* arc = new stArc_c(utPoint_c(20, 20), 10.0, 0.0, M_PI / 2);
    sketch.addEntity(arc);
    sketch.addEntity(new stLine_c(utPoint_c(33, 20), utPoint_c(50, 20)));
    mergeGaps(sketch, inked({{30, 20, 50, 20}}));
    // The line's tangent (y = 20) crosses the arc's chord at the arc's start point.
    expectPoint(lineAt(sketch, 1)->p1(), 30, 20);
    EXPECT_EQ(arc->startAngle(), 0.0);
    EXPECT_EQ(arc->endAngle(), M_PI / 2);
    expectPoint(arc->center(), 20, 20);
}

TEST(tmpGapsRefinerTest, EntitiesWithoutTwoVerticesAreNeitherSearchedNorFound) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stSpline_c(std::vector<utPoint_c>{{22, 10}}));
    sketch.addEntity(new stPoint_c(utPoint_c(22, 11)));
    sketch.addEntity(new stCircle_c(utPoint_c(24, 10), 2.0));
    sketch.addEntity(new stEllipse_c(3.0, 2.0, 0.0, utPoint_c(25, 10)));
    utRasterData_c raster = inked({{8, 10, 30, 10}});
    tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 2, 8.0, 1, 1, 0, 0, 0, nullptr);
    engine.run(&sketch);
    EXPECT_EQ(engine.gapCount(), 0);
    expectPoint(lineAt(sketch, 0)->p2(), 20, 10);
}

TEST(tmpGapsRefinerTest, TheLinkIsWalkedInPixelsOfTheScaledShiftedRotatedRaster) {
    // The corner layout in sketch units twice the pixels, shifted by (5, 5), turned a quarter.
    const utRasterData_c raster = inked({{10, 10, 20, 10}, {20, 10, 22, 12}, {22, 12, 22, 22}});
    const auto sketchPoint = [](double col, double row) {
        return utPoint_c(2 * (col + 5), 2 * (row + 5));
    };
    {
        SCOPED_TRACE("scaled and shifted");
        stSketch_c sketch;
        sketch.addEntity(new stLine_c(sketchPoint(10, 10), sketchPoint(20, 10)));
        sketch.addEntity(new stLine_c(sketchPoint(22, 12), sketchPoint(22, 22)));
        tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 2, 16.0, 2, 2, 5, 5, 0, nullptr);
        engine.run(&sketch);
        const utPoint_c corner = sketchPoint(22, 10);
        expectPoint(lineAt(sketch, 0)->p2(), corner.x(), corner.y());
    }
    {
        SCOPED_TRACE("turned back by the rotation about the centre");
        // Points turned by -90 degrees about (30, 30); the walk turns them by +90 degrees back.
        const auto turned = [](double x, double y) {
            return utPoint_c(30 + (y - 30), 30 - (x - 30));
        };
        stSketch_c sketch;
        sketch.addEntity(new stLine_c(turned(10, 10), turned(20, 10)));
        sketch.addEntity(new stLine_c(turned(22, 12), turned(22, 22)));
        const utPoint_c centre(30, 30);
        tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 2, 8.0, 1, 1, 0, 0, M_PI / 2,
                                &centre);
        engine.run(&sketch);
        const utPoint_c corner = turned(22, 10);
        expectPoint(lineAt(sketch, 0)->p2(), corner.x(), corner.y());
        expectPoint(lineAt(sketch, 1)->p1(), corner.x(), corner.y());
    }
}

// Specks 2 units long on a dark square of 64 x 64: packed 3 apart (441 specks, 882 ends) they
// are a speckle field and stay as traced; 7 apart (81 specks, 162 ends) they are searched from
// and join up. A broken stroke beside the field is joined either way.
TEST(tmpGapsRefinerTest, EndsInASpeckleFieldAreNotSearchedFrom) {
    for (const int pitch : {3, 7}) {
        SCOPED_TRACE(pitch);
        stSketch_c sketch;
        utRasterData_c raster = blankRaster(160, 64);
        vemora_test::fillBox(raster, 0, 0, 63, 63);
        for (int y = 1; y < 64; y += pitch)
            for (int x = 1; x + 2 < 64; x += pitch)
                sketch.addEntity(new stLine_c(utPoint_c(x, y), utPoint_c(x + 2, y)));
        const int specks = sketch.entitiesCount();
        sketch.addEntity(new stLine_c(utPoint_c(100, 30), utPoint_c(120, 30)));
        sketch.addEntity(new stLine_c(utPoint_c(123, 30), utPoint_c(140, 30)));
        drawStroke(raster, 100, 30, 140, 30, 1.0);
        std::unique_ptr<stSketch_c> before(static_cast<stSketch_c*>(sketch.clone()));

        mergeGaps(sketch, raster);
        int moved = 0;
        for (int i = 0; i < specks; ++i) {
            const stLine_c *now = lineAt(sketch, i), *then = lineAt(*before, i);
            moved += !(now->p1() == then->p1() && now->p2() == then->p2());
        }
        if (pitch == 3) {
            EXPECT_EQ(moved, 0);
        } else {
            EXPECT_GT(moved, specks / 2);
        }
        expectPoint(lineAt(sketch, specks + 1)->p1(), 120, 30);
    }
}

// A distance of 1e308 once made every entity in sight an edge of every gap (its "nothing found
// yet" of 1e99 passed for a distance) and filled the memory. It is taken as 64 pixels: lines 300
// long and 1000 apart then find nothing, not even their own far ends.
TEST(tmpGapsRefinerTest, SearchDistancesAreKeptWithinBounds) {
    struct Row {
        double distance, scale, used;
    };
    const double nan = std::nan("");
    for (const Row& row :
         {Row{1e308, 1, 64}, Row{1000, 2, 128}, Row{-3, 1, 0}, Row{nan, 1, 0}, Row{8, 1, 8}}) {
        SCOPED_TRACE(row.distance);
        stSketch_c sketch;
        sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(310, 10)));
        sketch.addEntity(new stLine_c(utPoint_c(1310, 10), utPoint_c(1610, 10)));
        utRasterData_c raster = blankRaster(1700, 20);
        vemora_test::fillBox(raster, 0, 0, 1699, 19);
        tmpGapsRefiner_c engine(&sketch, &raster, kThreshold, 2, row.distance, row.scale, row.scale,
                                0, 0, 0, nullptr);
        engine.run(&sketch);
        EXPECT_EQ(engine.distance(), row.used);
        if (row.scale == 1) {
            EXPECT_EQ(engine.gapCount(), 0);
        }
    }
}

TEST(tmpGapsRefinerTest, TheIndexedSearchGivesTheSameSketchAsThePlainScan) {
    // Entities of every kind, including strokes across the whole drawing and a line whose extents
    // were never measured. Both engines share the search; linking also removes entities.
    struct Row {
        const char* name;
        int entities;
        bool linking;
    };
    const Row rows[] = {{"gap merging", 10000, false}, {"collinear linking", 2000, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const vemora_test::BrokenStrokes scene = vemora_test::brokenStrokes(row.entities, true);
        ASSERT_GE(scene.sketch->entitiesCount(), row.entities);
        std::unique_ptr<stSketch_c> plain(static_cast<stSketch_c*>(scene.sketch->clone()));
        std::unique_ptr<stSketch_c> indexed(static_cast<stSketch_c*>(scene.sketch->clone()));
        for (stSketch_c* s : {plain.get(), indexed.get()}) {
            std::unique_ptr<tmpGapsRefiner_c> engine;
            if (row.linking) {
                engine = std::make_unique<tmpLinkCollinear_c>(s, 5.0, 5.0, 0.9, 2.0, 1, 1, 0, 0, 2,
                                                              kThreshold, &scene.raster);
            } else {
                engine = std::make_unique<tmpGapsRefiner_c>(s, &scene.raster, kThreshold, 2, 8.0, 1,
                                                            1, 0, 0, 0, nullptr);
            }
            engine->setUseSpatialIndex(s == indexed.get());
            engine->run(s);
        }
        ASSERT_EQ(plain->entitiesCount(), indexed->entitiesCount());
        for (int i = 0; i < plain->entitiesCount(); ++i) {
            ASSERT_TRUE(plain->entityAt(i)->isEqual(indexed->entityAt(i))) << "entity " << i;
        }
        // Not a vacuous comparison: the run changed a good part of the drawing (gap merging moves
        // ends and keeps the order, linking removes what it absorbed).
        int changed = scene.sketch->entitiesCount() - plain->entitiesCount();
        if (!row.linking) {
            for (int i = 0; i < plain->entitiesCount(); ++i)
                changed += !plain->entityAt(i)->isEqual(scene.sketch->entityAt(i));
        }
        EXPECT_GT(changed, row.entities / 10);
    }
}

// ---------------------------------------------------------------------------------------------
// Collinear linking

TEST(tmpLinkCollinearTest, ALineAbsorbsItsContinuationOfSimilarWidth) {
    struct Row {
        const char* name;
        double widthA, widthB;
        bool linked;
    };
    const Row rows[] = {{"equal widths", 1, 1, true}, {"widths 1 and 3", 1, 3, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stSketch_c sketch;
        auto* a = new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10));
        auto* b = new stLine_c(utPoint_c(22, 10), utPoint_c(30, 10));
        const stEntityAttributes_c wa = widthOf(row.widthA), wb = widthOf(row.widthB);
        a->setAttributes(&wa);
        b->setAttributes(&wb);
        sketch.addEntity(a);
        sketch.addEntity(b);
        linkCollinear(sketch, inked({{10, 10, 30, 10}}));
        ASSERT_EQ(sketch.entitiesCount(), row.linked ? 1 : 2);
        expectPoint(lineAt(sketch, 0)->p1(), 10, 10);
        expectPoint(lineAt(sketch, 0)->p2(), row.linked ? 30 : 20, 10);
        if (!row.linked) expectPoint(lineAt(sketch, 1)->p1(), 22, 10);
    }
}

TEST(tmpLinkCollinearTest, ALineLinksOnlyWhatRunsStraightOn) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(22, 12), utPoint_c(22, 22)));  // a corner, |cos| 0
    linkCollinear(sketch, inked({{10, 10, 20, 10}, {20, 10, 22, 12}, {22, 12, 22, 22}}));
    EXPECT_EQ(sketch.entitiesCount(), 2);
    expectPoint(lineAt(sketch, 0)->p2(), 20, 10);
}

TEST(tmpLinkCollinearTest, AChainOfLinesBecomesOneLine) {
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(22, 10), utPoint_c(30, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(33, 10), utPoint_c(40, 10)));
    linkCollinear(sketch, inked({{10, 10, 40, 10}}));
    ASSERT_EQ(sketch.entitiesCount(), 1);
    expectPoint(lineAt(sketch, 0)->p1(), 10, 10);
    expectPoint(lineAt(sketch, 0)->p2(), 40, 10);
}

TEST(tmpLinkCollinearTest, ASplineAbsorbsASplineOrALineThatContinuesIt) {
    const std::vector<utPoint_c> first = {{10, 10}, {15, 10}, {20, 10}};
    {
        SCOPED_TRACE("spline after spline");
        stSketch_c sketch;
        sketch.addEntity(new stSpline_c(first));
        sketch.addEntity(new stSpline_c(std::vector<utPoint_c>{{22, 10}, {27, 10}, {32, 10}}));
        linkCollinear(sketch, inked({{10, 10, 32, 10}}));
        ASSERT_EQ(sketch.entitiesCount(), 1);
        // The absorbed spline's junction point gives way to the absorbing one's.
        const std::vector<utPoint_c> expected = {{10, 10}, {15, 10}, {20, 10}, {27, 10}, {32, 10}};
        EXPECT_EQ(splineAt(sketch, 0)->points(), expected);
    }
    {
        SCOPED_TRACE("spline, then a reversed spline before it");
        stSketch_c sketch;
        sketch.addEntity(new stSpline_c(first));
        sketch.addEntity(new stSpline_c(std::vector<utPoint_c>{{0, 10}, {4, 10}, {8, 10}}));
        linkCollinear(sketch, inked({{0, 10, 20, 10}}));
        ASSERT_EQ(sketch.entitiesCount(), 1);
        const std::vector<utPoint_c> expected = {{0, 10}, {4, 10}, {8, 10}, {15, 10}, {20, 10}};
        EXPECT_EQ(splineAt(sketch, 0)->points(), expected);
    }
    {
        SCOPED_TRACE("line after spline");
        stSketch_c sketch;
        sketch.addEntity(new stSpline_c(first));
        sketch.addEntity(new stLine_c(utPoint_c(22, 10), utPoint_c(32, 10)));
        linkCollinear(sketch, inked({{10, 10, 32, 10}}));
        ASSERT_EQ(sketch.entitiesCount(), 1);
        const std::vector<utPoint_c> expected = {{10, 10}, {15, 10}, {32, 10}};
        EXPECT_EQ(splineAt(sketch, 0)->points(), expected);
    }
}

TEST(tmpLinkCollinearTest, AnArcIsNeverAbsorbed) {
    // The arc's end continues the spline's direction closely; only lines and splines are absorbed.
    stSketch_c sketch;
    sketch.addEntity(new stSpline_c(std::vector<utPoint_c>{{10, 20}, {20, 20}, {30, 20}}));
    auto* arc = new stArc_c(utPoint_c(32, 120), 100.0, -M_PI / 2, -M_PI / 2 + 0.1);
    sketch.addEntity(arc);
    linkCollinear(sketch, inked({{10, 20, 45, 20}}));
    ASSERT_EQ(sketch.entitiesCount(), 2);
    EXPECT_EQ(sketch.entityAt(1), arc);
}

// ---------------------------------------------------------------------------------------------
// The processor

TEST(stSketchRefinerTest, DefaultsReadingAndSubProcessorCount) {
    stSketchRefiner_c r;
    EXPECT_TRUE(r.runRefiner());
    EXPECT_FALSE(r.linkCollinear());
    EXPECT_EQ(r.linkCollinearMaxDeviation(), 0.9);
    EXPECT_EQ(r.linkCollinearMaxDistance(), 5.0);
    EXPECT_EQ(r.linkCollinearMaxWidthDeviation(), 2.0);
    EXPECT_TRUE(r.mergeGaps());
    EXPECT_EQ(r.mergeGapsMaxDistance(), 8.0);
    EXPECT_EQ(r.maxWhitePixelCount(), 2);
    EXPECT_EQ(r.countSubProcessors(), 1);
    r.setLinkCollinear(true);
    EXPECT_EQ(r.countSubProcessors(), 3);
    r.setLinkCollinearRunSegmentizer(false);
    EXPECT_EQ(r.countSubProcessors(), 2);
    r.setRunRefiner(false);
    EXPECT_EQ(r.countSubProcessors(), 0);

    auto doc = vemora_test::xmlFromText(
        L"<P><RunRefiner>true</RunRefiner><LinkCollinear>true</LinkCollinear>"
        L"<LinkCollinearMaxDistance>3.5</LinkCollinearMaxDistance><MergeGaps>false</MergeGaps></"
        L"P>");
    r.fromXml(doc->getDocumentElement());
    EXPECT_TRUE(r.runRefiner());
    EXPECT_TRUE(r.linkCollinear());
    EXPECT_EQ(r.linkCollinearMaxDistance(), 3.5);
    EXPECT_FALSE(r.linkCollinearRunSegmentizer());  // missing: false, not the default
    EXPECT_EQ(r.mergeGapsMaxDistance(), 0.0);
    EXPECT_EQ(r.countSubProcessors(), 1);
    EXPECT_EQ(r.maxWhitePixelCount(), 2);  // not a property
}

TEST(stSketchRefinerTest, TheEngineCreatesItByName) {
    std::unique_ptr<stConfigurable_c> c(
        stVMREngine_c::getEngine().createConfigurable(L"SketchRefiner"));
    ASSERT_NE(dynamic_cast<stSketchRefiner_c*>(c.get()), nullptr);
    EXPECT_TRUE(c->isA()->isDerivedFrom(stSketchProcessor_c::desc()));
    EXPECT_EQ(std::wstring(c->isA()->parent()->name()), L"SketchProcessor");
}

TEST(stSketchRefinerTest, AppliedToAContextItEditsTheSketchInPlaceWithScaledDistances) {
    // The corner layout in sketch units twice the pixels: 8 scaled by 2 reaches the corner.
    stToolContextImpl_c context(inked({{10, 10, 20, 10}, {20, 10, 22, 12}, {22, 12, 22, 22}}));
    context.setScalingInfo(2, 3);
    auto* sketch = new stSketch_c();
    sketch->addEntity(new stLine_c(utPoint_c(20, 30), utPoint_c(40, 30)));
    sketch->addEntity(new stLine_c(utPoint_c(44, 36), utPoint_c(44, 66)));
    context.setVectors(sketch);
    stSketchRefiner_c refiner;
    ASSERT_TRUE(refiner.apply(&context));
    EXPECT_EQ(context.getVectors(), sketch);
    EXPECT_EQ(refiner.mergeGapsMaxDistance(), 16.0);  // kept scaled by the smaller factor
    EXPECT_EQ(refiner.linkCollinearMaxDistance(), 10.0);
    expectPoint(lineAt(*sketch, 0)->p2(), 44, 30);
    expectPoint(lineAt(*sketch, 1)->p1(), 44, 30);

    refiner.setRunRefiner(false);
    ASSERT_TRUE(refiner.apply(&context));
    EXPECT_EQ(refiner.mergeGapsMaxDistance(), 32.0);  // scaled again, nothing else done
    EXPECT_EQ(refiner.process(nullptr), nullptr);
}

TEST(stSketchRefinerTest, TheSelectionCornerShiftsTheRaster) {
    stToolContextImpl_c context(inked({{10, 10, 20, 10}, {20, 10, 22, 12}, {22, 12, 22, 22}}));
    context.setSelectionRectangle(100, 200, 164, 264);
    auto* sketch = new stSketch_c();
    sketch->addEntity(new stLine_c(utPoint_c(110, 210), utPoint_c(120, 210)));
    sketch->addEntity(new stLine_c(utPoint_c(122, 212), utPoint_c(122, 222)));
    context.setVectors(sketch);
    stSketchRefiner_c refiner;
    ASSERT_TRUE(refiner.apply(&context));
    expectPoint(lineAt(*sketch, 0)->p2(), 122, 210);
}

TEST(stSketchRefinerTest, StepsAreAnnouncedAndACancelledStepIsNotFinished) {
    struct Row {
        const char* name;
        std::wstring refuse;
        std::vector<std::wstring> calls;
        int entitiesLeft;
    };
    const Row rows[] = {
        {"all steps",
         L"",
         {L"step Merge gaps.", L"done Merge gaps.", L"step Link collinear line segments.",
          L"step Run segmentizer.", L"done Run segmentizer.",
          L"done Link collinear line segments."},
         1},
        {"gap merging refused",
         L"Merge gaps.",
         {L"step Merge gaps.", L"step Link collinear line segments.", L"step Run segmentizer.",
          L"done Run segmentizer.", L"done Link collinear line segments."},
         1},
        {"segmentizer refused: the linking step ends without finishing",
         L"Run segmentizer.",
         {L"step Merge gaps.", L"done Merge gaps.", L"step Link collinear line segments.",
          L"step Run segmentizer."},
         1},
        {"linking refused",
         L"Link collinear line segments.",
         {L"step Merge gaps.", L"done Merge gaps.", L"step Link collinear line segments."},
         2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        stToolContextImpl_c context(inked({{10, 10, 30, 10}}));
        auto* sketch = new stSketch_c();
        sketch->addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
        sketch->addEntity(new stLine_c(utPoint_c(22, 10), utPoint_c(30, 10)));
        context.setVectors(sketch);
        stTool_c tool;
        RecordingListener listener;
        listener.refuse = row.refuse;
        tool.addListener(&listener);
        stSketchRefiner_c refiner;
        refiner.setOwner(&tool);
        refiner.setLinkCollinear(true);
        ASSERT_TRUE(refiner.apply(&context));
        EXPECT_EQ(listener.calls, row.calls);
        EXPECT_EQ(context.getVectors()->entitiesCount(), row.entitiesLeft);
    }
}

TEST(stSketchRefinerTest, WithoutAContextEveryPixelIsPaper) {
    // The corner's link crosses three pixels, one more than the allowance.
    stSketch_c sketch;
    sketch.addEntity(new stLine_c(utPoint_c(10, 10), utPoint_c(20, 10)));
    sketch.addEntity(new stLine_c(utPoint_c(22, 12), utPoint_c(22, 22)));
    stSketchRefiner_c refiner;
    refiner.setLinkCollinear(true);
    EXPECT_EQ(refiner.process(&sketch), &sketch);
    expectPoint(lineAt(sketch, 0)->p2(), 20, 10);
    expectPoint(lineAt(sketch, 1)->p1(), 22, 12);
}
