#include <gtest/gtest.h>
#include <malloc.h>
#include <vemora.h>

#include "raster/stPiCoverage.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace Vemora;

// Heap bytes taken and not yet given back, for the test that an index keeps no memory beyond its
// own life.
namespace {
long liveBytes = 0;
}  // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n != 0 ? n : 1);
    if (!p) throw std::bad_alloc();
    liveBytes += long(malloc_usable_size(p));
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    liveBytes -= long(malloc_usable_size(p));
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

// Opaque objects: only their addresses matter.
char objA, objB, objC;
void* const A = &objA;
void* const B = &objB;
void* const C = &objC;

std::string nameOf(void* o) {
    if (o == A) return "A";
    if (o == B) return "B";
    if (o == C) return "C";
    return "?";
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// "[x1,x2]objects" per node, objects in their stored order.
std::string describe(const stPiRow_c& row) {
    std::string s;
    for (int i = 0; i < row.countNodes(); ++i) {
        const stPiNode_c& n = row.nodeAt(i);
        if (!s.empty()) s += ' ';
        s += '[' + num(n.x1()) + ',' + num(n.x2()) + ']';
        for (int k = 0; k < n.countObjects(); ++k) s += nameOf(n.objectAt(k));
    }
    return s;
}

std::string names(const std::set<void*>& objects) {
    std::string s;
    for (void* o : {A, B, C}) {
        if (objects.count(o)) s += nameOf(o);
    }
    return s;
}

// A row with A on [0,2], [4,6] and [8,10].
stPiRow_c combRow() {
    stPiRow_c row;
    row.insertNode(0, 2, A);
    row.insertNode(4, 6, A);
    row.insertNode(8, 10, A);
    return row;
}

}  // namespace

TEST(stPiNodeTest, ObjectsAreUniqueAndKeepTheirOrder) {
    stPiNode_c node(0, 1, A);
    node.appendObject(B);
    node.appendObject(A);
    node.appendObject(C);
    EXPECT_EQ(node.countObjects(), 3);
    node.removeObject(B);
    node.removeObject(B);
    ASSERT_EQ(node.countObjects(), 2);
    EXPECT_EQ(node.objectAt(0), A);
    EXPECT_EQ(node.objectAt(1), C);
}

// A node keeps one object in itself and longer lists in memory of its own: copies must not share
// that memory, moves must hand it over, and a removal down to one object must still read right.
TEST(stPiNodeTest, CopiesAndMovesKeepTheirOwnLists) {
    stPiNode_c many(0, 1, std::vector<void*>{A, B, C});
    stPiNode_c copy(many);
    copy.removeObject(A);
    EXPECT_EQ(many.objects(), (std::vector<void*>{A, B, C}));
    EXPECT_EQ(copy.objects(), (std::vector<void*>{B, C}));

    stPiNode_c moved(std::move(copy));
    EXPECT_EQ(moved.objects(), (std::vector<void*>{B, C}));
    EXPECT_EQ(copy.countObjects(), 0);  // NOLINT: a moved-from node is empty

    stPiNode_c single(2, 3, A);
    single = many;
    EXPECT_EQ(single.objects(), (std::vector<void*>{A, B, C}));
    many = stPiNode_c(4, 5, C);
    EXPECT_EQ(many.objects(), std::vector<void*>{C});
    EXPECT_EQ(many.x1(), 4.0);
    single.removeObject(B);
    single.removeObject(C);
    EXPECT_EQ(single.objects(), std::vector<void*>{A});
    single.appendObject(B);
    EXPECT_EQ(single.objects(), (std::vector<void*>{A, B}));
    const stPiNode_c& same = single;
    single = same;  // self-assignment leaves the node whole
    EXPECT_EQ(single.objects(), (std::vector<void*>{A, B}));
}

TEST(stPiRowTest, OverlappingInsertSplitsAtTheSharedPart) {
    stPiRow_c row;
    row.insertNode(0, 10, A);
    row.insertNode(5, 15, B);
    EXPECT_EQ(describe(row), "[0,5]A [5,10]AB [10,15]B");

    row.deleteNode(5, 15, B);
    EXPECT_EQ(describe(row), "[0,5]A [5,10]A");  // the empty piece goes, the rest is not merged
}

