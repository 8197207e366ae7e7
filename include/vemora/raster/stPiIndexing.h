#pragma once

#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/vemoraApi.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <set>
#include <vector>

namespace Vemora {

class utRect_c;

// Objects held by the row interval index are opaque: the index never dereferences, owns or
// frees them. Null is never a valid object.

// One x-interval [x1, x2] of one row with the objects that cover it (no duplicates, in
// insertion order). Most nodes carry a single object, which is held in the node itself; only
// longer lists take memory of their own.
class VEMORA_API stPiNode_c {
public:
    stPiNode_c() = default;
    stPiNode_c(double x1, double x2, void* object);
    stPiNode_c(double x1, double x2, const std::vector<void*>& objects);
    // [x1, x2] with a copy of another node's objects, or with the objects taken over from it
    // (which leaves it without any).
    stPiNode_c(double x1, double x2, const stPiNode_c& from);
    stPiNode_c(double x1, double x2, stPiNode_c&& from);
    stPiNode_c(const stPiNode_c& other);
    stPiNode_c& operator=(const stPiNode_c& other);
    // Rows shift their nodes by moves, so these stay small and inline: the node moved from is
    // left empty.
    stPiNode_c(stPiNode_c&& other) noexcept
        : count_(other.count_),
          capacity_(other.capacity_),
          store_(other.store_),
          x1_(other.x1_),
          x2_(other.x2_) {
        other.count_ = 0;
        other.capacity_ = 1;
    }
    stPiNode_c& operator=(stPiNode_c&& other) noexcept {
        if (this != &other) {
            if (capacity_ > 1) release();
            count_ = other.count_;
            capacity_ = other.capacity_;
            store_ = other.store_;
            x1_ = other.x1_;
            x2_ = other.x2_;
            other.count_ = 0;
            other.capacity_ = 1;
        }
        return *this;
    }
    ~stPiNode_c() {
        if (capacity_ > 1) release();
    }

    double x1() const { return x1_; }
    double x2() const { return x2_; }
    // A copy of the object list.
    std::vector<void*> objects() const { return std::vector<void*>(begin(), end()); }
    int countObjects() const { return static_cast<int>(count_); }
    void* objectAt(int i) const { return begin()[i]; }
    void* const* begin() const { return capacity_ > 1 ? store_.many : &store_.one; }
    void* const* end() const { return begin() + count_; }
    // Ends included.
    bool contains(double x) const { return x1_ <= x && x <= x2_; }

    // Adds o unless it is already there.
    void appendObject(void* o);
    // Removes o, keeping the order of the others; an absent o is ignored.
    void removeObject(void* o);

private:
    void** data() { return capacity_ > 1 ? store_.many : &store_.one; }
    void release();

    // The object list: count_ objects, in store_.one while the capacity is 1, else in store_.many
    // (owned).
    unsigned count_ = 0;
    unsigned capacity_ = 1;
    union Store {
        void* one;
        void** many;
    } store_{nullptr};
    double x1_ = 0.0;
    double x2_ = 0.0;
};

// The intervals of one row, sorted by x1 and pairwise non-overlapping (neighbours may share an
// end). Adjacent intervals with equal object sets are deliberately kept apart.
class VEMORA_API stPiRow_c {
public:
    int countNodes() const { return static_cast<int>(nodes_.size()); }
    const stPiNode_c& nodeAt(int i) const { return nodes_[static_cast<std::size_t>(i)]; }

    // The first node whose [x1, x2] contains x; when none does, the node right of x (the last
    // node when x lies beyond all of them); -1 for an empty row.
    int findPosition(double x) const;
    // The node at findPosition(x); the row must not be empty.
    stPiNode_c& findNode(double x);
    const stPiNode_c& findNode(double x) const;

    // True when a node contains x; its objects are added to out when out is not null.
    bool findObjects(double x, std::set<void*>* out) const;
    // True when a node overlaps [a, b]; with out null the search stops at the first one,
    // otherwise the objects of every overlapping node are added to out.
    bool findObjects(double a, double b, std::set<void*>* out) const;

    // Registers [a, b] for o, splitting the nodes it overlaps.
    void insertNode(double a, double b, void* o);
    // Removes o from the nodes around [a, b] and drops the nodes left without objects.
    void deleteNode(double a, double b, void* o);
    void removeEmptyNodes();

private:
    friend class stPiIndexing_c;

    // A piece of the set of x the nodes cover: disjoint, sorted, merged where pieces touch.
    struct Span {
        double a;
        double b;
    };

    // Indices [first, last] of the nodes that may overlap [a, b]; empty when first > last.
    void candidates(double a, double b, int& first, int& last) const;

    // Questions that only ask whether anything covers a point or a span are answered from the
    // covered set, which the nodes' union always equals. The index may add to the covered set
    // first and split the nodes later (see stPiIndexing_c).
    // The split pieces are built in `pieces`, a buffer of the caller's that the row leaves empty.
    void split(double a, double b, void* o, std::vector<stPiNode_c>& pieces);
    void insertNode(double a, double b, void* o, std::vector<stPiNode_c>& pieces);
    // Adds [a, b] to the covered set; bits that must grow take at least `words` words.
    void cover(double a, double b, size_t words = 0);
    // Merges the spans waiting into the merged ones.
    void mergeFresh();
    // Whether a covered span, merged or waiting, meets [a, b] (a <= b).
    bool spansMeet(double a, double b) const;
    void coverNodes();  // the covered set anew from the nodes, after some were dropped
    bool covers(double x) const;
    bool coversSome(double a, double b) const;
    // Bit k of points_ (k < 2^20).
    bool hasPoint(std::size_t k) const {
        return k / 64 < points_.size() && ((points_[k / 64] >> (k % 64)) & 1u) != 0;
    }

