#include "raster/stPiCoverage.h"

#include <vemora/raster/stPiIndexing.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vemora {

namespace {

constexpr double kBitLimit = stPiCoveredRow_c::kBitLimit;

// Sets the bits f..l (f <= l) of the words at bits.
void setBits(uint64_t* bits, size_t f, size_t l) {
    const size_t fw = f / 64, lw = l / 64;
    const uint64_t fm = ~uint64_t(0) << (f % 64);
    const uint64_t lm = ~uint64_t(0) >> (63 - l % 64);
    if (fw == lw) {
        bits[fw] |= fm & lm;
        return;
    }
    bits[fw] |= fm;
    for (size_t w = fw + 1; w < lw; ++w) bits[w] = ~uint64_t(0);
    bits[lw] |= lm;
}

// Sets the bits f..l (f <= l < 2^20), growing them first when they are too short; bits that
// must grow take at least `words` words at once.
void setBits(std::vector<uint64_t>& bits, size_t f, size_t l, size_t words) {
    if (bits.size() <= l / 64) bits.resize(std::max(l / 64 + 1, words), 0);
    setBits(bits.data(), f, l);
}

// Adds the places first..last (whole numbers), as far as they lie in [0, kBitLimit), to a sorted
// list of places held once each.
void addPieces(std::vector<uint32_t>& pieces, double first, double last) {
    first = std::max(first, 0.0);
    last = std::min(last, kBitLimit - 1.0);
    for (double k = first; k <= last; k += 1.0) {
        const auto at = std::lower_bound(pieces.begin(), pieces.end(), uint32_t(k));
        if (at == pieces.end() || *at != uint32_t(k)) pieces.insert(at, uint32_t(k));
    }
}

// Whether a place of the sorted list lies in f..l (f <= l).
bool anyPiece(const std::vector<uint32_t>& pieces, size_t f, size_t l) {
    if (pieces.empty()) return false;
    const auto at = std::lower_bound(pieces.begin(), pieces.end(), f,
                                     [](uint32_t k, size_t v) { return k < v; });
    return at != pieces.end() && *at <= l;
}

// The bits of a covered span [a, b] (a <= b, neither NaN), within [0, kBitLimit): in `points` the
// whole numbers ceil(a)..floor(b). The k whose [k, k + 1] the span meets, ceil(a) - 1..floor(b),
// are then the points and the places just before them, except for a span holding no whole number
// of the range (one within a single [k, k + 1], or one reaching into the last from beyond): its
// k goes into the list `pieces`. Where both ends lie well inside the range, converting to a whole
// number truncates, which is floor there, and ceil is the truncation moved up unless it was exact.
void markSpan(std::vector<uint64_t>& points, std::vector<uint32_t>& pieces, double a, double b,
              size_t words) {
    if (a >= 0.0 && b < kBitLimit - 1.0) {
        const size_t t = size_t(a);
        const size_t ca = double(t) < a ? t + 1 : t;
        const size_t fb = size_t(b);
        if (ca <= fb) {
            setBits(points, ca, fb, words);
        } else {
            addPieces(pieces, double(fb),
                      double(fb));  // ca is fb + 1: the span lies within [fb, fb + 1]
        }
        return;
    }
    const double first = std::max(std::ceil(a), 0.0),
                 last = std::min(std::floor(b), kBitLimit - 1.0);
    if (first <= last) {
        setBits(points, size_t(first), size_t(last), words);
    } else {
        addPieces(pieces, std::ceil(a) - 1.0, std::floor(b));
    }
}

// Whether any of the bits f..l is set (f <= l) in n words; bits past the end are clear.
bool anyBit(const uint64_t* bits, size_t n, size_t f, size_t l) {
    const size_t fw = f / 64;
    if (fw >= n) return false;
    size_t lw = l / 64;
    uint64_t lm = ~uint64_t(0) >> (63 - l % 64);
    if (lw >= n) {
        lw = n - 1;
        lm = ~uint64_t(0);
    }
    const uint64_t fm = ~uint64_t(0) << (f % 64);
    if (fw == lw) return (bits[fw] & fm & lm) != 0;
    if (bits[fw] & fm) return true;
    for (size_t w = fw + 1; w < lw; ++w)
        if (bits[w]) return true;
    return (bits[lw] & lm) != 0;
}

bool anyBit(const std::vector<uint64_t>& bits, size_t f, size_t l) {
    return anyBit(bits.data(), bits.size(), f, l);
}

constexpr int kTileShift = 3;  // tiles of 8 x 8

// The tile column of x, x taken within the rows' bits.
size_t tileOf(double x) {
    const size_t k = x < 0.0 ? 0 : x < kBitLimit ? size_t(x) : size_t(kBitLimit) - 1;
    return k >> kTileShift;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// stPiCoveredRow_c

// The covered set is kept merged, so a row holds about one span per stroke crossing it. Spans
// added since the last merge wait unsorted and join in one pass, which costs about as much as
// a single insertion in the middle did.
void stPiCoveredRow_c::mergeFresh() {
    if (fresh_.empty()) return;
    std::sort(fresh_.begin(), fresh_.end(), [](const Span& l, const Span& r) { return l.a < r.a; });
    // The two sorted lists merged from the back, in place, ...
    const size_t n = covered_.size(), k = fresh_.size();
    covered_.resize(n + k);
    for (size_t i = n, j = k, out = n + k; j > 0;) {
        if (i > 0 && covered_[i - 1].a > fresh_[j - 1].a) {
            covered_[--out] = covered_[--i];
        } else {
            covered_[--out] = fresh_[--j];
        }
    }
    // ... and spans that overlap or touch made one.
    size_t last = 0;
    for (size_t r = 1; r < n + k; ++r) {
        if (covered_[r].a <= covered_[last].b) {
            covered_[last].b = std::max(covered_[last].b, covered_[r].b);
        } else {
            covered_[++last] = covered_[r];
        }
    }
    covered_.resize(last + 1);
    fresh_.clear();
}

void stPiCoveredRow_c::cover(double a, double b, size_t words) {
    // Nearly every row of a drawing takes a few spans: room for some from the start.
    if (fresh_.capacity() == 0) fresh_.reserve(16);
    fresh_.push_back(Span{a, b});
    // A bound on the spans waiting, so that looking through them stays short.
    if (fresh_.size() >= kFreshSpans) mergeFresh();
    markSpan(points_, pieces_, a, b, words);
}

void stPiCoveredRow_c::coverNodes(const stPiRow_c& row) {
    covered_.clear();
    fresh_.clear();
    points_.clear();
    pieces_.clear();
    for (int i = 0; i < row.countNodes(); ++i) {
        const stPiNode_c& n = row.nodeAt(i);
        if (!covered_.empty() && n.x1() <= covered_.back().b) {
            covered_.back().b = std::max(covered_.back().b, n.x2());
        } else {
            covered_.push_back(Span{n.x1(), n.x2()});
        }
    }
    for (const Span& s : covered_) markSpan(points_, pieces_, s.a, s.b, 0);
}

// A whole x within the bits is answered by its bit: every span holding it has set it.
bool stPiCoveredRow_c::covers(double x) const {
    if (x >= 0.0 && x < kBitLimit && x == double(size_t(x))) return hasPoint(size_t(x));
    return spansMeet(x, x);
}

// Something covered meets [a, b] only if it meets some [k, k + 1] for k from floor(a) to floor(b):
// through a covered place k or k + 1 (see markSpan), or as a piece within. When there is none,
// nothing does; a covered whole place in [a, b] settles it the other way; else the spans decide.
bool stPiCoveredRow_c::coversSome(double a, double b) const {
    if (a >= 0.0 && b < kBitLimit) {
        // Floor and ceil taken as in markSpan.
        const size_t fa = size_t(a), fb = size_t(b);
        const size_t ca = double(fa) < a ? fa + 1 : fa;
        if (!anyBit(points_, fa, fb + 1) && !anyPiece(pieces_, fa, fb)) return false;
        if (ca <= fb && anyBit(points_, ca, fb)) return true;
        return spansMeet(a, b);
    }
    // Past the bits' range only the spans can tell what does not cover.
    const double first = std::max(std::ceil(a), 0.0),
                 last = std::min(std::floor(b), kBitLimit - 1.0);
    if (first <= last && anyBit(points_, size_t(first), size_t(last))) return true;
    return spansMeet(a, b);
}

// The bits settle nearly every question, so the spans still waiting are looked through one by
// one rather than merged for it.
bool stPiCoveredRow_c::spansMeet(double a, double b) const {
    const auto it = std::partition_point(covered_.begin(), covered_.end(),
                                         [a](const Span& s) { return s.b < a; });
    if (it != covered_.end() && it->a <= b) return true;
    static_assert(sizeof(Span) == 2 * sizeof(double),
                  "a span is read as one vector of its two ends");
    const Span* const spans = fresh_.data();
    const size_t n = fresh_.size();
    size_t i = 0;
#if defined(__SSE2__)
    // Eight at a time without a branch per span: a span [s.a, s.b] in one vector meets [a, b]
    // when its low lane is at most b and its high lane at least a.
    const __m128d upTo = _mm_set1_pd(b), from = _mm_set1_pd(a);
    for (; i + 8 <= n; i += 8) {
        __m128d met = _mm_setzero_pd();
        for (size_t j = i; j < i + 8; ++j) {
            const __m128d span = _mm_loadu_pd(reinterpret_cast<const double*>(&spans[j]));
            const __m128d startsBefore = _mm_cmple_pd(span, upTo);
            const __m128d endsAfter = _mm_cmpge_pd(span, from);
            met = _mm_or_pd(met, _mm_and_pd(startsBefore, _mm_shuffle_pd(endsAfter, endsAfter, 1)));
        }
        if (_mm_movemask_pd(met) & 1) return true;
    }
#endif
    for (; i < n; ++i)
        if (spans[i].a <= b && a <= spans[i].b) return true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// stPiCoverage_c

void stPiCoverage_c::reset(int rows, int step) {
    gathered_.clear();
    tiles_.clear();
    tileWords_ = 0;
    marked_ = {};
    bitWords_ = 0;
    rows_.clear();
    rows_.resize(static_cast<std::size_t>(std::max(rows, 0)));
    step_ = std::max(step, 1);
}

void stPiCoverage_c::cover(int row, double a, double b) {
    rows_[static_cast<std::size_t>(row)].cover(a, b);
    markTiles(row, a, b);
}

void stPiCoverage_c::coverRow(int row, double a, double b) {
    // Rows tend to end up as wide as the widest one so far: their bits are made that wide at
    // once instead of growing step by step.
    stPiCoveredRow_c& target = rows_[static_cast<std::size_t>(row)];
    target.cover(a, b, bitWords_);
    bitWords_ = std::max(bitWords_, target.bitWords());
    markTiles(row, a, b);
}

void stPiCoverage_c::markTiles(int row, double a, double b) {
    const size_t first = tileOf(a), last = tileOf(b);
    const size_t tileRow = size_t(row) >> kTileShift;
    // The rows of a stroke mostly mark what the row before marked; marks are never taken back.
    if (tileRow == marked_.row && first >= marked_.first && last <= marked_.last) return;
    marked_ = {tileRow, first, last};
    if (last / 64 >= tileWords_) {
        // Wider tile rows: the marks so far move over.
        const size_t words = last / 64 + 1;
        const size_t tileRows = (rows_.size() >> kTileShift) + 1;
        std::vector<uint64_t> grown(tileRows * words, 0);
        for (size_t t = 0; tileWords_ > 0 && t < tileRows; ++t)
            std::copy_n(&tiles_[t * tileWords_], tileWords_, &grown[t * words]);
        tiles_.swap(grown);
        tileWords_ = words;
    }
    setBits(&tiles_[tileRow * tileWords_], first, last);
}

bool stPiCoverage_c::mayCover(double x1, double y1, double x2, double y2) const {
    if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return true;
    if (x1 > x2 || y1 > y2) return false;
    const int first = std::max(piRowOf(y1, step_), 0);
    const int last = std::min(piRowOf(y2, step_), countRows() - 1);
    if (first > last || tileWords_ == 0) return false;
    const size_t from = tileOf(x1), to = tileOf(x2);
    for (size_t t = size_t(first) >> kTileShift; t <= size_t(last) >> kTileShift; ++t) {
        if (anyBit(&tiles_[t * tileWords_], tileWords_, from, to)) return true;
    }
    return false;
}

// The covered set is a union, so the order in which spans join it does not matter: each row
// gathers the spans that overlap or touch one another into one and covers the rest as they
// come. The pieces of a stroke cross the same rows over and over, so most spans are gathered.
bool stPiCoverage_c::add(const utSkewRect_c* rects, std::size_t count) {
    if (gathered_.size() != rows_.size()) gathered_.assign(rows_.size(), Gathered{});
    if (++stamp_ == 0) {
        for (Gathered& g : gathered_) g.stamp = 0;
        stamp_ = 1;
    }
    gatheredRows_.clear();
    bool some = false;
    for (std::size_t i = 0; i < count; ++i) {
        walkPiFootprint(rects[i], step_, countRows(), [this, &some](int row, double a, double b) {
            if (std::isnan(a) || std::isnan(b)) return false;  // nothing to add
            if (b < a) std::swap(a, b);
            Gathered& g = gathered_[static_cast<std::size_t>(row)];
            if (g.stamp != stamp_) {
                g = Gathered{a, b, stamp_};
                gatheredRows_.push_back(row);
            } else if (a <= g.b && b >= g.a) {
                g.a = std::min(g.a, a);
                g.b = std::max(g.b, b);
            } else {
                coverRow(row, g.a, g.b);
                g.a = a;
                g.b = b;
            }
            some = true;
            return false;
        });
    }
    for (int row : gatheredRows_) {
        const Gathered& g = gathered_[static_cast<std::size_t>(row)];
        coverRow(row, g.a, g.b);
    }
    return some;
}

bool stPiCoverage_c::meets(const utSkewRect_c& r) const {
    return walkPiFootprint(r, step_, countRows(), [this](int row, double a, double b) {
        return a <= b && rows_[static_cast<std::size_t>(row)].coversSome(a, b);
    });
}

}  // namespace Vemora