TEST(stPiRowTest, InsertionSplitsAgainstExistingNodes) {
    struct Case {
        const char* name;
        double a, b;
        void* o;
        const char* expected;
    };
    const Case cases[] = {
        {"gap exactly filled", 2, 4, B, "[0,2]A [2,4]B [4,6]A [8,10]A"},
        {"inside a gap", 2.5, 3.5, B, "[0,2]A [2.5,3.5]B [4,6]A [8,10]A"},
        {"spanning several nodes", 1, 9, B, "[0,1]A [1,2]AB [2,4]B [4,6]AB [6,8]B [8,9]AB [9,10]A"},
        {"nested in a node", 4.5, 5.5, B, "[0,2]A [4,4.5]A [4.5,5.5]AB [5.5,6]A [8,10]A"},
        {"matching a node", 4, 6, B, "[0,2]A [4,6]AB [8,10]A"},
        {"left of everything", -3, -1, B, "[-3,-1]B [0,2]A [4,6]A [8,10]A"},
        {"right of everything", 11, 12, B, "[0,2]A [4,6]A [8,10]A [11,12]B"},
        {"covering everything", -1, 11, B,
         "[-1,0]B [0,2]AB [2,4]B [4,6]AB [6,8]B [8,10]AB [10,11]B"},
        {"same object again", 1, 5, A, "[0,1]A [1,2]A [2,4]A [4,5]A [5,6]A [8,10]A"},
        {"ends given reversed", 9, 7, B, "[0,2]A [4,6]A [7,8]B [8,9]AB [9,10]A"},
        {"point in a gap", 3, 3, B, "[0,2]A [3,3]B [4,6]A [8,10]A"},
        {"point at a node start", 4, 4, B, "[0,2]A [4,4]B [4,6]A [8,10]A"},
        {"point inside a node", 5, 5, B, "[0,2]A [4,5]A [5,5]AB [5,6]A [8,10]A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stPiRow_c row = combRow();
        row.insertNode(c.a, c.b, c.o);
        EXPECT_EQ(describe(row), c.expected);
    }
}

TEST(stPiRowTest, PointQueries) {
    stPiRow_c row;
    row.insertNode(0, 10, A);
    row.insertNode(5, 15, B);

    std::set<void*> out;
    ASSERT_TRUE(row.findObjects(5, &out));  // shared end: either neighbour will do
    EXPECT_TRUE(names(out) == "A" || names(out) == "AB") << names(out);
    EXPECT_TRUE(row.findNode(5).contains(5));

    out.clear();
    ASSERT_TRUE(row.findObjects(12, &out));
    EXPECT_EQ(names(out), "B");
    EXPECT_TRUE(row.findObjects(0, nullptr));
    EXPECT_TRUE(row.findObjects(15, nullptr));
    EXPECT_FALSE(row.findObjects(-0.01, nullptr));
    EXPECT_FALSE(row.findObjects(15.01, nullptr));

    stPiRow_c comb = combRow();
    EXPECT_FALSE(comb.findObjects(3, nullptr));
    EXPECT_EQ(comb.findPosition(5), 1);

    stPiRow_c empty;
    EXPECT_EQ(empty.findPosition(3), -1);
    EXPECT_FALSE(empty.findObjects(3, nullptr));
    EXPECT_FALSE(empty.findObjects(0, 10, nullptr));
    empty.deleteNode(0, 10, A);  // harmless
}

TEST(stPiRowTest, RangeQueriesReportEveryOverlappingNode) {
    stPiRow_c row;
    row.insertNode(0, 5, A);
    row.insertNode(5, 10, B);
    row.insertNode(20, 30, C);
    struct Case {
        const char* name;
        double a, b;
        const char* found;
    };
    const Case cases[] = {
        {"touching the first node's start", -2, 0, "A"},
        {"ending on a shared end", -2, 5, "AB"},
        {"starting on a shared end", 5, 6, "AB"},
        {"covering a node", 15, 35, "C"},
        {"inside a node", 22, 23, "C"},
        {"in the gap", 11, 19, ""},
        {"right of everything", 31, 40, ""},
        {"everything", -100, 100, "ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::set<void*> out;
        const bool expectFound = c.found[0] != '\0';
        EXPECT_EQ(row.findObjects(c.a, c.b, &out), expectFound);
        EXPECT_EQ(names(out), c.found);
        EXPECT_EQ(row.findObjects(c.a, c.b, nullptr), expectFound);
    }
}

// Whatever order the questions come in, and however the row changed in between, every position
// found must be the one a plain walk over the nodes gives.
TEST(stPiRowTest, SearchesAgreeWithAFreshSearchInAnyOrder) {
    stPiRow_c row;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> where(0.0, 400.0), length(0.0, 6.0);
    auto reference = [&row](double x) {
        for (int i = 0; i < row.countNodes(); ++i)
            if (!(row.nodeAt(i).x2() < x)) return i;
        return row.countNodes() - 1;
    };
    for (int k = 0; k < 300; ++k) {
        const double a = where(rng);
        row.insertNode(a, a + length(rng), k % 2 ? A : B);
        for (int q = 0; q < 4; ++q) {
            const double x = q == 3 ? a : where(rng);  // the place just changed, and anywhere else
            ASSERT_EQ(row.findPosition(x), reference(x))
                << "x = " << x << " after " << k << " insertions";
            ASSERT_EQ(row.findPosition(x + 0.25), reference(x + 0.25));
        }
    }
    EXPECT_EQ(row.findPosition(std::nan("")), 0);
}

TEST(stPiRowTest, DeletionKeepsTheObjectInNeighboursThatOnlyTouch) {
    stPiRow_c row;
    row.insertNode(0, 5, A);
    row.insertNode(5, 10, A);
    row.insertNode(10, 15, A);
    row.deleteNode(5, 10, A);
    EXPECT_EQ(describe(row), "[0,5]A [10,15]A");
}

TEST(stPiRowTest, DeletionAfterManyInsertionsRestoresTheRest) {
    stPiRow_c row = combRow();
    row.insertNode(1, 9, B);
    row.insertNode(3, 5, C);
    row.deleteNode(1, 9, B);
    EXPECT_EQ(describe(row), "[0,1]A [1,2]A [3,4]C [4,5]AC [5,6]A [8,9]A [9,10]A");
    row.deleteNode(3, 5, C);
    EXPECT_EQ(describe(row), "[0,1]A [1,2]A [4,5]A [5,6]A [8,9]A [9,10]A");
}

// ---------------------------------------------------------------------------------------------

// Regression: a split built its pieces in a buffer the thread kept, which held memory after
// every index was gone.
TEST(stPiIndexingTest, AnIndexGivesBackAllItsMemory) {
    const long before = liveBytes;
    {
        stPiIndexing_c index;
        index.init(1, 0);
        // More pieces in one split than any other test makes, so a kept buffer would grow here.
        for (int i = 0; i < 40000; ++i) index.add(0, 2.0 * i, 2.0 * i + 1, A);
        index.add(0, -1, 80000, B);
        EXPECT_EQ(index.rowAt(0).countNodes(), 80001);
    }
    EXPECT_EQ(liveBytes, before);
}

TEST(stPiIndexingTest, InitAndClearResetTheStep) {
    stPiIndexing_c index(0, 2);
    EXPECT_EQ(index.step(), 2);
    EXPECT_EQ(index.countRows(), 0);
    index.init(5, 0);
    EXPECT_EQ(index.step(), 1);
    EXPECT_EQ(index.countRows(), 5);
    index.add(3, 0, 1, A);
    index.init(4, 0);
    EXPECT_EQ(index.rowAt(3).countNodes(), 0);
    index.clear();
    EXPECT_EQ(index.countRows(), 0);

    const stPiIndexing_c zeroStep(0, 0);  // would divide by zero on every lookup
    EXPECT_EQ(zeroStep.step(), 1);
}

TEST(stPiIndexingTest, RowsOutsideTheIndexAreIgnored) {
    stPiIndexing_c index;
    index.init(3, 0);
    index.add(-1, 0, 1, A);
    index.add(3, 0, 1, A);
    index.add(1, NAN, 1, A);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(index.rowAt(r).countNodes(), 0);
    index.add(1, 0, 10, A);
    EXPECT_FALSE(index.findObjects(3, 0, 10, nullptr));
    EXPECT_FALSE(index.findObjects(-1, 0, 10, nullptr));
    EXPECT_TRUE(index.findObjects(1, 0, 10, nullptr));
    EXPECT_FALSE(index.findObjects(5.0, 1e300, nullptr));
    EXPECT_FALSE(index.findObjects(5.0, -1e300, nullptr));
    EXPECT_FALSE(index.findObjects(5.0, NAN, nullptr));
}

TEST(stPiIndexingTest, PointQueryUsesTheRowOfTruncatedY) {
    stPiIndexing_c index;
    index.init(4, 0);
    index.add(0, 0, 10, A);
    index.add(2, 0, 10, B);
    std::set<void*> out;
    EXPECT_TRUE(index.findObjects(5.0, 2.99, &out));
    EXPECT_EQ(names(out), "B");
    EXPECT_FALSE(index.findObjects(5.0, 1.5, nullptr));
    // Truncation toward zero: y just above -1 still lands in row 0.
    EXPECT_TRUE(index.findObjects(5.0, -0.5, nullptr));
    EXPECT_FALSE(index.findObjects(5.0, -1.0, nullptr));
}

TEST(stPiIndexingTest, SkewRectangleFootprintIsCutAtEveryRow) {
    // Corners (9,2), (1,8), (4,12), (12,6): the 3-4-5 rectangle of width 10 moved to (5,5).
    stPiIndexing_c index;
    index.init(20, 0);
    const utSkewRect_c rect(5, 5, 8, 9, 10);
    index.add(rect, A);

    struct Case {
        int row;
        double x1, x2;
    };
    const Case cases[] = {
        {2, 9, 9},              // top corner
        {3, 23.0 / 3.0, 9.75},  // between the top corner and the right one
        {6, 11.0 / 3.0, 12},    // at the right corner
        {7, 7.0 / 3.0, 32.0 / 3.0},
        {8, 1, 28.0 / 3.0},  // at the left corner
        {10, 2.5, 20.0 / 3.0},
        {12, 4, 4},  // bottom corner
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const stPiRow_c& row = index.rowAt(c.row);
        ASSERT_EQ(row.countNodes(), 1);
        EXPECT_NEAR(row.nodeAt(0).x1(), c.x1, 1e-9);
        EXPECT_NEAR(row.nodeAt(0).x2(), c.x2, 1e-9);
    }
    for (int r : {0, 1, 13, 19}) EXPECT_EQ(index.rowAt(r).countNodes(), 0) << r;
    for (int r = 2; r <= 12; ++r) EXPECT_EQ(index.rowAt(r).countNodes(), 1) << r;

    std::set<void*> out;
    EXPECT_TRUE(index.findObjects(utSkewRect_c(0, 8.5, 1.5, 8.5, 0.5), &out));
    EXPECT_EQ(names(out), "A");
    EXPECT_FALSE(index.findObjects(utSkewRect_c(13, 2, 13, 12, 1), nullptr));
}

// Footprints are split into nodes only when nodes are asked for. Yes-or-no questions asked
// before that must get the answers the nodes give afterwards, and the nodes must be those of an
// index that was looked at (and so split) after every single change.
TEST(stPiIndexingTest, DeferredSplittingChangesNoAnswerAndNoNode) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(0, 40), width(0, 6), pick(0, 2), coin(0, 4);
    void* const objects[] = {A, B, C};
    for (int trial = 0; trial < 12; ++trial) {
        stPiIndexing_c lazy, eager;
        lazy.init(24, 0);
        eager.init(24, 0);
        std::vector<std::pair<utSkewRect_c, void*>> added;
        for (int k = 0; k < 40; ++k) {
            if (coin(rng) == 0 && !added.empty()) {
                const auto& [r, o] = added[size_t(coord(rng)) % added.size()];
                lazy.remove(r, o);
                eager.remove(r, o);
            } else {
                utSkewRect_c r(coord(rng) / 2.0, coord(rng) / 2.0, coord(rng) / 2.0,
                               coord(rng) / 2.0, width(rng) / 2.0);
                if (r.start() == r.end()) continue;
                void* const o = objects[pick(rng)];
                lazy.add(r, o);
                eager.add(r, o);
                eager.rowAt(0);  // splits at once
                added.emplace_back(r, o);
            }
            // Asked of the lazy index before anything splits it.
            std::vector<char> quick;
            for (int q = 0; q < 30; ++q) {
                const double x = q * 0.75, y = q * 0.7;
                quick.push_back(lazy.findObjects(x, y, nullptr));
                quick.push_back(
                    lazy.findObjects(utSkewRect_c(x, y, x + 2.5, y + 1.5, 1.0), nullptr));
                quick.push_back(lazy.findObjects(utRect_c(x + 0.75, y + 0.25, 0.75), nullptr));
                quick.push_back(lazy.findObjects(q % 24, x, x + 1.0, nullptr));
            }
            for (int q = 0, i = 0; q < 30; ++q, i += 4) {
                const double x = q * 0.75, y = q * 0.7;
                std::set<void*> out, lazyOut;
                ASSERT_EQ(bool(quick[i]), eager.findObjects(x, y, &out))
                    << "trial " << trial << " step " << k;
                ASSERT_EQ(bool(quick[i]), lazy.findObjects(x, y, &lazyOut));
                ASSERT_EQ(lazyOut, out);
                ASSERT_EQ(bool(quick[i + 1]),
                          eager.findObjects(utSkewRect_c(x, y, x + 2.5, y + 1.5, 1.0), &out));
                ASSERT_EQ(bool(quick[i + 2]),
                          eager.findObjects(utRect_c(x + 0.75, y + 0.25, 0.75), &out));
                ASSERT_EQ(bool(quick[i + 3]), eager.findObjects(q % 24, x, x + 1.0, &out));
            }
            if (k % 7 == 6) {
                for (int r = 0; r < 24; ++r)
                    ASSERT_EQ(describe(lazy.rowAt(r)), describe(eager.rowAt(r)))
                        << "row " << r << " step " << k;
            }
        }
    }
}

// Yes-or-no questions are answered from the index's covered set without splitting the nodes;
// the answers must be those the nodes give, after insertions and after removals that drop nodes.
// Ends on a coarse grid so that shared, touching and zero-length intervals come up often.
TEST(stPiIndexingTest, YesOrNoAnswersAgreeWithTheNodes) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> grid(0, 60), length(0, 8), pick(0, 2), coin(0, 3);
    void* const objects[] = {A, B, C};
    for (int trial = 0; trial < 20; ++trial) {
        // The later trials only insert, long enough for the spans waiting to be merged in. The
        // places lie around 0, left of it, or across the end of the quick-answer range (2^20).
        const bool deletes = trial < 10;
        const double base = trial % 3 == 0 ? 0.0 : trial % 3 == 1 ? -10.25 : double(1 << 20) - 20.0;
        stPiIndexing_c index;
        index.init(1, 0);
        for (int k = 0; k < (deletes ? 60 : 300); ++k) {
            const double a = base + grid(rng) / 2.0;
            const double b = a + length(rng) / 2.0;
            void* const o = objects[pick(rng)];
            if (deletes && coin(rng) == 0 && a < b) {
                // A rectangle within row 0 takes out [a, b], as an interval of the row would.
                index.remove(utSkewRect_c(a, 0.5, b, 0.5, 0.25), o);
            } else {
                index.add(0, k % 5 ? a : b, k % 5 ? b : a, o);  // some given reversed
            }
            std::vector<char> quick;
            for (int q = -2; q <= 72; ++q) {
                const double x = base + q / 2.0;
                quick.push_back(index.findObjects(x, 0.0, nullptr));
                quick.push_back(index.findObjects(0, x, x + (q % 4) / 2.0, nullptr));
            }
            const stPiRow_c& row = index.rowAt(0);
            for (int q = -2, i = 0; q <= 72; ++q, i += 2) {
                const double x = base + q / 2.0;
                const double width = (q % 4) / 2.0;
                bool point = false, span = false;
                for (int n = 0; n < row.countNodes(); ++n) {
                    const stPiNode_c& node = row.nodeAt(n);
                    point = point || node.contains(x);
                    span = span || (node.x1() <= x + width && x <= node.x2());
                }
                std::set<void*> found;
                ASSERT_EQ(bool(quick[i]), point)
                    << "trial " << trial << " step " << k << " x " << x;
                ASSERT_EQ(index.findObjects(x, 0.0, &found), point);
                ASSERT_EQ(bool(quick[i + 1]), span)
                    << "trial " << trial << " step " << k << " x " << x;
                ASSERT_EQ(index.findObjects(0, x, x + width, &found), span);
            }
        }
    }
}

