#include "vector/centreLine.h"

#include <vemora/sketch/stEntity.h>

#include <algorithm>
#include <cmath>

#include "foundation/mathConstants.h"

namespace Vemora {

namespace {

constexpr double kTwoPi = 2.0 * kPi;
constexpr double kNoCircle = 1e99;  // the radius of an arc through three collinear points
constexpr double kChord = 1.0;      // px
constexpr int kMostChords = 100000;

bool finite(const utPoint_c& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

int chordsFor(double length) {
    if (!(length > 0.0)) return 1;
    return int(std::clamp(std::ceil(length / kChord), 8.0, double(kMostChords)));
}

// a - b reduced into [0, 2 pi).
double turnFrom(double a, double b) {
    double d = std::fmod(a - b, kTwoPi);
    if (d < 0.0) d += kTwoPi;
    return d;
}

class tmpCentreLine_c : public stEntityVisitor_c {
public:
    std::vector<utPoint_c> points;

    void visitPoint(stPoint_c& e) override { points = {e.p()}; }
    void visitLine(stLine_c& e) override { points = {e.p1(), e.p2()}; }

    void visitArc(stArc_c& e) override {
        if (!(e.radius() < kNoCircle)) {
            points = {e.p1(), e.p3()};
            return;
        }
        // The run of growing angles from start to end, unless a three-point arc's p2 lies off it.
        const double s = e.startAngle();
        double sweep = turnFrom(e.endAngle(), s);
        if (sweep == 0.0) sweep = kTwoPi;
        const utPoint_c& c = e.center();
        const double tol = 1e-9 * std::max(e.radius(), 1.0);
        const bool p2Distinct =
            std::hypot(e.p2().x() - e.p1().x(), e.p2().y() - e.p1().y()) > tol &&
            std::hypot(e.p2().x() - e.p3().x(), e.p2().y() - e.p3().y()) > tol;
        if (p2Distinct && turnFrom(std::atan2(e.p2().y() - c.y(), e.p2().x() - c.x()), s) > sweep) {
            sweep -= kTwoPi;
        }
        circular(c, e.radius(), s, sweep);
    }

    void visitCircle(stCircle_c& e) override { circular(e.center(), e.radius(), 0.0, kTwoPi); }

    void visitEllipse(stEllipse_c& e) override {
        const stEllipseArc_c whole(e.a(), e.b(), e.phi(), 0.0, 360.0, e.center());
        elliptic(whole, 0.0, 360.0);
    }

    void visitEllipseArc(stEllipseArc_c& e) override {
        double sweep = e.endAngle() - e.startAngle();  // degrees
        if (sweep <= 0.0) sweep += 360.0 * std::ceil((-sweep + 1e-12) / 360.0);
        elliptic(e, e.startAngle(), std::min(sweep, 360.0));
    }

    void visitSpline(stSpline_c& e) override {
        const std::vector<utPoint_c>& c = e.controlPoints();
        if (c.size() < 4 || (c.size() - 1) % 3 != 0) {
            points = e.points();
            return;
        }
        points = {c[0]};
        for (size_t i = 0; i + 3 < c.size(); i += 3) {
            const double hull =
                std::hypot(c[i + 1].x() - c[i].x(), c[i + 1].y() - c[i].y()) +
                std::hypot(c[i + 2].x() - c[i + 1].x(), c[i + 2].y() - c[i + 1].y()) +
                std::hypot(c[i + 3].x() - c[i + 2].x(), c[i + 3].y() - c[i + 2].y());
            const int n = chordsFor(hull);
            for (int k = 1; k <= n; ++k) {
                const double t = double(k) / n, u = 1.0 - t;
                const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
                points.emplace_back(
                    b0 * c[i].x() + b1 * c[i + 1].x() + b2 * c[i + 2].x() + b3 * c[i + 3].x(),
                    b0 * c[i].y() + b1 * c[i + 1].y() + b2 * c[i + 2].y() + b3 * c[i + 3].y());
            }
        }
    }

private:
    void circular(const utPoint_c& c, double r, double start, double sweep) {
        if (!(r > 0.0) || !std::isfinite(r) || !std::isfinite(start) || !std::isfinite(sweep))
            return;
        const int n = chordsFor(std::fabs(sweep) * r);
        for (int k = 0; k <= n; ++k) {
            const double t = start + sweep * k / n;
            points.emplace_back(c.x() + r * std::cos(t), c.y() + r * std::sin(t));
        }
    }

    // Degrees, from stEllipseArc_c::pointAtAngle.
    void elliptic(const stEllipseArc_c& e, double start, double sweep) {
        if (!(e.a() > 0.0) || !(e.b() > 0.0) || !std::isfinite(e.a()) || !std::isfinite(e.b()) ||
            !std::isfinite(start) || !std::isfinite(sweep))
            return;
        const int n = chordsFor(sweep * kDegree * std::max(e.a(), e.b()));
        for (int k = 0; k <= n; ++k) points.push_back(e.pointAtAngle(start + sweep * k / n));
    }
};

}  // namespace

std::vector<utPoint_c> centreLine(stEntity_c& entity) {
    tmpCentreLine_c line;
    entity.visit(line);
    for (const utPoint_c& p : line.points)
        if (!finite(p)) return {};
    return std::move(line.points);
}

double polylineLength(const std::vector<utPoint_c>& points) {
    double length = 0.0;
    for (size_t i = 1; i < points.size(); ++i)
        length += std::hypot(points[i].x() - points[i - 1].x(), points[i].y() - points[i - 1].y());
    return length;
}

}  // namespace Vemora