    std::vector<stPiNode_c> nodes_;
    // Spans added to the covered set wait unsorted in fresh_ until kFreshSpans of them are merged
    // into covered_ at once; questions look through both, which is rare, as the bits below
    // answer nearly every one.
    std::vector<Span> covered_;
    std::vector<Span> fresh_;
    static constexpr std::size_t kFreshSpans = 128;
    // The same set by whole numbers, for quick answers (0 <= k < 2^20): bit k of points_ tells
    // whether k is covered; pieces_ lists, sorted, the k whose [k, k + 1] a span holding none of
    // these numbers meets, which few do (tens of thousands of places on a large drawing, against
    // millions of points).
    std::vector<std::uint64_t> points_;
    std::vector<std::uint32_t> pieces_;
    // Where the last search ended: only a guess to try first, checked before it is used. (The
    // library is used from one thread at a time, so a query may update it.)
    mutable int hint_ = 0;
};

// Spatial index over the raster plane: for every row a stPiRow_c telling which objects cover
// which x-intervals. Row r holds the raster y values with (int)y / step == r.
class VEMORA_API stPiIndexing_c {
public:
    stPiIndexing_c() = default;
    // The first argument is not used; a step below 1 counts as 1.
    stPiIndexing_c(int, int step);

    // Drops all rows, creates `rows` empty ones and resets the step to 1. The second argument
    // is not used.
    void init(int rows, int);
    // Drops all rows and resets the step to 1.
    void clear();

    int step() const { return step_; }
    int countRows() const { return static_cast<int>(rows_.size()); }
    const stPiRow_c& rowAt(int r) const {
        settle();
        return rows_[static_cast<std::size_t>(r)];
    }

    // Registers [a, b] for o in row y / step. A row outside the index is ignored.
    void add(int y, double a, double b, void* o);
    // Registers the footprint of an oriented rectangle, one interval per row it crosses.
    void add(const utSkewRect_c& r, void* o);
    // Registers the footprints of several rectangles for o: the same as add(r, o) for each in
    // turn, only quicker where they overlap, as the pieces of one stroke do.
    void add(const std::vector<utSkewRect_c>& rs, void* o);
    // Undoes add(r, o) for the same rectangle.
    void remove(const utSkewRect_c& r, void* o);
    // An index asked only whether places are covered (queries with out null) need not remember
    // which objects cover them. With keepObjects(false), added footprints only extend the
    // covered set: they give no nodes, queries that collect objects do not see them, and
    // remove() does nothing. Set it after init() or clear() and before adding; both turn it
    // back on.
    void keepObjects(bool keep) { keepObjects_ = keep; }
    bool keepsObjects() const { return keepObjects_; }

    // Each query returns whether anything was found and, when out is not null, adds the
    // objects found to it. With out null they allocate nothing and stop at the first hit.
    bool findObjects(int row, double a, double b, std::set<void*>* out) const;
    bool findObjects(double x, double y, std::set<void*>* out) const;
    // findObjects(x, y, nullptr) for a whole-numbered place, without the conversions.
    bool covers(int x, int y) const;
    bool findObjects(const utRect_c& r, std::set<void*>* out) const;
    bool findObjects(const utSkewRect_c& r, std::set<void*>* out) const;

    // A quick, coarse question: false when nothing covered lies in the rows (int)y1 / step to
    // (int)y2 / step within x1 <= x <= x2; true may mean only that something covered lies near.
    bool mayCover(double x1, double y1, double x2, double y2) const;

private:
    // Calls f(row, a, b) for every row of the footprint of r until f returns true; returns
    // whether it did.
    template <class F>
    bool walkFootprint(const utSkewRect_c& r, F&& f) const;

    // A footprint added to the rows' covered sets but not yet split into their nodes.
    struct Footprint {
        utSkewRect_c r;
        void* o;
    };
    // Footprints are split into the nodes only when nodes are asked for (a row handed out, a
    // removal, a query that collects objects): the queued ones are then replayed in order, which
    // gives the very nodes splitting them at once would have given. Tracing asks only whether
    // something is covered, so its footprints are never split at all.
    void settle() const {
        if (!pending_.empty()) replay();
    }
    void replay() const;
    // Adds [a, b] to the covered set of a row.
    void coverRow(int row, double a, double b);
    // Marks the tiles that [a, b] of a row meets.
    void markTiles(int row, double a, double b);

    int step_ = 1;
    mutable std::vector<stPiRow_c> rows_;
    // Where the rows build the pieces of a split, kept so that splitting allocates once.
    mutable std::vector<stPiNode_c> splitPieces_;
    mutable std::deque<Footprint> pending_;
    std::size_t bitWords_ = 0;  // the widest bits of any row so far, in words
    bool keepObjects_ = true;
    // While several footprints go in together, the span each row has gathered so far; the spans
    // of one call carry its stamp.
    struct Gathered {
        double a = 0.0;
        double b = 0.0;
        std::uint32_t stamp = 0;
    };
    std::vector<Gathered> gathered_;
    std::vector<int> gatheredRows_;
    std::uint32_t stamp_ = 0;
    // The covered set in coarse tiles, for mayCover: bit i of tile row t is set when something
    // covered has met x in [8 i, 8 i + 8) on one of the rows 8 t to 8 t + 7 (x taken within the
    // rows' bits). Tiles stay marked when the covered set shrinks.
    std::vector<std::uint64_t> tiles_;
    std::size_t tileWords_ = 0;  // words per tile row
    struct Marked {
        std::size_t row = ~std::size_t(0);
        std::size_t first = 0;
        std::size_t last = 0;
    } marked_;  // the tiles marked last
};

}  // namespace Vemora
