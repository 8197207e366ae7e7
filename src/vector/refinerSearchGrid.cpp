#include "vector/refinerSearchGrid.h"

#include <vemora/sketch/stSketch.h>

#include <cstdint>
#include <limits>
#include <unordered_map>

#include "vector/refinerGaps.h"
#include "vector/refinerVertices.h"

namespace Vemora {

tmpSearchCache_c::tmpSearchCache_c(const std::vector<tmpEntityInfo_c>& infos) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    firstVertex_.reserve(infos.size() + 1);
    firstRun_.reserve(infos.size() + 1);
    for (const tmpEntityInfo_c& info : infos) {
        firstVertex_.push_back(vertices_.size());
        firstRun_.push_back(runs_.size());
        const int n = refinerVertexCount(*info.entity);
        if (n < 2) continue;
        const size_t first = vertices_.size();
        for (int i = 0; i < n; ++i) vertices_.push_back(refinerVertexAt(*info.entity, i));
        for (int c = 0; c < n; c += kRun) {
            std::array<double, 4> box{inf, inf, -inf, -inf};
            bool finite = true;
            for (int i = std::max(c - 1, 0); i < std::min(c + kRun, n); ++i) {
                const utPoint_c& v = vertices_[first + size_t(i)];
                finite = finite && isFinite(v);
                box = {std::min(box[0], v.x()), std::min(box[1], v.y()), std::max(box[2], v.x()),
                       std::max(box[3], v.y())};
            }
            if (!finite) box = {-inf, -inf, inf, inf};
            runs_.push_back(box);
        }
    }
    firstVertex_.push_back(vertices_.size());
    firstRun_.push_back(runs_.size());
}

std::vector<unsigned char> tmpSearchCache_c::crowdedEnds(double side, double areaPerEnd) const {
    const size_t n = firstVertex_.size() - 1;
    std::vector<unsigned char> marks(n, 0);
    const auto forEnds = [&](auto&& f) {
        for (size_t i = 0; i < n; ++i) {
            const int count = vertexCount(i);
            if (count < 2) continue;
            const utPoint_c* v = vertices(i);
            if (isFinite(v[0])) f(i, 1, v[0]);
            if (isFinite(v[count - 1])) f(i, 2, v[count - 1]);
        }
    };
    constexpr double inf = std::numeric_limits<double>::infinity();
    double x0 = inf, y0 = inf, x1 = -inf, y1 = -inf;
    forEnds([&](size_t, unsigned char, const utPoint_c& p) {
        x0 = std::min(x0, p.x());
        y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x());
        y1 = std::max(y1, p.y());
    });
    if (!(x0 <= x1)) return marks;  // no end to search from

    // The box of the ends is cut into equal squares (rectangles) of one to two sides each way, so
    // that none at its border is a sliver holding too few ends to count; a box thinner than a side
    // counts as one side thick.
    struct Axis {
        double origin, step;
        uint64_t count;
        uint64_t at(double v) const {
            if (!(step > 0.0)) return 0;
            return uint64_t(std::clamp(std::floor((v - origin) / step), 0.0, double(count - 1)));
        }
    };
    const auto axis = [&](double lo, double hi) {
        const double cells = std::clamp(std::floor((hi - lo) / side), 1.0, double(1 << 30));
        return Axis{lo, (hi - lo) / cells, uint64_t(cells)};
    };
    const Axis ax = axis(x0, x1), ay = axis(y0, y1);
    const double area = std::max(ax.step, side) * std::max(ay.step, side);
    std::unordered_map<uint64_t, double> ends;
    ends.reserve(n / 64 + 16);
    const auto key = [&](const utPoint_c& p) { return ax.at(p.x()) << 32 | ay.at(p.y()); };
    forEnds([&](size_t, unsigned char, const utPoint_c& p) { ends[key(p)] += 1.0; });
    forEnds([&](size_t i, unsigned char bit, const utPoint_c& p) {
        if (ends[key(p)] * areaPerEnd > area) marks[i] |= bit;
    });
    return marks;
}

template <class F>
void tmpCandidateGrid_c::forCells(const tmpSearchCache_c& cache, int i, F&& f) {
    const auto enter = [&](const std::array<double, 4>& b) {
        const int c1 = column(b[0]), c2 = column(b[2]), r1 = row(b[1]), r2 = row(b[3]);
        for (int y = r1; y <= r2; ++y) {
            for (int x = c1; x <= c2; ++x) {
                const size_t c = size_t(y) * size_t(columns_) + size_t(x);
                if (cellLast_[c] == i) continue;
                cellLast_[c] = i;
                f(c);
            }
        }
    };
    const utPoint_c* v = cache.vertices(size_t(i));
    const int n = cache.vertexCount(size_t(i));
    constexpr int k = tmpSearchCache_c::kRun;
    for (int chunk = 0; chunk < cache.runCount(size_t(i)); ++chunk) {
        const std::array<double, 4>& box = cache.runs(size_t(i))[chunk];
        if (cellSpan(box) <= kMaxCellsPerRun) {
            enter(box);
            continue;
        }
        // The segments of the run (with the one into it); a long one in pieces of about a cell.
        const int first = std::max(chunk * k - 1, 0), last = std::min(chunk * k + k, n);
        for (int j = first; j + 1 < last; ++j) {
            const utPoint_c a = v[size_t(j)], b = v[size_t(j + 1)];
            const double along = std::max(std::fabs(b.x() - a.x()), std::fabs(b.y() - a.y()));
            const int pieces = int(std::min(std::ceil(along / cell_), 65536.0 * 4));
            utPoint_c from = a;
            for (int t = 1; t <= pieces; ++t) {
                const utPoint_c to = t == pieces ? b : a + (b - a) * (double(t) / pieces);
                enter(boxOf(from, to));
                from = to;
            }
            if (pieces < 1) enter(boxOf(a, b));
        }
    }
}

