#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "foundation/sortFour.h"

using namespace Vemora;

namespace {

// The order a bubble sort gives (neighbours swap only when the later key is strictly smaller):
// what corner orders have always been.
void bubbleOrder(const double (&key)[4], int (&order)[4]) {
    for (int i = 0; i < 4; ++i) order[i] = i;
    for (int pass = 0; pass < 3; ++pass)
        for (int j = 0; j < 3 - pass; ++j)
            if (key[order[j + 1]] < key[order[j]]) std::swap(order[j], order[j + 1]);
}

}  // namespace

// Every pattern of four keys drawn from a few values, ties, infinities and NaN among them.
TEST(SortFour, MatchesABubbleSortForEveryPatternOfKeys) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {-inf, -1.5, 0.0, -0.0, 2.0, inf, std::nan("")};
    const int n = int(sizeof values / sizeof values[0]);
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b)
            for (int c = 0; c < n; ++c)
                for (int d = 0; d < n; ++d) {
                    const double key[4] = {values[a], values[b], values[c], values[d]};
                    int expected[4], got[4];
                    bubbleOrder(key, expected);
                    sortFourStably(key, got);
                    for (int k = 0; k < 4; ++k)
                        ASSERT_EQ(got[k], expected[k]) << a << b << c << d << " place " << k;
                }
}