// Whole and fractional places, places left of 0 and past the covered set's quick-answer range
// (2^20) all get the answers of the spans themselves.
TEST(stPiIndexingTest, AnswersHoldOutsideTheQuickRange) {
    stPiIndexing_c index;
    index.init(1, 0);
    index.add(0, -7.5, -2.0, A);
    index.add(0, -0.9, -0.6, C);
    index.add(0, 3.25, 3.75, B);  // holds no whole number
    index.add(0, 1048570.5, 1048590.0, C);
    index.add(0, 2e6, 2e6, A);
    struct Case {
        double x, w;
        bool point, span;
    } cases[] = {
        {-5, 0, true, true},          {-2, 0, true, true},       {-1.9, 0.5, false, false},
        {-0.5, 1.0, false, false},    {-0.95, 1.0, false, true}, {-1.0, 4.25, false, true},
        {3, 0.2, false, false},       {3, 0.25, false, true},    {3.5, 0, true, true},
        {3.75, 0, true, true},        {4, 10, false, false},     {1048570, 0.25, false, false},
        {1048575, 0, true, true},     {1048580, 0, true, true},  {1048590, 5, true, true},
        {1048591, 5, false, false},   {2e6, 0, true, true},      {2e6 - 1, 0.5, false, false},
        {1999999.5, 0.5, false, true}};
    for (const Case& c : cases) {
        EXPECT_EQ(index.findObjects(c.x, 0.0, nullptr), c.point) << c.x;
        EXPECT_EQ(index.findObjects(0, c.x, c.x + c.w, nullptr), c.span) << c.x << " + " << c.w;
    }
    // A span reaching from beyond the range into the space after its last whole place.
    stPiIndexing_c edge;
    edge.init(1, 0);
    edge.add(0, 1048575.5, 1048580.0, B);
    EXPECT_TRUE(edge.findObjects(0, 1048575.2, 1048575.6, nullptr));
    EXPECT_FALSE(edge.findObjects(0, 1048575.2, 1048575.4, nullptr));
    EXPECT_FALSE(edge.findObjects(1048575.0, 0.0, nullptr));
}

