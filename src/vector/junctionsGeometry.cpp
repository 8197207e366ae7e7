#include "vector/junctionsGeometry.h"

#include <vemora/foundation/utGeCurve.h>
#include <vemora/sketch/stEntity.h>

#include <cmath>

#include "foundation/mathConstants.h"

namespace Vemora {
namespace junctions {

namespace {

// Positions along a line closer to an end than this are taken as the end itself.
constexpr double kPositionSnap = 1e-6;
constexpr double kConicResidual = 1e-4;

double distance(const utPoint_c& a, const utPoint_c& b) { return (a - b).length(); }

// Where the infinite lines of a and b cross, accepted when the crossing lies on each segment or
// beyond one of its ends by at most d.
void crossLines(const tmpShape_c& a, const tmpShape_c& b, double d, std::vector<utPoint_c>& out) {
    const utVector_c da = a.end - a.start;
    const utVector_c db = b.end - b.start;
    const double cross = da.x() * db.y() - da.y() * db.x();
    const double la = da.length(), lb = db.length();
    if (!(std::fabs(cross) > 1e-12 * la * lb)) return;  // parallel (or not finite)
    const utVector_c w = b.start - a.start;
    const double ta = (w.x() * db.y() - w.y() * db.x()) / cross;
    const double tb = (w.x() * da.y() - w.y() * da.x()) / cross;
    const auto within = [d](double t, double length) {
        double s = t * length;
        if (std::fabs(s) < kPositionSnap) s = 0.0;
        if (std::fabs(s - length) < kPositionSnap) s = length;
        return s >= -d && s <= length + d;
    };
    if (within(ta, la) && within(tb, lb)) out.push_back(a.start + da * ta);
}

void crossArcs(const tmpShape_c& a, const tmpShape_c& b, double d, std::vector<utPoint_c>& out) {
    const utPoint_c pairs[4][2] = {
        {a.start, b.start}, {a.end, b.start}, {a.start, b.end}, {a.end, b.end}};
    for (const auto& p : pairs) {
        if (distance(p[0], p[1]) <= d)
            out.push_back({(p[0].x() + p[1].x()) / 2.0, (p[0].y() + p[1].y()) / 2.0});
    }
}

void crossLineArc(const tmpShape_c& line, const tmpShape_c& arc, double d,
                  std::vector<utPoint_c>& out) {
    for (const utPoint_c& p : {arc.start, arc.end}) {
        if (distance(p, line.start) <= d || distance(p, line.end) <= d) out.push_back(p);
    }
}

void ellipseArcEnds(const stEllipseArc_c& e, utPoint_c& start, utPoint_c& end) {
    start = e.pointAtAngle(e.startAngle());
    end = e.pointAtAngle(e.endAngle());
}

// The a axis of an ellipse: from its point at 180 degrees to its point at 0.
utVector_c axisOf(double a, double b, double phi, const utPoint_c& c) {
    return ellipsePointAtAngle(0.0, a, b, phi, c.x(), c.y()) -
           ellipsePointAtAngle(180.0, a, b, phi, c.x(), c.y());
}

}  // namespace

bool entityEnds(const stEntity_c& entity, utPoint_c& start, utPoint_c& end) {
    if (const auto* l = dynamic_cast<const stLine_c*>(&entity)) {
        start = l->p1();
        end = l->p2();
    } else if (const auto* e = dynamic_cast<const stEllipseArc_c*>(&entity)) {
        ellipseArcEnds(*e, start, end);
    } else if (const auto* f = dynamic_cast<const stEllipse_c*>(&entity)) {
        const utPoint_c& c = f->center();
        start = ellipsePointAtAngle(0.0, f->a(), f->b(), f->phi(), c.x(), c.y());
        end = ellipsePointAtAngle(180.0, f->a(), f->b(), f->phi(), c.x(), c.y());
    } else if (const auto* s = dynamic_cast<const stSpline_c*>(&entity)) {
        if (s->pointCount() == 0) return false;
        start = s->points().front();
        end = s->points().back();
    } else if (const auto* p = dynamic_cast<const stPoint_c*>(&entity)) {
        start = end = p->p();
    } else {
        return false;
    }
    return true;
}

tmpShape_c shapeOf(const stEntity_c& entity) {
    tmpShape_c shape;
    if (const auto* l = dynamic_cast<const stLine_c*>(&entity)) {
        shape.kind = tmpShape_c::kLine;
        shape.start = l->p1();
        shape.end = l->p2();
    } else if (const auto* e = dynamic_cast<const stEllipseArc_c*>(&entity)) {
        shape.kind = tmpShape_c::kEllipseArc;
        ellipseArcEnds(*e, shape.start, shape.end);
    }
    return shape;
}

void meetingPoints(const tmpShape_c& a, const tmpShape_c& b, double d,
                   std::vector<utPoint_c>& out) {
    using K = tmpShape_c::Kind;
    if (a.kind == K::kNone || b.kind == K::kNone) return;
    if (a.kind == K::kLine) {
        if (b.kind == K::kLine) {
            crossLines(a, b, d, out);
        } else {
            crossLineArc(a, b, d, out);
        }
    } else if (b.kind == K::kLine) {
        crossLineArc(b, a, d, out);
    } else {
        crossArcs(a, b, d, out);
    }
}

bool measureAngle(const stEntity_c& entity, int pass, double& degrees) {
    utVector_c v;
    if (const auto* l = dynamic_cast<const stLine_c*>(&entity)) {
        v = l->p2() - l->p1();
    } else if (const auto* e = dynamic_cast<const stEllipseArc_c*>(&entity)) {
        v = axisOf(e->a(), e->b(), e->phi(), e->center());
    } else if (const auto* f = dynamic_cast<const stEllipse_c*>(&entity)) {
        v = axisOf(f->a(), f->b(), f->phi(), f->center());
    } else {
        return false;
    }
    const double length = v.length();
    if (!(length > 0.0)) return false;
    const utVector_c reference = pass == 0 ? utVector_c(0.0, 1.0) : utVector_c(1.0, 0.0);
    double c = (v * reference) / length;
    if (c > 1.0 - 1e-7) c = 1.0;
    if (c < -1.0 + 1e-7) c = -1.0;
    degrees = std::acos(c) / kDegree;
    return std::isfinite(degrees);
}

void turnEntity(stEntity_c& entity, const utPoint_c& pivot, double theta) {
    if (auto* l = dynamic_cast<stLine_c*>(&entity)) {
        const double c = std::cos(theta * kDegree), s = std::sin(theta * kDegree);
        const auto turn = [&](const utPoint_c& p) {
            const double x = p.x() - pivot.x(), y = p.y() - pivot.y();
            return utPoint_c(pivot.x() + c * x + s * y, pivot.y() + c * y - s * x);
        };
        l->setP1(turn(l->p1()));
        l->setP2(turn(l->p2()));
    } else if (auto* e = dynamic_cast<stEllipseArc_c*>(&entity)) {
        const double phi = e->phi() - theta;
        e->setParameters(nullptr, nullptr, &phi, nullptr, nullptr, nullptr);
    } else if (auto* f = dynamic_cast<stEllipse_c*>(&entity)) {
        const double phi = f->phi() - theta;
        f->setParameters(nullptr, nullptr, &phi, nullptr);
    }
}

bool onArcConic(const stEllipseArc_c& arc, const utPoint_c& p) {
    double k[6];
    arc.polynomialCoefficients(&k[0], &k[1], &k[2], &k[3], &k[4], &k[5]);
    if (k[0] != 0.0 || k[1] != 0.0 || k[2] != 0.0 || k[3] != 0.0 || k[4] != 0.0 || k[5] != 0.0) {
        const double x = p.x(), y = p.y();
        const double r = k[0] * x * x + k[1] * x * y + k[2] * y * y + k[3] * x + k[4] * y + k[5];
        return std::fabs(r) < kConicResidual;
    }
    if (!(arc.a() > 0.0) || !(arc.b() > 0.0)) return false;
    // In the arc's own frame (the inverse of the turn by phi that places its points).
    const double t = arc.phi() * kDegree;
    const double dx = p.x() - arc.center().x(), dy = p.y() - arc.center().y();
    const double u = (dx * std::cos(t) - dy * std::sin(t)) / arc.a();
    const double v = (dx * std::sin(t) + dy * std::cos(t)) / arc.b();
    return std::fabs(u * u + v * v - 1.0) < kConicResidual;
}

double angleOnEllipse(const stEllipseArc_c& arc, const utPoint_c& p, double near) {
    const double t = arc.phi() * kDegree;
    const double dx = p.x() - arc.center().x(), dy = p.y() - arc.center().y();
    const double u = dx * std::cos(t) - dy * std::sin(t);
    const double v = dx * std::sin(t) + dy * std::cos(t);
    double g = std::atan2(v, u) / kDegree;
    if (g < 0.0) g += 360.0;
    if (std::isfinite(near)) g += 360.0 * std::round((near - g) / 360.0);
    return g;
}

}  // namespace junctions
}  // namespace Vemora
