#pragma once

#include <vemora/foundation/utSkewRect.h>
#include <vemora/foundation/vemoraApi.h>

#include <cstddef>
#include <memory>
#include <set>
#include <vector>

namespace Vemora {

class stPiIndexingImpl_c;
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
    friend class stPiIndexingImpl_c;

    // Indices [first, last] of the nodes that may overlap [a, b]; empty when first > last.
    void candidates(double a, double b, int& first, int& last) const;
    // insertNode for a <= b, neither NaN, building the split pieces in `pieces`, a buffer of the
    // caller's that the row leaves empty.
    void split(double a, double b, void* o, std::vector<stPiNode_c>& pieces);

    std::vector<stPiNode_c> nodes_;
};

// Spatial index over the raster plane: for every row a stPiRow_c telling which objects cover
// which x-intervals. Row r holds the raster y values with (int)y / step == r.
class VEMORA_API stPiIndexing_c {
public:
    stPiIndexing_c();
    // The first argument is not used; a step below 1 counts as 1.
    stPiIndexing_c(int, int step);
    stPiIndexing_c(const stPiIndexing_c& other);
    stPiIndexing_c& operator=(const stPiIndexing_c& other);
    ~stPiIndexing_c();

    // Drops all rows, creates `rows` empty ones and resets the step to 1. The second argument
    // is not used.
    void init(int rows, int);
    // Drops all rows and resets the step to 1.
    void clear();

    int step() const;
    int countRows() const;
    const stPiRow_c& rowAt(int r) const;

    // Registers [a, b] for o in row y / step. A row outside the index is ignored.
    void add(int y, double a, double b, void* o);
    // Registers the footprint of an oriented rectangle, one interval per row it crosses.
    void add(const utSkewRect_c& r, void* o);
    // Undoes add(r, o) for the same rectangle.
    void remove(const utSkewRect_c& r, void* o);

    // Each query returns whether anything was found and, when out is not null, adds the
    // objects found to it. With out null they allocate nothing and stop at the first hit.
    bool findObjects(int row, double a, double b, std::set<void*>* out) const;
    bool findObjects(double x, double y, std::set<void*>* out) const;
    bool findObjects(const utRect_c& r, std::set<void*>* out) const;
    bool findObjects(const utSkewRect_c& r, std::set<void*>* out) const;

private:
    std::unique_ptr<stPiIndexingImpl_c> impl_;
};

}  // namespace Vemora
