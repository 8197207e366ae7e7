// The circle fit works out several points at a time; its result must be bit for bit that of the
// plain one-point-at-a-time steps.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "vector/circleFit.h"

using namespace Vemora;

namespace {

void plainFit(const std::vector<utPoint_c>& points, utPoint_c& centre, double& radius) {
    const double n = double(points.size());
    double mx = 0.0, my = 0.0;
    for (const utPoint_c& p : points) {
        mx += p.x();
        my += p.y();
    }
    mx /= n;
    my /= n;
    centre = utPoint_c(mx, my);
    auto settled = [](double now, double before) {
        return now == before || std::fabs(now - before) < 5e-6 * std::fabs(before);
    };
    for (int step = 0; step < 300; ++step) {
        double sumL = 0.0, sumX = 0.0, sumY = 0.0;
        for (const utPoint_c& p : points) {
            const double dx = centre.x() - p.x(), dy = centre.y() - p.y();
            const double l = std::sqrt(dx * dx + dy * dy);
            sumL += l;
            if (l > 0.0) {
                sumX += dx / l;
                sumY += dy / l;
            }
        }
        radius = sumL / n;
        const utPoint_c next(mx + radius * sumX / n, my + radius * sumY / n);
        const bool done = settled(next.x(), centre.x()) && settled(next.y(), centre.y());
        centre = next;
        if (done) break;
    }
}

}  // namespace

// Every count from 1 to 13 (all remainders of the four- and two-point steps), arcs that settle
// and near-straight runs that use all steps, and a point lying on the starting centre.
TEST(eberlyCircleTest, SameBitsAsOnePointAtATime) {
    std::mt19937 rng(9);
    std::uniform_real_distribution<double> noise(-0.4, 0.4);
    for (int n = 1; n <= 13; ++n) {
        for (int shape = 0; shape < 3; ++shape) {
            std::vector<utPoint_c> points;
            for (int i = 0; i < n; ++i) {
                if (shape == 0)
                    points.emplace_back(40 + 25 * std::cos(0.2 * i) + noise(rng),
                                        40 + 25 * std::sin(0.2 * i));
                if (shape == 1)
                    points.emplace_back(3.0 * i + noise(rng), 0.01 * i * i + noise(rng));
                if (shape == 2)
                    points.emplace_back(i % 2 ? 2.0 : -2.0,
                                        0.0);  // symmetric: the centroid is a point
            }
            if (shape == 2 && n % 2 == 1) points.back() = utPoint_c(0.0, 0.0);
            utPoint_c got, want;
            double gotR = -1.0, wantR = -1.0;
            eberlyCircle(points, got, gotR);
            plainFit(points, want, wantR);
            SCOPED_TRACE(testing::Message() << n << " points, shape " << shape);
            EXPECT_EQ(got.x(), want.x());
            EXPECT_EQ(got.y(), want.y());
            EXPECT_EQ(gotR, wantR);
        }
    }
}