tmpCandidateGrid_c::tmpCandidateGrid_c(const std::vector<tmpEntityInfo_c>& infos,
                                       const tmpSearchCache_c& cache, double reach)
    : stamp_(infos.size(), 0u) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    std::vector<int> placed;
    std::vector<double> sizes;
    domain_ = {inf, inf, -inf, -inf};
    extents_.reserve(infos.size());
    vertexBox_.reserve(infos.size());
    searchable_.reserve(infos.size());
    for (size_t i = 0; i < infos.size(); ++i) {
        extents_.push_back(infos[i].entity->extents());
        searchable_.push_back(cache.vertexCount(i) >= 2);
        const std::array<double, 4>* runs = cache.runs(i);
        std::array<double, 4> box{inf, inf, -inf, -inf};
        for (int k = 0; k < cache.runCount(i); ++k) {
            const std::array<double, 4>& b = runs[k];
            box = {std::min(box[0], b[0]), std::min(box[1], b[1]), std::max(box[2], b[2]),
                   std::max(box[3], b[3])};
        }
        vertexBox_.push_back(box);
        if (!searchable_.back()) continue;  // never a candidate
        if (!(std::isfinite(box[0]) && std::isfinite(box[1]) && std::isfinite(box[2]) &&
              std::isfinite(box[3]))) {
            everywhere_.push_back(int(i));
            continue;
        }
        placed.push_back(int(i));
        domain_ = {std::min(domain_[0], box[0]), std::min(domain_[1], box[1]),
                   std::max(domain_[2], box[2]), std::max(domain_[3], box[3])};
        for (int k = 0; k < cache.runCount(i); ++k)
            sizes.push_back(std::max(runs[k][2] - runs[k][0], runs[k][3] - runs[k][1]));
    }
    if (placed.empty()) return;

    // Cells about the size of a typical run of vertices, and no smaller than the reach of a query,
    // so that most runs and most queries touch a handful of cells; never many more cells than
    // runs.
    std::nth_element(sizes.begin(), sizes.begin() + long(sizes.size() / 2), sizes.end());
    double cell = std::max(sizes[sizes.size() / 2], reach);
    const double w = std::max(domain_[2] - domain_[0], 1e-9);
    const double h = std::max(domain_[3] - domain_[1], 1e-9);
    const double maxCells = 4.0 * double(sizes.size()) + 64.0;
    if (!(cell > 0.0) || (w / cell) * (h / cell) > maxCells) cell = std::sqrt(w * h / maxCells);
    cell = std::max({cell, w / 65536.0, h / 65536.0, 1e-9});
    cell_ = cell;
    x0_ = domain_[0];
    y0_ = domain_[1];
    columns_ = int(std::min(w / cell, 65536.0)) + 1;
    rows_ = int(std::min(h / cell, 65536.0)) + 1;

    // Two passes: count per cell, then fill (a compact layout for millions of entries). Infos are
    // entered in ascending order, so every cell lists its members in sketch order.
    const size_t cells = size_t(columns_) * size_t(rows_);
    cellStart_.assign(cells + 1, 0);
    cellLast_.assign(cells, -1);
    for (int i : placed) forCells(cache, i, [&](size_t c) { ++cellStart_[c + 1]; });
    for (size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    members_.resize(size_t(cellStart_[cells]));
    std::vector<int> fill(cellStart_.begin(), cellStart_.end() - 1);
    cellLast_.assign(cells, -1);
    for (int i : placed) {
        forCells(cache, i, [&](size_t c) { members_[size_t(fill[c]++)] = i; });
    }
    cellLast_ = {};
}

void tmpCandidateGrid_c::query(const utPoint_c& p, double reach, std::vector<int>& out) {
    out.clear();
    if (++query_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0u);
        query_ = 1;
    }
    if (columns_ > 0 && !outside(p, domain_, reach)) {
        const int c1 = column(p.x() - reach), c2 = column(p.x() + reach);
        const int r1 = row(p.y() - reach), r2 = row(p.y() + reach);
        for (int y = r1; y <= r2; ++y) {
            for (int x = c1; x <= c2; ++x) {
                const size_t c = size_t(y) * size_t(columns_) + size_t(x);
                for (int k = cellStart_[c]; k < cellStart_[c + 1]; ++k) {
                    const int i = members_[size_t(k)];
                    if (stamp_[size_t(i)] != query_) {
                        stamp_[size_t(i)] = query_;
                        out.push_back(i);
                    }
                }
            }
        }
    }
    // Sketch order, as a scan over every entity would meet them.
    std::sort(out.begin(), out.end());
    if (!everywhere_.empty()) {
        const size_t middle = out.size();
        out.insert(out.end(), everywhere_.begin(), everywhere_.end());
        std::inplace_merge(out.begin(), out.begin() + long(middle), out.end());
    }
}

}  // namespace Vemora