// Spans narrower than a pixel that hold no whole number are kept apart from the whole places.
// Many of them in one row, in any order and some twice, beside and between wider spans: every
// question on an eighth-pixel grid gets the answer the spans themselves give.
TEST(stPiIndexingTest, SpansHoldingNoWholeNumberAnswerExactly) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> unit(0, 39), eighth(1, 7), wide(0, 5);
    for (int trial = 0; trial < 10; ++trial) {
        stPiIndexing_c index;
        index.init(1, 0);
        std::vector<std::pair<double, double>> spans;
        for (int k = 0; k < 40; ++k) {
            // Both ends within one unit space, strictly between its whole numbers.
            const double a = unit(rng) + eighth(rng) / 8.0;
            const double b = std::floor(a) + eighth(rng) / 8.0;
            const double lo = std::min(a, b), hi = std::max(a, b);
            const double last = k % 7 == 0 ? lo + wide(rng) : hi;  // now and then a wider one
            for (int twice = 0; twice < (k % 5 == 0 ? 2 : 1); ++twice) index.add(0, lo, last, A);
            spans.emplace_back(lo, last);
        }
        for (int q = -8; q <= 41 * 8; ++q) {
            const double x = q / 8.0;
            for (double w : {0.0, 0.125, 0.5, 1.0}) {
                bool expected = false;
                for (const auto& [lo, hi] : spans) expected = expected || (lo <= x + w && x <= hi);
                ASSERT_EQ(index.findObjects(0, x, x + w, nullptr), expected)
                    << "trial " << trial << " x " << x << " w " << w;
            }
        }
    }
}

