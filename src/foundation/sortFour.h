#pragma once

// Four numbers put in order without moving them: order[k] is the index of the k-th smallest.

#include <cmath>
#include <utility>

namespace Vemora {

// Stable: ties keep the lower index first. Each index's place is the number of keys before it in
// that order, counted without branches; a key that is not a number has no place of its own, so
// then a bubble sort (neighbours swap only when the later key is strictly smaller) decides.
inline void sortFourStably(const double (&key)[4], int (&order)[4]) {
    if (!std::isnan(key[0]) && !std::isnan(key[1]) && !std::isnan(key[2]) && !std::isnan(key[3])) {
        // Keys tied by their index are all different, so the five exchanges of a sorting
        // network for four give the one order there is.
        int o[4] = {0, 1, 2, 3};
        const auto exchange = [&](int p, int q) {
            const int i = o[p], j = o[q];
            const bool swap = key[j] < key[i] || (key[j] == key[i] && j < i);
            o[p] = swap ? j : i;
            o[q] = swap ? i : j;
        };
        exchange(0, 1);
        exchange(2, 3);
        exchange(0, 2);
        exchange(1, 3);
        exchange(1, 2);
        for (int k = 0; k < 4; ++k) order[k] = o[k];
        return;
    }
    for (int i = 0; i < 4; ++i) order[i] = i;
    for (int pass = 0; pass < 3; ++pass) {
        for (int j = 0; j < 3 - pass; ++j) {
            if (key[order[j + 1]] < key[order[j]]) std::swap(order[j], order[j + 1]);
        }
    }
}

}  // namespace Vemora
