#include "raster/utInkMask.h"

#include <vemora/foundation/utRasterData.h>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/inkTest.h"

namespace Vemora {

namespace {

// Transposes a 64 x 64 bit matrix in place: bit j of a[i] becomes bit i of a[j]. Each round swaps
// the off-diagonal blocks of the next smaller size.
#if defined(__SSE2__)
// Down to blocks of two, rows k and k + 1 pair with rows k + j and k + j + 1, so two rows go
// through each step at once; the last round pairs neighbours and is done one pair at a time.
void transpose64(uint64_t a[64]) {
    uint64_t m = 0x00000000FFFFFFFFull;
    for (int j = 32; j != 1; j >>= 1, m ^= m << j) {
        const __m128i mask = _mm_set1_epi64x(static_cast<long long>(m));
        const __m128i shift = _mm_cvtsi32_si128(j);
        for (int k = 0; k < 64; k = ((k | j) + 2) & ~j) {
            __m128i* lo = reinterpret_cast<__m128i*>(a + k);
            __m128i* hi = reinterpret_cast<__m128i*>(a + (k | j));
            const __m128i x = _mm_load_si128(lo), y = _mm_load_si128(hi);
            const __m128i t = _mm_and_si128(_mm_xor_si128(_mm_srl_epi64(x, shift), y), mask);
            _mm_store_si128(lo, _mm_xor_si128(x, _mm_sll_epi64(t, shift)));
            _mm_store_si128(hi, _mm_xor_si128(y, t));
        }
    }
    for (int k = 0; k < 64; k += 2) {
        const uint64_t t = ((a[k] >> 1) ^ a[k + 1]) & m;
        a[k] ^= t << 1;
        a[k + 1] ^= t;
    }
}
#else
void transpose64(uint64_t a[64]) {
    uint64_t m = 0x00000000FFFFFFFFull;
    for (int j = 32; j != 0; j >>= 1, m ^= m << j) {
        for (int k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k] ^= t << j;
            a[k | j] ^= t;
        }
    }
}
#endif

#if defined(__SSE2__)
// The ink bits of 64 pixels, pixel k in bit k, four pixels to a vector. Each pixel's 16-bit halves
// take B + G and R (B and R where they are, G shifted down onto B), one multiply-add of the halves
// gives R + G + B; the comparisons with the threshold are narrowed to one byte a pixel, whose top
// bits movemask gathers sixteen at a time.
uint64_t packInk(const uint32_t* p, int threshold) {
    const __m128i blueRed = _mm_set1_epi32(0x00FF00FF);
    const __m128i green = _mm_set1_epi32(0xFF);
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i limit = _mm_set1_epi32(threshold);
    auto inkOf4 = [&](const uint32_t* q) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        const __m128i halves =
            _mm_add_epi32(_mm_and_si128(v, blueRed), _mm_and_si128(_mm_srli_epi32(v, 8), green));
        return _mm_cmplt_epi32(_mm_madd_epi16(halves, ones), limit);
    };
    uint64_t word = 0;
    for (int k = 0; k < 64; k += 16) {
        const __m128i lo = _mm_packs_epi32(inkOf4(p + k), inkOf4(p + k + 4));
        const __m128i hi = _mm_packs_epi32(inkOf4(p + k + 8), inkOf4(p + k + 12));
        word |= uint64_t(unsigned(_mm_movemask_epi8(_mm_packs_epi16(lo, hi)))) << k;
    }
    return word;
}
#else
// The ink bits of 64 pixels, pixel k in bit k. The tests go into bytes first, a loop the compiler
// can vectorise; each 8 bytes of 0 or 1 then gather into one byte with a multiplication that
// moves byte i's low bit to bit 56 + i.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "packInk reads 8 flag bytes as one little-endian word");

uint64_t packInk(const uint32_t* p, int threshold) {
    uint8_t flags[64];
    for (int k = 0; k < 64; ++k) flags[k] = isInkBelow(p[k], threshold) ? 1 : 0;
    uint64_t word = 0;
    for (int b = 0; b < 8; ++b) {
        uint64_t bytes;
        std::memcpy(&bytes, flags + 8 * b, 8);
        word |= ((bytes * 0x0102040810204080ull) >> 56) << (8 * b);
    }
    return word;
}
#endif

}  // namespace

utInkMask_c::utInkMask_c(const utRasterData_c& raster, int level)
    : width_(int(raster.width())),
      height_(int(raster.height())),
      rowWords_((size_t(raster.width()) + 63) / 64),
      columnWords_((size_t(raster.height()) + 63) / 64),
      rows_(rowWords_ * size_t(raster.height())),
      columns_(columnWords_ * size_t(raster.width())) {
    if (rows_.empty()) return;  // no pixels, and no words to hold their bits
    const int threshold = inkSumLimit(level);
    const uint32_t* pixels = raster.data();
    for (int y = 0; y < height_; ++y) {
        const uint32_t* row = pixels + size_t(y) * size_t(width_);
        uint64_t* out = &rows_[size_t(y) * rowWords_];
        int x0 = 0;
        for (; x0 + 64 <= width_; x0 += 64) out[x0 >> 6] = packInk(row + x0, threshold);
        if (x0 < width_) {
            uint64_t word = 0;
            for (int k = 0; k < width_ - x0; ++k)
                word |= uint64_t(isInkBelow(row[x0 + k], threshold)) << k;
            out[x0 >> 6] = word;
        }
    }
    // The column copy, one 64 x 64 block at a time.
    alignas(16) uint64_t block[64];
    for (int y0 = 0; y0 < height_; y0 += 64) {
        const int rows = std::min(64, height_ - y0);
        for (size_t j = 0; j < rowWords_; ++j) {
            for (int i = 0; i < 64; ++i)
                block[i] = i < rows ? rows_[size_t(y0 + i) * rowWords_ + j] : 0;
            transpose64(block);
            const int cols = std::min(64, width_ - int(j) * 64);
            for (int k = 0; k < cols; ++k)
                columns_[(j * 64 + size_t(k)) * columnWords_ + size_t(y0 >> 6)] = block[k];
        }
    }
}

}  // namespace Vemora
