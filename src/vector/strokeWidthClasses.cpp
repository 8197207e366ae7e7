// The split of a drawing's stroke widths into thin and thick.

#include <vemora/sketch/stSketch.h>
#include <vemora/vector/stStrokeWidthMeter.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "vector/centreLine.h"

namespace Vemora {

namespace {

// Thick strokes are at least this many times as wide as thin ones, on average by ratio: one step
// of the standard series of line widths, which steps by the square root of 2 (and pairs thick
// with thin at 2).
constexpr double kLeastThickToThin = 1.41;
// Two classes, not one broad hump that any split would cut in two: between the commonest thin
// width and the commonest thick width (whole pixels, by length) lies a width at most half as
// common as the rarer of the two.
constexpr double kDeepestValley = 0.5;
constexpr int kWidthBins = 256;

struct tmpWidth_c {
    double width;
    double logWidth;
    double weight;
};

}  // namespace

double thickStrokeWidth(const stSketch_c& sketch) {
    std::vector<tmpWidth_c> widths;
    for (int i = 0; i < sketch.entitiesCount(); ++i) {
        stEntity_c* e = sketch.entityAt(i);
        const double w = e->attributes().width();
        if (!(w > 0.0) || !std::isfinite(w)) continue;
        const std::vector<utPoint_c> line = centreLine(*e);
        // A dot weighs as a stroke as long as it is wide.
        const double length = line.size() == 1 ? w : polylineLength(line);
        if (length > 0.0 && std::isfinite(length)) widths.push_back({w, std::log(w), length});
    }
    std::sort(widths.begin(), widths.end(),
              [](const tmpWidth_c& a, const tmpWidth_c& b) { return a.width < b.width; });

    double total = 0.0, weighted = 0.0;
    for (const tmpWidth_c& w : widths) {
        total += w.weight;
        weighted += w.weight * w.logWidth;
    }
    double best = -1.0, limit = 0.0, ratio = 1.0, below = 0.0, belowWeighted = 0.0;
    for (size_t i = 0; i + 1 < widths.size(); ++i) {
        below += widths[i].weight;
        belowWeighted += widths[i].weight * widths[i].logWidth;
        if (widths[i + 1].width == widths[i].width) continue;
        const double above = total - below;
        const double m0 = belowWeighted / below, m1 = (weighted - belowWeighted) / above;
        const double score = below * above * (m1 - m0) * (m1 - m0);
        if (score > best) {
            best = score;
            limit = (widths[i].width + widths[i + 1].width) / 2.0;
            ratio = std::exp(m1 - m0);
        }
    }
    if (!(ratio >= kLeastThickToThin)) return 0.0;

    std::vector<double> bins(kWidthBins, 0.0);
    for (const tmpWidth_c& w : widths)
        bins[size_t(std::min(std::lround(w.width), long(kWidthBins - 1)))] += w.weight;
    int thinPeak = -1, thickPeak = -1;
    for (int i = 0; i < kWidthBins; ++i) {
        int& peak = i < limit ? thinPeak : thickPeak;
        if (bins[size_t(i)] > 0.0 && (peak < 0 || bins[size_t(i)] > bins[size_t(peak)])) peak = i;
    }
    if (thinPeak < 0 || thickPeak < 0) return 0.0;
    const double rarerPeak = std::min(bins[size_t(thinPeak)], bins[size_t(thickPeak)]);
    double valley = rarerPeak;
    for (int i = thinPeak + 1; i < thickPeak; ++i) valley = std::min(valley, bins[size_t(i)]);
    return valley <= kDeepestValley * rarerPeak ? limit : 0.0;
}

}  // namespace Vemora
