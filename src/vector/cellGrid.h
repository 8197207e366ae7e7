#pragma once

// A grid of square cells over the plane that narrows pairwise searches down to the members of
// nearby cells. Members are integer indices (an entity's place in a sketch, a record's number).
// Shapes are entered into every cell they come within reach of, queries gather the members of
// every cell the query shape comes within reach of, so two shapes within reach of one point always
// meet in a cell: a query returns a superset of what a scan of everything would accept, in
// ascending order, and the caller applies its own exact test. Shapes that are not finite, or
// that would cover too many cells, are returned by every query; such a query returns everything.
// Only occupied cells take memory.

#include <vemora/foundation/utPoint.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace Vemora {

class tmpCellGrid_c {
public:
    // cell: the side of a cell, positive and finite.
    explicit tmpCellGrid_c(double cell);

    // The cells the box [x1, x2] x [y1, y2] meets.
    void insertBox(int index, double x1, double y1, double x2, double y2);
    // The cells within reach of the segment, in x and in y.
    void insertSegment(int index, const utPoint_c& a, const utPoint_c& b, double reach);

    // Every index entered into a cell the shape meets, and those entered everywhere; ascending,
    // each once.
    void queryBox(double x1, double y1, double x2, double y2, std::vector<int>& out);
    void querySegment(const utPoint_c& a, const utPoint_c& b, double reach, std::vector<int>& out);

private:
    // The cells of a shape, by (column, row) ranges; false when the shape cannot be covered.
    struct Span {
        std::int64_t column;
        std::int64_t row1;
        std::int64_t row2;
    };
    bool boxSpans(double x1, double y1, double x2, double y2, std::vector<Span>& spans) const;
    bool segmentSpans(const utPoint_c& a, const utPoint_c& b, double reach,
                      std::vector<Span>& spans) const;
    bool cellOf(double v, std::int64_t& c) const;
    void insert(int index, bool covered);
    void query(bool covered, std::vector<int>& out);
    void note(int index);

    double cell_;
    std::unordered_map<std::uint64_t, std::vector<int>> cells_;
    std::vector<int> everywhere_;
    std::vector<int> all_;         // every index entered, in order of entry
    std::vector<unsigned> stamp_;  // per index: the query that returned it last
    unsigned query_ = 0;
    std::vector<Span> spans_;  // scratch
};

}  // namespace Vemora
