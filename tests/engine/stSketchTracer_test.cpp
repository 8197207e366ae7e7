// The one-call path: pixels in, a refined and recognised sketch out.

#include <vemora.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "rasterDrawing.h"

using namespace Vemora;
using namespace vemora_test;

namespace {

// Every vertex of every line and spline, in sketch order.
std::vector<utPoint_c> verticesOf(const stSketch_c& sketch) {
    std::vector<utPoint_c> out;
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        const stEntity_c* e = sketch.entityAt(i);
        if (const auto* line = dynamic_cast<const stLine_c*>(e)) {
            out.push_back(line->p1());
            out.push_back(line->p2());
        } else if (const auto* spline = dynamic_cast<const stSpline_c*>(e)) {
            out.insert(out.end(), spline->points().begin(), spline->points().end());
        }
    }
    return out;
}

// An L of two 5 px strokes meeting at (30, 120): the tracer leaves their ends apart at the corner.
utRasterData_c corner() {
    utRasterData_c r = blankRaster(200, 160);
    fillBox(r, 28, 20, 32, 122);    // vertical, centre column 30
    fillBox(r, 28, 118, 170, 122);  // horizontal, centre row 120
    return r;
}

std::vector<int> pixelsOf(const utRasterData_c& r) {
    return std::vector<int>(r.data(), r.data() + size_t(r.width()) * r.height());
}

}  // namespace

TEST(stSketchTracerTest, RefinersSeeThePixelsUnderTheSketchWhateverTheOffset) {
    // Regression: the refiners were handed the sketch with the host's offset applied but read the
    // raster as if there were none, so an offset changed which gaps they merged.
    utRasterData_c r = corner();
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.linkCollinear = true;
    std::unique_ptr<stSketch_c> plain(tracer.trace(&r, nullptr, 0, 0));
    std::unique_ptr<stSketch_c> shifted(tracer.trace(&r, nullptr, 400, -250));
    const auto a = verticesOf(*plain), b = verticesOf(*shifted);
    ASSERT_EQ(a.size(), b.size());
    ASSERT_FALSE(a.empty());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(b[i].x(), a[i].x() + 400, 1e-9) << i;
        EXPECT_NEAR(b[i].y(), a[i].y() - 250, 1e-9) << i;
    }

    tracer.params.runRefiner = false;
    std::unique_ptr<stSketch_c> unrefined(tracer.trace(&r, nullptr, 0, 0));
    EXPECT_NE(verticesOf(*unrefined), a);  // the refiners did move something here
}

