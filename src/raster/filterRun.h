#pragma once

// What the raster filters share: the frame of a run (notifications, the result built as a copy
// of the input, the input let go only at the very end), the walk over an image column by column
// and the progress reported after each column.

#include <vemora/engine/stProcessor.h>
#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "engine/toolNotifications.h"

namespace Vemora {

// Progress after column x of a w x h image: (h + x w) 100 / (w h), in 64 bits so that large scans
// do not overflow, and kept to 0-100 (the formula passes 100 on images wider than high).
inline int columnProgress(unsigned x, unsigned w, unsigned h) {
    const uint64_t area = uint64_t(w) * h;
    if (area == 0) return 100;
    const uint64_t p = (uint64_t(h) + uint64_t(x) * w) * 100 / area;
    return int(std::min<uint64_t>(p, 100));
}

// Columns x0 .. x1 - 1 and rows y0 .. y1 - 1, visited as if column by column: the columns are
// taken in strips that are walked row by row, which reads the image in its memory order.
// visitRow(y, xa, xb) handles columns xa .. xb - 1 of row y; columnDone(x) is then called for
// each column of the strip, in column order.
template <class VisitRow, class ColumnDone>
void byColumnStrips(unsigned x0, unsigned x1, unsigned y0, unsigned y1, VisitRow visitRow,
                    ColumnDone columnDone) {
    constexpr unsigned kStripColumns = 256;
    for (unsigned xa = x0; xa < x1; xa += std::min(kStripColumns, x1 - xa)) {
        const unsigned xb = xa + std::min(kStripColumns, x1 - xa);
        for (unsigned y = y0; y < y1; ++y) visitRow(y, xa, xb);
        for (unsigned x = xa; x < xb; ++x) columnDone(x);
    }
}

// dst(x, y) = map(src(x, y)) over the whole image, with progress(percent) after each column.
template <class Map, class Progress>
void mapPixelsByColumns(const utRasterData_c& src, utRasterData_c& dst, Map map,
                        Progress progress) {
    const unsigned w = src.width(), h = src.height();
    const uint32_t* const in = src.data();
    uint32_t* const out = dst.data();
    byColumnStrips(
        0, w, 0, h,
        [&](unsigned y, unsigned xa, unsigned xb) {
            const size_t row = size_t(y) * w;
            for (unsigned x = xa; x < xb; ++x) out[row + x] = map(in[row + x]);
        },
        [&](unsigned x) { progress(columnProgress(x, w, h)); });
}

// Runs a filter over a copy of in: begin() first, then work(source, copy), then end(), which is
// also called when the work fails. The input is released only once the copy is complete, so a
// failure leaves it whole and still the caller's.
template <class Begin, class Work, class End>
utRasterData_c* filterIntoCopy(utRasterData_c* in, Begin begin, Work work, End end) {
    begin();
    std::unique_ptr<utRasterData_c> out;
    try {
        out = std::make_unique<utRasterData_c>(*in);
        work(static_cast<const utRasterData_c&>(*in), *out);
    } catch (...) {
        end();
        throw;
    }
    end();
    delete in;
    return out.release();
}

// filterIntoCopy as the one step of filter's run, told to the tool that owns the filter (none on
// its own): the run's and the step's start before the work, the step's and the run's end after
// it. A filter is not cancelled part-way, so the tool's answers are not read.
template <class Work>
utRasterData_c* filterStepIntoCopy(const stProcessor_c& filter, const wchar_t* step,
                                   utRasterData_c* in, Work work) {
    stTool_c* const tool = filter.owner();
    return filterIntoCopy(
        in,
        [&] {
            if (!tool) return;
            stToolNotifications_c::started(*tool);
            stToolNotifications_c::stepStarted(*tool, step);
        },
        work,
        [&] {
            if (!tool) return;
            stToolNotifications_c::stepFinished(*tool, step);
            stToolNotifications_c::finished(*tool);
        });
}

// The three 8-bit channels of a pixel; the top byte is ignored.
inline unsigned redOf(uint32_t p) { return (p >> 16) & 0xFFu; }
inline unsigned greenOf(uint32_t p) { return (p >> 8) & 0xFFu; }
inline unsigned blueOf(uint32_t p) { return p & 0xFFu; }

// The length of the colour vector, 0 for black to about 441.7 for white.
inline double colourLength(uint32_t p) {
    const double r = redOf(p), g = greenOf(p), b = blueOf(p);
    return std::sqrt(r * r + g * g + b * b);
}

// A response truncated toward zero and clamped to 0-255 (NaN gives 0).
inline uint32_t channelByte(double v) {
    if (!(v > 0.0)) return 0;
    if (v >= 255.0) return 255;
    return uint32_t(v);
}

constexpr uint32_t kWhite = 0x00FFFFFFu;
constexpr uint32_t kOpaque = 0xFF000000u;

}  // namespace Vemora