TEST(stPiIndexingTest, RowsTheCutMissesAreSkipped) {
    // y from 2.5 to 4.5: rows 2..4, but the line y = 2 misses the rectangle.
    stPiIndexing_c index;
    index.init(10, 0);
    index.add(utSkewRect_c(1, 3.5, 6, 3.5, 2), A);
    EXPECT_EQ(index.rowAt(2).countNodes(), 0);
    EXPECT_EQ(describe(index.rowAt(3)), "[1,6]A");
    EXPECT_EQ(describe(index.rowAt(4)), "[1,6]A");
}

TEST(stPiIndexingTest, RectangleWithinOneRowTakesItsWholeCornerRange) {
    stPiIndexing_c index;
    index.init(10, 0);
    index.add(utSkewRect_c(2, 3.5, 8, 3.5, 0.6), A);  // y 3.2 .. 3.8, no row line inside
    EXPECT_EQ(describe(index.rowAt(3)), "[2,8]A");

    index.add(utSkewRect_c(2, 5.3, 8, 5.7, 0.2), B);  // slightly skewed, still row 5 only
    ASSERT_EQ(index.rowAt(5).countNodes(), 1);
    EXPECT_LT(index.rowAt(5).nodeAt(0).x1(), 2.0);
    EXPECT_GT(index.rowAt(5).nodeAt(0).x2(), 8.0);
    EXPECT_NEAR(index.rowAt(5).nodeAt(0).x1(), 2.0, 0.01);
    EXPECT_NEAR(index.rowAt(5).nodeAt(0).x2(), 8.0, 0.01);
}

