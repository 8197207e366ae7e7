#pragma once

// Checks an axis-aligned box edge by edge.

#include <vemora/foundation/utRect.h>

#include <gtest/gtest.h>

namespace vemora_test {

inline void expectBox(const Vemora::utRect_c& r, double x1, double y1, double x2, double y2,
                      double tol = 1e-9) {
    EXPECT_NEAR(r.x1(), x1, tol);
    EXPECT_NEAR(r.y1(), y1, tol);
    EXPECT_NEAR(r.x2(), x2, tol);
    EXPECT_NEAR(r.y2(), y2, tol);
}

}  // namespace vemora_test
