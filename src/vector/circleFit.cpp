#include "vector/circleFit.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VEMORA_AVX2_FIT 1
#endif

#include <cmath>
#include <cstddef>

namespace Vemora {

namespace {

constexpr int kFitSteps = 300;

bool settled(double now, double before, double tolerance) {
    return now == before || std::fabs(now - before) < tolerance * std::fabs(before);
}

// The sums of one step: of the distances to the centre and of the unit vectors towards it. Each
// kernel sums into a value of its own, so no store can alias the points it reads.
struct tmpStepSums_c {
    double l = 0.0, x = 0.0, y = 0.0;
};

// Adds the distance l and, for a point off the centre, the unit vector (ux, uy).
inline void add(double l, double ux, double uy, tmpStepSums_c& s) {
    s.l += l;
    if (l > 0.0) {
        s.x += ux;
        s.y += uy;
    }
}

// The sums of one step over the points from i on: two at a time, then one.
inline void sumsFrom(size_t i, const std::vector<utPoint_c>& points, const utPoint_c& c,
                     tmpStepSums_c& s) {
#if defined(__SSE2__)
    const __m128d cx = _mm_set1_pd(c.x()), cy = _mm_set1_pd(c.y());
    for (; i + 2 <= points.size(); i += 2) {
        const __m128d px = _mm_set_pd(points[i + 1].x(), points[i].x());
        const __m128d py = _mm_set_pd(points[i + 1].y(), points[i].y());
        const __m128d dx = _mm_sub_pd(cx, px), dy = _mm_sub_pd(cy, py);
        const __m128d l = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)));
        // Quotients of a zero distance are never added, so their value does not matter.
        const __m128d ux = _mm_div_pd(dx, l), uy = _mm_div_pd(dy, l);
        double ls[2], xs[2], ys[2];
        _mm_storeu_pd(ls, l);
        _mm_storeu_pd(xs, ux);
        _mm_storeu_pd(ys, uy);
        add(ls[0], xs[0], ys[0], s);
        add(ls[1], xs[1], ys[1], s);
    }
#endif
    for (; i < points.size(); ++i) {
        const utVector_c d = c - points[i];
        const double l = d.length();
        if (l > 0.0) {
            add(l, d.x() / l, d.y() / l, s);
        } else {
            add(l, 0.0, 0.0, s);
        }
    }
}

// One step: the next centre from the centroid (mx, my) and the sums for the centre c.
inline utPoint_c nextCentre(double mx, double my, double n, const tmpStepSums_c& s, double& r) {
    r = s.l / n;
    return utPoint_c(mx + r * s.x / n, my + r * s.y / n);
}

void centroid(const std::vector<utPoint_c>& points, double& mx, double& my) {
    mx = 0.0;
    my = 0.0;
    for (const utPoint_c& p : points) {
        mx += p.x();
        my += p.y();
    }
    mx /= double(points.size());
    my /= double(points.size());
}

tmpStepSums_c plainSums(const std::vector<utPoint_c>& points, const utPoint_c& c) {
    tmpStepSums_c s;
    sumsFrom(0, points, c, s);
    return s;
}

tmpStepSums_c hypotSums(const std::vector<utPoint_c>& points, const utPoint_c& c) {
    tmpStepSums_c s;
    for (const utPoint_c& p : points) {
        const double dx = c.x() - p.x(), dy = c.y() - p.y();
        const double l = std::hypot(dx, dy);
        s.l += l;
        if (l > 0.0) {  // a point on the centre has no direction
            s.x += dx / l;
            s.y += dy / l;
        }
    }
    return s;
}

#if defined(VEMORA_AVX2_FIT)
// The plain sums with the distances and quotients of four points at a time.
__attribute__((target("avx2"))) tmpStepSums_c avx2Sums(const std::vector<utPoint_c>& points,
                                                       const utPoint_c& c) {
    tmpStepSums_c s;
    const size_t n = points.size();
    const __m256d cx = _mm256_set1_pd(c.x()), cy = _mm256_set1_pd(c.y());
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const utPoint_c* p = points.data() + i;
        const __m256d px = _mm256_set_pd(p[3].x(), p[2].x(), p[1].x(), p[0].x());
        const __m256d py = _mm256_set_pd(p[3].y(), p[2].y(), p[1].y(), p[0].y());
        const __m256d dx = _mm256_sub_pd(cx, px), dy = _mm256_sub_pd(cy, py);
        const __m256d l =
            _mm256_sqrt_pd(_mm256_add_pd(_mm256_mul_pd(dx, dx), _mm256_mul_pd(dy, dy)));
        const __m256d ux = _mm256_div_pd(dx, l), uy = _mm256_div_pd(dy, l);
        alignas(32) double ls[4], xs[4], ys[4];
        _mm256_store_pd(ls, l);
        _mm256_store_pd(xs, ux);
        _mm256_store_pd(ys, uy);
        for (int k = 0; k < 4; ++k) add(ls[k], xs[k], ys[k], s);
    }
    sumsFrom(i, points, c, s);
    return s;
}
#endif

// The steps with the sums of `Kernel`; inlined into each fit below, so that every kernel runs
// in a loop of its own.
template <tmpStepSums_c (*Kernel)(const std::vector<utPoint_c>&, const utPoint_c&)>
inline void iterate(const std::vector<utPoint_c>& points, const utCircleFitRule_c& rule,
                    utPoint_c& centre, double& radius) {
    double mx = 0.0, my = 0.0;
    centroid(points, mx, my);
    centre = utPoint_c(mx, my);
    double r = 0.0;
    for (int step = 0; step < kFitSteps; ++step) {
        const tmpStepSums_c s = Kernel(points, centre);
        const double before = r;
        const utPoint_c next = nextCentre(mx, my, double(points.size()), s, r);
        const bool done = settled(next.x(), centre.x(), rule.tolerance) &&
                          settled(next.y(), centre.y(), rule.tolerance) &&
                          (!rule.radiusSettles || settled(r, before, rule.tolerance));
        centre = next;
        if (done) break;
    }
    radius = r;
}

#if defined(VEMORA_AVX2_FIT)
__attribute__((target("avx2"), flatten)) void fitAvx2(const std::vector<utPoint_c>& points,
                                                      const utCircleFitRule_c& rule,
                                                      utPoint_c& centre, double& radius) {
    iterate<avx2Sums>(points, rule, centre, radius);
}
#endif

}  // namespace

void eberlyCircle(const std::vector<utPoint_c>& points, const utCircleFitRule_c& rule,
                  utPoint_c& centre, double& radius) {
    if (rule.hypotDistances) {
        iterate<hypotSums>(points, rule, centre, radius);
        return;
    }
#if defined(VEMORA_AVX2_FIT)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2) {
        fitAvx2(points, rule, centre, radius);
        return;
    }
#endif
    iterate<plainSums>(points, rule, centre, radius);
}

}  // namespace Vemora
