#include "raster/inkMapping.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/inkTest.h"

namespace Vemora {

namespace {

constexpr uint32_t kInkPixel = 0x000000u;
constexpr uint32_t kPaperPixel = 0xFFFFFFu;
// Sauvola's dynamic range of the standard deviation, 128 grey levels, in channel sums.
constexpr double kDeviationRange = 3 * 128.0;

class tmpRowProgress_c {
public:
    tmpRowProgress_c(unsigned rows, const std::function<void(int)>& progress)
        : rows_(rows), progress_(progress) {}
    void rowDone(unsigned y) {
        const int percent = int(uint64_t(y + 1) * 100 / rows_);
        if (percent != last_) {
            progress_(percent);
            last_ = percent;
        }
    }

private:
    unsigned rows_;
    const std::function<void(int)>& progress_;
    int last_ = -1;
};

// Whether grey sum g is below Sauvola's level for window mean m and variance v (channel sums).
// For k >= 0 the level is at least m (1 - k), and beyond that the test is squared, so no square
// root is taken.
inline bool belowSauvola(double g, double m, double v, double k) {
    if (k < 0.0) return g < m * (1.0 + k * (std::sqrt(v) / kDeviationRange - 1.0));
    const double above = g - m * (1.0 - k);
    if (above < 0.0) return true;
    const double reach = m * k;  // the level is m (1 - k) + reach * s / range
    return above * above * (kDeviationRange * kDeviationRange) < reach * reach * v;
}

}  // namespace

uint64_t inkBelowSum(utRasterData_c& r, int sumLimit, const std::function<void(int)>& progress) {
    const unsigned w = r.width(), h = r.height();
    uint32_t* const px = r.data();
    tmpRowProgress_c rows(h, progress);
    uint64_t ink = 0;
    for (unsigned y = 0; y < h; ++y) {
        uint32_t* const row = px + size_t(y) * w;
        for (unsigned x = 0; x < w; ++x) {
            const bool isInk = isInkBelow(row[x], sumLimit);
            ink += isInk;
            row[x] = isInk ? kInkPixel : kPaperPixel;
        }
        rows.rowDone(y);
    }
    return ink;
}

uint64_t inkBelowSauvola(utRasterData_c& r, int window, double k,
                         const std::function<void(int)>& progress) {
    const unsigned w = r.width(), h = r.height();
    if (w == 0 || h == 0) return 0;
    const int half = std::max(3, window | 1) / 2;
    uint32_t* const px = r.data();

    // Integral rows y (sums over rows 0..y and columns 0..x-1 at index x) are kept for the rows
    // the window spans, y - half - 1 to y + half; row -1, all zeros, starts the ring.
    const size_t stride = size_t(w) + 1;
    const int ring = 2 * half + 2;
    std::vector<uint64_t> sums(stride * size_t(ring), 0u), squares(stride * size_t(ring), 0u);
    const auto slot = [&](int y) { return size_t((y + 1) % ring) * stride; };
    int built = -1;
    // A row is taken into the integral before it is binarized: the pixels the integral reads
    // ahead of the row being written are still the source.
    const auto build = [&](int y) {
        const uint64_t* const ps = &sums[slot(y - 1)];
        const uint64_t* const pq = &squares[slot(y - 1)];
        uint64_t* const s = &sums[slot(y)];
        uint64_t* const q = &squares[slot(y)];
        const uint32_t* const row = px + size_t(y) * w;
        uint64_t rowSum = 0, rowSquares = 0;
        s[0] = q[0] = 0;
        for (unsigned x = 0; x < w; ++x) {
            const uint64_t v = uint64_t(channelSum(row[x]));
            rowSum += v;
            rowSquares += v * v;
            s[x + 1] = ps[x + 1] + rowSum;
            q[x + 1] = pq[x + 1] + rowSquares;
        }
    };

    // The window's columns for each x, and one over their count.
    std::vector<unsigned> first(w), last(w);
    std::vector<double> perColumns(w);
    for (unsigned x = 0; x < w; ++x) {
        first[x] = unsigned(std::max(0, int(x) - half));
        last[x] = std::min(w, x + unsigned(half) + 1);
        perColumns[x] = 1.0 / double(last[x] - first[x]);
    }

    tmpRowProgress_c rows(h, progress);
    uint64_t ink = 0;
    for (unsigned y = 0; y < h; ++y) {
        const int top = std::max(-1, int(y) - half - 1);
        const int bottom = std::min(int(h) - 1, int(y) + half);
        while (built < bottom) build(++built);
        const uint64_t* const s1 = &sums[slot(top)];
        const uint64_t* const s2 = &sums[slot(bottom)];
        const uint64_t* const q1 = &squares[slot(top)];
        const uint64_t* const q2 = &squares[slot(bottom)];
        const double perRows = 1.0 / double(bottom - top);
        uint32_t* const row = px + size_t(y) * w;
        for (unsigned x = 0; x < w; ++x) {
            const unsigned a = first[x], b = last[x];
            const double n = perRows * perColumns[x];
            const double m = double(s2[b] - s2[a] - s1[b] + s1[a]) * n;
            const double v = std::max(0.0, double(q2[b] - q2[a] - q1[b] + q1[a]) * n - m * m);
            const bool isInk = belowSauvola(double(channelSum(row[x])), m, v, k);
            ink += isInk;
            row[x] = isInk ? kInkPixel : kPaperPixel;
        }
        rows.rowDone(y);
    }
    return ink;
}

}  // namespace Vemora