TEST(stSketchTracerTest, RefinerGateSkipsBothRefinerStages) {
    utRasterData_c r = corner();
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.runRefiner = false;
    tracer.params.linkCollinear = true;
    std::unique_ptr<stSketch_c> gated(tracer.trace(&r, nullptr, 0, 0));
    stSpvAlgorithm_c spv;
    std::unique_ptr<stSketch_c> traced(spv.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(verticesOf(*gated), verticesOf(*traced));
}

TEST(stSketchTracerTest, BlackLevelParameterReachesOnlyTheRefiners) {
    // Grey ink (mean 150) is ink for the tracer's own level of 187 whatever the parameter says.
    utRasterData_c r = blankRaster(160, 60);
    fillBox(r, 10, 20, 150, 24, 0x00969696u);
    stSketchTracer_c tracer;
    tracer.params.runRecognizer = false;
    tracer.params.blackLevel = 100;  // the grey is paper for the refiners
    std::unique_ptr<stSketch_c> sketch(tracer.trace(&r, nullptr, 0, 0));
    EXPECT_EQ(sketch->entitiesCount(), 1);
}

TEST(stSketchTracerTest, PixelEntryPointsCopyTheHostsPixels) {
    utRasterData_c r = corner();
    std::vector<int> pixels = pixelsOf(r);
    stSketchTracer_c tracer;
    std::unique_ptr<stSketch_c> fromPixels(tracer.trace(pixels.data(), 200, 160, 0, 0));
    std::unique_ptr<stSketch_c> fromRaster(tracer.trace(&r, nullptr, 0, 0));
    ASSERT_EQ(fromPixels->entitiesCount(), fromRaster->entitiesCount());
    EXPECT_EQ(verticesOf(*fromPixels), verticesOf(*fromRaster));
    EXPECT_EQ(pixels, pixelsOf(r));  // the host's block is left as it was

    std::unique_ptr<stSketch_c> white(tracer.traceFromPoint(pixels.data(), 200, 160, 100, 50));
    EXPECT_EQ(white->entitiesCount(), 0);
    std::unique_ptr<stSketch_c> one(tracer.traceFromPoint(pixels.data(), 200, 160, 100, 120));
    EXPECT_EQ(one->entitiesCount(), 1);
}

// Regression: a start of 2^31 or more was converted to int before the bounds check, wrapped to
// INT_MIN and passed it; the trace then read far outside the raster.
TEST(stSketchTracerTest, StartPointsOffTheRasterGiveAnEmptySketch) {
    utRasterData_c r = corner();
    stSketchTracer_c tracer;
    const double inf = std::numeric_limits<double>::infinity();
    const double off[] = {3e9, 1e300, -3e9, -1e300, std::nan(""), inf, -inf, 200.0, -0.5};
    for (double v : off) {
        for (const utPoint_c start : {utPoint_c(v, 120), utPoint_c(30, v)}) {
            SCOPED_TRACE(testing::Message() << start.x() << ", " << start.y());
            std::unique_ptr<stSketch_c> sketch(tracer.trace(&r, &start, 0, 0));
            ASSERT_NE(sketch, nullptr);
            EXPECT_EQ(sketch->entitiesCount(), 0);
        }
    }
    const utPoint_c onStroke(30, 120);
    std::unique_ptr<stSketch_c> sketch(tracer.trace(&r, &onStroke, 0, 0));
    EXPECT_GT(sketch->entitiesCount(), 0);
}

// Regression: an image without pixels indexed an empty ink mask, and a null pixel block made
// the tracer copy from address 0.
TEST(stSketchTracerTest, EmptyImagesTraceToNothingAndNullPixelsAreRefused) {
    stSketchTracer_c tracer;
    std::vector<int> pixels(120 * 90, 0);
    const int sizes[][2] = {{0, 90}, {120, 0}, {0, 0}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        for (int* block : {pixels.data(), static_cast<int*>(nullptr)}) {
            std::unique_ptr<stSketch_c> sketch(tracer.trace(block, size[0], size[1], 0, 0));
            ASSERT_NE(sketch, nullptr);
            EXPECT_EQ(sketch->entitiesCount(), 0);
        }
    }
    try {
        tracer.trace(nullptr, 120, 90, 0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const utException_c& e) {
        EXPECT_STREQ(e.what(), L"No pixels!");
    }
    EXPECT_THROW(tracer.traceFromPoint(nullptr, 120, 90, 5, 5), utException_c);
}

namespace {

double distanceToSegment(const utPoint_c& p, const utPoint_c& a, const utPoint_c& b) {
    const utVector_c ab = b - a;
    double t = ((p - a) * ab) / ab.length2();
    t = std::max(0.0, std::min(1.0, t));
    return (p - (a + ab * t)).length();
}

// Everything the chain makes from a drawing, sorted by what it lies on.
struct Shapes : stEntityVisitor_c {
    std::vector<const stSpline_c*> splines;
    std::vector<const stEllipseArc_c*> ellipticArcs;
    int others = 0;
    void visitSpline(stSpline_c& s) override { splines.push_back(&s); }
    void visitEllipseArc(stEllipseArc_c& e) override { ellipticArcs.push_back(&e); }
    void visitLine(stLine_c&) override { ++others; }
    void visitArc(stArc_c&) override { ++others; }
    void visitCircle(stCircle_c&) override { ++others; }
    void visitEllipse(stEllipse_c&) override { ++others; }
};

}  // namespace

TEST(stSketchTracerTest, DrawingOfAFrameACircleAHalfCircleAndADiagonal) {
    // 4 px strokes: a frame (20, 20)-(380, 280), a circle of radius 50 about (110, 110), the lower
    // half of a circle of radius 60 about (270, 150) (y down), and a diagonal (60, 250)-(200, 180).
    utRasterData_c r = blankRaster(400, 300);
    const utPoint_c corners[4] = {{20, 20}, {380, 20}, {380, 280}, {20, 280}};
    for (int i = 0; i < 4; ++i) {
        const utPoint_c& a = corners[i];
        const utPoint_c& b = corners[(i + 1) % 4];
        drawStroke(r, a.x(), a.y(), b.x(), b.y(), 4);
    }
    auto ring = [&](double cx, double cy, double radius, double from, double sweep, int pieces) {
        for (int k = 0; k < pieces; ++k) {
            const double a0 = from + k * sweep / pieces, a1 = from + (k + 1) * sweep / pieces;
            drawStroke(r, cx + radius * std::cos(a0), cy + radius * std::sin(a0),
                       cx + radius * std::cos(a1), cy + radius * std::sin(a1), 4);
        }
    };
    ring(110, 110, 50, 0, 2 * M_PI, 96);
    ring(270, 150, 60, M_PI, M_PI, 48);
    const utPoint_c d1(60, 250), d2(200, 180);
    drawStroke(r, d1.x(), d1.y(), d2.x(), d2.y(), 4);

    std::vector<int> pixels = pixelsOf(r);
    stSketchTracer_c tracer;
    std::unique_ptr<stSketch_c> sketch(tracer.trace(pixels.data(), 400, 300, 0, 0));
    Shapes shapes;
    sketch->visit(shapes);

    // Straight strokes are traced as many-point splines, and the recognizer turns only splines of
    // two to four points into lines, so frame and diagonal stay splines; gap merging joins the
    // frame's pieces at its corners.
    std::vector<const stSpline_c*> frame, diagonal, round;
    for (const stSpline_c* s : shapes.splines) {
        double frameOff = 0, diagonalOff = 0;
        for (const utPoint_c& p : s->points()) {
            double best = 1e9;
            for (int i = 0; i < 4; ++i)
                best = std::min(best, distanceToSegment(p, corners[i], corners[(i + 1) % 4]));
            frameOff = std::max(frameOff, best);
            diagonalOff = std::max(diagonalOff, distanceToSegment(p, d1, d2));
        }
        (frameOff <= 1.0 ? frame : diagonalOff <= 2.5 ? diagonal : round).push_back(s);
    }
    ASSERT_EQ(frame.size(), 4u);
    for (const utPoint_c& c : corners) {
        int ends = 0;
        for (const stSpline_c* s : frame) {
            ends += (s->points().front() - c).length() <= 1.5;
            ends += (s->points().back() - c).length() <= 1.5;
        }
        EXPECT_EQ(ends, 2) << c.x() << "," << c.y();
    }
    ASSERT_EQ(diagonal.size(), 1u);
    EXPECT_LE((diagonal[0]->points().front() - d1).length(), 3.0);
    EXPECT_LE((diagonal[0]->points().back() - d2).length(), 3.0);

    // The round strokes are traced in pieces. With ellipse recognition on (the default) a piece of
    // five points or more that fits a conic becomes an elliptic arc before the circular arc test
    // is reached; the conic fitted to a quarter of a traced circle is a flatter ellipse through
    // the piece's ends, so the arcs start and end on the drawn circles but are not circles.
    EXPECT_EQ(shapes.others, 0);
    ASSERT_GE(shapes.ellipticArcs.size(), 4u);
    auto offCircles = [](const utPoint_c& p) {
        return std::min(std::fabs((p - utPoint_c(110, 110)).length() - 50),
                        std::fabs((p - utPoint_c(270, 150)).length() - 60));
    };
    for (const stEllipseArc_c* e : shapes.ellipticArcs) {
        EXPECT_LE(offCircles(e->pointAtAngle(e->startAngle())), 2.5);
        EXPECT_LE(offCircles(e->pointAtAngle(e->endAngle())), 2.5);
    }
    for (const stSpline_c* s : round) {
        // A track running along a circle ends a few pixels off it, where the stroke turns away
        // from the tracking direction.
        for (size_t i = 1; i + 1 < s->points().size(); ++i)
            EXPECT_LE(offCircles(s->points()[i]), 2.0);
        EXPECT_LE(offCircles(s->points().front()), 4.0);
        EXPECT_LE(offCircles(s->points().back()), 4.0);
    }
}
