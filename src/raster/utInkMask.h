#pragma once

// One bit per pixel telling whether it is ink, kept twice: row by row, for walks and scans along
// rows, and column by column, for walks and scans along columns. A tracer builds it once per run
// and then answers every ink question with word operations instead of reading the 32-bit pixels.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vemora {

class utRasterData_c;

class utInkMask_c {
public:
    utInkMask_c() = default;
    // Ink by the ink test of raster/inkTest.h at the given black level.
    utInkMask_c(const utRasterData_c& raster, int level);

    int width() const { return width_; }
    int height() const { return height_; }

    // (x, y) must lie in the image.
    bool at(int x, int y) const {
        return (rows_[size_t(y) * rowWords_ + size_t(x >> 6)] >> (x & 63)) & 1u;
    }

    // Asks for the word holding (x, y) in the row bits, or in the column bits, to be fetched
    // ahead of its use. (x, y) must lie in the image.
    void prefetchRow(int x, int y) const {
        __builtin_prefetch(&rows_[size_t(y) * rowWords_ + size_t(x >> 6)]);
    }
    void prefetchColumn(int x, int y) const {
        __builtin_prefetch(&columns_[size_t(x) * columnWords_ + size_t(y >> 6)]);
    }
    // The number of consecutive ink pixels from (x, y) on, walking right (step +1) or left (-1)
    // along the row, or down (+1) or up (-1) along the column; at most limit, never past the
    // image's border. (x, y) must lie in the image.
    int rowRun(int x, int y, int step, int limit) const {
        return run(&rows_[size_t(y) * rowWords_], width_, x, step, limit);
    }
    int columnRun(int x, int y, int step, int limit) const {
        return run(&columns_[size_t(x) * columnWords_], height_, y, step, limit);
    }

    // Calls f(begin, end) for every maximal run of ink in a row (x from begin to end - 1) or a
    // column (y from begin to end - 1), in order; a run reaching the far border ends at the width
    // or height.
    template <class F>
    void forEachRowRun(int y, F&& f) const {
        forEachRun(&rows_[size_t(y) * rowWords_], width_, f);
    }
    template <class F>
    void forEachColumnRun(int x, F&& f) const {
        forEachRun(&columns_[size_t(x) * columnWords_], height_, f);
    }

private:
    // Bits from 0 to n - 1; from must lie among them.
    static int run(const uint64_t* bits, int n, int from, int step, int limit);

    template <class F>
    static void forEachRun(const uint64_t* bits, int n, F& f) {
        // Bits past n are zero, so only a run filling the last word stays open after the loop.
        const int words = (n + 63) / 64;
        int start = -1;
        for (int i = 0; i < words; ++i) {
            const uint64_t word = bits[i];
            int bit = 0;
            while (bit < 64) {
                const uint64_t rest = (start < 0 ? word : ~word) >> bit;
                if (rest == 0) break;
                bit += __builtin_ctzll(rest);
                if (start < 0) {
                    start = i * 64 + bit;
                } else {
                    f(start, i * 64 + bit);
                    start = -1;
                }
            }
        }
        if (start >= 0) f(start, n);
    }

    int width_ = 0;
    int height_ = 0;
    size_t rowWords_ = 0;     // words per row
    size_t columnWords_ = 0;  // words per column
    std::vector<uint64_t> rows_;
    std::vector<uint64_t> columns_;
};

inline int utInkMask_c::run(const uint64_t* bits, int n, int from, int step, int limit) {
    int count = 0;
    int p = from;
    if (step > 0) {
        // Bits past n in the last word are zero, so a run stops there by itself.
        while (count < limit && p < n) {
            const int off = p & 63;
            const uint64_t gaps = ~bits[p >> 6] >> off;
            if (gaps != 0) {
                count += __builtin_ctzll(gaps);
                break;
            }
            count += 64 - off;
            p += 64 - off;
        }
    } else {
        while (count < limit && p >= 0) {
            const int off = p & 63;
            const uint64_t gaps = ~bits[p >> 6] << (63 - off);
            if (gaps != 0) {
                count += __builtin_clzll(gaps);
                break;
            }
            count += off + 1;
            p -= off + 1;
        }
    }
    return std::min(count, limit);
}

}  // namespace Vemora
