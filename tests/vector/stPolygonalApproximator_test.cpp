// Polygonal approximation: the cone pass, the processor over sketches and the fixed-corridor
// variant.

#include <vemora.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

using namespace Vemora;

namespace {

using Points = std::vector<utPoint_c>;

Points approximated(Points points, double h) {
    stPolygonalApproximator_c::PolygonalApproximation(points, h);
    return points;
}

// A chain of unit steps with noise of up to amplitude across it.
Points noisyRun(int n, double amplitude, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-amplitude, amplitude);
    Points points;
    for (int i = 0; i < n; ++i) points.emplace_back(i, noise(rng));
    return points;
}

std::unique_ptr<stSketch_c> sketchOf(std::vector<stEntity_c*> entities) {
    auto s = std::make_unique<stSketch_c>();
    for (stEntity_c* e : entities) s->addEntity(e);
    return s;
}

struct FixedScale : stToolContextImpl_c {
    FixedScale(double sx, double sy) { setScalingInfo(sx, sy); }
};

}  // namespace

TEST(stPolygonalApproximatorTest, ThePassKeepsTheCornersOfAChain) {
    Points digitalLine, ell, zigzag;
    for (int i = 0; i <= 40; ++i) digitalLine.emplace_back(i, std::round(0.37 * i));
    for (int i = 0; i <= 20; ++i) ell.emplace_back(i, 0);
    for (int i = 1; i <= 20; ++i) ell.emplace_back(20, i);
    for (int i = 0; i <= 30; ++i) zigzag.emplace_back(i, (i % 2) * 0.5);
    const struct {
        const char* name;
        Points in;
        double h;
        Points out;
    } rows[] = {
        {"straight, uneven spacing",
         {{0, 0}, {1, 1}, {5, 5}, {6, 6}, {20, 20}},
         0.5,
         {{0, 0}, {20, 20}}},
        {"pixel-stepped straight stroke", digitalLine, 0.91, {{0, 0}, {40, 15}}},
        {"L with legs longer than h", ell, 0.91, {{0, 0}, {20, 0}, {20, 20}}},
        {"L with h longer than the legs", {{0, 0}, {1, 0}, {1, 1}}, 2.0, {{0, 0}, {1, 1}}},
        {"zig-zag teeth within h", zigzag, 0.91, {zigzag.front(), zigzag.back()}},
        {"two points", {{0, 0}, {3, 4}}, 0.1, {{0, 0}, {3, 4}}},
        {"one point", {{7, 7}}, 0.1, {{7, 7}}},
        {"no point", {}, 0.1, {}},
        {"copies of one point", {{2, 2}, {2, 2}, {2, 2}}, 0.5, {{2, 2}, {2, 2}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(approximated(row.in, row.h), row.out);
    }
}

// Regression: a point equal to the anchor opened a cone of zero normal whose NaN distances
// counted as on its edges, so every later point was passed over and the chain collapsed to its
// ends.
TEST(stPolygonalApproximatorTest, APointOnTheAnchorOpensNoCone) {
    EXPECT_EQ(approximated({{0, 0}, {0, 0}, {5, 5}, {10, 0}}, 0.5),
              (Points{{0, 0}, {5, 5}, {10, 0}}));
    // The same after a corner: the repeated corner is passed over.
    EXPECT_EQ(approximated({{0, 0}, {5, 0}, {5, 0}, {5, 5}, {0, 5}}, 0.5),
              (Points{{0, 0}, {5, 0}, {5, 5}, {0, 5}}));
}

TEST(stPolygonalApproximatorTest, SplinesBecomeLinesOrPolygonalSplines) {
    stPolygonalApproximator_c processor;  // MaxError 0.91
    // B is 2/sqrt(5) = 0.894 from the chord A-C but outside the cone towards it.
    const Points nearChord{{0, 0}, {1, 0}, {1, 2}};
    // A closed loop of three vertices: (0, 0), (0.5, 0), (0, 0).
    const Points loop{{0, 0}, {5, 0}, {0.5, 0}, {-3, 0.2}, {0, 0}};
    auto input = sketchOf({new stSpline_c(Points{{1, 1}, {4, 5}}), new stSpline_c(Points{{9, 9}}),
                           new stSpline_c(nearChord), new stSpline_c(loop),
                           new stCircle_c({3, 3}, 2), new stArc_c({0, 0}, 1, 0, 1),
                           new stPoint_c({5, 5}), new stSpline_c(Points{{0, 0}, {5, 0}, {10, 0}})});
    std::unique_ptr<stSketch_c> out(processor.process(input.get()));
    ASSERT_NE(out.get(), input.get());
    ASSERT_EQ(out->entitiesCount(), 7);  // the one-point spline is dropped

    const auto* two = dynamic_cast<const stLine_c*>(out->entityAt(0));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->p2(), utPoint_c(4, 5));
    const auto* chord = dynamic_cast<const stLine_c*>(out->entityAt(1));
    ASSERT_NE(chord, nullptr);
    EXPECT_EQ(chord->p1(), utPoint_c(0, 0));
    EXPECT_EQ(chord->p2(), utPoint_c(1, 2));
    // Regression: a three-point loop became a line of no length.
    const auto* closed = dynamic_cast<const stSpline_c*>(out->entityAt(2));
    ASSERT_NE(closed, nullptr);
    EXPECT_EQ(closed->points(), (Points{{0, 0}, {0.5, 0}, {0, 0}}));
    for (int i = 3; i < 6; ++i) EXPECT_TRUE(out->entityAt(i)->isEqual(input->entityAt(i + 1)));
    const auto* straight = dynamic_cast<const stSpline_c*>(out->entityAt(6));
    ASSERT_NE(straight, nullptr);
    EXPECT_EQ(straight->points(), (Points{{0, 0}, {10, 0}}));
    EXPECT_EQ(input->entitiesCount(), 8);  // the input is only read

    // A corridor narrower than B's distance from the chord keeps the three points.
    stPolygonalApproximator_c tight(0.85);
    std::unique_ptr<stSketch_c> kept(tight.process(sketchOf({new stSpline_c(nearChord)}).get()));
    const auto* three = dynamic_cast<const stSpline_c*>(kept->entityAt(0));
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->points(), nearChord);
}

