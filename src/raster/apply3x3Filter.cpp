// The 3x3 convolution shared by the convolution filters.
//
// Each result pixel depends on source pixels only, so results go straight into dst: no buffer of
// responses is kept. Stretching the responses to 0-255 needs their range first, which a first
// pass over the image finds by computing them once more; that costs time, not memory.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

#include "raster/filterRun.h"

namespace Vemora {

namespace {

constexpr unsigned kStripColumns = 256;

// The three channels of source columns xa - 1 .. xb of one row, as doubles.
struct tmpUnpackedRow_c {
    std::vector<double> c[3];
    void fill(const uint32_t* row, unsigned n) {
        for (auto& channel : c) channel.resize(n);
        for (unsigned k = 0; k < n; ++k) {
            c[0][k] = redOf(row[k]);
            c[1][k] = greenOf(row[k]);
            c[2][k] = blueOf(row[k]);
        }
    }
};

// Computes the responses of every interior pixel, strip of columns by strip, row by row inside a
// strip, and hands each row's run to use(x0, y, count, r) with r[c][t] the response of channel c
// at x0 + t (all three the magnitude when asked for); columnDone(x) follows each finished strip.
// Every response sums its nine products in the same order.
template <class Use, class ColumnDone>
void forEachResponse(const utRasterData_c& src, const double m[3][3], bool magnitude, Use use,
                     ColumnDone columnDone) {
    const unsigned w = src.width(), h = src.height();
    const uint32_t* const data = src.data();
    // Kept in locals: the compiler cannot tell that the stores below never reach the kernel.
    const double k00 = m[0][0], k10 = m[1][0], k20 = m[2][0];
    const double k01 = m[0][1], k11 = m[1][1], k21 = m[2][1];
    const double k02 = m[0][2], k12 = m[1][2], k22 = m[2][2];
    tmpUnpackedRow_c rows[3];
    std::vector<double> r[3];
    for (unsigned xa = 1; xa + 1 < w; xa += kStripColumns) {
        const unsigned xb = std::min(w - 1, xa + kStripColumns);
        const unsigned count = xb - xa, n = count + 2;
        for (auto& channel : r) channel.resize(count);
        rows[0].fill(data + (xa - 1), n);
        rows[1].fill(data + w + (xa - 1), n);
        for (unsigned y = 1; y + 1 < h; ++y) {
            rows[(y + 1) % 3].fill(data + size_t(y + 1) * w + (xa - 1), n);
            for (int c = 0; c < 3; ++c) {
                const double* const in0 = rows[(y - 1) % 3].c[c].data();
                const double* const in1 = rows[y % 3].c[c].data();
                const double* const in2 = rows[(y + 1) % 3].c[c].data();
                double* const out = r[c].data();
                for (unsigned t = 0; t < count; ++t) {
                    double sum = 0.0;
                    sum += k00 * in0[t];
                    sum += k10 * in0[t + 1];
                    sum += k20 * in0[t + 2];
                    sum += k01 * in1[t];
                    sum += k11 * in1[t + 1];
                    sum += k21 * in1[t + 2];
                    sum += k02 * in2[t];
                    sum += k12 * in2[t + 1];
                    sum += k22 * in2[t + 2];
                    out[t] = sum;
                }
            }
            if (magnitude)
                for (unsigned t = 0; t < count; ++t)
                    r[0][t] = r[1][t] = r[2][t] =
                        std::sqrt(r[0][t] * r[0][t] + r[1][t] * r[1][t] + r[2][t] * r[2][t]);
            const double* const responses[3] = {r[0].data(), r[1].data(), r[2].data()};
            use(xa, y, count, responses);
        }
        for (unsigned x = xa; x < xb; ++x) columnDone(x);
    }
}

// A response mapped from lo .. hi onto 0 .. 255; a flat response (no range) comes out black.
inline double stretched(double r, double lo, double hi) {
    return hi > lo ? (r - lo) / (hi - lo) * 255.0 : 0.0;
}

}  // namespace

void stRasterProcessor_c::apply3x3Filter(const utRasterData_c* src, const double m[3][3],
                                         utRasterData_c* dst, bool normalize, bool magnitude) {
    assert(src && dst && src->width() == dst->width() && src->height() == dst->height());
    if (src == dst) {
        // Results must come from the source pixels alone, never from results already written.
        const utRasterData_c source(*src);
        apply3x3Filter(&source, m, dst, normalize, magnitude);
        return;
    }
    const unsigned w = src->width(), h = src->height();
    if (w < 3 || h < 3) return;

    // The range of the responses: one pair per channel, or one for the magnitude.
    double lo[3] = {255.0, 255.0, 255.0}, hi[3] = {0.0, 0.0, 0.0};
    const int channels = magnitude ? 1 : 3;
    if (normalize) {
        forEachResponse(
            *src, m, magnitude,
            [&](unsigned, unsigned, unsigned count, const double* const r[3]) {
                for (int c = 0; c < channels; ++c)
                    for (unsigned t = 0; t < count; ++t) {
                        lo[c] = std::min(lo[c], r[c][t]);
                        hi[c] = std::max(hi[c], r[c][t]);
                    }
            },
            [](unsigned) {});
        if (magnitude) lo[1] = lo[2] = lo[0], hi[1] = hi[2] = hi[0];
    }

    uint32_t* const out = dst->data();
    forEachResponse(
        *src, m, magnitude,
        [&](unsigned x0, unsigned y, unsigned count, const double* const r[3]) {
            uint32_t* const row = out + size_t(y) * w + x0;
            for (unsigned t = 0; t < count; ++t) {
                uint32_t v[3];
                for (int c = 0; c < 3; ++c)
                    v[c] = channelByte(!normalize ? r[c][t] : stretched(r[c][t], lo[c], hi[c]));
                row[t] = kOpaque | v[0] << 16 | v[1] << 8 | v[2];
            }
        },
        [&](unsigned x) { notifyProgress(columnProgress(x, w, h)); });
}

}  // namespace Vemora