TEST(stPiIndexingTest, FootprintIsClampedToTheIndex) {
    stPiIndexing_c index;
    index.init(5, 0);
    index.add(utSkewRect_c(5, -3, 5, 12, 2), A);  // crosses every row and beyond
    for (int r = 0; r < 5; ++r) EXPECT_EQ(describe(index.rowAt(r)), "[4,6]A") << r;

    index.add(utSkewRect_c(0, 20, 10, 30, 2), B);      // wholly below
    index.add(utSkewRect_c(0, -30, 10, -20, 2), B);    // wholly above
    index.add(utSkewRect_c(0, 0, INFINITY, 3, 2), B);  // corners not finite
    for (int r = 0; r < 5; ++r) EXPECT_EQ(describe(index.rowAt(r)), "[4,6]A") << r;

    index.remove(utSkewRect_c(5, -3, 5, 12, 2), A);
    for (int r = 0; r < 5; ++r) EXPECT_EQ(index.rowAt(r).countNodes(), 0) << r;

    stPiIndexing_c empty;
    empty.add(utSkewRect_c(0, 0, 10, 10, 2), A);
    EXPECT_FALSE(empty.findObjects(utSkewRect_c(0, 0, 10, 10, 2), nullptr));
}

TEST(stPiIndexingTest, RemoveUndoesAddAndLeavesOtherObjects) {
    const utSkewRect_c rects[] = {
        utSkewRect_c(5, 5, 8, 9, 10),
        utSkewRect_c(0, 0, 7, 7, 2.0 * std::sqrt(2.0)),
        utSkewRect_c(3, 11.7, 0.1, 2.3, 1.7),
        utSkewRect_c(2, 3.5, 8, 3.5, 0.6),
    };
    for (const utSkewRect_c& rect : rects) {
        SCOPED_TRACE(rect.y2());
        stPiIndexing_c index;
        index.init(20, 0);
        index.add(rect, B);
        index.add(rect, A);
        index.remove(rect, A);
        int nodes = 0;
        for (int r = 0; r < 20; ++r) {
            const stPiRow_c& row = index.rowAt(r);
            for (int i = 0; i < row.countNodes(); ++i, ++nodes) {
                ASSERT_EQ(row.nodeAt(i).countObjects(), 1);
                EXPECT_EQ(row.nodeAt(i).objectAt(0), B);
            }
        }
        EXPECT_GT(nodes, 0);
        index.remove(rect, B);
        for (int r = 0; r < 20; ++r) EXPECT_EQ(index.rowAt(r).countNodes(), 0) << r;
    }
}

