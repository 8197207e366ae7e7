#include "vector/bezierFit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace Vemora {

namespace {

constexpr double kShortLeg = 1e-9;
constexpr double kStraightThreeCosine = 0.975;
constexpr double kMinAlpha = 1e-6;
constexpr double kMaxAlphaPerChord = 5.0;
constexpr double kSingularScale = 1e-12;
constexpr double kReparameterizeBand = 5.0;  // times the tolerance
constexpr int kReparameterizeSteps = 4;

// A zero vector stays zero: coincident points give no direction, and the fit then falls back to
// control points on the chord.
utVector_c unitOrZero(const utVector_c& v) {
    const double l = v.length();
    return l > 0.0 ? v * (1.0 / l) : utVector_c();
}

double distance(const utPoint_c& p, const utPoint_c& q) { return (p - q).length(); }

utPoint_c midpoint(const utPoint_c& p, const utPoint_c& q) {
    return {(p.x() + q.x()) / 2.0, (p.y() + q.y()) / 2.0};
}

// Unit direction from points[from] to the nearest point along the run (towards `to`) that lies
// apart from it; zero when all coincide.
utVector_c tangentFrom(const std::vector<utPoint_c>& points, size_t from, size_t to) {
    const std::ptrdiff_t step = to > from ? 1 : -1;
    for (std::ptrdiff_t i = std::ptrdiff_t(from) + step;; i += step) {
        const utVector_c d = points[size_t(i)] - points[from];
        if (d.length2() > 0.0) return unitOrZero(d);
        if (size_t(i) == to) return {};
    }
}

double b0(double u) { return (1 - u) * (1 - u) * (1 - u); }
double b1(double u) { return 3 * u * (1 - u) * (1 - u); }
double b2(double u) { return 3 * u * u * (1 - u); }
double b3(double u) { return u * u * u; }

class tmpBezierFitter_c {
public:
    tmpBezierFitter_c(const std::vector<utPoint_c>& points, double tolerance,
                      std::vector<utGeBezierSegment_c>& pieces)
        : P_(points), e_(tolerance), pieces_(pieces) {}

    void fit(size_t first, size_t last, const utVector_c& t1, const utVector_c& t2);

private:
    struct Span {
        size_t first, last;
        utVector_c t1, t2;
    };

    // Fits one span; pushes the two halves of a split onto `todo`.
    void fitSpan(const Span& span, std::vector<Span>& todo);
    utGeBezierSegment_c generate(size_t first, size_t last, const std::vector<double>& u,
                                 const utVector_c& t1, const utVector_c& t2) const;
    double maxError(const utGeBezierSegment_c& q, size_t first, size_t last,
                    const std::vector<double>& u, size_t& split) const;
    void reparameterize(const utGeBezierSegment_c& q, size_t first, size_t last,
                        std::vector<double>& u) const;

