#include <vemora/foundation/utRect.h>
#include <vemora/foundation/utSkewRect.h>
#include <vemora/raster/stPiIndexing.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstddef>
#include <deque>
#include <iterator>
#include <utility>

#include "raster/stPiCoverage.h"

namespace Vemora {

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
    // x2 grows with x1 because the nodes are sorted and disjoint, so this is a binary search
    // for the first node not entirely left of x.
    const auto it = std::partition_point(nodes_.begin(), nodes_.end(),
                                         [x](const stPiNode_c& n) { return n.x2() < x; });
    if (it == nodes_.end()) return countNodes() - 1;
    return static_cast<int>(it - nodes_.begin());
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
    if (nodes_.empty()) return false;
    const stPiNode_c& node = nodes_[static_cast<std::size_t>(findPosition(x))];
    if (!node.contains(x)) return false;
    if (out != nullptr) out->insert(node.begin(), node.end());
    return true;
}

bool stPiRow_c::findObjects(double a, double b, std::set<void*>* out) const {
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
    assert(o != nullptr);
    if (std::isnan(a) || std::isnan(b)) return;  // would break the sort order of the row
    if (b < a) std::swap(a, b);
    std::vector<stPiNode_c> pieces;
    split(a, b, o, pieces);
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
    nodes_.erase(kept, nodes_.end());
}

// ---------------------------------------------------------------------------------------------
// stPiIndexing_c

// The rows of nodes with their covered set beside them. Questions that only ask whether anything
// covers a place are answered from the covered set, which always equals the union of the nodes
// once the footprints waiting are split in.
class stPiIndexingImpl_c {
public:
    void reset(int rows, int step) {
        pending_ = {};
        covered_.reset(rows, step);
        rows_.clear();
        rows_.resize(static_cast<std::size_t>(covered_.countRows()));
        splitPieces_ = {};
    }

    int step() const { return covered_.step(); }
    int countRows() const { return covered_.countRows(); }
    stPiRow_c& row(int r) { return rows_[static_cast<std::size_t>(r)]; }
    const stPiCoveredRow_c& coveredRow(int r) const { return covered_.row(r); }

    void add(int row, double a, double b, void* o) {
        if (std::isnan(a) || std::isnan(b)) return;  // would break the sort order of the row
        if (b < a) std::swap(a, b);
        settle();
        this->row(row).split(a, b, o, splitPieces_);
        covered_.cover(row, a, b);
    }
    void add(const utSkewRect_c& r, void* o) {
        if (covered_.add(&r, 1)) pending_.push_back(Footprint{r, o});
    }
    void remove(const utSkewRect_c& r, void* o) {
        settle();
        walk(r, [this, o](int row, double a, double b) {
            stPiRow_c& nodes = this->row(row);
            const int before = nodes.countNodes();
            nodes.deleteNode(a, b, o);
            if (nodes.countNodes() != before) covered_.coverNodes(row, nodes);
            return false;
        });
    }

    // Footprints are split into the nodes only when nodes are asked for (a row handed out, a
    // removal, a query that collects objects): the queued ones are then replayed in order, which
    // gives the very nodes splitting them at once would have given.
    void settle() {
        if (pending_.empty()) return;
        for (const Footprint& f : pending_) {
            walk(f.r, [this, &f](int row, double a, double b) {
                if (std::isnan(a) || std::isnan(b)) return false;
                if (b < a) std::swap(a, b);
                this->row(row).split(a, b, f.o, splitPieces_);
                return false;
            });
        }
        pending_ = {};
    }

    template <class F>
    bool walk(const utSkewRect_c& r, F&& f) const {
        return walkPiFootprint(r, step(), countRows(), f);
    }

private:
    // A footprint added to the covered set but not yet split into the nodes.
    struct Footprint {
        utSkewRect_c r;
        void* o;
    };

    std::vector<stPiRow_c> rows_;
    stPiCoverage_c covered_;
    std::deque<Footprint> pending_;
    // Where the rows build the pieces of a split, kept so that splitting allocates once.
    std::vector<stPiNode_c> splitPieces_;
};

namespace {
// Whether a row answers [a, b] from its covered set: a node overlaps [a, b] exactly when the two
// intersect, so it does for a <= b; a reversed or NaN span goes through the nodes' own test.
bool coveredAnswers(double a, double b, const std::set<void*>* out) {
    return out == nullptr && a <= b;
}
}  // namespace

stPiIndexing_c::stPiIndexing_c() : impl_(std::make_unique<stPiIndexingImpl_c>()) {}

stPiIndexing_c::stPiIndexing_c(int, int step) : stPiIndexing_c() { impl_->reset(0, step); }

stPiIndexing_c::stPiIndexing_c(const stPiIndexing_c& other)
    : impl_(std::make_unique<stPiIndexingImpl_c>(*other.impl_)) {}

stPiIndexing_c& stPiIndexing_c::operator=(const stPiIndexing_c& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}

stPiIndexing_c::~stPiIndexing_c() = default;

void stPiIndexing_c::init(int rows, int) { impl_->reset(rows, 1); }

void stPiIndexing_c::clear() { impl_->reset(0, 1); }

int stPiIndexing_c::step() const { return impl_->step(); }

int stPiIndexing_c::countRows() const { return impl_->countRows(); }

const stPiRow_c& stPiIndexing_c::rowAt(int r) const {
    impl_->settle();
    return impl_->row(r);
}

void stPiIndexing_c::add(int y, double a, double b, void* o) {
    assert(o != nullptr);
    const int row = y / step();
    if (row < 0 || row >= countRows()) return;
    impl_->add(row, a, b, o);
}

void stPiIndexing_c::add(const utSkewRect_c& r, void* o) {
    assert(o != nullptr);
    impl_->add(r, o);
}

void stPiIndexing_c::remove(const utSkewRect_c& r, void* o) { impl_->remove(r, o); }

bool stPiIndexing_c::findObjects(int row, double a, double b, std::set<void*>* out) const {
    if (row < 0 || row >= countRows()) return false;
    if (coveredAnswers(a, b, out)) return impl_->coveredRow(row).coversSome(a, b);
    impl_->settle();
    return impl_->row(row).findObjects(a, b, out);
}

bool stPiIndexing_c::findObjects(double x, double y, std::set<void*>* out) const {
    const int row = piRowOf(y, step());
    if (row < 0 || row >= countRows()) return false;
    if (out == nullptr) return impl_->coveredRow(row).covers(x);
    impl_->settle();
    return impl_->row(row).findObjects(x, out);
}

bool stPiIndexing_c::findObjects(const utRect_c& r, std::set<void*>* out) const {
    const int first = std::max(piRowOf(r.y1(), step()), 0);
    const int last = std::min(piRowOf(r.y2(), step()), countRows() - 1);
    bool found = false;
    for (int row = first; row <= last; ++row) {
        if (findObjects(row, r.x1(), r.x2(), out)) {
            if (out == nullptr) return true;
            found = true;
        }
    }
    return found;
}

bool stPiIndexing_c::findObjects(const utSkewRect_c& r, std::set<void*>* out) const {
    bool found = false;
    impl_->walk(r, [this, out, &found](int row, double a, double b) {
        if (!findObjects(row, a, b, out)) return false;
        found = true;
        return out == nullptr;
    });
    return found;
}

}  // namespace Vemora