TEST(stPiIndexingTest, AxisAlignedRectangleQuery) {
    stPiIndexing_c index;
    index.init(10, 0);
    index.add(2, 0, 4, A);
    index.add(5, 6, 8, B);
    index.add(9, 0, 10, C);

    struct Case {
        const char* name;
        double x1, y1, x2, y2;
        const char* found;
    };
    const Case cases[] = {
        {"within one row", 1, 2.2, 3, 2.8, "A"},
        {"touching a node end", 4, 2, 5, 2, "A"},
        {"several rows", 3, 1, 7, 6, "AB"},
        {"row range misses", 0, 3, 10, 4.9, ""},
        {"beyond the borders", -5, -20, 50, 50, "ABC"},
        {"x range misses", 4.5, 0, 5.5, 6, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        utRect_c r;
        r.set(c.x1, c.y1, c.x2, c.y2);
        std::set<void*> out;
        const bool expectFound = c.found[0] != '\0';
        EXPECT_EQ(index.findObjects(r, &out), expectFound);
        EXPECT_EQ(names(out), c.found);
        EXPECT_EQ(index.findObjects(r, nullptr), expectFound);
    }
    EXPECT_FALSE(index.findObjects(utRect_c(), nullptr));  // uninitialized box
}

// ---------------------------------------------------------------------------------------------
// The covered set alone, as a tracer keeps it

// Chains of pieces that overlap, touch, double back and leave gaps within a row go into a covered
// set at once and into an index piece by piece: the covered set must answer as the index's nodes.
TEST(stPiCoverageTest, AChainAddedAtOnceAnswersAsTheNodesOfItsPieces) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(0, 60), stride(-9, 9), width(1, 8), length(1, 12);
    void* const objects[] = {A, B, C};
    for (int trial = 0; trial < 10; ++trial) {
        stPiCoverage_c together;
        together.reset(34, 1);
        stPiIndexing_c apart;
        apart.init(34, 0);
        for (int chain = 0; chain < 8; ++chain) {
            std::vector<utSkewRect_c> pieces;
            double x = coord(rng) / 2.0, y = coord(rng) / 2.0;
            for (int k = length(rng); k > 0; --k) {
                const double nx = x + stride(rng) / 2.0, ny = y + stride(rng) / 4.0;
                if (nx != x || ny != y) pieces.emplace_back(x, y, nx, ny, width(rng) / 2.0);
                x = nx;
                y = ny;
            }
            together.add(pieces);
            for (const utSkewRect_c& r : pieces) apart.add(r, objects[chain % 3]);
        }
        together.cover(3, 10.0, 12.0);
        apart.add(3, 10.0, 12.0, C);
        for (int row = 0; row < 34; ++row) {
            const stPiRow_c& nodes = apart.rowAt(row);
            for (int q = -4; q < 140; ++q) {
                const double at = q / 4.0;
                ASSERT_EQ(together.row(row).covers(at), nodes.findObjects(at, nullptr))
                    << "trial " << trial << " row " << row << " x " << at;
                ASSERT_EQ(together.row(row).coversSome(at, at + 0.2),
                          nodes.findObjects(at, at + 0.2, nullptr))
                    << "trial " << trial << " row " << row << " span from " << at;
                if (q % 4 == 0) {
                    ASSERT_EQ(together.covers(q / 4, row), nodes.findObjects(at, nullptr))
                        << "trial " << trial << " row " << row << " x " << at;
                }
            }
        }
        const utSkewRect_c probe(2.0, 2.0, 20.0, 25.0, 3.0);
        EXPECT_EQ(together.meets(probe), apart.findObjects(probe, nullptr));
    }
}

