#include "raster/greyHistogram.h"

#include <algorithm>
#include <cmath>

#include "raster/inkTest.h"

namespace Vemora {

namespace {

// Tiles per side of the grid, and the least side of a tile in pixels.
constexpr int kTilesPerSide = 16;
constexpr int kLeastTileSide = 16;
// Two tones closer than this (channel sums; 16 grey levels) are one tone with its noise.
constexpr double kLeastToneContrast = 3 * 16.0;
// A tile's paper is its 90 % quantile, its darkest ink its 1 % quantile; strokes stand out
// from their paper by at least 24 grey levels.
constexpr double kPaperQuantile = 0.9;
constexpr double kInkQuantile = 0.01;
constexpr int kLeastStrokeContrast = 3 * 24;
// Paper within this distance above the level (channel sums; the larger of 8 grey levels and a
// quarter of the way from the level to the page's paper) is not clearly lighter than it.
constexpr double kLeastPaperMargin = 3 * 8.0;
constexpr uint64_t kLeastTilePixels = 64;

}  // namespace

tmpOtsuSplit_c otsuSplit(const uint64_t* counts) {
    double total = 0.0, weighted = 0.0;
    for (int i = 0; i < kSumLevels; ++i) {
        total += double(counts[i]);
        weighted += double(i) * double(counts[i]);
    }
    tmpOtsuSplit_c best;
    if (total <= 0.0) return best;
    // Every limit of a run of empty levels splits the page alike: the middle of the first best run
    // is taken, which keeps the level away from both tones.
    double bestScore = -1.0, below = 0.0, belowWeighted = 0.0;
    int runFirst = 0, runLast = -1;
    for (int t = 1; t < kSumLevels; ++t) {
        below += double(counts[t - 1]);
        belowWeighted += double(t - 1) * double(counts[t - 1]);
        const double above = total - below;
        if (below <= 0.0 || above <= 0.0) continue;
        const double m0 = belowWeighted / below, m1 = (weighted - belowWeighted) / above;
        const double score = below * above * (m1 - m0) * (m1 - m0);
        if (score > bestScore) {
            bestScore = score;
            runFirst = runLast = t;
            best.inkMean = m0;
            best.paperMean = m1;
        } else if (score == bestScore && runLast == t - 1) {
            runLast = t;
        }
    }
    if (runLast < runFirst || best.paperMean - best.inkMean < kLeastToneContrast) {
        return tmpOtsuSplit_c();
    }
    best.limit = (runFirst + runLast + 1) / 2;
    best.twoTones = true;
    return best;
}

tmpTileHistograms_c::tmpTileHistograms_c(const utRasterData_c& r,
                                         const std::function<void(int)>& progress) {
    const unsigned w = r.width(), h = r.height();
    tilesX_ = std::clamp(int(w) / kLeastTileSide, 1, kTilesPerSide);
    tilesY_ = std::clamp(int(h) / kLeastTileSide, 1, kTilesPerSide);
    counts_.assign(size_t(tileCount()) * kSumLevels, 0u);
    pixels_.assign(size_t(tileCount()), 0u);
    whole_.assign(kSumLevels, 0u);

    std::vector<uint32_t> columnTile(w);
    for (unsigned x = 0; x < w; ++x) columnTile[x] = uint32_t(uint64_t(x) * tilesX_ / w);
    const uint32_t* px = r.data();
    int lastPercent = -1;
    for (unsigned y = 0; y < h; ++y) {
        const int tileRow = int(uint64_t(y) * tilesY_ / h);
        uint32_t* const rowCounts = counts_.data() + size_t(tileRow) * tilesX_ * kSumLevels;
        const uint32_t* const row = px + size_t(y) * w;
        for (unsigned x = 0; x < w; ++x) {
            ++rowCounts[size_t(columnTile[x]) * kSumLevels + unsigned(channelSum(row[x]))];
        }
        const int percent = int(uint64_t(y + 1) * 100 / h);
        if (percent != lastPercent) {
            progress(percent);
            lastPercent = percent;
        }
    }
    // Tiles hold fewer than 2^32 pixels each (a raster holds fewer than 2^30 in all).
    for (int t = 0; t < tileCount(); ++t) {
        const uint32_t* c = counts_.data() + size_t(t) * kSumLevels;
        for (int i = 0; i < kSumLevels; ++i) {
            whole_[size_t(i)] += c[i];
            pixels_[size_t(t)] += c[i];
        }
    }
}

int tmpTileHistograms_c::quantile(int tile, double q) const {
    const uint32_t* c = counts_.data() + size_t(tile) * kSumLevels;
    const double target = std::ceil(q * double(pixels_[size_t(tile)]));
    uint64_t seen = 0;
    for (int i = 0; i < kSumLevels; ++i) {
        seen += c[i];
        if (double(seen) >= target && seen > 0) return i;
    }
    return kSumLevels - 1;
}

bool paperDarkensBelowSplit(const tmpTileHistograms_c& tiles, const tmpOtsuSplit_c& split) {
    if (!split.twoTones) return false;
    const double margin =
        std::max(kLeastPaperMargin, (split.paperMean - double(split.limit)) / 4.0);
    for (int t = 0; t < tiles.tileCount(); ++t) {
        if (tiles.tilePixels(t) < kLeastTilePixels) continue;
        const int paper = tiles.quantile(t, kPaperQuantile);
        const int ink = tiles.quantile(t, kInkQuantile);
        if (double(paper) < split.limit + margin && paper - ink >= kLeastStrokeContrast) {
            return true;
        }
    }
    return false;
}

}  // namespace Vemora
