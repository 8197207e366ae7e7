// The 3x3 convolution shared by the convolution filters.
//
// Each result pixel depends on source pixels only, so results go straight into dst: no buffer of
// responses is kept. Stretching the responses to 0-255 needs their range first, which a first
// pass over the image finds by computing them once more; that costs time, not memory.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utRasterData.h>

#include <cassert>
#include <cmath>

#include "raster/filterRun.h"

namespace Vemora {

namespace {

// The channel responses at (x, y) of a kernel indexed [x offset + 1][y offset + 1]; rows holds
// the source rows y - 1, y and y + 1.
inline void respond(const uint32_t* const rows[3], unsigned x, const double m[3][3], double r[3]) {
    r[0] = r[1] = r[2] = 0.0;
    for (int j = 0; j < 3; ++j) {
        const uint32_t* row = rows[j] + x - 1;
        for (int i = 0; i < 3; ++i) {
            const uint32_t p = row[i];
            const double k = m[i][j];
            r[0] += k * redOf(p);
            r[1] += k * greenOf(p);
            r[2] += k * blueOf(p);
        }
    }
}

// Visits the responses of every interior pixel, in strips of columns walked row by row.
template <class Use, class ColumnDone>
void forEachResponse(const utRasterData_c& src, const double m[3][3], bool magnitude, Use use,
                     ColumnDone columnDone) {
    const unsigned w = src.width(), h = src.height();
    const uint32_t* const data = src.data();
    byColumnStrips(
        1, w - 1, 1, h - 1,
        [&](unsigned y, unsigned xa, unsigned xb) {
            const uint32_t* const rows[3] = {data + size_t(y - 1) * w, data + size_t(y) * w,
                                             data + size_t(y + 1) * w};
            for (unsigned x = xa; x < xb; ++x) {
                double r[3];
                respond(rows, x, m, r);
                if (magnitude)
                    r[0] = r[1] = r[2] = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
                use(x, y, r);
            }
        },
        columnDone);
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
            [&](unsigned, unsigned, const double r[3]) {
                for (int c = 0; c < channels; ++c) {
                    lo[c] = std::min(lo[c], r[c]);
                    hi[c] = std::max(hi[c], r[c]);
                }
            },
            [](unsigned) {});
        if (magnitude) lo[1] = lo[2] = lo[0], hi[1] = hi[2] = hi[0];
    }

    uint32_t* const out = dst->data();
    forEachResponse(
        *src, m, magnitude,
        [&](unsigned x, unsigned y, const double r[3]) {
            uint32_t v[3];
            for (int c = 0; c < 3; ++c) {
                // A flat response (no range to stretch) comes out black.
                const double s = !normalize      ? r[c]
                                 : hi[c] > lo[c] ? (r[c] - lo[c]) / (hi[c] - lo[c]) * 255.0
                                                 : 0.0;
                v[c] = channelByte(s);
            }
            out[x + size_t(y) * w] = kOpaque | v[0] << 16 | v[1] << 8 | v[2];
        },
        [&](unsigned x) { notifyProgress(columnProgress(x, w, h)); });
}

}  // namespace Vemora
