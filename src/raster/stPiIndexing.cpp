#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/utSkewRectSlicer.h>
#include <vemora/raster/stPiIndexing.h>

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Vemora {

namespace {

// (int)y / step, with values beyond the int range (and NaN) pinned instead of being converted
// with undefined behaviour.
int rowOf(double y, int step) {
    int iy = INT_MIN;
    if (y >= 2147483647.0) {
        iy = INT_MAX;
    } else if (y > -2147483648.0) {
        iy = static_cast<int>(y);
    }
    return step == 1 ? iy : iy / step;  // nearly always 1: no division
}

// Rows keep bits for x from 0 up to here; anything beyond is looked up in the spans.
constexpr double kBitLimit = double(1 << 20);

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

}  // namespace

// ---------------------------------------------------------------------------------------------
// stPiNode_c

stPiNode_c::stPiNode_c(double x1, double x2, void* object)
    : count_(1), store_{object}, x1_(x1), x2_(x2) {
    assert(object != nullptr);
}

stPiNode_c::stPiNode_c(double x1, double x2, const std::vector<void*>& objects) : x1_(x1), x2_(x2) {
    for (void* o : objects) appendObject(o);
}

stPiNode_c::stPiNode_c(double x1, double x2, const stPiNode_c& from) : stPiNode_c(from) {
    x1_ = x1;
    x2_ = x2;
}

stPiNode_c::stPiNode_c(double x1, double x2, stPiNode_c&& from) : stPiNode_c(std::move(from)) {
    x1_ = x1;
    x2_ = x2;
}

stPiNode_c::stPiNode_c(const stPiNode_c& other) : x1_(other.x1_), x2_(other.x2_) {
    if (other.count_ > 1) {
        store_.many = new void*[other.count_];
        capacity_ = other.count_;
    }
    std::copy(other.begin(), other.end(), data());
    count_ = other.count_;
}

stPiNode_c& stPiNode_c::operator=(const stPiNode_c& other) {
    if (this != &other) *this = stPiNode_c(other);
    return *this;
}

void stPiNode_c::release() {
    if (capacity_ > 1) delete[] store_.many;
    count_ = 0;
    capacity_ = 1;
    store_.one = nullptr;
}

void stPiNode_c::appendObject(void* o) {
    assert(o != nullptr);
    if (std::find(begin(), end(), o) != end()) return;
    if (count_ == capacity_) {
        const unsigned grown = capacity_ * 2;
        void** list = new void*[grown];
        std::copy(begin(), end(), list);
        const unsigned n = count_;
        release();
        store_.many = list;
        capacity_ = grown;
        count_ = n;
    }
    data()[count_++] = o;
}

void stPiNode_c::removeObject(void* o) {
    void** list = data();
    void** const last = list + count_;
    void** const it = std::find(list, last, o);
    if (it == last) return;
    std::copy(it + 1, last, it);
    --count_;
}

// ---------------------------------------------------------------------------------------------
// stPiRow_c

int stPiRow_c::findPosition(double x) const {
    if (nodes_.empty()) return -1;
    // Queries on one row tend to come back to the same place (a stroke being traced asks about
    // the same rows again as its step shrinks), so the node found last, or the one after it, is
    // tried before searching. Either is taken only when it is exactly what the search would find.
    const size_t n = nodes_.size();
    for (size_t h = size_t(hint_); h < n && h <= size_t(hint_) + 1; ++h) {
        if (!(nodes_[h].x2() < x) && (h == 0 || nodes_[h - 1].x2() < x)) {
            hint_ = int(h);
            return int(h);
        }
    }
    // x2 grows with x1 because the nodes are sorted and disjoint, so this is a binary search
    // for the first node not entirely left of x.
    const auto it = std::partition_point(nodes_.begin(), nodes_.end(),
                                         [x](const stPiNode_c& n) { return n.x2() < x; });
    if (it == nodes_.end()) return countNodes() - 1;
    hint_ = static_cast<int>(it - nodes_.begin());
    return hint_;
}

stPiNode_c& stPiRow_c::findNode(double x) {
    assert(!nodes_.empty());
    return nodes_[static_cast<std::size_t>(findPosition(x))];
}

const stPiNode_c& stPiRow_c::findNode(double x) const {
    assert(!nodes_.empty());
    return nodes_[static_cast<std::size_t>(findPosition(x))];
}

void stPiRow_c::candidates(double a, double b, int& first, int& last) const {
    first = std::max(findPosition(a), 0);
    // Up to the last node starting at or before b, so a node beginning exactly at b is seen.
    const auto it = std::partition_point(nodes_.begin(), nodes_.end(),
                                         [b](const stPiNode_c& n) { return n.x1() <= b; });
    last = static_cast<int>(it - nodes_.begin()) - 1;
}

bool stPiRow_c::findObjects(double x, std::set<void*>* out) const {
    if (out == nullptr) return covers(x);
    if (nodes_.empty()) return false;
    const stPiNode_c& node = nodes_[static_cast<std::size_t>(findPosition(x))];
    if (!node.contains(x)) return false;
    if (out != nullptr) out->insert(node.begin(), node.end());
    return true;
}

bool stPiRow_c::findObjects(double a, double b, std::set<void*>* out) const {
    // For a <= b a node overlaps [a, b] exactly when the two intersect, so the covered set
    // answers; a reversed or NaN span goes through the nodes' own test.
    if (out == nullptr && a <= b) return coversSome(a, b);
    if (nodes_.empty()) return false;
    // The candidates run from findPosition(a) up to the last node starting at or before b; the
    // nodes are sorted by x1, so the walk stops at the first one starting after b.
    bool found = false;
    for (auto it = nodes_.begin() + findPosition(a); it != nodes_.end() && it->x1() <= b; ++it) {
        const stPiNode_c& node = *it;
        if ((a <= node.x1() && b >= node.x2()) || node.contains(a) || node.contains(b)) {
            if (out == nullptr) return true;
            found = true;
            out->insert(node.begin(), node.end());
        }
    }
    return found;
}

void stPiRow_c::insertNode(double a, double b, void* o) {
    std::vector<stPiNode_c> pieces;
    insertNode(a, b, o, pieces);
}

void stPiRow_c::insertNode(double a, double b, void* o, std::vector<stPiNode_c>& pieces) {
    assert(o != nullptr);
    if (std::isnan(a) || std::isnan(b)) return;  // would break the sort order of the row
    if (b < a) std::swap(a, b);
    split(a, b, o, pieces);
    cover(a, b);
}

// The row is rebuilt in one left-to-right pass. `pos` is the left end of the part of [a, b]
// not placed yet; split pieces share their cut values as ends. a <= b, neither NaN.
void stPiRow_c::split(double a, double b, void* o, std::vector<stPiNode_c>& pieces) {
    // Only the nodes that start before b and do not lie entirely left of a change; they are
    // replaced in place by their split pieces, and the rest of the row is left alone. (Sorted,
    // non-overlapping nodes have both ends in ascending order, so both bounds are binary searches.)
    const auto first = std::partition_point(nodes_.begin(), nodes_.end(),
                                            [a](const stPiNode_c& n) { return n.x2() <= a; });
    const auto last =
        std::partition_point(first, nodes_.end(), [b](const stPiNode_c& n) { return n.x1() < b; });
    if (first == last) {
        // Nothing overlaps: [a, b] goes in as it is, a zero-length one included.
        nodes_.insert(first, stPiNode_c(a, b, o));
        return;
    }

    // The pieces are built in the caller's buffer; each old node's object list is copied into all
    // its pieces but the last, which takes it over.
    pieces.clear();
    double pos = a;
    for (auto it = first; it != last; ++it) {
        stPiNode_c& node = *it;
        if (node.x1() < pos) {
            pieces.emplace_back(node.x1(), pos, node);  // part left of a
        } else if (node.x1() > pos) {
            pieces.emplace_back(pos, node.x1(), o);  // gap before the node
            pos = node.x1();
        }
        const double end = std::min(node.x2(), b);
        if (node.x2() > b) {
            pieces.emplace_back(pos, end, node);
            pieces.back().appendObject(o);
            pieces.emplace_back(b, node.x2(), std::move(node));  // part right of b
        } else {
            pieces.emplace_back(pos, end, std::move(node));
            pieces.back().appendObject(o);
        }
        pos = end;
    }
    // Whatever is left of [a, b] holds o alone.
    if (pos < b) pieces.emplace_back(pos, b, o);

    const auto at = nodes_.erase(first, last);
    nodes_.insert(at, std::make_move_iterator(pieces.begin()),
                  std::make_move_iterator(pieces.end()));
    pieces.clear();
}

void stPiRow_c::deleteNode(double a, double b, void* o) {
    assert(o != nullptr);
    int first = 0;
    int last = -1;
    candidates(a, b, first, last);
    for (int i = first; i <= last; ++i) {
        stPiNode_c& node = nodes_[static_cast<std::size_t>(i)];
        // A neighbour that only touches [a, b] at one end keeps o: it was registered by a
        // different interval.
        const bool touchesOnly = (node.x2() == a && node.x1() < a && a < b) ||
                                 (node.x1() == b && node.x2() > b && a < b);
        if (!touchesOnly) node.removeObject(o);
    }
    removeEmptyNodes();
}

void stPiRow_c::removeEmptyNodes() {
    const auto kept = std::remove_if(nodes_.begin(), nodes_.end(),
                                     [](const stPiNode_c& n) { return n.countObjects() == 0; });
    if (kept == nodes_.end()) return;
    nodes_.erase(kept, nodes_.end());
    coverNodes();
}

// The covered set is kept merged, so a row holds about one span per stroke crossing it. Spans
// added since the last merge wait unsorted and join in one pass, which costs about as much as
// a single insertion in the middle did.
void stPiRow_c::mergeFresh() {
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

void stPiRow_c::cover(double a, double b, size_t words) {
    // Nearly every row of a drawing takes a few spans: room for some from the start.
    if (fresh_.capacity() == 0) fresh_.reserve(16);
    fresh_.push_back(Span{a, b});
    // A bound on the spans waiting, so that looking through them stays short.
    if (fresh_.size() >= kFreshSpans) mergeFresh();
    markSpan(points_, pieces_, a, b, words);
}

void stPiRow_c::coverNodes() {
    covered_.clear();
    fresh_.clear();
    points_.clear();
    pieces_.clear();
    for (const stPiNode_c& n : nodes_) {
        if (!covered_.empty() && n.x1() <= covered_.back().b) {
            covered_.back().b = std::max(covered_.back().b, n.x2());
        } else {
            covered_.push_back(Span{n.x1(), n.x2()});
        }
    }
    for (const Span& s : covered_) markSpan(points_, pieces_, s.a, s.b, 0);
}

// A whole x within the bits is answered by its bit: every span holding it has set it.
bool stPiRow_c::covers(double x) const {
    if (x >= 0.0 && x < kBitLimit && x == double(size_t(x))) return hasPoint(size_t(x));
    return spansMeet(x, x);
}

// Something covered meets [a, b] only if it meets some [k, k + 1] for k from floor(a) to floor(b):
// through a covered place k or k + 1 (see markSpan), or as a piece within. When there is none,
// nothing does; a covered whole place in [a, b] settles it the other way; else the spans decide.
bool stPiRow_c::coversSome(double a, double b) const {
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
bool stPiRow_c::spansMeet(double a, double b) const {
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
// stPiIndexing_c

stPiIndexing_c::stPiIndexing_c(int, int step) : step_(std::max(step, 1)) {}

void stPiIndexing_c::init(int rows, int) {
    clear();
    rows_.resize(static_cast<std::size_t>(std::max(rows, 0)));
}

void stPiIndexing_c::clear() {
    pending_ = {};
    keepObjects_ = true;
    gathered_.clear();
    tiles_.clear();
    tileWords_ = 0;
    marked_ = {};
    bitWords_ = 0;
    rows_.clear();
    splitPieces_ = {};
    step_ = 1;
}

void stPiIndexing_c::add(int y, double a, double b, void* o) {
    const int row = y / step_;
    if (row < 0 || row >= countRows()) return;
    settle();
    rows_[static_cast<std::size_t>(row)].insertNode(a, b, o, splitPieces_);
    if (a <= b || b <= a) markTiles(row, std::min(a, b), std::max(a, b));  // NaN adds nothing
}

// The rows from (int)minY / step to (int)maxY / step, clamped to the index. Within one row the
// whole x range of the corners is used; otherwise each row r takes the span of the cut at
// y = r * step, and rows whose cut misses the rectangle are skipped.
template <class F>
bool stPiIndexing_c::walkFootprint(const utSkewRect_c& r, F&& f) const {
    if (rows_.empty()) return false;
    const utSkewRectSlicer_c slicer(r);
    const double y0 = slicer.minY();
    const double y1 = slicer.maxY();
    const double x0 = slicer.minX();
    const double x1 = slicer.maxX();
    if (!std::isfinite(y0) || !std::isfinite(y1) || !std::isfinite(x0) || !std::isfinite(x1)) {
        return false;
    }
    const int first = std::max(rowOf(y0, step_), 0);
    const int last = std::min(rowOf(y1, step_), countRows() - 1);
    if (first > last) return false;
    if (first == last) return f(first, x0, x1);
    double a = 0.0;
    double b = 0.0;
    if (slicer.sameCutY(a, b)) {
        // Axis parallel: each row's cut within the rectangle is the same span.
        for (int row = first; row <= last; ++row) {
            const double y = static_cast<double>(row) * step_;
            if (y >= y0 && y <= y1 && f(row, a, b)) return true;
        }
        return false;
    }
    for (int row = first; row <= last; ++row) {
        if (slicer.sliceY(static_cast<double>(row) * step_, a, b) && f(row, a, b)) return true;
    }
    return false;
}

void stPiIndexing_c::coverRow(int row, double a, double b) {
    // Rows tend to end up as wide as the widest one so far: their bits are made that wide at
    // once instead of growing step by step.
    stPiRow_c& target = rows_[static_cast<std::size_t>(row)];
    target.cover(a, b, bitWords_);
    bitWords_ = std::max(bitWords_, target.points_.size());
    markTiles(row, a, b);
}

namespace {
constexpr int kTileShift = 3;  // tiles of 8 x 8

// The tile column of x, x taken within the rows' bits.
size_t tileOf(double x) {
    const size_t k = x < 0.0 ? 0 : x < kBitLimit ? size_t(x) : size_t(kBitLimit) - 1;
    return k >> kTileShift;
}
}  // namespace

void stPiIndexing_c::markTiles(int row, double a, double b) {
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

bool stPiIndexing_c::mayCover(double x1, double y1, double x2, double y2) const {
    if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return true;
    if (x1 > x2 || y1 > y2) return false;
    const int first = std::max(rowOf(y1, step_), 0);
    const int last = std::min(rowOf(y2, step_), countRows() - 1);
    if (first > last || tileWords_ == 0) return false;
    const size_t from = tileOf(x1), to = tileOf(x2);
    for (size_t t = size_t(first) >> kTileShift; t <= size_t(last) >> kTileShift; ++t) {
        if (anyBit(&tiles_[t * tileWords_], tileWords_, from, to)) return true;
    }
    return false;
}

void stPiIndexing_c::add(const utSkewRect_c& r, void* o) { add(std::vector<utSkewRect_c>{r}, o); }

// The covered set is a union, so the order in which spans join it does not matter: each row
// gathers the spans that overlap or touch one another into one and covers the rest as they
// come. The pieces of a stroke cross the same rows over and over, so most spans are gathered.
void stPiIndexing_c::add(const std::vector<utSkewRect_c>& rs, void* o) {
    assert(o != nullptr);
    if (gathered_.size() != rows_.size()) gathered_.assign(rows_.size(), Gathered{});
    if (++stamp_ == 0) {
        for (Gathered& g : gathered_) g.stamp = 0;
        stamp_ = 1;
    }
    gatheredRows_.clear();
    for (const utSkewRect_c& r : rs) {
        bool some = false;
        walkFootprint(r, [this, &some](int row, double a, double b) {
            if (std::isnan(a) || std::isnan(b)) return false;  // as insertNode: nothing to add
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
        if (some && keepObjects_) pending_.push_back(Footprint{r, o});
    }
    for (int row : gatheredRows_) {
        const Gathered& g = gathered_[static_cast<std::size_t>(row)];
        coverRow(row, g.a, g.b);
    }
}

void stPiIndexing_c::replay() const {
    for (const Footprint& f : pending_) {
        walkFootprint(f.r, [this, &f](int row, double a, double b) {
            if (std::isnan(a) || std::isnan(b)) return false;
            if (b < a) std::swap(a, b);
            rows_[static_cast<std::size_t>(row)].split(a, b, f.o, splitPieces_);
            return false;
        });
    }
    pending_ = {};
}

void stPiIndexing_c::remove(const utSkewRect_c& r, void* o) {
    if (!keepObjects_) return;  // the covered set alone cannot tell what o covered by itself
    settle();
    walkFootprint(r, [this, o](int row, double a, double b) {
        rows_[static_cast<std::size_t>(row)].deleteNode(a, b, o);
        return false;
    });
}

// Queries that collect objects, and spans given reversed (which the rows test against their
// nodes), need the nodes split first.
bool stPiIndexing_c::findObjects(int row, double a, double b, std::set<void*>* out) const {
    if (row < 0 || row >= countRows()) return false;
    if (out != nullptr || !(a <= b)) settle();
    return rows_[static_cast<std::size_t>(row)].findObjects(a, b, out);
}

bool stPiIndexing_c::covers(int x, int y) const {
    const int row = step_ == 1 ? y : y / step_;
    if (row < 0 || row >= countRows()) return false;
    const stPiRow_c& r = rows_[static_cast<std::size_t>(row)];
    if (x < 0 || double(x) >= kBitLimit) return r.covers(double(x));
    return r.hasPoint(size_t(x));
}

bool stPiIndexing_c::findObjects(double x, double y, std::set<void*>* out) const {
    const int row = rowOf(y, step_);
    if (row < 0 || row >= countRows()) return false;
    if (out != nullptr) settle();
    return rows_[static_cast<std::size_t>(row)].findObjects(x, out);
}

bool stPiIndexing_c::findObjects(const utRect_c& r, std::set<void*>* out) const {
    const int first = std::max(rowOf(r.y1(), step_), 0);
    const int last = std::min(rowOf(r.y2(), step_), countRows() - 1);
    if (out != nullptr || !(r.x1() <= r.x2())) settle();
    bool found = false;
    for (int row = first; row <= last; ++row) {
        if (rows_[static_cast<std::size_t>(row)].findObjects(r.x1(), r.x2(), out)) {
            if (out == nullptr) return true;
            found = true;
        }
    }
    return found;
}

bool stPiIndexing_c::findObjects(const utSkewRect_c& r, std::set<void*>* out) const {
    if (out != nullptr) settle();
    bool found = false;
    walkFootprint(r, [this, out, &found](int row, double a, double b) {
        if (!(a <= b)) settle();
        if (!rows_[static_cast<std::size_t>(row)].findObjects(a, b, out)) return false;
        found = true;
        return out == nullptr;
    });
    return found;
}

}  // namespace Vemora