TEST(stPolygonalApproximatorTest, LongResultsAreReducedAgainAtMostThreeTimes) {
    const double t = 0.91;
    stPolygonalApproximator_c processor(t);
    auto splineOut = [&](const Points& points) {
        std::unique_ptr<stSketch_c> out(
            processor.process(sketchOf({new stSpline_c(points)}).get()));
        return dynamic_cast<const stSpline_c*>(out->entityAt(0))->points();
    };
    // Wide noise still leaves more than 70 vertices at t + 3: the fourth pass is the last.
    const Points wild = noisyRun(500, 12.0, 1);
    ASSERT_GT(approximated(wild, t + 3).size(), 70u);
    EXPECT_EQ(splineOut(wild), approximated(wild, t + 3));
    // Milder noise: the first widening suffices.
    const Points mild = noisyRun(500, 1.0, 2);
    ASSERT_GT(approximated(mild, t).size(), 70u);
    ASSERT_LE(approximated(mild, t + 1).size(), 70u);
    EXPECT_EQ(splineOut(mild), approximated(mild, t + 1));
}

TEST(stPolygonalApproximatorTest, SettingsScalingAndNotifications) {
    stPolygonalApproximator_c p;
    EXPECT_TRUE(p.usePolygonalApproximation());
    EXPECT_DOUBLE_EQ(p.maxError(), 0.91);
    EXPECT_EQ(p.countSubProcessors(), 1);
    EXPECT_EQ(p.process(nullptr), nullptr);

    // The smaller scale factor, kept: a second run scales again.
    FixedScale unequal(1.0, 2.0), half(0.5, 0.5);
    unequal.setVectors(new stSketch_c);
    half.setVectors(new stSketch_c);
    EXPECT_TRUE(p.apply(&unequal));
    EXPECT_DOUBLE_EQ(p.maxError(), 0.91);
    p.apply(&half);
    p.apply(&half);
    EXPECT_DOUBLE_EQ(p.maxError(), 0.91 / 4);
    auto sketch = sketchOf({new stSpline_c(Points{{0, 0}, {1, 0}, {2, 0}})});

    p.setUsePolygonalApproximation(false);
    EXPECT_EQ(p.countSubProcessors(), 0);
    EXPECT_EQ(p.process(sketch.get()), sketch.get());
}

TEST(stSkleskyGonzalesApproximationTest, ReducesSplinesWithAFixedCorridorAndKeepsTheRest) {
    auto* input = sketchOf({new stSpline_c(Points{{0, 0}, {5, 0.9}, {10, 0}}),
                            new stSpline_c(Points{{0, 0}, {5, 1.0}, {10, 0}}),
                            new stSpline_c(Points{{1, 1}, {2, 2}}), new stSpline_c(Points{{1, 1}}),
                            new stCircle_c({3, 3}, 2), new stLine_c({0, 0}, {1, 1})})
                      .release();
    stSkleskyGonzalesApproximation_c sg;
    EXPECT_TRUE(sg.consumesInput());
    // Regression: entities other than splines were dropped.
    const stCircle_c circle({3, 3}, 2);
    const stLine_c line({0, 0}, {1, 1});
    std::unique_ptr<stSketch_c> out(sg.process(input));  // input deleted
    ASSERT_EQ(out->entitiesCount(), 5);
    EXPECT_EQ(dynamic_cast<const stSpline_c*>(out->entityAt(0))->points(),
              (Points{{0, 0}, {10, 0}}));  // within half of 1.9
    EXPECT_EQ(dynamic_cast<const stSpline_c*>(out->entityAt(1))->pointCount(), 3);
    EXPECT_NE(dynamic_cast<const stLine_c*>(out->entityAt(2)), nullptr);
    EXPECT_TRUE(out->entityAt(3)->isEqual(&circle));
    EXPECT_TRUE(out->entityAt(4)->isEqual(&line));
    EXPECT_EQ(sg.process(nullptr), nullptr);
}