    const std::vector<utPoint_c>& P_;
    const double e_;
    std::vector<utGeBezierSegment_c>& pieces_;
};

void tmpBezierFitter_c::fit(size_t first, size_t last, const utVector_c& t1, const utVector_c& t2) {
    // Left halves are fitted before right halves, so the pieces come out in order; an explicit
    // stack keeps long runs with a tight tolerance off the call stack.
    std::vector<Span> todo{{first, last, t1, t2}};
    while (!todo.empty()) {
        const Span span = todo.back();
        todo.pop_back();
        fitSpan(span, todo);
    }
}

void tmpBezierFitter_c::fitSpan(const Span& s, std::vector<Span>& todo) {
    const size_t count = s.last - s.first + 1;
    // Chord-length parameters.
    std::vector<double> u(count, 0.0);
    for (size_t k = 1; k < count; ++k)
        u[k] = u[k - 1] + distance(P_[s.first + k], P_[s.first + k - 1]);
    const double total = u.back();
    for (size_t k = 1; k < count; ++k)
        u[k] = total > 0.0 ? u[k] / total : double(k) / double(count - 1);

    utGeBezierSegment_c q = generate(s.first, s.last, u, s.t1, s.t2);
    // Two points cannot be split: the chord piece is the answer whatever the tolerance.
    if (count <= 2) {
        pieces_.push_back(q);
        return;
    }
    size_t split = (s.first + s.last) / 2;
    double error = maxError(q, s.first, s.last, u, split);
    if (error < e_) {
        pieces_.push_back(q);
        return;
    }
    if (error < kReparameterizeBand * e_) {
        for (int step = 0; step < kReparameterizeSteps; ++step) {
            reparameterize(q, s.first, s.last, u);
            q = generate(s.first, s.last, u, s.t1, s.t2);
            error = maxError(q, s.first, s.last, u, split);
            if (error < e_) {
                pieces_.push_back(q);
                return;
            }
        }
    }
    const utVector_c tc = unitOrZero((P_[split - 1] - P_[split]) + (P_[split] - P_[split + 1]));
    todo.push_back({split, s.last, tc * -1.0, s.t2});
    todo.push_back({s.first, split, s.t1, tc});
}

utGeBezierSegment_c tmpBezierFitter_c::generate(size_t first, size_t last,
                                                const std::vector<double>& u, const utVector_c& t1,
                                                const utVector_c& t2) const {
    const utPoint_c& p0 = P_[first];
    const utPoint_c& p3 = P_[last];
    const double d = distance(p0, p3);
    const size_t count = last - first + 1;
    bool chordRule = count == 2;
    if (count == 3) {
        const utVector_c l1 = P_[last] - P_[last - 1];
        const utVector_c l2 = P_[last - 1] - P_[last - 2];
        chordRule = l1.length() < kShortLeg || l2.length() < kShortLeg ||
                    std::fabs(l1.cosAlpha(l2)) > kStraightThreeCosine;
    }
    double alpha1 = d / 3.0, alpha2 = d / 3.0;
    if (!chordRule) {
        double c00 = 0, c01 = 0, c11 = 0, x0 = 0, x1 = 0;
        for (size_t k = 0; k < count; ++k) {
            const double uk = u[k];
            const utVector_c a1 = t1 * b1(uk);
            const utVector_c a2 = t2 * b2(uk);
            const utPoint_c& p = P_[first + k];
            const double fx = p0.x() * (b0(uk) + b1(uk)) + p3.x() * (b2(uk) + b3(uk));
            const double fy = p0.y() * (b0(uk) + b1(uk)) + p3.y() * (b2(uk) + b3(uk));
            const utVector_c rest(p.x() - fx, p.y() - fy);
            c00 += a1 * a1;
            c01 += a1 * a2;
            c11 += a2 * a2;
            x0 += a1 * rest;
            x1 += a2 * rest;
        }
        double det = c00 * c11 - c01 * c01;
        if (det == 0.0) det = c00 * c11 * kSingularScale;
        alpha1 = (x0 * c11 - x1 * c01) / det;
        alpha2 = (c00 * x1 - c01 * x0) / det;
        // A singular system (zero tangents) gives no usable lengths either.
        const bool unusable =
            !std::isfinite(alpha1) || !std::isfinite(alpha2) || alpha1 < kMinAlpha ||
            alpha2 < kMinAlpha ||
            (d > 0.0 && (alpha1 / d > kMaxAlphaPerChord || alpha2 / d > kMaxAlphaPerChord));
        if (unusable) alpha1 = alpha2 = d / 3.0;
    }
    return utGeBezierSegment_c(p0, p0 + t1 * alpha1, p3 + t2 * alpha2, p3);
}

double tmpBezierFitter_c::maxError(const utGeBezierSegment_c& q, size_t first, size_t last,
                                   const std::vector<double>& u, size_t& split) const {
    double worst = 0.0;
    for (size_t i = first + 1; i < last; ++i) {
        const size_t k = i - first;
        const double onPoint = distance(P_[i], q.pointAtParameter(u[k]));
        const double between =
            distance(midpoint(P_[i], P_[i + 1]), q.pointAtParameter((u[k] + u[k + 1]) / 2.0));
        const double err = std::max(onPoint, between);
        if (err > worst) {
            worst = err;
            split = i;
        }
    }
    return worst;
}

void tmpBezierFitter_c::reparameterize(const utGeBezierSegment_c& q, size_t first, size_t last,
                                       std::vector<double>& u) const {
    utVector_c d1[3], d2[2];
    for (int i = 0; i < 3; ++i) d1[i] = (q.controlPoint(i + 1) - q.controlPoint(i)) * 3.0;
    for (int i = 0; i < 2; ++i) d2[i] = (d1[i + 1] - d1[i]) * 2.0;
    for (size_t i = first; i <= last; ++i) {
        const size_t k = i - first;
        const double t = u[k];
        const utVector_c diff = q.pointAtParameter(t) - P_[i];
        const double s = 1.0 - t;
        const utVector_c first1 = d1[0] * (s * s) + d1[1] * (2 * s * t) + d1[2] * (t * t);
        const utVector_c second = d2[0] * s + d2[1] * t;
        const double numerator = diff * first1;
        const double denominator = first1 * first1 + diff * second;
        if (denominator == 0.0) continue;
        const double next = t - numerator / denominator;
        if (std::isfinite(next) && next >= 0.0 && next <= 1.0) u[k] = next;
    }
}

}  // namespace

void fitCubicBeziers(const std::vector<utPoint_c>& points, double tolerance,
                     std::vector<utGeBezierSegment_c>& pieces) {
    const size_t n = points.size();
    if (n < 2) return;
    const utVector_c t1 = tangentFrom(points, 0, n - 1);
    const utVector_c t2 = tangentFrom(points, n - 1, 0);
    tmpBezierFitter_c(points, tolerance, pieces).fit(0, n - 1, t1, t2);
}

}  // namespace Vemora
