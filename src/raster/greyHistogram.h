#pragma once

// The tones of a page, counted by channel sum (R + G + B, 0 to 765, three times the grey of the
// tracers' ink test) for the whole page and for each tile of a coarse grid laid over it; Otsu's
// split of those counts into ink and paper; and the test that tells an evenly lit page from one
// whose paper is darker in places than the page's ink level.

#include <vemora/foundation/utRasterData.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace Vemora {

constexpr int kSumLevels = 766;

// Otsu's split of a histogram of channel sums: ink is every sum below `limit`. `twoTones` is
// false when the page holds a single tone (its two classes lie closer than a faint stroke to its
// paper, or one is empty): then nothing is ink and `limit` is 0.
struct tmpOtsuSplit_c {
    int limit = 0;
    double inkMean = 0.0;    // channel sum
    double paperMean = 0.0;  // channel sum
    bool twoTones = false;
};

tmpOtsuSplit_c otsuSplit(const uint64_t* counts);

class tmpTileHistograms_c {
public:
    // Counts every pixel of r; progress(percent of the rows done) after each row whose percent
    // changed.
    tmpTileHistograms_c(const utRasterData_c& r, const std::function<void(int)>& progress);

    const uint64_t* whole() const { return whole_.data(); }
    int tileCount() const { return tilesX_ * tilesY_; }
    uint64_t tilePixels(int tile) const { return pixels_[size_t(tile)]; }
    // The least channel sum that at least the share q (0 to 1) of the tile's pixels do not
    // exceed.
    int quantile(int tile, double q) const;

private:
    int tilesX_ = 1, tilesY_ = 1;
    std::vector<uint32_t> counts_;  // kSumLevels per tile
    std::vector<uint64_t> pixels_;
    std::vector<uint64_t> whole_;
};

// True when some tile holds strokes on paper that is not clearly lighter than the split's level:
// a page in dim or uneven light, whose paper the one level would turn into ink there. Tiles of
// solid ink (a filled area, no lighter paper in them) do not count.
bool paperDarkensBelowSplit(const tmpTileHistograms_c& tiles, const tmpOtsuSplit_c& split);

}  // namespace Vemora
