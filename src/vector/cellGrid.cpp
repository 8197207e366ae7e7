#include "vector/cellGrid.h"

#include <algorithm>
#include <cmath>

namespace Vemora {

namespace {

// A shape spanning more cells than this is cheaper to hand to every query.
constexpr std::int64_t kMaxCells = 1 << 16;
// Cell numbers stay well inside what a key can hold.
constexpr double kMaxCellNumber = 1e9;

std::uint64_t key(std::int64_t column, std::int64_t row) {
    return (std::uint64_t(std::uint32_t(column)) << 32) | std::uint64_t(std::uint32_t(row));
}

}  // namespace

tmpCellGrid_c::tmpCellGrid_c(double cell) : cell_(cell > 0.0 && std::isfinite(cell) ? cell : 1.0) {}

bool tmpCellGrid_c::cellOf(double v, std::int64_t& c) const {
    const double f = std::floor(v / cell_);
    if (!(std::fabs(f) < kMaxCellNumber)) return false;
    c = std::int64_t(f);
    return true;
}

bool tmpCellGrid_c::boxSpans(double x1, double y1, double x2, double y2,
                             std::vector<Span>& spans) const {
    spans.clear();
    std::int64_t c1, c2, r1, r2;
    if (!cellOf(x1, c1) || !cellOf(x2, c2) || !cellOf(y1, r1) || !cellOf(y2, r2)) return false;
    if (c2 < c1 || r2 < r1) return true;  // an empty box meets nothing
    if ((c2 - c1 + 1) * (r2 - r1 + 1) > kMaxCells) return false;
    for (std::int64_t c = c1; c <= c2; ++c) spans.push_back({c, r1, r2});
    return true;
}

// Column by column: the part of the segment over the column widened by reach, its rows widened
// by reach. A margin of a millionth of a cell keeps points computed near the segment (crossings)
// inside the cells entered.
bool tmpCellGrid_c::segmentSpans(const utPoint_c& a, const utPoint_c& b, double reach,
                                 std::vector<Span>& spans) const {
    spans.clear();
    const double r = std::max(reach, 0.0) + 1e-6 * cell_;
    const double xa = std::min(a.x(), b.x()), xb = std::max(a.x(), b.x());
    std::int64_t c1, c2;
    if (!cellOf(xa - r, c1) || !cellOf(xb + r, c2)) return false;
    if (!std::isfinite(a.y()) || !std::isfinite(b.y())) return false;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    std::int64_t cells = 0;
    for (std::int64_t c = c1; c <= c2; ++c) {
        // The x range of the column, widened, clipped to the segment's.
        const double lo = std::max(double(c) * cell_ - r, xa);
        const double hi = std::min(double(c + 1) * cell_ + r, xb);
        double ylo = std::min(a.y(), b.y()), yhi = std::max(a.y(), b.y());
        if (dx != 0.0 && lo <= hi) {
            const double t1 = std::clamp((lo - a.x()) / dx, 0.0, 1.0);
            const double t2 = std::clamp((hi - a.x()) / dx, 0.0, 1.0);
            const double y1 = a.y() + dy * t1, y2 = a.y() + dy * t2;
            ylo = std::min(y1, y2);
            yhi = std::max(y1, y2);
        }
        std::int64_t r1, r2;
        if (!cellOf(ylo - r, r1) || !cellOf(yhi + r, r2)) return false;
        cells += r2 - r1 + 1;
        if (cells > kMaxCells) return false;
        spans.push_back({c, r1, r2});
    }
    return true;
}

void tmpCellGrid_c::note(int index) {
    if (size_t(index) >= stamp_.size()) stamp_.resize(size_t(index) + 1, 0);
    all_.push_back(index);
}

void tmpCellGrid_c::insert(int index, bool covered) {
    note(index);
    if (!covered) {
        everywhere_.push_back(index);
        return;
    }
    for (const Span& s : spans_) {
        for (std::int64_t row = s.row1; row <= s.row2; ++row) {
            std::vector<int>& members = cells_[key(s.column, row)];
            // A shape may come back to a cell through another of its parts.
            if (members.empty() || members.back() != index) members.push_back(index);
        }
    }
}

void tmpCellGrid_c::insertBox(int index, double x1, double y1, double x2, double y2) {
    insert(index, boxSpans(x1, y1, x2, y2, spans_));
}

void tmpCellGrid_c::insertSegment(int index, const utPoint_c& a, const utPoint_c& b, double reach) {
    insert(index, segmentSpans(a, b, reach, spans_));
}

void tmpCellGrid_c::query(bool covered, std::vector<int>& out) {
    out.clear();
    if (!covered) {
        out = all_;
    } else {
        if (++query_ == 0) {  // the stamps wrapped: start them again
            std::fill(stamp_.begin(), stamp_.end(), 0u);
            query_ = 1;
        }
        const auto take = [&](int i) {
            if (stamp_[size_t(i)] != query_) {
                stamp_[size_t(i)] = query_;
                out.push_back(i);
            }
        };
        for (int i : everywhere_) take(i);
        for (const Span& s : spans_) {
            for (std::int64_t row = s.row1; row <= s.row2; ++row) {
                const auto it = cells_.find(key(s.column, row));
                if (it == cells_.end()) continue;
                for (int i : it->second) take(i);
            }
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
}

void tmpCellGrid_c::queryBox(double x1, double y1, double x2, double y2, std::vector<int>& out) {
    query(boxSpans(x1, y1, x2, y2, spans_), out);
}

void tmpCellGrid_c::querySegment(const utPoint_c& a, const utPoint_c& b, double reach,
                                 std::vector<int>& out) {
    query(segmentSpans(a, b, reach, spans_), out);
}

}  // namespace Vemora