TEST(stPiCoverageTest, WholePlacesOutsideTheRowsAndTheBits) {
    stPiCoverage_c covered;
    covered.reset(3, 1);
    covered.cover(1, 0.0, 10.0);
    covered.cover(2, -8.0, -3.0);
    covered.cover(2, 2e6, 2e6 + 5);
    EXPECT_TRUE(covered.covers(5, 1));
    EXPECT_FALSE(covered.covers(5, 3));
    EXPECT_FALSE(covered.covers(5, -1));
    EXPECT_TRUE(covered.covers(-4, 2));
    EXPECT_FALSE(covered.covers(-2, 2));
    EXPECT_TRUE(covered.covers(2000003, 2));
    EXPECT_FALSE(covered.covers(2000006, 2));
}

// The coarse question may answer yes near covered places, but never no where a box holds any.
TEST(stPiCoverageTest, CoarseAnswerIsNoOnlyWhereNothingIsCovered) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> coord(-8, 240), width(0, 12), size(0, 40);
    stPiCoverage_c covered;
    covered.reset(200, 1);
    stPiIndexing_c index;
    index.init(200, 0);
    EXPECT_FALSE(covered.mayCover(0, 0, 300, 199));
    for (int k = 0; k < 40; ++k) {
        const utSkewRect_c r(coord(rng) / 2.0, coord(rng) / 2.0 + 40, coord(rng) / 2.0,
                             coord(rng) / 2.0 + 40, width(rng) / 2.0);
        if (r.start() == r.end()) continue;
        covered.add(&r, 1);
        index.add(r, k % 2 ? A : B);
    }
    covered.cover(150, -3.0, 2.0);  // partly left of 0
    index.add(150, -3.0, 2.0, C);
    int noes = 0;
    for (int q = 0; q < 4000; ++q) {
        const double x = coord(rng) / 2.0, y = coord(rng) * 0.8, w = size(rng) / 4.0,
                     h = size(rng) / 4.0;
        utRect_c box;
        box.set(x, y, x + w, y + h);
        if (covered.mayCover(x, y, x + w, y + h)) continue;
        ++noes;
        ASSERT_FALSE(index.findObjects(box, nullptr)) << "box at " << x << ", " << y;
    }
    EXPECT_GT(noes, 1000);                              // far from the strokes it does say no
    EXPECT_TRUE(covered.mayCover(-50, 150, -40, 150));  // x left of the rows' bits counts as 0
    EXPECT_TRUE(covered.mayCover(0, 0, std::nan(""), 10));
    EXPECT_FALSE(covered.mayCover(5, 0, 4, 199));  // an empty box
    covered.reset(200, 1);
    EXPECT_FALSE(covered.mayCover(-1e9, -1e9, 1e9, 1e9));
}
