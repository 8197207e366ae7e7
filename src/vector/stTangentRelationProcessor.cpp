#include <vemora/vector/stTangentRelationProcessor.h>

#include <vemora/sketch/stSketch.h>

#include <cmath>
#include <vector>

#include "foundation/mathConstants.h"

namespace Vemora {

stTangentRelationProcessor_c::~stTangentRelationProcessor_c() = default;

bool stTangentRelationProcessor_c::checkPoint(utPoint_c p, const utPoint_c& q, double d) {
    return (p - q).length() < d;
}

stSketch_c* stTangentRelationProcessor_c::process(stSketch_c* sketch) {
    sketch_ = sketch;
    tangentCount_ = 0;
    if (!sketch) return nullptr;
    std::vector<stArcInfo_c> ends;
    for (int i = 0; i < sketch->entitiesCount(); ++i) {
        const stEntity_c* e = sketch->entityAt(i);
        if (const auto* arc = dynamic_cast<const stArc_c*>(e)) {
            ends.emplace_back(arc, arc->p1());
            ends.emplace_back(arc, arc->p3());
        } else if (const auto* ellipse = dynamic_cast<const stEllipseArc_c*>(e)) {
            ends.emplace_back(ellipse, ellipse->pointAtAngle(ellipse->startAngle()));
            ends.emplace_back(ellipse, ellipse->pointAtAngle(ellipse->endAngle()));
        }
    }
    for (int i = 0; i < sketch->entitiesCount(); ++i) {
        const auto* line = dynamic_cast<const stLine_c*>(sketch->entityAt(i));
        if (!line) continue;
        for (const stArcInfo_c& info : ends) {
            if ((checkPoint(line->p1(), info.point(), distance_) ||
                 checkPoint(line->p2(), info.point(), distance_)) &&
                isTangentLine(info, *line, tolerance_))
                ++tangentCount_;
        }
    }
    return sketch;
}

bool stTangentRelationProcessor_c::isTangentLine(const stArcInfo_c& info, const stLine_c& line,
                                                 double tolerance) const {
    const utVector_c d = line.p2() - line.p1();
    if (!(d.length() > 0.0)) return false;
    // The line as n . x + c = 0 with a unit normal n.
    const utVector_c n = d.flip().unit();
    const double c = -(n * line.p1());

    // The normal of the arc's curve at the point: along the radius of a circular arc, along the
    // gradient of the ellipse equation (taken in the ellipse's own frame) of an elliptic arc.
    const utPoint_c& p = info.point();
    utVector_c normal;
    if (const auto* arc = dynamic_cast<const stArc_c*>(info.arc())) {
        normal = p - arc->center();
    } else if (const auto* e = dynamic_cast<const stEllipseArc_c*>(info.arc())) {
        if (!(e->a() > 0.0) || !(e->b() > 0.0)) return false;
        const double t = e->phi() * kDegree, ct = std::cos(t), st = std::sin(t);
        const utVector_c r = p - e->center();
        const double u = (r.x() * ct - r.y() * st) / (e->a() * e->a());
        const double v = (r.x() * st + r.y() * ct) / (e->b() * e->b());
        normal = utVector_c(u * ct + v * st, -u * st + v * ct);
    }
    if (!(normal.length() > 0.0)) return false;
    const utVector_c m = normal.unit();
    // Parallel normals (either sense) and the point on the line.
    const double sine = std::fabs(n.x() * m.y() - n.y() * m.x());
    return sine <= tolerance && std::fabs(n * p + c) <= distance_;
}

}  // namespace Vemora
